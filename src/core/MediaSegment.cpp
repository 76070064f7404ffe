#include "core/MediaSegment.h"

namespace plomix::media_segment {

namespace {

constexpr std::size_t kChecksumAt = 32;

}  // namespace

std::optional<Head> ReadHead(const uint8_t* data, std::size_t size, uint32_t magic) {
  if (size < kHeadSize || le::Get32(data) != magic) return std::nullopt;
  Head head;
  head.identity.slot = static_cast<int32_t>(le::Get32(data + 4));
  head.identity.firstRecord = static_cast<int64_t>(le::Get64(data + 8));
  head.identity.count = static_cast<int32_t>(le::Get32(data + 16));
  head.identity.readDate = static_cast<int32_t>(le::Get32(data + 20));
  head.entries = le::Get32(data + 24);
  head.payload = le::Get32(data + 28);
  if (head.identity.slot < 0 || head.identity.firstRecord < 0 || head.identity.count < 1)
    return std::nullopt;
  return head;
}

bool ChecksumHolds(const uint8_t* segment, std::size_t size) {
  if (size < kHeadSize) return false;
  uint32_t crc = exact_file::Crc32(segment, kChecksumAt);
  crc = exact_file::Crc32(segment + kHeadSize, size - kHeadSize, crc);
  return crc == le::Get32(segment + kChecksumAt);
}

void Seal(std::vector<uint8_t>& segment, uint32_t magic, const ExactMediaIdentity& identity,
          uint32_t entries) {
  uint8_t* h = segment.data();
  le::Put32(h, magic);
  le::Put32(h + 4, static_cast<uint32_t>(identity.slot));
  le::Put64(h + 8, static_cast<uint64_t>(identity.firstRecord));
  le::Put32(h + 16, static_cast<uint32_t>(identity.count));
  le::Put32(h + 20, static_cast<uint32_t>(identity.readDate));
  le::Put32(h + 24, entries);
  le::Put32(h + 28, static_cast<uint32_t>(segment.size() - kHeadSize));
  uint32_t crc = exact_file::Crc32(h, kChecksumAt);
  crc = exact_file::Crc32(h + kHeadSize, segment.size() - kHeadSize, crc);
  le::Put32(h + kChecksumAt, crc);
}

}  // namespace plomix::media_segment
