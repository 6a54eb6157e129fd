// The terminal's notices and questions, and the installed prompts the batch asks through.
#include "utilities/user_prompts.h"

#include <unistd.h>

#include <iostream>
#include <optional>

#include "utilities/terminal_text.h"

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

constexpr const char* kOverwriteChoices = " [y/n/a/N/q] ";

// One letter, spaces around it allowed; n and N differ, the other letters take either case.
std::optional<OverwriteAnswer> overwriteAnswerOf(const std::string& line) {
  std::size_t first = line.find_first_not_of(" \t\r");
  std::size_t last = line.find_last_not_of(" \t\r");
  if (first == std::string::npos || first != last) return std::nullopt;
  switch (line[first]) {
    case 'y':
    case 'Y':
      return OverwriteAnswer::Yes;
    case 'n':
      return OverwriteAnswer::No;
    case 'a':
    case 'A':
      return OverwriteAnswer::YesToAll;
    case 'N':
      return OverwriteAnswer::NoToAll;
    case 'q':
    case 'Q':
      return OverwriteAnswer::Cancel;
    default:
      return std::nullopt;
  }
}

constexpr const char* kSubfolderChoices = " [y/n/a/N] ";

std::optional<SubfolderAnswer> subfolderAnswerOf(const std::string& line) {
  std::optional<OverwriteAnswer> letter = overwriteAnswerOf(line);
  if (!letter) return std::nullopt;
  switch (*letter) {
    case OverwriteAnswer::Yes:
      return SubfolderAnswer::Yes;
    case OverwriteAnswer::No:
      return SubfolderAnswer::No;
    case OverwriteAnswer::YesToAll:
      return SubfolderAnswer::All;
    case OverwriteAnswer::NoToAll:
      return SubfolderAnswer::None;
    case OverwriteAnswer::Cancel:
      break;
  }
  return std::nullopt;
}

}  // namespace

UserPrompts::~UserPrompts() = default;

OverwriteAnswer UserPrompts::askOverwrite(const std::string& text) {
  return askYesNo(text) ? OverwriteAnswer::Yes : OverwriteAnswer::No;
}

std::string SubfolderQuestion(const std::string& folder) {
  return "Do you want to process subfolders of \n" + folder + "\n as well?";
}

bool UserPrompts::askAboutSubfolders(const std::string& folder) {
  return askYesNo(SubfolderQuestion(folder));
}

SubfolderAnswer AskSubfoldersOn(std::istream& in, std::ostream& out, const std::string& folder) {
  out << "Process the subfolders of " << EscapedForTerminal(folder) << " as well?" << kSubfolderChoices
      << std::flush;
  std::string line;
  while (std::getline(in, line)) {
    if (std::optional<SubfolderAnswer> answer = subfolderAnswerOf(line)) return *answer;
    out << "Answer y (yes), n (no), a (all: yes for every folder) or N (none: no for every folder)"
        << kSubfolderChoices << std::flush;
  }
  out << std::endl;
  return SubfolderAnswer::None;
}

OverwriteAnswer AskOverwriteOn(std::istream& in, std::ostream& out, const std::string& text) {
  out << text << kOverwriteChoices << std::flush;
  std::string line;
  while (std::getline(in, line)) {
    if (std::optional<OverwriteAnswer> answer = overwriteAnswerOf(line)) return *answer;
    out << "Answer y (yes), n (no), a (yes to all), N (no to all) or q (cancel the run)" << kOverwriteChoices
        << std::flush;
  }
  out << std::endl;
  return OverwriteAnswer::NoToAll;
}

void UserPrompts::noticeAbout(const std::string& /*photo*/, const std::string& text) { notice(text); }

void TerminalPrompts::notice(const std::string& text) { std::cerr << forTerminal(text) << std::endl; }

void TerminalPrompts::noticeAbout(const std::string& photo, const std::string& text) {
  std::cerr << "lumivex: " << EscapedForTerminal(photo) << ": " << forTerminal(text) << std::endl;
}

// Without a terminal nobody can answer, so the safe answer is given at once rather than waiting
// on a pipe or a closed input, and silently: a question nobody can answer is noise in a log.
bool TerminalPrompts::askYesNo(const std::string& text) {
  if (!isatty(STDIN_FILENO)) return false;
  std::cerr << forTerminal(text) << " [y/N] " << std::flush;
  std::string answer;
  if (!std::getline(std::cin, answer)) return false;
  std::size_t first = answer.find_first_not_of(" \t");
  return first != std::string::npos && (answer[first] == 'y' || answer[first] == 'Y');
}

// Silent without a terminal: a run over many existing outputs would otherwise print every
// question in full only to answer it No.
OverwriteAnswer TerminalPrompts::askOverwrite(const std::string& text) {
  if (!isatty(STDIN_FILENO)) return OverwriteAnswer::No;
  return AskOverwriteOn(std::cin, std::cerr, forTerminal(text));
}

// Silent without a terminal, like the other questions: the walk stays in the named folder.
bool TerminalPrompts::askAboutSubfolders(const std::string& folder) {
  if (subfoldersOfAll_) return *subfoldersOfAll_;
  if (!isatty(STDIN_FILENO)) return false;
  switch (AskSubfoldersOn(std::cin, std::cerr, folder)) {
    case SubfolderAnswer::Yes:
      return true;
    case SubfolderAnswer::No:
      return false;
    case SubfolderAnswer::All:
      subfoldersOfAll_ = true;
      return true;
    case SubfolderAnswer::None:
      subfoldersOfAll_ = false;
      return false;
  }
  return false;
}

void setUserPrompts(UserPrompts* prompts) { installed = prompts; }

UserPrompts& userPrompts() {
  static TerminalPrompts terminal;
  return installed ? *installed : terminal;
}

}  // namespace lumivex
