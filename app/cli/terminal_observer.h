// Shows a headless run on the terminal: one line per photo started, with the share of the run
// done, where each output went, and the reason of every photo that failed (on standard error).
#pragma once

#include <cstdio>
#include <string>

#include "batch/batch_run.h"

namespace lumivex::cli {

class TerminalObserver : public BatchObserver {
 public:
  void showStatus(const std::string& text) override;
  void drawProgress(double fraction) override { fraction_ = fraction; }
  void photoEnded(const PhotoReport& report) override;

 private:
  double fraction_ = 0.0;
};

}  // namespace lumivex::cli
