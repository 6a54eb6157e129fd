// The box stage fed row by row. The box tables are built for the upright, cropped picture exactly
// as a whole-picture box stage builds them; only their indices are then mapped to the stored
// picture. A line is one row of the result (or, for a quarter-turned plan, one column): it reads a
// run of stored rows that no other line reads. Lines are gathered a group at a time in a band of
// rows and summed as soon as the last row of the group has arrived.
#include "resample/box_accumulator.h"

#include <algorithm>
#include <cstddef>

#include "resample/box_window.h"
#include "rotate/rotate.h"

namespace corvale {

namespace {

struct Upright {
  std::int32_t width, height;
};

Upright uprightSize(const StreamedBoxPlan& plan) {
  if (swapsSides(plan.orientation)) return {plan.storedHeight, plan.storedWidth};
  return {plan.storedWidth, plan.storedHeight};
}

// Stored = origin + direction * index along one axis of the band.
struct AxisMap {
  std::int32_t origin, direction;
};

AxisMap mapOf(bool reversed, std::int32_t uprightLength, std::int32_t bandStart) {
  return reversed ? AxisMap{uprightLength - 1 - bandStart, -1} : AxisMap{bandStart, 1};
}

// Which upright axes run backwards through the stored picture, by orientation: the upright x axis
// (stored x, or stored y when the sides swap) and the upright y axis.
bool uprightXReversed(std::int32_t code) {
  return code == kMirrorLeftRight || code == kHalfTurn || code == kQuarterClockwise || code == kTransverse;
}
bool uprightYReversed(std::int32_t code) {
  return code == kHalfTurn || code == kMirrorTopBottom || code == kTransverse ||
         code == kQuarterCounterClockwise;
}

AxisTaps boxAxis(std::int32_t bandLength, std::int32_t resultLength) {
  const float step = static_cast<float>(bandLength) / static_cast<float>(resultLength);
  return buildAxisTaps(kBox, accumulatedPositions(0.0f, step, resultLength), bandLength, boxSpan(step));
}

std::int32_t wholeVectors(std::int32_t count) { return (count + kLanes - 1) / kLanes * kLanes; }

// The stored rows a band gathers at least, when its lines have that many: a hand-over to the side
// thread and back costs about as much as summing a few rows.
constexpr std::int32_t kRowsPerBand = 64;

[[gnu::always_inline]] inline void sumWindow(const BoxWindow& window, bool rowsOuter, float* sums) {
  if (rowsOuter)
    sumBoxWindowRowsOuter(window, sums);
  else
    sumBoxWindow(window, sums);
}

__attribute__((target("avx2"))) void sumWindowAvx2(const BoxWindow& window, bool rowsOuter, float* sums) {
  sumWindow(window, rowsOuter, sums);
}

void sumWindowBaseline(const BoxWindow& window, bool rowsOuter, float* sums) {
  sumWindow(window, rowsOuter, sums);
}

}  // namespace

bool boxStageStreams(const StreamedBoxPlan& plan) {
  const Upright upright = uprightSize(plan);
  const PixelBand& band = plan.band;
  return plan.storedWidth > 0 && plan.storedHeight > 0 && plan.width > 0 && plan.height > 0 &&
         band.left >= 0 && band.top >= 0 && band.width >= plan.width && band.height >= plan.height &&
         band.width <= upright.width - band.left && band.height <= upright.height - band.top;
}

BoxAccumulator::BoxAccumulator(const StreamedBoxPlan& plan, Picture& out, bool sideThread, InstructionSet isa)
    : plan_(plan),
      out_(out),
      isa_(isa),
      swapped_(swapsSides(plan.orientation)),
      rowBytes_(static_cast<std::size_t>(plan.storedWidth) * 4) {
  const AxisTaps columns = boxAxis(plan.band.width, plan.width);
  const AxisTaps rows = boxAxis(plan.band.height, plan.height);
  boxWeight_ = 1.0f / static_cast<float>(static_cast<std::int64_t>(columns.taps) *
                                         static_cast<std::int64_t>(rows.taps));
  lanes_ = swapped_ ? rows : columns;
  lines_ = swapped_ ? columns : rows;
  mapLanes();
  mapLines();
  groupLines();
  strip_.emplace(lanes_, 0, wholeVectors(lanes_.count));
  sums_.assign(3 * static_cast<std::size_t>(strip_->width), 0.0f);
  tapRows_.assign(static_cast<std::size_t>(lines_.taps), nullptr);
  for (int k = 0; k < (sideThread ? 2 : 1); ++k) bands_[k].assign(bandRows_ * rowBytes_, 0);
  unused_.assign(rowBytes_, 0);
  if (swapped_) turned_.assign(static_cast<std::size_t>(lanes_.count) * lines_.count * 4, 0);
  if (sideThread) side_ = std::make_unique<SideThread>();
}

// The lane taps index stored columns directly, so a line reads its pixels from the stored rows.
void BoxAccumulator::mapLanes() {
  const Upright upright = uprightSize(plan_);
  const AxisMap map = swapped_ ? mapOf(uprightYReversed(plan_.orientation), upright.height, plan_.band.top)
                               : mapOf(uprightXReversed(plan_.orientation), upright.width, plan_.band.left);
  laneOrigin_ = map.origin;
  laneDirection_ = map.direction;
  for (std::int32_t& index : lanes_.index) index = laneOrigin_ + laneDirection_ * index;
}

// Every line's run of stored rows, and the line each stored row belongs to.
void BoxAccumulator::mapLines() {
  const Upright upright = uprightSize(plan_);
  const AxisMap map = swapped_ ? mapOf(uprightXReversed(plan_.orientation), upright.width, plan_.band.left)
                               : mapOf(uprightYReversed(plan_.orientation), upright.height, plan_.band.top);
  lineOrigin_ = map.origin;
  lineDirection_ = map.direction;
  lineRows_.assign(static_cast<std::size_t>(lines_.count), Line{});
  lineOfRow_.assign(static_cast<std::size_t>(plan_.storedHeight), -1);
  for (std::int32_t line = 0; line < lines_.count; ++line) {
    if (lines_.outside[line]) continue;
    const std::int32_t a = storedRowOf(0, line), b = storedRowOf(lines_.taps - 1, line);
    Line& rows = lineRows_[line];
    rows.first = std::min(a, b);
    rows.last = std::max(a, b);
    for (std::int32_t y = rows.first; y <= rows.last; ++y) lineOfRow_[y] = line;
  }
}

// Lines in the order their rows arrive, a group of them for every kRowsPerBand rows or so. Their
// runs of rows do not overlap, so each group's rows all come after the group before.
void BoxAccumulator::groupLines() {
  std::vector<std::int32_t> order;
  for (std::int32_t line = 0; line < lines_.count; ++line)
    if (lineRows_[line].first >= 0) order.push_back(line);
  std::sort(order.begin(), order.end(),
            [&](std::int32_t a, std::int32_t b) { return lineRows_[a].first < lineRows_[b].first; });
  const std::size_t perGroup = static_cast<std::size_t>(std::max(1, kRowsPerBand / std::max(1, lines_.taps)));
  groupOfLine_.assign(static_cast<std::size_t>(lines_.count), -1);
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (i % perGroup == 0) groups_.push_back(Group{lineRows_[order[i]].first, -1, {}});
    Group& group = groups_.back();
    group.last = lineRows_[order[i]].last;
    group.lines.push_back(order[i]);
    groupOfLine_[order[i]] = static_cast<std::int32_t>(groups_.size() - 1);
    bandRows_ = std::max(bandRows_, static_cast<std::size_t>(group.last - group.first + 1));
  }
}

std::int32_t BoxAccumulator::storedRowOf(std::int32_t lineTap, std::int32_t line) const {
  return lineOrigin_ + lineDirection_ * lines_.indexAt(lineTap, line);
}

std::uint8_t* BoxAccumulator::rowFor(std::int32_t y) {
  const std::int32_t line = lineOfRow_[y];
  if (line < 0) return unused_.data();
  const Group& group = groups_[groupOfLine_[line]];
  return bands_[gathering_].data() + static_cast<std::size_t>(y - group.first) * rowBytes_;
}

std::int32_t BoxAccumulator::rowsAhead(std::int32_t y) const {
  const std::int32_t line = lineOfRow_[y];
  if (line >= 0) return groups_[groupOfLine_[line]].last - y + 1;
  std::int32_t end = y + 1;
  while (end < plan_.storedHeight && lineOfRow_[end] < 0) ++end;
  return end - y;
}

void BoxAccumulator::rowsDone(std::int32_t end) {
  for (; done_ < end && done_ < plan_.storedHeight; ++done_) {
    const std::int32_t line = lineOfRow_[done_];
    if (line < 0 || groups_[groupOfLine_[line]].last != done_) continue;
    const Group& group = groups_[groupOfLine_[line]];
    const std::uint8_t* band = bands_[gathering_].data();
    if (!side_) {
      sumGroup(group, band);
      continue;
    }
    // Once the side thread has taken this band, the other one is free: its lines have been summed.
    side_->post([this, &group, band] { sumGroup(group, band); });
    gathering_ ^= 1;
  }
}

std::uint8_t* BoxAccumulator::outputLine(std::int32_t line) {
  if (swapped_) return turned_.data() + static_cast<std::size_t>(line) * lanes_.count * 4;
  return pixelAt(out_, 0, line);
}

void BoxAccumulator::sumGroup(const Group& group, const std::uint8_t* band) {
  for (std::int32_t line : group.lines) sumLine(line, band, group.first);
}

void BoxAccumulator::sumLine(std::int32_t line, const std::uint8_t* band, std::int32_t bandFirst) {
  for (std::int32_t tap = 0; tap < lines_.taps; ++tap)
    tapRows_[tap] = band + static_cast<std::size_t>(storedRowOf(tap, line) - bandFirst) * rowBytes_;
  const BoxWindow window{*strip_, lanes_.taps, lines_.taps, tapRows_.data(), boxWeight_};
  if (isa_ == InstructionSet::kAvx2)
    sumWindowAvx2(window, swapped_, sums_.data());
  else
    sumWindowBaseline(window, swapped_, sums_.data());
  storeSums(outputLine(line), sums_.data(), static_cast<std::size_t>(strip_->width), lanes_.outside.data(),
            lanes_.count, false);
}

void BoxAccumulator::finish() {
  if (side_) side_->wait();
  if (swapped_)
    copyTurned(turned_.data(), lanes_.count, lines_.count, out_.pixels, out_.width, out_.height, kTranspose);
}

}  // namespace corvale
