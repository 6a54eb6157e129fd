// Small helpers for tests that work with files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

// A fresh folder under the system's temporary folder, removed with everything in it at the end
// of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> readBytes(const std::string& path);

// Paths of the bundled sample photos.
std::string samplePhoto(const std::string& relative);
std::vector<std::string> allSamplePhotos();

// Every file below the crash-regression folder of one reader.
std::vector<std::string> crasherFiles(const std::string& reader);

}  // namespace testing_support
