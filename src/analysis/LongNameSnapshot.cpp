#include "analysis/LongNameSnapshot.h"

#include <algorithm>

#include "core/Catalog.h"

namespace plomix {

std::shared_ptr<const LongNameSnapshot> LongNameSnapshot::Take(const Catalog& catalog) {
  auto snapshot = std::make_shared<LongNameSnapshot>();
  const int entries = catalog.LongNameEntries();
  for (int slot = 0; slot < catalog.LongNameUsed(); ++slot) {
    const TLongNameMedia& media = catalog.LongNameMedia(slot);
    if (media.Valid() != 1) continue;
    const int end = std::min(media.End(), entries);
    for (int j = std::max(media.First(), 0); j < end; ++j) {
      const TLongName& entry = catalog.LongNameEntry(j);
      snapshot->names_.emplace(Key(slot, entry.Record()), entry.Name());
    }
  }
  snapshot->exact_.resize(kMaxMedia);
  for (int slot = 0; slot < kMaxMedia; ++slot) snapshot->exact_[slot] = catalog.ExactNamesOf(slot);
  return snapshot;
}

std::string_view LongNameSnapshot::ExactNameOfRecord(int slot, int32_t record) const {
  if (slot < 0 || slot >= static_cast<int>(exact_.size()) || !exact_[slot]) return {};
  return exact_[slot]->Find(record);
}

std::string LongNameSnapshot::LongNameOfRecord(int slot, int32_t record,
                                               std::string_view storedName) const {
  if (storedName.size() < 90 || slot < 0 || record < 0) return std::string(storedName);
  const auto it = names_.find(Key(slot, record));
  return it == names_.end() ? std::string(storedName) : it->second;
}

}  // namespace plomix
