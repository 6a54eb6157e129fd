// The target size of a run, read from the text of the size box: a percentage ("50%"), a resolution
// ("800x600"; a 0 on either side keeps the source size) or "No Resize". A text that gives no valid
// target leaves the queue waiting and shows why in the status.
#pragma once

#include <cstdint>
#include <string>

namespace lumivex {

inline constexpr const char* kIncorrectPercentage = "Incorrect percentage selected!";
inline constexpr const char* kIncorrectResolution = "Incorrect resolution selected!";

// A percentage target has dstPrcnt > 0 and both sizes 0; a resolution target dstPrcnt 0; a target
// that keeps every photo's size has all three 0. A side of kFollowAspect ("1920x", "x1080") follows
// the photo's aspect from the other side.
inline constexpr std::int32_t kFollowAspect = -1;

struct TargetSize {
  std::int32_t dstWidth = 0;
  std::int32_t dstHeight = 0;
  float dstPrcnt = 0.0f;
};

struct TargetSizeReading {
  bool valid = false;
  TargetSize size;
  std::string status;  // the status text for an invalid size, empty otherwise
};

TargetSizeReading ReadTargetSize(const std::string& text);

// The leading decimal number of a text as people type it: blanks are skipped, an optional sign,
// digits with "." as the decimal point; reading stops at the first other character. A text with
// no leading number reads as 0.
double LeadingNumber(const std::string& text);

// Rounds to the nearest integer, halves to the even neighbour (the program's rounding everywhere).
double RoundHalfEven(double value);

}  // namespace lumivex
