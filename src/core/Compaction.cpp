// Compaction squeezes deleted media out of the catalogue in three steps: the
// plan (every table as it will be, from memory), the copy (the records into
// the new file) and the commit (side files, journal, renames), after which
// memory takes the plan over. The live media after the first deleted slot
// move down into consecutive slots, their records move down in the record
// area, the file ends after the last record in use and the
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

// What a compaction writes, worked out from the tables before any file is
// touched: the compacted slot and comment areas, long names, exact names and
// fingerprints, and which slots' records go where.
struct Catalog::CompactionPlan {
  std::vector<int> kept;   // live slots, in order; slot t of the result is kept[t]
  std::vector<int> moves;  // kept slots whose records move down
  std::vector<TMediaSlot> slots;
  std::vector<TCommentSlot> comments;
  std::vector<uint8_t> areas;  // slots and comments as the new file holds them
  std::vector<TLongNameMedia> longNameMedia;
  std::vector<TLongName> longNames;
  int32_t longNamesUsed = 0;
  std::vector<ExactNameSetPtr> exactBySlot;
  bool writeExact = false;
  std::vector<uint8_t> exactBytes;
  bool writeFpr = false;
  std::vector<uint8_t> fprBytes;
};

CompactResult Catalog::CompactCatalog(const std::function<void(const QString&)>& progress) {
  const auto report = [&](const QString& status) {
    if (progress) progress(status);
  };
  UnloadMedia();
  statsSlot_ = -1;
  BinaryFile file = LockCatalog(true);
  SyncWithDisk(file, true);
  Recount();
  CompactionPlan plan;
  if (const std::optional<CompactResult> early = PlanCompaction(file, plan)) return *early;

  const std::string newCatalog = catalogPath_ + ".new";
  std::optional<BinaryFile> incoming;
  bool committed = false;
  try {
    // Locked until every file is in place: whoever opens the new catalogue
    // waits for its long names.
    incoming.emplace(newCatalog, BinaryFile::Mode::Create, catalogPath_);
    CopyCompactedRecords(file, *incoming, plan, report);
    CommitCompaction(plan, committed);
  } catch (const CatalogError&) {
    if (!committed) {
      io::Remove(newCatalog);
      io::Remove(longNamePath_ + ".new");
      io::Remove(exactNamePath_ + ".new");
      io::Remove(fingerprintPath_ + ".new");
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
  AdoptCompaction(plan);
  incoming->Close();
  file.Close();
  report(QString());
  return CompactResult::Done;
}

std::optional<CompactResult> Catalog::PlanCompaction(BinaryFile& file, CompactionPlan& plan) {
  std::vector<int> deleted;
  for (int s = 0; s < slotsUsed_; ++s) {
    if (mediaSlots_[s].IsDeleted()) {
      deleted.push_back(s);
      continue;
    }
    plan.kept.push_back(s);
    if (!deleted.empty()) plan.moves.push_back(s);
  }
  const std::vector<int>& kept = plan.kept;
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
  std::vector<TMediaSlot>& slots = plan.slots;
  slots.assign(kMaxMedia, TMediaSlot{});
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
  std::vector<TCommentSlot>& comments = plan.comments;
  comments = commentSlots_;
  for (TCommentSlot& c : comments) {
    if (c.IsFree() || !IsEntryKey(c.Key()) || SlotOfKey(c.Key()) >= kMaxMedia) continue;
    const int mapped = newSlot[SlotOfKey(c.Key())];
    if (mapped == -1)
      c.Clear();
    else if (mapped >= 0)
      c.SetKey(MakeKey(mapped, RecordOfKey(c.Key())));
  }
  // Long names: rebuilt in slot order, each live media's entries contiguous.
  plan.longNameMedia.assign(kMaxMedia, TLongNameMedia{});
  for (std::size_t t = 0; t < kept.size(); ++t) {
    const int o = kept[t];
    TLongNameMedia& m = plan.longNameMedia[t];
    m = longNameMedia_[o];
    m.SetFirst(static_cast<int32_t>(plan.longNames.size()));
    if (o < lnUsed_ && longNameMedia_[o].Valid() == 1) {
      const int32_t from = std::max(0, longNameMedia_[o].First());
      const int32_t to = std::min(static_cast<int32_t>(longNames_.size()), longNameMedia_[o].End());
      for (int32_t j = from; j < to; ++j) plan.longNames.push_back(longNames_[j]);
    }
    m.SetEnd(static_cast<int32_t>(plan.longNames.size()));
    plan.longNamesUsed = static_cast<int32_t>(t) + 1;
  }

  // Exact names: one segment per kept media that has any, under its new
  // slot and position. The file is rewritten whenever one exists, so that the
  // segments of the media squeezed out go with them.
  const auto identityAt = [&](std::size_t t) {
    ExactMediaIdentity id;
    id.slot = static_cast<int32_t>(t);
    id.firstRecord = slots[t].FirstRec();
    id.count = slots[t].Count();
    id.readDate = slots[t].Root().FileDate();
    return id;
  };
  std::vector<ExactMediaIdentity> exactIds;
  std::vector<ExactNameSetPtr> exactSets;
  plan.exactBySlot.assign(kMaxMedia, nullptr);
  for (std::size_t t = 0; t < kept.size(); ++t) {
    const int o = kept[t];
    plan.exactBySlot[t] = exactNames_[o];
    if (!exactNames_[o]) continue;
    exactIds.push_back(identityAt(t));
    exactSets.push_back(exactNames_[o]);
  }
  // Exact texts: only those that count now, under the media's new slot.
  std::vector<int> textSlot(kMaxMedia, -1);
  for (std::size_t t = 0; t < kept.size(); ++t) textSlot[kept[t]] = static_cast<int>(t);
  const std::vector<ExactText> exactTexts = CurrentExactTexts(textSlot, slots, comments);
  std::error_code exactEc;
  plan.writeExact = !exactIds.empty() || !exactTexts.empty() || fs::exists(exactNamePath_, exactEc);
  if (plan.writeExact) plan.exactBytes = ExactFileBytes(exactIds, exactSets, exactTexts);

  // Fingerprints: likewise, one segment per kept media that has any.
  std::vector<std::pair<ExactMediaIdentity, FingerprintSetPtr>> fprSegments;
  for (std::size_t t = 0; t < kept.size(); ++t) {
    FingerprintSetPtr prints = FingerprintsOf(kept[t]);
    if (prints) fprSegments.emplace_back(identityAt(t), std::move(prints));
  }
  plan.writeFpr = !fprSegments.empty() || fs::exists(fingerprintPath_, exactEc);
  if (plan.writeFpr) plan.fprBytes = FingerprintFileBytes(fprSegments);

  plan.areas.assign(static_cast<std::size_t>(kRecordAreaOffset), 0);
  for (int s = 0; s < kMaxMedia; ++s)
    std::copy_n(slots[s].Data(), TMediaSlot::kSize, &plan.areas[s * TMediaSlot::kSize]);
  for (int c = 0; c < kMaxComments; ++c)
    std::copy_n(comments[c].Data(), TCommentSlot::kSize,
                &plan.areas[kCommentAreaOffset + c * TCommentSlot::kSize]);
  return std::nullopt;
}

void Catalog::CopyCompactedRecords(BinaryFile& file, BinaryFile& incoming,
                                   const CompactionPlan& plan,
                                   const std::function<void(const QString&)>& report) {
  incoming.WriteAt(0, plan.areas.data(), plan.areas.size());
  constexpr int64_t kBlock = int64_t{TFileRec::kSize} * 8192;
  std::vector<uint8_t> buffer;
  int64_t to = kRecordAreaOffset;
  std::size_t moved = 0;
  for (int s : plan.kept) {
    if (std::find(plan.moves.begin(), plan.moves.end(), s) != plan.moves.end())
      report(
          CompactionProgressText(static_cast<int>(++moved), static_cast<int>(plan.moves.size())));
    const int64_t from = RecordOffset(SlotPosition(s));
    const int64_t bytes = int64_t{mediaSlots_[s].Count()} * TFileRec::kSize;
    for (int64_t done = 0; done < bytes;) {
      const auto len = static_cast<std::size_t>(std::min(kBlock, bytes - done));
      buffer.resize(len);
      if (!file.ReadAt(from + done, buffer.data(), len))
        throw CatalogError(ErrorCode::ShrankWhileCompacted, {catalogPath_});
      incoming.WriteAt(to, buffer.data(), len);
      to += static_cast<int64_t>(len);
      done += static_cast<int64_t>(len);
    }
  }
  incoming.Sync();
}

void Catalog::CommitCompaction(CompactionPlan& plan, bool& committed) {
  const std::string newCatalog = catalogPath_ + ".new";
  const std::string newLongNames = longNamePath_ + ".new";
  const std::string newExactNames = exactNamePath_ + ".new";
  const std::string newFingerprints = fingerprintPath_ + ".new";
  const std::string journal = catalogPath_ + ".journal";
  const auto writeWhole = [&](const std::string& path, const std::vector<uint8_t>& bytes) {
    BinaryFile out(path, BinaryFile::Mode::Create, catalogPath_);
    out.WriteAt(0, bytes.data(), bytes.size());
    out.Sync();
    out.Close();
  };

  std::swap(longNameMedia_, plan.longNameMedia);
  std::swap(longNames_, plan.longNames);
  const int32_t usedBefore = std::exchange(lnUsed_, std::min(plan.longNamesUsed, lnCapacity_));
  const std::vector<uint8_t> longNameBytes = LongNameFileBytes();
  std::swap(longNameMedia_, plan.longNameMedia);
  std::swap(longNames_, plan.longNames);
  lnUsed_ = usedBefore;
  writeWhole(newLongNames, longNameBytes);
  if (plan.writeExact) writeWhole(newExactNames, plan.exactBytes);
  if (plan.writeFpr) writeWhole(newFingerprints, plan.fprBytes);

  BinaryFile mark(journal, BinaryFile::Mode::Create, catalogPath_);
  committed = true;
  const std::string note =
      "compacted: rename NAME.qdb.new, NAME.lfn.new, NAME.exn.new and NAME.fpr.new into place\n";
  mark.WriteAt(0, note.data(), note.size());
  mark.Sync();
  mark.Close();
  io::SyncFolderOf(journal);
  // A damaged side file is kept aside, as on every rewrite.
  const auto keepDamaged = [](bool damaged, const std::string& path) {
    std::error_code ec;
    if (damaged && fs::exists(path, ec) && !fs::exists(path + ".damaged", ec))
      io::Link(path, path + ".damaged");
  };
  keepDamaged(longNamesDamaged_, longNamePath_);
  keepDamaged(exactDamaged_ && plan.writeExact, exactNamePath_);
  keepDamaged(fprDamaged_ && plan.writeFpr, fingerprintPath_);
  io::Rename(newCatalog, catalogPath_);
  io::Rename(newLongNames, longNamePath_);
  if (plan.writeExact) io::Rename(newExactNames, exactNamePath_);
  if (plan.writeFpr) io::Rename(newFingerprints, fingerprintPath_);
  io::SyncFolderOf(catalogPath_);
  io::Remove(journal);
  io::SyncFolderOf(catalogPath_);
}

void Catalog::AdoptCompaction(CompactionPlan& plan) {
  mediaSlots_ = std::move(plan.slots);
  commentSlots_ = std::move(plan.comments);
  diskAreas_ = std::move(plan.areas);
  longNameMedia_ = std::move(plan.longNameMedia);
  longNames_ = std::move(plan.longNames);
  lnUsed_ = std::min(plan.longNamesUsed, lnCapacity_);
  longNamesDamaged_ = false;
  longNameStamp_ = io::StampOf(longNamePath_);
  if (plan.writeExact) {
    exact_file::Contents contents =
        exact_file::Parse(plan.exactBytes.data(), plan.exactBytes.size());
    exactSegments_ = std::move(contents.segments);
    exactTexts_ = std::move(contents.texts);
    exactAppendAt_ = contents.appendAt;
    exactStamp_ = io::StampOf(exactNamePath_);
    exactDamaged_ = false;
  }
  exactNames_ = std::move(plan.exactBySlot);
  if (plan.writeFpr) {
    fingerprint_file::Contents contents =
        fingerprint_file::Parse(plan.fprBytes.data(), plan.fprBytes.size());
    fprSegments_ = std::move(contents.segments);
    fprAppendAt_ = contents.appendAt;
    fprStamp_ = io::StampOf(fingerprintPath_);
    fprDamaged_ = false;
  }
  Recount();
  RebuildNameLists();
  RebuildLongNameIndex();
}

}  // namespace plomix
