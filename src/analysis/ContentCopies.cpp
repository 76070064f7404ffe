#include "analysis/ContentCopies.h"

#include <algorithm>
#include <map>

#include "analysis/NameAnalysis.h"
#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Text.h"

namespace plomix {

namespace {

// Visits the members media by media (each media loaded once), with the
// member's index in `members`; members whose media or record is gone are
// skipped.
template <typename Visit>
void VisitMembers(Catalog& catalog, const std::vector<ContentMember>& members, Visit visit) {
  std::map<int, std::vector<std::size_t>> bySlot;
  for (std::size_t i = 0; i < members.size(); ++i) bySlot[members[i].slot].push_back(i);
  for (const auto& [slot, indices] : bySlot) {
    if (slot < 0 || slot >= kMaxMedia || !catalog.Slot(slot).IsLive() || !catalog.LoadMedia(slot))
      continue;
    for (std::size_t i : indices) {
      const int32_t record = members[i].record;
      if (record <= 0 || record >= catalog.LoadedCount()) continue;
      visit(i, slot, record);
    }
  }
}

}  // namespace

LoadedMediaKept::LoadedMediaKept(Catalog& catalog)
    : catalog_(catalog), slot_(catalog.LoadedMediaSlot()) {}

LoadedMediaKept::~LoadedMediaKept() {
  if (slot_ >= 0 && catalog_.LoadedMediaSlot() != slot_ && catalog_.Slot(slot_).IsLive())
    catalog_.LoadMedia(slot_);
}

std::optional<Fingerprint> FingerprintOfEntry(const Catalog& catalog, int slot, int32_t record) {
  const FingerprintSetPtr prints = catalog.FingerprintsOf(slot);
  if (!prints) return std::nullopt;
  const Fingerprint* print = prints->Find(record);
  if (print == nullptr) return std::nullopt;
  return *print;
}

std::vector<ContentMember> ContentCopiesOf(Catalog& catalog, int slot, int32_t record) {
  const std::optional<Fingerprint> print = FingerprintOfEntry(catalog, slot, record);
  if (!print || slot < 0 || slot >= kMaxMedia || !catalog.Slot(slot).IsLive()) return {};
  const LoadedMediaKept kept(catalog);
  if (!catalog.LoadMedia(slot) || record <= 0 || record >= catalog.LoadedCount()) return {};
  const TFileRec& own = catalog.LoadedRec(record);
  if (own.Kind() != kKindFile || own.Size() <= 0) return {};
  const double size = own.Size();
  // The digests say which media hold candidates; only those are loaded.
  std::vector<ContentMember> found;
  for (int s = 0; s < kMaxMedia; ++s) {
    if (!catalog.Slot(s).IsLive()) continue;
    const FingerprintSetPtr prints = catalog.FingerprintsOf(s);
    if (!prints) continue;
    std::vector<int32_t> candidates;
    for (std::size_t i = 0; i < prints->Count(); ++i)
      if (prints->At(i) == *print) candidates.push_back(prints->RecordAt(i));
    if (candidates.empty() || !catalog.LoadMedia(s)) continue;
    for (int32_t r : candidates) {
      if (r >= catalog.LoadedCount()) continue;
      const TFileRec& rec = catalog.LoadedRec(r);
      if (rec.Kind() == kKindFile && rec.Size() == size) found.push_back({s, r});
    }
  }
  return found;
}

std::vector<DetailRow> ContentDetailRows(Catalog& catalog,
                                         const std::vector<ContentMember>& members,
                                         const std::string& dateFormat) {
  const LoadedMediaKept kept(catalog);
  std::vector<DetailRow> rows(members.size());
  std::vector<bool> present(members.size());
  VisitMembers(catalog, members, [&](std::size_t i, int slot, int32_t record) {
    const TFileRec& rec = catalog.LoadedRec(record);
    const TMediaSlot& media = catalog.Slot(slot);
    DetailRow& row = rows[i];
    row.key = ResultKey(slot, record);
    row.name = catalog.RecordName(record);
    row.shown = text::ShownName(row.name, catalog.ExactName(record));
    row.dateText = rec.FileDate() == 0 ? std::string() : FormatDateTime(dateFormat, rec.FileDate());
    row.size = rec.Size();
    row.media = media.Name();
    row.category = media.Category();
    row.location = media.Location();
    row.locationDetail = media.LocationDetail();
    present[i] = true;
  });
  std::vector<DetailRow> out;
  out.reserve(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!present[i]) continue;
    out.push_back(std::move(rows[i]));
    out.back().no = static_cast<int64_t>(out.size());
  }
  return out;
}

std::vector<TRecord> ContentHitRecords(Catalog& catalog,
                                       const std::vector<ContentMember>& members) {
  const LoadedMediaKept kept(catalog);
  std::vector<TRecord> hits(members.size());
  std::vector<bool> present(members.size());
  VisitMembers(catalog, members, [&](std::size_t i, int slot, int32_t record) {
    TRecord& hit = hits[i];
    hit = catalog.LoadedRec(record).ToRecord();
    hit.Key = MakeKey(slot, record);
    hit.Name = catalog.RecordName(record);
    hit.ExactName.assign(catalog.ExactName(record));
    hit.Path = catalog.BuildRecordPath(slot, record);
    present[i] = true;
  });
  std::vector<TRecord> out;
  out.reserve(hits.size());
  for (std::size_t i = 0; i < hits.size(); ++i)
    if (present[i]) out.push_back(std::move(hits[i]));
  return out;
}

std::vector<ContentGroupName> ContentGroupNames(Catalog& catalog, const ContentDuplicates& found) {
  const LoadedMediaKept kept(catalog);
  std::vector<ContentMember> members;
  std::vector<std::size_t> groupOf;
  for (std::size_t g = 0; g < found.groups.size(); ++g) {
    for (const ContentMember& m : found.groups[g].members) {
      members.push_back(m);
      groupOf.push_back(g);
    }
  }
  std::vector<std::vector<std::string>> names(found.groups.size());
  std::vector<ContentGroupName> out(found.groups.size());
  std::vector<std::size_t> firstAt(found.groups.size(), members.size());
  VisitMembers(catalog, members, [&](std::size_t i, int, int32_t record) {
    const std::size_t g = groupOf[i];
    std::string name = catalog.RecordName(record);
    // The group is named after its first member still in the catalogue.
    if (i < firstAt[g]) {
      firstAt[g] = i;
      out[g].shown = text::ShownName(name, catalog.ExactName(record));
      out[g].name = name;
    }
    names[g].push_back(text::AnsiLower(name));
  });
  for (std::size_t g = 0; g < out.size(); ++g) {
    std::vector<std::string>& all = names[g];
    std::sort(all.begin(), all.end());
    out[g].names = static_cast<int>(std::unique(all.begin(), all.end()) - all.begin());
  }
  return out;
}

std::vector<std::string> MediaWithoutFingerprints(const Catalog& catalog) {
  std::vector<std::string> names;
  for (int slot = 0; slot < kMaxMedia; ++slot)
    if (catalog.Slot(slot).IsLive() && !catalog.FingerprintsOf(slot))
      names.push_back(catalog.Slot(slot).Name());
  return names;
}

}  // namespace plomix
