// Writing pictures as BMP files across the flat interface.
#include "corvale.h"
#include "exports/guarded.h"
#include "exports/handles.h"
#include "writers/bmp_writer.h"

int32_t cpic_storeBMP(intptr_t handle, const char* path) {
  return corvale::guarded([] { return int32_t{0}; },
                          [&] {
                            const corvale::Picture* picture = corvale::pictureOf(handle);
                            return picture && corvale::storeBmp(*picture, path) ? int32_t{1} : int32_t{0};
                          });
}
