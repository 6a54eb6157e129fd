// Natural name order: digit runs by value, letters without regard to case, bytes as the tie-break.
#include "input/natural_order.h"

#include <algorithm>
#include <string_view>

namespace lumivex {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

unsigned char folded(char c) {
  unsigned char byte = static_cast<unsigned char>(c);
  return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

// The digit run starting at `start`, without its leading zeros; `next` is set past the run.
std::string_view digitRun(const std::string& text, std::size_t start, std::size_t& next) {
  next = start;
  while (next < text.size() && isDigit(text[next])) ++next;
  std::size_t first = start;
  while (first < next && text[first] == '0') ++first;
  return std::string_view(text).substr(first, next - first);
}

// Longer runs (without leading zeros) are larger; equal lengths compare digit by digit. No
// conversion to an integer, so a run of any length is compared exactly.
int compareNumbers(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b) < 0 ? -1 : a.compare(b) > 0 ? 1 : 0;
}

int compareNaturally(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      int order = compareNumbers(digitRun(a, i, i), digitRun(b, j, j));
      if (order != 0) return order;
      continue;
    }
    if (folded(a[i]) != folded(b[j])) return folded(a[i]) < folded(b[j]) ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

}  // namespace

bool NaturalLess(const std::string& a, const std::string& b) {
  int order = compareNaturally(a, b);
  return order != 0 ? order < 0 : a < b;
}

void SortNaturally(std::vector<std::string>& names) { std::sort(names.begin(), names.end(), NaturalLess); }

}  // namespace lumivex
