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
  const std::string fingerprints = ReplaceExtension(catalogPath_, ".fpr");
  const std::string newFingerprints = fingerprints + ".new";
  const std::string intent = ReplaceIntentPath(catalogPath_);
  for (;;) {
    BinaryFile file(catalogPath_, exclusive ? BinaryFile::Mode::ReadWrite : BinaryFile::Mode::Read);
    // Marks count only as the plain files of the catalogue's owner; anything
    // else at their names is removed below as a leftover.
    const auto ours = [this](const std::string& mark) {
      return io::PlainFileLike(mark, catalogPath_);
    };
    const bool pending = ours(journal) || ours(intent);
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
      // Left by a write that was cut off; nothing refers to them. Whatever is
      // there is removed as it is, a link without following it.
      for (const std::string& left :
           {newCatalog, newLongNames, longNames + ".old", newExactNames, exactNames + ".old",
            newFingerprints, fingerprints + ".old", journal, intent, intent + ".new"})
        io::RemoveIfPresent(left);
      // A creation over this catalogue keeps the files it replaces aside until
      // it is done.
      for (const std::string& replaced : CatalogueFiles(catalogPath_))
        io::RemoveIfPresent(replaced + ".undo");
      return file;
    }
    if (ours(intent)) {
      FinishReplace(file);
      if (!ours(journal)) return file;
    }
    // A compaction committed its new files and was cut off while renaming
    // them: finish the renames. The new catalogue is locked first, so that
    // nobody who opens it after the rename reads it before the long names
    // beside it are in place too.
    std::optional<BinaryFile> incoming;
    if (ours(newCatalog)) {
      incoming.emplace(newCatalog, BinaryFile::Mode::ReadWrite);
      io::Rename(newCatalog, catalogPath_);
    }
    if (ours(newLongNames)) io::Rename(newLongNames, longNames);
    if (ours(newExactNames)) io::Rename(newExactNames, exactNames);
    if (ours(newFingerprints)) io::Rename(newFingerprints, fingerprints);
    io::SyncFolderOf(catalogPath_);
    io::Remove(journal);
    io::SyncFolderOf(catalogPath_);
    // The lock held is on the file replaced; the loop opens the new one.
  }
}

namespace {

constexpr char kIntentMagic[8] = {'P', 'X', 'R', 'E', 'P', 'L', '1', '\n'};
constexpr std::size_t kIntentSize = 8 + 8 + 3 * TMediaSlot::kSize;

}  // namespace

void Catalog::WriteReplaceIntent(int replaced, int stored, const TMediaSlot& deleted) {
  std::vector<uint8_t> bytes(kIntentSize);
  std::copy_n(kIntentMagic, 8, bytes.data());
  ByteImage<8> slots;
  slots.SetI32(0, replaced);
  slots.SetI32(4, stored);
  std::copy_n(slots.Data(), 8, &bytes[8]);
  uint8_t* images = &bytes[16];
  std::copy_n(&diskAreas_[replaced * TMediaSlot::kSize], TMediaSlot::kSize, images);
  std::copy_n(deleted.Data(), TMediaSlot::kSize, images + TMediaSlot::kSize);
  std::copy_n(mediaSlots_[stored].Data(), TMediaSlot::kSize, images + 2 * TMediaSlot::kSize);
  io::ReplaceWhole(ReplaceIntentPath(catalogPath_), bytes, catalogPath_);
}

void Catalog::FinishReplace(BinaryFile& file) {
  // The intent holds the replaced slot as it was and as it is to become, and
  // the successor's slot: the replaced media goes only when the successor is
  // stored and the replaced slot is still as it was.
  const std::string intent = ReplaceIntentPath(catalogPath_);
  std::vector<uint8_t> bytes(kIntentSize);
  BinaryFile mark = BinaryFile::TryRead(intent);
  const bool whole = mark.IsOpen() && mark.Size() == static_cast<int64_t>(kIntentSize) &&
                     mark.ReadAt(0, bytes.data(), bytes.size()) &&
                     std::equal(kIntentMagic, kIntentMagic + 8, bytes.begin());
  mark.Close();
  ByteImage<8> slots;
  slots.CopyFrom(0, &bytes[8], 8);
  const int32_t replaced = slots.I32(0), stored = slots.I32(4);
  if (whole && replaced >= 0 && replaced < kMaxMedia && stored >= 0 && stored < kMaxMedia &&
      replaced != stored) {
    const uint8_t* images = &bytes[16];
    const auto slotNow = [&](int slot) {
      TMediaSlot now;
      if (!file.ReadAt(kSlotAreaOffset + int64_t{slot} * TMediaSlot::kSize, now.Data(),
                       TMediaSlot::kSize))
        now = TMediaSlot{};
      return now;
    };
    TMediaSlot successor, old;
    successor.CopyFrom(0, images + 2 * TMediaSlot::kSize, TMediaSlot::kSize);
    old.CopyFrom(0, images, TMediaSlot::kSize);
    // The successor counts as stored once its name and records are in its
    // slot (a write cut off may have put down only the head of the slot).
    const TMediaSlot storedNow = slotNow(stored);
    const bool successorStored = storedNow.IsLive() && storedNow.Name() == successor.Name() &&
                                 storedNow.FirstRec() == successor.FirstRec() &&
                                 storedNow.Count() == successor.Count();
    const TMediaSlot replacedNow = slotNow(replaced);
    if (successorStored &&
        std::equal(replacedNow.Data(), replacedNow.Data() + TMediaSlot::kSize, old.Data())) {
      file.WriteAt(kSlotAreaOffset + int64_t{replaced} * TMediaSlot::kSize,
                   images + TMediaSlot::kSize, TMediaSlot::kSize);
      file.Sync();
    }
  }
  io::Remove(intent);
}

bool Catalog::SyncWithDisk(BinaryFile& file, bool keepEdits) {
  std::vector<uint8_t> fresh(kAreasSize);
  if (!file.ReadAt(0, fresh.data(), fresh.size()))
    throw CatalogError(ErrorCode::NotCatalog, {catalogPath_});
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
      if (io::StampOf(fingerprintPath_) != fprStamp_) ReadFingerprints();
      throw CatalogError(ErrorCode::ChangedMeanwhile, {catalogPath_});
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
  if (io::StampOf(fingerprintPath_) != fprStamp_) {
    ReadFingerprints();
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
           io::StampOf(exactNamePath_) != exactStamp_ || io::StampOf(fingerprintPath_) != fprStamp_;
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
      lastError_ = e.info();
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

ErrorInfo Catalog::UnsoundSlotTable() const {
  for (int s = 0; s < kMaxMedia && !mediaSlots_[s].IsNeverUsed(); ++s) {
    const int32_t count = mediaSlots_[s].Count();
    if (count < 0 || count > kMaxRecords + 2)
      return {ErrorCode::SlotTableDamaged,
              {catalogPath_, std::to_string(s), std::to_string(count)}};
  }
  return {};
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
