// The device-context layer: the handful of bitmap and device-context operations that the engine
// and the program exchange pictures through, under the names a Windows graphics programmer knows.
//
// Bitmaps are device-independent sections of 32, 24 or 8 bits per pixel (8-bit ones carry a colour
// table), stored top-down or bottom-up with rows padded to four bytes. A memory device context
// holds at most one selected bitmap and one selected brush. Every operation clips its rectangles
// to the bitmaps involved, so no argument can make a call read or write outside a bitmap.
//
// Handles are opaque pointers. The layer keeps no global state; one bitmap or device context must
// not be used by two threads at once.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__GNUC__)
#define GDI_API __attribute__((visibility("default")))
#else
#define GDI_API
#endif

namespace gdi {

struct GdiObject;  // a bitmap or a brush
struct DeviceContext;

using HGDIOBJ = GdiObject*;
using HBITMAP = GdiObject*;
using HBRUSH = GdiObject*;
using HDC = DeviceContext*;
using COLORREF = std::uint32_t;  // 0x00BBGGRR

constexpr COLORREF RGB(unsigned r, unsigned g, unsigned b) {
  return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}
constexpr unsigned GetRValue(COLORREF c) { return c & 0xFF; }
constexpr unsigned GetGValue(COLORREF c) { return (c >> 8) & 0xFF; }
constexpr unsigned GetBValue(COLORREF c) { return (c >> 16) & 0xFF; }

constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t DIB_RGB_COLORS = 0;
constexpr std::uint32_t SRCCOPY = 0x00CC0020;
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;

struct RECT {
  std::int32_t left, top, right, bottom;
};

struct RGBQUAD {
  std::uint8_t rgbBlue, rgbGreen, rgbRed, rgbReserved;
};

struct BITMAPINFOHEADER {
  std::uint32_t biSize = 40;
  std::int32_t biWidth = 0;
  std::int32_t biHeight = 0;  // negative: rows stored top-down
  std::uint16_t biPlanes = 1;
  std::uint16_t biBitCount = 32;
  std::uint32_t biCompression = BI_RGB;
  std::uint32_t biSizeImage = 0;
  std::int32_t biXPelsPerMeter = 0;
  std::int32_t biYPelsPerMeter = 0;
  std::uint32_t biClrUsed = 0;  // 8-bit: entries of bmiColors in use (0 means 256)
  std::uint32_t biClrImportant = 0;
};

struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[256];
};

// What GetDibSection reports about a bitmap: enough for a caller that draws into the pixels itself
// (the window draws text with Qt straight into a picture's memory).
struct DIBSECTION {
  std::int32_t width = 0;
  std::int32_t height = 0;  // always positive
  std::int32_t bitCount = 0;
  std::int32_t stride = 0;  // bytes per stored row
  bool topDown = false;
  std::uint8_t* bits = nullptr;
};

// Device contexts. SelectObject takes a bitmap or a brush and returns the one it replaces.
GDI_API HDC CreateCompatibleDC(HDC reference);
GDI_API bool DeleteDC(HDC dc);
GDI_API HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
GDI_API int SetBkMode(HDC dc, int mode);
GDI_API int SetStretchBltMode(HDC dc, int mode);
GDI_API int GetStretchBltMode(HDC dc);
GDI_API HBITMAP GetCurrentBitmap(HDC dc);

// Bitmaps and brushes. CreateDIBSection gives zeroed pixels, or null when the header is not one
// of the supported layouts or the memory cannot be had.
GDI_API HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, std::uint32_t usage, void** bits,
                                 void* section = nullptr, std::uint32_t offset = 0);
// The same for a caller that writes every byte of the pixels itself: the memory is not cleared
// first, which spares a photo decoder a pass over tens of megabytes of reused memory.
GDI_API HBITMAP CreateDIBSectionToFill(HDC dc, const BITMAPINFO* info, std::uint32_t usage, void** bits);
GDI_API HBRUSH CreateSolidBrush(COLORREF colour);
GDI_API bool DeleteObject(HGDIOBJ object);
GDI_API bool GetDibSection(HBITMAP bitmap, DIBSECTION* out);

// Transfers between the bitmaps selected into two device contexts.
GDI_API bool BitBlt(HDC dest, int x, int y, int cx, int cy, HDC src, int x1, int y1, std::uint32_t rop);
GDI_API bool StretchBlt(HDC dest, int xDest, int yDest, int wDest, int hDest, HDC src, int xSrc, int ySrc,
                        int wSrc, int hSrc, std::uint32_t rop);

// Whole rows between a bitmap and a caller's buffer laid out as `info` describes (32 or 24 bits).
GDI_API int GetDIBits(HDC dc, HBITMAP bitmap, std::uint32_t start, std::uint32_t lines, void* bits,
                      BITMAPINFO* info, std::uint32_t usage);
GDI_API int SetDIBits(HDC dc, HBITMAP bitmap, std::uint32_t start, std::uint32_t lines, const void* bits,
                      const BITMAPINFO* info, std::uint32_t usage);

// Drawing. FillRect leaves out the right column and the bottom row of the rectangle.
GDI_API int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
GDI_API COLORREF SetPixel(HDC dc, int x, int y, COLORREF colour);
GDI_API COLORREF GetPixel(HDC dc, int x, int y);

}  // namespace gdi
