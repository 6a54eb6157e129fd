// ICC profile chunks of APP2 segments, checked and put back together in sequence order.
#include "metadata/icc_profile_chunks.h"

#include <algorithm>

#include "readers/byte_cursor.h"

namespace lumivex {
namespace {

constexpr std::uint8_t kIccIdentifier[12] = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};
constexpr std::size_t kSequenceAt = sizeof kIccIdentifier;
constexpr std::size_t kCountAt = kSequenceAt + 1;
constexpr std::size_t kDataAt = kCountAt + 1;

}  // namespace

bool IsIccChunk(std::span<const std::uint8_t> app2Payload) {
  return app2Payload.size() >= sizeof kIccIdentifier &&
         std::equal(std::begin(kIccIdentifier), std::end(kIccIdentifier), app2Payload.begin());
}

void IccChunkAssembly::add(std::span<const std::uint8_t> app2Payload, bool complete) {
  corvale::ByteCursor reader(app2Payload, corvale::ByteOrder::Big);
  if (!complete || !IsIccChunk(app2Payload) || !reader.fits(0, kDataAt)) return spoil();
  int sequence = app2Payload[kSequenceAt], count = app2Payload[kCountAt];
  if (count == 0 || sequence == 0 || sequence > count) return spoil();
  if (count_ == 0) {
    count_ = count;
    chunks_.resize(static_cast<std::size_t>(count));
    seen_.assign(static_cast<std::size_t>(count), false);
  }
  std::size_t index = static_cast<std::size_t>(sequence - 1);
  if (count != count_ || seen_[index]) return spoil();
  seen_[index] = true;
  chunks_[index].assign(app2Payload.begin() + kDataAt, app2Payload.end());
}

std::vector<std::uint8_t> IccChunkAssembly::profile() const {
  if (spoiled_ || count_ == 0 || std::find(seen_.begin(), seen_.end(), false) != seen_.end()) return {};
  std::vector<std::uint8_t> profile;
  for (const std::vector<std::uint8_t>& chunk : chunks_)
    profile.insert(profile.end(), chunk.begin(), chunk.end());
  return profile;
}

}  // namespace lumivex
