// Resampling speed: the engine's table-driven resampler against the direct formulas (the
// reference implementation of the tests) on the batch's typical reductions, and each mode on a
// single pass. After the runs, a table gives the speed-up of each case.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "picture/picture.h"
#include "resample/resample.h"
#include "resample/resample_best.h"
#include "support/reference_resample.h"

namespace {

struct Picture {
  Picture(std::int32_t width, std::int32_t height) {
    corvale::allocatePicture(picture, width, height, nullptr);
  }
  ~Picture() { corvale::releasePicture(picture); }
  corvale::Picture picture;
};

// A photo-like source: smooth gradients with noise, the same for every run.
const corvale::Picture& sourceOf(std::int32_t width, std::int32_t height) {
  static std::map<std::pair<std::int32_t, std::int32_t>, Picture*> sources;
  Picture*& source = sources[{width, height}];
  if (!source) {
    source = new Picture(width, height);
    std::mt19937 random(7);
    std::uint8_t* p = source->picture.pixels;
    for (std::int32_t y = 0; y < height; ++y)
      for (std::int32_t x = 0; x < width; ++x, p += 4) {
        p[0] = static_cast<std::uint8_t>((x * 255 / width + random() % 16) & 0xFF);
        p[1] = static_cast<std::uint8_t>((y * 255 / height + random() % 16) & 0xFF);
        p[2] = static_cast<std::uint8_t>(((x + y) & 0xFF) ^ (random() % 8));
      }
  }
  return source->picture;
}

// The two-stage reduction written with the direct formulas.
void directBestInto(const corvale::Picture& source, corvale::Picture& dest, std::int32_t mode) {
  const corvale::ReductionPlan plan =
      corvale::planReduction(source.width, source.height, dest.width, dest.height);
  auto direct = [](corvale::Picture& to, const corvale::Picture& from, std::int32_t m) {
    reference::resampleInto(to.pixels, to.width, to.height, from.pixels, from.width, from.height, m);
  };
  if (!plan.twoStage) return direct(dest, source, mode);
  if (plan.intermediateIsTarget) return direct(dest, source, 0);
  Picture intermediate(plan.width, plan.height);
  direct(intermediate.picture, source, 0);
  direct(dest, intermediate.picture, mode);
}

using Resampler = std::function<void(const corvale::Picture&, corvale::Picture&, std::int32_t)>;

void runCase(benchmark::State& state, Resampler resample, std::int32_t sourceWidth, std::int32_t sourceHeight,
             std::int32_t destWidth, std::int32_t destHeight, std::int32_t mode) {
  const corvale::Picture& source = sourceOf(sourceWidth, sourceHeight);
  Picture dest(destWidth, destHeight);
  for (auto _ : state) {
    resample(source, dest.picture, mode);
    benchmark::DoNotOptimize(dest.picture.pixels);
    benchmark::ClobberMemory();
  }
  state.counters["Mpixel/s"] = benchmark::Counter(static_cast<double>(destWidth) * destHeight,
                                                  benchmark::Counter::kIsIterationInvariantRate);
}

void registerPair(const std::string& kind, std::int32_t sw, std::int32_t sh, std::int32_t dw, std::int32_t dh,
                  std::int32_t mode, Resampler fast, Resampler direct, int directIterations) {
  const std::string name = kind + "/" + std::to_string(sw) + "x" + std::to_string(sh) + "->" +
                           std::to_string(dw) + "x" + std::to_string(dh) + "/mode" + std::to_string(mode);
  benchmark::RegisterBenchmark(("fast/" + name).c_str(), runCase, fast, sw, sh, dw, dh, mode)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark(("direct/" + name).c_str(), runCase, direct, sw, sh, dw, dh, mode)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(directIterations);
}

void registerCases() {
  Resampler fastBest = [](const corvale::Picture& s, corvale::Picture& d, std::int32_t m) {
    corvale::resampleBestInto(s, d, m);
  };
  Resampler fastSingle = [](const corvale::Picture& s, corvale::Picture& d, std::int32_t m) {
    corvale::resampleInto(d, s, m);
  };
  Resampler directSingle = [](const corvale::Picture& s, corvale::Picture& d, std::int32_t m) {
    reference::resampleInto(d.pixels, d.width, d.height, s.pixels, s.width, s.height, m);
  };
  // The direct Lanczos takes seconds per picture: one run of it is enough.
  auto directRuns = [](std::int32_t mode) { return mode == 3 ? 1 : 3; };
  for (auto [dw, dh] : {std::pair{1024, 768}, std::pair{800, 600}})
    for (std::int32_t mode : {1, 2, 3})
      registerPair("best", 5120, 2880, dw, dh, mode, fastBest, directBestInto, directRuns(mode));
  for (std::int32_t mode : {0, 1, 2, 3})
    registerPair("single", 1333, 1000, 1024, 768, mode, fastSingle, directSingle, directRuns(mode));
}

// Prints the usual console lines and remembers each run's processor time (steadier than wall time
// on a shared machine) to give the speed-ups at the end.
class SpeedUpReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration) continue;
      const std::string& name = run.run_name.function_name;  // without "/iterations:N"
      const std::size_t slash = name.find('/');
      (name.compare(0, slash, "fast") == 0 ? fast_ : direct_)[name.substr(slash + 1)] =
          run.GetAdjustedCPUTime();
    }
  }

  void printSpeedUps() const {
    std::printf("\nProcessor time per picture\n%-44s %12s %12s %9s\n", "case", "fast ms", "direct ms",
                "speed-up");
    for (const auto& [name, fastMs] : fast_) {
      auto direct = direct_.find(name);
      if (direct == direct_.end()) continue;
      std::printf("%-44s %12.2f %12.2f %8.1fx\n", name.c_str(), fastMs, direct->second,
                  direct->second / fastMs);
    }
  }

 private:
  std::map<std::string, double> fast_, direct_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  registerCases();
  SpeedUpReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printSpeedUps();
  benchmark::Shutdown();
  return 0;
}
