// The folders a run writes into, as the folder walk must recognise them: walking them again would
// resize the outputs of the previous run (resized/resized/...). The sizes of %WIDTH% and %HEIGHT%
// are not known while the walk runs (the window reads its size box only when a run starts), so
// those tags stand for any run of digits, the only thing they ever become.
#pragma once

#include <filesystem>
#include <string>

#include "settings/settings.h"

namespace lumivex {

class OwnOutputFolders {
 public:
  // The destination folders of the current settings for a walk whose base folder is `baseDir`:
  // in the subfolder mode every folder named like the subfolder setting (its first component),
  // in the fixed-folder mode the fixed folder (with %SUBDIR% taken from `baseDir`); none in the
  // same-folder mode.
  OwnOutputFolders(const Settings& values, const std::string& baseDir);

  // Whether the folder at `path` (met in the walk, named `name`) is one of them. The fixed folder
  // is compared by canonical path, so a link to it or a path through a link is recognised too.
  bool contains(const std::filesystem::path& path, const std::string& name) const;

 private:
  void setFixedFolder(const std::string& folder);

  std::string subfolderPattern_;          // a name pattern; empty: nothing matched by name
  std::filesystem::path fixedParent_;     // canonical folder holding the fixed folder
  std::string fixedPattern_;              // the fixed folder's name pattern inside fixedParent_
  std::filesystem::path fixedCanonical_;  // the fixed folder itself when it has no size tag
};

// Whether `name` matches `pattern`, in which %WIDTH% and %HEIGHT% each stand for one or more
// digits and every other character stands for itself.
bool MatchesSizeTagPattern(const std::string& pattern, const std::string& name);

}  // namespace lumivex
