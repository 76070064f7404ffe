#pragma once
// The stored results of the two analyses: the ".dup" file of duplicate names
// and the ".lik" file of similar names, beside the catalogue. In memory a
// store keeps only the group heads (sorted by name, ignoring case) and two
// independent member lists read from the file on demand, so a result with
// millions of entries costs memory for its groups only.
//
// File layout (little-endian, no padding): a header (21 bytes for .dup;
// 33,177 bytes for .lik, which also holds the delimiter text used), the
// entry section (one ResultRecord per entry, each group's entries together)
// and the group-head section (one ResultRecord per group).
//
// Reading never trusts the file: a header that is cut, counts that are
// negative, heads whose positions, ends or sizes leave the entry section,
// overlap or disagree, and records cut short all end the reading at the last
// sound record; what was read is kept and the load reports false.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/NameAnalysis.h"
#include "core/ByteImage.h"

namespace plomix {

class BinaryFile;
class Catalog;
class LongNameSnapshot;

// One entry or group head of a result file, 116 bytes.
class ResultRecord : public ByteImage<116> {
 public:
  static constexpr std::size_t kName = 0, kKey = 92, kDate = 96, kSizeField = 100, kPosition = 104,
                               kEnd = 108, kGroupSize = 112;
  static constexpr std::size_t kNameCap = 91;

  std::string Name() const { return ShortString(kName, kNameCap); }
  void SetName(std::string_view v) { SetShortString(kName, kNameCap, v); }
  int32_t Key() const { return I32(kKey); }
  void SetKey(int32_t v) { SetI32(kKey, v); }
  int32_t Date() const { return I32(kDate); }
  void SetDate(int32_t v) { SetI32(kDate, v); }
  uint32_t Size() const { return static_cast<uint32_t>(I32(kSizeField)); }
  void SetSize(uint32_t v) { SetI32(kSizeField, static_cast<int32_t>(v)); }
  int32_t Position() const { return I32(kPosition); }
  void SetPosition(int32_t v) { SetI32(kPosition, v); }
  int32_t End() const { return I32(kEnd); }
  void SetEnd(int32_t v) { SetI32(kEnd, v); }
  int32_t GroupSize() const { return I32(kGroupSize); }
  void SetGroupSize(int32_t v) { SetI32(kGroupSize, v); }
};
static_assert(ResultRecord::kSize == 116);

// A group head or member as the program shows it. `name` is complete: a
// stored name of 90 bytes or more is replaced by the long name its key finds,
// except that a similar-name head keeps its word (one cut at 91 bytes is
// completed from the words of its file's complete name).
struct ResultItem {
  std::string name;
  int32_t key = -1;
  int32_t date = 0;
  uint32_t size = 0;
  int32_t first = 0;  // position of the group's first entry (a member: its own position)
  int32_t end = 0;    // first + group size
  int32_t groupSize = 0;
  // The name to show a person (UTF-8, text::ShownName): the exact name (or
  // for a similar-name head, the exact word) where CP932 cannot hold it.
  std::string shown;
};

// Everything a load of the group heads produces, built away from the store
// so that a worker thread can read while the store stays untouched.
struct LoadedGroups {
  bool complete = false;  // the whole file was sound
  bool headerRead = false;
  int32_t version = 0;
  int32_t entryCount = 0;  // entries the header announces and the file holds
  double created = 0;      // days since 1899-12-30, local time
  std::string likeKey;     // .lik only: the delimiter text of the search
  std::vector<ResultItem> heads;
};

inline constexpr int64_t kDupHeaderSize = 21;
inline constexpr int64_t kLikeHeaderSize = 33177;
inline constexpr int32_t kDupFileVersion = 1;
inline constexpr int32_t kLikeFileVersion = 2;
inline constexpr std::size_t kLikeKeyCap = 127;

// Reads the header and group heads of a result file, giving cut names back
// whole from the catalogue or from a snapshot of its long names (null: long
// names stay cut). The snapshot form is the one for worker threads: the
// catalogue's own index may change under them.
LoadedGroups ReadGroupHeads(const std::string& path, AnalysisMode mode, const Catalog* catalog);
LoadedGroups ReadGroupHeads(const std::string& path, AnalysisMode mode,
                            const LongNameSnapshot* names);

// The result store of one analysis mode. Not thread-safe: one thread at a
// time (the loader hands its LoadedGroups over through Adopt).
class ResultStore {
 public:
  ResultStore(AnalysisMode mode, const Catalog* catalog);
  virtual ~ResultStore() = default;

  AnalysisMode Mode() const { return search_.Mode(); }
  int64_t HeaderSize() const;

  // The catalogue path with its extension replaced by ".dup" / ".lik".
  void SetPathFromCatalog(const std::string& catalogPath);
  const std::string& Path() const { return path_; }
  bool ResultsExist() const;
  // Deletes the file and empties the group list and both member lists; true
  // when a file was deleted.
  bool DeleteResults();

  // The search structures (run, sort), written by WriteResultFile.
  NameAnalysis& Search() { return search_; }
  // Writes the sorted search result, replacing the file only once the new one
  // is complete. `likeKey` goes into a .lik header (cut to 127 bytes).
  // Throws CatalogError naming the file when it cannot be written.
  void WriteResultFile(std::string_view likeKey = {});
  void ClearSearch() { search_.ClearSearch(); }

  // Reads the group heads on this thread; false when the file is missing or
  // not wholly sound (what was sound is kept).
  bool LoadGroups();
  // Takes over a list read elsewhere (the result loader's).
  virtual void Adopt(LoadedGroups&& loaded);
  void ClearGroups();

  // Fills member list 1 or 2 with the entries at positions first ..
  // first + count - 1, in file order. False (the list keeps what was read)
  // when a record is missing, cut or not at its position.
  bool LoadMembers(int list, int32_t first, int32_t count);
  void ClearMembers(int list);

  // Counts: the groups held and the entries the file holds.
  int GroupCount() const { return static_cast<int>(heads_.size()); }
  int32_t EntryCount() const { return entryCount_; }
  int MemberCount(int list) const;
  bool GroupHead(int index, ResultItem& out) const;
  bool Member(int list, int index, ResultItem& out) const;
  const std::vector<ResultItem>& Heads() const { return heads_; }
  const std::vector<ResultItem>& Members(int list) const;
  // The head whose name equals `name` ignoring case, or null. `shownExact` is
  // the shown form of the exact name (or word) the CP932 `name` stands for,
  // empty when CP932 holds it: names CP932 cannot hold may share their CP932
  // form with other groups, and only the group of the same exact name counts.
  const ResultItem* FindGroup(std::string_view name, std::string_view shownExact = {}) const;
  // The version field of the file last written or read (0 before any).
  int32_t FileVersion() const { return fileVersion_; }
  double CreationTime() const { return created_; }
  // The delimiter text of the .lik file last read ("" for .dup).
  const std::string& StoredLikeKey() const { return storedLikeKey_; }

 private:
  std::vector<ResultItem>& MemberList(int list);
  // A file of no name that holds the placed duplicate entries until they
  // are written.
  class ScratchFile {
   public:
    ScratchFile() = default;
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    ~ScratchFile();
    // Throws CatalogError naming the temporary result beside `beside`.
    void Open(const std::string& beside, int64_t length);
    // Both throw CatalogError naming `shown`.
    void WriteAt(int64_t offset, const uint8_t* buffer, std::size_t n, const std::string& shown);
    void ReadAt(int64_t offset, uint8_t* buffer, std::size_t n, const std::string& shown);
    int Descriptor() const { return fd_; }
    int64_t Length() const { return length_; }

   private:
    int fd_ = -1;
    int64_t length_ = 0;
  };
  // The entries and heads of the sorted search, after the header.
  template <typename RecordOfEntry>
  void WriteGroups(BinaryFile& file, const std::vector<uint8_t>& header, RecordOfEntry recordOf);
  void PlaceEntries(ScratchFile& scratch);
  template <typename RecordOfEntry>
  void WritePlacedEntries(BinaryFile& file, const std::vector<uint8_t>& header, ScratchFile& placed,
                          RecordOfEntry recordOf);

  NameAnalysis search_;
  const Catalog* catalog_;
  std::string catalogPath_;
  std::string path_;
  std::vector<ResultItem> heads_;
  std::vector<ResultItem> members_[2];
  int32_t entryCount_ = 0;
  int32_t fileVersion_ = 0;
  double created_ = 0;
  std::string storedLikeKey_;
};

// The duplicate store under the names the rest of the program uses.
class DupResultStore : public ResultStore {
 public:
  explicit DupResultStore(const Catalog* catalog) : ResultStore(AnalysisMode::Duplicate, catalog) {}
  void SetDupPath(const std::string& catalogPath) { SetPathFromCatalog(catalogPath); }
  void WriteDupFile() { WriteResultFile(); }
  void ClearDupSearch() { ClearSearch(); }
  bool LoadDupGroups() { return LoadGroups(); }
  bool LoadDupMembers(int list, int32_t first, int32_t count) {
    return LoadMembers(list, first, count);
  }
  bool DupGroupHead(int index, ResultItem& out) const { return GroupHead(index, out); }
  bool DupMember(int list, int index, ResultItem& out) const { return Member(list, index, out); }
  // Group size of the name's group, 0 when the name has none (`shownExact`:
  // see FindGroup).
  int DupGroupSizeOfName(std::string_view name, std::string_view shownExact = {}) const;
  // First position of the name's group, -1 when the name has none.
  int DupGroupStartOfName(std::string_view name, std::string_view shownExact = {}) const;
  bool DupResultsExist() const { return ResultsExist(); }
  bool DeleteDupResults() { return DeleteResults(); }
};

// The similar-name store, which also keeps the delimiter text in effect.
class LikeResultStore : public ResultStore {
 public:
  explicit LikeResultStore(const Catalog* catalog) : ResultStore(AnalysisMode::Similar, catalog) {}
  void SetLikePath(const std::string& catalogPath) { SetPathFromCatalog(catalogPath); }
  void WriteLikeFile() { WriteResultFile(currentLikeKey_); }
  void ClearLikeSearch() { ClearSearch(); }
  // Loading also makes the file's delimiter text the current one.
  bool LoadLikeGroups() { return LoadGroups(); }
  void Adopt(LoadedGroups&& loaded) override;
  bool LoadLikeMembers(int list, int32_t first, int32_t count) {
    return LoadMembers(list, first, count);
  }
  bool LikeGroupHead(int index, ResultItem& out) const { return GroupHead(index, out); }
  bool LikeMember(int list, int index, ResultItem& out) const { return Member(list, index, out); }
  // First position and size of the word's group; -1 and 0 when none.
  void LikeGroupOfKey(std::string_view word, std::string_view shownExact, int32_t& first,
                      int32_t& size) const;
  int32_t LikeFileVersion() const { return FileVersion(); }
  bool LikeResultsExist() const { return ResultsExist(); }
  bool DeleteLikeResults() { return DeleteResults(); }

  // CurrentLikeKey: the delimiter text in effect (CP932).
  const std::string& CurrentLikeKey() const { return currentLikeKey_; }
  void SetCurrentLikeKey(std::string_view cp932) { currentLikeKey_ = cp932; }

 private:
  std::string currentLikeKey_;
};

}  // namespace plomix
