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

  bool Equal() const { return added.empty() && removed.empty() && changed.empty(); }
};

// Every entry below record `record` of the media in `slot` (0: the whole
// media), the media left unloaded. Names are shown names (core/Text.h's
// ShownName: the exact name where CP932 lost characters, escaped so that the
// path is valid UTF-8), so a media and a tree read from disk compare by what
// the names really are. Listed in the order CompareListings pairs in (see
// PathLess), so comparing needs no sort. Records whose links are damaged
// (a parent that is not an earlier folder of the media) are left out. Empty
// when the media cannot be read (`ok`, when given, is then false and the
// catalogue's LastError says why).
std::vector<TreeItem> ListTree(Catalog& catalog, int slot, int32_t record = 0, bool* ok = nullptr);
// The same for records not yet stored (a read's source), below its record 0.
std::vector<TreeItem> ListSource(const MediaRecordSource& source);

// CompareListings of ListTree(left) and ListTree(right), made without the
// listings: each folder's entries are merged by name, and only the paths of
// the entries reported are made (two media of a million entries take about
// 0.8 s of processor time). The report's entries come folder by folder in name
// order. `ok` as ListTree gives it.
DiffReport CompareTrees(Catalog& catalog, int leftSlot, int32_t leftRecord, int rightSlot,
                        int32_t rightRecord, bool* ok = nullptr);

// The order of relative paths that keeps a folder's entries right after it:
// name by name, each name's bytes compared unsigned, a shorter name (or path)
// first. Letter case counts.
bool PathLess(const std::string& a, const std::string& b);

// Pairs the entries of two listings by path (case-sensitive, byte for byte).
// A folder pair differs only when one side is a file: a folder's size and
// time stamp follow from its entries (and a copy seldom keeps a folder's time
// stamp), whose own differences are reported. A file turned folder (or the
// reverse) is changed, with oldFolder telling the left side's kind. Entries
// of the report are in PathLess order; the totals count both sides whole.
// Listings need not be sorted (they are sorted here when they are not).
DiffReport CompareListings(std::vector<TreeItem> left, std::vector<TreeItem> right);

// The report as one JSON object: {"added": [...], "removed": [...],
// "changed": [...]} (and "lostComments": [...] when asked), entries
// {"path", "folder", "size", "date"}, changed ones also "oldSize" and
// "oldDate", lost comments {"path", "comment"}. Dates are ISO 8601 local
// times ("2022-11-29T12:17:00"), null when unknown. No line break at the end.
std::string DiffReportJson(const DiffReport& report, bool withLostComments);
// A DOS date-time as JSON shows it: "\"2022-11-29T12:17:00\"" or "null".
std::string JsonDateTime(int32_t packed);

// One line of counts: "added N, removed N, changed N; files +N, size +N Byte".
std::string DiffSummaryText(const DiffReport& report);

// The stored media in `slot` (the old, left side) against records not yet
// stored (the new reading); empty with *ok false when the media cannot be read.
DiffReport CompareWithSource(Catalog& catalog, int slot, const MediaRecordSource& source,
                             bool* ok = nullptr);

}  // namespace plomix
