// The window's message boxes: notices, yes/no questions and the five-button overwrite question.
#include "ui/qt_user_prompts.h"

#include <QMessageBox>

#include "ui/report_dialog.h"

namespace lumivex::ui {

namespace {

constexpr const char* kTitle = "Lumivex";

bool startsWith(const std::string& text, const char* head) { return text.rfind(head, 0) == 0; }

QMessageBox::Icon qtIconOf(PromptIcon icon) {
  switch (icon) {
    case PromptIcon::Information:
      return QMessageBox::Information;
    case PromptIcon::Question:
      return QMessageBox::Question;
    case PromptIcon::Warning:
      return QMessageBox::Warning;
    case PromptIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

OverwriteAnswer overwriteAnswerOf(int button) {
  switch (button) {
    case QMessageBox::Yes:
      return OverwriteAnswer::Yes;
    case QMessageBox::YesToAll:
      return OverwriteAnswer::YesToAll;
    case QMessageBox::No:
      return OverwriteAnswer::No;
    case QMessageBox::NoToAll:
      return OverwriteAnswer::NoToAll;
    default:  // Cancel, and the box closed by Escape or its close button
      return OverwriteAnswer::Cancel;
  }
}

}  // namespace

PromptIcon IconOfNotice(const std::string& text) {
  if (startsWith(text, "Error reading Exif info")) return PromptIcon::Warning;
  if (startsWith(text, "Note: Image was not rotated")) return PromptIcon::Information;
  return PromptIcon::None;
}

PromptIcon IconOfQuestion(const std::string& text) {
  if (startsWith(text, "File ") &&
      text.find(" already exists, do you want to overwrite it?") != std::string::npos)
    return PromptIcon::Warning;
  return PromptIcon::Question;
}

void WindowPrompts::notice(const std::string& text) { message(text, IconOfNotice(text)); }

bool WindowPrompts::askYesNo(const std::string& text) { return question(text, IconOfQuestion(text)); }

OverwriteAnswer WindowPrompts::askOverwrite(const std::string& text) {
  return overwriteQuestion(text, IconOfQuestion(text));
}

OverwriteAnswer WindowPrompts::overwriteQuestion(const std::string& text, PromptIcon icon) {
  return question(text, icon) ? OverwriteAnswer::Yes : OverwriteAnswer::No;
}

void QtUserPrompts::message(const std::string& text, PromptIcon icon) {
  QMessageBox box(qtIconOf(icon), kTitle, QString::fromStdString(text), QMessageBox::Ok, owner_);
  box.exec();
}

bool QtUserPrompts::question(const std::string& text, PromptIcon icon) {
  QMessageBox box(qtIconOf(icon), kTitle, QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No,
                  owner_);
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

void QtUserPrompts::report(const std::string& text, PromptIcon) {
  ShowReportDialog(owner_, kTitle, QString::fromStdString(text));
}

// Cancel is the box's escape button, so Escape and the close button stop the run rather than
// answer for one file.
OverwriteAnswer QtUserPrompts::overwriteQuestion(const std::string& text, PromptIcon icon) {
  QMessageBox box(
      qtIconOf(icon), kTitle, QString::fromStdString(text),
      QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::NoToAll | QMessageBox::Cancel,
      owner_);
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::Cancel);
  return overwriteAnswerOf(box.exec());
}

}  // namespace lumivex::ui
