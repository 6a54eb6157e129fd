// The planned load of a reader that streams its rows, fuzzed beside its whole-picture read: a
// plan a fifth of the stored size, so that the rows go through the box stage, must never crash and
// must leave a picture exactly when it does not refuse.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "picture/planned_load.h"
#include "readers/readers.h"

inline void fuzzPlannedRead(corvale::LoadOutcome (*read)(corvale::Bytes, const corvale::LoadPlanner&,
                                                         corvale::Picture&),
                            const std::uint8_t* data, std::size_t size) {
  corvale::Picture result;
  const corvale::LoadPlanner fifth = [](std::int32_t width, std::int32_t height, corvale::LoadPlan& plan) {
    plan.width = std::max(1, width / 5);
    plan.height = std::max(1, height / 5);
    plan.mode = 3;
    return true;
  };
  corvale::LoadOutcome outcome = read({data, size}, fifth, result);
  bool refused = !outcome.clean() && !outcome.warned();
  if (result.empty() != refused || (!outcome.clean() && outcome.reason.empty())) __builtin_trap();
  corvale::releasePicture(result);
}
