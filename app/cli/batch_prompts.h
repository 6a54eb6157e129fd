// The terminal's answers for a headless run: a question is asked only when standard input is a
// terminal (otherwise the answer is No at once), unless an option has already given the answer.
#pragma once

#include <optional>
#include <string>

#include "utilities/user_prompts.h"

namespace lumivex::cli {

class BatchPrompts : public TerminalPrompts {
 public:
  // The answer given to every question from now on, the overwrite question included (as Yes or
  // No); none to ask (or say No without a terminal).
  void setStandingAnswer(std::optional<bool> answer) { standingAnswer_ = answer; }
  bool askYesNo(const std::string& text) override;
  OverwriteAnswer askOverwrite(const std::string& text) override;
  bool askAboutSubfolders(const std::string& folder) override;

 private:
  std::optional<bool> standingAnswer_;
};

}  // namespace lumivex::cli
