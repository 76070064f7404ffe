#include "analysis/ResultStore.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QDate>
#include <QDateTime>
#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "analysis/LongNameSnapshot.h"
#include "core/BinaryFile.h"
#include "core/Catalog.h"
#include "core/Text.h"

namespace plomix {

namespace fs = std::filesystem;

namespace {

constexpr int64_t kRecordSize = ResultRecord::kSize;
constexpr int32_t kReadBlock = 4096;

// Header fields shared by both files.
constexpr std::size_t kVersionAt = 0, kReservedAt = 4, kGroupCountAt = 5, kEntryCountAt = 9,
                      kCreatedAt = 13, kLikeKeyAt = 21;

int64_t HeaderSizeOf(AnalysisMode mode) {
  return mode == AnalysisMode::Duplicate ? kDupHeaderSize : kLikeHeaderSize;
}

double DaysSince1899() {
  const QDateTime now = QDateTime::currentDateTime();
  return static_cast<double>(QDate(1899, 12, 30).daysTo(now.date())) +
         now.time().msecsSinceStartOfDay() / 86400000.0;
}

int32_t LoadI32(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 |
                              uint32_t{p[3]} << 24);
}

void StoreI32(uint8_t* p, int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// `Names` is the live Catalog or a LongNameSnapshot taken from it.
template <class Names>
std::string ResolveName(const Names* catalog, int32_t key, std::string stored) {
  int slot = 0;
  int32_t record = 0;
  if (catalog == nullptr || stored.size() < 90 || !SplitResultKey(key, slot, record)) return stored;
  return catalog->LongNameOfRecord(slot, record, stored);
}

// A similar-name head names a word, not a file, so its file's complete name
// must not replace it. Only a word cut at the record's capacity is incomplete;
// the word of the head's file that it begins (the file's words split as the
// search split them) gives it back whole.
template <class Names>
std::string ResolveWord(const Names* catalog, int32_t key, std::string stored,
                        const std::string& likeKey) {
  int slot = 0;
  int32_t record = 0;
  if (catalog == nullptr || stored.size() < ResultRecord::kNameCap ||
      !SplitResultKey(key, slot, record))
    return stored;
  const std::string fileName = catalog->LongNameOfRecord(slot, record, stored);
  KeyDelimiters delimiters;
  delimiters.SetKeyDelimiters(likeKey);
  const std::string lowerStored = text::AnsiLower(stored);
  for (const std::string& word : delimiters.SplitNameKeys(fileName, kKindFile))
    if (word.size() > stored.size() &&
        text::AnsiLower(word.substr(0, stored.size())) == lowerStored)
      return word;
  return stored;
}

// What a person is shown for an item: a name kept exactly in its exact form;
// a similar-name head that names a word of such a name, that word.
template <class Names>
std::string ShownItemName(const Names* catalog, int32_t key, const std::string& name, bool word,
                          const std::string& likeKey) {
  int slot = 0;
  int32_t record = 0;
  std::string_view exact;
  if (catalog != nullptr && SplitResultKey(key, slot, record))
    exact = catalog->ExactNameOfRecord(slot, record);
  if (exact.empty()) return text::ShownName(name, {});
  if (!word) return text::NativeNameToUtf8(exact);
  std::string shown = ExactKeyWord(text::NativeNameToUtf8(exact), name, likeKey, kKindFile);
  return shown.empty() ? text::ShownName(name, {}) : shown;
}

ResultItem ItemOf(const ResultRecord& rec, std::string name, std::string shown) {
  return ResultItem{std::move(name), rec.Key(), rec.Date(),      rec.Size(),
                    rec.Position(),  rec.End(), rec.GroupSize(), std::move(shown)};
}

// Sequential writer with a large buffer over one BinaryFile.
class RecordWriter {
 public:
  explicit RecordWriter(BinaryFile& file) : file_(file) { buffer_.reserve(kFlushAt); }
  void Append(const uint8_t* data, std::size_t n) {
    buffer_.insert(buffer_.end(), data, data + n);
    if (buffer_.size() >= kFlushAt) Flush();
  }
  // Later appends go to `offset` (after a Flush).
  void MoveTo(int64_t offset) { offset_ = offset; }
  void Flush() {
    if (buffer_.empty()) return;
    file_.WriteAt(offset_, buffer_.data(), buffer_.size());
    offset_ += static_cast<int64_t>(buffer_.size());
    buffer_.clear();
  }

 private:
  static constexpr std::size_t kFlushAt = std::size_t{1} << 20;
  BinaryFile& file_;
  std::vector<uint8_t> buffer_;
  int64_t offset_ = 0;
};

ResultRecord RecordOf(const ResultFileEntry& e, int32_t position, int32_t end, int32_t size) {
  ResultRecord rec;
  rec.SetName(e.name.substr(0, ResultRecord::kNameCap));
  rec.SetKey(e.key);
  rec.SetDate(e.date);
  rec.SetSize(e.size);
  rec.SetPosition(position);
  rec.SetEnd(end);
  rec.SetGroupSize(size);
  return rec;
}

// Reads the header; false when the file is shorter than it or its counts
// cannot be right.
bool ReadHeader(BinaryFile& file, AnalysisMode mode, int64_t fileSize, LoadedGroups& out,
                int32_t& groupCount) {
  const int64_t headerSize = HeaderSizeOf(mode);
  std::vector<uint8_t> header(static_cast<std::size_t>(headerSize));
  if (fileSize < headerSize || !file.ReadAt(0, header.data(), header.size())) return false;
  out.headerRead = true;
  out.version = LoadI32(&header[kVersionAt]);
  groupCount = LoadI32(&header[kGroupCountAt]);
  const int32_t entryCount = LoadI32(&header[kEntryCountAt]);
  uint64_t createdBits = 0;
  for (int i = 0; i < 8; ++i) createdBits |= uint64_t{header[kCreatedAt + i]} << (8 * i);
  out.created = std::bit_cast<double>(createdBits);
  if (mode == AnalysisMode::Similar) {
    const std::size_t length = std::min<std::size_t>(header[kLikeKeyAt], kLikeKeyCap);
    out.likeKey.assign(reinterpret_cast<const char*>(&header[kLikeKeyAt + 1]), length);
  }
  if (groupCount < 0 || entryCount < 0) return false;
  // Only the entries that are really in the file count.
  const int64_t present = (fileSize - headerSize) / kRecordSize;
  out.entryCount = static_cast<int32_t>(std::min<int64_t>(entryCount, present));
  return out.entryCount == entryCount;
}

}  // namespace

// ---------------------------------------------------------------- reading heads

namespace {

template <class Names>
LoadedGroups ReadHeads(const std::string& path, AnalysisMode mode, const Names* catalog) {
  LoadedGroups out;
  BinaryFile file = BinaryFile::TryRead(path);
  if (!file.IsOpen()) return out;
  const int64_t fileSize = file.Size();
  int32_t groupCount = 0;
  if (!ReadHeader(file, mode, fileSize, out, groupCount)) return out;

  const int64_t headBase = HeaderSizeOf(mode) + kRecordSize * out.entryCount;
  const int64_t available = std::max<int64_t>(0, (fileSize - headBase) / kRecordSize);
  const auto readable = static_cast<int32_t>(std::min<int64_t>(groupCount, available));
  bool sound = true;
  bool endedEarly = false;
  int32_t previousEnd = 0;
  std::vector<uint8_t> block;
  ResultRecord rec;
  for (int32_t start = 0; start < readable && sound && !endedEarly; start += kReadBlock) {
    const int32_t n = std::min(kReadBlock, readable - start);
    block.resize(static_cast<std::size_t>(n) * kRecordSize);
    if (!file.ReadAt(headBase + kRecordSize * start, block.data(), block.size())) {
      sound = false;
      break;
    }
    for (int32_t i = 0; i < n; ++i) {
      rec.CopyFrom(0, &block[static_cast<std::size_t>(i) * kRecordSize], kRecordSize);
      // A zero end marks the end of the valid heads.
      if (rec.End() == 0) {
        endedEarly = true;
        break;
      }
      const int64_t first = rec.Position();
      const int64_t size = rec.GroupSize();
      if (first < previousEnd || size < 1 || first + size != rec.End() ||
          rec.End() > out.entryCount) {
        sound = false;
        break;
      }
      previousEnd = rec.End();
      const bool word = mode == AnalysisMode::Similar;
      std::string name = word ? ResolveWord(catalog, rec.Key(), rec.Name(), out.likeKey)
                              : ResolveName(catalog, rec.Key(), rec.Name());
      std::string shown = ShownItemName(catalog, rec.Key(), name, word, out.likeKey);
      out.heads.push_back(ItemOf(rec, std::move(name), std::move(shown)));
    }
  }
  file.Close();

  // The writer already orders the heads; only a file from elsewhere (or a
  // long name that sorts apart from its cut form) needs the sort.
  auto less = [](const ResultItem& a, const ResultItem& b) {
    return text::CompareAnsiText(a.name, b.name) < 0;
  };
  if (!std::is_sorted(out.heads.begin(), out.heads.end(), less))
    std::stable_sort(out.heads.begin(), out.heads.end(), less);
  out.complete = sound && (endedEarly || readable == groupCount);
  return out;
}

}  // namespace

LoadedGroups ReadGroupHeads(const std::string& path, AnalysisMode mode, const Catalog* catalog) {
  return ReadHeads(path, mode, catalog);
}

LoadedGroups ReadGroupHeads(const std::string& path, AnalysisMode mode,
                            const LongNameSnapshot* names) {
  return ReadHeads(path, mode, names);
}

// ---------------------------------------------------------------- the store

ResultStore::ResultStore(AnalysisMode mode, const Catalog* catalog)
    : search_(mode), catalog_(catalog) {}

int64_t ResultStore::HeaderSize() const {
  return HeaderSizeOf(Mode());
}

void ResultStore::SetPathFromCatalog(const std::string& catalogPath) {
  fs::path p(catalogPath);
  p.replace_extension(Mode() == AnalysisMode::Duplicate ? ".dup" : ".lik");
  path_ = p.string();
  catalogPath_ = catalogPath;
  // An analysis that was cut off while writing leaves its temporary file.
  if (!catalogPath.empty()) io::RemoveAbandoned(path_ + ".new");
}

bool ResultStore::ResultsExist() const {
  std::error_code ec;
  return !path_.empty() && fs::is_regular_file(path_, ec);
}

bool ResultStore::DeleteResults() {
  ClearGroups();
  ClearMembers(1);
  ClearMembers(2);
  std::error_code ec;
  return !path_.empty() && fs::remove(path_, ec);
}

// ---------------------------------------------------------------- scratch file

ResultStore::ScratchFile::~ScratchFile() {
  if (fd_ >= 0) ::close(fd_);
}

void ResultStore::ScratchFile::Open(const std::string& beside, int64_t length) {
  const std::string shown = beside + ".new";
  // A file of no name in the result's folder, gone with the process; memory
  // where the file system has none.
  std::filesystem::path folder = std::filesystem::path(beside).parent_path();
  if (folder.empty()) folder = ".";
  fd_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd_ < 0) fd_ = ::memfd_create("plomix-result", MFD_CLOEXEC);
  if (fd_ < 0) throw CatalogError(ErrorCode::FileWrite, shown, errno);
  while (::ftruncate(fd_, length) != 0)
    if (errno != EINTR) throw CatalogError(ErrorCode::FileWrite, shown, errno);
  // The blocks are taken now, so that a full disk shows at once.
  if (const int error = ::posix_fallocate(fd_, 0, length);
      error != 0 && error != EOPNOTSUPP && error != EINVAL)
    throw CatalogError(ErrorCode::FileWrite, shown, error);
  length_ = length;
}

void ResultStore::ScratchFile::WriteAt(int64_t offset, const uint8_t* buffer, std::size_t n,
                                       const std::string& shown) {
  while (n > 0) {
    const ssize_t put = ::pwrite(fd_, buffer, n, offset);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) throw CatalogError(ErrorCode::FileWrite, shown, put < 0 ? errno : EIO);
    buffer += put;
    n -= static_cast<std::size_t>(put);
    offset += put;
  }
}

void ResultStore::ScratchFile::ReadAt(int64_t offset, uint8_t* buffer, std::size_t n,
                                      const std::string& shown) {
  while (n > 0) {
    const ssize_t got = ::pread(fd_, buffer, n, offset);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) throw CatalogError(ErrorCode::FileWrite, shown, got < 0 ? errno : EIO);
    buffer += got;
    n -= static_cast<std::size_t>(got);
    offset += got;
  }
}

void ResultStore::WriteResultFile(std::string_view likeKey) {
  if (path_.empty()) throw std::logic_error("the result file has no path");
  NameAnalysis& search = search_;
  if (!search.IsSorted()) search.Sort();
  const bool like = Mode() == AnalysisMode::Similar;
  const int64_t entryCount = search.Counters().entries;
  if (entryCount > INT32_MAX) throw CatalogError(ErrorCode::TooManyEntries, {path_});

  std::vector<uint8_t> header(static_cast<std::size_t>(HeaderSize()), 0);
  StoreI32(&header[kVersionAt], like ? kLikeFileVersion : kDupFileVersion);
  header[kReservedAt] = 0;
  StoreI32(&header[kGroupCountAt], static_cast<int32_t>(search.Counters().groups));
  StoreI32(&header[kEntryCountAt], static_cast<int32_t>(entryCount));
  const uint64_t createdBits = std::bit_cast<uint64_t>(DaysSince1899());
  for (int i = 0; i < 8; ++i) header[kCreatedAt + i] = static_cast<uint8_t>(createdBits >> (8 * i));
  if (like) {
    const std::size_t length = std::min(likeKey.size(), kLikeKeyCap);
    header[kLikeKeyAt] = static_cast<uint8_t>(length);
    std::copy_n(likeKey.begin(), length, header.begin() + kLikeKeyAt + 1);
  }

  // Duplicate entries are placed first, into a scratch file of no name: the
  // placing reads the catalogue, which the lock below would keep from it.
  ScratchFile placed;
  if (!like) PlaceEntries(placed);

  // The old result stays until the new one is complete. Two programs that
  // finish an analysis at once write one after the other.
  const io::ExclusiveLock writing(catalogPath_);
  const std::string temporary = path_ + ".new";
  auto recordOf = [](const ResultFileEntry& e, int32_t position, int32_t end, int32_t size) {
    return RecordOf(e, position, end, size);
  };
  try {
    BinaryFile file(temporary, BinaryFile::Mode::Create, catalogPath_);
    if (!like) {
      WritePlacedEntries(file, header, placed, recordOf);
    } else {
      WriteGroups(file, header, recordOf);
    }
    file.Sync();
    file.Close();
    io::Rename(temporary, path_);
  } catch (...) {
    io::Remove(temporary);
    throw;
  }
  io::SyncFolderOf(path_);
  fileVersion_ = like ? kLikeFileVersion : kDupFileVersion;
}

template <typename RecordOfEntry>
void ResultStore::WriteGroups(BinaryFile& file, const std::vector<uint8_t>& header,
                              RecordOfEntry recordOf) {
  NameAnalysis& search = search_;
  {
    RecordWriter writer(file);
    writer.Append(header.data(), header.size());
    int32_t position = 0;
    search.ForEachGroup([&](const ResultFileEntry&, const std::vector<ResultFileEntry>& entries) {
      const auto size = static_cast<int32_t>(entries.size());
      const int32_t end = position + size;
      for (const ResultFileEntry& e : entries) {
        const ResultRecord rec = recordOf(e, position++, end, size);
        writer.Append(rec.Data(), ResultRecord::kSize);
      }
    });
    position = 0;
    search.ForEachGroup(
        [&](const ResultFileEntry& head, const std::vector<ResultFileEntry>& entries) {
          const auto size = static_cast<int32_t>(entries.size());
          const ResultRecord rec = recordOf(head, position, position + size, size);
          writer.Append(rec.Data(), ResultRecord::kSize);
          position += size;
        });
    writer.Flush();
  }
}

// Duplicate entries come in the order the catalogue holds them. Each goes to
// the bucket of its position (a stretch of the result of 2 MB), and
// the buckets' records are appended to their stretches of the scratch file a
// small block at a time; writing then puts each stretch in order. No entry
// is held beyond those blocks and one stretch.
namespace {
constexpr std::size_t kBucketRecords = (std::size_t{2} << 20) / ResultRecord::kSize;
// The blocks of all buckets together stay near 8 MB.
std::size_t BlockBytes(std::size_t buckets) {
  return std::clamp<std::size_t>((std::size_t{8} << 20) / buckets, 4096, std::size_t{64} << 10);
}
}  // namespace

void ResultStore::PlaceEntries(ScratchFile& scratch) {
  NameAnalysis& search = search_;
  const auto entryCount = static_cast<std::size_t>(search.Counters().entries);
  if (entryCount == 0) return;
  const std::string shown = path_ + ".new";
  scratch.Open(path_, static_cast<int64_t>(entryCount * ResultRecord::kSize));
  const std::size_t buckets = (entryCount + kBucketRecords - 1) / kBucketRecords;
  std::vector<std::vector<uint8_t>> blocks(buckets);
  std::vector<int64_t> written(buckets, 0);
  const std::size_t blockBytes = BlockBytes(buckets);
  auto flush = [&](std::size_t b) {
    const int64_t at = static_cast<int64_t>(b * kBucketRecords * ResultRecord::kSize) + written[b];
    scratch.WriteAt(at, blocks[b].data(), blocks[b].size(), shown);
    written[b] += static_cast<int64_t>(blocks[b].size());
    blocks[b].clear();
  };
  search.PlaceEntries(
      [&](uint32_t position, uint32_t end, uint32_t size, const ResultFileEntry& entry) {
        if (position >= entryCount) throw std::logic_error("an entry is placed outside the result");
        const ResultRecord rec = RecordOf(entry, static_cast<int32_t>(position),
                                          static_cast<int32_t>(end), static_cast<int32_t>(size));
        std::vector<uint8_t>& block = blocks[position / kBucketRecords];
        if (block.capacity() == 0) block.reserve(blockBytes);
        block.insert(block.end(), rec.Data(), rec.Data() + ResultRecord::kSize);
        if (block.size() + ResultRecord::kSize > blockBytes) flush(position / kBucketRecords);
      });
  for (std::size_t b = 0; b < buckets; ++b)
    if (!blocks[b].empty()) flush(b);
}

template <typename RecordOfEntry>
void ResultStore::WritePlacedEntries(BinaryFile& file, const std::vector<uint8_t>& header,
                                     ScratchFile& placed, RecordOfEntry recordOf) {
  NameAnalysis& search = search_;
  const auto entryCount = static_cast<std::size_t>(search.Counters().entries);
  const std::string shown = path_ + ".new";
  RecordWriter writer(file);
  writer.Append(header.data(), header.size());
  std::vector<uint8_t> stretch;
  std::vector<uint8_t> ordered;
  for (std::size_t first = 0; first < entryCount; first += kBucketRecords) {
    const std::size_t n = std::min(kBucketRecords, entryCount - first);
    stretch.resize(n * ResultRecord::kSize);
    ordered.assign(n * ResultRecord::kSize, 0);
    placed.ReadAt(static_cast<int64_t>(first * ResultRecord::kSize), stretch.data(), stretch.size(),
                  shown);
    for (std::size_t i = 0; i < n; ++i) {
      const uint8_t* rec = &stretch[i * ResultRecord::kSize];
      const auto position = static_cast<std::size_t>(LoadI32(rec + ResultRecord::kPosition));
      if (position < first || position >= first + n)
        throw std::logic_error("a placed entry lies outside its stretch");
      std::memcpy(&ordered[(position - first) * ResultRecord::kSize], rec, ResultRecord::kSize);
    }
    writer.Append(ordered.data(), ordered.size());
  }
  int32_t position = 0;
  search.ForEachHead([&](const ResultFileEntry& head, uint32_t size) {
    const auto n = static_cast<int32_t>(size);
    const ResultRecord rec = recordOf(head, position, position + n, n);
    writer.Append(rec.Data(), ResultRecord::kSize);
    position += n;
  });
  writer.Flush();
}

bool ResultStore::LoadGroups() {
  LoadedGroups loaded = ReadGroupHeads(path_, Mode(), catalog_);
  const bool complete = loaded.complete;
  Adopt(std::move(loaded));
  return complete;
}

void ResultStore::Adopt(LoadedGroups&& loaded) {
  heads_ = std::move(loaded.heads);
  entryCount_ = loaded.entryCount;
  if (loaded.headerRead) {
    fileVersion_ = loaded.version;
    created_ = loaded.created;
    storedLikeKey_ = std::move(loaded.likeKey);
  }
}

void ResultStore::ClearGroups() {
  std::vector<ResultItem>().swap(heads_);
  entryCount_ = 0;
}

std::vector<ResultItem>& ResultStore::MemberList(int list) {
  if (list != 1 && list != 2) throw std::out_of_range("member list " + std::to_string(list));
  return members_[list - 1];
}

const std::vector<ResultItem>& ResultStore::Members(int list) const {
  if (list != 1 && list != 2) throw std::out_of_range("member list " + std::to_string(list));
  return members_[list - 1];
}

void ResultStore::ClearMembers(int list) {
  std::vector<ResultItem>().swap(MemberList(list));
}

int ResultStore::MemberCount(int list) const {
  return static_cast<int>(Members(list).size());
}

bool ResultStore::LoadMembers(int list, int32_t first, int32_t count) {
  std::vector<ResultItem>& members = MemberList(list);
  members.clear();
  BinaryFile file = BinaryFile::TryRead(path_);
  if (!file.IsOpen()) return false;
  LoadedGroups header;
  int32_t groupCount = 0;
  const int64_t fileSize = file.Size();
  ReadHeader(file, Mode(), fileSize, header, groupCount);
  if (!header.headerRead || first < 0 || count < 0) return false;
  const int64_t last = std::min<int64_t>(int64_t{first} + count, header.entryCount);
  std::vector<uint8_t> block;
  ResultRecord rec;
  for (int64_t start = first; start < last; start += kReadBlock) {
    const auto n = static_cast<int32_t>(std::min<int64_t>(kReadBlock, last - start));
    block.resize(static_cast<std::size_t>(n) * kRecordSize);
    if (!file.ReadAt(HeaderSize() + kRecordSize * start, block.data(), block.size())) return false;
    for (int32_t i = 0; i < n; ++i) {
      rec.CopyFrom(0, &block[static_cast<std::size_t>(i) * kRecordSize], kRecordSize);
      if (rec.Position() != start + i) return false;
      std::string name = ResolveName(catalog_, rec.Key(), rec.Name());
      std::string shown = ShownItemName(catalog_, rec.Key(), name, false, std::string());
      members.push_back(ItemOf(rec, std::move(name), std::move(shown)));
    }
  }
  return last == int64_t{first} + count;
}

bool ResultStore::GroupHead(int index, ResultItem& out) const {
  if (index < 0 || index >= GroupCount()) return false;
  out = heads_[index];
  return true;
}

bool ResultStore::Member(int list, int index, ResultItem& out) const {
  const std::vector<ResultItem>& members = Members(list);
  if (index < 0 || index >= static_cast<int>(members.size())) return false;
  out = members[index];
  return true;
}

const ResultItem* ResultStore::FindGroup(std::string_view name, std::string_view shownExact) const {
  auto it = std::lower_bound(heads_.begin(), heads_.end(), name,
                             [](const ResultItem& item, std::string_view n) {
                               return text::CompareAnsiText(item.name, n) < 0;
                             });
  const std::string wanted = shownExact.empty() ? std::string() : text::FoldShownName(shownExact);
  for (; it != heads_.end() && text::CompareAnsiText(it->name, name) == 0; ++it) {
    // A head shows something else than its CP932 name only when it stands
    // for an exact name (or word).
    const bool headExact = it->shown != text::ShownName(it->name, {});
    if (shownExact.empty() ? !headExact : headExact && text::FoldShownName(it->shown) == wanted)
      return &*it;
  }
  return nullptr;
}

int DupResultStore::DupGroupSizeOfName(std::string_view name, std::string_view shownExact) const {
  const ResultItem* head = FindGroup(name, shownExact);
  return head ? head->groupSize : 0;
}

int DupResultStore::DupGroupStartOfName(std::string_view name, std::string_view shownExact) const {
  const ResultItem* head = FindGroup(name, shownExact);
  return head ? head->first : -1;
}

void LikeResultStore::Adopt(LoadedGroups&& loaded) {
  if (loaded.headerRead) currentLikeKey_ = loaded.likeKey;
  ResultStore::Adopt(std::move(loaded));
}

void LikeResultStore::LikeGroupOfKey(std::string_view word, std::string_view shownExact,
                                     int32_t& first, int32_t& size) const {
  const ResultItem* head = FindGroup(word, shownExact);
  first = head ? head->first : -1;
  size = head ? head->groupSize : 0;
}

}  // namespace plomix
