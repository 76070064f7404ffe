#pragma once
// The name-grouping engine behind the duplicate and similar-file analyses.
//
// Duplicate mode keys every file of every live media by its complete name;
// similar mode by the words of its name. Keys compare ignoring letter case
// (two keys are equal exactly when AnsiLower gives the same bytes), every key
// met in two or more files becomes a group, and after Sort() the groups come
// in the case-insensitive collation order, each group's entries together.
// ResultStore writes them out; ClearSearch() gives the memory back.
//
// Memory: duplicate mode reads the catalogue three times and holds no file
// of it: a first pass counts the hashes of the keys in a table of two bits
// per record slot (a key whose count stays below two cannot be a group), a
// second keeps the keys counted twice or more, exactly, with their first
// file (about 40 bytes and the name each), and after Sort the third hands
// every entry straight to its place in the result. Similar mode keeps, per
// participating file, 16 bytes plus its name, per distinct key about 32
// bytes (its entry and index slots) plus its lower-cased bytes when longer
// than 7 and the word, and 8 bytes per group entry. All of it is chunked
// storage, so that growth never copies a table; the catalogue's records are
// read a block at a time and never all held, and the loaded media of the
// catalogue stays as it was.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace plomix {

class Catalog;

// 1 duplicate mode, 0 similar mode (the numbers the settings and files use).
enum class AnalysisMode : int { Similar = 0, Duplicate = 1 };

// The System V ELF hash of the bytes (below 2^28). Callers hash lower-cased keys.
uint32_t ElfHash(std::string_view bytes);
// (ElfHash div 80000) mod 5000: the bucket of a key, 0 to 3355 in practice.
uint32_t BucketOf(std::string_view lowerKey);

// A name kept exactly takes part in the analyses by what it is: its keys
// (the whole shown name, or its words) are told apart from CP932 keys by a
// leading zero byte, which no CP932 name holds, and compared case-folded.
// A word of such a name that CP932 holds exactly is an ordinary CP932 key, so
// it meets the same word in other names. ExactKeyWord gives back the word of
// a similar-name head whose file is kept exactly: the word of `shownName`
// whose CP932 form is `cp932Word` and that CP932 cannot hold; "" when none.
std::string ExactKeyWord(std::string_view shownName, std::string_view cp932Word,
                         std::string_view delimitersCp932, int kind);

// Size as the result files hold it: rounded, clamped to 0..4,294,967,295.
uint32_t ClampResultSize(double size);

// ---- Result keys ----
// The result files hold entry keys (MakeKey, core/Records.h). ResultKey
// refuses a slot or record no media can have, so that nothing unreadable is
// written.
int32_t ResultKey(int slot, int32_t record);
// False for kNoKey and for keys no entry can have.
bool SplitResultKey(int32_t key, int& slot, int32_t& record);

// ---- Similar-name words ----

// The delimiter table: at most 25 characters (a two-byte character is one);
// further characters of the text are ignored. Empty selects duplicate mode,
// where the whole name is the only key.
class KeyDelimiters {
 public:
  static constexpr int kMaxDelimiters = 25;
  static constexpr int kMaxWords = 257;

  void SetKeyDelimiters(std::string_view cp932);
  int Count() const { return static_cast<int>(chars_.size()); }
  const std::vector<std::string>& Chars() const { return chars_; }

  // The keys of a name: the whole name when the table is empty; otherwise
  // the words between delimiters, the extension of a file (kind 10) dropped
  // first. Words keep their order; a repeated word is returned again; at most
  // 257 words.
  std::vector<std::string> SplitNameKeys(std::string_view name, int kind) const;
  // The same for a name kept exactly (its shown form, UTF-8): cut at the
  // delimiters' Unicode forms.
  void SplitShownNameKeysInto(std::string_view shown, int kind,
                              std::vector<std::string_view>& out) const;
  // The same as views into `name`, without allocating per word.
  void SplitNameKeysInto(std::string_view name, int kind, std::vector<std::string_view>& out) const;

 private:
  bool IsDelimiter(std::string_view text, std::size_t pos, std::size_t& length) const;

  std::vector<std::string> chars_;
  std::vector<std::string> utf8Chars_;
  bool single_[256] = {};
  std::vector<uint16_t> doubles_;
};

// ---- Progress ----

struct AnalysisCounters {
  int64_t files = 0;    // files examined
  int64_t groups = 0;   // keys found a second time
  int64_t entries = 0;  // files listed in groups (a file once per group)
};

struct AnalysisEvent {
  enum class Kind {
    Media,         // a media is about to be searched; text "検索中...(n/mメディア)"
    Counters,      // every 1000 files and after each media
    MediaSkipped,  // a media whose records could not be read; text says which
    Sorting,       // text: "<entries>ファイルのソート中..."
    Finishing,     // text: "最後のオマジナイ..." (writing the result file)
    Done,          // final counters
  };
  Kind kind = Kind::Counters;
  std::string text;  // CP932; empty for Counters and Done
  int slot = -1;     // Media and MediaSkipped
  AnalysisCounters counters;
};

using AnalysisProgress = std::function<void(const AnalysisEvent&)>;

// One record of a result file as the writer needs it. `name` is complete
// (the writer cuts it to 91 bytes).
struct ResultFileEntry {
  std::string_view name;
  int32_t key = -1;
  int32_t date = 0;
  uint32_t size = 0;
};

// The search structures of one analysis (the first-occurrence index and the
// result list). One object per mode; the stores own them.
class NameAnalysis {
 public:
  explicit NameAnalysis(AnalysisMode mode);
  ~NameAnalysis();
  NameAnalysis(const NameAnalysis&) = delete;
  NameAnalysis& operator=(const NameAnalysis&) = delete;

  AnalysisMode Mode() const { return mode_; }
  KeyDelimiters& Delimiters() { return delimiters_; }
  const KeyDelimiters& Delimiters() const { return delimiters_; }

  // RunNameAnalysis: clears the structures, then goes through every live
  // media in slot order and every file in record order. The loaded media of
  // the catalogue is left as it was. A media whose records cannot be read is
  // skipped (no file of it takes part) and reported as MediaSkipped.
  AnalysisCounters RunNameAnalysis(Catalog& catalog, const AnalysisProgress& progress = {});
  const AnalysisCounters& Counters() const { return counters_; }

  // Orders the groups by key (case-insensitive collation, lower-cased bytes
  // breaking ties). Within a duplicate group the first occurrence leads and
  // the rest follow in the order they were met; within a similar group the
  // entries are ordered by file name the same way. Must precede the walk.
  void Sort();
  bool IsSorted() const { return sorted_; }

  // The sorted groups in order: the head record (duplicates: the group's
  // first entry; similar names: the word, with Key, date and size of the
  // first occurrence) and the entries in file order. Duplicate mode reads
  // the catalogue of the run again to list the entries (and so holds them
  // all at once): the writer uses the two calls below instead.
  void ForEachGroup(
      const std::function<void(const ResultFileEntry& head,
                               const std::vector<ResultFileEntry>& entries)>& visit) const;
  // The sorted group heads with their sizes, in order.
  void ForEachHead(
      const std::function<void(const ResultFileEntry& head, uint32_t size)>& visit) const;
  // Duplicate mode: reads the catalogue of the run again and hands every
  // entry to `place` with its position among all entries (group after
  // group), in the order the catalogue holds the files. Throws CatalogError
  // when the catalogue no longer holds the files the run counted.
  // `groupEnd` is the position after the entry's group, `groupSize` its size.
  void PlaceEntries(
      const std::function<void(uint32_t position, uint32_t groupEnd, uint32_t groupSize,
                               const ResultFileEntry& entry)>& place) const;
  // The first pass's counting table of duplicate mode holds 2^bits counters;
  // 0 (the default) sizes it from the catalogue. Tests make it tiny, so that
  // every key shares its counter with others.
  void SetCounterBits(int bits) { counterBits_ = bits; }

  // What duplicate mode keeps between its passes (NameAnalysisParts.h).
  struct DuplicateState;

  // ClearDupSearch / ClearLikeSearch: empties everything and gives the
  // memory back; the group counter returns to 0.
  void ClearSearch();

 private:
  struct State;
  // Numbers the files listed in groups by name; returns how many.
  std::size_t RankFilesByName();
  // Duplicate mode (DuplicateNames.cpp).
  AnalysisCounters RunDuplicates(Catalog& catalog, const AnalysisProgress& progress);
  void SortDuplicates();
  void ForEachDuplicateGroup(
      const std::function<void(const ResultFileEntry& head,
                               const std::vector<ResultFileEntry>& entries)>& visit) const;

  AnalysisMode mode_;
  KeyDelimiters delimiters_;
  AnalysisCounters counters_;
  bool sorted_ = false;
  std::unique_ptr<State> state_;
  std::unique_ptr<DuplicateState> dup_;
  Catalog* catalog_ = nullptr;
  int counterBits_ = 0;
};

}  // namespace plomix
