// Output file names from the user's pattern: the %SRC%, %DSTX%, %DSTY% tags, the counter tags
// %N% and %N2%..%N6%, the extension rules, and the search for a counter value still free in the
// destination folder.
#pragma once

#include <cstdint>
#include <string>

#include "formats/format_table.h"

namespace lumivex {

// The output file name (no folder part) for `sourceName` (a file name without folder) at the
// given output size. `destFolder` ends with "/" or is empty; when empty, the counter is neither
// advanced nor checked against existing files. `fileCounter` is the run's value of the counter
// tags (the run owns it, so each run counts from 1), advanced once per attempt. Uses
// settings.OutputFilenamePattern. The extension is that of the writer of the copy.
std::string MakeOutputName(const std::string& sourceName, std::int32_t outWidth, std::int32_t outHeight,
                           const std::string& destFolder, std::int32_t& fileCounter,
                           corvale::Writer writer = corvale::Writer::Jpeg);

// The same with another pattern than the settings' one.
std::string MakeOutputName(const std::string& sourceName, std::int32_t outWidth, std::int32_t outHeight,
                           const std::string& destFolder, const std::string& pattern,
                           std::int32_t& fileCounter, corvale::Writer writer = corvale::Writer::Jpeg);

// True when the pattern holds a size tag (%DSTX% or %DSTY%), so that copies of one photo at
// different sizes get different names.
bool PatternHasSizeTag(const std::string& pattern);

// True when the pattern holds a counter tag, so that another name can always be tried.
bool PatternHasCounter(const std::string& pattern);

}  // namespace lumivex
