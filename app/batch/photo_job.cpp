// The batch thread's side of a photo job: the Exif block and its note before the work starts, and
// after it the name, the overwrite policy and a write that never loses a file.
#include "batch/photo_job.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>
#include <string_view>
#include <system_error>

#include "batch/exif_block.h"
#include "batch/exif_segment.h"
#include "batch/more_settings.h"
#include "batch/output_naming.h"
#include "batch/photo_job_destination.h"
#include "batch/settings.h"
#include "batch/target_size.h"
#include "batch/user_prompts.h"
#include "batch/utilities.h"
#include "encoder/new_file.h"

namespace lumivex {

namespace {

constexpr int kOrientationTag = 274;
constexpr std::int32_t kRotateByExif = 1;
constexpr std::int32_t kRotateToLandscape = 2;
constexpr std::int32_t kAskBeforeOverwriting = 0;
constexpr std::int32_t kAlwaysOverwrite = 2;
// How many further counter values a photo tries when other programs keep taking its name.
constexpr int kNameRetries = 100;

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

// Opened without blocking (a FIFO would wait for a writer), then checked to be a plain file.
bool IsReadableRegularFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat status {};
  bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
  ::close(fd);
  return regular;
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
  report_.reset();
  note_.clear();
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
    endJob(Outcome::Failed, "", failure.what());
  }
}

// The settings as they are now: a change during the run reaches the next photo.
PhotoOrder CWorker::orderFor(std::int32_t dstWidth, std::int32_t dstHeight, float dstPrcnt) {
  PhotoOrder order;
  order.source = FileN;
  order.dstWidth = dstWidth;
  order.dstHeight = dstHeight;
  order.dstPrcnt = dstPrcnt;
  order.turnPortraits = settings.RotationMode == kRotateToLandscape;
  order.autoCrop = settings.AutoCrop;
  order.shrinkOnly = moreSettings.shrinkOnly;
  order.stripLocation = moreSettings.stripLocation;
  order.resizeQuality = settings.ResizeQuality;
  order.jpegQuality = settings.JpegQuality;
  readExif(order);
  readMetadata(order);
  return order;
}

// The Exif block is read before the photo (it is a few kilobytes at the start of the file), so
// that the turn it asks for and the block the output carries are settled on this thread, and its
// note is shown from here.
void CWorker::readExif(PhotoOrder& order) {
  bool byExif = settings.RotationMode == kRotateByExif;
  if (!byExif && !settings.CopyExif) return;
  // A file that cannot be read at all is for the load to name, with its reason; a pipe or a
  // device would even block this thread.
  if (!IsReadableRegularFile(FileN)) return;
  if (!exif().LoadFromJPEG(FileN)) return;
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

// The colour profile and the XMP packet travel with the photo like its Exif block: the profile
// unless the user asked to strip it or to convert the pixels to sRGB; XMP with the Exif block,
// except when it holds a location that the user asked to leave out.
void CWorker::readMetadata(PhotoOrder& order) {
  if (!IsReadableRegularFile(FileN)) return;
  bool wantXmp = settings.CopyExif;
  bool wantIcc = moreSettings.profile != ProfileMode::Strip;
  if (!wantXmp && !wantIcc) return;
  JpegMetadata metadata = ReadJpegMetadata(FileN, /*wantExif=*/false);
  if (wantIcc) order.icc = std::move(metadata.icc);
  order.convertToSrgb = moreSettings.profile == ProfileMode::ConvertToSrgb;
  std::string_view packet(reinterpret_cast<const char*>(metadata.xmp.data()), metadata.xmp.size());
  bool holdsLocation = packet.find("GPS") != std::string_view::npos;
  if (wantXmp && !(moreSettings.stripLocation && holdsLocation)) order.xmp = std::move(metadata.xmp);
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

bool CWorker::isFinished() {
  if (jobDone_) return true;
  if (!workDone_.load(std::memory_order_acquire)) return false;
  if (ledger && ticket_ >= 0 && !ledger->mayName(ticket_)) return false;
  thread_.join();
  try {
    ResizePicture_Finish();
  } catch (const std::exception& failure) {
    endJob(Outcome::Failed, "", failure.what());
  }
  return true;
}

void CWorker::ResizePicture_Finish() {
  if (!work_.failure.empty()) throw JobFailure(work_.failure);
  std::optional<std::string> folder = DestinationFolderFor(FileN, baseDir, work_.target);
  if (!folder)
    throw JobFailure("no destination: the destination mode " + std::to_string(settings.DestinationMode) +
                     " is none of same folder (0), subfolder (1) or fixed folder (2)");
  CreateDestinationFolder(*folder);
  std::string path = nextOutputPath(*folder);

  bool replacing = false;
  if (FileExists(path)) {
    if (ledger && ledger->isSource(path))
      throw JobFailure("its output " + path +
                       " would replace a photo this run reads; choose another name pattern or folder");
    replacing = applyOverwritePolicy(path);
    if (!replacing) return endJob(Outcome::KeptExisting, path, "");
  }
  write(path, replacing);
}

// Two photos of one output name (same file names from different folders into one fixed folder):
// the later one takes a free name instead of finding the earlier one's output "existing".
std::string CWorker::avoidOwnOutputs(const std::string& path) {
  if (!ledger || !ledger->wroteItself(path)) return path;
  std::string freePath = freeNameBeside(path);
  note_ = "written as " + FileNameOf(freePath) + ": " + FileNameOf(path) +
          " was written by this run from another photo";
  return freePath;
}

// True when the policy (or the user's answer) lets the new file replace the existing one. A "to
// all" answer holds for the rest of the run; Cancel keeps this file and starts no further photo.
bool CWorker::applyOverwritePolicy(const std::string& path) {
  if (settings.OverwriteMode == kAlwaysOverwrite) return true;
  if (settings.OverwriteMode != kAskBeforeOverwriting) return false;
  if (ledger && ledger->overwriteAll) return *ledger->overwriteAll;
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

void CWorker::write(const std::string& path, bool replacing) {
  std::string target = path;
  for (int attempt = 0;; ++attempt) {
    NewFileStatus status;
    try {
      // A replacement is written completely before it takes the old file's place in one rename,
      // so a failed write (a full disk) leaves the old file as it was.
      if (replacing) requireReplaceable(target);
      status = writeNewFile(target, work_.jpeg, replacing ? ExistingFile::Replace : ExistingFile::Keep);
    } catch (const std::exception& failure) {
      throw JobFailure("cannot write " + target + " (" + failure.what() + ")");
    }
    if (status == NewFileStatus::Written) {
      if (moreSettings.keepDate) copyModificationTime(FileN, target);
      if (ledger) ledger->addWritten(target);
      return endJob(Outcome::Written, target, "");
    }
    if (replacing) throw JobFailure("the existing file " + target + " could not be replaced");
    // Another program (or another run) took the name between the check and the write: a counter
    // moves on to its next free value; any other name is a failure, never a "kept" file that is
    // not this photo's.
    if (!PatternHasCounter(settings.OutputFilenamePattern) || attempt == kNameRetries)
      throw JobFailure(target + " was created by another program while this photo was written");
    target = nextOutputPath(FolderOf(target));
  }
}

// The pattern's name for this photo in `folder`. A counter name that is taken by the time the
// search returns it was taken by someone else meanwhile (another run into the same folder): the
// counter moves on rather than treating that file as one the user had before.
std::string CWorker::nextOutputPath(const std::string& folder) {
  for (int attempt = 0;; ++attempt) {
    std::string path = avoidOwnOutputs(
        folder + MakeOutputName(FileNameOf(FileN), work_.output.width, work_.output.height, folder));
    if (!PatternHasCounter(settings.OutputFilenamePattern) || !FileExists(path) || attempt == kNameRetries)
      return path;
  }
}

void CWorker::endJob(Outcome outcome, const std::string& outputPath, const std::string& reason) {
  report_ = std::make_unique<Report>(Report{FileN, outcome, outputPath, reason, "", ""});
  if (outcome != Outcome::Failed) {
    report_->warning = work_.loadWarning;
    report_->note = note_;
    if (!work_.profileNote.empty()) report_->note += (note_.empty() ? "" : "; ") + work_.profileNote;
  }
  work_ = PhotoWork{};
  jobDone_ = true;
  if (ledger && ticket_ >= 0) ledger->ended(ticket_);
  ticket_ = -1;
}

bool CWorker::takeReport(Report& report) {
  if (!report_) return false;
  report = std::move(*report_);
  report_.reset();
  return true;
}

}  // namespace lumivex
