// dlopen/dlsym binding of libcorvale.so: each export resolved at its first call, and a missing
// library or function reported by name before the program stops.
#include "batch/engine_binding.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "corvale.h"  // for the functions' types only: the program never links the engine

namespace lumivex::engine {

namespace {

constexpr const char* kLibraryName = "libcorvale.so";

std::atomic<FatalReport> fatalReport{nullptr};

[[noreturn]] void stop(const std::string& message) {
  if (FatalReport report = fatalReport.load()) {
    report(message);
  } else {
    std::fprintf(stderr, "lumivex: %s\n", message.c_str());
  }
  std::exit(1);
}

std::filesystem::path executableFolder() {
  std::error_code error;
  auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path{} : self.parent_path();
}

void* openLibrary() {
  auto besideUs = executableFolder() / kLibraryName;
  if (void* handle = dlopen(besideUs.c_str(), RTLD_NOW | RTLD_LOCAL)) return handle;
  if (void* handle = dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL)) return handle;
  const char* why = dlerror();
  stop(std::string("cannot load the image engine ") + kLibraryName + (why ? std::string(": ") + why : ""));
}

void* library() {
  static void* handle = openLibrary();
  return handle;
}

template <typename Function>
Function bind(const char* name) {
  void* symbol = dlsym(library(), name);
  if (!symbol) stop(std::string("the image engine ") + kLibraryName + " has no function " + name);
  return reinterpret_cast<Function>(symbol);
}

// An export that older engines lack: null when the library does not have it.
template <typename Function>
Function bindOptional(const char* name) {
  return reinterpret_cast<Function>(dlsym(library(), name));
}

}  // namespace

// Each function resolves its export once, at its first call.
#define CORVALE_BIND(name) static const auto fn = bind<decltype(&::name)>(#name)

void setFatalReport(FatalReport report) { fatalReport.store(report); }

std::intptr_t cpic_create(std::int32_t width, std::int32_t height) {
  CORVALE_BIND(cpic_create);
  return fn(width, height);
}
void cpic_destroy(std::intptr_t picture) {
  CORVALE_BIND(cpic_destroy);
  fn(picture);
}
std::intptr_t cpic_load(const char* path) {
  CORVALE_BIND(cpic_load);
  return fn(path);
}
std::intptr_t cpic_loadInks(const char* path) {
  CORVALE_BIND(cpic_loadInks);
  return fn(path);
}
void* loadJPG(const char* path, std::intptr_t referenceDc, std::int32_t* width, std::int32_t* height,
              std::intptr_t* dc, std::intptr_t* bitmap, std::intptr_t* pixels) {
  CORVALE_BIND(loadJPG);
  return fn(path, referenceDc, width, height, dc, bitmap, pixels);
}
const char* cpic_lastLoadMessage() {
  static const auto fn = bindOptional<const char* (*)()>("cpic_lastLoadMessage");
  const char* message = fn ? fn() : nullptr;
  return message ? message : "";
}
std::int32_t cpic_lastLoadCause() {
  static const auto fn = bindOptional<std::int32_t (*)()>("cpic_lastLoadCause");
  return fn ? fn() : -1;
}
namespace {
// An export that engines before the planned load lack; the program then loads whole pictures.
decltype(&::cpic_loadResampled) loadResampled() {
  return bindOptional<decltype(&::cpic_loadResampled)>("cpic_loadResampled");
}
}  // namespace
bool hasLoadResampled() {
  static const auto fn = loadResampled();
  return fn != nullptr;
}
std::intptr_t cpic_loadResampled(const char* path, cpic_Planner planner, void* context) {
  static const auto fn = loadResampled();
  return fn ? fn(path, planner, context) : 0;
}
namespace {
// An export that engines before transparency was kept lack.
decltype(&::cpic_loadResampledKeepingAlpha) loadKeepingAlpha() {
  return bindOptional<decltype(&::cpic_loadResampledKeepingAlpha)>("cpic_loadResampledKeepingAlpha");
}
}  // namespace
bool hasLoadKeepingAlpha() {
  static const auto fn = loadKeepingAlpha();
  return fn != nullptr;
}
std::intptr_t cpic_loadResampledKeepingAlpha(const char* path, cpic_Planner planner, void* context) {
  static const auto fn = loadKeepingAlpha();
  return fn ? fn(path, planner, context) : engine::cpic_loadResampled(path, planner, context);
}
std::intptr_t cpic_getHDC(std::intptr_t picture) {
  CORVALE_BIND(cpic_getHDC);
  return fn(picture);
}
std::int32_t cpic_getWidth(std::intptr_t picture) {
  CORVALE_BIND(cpic_getWidth);
  return fn(picture);
}
std::int32_t cpic_getHeight(std::intptr_t picture) {
  CORVALE_BIND(cpic_getHeight);
  return fn(picture);
}
std::intptr_t cpic_resize(std::intptr_t picture, std::int32_t width, std::int32_t height, std::int32_t mode) {
  CORVALE_BIND(cpic_resize);
  return fn(picture, width, height, mode);
}
std::intptr_t cpic_resizebest(std::intptr_t picture, std::int32_t width, std::int32_t height,
                              std::int32_t mode) {
  CORVALE_BIND(cpic_resizebest);
  return fn(picture, width, height, mode);
}
void imgResample(std::int32_t destWidth, std::int32_t destHeight, std::int32_t xOffset, std::int32_t yOffset,
                 float xStep, float yStep, std::int32_t srcWidth, std::int32_t srcHeight, std::int32_t mode,
                 const std::uint8_t* srcPixels, std::uint8_t* destPixels) {
  CORVALE_BIND(imgResample);
  fn(destWidth, destHeight, xOffset, yOffset, xStep, yStep, srcWidth, srcHeight, mode, srcPixels, destPixels);
}
std::intptr_t cpic_rotate90(std::intptr_t picture, std::int32_t orientationCode) {
  CORVALE_BIND(cpic_rotate90);
  return fn(picture, orientationCode);
}
std::int32_t cpic_rotate(std::intptr_t source, std::intptr_t destination, double angle, std::int32_t circle) {
  CORVALE_BIND(cpic_rotate);
  return fn(source, destination, angle, circle);
}
void imgRotate(const std::int32_t* destSize, const std::int32_t* srcSize, std::intptr_t srcDc,
               std::intptr_t srcBitmap, std::intptr_t destDc, std::intptr_t destBitmap,
               std::int32_t orientationCode) {
  CORVALE_BIND(imgRotate);
  fn(destSize, srcSize, srcDc, srcBitmap, destDc, destBitmap, orientationCode);
}
std::int32_t cpic_storeBMP(std::intptr_t picture, const char* path) {
  CORVALE_BIND(cpic_storeBMP);
  return fn(picture, path);
}
std::int32_t imgResample_Threaded(std::int32_t slot, std::intptr_t source, std::intptr_t destination,
                                  std::int32_t mode) {
  CORVALE_BIND(imgResample_Threaded);
  return fn(slot, source, destination, mode);
}
std::intptr_t imgResample_Threaded2(std::int32_t slot, std::intptr_t source, std::intptr_t destination,
                                    std::int32_t mode, const char* text1, const char* text2,
                                    const char* text3) {
  CORVALE_BIND(imgResample_Threaded2);
  return fn(slot, source, destination, mode, text1, text2, text3);
}
std::int32_t imgResample_isFinished(std::int32_t slot) {
  CORVALE_BIND(imgResample_isFinished);
  return fn(slot);
}
std::int32_t imgResample_testdll() {
  CORVALE_BIND(imgResample_testdll);
  return fn();
}
void imgCalcHist(const std::int32_t* sizeRecord, std::intptr_t dc, std::intptr_t bitmap, float* redCounts,
                 float* greenCounts, float* blueCounts) {
  CORVALE_BIND(imgCalcHist);
  fn(sizeRecord, dc, bitmap, redCounts, greenCounts, blueCounts);
}

}  // namespace lumivex::engine
