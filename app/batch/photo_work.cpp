// A photo from its file to the bytes of its JPEG, on the job's own thread: the engine's readers,
// turns and resampling through its binding, then our encoder. Pictures are owned here from load
// to encode and released on every path.
#include "batch/photo_work.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <thread>
#include <utility>

#include "batch/engine_binding.h"
#include "encoder/cjpeg.h"
#include "encoder/writers/output_picture.h"
#include "encoder/writers/writer_registry.h"
#include "metadata/colour_profile.h"
#include "metadata/exif_rewrite.h"
#include "metadata/xmp_packet.h"
#include "metadata/xmp_rewrite.h"
#include "platform/gdi.h"
#include "readers/regular_file.h"

namespace lumivex {

namespace {

constexpr std::int32_t kQuarterTurnClockwise = 6;
constexpr const char* kXmpTooLarge = "XMP packet too large for a JPEG file, left out";
// The largest side a baseline JPEG decoder accepts; the file format itself would allow 65535.
constexpr std::int32_t kLargestJpegSide = 65500;

// A failure that ends the job for this photo; its text is the reason shown to the user.
class JobFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

void requireJpegSides(PictureSize size) {
  if (size.width > kLargestJpegSide || size.height > kLargestJpegSide)
    throw JobFailure("the resized picture (" + std::to_string(size.width) + " x " +
                     std::to_string(size.height) + " pixels) would be larger than a JPEG file can hold (" +
                     std::to_string(kLargestJpegSide) + " pixels a side)");
}

gdi::HDC dcOf(std::intptr_t picture) { return reinterpret_cast<gdi::HDC>(engine::cpic_getHDC(picture)); }

PictureSize sizeOf(std::intptr_t picture) {
  return {engine::cpic_getWidth(picture), engine::cpic_getHeight(picture)};
}

// A picture the engine could not allocate keeps its size but has no pixels behind it, and one
// whose resampling failed on its thread is left empty.
bool holdsPixels(std::intptr_t picture) {
  gdi::HDC dc = picture ? dcOf(picture) : nullptr;
  gdi::DIBSECTION section;
  PictureSize size = sizeOf(picture);
  return dc && size.width > 0 && size.height > 0 && gdi::GetDibSection(gdi::GetCurrentBitmap(dc), &section) &&
         section.bits != nullptr;
}

// An engine without the load message only says that a file gave no picture; the file system can
// often say why.
std::string whyUnreadable(const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return "is a folder, not an image";
  corvale::RegularFile file = corvale::openRegularFile(path.c_str());
  if (file.fd < 0 && file.error != 0)
    return std::string("cannot be opened (") + std::strerror(file.error) + ")";
  if (file.fd >= 0) ::close(file.fd);
  return "cannot be read as an image (damaged, or not the format its extension says)";
}

// What the engine's load came to. An engine without the cause export says only whether it gave a
// picture; a picture the engine could not even allocate is one too large for memory.
corvale::LoadCause causeOfLoad(std::int32_t number, bool loaded, const std::string& message) {
  using corvale::LoadCause;
  if (number < 0)
    return loaded ? (message.empty() ? LoadCause::kNone : LoadCause::kWarnings) : LoadCause::kDecoderFailure;
  LoadCause cause = corvale::loadCauseOf(number);
  bool refused = cause != LoadCause::kNone && cause != LoadCause::kWarnings;
  if (!loaded && !refused) return LoadCause::kTooLargeForMemory;
  return loaded && refused ? LoadCause::kWarnings : cause;
}

// What the engine said of the load just made, decided by its cause: a warning is kept for the
// report, a failure ends the job with the engine's reason and its cause.
void acceptLoad(PhotoWork& work, bool loaded, const std::string& source) {
  std::string message = engine::cpic_lastLoadMessage();
  corvale::LoadCause cause = causeOfLoad(engine::cpic_lastLoadCause(), loaded, message);
  if (cause == corvale::LoadCause::kWarnings) work.loadWarning = message;
  if (cause == corvale::LoadCause::kNone || cause == corvale::LoadCause::kWarnings) return;
  work.failureCause = cause;
  throw JobFailure(message.empty() ? whyUnreadable(source) : message);
}

// The engine's slot can only be polled. A small photo resamples in a fraction of a millisecond,
// so the first polls come quickly and the pause grows towards half a millisecond for large ones:
// a fixed long pause would cost small photos more than their work.
void waitForResample(std::int32_t slot) {
  constexpr auto kFirstPause = std::chrono::microseconds(20);
  constexpr auto kLongestPause = std::chrono::microseconds(500);
  auto pause = kFirstPause;
  while (engine::imgResample_isFinished(slot) != 1) {
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, kLongestPause);
  }
}

// One engine picture, destroyed with its owner.
class OwnedPicture {
 public:
  OwnedPicture() = default;
  explicit OwnedPicture(std::intptr_t handle) : handle_(handle) {}
  ~OwnedPicture() { reset(); }
  OwnedPicture(const OwnedPicture&) = delete;
  OwnedPicture& operator=(const OwnedPicture&) = delete;
  OwnedPicture(OwnedPicture&& other) noexcept : handle_(std::exchange(other.handle_, 0)) {}
  OwnedPicture& operator=(OwnedPicture&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, 0));
    return *this;
  }
  std::intptr_t get() const { return handle_; }
  void reset(std::intptr_t handle = 0) {
    if (handle_) engine::cpic_destroy(handle_);
    handle_ = handle;
  }

 private:
  std::intptr_t handle_ = 0;
};

class PhotoWorker {
 public:
  explicit PhotoWorker(const PhotoOrder& order) : order_(order) {}
  void run(PhotoWork& work);

 private:
  bool loadsAtOutputSize() const;
  bool profileConvertsPixels() const;
  void runAtOutputSize(PhotoWork& work);
  bool keepsTransparencyPerSize() const;
  bool madeTransparentSizes(PhotoWork& work);
  bool resizedHasTransparency() const;
  void giveUpTransparency(PhotoWork& work);
  void loadPlanned(PhotoWork& work, std::size_t sizeIndex, PhotoOutput& output);
  static std::int32_t planLoad(void* context, std::int32_t storedWidth, std::int32_t storedHeight,
                               cpic_LoadPlan* plan);
  void plan(PictureSize stored, std::size_t sizeIndex, PhotoOutput& output, cpic_LoadPlan& plan);
  std::int32_t turnCodeFor(PictureSize stored) const;
  void load(PhotoWork& work);
  void turnUpright(std::int32_t code);
  void applyProfile(PhotoWork& work, std::intptr_t picture);
  bool convertToSrgb(PhotoWork& work, std::intptr_t picture, const char* whenNot);
  static std::span<std::uint8_t> pixelsOf(std::intptr_t picture);
  PhotoOutput makeOutput(PhotoWork& work, PictureSize target, bool lastSize);
  void keepSizeWithinTarget(PhotoOutput& output) const;
  OwnedPicture cropToTarget(PictureSize target, bool lastSize);
  void resample(std::intptr_t from, PhotoOutput& output, bool lastSize);
  std::vector<std::uint8_t> truthfulExif(const PhotoOutput& output) const;
  std::string truthfulXmp(const PhotoOutput& output, bool dropExtension) const;
  bool dropsXmpExtension() const;
  void setTruthfulXmp(cJpeg& encoder, PhotoWork& work, const PhotoOutput& output) const;
  void encode(PhotoWork& work, PhotoOutput& output);
  void encodeWith(WriterFunction write, PhotoOutput& output);
  void replaceSource(std::intptr_t picture, const char* what);
  std::intptr_t createPicture(PictureSize size, const char* what);

  const PhotoOrder& order_;
  OwnedPicture source_;
  OwnedPicture resized_;
  bool turned_ = false;
  bool convertedToSrgb_ = false;
  bool embedProfile_ = false;  // the profile describes the output's colours and goes into it
  // The resized picture's fourth bytes are its opacity, its colours premultiplied.
  bool alphaKept_ = false;
};

void PhotoWorker::run(PhotoWork& work) {
  if (loadsAtOutputSize()) return runAtOutputSize(work);
  if (keepsTransparencyPerSize() && madeTransparentSizes(work)) return;
  load(work);
  // Every size is taken from the photo as it will stand once turned, so that a portrait stored
  // sideways keeps its resolution.
  const PictureSize stored = sizeOf(source_.get());
  const std::int32_t code = turnCodeFor(stored);
  const PictureSize upright = UprightSize(stored, code);
  if (!order_.icc.empty()) applyProfile(work, source_.get());
  turnUpright(code);
  const std::vector<TargetSize> sizes = order_.sizes();
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    const TargetSize& size = sizes[i];
    PictureSize target = TargetFor(upright, size.dstWidth, size.dstHeight, size.dstPrcnt);
    work.outputs.push_back(makeOutput(work, target, i + 1 == sizes.size()));
  }
}

// One size from the upright picture. The last size may use that picture up (a crop takes its
// place, and it is released once resampled); every earlier one leaves it as it was.
PhotoOutput PhotoWorker::makeOutput(PhotoWork& work, PictureSize target, bool lastSize) {
  PhotoOutput output;
  output.target = target;
  if (order_.shrinkOnly) keepSizeWithinTarget(output);
  OwnedPicture cropped;
  if (order_.autoCrop) cropped = cropToTarget(output.target, lastSize);
  resample(cropped.get() ? cropped.get() : source_.get(), output, lastSize);
  cropped.reset();
  encode(work, output);
  return output;
}

// One size, and no colour conversion of the whole picture: the engine loads the photo straight at
// its output size (a JPEG that the box stage reduces is never held at full size), with the same
// pixels as the load, turn, crop and resampling one after the other.
bool PhotoWorker::loadsAtOutputSize() const {
  return order_.moreSizes.empty() && !profileConvertsPixels() && engine::hasLoadResampled();
}

// The photo's pixels go through its profile: an RGB one on request, a grey one always, a CMYK
// JPEG's inks always (applyProfile).
bool PhotoWorker::profileConvertsPixels() const {
  if (order_.icc.empty()) return false;
  switch (ProfileSpaceOf(order_.icc)) {
    case ProfileSpace::Rgb:
      return order_.convertToSrgb;
    case ProfileSpace::Grey:
      return true;
    case ProfileSpace::Cmyk:
      return order_.loadInks;
    case ProfileSpace::Other:
      return false;
  }
  return false;
}

// What the planner (called inside the load) needs, and what it leaves behind.
struct LoadPlanning {
  PhotoWorker* worker;
  std::size_t sizeIndex;  // which of the order's sizes the load is planned for
  PhotoOutput* output;
  std::string failure;  // why the plan was refused
};

void PhotoWorker::runAtOutputSize(PhotoWork& work) {
  PhotoOutput output;
  // Only a writer that holds transparency is given it; for JPEG the load flattens it over white.
  alphaKept_ = corvale::writerHoldsAlpha(order_.writer) && engine::hasLoadKeepingAlpha();
  loadPlanned(work, 0, output);
  if (!order_.icc.empty()) applyProfile(work, resized_.get());  // only says whether the profile goes in
  encode(work, output);
  work.outputs.push_back(std::move(output));
}

// The whole picture's resampling never writes a fourth byte, so a copy that is to keep its
// transparency at several sizes, or through its profile, is loaded once for each size by the
// load that keeps it. A JPEG (or CMYK JPEG's inks) has none to keep; a source whose container is
// unknown is tried.
bool PhotoWorker::keepsTransparencyPerSize() const {
  return corvale::writerHoldsAlpha(order_.writer) && engine::hasLoadKeepingAlpha() && !order_.loadInks &&
         order_.container != corvale::MetadataContainer::Jpeg;
}

// Every size through its own planned load, its profile applied to the resized picture. False
// when the first size shows no transparency: the whole-picture way then makes the photo, so that
// an opaque picture keeps the bytes it always had.
bool PhotoWorker::madeTransparentSizes(PhotoWork& work) {
  alphaKept_ = true;
  const std::size_t count = order_.sizes().size();
  for (std::size_t i = 0; i < count; ++i) {
    PhotoOutput output;
    loadPlanned(work, i, output);
    if (i == 0 && !resizedHasTransparency()) {
      giveUpTransparency(work);
      return false;
    }
    if (!order_.icc.empty()) applyProfile(work, resized_.get());
    encode(work, output);
    work.outputs.push_back(std::move(output));
  }
  return true;
}

bool PhotoWorker::resizedHasTransparency() const {
  gdi::DIBSECTION section;
  return gdi::GetDibSection(gdi::GetCurrentBitmap(dcOf(resized_.get())), &section) && section.bits &&
         HasTransparency(section);
}

// Leaves nothing of the first load behind for the whole-picture way, whose load says again what
// it has to say.
void PhotoWorker::giveUpTransparency(PhotoWork& work) {
  resized_.reset();
  alphaKept_ = false;
  turned_ = false;
  work.loadWarning.clear();
}

// The engine loads the photo straight at the size `sizeIndex` of the order asks for, keeping its
// opacity when alphaKept_.
void PhotoWorker::loadPlanned(PhotoWork& work, std::size_t sizeIndex, PhotoOutput& output) {
  LoadPlanning planning{this, sizeIndex, &output, {}};
  resized_.reset(
      alphaKept_
          ? engine::cpic_loadResampledKeepingAlpha(order_.source.c_str(), &PhotoWorker::planLoad, &planning)
          : engine::cpic_loadResampled(order_.source.c_str(), &PhotoWorker::planLoad, &planning));
  if (!planning.failure.empty()) throw JobFailure(planning.failure);
  acceptLoad(work, holdsPixels(resized_.get()), order_.source);
}

// Called by the engine once the stored size is known; nothing may be thrown back through it.
std::int32_t PhotoWorker::planLoad(void* context, std::int32_t storedWidth, std::int32_t storedHeight,
                                   cpic_LoadPlan* plan) {
  auto& planning = *static_cast<LoadPlanning*>(context);
  try {
    planning.worker->plan({storedWidth, storedHeight}, planning.sizeIndex, *planning.output, *plan);
    return 1;
  } catch (const std::exception& failure) {
    planning.failure = failure.what();
    return 0;
  }
}

// The steps of the whole-picture way, worked out on sizes alone: the turn, the target from the
// photo as it will stand upright, the size limit within the target, the crop band and the fit.
void PhotoWorker::plan(PictureSize stored, std::size_t sizeIndex, PhotoOutput& output, cpic_LoadPlan& plan) {
  const TargetSize size = order_.sizes().at(sizeIndex);
  const std::int32_t code = turnCodeFor(stored);
  turned_ = code != 0;
  const PictureSize upright = UprightSize(stored, code);
  output.target = TargetFor(upright, size.dstWidth, size.dstHeight, size.dstPrcnt);
  if (order_.shrinkOnly && upright.width <= output.target.width && upright.height <= output.target.height)
    output.target = upright;
  std::optional<CropBand> band = order_.autoCrop ? CropBandFor(upright, output.target) : std::nullopt;
  output.output = FitInto(band ? band->size : upright, output.target);
  if (order_.writer == corvale::Writer::Jpeg) requireJpegSides(output.output);
  plan.orientationCode = code;
  if (band) plan.cropLeft = band->left, plan.cropTop = band->top;
  if (band) plan.cropWidth = band->size.width, plan.cropHeight = band->size.height;
  plan.width = output.output.width;
  plan.height = output.output.height;
  plan.mode = order_.resizeQuality;
  plan.threads = order_.threads;
}

// The Exif orientation the photo is turned by; the landscape mode turns portraits a quarter.
std::int32_t PhotoWorker::turnCodeFor(PictureSize stored) const {
  if (order_.turnPortraits) return stored.height > stored.width ? kQuarterTurnClockwise : 0;
  return order_.turnCode;
}

void PhotoWorker::load(PhotoWork& work) {
  // Paths are UTF-8 on both sides of the engine, so the name crosses unchanged.
  source_.reset(order_.loadInks ? engine::cpic_loadInks(order_.source.c_str())
                                : engine::cpic_load(order_.source.c_str()));
  acceptLoad(work, holdsPixels(source_.get()), order_.source);
}

void PhotoWorker::turnUpright(std::int32_t code) {
  if (code == 0) return;
  replaceSource(engine::cpic_rotate90(source_.get(), code), "turned");
  turned_ = true;
}

// A profile goes into the output only when it describes the output's colours, RGB. An RGB profile
// travels with the photo, or gives way to sRGB on request (the colours every viewer assumes
// without one); one that cannot be used then travels instead, so nothing is lost. A grey or CMYK
// profile cannot describe an RGB file: the pixels are turned into sRGB through it (a CMYK JPEG's
// inks, which only its profile gives their true colours), or it is left out.
void PhotoWorker::applyProfile(PhotoWork& work, std::intptr_t picture) {
  switch (ProfileSpaceOf(order_.icc)) {
    case ProfileSpace::Rgb:
      embedProfile_ = !order_.convertToSrgb ||
                      !convertToSrgb(work, picture, "colour profile kept, not converted to sRGB: ");
      return;
    case ProfileSpace::Cmyk:
      if (!order_.loadInks) break;
      if (!convertToSrgb(work, picture, "colour profile left out, colours converted without it: "))
        InksToRgbWithoutProfile(pixelsOf(picture), sizeOf(picture).width, sizeOf(picture).height);
      return;
    case ProfileSpace::Grey:
      convertToSrgb(work, picture, "colour profile left out: ");
      return;
    case ProfileSpace::Other:
      break;
  }
  work.profileNote = "colour profile left out: it does not describe the colours of an RGB file";
}

std::span<std::uint8_t> PhotoWorker::pixelsOf(std::intptr_t picture) {
  gdi::DIBSECTION section;
  gdi::HDC dc = dcOf(picture);
  if (!gdi::GetDibSection(gdi::GetCurrentBitmap(dc), &section) || !section.bits) return {};
  PictureSize size = sizeOf(picture);
  return {static_cast<std::uint8_t*>(section.bits),
          static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height) * 4};
}

// True when the pixels are now sRGB; otherwise the note says why not. A picture that keeps its
// opacity is converted as the straight colours its premultiplied ones stand for.
bool PhotoWorker::convertToSrgb(PhotoWork& work, std::intptr_t picture, const char* whenNot) {
  PictureSize size = sizeOf(picture);
  std::string reason;
  convertedToSrgb_ =
      alphaKept_ ? ConvertPremultipliedToSrgb(order_.icc, pixelsOf(picture), size.width, size.height, reason)
                 : ConvertPixelsToSrgb(order_.icc, pixelsOf(picture), size.width, size.height, reason);
  if (!convertedToSrgb_) work.profileNote = whenNot + reason;
  return convertedToSrgb_;
}

// A photo (upright) that already fits the target box is not blown up: the target becomes its own
// size, so neither the crop nor the resampling changes it.
void PhotoWorker::keepSizeWithinTarget(PhotoOutput& output) const {
  PictureSize size = sizeOf(source_.get());
  if (size.width <= output.target.width && size.height <= output.target.height) output.target = size;
}

// The band of the upright picture with the target's aspect ratio; none when it has that ratio.
// For the last size the band takes the upright picture's place; otherwise the band is returned.
OwnedPicture PhotoWorker::cropToTarget(PictureSize target, bool lastSize) {
  PictureSize size = sizeOf(source_.get());
  std::optional<CropBand> band = CropBandFor(size, target);
  if (!band) return {};
  std::intptr_t cropped = createPicture(band->size, "cropped picture");
  gdi::BitBlt(dcOf(cropped), 0, 0, band->size.width, band->size.height, dcOf(source_.get()), band->left,
              band->top, gdi::SRCCOPY);
  if (!lastSize) return OwnedPicture(cropped);
  replaceSource(cropped, "cropped");
  return {};
}

// The engine's job slot of this worker does the resampling, exactly as it always did; this
// thread waits for it.
void PhotoWorker::resample(std::intptr_t from, PhotoOutput& output, bool lastSize) {
  output.output = FitInto(sizeOf(from), output.target);
  if (order_.writer == corvale::Writer::Jpeg) requireJpegSides(output.output);
  resized_.reset(createPicture(output.output, "resized picture"));
  if (engine::imgResample_Threaded(order_.slot, from, resized_.get(), order_.resizeQuality) == 0)
    throw JobFailure("the resampling thread could not be started");
  waitForResample(order_.slot);
  if (lastSize) source_.reset();
  // A resampling that failed on its thread (no memory for its intermediate picture) leaves the
  // destination empty rather than black.
  if (!holdsPixels(resized_.get()))
    throw JobFailure("the resampling could not be completed (not enough memory)");
}

void PhotoWorker::encode(PhotoWork& work, PhotoOutput& output) {
  if (WriterFunction write = WriterFunctionFor(order_.writer)) return encodeWith(write, output);
  cJpeg encoder;
  encoder.setQuality(order_.jpegQuality);
  if (!order_.exif.empty()) encoder.setExif(truthfulExif(output));
  if (!order_.xmp.empty()) setTruthfulXmp(encoder, work, output);
  if (embedProfile_ && !encoder.setIccProfile(order_.icc))
    work.profileNote = "colour profile too large for a JPEG file, left out";
  gdi::HDC dc = dcOf(resized_.get());
  PictureSize size = output.output;
  if (order_.maxFileBytes > 0) {
    QualityFit fit;
    if (encoder.SampleHDCWithin(dc, size.width, size.height, 0, 0, order_.maxFileBytes, fit) != 0)
      throw JobFailure("not enough memory to encode the resized picture");
    output.jpeg = std::move(fit.file);
    output.overLimit = !fit.fits;
  } else {
    if (encoder.SampleHDC(dc, size.width, size.height, 0, 0) != 0)
      throw JobFailure("not enough memory to encode the resized picture");
    resized_.reset();
    output.jpeg = encoder.FileBytes();
  }
  resized_.reset();
  output.quality = encoder.quality();
}

// Every format but JPEG: the library's writer, with the metadata in that container's own places.
// PNG and TIFF have no quality to lower, so a size limit only tells whether the file is above it.
void PhotoWorker::encodeWith(WriterFunction write, PhotoOutput& output) {
  gdi::DIBSECTION section;
  if (!gdi::GetDibSection(gdi::GetCurrentBitmap(dcOf(resized_.get())), &section) || !section.bits)
    throw JobFailure("the resized picture has no pixels");
  OutputPicture picture = PictureOfBitmap(section, alphaKept_);
  resized_.reset();
  OutputMetadata metadata;
  if (!order_.exif.empty()) metadata.exif = BareExif(truthfulExif(output));
  // Other containers hold one packet of any size: the extended part is not carried, and the
  // packet's announcement of it goes.
  if (!order_.xmp.empty()) {
    std::string packet = truthfulXmp(output, /*dropExtension=*/true);
    metadata.xmp.assign(packet.begin(), packet.end());
  }
  if (embedProfile_) metadata.icc = order_.icc;
  WriterSettings settings{order_.jpegQuality, order_.lossless};
  if (order_.maxFileBytes > 0 && WriterHasQuality(order_.writer)) {
    WriterFit fit = WriteWithin(write, picture, metadata, settings, order_.maxFileBytes);
    output.jpeg = std::move(fit.file);
    output.quality = fit.quality;
    output.overLimit = !fit.fits;
    return;
  }
  output.jpeg = write(picture, metadata, settings);
  output.quality = settings.quality;
  output.overLimit = order_.maxFileBytes > 0 && std::int64_t(output.jpeg.size()) > order_.maxFileBytes;
}

// The source's block, made to describe the output: its size, its orientation once turned, no
// thumbnail of the original, and no location when asked.
std::vector<std::uint8_t> PhotoWorker::truthfulExif(const PhotoOutput& output) const {
  return RewriteExif(order_.exif, {output.output.width, output.output.height, turned_, order_.stripLocation,
                                   convertedToSrgb_});
}

// The XMP packet made to agree with the output as its Exif block does; empty when there is none
// to carry. A JPEG copy carries the extended packet unchanged beside it (its GUID is its
// digest), unless it holds a location that is to go; without it the main packet's announcement
// of it goes too.
std::string PhotoWorker::truthfulXmp(const PhotoOutput& output, bool dropExtension) const {
  XmpRewrite facts{output.output.width,  output.output.height, turned_ || order_.turnedByReader,
                   order_.stripLocation, convertedToSrgb_,     dropExtension};
  return RewriteXmp(std::string(order_.xmp.begin(), order_.xmp.end()), facts);
}

bool PhotoWorker::dropsXmpExtension() const {
  std::string extension(order_.xmpExtension.begin(), order_.xmpExtension.end());
  return extension.empty() || (order_.stripLocation && XmpExtensionHoldsLocation(extension));
}

void PhotoWorker::setTruthfulXmp(cJpeg& encoder, PhotoWork& work, const PhotoOutput& output) const {
  const bool dropExtension = dropsXmpExtension();
  std::string packet = truthfulXmp(output, dropExtension);
  if (packet.empty()) return;
  if (packet.size() > kMaxXmpPacket) {
    if (work.profileNote.find(kXmpTooLarge) == std::string::npos)
      work.profileNote += (work.profileNote.empty() ? "" : "; ") + std::string(kXmpTooLarge);
    return;
  }
  std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(packet.data()), packet.size());
  encoder.setXmp(XmpApp1Payload(bytes),
                 dropExtension ? std::vector<std::vector<std::uint8_t>>{}
                               : XmpExtensionPayloads(order_.xmpExtensionGuid, order_.xmpExtension));
}

// Takes the place of the source picture; a new picture without pixels ends the job.
void PhotoWorker::replaceSource(std::intptr_t picture, const char* what) {
  if (!holdsPixels(picture)) {
    engine::cpic_destroy(picture);
    throw JobFailure(std::string("not enough memory for the ") + what + " picture");
  }
  source_.reset(picture);
}

std::intptr_t PhotoWorker::createPicture(PictureSize size, const char* what) {
  std::intptr_t picture = engine::cpic_create(size.width, size.height);
  if (holdsPixels(picture)) return picture;
  engine::cpic_destroy(picture);
  throw JobFailure("not enough memory for the " + std::string(what) + " (" + std::to_string(size.width) +
                   " x " + std::to_string(size.height) + " pixels)");
}

}  // namespace

std::vector<TargetSize> PhotoOrder::sizes() const {
  std::vector<TargetSize> all{{dstWidth, dstHeight, dstPrcnt}};
  all.insert(all.end(), moreSizes.begin(), moreSizes.end());
  return all;
}

PhotoWork DoPhotoWork(const PhotoOrder& order) {
  PhotoWork work;
  work.maxFileBytes = order.maxFileBytes;
  work.writer = order.writer;
  try {
    PhotoWorker(order).run(work);
  } catch (const std::bad_alloc&) {
    work.failure = "not enough memory";
  } catch (const std::exception& failure) {
    work.failure = failure.what();
  }
  if (!work.failure.empty()) work.outputs.clear();
  return work;
}

}  // namespace lumivex
