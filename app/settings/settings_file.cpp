// Formatting and parsing lumivex.cfg's thirteen records, byte for byte as other readers expect.
#include "settings/settings_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <vector>

namespace lumivex {
namespace {

// One record as the sequential-file input convention yields it: the text between double quotes,
// a #TRUE# or #FALSE# literal, or the raw text of an unquoted field (a number when it reads as one).
struct Field {
  std::string text;
  bool quoted = false;
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

class RecordReader {
 public:
  explicit RecordReader(const std::string& text) : text_(text) {}

  // The next record; nothing when the text has ended.
  std::optional<Field> next() {
    while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
    if (pos_ >= text_.size()) return std::nullopt;
    Field field;
    if (text_[pos_] == '"') {
      std::size_t close = text_.find('"', pos_ + 1);
      if (close == std::string::npos) return std::nullopt;  // an unterminated string is no record
      field.text = text_.substr(pos_ + 1, close - pos_ - 1);
      field.quoted = true;
      pos_ = close + 1;
    }
    std::size_t end = pos_;
    while (end < text_.size() && text_[end] != ',' && !isLineEnd(text_[end])) ++end;
    if (!field.quoted) field.text = trimmed(text_.substr(pos_, end - pos_));
    pos_ = end;
    consumeDelimiter();
    return field;
  }

 private:
  static std::string trimmed(const std::string& text) {
    std::size_t first = 0, last = text.size();
    while (first < last && isBlank(text[first])) ++first;
    while (last > first && isBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
  }

  // A comma, or a line end of CR LF, CR or LF.
  void consumeDelimiter() {
    if (pos_ >= text_.size()) return;
    char c = text_[pos_++];
    if (c == '\r' && pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
  }

  const std::string& text_;
  std::size_t pos_ = 0;
};

bool equalsIgnoringCase(const std::string& text, const char* word) {
  std::size_t i = 0;
  for (; word[i] != '\0'; ++i)
    if (i >= text.size() || std::tolower(static_cast<unsigned char>(text[i])) != word[i]) return false;
  return i == text.size();
}

// A decimal number with "." as the decimal point, independent of the process's locale.
std::optional<double> numberOf(const std::string& text) {
  std::size_t start = !text.empty() && text[0] == '+' ? 1 : 0;
  if (start >= text.size()) return std::nullopt;
  char lead = text[start] == '-' && start + 1 < text.size() ? text[start + 1] : text[start];
  if (!std::isdigit(static_cast<unsigned char>(lead)) && lead != '.') return std::nullopt;
  double value = 0;
  auto [end, error] = std::from_chars(text.data() + start, text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// A boolean read as a number: True is -1, False is 0.
std::optional<double> numericValue(const Field& field) {
  if (!field.quoted && field.text == "#TRUE#") return -1.0;
  if (!field.quoted && field.text == "#FALSE#") return 0.0;
  std::string text = field.text;
  if (field.quoted) {
    std::size_t first = text.find_first_not_of(" \t"), last = text.find_last_not_of(" \t");
    text = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
    if (equalsIgnoringCase(text, "true")) return -1.0;
    if (equalsIgnoringCase(text, "false")) return 0.0;
  }
  return numberOf(text);
}

// Rounded half to even, and refused when it does not fit the setting's integer type.
template <typename Int>
std::optional<Int> integerValue(const Field& field) {
  std::optional<double> number = numericValue(field);
  if (!number) return std::nullopt;
  double rounded = std::nearbyint(*number);
  if (!(rounded >= std::numeric_limits<Int>::min() && rounded <= std::numeric_limits<Int>::max()))
    return std::nullopt;
  return static_cast<Int>(rounded);
}

std::optional<bool> booleanValue(const Field& field) {
  std::optional<double> number = numericValue(field);
  if (!number) return std::nullopt;
  return *number != 0;
}

using Assign = std::function<bool(const Field&, Settings&)>;

Assign toText(std::string Settings::*member) {
  return [member](const Field& field, Settings& values) {
    values.*member = field.text;
    return true;
  };
}

Assign toInteger(std::int32_t Settings::*member) {
  return [member](const Field& field, Settings& values) {
    auto value = integerValue<std::int32_t>(field);
    if (value) values.*member = *value;
    return value.has_value();
  };
}

Assign toBoolean(bool Settings::*member) {
  return [member](const Field& field, Settings& values) {
    auto value = booleanValue(field);
    if (value) values.*member = *value;
    return value.has_value();
  };
}

// A mode is stored as its number; a number that is no known mode is kept as it is.
template <class Mode>
Assign toMode(Mode Settings::*member) {
  return [member](const Field& field, Settings& values) {
    auto value = integerValue<std::int32_t>(field);
    if (value) values.*member = static_cast<Mode>(*value);
    return value.has_value();
  };
}

// The reserved record is a 16-bit integer that is read and thrown away.
Assign toReserved() {
  return [](const Field& field, Settings&) { return integerValue<std::int16_t>(field).has_value(); };
}

const std::vector<Assign>& recordOrder() {
  static const std::vector<Assign> order = {
      toText(&Settings::ResolutionText), toInteger(&Settings::ResizeQuality),
      toInteger(&Settings::JpegQuality), toReserved(),
      toText(&Settings::SubfolderName),  toBoolean(&Settings::CopyExif),
      toBoolean(&Settings::AlwaysOnTop), toText(&Settings::OutputFilenamePattern),
      toBoolean(&Settings::AutoCrop),    toMode(&Settings::RotationMode),
      toMode(&Settings::OverwriteMode),  toMode(&Settings::DestinationMode),
      toText(&Settings::FixedFolder),
  };
  return order;
}

std::string quoted(const std::string& text) { return "\"" + text + "\"\r\n"; }
std::string integer(std::int32_t value) { return std::to_string(value) + "\r\n"; }
std::string boolean(bool value) { return value ? "#TRUE#\r\n" : "#FALSE#\r\n"; }

}  // namespace

std::string FormatSettingsFile(const Settings& values) {
  return quoted(values.ResolutionText) + integer(values.ResizeQuality) + integer(values.JpegQuality) +
         integer(0) + quoted(values.SubfolderName) + boolean(values.CopyExif) + boolean(values.AlwaysOnTop) +
         quoted(values.OutputFilenamePattern) + boolean(values.AutoCrop) +
         integer(ModeNumber(values.RotationMode)) + integer(ModeNumber(values.OverwriteMode)) +
         integer(ModeNumber(values.DestinationMode)) + quoted(values.FixedFolder);
}

int ParseSettingsFile(const std::string& text, Settings& values, bool* badRecord) {
  RecordReader reader(text);
  int taken = 0;
  if (badRecord) *badRecord = false;
  for (const Assign& assign : recordOrder()) {
    std::optional<Field> field = reader.next();
    if (!field) break;
    if (!assign(*field, values)) {
      if (badRecord) *badRecord = true;
      break;
    }
    ++taken;
  }
  return taken;
}

bool IsSettingsText(const std::string& text) {
  return std::none_of(text.begin(), text.end(), [](char c) {
    auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && c != '\t' && c != '\r' && c != '\n') || byte == 0x7F;
  });
}

}  // namespace lumivex
