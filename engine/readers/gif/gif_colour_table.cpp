// Reading the global and local colour tables, and the black-transparency rule applied to them.
#include "readers/gif/gif_colour_table.h"

#include <algorithm>

namespace corvale {

std::optional<GifColourTable> readGifColourTable(ByteCursor& in, std::uint8_t packed) {
  auto bytes = in.take(std::size_t{3} << ((packed & 7) + 1));
  if (bytes.empty()) return std::nullopt;
  GifColourTable table(bytes.size() / 3);
  for (std::size_t i = 0; i < table.size(); ++i)
    table[i] = {bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]};
  return table;
}

GifColourTable mergeLocalIntoGlobal(const GifColourTable& global, const GifColourTable& local) {
  GifColourTable merged = local;
  std::copy_n(global.begin(), std::min(global.size(), merged.size()), merged.begin());
  return merged;
}

namespace {

std::uint8_t freeTransparentRed(const GifColourTable& colours) {
  bool taken[256] = {};
  for (const GifColour& c : colours)
    if (c.green == 0 && c.blue == 0) taken[c.red] = true;
  int red = 1;
  while (red < 255 && taken[red]) ++red;
  return static_cast<std::uint8_t>(red);
}

}  // namespace

void markTransparentColour(GifColourTable& colours, GifControl& control) {
  control.transparentColour = {};
  if (!control.transparent || control.transparentIndex >= colours.size()) return;
  GifColour& entry = colours[control.transparentIndex];
  if (entry == GifColour{}) entry = {freeTransparentRed(colours), 0, 0};
  control.transparentColour = entry;
}

void fillDibColours(const GifColourTable& colours, gdi::BITMAPINFO& info) {
  for (std::size_t i = 0; i < colours.size() && i < 256; ++i)
    info.bmiColors[i] = {colours[i].blue, colours[i].green, colours[i].red, 0};
}

}  // namespace corvale
