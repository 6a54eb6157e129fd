// Message boxes for the window: notices with an OK button, yes/no questions and the overwrite
// question, modal and titled "Lumivex". The batch pipeline asks through the UserPrompts interface; the
// window's own questions name their icon. Tests replace the boxes with scripted answers.
#pragma once

#include <QPointer>
#include <QWidget>
#include <string>

#include "utilities/user_prompts.h"

namespace lumivex::ui {

enum class PromptIcon { None, Information, Question, Warning };

class WindowPrompts : public UserPrompts {
 public:
  // A notice with an OK button.
  virtual void message(const std::string& text, PromptIcon icon) = 0;
  // A question with Yes and No buttons; true for Yes.
  virtual bool question(const std::string& text, PromptIcon icon) = 0;
  // The overwrite question with Yes, Yes to All, No, No to All and Cancel buttons. Unless
  // overridden it is a plain question (Yes or No only).
  virtual OverwriteAnswer overwriteQuestion(const std::string& text, PromptIcon icon);
  // A notice that may be very long (the failures of a run): unless overridden, a plain message.
  virtual void report(const std::string& text, PromptIcon icon) { message(text, icon); }

  // The pipeline's own notices and questions, with the icon their text calls for.
  void notice(const std::string& text) override;
  bool askYesNo(const std::string& text) override;
  OverwriteAnswer askOverwrite(const std::string& text) override;
};

// The pipeline's interface carries no icon, so it is picked from the text: warnings for the
// overwrite question and unreadable Exif blocks, information for an orientation left alone.
PromptIcon IconOfNotice(const std::string& text);
PromptIcon IconOfQuestion(const std::string& text);

class QtUserPrompts : public WindowPrompts {
 public:
  explicit QtUserPrompts(QWidget* owner = nullptr) : owner_(owner) {}
  void setOwner(QWidget* owner) { owner_ = owner; }

  void message(const std::string& text, PromptIcon icon) override;
  bool question(const std::string& text, PromptIcon icon) override;
  OverwriteAnswer overwriteQuestion(const std::string& text, PromptIcon icon) override;
  // A scrolling list with a button that copies it, rather than a box as tall as the list.
  void report(const std::string& text, PromptIcon icon) override;

 private:
  QPointer<QWidget> owner_;
};

}  // namespace lumivex::ui
