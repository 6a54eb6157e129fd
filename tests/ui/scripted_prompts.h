// Message boxes replaced by a script: every notice and question is recorded with its icon, and
// questions take their answers in order (No once the script runs out).
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/qt_user_prompts.h"

namespace ui_suite {

struct Shown {
  std::string text;
  lumivex::ui::PromptIcon icon;
  bool question;
};

class ScriptedPrompts : public lumivex::ui::WindowPrompts {
 public:
  void message(const std::string& text, lumivex::ui::PromptIcon icon) override {
    shown.push_back({text, icon, false});
  }
  bool question(const std::string& text, lumivex::ui::PromptIcon icon) override {
    shown.push_back({text, icon, true});
    if (whileAsking) whileAsking();  // what a real modal box lets happen meanwhile
    if (answers.empty()) return false;
    bool answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::deque<bool> answers;
  std::function<void()> whileAsking;
  std::vector<Shown> shown;
};

}  // namespace ui_suite
