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

#include "batch/output_naming.h"
#include "batch/settings.h"
#include "batch/settings_normalise.h"
#include "batch/target_size.h"
#include "ui/form_frame.h"
#include "ui/form_metrics.h"
#include "ui/qt_user_prompts.h"
#include "ui/simple_check_box.h"
#include "ui/simple_option_button.h"
#include "ui/window_platform.h"

#ifndef LUMIVEX_VERSION
#define LUMIVEX_VERSION "0.0.0"
#endif

namespace lumivex::ui {

namespace {

constexpr int kClientWidth = 6870;
constexpr int kClientHeight = 5115;
constexpr const char* kExampleSource = "MyPicture.jpg";
constexpr std::int32_t kExampleWidth = 1024;
constexpr std::int32_t kExampleHeight = 768;

const QStringList kResizeQualities = {"Good", "Excellent", "Best"};
const QStringList kRotations = {"0 - Don't Rotate", "1 - Rotate using EXIF info", "2 - Rotate to landscape"};
const QStringList kOverwriteOptions = {"0 - Ask", "1 - Never Overwrite", "2 - Allways Overwrite"};

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

// The leading number as an index 0..2, or -1 for any other number; no number reads as 0.
int leadingIndex(const QString& text) {
  double number = LeadingNumber(text.toStdString());
  for (int index = 0; index <= 2; ++index)
    if (number == index) return index;
  return -1;
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
  cmbRotation = comboBox(rotation, "cmbRotation", kRotations, kRotations[0], TwipsRect(240, 360, 2775, 345));
  FormFrame* overwrite = frame(this, "Overwrite", TwipsRect(3480, 1080, 3255, 855));
  cmbOverwriteOption = comboBox(overwrite, "cmbOverwriteOption", kOverwriteOptions, kOverwriteOptions[0],
                                TwipsRect(240, 360, 2775, 345));
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

// Picking an entry of a combo box changes its text, so one handler serves typing and clicking.
void frmOptions::connectHandlers() {
  connect(txtJPEGQuality, &QLineEdit::textChanged, this, [this] { txtJPEGQuality_Change(); });
  connect(cmbResizeQuality, &QComboBox::editTextChanged, this, [this] { cmbResizeQuality_Change(); });
  connect(cmbRotation, &QComboBox::editTextChanged, this, [this] { cmbRotation_Change(); });
  connect(cmbOverwriteOption, &QComboBox::editTextChanged, this, [this] { cmbOverwriteOption_Change(); });
  connect(txtNewDirectory, &QLineEdit::textChanged, this, [this] { txtNewDirectory_Change(); });
  connect(txtFixedFolder, &QLineEdit::textChanged, this, [this] { txtFixedFolder_Change(); });
  connect(txtOutputFilename, &QComboBox::editTextChanged, this, [this] { txtOutputFilename_Change(); });
  connect(optSameDir, &SimpleControl::Click, this, [this] { selectDestination(0); });
  connect(optNewdirectory, &SimpleControl::Click, this, [this] { selectDestination(1); });
  connect(optFixedFolder, &SimpleControl::Click, this, [this] { selectDestination(2); });
  connect(chkCopyExif, &SimpleControl::Click, this, [this] { chkCopyExif_Click(); });
  connect(chkAutoCrop, &SimpleControl::Click, this, [this] { chkAutoCrop_Click(); });
  connect(chkAlwaysOnTop, &SimpleControl::Click, this, [this] { chkAlwaysOnTop_Click(); });
  connect(cmdBrowseFixedFolder, &QPushButton::clicked, this, [this] { cmdBrowseFixedFolder_Click(); });
  connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
}

// Writing the texts runs their change handlers, which store the values back: the load already
// brings out-of-range settings read from the file into range.
void frmOptions::Form_Load() {
  cmbResizeQuality->setEditText(QString::fromStdString(ResizeQualityName(settings.ResizeQuality)));
  if (settings.RotationMode >= 0 && settings.RotationMode <= 2)
    cmbRotation->setEditText(kRotations[settings.RotationMode]);
  if (settings.OverwriteMode >= 0 && settings.OverwriteMode <= 2)
    cmbOverwriteOption->setEditText(kOverwriteOptions[settings.OverwriteMode]);
  txtJPEGQuality->setText(QString::number(settings.JpegQuality));
  optSameDir->setSelected(settings.DestinationMode == 0);
  optNewdirectory->setSelected(settings.DestinationMode == 1);
  optFixedFolder->setSelected(settings.DestinationMode == 2);
  chkCopyExif->setSelected(settings.CopyExif);
  chkAlwaysOnTop->setSelected(settings.AlwaysOnTop);
  chkAutoCrop->setSelected(settings.AutoCrop);
  txtNewDirectory->setText(QString::fromStdString(settings.SubfolderName));
  txtFixedFolder->setText(QString::fromStdString(settings.FixedFolder));
  txtNewDirectory->setCursorPosition(0);  // long folder names show their beginning
  txtFixedFolder->setCursorPosition(0);
  txtOutputFilename->setEditText(QString::fromStdString(settings.OutputFilenamePattern));
  setWindowTitle(QString::fromStdString(OptionsCaption(LUMIVEX_VERSION)));
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
  int index = leadingIndex(cmbRotation->currentText());
  if (index >= 0) settings.RotationMode = index;
}

void frmOptions::cmbOverwriteOption_Change() {
  int index = leadingIndex(cmbOverwriteOption->currentText());
  if (index >= 0) settings.OverwriteMode = index;
}

void frmOptions::txtNewDirectory_Change() { settings.SubfolderName = txtNewDirectory->text().toStdString(); }

void frmOptions::txtFixedFolder_Change() { settings.FixedFolder = txtFixedFolder->text().toStdString(); }

void frmOptions::txtOutputFilename_Change() {
  settings.OutputFilenamePattern = txtOutputFilename->currentText().toStdString();
  std::string example = MakeOutputName(kExampleSource, kExampleWidth, kExampleHeight, "");
  lblOutputFilenameExample->setText(QString::fromStdString("Ex. " + example));
}

void frmOptions::selectDestination(int mode) {
  SimpleOptionButton* buttons[] = {optSameDir, optNewdirectory, optFixedFolder};
  for (int other = 0; other < 3; ++other)
    if (other != mode) buttons[other]->setSelected(false);
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

void frmOptions::Label3_Click() { linkOpener_(Label3->text().toStdString()); }

bool frmOptions::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Label3 && event->type() == QEvent::MouseButtonRelease) {
    Label3_Click();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace lumivex::ui
