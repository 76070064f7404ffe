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

// ---------------------------------------------------------------- transactions

BinaryFile Catalog::LockCatalog(bool exclusive) {
  const std::string journal = JournalPath(catalogPath_);
  const std::string newCatalog = catalogPath_ + ".new";
  const std::string longNames = ReplaceExtension(catalogPath_, ".lfn");
  const std::string newLongNames = longNames + ".new";
  const std::string exactNames = ReplaceExtension(catalogPath_, ".exn");
  const std::string newExactNames = exactNames + ".new";
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
      if (fs::exists(newExactNames, ec)) io::Remove(newExactNames);
      if (fs::exists(exactNames + ".old", ec)) io::Remove(exactNames + ".old");
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
    if (fs::exists(newExactNames, ec)) io::Rename(newExactNames, exactNames);
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
      if (!sameFile || !std::equal(base, base + TMediaSlot::kSize, &fresh[s * TMediaSlot::kSize])) {
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
      if (io::StampOf(exactNamePath_) != exactStamp_) ReadExactNamesFrom(file);
      throw CatalogError("\"" + catalogPath_ + ChangedMeanwhile());
    }
  }
  if (io::StampOf(longNamePath_) != longNameStamp_) {
    ReadLongNamesFrom(file);
    foreignChange_ = true;
    changed = true;
  }
  if (io::StampOf(exactNamePath_) != exactStamp_) {
    ReadExactNamesFrom(file);
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
           fresh != diskAreas_ || io::StampOf(longNamePath_) != longNameStamp_ ||
           io::StampOf(exactNamePath_) != exactStamp_;
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

}  // namespace plomix
