#include "core/Catalog.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "core/BinaryFile.h"
#include "core/Format.h"
#include "core/Text.h"

namespace plomix {

namespace fs = std::filesystem;

namespace {

// Records are written and read in blocks of this many.
constexpr int32_t kRecordBlock = 8192;

constexpr auto kAreasSize = static_cast<std::size_t>(kRecordAreaOffset);

// The compaction's commit mark: while it exists, NAME.qdb.new and NAME.lfn.new
// are the catalogue and must be renamed into place before anything else.
std::string JournalPath(const std::string& catalog) {
  return catalog + ".journal";
}

// Writes the images of a table that differ from their bytes on disk (`disk`
// holds the areas from offset 0), as one write from the first to the last of
// them. When it fails a part may have landed: the old bytes are put back on
// disk (best effort) and in the table.
template <typename Image>
void WriteChangedImages(BinaryFile& file, std::vector<Image>& table, std::vector<uint8_t>& disk,
                        int64_t areaOffset) {
  constexpr auto kSize = static_cast<int64_t>(Image::kSize);
  const auto at = [&](std::size_t i) { return disk.data() + areaOffset + kSize * i; };
  std::size_t first = table.size(), last = 0;
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (std::equal(at(i), at(i) + kSize, table[i].Data())) continue;
    first = std::min(first, i);
    last = i;
  }
  if (first == table.size()) return;
  std::vector<uint8_t> bytes(static_cast<std::size_t>(kSize) * (last - first + 1));
  for (std::size_t i = first; i <= last; ++i)
    std::copy_n(table[i].Data(), kSize, &bytes[kSize * (i - first)]);
  const int64_t offset = areaOffset + kSize * static_cast<int64_t>(first);
  try {
    file.WriteAt(offset, bytes.data(), bytes.size());
  } catch (...) {
    try {
      file.WriteAt(offset, at(first), bytes.size());
    } catch (const CatalogError&) {
    }
    for (std::size_t i = first; i <= last; ++i) table[i].CopyFrom(0, at(i), kSize);
    throw;
  }
  std::copy(bytes.begin(), bytes.end(), disk.begin() + offset);
}

const char* ChangedMeanwhile() {
  return "\" was changed by another program meanwhile; it has been read again and the change "
         "was not made";
}

std::string ReplaceExtension(const std::string& path, const char* ext) {
  fs::path p(path);
  p.replace_extension(ext);
  return p.string();
}

int64_t LongNameKey(int slot, int32_t record) {
  return (int64_t{slot} << 32) | static_cast<uint32_t>(record);
}

const std::string& AllCategoriesText() {
  static const std::string all = text::Utf8ToCp932("すべて");
  return all;
}

class VectorSource : public MediaRecordSource {
 public:
  explicit VectorSource(const std::vector<TRecord>& records) : records_(records) {}
  int32_t RecordCount() const override { return static_cast<int32_t>(records_.size()); }
  void Fetch(int32_t index, TRecord& out) const override { out = records_.at(index); }

 private:
  const std::vector<TRecord>& records_;
};

}  // namespace

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
}

void Catalog::ResetTables() {
  mediaSlots_.assign(kMaxMedia, TMediaSlot{});
  commentSlots_.assign(kMaxComments, TCommentSlot{});
  for (auto& c : commentSlots_) c.Clear();
  slotsUsed_ = mediaCount_ = filteredMediaCount_ = 0;
}

void Catalog::ResetLongNameHeader() {
  lnCapacity_ = kMaxMedia;
  lnUsed_ = 0;
  longNameMedia_.assign(kMaxMedia, TLongNameMedia{});
  longNames_.clear();
  longNameIndex_.clear();
  longMap_.clear();
}

void Catalog::SetCatalogPath(const std::string& path) {
  catalogPath_ = path;
  dupPath_ = ReplaceExtension(path, ".dup");
  likePath_ = ReplaceExtension(path, ".lik");
  longNamePath_ = ReplaceExtension(path, ".lfn");
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
    lastError_ = "No catalogue name given (\"" + path + "\")";
    return false;
  }
  std::error_code ec;
  if (target.has_parent_path() && !fs::exists(target.parent_path(), ec))
    fs::create_directories(target.parent_path(), ec);

  // The catalogue open so far stays untouched until the new file exists:
  // a failed creation must not leave its tables emptied in memory, where the
  // next write would carry the emptiness into its file.
  const std::string lfn = ReplaceExtension(path, ".lfn");
  const std::string temporary = path + ".new";
  try {
    // Another program working on the old catalogue finishes first, and
    // whoever opens the path next waits for the new file to be complete.
    std::optional<BinaryFile> old;
    if (fs::exists(target, ec)) old.emplace(path, BinaryFile::Mode::ReadWrite);
    // The old results describe the old media; the new catalogue must not show them.
    for (const char* ext : {".dup", ".lik"}) {
      const std::string result = ReplaceExtension(path, ext);
      if (!io::Remove(result) || !io::Remove(result + ".new"))
        throw CatalogError(result, "Removing", errno);
    }
    std::vector<uint8_t> area(kAreasSize);
    TCommentSlot freeComment;
    freeComment.Clear();
    for (int c = 0; c < kMaxComments; ++c)
      std::copy_n(freeComment.Data(), TCommentSlot::kSize,
                  &area[kCommentAreaOffset + c * TCommentSlot::kSize]);
    BinaryFile file(temporary, BinaryFile::Mode::Create);
    try {
      file.WriteAt(0, area.data(), area.size());
      file.Sync();
      // A crash after this rename leaves the old long names beside an empty
      // catalogue, where no media refers to them; the reverse order could
      // leave the old catalogue without its long names.
      io::Rename(temporary, path);
    } catch (...) {
      io::Remove(temporary);
      throw;
    }
    io::SyncFolderOf(path);

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
    WriteLongNameFile();
    file.Close();
  } catch (const CatalogError& e) {
    lastError_ = e.what();
    return false;
  }
  (void)lfn;
  return true;
}

bool Catalog::OpenCatalog(const std::string& path) {
  std::string target = path.empty() ? catalogPath_ : path;
  if (target.empty()) {
    lastError_ = "No catalogue file given";
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
      lastError_ = "\"" + target + "\" is not a catalogue (too short)";
      return false;
    }
    stamp = file.Stamp();
    AdoptAreas(area, stamp);
    SetCatalogPath(target);
    open_ = true;
    foreignChange_ = false;
    // The long names are read under the same lock, so they belong to these slots.
    ReadLongNamesFrom(file);
    // Analyses that were cut off while writing leave their temporary files.
    io::RemoveAbandoned(dupPath_ + ".new");
    io::RemoveAbandoned(likePath_ + ".new");
  } catch (const CatalogError& e) {
    catalogPath_ = previous;
    lastError_ = e.what();
    return false;
  }
  return true;
}

void Catalog::AdoptAreas(const std::vector<uint8_t>& area, const io::FileStamp& stamp) {
  std::vector<TMediaSlot> slotTable(kMaxMedia);
  std::vector<TCommentSlot> comments(kMaxComments);
  for (int s = 0; s < kMaxMedia; ++s)
    slotTable[s].CopyFrom(0, &area[s * TMediaSlot::kSize], TMediaSlot::kSize);
  for (int c = 0; c < kMaxComments; ++c)
    comments[c].CopyFrom(0, &area[kCommentAreaOffset + c * TCommentSlot::kSize],
                         TCommentSlot::kSize);
  mediaSlots_ = std::move(slotTable);
  commentSlots_ = std::move(comments);
  diskAreas_ = area;
  catalogStamp_ = stamp;
  UnloadMedia();
  ResetLongNameHeader();
  statsSlot_ = -1;
  Recount();
  RebuildNameLists();
}

bool Catalog::ReadLongNames() {
  if (!open_) {
    ResetLongNameHeader();
    return false;
  }
  try {
    BinaryFile file = LockCatalog(false);
    return ReadLongNamesFrom(file);
  } catch (const CatalogError&) {
    ResetLongNameHeader();
    return false;
  }
}

// `catalogue` is the locked catalogue file: while its lock is held no writer
// replaces the long-name file.
bool Catalog::ReadLongNamesFrom(BinaryFile& catalogue) {
  (void)catalogue;
  ResetLongNameHeader();
  longNamesDamaged_ = false;
  BinaryFile file = BinaryFile::TryRead(longNamePath_);
  longNameStamp_ = file.IsOpen() ? file.Stamp() : io::FileStamp{};
  if (!file.IsOpen()) return false;

  std::vector<uint8_t> header(static_cast<std::size_t>(kLongNameHeaderSize));
  bool whole = false;
  try {
    whole = file.ReadAt(0, header.data(), header.size());
  } catch (const CatalogError&) {
    whole = false;
  }
  if (!whole) {
    longNamesDamaged_ = true;
    return false;
  }
  ByteImage<16> head;
  head.CopyFrom(0, header.data(), 16);
  // The capacity is fixed: any other value is damage, and taking it would
  // hide sound entries now and keep later media from their long names.
  lnCapacity_ = kMaxMedia;
  lnUsed_ = std::clamp(head.I32(8), 0, lnCapacity_);
  int32_t count = std::clamp(head.I32(12), 0, kMaxLongNames);
  for (int s = 0; s < kMaxMedia; ++s)
    longNameMedia_[s].CopyFrom(0, &header[512 + s * TLongNameMedia::kSize], TLongNameMedia::kSize);

  bool complete = head.I32(12) == count && head.I32(4) == kMaxMedia && head.I32(8) == lnUsed_;
  std::vector<uint8_t> block(static_cast<std::size_t>(count) * TLongName::kSize);
  int32_t got = count;
  try {
    if (!block.empty() && !file.ReadAt(kLongNameHeaderSize, block.data(), block.size())) {
      int64_t available = file.Size() - kLongNameHeaderSize;
      got = static_cast<int32_t>(std::max<int64_t>(0, available / TLongName::kSize));
      got = std::min(got, count);
      complete = false;
      if (got > 0) file.ReadAt(kLongNameHeaderSize, block.data(), got * TLongName::kSize);
    }
  } catch (const CatalogError&) {
    got = 0;
    complete = false;
  }
  longNames_.resize(got);
  for (int32_t j = 0; j < got; ++j)
    longNames_[j].CopyFrom(0, &block[static_cast<std::size_t>(j) * TLongName::kSize],
                           TLongName::kSize);
  if (!DropUnsoundLongNameRanges()) complete = false;
  RebuildLongNameIndex();
  if (!complete) longNamesDamaged_ = true;
  if (loadedMedia_ >= 0) BuildLongMap();
  return complete;
}

bool Catalog::DropUnsoundLongNameRanges() {
  // A media's range must lie inside the entries read and must not share
  // entries with another media's range; otherwise its names would be taken
  // from other entries. Such a media keeps its names cut to 91 bytes.
  // An entry marked valid beyond "used" contradicts the header; it is dropped
  // too, since a later add raises "used" over it unchecked.
  const auto count = static_cast<int32_t>(longNames_.size());
  std::vector<int> ranged;
  bool sound = true;
  for (int s = 0; s < kMaxMedia; ++s) {
    TLongNameMedia& m = longNameMedia_[s];
    if (m.Valid() != 1) continue;
    if (s >= lnUsed_ || m.First() < 0 || m.End() < m.First() || m.End() > count) {
      m.SetValid(0);
      sound = false;
    } else if (m.End() > m.First()) {
      ranged.push_back(s);
    }
  }
  std::sort(ranged.begin(), ranged.end(),
            [this](int a, int b) { return longNameMedia_[a].First() < longNameMedia_[b].First(); });
  int32_t coveredTo = 0;
  for (int s : ranged) {
    TLongNameMedia& m = longNameMedia_[s];
    if (m.First() < coveredTo) {
      m.SetValid(0);
      sound = false;
    } else {
      coveredTo = m.End();
    }
  }
  return sound;
}

void Catalog::RebuildLongNameIndex() {
  longNameIndex_.clear();
  const int32_t count = static_cast<int32_t>(longNames_.size());
  for (int s = 0; s < lnUsed_; ++s) {
    const TLongNameMedia& m = longNameMedia_[s];
    if (m.Valid() != 1) continue;
    for (int32_t j = m.First(); j < m.End() && j < count; ++j)
      longNameIndex_.emplace(LongNameKey(s, longNames_[j].Record()), j);
  }
}

std::vector<uint8_t> Catalog::LongNameFileBytes() const {
  std::vector<uint8_t> out(static_cast<std::size_t>(kLongNameHeaderSize) +
                           longNames_.size() * TLongName::kSize);
  ByteImage<16> head;
  head.SetI32(0, kLongNameFormat);
  head.SetI32(4, lnCapacity_);
  head.SetI32(8, lnUsed_);
  head.SetI32(12, static_cast<int32_t>(longNames_.size()));
  std::copy_n(head.Data(), 16, out.data());
  for (int s = 0; s < kMaxMedia; ++s)
    std::copy_n(longNameMedia_[s].Data(), TLongNameMedia::kSize,
                &out[512 + s * TLongNameMedia::kSize]);
  for (std::size_t j = 0; j < longNames_.size(); ++j)
    std::copy_n(longNames_[j].Data(), TLongName::kSize,
                &out[kLongNameHeaderSize + j * TLongName::kSize]);
  return out;
}

void Catalog::WriteLongNameFile() {
  // A long-name file that could not be read whole is kept aside before it is
  // replaced, so that nothing it still held is destroyed.
  if (longNamesDamaged_) {
    std::error_code ec;
    std::string backup = longNamePath_ + ".damaged";
    if (fs::exists(longNamePath_, ec) && !fs::exists(backup, ec) &&
        !io::Link(longNamePath_, backup)) {
      std::vector<uint8_t> old;
      BinaryFile file = BinaryFile::TryRead(longNamePath_);
      if (file.IsOpen()) {
        old.resize(static_cast<std::size_t>(file.Size()));
        if (file.ReadAt(0, old.data(), old.size())) io::ReplaceWhole(backup, old);
      }
    }
  }
  io::ReplaceWhole(longNamePath_, LongNameFileBytes());
  longNamesDamaged_ = false;
  longNameStamp_ = io::StampOf(longNamePath_);
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

bool Catalog::WriteSlotTable() {
  BinaryFile file = LockCatalog(true);
  SyncWithDisk(file, true);
  CommitSlots(file, SlotsOnDisk());
  file.Close();
  RebuildNameLists();
  return true;
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

// ---------------------------------------------------------------- transactions

BinaryFile Catalog::LockCatalog(bool exclusive) {
  const std::string journal = JournalPath(catalogPath_);
  const std::string newCatalog = catalogPath_ + ".new";
  const std::string longNames = ReplaceExtension(catalogPath_, ".lfn");
  const std::string newLongNames = longNames + ".new";
  for (;;) {
    BinaryFile file(catalogPath_, exclusive ? BinaryFile::Mode::ReadWrite : BinaryFile::Mode::Read);
    std::error_code ec;
    const bool pending = fs::exists(journal, ec);
    if (!exclusive) {
      if (!pending) return file;
      file.Close();
      try {
        LockCatalog(true);
      } catch (const CatalogError&) {
        // A catalogue that cannot be written (read-only media) is read as it is.
        return BinaryFile(catalogPath_, BinaryFile::Mode::Read);
      }
      continue;
    }
    if (!pending) {
      // Left by a write that was cut off; nothing refers to them.
      if (fs::exists(newCatalog, ec)) io::Remove(newCatalog);
      if (fs::exists(newLongNames, ec)) io::Remove(newLongNames);
      if (fs::exists(longNames + ".old", ec)) io::Remove(longNames + ".old");
      return file;
    }
    // A compaction committed its new files and was cut off while renaming
    // them: finish the renames. The new catalogue is locked first, so that
    // nobody who opens it after the rename reads it before the long names
    // beside it are in place too.
    std::optional<BinaryFile> incoming;
    if (fs::exists(newCatalog, ec)) {
      incoming.emplace(newCatalog, BinaryFile::Mode::ReadWrite);
      io::Rename(newCatalog, catalogPath_);
    }
    if (fs::exists(newLongNames, ec)) io::Rename(newLongNames, longNames);
    io::SyncFolderOf(catalogPath_);
    io::Remove(journal);
    io::SyncFolderOf(catalogPath_);
    // The lock held is on the file replaced; the loop opens the new one.
  }
}

bool Catalog::SyncWithDisk(BinaryFile& file, bool keepEdits) {
  std::vector<uint8_t> fresh(kAreasSize);
  if (!file.ReadAt(0, fresh.data(), fresh.size()))
    throw CatalogError("\"" + catalogPath_ + "\" is not a catalogue (too short)");
  const io::FileStamp stamp = file.Stamp();
  const bool sameFile = stamp.device == catalogStamp_.device && stamp.inode == catalogStamp_.inode;
  bool changed = !sameFile || fresh != diskAreas_;
  const bool hadBase = diskAreas_.size() == kAreasSize;
  if (changed) {
    // Edits made in memory and not yet written survive where the other
    // program left the same slot alone; a slot changed on both sides is a
    // conflict, and then memory takes the disk wholly.
    bool conflict = false;
    std::vector<TMediaSlot> edited;
    std::vector<int> editedAt;
    for (int s = 0; s < kMaxMedia && keepEdits && hadBase; ++s) {
      const uint8_t* base = &diskAreas_[s * TMediaSlot::kSize];
      if (std::equal(base, base + TMediaSlot::kSize, mediaSlots_[s].Data())) continue;
      if (!sameFile ||
          !std::equal(base, base + TMediaSlot::kSize, &fresh[s * TMediaSlot::kSize])) {
        conflict = true;
        break;
      }
      editedAt.push_back(s);
      edited.push_back(mediaSlots_[s]);
    }
    std::vector<TCommentSlot> editedComments;
    std::vector<int> editedCommentAt;
    for (int c = 0; c < kMaxComments && keepEdits && hadBase && !conflict; ++c) {
      const uint8_t* base = &diskAreas_[kCommentAreaOffset + c * TCommentSlot::kSize];
      if (std::equal(base, base + TCommentSlot::kSize, commentSlots_[c].Data())) continue;
      if (!std::equal(base, base + TCommentSlot::kSize,
                      &fresh[kCommentAreaOffset + c * TCommentSlot::kSize])) {
        conflict = true;
        break;
      }
      editedCommentAt.push_back(c);
      editedComments.push_back(commentSlots_[c]);
    }
    const int loaded = loadedMedia_;
    const bool loadedKept =
        sameFile && loaded >= 0 && hadBase &&
        std::equal(&fresh[loaded * TMediaSlot::kSize], &fresh[(loaded + 1) * TMediaSlot::kSize],
                   &diskAreas_[loaded * TMediaSlot::kSize]);
    std::vector<TFileRec> keptRecs;
    int keptCount = 0;
    if (loadedKept) {
      keptRecs.swap(loadedRecs_);
      keptCount = loadedCount_;
    }
    const int32_t lnCapacity = lnCapacity_, lnUsed = lnUsed_;
    auto media = std::move(longNameMedia_);
    auto names = std::move(longNames_);
    AdoptAreas(fresh, stamp);
    lnCapacity_ = lnCapacity;
    lnUsed_ = lnUsed;
    longNameMedia_ = std::move(media);
    longNames_ = std::move(names);
    RebuildLongNameIndex();
    if (!conflict) {
      for (std::size_t i = 0; i < editedAt.size(); ++i) mediaSlots_[editedAt[i]] = edited[i];
      for (std::size_t i = 0; i < editedCommentAt.size(); ++i)
        commentSlots_[editedCommentAt[i]] = editedComments[i];
    }
    if (loadedKept) {
      loadedRecs_.swap(keptRecs);
      loadedMedia_ = loaded;
      loadedCount_ = keptCount;
      BuildLongMap();
    }
    Recount();
    RebuildNameLists();
    foreignChange_ = true;
    if (conflict) {
      if (io::StampOf(longNamePath_) != longNameStamp_) ReadLongNamesFrom(file);
      throw CatalogError("\"" + catalogPath_ + ChangedMeanwhile());
    }
  }
  if (io::StampOf(longNamePath_) != longNameStamp_) {
    ReadLongNamesFrom(file);
    foreignChange_ = true;
    changed = true;
  }
  return changed;
}

void Catalog::WriteChangedSlots(BinaryFile& file) {
  try {
    WriteChangedImages(file, mediaSlots_, diskAreas_, kSlotAreaOffset);
  } catch (...) {
    Recount();
    throw;
  }
}

std::vector<TMediaSlot> Catalog::SlotsOnDisk() const {
  std::vector<TMediaSlot> slots(kMaxMedia);
  for (int s = 0; s < kMaxMedia; ++s)
    slots[s].CopyFrom(0, &diskAreas_[s * TMediaSlot::kSize], TMediaSlot::kSize);
  return slots;
}

void Catalog::PutSlotsBack(BinaryFile& file, const std::vector<TMediaSlot>& slots) {
  // What reached the disk (or only its cache, when a sync failed) is written
  // back, so that a failed change is no change.
  mediaSlots_ = slots;
  try {
    WriteChangedSlots(file);
  } catch (const CatalogError&) {
  }
  for (int s = 0; s < kMaxMedia; ++s)
    std::copy_n(slots[s].Data(), TMediaSlot::kSize, &diskAreas_[s * TMediaSlot::kSize]);
  mediaSlots_ = slots;
  Recount();
}

void Catalog::WriteChangedComments(BinaryFile& file) {
  WriteChangedImages(file, commentSlots_, diskAreas_, kCommentAreaOffset);
}

bool Catalog::ChangedOnDisk() {
  if (!open_) return false;
  try {
    BinaryFile file = LockCatalog(false);
    std::vector<uint8_t> fresh(kAreasSize);
    if (!file.ReadAt(0, fresh.data(), fresh.size())) return true;
    const io::FileStamp stamp = file.Stamp();
    return stamp.device != catalogStamp_.device || stamp.inode != catalogStamp_.inode ||
           fresh != diskAreas_ || io::StampOf(longNamePath_) != longNameStamp_;
  } catch (const CatalogError&) {
    return true;
  }
}

bool Catalog::RefreshFromDisk() {
  if (open_) {
    try {
      BinaryFile file = LockCatalog(false);
      SyncWithDisk(file, true);
    } catch (const CatalogError& e) {
      lastError_ = e.what();
    }
  }
  return std::exchange(foreignChange_, false);
}

void Catalog::RebuildNameLists() {
  categoryNames_.Clear();
  locationNames_.Clear();
  for (const TMediaSlot& slot : mediaSlots_) {
    if (!slot.IsLive()) continue;
    if (std::string c = slot.Category(); !c.empty()) categoryNames_.Add(c);
    if (std::string l = slot.Location(); !l.empty()) locationNames_.Add(l);
  }
}

int Catalog::FirstNeverUsedSlot() const {
  for (int s = 0; s < kMaxMedia; ++s)
    if (mediaSlots_[s].IsNeverUsed()) return s;
  return -1;
}

int64_t Catalog::SlotPosition(int slot) const {
  int64_t sum = 0;
  for (int s = 0; s < slot && s < kMaxMedia; ++s) {
    if (mediaSlots_[s].IsNeverUsed()) break;
    sum += std::max(0, mediaSlots_[s].Count());
  }
  return sum;
}

// ---------------------------------------------------------------- adding media

bool Catalog::AddMedia(const std::vector<TRecord>& records, TMediaInfomation& info) {
  return AddMedia(VectorSource(records), info);
}

bool Catalog::AddMedia(const MediaRecordSource& records, TMediaInfomation& info,
                       bool replaceSameName) {
  const std::optional<int> slot = StoreMedia(records, info, replaceSameName);
  if (slot) lastAddedSlot_ = *slot;
  return slot.has_value();
}

std::optional<int> Catalog::StoreMedia(const MediaRecordSource& records, TMediaInfomation& info,
                                       bool replaceSameName) {
  const int32_t n = records.RecordCount();
  if (!open_ || n < 1 || n > kMaxRecords + 2) return std::nullopt;
  UnloadMedia();
  BinaryFile file = LockCatalog(true);
  SyncWithDisk(file, true);
  std::optional<int> slot = AddMediaLocked(file, records, info, replaceSameName);
  file.Close();
  return slot;
}

std::optional<int> Catalog::AddMediaLocked(BinaryFile& file, const MediaRecordSource& records,
                                           TMediaInfomation& info, bool replaceSameName) {
  const int32_t n = records.RecordCount();
  const int slot = FirstNeverUsedSlot();
  if (slot < 0) return std::nullopt;

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
  bool longNamesReplaced = false, backedUp = false;

  const int64_t position = SlotPosition(slot);
  info.FirstLongName = static_cast<int32_t>(longNamesBefore);
  try {
    WriteRecordsOf(file, records, position);
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
    // The slot table last: until this one small write the new media does not
    // exist. The media it replaces goes only after it, in a write of its own.
    TMediaSlot replacedSlot;
    if (replaced >= 0 && replaced != slot) {
      replacedSlot = mediaSlots_[replaced];
      mediaSlots_[replaced].CopyFrom(0, &diskAreas_[replaced * TMediaSlot::kSize],
                                     TMediaSlot::kSize);
    }
    WriteChangedSlots(file);
    if (replaced >= 0 && replaced != slot) {
      mediaSlots_[replaced] = replacedSlot;
      WriteChangedSlots(file);
    }
    file.Sync();
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
      if (longNamesReplaced && backedUp)
        io::Rename(backup, longNamePath_);
      else if (longNamesReplaced && !hadLongNames)
        io::Remove(longNamePath_);
      else if (longNamesReplaced)
        WriteLongNameFile();
      longNameStamp_ = io::StampOf(longNamePath_);
    } catch (const CatalogError&) {
      // The entry written for the never-used slot is ignored by every reader.
    }
    Recount();
    RebuildLongNameIndex();
    throw;
  }
  if (backedUp) io::Remove(backup);
  Recount();
  RebuildNameLists();
  RebuildLongNameIndex();
  lastAddedSlot_ = slot;
  return slot;
}

void Catalog::WriteRecordsOf(BinaryFile& file, const MediaRecordSource& records, int64_t position) {
  const int32_t n = records.RecordCount();
  std::vector<uint8_t> block(static_cast<std::size_t>(std::min(n, kRecordBlock)) * TFileRec::kSize);
  TRecord rec;
  for (int32_t start = 0; start < n; start += kRecordBlock) {
    const int32_t len = std::min(kRecordBlock, n - start);
    for (int32_t i = 0; i < len; ++i) {
      records.Fetch(start + i, rec);
      TFileRec image = TFileRec::FromRecord(rec);
      image.SetCommentNo(-1);
      if (rec.Name.size() > TFileRec::kNameCap) AppendLongName(start + i, rec.Name);
      std::copy_n(image.Data(), TFileRec::kSize,
                  &block[static_cast<std::size_t>(i) * TFileRec::kSize]);
    }
    file.WriteAt(RecordOffset(position + start), block.data(),
                 static_cast<std::size_t>(len) * TFileRec::kSize);
  }
}

void Catalog::DeleteMedia(int slot) {
  TMediaSlot& s = MutableSlot(slot);
  if (!s.IsLive()) return;
  s.SetShortString(TMediaSlot::kName, TMediaSlot::kNameCap, {});
  s.SetDeletedDate(DosNow());
  if (loadedMedia_ == slot) UnloadMedia();
  Recount();
  WriteSlotTable();
}

int Catalog::RenameMedia(int slot, std::string_view name) {
  const TMediaSlot seen = MutableSlot(slot);
  const std::string stored = StoredMediaName(name);
  BinaryFile file = LockCatalog(true);
  SyncWithDisk(file, true);
  if (mediaSlots_[slot] != seen) throw CatalogError("\"" + catalogPath_ + ChangedMeanwhile());
  // Checked again under the lock: another program may have taken the name.
  if (std::optional<int> holder = FindMediaByName(stored); holder && *holder != slot) return 0;
  const std::vector<TMediaSlot> before = SlotsOnDisk();
  TMediaSlot& s = mediaSlots_[slot];
  s.SetName(stored);
  TFileRec root = s.Root();
  root.SetName(stored);
  s.SetRoot(root);
  CommitSlots(file, before);
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

bool Catalog::IsMediaNameFree(std::string_view name) {
  const std::optional<int> slot = FindMediaByName(name);
  if (slot) lastEqualNameSlot_ = *slot;
  return !slot.has_value();
}

bool Catalog::SetSlotDrive(int slot, std::string_view text) {
  if (slot < 0 || slot >= kMaxMedia) return false;
  mediaSlots_[slot].SetDrive(text);
  return true;
}
bool Catalog::SetSlotCategory(int slot, std::string_view text) {
  if (slot < 0 || slot >= kMaxMedia) return false;
  mediaSlots_[slot].SetCategory(text);
  return true;
}
bool Catalog::SetSlotLocation(int slot, std::string_view text) {
  if (slot < 0 || slot >= kMaxMedia) return false;
  mediaSlots_[slot].SetLocation(text);
  return true;
}
bool Catalog::SetSlotLocationDetail(int slot, std::string_view text) {
  if (slot < 0 || slot >= kMaxMedia) return false;
  mediaSlots_[slot].SetLocationDetail(text);
  return true;
}

void Catalog::ChangeMediaDrive(int32_t key, std::string_view drive) {
  if (key < 0 || !SetSlotDrive(SlotOfKey(key), drive)) return;
  WriteSlotTable();
  shownMedia_.Drive = mediaSlots_[SlotOfKey(key)].Drive();
}

bool Catalog::LocateMedia(int slot, int64_t& position, int32_t& count) const {
  if (slot < 0 || slot >= slotsUsed_) return false;
  position = RecordOffset(SlotPosition(slot));
  count = mediaSlots_[slot].Count();
  return count >= 1 && count <= kMaxRecords + 2;
}

// ---------------------------------------------------------------- loaded media

void Catalog::UnloadMedia() {
  loadedMedia_ = -1;
  loadedCount_ = 0;
  longMap_.clear();
  pathCacheSlot_ = -1;
  pathCacheParent_ = -2;
  pathCache_.clear();
}

bool Catalog::LoadMedia(int slot) {
  if (slot == loadedMedia_ && slot >= 0) return true;
  int64_t position = 0;
  int32_t count = 0;
  if (!LocateMedia(slot, position, count)) {
    lastError_ = "Media " + std::to_string(slot) + " has no records";
    return false;
  }
  UnloadMedia();
  BinaryFile file = BinaryFile::TryRead(catalogPath_);
  if (!file.IsOpen()) {
    lastError_ = "Cannot open \"" + catalogPath_ + "\"";
    return false;
  }
  if (!SlotStillOnDisk(file, slot)) return false;
  // The records are read straight into the table's byte images; its storage is
  // kept from one load to the next, so browsing does not reallocate.
  std::vector<TFileRec>& recs = loadedRecs_;
  try {
    // A damaged count must not size the table before the file has shown it
    // holds that many records.
    const int64_t bytes = int64_t{count} * TFileRec::kSize;
    const bool inside = position + bytes <= file.Size();
    if (inside) recs.resize(static_cast<std::size_t>(count) + 1);
    if (!inside || !file.ReadAt(position, reinterpret_cast<uint8_t*>(recs.data()),
                                static_cast<std::size_t>(bytes))) {
      UnloadMedia();
      lastError_ = "The records of media " + std::to_string(slot) + " run past the end of \"" +
                   catalogPath_ + "\"";
      return false;
    }
  } catch (const std::exception& e) {
    UnloadMedia();
    lastError_ = e.what();
    return false;
  }
  for (int32_t r = 0; r < count; ++r) {
    if (!LinksAreSound(r, recs[r], count)) {
      UnloadMedia();
      lastError_ = "Media " + std::to_string(slot) + " is damaged (record " + std::to_string(r) +
                   " links outside the media)";
      return false;
    }
  }
  recs[count] = TFileRec{};
  recs[count].SetParent(-1);
  recs[count].SetFirstChild(-1);
  recs[0].SetName(mediaSlots_[slot].Name());

  loadedMedia_ = slot;
  loadedCount_ = count;
  BuildLongMap();
  return true;
}

bool Catalog::SlotStillOnDisk(BinaryFile& file, int slot) {
  // Records move only when the file is replaced (compaction, creation), and
  // a slot's records are found through the slots before it, which no other
  // change alters: the same file and the same slot mean the same records.
  const io::FileStamp stamp = file.Stamp();
  TMediaSlot onDisk;
  bool same = false;
  try {
    same = stamp.device == catalogStamp_.device && stamp.inode == catalogStamp_.inode &&
           diskAreas_.size() == kAreasSize &&
           file.ReadAt(kSlotAreaOffset + int64_t{slot} * TMediaSlot::kSize, onDisk.Data(),
                       TMediaSlot::kSize) &&
           std::equal(onDisk.Data(), onDisk.Data() + TMediaSlot::kSize,
                      &diskAreas_[slot * TMediaSlot::kSize]);
  } catch (const CatalogError&) {
    same = false;
  }
  if (!same) {
    lastError_ = "\"" + catalogPath_ +
                 "\" was changed by another program; it must be read again (media " +
                 std::to_string(slot) + ")";
    foreignChange_ = true;
  }
  return same;
}

void Catalog::BuildLongMap() {
  longMap_.clear();
  if (loadedMedia_ < 0 || loadedMedia_ >= lnUsed_) return;
  const TLongNameMedia& m = longNameMedia_[loadedMedia_];
  if (m.Valid() != 1) return;
  int32_t first = std::max(0, m.First());
  int32_t end = std::min(static_cast<int32_t>(longNames_.size()), m.End());
  if (first >= end) return;
  longMap_.assign(loadedCount_, -1);
  for (int32_t j = first; j < end; ++j) {
    int32_t r = longNames_[j].Record();
    if (r >= 0 && r < loadedCount_) longMap_[r] = j;
  }
}

void Catalog::CheckLoaded(int slot, int record) const {
  if (slot != loadedMedia_ || record < 0 || record >= loadedCount_)
    throw std::out_of_range("record " + std::to_string(record) + " of media " +
                            std::to_string(slot) + " is not loaded");
}

bool Catalog::VisitMediaRecords(
    int slot, const std::function<void(int32_t index, const TFileRec& rec)>& visit) {
  int64_t position = 0;
  int32_t count = 0;
  if (!LocateMedia(slot, position, count)) {
    lastError_ = "Media " + std::to_string(slot) + " has no records";
    return false;
  }
  BinaryFile file = BinaryFile::TryRead(catalogPath_);
  if (!file.IsOpen()) {
    lastError_ = "Cannot open \"" + catalogPath_ + "\"";
    return false;
  }
  if (!SlotStillOnDisk(file, slot)) return false;
  if (file.Size() < position + int64_t{count} * static_cast<int64_t>(TFileRec::kSize)) {
    lastError_ = "The records of media " + std::to_string(slot) + " run past the end of \"" +
                 catalogPath_ + "\"";
    return false;
  }
  // Small blocks, read straight into record images: each block is still in
  // the cache while its records are visited.
  constexpr int32_t kVisitBlock = 2048;
  std::vector<TFileRec> block(static_cast<std::size_t>(std::min(count, kVisitBlock)));
  for (int32_t start = 0; start < count; start += kVisitBlock) {
    const int32_t len = std::min(kVisitBlock, count - start);
    if (!file.ReadAt(position + int64_t{start} * TFileRec::kSize,
                     reinterpret_cast<uint8_t*>(block.data()),
                     static_cast<std::size_t>(len) * TFileRec::kSize))
      throw CatalogError("\"" + catalogPath_ + "\" became shorter while it was read");
    for (int32_t i = 0; i < len; ++i) visit(start + i, block[static_cast<std::size_t>(i)]);
  }
  return true;
}

const TFileRec& Catalog::LoadedRec(int r) const {
  if (r < 0 || r > loadedCount_ || loadedMedia_ < 0)
    throw std::out_of_range("record outside the loaded media");
  return loadedRecs_[r];
}

bool Catalog::HasLongName(int record) const {
  return record >= 0 && record < static_cast<int>(longMap_.size()) && longMap_[record] >= 0;
}

std::string Catalog::LongNameOf(int record) const {
  if (!HasLongName(record)) return {};
  return longNames_[longMap_[record]].Name();
}

std::string Catalog::RecordName(int r) const {
  if (r > 0 && HasLongName(r)) return LongNameOf(r);
  return LoadedRec(r).Name();
}

RecordPathResult Catalog::RecordPath(int32_t key) {
  RecordPathResult result;
  if (key < 0 || !LoadMedia(SlotOfKey(key))) return result;
  int r = RecordOfKey(key);
  if (r >= loadedCount_) return result;
  result.name = RecordName(r);
  std::string path;
  for (int32_t p = loadedRecs_[r].Parent(); p >= 0; p = loadedRecs_[p].Parent())
    path.insert(0, RecordName(p) + "\\");
  result.folder = std::move(path);
  return result;
}

void Catalog::ResetPathCache() {
  pathCacheSlot_ = -1;
  pathCacheParent_ = -2;
  pathCache_.clear();
}

std::string Catalog::BuildRecordPath(int slot, int record) {
  if (!LoadMedia(slot) || record <= 0 || record >= loadedCount_) return {};
  int32_t parent = loadedRecs_[record].Parent();
  if (slot == pathCacheSlot_ && parent == pathCacheParent_) return pathCache_;
  std::string path;
  for (int32_t x = parent; x >= 0; x = loadedRecs_[x].Parent()) {
    std::string segment = x == 0 ? mediaSlots_[slot].Name() : RecordName(x);
    path = path.empty() ? segment : segment + "\\" + path;
  }
  pathCacheSlot_ = slot;
  pathCacheParent_ = parent;
  pathCache_ = path;
  return path;
}

// ---------------------------------------------------------------- slot fields

std::string Catalog::MediaNameOf(int32_t key) const {
  if (key < 0 || SlotOfKey(key) >= kMaxMedia) return {};
  return mediaSlots_[SlotOfKey(key)].Name();
}
std::string Catalog::MediaDriveOf(int32_t key) const {
  if (key < 0 || SlotOfKey(key) >= kMaxMedia) return {};
  return mediaSlots_[SlotOfKey(key)].Drive();
}
std::string Catalog::MediaVolumeNameOf(int32_t key) const {
  if (key < 0 || SlotOfKey(key) >= kMaxMedia) return {};
  return mediaSlots_[SlotOfKey(key)].VolumeName();
}
std::string Catalog::MediaVolumeSerialOf(int32_t key) const {
  if (key < 0 || SlotOfKey(key) >= kMaxMedia) return {};
  return mediaSlots_[SlotOfKey(key)].VolumeSerial();
}

TMediaSlot Catalog::CopySlot(int32_t key) const {
  if (key < 0 || SlotOfKey(key) >= kMaxMedia) return TMediaSlot{};
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
  if (key < 0 || SlotOfKey(key) >= kMaxMedia) return false;
  const TMediaSlot& s = mediaSlots_[SlotOfKey(key)];
  if (!s.IsLive()) return false;
  int32_t firstLongName = shownMedia_.FirstLongName;
  shownMedia_ = s.Info();
  shownMedia_.FirstLongName = firstLongName;
  return true;
}

// ---------------------------------------------------------------- marks

int Catalog::SetMark(int mode, int32_t key) {
  if (key < 0) return -1;
  if (!LoadMedia(SlotOfKey(key))) return -1;
  const auto next = [mode](uint8_t current) -> uint8_t {
    switch (mode) {
      case 0:
        return current == 1 ? 0 : 1;
      case 1:
        return 1;
      case 2:
        return 0;
      default:
        return current;
    }
  };
  uint8_t value = 0;
  UpdateRecord(key, [&](TFileRec& rec) {
    value = next(rec.Mark());
    rec.SetMark(value);
  });
  return value;
}

void Catalog::SetCommentLink(int commentIndex, int32_t key) {
  if (key < 0) return;
  if (!LoadMedia(SlotOfKey(key))) return;
  UpdateRecord(key, [commentIndex](TFileRec& rec) { rec.SetCommentNo(commentIndex); });
}

// One field of one record changed as it is on disk now (another program may
// have changed another field of it meanwhile). Record 0's authority is the
// root copy in the slot, written with it.
void Catalog::UpdateRecord(int32_t key, const std::function<void(TFileRec&)>& change) {
  const int slot = SlotOfKey(key);
  const int r = RecordOfKey(key);
  CheckLoaded(slot, r);
  BinaryFile file = LockCatalog(true);
  SyncWithDisk(file, true);
  if (loadedMedia_ != slot) throw CatalogError("\"" + catalogPath_ + ChangedMeanwhile());
  const int64_t offset = RecordOffset(SlotPosition(slot) + r);
  if (r > 0) {
    TFileRec rec;
    if (!file.ReadAt(offset, rec.Data(), TFileRec::kSize))
      throw CatalogError("\"" + catalogPath_ + "\" is shorter than its media " +
                         std::to_string(slot));
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
  file.Close();
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
  BinaryFile file = LockCatalog(true);
  SyncWithDisk(file, true);
  // The free slot is chosen under the lock, among the comments on disk now.
  for (int i = 0; i < kMaxComments; ++i) {
    TCommentSlot& c = commentSlots_[i];
    if (!c.IsFree()) continue;
    c.SetKey(key);
    c.SetDate(DosNow());
    c.SetText(commentText);
    c.SetKind(kind);
    c.SetName(name);
    WriteChangedComments(file);
    file.Close();
    return i;
  }
  return -1;
}

std::string Catalog::CommentText(int index) const {
  if (index < 0 || index >= kMaxComments) return {};
  return commentSlots_[index].Text();
}

void Catalog::UpdateComment(int index, int32_t key, std::string_view commentText) {
  if (index < 0 || index >= kMaxComments) return;
  TCommentSlot& c = commentSlots_[index];
  c.SetKey(key);
  c.SetDate(DosNow());
  c.SetText(commentText);
  WriteCommentSlot(index);
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
  if (key < 0) return std::string(storedName);
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
