// The window's own command line: `lumivex [--size SIZE] [FILE|FOLDER]...`. Qt has already taken
// its options (-platform, -style...) out of argv; what is left names photos and folders, and
// --size gives the size for these photos alone (a file manager's "resize to 1024x768" action).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lumivex::ui {

struct WindowArguments {
  std::optional<std::string> size;  // the size box text for the photos of this launch
  std::vector<std::string> items;   // files and folders, in order
  std::string error;                // a usage error, empty when the arguments were understood
};

// Reads --size SIZE, --size=SIZE and -s SIZE (a valid size text of the size box); "--" ends the
// options. Every other argument is an item.
WindowArguments ParseWindowArguments(const std::vector<std::string>& arguments);

// The items as absolute paths from the current folder, for a window that runs in another one.
std::vector<std::string> AbsoluteItems(const std::vector<std::string>& items);

}  // namespace lumivex::ui
