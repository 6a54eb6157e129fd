// The target size of a run, read from the text of the size box: a percentage ("50%"), a resolution
// ("800x600"; a 0 on either side keeps the source size) or "No Resize". A text that gives no valid
// target leaves the queue waiting and shows why in the status. Several targets separated by ";"
// ("800x600; 1920x1080") make a copy of every photo at each size. Only these forms are read: a
// text that merely begins like one is refused.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumivex {

inline constexpr const char* kIncorrectPercentage = "Incorrect percentage selected!";
inline constexpr const char* kIncorrectResolution = "Incorrect resolution selected!";
// The forms a size text may take, shown under a refusal so that the user can see what would do.
inline constexpr const char* kSizeForms =
    "Sizes are WxH, Wx, xH, N% or No Resize (several separated by \";\").";

// A refusal's status followed, on the next line, by the forms a size may take.
std::string WithSizeForms(const std::string& status);

// A percentage target has dstPrcnt > 0 and both sizes 0; a resolution target dstPrcnt 0; a target
// that keeps every photo's size has all three 0. A side of kFollowAspect ("1920x", "x1080") follows
// the photo's aspect from the other side.
inline constexpr std::int32_t kFollowAspect = -1;

struct TargetSize {
  std::int32_t dstWidth = 0;
  std::int32_t dstHeight = 0;
  float dstPrcnt = 0.0f;
  bool operator==(const TargetSize&) const = default;
};

struct TargetSizeReading {
  bool valid = false;
  TargetSize size;
  std::string status;  // the status text for an invalid size, empty otherwise
};

TargetSizeReading ReadTargetSize(const std::string& text);

inline constexpr char kTargetSizeSeparator = ';';

struct TargetSizesReading {
  bool valid = false;
  std::vector<TargetSize> sizes;  // in the order given, each once
  std::string status;             // the status text for an invalid text, empty otherwise
};

// Every target of a text: the pieces between ";" each read as ReadTargetSize reads a whole text.
// Empty pieces are skipped and a target given twice counts once. A text without ";" gives exactly
// what ReadTargetSize gives; a piece that is not a target makes the whole text invalid with that
// piece's status, and so does a text of no target at all.
TargetSizesReading ReadTargetSizes(const std::string& text);

// The text of several targets, as ReadTargetSizes reads it back: the pieces joined by "; ".
std::string JoinTargetSizeTexts(const std::vector<std::string>& pieces);

// The leading decimal number of a text as people type it: blanks are skipped, an optional sign,
// digits with "." as the decimal point; reading stops at the first other character. A text with
// no leading number reads as 0.
double LeadingNumber(const std::string& text);

// Rounds to the nearest integer, halves to the even neighbour (the program's rounding everywhere).
double RoundHalfEven(double value);

}  // namespace lumivex
