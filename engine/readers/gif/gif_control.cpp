// Parsing graphic control extensions and choosing the one that governs each image.
#include "readers/gif/gif_control.h"

#include <algorithm>

namespace corvale {

std::optional<GifControl> readGifControl(ByteCursor& in) {
  auto bytes = in.take(6);
  if (bytes.empty()) return std::nullopt;
  std::uint8_t packed = bytes[1];
  GifControl control;
  control.disposal = (packed >> 2) & 7;
  control.userInput = (packed & 2) != 0;
  control.transparent = (packed & 1) != 0;
  control.delay = static_cast<std::uint16_t>(bytes[2] | bytes[3] << 8);
  control.transparentIndex = bytes[4];
  return control;
}

GifControl chooseGifControl(std::vector<GifControl>& pending, std::uint16_t& lastDelay) {
  GifControl chosen;
  if (pending.size() == 1) {
    chosen = pending.front();
  } else {
    auto timed =
        std::find_if(pending.begin(), pending.end(), [](const GifControl& c) { return c.delay != 0; });
    if (timed != pending.end()) chosen = *timed;
  }
  pending.clear();
  if (lastDelay == 0) lastDelay = 10;
  if (chosen.delay < 2)
    chosen.delay = lastDelay;
  else
    lastDelay = chosen.delay;
  return chosen;
}

}  // namespace corvale
