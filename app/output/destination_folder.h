// Where a photo job writes its file: the photo's own folder, a subfolder of the base folder that
// mirrors the tree below it, or one fixed folder; folder names may hold %WIDTH%, %HEIGHT% and, for
// the fixed folder, %SUBDIR% (the last component of the base folder).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "utilities/picture_size.h"

namespace lumivex {

// The folder the output of `sourcePath` goes to, with a trailing "/", for the current destination
// mode of the settings; none for a mode that is not one of the three. `baseDir` is adjusted as
// the mode needs it (a "/" added for the subfolder mode, removed for the fixed folder), and the
// fixed-folder mode drops a trailing "/" from the setting itself. Nothing is created here.
std::optional<std::string> DestinationFolderFor(const std::string& sourcePath, std::string& baseDir,
                                                PictureSize target);

// Creates the folder with every missing level above it. A failure is thrown as
// std::runtime_error naming the folder and the system's reason.
void CreateDestinationFolder(const std::string& folder);

}  // namespace lumivex
