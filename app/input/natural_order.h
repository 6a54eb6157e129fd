// The order in which a folder's files and subfolders are queued: names as a person reads them,
// so that img2 comes before img10 and the counters and the progress follow the names.
#pragma once

#include <string>
#include <vector>

namespace lumivex {

// True when `a` sorts before `b`. A run of digits compares by its numeric value, whatever its
// length (leading zeros do not count); other characters compare with ASCII letters folded to
// lower case, byte for byte otherwise (UTF-8 names keep their code point order). Names that are
// equal by these rules (IMG1 and img01) are ordered by their plain bytes, so the order is total
// and the same on every file system.
bool NaturalLess(const std::string& a, const std::string& b);

// Sorts the paths by NaturalLess.
void SortNaturally(std::vector<std::string>& names);

}  // namespace lumivex
