#include "search/FileSearch.h"

#include <sys/mman.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/Catalog.h"
#include "core/Format.h"
#include "core/RecordArea.h"
#include "core/Text.h"
#include "core/TypeNames.h"
#include "search/NameIndex.h"
#include "search/NameMatcher.h"

namespace plomix {

namespace {

// The stored name without copying it: the run looks at every record.
std::string_view StoredName(const TFileRec& rec) {
  const uint8_t* data = rec.Data();
  const std::size_t length = std::min<std::size_t>(data[TFileRec::kName], TFileRec::kNameCap);
  return {reinterpret_cast<const char*>(data + TFileRec::kName + 1), length};
}

// Most names are plain ASCII and are lowered in place; only the others need
// the full two-byte case tables.
std::string_view LowerInto(std::string_view in, std::string& out) {
  out.resize(in.size());
  char* dst = out.data();
  for (std::size_t i = 0; i < in.size(); ++i) {
    const auto byte = static_cast<unsigned char>(in[i]);
    if (byte >= 0x80) {
      out = text::AnsiLower(in);
      return out;
    }
    dst[i] = static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte + ('a' - 'A') : byte);
  }
  return out;
}

bool Contains(std::string_view haystack, std::string_view needle) {
  // The plain byte search rejects almost every record; only a found position
  // needs the character-aware check.
  if (haystack.find(needle) == std::string_view::npos) return false;
  return text::FindText(haystack, needle) != std::string_view::npos;
}

bool IsAsciiText(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// ASCII letters lower-cased, every other byte kept. For an ASCII needle this
// finds exactly what searching the fully lower-cased name finds: a match made
// of ASCII bytes that starts on a character covers single-byte characters
// only, and lowering never turns a byte into or out of a lead byte, so the
// character boundaries stay where they were.
std::string_view LowerAsciiInto(std::string_view in, std::string& out) {
  out.resize(in.size());
  char* dst = out.data();
  for (std::size_t i = 0; i < in.size(); ++i) {
    const auto byte = static_cast<unsigned char>(in[i]);
    dst[i] = static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte + ('a' - 'A') : byte);
  }
  return out;
}

// A shown name (valid UTF-8) as code points, case-folded when asked.
void CodePointsInto(std::string_view utf8, bool fold, std::u32string& out) {
  out.clear();
  const auto* s = reinterpret_cast<const uint8_t*>(utf8.data());
  const auto length = static_cast<int32_t>(utf8.size());
  for (int32_t i = 0; i < length;) {
    UChar32 c;
    U8_NEXT(s, i, length, c);
    if (c < 0) c = 0xFFFD;
    out.push_back(static_cast<char32_t>(fold ? u_foldCase(c, U_FOLD_CASE_DEFAULT) : c));
  }
}

// "*" any run of characters, "?" exactly one; the latest "*" is the only one
// that ever needs another try, so time stays within pattern times name.
bool GlobMatch(std::u32string_view pattern, std::u32string_view name) {
  std::size_t p = 0, n = 0, starP = std::u32string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == U'*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (starP != std::u32string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == U'*') ++p;
  return p == pattern.size();
}

// Asks the system to back a large table with large pages where it can: a run
// with many hits then fills a few of them instead of thousands of small ones,
// each of which costs a fault (dearly so on some virtual machines). Only a
// hint; the pages still come as the table is filled.
void AdviseLargePages(const void* data, std::size_t bytes) {
#if defined(MADV_HUGEPAGE)
  constexpr uintptr_t kLarge = uintptr_t{2} << 20;
  const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto from = reinterpret_cast<uintptr_t>(data) & ~(page - 1);
  const auto to = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kLarge - 1);
  if (bytes >= kLarge && to > from)
    madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

QString SearchingText(std::size_t i, std::size_t n, int hits) {
  return QString::fromUtf8("検索中...(%1/%2メディア中、%3件検出)").arg(i).arg(n).arg(hits);
}

}  // namespace

void FileSearch::SetConditions(const SearchConditions& conditions) {
  conditions_ = conditions;
  const bool nameCase = conditions.nameCaseSensitive;
  pattern1_ = nameCase ? conditions.namePattern : text::AnsiLower(conditions.namePattern);
  pattern2_ = nameCase ? conditions.namePattern2 : text::AnsiLower(conditions.namePattern2);
  asciiPatterns_ = IsAsciiText(pattern1_) && IsAsciiText(pattern2_);
  commentPattern_ = conditions.commentCaseSensitive ? conditions.commentPattern
                                                    : text::AnsiLower(conditions.commentPattern);
  commentPatternUtf8_ = text::Cp932ToUtf8(conditions.commentPattern);
  if (!conditions.commentCaseSensitive)
    commentPatternUtf8_ = text::FoldShownName(commentPatternUtf8_);
  const auto native = [](const std::string& given, const std::string& cp932) {
    return given.empty() ? text::Cp932ToUtf8(cp932) : given;
  };
  CodePointsInto(native(conditions.nameNative, conditions.namePattern), !nameCase, exactPattern1_);
  CodePointsInto(native(conditions.nameNative2, conditions.namePattern2), !nameCase,
                 exactPattern2_);
  scan_.Prepare(conditions, pattern1_, pattern2_);
}

void SetNamePatterns(SearchConditions& conditions, std::string_view utf8,
                     std::string_view utf8Second) {
  const auto set = [](std::string_view given, std::string& cp932, std::string& native,
                      bool& exact) {
    native.assign(given);
    const std::optional<std::string> held = text::Utf8ToCp932Exact(given);
    exact = held.has_value();
    cp932 = held ? *held : text::Utf8ToCp932(given);
  };
  set(utf8, conditions.namePattern, conditions.nameNative, conditions.nameCp932Exact);
  set(utf8Second, conditions.namePattern2, conditions.nameNative2, conditions.nameCp932Exact2);
}

bool SizeWithin(double size, int64_t min, const std::optional<int64_t>& max) {
  // For a real x and whole m: x >= m exactly when floor(x) >= m, and x <= m
  // when ceil(x) <= m; beyond the 64-bit range only the sign matters.
  constexpr double kTwo63 = 9223372036854775808.0;
  if (std::isnan(size)) return false;
  const bool fromMin =
      size >= kTwo63 || (size >= -kTwo63 && static_cast<int64_t>(std::floor(size)) >= min);
  const bool toMax =
      !max || size < -kTwo63 || (size < kTwo63 && static_cast<int64_t>(std::ceil(size)) <= *max);
  return fromMin && toMax;
}

bool FileSearch::PassesKindGate(int16_t kind) const {
  if (conditions_.foldersOnly) return IsFolderKind(kind);
  if (!conditions_.includeFolders) return kind == kKindFile;
  return true;
}

bool FileSearch::MatchSearchCondition(SearchConditionKind kind, int r) {
  return MatchOne(kind, catalog_.LoadedRec(r), catalog_.RecordName(r), catalog_.ExactName(r));
}

bool FileSearch::MatchesSearchConditions(int r) {
  return Matches(catalog_.LoadedRec(r), catalog_.RecordName(r), catalog_.ExactName(r));
}

bool FileSearch::MatchOne(SearchConditionKind kind, const TFileRec& rec, std::string_view name,
                          std::string_view exact) {
  if (rec.NameLength() == 0) return false;
  const bool gated = kind == SearchConditionKind::Name || kind == SearchConditionKind::Size ||
                     kind == SearchConditionKind::Date;
  if (gated && !PassesKindGate(rec.Kind())) return false;
  switch (kind) {
    case SearchConditionKind::Mark:
      return rec.Mark() == 1;
    case SearchConditionKind::Name:
      return MatchName(name, exact);
    case SearchConditionKind::Size: {
      if (!IsFolderKind(rec.Kind()) && rec.Kind() != kKindFile) return false;
      const double size = rec.Size();
      return SizeWithin(size, conditions_.sizeMin, conditions_.sizeMax);
    }
    case SearchConditionKind::Date: {
      // 0 is an unknown date, not one before 1980: no range holds it.
      const auto date = static_cast<uint32_t>(rec.FileDate());
      return date != 0 && conditions_.dateFrom <= date && date <= conditions_.dateTo;
    }
    case SearchConditionKind::Comment:
      return MatchComment(rec);
  }
  return false;
}

bool FileSearch::MatchExactName(std::string_view exact) {
  CodePointsInto(text::NativeNameToUtf8(exact), !conditions_.nameCaseSensitive, exactBuffer_);
  const std::u32string_view name = exactBuffer_;
  const bool partial = conditions_.namePartial;
  const bool first = partial ? name.find(exactPattern1_) != std::u32string_view::npos
                             : GlobMatch(exactPattern1_, name);
  if (!partial || exactPattern2_.empty()) return first;
  if (conditions_.nameCombineAnd && !first) return false;
  if (!conditions_.nameCombineAnd && first) return true;
  return name.find(exactPattern2_) != std::u32string_view::npos;
}

bool FileSearch::MatchName(std::string_view name, std::string_view exact) {
  // A name the catalogue keeps exactly is matched on that name only: its '?'s
  // stand for characters CP932 lacks, not for question marks.
  if (!exact.empty()) return MatchExactName(exact);
  const bool partial = conditions_.namePartial;
  if (!conditions_.nameCaseSensitive) {
    name = partial && asciiPatterns_ ? LowerAsciiInto(name, nameBuffer_)
                                     : LowerInto(name, nameBuffer_);
  }
  const bool first = !conditions_.nameCp932Exact ? false
                     : partial                   ? !name.empty() && Contains(name, pattern1_)
                                                 : MatchNamePattern(pattern1_, name, false);
  if (!partial || pattern2_.empty()) return first;
  if (conditions_.nameCombineAnd && !first) return false;
  if (!conditions_.nameCombineAnd && first) return true;
  return conditions_.nameCp932Exact2 && Contains(name, pattern2_);
}

bool FileSearch::MatchComment(const TFileRec& rec) {
  const int32_t commentNo = rec.CommentNo();
  if (commentNo == -1) return false;
  if (!conditions_.commentSubstring) return true;
  // A comment kept exactly is searched in that form: a '?' CP932 stored for
  // a character it lacks is no character of the comment.
  if (catalog_.HasExactCommentText(commentNo)) {
    std::string exact = catalog_.ExactCommentText(commentNo);
    if (!conditions_.commentCaseSensitive) exact = text::FoldShownName(exact);
    return exact.find(commentPatternUtf8_) != std::string::npos;
  }
  const std::string comment = catalog_.CommentText(commentNo);
  const std::string_view textView = conditions_.commentCaseSensitive
                                        ? std::string_view(comment)
                                        : LowerInto(comment, commentBuffer_);
  return text::FindText(textView, commentPattern_) != std::string_view::npos;
}

bool FileSearch::Matches(const TFileRec& rec, std::string_view name, std::string_view exact) {
  const SearchConditions& c = conditions_;
  bool result = c.markEnabled ? MatchOne(SearchConditionKind::Mark, rec, name) : true;
  if (result && c.nameEnabled) result = MatchOne(SearchConditionKind::Name, rec, name, exact);
  if (result && c.sizeEnabled) result = MatchOne(SearchConditionKind::Size, rec, name);
  if (result && c.dateEnabled) result = MatchOne(SearchConditionKind::Date, rec, name);
  // AND narrows a passing record; OR rescues a failing one.
  if (c.commentEnabled && (c.commentCombineAnd ? result : !result))
    result = MatchOne(SearchConditionKind::Comment, rec, name);
  return result;
}

namespace {

int32_t StoredInt32(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 |
                              uint32_t{p[3]} << 24);
}

int16_t StoredInt16(const uint8_t* p) {
  return static_cast<int16_t>(uint16_t{p[0]} | uint16_t{p[1]} << 8);
}

}  // namespace

std::string_view FileSearch::FullName(int slot, int32_t r, const TFileRec& rec,
                                      std::string& buffer) {
  const std::string_view stored = StoredName(rec);
  if (stored.size() != TFileRec::kNameCap) return stored;
  buffer = catalog_.LongNameOfRecord(slot, r, stored);
  return buffer;
}

bool FileSearch::SearchMedia(int slot, const ContinueFn& keepGoing) {
  // A current name index names the few records that can match.
  if (const std::vector<int32_t>* picks = nameIndex_ ? nameIndex_->Candidates(slot) : nullptr)
    if (const std::optional<bool> searched = SearchPicked(slot, *picks, keepGoing))
      return *searched;
  // The records are looked at where they lie in the file, a block at a time.
  // A quick pass over the block's bytes picks the records whose names may
  // match; only those, the root and the records whose stored name is not
  // their whole name are tested in full. Every record's links are checked all
  // the same: a media with a damaged link gives no hits, unless the search is
  // stopped first, when it keeps those found before the damaged record. The
  // parent and name of every folder are kept as the blocks pass, so a hit's
  // path needs no further reads.
  const std::unique_ptr<RecordArea> area = catalog_.OpenRecordArea(slot);
  if (!area) return false;
  const std::string mediaName = catalog_.Slot(slot).Name();
  const std::size_t firstHit = Found();
  const int32_t count = area->Count();
  folders_.clear();
  folderNames_.clear();
  longSegments_.clear();
  otherParents_.clear();
  pathParent_ = -1;
  const bool quick = scan_.Usable();
  // Exact names come in record order, as the records do.
  const ExactNameSetPtr exactNames = catalog_.ExactNamesOf(slot);
  const std::size_t exactCount = exactNames ? exactNames->Count() : 0;
  std::size_t exactAt = 0;
  std::string name0;
  bool damaged = false;
  for (int32_t start = 0; start < count; start += kContinueInterval) {
    if (keepGoing && !keepGoing()) {
      // A stopped media keeps what it found: every hit so far had sound links.
      cancelled_ = true;
      return true;
    }
    if (damaged) continue;
    int32_t n = std::min(kContinueInterval, count - start);
    const uint8_t* block = area->Block(start, n);
    const bool full = Found() >= static_cast<std::size_t>(kMaxSearchHits);
    candidates_.clear();
    for (int32_t i = 0; i < n; ++i) {
      const uint8_t* rec = block + static_cast<std::size_t>(i) * TFileRec::kSize;
      const int32_t r = start + i;
      const int32_t parent = StoredInt32(rec + TFileRec::kParent);
      const int32_t child = StoredInt32(rec + TFileRec::kFirstChild);
      const bool parentOk = r == 0 ? parent == -1 : (parent >= 0 && parent < r);
      if (!parentOk || (child != -1 && (child <= r || child >= count))) {
        // Only the records before it are tested.
        damaged = true;
        n = i;
        break;
      }
      if (!countOnly_ && r > 0 && IsFolderKind(StoredInt16(rec + TFileRec::kKind))) {
        const std::size_t length = std::min<std::size_t>(rec[TFileRec::kName], TFileRec::kNameCap);
        folders_.push_back({r, parent, static_cast<uint32_t>(folderNames_.size()), kUpUnknown});
        folderNames_.push_back(static_cast<char>(length));
        folderNames_.append(reinterpret_cast<const char*>(rec + TFileRec::kName + 1), length);
      }
      if (!quick || r == 0 || rec[TFileRec::kName] >= TFileRec::kNameCap) candidates_.push_back(i);
    }
    const std::size_t exactFirst = exactAt;
    while (exactAt < exactCount && exactNames->RecordAt(exactAt) < start + n) {
      if (quick && exactNames->RecordAt(exactAt) >= start)
        candidates_.push_back(exactNames->RecordAt(exactAt) - start);
      ++exactAt;
    }
    if (full) continue;
    if (quick) {
      scan_.Candidates(block, n, candidates_);
      std::sort(candidates_.begin(), candidates_.end());
      candidates_.erase(std::unique(candidates_.begin(), candidates_.end()), candidates_.end());
    }
    std::size_t exactLook = exactFirst;
    for (const int32_t i : candidates_) {
      const int32_t r = start + i;
      TFileRec rec;
      std::memcpy(rec.Data(), block + static_cast<std::size_t>(i) * TFileRec::kSize,
                  TFileRec::kSize);
      // A loaded root carries the media's present name, which a rename does
      // not write into the stored record; every test of the root sees it.
      if (r == 0) rec.SetName(mediaName);
      const std::string_view name =
          r == 0 ? std::string_view(mediaName) : FullName(slot, r, rec, name0);
      std::string_view exact;
      while (exactLook < exactAt && exactNames->RecordAt(exactLook) < r) ++exactLook;
      if (exactLook < exactAt && exactNames->RecordAt(exactLook) == r)
        exact = exactNames->NameAt(exactLook);
      if (!Matches(rec, name, exact)) continue;
      if (countOnly_) {
        ++counted_;
      } else {
        TRecord hit = rec.ToRecord();
        hit.Key = MakeKey(slot, r);
        hit.Name.assign(name);
        hit.ExactName.assign(exact);
        if (r > 0) hit.Path = HitPath(*area, slot, mediaName, rec.Parent());
        searchRecs_.push_back(std::move(hit));
      }
      if (Found() >= static_cast<std::size_t>(kMaxSearchHits)) break;
    }
  }
  if (damaged) {
    KeepFound(firstHit);
    return false;
  }
  return true;
}

FileSearch::KnownFolder* FileSearch::FindFolder(int32_t r) {
  const auto it = std::lower_bound(folders_.begin(), folders_.end(), r,
                                   [](const KnownFolder& f, int32_t x) { return f.record < x; });
  return it != folders_.end() && it->record == r ? &*it : nullptr;
}

std::string_view FileSearch::FolderSegment(int slot, const KnownFolder& folder) {
  const auto length = static_cast<uint8_t>(folderNames_[folder.nameAt]);
  const std::string_view stored = std::string_view(folderNames_).substr(folder.nameAt + 1, length);
  if (stored.size() != TFileRec::kNameCap) return stored;
  auto [it, added] = longSegments_.try_emplace(folder.record);
  if (added) it->second = catalog_.LongNameOfRecord(slot, folder.record, stored);
  return it->second;
}

const std::string& FileSearch::HitPath(RecordArea& area, int slot, const std::string& mediaName,
                                       int32_t parent) {
  // Hits come in record order and the entries of a folder lie together, so
  // most hits share the latest path.
  if (parent == pathParent_) return path_;
  // Up to the root (every parent lies before its child, so the walk ends),
  // then the segments from there down. Only an entry of another kind holding
  // the hit is read again.
  segments_.clear();
  int32_t x = parent;
  KnownFolder* folder = x > 0 ? FindFolder(x) : nullptr;
  while (x > 0) {
    if (folder) {
      segments_.push_back(FolderSegment(slot, *folder));
      if (folder->up == kUpUnknown) {
        const KnownFolder* above = folder->parent > 0 ? FindFolder(folder->parent) : nullptr;
        folder->up = above ? static_cast<int32_t>(above - folders_.data()) : -1;
      }
      x = folder->parent;
      folder = folder->up >= 0 ? &folders_[static_cast<std::size_t>(folder->up)] : nullptr;
    } else {
      segments_.emplace_back();
      auto [it, added] = otherParents_.try_emplace(x);
      if (added) it->second = area.Record(x).Parent();
      x = it->second;
      folder = x > 0 ? FindFolder(x) : nullptr;
    }
  }
  segments_.push_back(mediaName);
  path_.clear();
  for (auto it = segments_.rbegin(); it != segments_.rend(); ++it) {
    if (!path_.empty()) path_ += '\\';
    path_ += *it;
  }
  pathParent_ = parent;
  return path_;
}

void FileSearch::KeepFound(std::size_t n) {
  if (countOnly_)
    counted_ = std::min(counted_, n);
  else if (searchRecs_.size() > n)
    searchRecs_.resize(n);
}

void FileSearch::RunFileSearch(const StatusFn& status, const ContinueFn& keepGoing) {
  browseViewStale_ = true;
  cancelled_ = false;
  searchRecs_.clear();
  counted_ = 0;
  // Room for the most hits a run may keep: untouched capacity costs nothing,
  // and the hits never move while the run grows the table.
  if (!countOnly_) {
    searchRecs_.reserve(kMaxSearchHits);
    AdviseLargePages(searchRecs_.data(), searchRecs_.capacity() * sizeof(TRecord));
  }
  if (status) status(0, QString());
  nameIndex_ = NameIndexQuery::Open(catalog_, conditions_);
  const std::size_t n = searchMediaList_.size();
  for (std::size_t i = 0; i < n && SearchCount() < kMaxSearchHits && !cancelled_; ++i) {
    if (status) status(1, SearchingText(i + 1, n, SearchCount()));
    const int slot = searchMediaList_[i];
    if (slot < 0 || slot >= catalog_.SlotsUsed() || !catalog_.Slot(slot).IsLive()) continue;
    SearchMedia(slot, keepGoing);
  }
  nameIndex_.reset();
  if (status) status(1, QString::number(SearchCount()) + QString::fromUtf8(" 件検出"));
}

namespace {

// Category, location and detail of the hit's media; empty when it is not live.
std::string MediaField(const TRecord& hit, Catalog& catalog, int which) {
  const int slot = IsEntryKey(hit.Key) ? SlotOfKey(hit.Key) : -1;
  if (slot < 0 || slot >= kMaxMedia || !catalog.Slot(slot).IsLive()) return {};
  const TMediaSlot& s = catalog.Slot(slot);
  return which == 0 ? s.Category() : which == 1 ? s.Location() : s.LocationDetail();
}

double HitCount(const TRecord& hit) {
  return hit.Kind == kKindFile ? 1 : hit.AllFiles;
}

}  // namespace

std::string SearchHitText(const TRecord& hit, int column, Catalog& catalog, TypeNames& typeNames,
                          std::string_view dateFormatCp932) {
  switch (column) {
    case 0:
      return hit.Name;
    case 1:
      return FormatNumber(HitCount(hit));
    case 2:
      return hit.Path;
    case 3:
    case 4:
    case 5:
      return MediaField(hit, catalog, column - 3);
    case 6:
      return FormatNumber(hit.Size);
    case 7:
      return typeNames.TypeName(hit.Kind, hit.Name);
    case 8:
      return FormatDateTime(dateFormatCp932, hit.FileDate);
    case 9:
      return FormatNumber(hit.Allocated);
    case 10:
      return FormatNumber(hit.Allocated - hit.Size);
    case 11:
      return hit.Version;
    case 12:
      return catalog.CommentText(hit.CommentNo);
    default:
      return {};
  }
}

SearchHitFields DescribeSearchHit(const TRecord& hit, Catalog& catalog, TypeNames& typeNames,
                                  std::string_view dateFormatCp932) {
  SearchHitFields f;
  f.name = hit.Name;
  f.count = HitCount(hit);
  f.path = hit.Path;
  f.category = MediaField(hit, catalog, 0);
  f.location = MediaField(hit, catalog, 1);
  f.locationDetail = MediaField(hit, catalog, 2);
  f.size = hit.Size;
  f.typeName = typeNames.TypeName(hit.Kind, hit.Name);
  f.dateText = FormatDateTime(dateFormatCp932, hit.FileDate);
  f.allocated = hit.Allocated;
  f.version = hit.Version;
  f.comment = catalog.CommentText(hit.CommentNo);
  return f;
}

std::vector<std::string> SearchHitTexts(const SearchHitFields& f) {
  return {f.name,
          FormatNumber(f.count),
          f.path,
          f.category,
          f.location,
          f.locationDetail,
          FormatNumber(f.size),
          f.typeName,
          f.dateText,
          FormatNumber(f.allocated),
          FormatNumber(f.allocated - f.size),
          f.version,
          f.comment};
}

}  // namespace plomix
