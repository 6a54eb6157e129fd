// The online processors from /sys, answered as the registry keys the worker count asks for.
#include "utilities/processor_list.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

namespace lumivex {
namespace {

constexpr const char* kProcessorKeyPrefix = "hardware\\description\\system\\centralprocessor\\";
constexpr const char* kMhzValue = "~mhz";

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// A whole text of decimal digits as a non-negative int; nothing for anything else.
std::optional<int> wholeNumber(std::string_view text) {
  int value = 0;
  if (text.empty()) return std::nullopt;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
  return value;
}

std::string trimmed(const std::string& text) {
  std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string firstLineOf(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

// cpufreq reports kHz; the largest the processor reaches is the closest match to the rated clock
// the Windows value holds.
long mhzFromCpufreq(int n) {
  std::string base = "/sys/devices/system/cpu/cpu" + std::to_string(n) + "/cpufreq/";
  for (const char* name : {"cpuinfo_max_freq", "scaling_max_freq", "scaling_cur_freq"}) {
    std::optional<int> khz = wholeNumber(trimmed(firstLineOf(base + name)));
    if (khz && *khz >= 1000) return *khz / 1000;
  }
  return 0;
}

// /proc/cpuinfo: blocks of "key : value" lines, each starting with "processor : N".
long mhzFromCpuinfo(int n) {
  std::ifstream in("/proc/cpuinfo");
  std::string line;
  bool inBlock = false;
  while (std::getline(in, line)) {
    std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::string key = trimmed(line.substr(0, colon));
    std::string value = trimmed(line.substr(colon + 1));
    if (key == "processor") inBlock = wholeNumber(value) == n;
    if (inBlock && key == "cpu MHz") return std::lround(std::strtod(value.c_str(), nullptr));
  }
  return 0;
}

}  // namespace

std::optional<int> ProcessorOfRegistryKey(const std::string& subKey, const std::string& valueName) {
  std::string key = lowerCase(subKey);
  std::string prefix = kProcessorKeyPrefix;
  if (lowerCase(valueName) != kMhzValue || key.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  return wholeNumber(std::string_view(key).substr(prefix.size()));
}

bool CpuListContains(const std::string& list, int n) {
  std::stringstream ranges(list);
  std::string range;
  while (std::getline(ranges, range, ',')) {
    std::size_t dash = range.find('-');
    std::optional<int> first = wholeNumber(std::string_view(range).substr(0, dash));
    std::optional<int> last =
        dash == std::string::npos ? first : wholeNumber(std::string_view(range).substr(dash + 1));
    if (!first || !last) return false;
    if (n >= *first && n <= *last) return true;
  }
  return false;
}

bool ProcessorIsOnline(int n) {
  std::string online = trimmed(firstLineOf("/sys/devices/system/cpu/online"));
  if (!online.empty()) return CpuListContains(online, n);
  long count = sysconf(_SC_NPROCESSORS_ONLN);
  return n >= 0 && n < count;
}

long ProcessorMhz(int n) {
  long mhz = mhzFromCpufreq(n);
  if (mhz <= 0) mhz = mhzFromCpuinfo(n);
  return mhz > 0 ? mhz : 1;
}

}  // namespace lumivex
