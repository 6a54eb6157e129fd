// Parsing the size box's text into a target size, or the status that says why it is invalid.
#include "settings/target_size.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>

namespace lumivex {

namespace {

constexpr double kMinPercentage = 1.0;
constexpr double kMaxPercentage = 1000.0;
constexpr double kMaxSide = 16000.0;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string trimBlanks(const std::string& text) {
  std::size_t first = 0, last = text.size();
  while (first < last && isBlank(text[first])) ++first;
  while (last > first && isBlank(text[last - 1])) --last;
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

// A number as the documented forms allow it: digits with at most one "." among or after them
// ("12.5", "800."). Anything else (a letter, a blank inside, an exponent, a sign) is no number.
std::optional<double> plainNumber(const std::string& text) {
  bool digit = false, point = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return std::nullopt;
    }
  }
  if (!digit) return std::nullopt;
  return LeadingNumber(text);
}

// "N%", blanks allowed before the sign ("50 %").
TargetSizeReading readPercentage(const std::string& text) {
  std::optional<double> number = plainNumber(trimBlanks(text.substr(0, text.size() - 1)));
  if (!number) return invalid(kIncorrectPercentage);
  float percentage = static_cast<float>(*number);
  if (!(percentage >= kMinPercentage && percentage <= kMaxPercentage)) return invalid(kIncorrectPercentage);
  return {true, {0, 0, percentage}, ""};
}

// A side must lie in 0..16000 after rounding; the range is checked on the double so that no
// huge value is ever converted to an integer.
bool readSide(const std::string& piece, std::int32_t& side) {
  std::optional<double> number = plainNumber(piece);
  if (!number) return false;
  double rounded = RoundHalfEven(*number);
  if (!(rounded >= 0.0 && rounded <= kMaxSide)) return false;
  side = static_cast<std::int32_t>(rounded);
  return true;
}

// "WxH", "Wx" or "xH" with one lower-case x, blanks allowed around it. A text that only begins
// like a size ("800x600px", "800x6OO", "800x600x400") is refused rather than read as far as it
// goes: a size the user never meant is worse than none.
TargetSizeReading readResolution(const std::string& text) {
  std::size_t split = text.find('x');
  if (split == std::string::npos || text.find('x', split + 1) != std::string::npos)
    return invalid(kIncorrectResolution);
  std::string first = trimBlanks(text.substr(0, split)), second = trimBlanks(text.substr(split + 1));
  TargetSize size;
  // One side left out follows the photo's aspect; both left out is no size.
  if (first.empty() && second.empty()) return invalid(kIncorrectResolution);
  if (first.empty()) size.dstWidth = kFollowAspect;
  if (second.empty()) size.dstHeight = kFollowAspect;
  if ((!first.empty() && !readSide(first, size.dstWidth)) ||
      (!second.empty() && !readSide(second, size.dstHeight)))
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

std::string WithSizeForms(const std::string& status) { return status + "\n" + kSizeForms; }

std::string JoinTargetSizeTexts(const std::vector<std::string>& pieces) {
  std::string text;
  for (const std::string& piece : pieces) text += (text.empty() ? "" : "; ") + piece;
  return text;
}

}  // namespace lumivex
