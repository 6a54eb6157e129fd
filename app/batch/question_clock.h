// The time a run spends waiting on the user: every notice and question of the installed prompts
// passes through this clock while a run is going on, so that "seconds per photo" counts the work
// and not the minutes a question stayed unanswered.
#pragma once

#include <cstdint>
#include <string>

#include "utilities/user_prompts.h"

namespace lumivex {

// Installed in place of the current prompts for its lifetime; asks through them, timing each call.
class QuestionClock : public UserPrompts {
 public:
  QuestionClock();
  ~QuestionClock() override;
  QuestionClock(const QuestionClock&) = delete;
  QuestionClock& operator=(const QuestionClock&) = delete;

  std::int64_t waitedMilliseconds() const { return waited_; }

  void notice(const std::string& text) override;
  void noticeAbout(const std::string& photo, const std::string& text) override;
  bool askYesNo(const std::string& text) override;
  OverwriteAnswer askOverwrite(const std::string& text) override;
  bool askAboutSubfolders(const std::string& folder) override;

 private:
  template <typename Ask>
  auto timed(Ask ask);

  UserPrompts& inner_;
  std::int64_t waited_ = 0;
};

}  // namespace lumivex
