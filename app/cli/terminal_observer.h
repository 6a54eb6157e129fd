// Shows a headless run on the terminal: one line per photo started and one per photo ended, each
// with its place in the run ("[3/40]"), where each output went, and the reason of every photo
// that failed (on standard error). Each photo is named once per event, never again at the end:
// a run of ten thousand failures prints ten thousand failure lines. Names are printed with their
// control characters escaped.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

#include "batch/batch_run.h"

namespace lumivex::cli {

class TerminalObserver : public BatchObserver {
 public:
  void showStatus(const std::string& text) override;
  void drawProgress(double) override {}
  void entryStarted(std::int32_t number, std::int32_t total, const std::string& path) override;
  void photoEnded(const PhotoReport& report) override;

 private:
  // "[n/N]" of the entry that took this photo.
  std::string placeOf(const std::string& path) const;

  std::map<std::string, std::int32_t> numbers_;  // the entry number of each path started
  std::int32_t total_ = 0;
};

}  // namespace lumivex::cli
