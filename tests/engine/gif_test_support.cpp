#include "gif_test_support.h"

#include <gif_lib.h>

#include <algorithm>
#include <stdexcept>

#include "support/test_files.h"

namespace gif_testing {

namespace {

ColorMapObject* makeMap(const Palette& palette) {
  std::vector<GifColorType> colours;
  for (const Rgb& c : palette) colours.push_back({c.r, c.g, c.b});
  ColorMapObject* map = GifMakeMapObject(static_cast<int>(colours.size()), colours.data());
  if (!map) throw std::runtime_error("GifMakeMapObject failed");
  return map;
}

void check(int result, const char* what) {
  if (result != GIF_OK) throw std::runtime_error(std::string("giflib: ") + what);
}

// Image rows in the order they are stored: top to bottom, or by the four interlace passes.
std::vector<int> storedRowOrder(int height, bool interlaced) {
  std::vector<int> rows;
  if (!interlaced) {
    for (int y = 0; y < height; ++y) rows.push_back(y);
    return rows;
  }
  const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int y = start[pass]; y < height; y += step[pass]) rows.push_back(y);
  return rows;
}

void putGraphicControl(GifFileType* gif, const FrameSpec& frame) {
  if (!frame.transparentIndex && frame.delay == 0) return;
  GraphicsControlBlock gcb{};
  gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
  gcb.DelayTime = frame.delay;
  gcb.TransparentColor = frame.transparentIndex ? *frame.transparentIndex : NO_TRANSPARENT_COLOR;
  GifByteType extension[4];
  std::size_t length = EGifGCBToExtension(&gcb, extension);
  check(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension), "extension");
}

void putFrame(GifFileType* gif, const FrameSpec& frame) {
  putGraphicControl(gif, frame);
  ColorMapObject* local = frame.localColours ? makeMap(*frame.localColours) : nullptr;
  int result =
      EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height, frame.interlaced, local);
  if (local) GifFreeMapObject(local);
  check(result, "image descriptor");
  std::vector<GifPixelType> row(static_cast<std::size_t>(frame.width));
  for (int y : storedRowOrder(frame.height, frame.interlaced)) {
    std::copy_n(frame.indices.begin() + static_cast<std::ptrdiff_t>(y) * frame.width, frame.width,
                row.begin());
    check(EGifPutLine(gif, row.data(), frame.width), "line");
  }
}

Rgb blackTransparentColour(const Palette& palette) {
  int h = 1;
  while (h < 255 &&
         std::find(palette.begin(), palette.end(), Rgb{static_cast<std::uint8_t>(h), 0, 0}) != palette.end())
    ++h;
  return {static_cast<std::uint8_t>(h), 0, 0};
}

}  // namespace

void writeWithGiflib(const std::string& path, const GifLayout& layout) {
  int error = 0;
  GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
  if (!gif) throw std::runtime_error("EGifOpenFileName failed");
  EGifSetGifVersion(gif, true);
  ColorMapObject* global = layout.globalColours ? makeMap(*layout.globalColours) : nullptr;
  int result = EGifPutScreenDesc(gif, layout.screenWidth, layout.screenHeight, 8, 0, global);
  if (global) GifFreeMapObject(global);
  check(result, "screen descriptor");
  for (const FrameSpec& frame : layout.frames) putFrame(gif, frame);
  check(EGifCloseFile(gif, &error), "close");
}

std::optional<Expected> decodeWithGiflib(const std::string& path) {
  int error = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
  if (!gif) return std::nullopt;
  if (DGifSlurp(gif) != GIF_OK || gif->ImageCount < 1) {
    DGifCloseFile(gif, &error);
    return std::nullopt;
  }
  Expected e;
  e.width = gif->SWidth, e.height = gif->SHeight;
  for (int i = 0; i < gif->ImageCount; ++i) {
    e.width = std::max(e.width, gif->SavedImages[i].ImageDesc.Width);
    e.height = std::max(e.height, gif->SavedImages[i].ImageDesc.Height);
  }
  const SavedImage& first = gif->SavedImages[0];
  const ColorMapObject* map = first.ImageDesc.ColorMap ? first.ImageDesc.ColorMap : gif->SColorMap;
  Palette palette;
  for (int i = 0; map && i < map->ColorCount; ++i)
    palette.push_back({map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
  GraphicsControlBlock gcb{};
  if (DGifSavedExtensionToGCB(gif, 0, &gcb) == GIF_OK && gcb.TransparentColor >= 0 &&
      gcb.TransparentColor < static_cast<int>(palette.size()) && palette[gcb.TransparentColor] == Rgb{})
    palette[gcb.TransparentColor] = blackTransparentColour(palette);
  e.pixels.assign(static_cast<std::size_t>(e.width) * e.height, Rgb{});
  for (int y = 0; y < first.ImageDesc.Height; ++y)
    for (int x = 0; x < first.ImageDesc.Width; ++x) {
      std::size_t index = first.RasterBits[static_cast<std::size_t>(y) * first.ImageDesc.Width + x];
      e.pixels[static_cast<std::size_t>(y) * e.width + x] = index < palette.size() ? palette[index] : Rgb{};
    }
  DGifCloseFile(gif, &error);
  return e;
}

Rgb pixel(const corvale::Picture& picture, int x, int y) {
  const std::uint8_t* p = corvale::pixelAt(picture, x, y);
  return {p[2], p[1], p[0]};
}

void CodePacker::put(unsigned code, int size) {
  bits_ |= static_cast<std::uint32_t>(code) << count_;
  count_ += size;
  for (; count_ >= 8; count_ -= 8, bits_ >>= 8) bytes_.push_back(static_cast<std::uint8_t>(bits_));
}

std::vector<std::uint8_t> CodePacker::bytes() const {
  std::vector<std::uint8_t> out = bytes_;
  if (count_ > 0) out.push_back(static_cast<std::uint8_t>(bits_));
  return out;
}

std::vector<std::uint8_t> literalImageData(int minimumCodeSize, const std::vector<std::uint8_t>& indices,
                                           bool leadingClear) {
  const unsigned clear = 1u << minimumCodeSize, end = clear + 1;
  int size = minimumCodeSize + 1;
  unsigned count = clear + 2;
  bool firstAfterClear = true;
  CodePacker packer;
  if (leadingClear) packer.put(clear, size);
  for (std::uint8_t index : indices) {
    if (!firstAfterClear && count >= 4095) {
      packer.put(clear, size);
      size = minimumCodeSize + 1, count = clear + 2, firstAfterClear = true;
    }
    packer.put(index, size);
    if (!firstAfterClear && ++count > (1u << size) - 1 && size < 12) ++size;
    firstAfterClear = false;
  }
  packer.put(end, size);
  std::vector<std::uint8_t> data = subBlocks(packer.bytes());
  data.insert(data.begin(), static_cast<std::uint8_t>(minimumCodeSize));
  return data;
}

std::vector<std::uint8_t> subBlocks(const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i < data.size(); i += 255) {
    std::size_t n = std::min<std::size_t>(255, data.size() - i);
    out.push_back(static_cast<std::uint8_t>(n));
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(i),
               data.begin() + static_cast<std::ptrdiff_t>(i + n));
  }
  out.push_back(0);
  return out;
}

std::uint8_t tableSizeBits(std::size_t entries) {
  std::uint8_t bits = 0;
  while ((std::size_t{2} << bits) < entries) ++bits;
  return bits;
}

void GifBytes::u16(int value) {
  bytes_.push_back(static_cast<std::uint8_t>(value & 0xFF));
  bytes_.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void GifBytes::colours(const Palette& palette) {
  for (const Rgb& c : palette) bytes_.insert(bytes_.end(), {c.r, c.g, c.b});
}

GifBytes& GifBytes::header(int screenWidth, int screenHeight, const Palette* globalColours) {
  raw({'G', 'I', 'F', '8', '9', 'a'});
  u16(screenWidth);
  u16(screenHeight);
  bytes_.push_back(globalColours ? static_cast<std::uint8_t>(0xF0 | tableSizeBits(globalColours->size()))
                                 : 0x70);
  raw({0, 0});
  if (globalColours) colours(*globalColours);
  return *this;
}

GifBytes& GifBytes::graphicControl(std::uint8_t packed, std::uint16_t delay, std::uint8_t transparentIndex) {
  raw({0x21, 0xF9, 0x04, packed});
  u16(delay);
  return raw({transparentIndex, 0x00});
}

GifBytes& GifBytes::imageDescriptor(int left, int top, int width, int height, std::uint8_t packed,
                                    const Palette* localColours) {
  bytes_.push_back(0x2C);
  u16(left);
  u16(top);
  u16(width);
  u16(height);
  bytes_.push_back(
      localColours ? static_cast<std::uint8_t>(packed | 0x80 | tableSizeBits(localColours->size())) : packed);
  if (localColours) colours(*localColours);
  return *this;
}

GifBytes& GifBytes::raw(const std::vector<std::uint8_t>& bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

LoadedPicture::LoadedPicture(const std::string& path) {
  corvale::loadPictureFile(path.c_str(), picture, nullptr);
}

LoadedPicture::~LoadedPicture() { corvale::releasePicture(picture); }

LoadedPicture loadGifBytes(const std::vector<std::uint8_t>& bytes) {
  testing_support::TempDir dir;
  std::string path = dir.file("image.gif");
  testing_support::writeBytes(path, bytes);
  return LoadedPicture(path);
}

}  // namespace gif_testing
