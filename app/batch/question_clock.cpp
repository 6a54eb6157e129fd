// Timing the run's notices and questions, which ask through the prompts installed before.
#include "batch/question_clock.h"

#include "utilities/utilities.h"

namespace lumivex {

QuestionClock::QuestionClock() : inner_(userPrompts()) { setUserPrompts(this); }

QuestionClock::~QuestionClock() { setUserPrompts(&inner_); }

template <typename Ask>
auto QuestionClock::timed(Ask ask) {
  std::int64_t start = ClockMs();
  auto answer = ask();
  waited_ += ClockMs() - start;
  return answer;
}

void QuestionClock::notice(const std::string& text) {
  timed([&] { return inner_.notice(text), 0; });
}

void QuestionClock::noticeAbout(const std::string& photo, const std::string& text) {
  timed([&] { return inner_.noticeAbout(photo, text), 0; });
}

bool QuestionClock::askYesNo(const std::string& text) {
  return timed([&] { return inner_.askYesNo(text); });
}

OverwriteAnswer QuestionClock::askOverwrite(const std::string& text) {
  return timed([&] { return inner_.askOverwrite(text); });
}

bool QuestionClock::askAboutSubfolders(const std::string& folder) {
  return timed([&] { return inner_.askAboutSubfolders(folder); });
}

}  // namespace lumivex
