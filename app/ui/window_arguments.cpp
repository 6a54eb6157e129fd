// The window's command line: the items to queue and the size that goes with them.
#include "ui/window_arguments.h"

#include <filesystem>
#include <system_error>

#include "cli/cli_options.h"
#include "settings/target_size.h"

namespace lumivex::ui {

namespace {

void takeSize(const std::string& value, WindowArguments& parsed) {
  TargetSizesReading reading = ReadTargetSizes(value);
  if (!reading.valid)
    parsed.error = "option --size \"" + value + "\": " + reading.status + " " + kSizeForms;
  else  // given again, it adds a size
    parsed.size = parsed.size ? JoinTargetSizeTexts({*parsed.size, value}) : value;
}

}  // namespace

WindowArguments ParseWindowArguments(const std::vector<std::string>& arguments) {
  WindowArguments parsed;
  bool onlyItems = false;
  for (std::size_t i = 0; i < arguments.size() && parsed.error.empty(); ++i) {
    const std::string& argument = arguments[i];
    if (onlyItems) {
      parsed.items.push_back(argument);
    } else if (argument == "--") {
      onlyItems = true;
    } else if (argument.rfind("--size=", 0) == 0) {
      takeSize(argument.substr(7), parsed);
    } else if (argument == "--size" || argument == "-s") {
      if (i + 1 < arguments.size())
        takeSize(arguments[++i], parsed);
      else
        parsed.error = "option --size needs a value";
    } else if (argument.starts_with("-s")) {
      takeSize(argument.substr(2), parsed);
    } else if (cli::IsBatchOnlyOption(argument)) {
      // The window runs with its saved settings; an option it would ignore must not pass silently.
      parsed.error = "option " + argument.substr(0, argument.find('=')) +
                     " applies only with --batch (the window uses the settings of its Options dialog)";
    } else if (argument.size() > 1 && argument[0] == '-' && argument != "-") {
      parsed.error = "unknown option " + argument + " (a file of that name can follow \"--\")";
    } else {
      parsed.items.push_back(argument);
    }
  }
  return parsed;
}

std::vector<std::string> AbsoluteItems(const std::vector<std::string>& items) {
  std::vector<std::string> absolute;
  for (const std::string& item : items) {
    std::error_code error;
    std::filesystem::path full =
        item.empty() ? std::filesystem::path() : std::filesystem::absolute(item, error);
    absolute.push_back(error || item.empty() ? item : full.lexically_normal().string());
  }
  return absolute;
}

}  // namespace lumivex::ui
