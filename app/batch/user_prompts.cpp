#include "batch/user_prompts.h"

#include <unistd.h>

#include <iostream>

namespace lumivex {
namespace {

UserPrompts* installed = nullptr;

// Texts are written for message boxes and may hold CR LF; the terminal wants plain line feeds.
std::string forTerminal(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != '\r') out += c;
  return out;
}

}  // namespace

UserPrompts::~UserPrompts() = default;

void TerminalPrompts::notice(const std::string& text) { std::cerr << forTerminal(text) << std::endl; }

// Without a terminal nobody can answer, so the safe answer is given at once rather than waiting
// on a pipe or a closed input.
bool TerminalPrompts::askYesNo(const std::string& text) {
  if (!isatty(STDIN_FILENO)) {
    std::cerr << forTerminal(text) << " [y/N] n (no terminal to answer)" << std::endl;
    return false;
  }
  std::cerr << forTerminal(text) << " [y/N] " << std::flush;
  std::string answer;
  if (!std::getline(std::cin, answer)) return false;
  std::size_t first = answer.find_first_not_of(" \t");
  return first != std::string::npos && (answer[first] == 'y' || answer[first] == 'Y');
}

void setUserPrompts(UserPrompts* prompts) { installed = prompts; }

UserPrompts& userPrompts() {
  static TerminalPrompts terminal;
  return installed ? *installed : terminal;
}

}  // namespace lumivex
