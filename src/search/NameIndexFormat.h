#pragma once
// The layout of NAME.idx (docs/file-formats.md), shared by its writer and
// its reader.

#include <xxhash.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/BinaryFile.h"
#include "core/LittleEndian.h"

namespace plomix::name_index {

inline constexpr char kMagic[8] = {'P', 'X', 'I', 'D', 'X', '0', '1', '\n'};
inline constexpr uint32_t kVersion = 1;
inline constexpr std::size_t kPageSize = 4096;
inline constexpr std::size_t kHeaderSize = 160;
inline constexpr std::size_t kMediaEntrySize = 24;
inline constexpr std::size_t kTrigramEntrySize = 12;
inline constexpr std::size_t kPageCheckSize = 8;

// Header offsets.
inline constexpr std::size_t kStampsAt = 16;  // three stamps of 32 bytes
inline constexpr std::size_t kMediaCountAt = 112;
inline constexpr std::size_t kTrigramCountAt = 116;
inline constexpr std::size_t kPostingBytesAt = 120;
inline constexpr std::size_t kBodyBytesAt = 128;
inline constexpr std::size_t kRecordCountAt = 136;
inline constexpr std::size_t kPageChecksCheckAt = 144;
inline constexpr std::size_t kHeaderCheckAt = 152;

// The catalogue's files whose state the index was built from: the
// catalogue, its long names and its exact names.
using Stamps = std::array<io::FileStamp, 3>;

inline uint64_t Check(const void* data, std::size_t size) {
  return XXH3_64bits(data, size);
}

using le::Get32;
using le::Get64;
using le::Put32;
using le::Put64;

inline void PutStamp(uint8_t* at, const io::FileStamp& s) {
  Put64(at, static_cast<uint64_t>(s.device));
  Put64(at + 8, static_cast<uint64_t>(s.inode));
  Put64(at + 16, static_cast<uint64_t>(s.size));
  Put64(at + 24, static_cast<uint64_t>(s.changed));
}
inline io::FileStamp GetStamp(const uint8_t* at) {
  io::FileStamp s;
  s.device = static_cast<dev_t>(Get64(at));
  s.inode = static_cast<ino_t>(Get64(at + 8));
  s.size = static_cast<int64_t>(Get64(at + 16));
  s.changed = static_cast<int64_t>(Get64(at + 24));
  return s;
}

// The files a catalogue's state lies in, stamped now.
Stamps StampsOf(const std::string& catalogPath);

}  // namespace plomix::name_index
