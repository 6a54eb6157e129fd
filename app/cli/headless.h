// The headless front end: `lumivex --batch [OPTIONS] FILE|FOLDER...` runs the same folder walk
// and batch loop as the window, with progress and per-photo results on the terminal.
#pragma once

#include <string>
#include <vector>

namespace lumivex::cli {

// Takes the arguments after --batch; returns the exit status: 0 when every photo was written (or
// kept by the overwrite policy), 1 when some photo or named item failed, 2 for a usage error.
int RunHeadless(const std::vector<std::string>& arguments);

}  // namespace lumivex::cli
