// The encoder object: settings, and the order of the stages.
#include "encoder/cjpeg.h"

#include <algorithm>

#include "encoder/comment_text.h"
#include "encoder/jpeg_file_writer.h"
#include "encoder/jpeg_segments.h"
#include "files/new_file.h"

namespace lumivex {

namespace {

constexpr std::int32_t kDefaultQuality = 75;
constexpr std::size_t kMaxCommentCharacters = 65533;

enum SaveStatus : std::int32_t { kWritten = 0, kEmptyName = 1, kNameExists = 2 };

}  // namespace

cJpeg::cJpeg() {
  SetSamplingFrequencies(2, 2, 1, 1, 1, 1);
  setQuality(kDefaultQuality);
  ExifBytes.assign(1, 0);  // one byte: no Exif data
}

void cJpeg::setQuality(std::int32_t vData) {
  if (vData < 1 || vData > 100) return;
  QualityValue = vData;
  QuantTables = TablesForQuality(vData);
}

std::int32_t cJpeg::quality() const { return QualityValue; }

void cJpeg::SetSamplingFrequencies(std::int32_t h1, std::int32_t v1, std::int32_t h2, std::int32_t v2,
                                   std::int32_t h3, std::int32_t v3) {
  Setup = lumivex::SetSamplingFrequencies(h1, v1, h2, v2, h3, v3);
}

std::int32_t cJpeg::SampleHDC(gdi::HDC lHDC, std::int32_t lWidth, std::int32_t lHeight, std::int32_t lSrcLeft,
                              std::int32_t lSrcTop) {
  std::int32_t status = lumivex::SampleHDC(lHDC, lWidth, lHeight, lSrcLeft, lSrcTop, QuantTables, Setup);
  if (status != 0) return status;
  SamplePrecision = 8;
  ImageWidth = lWidth;
  ImageHeight = lHeight;
  SampledTables = QuantTables;
  return 0;
}

std::int32_t cJpeg::SampleHDCWithin(gdi::HDC lHDC, std::int32_t lWidth, std::int32_t lHeight,
                                    std::int32_t lSrcLeft, std::int32_t lSrcTop, std::int64_t maxFileBytes,
                                    QualityFit& fit) {
  TransformedImage image;
  if (TransformHDC(lHDC, lWidth, lHeight, lSrcLeft, lSrcTop, Setup, image) != 0) return 1;
  ComponentSetup searched = Setup;
  JpegContent frame = content();
  frame.imageWidth = lWidth;
  frame.imageHeight = lHeight;
  QualityRange range{std::min(kLowestFittingQuality, QualityValue), QualityValue};
  fit = FitQuality(image, searched, frame, range, maxFileBytes);
  Setup = std::move(searched);
  SamplePrecision = 8;
  ImageWidth = lWidth;
  ImageHeight = lHeight;
  setQuality(fit.quality);
  SampledTables = QuantTables;
  return 0;
}

void cJpeg::setComment(const std::string& value) {
  if (commentCharacters(value).size() > kMaxCommentCharacters) raiseEncoderError(kIllegalCommentLength);
  CommentText = value;
}

const std::string& cJpeg::comment() const { return CommentText; }

void cJpeg::setExif(std::vector<std::uint8_t> value) { ExifBytes = std::move(value); }

void cJpeg::setXmp(std::vector<std::uint8_t> packet, std::vector<std::vector<std::uint8_t>> extension) {
  XmpBytes = std::move(packet);
  XmpExtension = std::move(extension);
}

bool cJpeg::setIccProfile(std::vector<std::uint8_t> profile) {
  // Refused here rather than at the save: a profile that cannot be written must not cost the photo.
  bool fits = profile.size() <= kIccMaxProfileSize;
  IccProfile = fits ? std::move(profile) : std::vector<std::uint8_t>{};
  return fits;
}

std::int32_t cJpeg::SaveFile(const std::string& fileName, ExistingFile existing) {
  if (fileName.empty()) return kEmptyName;
  // Both checks come before the encoding, so that nothing is computed for a file not written.
  if (existing == ExistingFile::Keep && directoryEntryExists(fileName)) return kNameExists;
  if (existing == ExistingFile::Replace) requireReplaceable(fileName);
  return writeNewFile(fileName, FileBytes(), existing) == NewFileStatus::Written ? kWritten : kNameExists;
}

std::vector<std::uint8_t> cJpeg::FileBytes() const { return AssembleJpeg(content()); }

JpegContent cJpeg::content() const {
  JpegContent content;
  content.setup = &Setup;
  content.imageWidth = ImageWidth;
  content.imageHeight = ImageHeight;
  content.quantTables = &SampledTables;
  content.comment = commentCharacters(CommentText);
  content.exif = &ExifBytes;
  content.xmp = &XmpBytes;
  content.xmpExtension = &XmpExtension;
  content.icc = &IccProfile;
  return content;
}

}  // namespace lumivex
