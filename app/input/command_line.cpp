// Splitting the start-up arguments into images and folders, and queueing what they name.
#include "input/command_line.h"

#include <algorithm>
#include <filesystem>

#include "utilities/utilities.h"

namespace lumivex {

namespace {

std::vector<std::string> splitAt(const std::string& text, const std::string& separator) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + separator.size())
    pieces.push_back(text.substr(start, at - start));
  pieces.push_back(text.substr(start));
  return pieces;
}

std::string withoutQuotesTrimmed(std::string piece) {
  piece.erase(std::remove(piece.begin(), piece.end(), '"'), piece.end());
  std::size_t first = piece.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return piece.substr(first, piece.find_last_not_of(' ') - first + 1);
}

// A shell hands over paths relative to the current folder; queued paths are full ones, so that the
// output folders built from them (the mirrored subfolder above all) stay beside the photos.
std::string fullPath(const std::string& piece) {
  if (piece.empty() || piece.front() == '/') return piece;
  std::error_code error;
  std::filesystem::path full = std::filesystem::absolute(piece, error);
  return error ? piece : full.lexically_normal().string();
}

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& arguments) {
  if (arguments.empty()) return {};
  bool quoted = arguments.find('"') != std::string::npos;
  std::vector<std::string> pieces = splitAt(arguments, quoted ? "\" \"" : " ");
  std::transform(pieces.begin(), pieces.end(), pieces.begin(), withoutQuotesTrimmed);
  return pieces;
}

std::vector<std::string> QueueCommandLinePieces(const std::vector<std::string>& pieces, PendingFiles& queue) {
  std::vector<std::string> skipped;
  for (const std::string& given : pieces) {
    std::string piece = fullPath(given);
    if (IsSupportedImage(piece) && FileExists(piece)) {
      queue.append({piece, FolderOf(piece)});
      continue;
    }
    if (FolderExists(piece)) AddFolder(piece, piece, queue);
    std::error_code error;
    if (!piece.empty() && !std::filesystem::is_directory(piece, error)) skipped.push_back(piece);
  }
  return skipped;
}

void QueueCommandLine(const std::string& arguments, PendingFiles& queue) {
  QueueCommandLinePieces(SplitCommandLine(arguments), queue);
}

}  // namespace lumivex
