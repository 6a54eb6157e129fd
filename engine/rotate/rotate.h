// Turning pictures: lossless quarter and half turns chosen by an Exif orientation code, and a
// turn by any angle with bilinear sampling.
#pragma once

#include <cstdint>

#include "picture/picture.h"

namespace corvale {

// Exif orientation codes, each named by the turn that brings a picture stored that way upright;
// 1 and every other code leave a picture as it is.
enum OrientationCode : std::int32_t {
  kMirrorLeftRight = 2,
  kHalfTurn = 3,
  kMirrorTopBottom = 4,
  kTranspose = 5,  // mirrored along the diagonal from the top-left corner
  kQuarterClockwise = 6,
  kTransverse = 7,  // mirrored along the diagonal from the top-right corner
  kQuarterCounterClockwise = 8
};

// Whether `code` swaps width and height (5, 6, 7 and 8 do; the others keep them).
bool swapsSides(std::int32_t code);

// Copies every pixel (all four bytes) of a source buffer of sourceWidth by sourceHeight to the
// place `code` turns it to in a destination buffer of destWidth by destHeight, both laid out like
// a picture. Positions are computed from the destination's size; a pixel that would land outside
// the destination is skipped, so sizes that do not match the turn cannot overrun either buffer.
void copyTurned(const std::uint8_t* source, std::int32_t sourceWidth, std::int32_t sourceHeight,
                std::uint8_t* dest, std::int32_t destWidth, std::int32_t destHeight, std::int32_t code);

// A new picture holding `source` turned by `code`, its device context compatible with the
// source's. An empty source gives an empty picture.
void turnInto(const Picture& source, Picture& result, std::int32_t code);

// Turns `source` by `angle` radians (clockwise on screen for a positive angle) about its centre
// into `dest`, which must have the source's size: any other destination is left untouched. With
// `circle` set, only the disc whose radius is half the width turns and everything outside it is
// copied unchanged. Corners the turned image leaves uncovered take the source's top-left colour.
// The fourth bytes of `dest` are not written.
void rotateFreely(const Picture& source, Picture& dest, double angle, bool circle);

}  // namespace corvale
