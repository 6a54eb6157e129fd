// Progress and per-photo results of a headless run: lines on standard output, failures and
// damaged files on standard error, so that scripts can tell them apart.
#include "cli/terminal_observer.h"

#include <algorithm>
#include <cmath>

#include "utilities/utilities.h"

namespace lumivex::cli {

void TerminalObserver::showStatus(const std::string& text) {
  if (text.starts_with("Resizing ")) {
    int percent = static_cast<int>(std::floor(std::clamp(fraction_, 0.0, 1.0) * 100.0));
    std::printf("[%3d%%] %s\n", percent, text.c_str());
  } else {
    std::printf("%s\n", text.c_str());
  }
  std::fflush(stdout);
}

void TerminalObserver::photoEnded(const PhotoReport& report) {
  switch (report.outcome) {
    case PhotoOutcome::Written:
      if (report.quality > 0)
        std::printf("       %s -> %s (quality %d)\n", FileNameOf(report.source).c_str(),
                    report.outputPath.c_str(), report.quality);
      else
        std::printf("       %s -> %s\n", FileNameOf(report.source).c_str(), report.outputPath.c_str());
      if (!report.note.empty())
        std::printf("       %s: %s\n", FileNameOf(report.source).c_str(), report.note.c_str());
      if (!report.sizeWarning.empty()) {
        std::fflush(stdout);
        std::fprintf(stderr, "lumivex: %s: written as %s, but %s\n", report.source.c_str(),
                     report.outputPath.c_str(), report.sizeWarning.c_str());
      }
      if (!report.warning.empty()) {
        std::fflush(stdout);
        std::fprintf(stderr, "lumivex: %s: written, but the file is damaged: %s\n", report.source.c_str(),
                     report.warning.c_str());
      }
      break;
    case PhotoOutcome::KeptExisting:
      std::printf("       %s: kept the existing %s\n", FileNameOf(report.source).c_str(),
                  report.outputPath.c_str());
      break;
    case PhotoOutcome::Failed:
      std::fflush(stdout);
      std::fprintf(stderr, "lumivex: %s: %s\n", report.source.c_str(), report.reason.c_str());
      break;
  }
  std::fflush(stdout);
}

}  // namespace lumivex::cli
