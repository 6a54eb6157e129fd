// The part of a photo's job that needs neither the user nor any shared state: load, turn upright,
// crop, resample and encode. It runs on a thread of the job's own, so that as many photos are
// decoded and encoded at once as there are workers. Everything it needs arrives in a PhotoOrder
// made on the batch's thread (settings included: a change in the options dialog during a run
// reaches the next photo, never one half done), and everything it made leaves in a PhotoWork.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "batch/photo_job_geometry.h"
#include "formats/format_table.h"
#include "picture/load_cause.h"
#include "settings/target_size.h"

namespace lumivex {

struct PhotoOrder {
  std::string source;
  std::int32_t slot = 0;  // the engine job slot of the worker
  std::int32_t dstWidth = 0;
  std::int32_t dstHeight = 0;
  float dstPrcnt = 0.0f;
  // Further sizes after the first (dstWidth, dstHeight, dstPrcnt): the photo is loaded and turned
  // once, then cropped, resampled and encoded once for each size (a copy that keeps transparency is
  // loaded once for each size instead).
  std::vector<TargetSize> moreSizes;
  std::int32_t turnCode = 0;   // an Exif orientation to turn by (2 to 8); 0 for none
  bool turnPortraits = false;  // a portrait turns a quarter clockwise (the landscape rotation mode)
  bool autoCrop = false;
  bool shrinkOnly = false;  // a photo already within the target keeps its size
  std::int32_t resizeQuality = 0;
  std::int32_t threads = 1;  // threads the resampling may use: more when the batch leaves workers idle
  std::int32_t jpegQuality = 75;
  std::vector<std::uint8_t> exif;          // the source's APP1 payload for the output; empty for none
  bool stripLocation = false;              // the copied Exif block and XMP packet lose the location
  std::vector<std::uint8_t> xmp;           // the source's XMP packet (no identifier); empty for none
  std::vector<std::uint8_t> xmpExtension;  // its extended packet, whole; empty for none
  std::string xmpExtensionGuid;            // the GUID the packet names the extension by
  bool turnedByReader = false;             // the engine's reader turns this container's pixels upright
  // The container of the source's metadata, as its content says; None when it was not read.
  corvale::MetadataContainer container = corvale::MetadataContainer::None;
  std::vector<std::uint8_t> icc;  // the source's colour profile; empty for none
  bool convertToSrgb = false;     // convert the pixels from `icc` to sRGB instead of carrying it
  // A CMYK or YCCK JPEG with a CMYK profile: the engine gives its inks, which the profile turns
  // into sRGB (the only way its colours come out right in an RGB file).
  bool loadInks = false;
  // The largest file each output may be (metadata included), 0 for no limit: the JPEG quality
  // comes down from jpegQuality, to 10 at the lowest, until the file fits.
  std::int64_t maxFileBytes = 0;
  // The writer of the copies; quality is jpegQuality on that library's own scale. JPEG is our own
  // encoder; every other format goes through the writer the table names.
  corvale::Writer writer = corvale::Writer::Jpeg;
  bool lossless = false;  // for the writers that have a lossless mode

  // Every size of the order, the first one first.
  std::vector<TargetSize> sizes() const;
};

// One resized copy of the photo.
struct PhotoOutput {
  PictureSize target;              // the size asked for, which folder names may hold
  PictureSize output;              // the size of the resized picture
  std::vector<std::uint8_t> jpeg;  // the complete output file (in the order's format)
  std::int32_t quality = 0;        // the quality it was encoded with
  bool overLimit = false;          // above maxFileBytes even at the lowest quality (written anyway)
};

struct PhotoWork {
  std::string failure;  // why the photo could not be done; empty when it was
  corvale::LoadCause failureCause = corvale::LoadCause::kNone;  // why its load failed; kNone otherwise
  std::string loadWarning;           // what the decoder complained of in a file it could still read
  std::string profileNote;           // why the colour profile could not be applied, when it could not
  std::vector<PhotoOutput> outputs;  // one per size of the order, in its order; none after a failure
  std::int64_t maxFileBytes = 0;     // the size limit the outputs were made under; 0 for none
  corvale::Writer writer = corvale::Writer::Jpeg;  // the format of the outputs
};

// Does the work of one photo. Never throws: every failure ends up in PhotoWork::failure.
PhotoWork DoPhotoWork(const PhotoOrder& order);

}  // namespace lumivex
