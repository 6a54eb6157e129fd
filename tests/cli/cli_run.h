// Runs the real `lumivex --batch` binary on a temporary folder tree, with standard input
// /dev/null (so the binary must never wait for an answer) and a configuration folder of its own.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "photo_job_files.h"
#include "support/test_files.h"

namespace cli_testing {

namespace fs = std::filesystem;

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

inline std::string quoted(const std::string& text) {
  std::string result = "'";
  for (char c : text) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return result + "'";
}

inline std::string fileText(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

inline std::vector<std::string> filesBelow(const fs::path& folder) {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (!entry.is_directory()) files.push_back(fs::relative(entry.path(), folder).string());
  std::sort(files.begin(), files.end());
  return files;
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(config());
    fs::create_directories(in());
  }

  fs::path config() const { return dir.path() / "config"; }
  fs::path in() const { return dir.path() / "in"; }
  fs::path out() const { return dir.path() / "out"; }

  // Copies a bundled sample photo into the input tree under a new relative name.
  std::string photo(const std::string& sample, const std::string& relative) {
    fs::path target = in() / relative;
    fs::create_directories(target.parent_path());
    fs::copy_file(testing_support::samplePhoto(sample), target);
    return target.string();
  }

  // `environment`: more variables for the run, as "NAME=value".
  Result run(const std::vector<std::string>& arguments, const std::string& environment = "") {
    std::string command = "cd " + quoted(dir.path().string()) + " && " + environment +
                          " LUMIVEX_CONFIG_DIR=" + quoted(config().string()) + " " +
                          quoted(std::string(LUMIVEX_BIN_DIR) + "/lumivex");
    for (const std::string& argument : arguments) command += " " + quoted(argument);
    fs::path outFile = dir.path() / "stdout.txt", errFile = dir.path() / "stderr.txt";
    command += " </dev/null >" + quoted(outFile.string()) + " 2>" + quoted(errFile.string());
    int raw = std::system(command.c_str());
    Result result{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, fileText(outFile), fileText(errFile)};
    fs::remove(outFile);
    fs::remove(errFile);
    return result;
  }

  testing_support::TempDir dir;
};

}  // namespace cli_testing
