#pragma once
// Content fingerprints: an XXH3-128 digest of a file's bytes, taken while a
// media is read when the reader asks for it, so that files of equal content
// are found across media without the media at hand. Two modes:
//  - quick: the file's size and its first and last 64 KiB (the whole file
//    when it is 128 KiB or smaller): cheap, and equal for files that differ
//    only in their middle;
//  - full: every byte.
// Digests of different modes are never compared.
//
// The catalogue keeps them beside itself in the fingerprint file (NAME.fpr,
// layout in docs/file-formats.md): an append-only run of segments, one per
// media read with fingerprints, bound to the media's identity as the
// exact-name file's segments are, each ending in a checksum.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/ExactNames.h"

namespace plomix {

enum class FingerprintMode : uint8_t { Quick = 1, Full = 2 };

using Digest128 = std::array<uint8_t, 16>;

struct Fingerprint {
  FingerprintMode mode = FingerprintMode::Quick;
  Digest128 digest{};
  bool operator==(const Fingerprint&) const = default;
};

// "quick" or "full".
std::string_view FingerprintModeName(FingerprintMode mode);
std::optional<FingerprintMode> FingerprintModeFromName(std::string_view name);
// The digest as 32 lower-case hexadecimal digits.
std::string DigestHex(const Digest128& digest);

// The fingerprints of one media, by record index, ascending. Built once and
// then shared read-only.
class FingerprintSet {
 public:
  // Records (1 or more) in ascending order; anything else is refused (false).
  bool Add(int32_t record, const Fingerprint& fingerprint);
  const Fingerprint* Find(int32_t record) const;
  std::size_t Count() const { return records_.size(); }
  bool Empty() const { return records_.empty(); }
  int32_t RecordAt(std::size_t i) const { return records_[i]; }
  const Fingerprint& At(std::size_t i) const { return prints_[i]; }

 private:
  std::vector<int32_t> records_;
  std::vector<Fingerprint> prints_;
};

using FingerprintSetPtr = std::shared_ptr<const FingerprintSet>;

// What a stored reading knew of a file that has a fingerprint, by the file's
// path on its media (FingerprintPathKey): enough to tell whether it changed
// since, going by size and time stamp, as the catalogue keeps them.
struct KnownFingerprint {
  double size = 0;
  int32_t fileDate = 0;
  Fingerprint print;
};
using FingerprintsByPath = std::unordered_map<std::string, KnownFingerprint>;

// A path key: the parent folder's key (empty for the media's root) and the
// entry's exact name (its native bytes where code page 932 cannot hold it,
// else its complete CP932 name), joined by '/', which no name holds.
inline std::string FingerprintPathKey(std::string_view parentKey, std::string_view name) {
  std::string key;
  key.reserve(parentKey.size() + name.size() + 1);
  key.append(parentKey);
  key += '/';
  key.append(name);
  return key;
}

namespace fingerprint_file {

inline constexpr std::size_t kHeaderSize = 8;
std::string_view Signature();
inline constexpr std::size_t kSegmentHeadSize = 36;
// Each entry: record (4 bytes), mode (1), digest (16).
inline constexpr std::size_t kEntrySize = 21;

std::vector<uint8_t> EncodeSegment(const ExactMediaIdentity& identity, const FingerprintSet& set);

struct Segment {
  ExactMediaIdentity identity;
  FingerprintSetPtr prints;
  int64_t offset = 0;
  int64_t size = 0;
};

// As for the exact-name file: the sound segments in file order, where a
// writer appends, the identities of segments whose head is readable but whose
// entries are cut off or bad, and whether bytes that are no segment were met.
struct Contents {
  std::vector<Segment> segments;
  int64_t appendAt = 0;
  std::vector<ExactMediaIdentity> unsound;
  bool garbage = false;
};
Contents Parse(const uint8_t* data, std::size_t size);

}  // namespace fingerprint_file

}  // namespace plomix
