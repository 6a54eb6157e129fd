// The options dialog: filling from the settings, the rules by which each control writes its
// setting, the OK checks, the folder picker and the group of lumivex-more.cfg.
#include "ui/options_dialog.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "scripted_prompts.h"
#include "settings/more_settings.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "ui/controls/simple_check_box.h"
#include "ui/controls/simple_option_button.h"
#include "ui/ui_suite.h"

using namespace lumivex;
using namespace lumivex::ui;
using ui_suite::ScriptedPrompts;

namespace {

template <class Widget>
Widget* control(QWidget* dialog, const char* name) {
  auto* found = dialog->findChild<Widget*>(QString::fromLatin1(name));
  if (!found) qFatal("no control %s", name);
  return found;
}

void clickControl(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(8, 8)); }

// The bytes of a file of the configuration folder; empty when there is none.
QByteArray configFile(const char* name) {
  QFile file(QString(ui_suite::configFolder()) + "/" + name);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList entriesOf(QComboBox* box) {
  QStringList entries;
  for (int i = 0; i < box->count(); ++i) entries << box->itemText(i);
  return entries;
}

struct Fixture {
  QWidget mainWindow;
  ScriptedPrompts prompts;
  QPointer<frmOptions> dialog;
  Fixture() {
    dialog = new frmOptions(&mainWindow, prompts);
    dialog->show();
  }
  ~Fixture() { delete dialog; }
  template <class Widget>
  Widget* get(const char* name) {
    return control<Widget>(dialog, name);
  }
  void type(const char* name, const QString& text) {
    if (auto* edit = dialog->findChild<QLineEdit*>(name))
      edit->setText(text);
    else
      get<QComboBox>(name)->setEditText(text);
  }
};

}  // namespace

class OptionsDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { LoadDefaults(); }

  void controlsCarryTheirTexts() {
    Fixture f;
    QCOMPARE(entriesOf(f.get<QComboBox>("cmbResizeQuality")), QStringList({"Good", "Excellent", "Best"}));
    QCOMPARE(entriesOf(f.get<QComboBox>("cmbRotation")),
             QStringList({"0 - Don't Rotate", "1 - Rotate using EXIF info", "2 - Rotate to landscape"}));
    QCOMPARE(entriesOf(f.get<QComboBox>("cmbOverwriteOption")),
             QStringList({"0 - Ask", "1 - Never Overwrite", "2 - Always Overwrite"}));
    QCOMPARE(entriesOf(f.get<QComboBox>("txtOutputFilename")), QStringList({"%SRC%_%DSTX%_%DSTY%"}));
    QCOMPARE(f.get<SimpleOptionButton>("optSameDir")->Caption(), QString("Same folder"));
    QCOMPARE(f.get<SimpleOptionButton>("optNewdirectory")->Caption(), QString("Subfolder"));
    QCOMPARE(f.get<SimpleOptionButton>("optFixedFolder")->Caption(), QString("Fixed folder"));
    QCOMPARE(f.get<SimpleCheckBox>("chkCopyExif")->Caption(), QString("Copy EXIF data from source"));
    QCOMPARE(f.get<SimpleCheckBox>("chkAutoCrop")->Caption(), QString("Automatic Cropping"));
    QCOMPARE(f.get<SimpleCheckBox>("chkAlwaysOnTop")->Caption(), QString("Always on top"));
    QCOMPARE(f.get<QLabel>("Label1")->text(), QString("JPEG Quality :"));
    QCOMPARE(f.get<QLabel>("Label2")->text(), QString("Resize Quality :"));
    QCOMPARE(f.get<QPushButton>("cmdBrowseFixedFolder")->text(), QString("..."));
    QCOMPARE(f.get<QPushButton>("cmdOK")->text(), QString("OK"));
    QCOMPARE(f.get<QLabel>("Label3")->text(), QString(kProductWebAddress));
    QCOMPARE(f.dialog->size(), QSize(458, 465));  // 6870 x 6975 twips
    QCOMPARE(f.get<QComboBox>("cmbRotation")->geometry(), QRect(16, 24, 185, 23));
    QCOMPARE(f.get<QLabel>("lblOutputFilenameExample")->font().pointSizeF(), 8.25);
    QCOMPARE(f.get<QLabel>("Label1")->font().family(), QString("Arial"));
    QCOMPARE(f.get<QLabel>("Label1")->font().pointSizeF(), 9.0);
    QVERIFY(!f.dialog->isModal());
  }

  void captionCarriesMajorAndMinorVersion() {
    QCOMPARE(OptionsCaption("1.2.3"), std::string("Options - Lumivex v1.2"));
    QCOMPARE(OptionsCaption("10.0"), std::string("Options - Lumivex v10.0"));
    Fixture f;
    QCOMPARE(f.dialog->windowTitle().toStdString(), OptionsCaption(LUMIVEX_VERSION));
  }

  void fillingShowsTheSettings() {
    settings.ResizeQuality = 3;
    settings.RotationMode = RotationMode::ToLandscape;
    settings.OverwriteMode = OverwriteMode::Never;
    settings.JpegQuality = 75;
    settings.DestinationMode = DestinationMode::FixedFolder;
    settings.CopyExif = false;
    settings.AutoCrop = true;
    settings.SubfolderName = "small";
    settings.FixedFolder = "/srv/out";
    settings.OutputFilenamePattern = "%SRC%";
    Fixture f;
    QCOMPARE(f.get<QComboBox>("cmbResizeQuality")->currentText(), QString("Best"));
    QCOMPARE(f.get<QComboBox>("cmbRotation")->currentText(), QString("2 - Rotate to landscape"));
    QCOMPARE(f.get<QComboBox>("cmbOverwriteOption")->currentText(), QString("1 - Never Overwrite"));
    QCOMPARE(f.get<QLineEdit>("txtJPEGQuality")->text(), QString("75"));
    QVERIFY(!f.get<SimpleOptionButton>("optSameDir")->Selected());
    QVERIFY(!f.get<SimpleOptionButton>("optNewdirectory")->Selected());
    QVERIFY(f.get<SimpleOptionButton>("optFixedFolder")->Selected());
    QVERIFY(!f.get<SimpleCheckBox>("chkCopyExif")->Selected());
    QVERIFY(f.get<SimpleCheckBox>("chkAutoCrop")->Selected());
    QVERIFY(!f.get<SimpleCheckBox>("chkAlwaysOnTop")->Selected());
    QCOMPARE(f.get<QLineEdit>("txtNewDirectory")->text(), QString("small"));
    QCOMPARE(f.get<QLineEdit>("txtFixedFolder")->text(), QString("/srv/out"));
    QCOMPARE(f.get<QComboBox>("txtOutputFilename")->currentText(), QString("%SRC%"));
  }

  void fillingNormalisesSettingsReadFromTheFile() {
    settings.ResizeQuality = 7;
    settings.JpegQuality = 200;
    settings.RotationMode = static_cast<RotationMode>(9);  // shown as the first entry, left as it is
    Fixture f;
    QCOMPARE(settings.ResizeQuality, 1);
    QCOMPARE(settings.JpegQuality, 100);
    QCOMPARE(ModeNumber(settings.RotationMode), 9);
    QCOMPARE(f.get<QComboBox>("cmbRotation")->currentText(), QString("0 - Don't Rotate"));
  }

  void jpegQualityIsClampedButTheBoxIsNot_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("stored");
    QTest::newRow("150") << "150" << 100;
    QTest::newRow("7") << "7" << 10;
    QTest::newRow("88.5 to even") << "88.5" << 88;
    QTest::newRow("89.5 to even") << "89.5" << 90;
    QTest::newRow("leading blanks") << "  55 percent" << 55;
    QTest::newRow("no number") << "abc" << 10;
    QTest::newRow("huge") << "99999999999999999999999" << 100;
  }
  void jpegQualityIsClampedButTheBoxIsNot() {
    QFETCH(QString, typed);
    QFETCH(int, stored);
    Fixture f;
    f.type("txtJPEGQuality", typed);
    QCOMPARE(settings.JpegQuality, stored);
    QCOMPARE(f.get<QLineEdit>("txtJPEGQuality")->text(), typed);
  }

  void resizeQualityNeedsTheExactWord_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("stored");
    QTest::newRow("Good") << "Good" << 1;
    QTest::newRow("Excellent") << "Excellent" << 2;
    QTest::newRow("Best") << "Best" << 3;
    QTest::newRow("best") << "best" << 1;
    QTest::newRow("Best with a blank") << "Best " << 1;
  }
  void resizeQualityNeedsTheExactWord() {
    QFETCH(QString, typed);
    QFETCH(int, stored);
    Fixture f;
    f.type("cmbResizeQuality", typed);
    QCOMPARE(settings.ResizeQuality, stored);
  }

  void pickingAnEntryWritesTheSetting() {
    Fixture f;
    f.get<QComboBox>("cmbResizeQuality")->setCurrentIndex(2);
    QCOMPARE(settings.ResizeQuality, 3);
    f.get<QComboBox>("cmbOverwriteOption")->setCurrentIndex(2);
    QCOMPARE(settings.OverwriteMode, OverwriteMode::Always);
  }

  void rotationAndOverwriteTakeTheLeadingDigit_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("stored");
    QTest::newRow("2 selects landscape") << "2" << 2;
    QTest::newRow("entry text") << "1 - Rotate using EXIF info" << 1;
    QTest::newRow("5 leaves it") << "5" << 1;
    QTest::newRow("1.5 leaves it") << "1.5" << 1;
    QTest::newRow("no number is 0") << "Rotate" << 0;
  }
  void rotationAndOverwriteTakeTheLeadingDigit() {
    QFETCH(QString, typed);
    QFETCH(int, stored);
    settings.RotationMode = RotationMode::ByExif;
    settings.OverwriteMode = OverwriteMode::Never;
    Fixture f;
    f.type("cmbRotation", typed);
    QCOMPARE(ModeNumber(settings.RotationMode), stored);
    f.type("cmbOverwriteOption", typed);
    QCOMPARE(ModeNumber(settings.OverwriteMode), stored);
  }

  void textsAreStoredUnchanged() {
    Fixture f;
    f.type("txtNewDirectory", " small %WIDTH% ");
    QCOMPARE(settings.SubfolderName, std::string(" small %WIDTH% "));
    f.type("txtFixedFolder", "/tmp/out dir/");
    QCOMPARE(settings.FixedFolder, std::string("/tmp/out dir/"));
    f.type("txtOutputFilename", "%N3%_small");
    QCOMPARE(settings.OutputFilenamePattern, std::string("%N3%_small"));
  }

  void exampleFollowsThePattern() {
    Fixture f;
    f.type("txtOutputFilename", "%SRC%_%DSTX%_%DSTY%");
    QCOMPARE(f.get<QLabel>("lblOutputFilenameExample")->text(), QString("Ex. MyPicture_1024_768.jpg"));
    f.type("txtOutputFilename", "%SRC%_%DSTX%x%DSTY%");
    QCOMPARE(f.get<QLabel>("lblOutputFilenameExample")->text(), QString("Ex. MyPicture_1024x768.jpg"));
  }

  void optionButtonsActAsAGroup() {
    Fixture f;
    auto* same = f.get<SimpleOptionButton>("optSameDir");
    auto* sub = f.get<SimpleOptionButton>("optNewdirectory");
    auto* fixed = f.get<SimpleOptionButton>("optFixedFolder");
    QVERIFY(sub->Selected());
    clickControl(fixed);
    QCOMPARE(settings.DestinationMode, DestinationMode::FixedFolder);
    QVERIFY(fixed->Selected() && !same->Selected() && !sub->Selected());
    clickControl(same);
    QCOMPARE(settings.DestinationMode, DestinationMode::SourceFolder);
    QVERIFY(same->Selected() && !fixed->Selected() && !sub->Selected());
    clickControl(same);
    QCOMPARE(settings.DestinationMode, DestinationMode::SourceFolder);
    QVERIFY(same->Selected());
  }

  void checkBoxesStoreTheirState() {
    Fixture f;
    clickControl(f.get<SimpleCheckBox>("chkCopyExif"));
    QCOMPARE(settings.CopyExif, false);
    clickControl(f.get<SimpleCheckBox>("chkAutoCrop"));
    QCOMPARE(settings.AutoCrop, true);
    clickControl(f.get<SimpleCheckBox>("chkCopyExif"));
    QCOMPARE(settings.CopyExif, true);
  }

  void alwaysOnTopActsOnTheMainWindowAtOnce() {
    Fixture f;
    f.mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.mainWindow));
    clickControl(f.get<SimpleCheckBox>("chkAlwaysOnTop"));
    QVERIFY(settings.AlwaysOnTop);
    QVERIFY(f.mainWindow.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(f.mainWindow.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(f.mainWindow.isVisible());
    clickControl(f.get<SimpleCheckBox>("chkAlwaysOnTop"));
    QVERIFY(!settings.AlwaysOnTop);
    QVERIFY(!f.mainWindow.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  }

  void browseWritesTheChosenFolderOnly() {
    Fixture f;
    std::string answer;
    std::string title;
    f.dialog->setFolderPicker([&](QWidget*, const std::string& t, const std::string&) {
      title = t;
      return answer;
    });
    std::string before = settings.FixedFolder;
    QTest::mouseClick(f.get<QPushButton>("cmdBrowseFixedFolder"), Qt::LeftButton);
    QCOMPARE(title, std::string("Select the directory to store resized images in"));
    QCOMPARE(settings.FixedFolder, before);
    answer = "/srv/photos/small";
    QTest::mouseClick(f.get<QPushButton>("cmdBrowseFixedFolder"), Qt::LeftButton);
    QCOMPARE(settings.FixedFolder, answer);
    QCOMPARE(f.get<QLineEdit>("txtFixedFolder")->text(), QString("/srv/photos/small"));
    QCOMPARE(settings.DestinationMode,
             DestinationMode::Subfolder);  // choosing a folder does not choose the destination
  }

  void webLinkOpensTheAddress() {
    Fixture f;
    std::string opened;
    f.dialog->setLinkOpener([&](const std::string& address) { opened = address; });
    QTest::mouseClick(f.get<QLabel>("Label3"), Qt::LeftButton);
    QCOMPARE(opened, std::string(kProductWebAddress));
  }

  void okPassesPatternsWithSourceOrCounter_data() {
    QTest::addColumn<QString>("pattern");
    QTest::newRow("source") << "%SRC%_small";
    QTest::newRow("counter") << "%N%.jpg";
    QTest::newRow("long counter") << "photo_%N4%";
  }
  void okPassesPatternsWithSourceOrCounter() {
    QFETCH(QString, pattern);
    Fixture f;
    f.type("txtOutputFilename", pattern);
    QTest::mouseClick(f.get<QPushButton>("cmdOK"), Qt::LeftButton);
    QVERIFY(f.prompts.shown.empty());
    QTRY_VERIFY(f.dialog.isNull());  // closed and deleted
  }

  void okAsksAboutAPatternWithoutSource() {
    Fixture f;
    f.type("txtOutputFilename", "holiday");
    f.prompts.answers = {false, true};  // not sure; reset it
    QTest::mouseClick(f.get<QPushButton>("cmdOK"), Qt::LeftButton);
    QCOMPARE(f.prompts.shown.size(), std::size_t(2));
    QCOMPARE(f.prompts.shown[0].text, std::string(kPatternWarning));
    QVERIFY(f.prompts.shown[0].icon == PromptIcon::Warning);
    QCOMPARE(f.prompts.shown[1].text,
             std::string("Do you want to reset the filename selection to the original value?"));
    QVERIFY(f.prompts.shown[1].icon == PromptIcon::Question);
    QCOMPARE(settings.OutputFilenamePattern, std::string("%SRC%_%DSTX%_%DSTY%"));
    QCOMPARE(f.get<QComboBox>("txtOutputFilename")->currentText(), QString("%SRC%_%DSTX%_%DSTY%"));
    QVERIFY(f.dialog->isVisible());

    f.type("txtOutputFilename", "holiday");
    f.prompts.answers = {false, false};
    QTest::mouseClick(f.get<QPushButton>("cmdOK"), Qt::LeftButton);
    QCOMPARE(settings.OutputFilenamePattern, std::string("holiday"));
    QVERIFY(f.dialog->isVisible());

    f.prompts.answers = {true};  // sure
    QTest::mouseClick(f.get<QPushButton>("cmdOK"), Qt::LeftButton);
    QCOMPARE(settings.OutputFilenamePattern, std::string("holiday"));
    QTRY_VERIFY(f.dialog.isNull());
  }

  // The group of lumivex-more.cfg shows its settings, stores each change, and OK saves that file;
  // lumivex.cfg's thirteen records stay as they were, to the byte.
  void copiesGroupStoresAndSavesLumivexMoreCfgOnly() {
    QFile::remove(QString(ui_suite::configFolder()) + "/lumivex-more.cfg");  // earlier dialogs saved it
    moreSettings = MoreSettings{};
    moreSettings.keepDate = true;
    moreSettings.maxFileBytes = 307200;
    QVERIFY(SaveSettings());
    const QByteArray cfgBefore = configFile("lumivex.cfg");
    const std::string recordsBefore = FormatSettingsFile(settings);
    Fixture f;
    auto* profile = f.get<QComboBox>("cmbColourProfile");
    QCOMPARE(entriesOf(profile),
             QStringList({"Keep the photo's profile", "Convert to sRGB", "Remove the profile"}));
    QCOMPARE(profile->currentText(), QString("Keep the photo's profile"));
    QCOMPARE(f.get<QLineEdit>("txtLargestFileSize")->text(), QString("300k"));
    QVERIFY(f.get<SimpleCheckBox>("chkKeepFileDate")->Selected());
    QVERIFY(!f.get<SimpleCheckBox>("chkLeaveOutLocation")->Selected());
    QCOMPARE(f.get<SimpleCheckBox>("chkNeverEnlarge")->Caption(), QString("Never enlarge small photos"));

    profile->setCurrentIndex(2);
    QCOMPARE(moreSettings.profile, ProfileMode::Strip);
    profile->setCurrentIndex(1);
    clickControl(f.get<SimpleCheckBox>("chkLeaveOutLocation"));
    clickControl(f.get<SimpleCheckBox>("chkKeepFileDate"));
    clickControl(f.get<SimpleCheckBox>("chkNeverEnlarge"));
    f.type("txtLargestFileSize", "1.5x");  // no size: no limit rather than what was half typed
    QCOMPARE(moreSettings.maxFileBytes, std::int64_t{0});
    f.type("txtLargestFileSize", "");
    QCOMPARE(moreSettings.maxFileBytes, std::int64_t{0});
    f.type("txtLargestFileSize", " 1.5M");
    QCOMPARE(moreSettings.maxFileBytes, std::int64_t{1572864});
    QCOMPARE(configFile("lumivex-more.cfg"), QByteArray());  // saved when the dialog closes

    QTest::mouseClick(f.get<QPushButton>("cmdOK"), Qt::LeftButton);
    QTRY_VERIFY(f.dialog.isNull());
    QVERIFY(f.prompts.shown.empty());
    QCOMPARE(moreSettings.profile, ProfileMode::ConvertToSrgb);
    QVERIFY(moreSettings.stripLocation && !moreSettings.keepDate && moreSettings.shrinkOnly);
    const QByteArray saved = configFile("lumivex-more.cfg");
    QVERIFY(saved.contains("\nprofile = srgb\n") && saved.contains("\nmax-size = 1.5m\n"));
    MoreSettings read;
    ParseMoreSettings(saved.toStdString(), read);
    QVERIFY(read.profile == ProfileMode::ConvertToSrgb && read.stripLocation && !read.keepDate &&
            read.shrinkOnly && read.maxFileBytes == 1572864);
    QCOMPARE(configFile("lumivex.cfg"), cfgBefore);
    QCOMPARE(FormatSettingsFile(settings), recordsBefore);
    moreSettings = MoreSettings{};
  }

  // A largest file size that cannot be read keeps the dialog open with a message, whichever way
  // it is closed, rather than turning into "no limit" unseen; a comma is a decimal point.
  void anUnreadableLargestFileSizeKeepsTheDialogOpen() {
    Fixture f;
    f.type("txtLargestFileSize", "1,5 XB");
    QTest::mouseClick(f.get<QPushButton>("cmdOK"), Qt::LeftButton);
    f.dialog->close();
    QVERIFY(f.dialog && f.dialog->isVisible());
    QCOMPARE(f.prompts.shown.size(), std::size_t{2});
    f.type("txtLargestFileSize", "1,5 MB");
    QTest::mouseClick(f.get<QPushButton>("cmdOK"), Qt::LeftButton);
    QTRY_VERIFY(f.dialog.isNull());
    QCOMPARE(moreSettings.maxFileBytes, std::int64_t{1572864});
    moreSettings = MoreSettings{};
  }

  void closeBoxKeepsChangesWithoutQuestions() {
    Fixture f;
    f.type("txtOutputFilename", "holiday");
    f.type("txtJPEGQuality", "60");
    f.dialog->close();
    QVERIFY(f.prompts.shown.empty());
    QCOMPARE(settings.OutputFilenamePattern, std::string("holiday"));
    QCOMPARE(settings.JpegQuality, 60);
    QTRY_VERIFY(f.dialog.isNull());
  }
};

LUMIVEX_UI_TEST(OptionsDialogTest);

#include "options_dialog_test.moc"
