#pragma once
// The file search: tests records against a condition set and runs the set
// over a list of media, collecting the hits. A run reads each chosen media's
// records straight from the catalogue file, without making it the loaded
// media; it reports its progress once per media and asks every few thousand
// records whether to go on, so a window can stay responsive and stop it.

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/Records.h"
#include "search/NameScan.h"
#include "search/SearchConditions.h"

namespace plomix {

class Catalog;
class NameIndexQuery;
class RecordArea;
class TypeNames;

#ifndef PLOMIX_FUZZ_SMALL_TABLES
inline constexpr int kMaxSearchHits = 200000;
#else
// The fuzz harnesses' small tables (see core/Records.h): a search reserves room
// for every hit it may keep, and inputs of a few records can reach this limit.
inline constexpr int kMaxSearchHits = 64;
#endif

// The texts of one hit as the result list shows them, in column order
// (名前, 数, パス名, 分類, 保管場所, 保管詳細, サイズ, ファイルの種類, 更新日時,
// クラスタサイズ, クラスタギャップ, Version, コメント). CP932; numbers "#,##0".
inline constexpr int kSearchHitColumns = 13;

// The raw values behind those texts.
struct SearchHitFields {
  std::string name;
  double count = 0;  // 1 for a file, else the entry's AllFiles
  std::string path;
  std::string category, location, locationDetail;  // empty when the media is not live
  double size = 0;
  std::string typeName;
  std::string dateText;  // empty for 0 or an invalid date
  double allocated = 0;
  std::string version;
  std::string comment;
};

class FileSearch {
 public:
  // Receives panel 0 or 1 of the status bar and its new text; the window
  // repaints (processes pending events) in it.
  using StatusFn = std::function<void(int panel, const QString& text)>;
  // Asked every kContinueInterval records; false stops the run at once, keeping
  // the hits found so far.
  using ContinueFn = std::function<bool()>;
  static constexpr int kContinueInterval = 4096;

  explicit FileSearch(Catalog& catalog) : catalog_(catalog) {}

  // The condition set used by every later test and run.
  void SetConditions(const SearchConditions& conditions);
  const SearchConditions& Conditions() const { return conditions_; }
  // Media slots in search order. Slots that hold no live media, or whose
  // records cannot be loaded, are skipped.
  void SetSearchMediaList(std::vector<int> slots) { searchMediaList_ = std::move(slots); }
  const std::vector<int>& SearchMediaList() const { return searchMediaList_; }

  // Replaces the hits with those of every chosen media, in list order and,
  // within a media, in record order; stops at the 200,000th hit. Marks the
  // browse view stale. Status texts: panel 0 cleared; panel 1
  // "検索中...(i/nメディア中、k件検出)" before each media, "k 件検出" at the end.
  void RunFileSearch(const StatusFn& status = {}, const ContinueFn& keepGoing = {});
  // How the last run ended: stopped by `keepGoing`, or at the hit limit.
  bool Cancelled() const { return cancelled_; }
  bool LimitReached() const { return SearchCount() >= kMaxSearchHits; }

  // The whole condition set, or one condition, on record r of the loaded media.
  bool MatchesSearchConditions(int r);
  bool MatchSearchCondition(SearchConditionKind kind, int r);

  // A run that only counts: it finds what a full run finds, stops where it
  // stops, and says how many (SearchCount, LimitReached), but keeps no hits.
  void SetCountOnly(bool countOnly) { countOnly_ = countOnly; }

  const std::vector<TRecord>& SearchRecs() const { return searchRecs_; }
  int SearchCount() const { return static_cast<int>(countOnly_ ? counted_ : searchRecs_.size()); }
  // Hands the hits over to the result list, which keeps them until the next
  // run; the search holds none afterwards.
  std::vector<TRecord> TakeSearchRecs() { return std::exchange(searchRecs_, {}); }

  // Set by a run: the catalogue's loaded media is no longer the one browsed.
  bool BrowseViewStale() const { return browseViewStale_; }
  void ClearBrowseViewStale() { browseViewStale_ = false; }

 private:
  bool PassesKindGate(int16_t kind) const;
  // The condition set on one record whose name (long name restored, the media
  // name for a root) is given.
  // `exact`: the record's exact name, empty when its CP932 name is exact.
  bool Matches(const TFileRec& rec, std::string_view name, std::string_view exact = {});
  bool MatchOne(SearchConditionKind kind, const TFileRec& rec, std::string_view name,
                std::string_view exact = {});
  bool MatchName(std::string_view name, std::string_view exact);
  bool MatchExactName(std::string_view exact);
  bool MatchComment(const TFileRec& rec);
  // Adds the hits of one media; false (and none of its hits) when its records
  // cannot be read or their links are damaged. Stopped before the end, it
  // keeps the hits found so far, all of them before any damaged record.
  bool SearchMedia(int slot, const ContinueFn& keepGoing);
  // SearchMedia over the records the name index names; empty when they do
  // not add up, and the media is then searched whole.
  std::optional<bool> SearchPicked(int slot, const std::vector<int32_t>& records,
                                   const ContinueFn& keepGoing);
  // The folder path of a hit whose parent is `parent`, from the stored records;
  // valid until the next call.
  const std::string& HitPath(RecordArea& area, int slot, const std::string& mediaName,
                             int32_t parent);
  // The complete name of stored record r > 0 (its long name when it has one).
  std::string_view FullName(int slot, int32_t r, const TFileRec& rec, std::string& buffer);

  Catalog& catalog_;
  SearchConditions conditions_;
  std::string pattern1_, pattern2_, commentPattern_;  // lower-cased unless case-sensitive
  std::string commentPatternUtf8_;  // for comments kept exactly; folded unless case-sensitive
  bool asciiPatterns_ = false;      // both name patterns plain ASCII
  // The native patterns as code points, case-folded unless case-sensitive.
  std::u32string exactPattern1_, exactPattern2_;
  std::u32string exactBuffer_;
  std::vector<int> searchMediaList_;
  std::vector<TRecord> searchRecs_;
  bool countOnly_ = false;
  std::size_t counted_ = 0;  // the hits of a counting run
  std::size_t Found() const { return countOnly_ ? counted_ : searchRecs_.size(); }
  // Forgets the hits after the first `n`.
  void KeepFound(std::size_t n);
  std::shared_ptr<const NameIndexQuery> nameIndex_;  // during a run, when it can narrow it
  bool browseViewStale_ = false;
  bool cancelled_ = false;
  std::string nameBuffer_, commentBuffer_;
  NameScan scan_;
  // Per media while it is searched: the records of a block to test in full,
  // the folders seen so far (in record order; their stored names, each after
  // its length byte, in folderNames_), the parents of the entries of other
  // kinds that hold hits, and the path of the latest hit's parent.
  static constexpr int32_t kUpUnknown = -2;
  struct KnownFolder {
    int32_t record, parent;
    uint32_t nameAt;
    int32_t up;  // the parent's place in folders_, -1 when it is none, or kUpUnknown
  };
  KnownFolder* FindFolder(int32_t r);
  std::string_view FolderSegment(int slot, const KnownFolder& folder);
  std::vector<int32_t> candidates_;
  std::vector<KnownFolder> folders_;
  std::string folderNames_;
  std::unordered_map<int32_t, std::string> longSegments_;
  std::unordered_map<int32_t, int32_t> otherParents_;
  std::vector<std::string_view> segments_;
  int32_t pathParent_ = -1;
  std::string path_;
};

// The fields of a hit; category, location and detail from its media's slot.
SearchHitFields DescribeSearchHit(const TRecord& hit, Catalog& catalog, TypeNames& typeNames,
                                  std::string_view dateFormatCp932);
// The 13 column texts of the result list.
std::vector<std::string> SearchHitTexts(const SearchHitFields& fields);
// One of those texts (column 0 to 12), built alone: sorting a long list by a
// column needs just that column of every hit. "" for another column.
std::string SearchHitText(const TRecord& hit, int column, Catalog& catalog, TypeNames& typeNames,
                          std::string_view dateFormatCp932);

}  // namespace plomix
