// Why the calling thread's last load gave what it gave, across the flat interface: its text and
// its cause.
#include "corvale.h"
#include "exports/guarded.h"
#include "picture/picture.h"

const char* cpic_lastLoadMessage(void) {
  return corvale::guarded([] { return ""; }, [] { return corvale::lastLoadMessage(); });
}

int32_t cpic_lastLoadCause(void) {
  return corvale::guarded([] { return int32_t{0}; },
                          [] { return static_cast<int32_t>(corvale::lastLoadCause()); });
}
