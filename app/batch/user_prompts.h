// The one way the batch pipeline talks to the user: notices (an OK button) and yes/no questions.
// The window installs an implementation with message boxes titled "Lumivex"; without one, the
// terminal implementation is used.
#pragma once

#include <string>

namespace lumivex {

class UserPrompts {
 public:
  virtual ~UserPrompts();
  virtual void notice(const std::string& text) = 0;
  virtual bool askYesNo(const std::string& text) = 0;
};

// Notices go to standard error; a question is asked on the terminal when standard input is one,
// and answered No at once otherwise.
class TerminalPrompts : public UserPrompts {
 public:
  void notice(const std::string& text) override;
  bool askYesNo(const std::string& text) override;
};

// Installs the implementation used from now on; nullptr goes back to the terminal one. The caller
// keeps ownership.
void setUserPrompts(UserPrompts* prompts);
UserPrompts& userPrompts();

}  // namespace lumivex
