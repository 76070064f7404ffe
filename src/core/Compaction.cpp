// Compaction squeezes deleted media out of the catalogue: the live media after
// the first deleted slot move down into consecutive slots, their records move
// down in the record area, the file ends after the last record in use and the
// long-name list is rebuilt to match; comments follow their media.
//
// Moving records down inside the file would overwrite a media's old records
// before the slot table points to the new copy. Instead the compacted
// catalogue and its long-name file are written whole beside the old ones
// (NAME.qdb.new, NAME.lfn.new) and synced; creating NAME.qdb.journal commits
// them; both are renamed into place and the journal removed. Whoever takes
// the catalogue's lock next and finds the journal finishes the renames
// (Catalog::LockCatalog), so a crash at any point leaves the old catalogue or
// the new one, each with its own long names and comments.

#include "core/Compaction.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "core/BinaryFile.h"
#include "core/Format.h"
#include "core/Text.h"

namespace plomix {

namespace fs = std::filesystem;

QString CompactionProgressText(int k, int n) {
  return QStringLiteral("最適化中...(%1/%2)").arg(k).arg(n);
}

CompactionButtonState RefreshCompactionButton(Catalog& catalog) {
  CompactionButtonState state;
  state.hint = QStringLiteral("DB最適化");
  catalog.Recount();
  const int deleted = catalog.SlotsUsed() - catalog.MediaCount();
  if (deleted > 0) {
    state.hint += QStringLiteral("(削除済みメディア数=%1)").arg(deleted);
    state.enabled = true;
  }
  return state;
}

int64_t Catalog::CopyRecords(const std::string& path, int32_t count, int64_t destination,
                             int64_t source) {
  int64_t dst = RecordOffset(destination);
  int64_t src = RecordOffset(source);
  if (count < 0 || destination > source) return 0;
  BinaryFile file(path, BinaryFile::Mode::ReadWrite);
  const int64_t bytes = int64_t{count} * TFileRec::kSize;
  if (src + bytes > file.Size()) return 0;
  // Front to back in blocks: the destination never lies after the source, so
  // a block only ever overwrites bytes that have already been read.
  constexpr int64_t kBlock = int64_t{TFileRec::kSize} * 8192;
  std::vector<uint8_t> buffer(static_cast<std::size_t>(std::min(bytes, kBlock)));
  for (int64_t done = 0; done < bytes;) {
    const auto len = static_cast<std::size_t>(std::min(kBlock, bytes - done));
    if (!file.ReadAt(src + done, buffer.data(), len)) return 0;
    file.WriteAt(dst + done, buffer.data(), len);
    done += static_cast<int64_t>(len);
  }
  file.Close();
  return dst + bytes;
}

CompactResult Catalog::CompactCatalog(const std::function<void(const QString&)>& progress) {
  const auto report = [&](const QString& status) {
    if (progress) progress(status);
  };
  UnloadMedia();
  statsSlot_ = -1;
  BinaryFile file = LockCatalog(true);
  SyncWithDisk(file, true);
  Recount();
  std::vector<int> deleted, moves, kept;
  for (int s = 0; s < slotsUsed_; ++s) {
    if (mediaSlots_[s].IsDeleted()) {
      deleted.push_back(s);
      continue;
    }
    kept.push_back(s);
    if (!deleted.empty()) moves.push_back(s);
  }
  const int64_t size = file.Size();
  if (ErrorInfo damage = UnsoundSlotTable(); !damage.empty()) {
    lastError_ = std::move(damage);
    return CompactResult::CopyFailed;
  }
  if (deleted.empty()) {
    // Records after the last media, left by an add that was cut off.
    const int64_t end = RecordOffset(SlotPosition(slotsUsed_));
    if (size > end) {
      file.Truncate(end);
      file.Sync();
    }
    file.Close();
    return CompactResult::NothingToDo;
  }
  for (int s : kept) {
    if (RecordOffset(SlotPosition(s) + mediaSlots_[s].Count()) > size) {
      // The media name is CP932 like every stored text; errors carry UTF-8.
      lastError_ = {ErrorCode::RecordsMissing,
                    {std::to_string(s), text::Cp932ToUtf8(mediaSlots_[s].Name()), catalogPath_}};
      return CompactResult::CopyFailed;
    }
  }

  // The compacted tables.
  std::vector<TMediaSlot> slots(kMaxMedia);
  std::vector<int> newSlot(kMaxMedia, -2);  // -2 unchanged, -1 removed
  for (int d : deleted) newSlot[d] = -1;
  int64_t next = 0;
  for (std::size_t t = 0; t < kept.size(); ++t) {
    const int s = kept[t];
    slots[t] = mediaSlots_[s];
    slots[t].SetFirstRec(static_cast<int32_t>(next));
    next += mediaSlots_[s].Count();
    newSlot[s] = static_cast<int>(t);
  }
  // Comments follow their media; those of the deleted media squeezed out are
  // freed, as their keys would otherwise name whatever media takes the slot.
  std::vector<TCommentSlot> comments = commentSlots_;
  for (TCommentSlot& c : comments) {
    if (c.IsFree() || !IsEntryKey(c.Key()) || SlotOfKey(c.Key()) >= kMaxMedia) continue;
    const int mapped = newSlot[SlotOfKey(c.Key())];
    if (mapped == -1)
      c.Clear();
    else if (mapped >= 0)
      c.SetKey(MakeKey(mapped, RecordOfKey(c.Key())));
  }
  // Long names: rebuilt in slot order, each live media's entries contiguous.
  std::vector<TLongNameMedia> media(kMaxMedia);
  std::vector<TLongName> names;
  int32_t used = 0;
  for (std::size_t t = 0; t < kept.size(); ++t) {
    const int o = kept[t];
    media[t] = longNameMedia_[o];
    media[t].SetFirst(static_cast<int32_t>(names.size()));
    if (o < lnUsed_ && longNameMedia_[o].Valid() == 1) {
      const int32_t from = std::max(0, longNameMedia_[o].First());
      const int32_t to = std::min(static_cast<int32_t>(longNames_.size()), longNameMedia_[o].End());
      for (int32_t j = from; j < to; ++j) names.push_back(longNames_[j]);
    }
    media[t].SetEnd(static_cast<int32_t>(names.size()));
    used = static_cast<int32_t>(t) + 1;
  }

  // Exact names: one segment per kept media that has any, under its new
  // slot and position. The file is rewritten whenever one exists, so that the
  // segments of the media squeezed out go with them.
  std::vector<ExactMediaIdentity> exactIds;
  std::vector<ExactNameSetPtr> exactSets;
  std::vector<ExactNameSetPtr> exactBySlot(kMaxMedia);
  for (std::size_t t = 0; t < kept.size(); ++t) {
    const int o = kept[t];
    exactBySlot[t] = exactNames_[o];
    if (!exactNames_[o]) continue;
    ExactMediaIdentity id;
    id.slot = static_cast<int32_t>(t);
    id.firstRecord = slots[t].FirstRec();
    id.count = slots[t].Count();
    id.readDate = slots[t].Root().FileDate();
    exactIds.push_back(id);
    exactSets.push_back(exactNames_[o]);
  }
  // Exact texts: only those that count now, under the media's new slot.
  std::vector<int> textSlot(kMaxMedia, -1);
  for (std::size_t t = 0; t < kept.size(); ++t) textSlot[kept[t]] = static_cast<int>(t);
  const std::vector<ExactText> exactTexts = CurrentExactTexts(textSlot, slots, comments);
  std::error_code exactEc;
  const bool writeExact =
      !exactIds.empty() || !exactTexts.empty() || fs::exists(exactNamePath_, exactEc);
  const std::vector<uint8_t> exactBytes =
      writeExact ? ExactFileBytes(exactIds, exactSets, exactTexts) : std::vector<uint8_t>();

  // Fingerprints: likewise, one segment per kept media that has any.
  std::vector<std::pair<ExactMediaIdentity, FingerprintSetPtr>> fprSegments;
  for (std::size_t t = 0; t < kept.size(); ++t) {
    FingerprintSetPtr prints = FingerprintsOf(kept[t]);
    if (!prints) continue;
    ExactMediaIdentity id;
    id.slot = static_cast<int32_t>(t);
    id.firstRecord = slots[t].FirstRec();
    id.count = slots[t].Count();
    id.readDate = slots[t].Root().FileDate();
    fprSegments.emplace_back(id, std::move(prints));
  }
  const bool writeFpr = !fprSegments.empty() || fs::exists(fingerprintPath_, exactEc);
  const std::vector<uint8_t> fprBytes =
      writeFpr ? FingerprintFileBytes(fprSegments) : std::vector<uint8_t>();

  std::vector<uint8_t> areas(static_cast<std::size_t>(kRecordAreaOffset));
  for (int s = 0; s < kMaxMedia; ++s)
    std::copy_n(slots[s].Data(), TMediaSlot::kSize, &areas[s * TMediaSlot::kSize]);
  for (int c = 0; c < kMaxComments; ++c)
    std::copy_n(comments[c].Data(), TCommentSlot::kSize,
                &areas[kCommentAreaOffset + c * TCommentSlot::kSize]);

  const std::string newCatalog = catalogPath_ + ".new";
  const std::string newLongNames = longNamePath_ + ".new";
  const std::string newExactNames = exactNamePath_ + ".new";
  const std::string newFingerprints = fingerprintPath_ + ".new";
  const std::string journal = catalogPath_ + ".journal";
  std::optional<BinaryFile> incoming;
  bool committed = false;
  try {
    // Locked until both files are in place: whoever opens the new catalogue
    // waits for its long names.
    incoming.emplace(newCatalog, BinaryFile::Mode::Create, catalogPath_);
    incoming->WriteAt(0, areas.data(), areas.size());
    constexpr int64_t kBlock = int64_t{TFileRec::kSize} * 8192;
    std::vector<uint8_t> buffer;
    int64_t to = kRecordAreaOffset;
    std::size_t moved = 0;
    for (int s : kept) {
      if (std::find(moves.begin(), moves.end(), s) != moves.end())
        report(CompactionProgressText(static_cast<int>(++moved), static_cast<int>(moves.size())));
      const int64_t from = RecordOffset(SlotPosition(s));
      const int64_t bytes = int64_t{mediaSlots_[s].Count()} * TFileRec::kSize;
      for (int64_t done = 0; done < bytes;) {
        const auto len = static_cast<std::size_t>(std::min(kBlock, bytes - done));
        buffer.resize(len);
        if (!file.ReadAt(from + done, buffer.data(), len))
          throw CatalogError(ErrorCode::ShrankWhileCompacted, {catalogPath_});
        incoming->WriteAt(to, buffer.data(), len);
        to += static_cast<int64_t>(len);
        done += static_cast<int64_t>(len);
      }
    }
    incoming->Sync();

    std::swap(longNameMedia_, media);
    std::swap(longNames_, names);
    const int32_t usedBefore = std::exchange(lnUsed_, std::min(used, lnCapacity_));
    std::vector<uint8_t> longNameBytes = LongNameFileBytes();
    std::swap(longNameMedia_, media);
    std::swap(longNames_, names);
    lnUsed_ = usedBefore;
    BinaryFile lfn(newLongNames, BinaryFile::Mode::Create, catalogPath_);
    lfn.WriteAt(0, longNameBytes.data(), longNameBytes.size());
    lfn.Sync();
    lfn.Close();
    if (writeExact) {
      BinaryFile exn(newExactNames, BinaryFile::Mode::Create, catalogPath_);
      exn.WriteAt(0, exactBytes.data(), exactBytes.size());
      exn.Sync();
      exn.Close();
    }
    if (writeFpr) {
      BinaryFile fpr(newFingerprints, BinaryFile::Mode::Create, catalogPath_);
      fpr.WriteAt(0, fprBytes.data(), fprBytes.size());
      fpr.Sync();
      fpr.Close();
    }

    BinaryFile mark(journal, BinaryFile::Mode::Create, catalogPath_);
    committed = true;
    const std::string note =
        "compacted: rename NAME.qdb.new, NAME.lfn.new, NAME.exn.new and NAME.fpr.new into place\n";
    mark.WriteAt(0, note.data(), note.size());
    mark.Sync();
    mark.Close();
    io::SyncFolderOf(journal);
    // The old long-name file, when damaged, is kept aside as on every rewrite.
    if (longNamesDamaged_) {
      std::error_code ec;
      if (fs::exists(longNamePath_, ec) && !fs::exists(longNamePath_ + ".damaged", ec))
        io::Link(longNamePath_, longNamePath_ + ".damaged");
    }
    if (exactDamaged_ && writeExact) {
      std::error_code ec;
      if (fs::exists(exactNamePath_, ec) && !fs::exists(exactNamePath_ + ".damaged", ec))
        io::Link(exactNamePath_, exactNamePath_ + ".damaged");
    }
    if (fprDamaged_ && writeFpr) {
      std::error_code ec;
      if (fs::exists(fingerprintPath_, ec) && !fs::exists(fingerprintPath_ + ".damaged", ec))
        io::Link(fingerprintPath_, fingerprintPath_ + ".damaged");
    }
    io::Rename(newCatalog, catalogPath_);
    io::Rename(newLongNames, longNamePath_);
    if (writeExact) io::Rename(newExactNames, exactNamePath_);
    if (writeFpr) io::Rename(newFingerprints, fingerprintPath_);
    io::SyncFolderOf(catalogPath_);
    io::Remove(journal);
    io::SyncFolderOf(catalogPath_);
  } catch (const CatalogError&) {
    if (!committed) {
      io::Remove(newCatalog);
      io::Remove(newLongNames);
      io::Remove(newExactNames);
      io::Remove(newFingerprints);
    }
    // Memory may be ahead of the file now: take the catalogue back as stored
    // (a committed compaction is finished by that open).
    incoming.reset();
    file.Close();
    std::string path = catalogPath_;
    OpenCatalog(path);
    throw;
  }

  catalogStamp_ = incoming->Stamp();
  mediaSlots_ = std::move(slots);
  commentSlots_ = std::move(comments);
  diskAreas_ = std::move(areas);
  longNameMedia_ = std::move(media);
  longNames_ = std::move(names);
  lnUsed_ = std::min(used, lnCapacity_);
  longNamesDamaged_ = false;
  longNameStamp_ = io::StampOf(longNamePath_);
  if (writeExact) {
    exact_file::Contents contents = exact_file::Parse(exactBytes.data(), exactBytes.size());
    exactSegments_ = std::move(contents.segments);
    exactTexts_ = std::move(contents.texts);
    exactAppendAt_ = contents.appendAt;
    exactStamp_ = io::StampOf(exactNamePath_);
    exactDamaged_ = false;
  }
  exactNames_ = std::move(exactBySlot);
  if (writeFpr) {
    fingerprint_file::Contents contents = fingerprint_file::Parse(fprBytes.data(), fprBytes.size());
    fprSegments_ = std::move(contents.segments);
    fprAppendAt_ = contents.appendAt;
    fprStamp_ = io::StampOf(fingerprintPath_);
    fprDamaged_ = false;
  }
  Recount();
  RebuildNameLists();
  RebuildLongNameIndex();
  incoming->Close();
  file.Close();
  report(QString());
  return CompactResult::Done;
}

}  // namespace plomix
