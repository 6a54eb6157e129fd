// The built library's interface: libcorvale.so is opened the way the program opens it, every one
// of the nineteen exports resolves by name, internal functions do not, and a few calls through the
// resolved addresses behave.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const std::vector<std::string> kExports = {
    "cpic_create",
    "cpic_destroy",
    "cpic_load",
    "loadJPG",
    "cpic_getHDC",
    "cpic_getWidth",
    "cpic_getHeight",
    "cpic_resize",
    "cpic_resizebest",
    "imgResample",
    "cpic_rotate90",
    "cpic_rotate",
    "imgRotate",
    "cpic_storeBMP",
    "imgResample_Threaded",
    "imgResample_Threaded2",
    "imgResample_isFinished",
    "imgResample_testdll",
    "imgCalcHist",
    "cpic_lastLoadMessage",
};

class ExportsLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string path = std::string(LUMIVEX_BIN_DIR) + "/libcorvale.so";
    library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
  }
  void TearDown() override {
    if (library_) dlclose(library_);
  }
  template <typename Function>
  Function* bind(const char* name) {
    return reinterpret_cast<Function*>(dlsym(library_, name));
  }
  void* library_ = nullptr;
};

TEST_F(ExportsLibrary, AllNineteenResolveByName) {
  ASSERT_EQ(kExports.size(), 20u);
  for (const std::string& name : kExports) EXPECT_NE(dlsym(library_, name.c_str()), nullptr) << name;
}

TEST_F(ExportsLibrary, InternalFunctionsStayHidden) {
  for (const char* name :
       {"_ZN7corvale12resampleIntoERNS_7PictureERKS0_iNS_14InstructionSetE",
        "_ZN7corvale12resampleIntoERNS_7PictureERKS0_i", "_ZN7corvale16resampleBestIntoERKNS_7PictureERS0_i",
        "_ZN7corvale15allocatePictureERNS_7PictureEiiPN3gdi13DeviceContextE",
        "_ZN7corvale15sumFilterWindowERKNS_12FilterWindowEPfNS_14InstructionSetE", "resampleInto",
        "resampleBestInto"})
    EXPECT_EQ(dlsym(library_, name), nullptr) << name;
}

// The dynamic symbol table holds the nineteen functions and no other definition.
TEST(ExportsTable, LibraryDefinesExactlyTheNineteenFunctions) {
  std::string command =
      "nm -D --defined-only '" + std::string(LUMIVEX_BIN_DIR) + "/libcorvale.so' 2>/dev/null";
  std::FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::vector<std::string> defined;
  char line[512];
  while (std::fgets(line, sizeof line, pipe)) {
    std::string entry(line);
    std::size_t space = entry.rfind(' ');
    char kind = entry.size() > 17 ? entry[17] : ' ';
    if (kind != 'A' && space != std::string::npos)
      defined.push_back(entry.substr(space + 1, entry.size() - space - 2));
  }
  ASSERT_EQ(pclose(pipe), 0) << "nm failed";
  std::vector<std::string> expected = kExports;
  std::sort(expected.begin(), expected.end());
  std::sort(defined.begin(), defined.end());
  EXPECT_EQ(defined, expected);
}

TEST_F(ExportsLibrary, CallsThroughTheResolvedAddresses) {
  auto testdll = bind<int32_t()>("imgResample_testdll");
  auto create = bind<intptr_t(int32_t, int32_t)>("cpic_create");
  auto resize = bind<intptr_t(intptr_t, int32_t, int32_t, int32_t)>("cpic_resizebest");
  auto width = bind<int32_t(intptr_t)>("cpic_getWidth");
  auto height = bind<int32_t(intptr_t)>("cpic_getHeight");
  auto destroy = bind<void(intptr_t)>("cpic_destroy");
  ASSERT_TRUE(testdll && create && resize && width && height && destroy);
  EXPECT_EQ(testdll(), 2);
  intptr_t picture = create(40, 30);
  intptr_t resized = resize(picture, 11, 8, 3);
  EXPECT_EQ(width(resized), 11);
  EXPECT_EQ(height(resized), 8);
  destroy(resized);
  destroy(picture);
}

}  // namespace
