// The main window: its controls, start-up, the command line, the three kinds of drop, the
// options button and the exit path.
#include "ui/main_window.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <fstream>

#include "scripted_prompts.h"
#include "settings/settings.h"
#include "settings/target_size.h"
#include "ui/drop_reading.h"
#include "ui/form_frame.h"
#include "ui/progress_display.h"
#include "ui/ui_suite.h"
#include "utilities/user_prompts.h"

using namespace lumivex;
using namespace lumivex::ui;
using ui_suite::ScriptedPrompts;

namespace {

void writeFile(const QString& path, const std::string& bytes = "x") {
  QDir().mkpath(QFileInfo(path).path());
  std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

std::string configFile(const char* name) { return std::string(ui_suite::configFolder()) + "/" + name; }

std::vector<std::string> queuedPaths(frmMain& window) {
  std::vector<std::string> paths;
  for (std::int32_t i = 1; i <= window.pendingFiles().count(); ++i)
    paths.push_back(window.pendingFiles().at(i).Path);
  return paths;
}

struct Fixture {
  ScriptedPrompts prompts;
  frmMain window{prompts};
  std::vector<bool> ended;
  QTemporaryDir photos;
  Fixture(const std::vector<std::string>& arguments = {}) {
    setUserPrompts(&prompts);
    window.setEndProgram([this](bool duringRun) { ended.push_back(duringRun); });
    window.Form_Load(arguments);
  }
  // Runs are started by hand here, never by the timer.
  void show() {
    window.show();
    window.timer()->stop();
  }
  ~Fixture() { setUserPrompts(nullptr); }
  QString photo(const QString& relative) {
    QString path = photos.filePath(relative);
    writeFile(path);
    return path;
  }
  template <class Widget>
  Widget* get(const char* name) {
    return window.findChild<Widget*>(QString::fromLatin1(name));
  }
};

QMimeData* fileListOf(const QStringList& paths) {
  auto* data = new QMimeData;
  QList<QUrl> urls;
  for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
  data->setUrls(urls);
  data->setText(paths.join("\n"));  // file managers offer the text as well
  return data;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    QFile::remove(QString::fromStdString(configFile("lumivex.cfg")));
    QFile::remove(QString::fromStdString(configFile("resolutions.cfg")));
  }

  void controlsHaveTheirCaptionsAndPlaces() {
    Fixture f;
    QCOMPARE(f.window.windowTitle(), QString("Lumivex"));
    QVERIFY(!f.window.windowIcon().isNull());
    QCOMPARE(f.window.size(), QSize(227, 189));  // 3405 x 2835 twips
    QVERIFY(f.window.acceptDrops());
    QCOMPARE(f.get<QPushButton>("cmdOptions")->text(), QString("Options"));
    QCOMPARE(f.get<QPushButton>("cmdOptions")->geometry(), QRect(8, 8, 97, 25));
    QCOMPARE(f.get<QPushButton>("cmdExit")->text(), QString("Exit"));
    QCOMPARE(f.get<QPushButton>("cmdExit")->geometry(), QRect(120, 8, 97, 25));
    QCOMPARE(f.get<QLabel>("Label1")->text(), QString("Resolution:"));
    QCOMPARE(f.get<QLabel>("Label1")->geometry(), QRect(8, 48, 73, 17));
    QCOMPARE(f.get<QComboBox>("cmbResolution")->geometry(), QRect(88, 48, 105, 23));
    QCOMPARE(f.get<FormFrame>("Frame2")->title(), QString("Drop files here"));
    QCOMPARE(f.get<FormFrame>("Frame2")->geometry(), QRect(8, 80, 185, 73));
    QCOMPARE(f.get<QLabel>("lblStatus")->geometry(), QRect(8, 17, 169, 53));
    QCOMPARE(f.get<QLabel>("lblStatus")->text(), QString());
    QCOMPARE(f.window.progressDisplay()->geometry(), QRect(8, 160, 185, 17));
    QCOMPARE(f.get<QLabel>("Label1")->font().family(), QString("Arial"));
    QCOMPARE(f.get<QLabel>("Label1")->font().pointSizeF(), 9.0);
    QCOMPARE(f.window.timer()->interval(), 500);
    QVERIFY(f.window.workerCount() == 1 || f.window.workerCount() == 2 || f.window.workerCount() == 4 ||
            f.window.workerCount() == 8);
  }

  void timerStartsWhenTheWindowIsShown() {
    Fixture f;
    QVERIFY(!f.window.timer()->isActive());
    f.window.show();
    QVERIFY(f.window.timer()->isActive());
    f.window.timer()->stop();
  }

  void sizeBoxHasTheBuiltInEntries() {
    Fixture f;
    auto* box = f.get<QComboBox>("cmbResolution");
    QStringList entries;
    for (int i = 0; i < box->count(); ++i) entries << box->itemText(i);
    QCOMPARE(entries, QStringList({"320x240", "640x480", "600x600", "800x600", "1024x768", "1280x800",
                                   "1280x960", "1680x1050", "1600x1200"}));
    QCOMPARE(box->currentText(), QString("800x600"));
    QVERIFY(box->isEditable());
    box->setEditText("50%");
    QCOMPARE(settings.ResolutionText, std::string("50%"));
  }

  void sizeListAndTextComeFromTheFiles() {
    writeFile(QString::fromStdString(configFile("resolutions.cfg")), "1920x1080\r\n  \r\n 25%\r\n");
    writeFile(QString::fromStdString(configFile("lumivex.cfg")), "\"33%\"\r\n3\r\n70\r\n");
    Fixture f;
    auto* box = f.get<QComboBox>("cmbResolution");
    QCOMPARE(box->count(), 2);
    QCOMPARE(box->itemText(0), QString("1920x1080"));
    QCOMPARE(box->itemText(1), QString(" 25%"));
    QCOMPARE(box->currentText(), QString("33%"));
    QCOMPARE(settings.JpegQuality, 70);
  }

  void alwaysOnTopSettingIsAppliedAtStart() {
    writeFile(QString::fromStdString(configFile("lumivex.cfg")),
              "\"800x600\"\r\n2\r\n88\r\n0\r\n\"resized\"\r\n#TRUE#\r\n#TRUE#\r\n");
    Fixture f;
    QVERIFY(settings.AlwaysOnTop);
    QVERIFY(f.window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  }

  void commandLineQueuesImagesAndFolders() {
    QTemporaryDir dir;
    writeFile(dir.filePath("a.jpg"));
    writeFile(dir.filePath("notes.txt"));
    writeFile(dir.filePath("album/b.GIF"));
    std::string folder = dir.filePath("album").toStdString();
    Fixture f({dir.filePath("a.jpg").toStdString(), dir.filePath("notes.txt").toStdString(), folder,
               "/no/such.jpg"});
    QCOMPARE(f.window.pendingFiles().count(), 3);
    QCOMPARE(f.window.pendingFiles().at(3).Path, std::string("/no/such.jpg"));  // the run names it
    QCOMPARE(f.window.pendingFiles().at(1).Path, dir.filePath("a.jpg").toStdString());
    QCOMPARE(f.window.pendingFiles().at(1).BaseDir, dir.path().toStdString() + "/");
    QCOMPARE(f.window.pendingFiles().at(2).Path, folder + "/b.GIF");
    QCOMPARE(f.window.pendingFiles().at(2).BaseDir, folder);
  }

  void droppedFilesAreQueuedInOrder() {
    Fixture f;
    QString second = f.photo("b.JPEG");
    QString first = f.photo("a.bmp");
    QString text = f.photo("c.txt");
    QString hidden = f.photo(".hidden.jpg");
    std::unique_ptr<QMimeData> data(fileListOf({second, text, first, hidden}));
    f.window.Frame2_OLEDragDrop(ReadDrop(*data));
    // A hidden file dropped by name is the user's choice; only a folder walk passes hidden names by.
    QCOMPARE(queuedPaths(f.window),
             std::vector<std::string>({second.toStdString(), first.toStdString(), hidden.toStdString()}));
    QCOMPARE(f.window.pendingFiles().at(1).BaseDir, f.photos.path().toStdString() + "/");
    QVERIFY(f.prompts.shown.empty());
  }

  void droppedFolderAsksOncePerLevel_data() {
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<int>("questions");
    QTest::addColumn<QStringList>("queued");
    QTest::newRow("no") << QList<bool>{false} << 1 << QStringList{"top.jpg"};
    QTest::newRow("yes then no") << QList<bool>{true, false} << 2 << QStringList{"top.jpg", "sub/mid.jpg"};
    QTest::newRow("yes to all") << QList<bool>{true, true} << 2
                                << QStringList{"top.jpg", "sub/mid.jpg", "sub/deep/low.jpg"};
  }
  void droppedFolderAsksOncePerLevel() {
    QFETCH(QList<bool>, answers);
    QFETCH(int, questions);
    QFETCH(QStringList, queued);
    Fixture f;
    f.photo("top.jpg");
    f.photo("sub/mid.jpg");
    f.photo("sub/deep/low.jpg");
    for (bool answer : answers) f.prompts.answers.push_back(answer);
    std::unique_ptr<QMimeData> data(fileListOf({f.photos.path()}));
    f.window.Frame2_OLEDragDrop(ReadDrop(*data));
    QCOMPARE(int(f.prompts.shown.size()), questions);
    QCOMPARE(f.prompts.shown[0].text,
             "Do you want to process subfolders of \n" + f.photos.path().toStdString() + "\n as well?");
    QVERIFY(f.prompts.shown[0].icon == PromptIcon::Question);
    std::vector<std::string> expected;
    for (const QString& name : queued) expected.push_back(f.photos.filePath(name).toStdString());
    QCOMPARE(queuedPaths(f.window), expected);
    for (std::int32_t i = 1; i <= f.window.pendingFiles().count(); ++i)
      QCOMPARE(f.window.pendingFiles().at(i).BaseDir, f.photos.path().toStdString());
  }

  void textDropQueuesAnExistingFileOnly() {
    Fixture f;
    QString notes = f.photo("notes.txt");
    QMimeData text;
    text.setText(notes);
    f.window.Frame2_OLEDragDrop(ReadDrop(text));
    QCOMPARE(queuedPaths(f.window), std::vector<std::string>({notes.toStdString()}));
    QMimeData folder;
    folder.setText(f.photos.path());
    f.window.Frame2_OLEDragDrop(ReadDrop(folder));
    QCOMPARE(f.window.pendingFiles().count(), 1);  // text drops are never walked
    QVERIFY(f.prompts.shown.empty());
  }

  void unknownDropFormatIsReported() {
    Fixture f;
    QMimeData data;
    data.setData("application/x-unknown", "123");
    f.window.Frame2_OLEDragDrop(ReadDrop(data));
    QCOMPARE(f.prompts.shown.size(), std::size_t(1));
    QCOMPARE(f.prompts.shown[0].text, std::string("Unrecognized drop format"));
    QVERIFY(f.prompts.shown[0].icon == PromptIcon::None);
    QVERIFY(!f.prompts.shown[0].question);
    QCOMPARE(f.window.pendingFiles().count(), 0);
  }

  void dropEventsReachTheQueue() {
    Fixture f;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    QString photo = f.photo("dropped.jpg");
    std::unique_ptr<QMimeData> data(fileListOf({photo}));
    QWidget* target = f.get<QLabel>("lblStatus");
    QPoint at = target->mapTo(&f.window, QPoint(5, 5));
    QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&f.window, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&f.window, &drop);
    QVERIFY(drop.isAccepted());
    QTRY_COMPARE(f.window.pendingFiles().count(), 1);
    QCOMPARE(f.window.pendingFiles().at(1).Path, photo.toStdString());
  }

  void invalidSizeKeepsTheQueue_data() {
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("status");
    QTest::newRow("upper-case X") << "800X600"
                                  << "Incorrect resolution selected!";
    QTest::newRow("too wide") << "16001x100"
                              << "Incorrect resolution selected!";
    QTest::newRow("0.5%") << "0.5%"
                          << "Incorrect percentage selected!";
    QTest::newRow("1001%") << "1001%"
                           << "Incorrect percentage selected!";
  }
  void invalidSizeKeepsTheQueue() {
    QFETCH(QString, size);
    QFETCH(QString, status);
    Fixture f;
    f.window.pendingFiles().append({f.photo("a.jpg").toStdString(), f.photos.path().toStdString() + "/"});
    f.get<QComboBox>("cmbResolution")->setEditText(size);
    f.window.Timer1_Timer();
    QCOMPARE(f.get<QLabel>("lblStatus")->text(), QString::fromStdString(WithSizeForms(status.toStdString())));
    QCOMPARE(f.window.pendingFiles().count(), 1);
    QVERIFY(f.window.timer()->isActive());  // ticking again
  }

  void emptyQueueLeavesTheStatus() {
    Fixture f;
    f.get<QLabel>("lblStatus")->setText("earlier");
    f.window.Timer1_Timer();
    QCOMPARE(f.get<QLabel>("lblStatus")->text(), QString("earlier"));
  }

  void optionsOpensTheDialogWithoutModality() {
    Fixture f;
    f.show();
    f.window.LoadOptionsHidden();
    QVERIFY(f.window.optionsDialog());
    QVERIFY(!f.window.optionsDialog()->isVisible());
    QTest::mouseClick(f.get<QPushButton>("cmdOptions"), Qt::LeftButton);
    frmOptions* dialog = f.window.optionsDialog();
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->isModal());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QPointer<frmOptions> closed = dialog;
    settings.JpegQuality = 42;
    dialog->close();
    // Unloaded at once, though deleted only later: a new click loads and fills a new dialog.
    QVERIFY(!f.window.optionsDialog());
    QTest::mouseClick(f.get<QPushButton>("cmdOptions"), Qt::LeftButton);
    QVERIFY(f.window.optionsDialog() && f.window.optionsDialog() != closed.data());
    QVERIFY(f.window.optionsDialog()->isVisible());
    QCOMPARE(f.window.optionsDialog()->findChild<QLineEdit*>("txtJPEGQuality")->text(), QString("42"));
    QTRY_VERIFY(closed.isNull());
  }

  void exitSavesTheSettingsAndEnds() {
    Fixture f;
    f.show();
    f.get<QComboBox>("cmbResolution")->setEditText("1024x768");
    settings.JpegQuality = 77;
    QTest::mouseClick(f.get<QPushButton>("cmdExit"), Qt::LeftButton);
    QCOMPARE(f.ended, std::vector<bool>({false}));
    std::ifstream saved(configFile("lumivex.cfg"), std::ios::binary);
    std::string line1, line2, line3;
    std::getline(saved, line1);
    std::getline(saved, line2);
    std::getline(saved, line3);
    QCOMPARE(line1, std::string("\"1024x768\"\r"));
    QCOMPARE(line3, std::string("77\r"));
  }

  void closeBoxEndsTheSameWay() {
    Fixture f;
    f.show();
    f.window.close();
    QCOMPARE(f.ended, std::vector<bool>({false}));
    QVERIFY(QFile::exists(QString::fromStdString(configFile("lumivex.cfg"))));
  }
};

LUMIVEX_UI_TEST(MainWindowTest);

#include "main_window_test.moc"
