// The options dialog's controls, filled from the settings (normalised once) and written back at
// every change, so that the next photo started sees the new value.
#include "ui/options_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <algorithm>
#include <iterator>
#include <optional>

#include "output/output_naming.h"
#include "settings/more_settings.h"
#include "settings/settings.h"
#include "settings/settings_normalise.h"
#include "settings/target_size.h"
#include "ui/controls/simple_check_box.h"
#include "ui/controls/simple_option_button.h"
#include "ui/form_frame.h"
#include "ui/form_metrics.h"
#include "ui/qt_user_prompts.h"
#include "ui/window_platform.h"

#ifndef LUMIVEX_VERSION
#define LUMIVEX_VERSION "0.0.0"
#endif

namespace lumivex::ui {

namespace {

constexpr int kClientWidth = 6870;
constexpr int kClientHeight = 6975;  // the copies' group below the controls of lumivex.cfg
constexpr const char* kExampleSource = "MyPicture.jpg";
constexpr std::int32_t kExampleWidth = 1024;
constexpr std::int32_t kExampleHeight = 768;

const QStringList kResizeQualities = {"Good", "Excellent", "Best"};
// An entry of a combo box and the mode it stands for.
template <class Mode>
struct Entry {
  Mode mode;
  const char* text;
};

// The rotation and overwrite entries start with the number lumivex.cfg stores for their mode.
constexpr Entry<RotationMode> kRotations[] = {{RotationMode::None, "0 - Don't Rotate"},
                                              {RotationMode::ByExif, "1 - Rotate using EXIF info"},
                                              {RotationMode::ToLandscape, "2 - Rotate to landscape"}};
constexpr Entry<OverwriteMode> kOverwriteOptions[] = {{OverwriteMode::Ask, "0 - Ask"},
                                                      {OverwriteMode::Never, "1 - Never Overwrite"},
                                                      {OverwriteMode::Always, "2 - Always Overwrite"}};
constexpr Entry<ProfileMode> kColourProfiles[] = {{ProfileMode::Keep, "Keep the photo's profile"},
                                                  {ProfileMode::ConvertToSrgb, "Convert to sRGB"},
                                                  {ProfileMode::Strip, "Remove the profile"}};

template <class Mode, std::size_t N>
QStringList entryTexts(const Entry<Mode> (&entries)[N]) {
  QStringList texts;
  for (const Entry<Mode>& entry : entries) texts << QString::fromLatin1(entry.text);
  return texts;
}

// The position of the mode's entry; -1 for a mode with none (an unknown number from the file).
template <class Mode, std::size_t N>
int entryIndex(const Entry<Mode> (&entries)[N], Mode mode) {
  for (std::size_t index = 0; index < N; ++index)
    if (entries[index].mode == mode) return static_cast<int>(index);
  return -1;
}

template <class Widget>
Widget* place(Widget* widget, const char* name, const QRect& geometry) {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setGeometry(geometry);
  return widget;
}

FormFrame* frame(QWidget* parent, const char* title, const QRect& geometry) {
  return place(new FormFrame(QString::fromLatin1(title), parent), title, geometry);
}

// A label is never narrower than its text: the font here may run a pixel or two wider than the one
// the layout was measured with.
QLabel* label(QWidget* parent, const char* name, const char* caption, QRect geometry) {
  auto* text = new QLabel(QString::fromLatin1(caption), parent);
  geometry.setWidth(std::max(geometry.width(), text->sizeHint().width()));
  return place(text, name, geometry);
}

QLineEdit* textBox(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
  return place(new QLineEdit(text, parent), name, geometry);
}

// Combo boxes take typed text as well as their entries.
QComboBox* comboBox(QWidget* parent, const char* name, const QStringList& entries, const QString& text,
                    const QRect& geometry) {
  auto* box = place(new QComboBox(parent), name, geometry);
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->addItems(entries);
  box->setEditText(text);
  return box;
}

template <class Control>
Control* customControl(QWidget* parent, const char* name, const char* caption, const QRect& geometry) {
  auto* control = place(new Control(QString::fromLatin1(name), parent), name, geometry);
  control->setCaption(QString::fromLatin1(caption));
  return control;
}

// The mode whose number leads the text, or none for any other number; no number reads as 0.
template <class Mode, std::size_t N>
std::optional<Mode> leadingMode(const Entry<Mode> (&entries)[N], const QString& text) {
  double number = LeadingNumber(text.toStdString());
  for (const Entry<Mode>& entry : entries)
    if (number == ModeNumber(entry.mode)) return entry.mode;
  return std::nullopt;
}

int majorMinorPart(const std::string& version, std::size_t& position) {
  int number = 0;
  while (position < version.size() && version[position] >= '0' && version[position] <= '9')
    number = number * 10 + (version[position++] - '0');
  if (position < version.size() && version[position] == '.') ++position;
  return number;
}

}  // namespace

std::string OptionsCaption(const std::string& version) {
  std::size_t position = 0;
  int major = majorMinorPart(version, position);
  int minor = majorMinorPart(version, position);
  return "Options - Lumivex v" + std::to_string(major) + "." + std::to_string(minor);
}

frmOptions::frmOptions(QWidget* mainWindow, WindowPrompts& prompts)
    : QDialog(mainWindow),
      mainWindow_(mainWindow),
      prompts_(prompts),
      folderPicker_(BrowseForFolder),
      linkOpener_([](const std::string& address) {
        QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
      }) {
  setObjectName("frmOptions");
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);
  setFont(ArialFont(9));
  setFixedSize(Twips(kClientWidth), Twips(kClientHeight));
  createQualityFrame();
  createDestinationFrame();
  createOutputFilenameFrame();
  createRotationAndOverwriteFrames();
  createOtherOptionsFrame();
  createButtonAndLink();
  createCopiesFrame();
  connectHandlers();
  Form_Load();
}

void frmOptions::createQualityFrame() {
  FormFrame* quality = frame(this, "Quality", TwipsRect(120, 120, 3255, 1095));
  label(quality, "Label1", "JPEG Quality :", TwipsRect(120, 240, 1335, 255));
  txtJPEGQuality = textBox(quality, "txtJPEGQuality", "88", TwipsRect(1680, 240, 615, 285));
  label(quality, "Label2", "Resize Quality :", TwipsRect(120, 600, 1335, 255));
  cmbResizeQuality =
      comboBox(quality, "cmbResizeQuality", kResizeQualities, "Excellent", TwipsRect(1680, 600, 1335, 345));
}

void frmOptions::createDestinationFrame() {
  FormFrame* destination = frame(this, "Destination", TwipsRect(120, 1320, 3255, 2175));
  optSameDir = customControl<SimpleOptionButton>(destination, "optSameDir", "Same folder",
                                                 TwipsRect(120, 240, 2535, 255));
  optNewdirectory = customControl<SimpleOptionButton>(destination, "optNewdirectory", "Subfolder",
                                                      TwipsRect(120, 600, 1695, 255));
  txtNewDirectory = textBox(destination, "txtNewDirectory", "resized", TwipsRect(600, 960, 2295, 285));
  optFixedFolder = customControl<SimpleOptionButton>(destination, "optFixedFolder", "Fixed folder",
                                                     TwipsRect(120, 1320, 1695, 255));
  txtFixedFolder = textBox(destination, "txtFixedFolder", QString::fromStdString(HomeFolder()),
                           TwipsRect(600, 1680, 1815, 285));
  cmdBrowseFixedFolder =
      place(new QPushButton("...", destination), "cmdBrowseFixedFolder", TwipsRect(2520, 1680, 375, 255));
  cmdBrowseFixedFolder->setFont(QApplication::font());
  cmdBrowseFixedFolder->setAutoDefault(false);
}

void frmOptions::createOutputFilenameFrame() {
  FormFrame* output = frame(this, "Output filename", TwipsRect(120, 3600, 3255, 975));
  lblOutputFilenameExample = label(output, "lblOutputFilenameExample", "Ex.: MyPicture_1024x768.jpg",
                                   TwipsRect(120, 240, 3015, 255));
  lblOutputFilenameExample->setFont(ArialFont(8.25));
  txtOutputFilename =
      comboBox(output, "txtOutputFilename", {kPresetPattern}, kPresetPattern, TwipsRect(120, 480, 3015, 330));
  txtOutputFilename->setFont(ArialFont(8.25));
}

void frmOptions::createRotationAndOverwriteFrames() {
  FormFrame* rotation = frame(this, "Rotation", TwipsRect(3480, 120, 3255, 855));
  cmbRotation = comboBox(rotation, "cmbRotation", entryTexts(kRotations), kRotations[0].text,
                         TwipsRect(240, 360, 2775, 345));
  FormFrame* overwrite = frame(this, "Overwrite", TwipsRect(3480, 1080, 3255, 855));
  cmbOverwriteOption = comboBox(overwrite, "cmbOverwriteOption", entryTexts(kOverwriteOptions),
                                kOverwriteOptions[0].text, TwipsRect(240, 360, 2775, 345));
}

void frmOptions::createOtherOptionsFrame() {
  FormFrame* other = frame(this, "Other options", TwipsRect(3480, 2040, 3255, 1455));
  chkCopyExif = customControl<SimpleCheckBox>(other, "chkCopyExif", "Copy EXIF data from source",
                                              TwipsRect(120, 240, 2775, 255));
  chkAutoCrop = customControl<SimpleCheckBox>(other, "chkAutoCrop", "Automatic Cropping",
                                              TwipsRect(120, 600, 2775, 255));
  chkAlwaysOnTop =
      customControl<SimpleCheckBox>(other, "chkAlwaysOnTop", "Always on top", TwipsRect(120, 960, 2775, 255));
}

void frmOptions::createButtonAndLink() {
  cmdOK = place(new QPushButton("OK", this), "cmdOK", TwipsRect(5880, 4200, 855, 375));
  cmdOK->setDefault(true);
  Label3 = label(this, "Label3", kProductWebAddress, TwipsRect(120, 4680, 6495, 255));
  Label3->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  Label3->setFont(ArialFont(8.25, true));
  QPalette blue = Label3->palette();
  blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
  Label3->setPalette(blue);
  Label3->setCursor(Qt::PointingHandCursor);
  Label3->installEventFilter(this);
}

// What the copies carry and how large they may become: lumivex-more.cfg. The profile box offers
// its entries only; the size box takes "300k", "1.5m" or a number of bytes, empty for no limit.
// The format box lists the writers of the table of formats and "same".
void frmOptions::createCopiesFrame() {
  FormFrame* copies = frame(this, "Colour, metadata, size and format", TwipsRect(120, 5040, 6615, 1815));
  label(copies, "lblColourProfile", "Colour profile :", TwipsRect(120, 240, 1455, 255));
  cmbColourProfile = place(new QComboBox(copies), "cmbColourProfile", TwipsRect(120, 480, 3015, 345));
  cmbColourProfile->addItems(entryTexts(kColourProfiles));
  label(copies, "lblLargestFileSize", "Largest file size :", TwipsRect(120, 1005, 1455, 255));
  txtLargestFileSize = textBox(copies, "txtLargestFileSize", "", TwipsRect(1680, 960, 1455, 285));
  txtLargestFileSize->setPlaceholderText("no limit");
  txtLargestFileSize->setToolTip("Such as 300k or 1.5m (1k = 1024 bytes); empty for no limit");
  chkLeaveOutLocation = customControl<SimpleCheckBox>(
      copies, "chkLeaveOutLocation", "Leave out the location (GPS)", TwipsRect(3360, 240, 3135, 255));
  chkKeepFileDate = customControl<SimpleCheckBox>(copies, "chkKeepFileDate", "Keep the photo's file date",
                                                  TwipsRect(3360, 600, 3135, 255));
  chkNeverEnlarge = customControl<SimpleCheckBox>(copies, "chkNeverEnlarge", "Never enlarge small photos",
                                                  TwipsRect(3360, 960, 3135, 255));
  label(copies, "lblOutputFormat", "Output format :", TwipsRect(120, 1365, 1455, 255));
  cmbOutputFormat = place(new QComboBox(copies), "cmbOutputFormat", TwipsRect(1680, 1320, 1455, 315));
  for (const std::string& name : OutputFormatNames()) cmbOutputFormat->addItem(QString::fromStdString(name));
  cmbOutputFormat->setToolTip("same: each photo in its own format (GIF and BMP as PNG, HD Photo as JPEG)");
  chkLossless = customControl<SimpleCheckBox>(copies, "chkLossless", "Lossless WebP, AVIF, JPEG XL",
                                              TwipsRect(3360, 1320, 3135, 255));
}

// Picking an entry of a combo box changes its text, so one handler serves typing and clicking.
void frmOptions::connectHandlers() {
  connect(txtJPEGQuality, &QLineEdit::textChanged, this, [this] { txtJPEGQuality_Change(); });
  connect(cmbResizeQuality, &QComboBox::editTextChanged, this, [this] { cmbResizeQuality_Change(); });
  connect(cmbRotation, &QComboBox::editTextChanged, this, [this] { cmbRotation_Change(); });
  connect(cmbOverwriteOption, &QComboBox::editTextChanged, this, [this] { cmbOverwriteOption_Change(); });
  connect(txtNewDirectory, &QLineEdit::textChanged, this, [this] { txtNewDirectory_Change(); });
  connect(txtFixedFolder, &QLineEdit::textChanged, this, [this] { txtFixedFolder_Change(); });
  connect(txtOutputFilename, &QComboBox::editTextChanged, this, [this] { txtOutputFilename_Change(); });
  connect(optSameDir, &SimpleControl::Click, this,
          [this] { selectDestination(DestinationMode::SourceFolder); });
  connect(optNewdirectory, &SimpleControl::Click, this,
          [this] { selectDestination(DestinationMode::Subfolder); });
  connect(optFixedFolder, &SimpleControl::Click, this,
          [this] { selectDestination(DestinationMode::FixedFolder); });
  connect(chkCopyExif, &SimpleControl::Click, this, [this] { chkCopyExif_Click(); });
  connect(chkAutoCrop, &SimpleControl::Click, this, [this] { chkAutoCrop_Click(); });
  connect(chkAlwaysOnTop, &SimpleControl::Click, this, [this] { chkAlwaysOnTop_Click(); });
  connect(cmdBrowseFixedFolder, &QPushButton::clicked, this, [this] { cmdBrowseFixedFolder_Click(); });
  connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
  connect(cmbColourProfile, &QComboBox::currentIndexChanged, this, [this] { cmbColourProfile_Change(); });
  connect(cmbOutputFormat, &QComboBox::currentIndexChanged, this, [this] { cmbOutputFormat_Change(); });
  connect(txtLargestFileSize, &QLineEdit::textChanged, this, [this] { txtLargestFileSize_Change(); });
  connect(chkLeaveOutLocation, &SimpleControl::Click, this, [this] { chkLeaveOutLocation_Click(); });
  connect(chkKeepFileDate, &SimpleControl::Click, this, [this] { chkKeepFileDate_Click(); });
  connect(chkNeverEnlarge, &SimpleControl::Click, this, [this] { chkNeverEnlarge_Click(); });
  connect(chkLossless, &SimpleControl::Click, this, [this] { chkLossless_Click(); });
  // OK and the close box both end in `finished`.
  connect(this, &QDialog::finished, this, [this] { saveMoreSettings(); });
}

// Writing the texts runs their change handlers, which store the values back: the load already
// brings out-of-range settings read from the file into range.
void frmOptions::Form_Load() {
  cmbResizeQuality->setEditText(QString::fromStdString(ResizeQualityName(settings.ResizeQuality)));
  if (int index = entryIndex(kRotations, settings.RotationMode); index >= 0)
    cmbRotation->setEditText(kRotations[index].text);
  if (int index = entryIndex(kOverwriteOptions, settings.OverwriteMode); index >= 0)
    cmbOverwriteOption->setEditText(kOverwriteOptions[index].text);
  txtJPEGQuality->setText(QString::number(settings.JpegQuality));
  optSameDir->setSelected(settings.DestinationMode == DestinationMode::SourceFolder);
  optNewdirectory->setSelected(settings.DestinationMode == DestinationMode::Subfolder);
  optFixedFolder->setSelected(settings.DestinationMode == DestinationMode::FixedFolder);
  chkCopyExif->setSelected(settings.CopyExif);
  chkAlwaysOnTop->setSelected(settings.AlwaysOnTop);
  chkAutoCrop->setSelected(settings.AutoCrop);
  txtNewDirectory->setText(QString::fromStdString(settings.SubfolderName));
  txtFixedFolder->setText(QString::fromStdString(settings.FixedFolder));
  txtNewDirectory->setCursorPosition(0);  // long folder names show their beginning
  txtFixedFolder->setCursorPosition(0);
  txtOutputFilename->setEditText(QString::fromStdString(settings.OutputFilenamePattern));
  setWindowTitle(QString::fromStdString(OptionsCaption(LUMIVEX_VERSION)));
  loadCopiesFrame();
}

// Filling the controls runs their handlers; the values are put back afterwards, so that opening the
// dialog never changes a setting (not even a limit the size box cannot show exactly).
void frmOptions::loadCopiesFrame() {
  const MoreSettings values = moreSettings;
  cmbColourProfile->setCurrentIndex(std::max(0, entryIndex(kColourProfiles, values.profile)));
  if (values.maxFileBytes > 0)
    txtLargestFileSize->setText(QString::fromStdString(FileSizeLimitSetting(values.maxFileBytes)));
  chkLeaveOutLocation->setSelected(values.stripLocation);
  chkKeepFileDate->setSelected(values.keepDate);
  chkNeverEnlarge->setSelected(values.shrinkOnly);
  cmbOutputFormat->setCurrentText(QString::fromStdString(OutputFormatName(values.format)));
  chkLossless->setSelected(values.lossless);
  moreSettings = values;
}

// The box keeps what was typed; only the setting is brought into 10..100.
void frmOptions::txtJPEGQuality_Change() {
  settings.JpegQuality = JpegQualityInRange(LeadingNumber(txtJPEGQuality->text().toStdString()));
}

void frmOptions::cmbResizeQuality_Change() {
  settings.ResizeQuality = ResizeQualityFromName(cmbResizeQuality->currentText().toStdString());
}

// Only the digit in front of an entry counts; any other number leaves the setting as it was.
void frmOptions::cmbRotation_Change() {
  if (auto mode = leadingMode(kRotations, cmbRotation->currentText())) settings.RotationMode = *mode;
}

void frmOptions::cmbOverwriteOption_Change() {
  if (auto mode = leadingMode(kOverwriteOptions, cmbOverwriteOption->currentText()))
    settings.OverwriteMode = *mode;
}

void frmOptions::txtNewDirectory_Change() { settings.SubfolderName = txtNewDirectory->text().toStdString(); }

void frmOptions::txtFixedFolder_Change() { settings.FixedFolder = txtFixedFolder->text().toStdString(); }

void frmOptions::txtOutputFilename_Change() {
  settings.OutputFilenamePattern = txtOutputFilename->currentText().toStdString();
  std::int32_t counter = 1;  // an example counts from the start, as every run does
  std::string example = MakeOutputName(kExampleSource, kExampleWidth, kExampleHeight, "", counter);
  lblOutputFilenameExample->setText(QString::fromStdString("Ex. " + example));
}

void frmOptions::selectDestination(DestinationMode mode) {
  const std::pair<DestinationMode, SimpleOptionButton*> buttons[] = {
      {DestinationMode::SourceFolder, optSameDir},
      {DestinationMode::Subfolder, optNewdirectory},
      {DestinationMode::FixedFolder, optFixedFolder}};
  for (const auto& [other, button] : buttons)
    if (other != mode) button->setSelected(false);
  settings.DestinationMode = mode;
}

void frmOptions::chkCopyExif_Click() { settings.CopyExif = chkCopyExif->Selected(); }

void frmOptions::chkAutoCrop_Click() { settings.AutoCrop = chkAutoCrop->Selected(); }

void frmOptions::chkAlwaysOnTop_Click() {
  settings.AlwaysOnTop = chkAlwaysOnTop->Selected();
  SetTopmost(mainWindow_, settings.AlwaysOnTop);
}

// Choosing a folder does not select the fixed-folder destination; cancelling changes nothing.
void frmOptions::cmdBrowseFixedFolder_Click() {
  std::string folder = folderPicker_(this, kBrowseTitle, txtFixedFolder->text().toStdString());
  if (!folder.empty()) txtFixedFolder->setText(QString::fromStdString(folder));
}

// A pattern without the source name or a counter gives every photo the same name.
void frmOptions::cmdOK_Click() {
  const std::string& pattern = settings.OutputFilenamePattern;
  if (pattern.find("%N") != std::string::npos || pattern.find("%SRC%") != std::string::npos) {
    close();
    return;
  }
  if (prompts_.question(kPatternWarning, PromptIcon::Warning)) {
    close();
    return;
  }
  if (prompts_.question(kPatternResetQuestion, PromptIcon::Question)) {
    settings.OutputFilenamePattern = kPresetPattern;
    txtOutputFilename->setEditText(kPresetPattern);
  }
}

void frmOptions::cmbColourProfile_Change() {
  int index = cmbColourProfile->currentIndex();
  if (index >= 0 && index < static_cast<int>(std::size(kColourProfiles)))
    moreSettings.profile = kColourProfiles[index].mode;
}

// Like the JPEG quality box, the box keeps what was typed and the setting always follows it: a
// text that is no size reads as no limit (shown in red), so that a half-typed "1.5m" never
// leaves a limit of one byte behind.
void frmOptions::txtLargestFileSize_Change() {
  std::string text = txtLargestFileSize->text().toStdString();
  std::optional<std::int64_t> bytes = text.find_first_not_of(" \t") == std::string::npos
                                          ? std::optional<std::int64_t>(0)
                                          : ParseFileSizeLimit(text);
  moreSettings.maxFileBytes = bytes.value_or(0);
  QPalette colours = palette();
  if (!bytes) colours.setColor(QPalette::Text, QColor(192, 0, 0));
  txtLargestFileSize->setPalette(colours);
}

void frmOptions::done(int result) {
  std::string text = txtLargestFileSize->text().toStdString();
  if (text.find_first_not_of(" \t") != std::string::npos && !ParseFileSizeLimit(text)) {
    prompts_.message("\"" + text + "\" is not a file size. Write it as 300 KB, 1.5 MB (or 1,5 MB), " +
                         "or leave the box empty for no limit.",
                     PromptIcon::Warning);
    txtLargestFileSize->setFocus();
    return;
  }
  QDialog::done(result);
}

void frmOptions::chkLeaveOutLocation_Click() { moreSettings.stripLocation = chkLeaveOutLocation->Selected(); }

void frmOptions::chkKeepFileDate_Click() { moreSettings.keepDate = chkKeepFileDate->Selected(); }

void frmOptions::chkNeverEnlarge_Click() { moreSettings.shrinkOnly = chkNeverEnlarge->Selected(); }

void frmOptions::cmbOutputFormat_Change() {
  if (auto format = ParseOutputFormat(cmbOutputFormat->currentText().toStdString()))
    moreSettings.format = *format;
}

void frmOptions::chkLossless_Click() { moreSettings.lossless = chkLossless->Selected(); }

void frmOptions::saveMoreSettings() {
  if (!SaveMoreSettings())
    prompts_.message("The settings could not be saved in " + ConfigFolder() + kMoreSettingsFileName + ".",
                     PromptIcon::Warning);
}

void frmOptions::Label3_Click() { linkOpener_(Label3->text().toStdString()); }

bool frmOptions::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Label3 && event->type() == QEvent::MouseButtonRelease) {
    Label3_Click();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace lumivex::ui
