// Why the calling thread's last load gave what it gave, across the flat interface.
#include "corvale.h"
#include "exports/guarded.h"
#include "picture/picture.h"

const char* cpic_lastLoadMessage(void) {
  return corvale::guarded([] { return ""; }, [] { return corvale::lastLoadMessage(); });
}
