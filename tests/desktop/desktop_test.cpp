// The program as the desktop starts it: without a display, as a second launch that joins the open
// window, from the file managers' context-menu actions, and its installed metadata checked by the
// desktop's own validators. Every window runs on Qt's offscreen platform with a settings folder
// and a runtime folder (where the hand-over socket lives) of the test's own.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <memory>
#include <regex>
#include <set>

#include "formats/format_table.h"
#include "launch.h"
#include "support/test_files.h"

namespace {

using namespace desktop_testing;

constexpr milliseconds kStartTimeout(20000);
constexpr milliseconds kRunTimeout(60000);

struct Size {
  int width = 0;
  int height = 0;
  bool operator==(const Size&) const = default;
};

// libjpeg reads the size of what the program wrote.
Size jpegSize(const fs::path& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return {};
  jpeg_decompress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  Size size{static_cast<int>(info.image_width), static_cast<int>(info.image_height)};
  jpeg_destroy_decompress(&info);
  std::fclose(file);
  return size;
}

ino_t inodeOf(const fs::path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// The desktop entry and the file-manager actions are generated into the build folder; the rest
// stays in the source tree.
std::string packaging(const std::string& name) {
  std::string generated = std::string(LUMIVEX_BIN_DIR) + "/../packaging/" + name;
  if (fs::exists(generated)) return generated;
  return std::string(LUMIVEX_SOURCE_DIR) + "/packaging/" + name;
}

int runTool(const std::string& command) {
  int raw = std::system((command + " >/dev/null 2>&1").c_str());
  return raw == -1 ? -1 : WEXITSTATUS(raw);
}

bool toolInstalled(const std::string& name) { return runTool("command -v " + name) == 0; }

class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const fs::path& folder : {config(), runtime(), in()}) fs::create_directories(folder);
    fs::permissions(runtime(), fs::perms::owner_all);
  }

  fs::path config() const { return dir.path() / "config"; }
  fs::path runtime() const { return dir.path() / "run"; }
  fs::path in() const { return dir.path() / "in"; }
  fs::path socket() const { return runtime() / "lumivex.socket"; }
  fs::path output(const std::string& stem, Size size) const {
    return in() / "resized" /
           (stem + "_" + std::to_string(size.width) + "x" + std::to_string(size.height) + ".jpg");
  }

  Environment windowEnvironment() const {
    return {{"QT_QPA_PLATFORM", "offscreen"},
            {"LUMIVEX_CONFIG_DIR", config().string()},
            {"XDG_RUNTIME_DIR", runtime().string()}};
  }

  std::string photo(const std::string& stem, const char* sample = "cameras/olympus-d320l.jpg") {
    fs::path target = in() / (stem + ".jpg");
    fs::copy_file(testing_support::samplePhoto(sample), target);
    return target.string();
  }

  // The size `lumivex --batch` gives the photo at this size text: what the window must give too.
  Size headlessSize(const std::string& sizeText) {
    testing_support::TempDir other;
    fs::copy_file(testing_support::samplePhoto("cameras/olympus-d320l.jpg"), other.path() / "p.jpg");
    Launch batch(binary(), {"--batch", "--size", sizeText, "--same-folder", "--pattern", "out", "p.jpg"},
                 {{"LUMIVEX_CONFIG_DIR", (other.path() / "config").string()}}, other.path(), other.path());
    EXPECT_EQ(batch.wait(kRunTimeout), 0) << batch.errors();
    return jpegSize(other.path() / "out.jpg");
  }

  // Starts a window (with items, or none) and waits until it listens for later launches: until a
  // socket other than `staleInode` is in place.
  std::unique_ptr<Launch> openWindow(const std::vector<std::string>& arguments, ino_t staleInode = 0,
                                     const std::string& program = binary()) {
    return openWindowWith(program, arguments, windowEnvironment(), staleInode);
  }

  std::unique_ptr<Launch> openWindowWith(const std::string& program,
                                         const std::vector<std::string>& arguments,
                                         const Environment& environment, ino_t staleInode = 0) {
    auto window = std::make_unique<Launch>(program, arguments, environment, dir.path(), in());
    bool listening = pollFor(
        [&] {
          ino_t inode = inodeOf(socket());
          return inode != 0 && inode != staleInode;
        },
        kStartTimeout);
    EXPECT_TRUE(listening) << window->errors();
    return window;
  }

  // A launch from another folder; it must end at once, having handed its photos over.
  void handOver(const std::vector<std::string>& arguments) {
    Launch second(binary(), arguments, windowEnvironment(), dir.path(), in());
    EXPECT_EQ(second.wait(kStartTimeout), 0) << second.errors();
  }

  bool appears(const fs::path& path) {
    return pollFor([&] { return fs::exists(path); }, kRunTimeout);
  }

  void closeWindow(Launch& window) {
    window.signal(SIGTERM);
    EXPECT_EQ(window.wait(kStartTimeout), 0) << window.errors();
    EXPECT_FALSE(fs::exists(socket()));
  }

  testing_support::TempDir dir;
};

// Without a display Qt would abort; the program says what to use instead and ends with the usage
// status, for no platform at all and for X11 or Wayland named without their display.
TEST_F(DesktopTest, WithoutADisplayNamesTheWayOut) {
  std::string photoPath = photo("a");
  for (const Environment& environment :
       {Environment{}, Environment{{"QT_QPA_PLATFORM", "xcb"}},
        Environment{{"QT_QPA_PLATFORM", "wayland"}, {"DISPLAY", ":99"}},
        // named, but with nothing there to open: Qt would abort
        Environment{{"DISPLAY", ":99"}}, Environment{{"WAYLAND_DISPLAY", "none-99"}},
        Environment{{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", ":99"}}}) {
    Launch launch(binary(), {photoPath}, environment, dir.path());
    EXPECT_EQ(launch.wait(kStartTimeout), 2);
    std::string errors = launch.errors();
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
    EXPECT_NE(errors.find("no display; use lumivex --batch"), std::string::npos) << errors;
  }
  EXPECT_FALSE(fs::exists(in() / "resized"));
}

// The second launch names its photo relative to its own folder and gives a size of its own; the
// first window resizes it at that size, a plain launch afterwards gets the size box's text, and
// the preset never becomes the saved size.
TEST_F(DesktopTest, SecondLaunchHandsItsPhotosToTheOpenWindow) {
  std::unique_ptr<Launch> window = openWindow({});
  photo("preset");
  photo("plain");
  Size small = headlessSize("160x120"), boxSize = headlessSize("800x600");
  handOver({"--size", "160x120", "preset.jpg"});
  EXPECT_TRUE(appears(output("preset", small)));
  EXPECT_EQ(jpegSize(output("preset", small)), small);
  handOver({"plain.jpg"});
  EXPECT_TRUE(appears(output("plain", boxSize)));
  EXPECT_TRUE(window->running());
  closeWindow(*window);
  EXPECT_EQ(fileText(config() / "lumivex.cfg").rfind("\"800x600\"\r\n", 0), 0u);
}

// A window killed outright leaves its socket behind; the next window takes the name over and
// later launches reach it.
TEST_F(DesktopTest, StaleSocketDoesNotBlockANewWindow) {
  std::unique_ptr<Launch> crashed = openWindow({});
  crashed->signal(SIGKILL);
  EXPECT_EQ(crashed->wait(kStartTimeout), -1);
  ino_t stale = inodeOf(socket());
  ASSERT_NE(stale, 0u);
  std::unique_ptr<Launch> window = openWindow({}, stale);
  photo("after");
  handOver({"--size", "50%", (in() / "after.jpg").string()});
  Size half = headlessSize("50%");
  EXPECT_TRUE(appears(output("after", half)));
  closeWindow(*window);
}

// Every action of the Dolphin service menu and of the Nemo actions, run as the file manager
// would (the Exec line with the selection in place of %F): the first opens the window itself,
// the others join it, and each photo comes out at the action's size.
TEST_F(DesktopTest, FileManagerActionsResizeTheSelection) {
  struct Action {
    std::string name;
    std::string exec;
  };
  std::vector<Action> actions;
  auto dolphin = desktopGroups(packaging("lumivex-servicemenu.desktop"));
  std::string list = dolphin["Desktop Entry"]["Actions"];
  for (std::size_t start = 0, end; (end = list.find(';', start)) != std::string::npos; start = end + 1) {
    std::string id = list.substr(start, end - start);
    ASSERT_TRUE(dolphin.count("Desktop Action " + id)) << id;
    actions.push_back({"dolphin-" + id, dolphin["Desktop Action " + id]["Exec"]});
  }
  EXPECT_EQ(actions.size(), 6u);
  for (const auto& entry : fs::directory_iterator(LUMIVEX_BIN_DIR "/../packaging")) {
    if (entry.path().extension() != ".nemo_action") continue;
    auto nemo = desktopGroups(entry.path());
    EXPECT_EQ(nemo["Nemo Action"]["Selection"], "notnone");
    actions.push_back({"nemo-" + entry.path().stem().string(), nemo["Nemo Action"]["Exec"]});
  }
  EXPECT_EQ(actions.size(), 12u);
  // "Resize with Lumivex" opens the window; the presets then join it.
  std::stable_partition(actions.begin(), actions.end(),
                        [](const Action& a) { return a.exec == "lumivex %F"; });

  std::unique_ptr<Launch> window;
  std::set<std::string> sizes;
  for (const Action& action : actions) {
    std::vector<std::string> arguments = execArguments(action.exec, {photo(action.name)});
    ASSERT_EQ(arguments.front(), "lumivex") << action.exec;
    arguments.erase(arguments.begin());
    // The WebP preset runs its batch without the window, into the window's output folder.
    if (arguments.front() == "--batch") {
      Launch batch(binary(), arguments, windowEnvironment(), dir.path(), in());
      EXPECT_EQ(batch.wait(kRunTimeout), 0) << batch.errors();
      fs::path webp = output(action.name, headlessSize("1920x1080")).replace_extension(".webp");
      EXPECT_TRUE(fs::exists(webp)) << action.exec;
      continue;
    }
    std::string sizeText = arguments.size() == 3 && arguments[0] == "--size" ? arguments[1] : "800x600";
    sizes.insert(sizeText);
    if (!window)
      window = openWindow(arguments);
    else
      handOver(arguments);
    Size expected = headlessSize(sizeText);
    EXPECT_TRUE(appears(output(action.name, expected))) << action.exec;
  }
  EXPECT_EQ(sizes, (std::set<std::string>{"800x600", "1024x768", "1920x1080", "50%"}));
  closeWindow(*window);
}

// Settings go to the XDG folder, even from a writable program folder; a lumivex.cfg already beside
// the program (a portable install) is read and saved there instead, unless that folder is
// read-only (then the XDG folder is used, so that saving works).
TEST_F(DesktopTest, SettingsLiveInTheXdgFolderUnlessTheInstallIsPortable) {
  fs::path program = dir.path() / "program", xdgFile = dir.path() / "xdg" / "lumivex" / "lumivex.cfg";
  fs::create_directories(program);
  for (const char* file : {"lumivex", "liblumivex_window.so", "libcorvale.so", "libdevctx.so"})
    fs::copy_file(fs::path(LUMIVEX_BIN_DIR) / file, program / file);
  Environment environment = windowEnvironment();
  environment["LUMIVEX_CONFIG_DIR"] = "";
  environment["XDG_CONFIG_HOME"] = (dir.path() / "xdg").string();
  environment["HOME"] = (dir.path() / "home").string();
  std::string lumivex = (program / "lumivex").string();
  auto openAndClose = [&] {
    std::unique_ptr<Launch> window = openWindowWith(lumivex, {}, environment, inodeOf(socket()));
    closeWindow(*window);
  };

  openAndClose();
  EXPECT_TRUE(fs::exists(xdgFile));
  EXPECT_FALSE(fs::exists(program / "lumivex.cfg"));

  std::string portable = fileText(xdgFile);
  ASSERT_EQ(portable.rfind("\"800x600\"", 0), 0u);
  portable.replace(1, 7, "640x480");
  testing_support::writeBytes((program / "lumivex.cfg").string(), {portable.begin(), portable.end()});
  fs::remove(xdgFile);
  openAndClose();
  EXPECT_FALSE(fs::exists(xdgFile));
  EXPECT_EQ(fileText(program / "lumivex.cfg").rfind("\"640x480\"\r\n", 0), 0u);

  // Root may write anywhere, so only another user sees a read-only program folder.
  if (::geteuid() != 0) {
    fs::permissions(program, fs::perms::owner_read | fs::perms::owner_exec);
    openAndClose();
    EXPECT_TRUE(fs::exists(xdgFile));
    fs::permissions(program, fs::perms::owner_all);
  }
}

// The desktop's validators accept what is installed, when they are installed here.
TEST(DesktopMetadata, ValidatorsAcceptTheInstalledFiles) {
  if (toolInstalled("desktop-file-validate")) {
    EXPECT_EQ(runTool("desktop-file-validate " + packaging("lumivex.desktop")), 0);
  }
  if (toolInstalled("appstreamcli")) {
    EXPECT_EQ(runTool("appstreamcli validate --pedantic --no-net " +
                      packaging("io.github.lumivex.lumivex.metainfo.xml")),
              0);
  }
}

// The manual page names every option that --help lists, and groff reads it without a warning.
TEST(DesktopMetadata, ManualPageCoversEveryOption) {
  testing_support::TempDir dir;
  Launch help(binary(), {"--help"}, {}, dir.path());
  EXPECT_EQ(help.wait(kStartTimeout), 0);
  std::string helpText = help.output();
  std::string manual = fileText(packaging("lumivex.1"));
  manual = std::regex_replace(manual, std::regex(R"(\\-)"), "-");
  int options = 0;
  std::regex option(R"(--[a-z][a-z-]+)");
  for (std::sregex_iterator it(helpText.begin(), helpText.end(), option), end; it != end; ++it, ++options)
    EXPECT_NE(manual.find(it->str()), std::string::npos) << it->str();
  EXPECT_GT(options, 15);
  if (toolInstalled("groff")) {
    std::string command = "groff -man -Tutf8 -ww -z " + packaging("lumivex.1") + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[256];
    std::string warnings;
    while (std::fgets(buffer, sizeof buffer, pipe)) warnings += buffer;
    EXPECT_EQ(pclose(pipe), 0);
    EXPECT_EQ(warnings, "");
  }
}

}  // namespace

namespace {

// The README and the desktop entries list what the table of formats holds, no more and no less.
TEST(FormatLists, TheReadmeAndTheDesktopEntryFollowTheTable) {
  std::string readme = fileText(std::string(LUMIVEX_SOURCE_DIR) + "/README.md");
  std::size_t from = readme.find("take files by extension: "), end = readme.find(" (the table", from);
  std::string listed;
  while ((from = readme.find('`', from)) < end) {
    std::size_t close = readme.find('`', from + 1);
    listed += (listed.empty() ? "" : ", ") + readme.substr(from + 1, close - from - 1);
    from = close + 1;
  }
  EXPECT_EQ(listed, corvale::extensionList(", "));
  auto entry = desktopGroups(packaging("lumivex.desktop"));
  EXPECT_EQ(entry["Desktop Entry"]["MimeType"], corvale::mimeTypeList());
}

}  // namespace
