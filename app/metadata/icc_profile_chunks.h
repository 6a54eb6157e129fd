// Reassembles an ICC profile that a JPEG file carries in APP2 segments. The ICC specification
// (ICC.1, annex B.4) splits a profile into chunks of at most 65519 bytes, each in its own APP2
// segment that begins with "ICC_PROFILE\0", the chunk's sequence number (from 1) and the number of
// chunks; the chunks may come in any order. A profile with any chunk malformed, missing, repeated
// or cut short is not trusted at all: half a profile would colour the photo wrongly.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace lumivex {

// True when an APP2 payload begins with the ICC identifier (it may still be malformed).
bool IsIccChunk(std::span<const std::uint8_t> app2Payload);

class IccChunkAssembly {
 public:
  // Takes one APP2 payload that IsIccChunk accepted. `complete` is false when the file ended
  // inside the segment, which spoils the profile.
  void add(std::span<const std::uint8_t> app2Payload, bool complete);

  // The chunks' data in sequence order; empty when there were none or any was wrong.
  std::vector<std::uint8_t> profile() const;

 private:
  void spoil() { spoiled_ = true; }

  std::vector<std::vector<std::uint8_t>> chunks_;  // by sequence number - 1
  std::vector<bool> seen_;
  int count_ = 0;
  bool spoiled_ = false;
};

}  // namespace lumivex
