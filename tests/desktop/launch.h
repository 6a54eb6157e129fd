// Starts the real lumivex binary as a file manager or a desktop session would: its own
// environment, standard input from /dev/null, output to files; polls (never sleeps blindly) for
// what it should produce.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace desktop_testing {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

// The environment of a launch: the test's own, without any display, with `extra` on top (an
// empty value removes the variable).
using Environment = std::map<std::string, std::string>;

class Launch {
 public:
  // Starts `program` with `arguments` in `workingFolder` (else the test's own); standard output
  // and error go to files in `folder`.
  Launch(const std::string& program, const std::vector<std::string>& arguments, const Environment& extra,
         const fs::path& folder, const fs::path& workingFolder = {});
  ~Launch();  // a process still running is killed
  Launch(const Launch&) = delete;
  Launch& operator=(const Launch&) = delete;

  // The exit status, or -1 when it did not end within `timeout` (or ended by a signal).
  int wait(milliseconds timeout);
  bool running();
  void signal(int number);
  std::string output() const;
  std::string errors() const;

 private:
  pid_t pid_ = -1;
  int status_ = -1;
  fs::path outFile_;
  fs::path errFile_;
};

// True as soon as `condition` holds, false when it still does not after `timeout`.
bool pollFor(const std::function<bool()>& condition, milliseconds timeout);

std::string binary();
std::string fileText(const fs::path& path);

// Splits a desktop-entry Exec line into its arguments (double quotes group; backslash escapes
// inside them; %% is a percent sign), putting `files` in place of a %F or %U field.
std::vector<std::string> execArguments(const std::string& exec, const std::vector<std::string>& files);

// The keys of every group of a desktop-entry style file: group name -> key -> value.
std::map<std::string, std::map<std::string, std::string>> desktopGroups(const fs::path& path);

}  // namespace desktop_testing
