#include "analysis/ContentDuplicates.h"

#include <algorithm>
#include <cmath>

#include "core/Catalog.h"
#include "core/Error.h"

namespace plomix {

namespace {

// One fingerprinted file, laid out for sorting: the digest as two numbers
// that order as its bytes do.
struct Item {
  double size;
  uint64_t high;
  uint64_t low;
  int32_t slot;
  int32_t record;
  FingerprintMode mode;

  bool SameContent(const Item& o) const {
    return size == o.size && mode == o.mode && high == o.high && low == o.low;
  }
  bool operator<(const Item& o) const {
    if (size != o.size) return size < o.size;
    if (mode != o.mode) return mode < o.mode;
    if (high != o.high) return high < o.high;
    if (low != o.low) return low < o.low;
    if (slot != o.slot) return slot < o.slot;
    return record < o.record;
  }
};

uint64_t BigEndian(const uint8_t* p) {
  uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v = v << 8 | p[i];
  return v;
}

}  // namespace

ContentDuplicates FindContentDuplicates(Catalog& catalog, bool listGroups) {
  ContentDuplicates result;
  std::vector<Item> items;
  for (int slot = 0; slot < kMaxMedia; ++slot) {
    if (!catalog.Slot(slot).IsLive()) continue;
    const FingerprintSetPtr prints = catalog.FingerprintsOf(slot);
    if (!prints) {
      ++result.mediaWithoutFingerprints;
      continue;
    }
    const std::size_t before = items.size();
    items.reserve(items.size() + prints->Count());
    std::size_t next = 0;  // prints and records both come in ascending order
    bool read = false;
    try {
      read = catalog.VisitMediaRecords(slot, [&](int32_t record, const TFileRec& rec) {
        while (next < prints->Count() && prints->RecordAt(next) < record) ++next;
        if (next == prints->Count() || prints->RecordAt(next) != record) return;
        // A damaged size (not a number) would break the order the grouping needs.
        if (rec.Kind() != kKindFile || !(rec.Size() > 0) || !std::isfinite(rec.Size())) return;
        const Fingerprint& print = prints->At(next);
        items.push_back({rec.Size(), BigEndian(print.digest.data()),
                         BigEndian(print.digest.data() + 8), slot, record, print.mode});
      });
    } catch (const CatalogError&) {
      read = false;
    }
    // A media whose records cannot be read (now) takes part in no group.
    if (!read) {
      items.resize(before);
      ++result.unreadMedia;
    }
  }
  std::sort(items.begin(), items.end());
  for (std::size_t i = 0; i < items.size();) {
    std::size_t j = i + 1;
    while (j < items.size() && items[j].SameContent(items[i])) ++j;
    if (j - i >= 2) {
      ++result.groupCount;
      result.wasted += items[i].size * static_cast<double>(j - i - 1);
      if (listGroups) {
        ContentGroup group;
        group.size = items[i].size;
        group.print.mode = items[i].mode;
        for (int b = 0; b < 8; ++b) {
          group.print.digest[static_cast<std::size_t>(b)] =
              static_cast<uint8_t>(items[i].high >> (56 - 8 * b));
          group.print.digest[static_cast<std::size_t>(8 + b)] =
              static_cast<uint8_t>(items[i].low >> (56 - 8 * b));
        }
        group.members.reserve(j - i);
        for (std::size_t k = i; k < j; ++k)
          group.members.push_back({items[k].slot, items[k].record});
        result.groups.push_back(std::move(group));
      }
    }
    i = j;
  }
  std::stable_sort(
      result.groups.begin(), result.groups.end(),
      [](const ContentGroup& a, const ContentGroup& b) { return a.Wasted() > b.Wasted(); });
  return result;
}

}  // namespace plomix
