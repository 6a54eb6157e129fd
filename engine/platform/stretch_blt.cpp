// StretchBlt: a scaled copy of a rectangle. HALFTONE averages the source area that each
// destination pixel covers, weighting every source pixel by the exact fraction of it inside that
// area; the other modes take the source pixel under the destination pixel's centre.
//
// Coverage is measured in integers: along an axis that maps `srcCount` source pixels onto
// `destCount` destination pixels, destination pixel i spans [i * srcCount, (i + 1) * srcCount)
// and source pixel k spans [k * destCount, (k + 1) * destCount), so every overlap is a whole
// number and the averages are exact before their final rounding.
#include <emmintrin.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/gdi_objects.h"

namespace gdi {

namespace {

struct Tap {
  std::int32_t source;
  std::uint64_t weight;
};

// The taps of every destination pixel along one axis that lies inside the destination bitmap.
struct AxisTaps {
  std::vector<std::int32_t> dest;     // destination coordinate of each entry
  std::vector<std::size_t> firstTap;  // entry e owns taps[firstTap[e] .. firstTap[e + 1])
  std::vector<Tap> taps;
  std::vector<std::uint64_t> total;  // sum of the weights of entry e
};

AxisTaps areaTaps(std::int64_t destOrigin, std::int64_t destCount, std::int64_t destSize,
                  std::int64_t srcOrigin, std::int64_t srcCount, std::int64_t srcSize) {
  AxisTaps axis;
  Span inside = clipSpan(destOrigin, 0, destCount, destSize, destCount);
  for (std::int64_t i = inside.begin; i < inside.end; ++i) {
    std::int64_t d = destOrigin + i;
    std::int64_t lo = i * srcCount, hi = (i + 1) * srcCount;
    std::size_t first = axis.taps.size();
    std::uint64_t total = 0;
    std::int64_t kBegin = std::max(lo / destCount, -srcOrigin);
    std::int64_t kEnd = srcSize - srcOrigin;  // first k whose source pixel lies beyond the bitmap
    for (std::int64_t k = kBegin; k < kEnd && k * destCount < hi; ++k) {
      std::int64_t s = srcOrigin + k;
      std::int64_t a = k * destCount > lo ? k * destCount : lo;
      std::int64_t b = (k + 1) * destCount < hi ? (k + 1) * destCount : hi;
      axis.taps.push_back({static_cast<std::int32_t>(s), static_cast<std::uint64_t>(b - a)});
      total += static_cast<std::uint64_t>(b - a);
    }
    if (total == 0) {
      axis.taps.resize(first);
      continue;
    }
    axis.dest.push_back(static_cast<std::int32_t>(d));
    axis.firstTap.push_back(first);
    axis.total.push_back(total);
  }
  axis.firstTap.push_back(axis.taps.size());
  return axis;
}

// (sum + total / 2) / total for sums of at most 255 * total, without a 64-bit division per
// channel: the quotient estimated in double precision is off by at most one and corrected.
class RoundedQuotient {
 public:
  explicit RoundedQuotient(std::uint64_t total)
      : total_(total), half_(total / 2), inverse_(1.0 / double(total)) {}
  std::uint8_t operator()(std::uint64_t sum) const {
    const std::uint64_t n = sum + half_;
    auto q = static_cast<std::uint64_t>(double(n) * inverse_);
    if (q * total_ > n)
      --q;
    else if ((q + 1) * total_ <= n)
      ++q;
    return static_cast<std::uint8_t>(q);
  }

 private:
  std::uint64_t total_, half_;
  double inverse_;
};

// One source row as 8-bit channels in blue, green, red, fourth-byte order.
void readRow(const Bitmap& bm, std::int32_t y, std::vector<Bgra>& out) {
  out.resize(static_cast<std::size_t>(bm.width));
  const std::uint8_t* in = bm.row(y);
  if (bm.bitCount == 32) {
    std::memcpy(out.data(), in, out.size() * 4);
  } else if (bm.bitCount == 24) {
    for (std::int32_t x = 0; x < bm.width; ++x, in += 3) out[x] = {in[0], in[1], in[2], 0};
  } else {
    for (std::int32_t x = 0; x < bm.width; ++x) out[x] = readPixel(bm, x, y);
  }
}

// Adds one source row, first reduced along x, into the destination row's sums with weight wy.
void accumulateRow(const AxisTaps& cols, const std::vector<Bgra>& line, std::uint64_t wy,
                   std::vector<std::uint64_t>& acc) {
  const std::size_t n = cols.dest.size();
  const Tap* taps = cols.taps.data();
  for (std::size_t c = 0; c < n; ++c) {
    std::uint64_t b = 0, g = 0, r = 0, a = 0;
    for (std::size_t u = cols.firstTap[c], end = cols.firstTap[c + 1]; u < end; ++u) {
      const Bgra& p = line[taps[u].source];
      const std::uint64_t wx = taps[u].weight;
      b += wx * p.b, g += wx * p.g, r += wx * p.r, a += wx * p.a;
    }
    std::uint64_t* sum = &acc[c * 4];
    sum[0] += wy * b, sum[1] += wy * g, sum[2] += wy * r, sum[3] += wy * a;
  }
}

// True when every destination pixel along the axis covers two whole source pixels: the weights
// are then equal, and an average of four pixels is (sum + 2) / 4, the very rounding of the general
// way (its weights and total are that sum and 4 times one weight squared).
bool coversPairs(const AxisTaps& axis) {
  for (std::size_t e = 0; e < axis.dest.size(); ++e) {
    const std::size_t first = axis.firstTap[e];
    if (axis.firstTap[e + 1] - first != 2 || axis.taps[first].weight != axis.taps[first + 1].weight)
      return false;
  }
  return true;
}

// True when the axis takes pairs of neighbours in order onto neighbouring destination pixels: the
// pairs of one row then lie side by side in memory.
bool pairsInOrder(const AxisTaps& axis) {
  for (std::size_t e = 0; e < axis.dest.size(); ++e) {
    const std::size_t first = axis.firstTap[e];
    if (axis.dest[e] != axis.dest[0] + static_cast<std::int32_t>(e) ||
        axis.taps[first].source != axis.taps[0].source + 2 * static_cast<std::int32_t>(e) ||
        axis.taps[first + 1].source != axis.taps[first].source + 1)
      return false;
  }
  return true;
}

// (p + q + u + v + 2) / 4 for each channel of `count` destination pixels of `outBytes` bytes (4 or
// 3), from two rows of twice as many 4-byte pixels; two destination pixels at a time in 16-bit lanes.
void halveRows(std::uint8_t* out, std::size_t outBytes, const std::uint8_t* upper, const std::uint8_t* lower,
               std::size_t count) {
  const __m128i zero = _mm_setzero_si128(), two = _mm_set1_epi16(2);
  std::size_t c = 0;
  for (; c + 2 <= count; c += 2, upper += 16, lower += 16, out += 2 * outBytes) {
    const __m128i up = _mm_loadu_si128(reinterpret_cast<const __m128i*>(upper));
    const __m128i down = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lower));
    // Source pixels 0 and 1, then 2 and 3, their two rows added.
    const __m128i first = _mm_add_epi16(_mm_unpacklo_epi8(up, zero), _mm_unpacklo_epi8(down, zero));
    const __m128i second = _mm_add_epi16(_mm_unpackhi_epi8(up, zero), _mm_unpackhi_epi8(down, zero));
    // Each pair's left pixel plus its right one.
    const __m128i pairs = _mm_add_epi16(_mm_unpacklo_epi64(first, second), _mm_unpackhi_epi64(first, second));
    const __m128i mean = _mm_srli_epi16(_mm_add_epi16(pairs, two), 2);
    const auto means = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_packus_epi16(mean, zero)));
    const std::uint32_t left = static_cast<std::uint32_t>(means),
                        right = static_cast<std::uint32_t>(means >> 32);
    std::memcpy(out, &left, outBytes);
    std::memcpy(out + outBytes, &right, outBytes);
  }
  for (; c < count; ++c, upper += 8, lower += 8, out += outBytes)
    for (std::size_t k = 0; k < outBytes; ++k)
      out[k] = static_cast<std::uint8_t>((upper[k] + upper[k + 4] + lower[k] + lower[k + 4] + 2) >> 2);
}

// The halving of a JPEG encoder's chroma: each destination pixel the rounded mean of a 2 x 2 block.
void halveStretch(Bitmap& d, const Bitmap& s, const AxisTaps& cols, const AxisTaps& rows) {
  if ((d.bitCount == 32 || d.bitCount == 24) && s.bitCount == 32 && !cols.dest.empty() &&
      pairsInOrder(cols)) {
    const std::size_t outBytes = static_cast<std::size_t>(d.bitCount / 8);
    const std::size_t left = static_cast<std::size_t>(cols.taps[0].source) * 4;
    for (std::size_t r = 0; r < rows.dest.size(); ++r) {
      const std::int32_t top = rows.taps[rows.firstTap[r]].source;
      const std::int32_t bottom = rows.taps[rows.firstTap[r] + 1].source;
      halveRows(d.row(rows.dest[r]) + static_cast<std::size_t>(cols.dest[0]) * outBytes, outBytes,
                s.row(top) + left, s.row(bottom) + left, cols.dest.size());
    }
    return;
  }
  std::vector<Bgra> upper, lower;
  for (std::size_t r = 0; r < rows.dest.size(); ++r) {
    readRow(s, rows.taps[rows.firstTap[r]].source, upper);
    readRow(s, rows.taps[rows.firstTap[r] + 1].source, lower);
    for (std::size_t c = 0; c < cols.dest.size(); ++c) {
      const std::int32_t left = cols.taps[cols.firstTap[c]].source,
                         right = cols.taps[cols.firstTap[c] + 1].source;
      const Bgra &a = upper[left], &b = upper[right], &e = lower[left], &f = lower[right];
      auto mean = [](unsigned p, unsigned q, unsigned u, unsigned v) {
        return static_cast<std::uint8_t>((p + q + u + v + 2) >> 2);
      };
      writePixel(d, cols.dest[c], rows.dest[r],
                 {mean(a.b, b.b, e.b, f.b), mean(a.g, b.g, e.g, f.g), mean(a.r, b.r, e.r, f.r),
                  mean(a.a, b.a, e.a, f.a)});
    }
  }
}

void halftoneStretch(Bitmap& d, std::int32_t xDest, std::int32_t yDest, std::int32_t wDest,
                     std::int32_t hDest, const Bitmap& s, std::int32_t xSrc, std::int32_t ySrc,
                     std::int32_t wSrc, std::int32_t hSrc) {
  AxisTaps cols = areaTaps(xDest, wDest, d.width, xSrc, wSrc, s.width);
  AxisTaps rows = areaTaps(yDest, hDest, d.height, ySrc, hSrc, s.height);
  if (coversPairs(cols) && coversPairs(rows)) return halveStretch(d, s, cols, rows);
  std::size_t n = cols.dest.size();
  std::vector<std::uint64_t> acc(n * 4);
  std::vector<Bgra> line;
  for (std::size_t r = 0; r < rows.dest.size(); ++r) {
    std::fill(acc.begin(), acc.end(), 0);
    for (std::size_t t = rows.firstTap[r]; t < rows.firstTap[r + 1]; ++t) {
      readRow(s, rows.taps[t].source, line);
      accumulateRow(cols, line, rows.taps[t].weight, acc);
    }
    std::int32_t y = rows.dest[r];
    for (std::size_t c = 0; c < n; ++c) {
      RoundedQuotient average(cols.total[c] * rows.total[r]);
      const std::uint64_t* sum = &acc[c * 4];
      writePixel(d, cols.dest[c], y, {average(sum[0]), average(sum[1]), average(sum[2]), average(sum[3])});
    }
  }
}

// Source coordinate under the centre of destination pixel i.
std::int64_t centreSource(std::int64_t i, std::int64_t destCount, std::int64_t srcOrigin,
                          std::int64_t srcCount) {
  return srcOrigin + (2 * i + 1) * srcCount / (2 * destCount);
}

void pickStretch(Bitmap& d, std::int32_t xDest, std::int32_t yDest, std::int32_t wDest, std::int32_t hDest,
                 const Bitmap& s, std::int32_t xSrc, std::int32_t ySrc, std::int32_t wSrc,
                 std::int32_t hSrc) {
  Span rows = clipSpan(yDest, 0, hDest, d.height, hDest);
  Span cols = clipSpan(xDest, 0, wDest, d.width, wDest);
  for (std::int64_t j = rows.begin; j < rows.end; ++j) {
    std::int64_t dy = yDest + j, sy = centreSource(j, hDest, ySrc, hSrc);
    if (sy < 0 || sy >= s.height) continue;
    for (std::int64_t i = cols.begin; i < cols.end; ++i) {
      std::int64_t dx = xDest + i, sx = centreSource(i, wDest, xSrc, wSrc);
      if (sx < 0 || sx >= s.width) continue;
      writePixel(d, static_cast<std::int32_t>(dx), static_cast<std::int32_t>(dy),
                 readPixel(s, static_cast<std::int32_t>(sx), static_cast<std::int32_t>(sy)));
    }
  }
}

}  // namespace

bool StretchBlt(HDC dest, int xDest, int yDest, int wDest, int hDest, HDC src, int xSrc, int ySrc, int wSrc,
                int hSrc, std::uint32_t rop) {
  Bitmap* d = bitmapOf(dest);
  const Bitmap* s = bitmapOf(src);
  if (!d || !s || rop != SRCCOPY || wDest <= 0 || hDest <= 0 || wSrc <= 0 || hSrc <= 0) return false;
  if (wDest == wSrc && hDest == hSrc) return BitBlt(dest, xDest, yDest, wDest, hDest, src, xSrc, ySrc, rop);
  if (s == d) return false;  // a scaled copy within one bitmap would read what it already wrote
  if (dest->stretchMode == HALFTONE)
    halftoneStretch(*d, xDest, yDest, wDest, hDest, *s, xSrc, ySrc, wSrc, hSrc);
  else
    pickStretch(*d, xDest, yDest, wDest, hDest, *s, xSrc, ySrc, wSrc, hSrc);
  return true;
}

}  // namespace gdi
