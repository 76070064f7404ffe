#include "analysis/ContentDuplicates.h"

#include <algorithm>
#include <cstring>
#include <tuple>

#include "core/Catalog.h"

namespace plomix {

ContentDuplicates FindContentDuplicates(Catalog& catalog) {
  ContentDuplicates result;
  struct Item {
    double size;
    Fingerprint print;
    ContentMember member;
  };
  std::vector<Item> items;
  for (int slot = 0; slot < kMaxMedia; ++slot) {
    if (!catalog.Slot(slot).IsLive()) continue;
    const FingerprintSetPtr prints = catalog.FingerprintsOf(slot);
    if (!prints) {
      ++result.mediaWithoutFingerprints;
      continue;
    }
    if (!catalog.LoadMedia(slot)) continue;
    for (std::size_t i = 0; i < prints->Count(); ++i) {
      const int32_t record = prints->RecordAt(i);
      if (record >= catalog.LoadedCount()) continue;
      const TFileRec& rec = catalog.LoadedRec(record);
      if (rec.Kind() != kKindFile || rec.Size() <= 0) continue;
      items.push_back({rec.Size(), prints->At(i), {slot, record}});
    }
  }
  const auto key = [](const Item& a) {
    return std::make_tuple(a.size, static_cast<int>(a.print.mode), a.print.digest);
  };
  std::sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
    return std::tie(a.size, a.print.mode, a.print.digest, a.member.slot, a.member.record) <
           std::tie(b.size, b.print.mode, b.print.digest, b.member.slot, b.member.record);
  });
  for (std::size_t i = 0; i < items.size();) {
    std::size_t j = i + 1;
    while (j < items.size() && key(items[j]) == key(items[i])) ++j;
    if (j - i >= 2) {
      ContentGroup group;
      group.size = items[i].size;
      group.print = items[i].print;
      for (std::size_t k = i; k < j; ++k) group.members.push_back(items[k].member);
      result.wasted += group.Wasted();
      result.groups.push_back(std::move(group));
    }
    i = j;
  }
  std::stable_sort(
      result.groups.begin(), result.groups.end(),
      [](const ContentGroup& a, const ContentGroup& b) { return a.Wasted() > b.Wasted(); });
  return result;
}

}  // namespace plomix
