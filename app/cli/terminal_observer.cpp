// Progress and per-photo results of a headless run: lines on standard output, failures and
// damaged files on standard error, so that scripts can tell them apart.
#include "cli/terminal_observer.h"

#include "utilities/terminal_text.h"
#include "utilities/utilities.h"

namespace lumivex::cli {

namespace {

std::string nameOf(const std::string& path) { return EscapedForTerminal(FileNameOf(path)); }

void printError(const std::string& line) {
  std::fflush(stdout);
  std::fprintf(stderr, "lumivex: %s\n", line.c_str());
}

}  // namespace

// The "Resizing" status of each photo is printed by entryStarted, with the photo's place.
void TerminalObserver::showStatus(const std::string& text) {
  if (text.starts_with("Resizing ")) return;
  std::printf("%s\n", text.c_str());
  std::fflush(stdout);
}

void TerminalObserver::entryStarted(std::int32_t number, std::int32_t total, const std::string& path) {
  numbers_[path] = number;
  total_ = total;
  std::printf("%s Resizing %s...\n", placeOf(path).c_str(), nameOf(path).c_str());
  std::fflush(stdout);
}

std::string TerminalObserver::placeOf(const std::string& path) const {
  auto found = numbers_.find(path);
  std::int32_t number = found == numbers_.end() ? 0 : found->second;
  return "[" + std::to_string(number) + "/" + std::to_string(total_) + "]";
}

void TerminalObserver::photoEnded(const PhotoReport& report) {
  std::string place = placeOf(report.source), name = nameOf(report.source);
  std::string source = EscapedForTerminal(report.source), output = EscapedForTerminal(report.outputPath);
  switch (report.outcome) {
    case PhotoOutcome::Written:
      if (report.quality > 0)
        std::printf("%s %s -> %s (quality %d)\n", place.c_str(), name.c_str(), output.c_str(),
                    report.quality);
      else
        std::printf("%s %s -> %s\n", place.c_str(), name.c_str(), output.c_str());
      if (!report.note.empty()) std::printf("%s %s: %s\n", place.c_str(), name.c_str(), report.note.c_str());
      if (!report.sizeWarning.empty())
        printError(place + " over the size limit: " + source + ": written as " + output + ", but " +
                   report.sizeWarning);
      if (!report.warning.empty())
        printError(place + " written with warnings: " + source + ": the file is damaged: " + report.warning);
      break;
    case PhotoOutcome::KeptExisting:
      std::printf("%s %s: kept the existing %s\n", place.c_str(), name.c_str(), output.c_str());
      break;
    case PhotoOutcome::Failed:
      printError(place + " not resized: " + source + ": " + EscapedForTerminal(report.reason));
      break;
  }
  std::fflush(stdout);
}

}  // namespace lumivex::cli
