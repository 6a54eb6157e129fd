// Why a load came out as it did, as a value: what a caller decides by (write the photo, name it
// with a warning, count it among the failures), while the reason text beside it is only shown.
// The numbers cross the C interface (cpic_lastLoadCause) and are stable: new causes are added at
// the end, none is ever renumbered. The header holds no engine code, so the program compiles it
// too and names causes with the same words.
#pragma once

#include <string>
#include <utility>

namespace corvale {

enum class LoadCause : int {
  kNone = 0,                // a clean load
  kWarnings = 1,            // the picture was given, but the file was damaged or cut short in parts
  kNotAnImage = 2,          // not the format its extension says, or no picture extension at all
  kDamaged = 3,             // invalid data the decoder could not get past
  kTruncated = 4,           // the file ends before anything could be decoded
  kTooLargeForItsFile = 5,  // a size the file's bytes could never code: forged or mostly missing
  kTooLargeForMemory = 6,   // a picture (or file) beyond what the engine will hold
  kUnsupported = 7,         // a valid variant of the format this engine does not read
  kIoError = 8,             // the file could not be opened or read
  kDecoderFailure = 9,      // the decoder crashed, stopped, ran out of time or could not start
  kNoName = 10,             // an empty path
  kNotAFile = 11,           // a folder, a pipe, a device
  kPlanRefused = 12,        // a planned load whose caller's plan stopped it or cannot be followed
};

inline constexpr int kLoadCauseCount = 13;

// The words for a cause where failures are counted: "3 failed (1 damaged, 2 not an image)".
inline const char* loadCauseWords(LoadCause cause) {
  static constexpr const char* kWords[kLoadCauseCount] = {
      "read",
      "partly decoded",
      "not an image",
      "damaged",
      "cut short",
      "too large for its file",
      "too large for memory",
      "of an unsupported kind",
      "unreadable",
      "decoder failure",
      "without a name",
      "not a file",
      "refused by its plan",
  };
  int index = static_cast<int>(cause);
  return index >= 0 && index < kLoadCauseCount ? kWords[index] : "of an unknown cause";
}

// A number from across the C interface as a cause; one this build does not know is a decoder
// failure, the cause that claims least.
inline LoadCause loadCauseOf(int number) {
  return number >= 0 && number < kLoadCauseCount ? static_cast<LoadCause>(number)
                                                 : LoadCause::kDecoderFailure;
}

// What a reader says of a file: its cause and the reason text the user sees (lower case, without
// the file's name, which the caller puts in front). A clean read has kNone and no text.
struct LoadOutcome {
  LoadCause cause = LoadCause::kNone;
  std::string reason;

  LoadOutcome() = default;
  LoadOutcome(LoadCause c, std::string text) : cause(c), reason(std::move(text)) {}

  bool clean() const { return cause == LoadCause::kNone; }
  // The picture was given, with the decoder's complaints.
  bool warned() const { return cause == LoadCause::kWarnings; }
};

// The decoder's complaints of a picture it gave: a warning, or a clean read when there are none.
inline LoadOutcome warningsOf(std::string complaints) {
  if (complaints.empty()) return {};
  return {LoadCause::kWarnings, std::move(complaints)};
}

}  // namespace corvale
