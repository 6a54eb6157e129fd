// Whether the window can be shown at all: Qt aborts the process when its platform plugin finds no
// display, so the program asks first and ends with a usage error that names the headless way.
#pragma once

#include <string>
#include <vector>

namespace lumivex::ui {

// The line printed (on standard error) when there is no display to open the window on.
inline constexpr const char* kNoDisplayText =
    "lumivex: no display; use lumivex --batch [OPTIONS] FILE|FOLDER... to resize without a window\n";

// True when the platform Qt will pick can show a window: a platform other than X11 and Wayland
// named by -platform or QT_QPA_PLATFORM (offscreen, vnc, eglfs...) is trusted as it is; X11 needs
// DISPLAY and Wayland needs WAYLAND_DISPLAY, and with no platform named either will do.
bool DisplayAvailable(const std::vector<std::string>& arguments);

}  // namespace lumivex::ui
