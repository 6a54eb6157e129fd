// The one way the batch pipeline talks to the user: notices (an OK button), yes/no questions and
// the overwrite question. The window installs an implementation with message boxes titled
// "Lumivex"; without one, the terminal implementation is used.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

namespace lumivex {

// The overwrite question can be answered for this file or for every file still to come, or end
// the run; remembering a "to all" answer and ending the run are the batch's part.
enum class OverwriteAnswer { Yes, YesToAll, No, NoToAll, Cancel };

class UserPrompts {
 public:
  virtual ~UserPrompts();
  virtual void notice(const std::string& text) = 0;
  // A notice about one photo; a message box shows the text alone, as it always did, while a
  // terminal line names the photo (a run prints many lines, and a note must say which photo).
  virtual void noticeAbout(const std::string& photo, const std::string& text);
  virtual bool askYesNo(const std::string& text) = 0;
  // Whether an existing output file may be replaced. Unless overridden, asked as a yes/no
  // question (Yes or No only).
  virtual OverwriteAnswer askOverwrite(const std::string& text);
  // Whether the walk of a named folder goes into its subfolders. Unless overridden, asked as the
  // yes/no question SubfolderQuestion.
  virtual bool askAboutSubfolders(const std::string& folder);
};

// Notices go to standard error; a question is asked on the terminal when standard input is one.
// Otherwise nobody can answer: a yes/no question is shown and answered No, the overwrite question
// is answered No without a word (the caller reports each file it kept, one line apiece).
class TerminalPrompts : public UserPrompts {
 public:
  void notice(const std::string& text) override;
  void noticeAbout(const std::string& photo, const std::string& text) override;
  bool askYesNo(const std::string& text) override;
  OverwriteAnswer askOverwrite(const std::string& text) override;
  // One line per named folder; "a" (all) or "N" (none) answers for every folder still to come.
  bool askAboutSubfolders(const std::string& folder) override;

 private:
  std::optional<bool> subfoldersOfAll_;
};

// The subfolder question as the terminal asks it, on one line: "Process the subfolders of FOLDER
// as well? [y/n/a/N] ", then y (yes), n (no), a (yes for every folder) or N (no for every folder),
// asked again after anything else. The end of the input answers No for every folder.
// The subfolder question asked for a folder that has subfolders.
std::string SubfolderQuestion(const std::string& folder);

enum class SubfolderAnswer { Yes, No, All, None };
SubfolderAnswer AskSubfoldersOn(std::istream& in, std::ostream& out, const std::string& folder);

// The overwrite question as the terminal asks it, on any pair of streams: the text and
// " [y/n/a/N/q] ", then a line with y (yes), n (no), a (yes to all), N (no to all) or q (cancel),
// asked again after anything else. The end of the input answers No to All: it keeps the file and
// stops a question that nobody is left to answer.
OverwriteAnswer AskOverwriteOn(std::istream& in, std::ostream& out, const std::string& text);

// Installs the implementation used from now on; nullptr goes back to the terminal one. The caller
// keeps ownership.
void setUserPrompts(UserPrompts* prompts);
UserPrompts& userPrompts();

}  // namespace lumivex
