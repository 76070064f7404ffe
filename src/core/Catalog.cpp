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
  std::error_code ec;
  fs::path target(path);
  if (fs::exists(target, ec)) {
    if (!fs::remove(target, ec)) {
      lastError_ = "Cannot remove \"" + path + "\": " + ec.message();
      return false;
    }
  } else if (target.has_parent_path() && !fs::exists(target.parent_path(), ec)) {
    fs::create_directories(target.parent_path(), ec);
  }
  std::string lfn = ReplaceExtension(path, ".lfn");
  if (fs::exists(lfn, ec) && !fs::remove(lfn, ec)) {
    lastError_ = "Cannot remove \"" + lfn + "\": " + ec.message();
    return false;
  }

  // The catalogue open so far stays untouched until the new file exists:
  // a failed creation must not leave its tables emptied in memory, where the
  // next write would carry the emptiness into its file.
  try {
    std::vector<uint8_t> area(static_cast<std::size_t>(kRecordAreaOffset));
    TCommentSlot freeComment;
    freeComment.Clear();
    for (int c = 0; c < kMaxComments; ++c)
      std::copy_n(freeComment.Data(), TCommentSlot::kSize,
                  &area[kCommentAreaOffset + c * TCommentSlot::kSize]);
    BinaryFile file(path, BinaryFile::Mode::Create);
    file.WriteAt(0, area.data(), area.size());
    file.Close();
  } catch (const CatalogError& e) {
    lastError_ = e.what();
    return false;
  }

  ResetTables();
  UnloadMedia();
  statsSlot_ = -1;
  SetCatalogPath(path);
  open_ = true;
  categoryNames_.Clear();
  locationNames_.Clear();
  ResetLongNameHeader();
  longNamesDamaged_ = false;
  try {
    WriteLongNameFile();
  } catch (const CatalogError& e) {
    lastError_ = e.what();
    return false;
  }
  return true;
}

bool Catalog::OpenCatalog(const std::string& path) {
  std::string target = path.empty() ? catalogPath_ : path;
  if (target.empty()) {
    lastError_ = "No catalogue file given";
    return false;
  }
  BinaryFile file = BinaryFile::TryRead(target);
  if (!file.IsOpen()) {
    lastError_ = "Cannot open \"" + target + "\"";
    return false;
  }
  std::vector<uint8_t> area(static_cast<std::size_t>(kRecordAreaOffset));
  try {
    if (!file.ReadAt(0, area.data(), area.size())) {
      lastError_ = "\"" + target + "\" is not a catalogue (too short)";
      return false;
    }
  } catch (const CatalogError& e) {
    lastError_ = e.what();
    return false;
  }
  std::vector<TMediaSlot> slotTable(kMaxMedia);
  std::vector<TCommentSlot> comments(kMaxComments);
  for (int s = 0; s < kMaxMedia; ++s)
    slotTable[s].CopyFrom(0, &area[s * TMediaSlot::kSize], TMediaSlot::kSize);
  for (int c = 0; c < kMaxComments; ++c)
    comments[c].CopyFrom(0, &area[kCommentAreaOffset + c * TCommentSlot::kSize],
                         TCommentSlot::kSize);

  mediaSlots_ = std::move(slotTable);
  commentSlots_ = std::move(comments);
  SetCatalogPath(target);
  open_ = true;
  UnloadMedia();
  ResetLongNameHeader();
  statsSlot_ = -1;
  Recount();
  RebuildNameLists();
  return true;
}

bool Catalog::ReadLongNames() {
  ResetLongNameHeader();
  longNamesDamaged_ = false;
  BinaryFile file = BinaryFile::TryRead(longNamePath_);
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
  lnCapacity_ = std::clamp(head.I32(4), 0, kMaxMedia);
  lnUsed_ = std::clamp(head.I32(8), 0, lnCapacity_);
  int32_t count = std::clamp(head.I32(12), 0, kMaxLongNames);
  for (int s = 0; s < kMaxMedia; ++s)
    longNameMedia_[s].CopyFrom(0, &header[512 + s * TLongNameMedia::kSize], TLongNameMedia::kSize);

  bool complete = head.I32(12) == count;
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
  return complete;
}

bool Catalog::DropUnsoundLongNameRanges() {
  // A media's range must lie inside the entries read and must not share
  // entries with another media's range; otherwise its names would be taken
  // from other entries. Such a media keeps its names cut to 91 bytes.
  const auto count = static_cast<int32_t>(longNames_.size());
  std::vector<int> ranged;
  bool sound = true;
  for (int s = 0; s < lnUsed_; ++s) {
    TLongNameMedia& m = longNameMedia_[s];
    if (m.Valid() != 1) continue;
    if (m.First() < 0 || m.End() < m.First() || m.End() > count) {
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

void Catalog::WriteLongNameFile() {
  // A long-name file that could not be read whole is kept aside before it is
  // replaced, so that nothing it still held is destroyed.
  if (longNamesDamaged_) {
    std::error_code ec;
    std::string backup = longNamePath_ + ".damaged";
    if (fs::exists(longNamePath_, ec) && !fs::exists(backup, ec))
      fs::rename(longNamePath_, backup, ec);
    longNamesDamaged_ = false;
  }
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
  BinaryFile file(longNamePath_, BinaryFile::Mode::Create);
  file.WriteAt(0, out.data(), out.size());
  file.Close();
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
  std::vector<uint8_t> area(static_cast<std::size_t>(kCommentAreaOffset));
  for (int s = 0; s < kMaxMedia; ++s)
    std::copy_n(mediaSlots_[s].Data(), TMediaSlot::kSize, &area[s * TMediaSlot::kSize]);
  BinaryFile file(catalogPath_, BinaryFile::Mode::ReadWrite);
  file.WriteAt(kSlotAreaOffset, area.data(), area.size());
  file.Close();
  RebuildNameLists();
  return true;
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

bool Catalog::AddMedia(const MediaRecordSource& records, TMediaInfomation& info) {
  const int32_t n = records.RecordCount();
  const int slot = FirstNeverUsedSlot();
  if (!open_ || n < 1 || n > kMaxRecords + 2 || slot < 0) return false;

  UnloadMedia();
  const int64_t position = SlotPosition(slot);
  const auto firstLongName = static_cast<int32_t>(longNames_.size());
  info.FirstLongName = firstLongName;
  try {
    WriteRecordsOf(records, position);
  } catch (...) {
    longNames_.resize(firstLongName);
    throw;
  }

  TRecord root;
  records.Fetch(0, root);
  TMediaSlot& s = mediaSlots_[slot];
  s = TMediaSlot{};
  s.SetName(root.Name);
  s.SetFirstRec(static_cast<int32_t>(position));
  s.SetCount(n);
  s.SetDeletedDate(0);
  TFileRec rootRec = TFileRec::FromRecord(root);
  rootRec.SetCommentNo(-1);
  s.SetRoot(rootRec);
  s.SetInfo(info);
  Recount();
  WriteSlotTable();
  lastAddedSlot_ = slot;

  if (lnUsed_ < lnCapacity_) {
    TLongNameMedia& m = longNameMedia_[slot];
    m = TLongNameMedia{};
    m.SetSlotCopy(s);
    m.SetValid(1);
    m.SetFirst(firstLongName);
    m.SetEnd(static_cast<int32_t>(longNames_.size()));
    lnUsed_ = slot + 1;
    WriteLongNameFile();
    RebuildLongNameIndex();
  }
  return true;
}

void Catalog::WriteRecordsOf(const MediaRecordSource& records, int64_t position) {
  const int32_t n = records.RecordCount();
  BinaryFile file(catalogPath_, BinaryFile::Mode::ReadWrite);
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
  file.Close();
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
  TMediaSlot& s = MutableSlot(slot);
  s.SetName(name);
  TFileRec root = s.Root();
  root.SetName(name);
  s.SetRoot(root);
  if (loadedMedia_ == slot) loadedRecs_[0].SetName(s.Name());
  WriteSlotTable();
  return 1;
}

bool Catalog::IsMediaNameFree(std::string_view name) {
  // Slot names are kept cut to their capacity, so a longer name is compared
  // as it would be stored; otherwise it could never meet its own media.
  const std::string_view stored = name.substr(0, TMediaSlot::kNameCap);
  int equal = 0;
  for (int s = 0; s < kMaxMedia; ++s) {
    if (mediaSlots_[s].Name() == stored) {
      ++equal;
      lastEqualNameSlot_ = s;
    }
  }
  return equal == 0;
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
  // The records are read straight into the table's byte images; its storage is
  // kept from one load to the next, so browsing does not reallocate.
  std::vector<TFileRec>& recs = loadedRecs_;
  try {
    recs.resize(static_cast<std::size_t>(count) + 1);
    if (!file.ReadAt(position, reinterpret_cast<uint8_t*>(recs.data()),
                     static_cast<std::size_t>(count) * TFileRec::kSize)) {
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

int Catalog::SetMark(MarkChange change, int32_t key) {
  if (key < 0) return -1;
  const int slot = SlotOfKey(key);
  const int r = RecordOfKey(key);
  if (!LoadMedia(slot)) return -1;
  TMediaSlot& s = mediaSlots_[slot];
  TFileRec root = s.Root();
  uint8_t current = r > 0 ? loadedRecs_.at(r).Mark() : root.Mark();
  uint8_t next = current;
  switch (change) {
    case MarkChange::Toggle:
      next = current == 1 ? 0 : 1;
      break;
    case MarkChange::Set:
      next = 1;
      break;
    case MarkChange::Clear:
      next = 0;
      break;
    case MarkChange::Keep:
      break;
  }
  if (r > 0) {
    CheckLoaded(slot, r);
    loadedRecs_[r].SetMark(next);
    WriteRecord(key);
  } else {
    root.SetMark(next);
    s.SetRoot(root);
    WriteRoot(key);
  }
  return next;
}

void Catalog::SetCommentLink(int commentIndex, int32_t key) {
  if (key < 0) return;
  const int slot = SlotOfKey(key);
  const int r = RecordOfKey(key);
  if (!LoadMedia(slot)) return;
  if (r > 0) {
    CheckLoaded(slot, r);
    loadedRecs_[r].SetCommentNo(commentIndex);
    WriteRecord(key);
  } else {
    TMediaSlot& s = mediaSlots_[slot];
    TFileRec root = s.Root();
    root.SetCommentNo(commentIndex);
    s.SetRoot(root);
    WriteRoot(key);
  }
}

void Catalog::WriteRecord(int32_t key) {
  const int slot = SlotOfKey(key);
  const int r = RecordOfKey(key);
  CheckLoaded(slot, r);
  BinaryFile file(catalogPath_, BinaryFile::Mode::ReadWrite);
  file.WriteAt(RecordOffset(SlotPosition(slot) + r), loadedRecs_[r].Data(), TFileRec::kSize);
  file.Close();
  if (r == 0) {
    mediaSlots_[slot].SetRoot(loadedRecs_[0]);
    WriteSlotTable();
  }
}

void Catalog::WriteRoot(int32_t key) {
  const int slot = SlotOfKey(key);
  TMediaSlot& s = MutableSlot(slot);
  TFileRec root = s.Root();
  BinaryFile file(catalogPath_, BinaryFile::Mode::ReadWrite);
  file.WriteAt(RecordOffset(SlotPosition(slot)), root.Data(), TFileRec::kSize);
  file.Close();
  if (loadedMedia_ == slot) {
    loadedRecs_[0] = root;
    loadedRecs_[0].SetName(s.Name());
  }
  WriteSlotTable();
}

// ---------------------------------------------------------------- comments

int Catalog::AddComment(int32_t key, std::string_view commentText, int16_t kind,
                        std::string_view name) {
  for (int i = 0; i < kMaxComments; ++i) {
    TCommentSlot& c = commentSlots_[i];
    if (!c.IsFree()) continue;
    c.SetKey(key);
    c.SetDate(DosNow());
    c.SetText(commentText);
    c.SetKind(kind);
    c.SetName(name);
    WriteCommentSlot(i);
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
  const TCommentSlot& c = commentSlots_.at(index);
  BinaryFile file(catalogPath_, BinaryFile::Mode::ReadWrite);
  file.WriteAt(kCommentAreaOffset + int64_t{index} * TCommentSlot::kSize, c.Data(),
               TCommentSlot::kSize);
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

int Catalog::TotalFolders() const {
  int total = 0;
  for (int s = 0; s < slotsUsed_; ++s)
    if (mediaSlots_[s].IsLive() && MatchesCategoryFilter(s))
      total += mediaSlots_[s].Root().AllFolders();
  return total;
}

int Catalog::TotalFiles() const {
  int total = 0;
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
  longNameMedia_[slot].SetPicture(path);
  BinaryFile file = fs::exists(longNamePath_)
                        ? BinaryFile(longNamePath_, BinaryFile::Mode::ReadWrite)
                        : BinaryFile(longNamePath_, BinaryFile::Mode::Create);
  if (file.Size() < kLongNameHeaderSize) {
    file.Close();
    WriteLongNameFile();
    return;
  }
  file.WriteAt(512 + int64_t{slot} * TLongNameMedia::kSize, longNameMedia_[slot].Data(),
               TLongNameMedia::kSize);
  file.Close();
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
