// What the window shows once a run is over: how many photos came out, how many were left as they
// were and how many failed and why, before the seconds per photo ("12 photos done, 1 failed (1
// damaged)").
#pragma once

#include <string>

#include "batch/batch_run.h"

namespace lumivex::ui {

// The status line after a run: the counts on the first line, "(N seconds per photo)" on the next.
std::string RunOutcomeText(const BatchSummary& summary);

}  // namespace lumivex::ui
