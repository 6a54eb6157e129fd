// The quality search: a bracket of qualities, one known to fit and one known to be too large,
// narrowed by interpolation until the two are neighbours.
#include "encoder/quality_search.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "encoder/quantization_tables.h"

namespace lumivex {

namespace {

// How the size of a photo's file follows the quantizer: log(size) falls nearly in a straight line
// as log(mean luminance entry) grows. The slope differs from photo to photo; this one, typical of
// camera photos, only places the second try, after which the slope measured on the photo itself
// is used.
constexpr double kTypicalSizeSlope = 0.75;
// log(1.04): how far below the limit the second try aims.
constexpr double kAimBelow = 0.04;

// log of the mean luminance quantizer entry: the coarseness of the quantization at a quality.
double logStep(std::int32_t quality) {
  const QuantTable table = TablesForQuality(quality)[0];
  double sum = 0;
  for (std::int16_t entry : table.Entries) sum += entry;
  return std::log(sum / 64.0);
}

// The coefficients of one quality at a time, and what its file would take.
class QualityTrials {
 public:
  QualityTrials(const TransformedImage& image, ComponentSetup& setup, JpegContent& content)
      : image_(image), setup_(setup), content_(content) {}

  // The size short of the stuffing: a lower bound of the file's size.
  std::int64_t sizeAt(std::int32_t quality) {
    auto known = sizes_.find(quality);
    if (known != sizes_.end()) return known->second;
    quantizeAt(quality);
    return sizes_[quality] = JpegSizeWithoutStuffing(content_);
  }

  // Whether the complete file fits, coded; the last file coded is kept for the answer.
  bool fileFits(std::int32_t quality, std::int64_t limit) {
    quantizeAt(quality);
    file_ = AssembleJpeg(content_);
    fileQuality_ = quality;
    return static_cast<std::int64_t>(file_.size()) <= limit;
  }

  // The file of the quality, with the components left quantized for it.
  std::vector<std::uint8_t> fileAt(std::int32_t quality) {
    quantizeAt(quality);
    if (fileQuality_ != quality) fileFits(quality, 0);
    return std::move(file_);
  }

  std::int64_t tried() const { return tried_; }

 private:
  void quantizeAt(std::int32_t quality) {
    if (quality == quantized_) return;
    tables_ = TablesForQuality(quality);
    QuantizeTransformed(image_, tables_, setup_);
    content_.quantTables = &tables_;
    quantized_ = quality;
    ++tried_;
  }

  const TransformedImage& image_;
  ComponentSetup& setup_;
  JpegContent& content_;
  std::array<QuantTable, 4> tables_{};
  std::int32_t quantized_ = 0;
  std::int64_t tried_ = 0;
  std::map<std::int32_t, std::int64_t> sizes_;
  std::vector<std::uint8_t> file_;
  std::int32_t fileQuality_ = 0;
};

// About one coded byte in 256 is 0xFF and gets a stuffed zero after it.
std::int64_t withExpectedStuffing(std::int64_t size) { return size + size / 256; }

// Every quality up to `fits` gives a file within the limit, every one from `tooLarge` on a larger
// one (as far as the search knows: the ends start outside the range, never tried).
struct Bracket {
  std::int32_t fits = 0;
  std::int64_t fitsSize = 0;
  std::int32_t tooLarge = 0;
  std::int64_t tooLargeSize = 0;
  bool lastMovedFits = false;
  bool sameSideTwice = false;
  // The too-large try before the last, which measures the photo's own slope while nothing fits yet.
  std::int32_t previousTooLarge = 0;
  std::int64_t previousTooLargeSize = 0;

  bool closed() const { return tooLarge - fits <= 1; }
  void record(std::int32_t quality, std::int64_t size, std::int64_t limit) {
    bool movesFits = size <= limit;
    sameSideTwice = movesFits == lastMovedFits;
    lastMovedFits = movesFits;
    if (movesFits)
      fits = quality, fitsSize = size;
    else
      previousTooLarge = tooLarge, previousTooLargeSize = tooLargeSize, tooLarge = quality,
      tooLargeSize = size;
  }
};

// The slope of log(size) over log(step) between the last two too-large tries, when there were two
// and it is believable.
double sizeSlope(const Bracket& bracket, const QualityRange& range) {
  if (bracket.previousTooLarge > range.highest || bracket.previousTooLarge <= bracket.tooLarge)
    return kTypicalSizeSlope;
  double run = logStep(bracket.tooLarge) - logStep(bracket.previousTooLarge);
  double rise = std::log(static_cast<double>(bracket.previousTooLargeSize)) -
                std::log(static_cast<double>(bracket.tooLargeSize));
  double slope = run > 0 ? rise / run : kTypicalSizeSlope;
  return std::clamp(slope, 0.2, 3.0);
}

// The quality strictly inside the bracket whose coarseness is nearest to `wantedStep`.
std::int32_t nearestInside(const Bracket& bracket, double wantedStep) {
  std::int32_t best = bracket.fits + 1;
  double bestDistance = INFINITY;
  for (std::int32_t q = bracket.fits + 1; q < bracket.tooLarge; ++q) {
    double distance = std::fabs(logStep(q) - wantedStep);
    if (distance < bestDistance) best = q, bestDistance = distance;
  }
  return best;
}

// Where the limit should lie: on the line through the two ends when both were tried, else at the
// typical slope from the end that was. Halving instead after two tries on the same side keeps a
// badly curved photo from creeping towards the answer one quality at a time.
std::int32_t nextTry(const Bracket& bracket, const QualityRange& range, std::int64_t limit) {
  bool fitsTried = bracket.fits >= range.lowest, tooLargeTried = bracket.tooLarge <= range.highest;
  if (bracket.sameSideTwice && fitsTried && tooLargeTried)
    return bracket.fits + (bracket.tooLarge - bracket.fits) / 2;
  double logLimit = std::log(static_cast<double>(limit));
  double wanted;
  if (fitsTried && tooLargeTried) {
    double low = std::log(static_cast<double>(bracket.fitsSize));
    double high = std::log(static_cast<double>(bracket.tooLargeSize));
    double t = high > low ? (logLimit - low) / (high - low) : 0.5;
    wanted = logStep(bracket.fits) + t * (logStep(bracket.tooLarge) - logStep(bracket.fits));
  } else if (tooLargeTried) {
    // Aimed a little below the limit, so that this try most likely fits and closes the bracket.
    wanted = logStep(bracket.tooLarge) +
             (std::log(static_cast<double>(bracket.tooLargeSize)) - logLimit + kAimBelow) /
                 sizeSlope(bracket, range);
  } else {
    wanted = logStep(bracket.fits) -
             (logLimit - std::log(static_cast<double>(bracket.fitsSize))) / kTypicalSizeSlope;
  }
  return nearestInside(bracket, wanted);
}

}  // namespace

QualityFit FitQuality(const TransformedImage& image, ComponentSetup& setup, JpegContent content,
                      QualityRange range, std::int64_t maxFileBytes) {
  content.setup = &setup;
  QualityTrials trials(image, setup, content);
  // Most photos already fit at the quality asked for, so that is the first try.
  Bracket bracket;
  bracket.fits = range.lowest - 1;
  bracket.tooLarge = bracket.previousTooLarge = range.highest + 1;
  for (std::int32_t q = range.highest; !bracket.closed(); q = nextTry(bracket, range, maxFileBytes))
    bracket.record(q, withExpectedStuffing(trials.sizeAt(q)), maxFileBytes);

  // The sizes tried guessed the stuffing, so the answer is settled on coded files: down while the
  // file is too large, up while the next quality may still fit (its size without stuffing, a
  // lower bound, within the limit).
  std::int32_t q = bracket.fits;
  while (q >= range.lowest && !trials.fileFits(q, maxFileBytes)) --q;
  if (q < range.lowest) return {range.lowest, false, trials.tried(), trials.fileAt(range.lowest)};
  bool wentDown = q < bracket.fits;
  while (!wentDown && q < range.highest && trials.sizeAt(q + 1) <= maxFileBytes &&
         trials.fileFits(q + 1, maxFileBytes))
    ++q;
  return {q, true, trials.tried(), trials.fileAt(q)};
}

}  // namespace lumivex
