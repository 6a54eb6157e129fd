// The largest file an output may become, as people write it: "300k", "1.5m", "250000" (bytes),
// "0" or "none" for no limit. A kilobyte here is 1024 bytes and a megabyte 1024 kilobytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace lumivex {

// Nothing larger is taken: no photo needs more, and the sums stay far from overflowing.
inline constexpr std::int64_t kLargestFileSizeLimit = std::int64_t{1} << 40;  // 1 TiB

// The limit in bytes (0: no limit) of "300k", "300K", "300 KB", "1.5m", "2M", "250000", "0" or
// "none"; blanks around the text are ignored and a comma may stand for the decimal point ("1,5 MB"). None for
// negative numbers, a fraction of a byte, a limit above 1 TiB, an empty text or any other text.
std::optional<std::int64_t> ParseFileSizeLimit(const std::string& text);

// The limit as lumivex-more.cfg writes it, read back exactly by ParseFileSizeLimit: "300k" for
// 307200, "1.5m" for 1572864, "250000" for a size that is no whole tenth, hundredth or thousandth
// of a kilobyte, "0" for no limit.
std::string FileSizeLimitSetting(std::int64_t bytes);

// The limit for messages: "300 KB", "1.5 MB", "2 GB", "500 bytes", or "no limit" for 0.
std::string FileSizeLimitText(std::int64_t bytes);

}  // namespace lumivex
