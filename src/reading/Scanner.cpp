#include "reading/Scanner.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/ustring.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <deque>
#include <numeric>
#include <stdexcept>
#include <thread>

#include "core/Format.h"
#include "core/Prompter.h"
#include "core/Text.h"
#include "reading/Drives.h"
#include "reading/FolderQueue.h"
#include "reading/FolderReader.h"
#include "reading/PeVersion.h"

namespace plomix {

namespace {

constexpr int32_t kChunkShift = 15;
constexpr int32_t kChunkSize = 1 << kChunkShift;
constexpr std::size_t kArenaBlock = 1 << 20;
constexpr std::size_t kMaxArenaName = 0xFFFF;
constexpr int32_t kProgressStep = 100;

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return (static_cast<unsigned char>(c) & 0x80) == 0; });
}

// Record order must agree with text::CompareAnsi (Japanese collation, tertiary
// strength, ties broken by the CP932 bytes). Collating the UTF-8 forms
// directly spares a conversion per comparison, which dominates large folders.
icu::Collator& SortCollator() {
  thread_local std::unique_ptr<icu::Collator> collator = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> c(icu::Collator::createInstance(icu::Locale("ja"), status));
    if (U_FAILURE(status) || !c) throw std::runtime_error("cannot create the Japanese collator");
    c->setStrength(icu::Collator::TERTIARY);
    return c;
  }();
  return *collator;
}

int16_t AttributesOf(mode_t mode, std::string_view name) {
  int16_t attr = 0;
  if (S_ISDIR(mode)) attr |= kAttrDirectory;
  if (!(mode & S_IWUSR)) attr |= kAttrReadOnly;
  if (!name.empty() && name[0] == '.') attr |= kAttrHidden;
  if (S_ISCHR(mode) || S_ISBLK(mode) || S_ISSOCK(mode) || S_ISFIFO(mode)) attr |= kAttrSystem;
  if (S_ISREG(mode)) attr |= kAttrArchive;
  return attr;
}

double RoundUpToCluster(double size, int32_t cluster) {
  if (cluster <= 0) return size;
  const auto bytes = static_cast<int64_t>(std::llround(size));
  return static_cast<double>((bytes + cluster - 1) / cluster * int64_t{cluster});
}

int16_t Cap16(int32_t value) {
  return static_cast<int16_t>(std::min(value, 32767));
}

}  // namespace

// ---------------------------------------------------------------- NameArena

uint64_t NameArena::Add(std::string_view bytes) {
  bytes = bytes.substr(0, kMaxArenaName);
  if (blocks_.empty() || used_ + bytes.size() > kArenaBlock) {
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(std::max(kArenaBlock, bytes.size())));
    used_ = 0;
  }
  const uint64_t reference =
      (uint64_t{blocks_.size() - 1} << 40) | (uint64_t{used_} << 16) | bytes.size();
  if (!bytes.empty()) std::memcpy(blocks_.back().get() + used_, bytes.data(), bytes.size());
  used_ += bytes.size();
  return reference;
}

std::string_view NameArena::Get(uint64_t reference) const {
  const auto block = static_cast<std::size_t>(reference >> 40);
  if (block >= blocks_.size()) throw std::out_of_range("name reference outside the arena");
  return {blocks_[block].get() + ((reference >> 16) & 0xFFFFFF), reference & 0xFFFF};
}

void NameArena::Clear() {
  blocks_.clear();
  used_ = 0;
}

// ---------------------------------------------------------------- Scanner

Scanner::Scanner() = default;
Scanner::~Scanner() = default;

// The cores this process may run on (taskset and cpusets count, not just the
// machine's): two threads on one core only get in each other's way.
int Scanner::DefaultWalkThreads() {
  cpu_set_t cpus;
  CPU_ZERO(&cpus);
  if (sched_getaffinity(0, sizeof cpus, &cpus) == 0) return CPU_COUNT(&cpus) >= 2 ? 2 : 1;
  return std::thread::hardware_concurrency() >= 2 ? 2 : 1;
}

const char* Scanner::OverflowMessage() {
  return "★提案★\r\n１メディアから読み込めるファイル情報の最大数を超えました。\r\n"
         "開発者にバージョンアップを依頼してみては!?";
}

bool Scanner::AllocateScanBuffer(Prompter* prompter) {
  if (!chunks_.empty()) return true;
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      chunks_.push_back(std::make_unique<ScanEntry[]>(kChunkSize));
      return true;
    } catch (const std::bad_alloc&) {
      if (!prompter) continue;
      prompter->Message(
          QString::fromUtf8(attempt == 0 ? "領域確保に失敗しましたが\r\n再度領域確保を試みます"
                                         : "領域確保失敗\r\n再度メディア読込みを行う場合には\r\n"
                                           "Plomix2を再起動してください"),
          PromptIcon::Error, PromptButtons::Ok);
    }
  }
  return false;
}

void Scanner::ClearScanBuffer() {
  count_ = 0;
  folders_.clear();
  names_.Clear();
  versions_.clear();
  exactNames_.clear();
  fingerprints_ = nullptr;
  while (chunks_.size() > 1) chunks_.pop_back();
}

void Scanner::ReleaseScanBuffer() {
  ClearScanBuffer();
  chunks_.clear();
}

ScanEntry& Scanner::At(int32_t index) {
  if (index < 0 || index >= count_) throw std::out_of_range("scan record outside the buffer");
  return chunks_[static_cast<std::size_t>(index >> kChunkShift)][index & (kChunkSize - 1)];
}

const ScanEntry& Scanner::Entry(int32_t index) const {
  return const_cast<Scanner*>(this)->At(index);
}

std::string_view Scanner::EntryName(int32_t index) const {
  return names_.Get(Entry(index).name);
}

int32_t Scanner::Append(ScanEntry entry, uint64_t native) {
  if (static_cast<std::size_t>(count_ >> kChunkShift) >= chunks_.size())
    chunks_.push_back(std::make_unique<ScanEntry[]>(kChunkSize));
  if (entry.kind != kKindFile) {
    entry.aux = static_cast<uint32_t>(folders_.size());
    folders_.push_back({.native = native});
  }
  const int32_t index = count_++;
  At(index) = entry;
  return index;
}

ScanFolder& Scanner::FolderOf(const ScanEntry& entry) {
  if (entry.kind == kKindFile || entry.aux >= folders_.size())
    throw std::out_of_range("scan entry without folder facts");
  return folders_[entry.aux];
}

const ScanFolder& Scanner::FolderOf(const ScanEntry& entry) const {
  return const_cast<Scanner*>(this)->FolderOf(entry);
}

// A file occupies its size rounded up to whole clusters (nothing when empty).
double Scanner::AllocatedOf(const ScanEntry& entry) const {
  if (entry.kind != kKindFile) return FolderOf(entry).allocated;
  return entry.size == 0 ? 0 : RoundUpToCluster(entry.size, currentMedia_.ClusterSize);
}

// A date of 0 means "none" (before 1980, after 2107 or no time at all), so it
// takes no part in the extremes: otherwise the media's oldest date would depend
// on the order in which the directory happened to list its entries.
void Scanner::NoteDate(int32_t date, int16_t kind) {
  const auto d = static_cast<uint32_t>(date);
  if (d == 0) return;
  uint32_t& oldest = kind == kKindFile ? oldestFile_ : oldestFolder_;
  uint32_t& newest = kind == kKindFile ? newestFile_ : newestFolder_;
  if (oldest == 0 || d < oldest) oldest = d;
  if (d > newest) newest = d;
}

void Scanner::NoteSize(double size) {
  if (smallestFile_ == -1.0 || smallestFile_ > size) smallestFile_ = size;
  if (largestFile_ < size) largestFile_ = size;
}

std::string Scanner::CountText() const {
  return std::to_string(folderCount_ + fileCount_) + "(" + std::to_string(folderCount_) + "+" +
         std::to_string(fileCount_) + ")";
}

bool Scanner::SetupFor(const ReadRequest& request, const Drives& drives, bool readVersions,
                       ScanSetup& setup) {
  // A request whose drive is no letter reads nothing (never C in its place).
  const char letter = DriveLetterOf(request.drive);
  if (letter == 0) return false;
  setup = ScanSetup{};
  setup.drive = std::string(1, static_cast<char>(letter - 'A' + 'a'));
  setup.readVersions = readVersions;
  if (!request.folder.empty()) {
    setup.rootFolder = request.folder;
    setup.kind = static_cast<int16_t>(drives.FolderKind(request.folder));
    setup.clusterSize = drives.FolderClusterSize(request.folder);
    setup.freeSpace = drives.FolderFreeSpace(request.folder);
    return true;
  }
  const int driveNumber = letter - 'A' + 1;
  setup.rootFolder = drives.FolderOf(letter);
  setup.kind = static_cast<int16_t>(drives.GetDriveKind(std::string(1, letter)));
  setup.clusterSize = drives.GetClusterSize(driveNumber);
  setup.freeSpace = drives.GetFreeSpace(driveNumber);
  return true;
}

bool Scanner::ReadMedia(const ReadRequest& request, const Drives& drives, bool readVersions,
                        bool eject, Prompter* prompter) {
  ScanSetup setup;
  if (!SetupFor(request, drives, readVersions, setup)) {
    ReadTree(request, ScanSetup{});
    return false;
  }
  const bool found = ReadTree(request, setup);
  if (overflow_ && !cancelled_ && prompter)
    prompter->Message(QString::fromUtf8(OverflowMessage()), PromptIcon::Error, PromptButtons::Ok);
  if (found && eject) drives.EjectMedia(setup.drive, setup.kind);
  return found;
}

void Scanner::NoteUnreadable(const std::string& folderPath, const RawFolder& raw) {
  const auto keep = [&](std::string path) {
    if (unreadablePaths_.size() < kKeptUnreadablePaths) unreadablePaths_.push_back(std::move(path));
  };
  if (raw.error != 0) {
    ++unreadable_;
    keep(folderPath);
  }
  unreadable_ += raw.unreadable;
  for (const std::string& name : raw.unreadableNames)
    keep(folderPath + (folderPath.ends_with('/') ? "" : "/") + name);
}

bool Scanner::ReadTree(const ReadRequest& request, const ScanSetup& setup) {
  ClearScanBuffer();
  setup_ = setup;
  overflow_ = false;
  folderCount_ = fileCount_ = 0;
  oldestFile_ = newestFile_ = oldestFolder_ = newestFolder_ = 0;
  smallestFile_ = -1.0;
  largestFile_ = 0;
  rootVersion_.clear();
  cancelled_ = false;
  unreadable_ = 0;
  unreadablePaths_.clear();
  fingerprints_ = nullptr;
  hashedBytes_.store(0, std::memory_order_relaxed);
  const std::shared_ptr<const FingerprintsByPath> reuse = std::exchange(reuse_, nullptr);
  reused_ = 0;

  ScanEntry root;
  root.parent = -1;
  root.firstChild = 1;
  root.kind = setup.kind;
  root.attr = kAttrDirectory;
  root.name = names_.Add(request.mediaName);
  root.fileDate = DosNow();
  Append(root);

  currentMedia_ = TMediaInfomation{};
  currentMedia_.Drive = setup.drive;
  currentMedia_.KindName = MediaKindName(setup.kind);
  currentMedia_.Category = request.category.empty() ? currentMedia_.KindName : request.category;
  currentMedia_.Location = request.location;
  currentMedia_.LocationDetail = request.locationDetail;
  currentMedia_.ClusterSize = setup.clusterSize;
  currentMedia_.FreeSpace = setup.freeSpace;
  currentMedia_.VolumeName = request.volumeName;
  currentMedia_.VolumeSerial = request.volumeSerial;

  bool found = false;
  struct stat rootStat {};
  const int rootFd = setup.rootFolder.empty()
                         ? -1
                         : ::open(setup.rootFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  FolderHandlePtr rootHandle;
  if (rootFd >= 0) {
    rootHandle = std::make_shared<FolderHandle>(rootFd, nullptr);
    if (::fstat(rootFd, &rootStat) == 0) {
      rootDevice_ = rootStat.st_dev;
      shortListingEnds_ = FolderReader::ListingEndsShort(rootFd);
      FolderReader reader(rootDevice_, setup.readVersions, shortListingEnds_);
      reader.SetCancelFlag(&cancel_);
      RawFolder raw;
      reader.Read(rootFd, raw);
      NoteUnreadable(setup.rootFolder, raw);
      found = ReadFolder(0, setup.rootFolder, raw);
    }
  } else if (!setup.rootFolder.empty()) {
    RawFolder unopened;
    unopened.error = errno;
    NoteUnreadable(setup.rootFolder, unopened);
  }
  if (found && count_ > 1) Walk(std::move(rootHandle));
  rootHandle.reset();
  if (found && count_ > 1 && request.fingerprint && !cancel_.load(std::memory_order_relaxed))
    TakeFingerprints(*request.fingerprint, reuse.get());
  cancelled_ = cancel_.load(std::memory_order_relaxed);
  if (!found || count_ == 1 || cancelled_) {
    ScanEntry empty;
    empty.name = names_.Add({});
    fingerprints_ = nullptr;
    count_ = 0;
    folders_.clear();
    Append(empty);
    found = false;
  } else {
    rootVersion_ = CountText();
  }
  AggregateSizes();
  AggregateCounts();
  currentMedia_.OldestFileDate = static_cast<int32_t>(oldestFile_);
  currentMedia_.NewestFileDate = static_cast<int32_t>(newestFile_);
  currentMedia_.OldestFolderDate = static_cast<int32_t>(oldestFolder_);
  currentMedia_.NewestFolderDate = static_cast<int32_t>(newestFolder_);
  currentMedia_.SmallestFile = smallestFile_;
  currentMedia_.LargestFile = largestFile_;
  return found;
}

std::string Scanner::ChildPath(const std::string& folderPath, int32_t index) const {
  std::string path = folderPath;
  if (path.empty() || path.back() != '/') path.push_back('/');
  path.append(names_.Get(FolderOf(Entry(index)).native));
  return path;
}

// Folders are stored strictly in index order (breadth first); on two cores a
// helper lists and examines the folders queued next while this thread
// converts, sorts and stores, which halves the time spent waiting on the kernel.
// Each folder is opened relative to its open parent where the queue kept it.
void Scanner::Walk(FolderHandlePtr root) {
  FolderQueue queue(setup_.rootFolder, rootDevice_, shortListingEnds_, setup_.readVersions,
                    walkThreads_ > 1 && !setup_.readVersions, &cancel_);
  if (openFolderBudget_ >= 0) queue.SetOpenFolderBudget(openFolderBudget_);
  const auto queueFolders = [&](int32_t first, const std::string& folderPath,
                                const FolderHandlePtr& parent) {
    for (int32_t i = first; i < count_; ++i) {
      const ScanEntry& e = At(i);
      if (e.kind == kKindFolder && e.enter) queue.Push(i, ChildPath(folderPath, i), parent);
    }
  };
  queueFolders(1, setup_.rootFolder, root);
  root.reset();
  FolderTask task;
  while (queue.Next(task)) {
    const int32_t first = count_;
    NoteUnreadable(task.path, task.raw);
    ReadFolder(task.index, task.path, task.raw);
    // A folder whose entries were all refused at the limit keeps -1: no run starts there.
    if (count_ > first) {
      At(task.index).firstChild = first;
      queueFolders(first, task.path, task.handle);
    }
    task.handle.reset();
  }
}

bool Scanner::ReadFolder(int32_t parent, const std::string& folderPath, const RawFolder& raw) {
  const int32_t start = count_;
  // Entries are ordered by the names the catalogue holds, their CP932 forms,
  // as in every catalogue. A name CP932 holds is the UTF-8 of that form, so
  // its native bytes are its collation text; one it cannot hold is collated
  // in its CP932 form (its '?'s sort where they always did, and a folder of
  // such names costs no more to sort than one of ASCII names).
  thread_local std::vector<std::string_view> collated;
  thread_local std::deque<std::string> converted;
  collated.clear();
  converted.clear();
  for (const RawEntry& r : raw.entries) {
    if (count_ >= limit_) {
      overflow_ = true;
      continue;
    }
    const std::string_view name = raw.Name(r);
    ScanEntry e;
    e.parent = parent;
    e.attr = AttributesOf(r.mode, name);
    // ASCII names are the same bytes in CP932; only the others are converted,
    // and those that do not survive the conversion keep their native bytes.
    const bool ascii = IsAscii(name);
    bool exact = true;
    e.name = ascii ? names_.Add(name) : names_.Add(text::NativeNameToCp932(name, exact));
    // Folders keep their native name to be walked; files only when it is exact.
    uint64_t native = e.name;
    if (!ascii && (!exact || S_ISDIR(r.mode))) native = names_.Add(name);
    if (!exact) {
      exactNames_.push_back(native);
      e.exact = static_cast<int32_t>(exactNames_.size());
    }
    e.fileDate = r.mtime == 0 ? 0 : DosDateTimeFromUnix(r.mtime);
    if (S_ISDIR(r.mode)) {
      ++folderCount_;
      e.kind = kKindFolder;
      e.enter = r.sameDevice;
    } else {
      ++fileCount_;
      e.kind = kKindFile;
      e.size = static_cast<double>(r.size);
      NoteSize(e.size);
      if (setup_.readVersions && S_ISREG(r.mode)) {
        if (progress_) progress_(count_ - 1, folderPath + "/" + std::string(name));
        if (r.version >= 0) {
          versions_.push_back(raw.versions[static_cast<std::size_t>(r.version)]);
          e.aux = static_cast<uint32_t>(versions_.size());
        }
      }
    }
    NoteDate(e.fileDate, e.kind);
    if (!setup_.readVersions && progress_ && (count_ - 1) % kProgressStep == 0)
      progress_(count_ - 1, folderPath);
    Append(e, native);
    if (exact) {
      collated.push_back(name);
    } else {
      const std::string_view cp932 = names_.Get(e.name);
      collated.push_back(IsAscii(cp932)
                             ? cp932
                             : std::string_view(converted.emplace_back(text::Cp932ToUtf8(cp932))));
    }
  }
  if (count_ - start >= 2) SortRun(start, count_ - 1, collated);
  return raw.listed;
}

void Scanner::SortFolderEntries(int32_t first, int32_t last) {
  if (first < 0 || last >= count_ || first >= last) return;
  const auto n = static_cast<std::size_t>(last - first + 1);
  std::vector<std::string> converted;
  std::vector<std::string_view> utf8(n);
  converted.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::string_view cp932 = EntryName(first + static_cast<int32_t>(i));
    if (IsAscii(cp932)) {
      utf8[i] = cp932;
    } else {
      converted.push_back(text::Cp932ToUtf8(cp932));
      utf8[i] = converted.back();
    }
  }
  SortRun(first, last, utf8);
}

void Scanner::SortRun(int32_t first, int32_t last, const std::vector<std::string_view>& utf8) {
  const auto n = static_cast<std::size_t>(last - first + 1);
  std::vector<std::string_view> cp932(n);
  for (std::size_t i = 0; i < n; ++i) cp932[i] = EntryName(first + static_cast<int32_t>(i));
  icu::Collator& collator = SortCollator();
  std::vector<uint32_t> order(n);
  std::iota(order.begin(), order.end(), 0u);
  // ASCII names collate fast directly; any other name is collated many times
  // over in a large folder, so there each name's sort key is made once and
  // the keys are compared (they order exactly as the comparisons do).
  // Equal collation: by the CP932 bytes, then (two names CP932 cannot hold
  // alike) by the native bytes, so that the order never depends on chance.
  const auto tieLess = [&](uint32_t a, uint32_t b) {
    if (cp932[a] != cp932[b]) return cp932[a] < cp932[b];
    return NativeName(first + static_cast<int32_t>(a)) <
           NativeName(first + static_cast<int32_t>(b));
  };
  constexpr std::size_t kKeyedRun = 8;
  const bool keyed = n >= kKeyedRun && std::any_of(utf8.begin(), utf8.end(),
                                                   [](std::string_view u) { return !IsAscii(u); });
  if (keyed) {
    thread_local std::u16string units;
    thread_local std::vector<uint8_t> buffer(256);
    std::string keys;
    std::vector<uint32_t> ends(n);
    for (std::size_t i = 0; i < n; ++i) {
      units.resize(utf8[i].size());
      int32_t length = 0;
      UErrorCode status = U_ZERO_ERROR;
      u_strFromUTF8WithSub(units.data(), static_cast<int32_t>(units.size()), &length,
                           utf8[i].data(), static_cast<int32_t>(utf8[i].size()), 0xFFFD, nullptr,
                           &status);
      if (U_FAILURE(status)) length = 0;
      int32_t needed = collator.getSortKey(units.data(), length, buffer.data(),
                                           static_cast<int32_t>(buffer.size()));
      if (needed > static_cast<int32_t>(buffer.size())) {
        buffer.resize(static_cast<std::size_t>(needed));
        needed = collator.getSortKey(units.data(), length, buffer.data(), needed);
      }
      keys.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(needed));
      ends[i] = static_cast<uint32_t>(keys.size());
    }
    const auto keyOf = [&](uint32_t i) {
      const uint32_t begin = i == 0 ? 0 : ends[i - 1];
      return std::string_view(keys).substr(begin, ends[i] - begin);
    };
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
      const int r = keyOf(a).compare(keyOf(b));
      if (r != 0) return r < 0;
      return tieLess(a, b);
    });
  } else {
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
      UErrorCode status = U_ZERO_ERROR;
      const UCollationResult r = collator.compareUTF8(
          icu::StringPiece(utf8[a].data(), static_cast<int32_t>(utf8[a].size())),
          icu::StringPiece(utf8[b].data(), static_cast<int32_t>(utf8[b].size())), status);
      if (r != UCOL_EQUAL) return r == UCOL_LESS;
      return tieLess(a, b);
    });
  }
  std::vector<ScanEntry> sorted(n);
  for (std::size_t i = 0; i < n; ++i) sorted[i] = At(first + static_cast<int32_t>(order[i]));
  for (std::size_t i = 0; i < n; ++i) At(first + static_cast<int32_t>(i)) = sorted[i];
}

// Backward pass: each folder's run is complete before the folder itself is
// reached, because children always follow their parent and runs are contiguous.
void Scanner::AggregateSizes() {
  if (count_ == 0) return;
  const int32_t cluster = currentMedia_.ClusterSize;
  int32_t run = At(count_ - 1).parent;
  double sizeSum = 0, allocatedSum = 0;
  for (int32_t a = count_ - 1; a >= 0; --a) {
    ScanEntry& rec = At(a);
    if (rec.parent != run) {
      if (run >= 0) {
        ScanEntry& folder = At(run);
        folder.size = sizeSum;
        // A folder whose entries occupy nothing still occupies its own cluster.
        FolderOf(folder).allocated = allocatedSum == 0 ? cluster : allocatedSum;
      }
      sizeSum = allocatedSum = 0;
      run = rec.parent;
    }
    sizeSum += rec.size;
    if (rec.kind == kKindFile) {
      allocatedSum += AllocatedOf(rec);
      continue;
    }
    double& allocated = FolderOf(rec).allocated;
    if (IsFolderKind(rec.kind)) {
      allocatedSum += cluster;
      if (allocated == 0) allocated = cluster;
    }
    allocatedSum += allocated;
  }
  FolderOf(At(0)).allocated = allocatedSum;
}

void Scanner::AggregateCounts() {
  if (count_ == 0) return;
  int32_t run = At(count_ - 1).parent;
  int32_t folders = 0, files = 0, foldersBelow = 0, filesBelow = 0;
  for (int32_t a = count_ - 1; a >= 0; --a) {
    const ScanEntry& rec = At(a);
    if (rec.parent != run) {
      if (run >= 0) {
        ScanFolder& folder = FolderOf(At(run));
        folder.dirFolders = folders;
        folder.dirFiles = files;
        folder.allFolders = folders + foldersBelow;
        folder.allFiles = files + filesBelow;
      }
      folders = files = foldersBelow = filesBelow = 0;
      run = rec.parent;
      if (run < 0) break;
    }
    if (rec.kind == kKindFile) {
      ++files;
    } else {
      ++folders;
      const ScanFolder& below = FolderOf(rec);
      foldersBelow += below.allFolders;
      filesBelow += below.allFiles;
    }
  }
}

std::string_view Scanner::NativeName(int32_t index) const {
  const ScanEntry& e = Entry(index);
  return e.exact > 0 ? names_.Get(exactNames_[static_cast<std::size_t>(e.exact - 1)])
                     : std::string_view();
}

void Scanner::Fetch(int32_t index, TRecord& out) const {
  const ScanEntry& e = Entry(index);
  out.Key = -1;
  out.Parent = e.parent;
  out.FirstChild = e.firstChild;
  out.Kind = e.kind;
  out.Attr = e.attr;
  out.Path.clear();
  const std::string_view name = names_.Get(e.name);
  out.Name.assign(name.data(), name.size());
  out.Size = e.size;
  out.FileDate = e.fileDate;
  out.Mark = 0;
  if (index == 0)
    out.Version = rootVersion_;
  else if (e.kind == kKindFile && e.aux > 0)
    out.Version = versions_.at(static_cast<std::size_t>(e.aux - 1));
  else
    out.Version.clear();
  const ScanFolder none;
  const ScanFolder& f = e.kind == kKindFile ? none : FolderOf(e);
  // More than 32,767 direct subfolders do not fit the 16-bit field: stored capped.
  out.DirFolders = Cap16(f.dirFolders);
  out.DirFiles = f.dirFiles;
  out.AllFolders = Cap16(f.allFolders);
  out.AllFiles = f.allFiles;
  out.Allocated = AllocatedOf(e);
  out.CommentNo = -1;
}

std::string_view Scanner::FetchImage(int32_t index, TFileRec& out) const {
  const ScanEntry& e = Entry(index);
  out.SetParent(e.parent);
  out.SetFirstChild(e.firstChild);
  out.SetKind(e.kind);
  out.SetAttr(e.attr);
  const std::string_view name = names_.Get(e.name);
  out.SetName(name);
  out.SetSize(e.size);
  out.SetFileDate(e.fileDate);
  out.SetMark(0);
  if (index == 0)
    out.SetVersion(rootVersion_);
  else if (e.kind == kKindFile && e.aux > 0)
    out.SetVersion(versions_.at(static_cast<std::size_t>(e.aux - 1)));
  else
    out.SetVersion({});
  const ScanFolder none;
  const ScanFolder& f = e.kind == kKindFile ? none : FolderOf(e);
  out.SetDirFolders(Cap16(f.dirFolders));
  out.SetDirFiles(f.dirFiles);
  out.SetAllFolders(Cap16(f.allFolders));
  out.SetAllFiles(f.allFiles);
  out.SetAllocated(AllocatedOf(e));
  out.SetCommentNo(-1);
  return name;
}

}  // namespace plomix
