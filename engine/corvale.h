/* Corvale, the image engine of Lumivex: its whole interface, nineteen functions with C linkage.
 *
 * A picture handle is the address of an engine picture as a pointer-sized integer; whoever
 * receives one owns it and passes it to cpic_destroy exactly once. Every picture is 32 bits per
 * pixel, top-down, rows exactly width * 4 bytes, each pixel blue, green, red and a fourth byte
 * without meaning. Device contexts and bitmaps are handles of the device-context layer
 * (platform/gdi.h). Paths are zero-terminated UTF-8. No function reports an error except
 * cpic_storeBMP: a failed load gives an empty picture (width and height 0).
 */
#ifndef CORVALE_H
#define CORVALE_H

#include <stdint.h>

#ifdef __cplusplus
#define CORVALE_EXTERN extern "C"
#else
#define CORVALE_EXTERN
#endif
#define CORVALE_API CORVALE_EXTERN __attribute__((visibility("default")))

/* Resampling modes: 0 box, 1 bilinear, 2 cubic spline 6x6, 3 Lanczos 17x17. */

CORVALE_API intptr_t cpic_create(int32_t width, int32_t height);
CORVALE_API void cpic_destroy(intptr_t picture);
CORVALE_API intptr_t cpic_load(const char* path);
CORVALE_API void* loadJPG(const char* path, intptr_t referenceDc, int32_t* width, int32_t* height,
                          intptr_t* dc, intptr_t* bitmap, intptr_t* pixels);
/* Thread's last cpic_load/loadJPG: "" clean; empty picture: why; loaded picture: its warnings. */
CORVALE_API const char* cpic_lastLoadMessage(void);
CORVALE_API intptr_t cpic_getHDC(intptr_t picture);
CORVALE_API int32_t cpic_getWidth(intptr_t picture);
CORVALE_API int32_t cpic_getHeight(intptr_t picture);

CORVALE_API intptr_t cpic_resize(intptr_t picture, int32_t width, int32_t height, int32_t mode);
CORVALE_API intptr_t cpic_resizebest(intptr_t picture, int32_t width, int32_t height, int32_t mode);
CORVALE_API void imgResample(int32_t destWidth, int32_t destHeight, int32_t xOffset, int32_t yOffset,
                             float xStep, float yStep, int32_t srcWidth, int32_t srcHeight,
                             int32_t mode, const uint8_t* srcPixels, uint8_t* destPixels);

CORVALE_API intptr_t cpic_rotate90(intptr_t picture, int32_t orientationCode);
CORVALE_API int32_t cpic_rotate(intptr_t source, intptr_t destination, double angle, int32_t circle);
/* Size records are four int32_t: the third is a width, the fourth a height. */
CORVALE_API void imgRotate(const int32_t* destSize, const int32_t* srcSize, intptr_t srcDc,
                           intptr_t srcBitmap, intptr_t destDc, intptr_t destBitmap,
                           int32_t orientationCode);

CORVALE_API int32_t cpic_storeBMP(intptr_t picture, const char* path);

/* Sixteen job slots, 0 to 15. */
CORVALE_API int32_t imgResample_Threaded(int32_t slot, intptr_t source, intptr_t destination,
                                         int32_t mode);
CORVALE_API intptr_t imgResample_Threaded2(int32_t slot, intptr_t source, intptr_t destination,
                                           int32_t mode, const char* text1, const char* text2,
                                           const char* text3);
CORVALE_API int32_t imgResample_isFinished(int32_t slot);
CORVALE_API int32_t imgResample_testdll(void);
CORVALE_API void imgCalcHist(const int32_t* sizeRecord, intptr_t dc, intptr_t bitmap, float* redCounts,
                             float* greenCounts, float* blueCounts);

#endif
