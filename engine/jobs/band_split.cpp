// Bands of destination rows on threads of their own.
#include "jobs/band_split.h"

#include <algorithm>
#include <exception>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "resample/resample.h"
#include "resample/resample_best.h"

namespace corvale {

namespace {

// Fewer rows than this a band are not worth a thread.
constexpr std::int32_t kLeastRowsPerBand = 16;
constexpr std::int32_t kMostThreads = 16;

struct Band {
  std::int32_t first, count;
};

std::vector<Band> bandsOf(std::int32_t rows, std::int32_t threads) {
  const std::int32_t wanted = std::clamp(std::min(threads, rows / kLeastRowsPerBand), 1, kMostThreads);
  std::vector<Band> bands;
  for (std::int32_t k = 0; k < wanted; ++k) {
    const std::int32_t first = static_cast<std::int32_t>(std::int64_t{rows} * k / wanted);
    const std::int32_t next = static_cast<std::int32_t>(std::int64_t{rows} * (k + 1) / wanted);
    bands.push_back({first, next - first});
  }
  return bands;
}

// A band on its own thread; a failure is kept for the caller, which rethrows it after the join.
void fillBand(Picture& dest, const Picture& source, std::int32_t mode, Band band,
              std::exception_ptr& failure) {
  try {
    resampleRowsInto(dest, source, mode, band.first, band.count);
  } catch (...) {
    failure = std::current_exception();
  }
}

}  // namespace

void resampleInBands(Picture& dest, const Picture& source, std::int32_t mode, std::int32_t threads) {
  const std::vector<Band> bands = bandsOf(dest.height, threads);
  std::vector<std::exception_ptr> failures(bands.size());
  std::vector<std::thread> helpers;
  for (std::size_t k = 1; k < bands.size(); ++k) {
    try {
      helpers.emplace_back(fillBand, std::ref(dest), std::cref(source), mode, bands[k],
                           std::ref(failures[k]));
    } catch (const std::system_error&) {  // no thread: this one fills the band itself
      fillBand(dest, source, mode, bands[k], failures[k]);
    }
  }
  fillBand(dest, source, mode, bands[0], failures[0]);
  for (std::thread& helper : helpers) helper.join();
  for (const std::exception_ptr& failure : failures)
    if (failure) std::rethrow_exception(failure);
}

bool resampleBestInBands(const Picture& source, Picture& dest, std::int32_t mode, std::int32_t threads) {
  const ReductionPlan plan = planReduction(source.width, source.height, dest.width, dest.height);
  if (!plan.twoStage) {
    resampleInBands(dest, source, mode, threads);
    return true;
  }
  if (plan.intermediateIsTarget) {
    resampleInBands(dest, source, kBox, threads);
    return true;
  }
  Picture intermediate;
  allocatePicture(intermediate, plan.width, plan.height, source.memoryDc);
  if (intermediate.empty()) return false;
  try {
    resampleInBands(intermediate, source, kBox, threads);
    resampleInBands(dest, intermediate, mode, threads);
  } catch (...) {
    releasePicture(intermediate);
    throw;
  }
  releasePicture(intermediate);
  return true;
}

}  // namespace corvale
