// Gathering source rows for a strip.
#include "resample/gathered_rows.h"

#include <algorithm>
#include <cstring>

#include "resample/float_lanes.h"

namespace corvale {

namespace {

// One column tap of one source row: the pixels at the strip columns' source indices, split into
// three float runs, eight columns at a time (`count` is a whole number of lanes; the strip's
// padding columns read pixel 0).
[[gnu::always_inline]] inline void gather(const std::uint8_t* line, const std::int32_t* index,
                                          std::int32_t count, float* blue, float* green, float* red) {
  for (std::int32_t i = 0; i < count; i += kFloatLanes) {
    IntLanes pixels;
    FloatLanes b, g, r;
    loadPixels(pixels, line, index + i);
    splitChannels(pixels, b, g, r);
    storeLanes(blue + i, b);
    storeLanes(green + i, g);
    storeLanes(red + i, r);
  }
}

__attribute__((target("avx2"))) void gatherAvx2(const std::uint8_t* line, const std::int32_t* index,
                                                std::int32_t count, float* blue, float* green, float* red) {
  gather(line, index, count, blue, green, red);
}

void gatherBaseline(const std::uint8_t* line, const std::int32_t* index, std::int32_t count, float* blue,
                    float* green, float* red) {
  gather(line, index, count, blue, green, red);
}

void gatherTap(const std::uint8_t* line, const std::int32_t* index, std::int32_t count, float* blue,
               float* green, float* red, InstructionSet isa) {
  if (isa == InstructionSet::kAvx2)
    gatherAvx2(line, index, count, blue, green, red);
  else
    gatherBaseline(line, index, count, blue, green, red);
}

std::int32_t wholeLanes(std::int32_t n) { return (n + kFloatLanes - 1) / kFloatLanes * kFloatLanes; }

}  // namespace

Strip::Strip(const AxisTaps& columns, std::int32_t first, std::int32_t width)
    : first(first),
      used(std::min(width, columns.count - first)),
      width(width),
      weight(static_cast<std::size_t>(columns.taps) * static_cast<std::size_t>(width), 0.0f),
      index(weight.size(), 0) {
  for (std::int32_t tap = 0; tap < columns.taps; ++tap) {
    const std::size_t from = static_cast<std::size_t>(tap) * columns.count + first;
    const std::size_t to = static_cast<std::size_t>(tap) * width;
    std::copy_n(columns.weight.data() + from, used, weight.data() + to);
    std::copy_n(columns.index.data() + from, used, index.data() + to);
  }
}

GatheredRows::GatheredRows(const SourcePixels& source, const AxisTaps& columns, const Strip& strip,
                           std::int32_t slots, InstructionSet isa)
    : source_(source),
      columns_(columns),
      strip_(strip),
      isa_(isa),
      channelStride_(static_cast<std::size_t>(columns.taps) * static_cast<std::size_t>(strip.width)),
      storage_(channelStride_ * 3 * static_cast<std::size_t>(slots), 0.0f),
      slotRow_(static_cast<std::size_t>(slots), -1) {}

const float* GatheredRows::row(std::int32_t sourceRow) {
  const std::size_t slot = static_cast<std::size_t>(sourceRow) % slotRow_.size();
  float* block = storage_.data() + slot * channelStride_ * 3;
  if (slotRow_[slot] == sourceRow) return block;
  const std::uint8_t* line =
      source_.pixels + static_cast<std::size_t>(sourceRow) * static_cast<std::size_t>(source_.width) * 4;
  for (std::int32_t tap = 0; tap < columns_.taps; ++tap) {
    float* blue = block + static_cast<std::size_t>(tap) * strip_.width;
    gatherTap(line, strip_.indexOf(tap), wholeLanes(strip_.used), blue, blue + channelStride_,
              blue + 2 * channelStride_, isa_);
  }
  slotRow_[slot] = sourceRow;
  return block;
}

}  // namespace corvale
