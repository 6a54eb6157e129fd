// The XMP packet as a JPEG file carries it (XMP Specification Part 3, clause 1.1.3): the packet in
// one APP1 segment behind "http://ns.adobe.com/xap/1.0/\0", and a packet too large for one
// segment split into a main packet that names the rest by a GUID (xmpNote:HasExtendedXMP) and
// the extended packet, carried in further APP1 segments behind
// "http://ns.adobe.com/xmp/extension/\0", the GUID (32 hexadecimal digits), the extended packet's
// full length and the offset of the part (4 bytes each, high byte first), then the part.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumivex {

// Both identifiers with their closing zero byte.
inline constexpr std::string_view kXmpIdentifier{"http://ns.adobe.com/xap/1.0/\0", 29};
inline constexpr std::string_view kXmpExtensionIdentifier{"http://ns.adobe.com/xmp/extension/\0", 35};
inline constexpr std::size_t kXmpGuidLength = 32;
// The largest main packet: an APP1 payload less the identifier.
inline constexpr std::size_t kMaxXmpPacket = 65533 - kXmpIdentifier.size();

bool IsXmpSegment(std::span<const std::uint8_t> app1Payload);
bool IsXmpExtensionSegment(std::span<const std::uint8_t> app1Payload);

// The APP1 payload of a main packet: the identifier, then the packet.
std::vector<std::uint8_t> XmpApp1Payload(std::span<const std::uint8_t> packet);

// The APP1 payloads that carry an extended packet, in offset order.
std::vector<std::vector<std::uint8_t>> XmpExtensionPayloads(const std::string& guid,
                                                            std::span<const std::uint8_t> extension);

// Collects the parts of extended packets from their segments, for every GUID met.
class XmpExtensionAssembly {
 public:
  void add(std::span<const std::uint8_t> app1Payload);
  // The extended packet of `guid` when its parts cover it exactly; empty otherwise.
  std::vector<std::uint8_t> packet(const std::string& guid) const;

 private:
  struct Parts {
    std::uint32_t fullLength = 0;
    std::map<std::uint32_t, std::vector<std::uint8_t>> byOffset;
    bool spoiled = false;
  };
  std::map<std::string, Parts> parts_;
};

}  // namespace lumivex
