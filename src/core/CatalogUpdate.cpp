// Updating a media: a new reading stored in the slot of the old one, with the
// comments and marks people gave its entries carried over by path.
//
// A slot's records lie after those of the slots before it, so a reading of
// another size moves the records of every media after it. The update is
// therefore written like a compaction: the catalogue, its long-name file and
// its exact-name file whole beside the old ones (NAME.qdb.new, NAME.lfn.new,
// NAME.exn.new), synced; NAME.qdb.journal commits them; they are renamed into
// place and the journal removed. Whoever takes the lock after a crash finishes
// the renames (Catalog::LockCatalog) or removes the unfinished files.

#include <algorithm>
#include <filesystem>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "core/BinaryFile.h"
#include "core/Catalog.h"
#include "core/CatalogInternal.h"
#include "core/Text.h"

namespace plomix {

namespace fs = std::filesystem;
using namespace catalog_internal;

namespace {

// An entry is matched by its kind (folder or not) and its path of exact
// names: the native bytes where CP932 cannot hold a name, else the complete
// CP932 name. '/' separates them, as no name holds it.
std::string MatchKey(bool folder, std::string_view parentPath, std::string_view name) {
  std::string key;
  key.reserve(parentPath.size() + name.size() + 2);
  key += folder ? 'D' : 'F';
  key.append(parentPath);
  key += '/';
  key.append(name);
  return key;
}

// The key of the media's own record: it always matches.
const std::string& RootKey() {
  static const std::string key = "R";
  return key;
}

struct OldName {
  std::string match;  // exact name as matched
  std::string shown;  // UTF-8, for the list of lost comments
};

struct Carried {
  uint8_t mark = 0;
  std::vector<int> comments;  // comment slots, the one the entry links first
};

}  // namespace

std::optional<UpdateOutcome> Catalog::UpdateMedia(int slot, const MediaIdentity& expect,
                                                  const MediaRecordSource& records,
                                                  TMediaInfomation& info,
                                                  const BeforeCommit& beforeCommit) {
  const int32_t n = records.RecordCount();
  if (!open_ || n < 1 || n > kMaxRecords + 2) return std::nullopt;
  UnloadMedia();
  statsSlot_ = -1;
  BinaryFile file = LockCatalog(true);
  SyncWithDisk(file, true);
  const TMediaSlot seen = slot >= 0 && slot < kMaxMedia ? mediaSlots_[slot] : TMediaSlot{};
  slot = SlotToChange(slot, seen, &expect);
  if (ErrorInfo damage = UnsoundSlotTable(); !damage.empty()) throw CatalogError(damage);
  Recount();

  const TMediaSlot old = mediaSlots_[slot];
  const TFileRec oldRoot = old.Root();
  const int32_t oldCount = old.Count();
  const int64_t oldPosition = SlotPosition(slot);
  const int64_t recordsEnd = SlotPosition(slotsUsed_);
  if (RecordOffset(recordsEnd) > file.Size())
    throw CatalogError("\"" + catalogPath_ + "\" is shorter than its media; nothing was updated");

  // ---- What the old reading carries: marks and comments by path ----
  std::unordered_map<int32_t, std::vector<int>> commentsOf;  // old record -> comment slots
  UpdateOutcome outcome;
  outcome.slot = slot;
  std::vector<int> lostComments;  // comment slots, in table order
  for (int c = 0; c < kMaxComments; ++c) {
    const TCommentSlot& comment = commentSlots_[c];
    if (comment.IsFree() || !IsEntryKey(comment.Key()) || SlotOfKey(comment.Key()) != slot)
      continue;
    const int r = RecordOfKey(comment.Key());
    if (r < 0 || r >= oldCount)
      lostComments.push_back(c);
    else
      commentsOf[r].push_back(c);
  }
  std::vector<int32_t> parents(static_cast<std::size_t>(oldCount), -1);
  std::unordered_map<int32_t, OldName> folderNames;
  struct Wanted {
    int32_t record;
    bool folder;
    uint8_t mark;
    OldName name;
  };
  std::vector<Wanted> wanted;
  // A reading without fingerprints keeps those of the files that did not
  // change (same path, size and time stamp); one with them brings its own.
  const FingerprintSetPtr oldPrints = records.Fingerprints() ? nullptr : FingerprintsOf(slot);
  struct Printed {
    int32_t record;
    std::string name;
    KnownFingerprint known;
  };
  std::vector<Printed> printed;
  {
    const int32_t block = std::min(oldCount, kRecordBlock);
    std::vector<TFileRec> recs(static_cast<std::size_t>(std::max(block, 1)));
    for (int32_t start = 0; start < oldCount; start += kRecordBlock) {
      const int32_t len = std::min(kRecordBlock, oldCount - start);
      if (!file.ReadAt(RecordOffset(oldPosition + start), reinterpret_cast<uint8_t*>(recs.data()),
                       static_cast<std::size_t>(len) * TFileRec::kSize))
        throw CatalogError("\"" + catalogPath_ + "\" became shorter while it was read");
      for (int32_t i = 0; i < len; ++i) {
        const int32_t r = start + i;
        // The media's own record has its authority in the slot.
        const TFileRec& rec = r == 0 ? oldRoot : recs[static_cast<std::size_t>(i)];
        parents[static_cast<std::size_t>(r)] = r == 0 ? -1 : rec.Parent();
        const bool folder = r > 0 && IsFolderKind(rec.Kind());
        const uint8_t mark = rec.Mark();
        auto commented = commentsOf.find(r);
        if (r > 0 && commented != commentsOf.end()) {
          // The comment the entry links comes first: it wins its new entry.
          std::vector<int>& list = commented->second;
          const auto linked = std::find(list.begin(), list.end(), rec.CommentNo());
          if (linked != list.end()) std::rotate(list.begin(), linked, linked + 1);
        }
        const Fingerprint* print = oldPrints && r > 0 && !folder ? oldPrints->Find(r) : nullptr;
        if (!folder && mark == 0 && commented == commentsOf.end() && print == nullptr) continue;
        OldName name;
        if (r > 0) {
          const std::string complete = LongNameOfRecord(slot, r, rec.Name());
          const std::string_view exact = ExactNameOfRecord(slot, r);
          name.match = exact.empty() ? complete : std::string(exact);
          name.shown = exact.empty() ? text::Cp932ToUtf8(complete) : std::string(exact);
        }
        if (print != nullptr)
          printed.push_back({r, name.match, KnownFingerprint{rec.Size(), rec.FileDate(), *print}});
        if (folder) folderNames.emplace(r, name);
        if (mark != 0 || commented != commentsOf.end())
          wanted.push_back({r, folder, mark, std::move(name)});
      }
    }
  }
  // Paths of the old folders, as needed (a record's parent comes before it).
  std::unordered_map<int32_t, OldName> folderPaths;
  const std::function<const OldName&(int32_t)> pathOf = [&](int32_t r) -> const OldName& {
    static const OldName none;
    if (r <= 0 || r >= oldCount) return none;
    if (auto it = folderPaths.find(r); it != folderPaths.end()) return it->second;
    const int32_t parent = parents[static_cast<std::size_t>(r)];
    OldName path = parent >= 0 && parent < r ? pathOf(parent) : none;
    if (auto named = folderNames.find(r); named != folderNames.end()) {
      path.match += "/" + named->second.match;
      path.shown += (path.shown.empty() ? "" : "\\") + named->second.shown;
    }
    return folderPaths.emplace(r, std::move(path)).first->second;
  };
  std::unordered_map<std::string, Carried> carried;
  std::unordered_map<int32_t, std::string> shownPathOf;  // old commented record -> path
  std::unordered_set<std::string> wantedNames;
  for (Wanted& w : wanted) {
    std::string key;
    std::string shown;
    if (w.record == 0) {
      key = RootKey();
    } else {
      const int32_t parent = parents[static_cast<std::size_t>(w.record)];
      const OldName& at = parent >= 0 && parent < w.record ? pathOf(parent) : OldName{};
      key = MatchKey(w.folder, at.match, w.name.match);
      shown = at.shown.empty() ? w.name.shown : at.shown + "\\" + w.name.shown;
      wantedNames.insert(w.name.match);
    }
    Carried& entry = carried[key];
    entry.mark = w.mark;
    if (auto commented = commentsOf.find(w.record); commented != commentsOf.end()) {
      entry.comments = commented->second;
      shownPathOf.emplace(w.record, std::move(shown));
    }
  }
  FingerprintsByPath known;
  known.reserve(printed.size());
  for (Printed& p : printed) {
    const int32_t parent = parents[static_cast<std::size_t>(p.record)];
    const OldName& at = parent >= 0 && parent < p.record ? pathOf(parent) : OldName{};
    known.emplace(FingerprintPathKey(at.match, p.name), p.known);
  }
  printed.clear();
  printed.shrink_to_fit();
  auto keptPrints = known.empty() ? nullptr : std::make_shared<FingerprintSet>();
  folderNames.clear();
  folderPaths.clear();
  parents.clear();
  parents.shrink_to_fit();

  // ---- The new tables ----
  std::vector<TMediaSlot> slots = mediaSlots_;
  std::vector<TCommentSlot> comments = commentSlots_;
  std::vector<int32_t> newRecordOf(kMaxComments, -1);  // comment slot -> new record

  const std::string newCatalog = catalogPath_ + ".new";
  const std::string newLongNames = longNamePath_ + ".new";
  const std::string newExactNames = exactNamePath_ + ".new";
  const std::string journal = JournalPath(catalogPath_);
  std::optional<BinaryFile> incoming;
  bool committed = false;
  std::vector<uint8_t> areas(kAreasSize);
  std::vector<TLongNameMedia> media = longNameMedia_;
  std::vector<TLongName> names;
  int32_t used = lnUsed_;
  std::vector<ExactNameSetPtr> exactBySlot = exactNames_;
  std::vector<uint8_t> exactBytes;
  bool writeExact = false;
  const std::string newFingerprints = fingerprintPath_ + ".new";
  std::vector<uint8_t> fprBytes;
  bool writeFpr = false;
  try {
    incoming.emplace(newCatalog, BinaryFile::Mode::Create, catalogPath_);
    constexpr int64_t kBlock = int64_t{TFileRec::kSize} * kRecordBlock;
    std::vector<uint8_t> buffer;
    const auto copy = [&](int64_t from, int64_t to, int64_t count) {
      const int64_t bytes = count * TFileRec::kSize;
      for (int64_t done = 0; done < bytes;) {
        const auto len = static_cast<std::size_t>(std::min(kBlock, bytes - done));
        buffer.resize(len);
        if (!file.ReadAt(RecordOffset(from) + done, buffer.data(), len))
          throw CatalogError("\"" + catalogPath_ + "\" became shorter while it was updated");
        incoming->WriteAt(RecordOffset(to) + done, buffer.data(), len);
        done += static_cast<int64_t>(len);
      }
    };
    // The media before the slot stay where they are.
    copy(0, 0, oldPosition);

    // The new reading, its marks and comment links set as it is written.
    std::vector<TLongName> newNames;
    std::shared_ptr<ExactNameSet> exact;
    std::unordered_map<int32_t, std::string> newFolderPaths;
    TFileRec newRoot;
    {
      std::vector<uint8_t> block(static_cast<std::size_t>(std::min(n, kRecordBlock)) *
                                 TFileRec::kSize);
      TRecord rec;
      for (int32_t start = 0; start < n; start += kRecordBlock) {
        const int32_t len = std::min(kRecordBlock, n - start);
        for (int32_t i = 0; i < len; ++i) {
          const int32_t r = start + i;
          records.Fetch(r, rec);
          TFileRec image = TFileRec::FromRecord(rec);
          image.SetCommentNo(-1);
          image.SetMark(0);
          if (r > 0 && rec.Name.size() > TFileRec::kNameCap &&
              static_cast<int64_t>(longNames_.size() + newNames.size()) < kMaxLongNames) {
            TLongName entry;
            entry.SetRecord(r);
            entry.SetName(rec.Name);
            newNames.push_back(entry);
          }
          const std::string_view native = records.NativeName(r);
          if (!native.empty() && r > 0) {
            if (!exact) exact = std::make_shared<ExactNameSet>();
            exact->Add(r, native);
          }
          if (!carried.empty() || !known.empty()) {
            const bool folder = r > 0 && IsFolderKind(rec.Kind);
            const std::string_view name = native.empty() ? std::string_view(rec.Name) : native;
            Carried* match = nullptr;
            std::string parentPath;
            if (r == 0) {
              if (auto it = carried.find(RootKey()); it != carried.end()) match = &it->second;
            } else {
              if (auto p = newFolderPaths.find(rec.Parent); p != newFolderPaths.end())
                parentPath = p->second;
              if (folder) newFolderPaths.emplace(r, parentPath + "/" + std::string(name));
              if (wantedNames.count(std::string(name)) != 0)
                if (auto it = carried.find(MatchKey(folder, parentPath, name)); it != carried.end())
                  match = &it->second;
              if (!known.empty() && rec.Kind == kKindFile)
                if (auto it = known.find(FingerprintPathKey(parentPath, name));
                    it != known.end() && it->second.size == rec.Size &&
                    it->second.fileDate == rec.FileDate)
                  keptPrints->Add(r, it->second.print);
            }
            if (match != nullptr) {
              if (match->mark != 0) {
                image.SetMark(match->mark);
                ++outcome.marksCarried;
              }
              if (!match->comments.empty()) {
                image.SetCommentNo(match->comments.front());
                for (int c : match->comments) newRecordOf[static_cast<std::size_t>(c)] = r;
              }
              match->mark = 0;
              match->comments.clear();
            }
          }
          if (r == 0) newRoot = image;
          std::copy_n(image.Data(), TFileRec::kSize,
                      &block[static_cast<std::size_t>(i) * TFileRec::kSize]);
        }
        incoming->WriteAt(RecordOffset(oldPosition + start), block.data(),
                          static_cast<std::size_t>(len) * TFileRec::kSize);
      }
    }
    // The media after it move by the difference.
    copy(oldPosition + oldCount, oldPosition + n, recordsEnd - oldPosition - oldCount);

    // Comments: relinked to their entry's new record, or freed and listed.
    // Two comments on one entry (one lost its link to a crash) keep the one
    // the entry linked.
    for (auto& [record, list] : commentsOf) {
      bool first = true;
      for (int c : list) {
        const int32_t to = newRecordOf[static_cast<std::size_t>(c)];
        if (to >= 0 && first) {
          comments[static_cast<std::size_t>(c)].SetKey(MakeKey(slot, to));
          ++outcome.commentsCarried;
        } else {
          lostComments.push_back(c);
        }
        first = false;
      }
    }
    std::sort(lostComments.begin(), lostComments.end());
    for (int c : lostComments) {
      const TCommentSlot& comment = commentSlots_[static_cast<std::size_t>(c)];
      auto shown = shownPathOf.find(RecordOfKey(comment.Key()));
      outcome.lostComments.push_back(
          {shown != shownPathOf.end() ? shown->second : std::string(), ExactCommentText(c)});
      comments[static_cast<std::size_t>(c)].Clear();
    }

    // The slot: the new reading's facts under the old slot's filing.
    TMediaSlot& s = slots[static_cast<std::size_t>(slot)];
    TMediaInfomation merged = info;
    const TMediaInfomation was = old.Info();
    merged.KindName = was.KindName;
    merged.Category = was.Category;
    merged.Location = was.Location;
    merged.LocationDetail = was.LocationDetail;
    merged.Reserved1 = was.Reserved1;
    merged.Reserved2 = was.Reserved2;
    merged.Reserved3 = was.Reserved3;
    newRoot.SetName(old.Name());
    newRoot.SetKind(oldRoot.Kind());
    s.SetCount(n);
    s.SetDeletedDate(0);
    s.SetRoot(newRoot);
    s.SetInfo(merged);
    int64_t next = 0;
    for (int t = 0; t < kMaxMedia && !slots[static_cast<std::size_t>(t)].IsNeverUsed(); ++t) {
      TMediaSlot& each = slots[static_cast<std::size_t>(t)];
      if (t >= slot) each.SetFirstRec(static_cast<int32_t>(next));
      next += std::max(0, each.Count());
    }
    // The root record in the record area matches the slot's copy.
    incoming->WriteAt(RecordOffset(oldPosition), newRoot.Data(), TFileRec::kSize);
    for (int t = 0; t < kMaxMedia; ++t)
      std::copy_n(slots[static_cast<std::size_t>(t)].Data(), TMediaSlot::kSize,
                  &areas[static_cast<std::size_t>(t) * TMediaSlot::kSize]);
    for (int c = 0; c < kMaxComments; ++c)
      std::copy_n(comments[static_cast<std::size_t>(c)].Data(), TCommentSlot::kSize,
                  &areas[kCommentAreaOffset + static_cast<int64_t>(c) * TCommentSlot::kSize]);
    incoming->WriteAt(0, areas.data(), areas.size());
    incoming->Sync();
    info = merged;

    // Long names: every slot's entries as they were, the slot's replaced.
    if (slot < lnCapacity_) used = std::max(used, slot + 1);
    for (int t = 0; t < used && t < lnCapacity_; ++t) {
      TLongNameMedia& m = media[static_cast<std::size_t>(t)];
      if (t == slot) {
        const std::string picture = m.Picture();
        if (m.Valid() != 1) m = TLongNameMedia{};
        m.SetSlotCopy(s);
        m.SetValid(1);
        m.SetPicture(picture);
        m.SetFirst(static_cast<int32_t>(names.size()));
        names.insert(names.end(), newNames.begin(), newNames.end());
        m.SetEnd(static_cast<int32_t>(names.size()));
        continue;
      }
      if (m.Valid() != 1) continue;
      const int32_t from = std::max(0, m.First());
      const int32_t to = std::min(static_cast<int32_t>(longNames_.size()), m.End());
      m.SetFirst(static_cast<int32_t>(names.size()));
      for (int32_t j = from; j < to; ++j) names.push_back(longNames_[static_cast<std::size_t>(j)]);
      m.SetEnd(static_cast<int32_t>(names.size()));
    }
    std::swap(longNameMedia_, media);
    std::swap(longNames_, names);
    const int32_t usedBefore = std::exchange(lnUsed_, used);
    const std::vector<uint8_t> longNameBytes = LongNameFileBytes();
    std::swap(longNameMedia_, media);
    std::swap(longNames_, names);
    lnUsed_ = usedBefore;
    BinaryFile lfn(newLongNames, BinaryFile::Mode::Create, catalogPath_);
    lfn.WriteAt(0, longNameBytes.data(), longNameBytes.size());
    lfn.Sync();
    lfn.Close();

    // Exact names: every segment under its media's position now.
    exactBySlot[static_cast<std::size_t>(slot)] = exact;
    std::vector<ExactMediaIdentity> exactIds;
    std::vector<ExactNameSetPtr> exactSets;
    next = 0;
    for (int t = 0; t < kMaxMedia && !slots[static_cast<std::size_t>(t)].IsNeverUsed(); ++t) {
      const TMediaSlot& each = slots[static_cast<std::size_t>(t)];
      if (exactBySlot[static_cast<std::size_t>(t)]) {
        exactIds.push_back({t, next, each.Count(), each.Root().FileDate()});
        exactSets.push_back(exactBySlot[static_cast<std::size_t>(t)]);
      }
      next += std::max(0, each.Count());
    }
    // Exact texts of every media and comment kept, under the positions now.
    std::vector<int> sameSlot(kMaxMedia);
    for (int t = 0; t < kMaxMedia; ++t) sameSlot[static_cast<std::size_t>(t)] = t;
    const std::vector<ExactText> exactTexts = CurrentExactTexts(sameSlot, slots, comments);
    std::error_code ec;
    writeExact = !exactIds.empty() || !exactTexts.empty() || fs::exists(exactNamePath_, ec);
    if (writeExact) {
      exactBytes = ExactFileBytes(exactIds, exactSets, exactTexts);
      BinaryFile exn(newExactNames, BinaryFile::Mode::Create, catalogPath_);
      exn.WriteAt(0, exactBytes.data(), exactBytes.size());
      exn.Sync();
      exn.Close();
    }
    // Fingerprints: those of the new reading for the slot, every other
    // media's under its position now.
    std::vector<std::pair<ExactMediaIdentity, FingerprintSetPtr>> fprSegments;
    next = 0;
    for (int t = 0; t < kMaxMedia && !slots[static_cast<std::size_t>(t)].IsNeverUsed(); ++t) {
      const TMediaSlot& each = slots[static_cast<std::size_t>(t)];
      FingerprintSetPtr prints = FingerprintsOf(t);
      if (t == slot)
        prints = records.Fingerprints()               ? records.Fingerprints()
                 : keptPrints && !keptPrints->Empty() ? FingerprintSetPtr(keptPrints)
                                                      : nullptr;
      if (prints)
        fprSegments.push_back({{t, next, each.Count(), each.Root().FileDate()}, std::move(prints)});
      next += std::max(0, each.Count());
    }
    writeFpr = !fprSegments.empty() || fs::exists(fingerprintPath_, ec);
    if (writeFpr) {
      fprBytes = FingerprintFileBytes(fprSegments);
      BinaryFile fpr(newFingerprints, BinaryFile::Mode::Create, catalogPath_);
      fpr.WriteAt(0, fprBytes.data(), fprBytes.size());
      fpr.Sync();
      fpr.Close();
    }
    if (beforeCommit) beforeCommit(s);

    BinaryFile mark(journal, BinaryFile::Mode::Create, catalogPath_);
    committed = true;
    const std::string note =
        "updated: rename NAME.qdb.new, NAME.lfn.new, NAME.exn.new and NAME.fpr.new into place\n";
    mark.WriteAt(0, note.data(), note.size());
    mark.Sync();
    mark.Close();
    io::SyncFolderOf(journal);
    // A damaged side file is kept aside, as on every rewrite.
    if (longNamesDamaged_ && fs::exists(longNamePath_, ec) &&
        !fs::exists(longNamePath_ + ".damaged", ec))
      io::Link(longNamePath_, longNamePath_ + ".damaged");
    if (exactDamaged_ && writeExact && fs::exists(exactNamePath_, ec) &&
        !fs::exists(exactNamePath_ + ".damaged", ec))
      io::Link(exactNamePath_, exactNamePath_ + ".damaged");
    io::Rename(newCatalog, catalogPath_);
    io::Rename(newLongNames, longNamePath_);
    if (fprDamaged_ && writeFpr && fs::exists(fingerprintPath_, ec) &&
        !fs::exists(fingerprintPath_ + ".damaged", ec))
      io::Link(fingerprintPath_, fingerprintPath_ + ".damaged");
    if (writeExact) io::Rename(newExactNames, exactNamePath_);
    if (writeFpr) io::Rename(newFingerprints, fingerprintPath_);
    io::SyncFolderOf(catalogPath_);
    io::Remove(journal);
    io::SyncFolderOf(catalogPath_);
  } catch (...) {
    if (!committed) {
      io::RemoveIfPresent(newCatalog);
      io::RemoveIfPresent(newLongNames);
      io::RemoveIfPresent(newExactNames);
      io::RemoveIfPresent(newFingerprints);
    }
    // Memory is as it was; a committed update is finished by this open.
    incoming.reset();
    file.Close();
    if (committed) {
      std::string path = catalogPath_;
      OpenCatalog(path);
    }
    throw;
  }

  catalogStamp_ = incoming->Stamp();
  mediaSlots_ = std::move(slots);
  commentSlots_ = std::move(comments);
  diskAreas_ = std::move(areas);
  longNameMedia_ = std::move(media);
  longNames_ = std::move(names);
  lnUsed_ = used;
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
  lastAddedSlot_ = slot;
  return outcome;
}

}  // namespace plomix
