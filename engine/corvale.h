/* Corvale, the image engine of Lumivex: its whole interface, functions with C linkage.
 *
 * USAGE
 *
 *   intptr_t photo = cpic_load("/photos/beach.jpg");
 *   if (cpic_getWidth(photo) == 0) { ... cpic_lastLoadMessage() says why ... }
 *   intptr_t small = cpic_resizebest(photo, 800, 600, 2);
 *   cpic_storeBMP(small, "/tmp/beach.bmp");
 *   cpic_destroy(small);
 *   cpic_destroy(photo);
 *
 * Or, off the calling thread: create the destination with cpic_create, start the resample with
 * imgResample_Threaded(slot, photo, destination, mode), poll imgResample_isFinished(slot) until it
 * answers 1, and check that the destination still has a width: a job that failed leaves it empty.
 *
 * PICTURES
 *
 * A picture handle is the address of an engine picture as a pointer-sized integer. Whoever
 * receives one from a function below owns it and passes it to cpic_destroy exactly once. The null
 * handle 0 reads as an empty picture wherever a picture is expected; a function that makes a
 * picture returns 0 only when not even an empty picture could be had. An empty picture has width
 * and height 0, no device context and no pixels.
 *
 * Every picture is 32 bits per pixel, top-down, each row exactly width * 4 bytes, each pixel blue,
 * green, red and a fourth byte without meaning (except in a picture from
 * cpic_loadResampledKeepingAlpha, where it is the opacity). Its bitmap is selected into a memory device
 * context of its own. Device contexts and bitmaps are handles of the device-context layer
 * (platform/gdi.h), passed as pointer-sized integers. Paths are zero-terminated UTF-8.
 *
 * RESAMPLING MODES
 *
 * 0 box average over trunc(step) by trunc(step) source pixels, 1 bilinear (2 x 2 taps), 2 cubic
 * spline (6 x 6 taps), 3 Lanczos with window 8 (17 x 17 taps). Any other mode gives black. Sums are
 * truncated to bytes; modes 2 and 3 clamp them to 0..255 first. The fourth byte of a destination
 * pixel is never written.
 *
 * ERRORS
 *
 * No function lets an exception out, and bad arguments (null pointers, sizes of 0 or
 * less, unknown codes) never crash. Each function's failure value is given below: a failed load
 * or resize gives an empty picture; only cpic_storeBMP and the job starts answer with a status.
 *
 * THREADS
 *
 * Every function may be called from any thread, and calls on different pictures run at the same
 * time. One picture (with its device context and bitmap) must not be used by two threads at once:
 * while a job slot works on a source and a destination, neither may be touched, destroyed or
 * passed to another call until imgResample_isFinished answers 1 for that slot.
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

/* ---- Pictures ------------------------------------------------------------------------------ */

/* cpic_create: a new picture of width by height pixels, every byte 0.
 *   Returns: the picture, owned by the caller. Sizes of 0 or less, or a picture too large to hold
 *   (more than 2 GiB of pixels, or beyond the memory at hand), give an empty picture; 0 when not
 *   even that could be had. */
CORVALE_API intptr_t cpic_create(int32_t width, int32_t height);

/* cpic_destroy: frees a picture with its device context and bitmap. The handle is invalid
 * afterwards. 0 is ignored. Must not be called while a job slot uses the picture. */
CORVALE_API void cpic_destroy(intptr_t picture);

/* cpic_load: reads an image file into a new picture. The reader is chosen by the file's content
 * (the signature at its start), and by the name's extension, in any case, only when no signature
 * matches: a JPEG saved as "photo.png" is read as a JPEG. The formats, their extensions and MIME
 * types are the rows of the engine's table of formats (formats/format_table.cpp): JPEG (CMYK
 * too), PNG, WebP (an animation's first frame), TIFF (the first page, upright by its Orientation
 * tag), HEIC/HEIF and AVIF (the primary image, turned and mirrored as its container says; of an image
 * sequence its first image, where libheif can), BMP,
 * GIF (its first frame) and HD Photo; transparency is composited over white.
 *   Returns: the picture, owned by the caller. A file of no format in the table, a file that cannot be read
 * or decoded, or an image too large to hold gives an empty picture (cpic_lastLoadMessage tells why); 0 when
 * not even that could be had. A file that decodes only with warnings (cut short) still gives its picture, and
 * cpic_lastLoadMessage holds the warnings. Threads: loads on different threads run at the same time. */
CORVALE_API intptr_t cpic_load(const char* path);

/* loadJPG: reads an image file like cpic_load, but hands over the parts instead of a picture.
 *   referenceDc: a device context the new one is made compatible with, or 0.
 *   width, height, dc, bitmap, pixels: outputs, each may be null. On success they receive the size,
 *   the memory device context, the 32-bit bitmap selected into it and the address of its pixels.
 *   Ownership: the caller owns the device context and the bitmap and frees them with the
 *   device-context layer (DeleteDC, DeleteObject); the pixels belong to the bitmap.
 *   Returns: the pixel address. On failure it returns null and every output is 0, as for an empty
 *   picture; cpic_lastLoadMessage tells why. */
CORVALE_API void* loadJPG(const char* path, intptr_t referenceDc, int32_t* width, int32_t* height,
                          intptr_t* dc, intptr_t* bitmap, intptr_t* pixels);

/* cpic_loadInks: reads a JPEG file, whatever its name, like cpic_load, except that a CMYK or YCCK
 * file's pixels are its four inks as the file stores them (Adobe's inverted convention: 255 is
 * no ink), cyan, magenta, yellow and black in the pixel's four bytes, instead of RGB. For a caller
 * that turns them into RGB through the file's own CMYK colour profile. Other JPEG files give what
 * cpic_load gives. An addition to the nineteen functions.
 *   Returns, owns and threads as cpic_load; cpic_lastLoadMessage tells about the load. */
CORVALE_API intptr_t cpic_loadInks(const char* path);

/* cpic_lastLoadMessage: what the calling thread's last cpic_load, cpic_loadInks or loadJPG had to say.
 *   Returns: "" when that load was clean; the reason when its picture came out empty; the
 *   decoder's warnings when it loaded with warnings. Never null.
 *   Ownership: the text belongs to the engine and stays valid until the same thread's next load.
 *   Threads: each thread has its own text; loads on other threads do not change it. */
CORVALE_API const char* cpic_lastLoadMessage(void);

/* cpic_lastLoadCause: why the calling thread's last cpic_load, loadJPG or cpic_loadResampled
 * gave what it gave, as a number a caller can decide by (cpic_lastLoadMessage's text is only for
 * showing). The numbers are stable; a later engine may add causes after the last, never renumber one:
 *    0  clean load                      6  too large for memory (or the file too large to read)
 *    1  loaded with warnings (damaged   7  a variant of the format this engine does not read
 *       or cut short in parts)          8  the file could not be opened or read
 *    2  not an image (not the format    9  the decoder failed, crashed or ran out of time
 *       its extension says)            10  no name (an empty path)
 *    3  damaged                        11  not a file (a folder, a pipe, a device)
 *    4  cut short before any picture   12  cpic_loadResampled only: the caller's plan stopped
 *    5  too large for its file (a          the load or does not fit the picture
 *       size the file's bytes could never code)
 *   Returns: the cause; 1 goes with a picture, 2 to 12 with an empty one.
 *   Threads: each thread has its own cause, like its message. */
CORVALE_API int32_t cpic_lastLoadCause(void);

/* cpic_loadResampled: reads an image file as cpic_load does and returns it at the size the caller
 * plans once the file's stored size is known: turned upright by an Exif orientation, cropped to
 * a band, and resampled as a job slot resamples (a box reduction by an integer factor first when
 * the result is less than half as wide, then `mode`). The pixels are those of cpic_load followed
 * by the turn, the crop and a job slot's resample, byte for byte. A JPEG file that the box stage
 * reduces goes from its decoder straight into the box sums, so the full-size picture is never
 * held: memory is the decoder's own, a few rows of the file and the small pictures.
 *   planner: called once, on the calling thread, with `context` and the picture's stored size
 *   (as cpic_load would give it). It fills `plan` (all zero when called) and returns non-zero to
 *   go on, or 0 to stop: the load then gives an empty picture. A null planner stops every load.
 *   The plan's fields:
 *     orientationCode  2 to 8: the Exif orientation the stored picture has, which the result is
 *                      turned upright from (3, 6 and 8 as cpic_rotate90 turns; 2, 4, 5 and 7 the
 *                      mirrors of the Exif standard); any other value: no turn.
 *     cropLeft, cropTop, cropWidth, cropHeight  the band of the upright picture that is kept; a
 *                      width or height of 0 keeps the whole. A band not inside the upright
 *                      picture stops the load.
 *     width, height    the result's size. mode  the resampling mode.
 *     threads          how many threads the resampling may use, the calling one included (1 to
 *                      16; other values are taken as the nearer end). The bytes do not depend on it.
 *   Returns: the picture, owned by the caller; its fourth bytes are 0. A file that cannot be read,
 *   a refused plan, or a picture too large to hold gives an empty picture, and
 *   cpic_lastLoadMessage tells why; 0 when not even an empty picture could be had. A file that
 *   decodes only with warnings still gives its picture, and cpic_lastLoadMessage holds them.
 *   Threads: loads on different threads run at the same time; the helper threads have ended when
 *   the call returns. */
typedef struct cpic_LoadPlan {
  int32_t orientationCode;
  int32_t cropLeft, cropTop, cropWidth, cropHeight;
  int32_t width, height;
  int32_t mode;
  int32_t threads;
} cpic_LoadPlan;
typedef int32_t (*cpic_Planner)(void* context, int32_t storedWidth, int32_t storedHeight,
                                cpic_LoadPlan* plan);
CORVALE_API intptr_t cpic_loadResampled(const char* path, cpic_Planner planner, void* context);

/* cpic_loadResampledKeepingAlpha: cpic_loadResampled for a copy that can hold transparency. A
 * source with an alpha channel (PNG, WebP, TIFF, HEIF/AVIF, JPEG XL) is not composited over white:
 * the fourth byte of each result pixel is its opacity (0 transparent, 255 opaque) and blue, green
 * and red are premultiplied by it, so the resample weighs each colour by how much of it shows and
 * the edges of a transparent logo get no dark or light fringe. The opacity is resampled by the
 * same plan as the colours. Any other source (JPEG, BMP, GIF, HD Photo, an alpha-less file) gives
 * cpic_loadResampled's colours byte for byte, with 255 in every fourth byte.
 *   Returns, failures and threads: as cpic_loadResampled. */
CORVALE_API intptr_t cpic_loadResampledKeepingAlpha(const char* path, cpic_Planner planner, void* context);

/* cpic_getHDC: the picture's memory device context, with its bitmap selected; 0 for an empty
 * picture or 0. The device context belongs to the picture: do not free it. */
CORVALE_API intptr_t cpic_getHDC(intptr_t picture);

/* cpic_getWidth, cpic_getHeight: the picture's size in pixels; 0 for an empty picture or 0. */
CORVALE_API int32_t cpic_getWidth(intptr_t picture);
CORVALE_API int32_t cpic_getHeight(intptr_t picture);

/* ---- Resampling ---------------------------------------------------------------------------- */

/* cpic_resize: a new picture of width by height filled from the whole source in one pass of
 * `mode`, sampling the source at steps of source size / destination size from 0. The source is not
 * changed; the new picture's device context is compatible with the source's.
 *   Returns: the picture, owned by the caller. An empty source gives a black picture of the size;
 *   sizes of 0 or less or a picture too large to hold give an empty picture; 0 when memory ran out
 *   before even that. */
CORVALE_API intptr_t cpic_resize(intptr_t picture, int32_t width, int32_t height, int32_t mode);

/* cpic_resizebest: like cpic_resize, but a reduction to less than half the width first averages
 * boxes of an integer factor (trunc(source width / width)) down to source size div factor, then
 * applies `mode` to the target size. When that box stage alone would reach the target, one pass
 * of `mode` is done instead.
 *   Returns: the picture, owned by the caller; an empty picture (or 0) when the intermediate or the
 *   result cannot be had, never a black stand-in. */
CORVALE_API intptr_t cpic_resizebest(intptr_t picture, int32_t width, int32_t height, int32_t mode);

/* imgResample: resamples between raw buffers laid out like picture pixels.
 *   Destination column i samples source x = i * xStep - xOffset and row j samples
 *   y = j * yStep - yOffset (positions accumulated in single precision); a pixel whose position
 *   lies outside the source is black. In mode 0 the box is trunc(xStep) by trunc(yStep) (at least
 *   1 by 1); taps beyond the source's last column or row read that column or row again.
 *   srcPixels: srcWidth * srcHeight * 4 bytes; destPixels: destWidth * destHeight * 4 bytes,
 *   written in blue, green and red only. Both remain the caller's.
 *   Errors: a null or empty source, or an unknown mode, gives a black destination; a null or empty
 *   destination is ignored. A box step so far beyond the source that its work would be without
 *   bound, or memory that runs out, leaves the destination black. */
CORVALE_API void imgResample(int32_t destWidth, int32_t destHeight, int32_t xOffset, int32_t yOffset,
                             float xStep, float yStep, int32_t srcWidth, int32_t srcHeight, int32_t mode,
                             const uint8_t* srcPixels, uint8_t* destPixels);

/* ---- Turning ------------------------------------------------------------------------------- */

/* cpic_rotate90: a new picture holding the source turned losslessly by an Exif orientation code:
 * 6 a quarter turn clockwise, 8 a quarter turn counter-clockwise (both swap width and height),
 * 3 a half turn; any other code gives an unturned copy. The source is not changed.
 *   Returns: the picture, owned by the caller; an empty source gives an empty picture; 0 when
 *   memory ran out. */
CORVALE_API intptr_t cpic_rotate90(intptr_t picture, int32_t orientationCode);

/* cpic_rotate: turns `source` by `angle` radians (clockwise on screen for a positive angle) about
 * its centre, with bilinear sampling, into `destination`, which must have the source's size (any
 * other destination is left as it is). With circle = 1 only the disc whose radius is half the
 * width turns; everything outside it is copied unchanged. Corners the turned image leaves
 * uncovered take the source's top-left colour. The fourth bytes of the destination are not
 * written.
 *   Returns: the source's width (0 for an empty source or 0), whether or not anything was
 *   written; it is not a status. */
CORVALE_API int32_t cpic_rotate(intptr_t source, intptr_t destination, double angle, int32_t circle);

/* imgRotate: turns a source bitmap into a destination bitmap by an orientation code, as
 * cpic_rotate90 does, through their device contexts.
 *   destSize, srcSize: size records of four int32_t: the third is a width, the fourth a height.
 *   The bitmaps remain the caller's. Null records, sizes of 0 or less, a source that cannot be
 *   read, or memory that runs out leave the destination untouched. */
CORVALE_API void imgRotate(const int32_t* destSize, const int32_t* srcSize, intptr_t srcDc,
                           intptr_t srcBitmap, intptr_t destDc, intptr_t destBitmap, int32_t orientationCode);

/* ---- Files --------------------------------------------------------------------------------- */

/* cpic_storeBMP: writes the picture to `path` as an uncompressed 24-bit bottom-up BMP file,
 * creating the file or cutting an existing one to length.
 *   Returns: 1 when the file was opened, 0 when it could not be (or the picture is 0, or memory ran
 *   out first). Write errors after the file was opened are not reported. */
CORVALE_API int32_t cpic_storeBMP(intptr_t picture, const char* path);

/* ---- Job slots ----------------------------------------------------------------------------- */
/* Sixteen slots, 0 to 15, each running one best-quality resample (as cpic_resizebest, except that
 * when the box stage alone reaches the target it is the whole work) from a source picture into an
 * existing destination picture, on a detached thread of its own. The caller polls the slot; the
 * pictures stay the caller's, and neither may be touched until the slot reads finished. A job that
 * fails (its intermediate picture cannot be had, or memory runs out) leaves the destination EMPTY:
 * a destination without width after the slot finished is a failed job. Starting a slot whose job
 * still runs is the caller's mistake; the slots are not guarded against it. */

/* imgResample_Threaded: starts the job in `slot` on a thread below normal priority.
 *   Returns: 1 whenever a thread runs the job (also when the system refused to lower its priority:
 *   it then runs at normal priority); 0 only when nothing started: a slot outside 0..15, a source
 *   or destination of 0, or no thread could be created (the slot then reads finished). */
CORVALE_API int32_t imgResample_Threaded(int32_t slot, intptr_t source, intptr_t destination, int32_t mode);

/* imgResample_Threaded2: starts the job in `slot` at normal priority. The three texts (each may be
 * null) are copied with the slot, up to their end or 256 bytes, and not otherwise used.
 *   Returns: a non-zero identifier of the job thread, which is detached (nothing to close or
 *   join); 0 when nothing started, as for imgResample_Threaded. */
CORVALE_API intptr_t imgResample_Threaded2(int32_t slot, intptr_t source, intptr_t destination, int32_t mode,
                                           const char* text1, const char* text2, const char* text3);

/* imgResample_isFinished: 1 when no job runs in `slot` (never used, or its job is complete), else
 * 0. A slot outside 0..15 reads 1. After it answers 1, every pixel the job wrote (or the emptied
 * destination) is visible to the calling thread. */
CORVALE_API int32_t imgResample_isFinished(int32_t slot);

/* imgResample_testdll: always 2; a caller checks with it that it bound the right library. */
CORVALE_API int32_t imgResample_testdll(void);

/* imgCalcHist: counts the colours of a bitmap.
 *   sizeRecord: four int32_t, the third the width, the fourth the height to read.
 *   redCounts, greenCounts, blueCounts: 256 floats each, remaining the caller's. For every pixel,
 *   1 is added to redCounts[red], greenCounts[green] and blueCounts[blue]; the counts are not
 *   cleared first, so they accumulate over calls. Only the rows the bitmap delivers are counted;
 *   columns beyond its width count as black.
 *   Errors: null pointers, sizes of 0 or less or memory that runs out count nothing. */
CORVALE_API void imgCalcHist(const int32_t* sizeRecord, intptr_t dc, intptr_t bitmap, float* redCounts,
                             float* greenCounts, float* blueCounts);

#endif
