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
#include "core/Text.h"

namespace plomix {

namespace fs = std::filesystem;
using namespace catalog_internal;

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
    lastError_ = {ErrorCode::MediaWithoutRecords, {std::to_string(slot)}};
    return false;
  }
  UnloadMedia();
  BinaryFile file = BinaryFile::TryRead(catalogPath_);
  if (!file.IsOpen()) {
    lastError_ = {ErrorCode::CannotOpen, {catalogPath_}};
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
      lastError_ = {ErrorCode::RecordsPastEnd, {std::to_string(slot), catalogPath_}};
      return false;
    }
  } catch (const std::exception& e) {
    UnloadMedia();
    lastError_ = ErrorInfoOf(e);
    return false;
  }
  for (int32_t r = 0; r < count; ++r) {
    if (!LinksAreSound(r, recs[r], count)) {
      UnloadMedia();
      lastError_ = {ErrorCode::MediaDamaged, {std::to_string(slot), std::to_string(r)}};
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
    lastError_ = {ErrorCode::ChangedReadAgain, {catalogPath_, std::to_string(slot)}};
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
    lastError_ = {ErrorCode::MediaWithoutRecords, {std::to_string(slot)}};
    return false;
  }
  BinaryFile file = BinaryFile::TryRead(catalogPath_);
  if (!file.IsOpen()) {
    lastError_ = {ErrorCode::CannotOpen, {catalogPath_}};
    return false;
  }
  if (!SlotStillOnDisk(file, slot)) return false;
  if (file.Size() < position + int64_t{count} * static_cast<int64_t>(TFileRec::kSize)) {
    lastError_ = {ErrorCode::RecordsPastEnd, {std::to_string(slot), catalogPath_}};
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
      throw CatalogError(ErrorCode::ShrankWhileRead, {catalogPath_});
    for (int32_t i = 0; i < len; ++i) visit(start + i, block[static_cast<std::size_t>(i)]);
  }
  return true;
}

std::unique_ptr<RecordArea> Catalog::OpenRecordArea(int slot) {
  int64_t position = 0;
  int32_t count = 0;
  if (!LocateMedia(slot, position, count)) {
    lastError_ = {ErrorCode::MediaWithoutRecords, {std::to_string(slot)}};
    return nullptr;
  }
  BinaryFile file = BinaryFile::TryRead(catalogPath_);
  if (!file.IsOpen()) {
    lastError_ = {ErrorCode::CannotOpen, {catalogPath_}};
    return nullptr;
  }
  if (!SlotStillOnDisk(file, slot)) return nullptr;
  if (file.Size() < position + int64_t{count} * static_cast<int64_t>(TFileRec::kSize)) {
    lastError_ = {ErrorCode::RecordsPastEnd, {std::to_string(slot), catalogPath_}};
    return nullptr;
  }
  // Read block by block: on the machines measured, the faults of a mapping
  // cost more than copying the blocks into one reused buffer.
  return std::make_unique<RecordArea>(std::move(file), position, count, RecordArea::Access::Read);
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
  if (!IsEntryKey(key) || !LoadMedia(SlotOfKey(key))) return result;
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

}  // namespace plomix
