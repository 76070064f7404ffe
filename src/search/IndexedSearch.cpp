// The search of one media over the records its name index names: those
// records are read and tested as a full pass would test them, and the hits'
// paths are put together from their folders, read level by level.

#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "core/Catalog.h"
#include "core/RecordArea.h"
#include "search/FileSearch.h"

namespace plomix {

namespace {

struct Stopped {};

// Hands the given records of a media (ascending, each below its count) to
// `visit`, reading records a few apart together: one read of the run costs
// less than a read for each. False when a record lies outside the media.
// The area was opened on the file as it is now, and found to hold the slot
// the window knows: a catalogue another program replaced since the index was
// checked is never read at the old positions.
template <typename Visit>
bool VisitRecordsAt(RecordArea& area, const std::vector<int32_t>& records, Visit&& visit) {
  for (std::size_t i = 0; i < records.size(); ++i)
    if (records[i] < 0 || records[i] >= area.Count() || (i > 0 && records[i] <= records[i - 1]))
      return false;
  constexpr int32_t kGap = 24, kMaxRun = 2048;
  TFileRec rec;
  for (std::size_t i = 0; i < records.size();) {
    const int32_t first = records[i];
    std::size_t j = i + 1;
    while (j < records.size() && records[j] - records[j - 1] <= kGap &&
           records[j] - first < kMaxRun)
      ++j;
    const uint8_t* block = area.Block(first, records[j - 1] - first + 1);
    for (; i < j; ++i) {
      std::memcpy(rec.Data(), block + std::size_t(records[i] - first) * TFileRec::kSize,
                  TFileRec::kSize);
      visit(records[i], rec);
    }
  }
  return true;
}

struct Folder {
  int32_t parent = -1;
  bool folder = false;  // of a folder kind: only those name a path segment
  std::string name;
};

}  // namespace

std::optional<bool> FileSearch::SearchPicked(int slot, const std::vector<int32_t>& records,
                                             const ContinueFn& keepGoing) {
  const std::string mediaName = catalog_.Slot(slot).Name();
  const int32_t count = catalog_.Slot(slot).Count();
  const ExactNameSetPtr exactNames = catalog_.ExactNamesOf(slot);
  const std::size_t firstHit = Found();
  bool unsound = false;
  std::size_t tested = 0;
  std::string longName;
  std::vector<int32_t> hitParents;
  const auto nameOf = [&](int32_t r, const TFileRec& rec) -> std::string_view {
    const uint8_t* data = rec.Data();
    const std::size_t length = std::min<std::size_t>(data[TFileRec::kName], TFileRec::kNameCap);
    std::string_view name(reinterpret_cast<const char*>(data + TFileRec::kName + 1), length);
    if (length == TFileRec::kNameCap) {
      longName = catalog_.LongNameOfRecord(slot, r, name);
      name = longName;
    }
    return name;
  };

  const std::unique_ptr<RecordArea> area = catalog_.OpenRecordArea(slot);
  if (!area || area->Count() != count) {
    KeepFound(firstHit);
    return std::nullopt;
  }
  bool read = false;
  try {
    read = VisitRecordsAt(*area, records, [&](int32_t r, const TFileRec& stored) {
      if (keepGoing && ++tested % kContinueInterval == 0 && !keepGoing()) {
        cancelled_ = true;
        throw Stopped{};
      }
      unsound = unsound || !LinksAreSound(r, stored, count);
      if (unsound || Found() >= static_cast<std::size_t>(kMaxSearchHits)) return;
      TFileRec root;
      if (r == 0) {
        root = stored;
        root.SetName(mediaName);
      }
      const TFileRec& rec = r == 0 ? root : stored;
      const std::string_view name = r == 0 ? std::string_view(mediaName) : nameOf(r, rec);
      const std::string_view exact = exactNames ? exactNames->Find(r) : std::string_view();
      if (!Matches(rec, name, exact)) return;
      // A counting run reads the folders above its hits all the same: their
      // links decide, as in a full run, whether the index is trusted.
      hitParents.push_back(r == 0 ? -1 : stored.Parent());
      if (countOnly_) {
        ++counted_;
        return;
      }
      TRecord hit = rec.ToRecord();
      hit.Key = MakeKey(slot, r);
      hit.Name.assign(name);
      hit.ExactName.assign(exact);
      searchRecs_.push_back(std::move(hit));
    });
  } catch (const Stopped&) {
    read = true;
  } catch (const CatalogError&) {
    read = false;
  }
  if (!read || unsound) {
    KeepFound(firstHit);
    return std::nullopt;
  }

  // The folders above the hits, one level per read.
  std::unordered_map<int32_t, Folder> folders;
  std::vector<int32_t> wanted;
  for (int32_t p : hitParents)
    if (p > 0) wanted.push_back(p);
  while (!wanted.empty()) {
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    std::vector<int32_t> above;
    bool foldersRead = false;
    try {
      foldersRead = VisitRecordsAt(*area, wanted, [&](int32_t r, const TFileRec& rec) {
        unsound = unsound || !LinksAreSound(r, rec, count);
        Folder& f = folders[r];
        f.parent = rec.Parent();
        f.folder = IsFolderKind(rec.Kind());
        if (f.folder) f.name.assign(nameOf(r, rec));
        if (f.parent > 0 && !folders.count(f.parent)) above.push_back(f.parent);
      });
    } catch (const CatalogError&) {
      foldersRead = false;
    }
    if (!foldersRead || unsound) {
      KeepFound(firstHit);
      return std::nullopt;
    }
    wanted.swap(above);
  }

  if (countOnly_) return true;
  std::vector<std::string_view> segments;
  int32_t cachedParent = -2;
  std::string cachedPath;
  for (std::size_t i = 0; i < hitParents.size(); ++i) {
    const int32_t parent = hitParents[i];
    if (parent < 0) continue;
    if (parent != cachedParent) {
      segments.clear();
      for (int32_t x = parent; x >= 0; x = x > 0 ? folders[x].parent : -1) {
        const Folder* f = x > 0 ? &folders[x] : nullptr;
        segments.push_back(x == 0      ? std::string_view(mediaName)
                           : f->folder ? std::string_view(f->name)
                                       : std::string_view());
      }
      cachedPath.clear();
      for (auto it = segments.rbegin(); it != segments.rend(); ++it) {
        if (!cachedPath.empty()) cachedPath += '\\';
        cachedPath += *it;
      }
      cachedParent = parent;
    }
    searchRecs_[firstHit + i].Path = cachedPath;
  }
  return true;
}

}  // namespace plomix
