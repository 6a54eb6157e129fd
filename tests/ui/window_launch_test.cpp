// What a launch brings to the window: its command line (--size and the items), and photos handed
// over by a later launch with a size of their own, which run at that size while the size box
// keeps the user's text.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include "settings/settings.h"
#include "utilities/user_prompts.h"
#include "scripted_prompts.h"
#include "ui/main_window.h"
#include "ui/single_window.h"
#include "ui/ui_suite.h"
#include "ui/window_arguments.h"

using namespace lumivex;
using namespace lumivex::ui;

Q_DECLARE_METATYPE(std::vector<std::string>)

class WindowLaunchTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { QFile::remove(QString(ui_suite::configFolder()) + "/lumivex.cfg"); }

  void commandLineIsRead_data() {
    QTest::addColumn<std::vector<std::string>>("arguments");
    QTest::addColumn<QString>("size");  // "-" for none
    QTest::addColumn<std::vector<std::string>>("items");
    QTest::addColumn<bool>("error");
    using Strings = std::vector<std::string>;
    QTest::newRow("items only") << Strings{"a.jpg", "b"} << "-" << Strings{"a.jpg", "b"} << false;
    QTest::newRow("size") << Strings{"--size", "50%", "a.jpg"} << "50%" << Strings{"a.jpg"} << false;
    QTest::newRow("size=") << Strings{"a.jpg", "--size=1024x768"} << "1024x768" << Strings{"a.jpg"} << false;
    QTest::newRow("-s and --") << Strings{"-s", "800x600", "--", "--size"} << "800x600" << Strings{"--size"}
                               << false;
    QTest::newRow("bad size") << Strings{"--size", "big", "a.jpg"} << "-" << Strings{} << true;
    QTest::newRow("no value") << Strings{"a.jpg", "--size"} << "-" << Strings{"a.jpg"} << true;
  }

  void commandLineIsRead() {
    QFETCH(std::vector<std::string>, arguments);
    QFETCH(QString, size);
    QFETCH(std::vector<std::string>, items);
    QFETCH(bool, error);
    WindowArguments parsed = ParseWindowArguments(arguments);
    QCOMPARE(!parsed.error.empty(), error);
    if (error) return;
    QCOMPARE(parsed.size ? QString::fromStdString(*parsed.size) : QString("-"), size);
    QVERIFY(parsed.items == items);
  }

  void handedOverPhotosRunAtTheirOwnSize() {
    QTemporaryDir photos;
    QString sized = photos.filePath("sized.jpg"), plain = photos.filePath("plain.jpg");
    for (const QString& target : {sized, plain})
      QVERIFY(QFile::copy(LUMIVEX_SAMPLES_DIR "/cameras/olympus-d320l.jpg", target));  // 640x480
    ui_suite::ScriptedPrompts prompts;
    setUserPrompts(&prompts);
    frmMain window(prompts);
    window.setEndProgram([](bool) {});
    window.Form_Load({});
    auto* box = window.findChild<QComboBox*>("cmbResolution");
    box->setEditText("320x240");
    window.TakeHandOver({std::string("160x120"), {sized.toStdString()}});
    window.TakeHandOver({std::nullopt, {plain.toStdString()}});
    QCOMPARE(window.sizedRunsWaiting(), std::size_t{1});
    QCOMPARE(window.pendingFiles().count(), 1);
    window.show();
    QDir resized(photos.filePath("resized"));
    QTRY_VERIFY_WITH_TIMEOUT(resized.exists("sized_160x120.jpg") && resized.exists("plain_320x240.jpg"),
                             60000);
    QTRY_COMPARE_WITH_TIMEOUT(window.sizedRunsWaiting(), std::size_t{0}, 10000);
    QCOMPARE(QImageReader(resized.filePath("sized_160x120.jpg")).size(), QSize(160, 120));
    QCOMPARE(box->currentText(), QString("320x240"));
    QCOMPARE(settings.ResolutionText, std::string("320x240"));
    setUserPrompts(nullptr);
  }
};

LUMIVEX_UI_TEST(WindowLaunchTest);

#include "window_launch_test.moc"
