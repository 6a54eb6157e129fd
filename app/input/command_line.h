// Images and folders named when the program starts. A whole argument string is split as a shell
// would hand it over on the platform where paths may hold blanks: at every quote-blank-quote when
// it holds a quote, at every blank otherwise. Arguments that arrive already split (argv) are used
// as pieces directly.
#pragma once

#include <string>
#include <vector>

#include "input/folder_walk.h"

namespace lumivex {

// The pieces of an argument string, each with its quotes removed and its blanks trimmed. Empty
// pieces (two blanks in a row) are kept; they name nothing and are skipped when queued.
std::vector<std::string> SplitCommandLine(const std::string& arguments);

// Queues each piece in order, a relative one as a full path from the current folder: a supported,
// existing image with its own folder as base; otherwise an existing folder, walked with itself as
// base. Anything else is skipped; the non-empty pieces
// that named neither an image nor a folder are returned, for a front end that reports them.
std::vector<std::string> QueueCommandLinePieces(const std::vector<std::string>& pieces, PendingFiles& queue);

// SplitCommandLine, then QueueCommandLinePieces.
void QueueCommandLine(const std::string& arguments, PendingFiles& queue);

}  // namespace lumivex
