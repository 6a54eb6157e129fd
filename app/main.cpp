// lumivex: opens the window, or with --batch resizes without one.
#include <cstdio>
#include <cstring>

#include "batch/engine_binding.h"

namespace {

void printUsage() {
  std::puts("Usage: lumivex --info FILE...\n"
            "  --info FILE...  load each image through the engine and print its size\n"
            "  --version       print the version\n"
            "  --help          print this help");
}

int printSizes(int argc, char** argv) {
  int failures = 0;
  for (int i = 2; i < argc; ++i) {
    std::intptr_t picture = lumivex::engine::cpic_load(argv[i]);
    int width = lumivex::engine::cpic_getWidth(picture), height = lumivex::engine::cpic_getHeight(picture);
    if (width > 0)
      std::printf("%s: %d x %d\n", argv[i], width, height);
    else
      std::printf("%s: cannot be read\n", argv[i]), ++failures;
    lumivex::engine::cpic_destroy(picture);
  }
  return failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("lumivex %s\n", LUMIVEX_VERSION);
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "--info") == 0) return printSizes(argc, argv);
  printUsage();
  return argc >= 2 && std::strcmp(argv[1], "--help") == 0 ? 0 : 2;
}
