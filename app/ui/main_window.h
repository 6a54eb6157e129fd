// The main window: buttons for the options and for leaving, the editable size box, the drop area
// with its status line, and the progress bar. Dropped and named images wait in the queue until
// the next tick of the half-second timer, which runs the batch over them.
#pragma once

#include <QPointer>
#include <QWidget>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "batch/batch_run.h"
#include "input/folder_walk.h"
#include "ui/options_dialog.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTimer;

namespace lumivex::ui {

struct DroppedData;
struct HandOver;
class FormFrame;
class ProgressDisplay;
class WindowPrompts;

inline constexpr const char* kUnrecognizedDrop = "Unrecognized drop format";
inline constexpr int kTimerMilliseconds = 500;
inline constexpr const char* kConfirmSizeText = "Press Enter to resize at this size.";
inline constexpr const char* kStopRunQuestion =
    "Photos are still being resized. Stop and exit? The photos not yet started are not resized.";

// True for a named item that is neither a folder nor a file this user can read (missing, or
// without permission): the run is to list it as failed, with the system's reason.
bool NamesNothingReadable(const std::string& path);

class frmMain : public QWidget {
  Q_OBJECT

 public:
  // Called once the settings are saved at exit; told whether a batch run is still going on, in
  // which case the program has to end without returning to it.
  using EndProgram = std::function<void(bool duringRun)>;

  explicit frmMain(WindowPrompts& prompts);
  ~frmMain() override;

  // Start-up, before the window is first shown: the photo jobs, the settings and the size list,
  // the always-on-top band, and the images and folders named on the command line (with `size`,
  // in a run of their own at that size).
  void Form_Load(const std::vector<std::string>& arguments, const std::optional<std::string>& size = {});
  // Start-up, after the window is shown: the options dialog is loaded (and so filled) unseen.
  void LoadOptionsHidden();

  // The one drop handler of the window surface, the drop frame and the status label.
  void Frame2_OLEDragDrop(const DroppedData& dropped);

  // The photos of a later launch: the window comes to the front and queues them as a drop; with
  // a valid size, in a run of their own at that size.
  void TakeHandOver(const HandOver& handOver);

  // A tick of the timer: runs the batch with the timer stopped.
  void Timer1_Timer();

  void setEndProgram(EndProgram endProgram) { endProgram_ = std::move(endProgram); }

  PendingFiles& pendingFiles() { return PendingFiles_; }
  // Photos that wait for a run at a size of their own, in the order their launches came.
  std::size_t sizedRunsWaiting() const { return sizedRuns_.size(); }
  std::size_t workerCount() const { return Workers_.size(); }
  bool isRunning() const { return running_; }
  frmOptions* optionsDialog() const { return options_; }
  QTimer* timer() const { return Timer1; }
  ProgressDisplay* progressDisplay() const { return picProgress; }
  const BatchSummary& lastRun() const { return lastRun_; }

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void createControls();
  void fillResolutionList();
  void cmdOptions_Click();
  void cmdExit_Click();
  void Form_Unload();
  void RunBatch();
  void RunQueue(PendingFiles& queue, const std::string& sizeText);
  void RunSizedBatch();
  void QueueAtSize(const std::string& size, PendingFiles files);
  void ShowSizeText(const std::string& text);
  void ShowOutcome(const BatchSummary& summary);
  void ReportFailures(const BatchSummary& summary);
  void ShowWalkProblems(PendingFiles& queue);
  void QueueGathered(const std::vector<std::string>& items, const std::optional<std::string>& size);
  bool StopRunToExit();

  WindowPrompts& prompts_;
  EndProgram endProgram_;
  PendingFiles PendingFiles_;
  // Launches given their own size (a file manager's preset): each runs after the plain queue,
  // with its size shown in the size box meanwhile; the user's size text is left as it was.
  struct SizedRun {
    std::string size;
    PendingFiles files;
  };
  std::deque<SizedRun> sizedRuns_;
  Workers Workers_;
  BatchSummary lastRun_;
  bool running_ = false;
  bool unloading_ = false;
  bool timerStarted_ = false;
  // True from a key typed in the size box until the text is confirmed (Enter, a pick from the
  // list, or leaving the box): a half-typed or auto-completed size must not start a run.
  bool sizeBeingTyped_ = false;
  QPointer<frmOptions> options_;

  QPushButton* cmdOptions = nullptr;
  QPushButton* cmdExit = nullptr;
  QLabel* Label1 = nullptr;
  QComboBox* cmbResolution = nullptr;
  FormFrame* Frame2 = nullptr;
  QLabel* lblStatus = nullptr;
  ProgressDisplay* picProgress = nullptr;
  QTimer* Timer1 = nullptr;
};

// What the program does once its settings are saved: quit the event loop, or end the process at
// once when a run is still going on (its jobs are abandoned; outputs are only ever renamed into
// place when complete, so nothing half-written is left under a photo's name).
void EndProgramAtOnce(bool duringRun);

}  // namespace lumivex::ui
