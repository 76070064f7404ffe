#pragma once
// Little-endian fields at explicit offsets of the project's own binary files
// (side files, the name index): never a struct laid over the bytes.

#include <cstdint>

namespace plomix {

namespace le {

inline void Put32(uint8_t* at, uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void Put64(uint8_t* at, uint64_t v) {
  for (int i = 0; i < 8; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline uint32_t Get32(const uint8_t* at) {
  return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}
inline uint64_t Get64(const uint8_t* at) {
  return uint64_t{Get32(at)} | uint64_t{Get32(at + 4)} << 32;
}

}  // namespace le

}  // namespace plomix
