// Runs start only from what the user chose and say what they did: a size being typed waits for
// Enter, handed-over names arrive as their bytes (missing ones are listed as failed), a folder's
// questions come before its one run, a hand-over the window did not acknowledge in time is never
// acted on, every failure is listed, Exit during a run asks, and the status counts "n of N".
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <thread>

#include "scripted_prompts.h"
#include "ui/main_window.h"
#include "ui/progress_display.h"
#include "ui/single_window.h"
#include "ui/ui_suite.h"
#include "ui/window_batch_observer.h"
#include "utilities/user_prompts.h"

using namespace lumivex;
using namespace lumivex::ui;

namespace {

struct Window {
  ui_suite::ScriptedPrompts prompts;
  frmMain window{prompts};
  std::vector<bool> ended;
  QTemporaryDir photos;
  Window() {
    setUserPrompts(&prompts);
    window.setEndProgram([this](bool duringRun) { ended.push_back(duringRun); });
    window.Form_Load({});
    window.show();
    window.timer()->stop();  // ticks are given by hand
  }
  ~Window() { setUserPrompts(nullptr); }
  std::string photo(const QString& relative) {
    QString target = photos.filePath(relative);
    QDir().mkpath(QFileInfo(target).path());
    QFile::copy(LUMIVEX_SAMPLES_DIR "/cameras/olympus-d320l.jpg", target);
    return target.toStdString();
  }
  QComboBox* sizeBox() { return window.findChild<QComboBox*>("cmbResolution"); }
};

// The hand-overs of these tests go through a socket folder of their own.
struct OwnSocketFolder {
  QTemporaryDir folder;
  QByteArray before = qgetenv("XDG_RUNTIME_DIR");
  OwnSocketFolder() { qputenv("XDG_RUNTIME_DIR", folder.path().toLocal8Bit()); }
  ~OwnSocketFolder() { qputenv("XDG_RUNTIME_DIR", before); }
};

}  // namespace

class WindowFeedbackTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { QFile::remove(QString(ui_suite::configFolder()) + "/lumivex.cfg"); }

  // The box completes "3" to a list entry, and a whole "320x240" may still be on its way to
  // "320x2400": neither starts the queued photos until the user presses Enter.
  void aSizeBeingTypedWaitsForEnter() {
    Window w;
    w.sizeBox()->setEditText("big");
    w.window.pendingFiles().append({w.photo("a.jpg"), w.photos.path().toStdString() + "/"});
    w.window.Timer1_Timer();
    QLineEdit* edit = w.sizeBox()->lineEdit();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "3");
    w.window.Timer1_Timer();
    QTest::keyClicks(edit, "20x240");
    w.window.Timer1_Timer();
    QCOMPARE(w.window.pendingFiles().count(), 1);
    QCOMPARE(w.window.findChild<QLabel*>("lblStatus")->text(), QString(kConfirmSizeText));
    QTest::keyClick(edit, Qt::Key_Return);
    w.window.Timer1_Timer();
    QCOMPARE(w.window.pendingFiles().count(), 0);
    QVERIFY(QFile::exists(w.photos.filePath("resized/a_320x240.jpg")));
  }

  // A name that is not UTF-8 reaches the window byte for byte; a missing one is listed as failed.
  void handedOverNamesArriveAsBytesAndMissingOnesFail() {
    OwnSocketFolder sockets;
    Window w;
    std::string latin1 = w.photos.path().toStdString() + "/d\xe9j\xe0.jpg";
    QVERIFY(std::rename(w.photo("plain.jpg").c_str(), latin1.c_str()) == 0);
    std::vector<HandOver> received;
    WindowListener listener([&](const HandOver& handOver) { received.push_back(handOver); });
    QVERIFY(listener.listen());
    HandOver sent{std::string("160x120"), {latin1, "/no/such/photo.jpg"}};
    bool taken = false;
    std::thread launch([&] { taken = HandToOpenWindow(sent, 10000); });
    QTRY_COMPARE(received.size(), std::size_t{1});
    launch.join();
    QVERIFY(taken);
    QVERIFY(received[0].paths == sent.paths);
    w.window.TakeHandOver(received[0]);
    w.window.Timer1_Timer();
    QCOMPARE(w.window.lastRun().failed, 1);
    QCOMPARE(w.window.lastRun().written, 1);
    QCOMPARE(w.window.lastRun().failures[0].source, std::string("/no/such/photo.jpg"));
  }

  // A window that does not acknowledge in time (here: its thread is busy) never acts on the
  // hand-over later, since the launch has gone on to resize the photos itself.
  void aHandOverNotAcknowledgedInTimeIsNeverActedOn() {
    OwnSocketFolder sockets;
    std::vector<HandOver> received;
    WindowListener listener([&](const HandOver& handOver) { received.push_back(handOver); });
    QVERIFY(listener.listen());
    bool taken = true;
    std::thread launch([&] { taken = HandToOpenWindow({std::nullopt, {"/tmp/a.jpg"}}, 300); });
    launch.join();  // the window's thread answers nothing meanwhile
    QVERIFY(!taken);
    QTest::qWait(500);
    QVERIFY(received.empty());
  }

  // The subfolder question is answered before any of the folder's photos is queued, so the tick
  // it lets through finds nothing, and the folder is done in one run.
  void aFoldersQuestionComesBeforeItsOneRun() {
    Window w;
    w.photo("top.jpg");
    w.photo("sub/low.jpg");
    w.sizeBox()->setEditText("160x120");
    std::int32_t queuedWhileAsking = -1;
    w.prompts.answers = {true};
    w.prompts.whileAsking = [&] {
      queuedWhileAsking = w.window.pendingFiles().count();
      w.window.Timer1_Timer();
    };
    w.window.TakeHandOver({std::nullopt, {w.photos.path().toStdString()}});
    QCOMPARE(queuedWhileAsking, 0);
    w.window.Timer1_Timer();
    QCOMPARE(w.window.lastRun().photos, 2);
  }

  // Twelve photos that fail are all listed, not the first ten.
  void everyFailureIsListed() {
    Window w;
    std::vector<std::string> missing;
    for (int i = 0; i < 12; ++i) missing.push_back("/no/such/missing" + std::to_string(i) + ".jpg");
    w.window.TakeHandOver({std::nullopt, missing});
    w.window.Timer1_Timer();
    QCOMPARE(w.window.lastRun().failed, 12);
    QVERIFY(!w.prompts.shown.empty());
    for (const std::string& path : missing)
      QVERIFY2(w.prompts.shown.back().text.find(path.substr(9)) != std::string::npos, path.c_str());
  }

  // Exit during a run asks first: No lets the run go on, Yes ends the program mid-run.
  void exitDuringARunAsks() {
    for (bool stop : {false, true}) {
      Window w;
      for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        w.window.pendingFiles().append({w.photo(name), w.photos.path().toStdString() + "/"});
      w.prompts.answers = {stop};
      auto* exit = w.window.findChild<QPushButton*>("cmdExit");
      QTimer::singleShot(0, exit, [exit] { exit->click(); });
      w.window.Timer1_Timer();
      QCOMPARE(w.prompts.shown.size(), std::size_t{1});
      QCOMPARE(w.prompts.shown[0].text, std::string(kStopRunQuestion));
      QCOMPARE(w.ended, stop ? std::vector<bool>{true} : std::vector<bool>{});
    }
  }

  void theStatusCountsThePhotosOfTheRun() {
    QLabel status;
    ProgressDisplay progress;
    WindowBatchObserver observer(status, progress);
    observer.entryStarted(2, 5, "/photos/a.jpg");
    observer.showStatus(ResizingText("/photos/a.jpg"));
    QCOMPARE(status.text(), QString("Resizing a.jpg...\n2 of 5"));
  }
};

LUMIVEX_UI_TEST(WindowFeedbackTest);

#include "window_feedback_test.moc"
