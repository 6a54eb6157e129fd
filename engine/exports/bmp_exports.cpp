// Writing pictures as BMP files across the flat interface.
#include <new>

#include "corvale.h"
#include "exports/handles.h"
#include "writers/bmp_writer.h"

int32_t cpic_storeBMP(intptr_t handle, const char* path) {
  const corvale::Picture* picture = corvale::pictureOf(handle);
  if (!picture) return 0;
  try {
    return corvale::storeBmp(*picture, path) ? 1 : 0;
  } catch (const std::bad_alloc&) {  // only before the file is opened
    return 0;
  }
}
