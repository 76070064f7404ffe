#pragma once
// The media scan: walks a drive's folder tree once, breadth first, into a
// compact reading buffer (one small fixed-size entry per folder or file plus
// an arena of CP932 name bytes), sorts every folder's entries by the Japanese
// collation, sums sizes, allocation and counts bottom-up and keeps the oldest
// and newest dates and the smallest and largest file. The buffer hands its
// records to Catalog::AddMedia one at a time (MediaRecordSource), so that a
// read of a million entries never holds a million TRecords.
//
// The walk works relative to directory handles (getdents64 and fstatat), does
// not follow symbolic links (a link is stored as a file), does not enter other
// mounted file systems (a mount point is stored as an empty folder), keeps the
// native name of every folder so that names CP932 cannot hold are still
// walked, and stores unreadable folders without entries. On two cores a
// helper thread lists and examines the folders queued next (FolderQueue); the
// records come out the same as with one thread.
//
// Entries without a date (0: before 1980, after 2107) take no part in the
// oldest and newest dates, so those never depend on listing order.
//
// A read can be cancelled from any thread (RequestCancel, or the flag from a
// signal handler): the walk stops within one entry and the buffer holds
// nothing worth storing. Folders and entries that could not be read are
// counted, and the first few of their paths kept, for the report after the read.

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Catalog.h"
#include "core/RecordImages.h"
#include "core/Records.h"
#include "reading/ReadRequest.h"

namespace plomix {

class Drives;
class FolderHandle;
class Prompter;
struct RawFolder;

// The drive facts a walk needs.
struct ScanSetup {
  std::string rootFolder;  // native path of the drive's root
  std::string drive;       // one lower-case letter
  int16_t kind = kKindUnknownDrive;
  int32_t clusterSize = 0;
  double freeSpace = 0;
  bool readVersions = false;
};

// One entry of the reading buffer (the media root, a folder or a file). Nine
// in ten entries are files, so what only a folder has lives in ScanFolder.
struct ScanEntry {
  double size = 0;
  uint64_t name = 0;  // arena reference of the CP932 name
  int32_t parent = -1;
  int32_t firstChild = -1;
  int32_t fileDate = 0;
  // Files: 1 + index of the version text, 0 for none; the root and folders:
  // index of their ScanFolder.
  uint32_t aux = 0;
  // 1 + index of the native name among the exact names (names CP932 cannot
  // hold), 0 for none.
  int32_t exact = 0;
  int16_t kind = 0;
  int16_t attr = 0;
  bool enter = false;  // a folder on the media's own file system
};
static_assert(sizeof(ScanEntry) <= 48, "the reading buffer's entry grew");

// What the root and each folder have beside their entry.
struct ScanFolder {
  uint64_t native = 0;  // arena reference of the native name (folders)
  double allocated = 0;
  int32_t dirFolders = 0;  // capped to 16 bits when records are produced
  int32_t dirFiles = 0;
  int32_t allFolders = 0;
  int32_t allFiles = 0;
};

// Append-only byte storage in large blocks: references stay valid, growth
// never copies what is stored, and memory grows with the names kept.
class NameArena {
 public:
  uint64_t Add(std::string_view bytes);
  std::string_view Get(uint64_t reference) const;
  void Clear();

 private:
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t used_ = 0;  // bytes used in the last block
};

class Scanner : public MediaRecordSource, public RecordImageSource {
 public:
  // Called every 100 stored records (every file while versions are read) with
  // the number of records stored before the current one, not counting the
  // root, and the native path of the folder being read.
  using Progress = std::function<void(int64_t stored, const std::string& folder)>;

  Scanner();
  ~Scanner() override;

  // The buffer grows on demand; this only makes sure a first block exists.
  // On failure the two out-of-memory messages are shown through `prompter`.
  bool AllocateScanBuffer(Prompter* prompter = nullptr);
  void ClearScanBuffer();
  void ReleaseScanBuffer();

  // Reads the source of the request (its folder, else its drive's root) with
  // the drive facts of `drives`, opens a CD/DVD tray afterwards when `eject`,
  // and reports the entry limit through `prompter` (may be null). True when
  // the media had an entry; false, with nothing read, when the request names
  // no source or the read was cancelled.
  bool ReadMedia(const ReadRequest& request, const Drives& drives, bool readVersions, bool eject,
                 Prompter* prompter);
  // The drive facts of a request's source; false when it names no source
  // (a drive text that is no letter, with no folder).
  static bool SetupFor(const ReadRequest& request, const Drives& drives, bool readVersions,
                       ScanSetup& setup);
  // The walk itself for given drive facts (ReadMedia's core; the window runs
  // it on a worker thread, tests directly). True when the root folder showed
  // at least one entry and the read was not cancelled. Touches nothing but
  // the scanner, so it may run on any one thread at a time.
  bool ReadTree(const ReadRequest& request, const ScanSetup& setup);

  // ---- Cancelling ----
  // May be called from any thread (it only sets the flag). The flag stays set
  // until ClearCancel, so a request made before a read starts still stops it.
  void RequestCancel() { cancel_.store(true, std::memory_order_relaxed); }
  void ClearCancel() { cancel_.store(false, std::memory_order_relaxed); }
  // The flag itself, for a signal handler (lock-free, so storing is safe there).
  std::atomic<bool>& CancelFlag() { return cancel_; }
  // True when the last read stopped because of a cancel request.
  bool Cancelled() const { return cancelled_; }

  // ---- What could not be read ----
  // Folders that could not be opened or listed to their end plus entries that
  // could not be examined, during the last read.
  int64_t UnreadableCount() const { return unreadable_; }
  // Native paths of the first few of them, in the order they were met.
  const std::vector<std::string>& UnreadablePaths() const { return unreadablePaths_; }
  static constexpr std::size_t kKeptUnreadablePaths = 10;

  // Sorts the records first..last (entries without children yet) by name.
  void SortFolderEntries(int32_t first, int32_t last);
  void AggregateSizes();
  void AggregateCounts();

  // ---- Results ----
  int32_t ScanCount() const { return count_; }
  bool ScanOverflow() const { return overflow_; }
  int32_t ScanFolderCount() const { return folderCount_; }
  int32_t ScanFileCount() const { return fileCount_; }
  TMediaInfomation& CurrentMedia() { return currentMedia_; }
  const ScanEntry& Entry(int32_t index) const;
  std::string_view EntryName(int32_t index) const;
  // How many names the last read could not store exactly in CP932.
  std::size_t ExactNameCount() const { return exactNames_.size(); }

  // MediaRecordSource: records 0..ScanCount()-1 with their persistent fields
  // (Path is left empty: the catalogue does not keep it).
  int32_t RecordCount() const override { return count_; }
  void Fetch(int32_t index, TRecord& out) const override;
  // RecordImageSource.
  std::string_view FetchImage(int32_t index, TFileRec& out) const override;
  std::string_view NativeName(int32_t index) const override;
  // The fingerprints of the last read when its request asked for them (a
  // file that could not be read has none and counts as unreadable).
  FingerprintSetPtr Fingerprints() const override { return fingerprints_; }
  // Bytes read for fingerprints so far in the current read (any thread may
  // ask while the hashing threads add to it).
  int64_t HashedBytes() const { return hashedBytes_.load(std::memory_order_relaxed); }
  // The fingerprints of the media's former reading, by path, for the next
  // read only: a quick reading takes over the fingerprint of a file whose
  // size and time stamp did not change instead of hashing it again. A full
  // reading hashes every byte, as it promises.
  void ReuseFingerprints(std::shared_ptr<const FingerprintsByPath> known) {
    reuse_ = std::move(known);
  }
  // How many fingerprints the last read took over that way.
  int64_t ReusedFingerprints() const { return reused_; }

  // ---- Knobs ----
  void SetProgress(Progress progress) { progress_ = std::move(progress); }
  const Progress& ProgressCallback() const { return progress_; }
  // At most this many records (the root included); tests use small limits.
  void SetRecordLimit(int32_t limit) { limit_ = limit; }
  // 1: one thread reads and stores; 2: a helper reads folders ahead (the
  // records are the same either way). Reading versions always uses one.
  void SetWalkThreads(int threads) { walkThreads_ = threads; }
  static int DefaultWalkThreads();
  // How many read folders may stay open for their subfolders to be opened
  // relative to them; -1 (the default) for the queue's own budget. Tests use
  // small budgets, which make the walk open the other folders by their paths.
  void SetOpenFolderBudget(int budget) { openFolderBudget_ = budget; }
  // The message shown once when entries were refused at the limit.
  static const char* OverflowMessage();

 private:
  ScanEntry& At(int32_t index);
  // Appends an entry; the root and folders get a ScanFolder holding `native`.
  int32_t Append(ScanEntry entry, uint64_t native = 0);
  ScanFolder& FolderOf(const ScanEntry& entry);
  const ScanFolder& FolderOf(const ScanEntry& entry) const;
  double AllocatedOf(const ScanEntry& entry) const;
  void Walk(std::shared_ptr<FolderHandle> root);
  // Stores the entries of one folder as a sorted run; true when the folder
  // listed any entry.
  bool ReadFolder(int32_t parent, const std::string& folderPath, const RawFolder& raw);
  std::string ChildPath(const std::string& folderPath, int32_t index) const;
  // SortFolderEntries with each entry's collation text given (UTF-8).
  void SortRun(int32_t first, int32_t last, const std::vector<std::string_view>& utf8);
  void NoteDate(int32_t date, int16_t kind);
  void NoteSize(double size);
  std::string CountText() const;
  void NoteUnreadable(const std::string& folderPath, const RawFolder& raw);
  // The native path of an entry, from the root folder.
  std::string NativePathOf(int32_t index) const;
  void TakeFingerprints(FingerprintMode mode, const FingerprintsByPath* reuse);
  // For each entry, the fingerprint of `known` it may take over (null for none).
  std::vector<const Fingerprint*> ReusablePrints(const FingerprintsByPath& known,
                                                 FingerprintMode mode) const;

  std::vector<std::unique_ptr<ScanEntry[]>> chunks_;
  std::vector<ScanFolder> folders_;
  NameArena names_;
  std::vector<std::string> versions_;
  std::vector<uint64_t> exactNames_;  // arena references of native names
  std::string rootVersion_;
  int32_t count_ = 0;
  int32_t limit_ = kMaxRecords;
  bool overflow_ = false;
  int32_t folderCount_ = 0, fileCount_ = 0;
  uint32_t oldestFile_ = 0, newestFile_ = 0, oldestFolder_ = 0, newestFolder_ = 0;
  double smallestFile_ = -1.0, largestFile_ = 0;
  TMediaInfomation currentMedia_;
  ScanSetup setup_;
  dev_t rootDevice_ = 0;
  bool shortListingEnds_ = false;
  Progress progress_;
  int walkThreads_ = DefaultWalkThreads();
  int openFolderBudget_ = -1;
  std::atomic<bool> cancel_{false};
  bool cancelled_ = false;
  int64_t unreadable_ = 0;
  std::vector<std::string> unreadablePaths_;
  FingerprintSetPtr fingerprints_;
  std::atomic<int64_t> hashedBytes_{0};
  std::shared_ptr<const FingerprintsByPath> reuse_;
  int64_t reused_ = 0;
};

}  // namespace plomix
