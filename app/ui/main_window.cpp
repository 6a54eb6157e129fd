// The main window: its controls, drops into the queue, the timer that starts each run, and the
// list of photos a run could not do (or did from damaged files) once the run is over.
#include "ui/main_window.h"

#include <unistd.h>

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QMimeData>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>

#include "input/command_line.h"
#include "settings/more_settings.h"
#include "settings/settings.h"
#include "settings/target_size.h"
#include "ui/drop_reading.h"
#include "ui/form_frame.h"
#include "ui/form_metrics.h"
#include "ui/options_dialog.h"
#include "ui/progress_display.h"
#include "ui/qt_user_prompts.h"
#include "ui/run_outcome.h"
#include "ui/single_window.h"
#include "ui/window_batch_observer.h"
#include "ui/window_platform.h"
#include "utilities/utilities.h"

namespace lumivex::ui {

namespace {

constexpr int kClientWidth = 3405;
constexpr int kClientHeight = 2835;

QPushButton* button(QWidget* parent, const char* name, const char* caption, const QRect& geometry) {
  auto* push = new QPushButton(QString::fromLatin1(caption), parent);
  push->setObjectName(QString::fromLatin1(name));
  push->setGeometry(geometry);
  push->setAutoDefault(false);
  return push;
}

// Everything gathered in `from` joins the end of `to`, in order.
void AppendQueue(const PendingFiles& from, PendingFiles& to) {
  for (std::int32_t i = 1; i <= from.count(); ++i) to.append(from.at(i));
}

}  // namespace

bool NamesNothingReadable(const std::string& path) {
  std::error_code error;
  if (path.empty() || std::filesystem::is_directory(path, error)) return false;
  return !std::filesystem::exists(path, error) || ::access(path.c_str(), R_OK) != 0;
}

void EndProgramAtOnce(bool duringRun) {
  if (duringRun) {
    std::fflush(nullptr);
    std::_Exit(EXIT_SUCCESS);
  }
  QApplication::closeAllWindows();
  QCoreApplication::quit();
}

frmMain::frmMain(WindowPrompts& prompts) : prompts_(prompts), endProgram_(EndProgramAtOnce) {
  setObjectName("frmMain");
  setWindowTitle("Lumivex");
  setWindowIcon(QIcon(":/lumivex/lumivex.png"));
  setFont(ArialFont(9));
  setFixedSize(Twips(kClientWidth), Twips(kClientHeight));
  setAcceptDrops(true);
  createControls();
  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(kTimerMilliseconds);
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
}

// The timer runs from the moment the window is first shown: a question asked while the command
// line is read (before that) must not let a run start behind it.
void frmMain::showEvent(QShowEvent* event) {
  if (!timerStarted_) {
    timerStarted_ = true;
    Timer1->start();
  }
  QWidget::showEvent(event);
}

// The size box's line edit says its editing finished when it loses focus as the window's children
// are destroyed, after this object is gone: the box and its line edit fall silent here.
frmMain::~frmMain() {
  cmbResolution->blockSignals(true);
  cmbResolution->lineEdit()->blockSignals(true);
}

void frmMain::createControls() {
  cmdOptions = button(this, "cmdOptions", "Options", TwipsRect(120, 120, 1455, 375));
  cmdExit = button(this, "cmdExit", "Exit", TwipsRect(1800, 120, 1455, 375));
  Label1 = new QLabel("Resolution:", this);
  Label1->setObjectName("Label1");
  Label1->setGeometry(TwipsRect(120, 720, 1095, 255));
  cmbResolution = new QComboBox(this);
  cmbResolution->setObjectName("cmbResolution");
  cmbResolution->setGeometry(TwipsRect(1320, 720, 1575, 345));
  cmbResolution->setEditable(true);
  cmbResolution->setInsertPolicy(QComboBox::NoInsert);
  cmbResolution->setEditText("800x600");
  // Files dropped on the size box belong to the window, not to the text in the box.
  cmbResolution->setAcceptDrops(false);
  cmbResolution->lineEdit()->setAcceptDrops(false);
  Frame2 = new FormFrame("Drop files here", this);
  Frame2->setObjectName("Frame2");
  Frame2->setGeometry(TwipsRect(120, 1200, 2775, 1095));
  lblStatus = new QLabel(Frame2);
  lblStatus->setObjectName("lblStatus");
  // Three lines: a wrapped line of counts above the seconds per photo must show whole.
  lblStatus->setGeometry(TwipsRect(120, 255, 2535, 795));
  lblStatus->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  lblStatus->setWordWrap(true);
  picProgress = new ProgressDisplay(this);
  picProgress->setGeometry(TwipsRect(120, 2400, 2775, 255));

  setTabOrder(cmbResolution, cmdOptions);
  setTabOrder(cmdOptions, cmdExit);
  cmbResolution->setFocus();

  connect(cmdOptions, &QPushButton::clicked, this, [this] { cmdOptions_Click(); });
  connect(cmdExit, &QPushButton::clicked, this, [this] { cmdExit_Click(); });
  // The size text is saved with the settings; the box is where it lives while the program runs.
  connect(cmbResolution, &QComboBox::editTextChanged, this,
          [](const QString& text) { settings.ResolutionText = text.toStdString(); });
  // textEdited comes from the user's keys alone, never from the box's own completion or from the
  // program setting the text.
  connect(cmbResolution->lineEdit(), &QLineEdit::textEdited, this, [this] { sizeBeingTyped_ = true; });
  connect(cmbResolution->lineEdit(), &QLineEdit::editingFinished, this, [this] { sizeBeingTyped_ = false; });
  connect(cmbResolution, &QComboBox::activated, this, [this] { sizeBeingTyped_ = false; });
}

void frmMain::Form_Load(const std::vector<std::string>& arguments, const std::optional<std::string>& size) {
  std::int32_t workers = CountWorkers();
  PendingFiles_.reset();
  Workers_ = CreateWorkers(workers);
  LoadDefaults();
  fillResolutionList();
  LoadSettings();
  LoadMoreSettings();
  cmbResolution->setEditText(QString::fromStdString(settings.ResolutionText));
  if (settings.AlwaysOnTop) SetTopmost(this, true);
  PendingFiles files;
  // A named photo that is missing or unreadable is queued all the same, so that the run lists it
  // as failed with its reason rather than dropping it unseen.
  for (const std::string& piece : QueueCommandLinePieces(arguments, files))
    if (NamesNothingReadable(piece)) files.append({piece, FolderOf(piece)});
  ShowWalkProblems(files);
  if (size && ReadTargetSizes(*size).valid)
    QueueAtSize(*size, std::move(files));
  else
    AppendQueue(files, PendingFiles_);
}

void frmMain::TakeHandOver(const HandOver& handOver) {
  if (isMinimized()) showNormal();
  raise();
  activateWindow();
  QueueGathered(handOver.paths, handOver.size);
}

// The files are gathered apart first and queued together once every subfolder question is
// answered: the question lets the timer tick, and a run must not start on half of the photos.
void frmMain::QueueGathered(const std::vector<std::string>& items, const std::optional<std::string>& size) {
  PendingFiles files;
  for (const std::string& item : items) {
    if (NamesNothingReadable(item))
      files.append({item, FolderOf(item)});
    else
      QueueDroppedFiles({item}, files);
  }
  ShowWalkProblems(files);
  if (size && ReadTargetSizes(*size).valid)
    QueueAtSize(*size, std::move(files));
  else
    AppendQueue(files, PendingFiles_);
}

void frmMain::QueueAtSize(const std::string& size, PendingFiles files) {
  if (files.count() > 0) sizedRuns_.push_back({size, std::move(files)});
}

void frmMain::fillResolutionList() {
  QSignalBlocker quiet(cmbResolution);
  cmbResolution->clear();
  for (const std::string& item : settings.ResolutionItems)
    cmbResolution->addItem(QString::fromStdString(item));
  cmbResolution->setEditText(QString::fromStdString(settings.ResolutionText));
}

// A closed dialog is unloaded: the next Options click loads (and fills) a new one, even when the
// closed one is still waiting for its deletion in the middle of a run's nested event loop.
void frmMain::LoadOptionsHidden() {
  if (options_) return;
  frmOptions* dialog = new frmOptions(this, prompts_);
  options_ = dialog;
  connect(dialog, &QDialog::finished, this, [this, dialog] {
    if (options_ == dialog) options_ = nullptr;
  });
}

void frmMain::cmdOptions_Click() {
  LoadOptionsHidden();
  options_->show();
  options_->raise();
  options_->activateWindow();
}

void frmMain::cmdExit_Click() {
  if (StopRunToExit()) close();
}

// The user's own close (the window's close box) asks like the Exit button; a close by the
// program or a termination signal does not.
void frmMain::closeEvent(QCloseEvent* event) {
  if (event->spontaneous() && !StopRunToExit()) return event->ignore();
  Form_Unload();
  event->accept();
}

// Leaving in the middle of a run abandons the photos still to come: the user says so first.
bool frmMain::StopRunToExit() {
  return !running_ || unloading_ || prompts_.question(kStopRunQuestion, PromptIcon::Question);
}

// Saving comes first: whatever happens next, the user's settings are kept.
void frmMain::Form_Unload() {
  if (unloading_) return;
  unloading_ = true;
  if (!SaveSettings() || !SaveMoreSettings())
    prompts_.message("The settings could not be saved in " + ConfigFolder() + "lumivex.cfg.",
                     PromptIcon::Warning);
  if (endProgram_) endProgram_(running_);
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) { event->acceptProposedAction(); }

void frmMain::dragMoveEvent(QDragMoveEvent* event) { event->acceptProposedAction(); }

// The drop is finished with the source at once; questions about subfolders come right after, so
// the file manager is not kept waiting on them.
void frmMain::dropEvent(QDropEvent* event) {
  DroppedData dropped = ReadDrop(*event->mimeData());
  event->acceptProposedAction();
  QMetaObject::invokeMethod(
      this, [this, dropped] { Frame2_OLEDragDrop(dropped); }, Qt::QueuedConnection);
}

void frmMain::Frame2_OLEDragDrop(const DroppedData& dropped) {
  switch (dropped.kind) {
    case DroppedData::Kind::FileList:
      QueueGathered(dropped.files, std::nullopt);
      break;
    case DroppedData::Kind::Text:
      QueueDroppedText(dropped.text, PendingFiles_);
      break;
    case DroppedData::Kind::Unrecognized:
      prompts_.message(kUnrecognizedDrop, PromptIcon::None);
      break;
  }
}

void frmMain::Timer1_Timer() {
  if (running_) return;
  Timer1->stop();
  RunBatch();
  Timer1->start();
}

void frmMain::RunBatch() {
  if (PendingFiles_.count() == 0 && !sizedRuns_.empty()) return RunSizedBatch();
  if (PendingFiles_.count() > 0 && sizeBeingTyped_) {
    lblStatus->setText(kConfirmSizeText);
    return;
  }
  RunQueue(PendingFiles_, cmbResolution->currentText().toStdString());
}

// New launches only ever add to the back of the list, which leaves the front entry in place.
void frmMain::RunSizedBatch() {
  SizedRun& run = sizedRuns_.front();
  ShowSizeText(run.size);
  RunQueue(run.files, run.size);
  ShowSizeText(settings.ResolutionText);
  if (run.files.count() == 0) sizedRuns_.pop_front();
}

// Shows a text in the size box without making it the user's size text (which is saved at exit).
void frmMain::ShowSizeText(const std::string& text) {
  QSignalBlocker quiet(cmbResolution);
  cmbResolution->setEditText(QString::fromStdString(text));
}

void frmMain::RunQueue(PendingFiles& queue, const std::string& sizeText) {
  running_ = true;
  WindowBatchObserver observer(*lblStatus, *picProgress);
  BatchSummary summary = lumivex::RunBatch(queue, Workers_, sizeText, observer);
  if (summary.ran) ShowOutcome(summary);
  running_ = false;
  if (summary.failed > 0 || !summary.warnings.empty() || !summary.overLimit.empty() || summary.flushFailed)
    ReportFailures(summary);
}

void frmMain::ShowOutcome(const BatchSummary& summary) {
  lastRun_ = summary;
  lblStatus->setText(QString::fromStdString(RunOutcomeText(summary)));
  picProgress->DrawOutcome(summary.photos, summary.failed);
}

// A folder that could not be read is named at once, with the reason, rather than adding nothing
// in silence.
void frmMain::ShowWalkProblems(PendingFiles& queue) {
  for (const WalkProblem& problem : queue.takeProblems())
    prompts_.message(WalkProblemText(problem), PromptIcon::Warning);
}

// The status line ends a run with the counts only, which cannot say which photo failed or why: the
// failures are listed once the run is over, so none goes unnoticed. Photos written from damaged
// files are listed too: they look done but may hold grey areas; and copies that stayed above the
// file size limit even at the lowest quality.
void frmMain::ReportFailures(const BatchSummary& summary) {
  // Every photo is listed: the box scrolls, and its text can be copied.
  constexpr std::size_t kListed = std::numeric_limits<std::size_t>::max();
  std::string text;
  if (summary.failed > 0) {
    text = std::to_string(summary.failed) + (summary.failed == 1 ? " photo" : " photos") +
           " could not be resized:";
    for (std::size_t i = 0; i < summary.failures.size() && i < kListed; ++i)
      text += "\n\n" + FailureText(summary.failures[i]);
    if (summary.failures.size() > kListed) text += "\n\n...";
  }
  if (!summary.warnings.empty()) {
    if (!text.empty()) text += "\n\n";
    std::size_t count = summary.warnings.size();
    text += std::to_string(count) + (count == 1 ? " photo was" : " photos were") +
            " written from a damaged file:";
    for (std::size_t i = 0; i < count && i < kListed; ++i)
      text += "\n\n" + FileNameOf(summary.warnings[i].source) + ":\n" + summary.warnings[i].warning;
    if (count > kListed) text += "\n\n...";
  }
  if (!summary.overLimit.empty()) {
    if (!text.empty()) text += "\n\n";
    std::size_t count = summary.overLimit.size();
    text += std::to_string(count) + (count == 1 ? " copy is" : " copies are") + " above the file size limit:";
    for (std::size_t i = 0; i < count && i < kListed; ++i)
      text += "\n\n" + FileNameOf(summary.overLimit[i].outputPath) + ":\n" + summary.overLimit[i].sizeWarning;
    if (count > kListed) text += "\n\n...";
  }
  if (summary.flushFailed) {
    std::string flushText = kFlushFailedText;
    flushText[0] = 'T';
    text += (text.empty() ? "" : "\n\n") + flushText + ".";
  }
  prompts_.report(text, PromptIcon::Warning);
}

}  // namespace lumivex::ui
