#pragma once
// Fixed-size byte images of the on-disk records, with typed little-endian
// accessors at explicit offsets. Records are never reinterpreted as structs:
// the layouts are a compatibility contract and every field is read and written
// at its documented offset.

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

namespace plomix {

template <std::size_t N>
class ByteImage {
 public:
  static constexpr std::size_t kSize = N;

  std::array<uint8_t, N>& Bytes() { return bytes_; }
  const std::array<uint8_t, N>& Bytes() const { return bytes_; }
  uint8_t* Data() { return bytes_.data(); }
  const uint8_t* Data() const { return bytes_.data(); }

  uint8_t U8(std::size_t off) const { return bytes_[Check(off, 1)]; }
  void SetU8(std::size_t off, uint8_t v) { bytes_[Check(off, 1)] = v; }

  int16_t I16(std::size_t off) const { return static_cast<int16_t>(Load<uint16_t>(off)); }
  void SetI16(std::size_t off, int16_t v) { Store<uint16_t>(off, static_cast<uint16_t>(v)); }

  int32_t I32(std::size_t off) const { return static_cast<int32_t>(Load<uint32_t>(off)); }
  void SetI32(std::size_t off, int32_t v) { Store<uint32_t>(off, static_cast<uint32_t>(v)); }

  double F64(std::size_t off) const { return std::bit_cast<double>(Load<uint64_t>(off)); }
  void SetF64(std::size_t off, double v) { Store<uint64_t>(off, std::bit_cast<uint64_t>(v)); }

  // A counted string of capacity `cap` (one length byte, then `cap` bytes).
  // A length byte above the capacity is read as the capacity.
  std::string ShortString(std::size_t off, std::size_t cap) const {
    Check(off, cap + 1);
    std::size_t len = std::min<std::size_t>(bytes_[off], cap);
    return std::string(reinterpret_cast<const char*>(&bytes_[off + 1]), len);
  }
  std::size_t ShortLength(std::size_t off, std::size_t cap) const {
    return std::min<std::size_t>(bytes_[Check(off, cap + 1)], cap);
  }
  // Stores the text cut to `cap` bytes; bytes after the text are left as
  // they were (they are not significant).
  void SetShortString(std::size_t off, std::size_t cap, std::string_view text) {
    Check(off, cap + 1);
    std::size_t len = std::min(text.size(), cap);
    bytes_[off] = static_cast<uint8_t>(len);
    if (len) std::memcpy(&bytes_[off + 1], text.data(), len);
  }

  // A zero-terminated text in a field of `width` bytes (at most width-1 bytes
  // of text; a field without terminator is read to its end).
  std::string ZString(std::size_t off, std::size_t width) const {
    Check(off, width);
    const char* p = reinterpret_cast<const char*>(&bytes_[off]);
    const void* zero = std::memchr(p, 0, width);
    std::size_t len = zero ? static_cast<const char*>(zero) - p : width;
    return std::string(p, len);
  }
  void SetZString(std::size_t off, std::size_t width, std::string_view text) {
    Check(off, width);
    std::size_t len = std::min(text.size(), width - 1);
    std::memset(&bytes_[off], 0, width);
    if (len) std::memcpy(&bytes_[off], text.data(), len);
  }

  void CopyFrom(std::size_t off, const uint8_t* src, std::size_t len) {
    std::memcpy(&bytes_[Check(off, len)], src, len);
  }

  bool operator==(const ByteImage&) const = default;

 private:
  static std::size_t Check(std::size_t off, std::size_t len) {
    if (off > N || len > N - off) throw std::out_of_range("field outside its record image");
    return off;
  }
  template <typename T>
  T Load(std::size_t off) const {
    const uint8_t* p = &bytes_[Check(off, sizeof(T))];
    T v = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) v |= static_cast<T>(p[i]) << (8 * i);
    return v;
  }
  template <typename T>
  void Store(std::size_t off, T v) {
    uint8_t* p = &bytes_[Check(off, sizeof(T))];
    for (std::size_t i = 0; i < sizeof(T); ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
  }

  std::array<uint8_t, N> bytes_{};
};

}  // namespace plomix
