// Loading speed of every photo in $LUMIVEX_LOAD_PHOTOS through the engine's cpic_load, one
// benchmark a file: the reader picked by the extension, the decode (in a forked child for HEIF and
// HD Photo, as in a real run) and the picture filled. bench/format_load.sh runs it beside each
// format's own command-line decoder.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "corvale.h"

namespace {

void loadPhoto(benchmark::State& state, const std::string& path) {
  for (auto _ : state) {
    intptr_t picture = cpic_load(path.c_str());
    if (picture == 0) {
      state.SkipWithError("the photo could not be loaded");
      return;
    }
    cpic_destroy(picture);
  }
}

std::vector<std::string> photosToLoad() {
  std::vector<std::string> photos;
  const char* folder = std::getenv("LUMIVEX_LOAD_PHOTOS");
  if (!folder) return photos;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    if (entry.is_regular_file()) photos.push_back(entry.path().string());
  std::sort(photos.begin(), photos.end());
  return photos;
}

}  // namespace

int main(int argc, char** argv) {
  for (const std::string& photo : photosToLoad())
    benchmark::RegisterBenchmark(std::filesystem::path(photo).filename().c_str(), loadPhoto, photo)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}
