#pragma once
// Importing a disk-usage listing in the JSON export form of ncdu (format
// version 1.x) as a media: the listing's top folder becomes the media's top
// folder, and the records come out as a read of the same tree would make
// them (entries ordered by the Japanese collation, breadth first, totals
// summed bottom-up), so every part of the program treats the media alike.
//
// The file is streamed through a SAX reader into a compact buffer (one small
// fixed-size entry per folder or file plus an arena of name bytes), so a
// listing of a million entries never holds a million TRecords or the text.
// The whole file is read and checked before anything is stored: a file that
// is not such a listing gives an ImportError naming the byte offset where it
// goes wrong.
//
// Field use: `name` (bytes kept exactly; a name CP932 cannot hold keeps its
// native bytes as the reader keeps them), `asize` (else `dsize`) as the size,
// `dsize` as the allocated size, `mtime` as the date (none: 0), `mode` for the
// attributes, `dev`/`ino` with `hlnkc` or `nlink` > 1 for hard links (counted
// once in each folder's totals), `excluded` and `read_error` for entries that
// could not be read: they are counted and their first paths kept, as a read
// does for unreadable folders. A folder on another file system (`otherfs`,
// `kernfs`) is stored as an empty folder, as a read stores a mount point;
// other excluded entries are not stored.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Catalog.h"
#include "core/Records.h"
#include "exchange/ByteInput.h"
#include "reading/Scanner.h"

namespace plomix::exchange {

// The listing is not one this importer can take; what() says why and where.
class ImportError : public ExchangeError {
 public:
  ImportError(const std::string& message, std::size_t offset)
      : ExchangeError(message + " (at byte " + std::to_string(offset) + ")"), offset_(offset) {}
  std::size_t Offset() const { return offset_; }

 private:
  std::size_t offset_;
};

// What the import dialog and the command line give (texts CP932).
struct ImportRequest {
  std::string mediaName;  // empty: see DefaultMediaName
  std::string category;   // empty: the kind name
  std::string location;
  std::string locationDetail;
};

// One entry of the import buffer.
struct ImportEntry {
  double size = 0;
  double allocated = 0;  // files: dsize; folders: the sum, once aggregated
  double own = 0;        // folders: their own dsize
  uint64_t name = 0;     // arena reference of the CP932 name
  int32_t parent = -1;   // in listing order while reading, record order after
  int32_t firstChild = -1;
  int32_t nextSibling = -1;  // listing order
  int32_t fileDate = 0;
  int32_t exact = 0;  // 1 + index among the native names, 0 for none
  int32_t dirFolders = 0, dirFiles = 0, allFolders = 0, allFiles = 0;
  int16_t kind = 0;
  int16_t attr = 0;
};

class NcduImport : public MediaRecordSource {
 public:
  NcduImport();
  ~NcduImport() override;

  // Reads and checks the whole listing. Throws ImportError for a listing
  // that is malformed or holds more entries than a media can, ExchangeError
  // when the bytes cannot be read; the buffer then holds nothing.
  void Read(ByteInput& input);
  // Orders the records, sums the totals and fills the media facts for
  // storing. False when the listing's top folder holds no entry (a read of
  // an empty folder stores nothing either).
  bool Prepare(const ImportRequest& request);

  // The native name of the listing's top folder (a path, as ncdu writes it).
  const std::string& TopName() const { return topName_; }
  // The media name when none is given: the last part of the top folder's
  // path ("server" for "/srv/server"), "/" itself for the root, the
  // date-time when the top folder has no name; CP932.
  std::string DefaultMediaName() const;

  // Entries counted and kept like unreadable folders in a read.
  int64_t UnreadableCount() const { return unreadable_; }
  const std::vector<std::string>& UnreadablePaths() const { return unreadablePaths_; }
  int32_t FolderCount() const { return folderCount_; }
  int32_t FileCount() const { return fileCount_; }
  TMediaInfomation& CurrentMedia() { return media_; }

  // Tests use small limits; the listing is refused above it.
  void SetRecordLimit(int32_t limit) { limit_ = limit; }

  // MediaRecordSource (after Prepare).
  int32_t RecordCount() const override { return static_cast<int32_t>(order_.size()); }
  void Fetch(int32_t index, TRecord& out) const override;
  std::string_view NativeName(int32_t index) const override;

 private:
  friend class NcduHandler;
  ImportEntry& At(int32_t index);
  const ImportEntry& At(int32_t index) const;
  int32_t Append(const ImportEntry& entry);
  void Clear();
  void OrderRecords();
  void SortChildren(std::vector<int32_t>& children) const;
  void Aggregate();
  void CountHardLinksOnce();
  void NoteUnreadable(std::string path);

  std::vector<std::unique_ptr<ImportEntry[]>> chunks_;
  int32_t count_ = 0;
  int32_t limit_ = kMaxRecords;
  NameArena names_;
  std::vector<uint64_t> exactNames_;
  std::vector<int32_t> order_;  // record index -> entry index
  // Hard-linked files: (device, inode) and entry, in listing order.
  struct Link {
    uint64_t device, inode;
    int32_t entry;
  };
  std::vector<Link> links_;
  std::string topName_;
  std::string rootVersion_;
  int32_t folderCount_ = 0, fileCount_ = 0;
  int64_t unreadable_ = 0;
  std::vector<std::string> unreadablePaths_;
  TMediaInfomation media_;
};

}  // namespace plomix::exchange
