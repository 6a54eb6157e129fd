// Prompts for tests: questions take their answers from a queue (No once it is empty), and every
// text shown is recorded. Installed for the lifetime of the object.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "batch/user_prompts.h"

namespace testing_support {

class ScriptedPrompts : public lumivex::UserPrompts {
 public:
  ScriptedPrompts() { lumivex::setUserPrompts(this); }
  ~ScriptedPrompts() override { lumivex::setUserPrompts(nullptr); }
  ScriptedPrompts(const ScriptedPrompts&) = delete;
  ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

  void answer(bool yes) { answers_.push_back(yes); }

  void notice(const std::string& text) override { notices.push_back(text); }
  bool askYesNo(const std::string& text) override {
    questions.push_back(text);
    if (answers_.empty()) return false;
    bool yes = answers_.front();
    answers_.pop_front();
    return yes;
  }

  std::vector<std::string> notices;
  std::vector<std::string> questions;

 private:
  std::deque<bool> answers_;
};

}  // namespace testing_support
