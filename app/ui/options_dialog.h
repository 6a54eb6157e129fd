// The options dialog: every setting of the program, written the moment its control changes, so
// that the next photo job started sees it. It is not modal; OK only checks the file name pattern
// and closes, and the close box keeps every change too. The settings that lumivex.cfg has no
// record for (lumivex-more.cfg) have a group of their own below the others; closing the dialog
// saves that file, while lumivex.cfg is saved when the program ends.
#pragma once

#include <QDialog>
#include <QPointer>
#include <functional>
#include <string>

#include "settings/setting_modes.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace lumivex::ui {

class SimpleCheckBox;
class SimpleOptionButton;
class WindowPrompts;

inline constexpr const char* kProductWebAddress = "https://lumivex.org/";
inline constexpr const char* kPresetPattern = "%SRC%_%DSTX%_%DSTY%";
inline constexpr const char* kBrowseTitle = "Select the directory to store resized images in";
inline constexpr const char* kPatternWarning =
    "Your output filename selection does not contain a %SRC% tag, which will prevent you to resize more than "
    "one "
    "image.\r\nAre you sure this is what you wanted?";
inline constexpr const char* kPatternResetQuestion =
    "Do you want to reset the filename selection to the original value?";

// "Options - Lumivex v" and the major and minor numbers of a version such as "1.2.3".
std::string OptionsCaption(const std::string& version);

class frmOptions : public QDialog {
  Q_OBJECT

 public:
  using FolderPicker =
      std::function<std::string(QWidget* owner, const std::string& title, const std::string& start)>;
  using LinkOpener = std::function<void(const std::string& address)>;

  // Built and filled from the settings at once (the dialog's load); `mainWindow` is the window
  // that the always-on-top box acts on. The dialog deletes itself when closed.
  frmOptions(QWidget* mainWindow, WindowPrompts& prompts);

  // Tests replace the folder picker and the web browser.
  void setFolderPicker(FolderPicker picker) { folderPicker_ = std::move(picker); }
  void setLinkOpener(LinkOpener opener) { linkOpener_ = std::move(opener); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Every way of closing (OK, the close box, Escape) ends here: a largest file size that cannot
  // be read keeps the dialog open, so that it never turns into "no limit" unseen.
  void done(int result) override;

 private:
  void createQualityFrame();
  void createDestinationFrame();
  void createOutputFilenameFrame();
  void createRotationAndOverwriteFrames();
  void createOtherOptionsFrame();
  void createButtonAndLink();
  void createCopiesFrame();
  void connectHandlers();
  void Form_Load();
  void loadCopiesFrame();

  void txtJPEGQuality_Change();
  void cmbResizeQuality_Change();
  void cmbRotation_Change();
  void cmbOverwriteOption_Change();
  void txtNewDirectory_Change();
  void txtFixedFolder_Change();
  void txtOutputFilename_Change();
  void selectDestination(DestinationMode mode);
  void chkCopyExif_Click();
  void chkAutoCrop_Click();
  void chkAlwaysOnTop_Click();
  void cmdBrowseFixedFolder_Click();
  void cmdOK_Click();
  void cmbColourProfile_Change();
  void cmbOutputFormat_Change();
  void chkLossless_Click();
  void txtLargestFileSize_Change();
  void chkLeaveOutLocation_Click();
  void chkKeepFileDate_Click();
  void chkNeverEnlarge_Click();
  void saveMoreSettings();
  void Label3_Click();

  QPointer<QWidget> mainWindow_;
  WindowPrompts& prompts_;
  FolderPicker folderPicker_;
  LinkOpener linkOpener_;

  QLineEdit* txtJPEGQuality = nullptr;
  QComboBox* cmbResizeQuality = nullptr;
  SimpleOptionButton* optSameDir = nullptr;
  SimpleOptionButton* optNewdirectory = nullptr;
  QLineEdit* txtNewDirectory = nullptr;
  SimpleOptionButton* optFixedFolder = nullptr;
  QLineEdit* txtFixedFolder = nullptr;
  QPushButton* cmdBrowseFixedFolder = nullptr;
  QLabel* lblOutputFilenameExample = nullptr;
  QComboBox* txtOutputFilename = nullptr;
  QComboBox* cmbRotation = nullptr;
  QComboBox* cmbOverwriteOption = nullptr;
  SimpleCheckBox* chkCopyExif = nullptr;
  SimpleCheckBox* chkAutoCrop = nullptr;
  SimpleCheckBox* chkAlwaysOnTop = nullptr;
  QPushButton* cmdOK = nullptr;
  QLabel* Label3 = nullptr;
  QComboBox* cmbColourProfile = nullptr;
  QLineEdit* txtLargestFileSize = nullptr;
  SimpleCheckBox* chkLeaveOutLocation = nullptr;
  SimpleCheckBox* chkKeepFileDate = nullptr;
  SimpleCheckBox* chkNeverEnlarge = nullptr;
  QComboBox* cmbOutputFormat = nullptr;
  SimpleCheckBox* chkLossless = nullptr;
};

}  // namespace lumivex::ui
