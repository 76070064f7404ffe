#include "core/Catalog.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "core/BinaryFile.h"
#include "core/CatalogInternal.h"
#include "core/Format.h"
#include "core/RecordImages.h"
#include "core/SideFileWrite.h"
#include "core/Text.h"

namespace plomix {

namespace fs = std::filesystem;

using namespace catalog_internal;

std::string StoredMediaName(std::string_view name) {
  return text::CutChars(name, TMediaSlot::kNameCap);
}

std::string ApplyCatalogExtension(const std::string& path) {
  std::string upper = path;
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return upper.find(".QDB") == std::string::npos ? path + ".qdb" : path;
}

// ---------------------------------------------------------------- NameList

std::string NameList::Get(int index) const {
  if (index < 0 || index >= Count()) return {};
  return names_[index];
}

bool NameList::Add(std::string_view name) {
  auto pos = std::lower_bound(
      names_.begin(), names_.end(), name,
      [](const std::string& a, std::string_view b) { return text::CompareAnsiText(a, b) < 0; });
  if (pos != names_.end() && text::CompareAnsiText(*pos, name) == 0) return false;
  if (Count() >= kMaxNameListEntries) return false;
  names_.insert(pos, std::string(name));
  return true;
}

// ---------------------------------------------------------------- Catalog

Catalog::Catalog() {
  ResetTables();
  ResetLongNameHeader();
  exactNames_.assign(kMaxMedia, nullptr);
}

void Catalog::ResetTables() {
  mediaSlots_.assign(kMaxMedia, TMediaSlot{});
  commentSlots_.assign(kMaxComments, TCommentSlot{});
  for (auto& c : commentSlots_) c.Clear();
  slotsUsed_ = mediaCount_ = filteredMediaCount_ = 0;
}

void Catalog::SetCatalogPath(const std::string& path) {
  catalogPath_ = path;
  dupPath_ = ReplaceExtension(path, ".dup");
  likePath_ = ReplaceExtension(path, ".lik");
  longNamePath_ = ReplaceExtension(path, ".lfn");
  exactNamePath_ = ReplaceExtension(path, ".exn");
  fingerprintPath_ = ReplaceExtension(path, ".fpr");
}

const TMediaSlot& Catalog::Slot(int slot) const {
  return mediaSlots_.at(slot);
}
TMediaSlot& Catalog::MutableSlot(int slot) {
  return mediaSlots_.at(slot);
}
const TCommentSlot& Catalog::CommentSlot(int index) const {
  return commentSlots_.at(index);
}
const TLongNameMedia& Catalog::LongNameMedia(int slot) const {
  return longNameMedia_.at(slot);
}

bool Catalog::CreateCatalog(const std::string& path) {
  const fs::path target(path);
  if (path.empty() || target.stem().empty() || target.filename() == ".qdb") {
    lastError_ = {ErrorCode::NoCatalogName, {path}};
    return false;
  }
  std::error_code ec;
  if (target.has_parent_path() && !fs::exists(target.parent_path(), ec))
    fs::create_directories(target.parent_path(), ec);

  // The catalogue open so far stays untouched until the new file exists:
  // a failed creation must not leave its tables emptied in memory, where the
  // next write would carry the emptiness into its file.
  // Every file the new catalogue replaces or removes is linked aside first,
  // so that a failure part way puts the old catalogue back whole: the old
  // exact names and results go only once the new catalogue is in place.
  struct Replaced {
    std::string path;
    bool existed = false;
    bool keptAside = false;
    bool done = false;
  };
  std::vector<Replaced> replaced;
  for (const std::string& file : CatalogueFiles(path)) replaced.push_back({file});
  const auto asideOf = [](const Replaced& r) { return r.path + ".undo"; };
  const std::string& lfn = replaced[1].path;
  const std::string temporary = path + ".new";
  const std::string temporaryLfn = lfn + ".new";
  try {
    // Another program working on the old catalogue finishes first, and
    // whoever opens the path next waits for the new file to be complete.
    std::optional<BinaryFile> old;
    if (fs::exists(target, ec)) old.emplace(path, BinaryFile::Mode::ReadWrite);
    std::vector<uint8_t> area(kAreasSize);
    TCommentSlot freeComment;
    freeComment.Clear();
    for (int c = 0; c < kMaxComments; ++c)
      std::copy_n(freeComment.Data(), TCommentSlot::kSize,
                  &area[kCommentAreaOffset + c * TCommentSlot::kSize]);
    BinaryFile file(temporary, BinaryFile::Mode::Create, path);
    try {
      file.WriteAt(0, area.data(), area.size());
      file.Sync();
      {
        BinaryFile names(temporaryLfn, BinaryFile::Mode::Create, path);
        const std::vector<uint8_t> bytes = Catalog().LongNameFileBytes();
        names.WriteAt(0, bytes.data(), bytes.size());
        names.Sync();
        names.Close();
      }
      for (Replaced& r : replaced) {
        struct stat st {};
        r.existed = ::lstat(r.path.c_str(), &st) == 0;
        if (!r.existed) continue;
        io::RemoveIfPresent(asideOf(r));
        r.keptAside = io::Link(r.path, asideOf(r));
      }
      // The catalogue first: a crash after its rename leaves the old long
      // names beside an empty catalogue, where no media refers to them.
      io::Rename(temporary, path);
      replaced[0].done = true;
      io::Rename(temporaryLfn, lfn);
      replaced[1].done = true;
      for (std::size_t i = 2; i < replaced.size(); ++i) {
        replaced[i].done = true;
        if (!io::RemoveIfPresent(replaced[i].path) ||
            !io::RemoveIfPresent(replaced[i].path + ".new"))
          throw CatalogError(ErrorCode::FileRemove, replaced[i].path, errno != 0 ? errno : EIO);
      }
      io::SyncFolderOf(path);
    } catch (...) {
      for (const Replaced& r : replaced) {
        if (!r.done) continue;
        if (r.keptAside)
          io::Rename(asideOf(r), r.path);
        else if (!r.existed)
          io::RemoveIfPresent(r.path);
      }
      io::RemoveIfPresent(temporary);
      io::RemoveIfPresent(temporaryLfn);
      for (const Replaced& r : replaced)
        if (r.keptAside) io::RemoveIfPresent(asideOf(r));
      throw;
    }
    for (const Replaced& r : replaced)
      if (r.keptAside) io::RemoveIfPresent(asideOf(r));

    ResetTables();
    UnloadMedia();
    statsSlot_ = -1;
    SetCatalogPath(path);
    open_ = true;
    diskAreas_ = std::move(area);
    catalogStamp_ = file.Stamp();
    foreignChange_ = false;
    categoryNames_.Clear();
    locationNames_.Clear();
    ResetLongNameHeader();
    longNamesDamaged_ = false;
    longNameStamp_ = io::StampOf(longNamePath_);
    exactSegments_.clear();
    exactTexts_.clear();
    pendingSlotTexts_.clear();
    exactAppendAt_ = 0;
    exactNames_.assign(kMaxMedia, nullptr);
    exactStamp_ = io::FileStamp{};
    exactDamaged_ = false;
    exactWarning_.clear();
    file.Close();
  } catch (const CatalogError& e) {
    lastError_ = e.info();
    return false;
  }
  return true;
}

bool Catalog::OpenCatalog(const std::string& path) {
  std::string target = path.empty() ? catalogPath_ : path;
  if (target.empty()) {
    lastError_ = {ErrorCode::NoCatalogFile, {}};
    return false;
  }
  const std::string previous = catalogPath_;
  std::vector<uint8_t> area(kAreasSize);
  io::FileStamp stamp;
  try {
    catalogPath_ = target;
    BinaryFile file = LockCatalog(false);
    catalogPath_ = previous;
    if (!file.ReadAt(0, area.data(), area.size())) {
      lastError_ = {ErrorCode::NotCatalog, {target}};
      return false;
    }
    stamp = file.Stamp();
    if (target != previous) {
      // Another catalogue's exact names must not count as gone from this one.
      exactSegments_.clear();
      exactTexts_.clear();
      exactStamp_ = io::FileStamp{};
      exactWarnedStamp_ = io::FileStamp{};
      exactWarning_.clear();
    }
    AdoptAreas(std::move(area), stamp);
    SetCatalogPath(target);
    open_ = true;
    foreignChange_ = false;
    // The long names are read under the same lock, so they belong to these slots.
    ReadLongNamesFrom(file);
    ReadExactNamesFrom(file);
    ReadFingerprints();
    // Analyses that were cut off while writing leave their temporary files.
    io::RemoveAbandoned(dupPath_ + ".new");
    io::RemoveAbandoned(likePath_ + ".new");
  } catch (const CatalogError& e) {
    catalogPath_ = previous;
    lastError_ = e.info();
    return false;
  }
  return true;
}

void Catalog::AdoptAreas(std::vector<uint8_t> area, const io::FileStamp& stamp) {
  // The tables are overwritten in place: they always hold their full
  // capacity, and filling fresh ones would clear and fault in 2.9 MB again.
  mediaSlots_.resize(kMaxMedia);
  commentSlots_.resize(kMaxComments);
  for (int s = 0; s < kMaxMedia; ++s)
    mediaSlots_[s].CopyFrom(0, &area[s * TMediaSlot::kSize], TMediaSlot::kSize);
  for (int c = 0; c < kMaxComments; ++c)
    commentSlots_[c].CopyFrom(0, &area[kCommentAreaOffset + c * TCommentSlot::kSize],
                              TCommentSlot::kSize);
  diskAreas_ = std::move(area);
  catalogStamp_ = stamp;
  UnloadMedia();
  ResetLongNameIndex();
  statsSlot_ = -1;
  Recount();
  RebuildNameLists();
  AssignExactNames();
}

int Catalog::Recount() {
  slotsUsed_ = mediaCount_ = filteredMediaCount_ = 0;
  for (int s = 0; s < kMaxMedia && !mediaSlots_[s].IsNeverUsed(); ++s) {
    ++slotsUsed_;
    if (mediaSlots_[s].IsLive()) {
      ++mediaCount_;
      if (MatchesCategoryFilter(s)) ++filteredMediaCount_;
    }
  }
  return slotsUsed_;
}

void Catalog::CommitSlots(BinaryFile& file, const std::vector<TMediaSlot>& before) {
  try {
    WriteChangedSlots(file);
    file.Sync();
  } catch (...) {
    PutSlotsBack(file, before);
    throw;
  }
}

// ---------------------------------------------------------------- adding media

bool Catalog::AddMedia(const std::vector<TRecord>& records, TMediaInfomation& info) {
  return AddMedia(VectorSource(records), info);
}

bool Catalog::AddMedia(const MediaRecordSource& records, TMediaInfomation& info,
                       bool replaceSameName, const BeforeCommit& beforeCommit) {
  const std::optional<int> slot = StoreMedia(records, info, replaceSameName, beforeCommit);
  if (slot) lastAddedSlot_ = *slot;
  return slot.has_value();
}

std::optional<int> Catalog::StoreMedia(const MediaRecordSource& records, TMediaInfomation& info,
                                       bool replaceSameName, const BeforeCommit& beforeCommit) {
  const int32_t n = records.RecordCount();
  if (!open_ || n < 1 || n > kMaxRecords + 2) return std::nullopt;
  UnloadMedia();
  BinaryFile file = LockCatalog(true);
  SyncWithDisk(file, true);
  std::optional<int> slot = AddMediaLocked(file, records, info, replaceSameName, beforeCommit);
  file.Close();
  return slot;
}

std::optional<int> Catalog::AddMediaLocked(BinaryFile& file, const MediaRecordSource& records,
                                           TMediaInfomation& info, bool replaceSameName,
                                           const BeforeCommit& beforeCommit) {
  const int32_t n = records.RecordCount();
  const int slot = FirstNeverUsedSlot();
  if (slot < 0) return std::nullopt;
  if (ErrorInfo damage = UnsoundSlotTable(); !damage.empty()) throw CatalogError(std::move(damage));

  // What is put back when any write fails: the catalogue as it was, its
  // length included, and the long-name file as it was.
  const std::vector<TMediaSlot> slotsBefore = mediaSlots_;
  const std::vector<TMediaSlot> diskBefore = SlotsOnDisk();
  const auto longNamesBefore = longNames_.size();
  const TLongNameMedia entryBefore = longNameMedia_[slot];
  const int32_t usedBefore = lnUsed_;
  const int64_t lengthBefore = file.Size();
  const std::string backup = longNamePath_ + ".old";
  std::error_code ec;
  const bool hadLongNames = fs::exists(longNamePath_, ec);
  bool longNamesReplaced = false, backedUp = false, intentWritten = false;

  const int64_t position = SlotPosition(slot);
  info.FirstLongName = static_cast<int32_t>(longNamesBefore);
  SideFileUndo exactUndo;
  SideFileUndo fprUndo;
  try {
    const ExactNameSetPtr exact = WriteRecordsOf(file, records, position);
    // The records are on the disk before anything points to them.
    file.Sync();

    TRecord root;
    records.Fetch(0, root);
    const std::string name = StoredMediaName(root.Name);
    const int replaced = replaceSameName ? FindMediaByName(name).value_or(-1) : -1;
    TMediaSlot& s = mediaSlots_[slot];
    s = TMediaSlot{};
    s.SetName(name);
    s.SetFirstRec(static_cast<int32_t>(position));
    s.SetCount(n);
    s.SetDeletedDate(0);
    TFileRec rootRec = TFileRec::FromRecord(root);
    rootRec.SetName(name);
    rootRec.SetCommentNo(-1);
    s.SetRoot(rootRec);
    s.SetInfo(info);
    if (replaced >= 0 && replaced != slot && mediaSlots_[replaced].IsLive()) {
      TMediaSlot& old = mediaSlots_[replaced];
      old.SetShortString(TMediaSlot::kName, TMediaSlot::kNameCap, {});
      old.SetDeletedDate(DosNow());
    }

    if (slot < lnCapacity_) {
      TLongNameMedia& m = longNameMedia_[slot];
      m = TLongNameMedia{};
      m.SetSlotCopy(s);
      m.SetValid(1);
      m.SetFirst(static_cast<int32_t>(longNamesBefore));
      m.SetEnd(static_cast<int32_t>(longNames_.size()));
      lnUsed_ = slot + 1;
      if (hadLongNames) {
        io::Remove(backup);
        backedUp = io::Link(longNamePath_, backup);
      }
      longNamesReplaced = true;
      WriteLongNameFile();
    }
    StoreExactNames(slot, exact, exactUndo);
    StoreFingerprints(slot, records.Fingerprints(), fprUndo);
    if (beforeCommit) beforeCommit(s);
    // The slot table last: until this write the new media does not exist. The
    // media it replaces goes in a write of its own after it, as its intent,
    // written first, says: a crash between the two leaves the intent, and
    // whoever takes the lock next finishes the deletion, so that the name
    // never holds the old media and the new one at once.
    if (replaced >= 0 && replaced != slot) {
      const TMediaSlot deleted = mediaSlots_[replaced];
      mediaSlots_[replaced].CopyFrom(0, &diskAreas_[replaced * TMediaSlot::kSize],
                                     TMediaSlot::kSize);
      WriteReplaceIntent(replaced, slot, deleted);
      intentWritten = true;
      WriteChangedSlots(file);
      file.Sync();
      mediaSlots_[replaced] = deleted;
    }
    WriteChangedSlots(file);
    file.Sync();
    if (intentWritten) io::Remove(ReplaceIntentPath(catalogPath_));
  } catch (...) {
    PutSlotsBack(file, diskBefore);
    mediaSlots_ = slotsBefore;
    longNames_.resize(longNamesBefore);
    longNameMedia_[slot] = entryBefore;
    lnUsed_ = usedBefore;
    try {
      if (file.Size() > lengthBefore) file.Truncate(lengthBefore);
    } catch (const CatalogError&) {
      // Unreferenced records after the last media harm nothing; the next add
      // overwrites them and compaction cuts them off.
    }
    try {
      if (longNamesReplaced && backedUp) {
        io::Rename(backup, longNamePath_);
        // A rename between two links of one file (the new file never got in
        // place) does nothing: the link kept aside goes then.
        io::RemoveIfPresent(backup);
      } else if (longNamesReplaced && !hadLongNames)
        io::Remove(longNamePath_);
      else if (longNamesReplaced)
        WriteLongNameFile();
      longNameStamp_ = io::StampOf(longNamePath_);
    } catch (const CatalogError&) {
      // The entry written for the never-used slot is ignored by every reader.
    }
    UndoExactNames(file, slot, exactUndo);
    UndoFingerprints(fprUndo);
    // The slots are back as they were: the intent has nothing left to finish.
    if (intentWritten) io::Remove(ReplaceIntentPath(catalogPath_));
    Recount();
    RebuildLongNameIndex();
    throw;
  }
  if (backedUp) io::Remove(backup);
  if (exactUndo.replaced) io::Remove(exactNamePath_ + ".old");
  if (fprUndo.replaced) io::Remove(fingerprintPath_ + ".old");
  Recount();
  RebuildNameLists();
  RebuildLongNameIndex();
  lastAddedSlot_ = slot;
  return slot;
}

ExactNameSetPtr Catalog::WriteRecordsOf(BinaryFile& file, const MediaRecordSource& records,
                                        int64_t position) {
  const int32_t n = records.RecordCount();
  std::shared_ptr<ExactNameSet> exact;
  std::vector<uint8_t> block(static_cast<std::size_t>(std::min(n, kRecordBlock)) * TFileRec::kSize);
  const auto* images = dynamic_cast<const RecordImageSource*>(&records);
  TRecord rec;
  for (int32_t start = 0; start < n; start += kRecordBlock) {
    const int32_t len = std::min(kRecordBlock, n - start);
    for (int32_t i = 0; i < len; ++i) {
      TFileRec image;
      std::string_view name;
      if (images) {
        name = images->FetchImage(start + i, image);
      } else {
        records.Fetch(start + i, rec);
        image = TFileRec::FromRecord(rec);
        name = rec.Name;
      }
      image.SetCommentNo(-1);
      if (name.size() > TFileRec::kNameCap) AppendLongName(start + i, name);
      // The media's own name (record 0) is the slot's, never a native one.
      if (const std::string_view native = records.NativeName(start + i);
          !native.empty() && start + i > 0) {
        if (!exact) exact = std::make_shared<ExactNameSet>();
        exact->Add(start + i, native);
      }
      std::copy_n(image.Data(), TFileRec::kSize,
                  &block[static_cast<std::size_t>(i) * TFileRec::kSize]);
    }
    file.WriteAt(RecordOffset(position + start), block.data(),
                 static_cast<std::size_t>(len) * TFileRec::kSize);
    // The disk writes the blocks while the next ones are made; the sync
    // after the last waits only for the rest.
    file.StartWriteback(RecordOffset(position + start),
                        static_cast<std::size_t>(len) * TFileRec::kSize);
  }
  return exact;
}

MediaIdentity Catalog::IdentityOf(int slot) const {
  const TMediaSlot& s = Slot(slot);
  return {s.Name(), s.Root().FileDate(), s.Count()};
}

int Catalog::SlotToChange(int slot, const TMediaSlot& seen, const MediaIdentity* expect) const {
  if (expect == nullptr) {
    if (mediaSlots_[slot] != seen) throw CatalogError(ErrorCode::ChangedMeanwhile, {catalogPath_});
    return slot;
  }
  const std::string stored = StoredMediaName(expect->name);
  if (slot < 0) {
    std::vector<int> named;
    for (int s = 0; s < kMaxMedia; ++s)
      if (mediaSlots_[s].IsLive() && mediaSlots_[s].Name() == stored) named.push_back(s);
    if (named.empty())
      throw MediaMismatch(MediaMismatch::Reason::NoneNamed, -1,
                          ErrorInfo{ErrorCode::NoMediaNamed, {catalogPath_}});
    if (named.size() > 1)
      throw MediaMismatch(
          MediaMismatch::Reason::SeveralNamed, -1,
          ErrorInfo{ErrorCode::SeveralMediaNamed, {catalogPath_, std::to_string(named.size())}});
    slot = named.front();
  }
  const TMediaSlot& s = mediaSlots_[slot];
  if (!s.IsLive() || s.Name() != stored ||
      (expect->readDate && s.Root().FileDate() != *expect->readDate) ||
      (expect->recordCount && s.Count() != *expect->recordCount))
    throw MediaMismatch(MediaMismatch::Reason::Differs, slot,
                        ErrorInfo{ErrorCode::MediaDiffers, {std::to_string(slot), catalogPath_}});
  return slot;
}

int Catalog::DeleteMedia(int slot, const MediaIdentity* expect) {
  const TMediaSlot seen = slot < 0 && expect ? TMediaSlot{} : MutableSlot(slot);
  if (expect == nullptr && !seen.IsLive()) return -1;
  BinaryFile file = LockCatalog(true);
  SyncWithDisk(file, true);
  slot = SlotToChange(slot, seen, expect);
  const std::vector<TMediaSlot> before = SlotsOnDisk();
  TMediaSlot& s = mediaSlots_[slot];
  s.SetShortString(TMediaSlot::kName, TMediaSlot::kNameCap, {});
  s.SetDeletedDate(DosNow());
  if (loadedMedia_ == slot) UnloadMedia();
  Recount();
  CommitSlots(file, before);
  file.Close();
  RebuildNameLists();
  return slot;
}

int Catalog::RenameMedia(int slot, std::string_view name, const MediaIdentity* expect) {
  return RenameMediaWith(slot, name, expect, nullptr);
}

int Catalog::RenameMediaWith(int slot, std::string_view name, const MediaIdentity* expect,
                             const std::string* utf8) {
  const TMediaSlot seen = slot < 0 && expect ? TMediaSlot{} : MutableSlot(slot);
  const std::string stored = StoredMediaName(name);
  BinaryFile file = LockCatalog(true);
  SyncWithDisk(file, true);
  slot = SlotToChange(slot, seen, expect);
  // Checked again under the lock: another program may have taken the name.
  if (std::optional<int> holder = FindMediaByName(stored); holder && *holder != slot) return 0;
  const std::vector<TMediaSlot> before = SlotsOnDisk();
  TMediaSlot& s = mediaSlots_[slot];
  s.SetName(stored);
  TFileRec root = s.Root();
  root.SetName(stored);
  s.SetRoot(root);
  // The exact name first: until the slot is written it is bound to a name
  // the slot does not hold.
  SideFileUndo undo;
  try {
    if (auto change = ExactTextChange(ExactField::MediaName, slot, before[slot].Name(),
                                      before[slot].IsLive(), s.Name(), utf8))
      AppendExactTexts({*change}, undo);
    CommitSlots(file, before);
  } catch (...) {
    UndoExactTexts(file, undo);
    throw;
  }
  file.Close();
  if (loadedMedia_ == slot) loadedRecs_[0].SetName(s.Name());
  RebuildNameLists();
  return 1;
}

std::optional<int> Catalog::FindMediaByName(std::string_view name) const {
  // Slot names are kept cut to their capacity, so a longer name is compared
  // as it would be stored; otherwise it could never meet its own media.
  const std::string stored = StoredMediaName(name);
  std::optional<int> last;
  for (int s = 0; s < kMaxMedia; ++s)
    if (mediaSlots_[s].Name() == stored) last = s;
  return last;
}

bool Catalog::IsMediaNameFree(std::string_view name) const {
  return !FindMediaByName(name).has_value();
}

bool Catalog::SetSlotDrive(int slot, std::string_view text) {
  if (slot < 0 || slot >= kMaxMedia) return false;
  mediaSlots_[slot].SetDrive(text);
  return true;
}
bool Catalog::SetSlotCategory(int slot, std::string_view text) {
  if (slot < 0 || slot >= kMaxMedia) return false;
  mediaSlots_[slot].SetCategory(text);
  pendingSlotTexts_.erase({slot, SlotText::Category});
  return true;
}
bool Catalog::SetSlotLocation(int slot, std::string_view text) {
  if (slot < 0 || slot >= kMaxMedia) return false;
  mediaSlots_[slot].SetLocation(text);
  pendingSlotTexts_.erase({slot, SlotText::Location});
  return true;
}
bool Catalog::SetSlotLocationDetail(int slot, std::string_view text) {
  if (slot < 0 || slot >= kMaxMedia) return false;
  mediaSlots_[slot].SetLocationDetail(text);
  pendingSlotTexts_.erase({slot, SlotText::LocationDetail});
  return true;
}

void Catalog::ChangeMediaDrive(int32_t key, std::string_view drive) {
  if (!IsEntryKey(key) || !SetSlotDrive(SlotOfKey(key), drive)) return;
  WriteSlotTable();
  shownMedia_.Drive = mediaSlots_[SlotOfKey(key)].Drive();
}

bool Catalog::LocateMedia(int slot, int64_t& position, int32_t& count) const {
  if (slot < 0 || slot >= slotsUsed_) return false;
  position = RecordOffset(SlotPosition(slot));
  count = mediaSlots_[slot].Count();
  return count >= 1 && count <= kMaxRecords + 2;
}

// ---------------------------------------------------------------- slot fields

std::string Catalog::MediaNameOf(int32_t key) const {
  if (!IsEntryKey(key) || SlotOfKey(key) >= kMaxMedia) return {};
  return mediaSlots_[SlotOfKey(key)].Name();
}
std::string Catalog::MediaDriveOf(int32_t key) const {
  if (!IsEntryKey(key) || SlotOfKey(key) >= kMaxMedia) return {};
  return mediaSlots_[SlotOfKey(key)].Drive();
}
std::string Catalog::MediaVolumeNameOf(int32_t key) const {
  if (!IsEntryKey(key) || SlotOfKey(key) >= kMaxMedia) return {};
  return mediaSlots_[SlotOfKey(key)].VolumeName();
}
std::string Catalog::MediaVolumeSerialOf(int32_t key) const {
  if (!IsEntryKey(key) || SlotOfKey(key) >= kMaxMedia) return {};
  return mediaSlots_[SlotOfKey(key)].VolumeSerial();
}

TMediaSlot Catalog::CopySlot(int32_t key) const {
  if (!IsEntryKey(key) || SlotOfKey(key) >= kMaxMedia) return TMediaSlot{};
  return mediaSlots_[SlotOfKey(key)];
}

std::string Catalog::SlotVolumeSerial(int slot) const {
  if (slot < 0 || slot >= kMaxMedia) return {};
  return mediaSlots_[slot].VolumeSerial();
}

int32_t Catalog::SlotReadDate(int slot) const {
  if (slot < 0 || slot >= kMaxMedia) return 0;
  return mediaSlots_[slot].Root().FileDate();
}

bool Catalog::FetchMediaFacts(int32_t key) {
  if (!IsEntryKey(key) || SlotOfKey(key) >= kMaxMedia) return false;
  const TMediaSlot& s = mediaSlots_[SlotOfKey(key)];
  if (!s.IsLive()) return false;
  int32_t firstLongName = shownMedia_.FirstLongName;
  shownMedia_ = s.Info();
  shownMedia_.FirstLongName = firstLongName;
  return true;
}

}  // namespace plomix
