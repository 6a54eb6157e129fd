// A build step: copies a desktop entry or file-manager action template, putting the MIME types of
// the table of formats where it says @MIME_TYPES@, so that what the desktop offers to open with
// Lumivex is exactly what it reads.
//   fill_mime_types TEMPLATE OUTPUT
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "formats/format_table.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: fill_mime_types TEMPLATE OUTPUT\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  std::stringstream text;
  text << in.rdbuf();
  std::string filled = text.str();
  const std::string marker = "@MIME_TYPES@";
  for (std::size_t at = filled.find(marker); at != std::string::npos; at = filled.find(marker, at))
    filled.replace(at, marker.size(), corvale::mimeTypeList());
  std::ofstream out(argv[2]);
  out << filled;
  return in && out ? 0 : 1;
}
