#include "analysis/NameAnalysis.h"

#include <unicode/coll.h>
#include <unicode/locid.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numeric>
#include <stdexcept>

#include "analysis/NameAnalysisParts.h"
#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Text.h"

namespace plomix {

using namespace analysis_detail;

namespace {

// The collation key of a lower-cased CP932 text: its byte order is the order
// CompareAnsi gives before its tie-break on the bytes.
class SortKeyMaker {
 public:
  SortKeyMaker() {
    UErrorCode status = U_ZERO_ERROR;
    collator_.reset(icu::Collator::createInstance(icu::Locale("ja"), status));
    if (U_FAILURE(status) || !collator_)
      throw std::runtime_error("cannot create the Japanese collator");
    collator_->setStrength(icu::Collator::TERTIARY);
    buffer_.resize(256);
  }
  // The key of `lower`, valid until the next call.
  std::string_view Key(std::string_view lower) {
    // ASCII is its own Unicode form (as Cp932ToQString has it); only other
    // text needs the converter.
    if (std::all_of(lower.begin(), lower.end(), [](char c) { return (c & 0x80) == 0; })) {
      units_.assign(lower.begin(), lower.end());
    } else {
      const QString unicode = text::Cp932ToQString(lower);
      units_.assign(reinterpret_cast<const char16_t*>(unicode.utf16()),
                    static_cast<std::size_t>(unicode.size()));
    }
    const auto* units = reinterpret_cast<const UChar*>(units_.data());
    const auto length = static_cast<int32_t>(units_.size());
    int32_t needed =
        collator_->getSortKey(units, length, buffer_.data(), static_cast<int32_t>(buffer_.size()));
    if (needed > static_cast<int32_t>(buffer_.size())) {
      buffer_.resize(static_cast<std::size_t>(needed));
      needed = collator_->getSortKey(units, length, buffer_.data(), needed);
    }
    return {reinterpret_cast<const char*>(buffer_.data()), static_cast<std::size_t>(needed)};
  }

 private:
  std::unique_ptr<icu::Collator> collator_;
  std::u16string units_;
  std::vector<uint8_t> buffer_;
};

// Orders items by the collation of their lower-cased texts, the lower-cased
// bytes breaking ties: the order CompareAnsiText gives. Each item gets one
// byte string, its collation key followed by its lower-cased bytes; keys end
// in a zero byte that occurs nowhere else in them, so comparing these strings
// byte by byte compares the keys first and the bytes only when keys are equal.
// Items are sorted on the first 16 bytes, so most comparisons never leave the
// array being sorted.
template <typename TextOf>
void SortByCollation(std::vector<uint32_t>& items, TextOf textOf) {
  struct Item {
    uint64_t prefix[2];
    uint32_t item;
    uint32_t rest;  // the string after its first 16 bytes, in `rests`
  };
  const LowerTable& lower = LowerTable::Get();
  SortKeyMaker maker;
  NameArena rests;
  std::vector<Item> sorted(items.size());
  std::string lowered;
  std::string full;
  std::string scratch;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::string_view itemText = textOf(items[i]);
    lower.LowerInto(KeyAsCp932(itemText, scratch), lowered);
    // Exact keys sort by their CP932 form, their own text breaking ties.
    if (!itemText.empty() && itemText[0] == '\0') {
      lowered.push_back('\0');
      lowered += text::FoldShownName(itemText.substr(1));
    }
    full.assign(maker.Key(lowered));
    full += lowered;
    Item& item = sorted[i];
    for (std::size_t b = 0; b < 16; ++b)
      item.prefix[b / 8] =
          item.prefix[b / 8] << 8 | (b < full.size() ? static_cast<uint8_t>(full[b]) : 0);
    item.item = items[i];
    item.rest = full.size() > 16 ? rests.Add(std::string_view(full).substr(16)) : kNone;
  }
  std::sort(sorted.begin(), sorted.end(), [&](const Item& a, const Item& b) {
    if (a.prefix[0] != b.prefix[0]) return a.prefix[0] < b.prefix[0];
    if (a.prefix[1] != b.prefix[1]) return a.prefix[1] < b.prefix[1];
    if (a.rest == kNone || b.rest == kNone) return a.rest == kNone && b.rest != kNone;
    return rests.Get(a.rest) < rests.Get(b.rest);
  });
  for (std::size_t i = 0; i < sorted.size(); ++i) items[i] = sorted[i].item;
}

template <typename T>
void Release(std::vector<T>& v) {
  std::vector<T>().swap(v);
}

}  // namespace

void analysis_detail::SortTextsByCollation(
    std::vector<uint32_t>& items, const std::function<std::string_view(uint32_t)>& textOf) {
  SortByCollation(items, textOf);
}

// ---------------------------------------------------------------- the engine

struct NameAnalysis::State {
  struct FileInfo {
    int32_t key;
    int32_t date;
    uint32_t size;
    uint32_t nameOffset;
  };
  struct KeyInfo {
    uint64_t packed;  // a lower-cased key of up to 7 bytes itself, else 0
    uint32_t hash;
    uint32_t spelling;
    uint32_t firstFile;
    uint32_t group;
    uint32_t lower;  // a longer key's lower-cased bytes in the arena
  };
  struct Group {
    uint32_t spelling;
    uint32_t count;
    uint32_t headFile;
  };
  struct Entry {
    uint32_t group;
    uint32_t file;
  };

  NameArena arena;
  ChunkedVector<FileInfo> files;
  ChunkedVector<KeyInfo> keys;
  ChunkedVector<Group> groups;
  ChunkedVector<Entry> entries;
  std::vector<uint32_t> table;  // key index + 1; 0 is empty

  // After Sort: group indices in key order, and every entry's file, group
  // after group.
  std::vector<uint32_t> order;
  std::vector<uint32_t> placed;

  // Per-file scratch.
  std::string lowered;
  std::string fileLowered;
  std::vector<std::pair<uint32_t, uint32_t>> fileWords;  // spans in fileLowered
  std::vector<std::string_view> words;

  void Grow() {
    std::vector<uint32_t> bigger(table.empty() ? 1024 : table.size() * 2, 0);
    const std::size_t mask = bigger.size() - 1;
    for (uint32_t slot : table) {
      if (slot == 0) continue;
      std::size_t i = keys[slot - 1].hash & mask;
      while (bigger[i] != 0) i = (i + 1) & mask;
      bigger[i] = slot;
    }
    table.swap(bigger);
  }

  // The index of the key with these lower-cased bytes, or where to put it.
  // Short keys (most words) compare without a visit to the arena: up to 7
  // bytes and their length fit into one number.
  static uint64_t Pack(std::string_view lower) {
    if (lower.empty() || lower.size() > 7) return 0;
    uint64_t packed = uint64_t{lower.size()} << 56;
    for (std::size_t i = 0; i < lower.size(); ++i)
      packed |= uint64_t{static_cast<uint8_t>(lower[i])} << (8 * i);
    return packed;
  }

  // Longer keys keep their lower-cased bytes (once per distinct key), so that
  // the many files meeting a known key compare without lower-casing it again.
  uint32_t* Find(std::string_view lower, uint32_t hash, uint64_t packed) {
    const std::size_t mask = table.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      uint32_t& slot = table[i];
      if (slot == 0) return &slot;
      const KeyInfo& info = keys[slot - 1];
      if (info.hash != hash || info.packed != packed) continue;
      if (packed != 0 || arena.Get(info.lower) == lower) return &slot;
    }
  }
};

NameAnalysis::NameAnalysis(AnalysisMode mode) : mode_(mode), state_(std::make_unique<State>()) {}

NameAnalysis::~NameAnalysis() = default;

void NameAnalysis::ClearSearch() {
  state_ = std::make_unique<State>();
  dup_.reset();
  catalog_ = nullptr;
  counters_ = {};
  sorted_ = false;
}

AnalysisCounters NameAnalysis::RunNameAnalysis(Catalog& catalog, const AnalysisProgress& progress) {
  ClearSearch();
  if (mode_ == AnalysisMode::Duplicate) return RunDuplicates(catalog, progress);
  State& st = *state_;
  const bool duplicate = mode_ == AnalysisMode::Duplicate;
  const LowerTable& lower = LowerTable::Get();
  auto report = [&](AnalysisEvent::Kind kind, std::string text, int slot) {
    if (progress) progress(AnalysisEvent{kind, std::move(text), slot, counters_});
  };
  report(AnalysisEvent::Kind::Counters, {}, -1);

  std::string longName;
  std::string shownExact;
  std::vector<std::string_view> exactWords;
  std::vector<std::string> exactKeys;
  auto processFile = [&](int slot, int32_t index, const TFileRec& rec, std::string_view exact) {
    ++counters_.files;
    std::string_view name = StoredName(rec);
    if (name.size() >= 90) {
      longName = catalog.LongNameOfRecord(slot, index, name);
      name = longName;
    }
    uint32_t file = kNone;
    auto fileIndex = [&] {
      if (file == kNone) {
        file = static_cast<uint32_t>(st.files.size());
        const std::string_view kept = duplicate ? name : name.substr(0, TFileRec::kNameCap);
        st.files.push_back({ResultKey(slot, index), rec.FileDate(), ClampResultSize(rec.Size()),
                            st.arena.Add(kept)});
      }
      return file;
    };
    auto addEntry = [&](uint32_t group, uint32_t entryFile) {
      st.entries.push_back({group, entryFile});
      ++st.groups[group].count;
      ++counters_.entries;
    };

    if (!exact.empty()) {
      shownExact = text::NativeNameToUtf8(exact);
      if (duplicate)
        exactWords.assign(1, shownExact);
      else
        delimiters_.SplitShownNameKeysInto(shownExact, rec.Kind(), exactWords);
      exactKeys.clear();
      for (std::string_view word : exactWords) {
        bool held = true;
        std::string cp932 = text::NativeNameToCp932(text::ShownNameToNative(word), held);
        exactKeys.push_back(held && !duplicate ? std::move(cp932)
                                               : std::string(1, '\0') + std::string(word));
      }
      st.words.assign(exactKeys.begin(), exactKeys.end());
    } else if (duplicate) {
      st.words.assign(1, name);
    } else {
      delimiters_.SplitNameKeysInto(name, rec.Kind(), st.words);
    }
    st.fileLowered.clear();
    st.fileWords.clear();
    for (std::string_view word : st.words) {
      if (word.empty()) continue;
      if (word[0] == '\0')
        LowerKeyInto(word, st.lowered);
      else
        lower.LowerInto(word, st.lowered);
      // A word repeated in one name lists the file once in its group.
      bool repeated = false;
      for (const auto& [start, length] : st.fileWords)
        repeated = repeated || std::string_view(st.fileLowered).substr(start, length) == st.lowered;
      if (repeated) continue;
      if (!duplicate) {
        st.fileWords.emplace_back(static_cast<uint32_t>(st.fileLowered.size()),
                                  static_cast<uint32_t>(st.lowered.size()));
        st.fileLowered += st.lowered;
      }
      if ((st.keys.size() + 1) * 2 > st.table.size()) st.Grow();
      const auto hash = static_cast<uint32_t>(HashBytes(st.lowered));
      const uint64_t packed = State::Pack(st.lowered);
      uint32_t* slotRef = st.Find(st.lowered, hash, packed);
      if (*slotRef == 0) {
        const uint32_t first = fileIndex();
        const uint32_t spelling =
            duplicate && exact.empty() ? st.files[first].nameOffset : st.arena.Add(word);
        const uint32_t lowerBytes = packed != 0 ? kNone : st.arena.Add(st.lowered);
        st.keys.push_back({packed, hash, spelling, first, kNone, lowerBytes});
        *slotRef = static_cast<uint32_t>(st.keys.size());
        continue;
      }
      State::KeyInfo& key = st.keys[*slotRef - 1];
      if (key.group == kNone) {
        key.group = static_cast<uint32_t>(st.groups.size());
        // The group's key is spelled as the file that made it a group spells
        // it; for duplicates that is the first file's own name.
        const uint32_t spelling = duplicate ? key.spelling : st.arena.Add(word);
        st.groups.push_back({spelling, 0, key.firstFile});
        ++counters_.groups;
        addEntry(key.group, key.firstFile);
      }
      addEntry(key.group, fileIndex());
    }
    if (counters_.files % 1000 == 0) report(AnalysisEvent::Kind::Counters, {}, -1);
  };

  const int mediaTotal = catalog.MediaCount();
  int started = 0;
  for (int s = 0; s < std::min(catalog.SlotsUsed(), kMaxMedia); ++s) {
    const TMediaSlot& slot = catalog.Slot(s);
    if (slot.IsNeverUsed()) break;
    if (!slot.IsLive()) continue;
    ++started;
    report(AnalysisEvent::Kind::Media,
           text::Utf8ToCp932("検索中...(" + std::to_string(started) + "/" +
                             std::to_string(mediaTotal) + "メディア)"),
           s);
    const bool read =
        VisitFiles(catalog, s, [&](int32_t index, const TFileRec& rec, std::string_view exact) {
          processFile(s, index, rec, exact);
        });
    if (!read) {
      report(AnalysisEvent::Kind::MediaSkipped,
             text::Utf8ToCp932("「") + slot.Name() +
                 text::Utf8ToCp932("」のファイル情報を読めないため、検索から除きました"),
             s);
    }
    report(AnalysisEvent::Kind::Counters, {}, -1);
  }
  report(AnalysisEvent::Kind::Done, {}, -1);
  return counters_;
}

void NameAnalysis::Sort() {
  if (mode_ == AnalysisMode::Duplicate) {
    SortDuplicates();
    return;
  }
  State& st = *state_;
  // The index is only needed while files are examined.
  st.keys.clear();
  Release(st.table);

  const std::size_t groupCount = st.groups.size();
  std::vector<uint32_t> order(groupCount);
  std::iota(order.begin(), order.end(), 0u);
  SortByCollation(order, [&](uint32_t g) { return st.arena.Get(st.groups[g].spelling); });

  std::vector<uint32_t> cursor(groupCount);
  uint32_t position = 0;
  for (uint32_t g : order) {
    cursor[g] = position;
    position += st.groups[g].count;
  }
  std::vector<uint32_t> placed(st.entries.size());
  if (mode_ == AnalysisMode::Similar) {
    // Inside a similar group the files are listed by name: number the listed
    // files in name order, then hand out the entries file by file in that
    // order, which leaves every group sorted.
    const std::size_t ranked = RankFilesByName();
    std::vector<uint32_t> firstOfRank(ranked + 1, 0);
    for (std::size_t i = 0; i < st.entries.size(); ++i) ++firstOfRank[st.entries[i].file + 1];
    for (std::size_t r = 0; r < ranked; ++r) firstOfRank[r + 1] += firstOfRank[r];
    std::vector<uint32_t> groupsByRank(st.entries.size());
    {
      std::vector<uint32_t> fill(firstOfRank.begin(), firstOfRank.end() - 1);
      for (std::size_t i = 0; i < st.entries.size(); ++i) {
        const State::Entry& e = st.entries[i];
        groupsByRank[fill[e.file]++] = e.group;
      }
    }
    st.entries.clear();
    for (uint32_t r = 0; r < ranked; ++r)
      for (uint32_t k = firstOfRank[r]; k < firstOfRank[r + 1]; ++k)
        placed[cursor[groupsByRank[k]]++] = r;
  } else {
    // Duplicates keep the order they were met in: the first occurrence leads.
    for (std::size_t i = 0; i < st.entries.size(); ++i) {
      const State::Entry& e = st.entries[i];
      placed[cursor[e.group]++] = e.file;
    }
    st.entries.clear();
  }
  st.order = std::move(order);
  st.placed = std::move(placed);
  sorted_ = true;
}

std::size_t NameAnalysis::RankFilesByName() {
  State& st = *state_;
  std::vector<uint32_t> rank(st.files.size(), kNone);
  for (std::size_t i = 0; i < st.entries.size(); ++i) rank[st.entries[i].file] = 0;
  // In file order, so that names are read from memory front to back.
  std::vector<uint32_t> listed;
  for (uint32_t f = 0; f < rank.size(); ++f)
    if (rank[f] == 0) listed.push_back(f);
  SortByCollation(listed, [&](uint32_t f) { return st.arena.Get(st.files[f].nameOffset); });
  // The files and their names laid out again in name order, so that the
  // writer walks memory forwards.
  NameArena arena;
  ChunkedVector<State::FileInfo> files;
  for (std::size_t r = 0; r < listed.size(); ++r) {
    State::FileInfo info = st.files[listed[r]];
    info.nameOffset = arena.Add(st.arena.Get(info.nameOffset));
    files.push_back(info);
    rank[listed[r]] = static_cast<uint32_t>(r);
  }
  for (std::size_t g = 0; g < st.groups.size(); ++g) {
    State::Group& group = st.groups[g];
    group.spelling = arena.Add(st.arena.Get(group.spelling));
    group.headFile = rank[group.headFile];
  }
  for (std::size_t i = 0; i < st.entries.size(); ++i) st.entries[i].file = rank[st.entries[i].file];
  st.arena = std::move(arena);
  st.files = std::move(files);
  return listed.size();
}

void NameAnalysis::ForEachGroup(
    const std::function<void(const ResultFileEntry& head,
                             const std::vector<ResultFileEntry>& entries)>& visit) const {
  if (!sorted_) throw std::logic_error("the analysis result is walked before it was sorted");
  if (mode_ == AnalysisMode::Duplicate) {
    ForEachDuplicateGroup(visit);
    return;
  }
  const State& st = *state_;
  auto entryOf = [&](uint32_t file) {
    const State::FileInfo& f = st.files[file];
    return ResultFileEntry{st.arena.Get(f.nameOffset), f.key, f.date, f.size};
  };
  std::vector<ResultFileEntry> members;
  std::size_t position = 0;
  std::string headName;
  for (uint32_t g : st.order) {
    const State::Group& group = st.groups[g];
    members.clear();
    for (uint32_t i = 0; i < group.count; ++i) members.push_back(entryOf(st.placed[position + i]));
    position += group.count;
    ResultFileEntry head = entryOf(group.headFile);
    head.name = KeyAsCp932(st.arena.Get(group.spelling), headName);
    visit(head, members);
  }
}

}  // namespace plomix
