#include "core/Fingerprints.h"

#include <algorithm>
#include <cstring>

namespace plomix {

std::string_view FingerprintModeName(FingerprintMode mode) {
  return mode == FingerprintMode::Full ? "full" : "quick";
}

std::optional<FingerprintMode> FingerprintModeFromName(std::string_view name) {
  if (name == "quick") return FingerprintMode::Quick;
  if (name == "full") return FingerprintMode::Full;
  return std::nullopt;
}

std::string DigestHex(const Digest128& digest) {
  static const char* const kDigits = "0123456789abcdef";
  std::string out;
  out.reserve(32);
  for (const uint8_t b : digest) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
  }
  return out;
}

bool FingerprintSet::Add(int32_t record, const Fingerprint& fingerprint) {
  if (record < 1 || (!records_.empty() && record <= records_.back())) return false;
  if (fingerprint.mode != FingerprintMode::Quick && fingerprint.mode != FingerprintMode::Full)
    return false;
  records_.push_back(record);
  prints_.push_back(fingerprint);
  return true;
}

const Fingerprint* FingerprintSet::Find(int32_t record) const {
  const auto it = std::lower_bound(records_.begin(), records_.end(), record);
  if (it == records_.end() || *it != record) return nullptr;
  return &prints_[static_cast<std::size_t>(it - records_.begin())];
}

namespace fingerprint_file {
namespace {

constexpr uint32_t kSegmentMagic = 0x47455346;  // "FSEG"

void Put32(uint8_t* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put64(uint8_t* out, uint64_t v) {
  for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t Get32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
uint64_t Get64(const uint8_t* p) {
  return uint64_t{Get32(p)} | uint64_t{Get32(p + 4)} << 32;
}

// The head's identity and the segment's whole size.
std::optional<std::pair<ExactMediaIdentity, int64_t>> ReadHead(const uint8_t* data,
                                                               std::size_t size) {
  if (size < kSegmentHeadSize || Get32(data) != kSegmentMagic) return std::nullopt;
  ExactMediaIdentity id;
  id.slot = static_cast<int32_t>(Get32(data + 4));
  id.firstRecord = static_cast<int64_t>(Get64(data + 8));
  id.count = static_cast<int32_t>(Get32(data + 16));
  id.readDate = static_cast<int32_t>(Get32(data + 20));
  const uint32_t entries = Get32(data + 24);
  const uint32_t payload = Get32(data + 28);
  if (id.slot < 0 || id.firstRecord < 0 || id.count < 1 ||
      uint64_t{entries} * kEntrySize != payload)
    return std::nullopt;
  return std::make_pair(id, static_cast<int64_t>(kSegmentHeadSize) + payload);
}

FingerprintSetPtr SoundSegment(const uint8_t* seg, std::size_t size) {
  uint32_t crc = exact_file::Crc32(seg, 32);
  crc = exact_file::Crc32(seg + kSegmentHeadSize, size - kSegmentHeadSize, crc);
  if (crc != Get32(seg + 32)) return nullptr;
  auto set = std::make_shared<FingerprintSet>();
  const uint32_t entries = Get32(seg + 24);
  const auto count = static_cast<int32_t>(Get32(seg + 16));
  for (uint32_t i = 0; i < entries; ++i) {
    const uint8_t* e = seg + kSegmentHeadSize + std::size_t{i} * kEntrySize;
    const auto record = static_cast<int32_t>(Get32(e));
    Fingerprint f;
    f.mode = static_cast<FingerprintMode>(e[4]);
    std::memcpy(f.digest.data(), e + 5, 16);
    if (record >= count || !set->Add(record, f)) return nullptr;
  }
  return set;
}

std::size_t NextSoundSegment(const uint8_t* data, std::size_t size, std::size_t from) {
  for (std::size_t p = from; p + kSegmentHeadSize <= size; ++p) {
    if (Get32(data + p) != kSegmentMagic) continue;
    const auto head = ReadHead(data + p, size - p);
    if (head && static_cast<uint64_t>(head->second) <= size - p &&
        SoundSegment(data + p, static_cast<std::size_t>(head->second)))
      return p;
  }
  return size;
}

}  // namespace

std::string_view Signature() {
  return std::string_view("PXFPR01\n", kHeaderSize);
}

std::vector<uint8_t> EncodeSegment(const ExactMediaIdentity& identity, const FingerprintSet& set) {
  std::vector<uint8_t> out(kSegmentHeadSize + set.Count() * kEntrySize);
  for (std::size_t i = 0; i < set.Count(); ++i) {
    uint8_t* e = out.data() + kSegmentHeadSize + i * kEntrySize;
    Put32(e, static_cast<uint32_t>(set.RecordAt(i)));
    e[4] = static_cast<uint8_t>(set.At(i).mode);
    std::memcpy(e + 5, set.At(i).digest.data(), 16);
  }
  uint8_t* h = out.data();
  Put32(h, kSegmentMagic);
  Put32(h + 4, static_cast<uint32_t>(identity.slot));
  Put64(h + 8, static_cast<uint64_t>(identity.firstRecord));
  Put32(h + 16, static_cast<uint32_t>(identity.count));
  Put32(h + 20, static_cast<uint32_t>(identity.readDate));
  Put32(h + 24, static_cast<uint32_t>(set.Count()));
  Put32(h + 28, static_cast<uint32_t>(set.Count() * kEntrySize));
  uint32_t crc = exact_file::Crc32(h, 32);
  crc = exact_file::Crc32(h + kSegmentHeadSize, out.size() - kSegmentHeadSize, crc);
  Put32(h + 32, crc);
  return out;
}

// A torn last segment with nothing sound behind it is what a crash leaves;
// anything else is damage, and the sound segments behind it are recovered.
Contents Parse(const uint8_t* data, std::size_t size) {
  Contents contents;
  if (size < kHeaderSize || std::memcmp(data, Signature().data(), kHeaderSize) != 0) {
    contents.garbage = size > 0;
    return contents;
  }
  std::size_t pos = kHeaderSize;
  contents.appendAt = static_cast<int64_t>(pos);
  while (pos < size) {
    const auto head = ReadHead(data + pos, size - pos);
    const bool whole = head && static_cast<uint64_t>(head->second) <= size - pos;
    FingerprintSetPtr prints =
        whole ? SoundSegment(data + pos, static_cast<std::size_t>(head->second)) : nullptr;
    if (prints) {
      const auto segmentSize = static_cast<std::size_t>(head->second);
      contents.segments.push_back(Segment{head->first, std::move(prints), static_cast<int64_t>(pos),
                                          static_cast<int64_t>(segmentSize)});
      pos += segmentSize;
      contents.appendAt = static_cast<int64_t>(pos);
      continue;
    }
    if (head) contents.unsound.push_back(head->first);
    const std::size_t next = NextSoundSegment(data, size, pos + 1);
    if (next == size) {
      if (head ? whole && static_cast<uint64_t>(head->second) < size - pos
               : size - pos >= kSegmentHeadSize)
        contents.garbage = true;
      break;
    }
    contents.garbage = true;
    pos = next;
  }
  return contents;
}

}  // namespace fingerprint_file

}  // namespace plomix
