// The job slots, the histogram and the library's presence check across the flat interface.
#include "corvale.h"
#include "exports/guarded.h"
#include "exports/handles.h"
#include "jobs/colour_histogram.h"
#include "jobs/job_slots.h"

using corvale::guarded;
using corvale::pictureOf;

int32_t imgResample_Threaded(int32_t slot, intptr_t source, intptr_t destination, int32_t mode) {
  return guarded(
      [] { return int32_t{0}; },
      [&] { return corvale::startFirstEntry(slot, pictureOf(source), pictureOf(destination), mode); });
}

intptr_t imgResample_Threaded2(int32_t slot, intptr_t source, intptr_t destination, int32_t mode,
                               const char* text1, const char* text2, const char* text3) {
  return guarded([] { return intptr_t{0}; },
                 [&] {
                   const char* const texts[3] = {text1, text2, text3};
                   const corvale::JobStart start = corvale::startResampleJob(
                       slot, {pictureOf(source), pictureOf(destination), mode, false, texts});
                   // The thread is detached: the value identifies it, and there is nothing for the caller to
                   // close.
                   return static_cast<intptr_t>(start.threadId);
                 });
}

int32_t imgResample_isFinished(int32_t slot) {
  return guarded([] { return int32_t{1}; },
                 [&] { return corvale::isJobFinished(slot) ? int32_t{1} : int32_t{0}; });
}

int32_t imgResample_testdll(void) {
  return guarded([] { return int32_t{2}; }, [] { return int32_t{2}; });
}

void imgCalcHist(const int32_t* sizeRecord, intptr_t dc, intptr_t bitmap, float* redCounts,
                 float* greenCounts, float* blueCounts) {
  // Out of working memory, the counts stay as they were.
  guarded([] {},
          [&] {
            if (!sizeRecord) return;
            // A size record is four integers; the third is the width, the fourth the height.
            corvale::addColourCounts(sizeRecord[2], sizeRecord[3], corvale::dcOf(dc),
                                     corvale::bitmapOf(bitmap), redCounts, greenCounts, blueCounts);
          });
}
