// Standing answers given on the command line take the place of the terminal's questions.
#include "cli/batch_prompts.h"

namespace lumivex::cli {

bool BatchPrompts::askYesNo(const std::string& text) {
  if (standingAnswer_) return *standingAnswer_;
  return TerminalPrompts::askYesNo(text);
}

bool BatchPrompts::askAboutSubfolders(const std::string& folder) {
  if (standingAnswer_) return *standingAnswer_;
  return TerminalPrompts::askAboutSubfolders(folder);
}

OverwriteAnswer BatchPrompts::askOverwrite(const std::string& text) {
  if (standingAnswer_) return *standingAnswer_ ? OverwriteAnswer::Yes : OverwriteAnswer::No;
  return TerminalPrompts::askOverwrite(text);
}

}  // namespace lumivex::cli
