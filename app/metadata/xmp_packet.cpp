// XMP segments recognised, extended packets put together from their parts and split into them.
#include "metadata/xmp_packet.h"

#include <algorithm>

#include "readers/byte_cursor.h"

namespace lumivex {
namespace {

// What is left of a segment for its part once the identifier, GUID, length and offset are read.
constexpr std::size_t kPartHeader = kXmpExtensionIdentifier.size() + kXmpGuidLength + 8;
constexpr std::size_t kLargestPart = 65533 - kPartHeader;
// An extended packet larger than this is not carried (no camera or editor writes one near it).
constexpr std::uint32_t kLargestExtension = 16u << 20;

bool startsWith(std::span<const std::uint8_t> bytes, std::string_view text) {
  return bytes.size() >= text.size() && std::equal(text.begin(), text.end(), bytes.begin());
}

void appendNumber(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

}  // namespace

bool IsXmpSegment(std::span<const std::uint8_t> app1Payload) {
  return startsWith(app1Payload, kXmpIdentifier);
}

bool IsXmpExtensionSegment(std::span<const std::uint8_t> app1Payload) {
  return startsWith(app1Payload, kXmpExtensionIdentifier);
}

std::vector<std::uint8_t> XmpApp1Payload(std::span<const std::uint8_t> packet) {
  std::vector<std::uint8_t> payload(kXmpIdentifier.begin(), kXmpIdentifier.end());
  payload.insert(payload.end(), packet.begin(), packet.end());
  return payload;
}

std::vector<std::vector<std::uint8_t>> XmpExtensionPayloads(const std::string& guid,
                                                            std::span<const std::uint8_t> extension) {
  std::vector<std::vector<std::uint8_t>> payloads;
  if (guid.size() != kXmpGuidLength || extension.size() > kLargestExtension) return payloads;
  for (std::size_t offset = 0; offset < extension.size(); offset += kLargestPart) {
    std::vector<std::uint8_t> payload(kXmpExtensionIdentifier.begin(), kXmpExtensionIdentifier.end());
    payload.insert(payload.end(), guid.begin(), guid.end());
    appendNumber(payload, static_cast<std::uint32_t>(extension.size()));
    appendNumber(payload, static_cast<std::uint32_t>(offset));
    std::size_t size = std::min(kLargestPart, extension.size() - offset);
    auto part = extension.subspan(offset, size);
    payload.insert(payload.end(), part.begin(), part.end());
    payloads.push_back(std::move(payload));
  }
  return payloads;
}

void XmpExtensionAssembly::add(std::span<const std::uint8_t> app1Payload) {
  corvale::ByteCursor cursor(app1Payload, corvale::ByteOrder::Big);
  std::uint32_t fullLength = 0, offset = 0;
  if (!IsXmpExtensionSegment(app1Payload) || !cursor.skip(kXmpExtensionIdentifier.size())) return;
  std::span<const std::uint8_t> guidBytes = cursor.take(kXmpGuidLength);
  if (!cursor.u32be(fullLength) || !cursor.u32be(offset)) return;
  Parts& parts = parts_[std::string(guidBytes.begin(), guidBytes.end())];
  std::span<const std::uint8_t> data = cursor.take(cursor.remaining());
  bool fits = fullLength <= kLargestExtension && offset <= fullLength && data.size() <= fullLength - offset;
  if (!fits || (parts.fullLength != 0 && parts.fullLength != fullLength) || parts.byOffset.count(offset))
    parts.spoiled = true;
  if (parts.spoiled) return;
  parts.fullLength = fullLength;
  parts.byOffset[offset].assign(data.begin(), data.end());
}

std::vector<std::uint8_t> XmpExtensionAssembly::packet(const std::string& guid) const {
  auto found = parts_.find(guid);
  if (found == parts_.end() || found->second.spoiled) return {};
  std::vector<std::uint8_t> packet;
  for (const auto& [offset, data] : found->second.byOffset) {
    if (offset != packet.size()) return {};  // a gap or an overlap
    packet.insert(packet.end(), data.begin(), data.end());
  }
  if (packet.size() != found->second.fullLength) return {};
  return packet;
}

}  // namespace lumivex
