// The built library's interface: libcorvale.so is opened the way the program opens it, every one
// of the nineteen exports resolves by name, internal functions do not, a few calls through the
// resolved addresses behave, and no exception crosses the C interface when memory runs out.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "corvale.h"
#include "support/test_files.h"

namespace {

// Allocations through operator new on this thread fail once this many have succeeded; negative
// means never. Other threads are never affected.
thread_local long allocationsBeforeFailure = -1;

}  // namespace

// These replace the library's operators for the whole test program, so each pairs malloc with free.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size) {
  if (allocationsBeforeFailure == 0) throw std::bad_alloc();
  if (allocationsBeforeFailure > 0) --allocationsBeforeFailure;
  if (void* memory = std::malloc(size ? size : 1)) return memory;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return ::operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& nothrow) noexcept {
  return ::operator new(size, nothrow);
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }

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
    "cpic_lastLoadCause",
    "cpic_loadResampled",
    "cpic_loadResampledKeepingAlpha",
    "cpic_loadInks",
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
  ASSERT_EQ(kExports.size(), 24u);
  for (const std::string& name : kExports) EXPECT_NE(dlsym(library_, name.c_str()), nullptr) << name;
}

TEST_F(ExportsLibrary, InternalFunctionsStayHidden) {
  for (const char* name :
       {"_ZN7corvale12resampleIntoERNS_7PictureERKS0_iNS_14InstructionSetE",
        "_ZN7corvale12resampleIntoERNS_7PictureERKS0_i", "_ZN7corvale16resampleBestIntoERKNS_7PictureERS0_i",
        "_ZN7corvale15allocatePictureERNS_7PictureEiiPN3gdi13DeviceContextE",
        "_ZN7corvale18resampleWithTablesERKNS_12SourcePixelsERKNS_10DestPixelsERKNS_8AxisTapsES8_iNS_"
        "8TapOrderENS_14InstructionSetE",
        "resampleInto", "resampleBestInto"})
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

// Runs `call` with the n-th allocation failing, for n = 0, 1, ... until a run needs no failure;
// every run must return normally. Returns the number of runs.
template <typename Call>
int failEachAllocationIn(Call call) {
  for (int n = 0;; ++n) {
    allocationsBeforeFailure = n;
    call();
    const bool failed = allocationsBeforeFailure == 0;
    allocationsBeforeFailure = -1;
    if (!failed) return n + 1;
  }
}

TEST(ExportsGuard, LoadAndCreateGiveEmptyPicturesWhenMemoryRunsOut) {
  testing_support::TempDir folder;
  const std::string photo = folder.file("photo.bmp");
  const intptr_t written = cpic_create(60, 40);
  ASSERT_EQ(cpic_storeBMP(written, photo.c_str()), 1);
  cpic_destroy(written);
  int loadedWhole = 0;
  const int runs = failEachAllocationIn([&] {
    const intptr_t picture = cpic_load(photo.c_str());
    const int32_t width = cpic_getWidth(picture);
    EXPECT_TRUE(width == 0 || width == 60) << width;  // empty, or the whole photo
    loadedWhole += width == 60;
    cpic_destroy(picture);
  });
  EXPECT_GT(runs, 1);
  EXPECT_GE(loadedWhole, 1);  // at least the run without a failure
  failEachAllocationIn([] {
    const intptr_t picture = cpic_create(64, 48);
    EXPECT_TRUE(cpic_getWidth(picture) == 0 || cpic_getWidth(picture) == 64);
    cpic_destroy(picture);
  });
}

TEST(ExportsGuard, ResizesAndTurnsGiveTheirFailureValuesWhenMemoryRunsOut) {
  const intptr_t source = cpic_create(90, 60);
  failEachAllocationIn([&] {
    for (const intptr_t result :
         {cpic_resize(source, 31, 20, 3), cpic_resizebest(source, 20, 13, 2), cpic_rotate90(source, 6)}) {
      EXPECT_TRUE(cpic_getWidth(result) == 0 || cpic_getWidth(result) == 31 || cpic_getWidth(result) == 20 ||
                  cpic_getWidth(result) == 60);
      cpic_destroy(result);
    }
  });
  std::vector<std::uint8_t> dest(12 * 8 * 4, 0xAB);
  std::vector<std::uint8_t> pixels(90 * 60 * 4, 200);
  failEachAllocationIn([&] {
    imgResample(12, 8, 0, 0, 7.5f, 7.5f, 90, 60, 2, pixels.data(), dest.data());
    EXPECT_TRUE(dest[0] == 0 || dest[0] >= 199) << int{dest[0]};  // black when memory ran out
  });
  cpic_destroy(source);
}

}  // namespace
