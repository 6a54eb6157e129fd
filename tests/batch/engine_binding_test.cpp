// The program's by-name binding reaches the real libcorvale.so beside the executable.
#include <gtest/gtest.h>

#include "batch/engine_binding.h"
#include "platform/gdi.h"

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
