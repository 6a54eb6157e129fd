// One large photo on every core: the destination of a resample split into bands of rows, each
// filled on a thread of its own. Every band gets the bytes the whole fill gives it (the tables
// are the same, only the rows differ), so the split never changes a picture.
#pragma once

#include <cstdint>

#include "picture/picture.h"

namespace corvale {

// resampleInto in up to `threads` bands, the calling thread taking the first. One band (or a
// thread that cannot be started) runs on the calling thread alone. Throws std::bad_alloc when a
// band runs out of working memory.
void resampleInBands(Picture& dest, const Picture& source, std::int32_t mode, std::int32_t threads);

// resampleBestInto with both of its stages split the same way; false when the intermediate
// picture cannot be had.
bool resampleBestInBands(const Picture& source, Picture& dest, std::int32_t mode, std::int32_t threads);

}  // namespace corvale
