// The program's by-name binding reaches the real libcorvale.so beside the executable.
#include "batch/engine_binding.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/gdi.h"
#include "support/test_files.h"

namespace engine = lumivex::engine;

TEST(EngineBinding, BindsThePictureFunctionsByName) {
  std::intptr_t picture = engine::cpic_create(4, 3);
  ASSERT_NE(picture, 0);
  EXPECT_EQ(engine::cpic_getWidth(picture), 4);
  EXPECT_EQ(engine::cpic_getHeight(picture), 3);
  // The engine and the program share one device-context layer: the program draws into the
  // engine's picture through the handle it was given.
  auto dc = reinterpret_cast<gdi::HDC>(engine::cpic_getHDC(picture));
  EXPECT_EQ(gdi::SetPixel(dc, 3, 2, gdi::RGB(1, 2, 3)), gdi::RGB(1, 2, 3));
  EXPECT_EQ(gdi::GetPixel(dc, 3, 2), gdi::RGB(1, 2, 3));
  engine::cpic_destroy(picture);
}

TEST(EngineBinding, AMissingEngineStopsTheProgramWithAMessageNamingIt) {
  if (std::system("command -v patchelf >/dev/null") != 0) GTEST_SKIP() << "needs patchelf";
  // A copy of the program without its build-tree search path, with only the device-context layer
  // to be found: the engine is then nowhere.
  testing_support::TempDir dir;
  std::filesystem::create_directory(dir.path() / "deps");
  std::filesystem::copy_file(std::string(LUMIVEX_BIN_DIR) + "/lumivex", dir.file("lumivex"));
  std::filesystem::copy_file(std::string(LUMIVEX_BIN_DIR) + "/libdevctx.so", dir.file("deps/libdevctx.so"));
  std::filesystem::copy_file(testing_support::samplePhoto("cameras/fujifilm-finepix40i.jpg"),
                             dir.file("a.jpg"));
  std::string folder = dir.path().string();
  ASSERT_EQ(std::system(("patchelf --remove-rpath '" + folder + "/lumivex'").c_str()), 0);
  std::string command = "cd '" + folder + "' && LD_LIBRARY_PATH='" + folder + "/deps' LUMIVEX_CONFIG_DIR='" +
                        folder + "' ./lumivex --batch a.jpg </dev/null 2>&1";
  std::FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  int status = pclose(pipe);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << output;
  EXPECT_NE(output.find("cannot load the image engine libcorvale.so"), std::string::npos) << output;
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "resized")) << "nothing is written without the engine";
}
