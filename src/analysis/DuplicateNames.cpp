// Duplicate names in three passes over the catalogue, holding no file of it:
// the first counts the key hashes, the second keeps the keys counted twice or
// more exactly (with their first file), and after the sort the third hands
// every entry of a group to its place in the result.

#include <algorithm>
#include <bit>
#include <numeric>
#include <stdexcept>
#include <string>

#include "analysis/NameAnalysis.h"
#include "analysis/NameAnalysisParts.h"
#include "core/Catalog.h"
#include "core/Error.h"
#include "core/Text.h"

namespace plomix {

using namespace analysis_detail;

namespace {

using DupState = NameAnalysis::DuplicateState;

// Per slot: whether its records took part in the count and in the grouping.
constexpr uint8_t kCounted = 1, kGrouped = 2;

// The key of one file: its complete name, the key (the name, or a zero byte
// and the shown exact name) and the key lower-cased, with its hash.
class FileKey {
 public:
  explicit FileKey(const Catalog& catalog) : catalog_(catalog) {}

  // False when the file has no key (an empty name).
  bool Take(int slot, int32_t index, const TFileRec& rec, std::string_view exact) {
    name_ = StoredName(rec);
    if (name_.size() >= 90) {
      longName_ = catalog_.LongNameOfRecord(slot, index, name_);
      name_ = longName_;
    }
    if (!exact.empty()) {
      exactKey_.assign(1, '\0');
      exactKey_ += text::NativeNameToUtf8(exact);
      word_ = exactKey_;
      LowerKeyInto(word_, lowered_);
    } else {
      if (name_.empty()) return false;
      word_ = name_;
      lower_.LowerInto(name_, lowered_);
    }
    hash_ = HashBytes(lowered_);
    return true;
  }
  std::string_view Name() const { return name_; }
  std::string_view Word() const { return word_; }
  const std::string& Lowered() const { return lowered_; }
  uint64_t Hash() const { return hash_; }

 private:
  const Catalog& catalog_;
  const LowerTable& lower_ = LowerTable::Get();
  std::string_view name_;
  std::string_view word_;
  std::string longName_;
  std::string exactKey_;
  std::string lowered_;
  uint64_t hash_ = 0;
};

// The live media in slot order.
template <typename Visit>
void ForEachLiveSlot(const Catalog& catalog, Visit visit) {
  for (int s = 0; s < std::min(catalog.SlotsUsed(), kMaxMedia); ++s) {
    const TMediaSlot& slot = catalog.Slot(s);
    if (slot.IsNeverUsed()) break;
    if (slot.IsLive()) visit(s, slot);
  }
}

// ---- the counting table of the first pass

void SizeCounters(DupState& st, int bits) {
  st.counterShift = 64 - bits;
  const std::size_t counters = std::size_t{1} << bits;
  st.counters.assign((counters + 31) / 32, 0);
}

void CountKey(DupState& st, uint64_t hash) {
  const uint64_t i = hash >> st.counterShift;
  uint64_t& word = st.counters[i >> 5];
  const unsigned shift = static_cast<unsigned>(i & 31) * 2;
  if (((word >> shift) & 3) < 2) word += uint64_t{1} << shift;
}

bool CountedTwice(const DupState& st, uint64_t hash) {
  const uint64_t i = hash >> st.counterShift;
  return ((st.counters[i >> 5] >> (static_cast<unsigned>(i & 31) * 2)) & 3) >= 2;
}

// ---- the exact keys of the second pass

uint64_t Pack(std::string_view lower) {
  if (lower.empty() || lower.size() > 7) return 0;
  uint64_t packed = uint64_t{lower.size()} << 56;
  for (std::size_t i = 0; i < lower.size(); ++i)
    packed |= uint64_t{static_cast<uint8_t>(lower[i])} << (8 * i);
  return packed;
}

void Grow(DupState& st) {
  std::vector<uint32_t> bigger(st.table.empty() ? 1024 : st.table.size() * 2, 0);
  const std::size_t mask = bigger.size() - 1;
  for (uint32_t slot : st.table) {
    if (slot == 0) continue;
    std::size_t i = st.keys[slot - 1].hash & mask;
    while (bigger[i] != 0) i = (i + 1) & mask;
    bigger[i] = slot;
  }
  st.table.swap(bigger);
}

// Where the key with these lower-cased bytes is in the table, or where it
// would go (an empty slot). Keys compare by their bytes: equal hashes alone
// never make two keys one.
std::size_t Find(const DupState& st, std::string_view lower, uint32_t hash, uint64_t packed) {
  const std::size_t mask = st.table.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const uint32_t slot = st.table[i];
    if (slot == 0) return i;
    const DupState::Key& key = st.keys[slot - 1];
    if (key.hash != hash || key.packed != packed) continue;
    if (packed != 0 || st.arena.Get(key.lower) == lower) return i;
  }
}

}  // namespace

AnalysisCounters NameAnalysis::RunDuplicates(Catalog& catalog, const AnalysisProgress& progress) {
  dup_ = std::make_unique<DuplicateState>();
  catalog_ = &catalog;
  DupState& st = *dup_;
  auto report = [&](AnalysisEvent::Kind kind, std::string text, int slot) {
    if (progress) progress(AnalysisEvent{kind, std::move(text), slot, counters_});
  };
  auto skipped = [&](int s, const TMediaSlot& slot) {
    report(AnalysisEvent::Kind::MediaSkipped,
           text::Utf8ToCp932("「") + slot.Name() +
               text::Utf8ToCp932("」のファイル情報を読めないため、検索から除きました"),
           s);
  };
  report(AnalysisEvent::Kind::Counters, {}, -1);

  // Four counters per record of the catalogue (two bytes), so that few keys
  // met once share a counter with another key.
  int64_t records = 0;
  ForEachLiveSlot(catalog, [&](int, const TMediaSlot& slot) {
    records += std::clamp<int64_t>(slot.Count(), 0, kMaxRecords + 2);
  });
  const int bits =
      counterBits_ > 0
          ? std::min(counterBits_, 40)
          : std::clamp(static_cast<int>(std::bit_width(static_cast<uint64_t>(records) * 4)), 12,
                       36);
  SizeCounters(st, bits);
  st.slots.assign(kMaxMedia, 0);

  FileKey file(catalog);
  const int mediaTotal = catalog.MediaCount();
  int started = 0;
  ForEachLiveSlot(catalog, [&](int s, const TMediaSlot& slot) {
    ++started;
    report(AnalysisEvent::Kind::Media,
           text::Utf8ToCp932("検索中...(" + std::to_string(started) + "/" +
                             std::to_string(mediaTotal) + "メディア)"),
           s);
    const bool read =
        VisitFiles(catalog, s, [&](int32_t index, const TFileRec& rec, std::string_view exact) {
          if (file.Take(s, index, rec, exact)) CountKey(st, file.Hash());
        });
    if (read)
      st.slots[s] = kCounted;
    else
      skipped(s, slot);
  });

  ForEachLiveSlot(catalog, [&](int s, const TMediaSlot& slot) {
    if (st.slots[s] != kCounted) return;
    const bool read =
        VisitFiles(catalog, s, [&](int32_t index, const TFileRec& rec, std::string_view exact) {
          ++counters_.files;
          if (file.Take(s, index, rec, exact) && CountedTwice(st, file.Hash())) {
            if ((st.keys.size() + 1) * 2 > st.table.size()) Grow(st);
            const auto hash = static_cast<uint32_t>(file.Hash());
            const uint64_t packed = Pack(file.Lowered());
            uint32_t& slotRef = st.table[Find(st, file.Lowered(), hash, packed)];
            if (slotRef == 0) {
              const uint32_t lower = packed != 0 ? kNone : st.arena.Add(file.Lowered());
              st.keys.push_back({packed, hash, lower, st.arena.Add(file.Word()), kNone,
                                 ResultKey(s, index), rec.FileDate(), ClampResultSize(rec.Size()),
                                 1});
              slotRef = static_cast<uint32_t>(st.keys.size());
            } else {
              DupState::Key& key = st.keys[slotRef - 1];
              if (key.group == kNone) {
                key.group = static_cast<uint32_t>(st.groupKeys.size());
                st.groupKeys.push_back(slotRef - 1);
                ++counters_.groups;
                ++counters_.entries;
              }
              ++key.count;
              ++counters_.entries;
            }
          }
          if (counters_.files % 1000 == 0) report(AnalysisEvent::Kind::Counters, {}, -1);
        });
    if (read)
      st.slots[s] = kGrouped;
    else
      skipped(s, slot);
    report(AnalysisEvent::Kind::Counters, {}, -1);
  });
  report(AnalysisEvent::Kind::Done, {}, -1);
  return counters_;
}

void NameAnalysis::SortDuplicates() {
  if (!dup_) dup_ = std::make_unique<DuplicateState>();
  DupState& st = *dup_;
  st.order.resize(st.groupKeys.size());
  std::iota(st.order.begin(), st.order.end(), 0u);
  SortTextsByCollation(st.order,
                       [&](uint32_t g) { return st.arena.Get(st.keys[st.groupKeys[g]].spelling); });
  st.groupStart.assign(st.groupKeys.size(), 0);
  uint32_t position = 0;
  for (uint32_t g : st.order) {
    st.groupStart[g] = position;
    position += st.keys[st.groupKeys[g]].count;
  }
  sorted_ = true;
}

void NameAnalysis::ForEachHead(
    const std::function<void(const ResultFileEntry& head, uint32_t size)>& visit) const {
  if (!sorted_) throw std::logic_error("the analysis result is walked before it was sorted");
  if (mode_ != AnalysisMode::Duplicate) {
    ForEachGroup([&](const ResultFileEntry& head, const std::vector<ResultFileEntry>& entries) {
      visit(head, static_cast<uint32_t>(entries.size()));
    });
    return;
  }
  const DupState& st = *dup_;
  std::string scratch;
  for (uint32_t g : st.order) {
    const DupState::Key& key = st.keys[st.groupKeys[g]];
    visit(ResultFileEntry{KeyAsCp932(st.arena.Get(key.spelling), scratch), key.key, key.date,
                          key.size},
          key.count);
  }
}

void NameAnalysis::PlaceEntries(
    const std::function<void(uint32_t position, uint32_t groupEnd, uint32_t groupSize,
                             const ResultFileEntry& entry)>& place) const {
  if (!sorted_ || mode_ != AnalysisMode::Duplicate || catalog_ == nullptr)
    throw std::logic_error("entries are placed before a sorted duplicate search");
  const DupState& st = *dup_;
  Catalog& catalog = *catalog_;
  auto changed = [&](int s) {
    return CatalogError(ErrorCode::ChangedReadAgain, {catalog.CatalogPath(), std::to_string(s)});
  };
  std::vector<uint32_t> next = st.groupStart;
  FileKey file(catalog);
  ForEachLiveSlot(catalog, [&](int s, const TMediaSlot&) {
    if (st.slots[s] != kGrouped) return;
    const bool read =
        VisitFiles(catalog, s, [&](int32_t index, const TFileRec& rec, std::string_view exact) {
          if (!file.Take(s, index, rec, exact) || !CountedTwice(st, file.Hash()) ||
              st.table.empty())
            return;
          const auto hash = static_cast<uint32_t>(file.Hash());
          const uint32_t slot = st.table[Find(st, file.Lowered(), hash, Pack(file.Lowered()))];
          if (slot == 0) return;
          const DupState::Key& key = st.keys[slot - 1];
          if (key.group == kNone) return;
          const uint32_t position = next[key.group]++;
          const uint32_t end = st.groupStart[key.group] + key.count;
          if (position >= end) throw changed(s);
          place(position, end, key.count,
                ResultFileEntry{file.Name(), ResultKey(s, index), rec.FileDate(),
                                ClampResultSize(rec.Size())});
        });
    if (!read) throw changed(s);
  });
  for (std::size_t g = 0; g < next.size(); ++g)
    if (next[g] != st.groupStart[g] + st.keys[st.groupKeys[g]].count)
      throw CatalogError(ErrorCode::ChangedReadAgain, {catalog.CatalogPath(), "-"});
}

void NameAnalysis::ForEachDuplicateGroup(
    const std::function<void(const ResultFileEntry& head,
                             const std::vector<ResultFileEntry>& entries)>& visit) const {
  std::vector<ResultFileEntry> entries(static_cast<std::size_t>(counters_.entries));
  std::vector<std::string> names(entries.size());
  PlaceEntries([&](uint32_t position, uint32_t, uint32_t, const ResultFileEntry& entry) {
    names[position] = entry.name;
    entries[position] = entry;
  });
  for (std::size_t i = 0; i < entries.size(); ++i) entries[i].name = names[i];
  std::vector<ResultFileEntry> members;
  std::size_t position = 0;
  ForEachHead([&](const ResultFileEntry& head, uint32_t size) {
    members.assign(entries.begin() + static_cast<std::ptrdiff_t>(position),
                   entries.begin() + static_cast<std::ptrdiff_t>(position + size));
    position += size;
    visit(head, members);
  });
}

}  // namespace plomix
