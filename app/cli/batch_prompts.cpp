#include "cli/batch_prompts.h"

namespace lumivex::cli {

bool BatchPrompts::askYesNo(const std::string& text) {
  if (standingAnswer_) return *standingAnswer_;
  return TerminalPrompts::askYesNo(text);
}

}  // namespace lumivex::cli
