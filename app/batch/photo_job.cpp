// One photo's job from source file to JPEG: load, turn, crop and start the resampling, then, once
// the engine is done, choose the name, apply the overwrite policy, encode and write safely.
#include "batch/photo_job.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "batch/engine_binding.h"
#include "batch/exif_block.h"
#include "batch/output_naming.h"
#include "batch/photo_job_destination.h"
#include "batch/settings.h"
#include "batch/target_size.h"
#include "batch/user_prompts.h"
#include "batch/utilities.h"
#include "encoder/cjpeg.h"
#include "encoder/new_file.h"
#include "platform/gdi.h"

namespace lumivex {

namespace {

constexpr int kOrientationTag = 274;
constexpr std::int32_t kRotateByExif = 1;
constexpr std::int32_t kRotateToLandscape = 2;
constexpr std::int32_t kAskBeforeOverwriting = 0;
constexpr std::int32_t kAlwaysOverwrite = 2;
constexpr std::int32_t kQuarterTurnClockwise = 6;
// The largest side a baseline JPEG decoder accepts; the file format itself would allow 65535.
constexpr std::int32_t kLargestJpegSide = 65500;
// How many further counter values a photo tries when other programs keep taking its name.
constexpr int kNameRetries = 100;

// A failure that ends the job for this photo; its text is the reason shown to the user.
class JobFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

gdi::HDC dcOf(std::intptr_t picture) { return reinterpret_cast<gdi::HDC>(engine::cpic_getHDC(picture)); }

PictureSize sizeOf(std::intptr_t picture) {
  return {engine::cpic_getWidth(picture), engine::cpic_getHeight(picture)};
}

// A picture the engine could not allocate keeps its size but has no pixels behind it.
bool holdsPixels(std::intptr_t picture) {
  gdi::HDC dc = picture ? dcOf(picture) : nullptr;
  gdi::DIBSECTION section;
  return dc && gdi::GetDibSection(gdi::GetCurrentBitmap(dc), &section) && section.bits != nullptr;
}

std::intptr_t createPicture(PictureSize size, const char* what) {
  std::intptr_t picture = engine::cpic_create(size.width, size.height);
  if (holdsPixels(picture)) return picture;
  engine::cpic_destroy(picture);
  throw JobFailure("not enough memory for the " + std::string(what) + " (" + std::to_string(size.width) +
                   " x " + std::to_string(size.height) + " pixels)");
}

// An engine without the load message only says that a file gave no picture; the file system can
// often say why.
std::string whyUnreadable(const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return "is a folder, not an image";
  int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return std::string("cannot be opened (") + std::strerror(errno) + ")";
  ::close(fd);
  return "cannot be read as an image (damaged, or not the format its extension says)";
}

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

std::string unsupportedOrientationNote(const std::string& field) {
  return "Note: Image was not rotated, orientation " + field + " is not yet supported.";
}

}  // namespace

PhotoJob::~PhotoJob() = default;

CWorker::CWorker() = default;

CWorker::~CWorker() {
  if (!jobDone_ && (srcPic_ || dstPic_))
    while (engine::imgResample_isFinished(slot_) != 1)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  releasePictures();
}

CExif& CWorker::exif() {
  if (!exif_) exif_ = std::make_unique<CExif>();
  return *exif_;
}

void CWorker::ResizePicture_Start(std::int32_t slot, const std::string& FileName, std::int32_t dstWidth,
                                  std::int32_t dstHeight, float dstPrcnt, const std::string& baseDirectory) {
  jobDone_ = false;
  resamplingRefused_ = false;
  report_.reset();
  loadWarning_.clear();
  note_.clear();
  slot_ = slot;
  baseDir = baseDirectory;
  FileN = FileName;
  if (baseDir.empty()) baseDir = FolderOf(FileN);
  // A bare file name lies in the current folder; an empty base would put the subfolder at the root.
  if (baseDir.empty()) baseDir = "./";
  try {
    startJob(dstWidth, dstHeight, dstPrcnt);
  } catch (const std::exception& failure) {
    endJob(Outcome::Failed, "", failure.what());
  }
}

void CWorker::startJob(std::int32_t dstWidth, std::int32_t dstHeight, float dstPrcnt) {
  // Paths are UTF-8 on both sides of the engine, so FileN crosses unchanged.
  srcPic_ = engine::cpic_load(FileN.c_str());
  std::string loadMessage = engine::cpic_lastLoadMessage();
  if (engine::cpic_getWidth(srcPic_) <= 0 || engine::cpic_getHeight(srcPic_) <= 0 || !holdsPixels(srcPic_))
    throw JobFailure(loadMessage.empty() ? whyUnreadable(FileN) : "cannot be read: " + loadMessage);
  loadWarning_ = loadMessage;
  target_ = TargetFor(sizeOf(srcPic_), dstWidth, dstHeight, dstPrcnt);
  exifLoadedAtStart_ = false;
  turnUpright();
  if (settings.AutoCrop) cropToTarget();
  startResampling();
}

void CWorker::turnUpright() {
  if (settings.RotationMode == kRotateToLandscape) {
    PictureSize size = sizeOf(srcPic_);
    if (size.height > size.width)
      replaceSource(engine::cpic_rotate90(srcPic_, kQuarterTurnClockwise), "turned");
  } else if (settings.RotationMode == kRotateByExif) {
    turnByExif();
  }
}

void CWorker::turnByExif() {
  exifLoadedAtStart_ = true;
  exifFound_ = exif().LoadFromJPEG(FileN);
  if (!exifFound_) return;
  std::string field = exif().getField(kOrientationTag);
  if (field.empty() || LeadingNumber(field) == 1.0) return;
  double orientation = LeadingNumber(field);
  if (orientation != 3.0 && orientation != 6.0 && orientation != 8.0) {
    userPrompts().notice(unsupportedOrientationNote(field));
    return;
  }
  replaceSource(engine::cpic_rotate90(srcPic_, static_cast<std::int32_t>(orientation)), "turned");
  exif().setField(kOrientationTag, 1);
}

void CWorker::cropToTarget() {
  PictureSize size = sizeOf(srcPic_);
  if (size.height < 1) return;
  std::optional<CropBand> band = CropBandFor(size, target_);
  if (!band) return;
  std::intptr_t cropped = createPicture(band->size, "cropped picture");
  gdi::BitBlt(dcOf(cropped), 0, 0, band->size.width, band->size.height, dcOf(srcPic_), band->left, band->top,
              gdi::SRCCOPY);
  replaceSource(cropped, "cropped");
}

void CWorker::startResampling() {
  PictureSize output = FitInto(sizeOf(srcPic_), target_);
  if (output.width > kLargestJpegSide || output.height > kLargestJpegSide)
    throw JobFailure("the resized picture (" + std::to_string(output.width) + " x " +
                     std::to_string(output.height) + " pixels) would be larger than a JPEG file can hold (" +
                     std::to_string(kLargestJpegSide) + " pixels a side)");
  dstPic_ = createPicture(output, "resized picture");
  // The engine reads the slot as finished when it could not start the thread; the job then ends
  // at the next poll, once nothing can touch the pictures any more.
  resamplingRefused_ = engine::imgResample_Threaded(slot_, srcPic_, dstPic_, settings.ResizeQuality) == 0;
}

// Takes the place of the source picture; a new picture without pixels ends the job.
void CWorker::replaceSource(std::intptr_t picture, const char* what) {
  if (!holdsPixels(picture)) {
    engine::cpic_destroy(picture);
    throw JobFailure(std::string("not enough memory for the ") + what + " picture");
  }
  engine::cpic_destroy(srcPic_);
  srcPic_ = picture;
}

bool CWorker::isFinished() {
  if (jobDone_) return true;
  if (engine::imgResample_isFinished(slot_) != 1) return false;
  if (resamplingRefused_) {
    endJob(Outcome::Failed, "", "the resampling thread could not be started");
    return true;
  }
  try {
    ResizePicture_Finish();
  } catch (const std::exception& failure) {
    endJob(Outcome::Failed, "", failure.what());
  }
  return true;
}

void CWorker::ResizePicture_Finish() {
  engine::cpic_destroy(srcPic_);
  srcPic_ = 0;
  // A resampling that failed on its thread (no memory for its intermediate picture) leaves the
  // destination empty rather than black.
  if (sizeOf(dstPic_).width <= 0 || sizeOf(dstPic_).height <= 0 || !holdsPixels(dstPic_))
    throw JobFailure("the resampling could not be completed (not enough memory)");

  std::optional<std::string> folder = DestinationFolderFor(FileN, baseDir, target_);
  if (!folder)
    throw JobFailure("no destination: the destination mode " + std::to_string(settings.DestinationMode) +
                     " is none of same folder (0), subfolder (1) or fixed folder (2)");
  CreateDestinationFolder(*folder);
  std::string path = nextOutputPath(*folder);

  cJpeg encoder;
  if (!exifLoadedAtStart_) exifFound_ = exif().LoadFromJPEG(FileN);
  if (exifFound_ && settings.CopyExif) encoder.setExif(exif().getAPP1());

  bool replacing = false;
  if (FileExists(path)) {
    if (ledger && ledger->isSource(path))
      throw JobFailure("its output " + path +
                       " would replace a photo this run reads; choose another name pattern or folder");
    replacing = applyOverwritePolicy(path);
    if (!replacing) return endJob(Outcome::KeptExisting, path, "");
  }
  encodeAndWrite(path, replacing, encoder);
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

// Deletes the existing file when the policy allows it; true when it decided to replace the file.
bool CWorker::applyOverwritePolicy(const std::string& path) {
  bool replace =
      settings.OverwriteMode == kAlwaysOverwrite ||
      (settings.OverwriteMode == kAskBeforeOverwriting && userPrompts().askYesNo(overwriteQuestion(path)));
  if (replace) {
    std::error_code ignored;  // a file that cannot be deleted shows up when the save finds it still there
    std::filesystem::remove(path, ignored);
  }
  return replace;
}

void CWorker::encodeAndWrite(const std::string& path, bool replacing, cJpeg& encoder) {
  encoder.setQuality(settings.JpegQuality);
  PictureSize output = sizeOf(dstPic_);
  if (encoder.SampleHDC(dcOf(dstPic_), output.width, output.height, 0, 0) != 0)
    throw JobFailure("not enough memory to encode the resized picture");
  std::string target = path;
  for (int attempt = 0;; ++attempt) {
    std::int32_t status = save(encoder, target, replacing);
    if (status == 0) {
      if (ledger) ledger->addWritten(target);
      return endJob(Outcome::Written, target, "");
    }
    if (status != 2) throw JobFailure("no output file name");
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
  PictureSize output = sizeOf(dstPic_);
  for (int attempt = 0;; ++attempt) {
    std::string path =
        avoidOwnOutputs(folder + MakeOutputName(FileNameOf(FileN), output.width, output.height, folder));
    if (!PatternHasCounter(settings.OutputFilenamePattern) || !FileExists(path) || attempt == kNameRetries)
      return path;
  }
}

std::int32_t CWorker::save(cJpeg& encoder, const std::string& path, bool /*replacing*/) {
  try {
    return encoder.SaveFile(path);
  } catch (const std::exception& failure) {
    throw JobFailure("cannot write " + path + " (" + failure.what() + ")");
  }
}

void CWorker::releasePictures() {
  if (srcPic_) engine::cpic_destroy(srcPic_);
  if (dstPic_) engine::cpic_destroy(dstPic_);
  srcPic_ = dstPic_ = 0;
}

void CWorker::endJob(Outcome outcome, const std::string& outputPath, const std::string& reason) {
  releasePictures();
  report_ = std::make_unique<Report>(Report{FileN, outcome, outputPath, reason, "", ""});
  if (outcome != Outcome::Failed) report_->warning = loadWarning_, report_->note = note_;
  jobDone_ = true;
}

bool CWorker::takeReport(Report& report) {
  if (!report_) return false;
  report = std::move(*report_);
  report_.reset();
  return true;
}

}  // namespace lumivex
