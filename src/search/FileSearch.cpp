#include "search/FileSearch.h"

#include <algorithm>

#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Text.h"
#include "core/TypeNames.h"
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
  out.assign(in);
  for (char& c : out) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80) {
      out = text::AnsiLower(in);
      break;
    }
    if (byte >= 'A' && byte <= 'Z') c = static_cast<char>(byte - 'A' + 'a');
  }
  return out;
}

bool Contains(std::string_view haystack, std::string_view needle) {
  // The plain byte search rejects almost every record; only a found position
  // needs the character-aware check.
  if (haystack.find(needle) == std::string_view::npos) return false;
  return text::FindText(haystack, needle) != std::string_view::npos;
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
  commentPattern_ = conditions.commentCaseSensitive ? conditions.commentPattern
                                                    : text::AnsiLower(conditions.commentPattern);
}

bool FileSearch::PassesKindGate(int16_t kind) const {
  if (conditions_.foldersOnly) return IsFolderKind(kind);
  if (!conditions_.includeFolders) return kind == kKindFile;
  return true;
}

bool FileSearch::MatchSearchCondition(SearchConditionKind kind, int r) {
  const TFileRec& rec = catalog_.LoadedRec(r);
  if (rec.NameLength() == 0) return false;
  const bool gated = kind == SearchConditionKind::Name || kind == SearchConditionKind::Size ||
                     kind == SearchConditionKind::Date;
  if (gated && !PassesKindGate(rec.Kind())) return false;
  switch (kind) {
    case SearchConditionKind::Mark:
      return rec.Mark() == 1;
    case SearchConditionKind::Name:
      return MatchName(r);
    case SearchConditionKind::Size: {
      if (!IsFolderKind(rec.Kind()) && rec.Kind() != kKindFile) return false;
      const double size = rec.Size();
      return conditions_.sizeMin <= size && size <= conditions_.sizeMax;
    }
    case SearchConditionKind::Date: {
      const auto date = static_cast<uint32_t>(rec.FileDate());
      return conditions_.dateFrom <= date && date <= conditions_.dateTo;
    }
    case SearchConditionKind::Comment:
      return MatchComment(r);
  }
  return false;
}

bool FileSearch::MatchName(int r) {
  std::string longName;
  std::string_view name;
  if (r > 0 && catalog_.HasLongName(r)) {
    longName = catalog_.LongNameOf(r);
    name = longName;
  } else {
    name = StoredName(catalog_.LoadedRec(r));
  }
  if (!conditions_.nameCaseSensitive) name = LowerInto(name, nameBuffer_);
  const bool partial = conditions_.namePartial;
  const bool first = partial ? !name.empty() && Contains(name, pattern1_)
                             : MatchNamePattern(pattern1_, name, false);
  if (!partial || pattern2_.empty()) return first;
  if (conditions_.nameCombineAnd && !first) return false;
  if (!conditions_.nameCombineAnd && first) return true;
  return Contains(name, pattern2_);
}

bool FileSearch::MatchComment(int r) {
  const int32_t commentNo = catalog_.LoadedRec(r).CommentNo();
  if (commentNo == -1) return false;
  if (!conditions_.commentSubstring) return true;
  const std::string comment = catalog_.CommentText(commentNo);
  const std::string_view textView = conditions_.commentCaseSensitive
                                        ? std::string_view(comment)
                                        : LowerInto(comment, commentBuffer_);
  return text::FindText(textView, commentPattern_) != std::string_view::npos;
}

bool FileSearch::MatchesSearchConditions(int r) {
  const SearchConditions& c = conditions_;
  bool result = c.markEnabled ? MatchSearchCondition(SearchConditionKind::Mark, r) : true;
  if (result && c.nameEnabled) result = MatchSearchCondition(SearchConditionKind::Name, r);
  if (result && c.sizeEnabled) result = MatchSearchCondition(SearchConditionKind::Size, r);
  if (result && c.dateEnabled) result = MatchSearchCondition(SearchConditionKind::Date, r);
  // AND narrows a passing record; OR rescues a failing one.
  if (c.commentEnabled && (c.commentCombineAnd ? result : !result))
    result = MatchSearchCondition(SearchConditionKind::Comment, r);
  return result;
}

void FileSearch::AddHit(int slot, int r) {
  TRecord hit = catalog_.LoadedRec(r).ToRecord();
  hit.Key = MakeKey(slot, r);
  hit.Path = catalog_.BuildRecordPath(slot, r);
  if (r > 0 && catalog_.HasLongName(r)) hit.Name = catalog_.LongNameOf(r);
  searchRecs_.push_back(std::move(hit));
}

void FileSearch::RunFileSearch(const StatusFn& status) {
  browseViewStale_ = true;
  searchRecs_.clear();
  if (status) status(0, QString());
  const std::size_t n = searchMediaList_.size();
  for (std::size_t i = 0; i < n && SearchCount() < kMaxSearchHits; ++i) {
    if (status) status(1, SearchingText(i + 1, n, SearchCount()));
    const int slot = searchMediaList_[i];
    if (slot < 0 || slot >= catalog_.SlotsUsed() || !catalog_.Slot(slot).IsLive()) continue;
    if (!catalog_.LoadMedia(slot)) continue;
    catalog_.ResetPathCache();
    const int count = catalog_.LoadedCount();
    for (int r = 0; r < count; ++r) {
      if (!MatchesSearchConditions(r)) continue;
      AddHit(slot, r);
      if (SearchCount() >= kMaxSearchHits) break;
    }
  }
  if (status) status(1, QString::number(SearchCount()) + QString::fromUtf8(" 件検出"));
}

SearchHitFields DescribeSearchHit(const TRecord& hit, Catalog& catalog, TypeNames& typeNames,
                                  std::string_view dateFormatCp932) {
  SearchHitFields f;
  f.name = hit.Name;
  f.count = hit.Kind == kKindFile ? 1 : hit.AllFiles;
  f.path = hit.Path;
  const int slot = hit.Key >= 0 ? SlotOfKey(hit.Key) : -1;
  if (slot >= 0 && slot < kMaxMedia && catalog.Slot(slot).IsLive()) {
    const TMediaSlot& s = catalog.Slot(slot);
    f.category = s.Category();
    f.location = s.Location();
    f.locationDetail = s.LocationDetail();
  }
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
