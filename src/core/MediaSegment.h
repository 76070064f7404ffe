#pragma once
// The framing the side files beside a catalogue share (NAME.exn, NAME.fpr;
// see docs/file-formats.md): little-endian fields at explicit offsets, and a
// media's segment opened by a 36-byte head that names the media it belongs
// to and carries a CRC-32 of the head and the payload behind it.
//
//   0 magic   4 slot   8 first record (8 bytes)   16 record count
//   20 read date   24 entry count   28 payload size   32 CRC-32

#include <cstdint>
#include <optional>
#include <vector>

#include "core/ExactNames.h"
#include "core/LittleEndian.h"

namespace plomix {

namespace media_segment {

inline constexpr std::size_t kHeadSize = 36;

struct Head {
  ExactMediaIdentity identity;
  uint32_t entries = 0;
  uint32_t payload = 0;
  // The whole segment's size, head included.
  int64_t Size() const { return static_cast<int64_t>(kHeadSize) + payload; }
};

// The head at `data` (`size` bytes left in the file) when it opens a segment
// of `magic` for a media that can exist; whether its payload is all there
// and sound is for the caller to ask (ChecksumHolds).
std::optional<Head> ReadHead(const uint8_t* data, std::size_t size, uint32_t magic);

// Whether the CRC-32 in the head of the whole segment at `segment` (its
// Size() bytes) matches its head and payload.
bool ChecksumHolds(const uint8_t* segment, std::size_t size);

// Fills in the head of `segment`, whose first kHeadSize bytes were left for
// it and whose payload follows, and its checksum.
void Seal(std::vector<uint8_t>& segment, uint32_t magic, const ExactMediaIdentity& identity,
          uint32_t entries);

}  // namespace media_segment

}  // namespace plomix
