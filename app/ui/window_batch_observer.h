// How a batch run shows itself in the main window: status texts in the status label, the share of
// the run in the progress bar, and the window's pending events handled between polls so that
// drops, the options dialog and the exit button keep working during a run.
#pragma once

#include <QLabel>
#include <QPointer>

#include "batch/batch_run.h"
#include "ui/progress_display.h"

namespace lumivex::ui {

class WindowBatchObserver : public BatchObserver {
 public:
  WindowBatchObserver(QLabel& status, ProgressDisplay& progress) : status_(&status), progress_(&progress) {}

  void showStatus(const std::string& text) override;
  void drawProgress(double fraction) override;
  // The photo's place in the run ("3 of 40") goes under its "Resizing" line.
  void entryStarted(std::int32_t number, std::int32_t total, const std::string& path) override;
  void processEvents() override;
  // Waits with the window's event loop running, rather than asleep.
  void pause(int milliseconds) override;

 private:
  QPointer<QLabel> status_;
  QPointer<ProgressDisplay> progress_;
  std::string place_;
};

}  // namespace lumivex::ui
