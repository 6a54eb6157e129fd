// Reading and writing a file size limit; numbers go through std::from_chars and std::to_chars so
// that the user's locale never changes the decimal point.
#include "settings/file_size_limit.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>

namespace lumivex {
namespace {

constexpr std::int64_t kKilobyte = 1024;
constexpr std::int64_t kMegabyte = 1024 * kKilobyte;
constexpr std::int64_t kGigabyte = 1024 * kMegabyte;

std::string trimmed(const std::string& text) {
  std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The bytes a unit word stands for: none (bytes), k, kb, kib, m, mb or mib; 0 for any other word.
std::int64_t unitBytes(const std::string& unit) {
  if (unit.empty()) return 1;
  if (unit == "k" || unit == "kb" || unit == "kib") return kKilobyte;
  if (unit == "m" || unit == "mb" || unit == "mib") return kMegabyte;
  return 0;
}

// `value` with one decimal at most, the decimal dropped when it is 0.
std::string oneDecimal(double value) {
  std::array<char, 32> buffer{};
  auto [end, error] =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, 1);
  std::string text(buffer.data(), error == std::errc() ? end : buffer.data());
  if (text.ends_with(".0")) text.resize(text.size() - 2);
  return text;
}

// `bytes` (at least one `unit`, so the digits reach past the decimal point) in `unit` with the
// fewest decimals, up to three, that show it exactly; none when even three do not.
std::optional<std::string> exactlyIn(std::int64_t bytes, std::int64_t unit) {
  std::int64_t scale = 1;
  for (int decimals = 0; decimals <= 3; ++decimals, scale *= 10) {
    if (bytes * scale % unit != 0) continue;
    std::string digits = std::to_string(bytes * scale / unit);
    if (decimals == 0) return digits;
    std::size_t point = digits.size() - static_cast<std::size_t>(decimals);
    return digits.substr(0, point) + "." + digits.substr(point);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::int64_t> ParseFileSizeLimit(const std::string& text) {
  std::string word = lowerCase(trimmed(text));
  // Many people write the decimal point as a comma ("1,5 MB").
  if (std::count(word.begin(), word.end(), ',') == 1) word[word.find(',')] = '.';
  if (word == "none") return 0;
  if (word.empty() || !std::isdigit(static_cast<unsigned char>(word[0]))) return std::nullopt;
  std::size_t numberEnd = word.find_first_not_of("0123456789.");
  if (numberEnd == std::string::npos) numberEnd = word.size();
  double number = 0;
  auto [end, error] = std::from_chars(word.data(), word.data() + numberEnd, number, std::chars_format::fixed);
  if (error != std::errc() || end != word.data() + numberEnd) return std::nullopt;
  std::int64_t unit = unitBytes(trimmed(word.substr(numberEnd)));
  if (unit == 0 || (unit == 1 && number != std::floor(number))) return std::nullopt;
  double bytes = std::nearbyint(number * static_cast<double>(unit));
  if (bytes > static_cast<double>(kLargestFileSizeLimit)) return std::nullopt;
  if (number > 0 && bytes < 1) return std::nullopt;  // a limit below one byte is a slip
  return static_cast<std::int64_t>(bytes);
}

std::string FileSizeLimitSetting(std::int64_t bytes) {
  if (bytes <= 0) return "0";
  if (bytes > kLargestFileSizeLimit) return std::to_string(bytes);  // kept from overflowing below
  for (auto [unit, suffix] : {std::pair{kMegabyte, "m"}, std::pair{kKilobyte, "k"}}) {
    if (bytes < unit) continue;
    if (std::optional<std::string> shown = exactlyIn(bytes, unit)) return *shown + suffix;
  }
  return std::to_string(bytes);
}

std::string FileSizeLimitText(std::int64_t bytes) {
  if (bytes <= 0) return "no limit";
  if (bytes < kKilobyte) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
  auto in = [bytes](std::int64_t unit) {
    return oneDecimal(static_cast<double>(bytes) / static_cast<double>(unit));
  };
  if (bytes < kMegabyte) return in(kKilobyte) + " KB";
  if (bytes < kGigabyte) return in(kMegabyte) + " MB";
  return in(kGigabyte) + " GB";
}

}  // namespace lumivex
