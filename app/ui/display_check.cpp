// The check for a display, made before QApplication exists (its constructor would abort). The X
// library is opened by name, as Qt's own platform plugin opens it: the program does not link it,
// and a machine without it simply has no X display.
#include "ui/display_check.h"

#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace lumivex::ui {

namespace {

bool environmentSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

// xcb_connect(NULL, NULL) reads DISPLAY and the X authority as Qt's xcb plugin does; it always
// gives a connection object, whose error state says whether it opened.
bool x11Opens() {
  if (!environmentSet("DISPLAY")) return false;
  using Failed = int (*)(void*);
  using Disconnect = void (*)(void*);
  void* handle = ::dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
  if (!handle) return false;
  auto xcbConnect = reinterpret_cast<void* (*)(const char*, int*)>(::dlsym(handle, "xcb_connect"));
  auto hasError = reinterpret_cast<Failed>(::dlsym(handle, "xcb_connection_has_error"));
  auto disconnect = reinterpret_cast<Disconnect>(::dlsym(handle, "xcb_disconnect"));
  bool open = false;
  if (xcbConnect && hasError && disconnect) {
    if (void* connection = xcbConnect(nullptr, nullptr)) {
      open = hasError(connection) == 0;
      disconnect(connection);
    }
  }
  ::dlclose(handle);
  return open;
}

// A compositor listens on a socket named by WAYLAND_DISPLAY, in XDG_RUNTIME_DIR unless the name
// is a path; a connection to it is all that opening the display needs. (The Wayland library would
// do the same, but prints its own complaints on the way.) A socket already handed over in
// WAYLAND_SOCKET is trusted.
bool waylandOpens() {
  if (environmentSet("WAYLAND_SOCKET")) return true;
  if (!environmentSet("WAYLAND_DISPLAY")) return false;
  std::string path = std::getenv("WAYLAND_DISPLAY");
  if (path[0] != '/') {
    if (!environmentSet("XDG_RUNTIME_DIR")) return false;
    path = std::string(std::getenv("XDG_RUNTIME_DIR")) + "/" + path;
  }
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (socket < 0) return false;
  bool open = ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(socket);
  return open;
}

// Qt's own option wins over the environment.
std::string chosenPlatform(const std::vector<std::string>& arguments) {
  std::string platform;
  for (std::size_t i = 0; i + 1 < arguments.size(); ++i)
    if (arguments[i] == "-platform" || arguments[i] == "--platform") platform = arguments[i + 1];
  if (platform.empty() && environmentSet("QT_QPA_PLATFORM")) platform = std::getenv("QT_QPA_PLATFORM");
  return platform;
}

bool platformCanShow(const std::string& platform) {
  std::string name = platform.substr(0, platform.find(':'));
  if (name == "xcb") return x11Opens();
  if (name.rfind("wayland", 0) == 0) return waylandOpens();
  return true;
}

}  // namespace

DisplayChoice ChooseDisplay(const std::vector<std::string>& arguments) {
  std::string platforms = chosenPlatform(arguments);
  if (platforms.empty()) {
    bool x11 = x11Opens(), wayland = waylandOpens();
    if (x11 && wayland) return {true, ""};
    if (x11) return {true, "xcb"};
    if (wayland) return {true, "wayland"};
    return {false, ""};
  }
  // Qt accepts a list of platforms to try in turn ("wayland;xcb"), each perhaps with plugin
  // arguments ("xcb:foo") that do not change the platform; the first that can show is the one.
  std::size_t start = 0;
  for (;;) {
    std::size_t end = platforms.find(';', start);
    std::string one = platforms.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!one.empty() && platformCanShow(one)) return {true, start == 0 ? "" : one};
    if (end == std::string::npos) return {false, ""};
    start = end + 1;
  }
}

}  // namespace lumivex::ui
