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
#include "platform/gdi.h"

namespace lumivex {

namespace {

constexpr int kOrientationTag = 274;
constexpr std::int32_t kRotateByExif = 1;
constexpr std::int32_t kRotateToLandscape = 2;
constexpr std::int32_t kAskBeforeOverwriting = 0;
constexpr std::int32_t kAlwaysOverwrite = 2;
constexpr std::int32_t kQuarterTurnClockwise = 6;

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

// The engine only says that a file gave no picture; the file system can often say why.
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
  if (engine::cpic_getWidth(srcPic_) <= 0 || engine::cpic_getHeight(srcPic_) <= 0 || !holdsPixels(srcPic_))
    throw JobFailure(whyUnreadable(FileN));
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

  std::optional<std::string> folder = DestinationFolderFor(FileN, baseDir, target_);
  if (!folder)
    throw JobFailure("no destination: the destination mode " + std::to_string(settings.DestinationMode) +
                     " is none of same folder (0), subfolder (1) or fixed folder (2)");
  CreateDestinationFolder(*folder);
  PictureSize output = sizeOf(dstPic_);
  std::string path = *folder + MakeOutputName(FileNameOf(FileN), output.width, output.height, *folder);

  cJpeg encoder;
  if (!exifLoadedAtStart_) exifFound_ = exif().LoadFromJPEG(FileN);
  if (exifFound_ && settings.CopyExif) encoder.setExif(exif().getAPP1());

  bool replacing = FileExists(path) && applyOverwritePolicy(path);
  if (FileExists(path) && !replacing) return endJob(Outcome::KeptExisting, path, "");
  encodeAndWrite(path, replacing, encoder);
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
  std::int32_t status = 0;
  try {
    status = encoder.SaveFile(path);
  } catch (const std::exception& failure) {
    throw JobFailure("cannot write " + path + " (" + failure.what() + ")");
  }
  if (status == 0) return endJob(Outcome::Written, path, "");
  if (status == 2 && !replacing) return endJob(Outcome::KeptExisting, path, "");
  throw JobFailure(status == 2 ? "the existing file " + path + " could not be replaced"
                               : "no output file name");
}

void CWorker::releasePictures() {
  if (srcPic_) engine::cpic_destroy(srcPic_);
  if (dstPic_) engine::cpic_destroy(dstPic_);
  srcPic_ = dstPic_ = 0;
}

void CWorker::endJob(Outcome outcome, const std::string& outputPath, const std::string& reason) {
  releasePictures();
  report_ = std::make_unique<Report>(Report{FileN, outcome, outputPath, reason});
  jobDone_ = true;
}

bool CWorker::takeReport(Report& report) {
  if (!report_) return false;
  report = std::move(*report_);
  report_.reset();
  return true;
}

}  // namespace lumivex
