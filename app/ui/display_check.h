// Whether the window can be shown at all: Qt aborts the process when its platform plugin cannot
// open a display, so the program tries the display itself first and ends with a usage error that
// names the headless way.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lumivex::ui {

// The line printed (on standard error) when there is no display to open the window on.
inline constexpr const char* kNoDisplayText =
    "lumivex: no display; use lumivex --batch [OPTIONS] FILE|FOLDER... to resize without a window\n";

struct DisplayChoice {
  bool available = false;
  // The platform Qt must be told to use (QT_QPA_PLATFORM), when the one it would pick by itself
  // cannot open its display but another can; empty to leave the choice to Qt.
  std::string platform;
};

// Tries the displays: X11 when DISPLAY is set (an X connection is opened and closed again),
// Wayland when WAYLAND_DISPLAY is set (likewise). A platform named by -platform or QT_QPA_PLATFORM
// is held to: X11 and Wayland must open, any other (offscreen, vnc, eglfs...) is trusted as it is.
DisplayChoice ChooseDisplay(const std::vector<std::string>& arguments);

}  // namespace lumivex::ui
