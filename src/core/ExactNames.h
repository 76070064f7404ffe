#pragma once
// Exact names: the native bytes of the entries whose names code page 932
// cannot hold. The catalogue and its long-name file keep the CP932 form of
// every name ('?' for a character without a code); the exact bytes of the
// others are kept beside them in the exact-name file (NAME.exn, layout in
// docs/file-formats.md): an append-only run of segments, one per media added,
// each naming its slot and the media's identity and ending in a checksum.
//
// The same file keeps the exact text of the media's own texts (name,
// category, storage location and its detail) and of comments where code page
// 932 cannot hold them: text segments, one per change, each bound to what the
// text belongs to and to the CP932 form stored for it.
//
// This module holds one media's exact names in memory and turns them into a
// segment and back; the catalogue decides which segment belongs to which slot.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plomix {

// The exact names of one media, by record index, ascending. Nothing in it
// changes once it is built, so it is shared between the catalogue and the
// snapshots that worker threads read.
class ExactNameSet {
 public:
  // Records (1 or more: the media itself has its slot's name) must be added
  // in ascending order; an out-of-order or repeated record is refused (false).
  bool Add(int32_t record, std::string_view native);
  // Native bytes of `record`, empty when it has no exact name.
  std::string_view Find(int32_t record) const;
  std::size_t Count() const { return records_.size(); }
  bool Empty() const { return records_.empty(); }
  int32_t RecordAt(std::size_t i) const { return records_[i]; }
  std::string_view NameAt(std::size_t i) const;
  // Bytes of all names together.
  std::size_t NameBytes() const { return bytes_.size(); }

 private:
  std::vector<int32_t> records_;
  std::vector<uint32_t> ends_;  // end offset of each name in bytes_
  std::string bytes_;
};

using ExactNameSetPtr = std::shared_ptr<const ExactNameSet>;

// What ties a segment to the media it was written for: a slot is never
// reused before compaction renumbers the slots and rewrites the file, and a
// segment left by an add that never reached its slot table differs in at
// least one of these from the media that later takes the slot.
struct ExactMediaIdentity {
  int32_t slot = -1;
  int64_t firstRecord = 0;  // record position of the media's record 0
  int32_t count = 0;        // the media's record count
  int32_t readDate = 0;     // FileDate of the media's root record
  bool operator==(const ExactMediaIdentity&) const = default;
};

// The texts a text segment may keep exactly.
enum class ExactField : uint32_t {
  MediaName = 1,
  Category = 2,
  Location = 3,
  LocationDetail = 4,
  Comment = 8,
};

// One text segment: the exact text (UTF-8) of a field. A slot's field is
// bound to the media's identity, a comment to its index; both to the CRC-32
// of the CP932 text the field holds, so that a segment whose field was
// changed since (by another program, or by a change that failed after the
// segment was written) is ignored. An empty text clears the exact form.
struct ExactText {
  ExactField field = ExactField::Comment;
  int32_t target = -1;       // slot, or comment index
  ExactMediaIdentity media;  // slot fields only
  uint32_t cp932Crc = 0;     // of the CP932 text stored for the field
  std::string text;          // UTF-8; empty: no exact form
  bool IsSlotField() const { return field != ExactField::Comment; }
};

namespace exact_file {

// File header: a signature of 8 bytes.
inline constexpr std::size_t kHeaderSize = 8;
std::string_view Signature();
// Fixed part of a segment before its entries.
inline constexpr std::size_t kSegmentHeadSize = 36;
// A single name is at most this long (the file systems' limit is far lower).
inline constexpr uint32_t kMaxNameBytes = 4096;

// Fixed part of a text segment before its text, and the longest text.
inline constexpr std::size_t kTextHeadSize = 40;
inline constexpr uint32_t kMaxTextBytes = 4096;

// The bytes of one text segment.
std::vector<uint8_t> EncodeText(const ExactText& text);

// The bytes of one segment.
std::vector<uint8_t> EncodeSegment(const ExactMediaIdentity& identity, const ExactNameSet& names);

// One segment read back.
struct Segment {
  ExactMediaIdentity identity;
  ExactNameSetPtr names;
  int64_t offset = 0;  // where it starts in the file
  int64_t size = 0;
};

// A text segment read back.
struct TextSegment {
  ExactText text;
  int64_t offset = 0;
  int64_t size = 0;
};

// What a file's bytes hold: the sound segments in file order; where a writer
// appends (the end of the last whole segment: a torn tail is cut off there);
// the identities of segments whose head is readable but whose entries are
// cut off or fail their checksum; and whether bytes that are no segment at
// all were met (a bad signature, garbage). A segment cut off or bad whose
// identity names no stored media is what a write cut off by a crash leaves,
// harmless; the catalogue decides which is which.
struct Contents {
  std::vector<Segment> segments;
  std::vector<TextSegment> texts;  // text segments, in file order
  // Text segments whose head is readable but whose text is cut off or fails
  // the checksum (their `text` is empty).
  std::vector<ExactText> unsoundTexts;
  int64_t appendAt = 0;  // 0: not even the header is sound
  std::vector<ExactMediaIdentity> unsound;
  bool garbage = false;
  bool Damaged() const { return garbage || !unsound.empty(); }
};
Contents Parse(const uint8_t* data, std::size_t size);

// The head of the segment at `data` (at least kSegmentHeadSize bytes): its
// identity and its total size; empty when it is no segment head.
std::optional<std::pair<ExactMediaIdentity, int64_t>> ReadSegmentHead(const uint8_t* data,
                                                                      std::size_t size);

uint32_t Crc32(const uint8_t* data, std::size_t size, uint32_t crc = 0);

}  // namespace exact_file

}  // namespace plomix
