// What a drop on the main window carries: a list of files (local file URLs, in their order, as the
// Linux file managers offer them in text/uri-list), a plain text, or nothing the window knows.
#pragma once

#include <string>
#include <vector>

class QMimeData;

namespace lumivex::ui {

struct DroppedData {
  enum class Kind { FileList, Text, Unrecognized };
  Kind kind = Kind::Unrecognized;
  std::vector<std::string> files;  // local paths, for a file list
  std::string text;                // for a text
};

// A file list wins over text when the data offers both (file managers offer both).
DroppedData ReadDrop(const QMimeData& data);

}  // namespace lumivex::ui
