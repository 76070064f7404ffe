#include "reading/PeVersion.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

namespace plomix {

namespace {

constexpr uint32_t kResourceTypeVersion = 16;
constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr uint32_t kMaxSections = 96;
constexpr uint32_t kMaxDirectoryEntries = 4096;
constexpr uint32_t kMaxVersionResource = 64 * 1024;

// Reads little-endian fields at absolute offsets; every read that would pass
// the end of the file fails.
class PeReader {
 public:
  explicit PeReader(int fd) : fd_(fd) {
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) size_ = static_cast<uint64_t>(st.st_size);
  }

  bool Read(uint64_t offset, void* out, std::size_t length) const {
    if (offset > size_ || length > size_ - offset) return false;
    auto* bytes = static_cast<uint8_t*>(out);
    std::size_t done = 0;
    while (done < length) {
      const ssize_t n =
          ::pread(fd_, bytes + done, length - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  }
  std::optional<uint16_t> U16(uint64_t offset) const {
    std::array<uint8_t, 2> b{};
    if (!Read(offset, b.data(), b.size())) return std::nullopt;
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
  }
  std::optional<uint32_t> U32(uint64_t offset) const {
    std::array<uint8_t, 4> b{};
    if (!Read(offset, b.data(), b.size())) return std::nullopt;
    return static_cast<uint32_t>(b[0] | (b[1] << 8) | (b[2] << 16) | (uint32_t{b[3]} << 24));
  }

 private:
  int fd_;
  uint64_t size_ = 0;
};

struct Section {
  uint32_t virtualAddress = 0;
  uint32_t virtualSize = 0;
  uint32_t rawSize = 0;
  uint32_t rawOffset = 0;
};

std::optional<uint64_t> FileOffsetOf(const std::vector<Section>& sections, uint32_t rva) {
  for (const Section& s : sections) {
    if (rva < s.virtualAddress) continue;
    const uint32_t delta = rva - s.virtualAddress;
    if (delta < s.rawSize) return uint64_t{s.rawOffset} + delta;
  }
  return std::nullopt;
}

// Offset (relative to the resource root) of the entry with `id`, or of the
// first entry when `id` is empty; the high bit tells a subdirectory.
std::optional<uint32_t> FindEntry(const PeReader& pe, uint64_t root, uint32_t directory,
                                  std::optional<uint32_t> id) {
  const auto named = pe.U16(root + directory + 12);
  const auto ids = pe.U16(root + directory + 14);
  if (!named || !ids) return std::nullopt;
  const uint32_t count = uint32_t{*named} + *ids;
  if (count == 0 || count > kMaxDirectoryEntries) return std::nullopt;
  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t entry = root + directory + 16 + uint64_t{i} * 8;
    const auto name = pe.U32(entry);
    const auto target = pe.U32(entry + 4);
    if (!name || !target) return std::nullopt;
    if (!id || (!(*name & 0x80000000u) && *name == *id)) return target;
  }
  return std::nullopt;
}

std::optional<uint32_t> SubDirectory(std::optional<uint32_t> target) {
  if (!target || !(*target & 0x80000000u)) return std::nullopt;
  return *target & 0x7FFFFFFFu;
}

std::string ParseVersion(const PeReader& pe) {
  if (pe.U16(0) != uint16_t{0x5A4D}) return {};  // "MZ"
  const auto peOffset = pe.U32(0x3C);
  if (!peOffset || pe.U32(*peOffset) != uint32_t{0x00004550}) return {};  // "PE\0\0"
  const uint64_t coff = uint64_t{*peOffset} + 4;
  const auto sectionCount = pe.U16(coff + 2);
  const auto optionalSize = pe.U16(coff + 16);
  if (!sectionCount || !optionalSize || *sectionCount > kMaxSections) return {};
  const uint64_t optional = coff + 20;
  const auto magic = pe.U16(optional);
  if (!magic || (*magic != 0x10B && *magic != 0x20B)) return {};
  const uint64_t directories = optional + (*magic == 0x10B ? 96 : 112);
  const auto directoryCount = pe.U32(directories - 4);
  if (!directoryCount || *directoryCount < 3 || directories + 3 * 8 > optional + *optionalSize)
    return {};
  const auto resourceRva = pe.U32(directories + 2 * 8);
  if (!resourceRva || *resourceRva == 0) return {};

  std::vector<Section> sections;
  const uint64_t table = optional + *optionalSize;
  for (uint32_t i = 0; i < *sectionCount; ++i) {
    const uint64_t s = table + uint64_t{i} * 40;
    const auto vsize = pe.U32(s + 8), va = pe.U32(s + 12), raw = pe.U32(s + 16),
               ptr = pe.U32(s + 20);
    if (!vsize || !va || !raw || !ptr) return {};
    sections.push_back({*va, *vsize, *raw, *ptr});
  }
  const auto root = FileOffsetOf(sections, *resourceRva);
  if (!root) return {};

  const auto types = SubDirectory(FindEntry(pe, *root, 0, kResourceTypeVersion));
  if (!types) return {};
  const auto names = SubDirectory(FindEntry(pe, *root, *types, std::nullopt));
  if (!names) return {};
  const auto leaf = FindEntry(pe, *root, *names, std::nullopt);
  if (!leaf || (*leaf & 0x80000000u)) return {};
  const auto dataRva = pe.U32(*root + *leaf);
  const auto dataSize = pe.U32(*root + *leaf + 4);
  if (!dataRva || !dataSize || *dataSize > kMaxVersionResource) return {};
  const auto data = FileOffsetOf(sections, *dataRva);
  if (!data) return {};

  // VS_VERSIONINFO: lengths, type, the key "VS_VERSION_INFO" in UTF-16 with its
  // terminator (32 bytes from offset 6), padding to 4, then the fixed record.
  constexpr char16_t kKey[] = u"VS_VERSION_INFO";
  constexpr uint32_t kFixedOffset = 40, kFixedSize = 52;
  if (*dataSize < kFixedOffset + kFixedSize) return {};
  std::vector<uint8_t> block(*dataSize);
  if (!pe.Read(*data, block.data(), block.size())) return {};
  const auto u16 = [&](std::size_t o) {
    return static_cast<uint16_t>(block[o] | (block[o + 1] << 8));
  };
  const auto u32 = [&](std::size_t o) {
    return static_cast<uint32_t>(u16(o) | (uint32_t{u16(o + 2)} << 16));
  };
  if (u16(2) < kFixedSize) return {};
  for (std::size_t i = 0; i < 16; ++i)
    if (u16(6 + 2 * i) != static_cast<uint16_t>(kKey[i])) return {};
  if (u32(kFixedOffset) != kFixedInfoSignature) return {};
  const uint32_t ms = u32(kFixedOffset + 8), ls = u32(kFixedOffset + 12);
  char text[48];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF);
  return text;
}

}  // namespace

std::string PeVersionOfFd(int fd) {
  return ParseVersion(PeReader(fd));
}

std::string GetFileVersionTextAt(int directoryFd, const char* name) {
  const int fd = ::openat(directoryFd, name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return {};
  std::string version = PeVersionOfFd(fd);
  ::close(fd);
  return version;
}

std::string GetFileVersionText(const std::string& path) {
  return GetFileVersionTextAt(AT_FDCWD, path.c_str());
}

}  // namespace plomix
