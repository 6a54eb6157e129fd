// Parsing the size box's text into a target size, or the status that says why it is invalid.
#include "settings/target_size.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace lumivex {

namespace {

constexpr double kMinPercentage = 1.0;
constexpr double kMaxPercentage = 1000.0;
constexpr double kMaxSide = 16000.0;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string trimBlanks(const std::string& text) {
  std::size_t first = 0, last = text.size();
  while (first < last && text[first] == ' ') ++first;
  while (last > first && text[last - 1] == ' ') --last;
  return text.substr(first, last - first);
}

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool meansNoResize(const std::string& text) {
  std::string lower = lowerCase(text);
  return lower == "don't resize" || lower == "no resize";
}

TargetSizeReading invalid(const char* status) { return {false, {}, status}; }

TargetSizeReading readPercentage(const std::string& text) {
  float percentage = static_cast<float>(LeadingNumber(text));
  if (!(percentage >= kMinPercentage && percentage <= kMaxPercentage)) return invalid(kIncorrectPercentage);
  return {true, {0, 0, percentage}, ""};
}

// A side must lie in 0..16000 after rounding; the range is checked on the double so that no
// huge value is ever converted to an integer.
bool readSide(const std::string& piece, std::int32_t& side) {
  double rounded = RoundHalfEven(LeadingNumber(piece));
  if (!(rounded >= 0.0 && rounded <= kMaxSide)) return false;
  side = static_cast<std::int32_t>(rounded);
  return true;
}

TargetSizeReading readResolution(const std::string& text) {
  std::size_t split = text.find('x');  // only the lower-case x separates the two sides
  if (split == std::string::npos) return invalid(kIncorrectResolution);
  std::size_t secondEnd = text.find('x', split + 1);
  std::string second =
      text.substr(split + 1, secondEnd == std::string::npos ? std::string::npos : secondEnd - split - 1);
  TargetSize size;
  std::string first = text.substr(0, split);
  // One side left out ("1920x", "x1080") follows the photo's aspect; both left out is no size.
  bool noWidth = trimBlanks(first).empty(), noHeight = trimBlanks(second).empty();
  if (noWidth && noHeight) return invalid(kIncorrectResolution);
  if (noWidth) size.dstWidth = kFollowAspect;
  if (noHeight) size.dstHeight = kFollowAspect;
  if ((!noWidth && !readSide(first, size.dstWidth)) || (!noHeight && !readSide(second, size.dstHeight)))
    return invalid(kIncorrectResolution);
  return {true, size, ""};
}

}  // namespace

double RoundHalfEven(double value) {
  // nearbyint follows the current rounding mode, which nothing in the program changes.
  return std::nearbyint(value);
}

double LeadingNumber(const std::string& text) {
  std::size_t i = 0, n = text.size();
  auto skipBlanks = [&] {
    while (i < n && isBlank(text[i])) ++i;
  };
  skipBlanks();
  double sign = 1.0;
  if (i < n && (text[i] == '-' || text[i] == '+')) sign = text[i++] == '-' ? -1.0 : 1.0;
  // The digits are gathered as one integer and divided once by a power of ten, so that 12.5 reads
  // as exactly 12.5.
  double digits = 0.0, divisor = 1.0;
  bool afterPoint = false;
  for (skipBlanks(); i < n; ++i, skipBlanks()) {
    char c = text[i];
    if (c == '.' && !afterPoint) {
      afterPoint = true;
    } else if (c >= '0' && c <= '9') {
      if (afterPoint) divisor *= 10.0;
      digits = digits * 10.0 + (c - '0');
    } else {
      break;
    }
  }
  return sign * (digits / divisor);
}

TargetSizeReading ReadTargetSize(const std::string& text) {
  std::string trimmed = trimBlanks(text);
  if (!trimmed.empty() && trimmed.back() == '%') return readPercentage(trimmed);
  if (meansNoResize(trimmed)) return {true, {}, ""};
  return readResolution(trimmed);
}

TargetSizesReading ReadTargetSizes(const std::string& text) {
  if (text.find(kTargetSizeSeparator) == std::string::npos) {
    TargetSizeReading one = ReadTargetSize(text);
    return {one.valid, one.valid ? std::vector<TargetSize>{one.size} : std::vector<TargetSize>{}, one.status};
  }
  TargetSizesReading reading;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = std::min(text.find(kTargetSizeSeparator, start), text.size());
    std::string piece = text.substr(start, end - start);
    start = end + 1;
    if (piece.find_first_not_of(" \t") == std::string::npos) continue;
    TargetSizeReading one = ReadTargetSize(piece);
    if (!one.valid) return {false, {}, one.status};
    if (std::find(reading.sizes.begin(), reading.sizes.end(), one.size) == reading.sizes.end())
      reading.sizes.push_back(one.size);
  }
  if (reading.sizes.empty()) return {false, {}, kIncorrectResolution};
  reading.valid = true;
  return reading;
}

std::string JoinTargetSizeTexts(const std::vector<std::string>& pieces) {
  std::string text;
  for (const std::string& piece : pieces) text += (text.empty() ? "" : "; ") + piece;
  return text;
}

}  // namespace lumivex
