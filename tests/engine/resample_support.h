// Pictures of random content for the resampling tests.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "picture/picture.h"

namespace resample_testing {

// A picture that releases itself.
struct OwnedPicture {
  OwnedPicture(std::int32_t width, std::int32_t height) {
    corvale::allocatePicture(picture, width, height, nullptr);
  }
  ~OwnedPicture() { corvale::releasePicture(picture); }
  OwnedPicture(const OwnedPicture&) = delete;
  OwnedPicture& operator=(const OwnedPicture&) = delete;

  std::size_t bytes() const { return static_cast<std::size_t>(picture.width) * picture.height * 4; }
  std::vector<std::uint8_t> copy() const { return {picture.pixels, picture.pixels + bytes()}; }

  corvale::Picture picture;
};

inline void fillRandom(corvale::Picture& picture, std::uint32_t seed) {
  std::mt19937 random(seed);
  const std::size_t bytes = static_cast<std::size_t>(picture.width) * picture.height * 4;
  for (std::size_t i = 0; i < bytes; ++i) picture.pixels[i] = static_cast<std::uint8_t>(random());
}

inline std::vector<std::uint8_t> randomBytes(std::size_t count, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> bytes(count);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
  return bytes;
}

// Sets every fourth byte, so that a test can see it was left alone.
inline void markFourthBytes(std::uint8_t* pixels, std::size_t count, std::uint8_t mark) {
  for (std::size_t i = 0; i < count; ++i) pixels[i * 4 + 3] = mark;
}

}  // namespace resample_testing
