#include <sys/statvfs.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "core/BinaryFile.h"
#include "core/Catalog.h"
#include "core/CatalogInternal.h"
#include "core/Format.h"
#include "core/SideFileWrite.h"
#include "core/Text.h"

namespace plomix {

namespace fs = std::filesystem;
using namespace catalog_internal;

// ---------------------------------------------------------------- marks

int Catalog::SetMark(MarkChange change, int32_t key) {
  if (!IsEntryKey(key)) return -1;
  if (!LoadMedia(SlotOfKey(key))) return -1;
  const auto next = [change](uint8_t current) -> uint8_t {
    switch (change) {
      case MarkChange::Toggle:
        return current == 1 ? 0 : 1;
      case MarkChange::Set:
        return 1;
      case MarkChange::Clear:
        return 0;
      case MarkChange::Keep:
        break;
    }
    return current;
  };
  uint8_t value = 0;
  UpdateRecord(key, [&](TFileRec& rec) {
    value = next(rec.Mark());
    rec.SetMark(value);
  });
  return value;
}

void Catalog::SetCommentLink(int commentIndex, int32_t key) {
  if (!IsEntryKey(key)) return;
  if (!LoadMedia(SlotOfKey(key))) return;
  UpdateRecord(key, [commentIndex](TFileRec& rec) { rec.SetCommentNo(commentIndex); });
}

// One field of one record changed as it is on disk now (another program may
// have changed another field of it meanwhile). Record 0's authority is the
// root copy in the slot, written with it.
void Catalog::UpdateRecord(int32_t key, const std::function<void(TFileRec&)>& change) {
  CheckLoaded(SlotOfKey(key), RecordOfKey(key));
  BinaryFile file = LockCatalog(true);
  SyncWithDisk(file, true);
  UpdateRecordLocked(file, key, change);
  file.Sync();
  file.Close();
}

void Catalog::UpdateRecordLocked(BinaryFile& file, int32_t key,
                                 const std::function<void(TFileRec&)>& change) {
  const int slot = SlotOfKey(key);
  const int r = RecordOfKey(key);
  if (loadedMedia_ != slot) throw CatalogError(ErrorCode::ChangedMeanwhile, {catalogPath_});
  const int64_t offset = RecordOffset(SlotPosition(slot) + r);
  if (r > 0) {
    TFileRec rec;
    if (!file.ReadAt(offset, rec.Data(), TFileRec::kSize))
      throw CatalogError(ErrorCode::ShorterThanMedia, {catalogPath_, std::to_string(slot)});
    change(rec);
    file.WriteAt(offset, rec.Data(), TFileRec::kSize);
    loadedRecs_[r] = rec;
  } else {
    TMediaSlot& s = mediaSlots_[slot];
    TFileRec root = s.Root();
    change(root);
    s.SetRoot(root);
    file.WriteAt(offset, root.Data(), TFileRec::kSize);
    WriteChangedSlots(file);
    loadedRecs_[0] = root;
    loadedRecs_[0].SetName(s.Name());
  }
}

void Catalog::WriteRecord(int32_t key) {
  const int slot = SlotOfKey(key);
  const int r = RecordOfKey(key);
  CheckLoaded(slot, r);
  const TFileRec image = loadedRecs_[r];
  if (r == 0) mediaSlots_[slot].SetRoot(image);
  UpdateRecord(key, [&image](TFileRec& rec) { rec = image; });
}

void Catalog::WriteRoot(int32_t key) {
  const int slot = SlotOfKey(key);
  const TFileRec root = MutableSlot(slot).Root();
  BinaryFile file = LockCatalog(true);
  SyncWithDisk(file, true);
  file.WriteAt(RecordOffset(SlotPosition(slot)), root.Data(), TFileRec::kSize);
  WriteChangedSlots(file);
  file.Close();
  if (loadedMedia_ == slot) {
    loadedRecs_[0] = root;
    loadedRecs_[0].SetName(mediaSlots_[slot].Name());
  }
  RebuildNameLists();
}

// ---------------------------------------------------------------- comments

int Catalog::AddComment(int32_t key, std::string_view commentText, int16_t kind,
                        std::string_view name) {
  return AddCommentWith(key, commentText, kind, name, nullptr);
}

int Catalog::AddCommentWith(int32_t key, std::string_view commentText, int16_t kind,
                            std::string_view name, const std::string* utf8) {
  const bool linkEntry =
      IsEntryKey(key) && LoadMedia(SlotOfKey(key)) && RecordOfKey(key) < loadedCount_;
  BinaryFile file = LockCatalog(true);
  SyncWithDisk(file, true);
  if (linkEntry && loadedMedia_ != SlotOfKey(key))
    throw CatalogError(ErrorCode::ChangedMeanwhile, {catalogPath_});
  // The slot is chosen under the lock, among the comments on disk now. A
  // comment of this entry that lost its link (cut off by a crash before the
  // link was written in one transaction with it) is taken again rather than
  // a second slot.
  int index = -1;
  for (int i = 0; i < kMaxComments && index < 0; ++i) {
    const TCommentSlot& c = commentSlots_[i];
    if (!c.IsFree() && IsEntryKey(key) && c.Key() == key && linkEntry &&
        loadedRecs_[RecordOfKey(key)].CommentNo() != i)
      index = i;
  }
  for (int i = 0; i < kMaxComments && index < 0; ++i)
    if (commentSlots_[i].IsFree()) index = i;
  if (index < 0) return -1;
  // The entry's link first: until the comment is written it leads to a slot
  // that is not this entry's, which every reader ignores; the reverse order
  // could leave a comment attached to nothing.
  const TCommentSlot commentBefore = commentSlots_[index];
  const int32_t linkBefore = linkEntry ? loadedRecs_[RecordOfKey(key)].CommentNo() : -1;
  SideFileUndo undo;
  try {
    // The exact text first: until the comment is written it is bound to a
    // text its slot does not hold.
    TCommentSlot stored;
    stored.SetText(commentText);
    if (auto change = ExactTextChange(ExactField::Comment, index, commentBefore.Text(), false,
                                      stored.Text(), utf8))
      AppendExactTexts({*change}, undo);
    if (linkEntry)
      UpdateRecordLocked(file, key, [index](TFileRec& rec) { rec.SetCommentNo(index); });
    TCommentSlot& c = commentSlots_[index];
    c.SetKey(key);
    c.SetDate(DosNow());
    c.SetText(commentText);
    c.SetKind(kind);
    c.SetName(name);
    WriteChangedComments(file);
    file.Sync();
  } catch (...) {
    // What reached the disk is put back, so that a failed comment is none.
    try {
      commentSlots_[index] = commentBefore;
      WriteChangedComments(file);
      if (linkEntry)
        UpdateRecordLocked(file, key,
                           [linkBefore](TFileRec& rec) { rec.SetCommentNo(linkBefore); });
    } catch (const CatalogError&) {
      // A link to a free slot is ignored by every reader.
    }
    commentSlots_[index] = commentBefore;
    UndoExactTexts(file, undo);
    throw;
  }
  file.Close();
  return index;
}

std::string Catalog::CommentText(int index) const {
  if (index < 0 || index >= kMaxComments) return {};
  return commentSlots_[index].Text();
}

void Catalog::UpdateComment(int index, int32_t key, std::string_view commentText) {
  UpdateCommentWith(index, key, commentText, nullptr);
}

void Catalog::DeleteComment(int index) {
  if (index < 0 || index >= kMaxComments) return;
  commentSlots_[index].Clear();
  WriteCommentSlot(index);
}

void Catalog::WriteCommentSlot(int index) {
  CommentSlot(index);
  BinaryFile file = LockCatalog(true);
  SyncWithDisk(file, true);
  WriteChangedComments(file);
  file.Sync();
  file.Close();
}

int Catalog::BuildCommentList() {
  commentList_.clear();
  for (int i = 0; i < kMaxComments; ++i)
    if (!commentSlots_[i].IsFree()) commentList_.push_back(i);
  return CommentListCount();
}

int Catalog::CommentListIndex(int row) const {
  if (row < 0 || row >= CommentListCount()) return -1;
  return commentList_[row];
}

std::string Catalog::CommentCell(int row, int column) const {
  int index = CommentListIndex(row);
  if (index < 0) return {};
  const TCommentSlot& c = commentSlots_[index];
  switch (column) {
    case 0:
      return c.Text();
    case 1:
      return FormatDateTime("yyyy/mm/dd hh:nn:ss", c.Date());
    case 2:
      return c.Name();
    default:
      return MediaNameOf(c.Key());
  }
}

void Catalog::SortCommentList(int column, bool ascending) {
  std::vector<std::pair<std::string, int>> rows;
  rows.reserve(commentList_.size());
  for (int row = 0; row < CommentListCount(); ++row)
    rows.emplace_back(CommentCell(row, column), commentList_[row]);
  std::stable_sort(rows.begin(), rows.end(), [ascending](const auto& a, const auto& b) {
    int c = text::CompareAnsi(a.first, b.first);
    return ascending ? c < 0 : c > 0;
  });
  for (std::size_t i = 0; i < rows.size(); ++i) commentList_[i] = rows[i].second;
}

// ---------------------------------------------------------------- counters

std::string Catalog::LiveMediaName(int n) const {
  if (n < 0 || n >= mediaCount_) return {};
  for (int s = 0; s < slotsUsed_; ++s) {
    if (!mediaSlots_[s].IsLive()) continue;
    if (n-- == 0) return mediaSlots_[s].Name();
  }
  return {};
}

int64_t Catalog::TotalFolders() const {
  int64_t total = 0;
  for (int s = 0; s < slotsUsed_; ++s)
    if (mediaSlots_[s].IsLive() && MatchesCategoryFilter(s))
      total += mediaSlots_[s].Root().AllFolders();
  return total;
}

int64_t Catalog::TotalFiles() const {
  int64_t total = 0;
  for (int s = 0; s < slotsUsed_; ++s)
    if (mediaSlots_[s].IsLive() && MatchesCategoryFilter(s))
      total += mediaSlots_[s].Root().AllFiles();
  return total;
}

bool Catalog::MatchesCategoryFilter(int slot) const {
  return categoryFilter_.empty() || mediaSlots_.at(slot).Category() == categoryFilter_;
}

void Catalog::SetCategoryFilter(std::string_view category) {
  categoryFilter_ = category == AllCategoriesText() ? std::string() : std::string(category);
  Recount();
}

// ---------------------------------------------------------------- long names

void Catalog::AppendLongName(int32_t record, std::string_view name) {
  if (LongNameEntries() >= kMaxLongNames) return;
  TLongName entry;
  entry.SetRecord(record);
  entry.SetName(name);
  longNames_.push_back(entry);
}

std::string Catalog::LongNameByKey(int32_t key, std::string_view storedName) const {
  if (!IsEntryKey(key)) return std::string(storedName);
  return LongNameOfRecord(SlotOfKey(key), RecordOfKey(key), storedName);
}

std::string Catalog::LongNameOfRecord(int slot, int32_t record, std::string_view storedName) const {
  if (storedName.size() < 90 || slot < 0 || record < 0) return std::string(storedName);
  auto it = longNameIndex_.find(LongNameKey(slot, record));
  if (it == longNameIndex_.end()) return std::string(storedName);
  return longNames_[it->second].Name();
}

std::string Catalog::MediaPicture(int slot) const {
  if (slot < 0 || slot >= kMaxMedia) return {};
  return longNameMedia_[slot].Picture();
}

void Catalog::SetMediaPicture(int slot, std::string_view path) {
  if (slot < 0 || slot >= kMaxMedia) return;
  BinaryFile catalogue = LockCatalog(true);
  SyncWithDisk(catalogue, true);
  longNameMedia_[slot].SetPicture(path);
  std::error_code ec;
  if (longNamesDamaged_ || !fs::exists(longNamePath_, ec) ||
      static_cast<int64_t>(fs::file_size(longNamePath_, ec)) < kLongNameHeaderSize) {
    WriteLongNameFile();
    return;
  }
  // One entry of the header, in place: a single small write.
  BinaryFile file(longNamePath_, BinaryFile::Mode::ReadWrite);
  file.WriteAt(512 + int64_t{slot} * TLongNameMedia::kSize, longNameMedia_[slot].Data(),
               TLongNameMedia::kSize);
  file.Close();
  longNameStamp_ = io::StampOf(longNamePath_);
}

int Catalog::LongNameCount(int slot) {
  if (slot != statsSlot_) {
    statsSlot_ = slot;
    statsLongNames_ = statsCutNames_ = 0;
    if (slot >= 0 && slot < kMaxMedia) {
      const TLongNameMedia& m = longNameMedia_[slot];
      if (slot < lnUsed_ && m.Valid() == 1) {
        statsLongNames_ = std::max(0, m.End() - m.First());
      } else if (slot == loadedMedia_) {
        for (int r = 0; r < loadedCount_; ++r)
          if (loadedRecs_[r].NameLength() == TFileRec::kNameCap) ++statsCutNames_;
        statsLongNames_ = -statsCutNames_;
      }
    }
  }
  return statsLongNames_;
}

int Catalog::CutNameCount(int slot) {
  LongNameCount(slot);
  return statsCutNames_;
}

// ---------------------------------------------------------------- file facts

int64_t Catalog::CatalogFileSize() const {
  if (catalogPath_.empty()) return 0;
  std::error_code ec;
  auto size = fs::file_size(catalogPath_, ec);
  return ec ? 0 : static_cast<int64_t>(size);
}

double Catalog::CatalogFreeSpace() const {
  if (catalogPath_.empty()) return 0;
  fs::path folder = fs::absolute(catalogPath_).parent_path();
  struct statvfs st {};
  if (statvfs(folder.c_str(), &st) != 0) return 0;
  return static_cast<double>(st.f_bfree) * static_cast<double>(st.f_frsize);
}

}  // namespace plomix
