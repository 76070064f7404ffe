#pragma once
// The platform half of the media scan: lists one folder with getdents64 and
// stats every entry relative to the folder's handle (fstatat without
// following links or triggering automounts). A FolderReader belongs to one
// thread; the scan may run two of them on different folders at once.

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plomix {

// One listed entry with the facts the scan keeps.
struct RawEntry {
  uint32_t nameOffset = 0;
  uint32_t nameLength = 0;
  mode_t mode = 0;
  int64_t size = 0;
  int64_t mtime = 0;
  bool sameDevice = true;  // on the file system of the media's root
  int32_t version = -1;    // index into RawFolder::versions, -1 for none
};

// The entries of one folder in the order the system listed them.
struct RawFolder {
  std::string names;  // native names, back to back
  std::vector<RawEntry> entries;
  std::vector<std::string> versions;
  // True when the listing showed any entry but "." and "..", even one that
  // vanished before it could be examined.
  bool listed = false;
  // Why the folder could not be opened or listed to its end (errno), 0 when it was.
  int error = 0;
  // Entries the listing showed but that could not be examined (not counting
  // those that vanished meanwhile), with the first few of their names.
  uint32_t unreadable = 0;
  std::vector<std::string> unreadableNames;

  std::string_view Name(const RawEntry& e) const {
    return {names.data() + e.nameOffset, e.nameLength};
  }
  void Clear();
};

class FolderReader {
 public:
  // `shortListingEnds`: the file system fills every listing buffer as far as
  // its entries go (see ListingEndsShort), so a listing that leaves room for
  // another entry was the last and the call that would return 0 is saved.
  FolderReader(dev_t rootDevice, bool readVersions, bool shortListingEnds = false);

  // A read stops early, leaving what it has, once `*cancel` is true.
  void SetCancelFlag(const std::atomic<bool>* cancel) { cancel_ = cancel; }
  // How many unreadable names a folder keeps for the report.
  static constexpr std::size_t kKeptNames = 10;

  // True for file systems known to fill a getdents64 buffer until it is full
  // or the folder ends (ext2/3/4 and tmpfs), given an open folder on it.
  static bool ListingEndsShort(int fd);

  // Opens a folder by its native path, component by component from `root`
  // when the path is longer than the system accepts; -1 on failure.
  int Open(const std::string& root, const std::string& path);
  // Opens the folder `name` of the open folder `dirFd`: no walk along the
  // full path, so it costs one name lookup at any depth; -1 on failure.
  int OpenAt(int dirFd, const char* name);
  // Lists and examines the entries of an open folder (the handle stays open).
  // An entry that vanished since the listing is left out.
  void Read(int fd, RawFolder& out);

 private:
  dev_t rootDevice_;
  bool readVersions_;
  bool shortListingEnds_;
  bool noAtime_ = true;  // cleared once the system refuses O_NOATIME
  const std::atomic<bool>* cancel_ = nullptr;
  std::vector<char> buffer_;
};

}  // namespace plomix
