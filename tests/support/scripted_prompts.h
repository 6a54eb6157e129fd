// Prompts for tests: yes/no questions and overwrite questions take their answers from a queue each
// (No once it is empty), and every text shown is recorded, questions of both kinds in the order
// asked. Installed for the lifetime of the object.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "utilities/user_prompts.h"

namespace testing_support {

class ScriptedPrompts : public lumivex::UserPrompts {
 public:
  ScriptedPrompts() { lumivex::setUserPrompts(this); }
  ~ScriptedPrompts() override { lumivex::setUserPrompts(nullptr); }
  ScriptedPrompts(const ScriptedPrompts&) = delete;
  ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

  void answer(bool yes) { answers_.push_back(yes); }
  void answerOverwrite(lumivex::OverwriteAnswer answer) { overwriteAnswers_.push_back(answer); }

  void notice(const std::string& text) override { notices.push_back(text); }
  bool askYesNo(const std::string& text) override {
    questions.push_back(text);
    if (answers_.empty()) return false;
    bool yes = answers_.front();
    answers_.pop_front();
    return yes;
  }
  lumivex::OverwriteAnswer askOverwrite(const std::string& text) override {
    questions.push_back(text);
    if (overwriteAnswers_.empty()) return lumivex::OverwriteAnswer::No;
    lumivex::OverwriteAnswer answer = overwriteAnswers_.front();
    overwriteAnswers_.pop_front();
    return answer;
  }

  std::vector<std::string> notices;
  std::vector<std::string> questions;

 private:
  std::deque<bool> answers_;
  std::deque<lumivex::OverwriteAnswer> overwriteAnswers_;
};

}  // namespace testing_support
