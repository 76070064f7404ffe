// Reading the name index: the header and its page checks first, then only
// the pages a query needs (the media table, a binary search in the trigram
// table, the lists of the pattern's trigrams), each checked as it is read.
// Anything that does not add up makes the index unusable for the run.

#include "search/NameIndex.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

#include "core/Catalog.h"
#include "search/NameIndexFormat.h"
#include "search/NameIndexKeys.h"
#include "search/SearchConditions.h"

namespace plomix {

namespace {

using namespace name_index;

struct Damaged {};

struct MediaEntry {
  int slot = 0;
  bool sound = false;
  int32_t count = 0;
  int64_t position = 0;
  int32_t readDate = 0;
  uint32_t base = 0;
};

class IndexReader {
 public:
  // Throws Damaged for a file that is not a sound index; false when it is
  // sound but was built from another state of the catalogue.
  bool Open(const std::string& catalogPath) {
    file_.emplace(BinaryFile::TryRead(NameIndexPath(catalogPath)));
    if (!file_->IsOpen()) return false;
    uint8_t h[kHeaderSize];
    if (!file_->ReadAt(0, h, sizeof h)) throw Damaged{};
    if (std::memcmp(h, kMagic, sizeof kMagic) != 0 || Get32(h + 8) != kVersion ||
        Get32(h + 12) != kPageSize || Get64(h + kHeaderCheckAt) != Check(h, kHeaderCheckAt))
      throw Damaged{};
    mediaCount_ = Get32(h + kMediaCountAt);
    trigramCount_ = Get32(h + kTrigramCountAt);
    postingBytes_ = Get64(h + kPostingBytesAt);
    bodyBytes_ = Get64(h + kBodyBytesAt);
    records_ = Get64(h + kRecordCountAt);
    const uint64_t tables =
        uint64_t{mediaCount_} * kMediaEntrySize + uint64_t{trigramCount_} * kTrigramEntrySize;
    // Each size is held to what the file can hold before any sum of them is
    // formed: sizes near 2^64 would wrap around and pass the checks below.
    const auto fileSize = static_cast<uint64_t>(std::max<int64_t>(0, file_->Size()));
    if (mediaCount_ > 100000 || records_ > 0xFFFFFFFFull || bodyBytes_ > fileSize ||
        postingBytes_ > bodyBytes_ || tables != bodyBytes_ - postingBytes_)
      throw Damaged{};
    const uint64_t pages = (bodyBytes_ + kPageSize - 1) / kPageSize;
    if (static_cast<uint64_t>(file_->Size()) != kHeaderSize + bodyBytes_ + pages * kPageCheckSize)
      throw Damaged{};
    checks_.resize(pages * kPageCheckSize);
    if (!file_->ReadAt(static_cast<int64_t>(kHeaderSize + bodyBytes_), checks_.data(),
                       checks_.size()) ||
        Get64(h + kPageChecksCheckAt) != Check(checks_.data(), checks_.size()))
      throw Damaged{};
    Stamps built;
    for (std::size_t i = 0; i < built.size(); ++i) built[i] = GetStamp(h + kStampsAt + 32 * i);
    return built == StampsOf(catalogPath);
  }

  // Reads the whole body, checking every page.
  // False when `keepGoing` stopped it.
  bool CheckAllPages(const std::function<bool()>& keepGoing = {}) {
    constexpr uint64_t kStep = 256 * kPageSize;
    for (uint64_t at = 0; at < bodyBytes_; at += kStep) {
      if (keepGoing && !keepGoing()) return false;
      Read(at, std::min(kStep, bodyBytes_ - at));
    }
    return true;
  }

  std::vector<MediaEntry> Media() {
    const uint8_t* bytes = Read(0, uint64_t{mediaCount_} * kMediaEntrySize);
    std::vector<MediaEntry> media(mediaCount_);
    uint64_t end = 0;
    for (uint32_t i = 0; i < mediaCount_; ++i) {
      const uint8_t* e = bytes + uint64_t{i} * kMediaEntrySize;
      MediaEntry& m = media[i];
      const uint32_t slotWord = Get32(e);
      m.slot = static_cast<int>(slotWord & 0x7FFFFFFFu);
      m.sound = (slotWord & 0x80000000u) == 0;
      m.count = static_cast<int32_t>(Get32(e + 4));
      m.position = static_cast<int64_t>(Get64(e + 8));
      m.readDate = static_cast<int32_t>(Get32(e + 16));
      m.base = Get32(e + 20);
      if (m.count < 0 || m.base != end) throw Damaged{};
      end += static_cast<uint64_t>(m.count);
    }
    if (end != records_) throw Damaged{};
    return media;
  }

  // The positions listed for the trigram, ascending (none when absent).
  std::vector<uint32_t> List(uint32_t trigram) {
    const uint64_t tableAt = uint64_t{mediaCount_} * kMediaEntrySize;
    uint64_t low = 0, high = trigramCount_;
    while (low < high) {
      const uint64_t mid = low + (high - low) / 2;
      const uint32_t key = Get32(Read(tableAt + mid * kTrigramEntrySize, 4));
      if (key < trigram)
        low = mid + 1;
      else
        high = mid;
    }
    std::vector<uint32_t> positions;
    if (low == trigramCount_) return positions;
    const uint8_t* entry = Read(tableAt + low * kTrigramEntrySize, kTrigramEntrySize);
    if (Get32(entry) != trigram) return positions;
    const uint64_t from = Get64(entry + 4);
    const uint64_t to = low + 1 < trigramCount_
                            ? Get64(Read(tableAt + (low + 1) * kTrigramEntrySize + 4, 8))
                            : postingBytes_;
    if (from >= to || to > postingBytes_) throw Damaged{};
    const uint64_t postingsAt = tableAt + uint64_t{trigramCount_} * kTrigramEntrySize;
    const uint8_t* p = Read(postingsAt + from, to - from);
    const uint8_t* end = p + (to - from);
    uint64_t next = 0;
    while (p < end) {
      uint64_t delta = 0;
      for (int shift = 0;; shift += 7) {
        if (p == end || shift > 28) throw Damaged{};
        const uint8_t byte = *p++;
        delta |= uint64_t{byte & 0x7Fu} << shift;
        if (byte < 0x80) break;
      }
      const uint64_t position = next + delta;
      if (position >= records_) throw Damaged{};
      positions.push_back(static_cast<uint32_t>(position));
      next = position + 1;
    }
    return positions;
  }

 private:
  // `size` bytes of the body at `offset`, their pages checked; valid until
  // the next call.
  const uint8_t* Read(uint64_t offset, uint64_t size) {
    if (offset + size > bodyBytes_) throw Damaged{};
    if (size == 0) return buffer_.data();
    const uint64_t first = offset / kPageSize;
    const uint64_t last = (offset + size - 1) / kPageSize;
    const uint64_t spanEnd = std::min(bodyBytes_, (last + 1) * kPageSize);
    buffer_.resize(spanEnd - first * kPageSize);
    if (!file_->ReadAt(static_cast<int64_t>(kHeaderSize + first * kPageSize), buffer_.data(),
                       buffer_.size()))
      throw Damaged{};
    for (uint64_t page = first; page <= last; ++page) {
      const uint64_t at = (page - first) * kPageSize;
      const std::size_t length = std::min<uint64_t>(kPageSize, buffer_.size() - at);
      if (Check(buffer_.data() + at, length) != Get64(checks_.data() + page * kPageCheckSize))
        throw Damaged{};
    }
    return buffer_.data() + (offset - first * kPageSize);
  }

  std::optional<BinaryFile> file_;
  uint32_t mediaCount_ = 0, trigramCount_ = 0;
  uint64_t postingBytes_ = 0, bodyBytes_ = 0, records_ = 0;
  std::vector<uint8_t> checks_;
  std::vector<uint8_t> buffer_;
};

using Positions = std::vector<uint32_t>;

Positions Intersect(std::vector<Positions> lists) {
  std::sort(lists.begin(), lists.end(),
            [](const Positions& a, const Positions& b) { return a.size() < b.size(); });
  Positions result = std::move(lists.front());
  Positions next;
  for (std::size_t i = 1; i < lists.size() && !result.empty(); ++i) {
    next.clear();
    std::set_intersection(result.begin(), result.end(), lists[i].begin(), lists[i].end(),
                          std::back_inserter(next));
    result.swap(next);
  }
  return result;
}

Positions Unite(const Positions& a, const Positions& b) {
  Positions out;
  out.reserve(a.size() + b.size());
  std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
  return out;
}

Positions ListsHoldingAll(IndexReader& reader, std::vector<uint32_t> trigrams) {
  std::sort(trigrams.begin(), trigrams.end());
  trigrams.erase(std::unique(trigrams.begin(), trigrams.end()), trigrams.end());
  std::vector<Positions> lists;
  for (uint32_t t : trigrams) {
    lists.push_back(reader.List(t));
    if (lists.back().empty()) return {};
  }
  return Intersect(std::move(lists));
}

// The positions whose record may match one pattern; empty optional when the
// pattern guarantees too little.
std::optional<Positions> PatternCandidates(IndexReader& reader, const PatternKeys& keys,
                                           const Positions& allExact) {
  if (!keys.cp932Never && !keys.cp932Usable) return std::nullopt;
  Positions cp932 = keys.cp932Never ? Positions{} : ListsHoldingAll(reader, keys.cp932);
  Positions exact = keys.exact.empty() ? allExact : ListsHoldingAll(reader, keys.exact);
  return Unite(cp932, exact);
}

}  // namespace

namespace {

// With `wholeFile` every page of the index is read and checked; else only its
// header and the catalogue's stamps it was built from.
NameIndexState StateOf(const std::string& catalogPath, bool wholeFile,
                       const std::function<bool()>& keepGoing = {}) {
  try {
    IndexReader reader;
    if (reader.Open(catalogPath)) {
      if (wholeFile) {
        reader.Media();
        if (!reader.CheckAllPages(keepGoing)) return NameIndexState::Stale;
      }
      return NameIndexState::Current;
    }
    return io::StampOf(NameIndexPath(catalogPath)).size < 0 ? NameIndexState::Missing
                                                            : NameIndexState::Stale;
  } catch (const Damaged&) {
    return NameIndexState::Damaged;
  } catch (const CatalogError&) {
    return NameIndexState::Damaged;
  } catch (const std::bad_alloc&) {
    return NameIndexState::Damaged;
  }
}

}  // namespace

NameIndexState NameIndexStateOf(const std::string& catalogPath,
                                const std::function<bool()>& keepGoing) {
  return StateOf(catalogPath, true, keepGoing);
}

NameIndexState NameIndexStampStateOf(const std::string& catalogPath) {
  return StateOf(catalogPath, false);
}

std::shared_ptr<NameIndexQuery> NameIndexQuery::Open(const Catalog& catalog,
                                                     const SearchConditions& c) {
  // Every record the search can pass must fail no name test: a comment
  // condition joined by OR passes records whatever their names.
  if (!c.nameEnabled || (c.commentEnabled && !c.commentCombineAnd)) return nullptr;
  const bool two = c.namePartial && !c.namePattern2.empty();
  const PatternKeys first = KeysOfPattern(c, false);
  const PatternKeys second = two ? KeysOfPattern(c, true) : PatternKeys{};
  const auto usable = [](const PatternKeys& k) { return k.cp932Never || k.cp932Usable; };
  if (!usable(first) && !(two && c.nameCombineAnd && usable(second))) return nullptr;
  if (two && !c.nameCombineAnd && !(usable(first) && usable(second))) return nullptr;

  try {
    IndexReader reader;
    if (!reader.Open(catalog.CatalogPath())) return nullptr;
    const std::vector<MediaEntry> media = reader.Media();

    // Records with exact names, for a pattern whose exact form has no trigram.
    Positions allExact;
    for (const MediaEntry& m : media) {
      if (const ExactNameSetPtr names = catalog.ExactNamesOf(m.slot)) {
        for (std::size_t i = 0; i < names->Count(); ++i) {
          const int32_t r = names->RecordAt(i);
          if (r > 0 && r < m.count) allExact.push_back(m.base + static_cast<uint32_t>(r));
        }
      }
    }

    std::optional<Positions> found =
        usable(first) ? PatternCandidates(reader, first, allExact) : std::nullopt;
    if (two) {
      std::optional<Positions> other =
          usable(second) ? PatternCandidates(reader, second, allExact) : std::nullopt;
      if (c.nameCombineAnd) {
        if (found && other)
          found = Intersect({std::move(*found), std::move(*other)});
        else if (other)
          found = std::move(other);
      } else {
        found = Unite(*found, *other);
      }
    }
    if (!found) return nullptr;

    auto query = std::make_shared<NameIndexQuery>();
    auto at = found->begin();
    for (const MediaEntry& m : media) {
      int64_t position = 0;
      int32_t count = 0;
      const auto end = std::lower_bound(at, found->end(), m.base + static_cast<uint32_t>(m.count));
      // Only a media the catalogue still holds as it was indexed.
      if (m.sound && m.slot < catalog.SlotsUsed() && catalog.Slot(m.slot).IsLive() &&
          catalog.LocateMedia(m.slot, position, count) && position == m.position &&
          count == m.count && catalog.SlotReadDate(m.slot) == m.readDate) {
        std::vector<int32_t>& records = query->candidates_[m.slot];
        records.reserve(static_cast<std::size_t>(end - at) + 1);
        records.push_back(0);
        for (auto it = at; it != end; ++it)
          if (*it != m.base) records.push_back(static_cast<int32_t>(*it - m.base));
      }
      at = end;
    }
    return query;
  } catch (const Damaged&) {
    return nullptr;
  } catch (const CatalogError&) {
    return nullptr;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

const std::vector<int32_t>* NameIndexQuery::Candidates(int slot) const {
  const auto it = candidates_.find(slot);
  return it == candidates_.end() ? nullptr : &it->second;
}

}  // namespace plomix
