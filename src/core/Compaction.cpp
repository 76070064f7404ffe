// Compaction squeezes deleted media out of the catalogue: the live media after
// the first deleted slot move down into consecutive slots, their records move
// down in the record area, the file is cut after the last record in use and
// the long-name list is rebuilt to match.
//
// The slot table is written after every single move, and every table written
// is a sound catalogue on its own: the media moved so far sit packed at their
// new places, the deleted media not yet squeezed out follow them with their
// record counts (names empty), and the media not yet moved keep their slots and
// records. So a move that fails (a media whose records are not all in the
// file), or an interruption, leaves a catalogue that opens and reads correctly.

#include "core/Compaction.h"

#include <algorithm>

#include "core/BinaryFile.h"
#include "core/Format.h"

namespace plomix {

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
  Recount();
  std::vector<int> deleted, moves;
  for (int s = 0; s < slotsUsed_; ++s) {
    if (mediaSlots_[s].IsDeleted())
      deleted.push_back(s);
    else if (!deleted.empty())
      moves.push_back(s);
  }
  if (deleted.empty()) return CompactResult::NothingToDo;

  UnloadMedia();
  statsSlot_ = -1;
  const std::vector<TMediaSlot> original = mediaSlots_;
  const int first = deleted.front();
  // origin[t]: the slot whose media now sits in slot t (-1: none).
  std::vector<int> origin(kMaxMedia);
  for (int s = 0; s < kMaxMedia; ++s) origin[s] = s;

  CompactResult result = CompactResult::Done;
  int64_t next = SlotPosition(first);
  int64_t cut = RecordOffset(next);
  int failedAt = -1;
  try {
    for (std::size_t k = 0; k < moves.size(); ++k) {
      report(CompactionProgressText(static_cast<int>(k) + 1, static_cast<int>(moves.size())));
      const int s = moves[k];
      const int32_t count = original[s].Count();
      const int64_t end = CopyRecords(catalogPath_, count, next, SlotPosition(s));
      if (end == 0) {
        failedAt = s;
        break;
      }
      cut = end;
      const int target = first + static_cast<int>(k);
      mediaSlots_[target] = original[s];
      mediaSlots_[target].SetFirstRec(static_cast<int32_t>(next));
      origin[target] = s;
      next += count;
      // The deleted media met so far follow, keeping every later position.
      int64_t position = next;
      int placeholder = target + 1;
      for (int d : deleted) {
        if (d > s) break;
        mediaSlots_[placeholder] = original[d];
        mediaSlots_[placeholder].SetFirstRec(static_cast<int32_t>(position));
        origin[placeholder] = -1;
        position += original[d].Count();
        ++placeholder;
      }
      WriteSlotTable();
    }

    if (failedAt >= 0) {
      result = CompactResult::CopyFailed;
      lastError_ = "The records of media " + std::to_string(failedAt) + " (\"" +
                   original[failedAt].Name() + "\") are not all in \"" + catalogPath_ +
                   "\"; compaction stopped before it";
    } else {
      for (int t = first + static_cast<int>(moves.size()); t < kMaxMedia; ++t) {
        mediaSlots_[t].MakeNeverUsed();
        origin[t] = -1;
      }
      Recount();
      WriteSlotTable();
      BinaryFile file(catalogPath_, BinaryFile::Mode::ReadWrite);
      if (file.Size() > cut) file.Truncate(cut);
      file.Close();
    }
    Recount();

    // Comments follow their media: keys of moved media are renumbered, and
    // comments of deleted media that were squeezed out are freed (their key
    // would otherwise name whatever media takes that slot).
    std::vector<int> newSlot(kMaxMedia, -2);  // -2 unchanged, -1 freed
    for (int t = 0; t < kMaxMedia; ++t)
      if (origin[t] >= 0 && origin[t] != t) newSlot[origin[t]] = t;
    for (int d : deleted)
      if (failedAt < 0 || d < failedAt) newSlot[d] = -1;
    bool commentsChanged = false;
    for (TCommentSlot& c : commentSlots_) {
      if (c.IsFree() || c.Key() < 0 || SlotOfKey(c.Key()) >= kMaxMedia) continue;
      const int mapped = newSlot[SlotOfKey(c.Key())];
      if (mapped == -2) continue;
      if (mapped == -1)
        c.Clear();
      else
        c.SetKey(MakeKey(mapped, RecordOfKey(c.Key())));
      commentsChanged = true;
    }
    if (commentsChanged) {
      std::vector<uint8_t> area(static_cast<std::size_t>(kMaxComments) * TCommentSlot::kSize);
      for (int i = 0; i < kMaxComments; ++i)
        std::copy_n(commentSlots_[i].Data(), TCommentSlot::kSize, &area[i * TCommentSlot::kSize]);
      BinaryFile file(catalogPath_, BinaryFile::Mode::ReadWrite);
      file.WriteAt(kCommentAreaOffset, area.data(), area.size());
      file.Close();
    }

    // Long names: rebuilt in slot order, each live media's entries contiguous.
    std::vector<TLongNameMedia> media(kMaxMedia);
    std::vector<TLongName> names;
    int32_t used = 0;
    for (int t = 0; t < slotsUsed_; ++t) {
      if (!mediaSlots_[t].IsLive() || origin[t] < 0) continue;
      const int o = origin[t];
      media[t] = longNameMedia_[o];
      media[t].SetFirst(static_cast<int32_t>(names.size()));
      if (o < lnUsed_ && longNameMedia_[o].Valid() == 1) {
        const int32_t from = std::max(0, longNameMedia_[o].First());
        const int32_t to = std::min(static_cast<int32_t>(longNames_.size()), longNameMedia_[o].End());
        for (int32_t j = from; j < to; ++j) names.push_back(longNames_[j]);
      }
      media[t].SetEnd(static_cast<int32_t>(names.size()));
      used = t + 1;
    }
    longNameMedia_ = std::move(media);
    longNames_ = std::move(names);
    lnUsed_ = std::min(used, lnCapacity_);
    WriteLongNameFile();
    RebuildLongNameIndex();
  } catch (const CatalogError&) {
    // Memory may be ahead of the file now: take the catalogue back as stored.
    std::string path = catalogPath_;
    if (OpenCatalog(path)) ReadLongNames();
    throw;
  }
  report(QString());
  return result;
}

}  // namespace plomix
