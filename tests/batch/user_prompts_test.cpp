// The terminal's overwrite question: every answer letter, asking again after anything else, the
// end of input, and silence for every question when there is no terminal to answer.
#include "utilities/user_prompts.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <sstream>

#include "support/scripted_prompts.h"
#include "support/test_files.h"

namespace lumivex {
namespace {

const std::string kQuestion = "File a.jpg already exists, do you want to overwrite it?\n/x/a.jpg";

struct Dialogue {
  OverwriteAnswer answer;
  std::string shown;
};

Dialogue ask(const std::string& typed) {
  std::istringstream in(typed);
  std::ostringstream out;
  OverwriteAnswer answer = AskOverwriteOn(in, out, kQuestion);
  return {answer, out.str()};
}

std::size_t countOf(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST(TerminalOverwriteQuestion, EachLetterGivesItsAnswer) {
  const std::pair<const char*, OverwriteAnswer> cases[] = {
      {"y\n", OverwriteAnswer::Yes},          {"Y\n", OverwriteAnswer::Yes},
      {"n\n", OverwriteAnswer::No},           {"a\n", OverwriteAnswer::YesToAll},
      {"N\n", OverwriteAnswer::NoToAll},      {"q\n", OverwriteAnswer::Cancel},
      {"  a \r\n", OverwriteAnswer::YesToAll}};
  for (const auto& [typed, expected] : cases) {
    SCOPED_TRACE(typed);
    Dialogue dialogue = ask(typed);
    EXPECT_EQ(dialogue.answer, expected);
    EXPECT_EQ(dialogue.shown, kQuestion + " [y/n/a/N/q] ");
  }
}

TEST(TerminalOverwriteQuestion, AsksAgainUntilAnsweredAndTheEndOfInputIsNoToAll) {
  Dialogue dialogue = ask("x\n\nyes\nq\n");
  EXPECT_EQ(dialogue.answer, OverwriteAnswer::Cancel);
  EXPECT_EQ(countOf(dialogue.shown, "[y/n/a/N/q]"), 4u);
  EXPECT_EQ(countOf(dialogue.shown, kQuestion), 1u);

  dialogue = ask("maybe\n");
  EXPECT_EQ(dialogue.answer, OverwriteAnswer::NoToAll);
  dialogue = ask("");
  EXPECT_EQ(dialogue.answer, OverwriteAnswer::NoToAll);
}

// Standard input and standard error are swapped for /dev/null and a file while `body` runs.
std::string stderrWithoutTerminal(const std::function<void()>& body) {
  testing_support::TempDir folder;
  std::string errPath = folder.file("stderr");
  int savedIn = ::dup(STDIN_FILENO), savedErr = ::dup(STDERR_FILENO);
  int nothing = ::open("/dev/null", O_RDONLY);
  int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ::dup2(nothing, STDIN_FILENO);
  ::dup2(err, STDERR_FILENO);
  body();
  ::dup2(savedIn, STDIN_FILENO);
  ::dup2(savedErr, STDERR_FILENO);
  for (int fd : {savedIn, savedErr, nothing, err}) ::close(fd);
  std::vector<std::uint8_t> bytes = testing_support::readBytes(errPath);
  return std::string(bytes.begin(), bytes.end());
}

TEST(TerminalPrompts, WithoutATerminalEveryQuestionIsNoAndSilent) {
  TerminalPrompts terminal;
  OverwriteAnswer answer = OverwriteAnswer::Cancel;
  bool yes = true;
  std::string shown = stderrWithoutTerminal([&] {
    for (int i = 0; i < 200; ++i) answer = terminal.askOverwrite(kQuestion);
    yes = terminal.askYesNo("Do you want to process subfolders too?");
  });
  EXPECT_EQ(answer, OverwriteAnswer::No);
  EXPECT_FALSE(yes);
  EXPECT_EQ(shown, "");
}

TEST(ScriptedPrompts, OverwriteAnswersComeFromTheirOwnScript) {
  testing_support::ScriptedPrompts prompts;
  prompts.answer(true);
  prompts.answerOverwrite(OverwriteAnswer::NoToAll);
  EXPECT_EQ(userPrompts().askOverwrite("first"), OverwriteAnswer::NoToAll);
  EXPECT_EQ(userPrompts().askOverwrite("second"), OverwriteAnswer::No);
  EXPECT_TRUE(userPrompts().askYesNo("third"));
  EXPECT_EQ(prompts.questions, (std::vector<std::string>{"first", "second", "third"}));
}

}  // namespace
}  // namespace lumivex

namespace lumivex {
namespace {

TEST(TerminalSubfolderQuestion, OneLineWithAnswersForEveryFolder) {
  const std::pair<const char*, SubfolderAnswer> cases[] = {
      {"y\n", SubfolderAnswer::Yes},  {"n\n", SubfolderAnswer::No}, {" a \n", SubfolderAnswer::All},
      {"N\n", SubfolderAnswer::None}, {"", SubfolderAnswer::None},  {"q\nmaybe\nY\n", SubfolderAnswer::Yes}};
  for (const auto& [typed, expected] : cases) {
    SCOPED_TRACE(typed);
    std::istringstream in(typed);
    std::ostringstream out;
    EXPECT_EQ(AskSubfoldersOn(in, out, "/photos/2026"), expected);
    EXPECT_EQ(out.str().rfind("Process the subfolders of /photos/2026 as well? [y/n/a/N] ", 0), 0u);
    bool answeredAtOnce = *typed && std::string(typed).find('q') == std::string::npos;
    if (answeredAtOnce) {
      EXPECT_EQ(out.str().find('\n'), std::string::npos) << "the question takes one line";
    }
  }
}

}  // namespace
}  // namespace lumivex
