#include "launch.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace desktop_testing {

namespace {

std::vector<std::string> environmentFor(const Environment& extra) {
  Environment all;
  for (char** entry = environ; *entry; ++entry) {
    std::string text = *entry;
    std::size_t equals = text.find('=');
    if (equals != std::string::npos) all[text.substr(0, equals)] = text.substr(equals + 1);
  }
  for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) all.erase(display);
  for (const auto& [name, value] : extra) {
    if (value.empty())
      all.erase(name);
    else
      all[name] = value;
  }
  std::vector<std::string> result;
  for (const auto& [name, value] : all) result.push_back(name + "=" + value);
  return result;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
  std::vector<char*> result;
  for (std::string& text : texts) result.push_back(text.data());
  result.push_back(nullptr);
  return result;
}

// Launches alive at the same time live at different addresses.
std::string uniqueSuffix(const void* launch) {
  return std::to_string(::getpid()) + "-" + std::to_string(reinterpret_cast<std::uintptr_t>(launch));
}

std::string withoutPercentEscapes(const std::string& argument) {
  std::string result;
  for (std::size_t i = 0; i < argument.size(); ++i) {
    result += argument[i];
    if (argument[i] == '%' && i + 1 < argument.size() && argument[i + 1] == '%') ++i;
  }
  return result;
}

}  // namespace

Launch::Launch(const std::string& program, const std::vector<std::string>& arguments,
               const Environment& extra, const fs::path& folder, const fs::path& workingFolder)
    : outFile_(folder / ("stdout-" + uniqueSuffix(this))),
      errFile_(folder / ("stderr-" + uniqueSuffix(this))) {
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<std::string> envp = environmentFor(extra);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, errFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (!workingFolder.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
  std::vector<char*> argPointers = pointers(argv), envPointers = pointers(envp);
  if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argPointers.data(), envPointers.data()) != 0)
    pid_ = -1;
  posix_spawn_file_actions_destroy(&actions);
}

Launch::~Launch() {
  if (running()) {
    ::kill(pid_, SIGKILL);
    wait(milliseconds(10000));
  }
}

int Launch::wait(milliseconds timeout) {
  if (pid_ < 0) return status_;
  pollFor(
      [this] {
        int raw = 0;
        if (::waitpid(pid_, &raw, WNOHANG) != pid_) return false;
        status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        pid_ = -1;
        return true;
      },
      timeout);
  return pid_ < 0 ? status_ : -1;
}

bool Launch::running() {
  if (pid_ < 0) return false;
  wait(milliseconds(0));
  return pid_ >= 0;
}

void Launch::signal(int number) {
  if (pid_ >= 0) ::kill(pid_, number);
}

std::string Launch::output() const { return fileText(outFile_); }

std::string Launch::errors() const { return fileText(errFile_); }

bool pollFor(const std::function<bool()>& condition, milliseconds timeout) {
  auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(milliseconds(20));
  }
}

std::string binary() { return std::string(LUMIVEX_BIN_DIR) + "/lumivex"; }

std::string fileText(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> execArguments(const std::string& exec, const std::vector<std::string>& files) {
  std::vector<std::string> arguments;
  std::string current;
  bool inQuotes = false, started = false;
  for (std::size_t i = 0; i < exec.size(); ++i) {
    char c = exec[i];
    if (inQuotes && c == '\\' && i + 1 < exec.size()) {
      current += exec[++i];
    } else if (c == '"') {
      inQuotes = !inQuotes;
      started = true;
    } else if (c == ' ' && !inQuotes) {
      if (started) arguments.push_back(current);
      current.clear();
      started = false;
    } else {
      current += c;
      started = true;
    }
  }
  if (started) arguments.push_back(current);
  std::vector<std::string> result;
  for (const std::string& argument : arguments) {
    if (argument == "%F" || argument == "%U")
      result.insert(result.end(), files.begin(), files.end());
    else
      result.push_back(withoutPercentEscapes(argument));
  }
  return result;
}

std::map<std::string, std::map<std::string, std::string>> desktopGroups(const fs::path& path) {
  std::map<std::string, std::map<std::string, std::string>> groups;
  std::ifstream in(path);
  std::string line, group;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      group = line.substr(1, line.size() - 2);
      continue;
    }
    std::size_t equals = line.find('=');
    if (equals != std::string::npos) groups[group][line.substr(0, equals)] = line.substr(equals + 1);
  }
  return groups;
}

}  // namespace desktop_testing
