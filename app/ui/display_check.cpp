// The check for a display, made before QApplication exists (its constructor would abort).
#include "ui/display_check.h"

#include <cstdlib>

namespace lumivex::ui {

namespace {

bool environmentSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

// Qt's own option wins over the environment.
std::string chosenPlatform(const std::vector<std::string>& arguments) {
  std::string platform;
  for (std::size_t i = 0; i + 1 < arguments.size(); ++i)
    if (arguments[i] == "-platform" || arguments[i] == "--platform") platform = arguments[i + 1];
  if (platform.empty() && environmentSet("QT_QPA_PLATFORM")) platform = std::getenv("QT_QPA_PLATFORM");
  return platform;
}

bool platformCanShow(const std::string& platform, bool x11, bool wayland) {
  std::string name = platform.substr(0, platform.find(':'));
  if (name == "xcb") return x11;
  if (name.rfind("wayland", 0) == 0) return wayland;
  return true;
}

}  // namespace

bool DisplayAvailable(const std::vector<std::string>& arguments) {
  bool x11 = environmentSet("DISPLAY");
  bool wayland = environmentSet("WAYLAND_DISPLAY");
  std::string platforms = chosenPlatform(arguments);
  if (platforms.empty()) return x11 || wayland;
  // Qt accepts a list of platforms to try in turn ("wayland;xcb"), each perhaps with plugin
  // arguments ("xcb:foo") that do not change the platform.
  std::size_t start = 0;
  for (;;) {
    std::size_t end = platforms.find(';', start);
    std::string one = platforms.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!one.empty() && platformCanShow(one, x11, wayland)) return true;
    if (end == std::string::npos) return false;
    start = end + 1;
  }
}

}  // namespace lumivex::ui
