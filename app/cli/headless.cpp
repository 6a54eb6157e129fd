// `lumivex --batch`: settings and overrides, the named items walked, the batch run on the
// terminal, the summary and the exit status.
#include "cli/headless.h"

#include <climits>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "batch/batch_run.h"
#include "cli/batch_prompts.h"
#include "cli/cli_options.h"
#include "cli/terminal_observer.h"
#include "formats/format_table.h"
#include "input/command_line.h"
#include "input/folder_walk.h"
#include "settings/more_settings.h"
#include "settings/settings.h"
#include "settings/target_size.h"
#include "utilities/terminal_text.h"
#include "utilities/utilities.h"

namespace lumivex::cli {

namespace {

constexpr int kAllWritten = 0;
constexpr int kSomeFailed = 1;
constexpr int kUsageError = 2;

int usageError(const std::string& text) {
  std::fprintf(stderr, "lumivex: %s\nTry 'lumivex --help'.\n", text.c_str());
  return kUsageError;
}

// Queued paths are absolute, so that every destination folder is built from a full path, as
// from a drop on the window.
std::string absolutePath(const std::string& item) {
  std::error_code error;
  std::filesystem::path path = std::filesystem::absolute(item, error);
  if (error) return item;
  std::string text = path.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

std::string whySkipped(const std::string& item) {
  std::error_code error;
  if (!std::filesystem::exists(item, error)) return "no such file or folder";
  if (!IsSupportedImage(item)) return "not a supported image (" + corvale::extensionList(", ") + ")";
  return "cannot be read";
}

// Walks the named items; reports and counts those that name nothing to resize and the folders
// that could not be read.
int queueItems(const CliOptions& options, BatchPrompts& prompts, PendingFiles& queue) {
  std::vector<std::string> pieces;
  for (const std::string& item : options.items) pieces.push_back(item.empty() ? item : absolutePath(item));
  prompts.setStandingAnswer(options.walkSubfolders);
  std::vector<std::string> skipped = QueueCommandLinePieces(pieces, queue);
  prompts.setStandingAnswer(std::nullopt);
  for (const std::string& item : skipped)
    std::fprintf(stderr, "lumivex: %s: %s\n", EscapedForTerminal(item).c_str(), whySkipped(item).c_str());
  for (const std::string& item : options.items)
    if (item.empty()) std::fprintf(stderr, "lumivex: an empty name was given\n");
  std::vector<WalkProblem> problems = queue.takeProblems();
  for (const WalkProblem& problem : problems)
    std::fprintf(stderr, "lumivex: %s\n", EscapedForTerminal(WalkProblemText(problem)).c_str());
  return static_cast<int>(skipped.size() + problems.size());
}

// "12 photos: 9 written, 1 written with warnings, 2 failed (1 damaged, 1 not an image)": photos
// written from damaged files are counted apart from the clean ones, failures by their cause.
void printSummary(const BatchSummary& summary) {
  int damaged = static_cast<int>(summary.warnings.size());
  std::vector<std::string> parts;
  if (summary.written > damaged || summary.written == 0)
    parts.push_back(std::to_string(summary.written - damaged) + " written");
  if (damaged) parts.push_back(std::to_string(damaged) + " written with warnings");
  if (summary.keptExisting)
    parts.push_back(std::to_string(summary.keptExisting) + " kept (output already there)");
  if (summary.failed)
    parts.push_back(std::to_string(summary.failed) + " failed (" + FailureCausesText(summary) + ")");
  std::string line = std::to_string(summary.photos) + (summary.photos == 1 ? " photo: " : " photos: ");
  // Several sizes make several copies of each photo: both counts are given.
  if (summary.sources > 0 && summary.sources != summary.photos)
    line = std::to_string(summary.sources) + (summary.sources == 1 ? " photo, " : " photos, ") +
           std::to_string(summary.photos) + " copies: ";
  for (std::size_t i = 0; i < parts.size(); ++i) line += (i ? ", " : "") + parts[i];
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
  // Each failure, damaged file and copy over the limit was named on its own line as it ended.
  if (summary.flushFailed) std::fprintf(stderr, "lumivex: %s\n", kFlushFailedText);
}

int runBatch(const CliOptions& options) {
  LoadDefaults();
  std::string damage = LoadSettings();
  if (!damage.empty()) std::fprintf(stderr, "lumivex: %s\n", EscapedForTerminal(damage).c_str());
  LoadMoreSettings();
  ApplyOverrides(options);
  if (std::string refusal = SizeLimitRefusal(); !refusal.empty()) return usageError(refusal);
  TargetSizesReading size = ReadTargetSizes(settings.ResolutionText);
  if (!size.valid)
    return usageError("the size \"" + EscapedForTerminal(settings.ResolutionText) +
                      "\" of lumivex.cfg is not valid (" + size.status + "); give one with --size");

  BatchPrompts prompts;
  setUserPrompts(&prompts);
  PendingFiles queue;
  int skipped = queueItems(options, prompts, queue);
  BatchSummary summary;
  if (queue.count() == 0) {
    std::printf("No images to resize.\n");
  } else {
    Workers workers = CreateWorkers(CountWorkers());
    TerminalObserver observer;
    summary = RunBatch(queue, workers, settings.ResolutionText, observer);
    printSummary(summary);
  }
  setUserPrompts(nullptr);
  return summary.failed > 0 || skipped > 0 || summary.flushFailed ? kSomeFailed : kAllWritten;
}

}  // namespace

int RunHeadless(const std::vector<std::string>& arguments) {
  ParsedOptions parsed = ParseCliOptions(arguments);
  if (!parsed.error.empty()) return usageError(parsed.error);
  if (parsed.options.help) {
    std::fputs(UsageText().c_str(), stdout);
    return kAllWritten;
  }
  if (parsed.options.version) {
    std::printf("lumivex %s\n", LUMIVEX_VERSION);
    return kAllWritten;
  }
  return runBatch(parsed.options);
}

}  // namespace lumivex::cli
