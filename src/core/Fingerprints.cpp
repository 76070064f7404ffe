#include "core/Fingerprints.h"

#include <algorithm>
#include <cstring>

#include "core/MediaSegment.h"

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

using le::Get32;

// The head's identity and the segment's whole size.
std::optional<std::pair<ExactMediaIdentity, int64_t>> ReadHead(const uint8_t* data,
                                                               std::size_t size) {
  const auto head = media_segment::ReadHead(data, size, kSegmentMagic);
  if (!head || uint64_t{head->entries} * kEntrySize != head->payload) return std::nullopt;
  return std::make_pair(head->identity, head->Size());
}

FingerprintSetPtr SoundSegment(const uint8_t* seg, std::size_t size) {
  if (!media_segment::ChecksumHolds(seg, size)) return nullptr;
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
    le::Put32(e, static_cast<uint32_t>(set.RecordAt(i)));
    e[4] = static_cast<uint8_t>(set.At(i).mode);
    std::memcpy(e + 5, set.At(i).digest.data(), 16);
  }
  media_segment::Seal(out, kSegmentMagic, identity, static_cast<uint32_t>(set.Count()));
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
