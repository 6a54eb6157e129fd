// The choice of reader: the path's last four characters, lower-cased (six for ".avifs"), and
// nothing else. File contents are never sniffed, so a JPEG named .bmp goes to the BMP reader and
// is refused there.
// What the reader said about the file, its cause and its text, is kept for the calling thread
// until its next load.
#include <cctype>
#include <cstring>
#include <string>

#include "picture/picture.h"
#include "readers/readers.h"

namespace corvale {

namespace {

// Each worker thread loads its own photos, so each keeps its own outcome.
thread_local LoadOutcome lastOutcome;

const LoadOutcome kUnknownExtension{LoadCause::kNotAnImage, "has no picture extension this engine reads"};

LoadOutcome readByExtension(const char* path, Picture& picture, gdi::HDC referenceDc) {
  std::size_t length = path ? std::strlen(path) : 0;
  if (length == 0) return {LoadCause::kNoName, "has no name"};
  if (length < 4) return kUnknownExtension;
  std::string tail(path + length - 4);
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (tail == ".jpg" || tail == "jpeg") return readJpegFile(path, referenceDc, picture);
  if (tail == ".bmp") return readBmpFile(path, referenceDc, picture);
  if (tail == ".gif") return readGifFile(path, referenceDc, picture);
  if (tail == ".wdp" || tail == ".hdp" || tail == ".jxr") return readHdPhotoFile(path, referenceDc, picture);
  if (tail == ".png") return readPngFile(path, referenceDc, picture);
  if (tail == "webp") return readWebpFile(path, referenceDc, picture);
  if (tail == ".tif" || tail == "tiff") return readTiffFile(path, referenceDc, picture);
  if (tail == "heic" || tail == "heif" || tail == "avif") return readHeifFile(path, referenceDc, picture);
  // An AVIF image sequence, of which the first image is read: the one name of six characters.
  std::string sixTail = length >= 6 ? std::string(path + length - 6) : std::string();
  for (char& c : sixTail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (sixTail == ".avifs") return readHeifFile(path, referenceDc, picture);
  return kUnknownExtension;
}

}  // namespace

void loadPictureFile(const char* path, Picture& picture, gdi::HDC referenceDc) {
  releasePicture(picture);
  lastOutcome = readByExtension(path, picture, referenceDc);
  // A reader that gave up without saying why still leaves a reason behind; a picture given is
  // never counted as a failure.
  if (picture.empty() && (lastOutcome.clean() || lastOutcome.warned()))
    lastOutcome = {LoadCause::kDecoderFailure,
                   lastOutcome.reason.empty() ? "cannot be decoded" : lastOutcome.reason};
  if (!picture.empty() && !lastOutcome.clean() && !lastOutcome.warned())
    lastOutcome.cause = LoadCause::kWarnings;
}

const char* lastLoadMessage() { return lastOutcome.reason.c_str(); }

LoadCause lastLoadCause() { return lastOutcome.cause; }

}  // namespace corvale
