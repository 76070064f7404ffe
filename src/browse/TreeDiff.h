#pragma once
// Comparing two trees of entries: two media, two folders, or a media before
// and after it was read again. Entries are paired by their path relative to
// the compared roots; a pair differs when the kind, size or time stamp
// differs. The same report describes what an update changed, with the
// comments that could not be carried over.

#include <cstdint>
#include <string>
#include <vector>

namespace plomix {

class Catalog;
class MediaRecordSource;

// One entry below a compared root. `path` is relative to the root, names
// joined by '\', each name exact (UTF-8; the native bytes where CP932 could
// not hold the name).
struct TreeItem {
  std::string path;
  bool folder = false;
  int64_t size = 0;
  int32_t date = 0;  // DOS date-time as the catalogue stores it
};

struct DiffEntry {
  std::string path;
  bool folder = false;
  int64_t size = 0;
  int32_t date = 0;
  // For a changed pair: the left (older) side's values.
  int64_t oldSize = 0;
  int32_t oldDate = 0;
  bool oldFolder = false;
};

// A comment whose entry is gone after an update: its old path and text (UTF-8).
struct LostComment {
  std::string path;
  std::string comment;
};

struct DiffReport {
  std::vector<DiffEntry> added;    // only on the right (new) side
  std::vector<DiffEntry> removed;  // only on the left (old) side
  std::vector<DiffEntry> changed;  // on both, differing in kind, size or date
  std::vector<LostComment> lostComments;
  int64_t leftSize = 0, rightSize = 0;    // total size of the files on each side
  int64_t leftFiles = 0, rightFiles = 0;  // file count on each side
  int64_t leftFolders = 0, rightFolders = 0;
};

}  // namespace plomix
