// The box stage fed row by row as a decoder gives the rows of a picture as stored, so that a photo
// reduced by the box stage is never held at full size. The turn that brings the picture upright
// and the band an automatic crop keeps are planned before the first row arrives: each sum reads
// the stored pixel that the turned and cropped picture would hold at that place, and adds the
// taps in the order the box stage of the whole picture adds them (its columns outer, its rows
// inner), so that the result is byte for byte the box stage of the turned, cropped picture.
//
// A turn by a quarter (codes 5 to 8) makes the upright columns stored rows: the sums then run
// along upright columns, and the small picture is turned into place at the end.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "jobs/side_thread.h"
#include "picture/picture.h"
#include "resample/axis_taps.h"
#include "resample/strip.h"
#include "resample/table_resampler.h"

namespace corvale {

// A band of the upright picture, in its pixels.
struct PixelBand {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// What the box stage works on: the picture as stored, the Exif orientation that turns it upright
// (1 or any unknown code for none), the band of the upright picture it reduces, and the size of
// the reduction. The band lies inside the upright picture.
struct StreamedBoxPlan {
  std::int32_t storedWidth = 0;
  std::int32_t storedHeight = 0;
  std::int32_t orientation = 1;
  PixelBand band;
  std::int32_t width = 0;  // the box stage's result
  std::int32_t height = 0;
};

// Whether the box stage of `plan` can take its rows in one pass: every box reads rows no other box
// of its line reads, which holds when it reduces (or keeps) both sides, and the band lies inside.
bool boxStageStreams(const StreamedBoxPlan& plan);

class BoxAccumulator {
 public:
  // `out` is the box stage's result, already allocated at plan.width by plan.height (upright).
  // With `sideThread` the sums of each line are formed on a thread of their own while the next
  // line's rows are decoded (into a second band of rows). Throws std::bad_alloc when its working
  // rows cannot be had.
  BoxAccumulator(const StreamedBoxPlan& plan, Picture& out, bool sideThread = false,
                 InstructionSet isa = bestInstructionSet());

  // Where stored row y goes: storedWidth pixels of blue, green, red and a byte that is not read.
  std::uint8_t* rowFor(std::int32_t y);
  // How many rows from y on may be written (each at its own rowFor) before rowsDone is called.
  std::int32_t rowsAhead(std::int32_t y) const;
  // Rows up to `end` (exclusive) are in place: the sums whose rows are all in are formed.
  void rowsDone(std::int32_t end);
  // After the last row: the sums are turned into the upright result.
  void finish();

 private:
  struct Line {
    std::int32_t first = -1;  // the stored rows it reads, first to last; -1 when it reads none
    std::int32_t last = -1;
  };
  // Lines gathered in one band and summed together once the last of their rows has arrived:
  // enough rows that handing a band to the side thread costs little beside decoding it.
  struct Group {
    std::int32_t first = -1;  // the stored rows its lines read, first to last
    std::int32_t last = -1;
    std::vector<std::int32_t> lines;
  };
  void mapLanes();
  void mapLines();
  void groupLines();
  std::int32_t storedRowOf(std::int32_t lineTap, std::int32_t line) const;
  std::uint8_t* outputLine(std::int32_t line);
  void sumGroup(const Group& group, const std::uint8_t* band);
  void sumLine(std::int32_t line, const std::uint8_t* band, std::int32_t bandFirst);

  StreamedBoxPlan plan_;
  Picture& out_;
  InstructionSet isa_;
  bool swapped_;
  // stored column = laneOrigin_ + laneDirection_ * lane index; the same for rows and lines
  std::int32_t laneOrigin_, laneDirection_, lineOrigin_, lineDirection_;
  AxisTaps lanes_;  // the taps along each output line, already mapped to stored columns
  AxisTaps lines_;  // the taps across the lines, in band coordinates
  std::vector<Line> lineRows_;
  std::vector<std::int32_t> lineOfRow_;  // per stored row, the line that reads it, or -1
  std::vector<Group> groups_;
  std::vector<std::int32_t> groupOfLine_;
  std::size_t bandRows_ = 0;  // the most rows a group spans
  std::size_t rowBytes_;
  std::vector<std::uint8_t> bands_[2];        // the rows of the group being gathered, and of the one summed
  int gathering_ = 0;                         // the band rows go to
  std::vector<std::uint8_t> unused_;          // where rows no box reads are decoded
  std::vector<std::uint8_t> turned_;          // the sums of a quarter-turned plan, one upright column a line
  std::vector<const std::uint8_t*> tapRows_;  // per line tap, its row in the band
  std::optional<Strip> strip_;                // every lane of a line, in whole vectors
  std::vector<float> sums_;
  float boxWeight_;
  std::int32_t done_ = 0;             // rows below this are accounted for
  std::unique_ptr<SideThread> side_;  // last: it ends before what its tasks use goes
};

}  // namespace corvale
