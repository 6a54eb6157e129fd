// The program's view of Corvale: the engine's nineteen functions, its optional load message and cause
// and planned load, each bound by name from libcorvale.so the first time it is called. The library is looked
// for beside the executable first, then on the library path. A missing library or function stops the program
// with a message that names it; the window replaces the default report (standard error) by a dialog.
#pragma once

#include <cstdint>
#include <string>

#include "corvale.h"  // the plan of cpic_loadResampled

namespace lumivex::engine {

using FatalReport = void (*)(const std::string& message);

// Installs how a binding failure is shown before the program exits with status 1.
void setFatalReport(FatalReport report);

std::intptr_t cpic_create(std::int32_t width, std::int32_t height);
void cpic_destroy(std::intptr_t picture);
std::intptr_t cpic_load(const char* path);
std::intptr_t cpic_loadInks(const char* path);
void* loadJPG(const char* path, std::intptr_t referenceDc, std::int32_t* width, std::int32_t* height,
              std::intptr_t* dc, std::intptr_t* bitmap, std::intptr_t* pixels);
// Why the calling thread's last load gave an empty picture, or what the decoder complained of when
// it loaded with warnings; "" for a clean load, and always "" from an engine without this export.
const char* cpic_lastLoadMessage();
// The cause beside that message, a corvale::LoadCause number (0 clean, 1 warnings, 2 and up why the
// picture is empty); -1 from an engine without this export.
std::int32_t cpic_lastLoadCause();
// The load that ends at the planned size (corvale.h); 0, with no load, from an engine without it.
bool hasLoadResampled();
std::intptr_t cpic_loadResampled(const char* path, cpic_Planner planner, void* context);
// The same keeping a source's transparency (corvale.h); from an engine without it, cpic_loadResampled's
// flattened picture with 255 in no fourth byte, so the caller reads it as opaque only when told
// hasLoadKeepingAlpha().
bool hasLoadKeepingAlpha();
std::intptr_t cpic_loadResampledKeepingAlpha(const char* path, cpic_Planner planner, void* context);
std::intptr_t cpic_getHDC(std::intptr_t picture);
std::int32_t cpic_getWidth(std::intptr_t picture);
std::int32_t cpic_getHeight(std::intptr_t picture);
std::intptr_t cpic_resize(std::intptr_t picture, std::int32_t width, std::int32_t height, std::int32_t mode);
std::intptr_t cpic_resizebest(std::intptr_t picture, std::int32_t width, std::int32_t height,
                              std::int32_t mode);
void imgResample(std::int32_t destWidth, std::int32_t destHeight, std::int32_t xOffset, std::int32_t yOffset,
                 float xStep, float yStep, std::int32_t srcWidth, std::int32_t srcHeight, std::int32_t mode,
                 const std::uint8_t* srcPixels, std::uint8_t* destPixels);
std::intptr_t cpic_rotate90(std::intptr_t picture, std::int32_t orientationCode);
std::int32_t cpic_rotate(std::intptr_t source, std::intptr_t destination, double angle, std::int32_t circle);
void imgRotate(const std::int32_t* destSize, const std::int32_t* srcSize, std::intptr_t srcDc,
               std::intptr_t srcBitmap, std::intptr_t destDc, std::intptr_t destBitmap,
               std::int32_t orientationCode);
std::int32_t cpic_storeBMP(std::intptr_t picture, const char* path);
std::int32_t imgResample_Threaded(std::int32_t slot, std::intptr_t source, std::intptr_t destination,
                                  std::int32_t mode);
std::intptr_t imgResample_Threaded2(std::int32_t slot, std::intptr_t source, std::intptr_t destination,
                                    std::int32_t mode, const char* text1, const char* text2,
                                    const char* text3);
std::int32_t imgResample_isFinished(std::int32_t slot);
std::int32_t imgResample_testdll();
void imgCalcHist(const std::int32_t* sizeRecord, std::intptr_t dc, std::intptr_t bitmap, float* redCounts,
                 float* greenCounts, float* blueCounts);

}  // namespace lumivex::engine
