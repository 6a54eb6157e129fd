// A real batch started by the window's timer: photos dropped on the window come out resized in
// the subfolder, the progress bar ends full and the status reports the seconds per photo. Also
// saves the screenshots of the two forms when LUMIVEX_SCREENSHOT_DIR names a folder.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "scripted_prompts.h"
#include "settings/settings.h"
#include "ui/drop_reading.h"
#include "ui/main_window.h"
#include "ui/options_dialog.h"
#include "ui/progress_display.h"
#include "ui/ui_suite.h"
#include "utilities/user_prompts.h"

using namespace lumivex;
using namespace lumivex::ui;

namespace {

const char* const kPhotos[] = {"fujifilm-finepix40i.jpg", "sony-powershota5.jpg", "olympus-d320l.jpg"};

void saveScreenshot(QWidget& form, const char* name) {
  QString folder = qEnvironmentVariable("LUMIVEX_SCREENSHOT_DIR");
  if (folder.isEmpty()) return;
  QVERIFY(form.grab().save(QDir(folder).filePath(name), "PNG"));
}

// The status line of a finished run ends with the seconds per photo.
bool runEnded(const QLabel& status) { return status.text().endsWith(" seconds per photo)"); }

}  // namespace

class BatchFromWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { QFile::remove(QString(ui_suite::configFolder()) + "/lumivex.cfg"); }

  void timerRunsTheDroppedPhotos() {
    QTemporaryDir photos;
    QStringList dropped;
    for (const char* name : kPhotos) {
      QString target = photos.filePath(name);
      QVERIFY(QFile::copy(QString(LUMIVEX_SAMPLES_DIR "/cameras/") + name, target));
      dropped << target;
    }
    ui_suite::ScriptedPrompts prompts;
    setUserPrompts(&prompts);
    frmMain window(prompts);
    window.setEndProgram([](bool) {});
    window.Form_Load({});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.findChild<QComboBox*>("cmbResolution")->setEditText("320x240");
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : dropped) urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    window.Frame2_OLEDragDrop(ReadDrop(data));
    QCOMPARE(window.pendingFiles().count(), 3);

    auto* status = window.findChild<QLabel*>("lblStatus");
    QTRY_VERIFY_WITH_TIMEOUT(runEnded(*status), 120000);
    QVERIFY2(QRegularExpression(R"(^3 photos done\n\(\d+([.,]\d\d?)? seconds per photo\)$)")
                 .match(status->text())
                 .hasMatch(),
             qPrintable(status->text()));
    QCOMPARE(window.pendingFiles().count(), 0);
    QCOMPARE(window.lastRun().written, 3);
    QVERIFY(window.timer()->isActive());
    QVERIFY(prompts.shown.empty());

    QDir resized(photos.filePath("resized"));
    QStringList outputs = resized.entryList({"*.jpg"}, QDir::Files);
    QCOMPARE(outputs.size(), 3);
    for (const QString& name : outputs) {
      QImageReader reader(resized.filePath(name));
      QSize size = reader.size();
      QVERIFY2(size.isValid(), qPrintable(name));
      QVERIFY(size.width() <= 320 && size.height() <= 240);
      QVERIFY(size.width() == 320 || size.height() == 240);
    }

    QImage bar = window.progressDisplay()->image();
    for (int x = 0; x < bar.width(); x += 7) QCOMPARE(QColor(bar.pixel(x, 8)), QColor(96, 128, 255));
    saveScreenshot(window, "main_window.png");
    setUserPrompts(nullptr);
  }

  // A photo that fails shows its reason in the status line, which the counts replace at the end;
  // so the failures are listed in one notice once the run is over, and the bar's failed share
  // (its right half here) is red.
  void failuresAreListedAfterTheRun() {
    QTemporaryDir photos;
    QString good = photos.filePath("good.jpg"), bad = photos.filePath("broken.jpg");
    QVERIFY(QFile::copy(QString(LUMIVEX_SAMPLES_DIR "/cameras/") + kPhotos[0], good));
    QFile broken(bad);
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("not a photo");
    broken.close();
    ui_suite::ScriptedPrompts prompts;
    setUserPrompts(&prompts);
    frmMain window(prompts);
    window.setEndProgram([](bool) {});
    window.Form_Load({});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(bad), QUrl::fromLocalFile(good)});
    window.Frame2_OLEDragDrop(ReadDrop(data));
    auto* status = window.findChild<QLabel*>("lblStatus");
    QTRY_VERIFY_WITH_TIMEOUT(runEnded(*status), 120000);
    QCOMPARE(window.lastRun().written, 1);
    QVERIFY2(status->text().startsWith("1 photo done, 1 failed (1 not an image)\n("),
             qPrintable(status->text()));
    QImage bar = window.progressDisplay()->image();
    QCOMPARE(QColor(bar.pixel(2, 8)), QColor(96, 128, 255));
    QCOMPARE(QColor(bar.pixel(bar.width() / 2 - 2, 8)), QColor(96, 128, 255));
    QCOMPARE(QColor(bar.pixel(bar.width() / 2 + 2, 8)), QColor(224, 64, 64));
    QCOMPARE(QColor(bar.pixel(bar.width() - 1, 8)), QColor(224, 64, 64));
    QCOMPARE(prompts.shown.size(), std::size_t{1});
    const std::string& text = prompts.shown[0].text;
    QVERIFY2(text.find("1 photo could not be resized") == 0, text.c_str());
    QVERIFY2(text.find("broken.jpg") != std::string::npos, text.c_str());
    QVERIFY(prompts.shown[0].icon == lumivex::ui::PromptIcon::Warning);
    setUserPrompts(nullptr);
  }

  // While a run starts its jobs the window stays live: a drop joins the same run, the options
  // dialog opens and its changes reach the jobs started afterwards, and Exit saves and ends at
  // once (here the ending is only recorded, so the run goes on).
  void windowStaysLiveDuringARun() {
    QTemporaryDir photos;
    QStringList paths;
    for (int i = 0; i < 4; ++i) {
      QString target = photos.filePath(QString("photo%1.jpg").arg(i));
      QVERIFY(QFile::copy(QString(LUMIVEX_SAMPLES_DIR "/cameras/") + kPhotos[i % 3], target));
      paths << target;
    }
    ui_suite::ScriptedPrompts prompts;
    setUserPrompts(&prompts);
    frmMain window(prompts);
    std::vector<bool> ended;
    window.setEndProgram([&](bool duringRun) { ended.push_back(duringRun); });
    prompts.answers.push_back(true);  // yes, stop the run and exit
    window.Form_Load({paths[0].toStdString(), paths[1].toStdString(), paths[2].toStdString()});
    window.findChild<QComboBox*>("cmbResolution")->setEditText("160x120");

    bool acted = false;
    QTimer watcher;
    watcher.setInterval(0);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
      if (acted || !window.isRunning()) return;
      acted = true;
      QMimeData data;
      data.setUrls({QUrl::fromLocalFile(paths[3])});
      window.Frame2_OLEDragDrop(ReadDrop(data));
      QTest::mouseClick(window.findChild<QPushButton*>("cmdOptions"), Qt::LeftButton);
      window.optionsDialog()->findChild<QLineEdit*>("txtJPEGQuality")->setText("55");
      QTest::mouseClick(window.findChild<QPushButton*>("cmdExit"), Qt::LeftButton);
    });
    watcher.start();
    window.show();
    auto* status = window.findChild<QLabel*>("lblStatus");
    QTRY_VERIFY_WITH_TIMEOUT(runEnded(*status), 120000);
    QVERIFY(acted);
    QCOMPARE(ended, std::vector<bool>({true}));
    QCOMPARE(settings.JpegQuality, 55);
    QCOMPARE(window.lastRun().written, 4);
    QCOMPARE(window.pendingFiles().count(), 0);
    QCOMPARE(QDir(photos.filePath("resized")).entryList({"*.jpg"}, QDir::Files).size(), 4);
    QFile saved(QString(ui_suite::configFolder()) + "/lumivex.cfg");
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QVERIFY(saved.readAll().startsWith("\"160x120\"\r\n"));
    setUserPrompts(nullptr);
  }

  // Several sizes in the size box, separated by ";": every photo is written at each.
  void severalSizesFromTheSizeBox() {
    QTemporaryDir photos;
    QString target = photos.filePath("a.jpg");
    QVERIFY(QFile::copy(QString(LUMIVEX_SAMPLES_DIR "/cameras/") + kPhotos[0], target));
    ui_suite::ScriptedPrompts prompts;
    setUserPrompts(&prompts);
    frmMain window(prompts);
    window.setEndProgram([](bool) {});
    window.Form_Load({});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.findChild<QComboBox*>("cmbResolution")->setEditText("160x120; 80x60");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(target)});
    window.Frame2_OLEDragDrop(ReadDrop(data));
    auto* status = window.findChild<QLabel*>("lblStatus");
    QTRY_VERIFY_WITH_TIMEOUT(runEnded(*status), 120000);
    QCOMPARE(window.lastRun().written, 2);
    QCOMPARE(QDir(photos.filePath("resized")).entryList({"*.jpg"}, QDir::Files),
             QStringList({"a_160x120.jpg", "a_80x60.jpg"}));
    QVERIFY(prompts.shown.empty());
    setUserPrompts(nullptr);
  }

  void optionsDialogScreenshot() {
    LoadDefaults();
    settings.FixedFolder = "/home/user/Pictures/resized";
    ui_suite::ScriptedPrompts prompts;
    QWidget owner;
    auto* dialog = new frmOptions(&owner, prompts);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QCOMPARE(dialog->grab().size(), QSize(458, 465));
    saveScreenshot(*dialog, "options_dialog.png");
    delete dialog;
  }
};

LUMIVEX_UI_TEST(BatchFromWindowTest);

#include "batch_from_window_test.moc"
