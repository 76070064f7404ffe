#include "core/ExactNames.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

#include "core/MediaSegment.h"

namespace plomix {

// ---------------------------------------------------------------- ExactNameSet

bool ExactNameSet::Add(int32_t record, std::string_view native) {
  if (record < 1 || (!records_.empty() && record <= records_.back())) return false;
  if (native.empty() || native.size() > exact_file::kMaxNameBytes) return false;
  records_.push_back(record);
  bytes_.append(native);
  ends_.push_back(static_cast<uint32_t>(bytes_.size()));
  return true;
}

std::string_view ExactNameSet::NameAt(std::size_t i) const {
  const uint32_t begin = i == 0 ? 0 : ends_[i - 1];
  return std::string_view(bytes_).substr(begin, ends_[i] - begin);
}

std::string_view ExactNameSet::Find(int32_t record) const {
  const auto it = std::lower_bound(records_.begin(), records_.end(), record);
  if (it == records_.end() || *it != record) return {};
  return NameAt(static_cast<std::size_t>(it - records_.begin()));
}

// ---------------------------------------------------------------- the file

namespace exact_file {
namespace {

constexpr uint32_t kSegmentMagic = 0x47455358;  // "XSEG"
constexpr uint32_t kTextMagic = 0x54585458;     // "XTXT"

// Eight tables: eight bytes per step (the file of a million names is read
// and written whole).
std::array<std::array<uint32_t, 256>, 8> CrcTables() {
  std::array<std::array<uint32_t, 256>, 8> tables{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    tables[0][i] = c;
  }
  for (uint32_t i = 0; i < 256; ++i)
    for (std::size_t t = 1; t < 8; ++t)
      tables[t][i] = (tables[t - 1][i] >> 8) ^ tables[0][tables[t - 1][i] & 0xFF];
  return tables;
}

using le::Get32;

void PutVarint(std::vector<uint8_t>& out, uint64_t v) {
  while (v >= 0x80) {
    out.push_back(static_cast<uint8_t>(v | 0x80));
    v >>= 7;
  }
  out.push_back(static_cast<uint8_t>(v));
}

bool GetVarint(const uint8_t*& p, const uint8_t* end, uint64_t& v) {
  v = 0;
  for (int shift = 0; shift < 64 && p < end; shift += 7) {
    const uint8_t b = *p++;
    v |= uint64_t{b & 0x7Fu} << shift;
    if (!(b & 0x80)) return true;
  }
  return false;
}

// Entries: per name one number holding its length and whether its record
// follows the previous one directly (record 0, the media itself, is never
// one: the first entry "follows" it) (the usual case: the names a code page
// misses come in runs, a folder of them at a time), then the record gap when
// it does not, then the bytes.
ExactNameSetPtr DecodeEntries(const uint8_t* p, const uint8_t* end, uint32_t count) {
  auto names = std::make_shared<ExactNameSet>();
  int64_t previous = 0;
  for (uint32_t i = 0; i < count; ++i) {
    uint64_t head = 0, gap = 0;
    if (!GetVarint(p, end, head)) return nullptr;
    if ((head & 1) && !GetVarint(p, end, gap)) return nullptr;
    const uint64_t length = head >> 1;
    const int64_t record = previous + 1 + static_cast<int64_t>(gap);
    if (length == 0 || length > kMaxNameBytes || record > INT32_MAX ||
        static_cast<uint64_t>(end - p) < length)
      return nullptr;
    if (!names->Add(static_cast<int32_t>(record),
                    std::string_view(reinterpret_cast<const char*>(p), length)))
      return nullptr;
    p += length;
    previous = record;
  }
  return p == end ? names : nullptr;
}

}  // namespace

std::string_view Signature() {
  return std::string_view("PXEXN01\n", kHeaderSize);
}

uint32_t Crc32(const uint8_t* data, std::size_t size, uint32_t crc) {
  static const auto t = CrcTables();
  crc = ~crc;
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    const uint32_t lo = crc ^ (uint32_t{data[i]} | uint32_t{data[i + 1]} << 8 |
                               uint32_t{data[i + 2]} << 16 | uint32_t{data[i + 3]} << 24);
    crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
          t[3][data[i + 4]] ^ t[2][data[i + 5]] ^ t[1][data[i + 6]] ^ t[0][data[i + 7]];
  }
  for (; i < size; ++i) crc = t[0][(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

std::vector<uint8_t> EncodeSegment(const ExactMediaIdentity& identity, const ExactNameSet& names) {
  std::vector<uint8_t> out(kSegmentHeadSize);
  out.reserve(kSegmentHeadSize + names.NameBytes() + names.Count() + 16);
  int64_t previous = 0;
  for (std::size_t i = 0; i < names.Count(); ++i) {
    const int32_t record = names.RecordAt(i);
    const std::string_view name = names.NameAt(i);
    const auto gap = static_cast<uint64_t>(record - previous - 1);
    PutVarint(out, (uint64_t{name.size()} << 1) | (gap != 0 ? 1 : 0));
    if (gap != 0) PutVarint(out, gap);
    out.insert(out.end(), name.begin(), name.end());
    previous = record;
  }
  media_segment::Seal(out, kSegmentMagic, identity, static_cast<uint32_t>(names.Count()));
  return out;
}

std::vector<uint8_t> EncodeText(const ExactText& text) {
  std::vector<uint8_t> out(kTextHeadSize + text.text.size());
  if (!text.text.empty())
    std::memcpy(out.data() + kTextHeadSize, text.text.data(), text.text.size());
  const ExactMediaIdentity media = text.IsSlotField() ? text.media : ExactMediaIdentity{};
  uint8_t* h = out.data();
  le::Put32(h, kTextMagic);
  le::Put32(h + 4, static_cast<uint32_t>(text.field));
  le::Put32(h + 8, static_cast<uint32_t>(text.target));
  le::Put64(h + 12, static_cast<uint64_t>(text.IsSlotField() ? media.firstRecord : 0));
  le::Put32(h + 20, static_cast<uint32_t>(text.IsSlotField() ? media.count : 0));
  le::Put32(h + 24, static_cast<uint32_t>(text.IsSlotField() ? media.readDate : 0));
  le::Put32(h + 28, text.cp932Crc);
  le::Put32(h + 32, static_cast<uint32_t>(text.text.size()));
  uint32_t crc = Crc32(h, 36);
  crc = Crc32(h + kTextHeadSize, out.size() - kTextHeadSize, crc);
  le::Put32(h + 36, crc);
  return out;
}

std::optional<std::pair<ExactMediaIdentity, int64_t>> ReadSegmentHead(const uint8_t* data,
                                                                      std::size_t size) {
  const auto head = media_segment::ReadHead(data, size, kSegmentMagic);
  // Every entry takes at least two bytes.
  if (!head || uint64_t{head->entries} * 2 > head->payload) return std::nullopt;
  return std::make_pair(head->identity, head->Size());
}

namespace {

bool KnownField(uint32_t field) {
  return (field >= 1 && field <= 4) || field == static_cast<uint32_t>(ExactField::Comment);
}

// The head of a text segment (text left empty) and its total size.
std::optional<std::pair<ExactText, int64_t>> ReadTextHead(const uint8_t* data, std::size_t size) {
  if (size < kTextHeadSize || Get32(data) != kTextMagic || !KnownField(Get32(data + 4)))
    return std::nullopt;
  ExactText text;
  text.field = static_cast<ExactField>(Get32(data + 4));
  text.target = static_cast<int32_t>(Get32(data + 8));
  if (text.IsSlotField()) {
    text.media.slot = text.target;
    text.media.firstRecord = static_cast<int64_t>(le::Get64(data + 12));
    text.media.count = static_cast<int32_t>(Get32(data + 20));
    text.media.readDate = static_cast<int32_t>(Get32(data + 24));
  }
  text.cp932Crc = Get32(data + 28);
  const uint32_t length = Get32(data + 32);
  if (text.target < 0 || length > kMaxTextBytes) return std::nullopt;
  return std::make_pair(std::move(text), static_cast<int64_t>(kTextHeadSize) + length);
}

// The text segment at `seg` (`segmentSize` bytes) when its checksum holds.
std::optional<ExactText> SoundText(const uint8_t* seg, std::size_t segmentSize) {
  auto head = ReadTextHead(seg, segmentSize);
  if (!head || static_cast<uint64_t>(head->second) != segmentSize) return std::nullopt;
  uint32_t crc = Crc32(seg, 36);
  crc = Crc32(seg + kTextHeadSize, segmentSize - kTextHeadSize, crc);
  if (crc != Get32(seg + 36)) return std::nullopt;
  head->first.text.assign(reinterpret_cast<const char*>(seg + kTextHeadSize),
                          segmentSize - kTextHeadSize);
  return std::move(head->first);
}

// The names of a whole segment at `seg` when its checksum holds.
ExactNameSetPtr SoundSegment(const uint8_t* seg, std::size_t segmentSize) {
  if (!media_segment::ChecksumHolds(seg, segmentSize)) return nullptr;
  return DecodeEntries(seg + kSegmentHeadSize, seg + segmentSize, Get32(seg + 24));
}

// The start of the next sound segment after `from`, `size` when none: after
// damage in the middle of the file the segments behind it are found again by
// their head and checksum.
std::size_t NextSoundSegment(const uint8_t* data, std::size_t size, std::size_t from) {
  for (std::size_t p = from; p + kSegmentHeadSize <= size; ++p) {
    if (Get32(data + p) == kTextMagic) {
      const auto head = ReadTextHead(data + p, size - p);
      if (head && static_cast<uint64_t>(head->second) <= size - p &&
          SoundText(data + p, static_cast<std::size_t>(head->second)))
        return p;
      continue;
    }
    if (Get32(data + p) != kSegmentMagic) continue;
    const auto head = ReadSegmentHead(data + p, size - p);
    if (head && static_cast<uint64_t>(head->second) <= size - p &&
        SoundSegment(data + p, static_cast<std::size_t>(head->second)))
      return p;
  }
  return size;
}

}  // namespace

Contents Parse(const uint8_t* data, std::size_t size) {
  Contents contents;
  if (size < kHeaderSize || std::memcmp(data, Signature().data(), kHeaderSize) != 0) {
    contents.garbage = size > 0;
    return contents;
  }
  std::size_t pos = kHeaderSize;
  contents.appendAt = static_cast<int64_t>(pos);
  while (pos < size) {
    if (size - pos >= 4 && Get32(data + pos) == kTextMagic) {
      const auto head = ReadTextHead(data + pos, size - pos);
      const bool whole = head && static_cast<uint64_t>(head->second) <= size - pos;
      std::optional<ExactText> text =
          whole ? SoundText(data + pos, static_cast<std::size_t>(head->second)) : std::nullopt;
      if (text) {
        const auto segmentSize = static_cast<std::size_t>(head->second);
        contents.texts.push_back(TextSegment{std::move(*text), static_cast<int64_t>(pos),
                                             static_cast<int64_t>(segmentSize)});
        pos += segmentSize;
        contents.appendAt = static_cast<int64_t>(pos);
        continue;
      }
      // As for the names' segments below: a torn last one is what a crash
      // leaves; the catalogue tells whether it was the text a field holds.
      const std::size_t next = NextSoundSegment(data, size, pos + 1);
      if (head) contents.unsoundTexts.push_back(head->first);
      if (next == size) {
        if (head ? whole && static_cast<uint64_t>(head->second) < size - pos
                 : size - pos >= kTextHeadSize)
          contents.garbage = true;
        break;
      }
      contents.garbage = true;
      pos = next;
      continue;
    }
    const auto head = ReadSegmentHead(data + pos, size - pos);
    const bool whole = head && static_cast<uint64_t>(head->second) <= size - pos;
    ExactNameSetPtr names =
        whole ? SoundSegment(data + pos, static_cast<std::size_t>(head->second)) : nullptr;
    if (names) {
      const auto segmentSize = static_cast<std::size_t>(head->second);
      contents.segments.push_back(Segment{head->first, std::move(names), static_cast<int64_t>(pos),
                                          static_cast<int64_t>(segmentSize)});
      pos += segmentSize;
      contents.appendAt = static_cast<int64_t>(pos);
      continue;
    }
    // What a crash leaves is a torn last segment (or less than a head) with
    // nothing sound behind it; the catalogue tells from its identity whether
    // it cost a stored media its names. Anything else is damage, and the
    // segments behind it are recovered.
    const std::size_t next = NextSoundSegment(data, size, pos + 1);
    if (next == size) {
      if (head) contents.unsound.push_back(head->first);
      if (head ? whole && static_cast<uint64_t>(head->second) < size - pos
               : size - pos >= kSegmentHeadSize)
        contents.garbage = true;
      break;
    }
    contents.garbage = true;
    if (head) contents.unsound.push_back(head->first);
    pos = next;
  }
  return contents;
}

}  // namespace exact_file

}  // namespace plomix
