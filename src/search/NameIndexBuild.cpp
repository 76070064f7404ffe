// Building the name index: one pass over every live media's records, the
// posting lists kept delta-coded in memory as they grow, then written sorted
// by trigram to a temporary NAME.idx.new.*, checked page by page, and renamed into place.

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>

#include "core/Catalog.h"
#include "search/NameIndex.h"
#include "search/NameIndexFormat.h"
#include "search/NameIndexKeys.h"

namespace plomix {

namespace name_index {

Stamps StampsOf(const std::string& catalogPath) {
  std::filesystem::path p(catalogPath);
  const auto side = [&](const char* ext) {
    return std::filesystem::path(p).replace_extension(ext);
  };
  return {io::StampOf(catalogPath), io::StampOf(side(".lfn").string()),
          io::StampOf(side(".exn").string())};
}

}  // namespace name_index

std::string NameIndexPath(const std::string& catalogPath) {
  return std::filesystem::path(catalogPath).replace_extension(".idx").string();
}

namespace {

using namespace name_index;

void PutVarint(std::vector<uint8_t>& out, uint32_t v) {
  while (v >= 0x80) {
    out.push_back(static_cast<uint8_t>(v | 0x80));
    v >>= 7;
  }
  out.push_back(static_cast<uint8_t>(v));
}

// Posting lists by trigram, found through an open-addressed table.
class Postings {
 public:
  Postings() { slots_.assign(std::size_t{1} << 16, kEmpty); }

  // Records that `position` holds `trigram`; positions come in ascending
  // order, and a trigram repeated within one name is kept once.
  void Add(uint32_t trigram, uint32_t position) {
    List& list = lists_[Find(trigram)];
    if (list.next > position) return;  // already listed for this record
    PutVarint(list.bytes, position - list.next);
    list.next = position + 1;
  }

  std::size_t Count() const { return lists_.size(); }
  // List numbers in ascending trigram order.
  std::vector<uint32_t> Sorted() const {
    std::vector<uint32_t> order(lists_.size());
    for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](uint32_t a, uint32_t b) { return lists_[a].trigram < lists_[b].trigram; });
    return order;
  }
  uint32_t TrigramOf(uint32_t list) const { return lists_[list].trigram; }
  const std::vector<uint8_t>& BytesOf(uint32_t list) const { return lists_[list].bytes; }

 private:
  static constexpr uint64_t kEmpty = ~uint64_t{0};
  struct List {
    uint32_t trigram = 0;
    uint32_t next = 0;  // one past the last position listed
    std::vector<uint8_t> bytes;
  };

  uint32_t Find(uint32_t trigram) {
    std::size_t mask = slots_.size() - 1;
    for (std::size_t i = Hash(trigram) & mask;; i = (i + 1) & mask) {
      if (slots_[i] == kEmpty) {
        const auto number = static_cast<uint32_t>(lists_.size());
        lists_.push_back({trigram, 0, {}});
        slots_[i] = uint64_t{trigram} << 32 | number;
        if (lists_.size() * 2 > slots_.size()) Grow();
        return number;
      }
      if (slots_[i] >> 32 == trigram) return static_cast<uint32_t>(slots_[i]);
    }
  }
  static std::size_t Hash(uint32_t trigram) {
    return static_cast<std::size_t>((uint64_t{trigram} * 0x9E3779B97F4A7C15ull) >> 20);
  }
  void Grow() {
    std::vector<uint64_t> old(slots_.size() * 2, kEmpty);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (uint64_t entry : old) {
      if (entry == kEmpty) continue;
      std::size_t i = Hash(static_cast<uint32_t>(entry >> 32)) & mask;
      while (slots_[i] != kEmpty) i = (i + 1) & mask;
      slots_[i] = entry;
    }
  }

  std::vector<uint64_t> slots_;
  std::vector<List> lists_;
};

// Writes the body after the header in large blocks, keeping the check of
// every page of it.
class BodyWriter {
 public:
  explicit BodyWriter(BinaryFile& file) : file_(file) {}
  void Append(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    buffer_.insert(buffer_.end(), bytes, bytes + size);
    if (buffer_.size() >= kFlush) Flush(false);
  }
  // Flushes the rest; the body's length.
  uint64_t Finish() {
    Flush(true);
    return written_;
  }
  const std::vector<uint8_t>& PageChecks() const { return checks_; }

 private:
  static constexpr std::size_t kFlush = 256 * kPageSize;
  void Flush(bool all) {
    const std::size_t whole = all ? buffer_.size() : buffer_.size() / kPageSize * kPageSize;
    for (std::size_t at = 0; at < whole; at += kPageSize) {
      uint8_t check[kPageCheckSize];
      Put64(check, Check(buffer_.data() + at, std::min(kPageSize, whole - at)));
      checks_.insert(checks_.end(), check, check + kPageCheckSize);
    }
    file_.WriteAt(static_cast<int64_t>(kHeaderSize + written_), buffer_.data(), whole);
    written_ += whole;
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(whole));
  }

  BinaryFile& file_;
  std::vector<uint8_t> buffer_;
  std::vector<uint8_t> checks_;
  uint64_t written_ = 0;
};

struct IndexedMedia {
  int slot = 0;
  int32_t count = 0;
  int64_t position = 0;
  int32_t readDate = 0;
  uint32_t base = 0;
  bool sound = false;  // false: the search reads this media whole
};

}  // namespace

namespace {

// Each build writes a file of its own, held locked while it is written: two
// builds at once (the window's and a command's) never write into or remove
// each other's, and what a build cut off left is removed by the next.
std::string TemporaryPathFor(const std::string& path) {
  namespace fs = std::filesystem;
  const fs::path target(path);
  const std::string prefix = target.filename().string() + ".new";
  std::error_code ec;
  for (fs::directory_iterator it(target.parent_path().empty() ? "." : target.parent_path(), ec),
       end;
       !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.rfind(prefix, 0) == 0) io::RemoveAbandoned(it->path().string());
  }
  static std::atomic<unsigned> builds{0};
  return path + ".new." + std::to_string(::getpid()) + "." + std::to_string(builds++);
}

}  // namespace

bool BuildNameIndex(Catalog& catalog, std::string& error, NameIndexSummary* summary,
                    const std::function<bool()>& keepGoing) {
  const std::string& catalogPath = catalog.CatalogPath();
  const Stamps before = StampsOf(catalogPath);
  Postings postings;
  std::vector<IndexedMedia> media;
  uint64_t total = 0;
  std::string buffer, longName;
  std::vector<uint32_t> trigrams;
  bool stopped = false;
  struct Stop {};
  for (int slot = 0; slot < catalog.SlotsUsed() && !stopped; ++slot) {
    if (!catalog.Slot(slot).IsLive()) continue;
    // Asked between media too, when no lock is held on the catalogue.
    if (keepGoing && !keepGoing()) {
      stopped = true;
      break;
    }
    IndexedMedia m;
    m.slot = slot;
    if (!catalog.LocateMedia(slot, m.position, m.count) || m.count <= 0) continue;
    if (total + static_cast<uint64_t>(m.count) > 0xFFFFFFFFull) break;  // more than 32 bits
    m.readDate = catalog.SlotReadDate(slot);
    m.base = static_cast<uint32_t>(total);
    const ExactNameSetPtr exactNames = catalog.ExactNamesOf(slot);
    std::size_t exactAt = 0;
    bool sound = true;
    try {
      const bool read = catalog.VisitMediaRecords(slot, [&](int32_t r, const TFileRec& rec) {
        if (keepGoing && r > 0 && r % 65536 == 0 && !keepGoing()) throw Stop{};
        sound = sound && LinksAreSound(r, rec, m.count);
        if (r == 0 || !sound) return;  // the root is always tested: renaming changes its name
        const uint8_t* data = rec.Data();
        const std::size_t length = std::min<std::size_t>(data[TFileRec::kName], TFileRec::kNameCap);
        std::string_view name(reinterpret_cast<const char*>(data + TFileRec::kName + 1), length);
        if (length == TFileRec::kNameCap) {
          longName = catalog.LongNameOfRecord(slot, r, name);
          name = longName;
        }
        std::string_view exact;
        if (exactNames) {
          while (exactAt < exactNames->Count() && exactNames->RecordAt(exactAt) < r) ++exactAt;
          if (exactAt < exactNames->Count() && exactNames->RecordAt(exactAt) == r)
            exact = exactNames->NameAt(exactAt);
        }
        trigrams.clear();
        AppendTrigrams(KeyText(name, exact, buffer), trigrams);
        const uint32_t position = m.base + static_cast<uint32_t>(r);
        for (uint32_t t : trigrams) postings.Add(t, position);
      });
      m.sound = read && sound;
    } catch (const Stop&) {
      stopped = true;
    } catch (const CatalogError&) {
      m.sound = false;
    }
    total += static_cast<uint64_t>(m.count);
    media.push_back(m);
  }
  if (stopped) {
    error = "stopped";
    return false;
  }

  const std::string path = NameIndexPath(catalogPath);
  const std::string temporary = TemporaryPathFor(path);
  try {
    BinaryFile file(temporary, BinaryFile::Mode::Create, catalogPath);
    BodyWriter body(file);
    for (const IndexedMedia& m : media) {
      uint8_t entry[kMediaEntrySize] = {};
      Put32(entry, static_cast<uint32_t>(m.slot) | (m.sound ? 0 : 0x80000000u));
      Put32(entry + 4, static_cast<uint32_t>(m.count));
      Put64(entry + 8, static_cast<uint64_t>(m.position));
      Put32(entry + 16, static_cast<uint32_t>(m.readDate));
      Put32(entry + 20, m.base);
      body.Append(entry, sizeof entry);
    }
    const std::vector<uint32_t> order = postings.Sorted();
    uint64_t offset = 0;
    for (uint32_t list : order) {
      uint8_t entry[kTrigramEntrySize];
      Put32(entry, postings.TrigramOf(list));
      Put64(entry + 4, offset);
      body.Append(entry, sizeof entry);
      offset += postings.BytesOf(list).size();
    }
    for (uint32_t list : order) {
      const std::vector<uint8_t>& bytes = postings.BytesOf(list);
      body.Append(bytes.data(), bytes.size());
    }
    const uint64_t bodyBytes = body.Finish();
    const std::vector<uint8_t>& checks = body.PageChecks();
    file.WriteAt(static_cast<int64_t>(kHeaderSize + bodyBytes), checks.data(), checks.size());

    uint8_t header[kHeaderSize] = {};
    std::memcpy(header, kMagic, sizeof kMagic);
    Put32(header + 8, kVersion);
    Put32(header + 12, static_cast<uint32_t>(kPageSize));
    for (std::size_t i = 0; i < before.size(); ++i)
      PutStamp(header + kStampsAt + 32 * i, before[i]);
    Put32(header + kMediaCountAt, static_cast<uint32_t>(media.size()));
    Put32(header + kTrigramCountAt, static_cast<uint32_t>(order.size()));
    Put64(header + kPostingBytesAt, offset);
    Put64(header + kBodyBytesAt, bodyBytes);
    Put64(header + kRecordCountAt, total);
    Put64(header + kPageChecksCheckAt, Check(checks.data(), checks.size()));
    Put64(header + kHeaderCheckAt, Check(header, kHeaderCheckAt));
    file.WriteAt(0, header, sizeof header);
    file.Sync();
    file.Close();
    // An index of a catalogue that changed while it was read would describe
    // neither state: it is not put in place.
    if (StampsOf(catalogPath) != before) {
      io::RemoveIfPresent(temporary);
      error = "\"" + catalogPath + "\" changed while it was indexed; the index was not written";
      return false;
    }
    io::Rename(temporary, path);
    if (summary) {
      summary->media = static_cast<int>(media.size());
      summary->records = static_cast<int64_t>(total);
      summary->trigrams = static_cast<int64_t>(order.size());
      summary->bytes = static_cast<int64_t>(kHeaderSize + bodyBytes + checks.size());
    }
  } catch (const CatalogError& e) {
    io::RemoveIfPresent(temporary);
    error = e.what();
    return false;
  }
  return true;
}

}  // namespace plomix
