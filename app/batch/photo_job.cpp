// The batch thread's side of a photo job: the Exif block and its note before the work starts, and
// after it the name, the overwrite policy and a write that never loses a file.
#include "batch/photo_job.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>
#include <system_error>

#include "files/new_file.h"
#include "metadata/colour_profile.h"
#include "metadata/exif_block.h"
#include "metadata/exif_constants.h"
#include "metadata/photo_metadata.h"
#include "output/destination_folder.h"
#include "output/output_naming.h"
#include "settings/more_settings.h"
#include "settings/settings.h"
#include "settings/target_size.h"
#include "utilities/user_prompts.h"
#include "utilities/utilities.h"

namespace lumivex {

namespace {

// How many further counter values a photo tries when other programs keep taking its name.
constexpr int kNameRetries = 100;
// What a pattern without size tags gets when copies of a photo at several sizes share a folder.
constexpr const char* kSizeSuffixPattern = "_%DSTX%x%DSTY%";

// A failure that ends the job for this photo; its text is the reason shown to the user.
class JobFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string overwriteQuestion(const std::string& path) {
  return "File " + FileNameOf(path) + " already exists, do you want to overwrite it?\n" + path;
}

// "IMG_1.jpg" becomes "IMG_1_2.jpg", "IMG_1_3.jpg", ...: the first that no entry of the folder holds.
std::string freeNameBeside(const std::string& path) {
  std::string folder = FolderOf(path), name = FileNameOf(path);
  std::size_t dot = name.rfind('.');
  std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
  std::string extension = stem.size() == name.size() ? "" : name.substr(dot);
  for (int n = 2;; ++n) {
    std::string candidate = folder + stem + "_" + std::to_string(n) + extension;
    if (!directoryEntryExists(candidate)) return candidate;
  }
}

// The output gets the photo's modification time, so that file managers sort copies by when the
// photo was taken (or last edited) rather than when it was resized. Best effort: a file system
// without times keeps the new file's own.
void copyModificationTime(const std::string& source, const std::string& output) {
  struct stat status {};
  if (::stat(source.c_str(), &status) != 0) return;
  const struct timespec times[2] = {status.st_atim, status.st_mtim};
  ::utimensat(AT_FDCWD, output.c_str(), times, 0);
}

std::string unsupportedOrientationNote(const std::string& field) {
  return "Note: Image was not rotated, orientation " + field + " is not yet supported.";
}

}  // namespace

PhotoJob::~PhotoJob() = default;

CWorker::CWorker() = default;

CWorker::~CWorker() {
  if (thread_.joinable()) thread_.join();
}

CExif& CWorker::exif() {
  if (!exif_) exif_ = std::make_unique<CExif>();
  return *exif_;
}

void CWorker::ResizePicture_Start(std::int32_t slot, const std::string& FileName, std::int32_t dstWidth,
                                  std::int32_t dstHeight, float dstPrcnt, const std::string& baseDirectory) {
  jobDone_ = false;
  ticket_ = ledger ? ledger->issueTicket() : -1;
  work_ = PhotoWork{};
  baseDir = baseDirectory;
  FileN = FileName;
  if (baseDir.empty()) baseDir = FolderOf(FileN);
  // A bare file name lies in the current folder; an empty base would put the subfolder at the root.
  if (baseDir.empty()) baseDir = "./";
  try {
    PhotoOrder order = orderFor(dstWidth, dstHeight, dstPrcnt);
    order.slot = slot;
    startWork(std::move(order));
  } catch (const std::exception& failure) {
    FinishedPhoto photo{FileN, baseDir, ticket_, PhotoWork{}, "", {}};
    jobDone_ = true;
    ticket_ = -1;
    endJob(photo, Outcome::Failed, "", failure.what());
  }
}

// The settings as they are now: a change during the run reaches the next photo.
PhotoOrder CWorker::orderFor(std::int32_t dstWidth, std::int32_t dstHeight, float dstPrcnt) {
  PhotoOrder order;
  order.source = FileN;
  order.dstWidth = dstWidth;
  order.dstHeight = dstHeight;
  order.dstPrcnt = dstPrcnt;
  order.moreSizes = moreSizes;
  order.maxFileBytes = moreSettings.maxFileBytes;
  order.turnPortraits = settings.RotationMode == RotationMode::ToLandscape;
  order.autoCrop = settings.AutoCrop;
  order.shrinkOnly = moreSettings.shrinkOnly;
  order.stripLocation = moreSettings.stripLocation;
  order.resizeQuality = settings.ResizeQuality;
  order.threads = threads;
  order.jpegQuality = settings.JpegQuality;
  order.lossless = moreSettings.lossless;
  // "same" keeps the format the photo's content is in, whatever its name says.
  order.writer = WriterFor(moreSettings.format, readMetadata(order));
  return order;
}

// The photo's metadata is read before the photo, in one pass over one open of its file (the
// engine's load is the only other one), so that the turn it asks for and the blocks the output
// carries are settled on this thread, and its note is shown from here. A file that cannot be
// opened at all is for the load to name, with its reason. Gives the photo's row of the table of
// formats, by its content when the file was read.
const corvale::ImageFormat* CWorker::readMetadata(PhotoOrder& order) {
  std::optional<PreReadMetadata> preRead = std::exchange(preRead_, std::nullopt);
  bool byExif = settings.RotationMode == RotationMode::ByExif;
  bool wantIcc = moreSettings.profile != ProfileMode::Strip;
  const corvale::ImageFormat* byName = corvale::formatOfName(FileNameOf(FileN));
  if (!byExif && !settings.CopyExif && !wantIcc && !moreSettings.format.keepSource) return byName;
  PhotoMetadata metadata =
      preRead && preRead->path == FileN ? std::move(preRead->metadata) : ReadPhotoMetadata(FileN);
  if (metadata.outcome == MetadataRead::NotOpened) return byName;
  if (metadata.outcome == MetadataRead::ReadError) {
    if (byExif || settings.CopyExif) userPrompts().notice(ExifReadErrorNotice(FileN, metadata.errorText));
    return byName;
  }
  if (!metadata.exif.empty() && (byExif || settings.CopyExif))
    takeExif(order, std::move(metadata.exif), byExif);
  order.turnedByReader = metadata.turnedByReader;
  if (wantIcc) order.icc = std::move(metadata.icc);
  order.convertToSrgb = moreSettings.profile == ProfileMode::ConvertToSrgb;
  order.loadInks = metadata.container == MetadataContainer::Jpeg && metadata.jpegComponents == 4 &&
                   ProfileSpaceOf(order.icc) == ProfileSpace::Cmyk;
  if (settings.CopyExif) {
    order.xmp = std::move(metadata.xmp);
    order.xmpExtension = std::move(metadata.xmpExtension);
    order.xmpExtensionGuid = std::move(metadata.xmpExtensionGuid);
  }
  return metadata.format;
}

// The orientation the Exif block asks for, and the block the output carries.
void CWorker::takeExif(PhotoOrder& order, std::vector<std::uint8_t> block, bool byExif) {
  exif().hold(std::move(block));
  std::string field = exif().getField(kOrientationTag);
  if (byExif && !field.empty() && LeadingNumber(field) != 1.0) {
    double orientation = LeadingNumber(field);
    if (orientation >= 2.0 && orientation <= 8.0)
      order.turnCode = static_cast<std::int32_t>(orientation);
    else
      userPrompts().noticeAbout(FileN, unsupportedOrientationNote(field));
  }
  if (settings.CopyExif) order.exif = exif().getAPP1();
}

void CWorker::startWork(PhotoOrder order) {
  if (thread_.joinable()) thread_.join();
  workDone_.store(false, std::memory_order_relaxed);
  try {
    thread_ = std::thread([this, order = std::move(order), wakeUp = wake] {
      work_ = DoPhotoWork(order);
      workDone_.store(true, std::memory_order_release);
      if (wakeUp) wakeUp->signal();
    });
  } catch (const std::system_error&) {
    throw JobFailure("the job's thread could not be started");
  }
}

bool CWorker::isFinished() { return canTakePhoto() && waiting_.empty(); }

bool CWorker::canTakePhoto() {
  collectDoneWork();
  finishPhotosInTurn();
  return jobDone_;
}

// Moves the work of a job whose thread is done into the waiting line, which frees the worker.
void CWorker::collectDoneWork() {
  if (jobDone_ || !workDone_.load(std::memory_order_acquire)) return;
  thread_.join();
  waiting_.push_back(FinishedPhoto{FileN, baseDir, ticket_, std::move(work_), "", {}});
  work_ = PhotoWork{};
  jobDone_ = true;
  ticket_ = -1;
}

// Names and writes the waiting photos whose turn has come: photos choose their names in the
// order they were started, whichever worker did them.
void CWorker::finishPhotosInTurn() {
  while (!waiting_.empty()) {
    FinishedPhoto& photo = waiting_.front();
    if (ledger && photo.ticket >= 0 && !ledger->mayName(photo.ticket)) return;
    try {
      ResizePicture_Finish(photo);
    } catch (const std::exception& failure) {
      endJob(photo, Outcome::Failed, "", failure.what());
    }
    waiting_.pop_front();
  }
}

void CWorker::ResizePicture_Finish(FinishedPhoto& photo) {
  if (!photo.work.failure.empty()) throw JobFailure(photo.work.failure);
  std::vector<OutputPlace> places = placeOutputs(photo);
  for (std::size_t i = 0; i < places.size(); ++i) {
    try {
      finishOutput(photo, places[i]);
    } catch (const std::exception& failure) {
      reportOutput(photo, &photo.work.outputs[places[i].index], Outcome::Failed, "", failure.what());
    }
  }
  endPhoto(photo);
}

// The folder of every size, and the pattern that names it: copies of one photo at several sizes
// that would share a folder and a name (a pattern without %DSTX% or %DSTY%) end in their size
// instead, "photo_800x600.jpg".
std::vector<CWorker::OutputPlace> CWorker::placeOutputs(FinishedPhoto& photo) {
  std::vector<OutputPlace> places;
  const std::string& pattern = settings.OutputFilenamePattern;
  bool sharedFolder = false;
  for (std::size_t i = 0; i < photo.work.outputs.size(); ++i) {
    std::optional<std::string> folder =
        DestinationFolderFor(photo.source, photo.baseDir, photo.work.outputs[i].target);
    if (!folder)
      throw JobFailure("no destination: the destination mode " +
                       std::to_string(ModeNumber(settings.DestinationMode)) +
                       " is none of same folder (0), subfolder (1) or fixed folder (2)");
    for (const OutputPlace& earlier : places) sharedFolder = sharedFolder || earlier.folder == *folder;
    places.push_back({i, *folder, pattern});
  }
  if (sharedFolder && !PatternHasSizeTag(pattern))
    for (OutputPlace& place : places) place.pattern = pattern + kSizeSuffixPattern;
  return places;
}

void CWorker::finishOutput(FinishedPhoto& photo, const OutputPlace& place) {
  photo.note.clear();
  CreateDestinationFolder(place.folder);
  std::string path = nextOutputPath(photo, place, place.folder);

  bool replacing = false;
  if (FileExists(path)) {
    if (ledger && ledger->isSource(path))
      throw JobFailure("its output " + path +
                       " would replace a photo this run reads; choose another name pattern or folder");
    // After a Cancel the photo's further sizes keep what is there rather than ask again.
    bool mayAsk = place.index == 0 || !ledger || !ledger->cancelled;
    replacing = applyOverwritePolicy(path, mayAsk);
    if (!replacing)
      return reportOutput(photo, &photo.work.outputs[place.index], Outcome::KeptExisting, path, "");
  }
  write(photo, place, path, replacing);
}

// Two photos of one output name (same file names from different folders into one fixed folder),
// or two sizes of one photo that give one name: the later one takes a free name instead of
// finding the earlier one's output "existing".
std::string CWorker::avoidOwnOutputs(FinishedPhoto& photo, const std::string& path) {
  if (!ledger || !ledger->wroteItself(path)) return path;
  std::string freePath = freeNameBeside(path);
  bool samePhoto = std::find(photo.written.begin(), photo.written.end(), path) != photo.written.end();
  photo.note = "written as " + FileNameOf(freePath) + ": " + FileNameOf(path) +
               " was written by this run from " +
               (samePhoto ? "another size of this photo" : "another photo");
  return freePath;
}

// True when the policy (or the user's answer) lets the new file replace the existing one. A "to
// all" answer holds for the rest of the run; Cancel keeps this file and starts no further photo.
bool CWorker::applyOverwritePolicy(const std::string& path, bool mayAsk) {
  if (settings.OverwriteMode == OverwriteMode::Always) return true;
  if (settings.OverwriteMode != OverwriteMode::Ask) return false;  // never, or a mode unknown to us
  if (ledger && ledger->overwriteAll) return *ledger->overwriteAll;
  if (!mayAsk) return false;
  switch (userPrompts().askOverwrite(overwriteQuestion(path))) {
    case OverwriteAnswer::Yes:
      return true;
    case OverwriteAnswer::YesToAll:
      if (ledger) ledger->overwriteAll = true;
      return true;
    case OverwriteAnswer::NoToAll:
      if (ledger) ledger->overwriteAll = false;
      return false;
    case OverwriteAnswer::Cancel:
      if (ledger) ledger->cancelled = true;
      return false;
    case OverwriteAnswer::No:
      break;
  }
  return false;
}

void CWorker::write(FinishedPhoto& photo, const OutputPlace& place, const std::string& path, bool replacing) {
  const PhotoOutput& output = photo.work.outputs[place.index];
  std::string target = path;
  for (int attempt = 0;; ++attempt) {
    NewFileStatus status;
    try {
      // A replacement is written completely before it takes the old file's place in one rename,
      // so a failed write (a full disk) leaves the old file as it was.
      if (replacing) requireReplaceable(target);
      // Within a run the batch loop flushes the written files together, now and then and at
      // the end (see RunBatch).
      status = writeNewFile(target, output.jpeg, replacing ? ExistingFile::Replace : ExistingFile::Keep,
                            ledger ? Durability::Batched : Durability::Now);
    } catch (const std::exception& failure) {
      throw JobFailure("cannot write " + target + " (" + failure.what() + ")");
    }
    if (status == NewFileStatus::Written) {
      if (moreSettings.keepDate) copyModificationTime(photo.source, target);
      if (ledger) ledger->addWritten(target), ledger->foldersToFlush.insert(FolderOf(target));
      photo.written.push_back(target);
      return reportOutput(photo, &output, Outcome::Written, target, "");
    }
    if (replacing) throw JobFailure("the existing file " + target + " could not be replaced");
    // Another program (or another run) took the name between the check and the write: a counter
    // moves on to its next free value; any other name is a failure, never a "kept" file that is
    // not this photo's.
    if (!PatternHasCounter(settings.OutputFilenamePattern) || attempt == kNameRetries)
      throw JobFailure(target + " was created by another program while this photo was written");
    target = nextOutputPath(photo, place, FolderOf(target));
  }
}

// The pattern's name for this photo in `folder`. A counter name that is taken by the time the
// search returns it was taken by someone else meanwhile (another run into the same folder): the
// counter moves on rather than treating that file as one the user had before.
std::int32_t& CWorker::counter() { return ledger ? ledger->fileCounter : ownFileCounter_; }

std::string CWorker::nextOutputPath(FinishedPhoto& photo, const OutputPlace& place,
                                    const std::string& folder) {
  const PictureSize size = photo.work.outputs[place.index].output;
  for (int attempt = 0;; ++attempt) {
    std::string path =
        avoidOwnOutputs(photo, folder + MakeOutputName(FileNameOf(photo.source), size.width, size.height,
                                                       folder, place.pattern, counter(), photo.work.writer));
    if (!PatternHasCounter(settings.OutputFilenamePattern) || !FileExists(path) || attempt == kNameRetries)
      return path;
  }
}

// The report of one size (or of the whole photo when `output` is null).
void CWorker::reportOutput(FinishedPhoto& photo, const PhotoOutput* output, Outcome outcome,
                           const std::string& outputPath, const std::string& reason) {
  Report report{photo.source, outcome, outputPath, reason, "", "", 0, "", corvale::LoadCause::kNone};
  if (outcome == Outcome::Failed) report.cause = photo.work.failureCause;
  if (outcome != Outcome::Failed) {
    report.warning = photo.work.loadWarning;
    report.note = photo.note;
    if (!photo.work.profileNote.empty())
      report.note += (photo.note.empty() ? "" : "; ") + photo.work.profileNote;
  }
  if (output && photo.work.maxFileBytes > 0) {
    report.quality = output->quality;
    if (output->overLimit && outcome == Outcome::Written)
      report.sizeWarning =
          "larger than " + FileSizeLimitText(photo.work.maxFileBytes) + " at the lowest quality";
  }
  reports_.push_back(std::move(report));
}

void CWorker::endPhoto(FinishedPhoto& photo) {
  photo.work = PhotoWork{};
  if (ledger && photo.ticket >= 0) ledger->ended(photo.ticket);
  photo.ticket = -1;
}

void CWorker::endJob(FinishedPhoto& photo, Outcome outcome, const std::string& outputPath,
                     const std::string& reason) {
  reportOutput(photo, nullptr, outcome, outputPath, reason);
  endPhoto(photo);
}

bool CWorker::takeReport(Report& report) {
  if (reports_.empty()) return false;
  report = std::move(reports_.front());
  reports_.pop_front();
  return true;
}

}  // namespace lumivex
