#pragma once
// Parts the two name analyses share: chunked storage, the lower-casing table,
// the key hash and the collation order of keys.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/NameAnalysis.h"
#include "core/Catalog.h"
#include "core/Records.h"
#include "core/Text.h"

namespace plomix::analysis_detail {

constexpr uint32_t kNone = UINT32_MAX;

// Storage that grows a chunk at a time: a million-entry table never has to be
// copied into a twice-as-large one, which would double the peak memory.
template <typename T>
class ChunkedVector {
 public:
  static constexpr std::size_t kChunkBits = 16;
  static constexpr std::size_t kChunk = std::size_t{1} << kChunkBits;

  std::size_t size() const { return size_; }
  T& operator[](std::size_t i) { return chunks_[i >> kChunkBits][i & (kChunk - 1)]; }
  const T& operator[](std::size_t i) const { return chunks_[i >> kChunkBits][i & (kChunk - 1)]; }
  void push_back(const T& value) {
    if ((size_ & (kChunk - 1)) == 0 && (size_ >> kChunkBits) == chunks_.size())
      chunks_.push_back(std::make_unique_for_overwrite<T[]>(kChunk));
    (*this)[size_++] = value;
  }
  void clear() {
    chunks_.clear();
    chunks_.shrink_to_fit();
    size_ = 0;
  }

 private:
  std::vector<std::unique_ptr<T[]>> chunks_;
  std::size_t size_ = 0;
};

// Names and words, each stored once as a two-byte length and its bytes, and
// named by a 32-bit offset (chunk number and position).
class NameArena {
 public:
  static constexpr uint32_t kChunkBits = 20;
  static constexpr uint32_t kChunk = 1u << kChunkBits;
  static constexpr std::size_t kMaxChunks = std::size_t{1} << (32 - kChunkBits);

  uint32_t Add(std::string_view text) {
    const std::size_t length = std::min<std::size_t>(text.size(), 0xFFFF);
    if (chunks_.empty() || used_ + 2 + length > kChunk) {
      if (chunks_.size() == kMaxChunks)
        throw std::length_error("too many names for one analysis (4 GiB of names)");
      chunks_.push_back(std::make_unique_for_overwrite<char[]>(kChunk));
      used_ = 0;
    }
    char* p = chunks_.back().get() + used_;
    p[0] = static_cast<char>(length & 0xFF);
    p[1] = static_cast<char>(length >> 8);
    std::memcpy(p + 2, text.data(), length);
    const auto offset = static_cast<uint32_t>(((chunks_.size() - 1) << kChunkBits) | used_);
    used_ += static_cast<uint32_t>(2 + length);
    return offset;
  }
  std::string_view Get(uint32_t offset) const {
    const char* p = chunks_[offset >> kChunkBits].get() + (offset & (kChunk - 1));
    const std::size_t length = static_cast<uint8_t>(p[0]) | (static_cast<uint8_t>(p[1]) << 8);
    return {p + 2, length};
  }
  void clear() {
    chunks_.clear();
    chunks_.shrink_to_fit();
    used_ = 0;
  }

 private:
  std::vector<std::unique_ptr<char[]>> chunks_;
  uint32_t used_ = 0;
};

// AnsiLower as a table, so that a million keys are lower-cased in place
// without an allocation each. Built from AnsiLower itself, so both agree.
class LowerTable {
 public:
  static const LowerTable& Get() {
    static const LowerTable table;
    return table;
  }
  void LowerInto(std::string_view text, std::string& out) const {
    out.assign(text);
    const std::size_t size = out.size();
    for (std::size_t i = 0; i < size;) {
      const auto byte = static_cast<uint8_t>(out[i]);
      if (byte >= 0x80 && text::IsLeadByte(byte) && i + 1 < size) {
        const uint16_t mapped =
            pairs_[static_cast<std::size_t>(byte) * 256 + static_cast<uint8_t>(out[i + 1])];
        out[i] = static_cast<char>(mapped >> 8);
        out[i + 1] = static_cast<char>(mapped & 0xFF);
        i += 2;
      } else {
        out[i] = static_cast<char>(single_[byte]);
        ++i;
      }
    }
  }

 private:
  LowerTable() : pairs_(256 * 256) {
    for (int c = 0; c < 256; ++c) {
      const std::string one(1, static_cast<char>(c));
      single_[c] = static_cast<uint8_t>(text::AnsiLower(one)[0]);
      if (!text::IsLeadByte(static_cast<uint8_t>(c))) continue;
      for (int t = 0; t < 256; ++t) {
        const char two[2] = {static_cast<char>(c), static_cast<char>(t)};
        const std::string lower = text::AnsiLower(std::string_view(two, 2));
        pairs_[static_cast<std::size_t>(c) * 256 + t] = static_cast<uint16_t>(
            static_cast<uint8_t>(lower[0]) << 8 | static_cast<uint8_t>(lower[1]));
      }
    }
  }
  std::array<uint8_t, 256> single_{};
  std::vector<uint16_t> pairs_;
};

// The lower-cased form of a key: CP932 keys through the table, exact keys
// (a zero byte, then the shown form) case-folded.
inline void LowerKeyInto(std::string_view key, std::string& out) {
  if (!key.empty() && key[0] == '\0') {
    out.assign(1, '\0');
    out += text::FoldShownName(key.substr(1));
    return;
  }
  LowerTable::Get().LowerInto(key, out);
}

// What a result file holds for a key: exact keys in their CP932 form.
inline std::string_view KeyAsCp932(std::string_view key, std::string& scratch) {
  if (key.empty() || key[0] != '\0') return key;
  bool exact = true;
  scratch = text::NativeNameToCp932(text::ShownNameToNative(key.substr(1)), exact);
  return scratch;
}

inline uint64_t HashBytes(std::string_view bytes) {
  uint64_t h = 0x243F6A8885A308D3ull ^ bytes.size();
  std::size_t i = 0;
  for (; i + 8 <= bytes.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, bytes.data() + i, 8);
    h = (h ^ word) * 0x9E3779B97F4A7C15ull;
    h ^= h >> 29;
  }
  uint64_t tail = 0;
  for (std::size_t shift = 0; i < bytes.size(); ++i, shift += 8)
    tail |= uint64_t{static_cast<uint8_t>(bytes[i])} << shift;
  h = (h ^ tail) * 0x9E3779B97F4A7C15ull;
  h ^= h >> 32;
  return h;
}

inline std::string_view StoredName(const TFileRec& rec) {
  const std::size_t length = rec.NameLength();
  return {reinterpret_cast<const char*>(rec.Data() + TFileRec::kName + 1), length};
}

// Orders items by the collation of their lower-cased texts, the lower-cased
// bytes breaking ties: the order CompareAnsiText gives.
void SortTextsByCollation(std::vector<uint32_t>& items,
                          const std::function<std::string_view(uint32_t)>& textOf);

// Every file of a live media in record order, with its exact name ("" when
// CP932 holds the name). False when the media's records cannot be read.
template <typename Visit>
bool VisitFiles(Catalog& catalog, int slot, Visit visit) {
  const ExactNameSetPtr exactNames = catalog.ExactNamesOf(slot);
  std::size_t exactAt = 0;
  return catalog.VisitMediaRecords(slot, [&](int32_t index, const TFileRec& rec) {
    if (index == 0 || (rec.Attr() & kAttrDirectory) != 0) return;
    std::string_view exact;
    if (exactNames) {
      while (exactAt < exactNames->Count() && exactNames->RecordAt(exactAt) < index) ++exactAt;
      if (exactAt < exactNames->Count() && exactNames->RecordAt(exactAt) == index)
        exact = exactNames->NameAt(exactAt);
    }
    visit(index, rec, exact);
  });
}

}  // namespace plomix::analysis_detail

namespace plomix {

// What duplicate mode keeps between its passes (DuplicateNames.cpp).
struct NameAnalysis::DuplicateState {
  // A key counted twice or more in the first pass.
  struct Key {
    uint64_t packed;  // a lower-cased key of up to 7 bytes itself, else 0
    uint32_t hash;
    uint32_t lower;     // a longer key's lower-cased bytes in the arena
    uint32_t spelling;  // the first file's name (an exact key: its key)
    uint32_t group;     // kNone until met a second time
    int32_t key;        // the first file's result key, date and size
    int32_t date;
    uint32_t size;
    uint32_t count;
  };

  // Counters of two bits, saturating at 2, indexed by the high bits of the
  // key hash.
  std::vector<uint64_t> counters;
  int counterShift = 64;
  // Per slot: whether its records took part in the count and in the
  // grouping (only those take part in the placing).
  std::vector<uint8_t> slots;

  analysis_detail::NameArena arena;
  analysis_detail::ChunkedVector<Key> keys;
  std::vector<uint32_t> table;       // key index + 1; 0 is empty
  std::vector<uint32_t> groupKeys;   // group -> key
  std::vector<uint32_t> order;       // after Sort: groups in key order
  std::vector<uint32_t> groupStart;  // after Sort: position of each group's first entry
};

}  // namespace plomix
