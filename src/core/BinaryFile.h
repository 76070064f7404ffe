#pragma once
// One open file for one catalogue operation: positioned reads and writes that
// handle short transfers and EINTR, an advisory lock (shared for reading,
// exclusive for writing) so that the window and the command-line tool can work
// on one catalogue, and errors that name the file.
//
// Every change to a file on disk (write, sync, cut, rename, link, removal)
// passes one fault hook first, so that tests can fail any single step, or end
// the process there, and prove that what is on disk stays sound.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/Error.h"

namespace plomix {

namespace io {

enum class Step { Write, Sync, Truncate, Rename, Link, Remove };

// What the hook wants done with one step: error 0 lets it run; otherwise the
// step fails with that errno, a write after putting down `written` of its
// bytes (a short write, as a full disk gives). With `kill` the process dies
// there, as a crash would take it.
struct Fault {
  int error = 0;
  std::size_t written = 0;
  bool kill = false;  // the process is killed (SIGKILL) after `written` bytes instead
};
using FaultHook = std::function<Fault(Step step, const std::string& path, std::size_t bytes)>;

// Installs (or, with an empty hook, removes) the hook for this process.
void SetFaultHookForTesting(FaultHook hook);
// Lets tests that run thousands of writes skip what only a power cut would
// need (syncs still pass the hook); on by default.
void SetSyncForTesting(bool enabled);

// Renames `from` over `to`; throws CatalogError naming `to`.
void Rename(const std::string& from, const std::string& to);
// Hard-links `existing` as `link`; false when the file system refuses.
bool Link(const std::string& existing, const std::string& link);
// Removes a file; true when it is gone (or was never there).
bool Remove(const std::string& path);
// Whether `path` is a plain file (not a link) of this process's user or of
// the owner of the file `model` names: a commit mark or temporary that
// someone else planted beside a catalogue is never acted on.
bool PlainFileLike(const std::string& path, const std::string& model);
// Remove when something (a file or a link, never followed) is at the path;
// true when nothing is there afterwards.
bool RemoveIfPresent(const std::string& path);
// Removes a temporary file that a write cut off left behind: only when no
// program holds a lock on it (a writer still at work does). Anything there
// that is not a plain file (a planted link) is removed without following it.
void RemoveAbandoned(const std::string& path);
// Holds the exclusive lock on a file (opened for reading only, so a file
// that may not be written can still be locked) while it lives; no lock when
// the file cannot be opened. Writers of files derived from the catalogue take
// the catalogue's lock this way, so that two of them never interleave.
class ExclusiveLock {
 public:
  explicit ExclusiveLock(const std::string& path);
  ~ExclusiveLock();
  ExclusiveLock(const ExclusiveLock&) = delete;
  ExclusiveLock& operator=(const ExclusiveLock&) = delete;

 private:
  int fd_ = -1;
};
// Makes a rename or creation in the folder of `path` durable.
void SyncFolderOf(const std::string& path);
// Replaces `path` with `bytes` so that a crash leaves the old file or the new
// one, never a mixture: written whole to `path`.new, synced, renamed over it.
// The new file keeps the old one's permissions (those of `modelWhenNew`
// when there was no old file).
void ReplaceWhole(const std::string& path, const std::vector<uint8_t>& bytes,
                  const std::string& modelWhenNew = {});

// Identity and version of a file: the same (device, inode, size, change time)
// means nothing was written to or renamed over it in between.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  int64_t size = -1;
  int64_t changed = 0;  // ctime in nanoseconds
  bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::string& path);  // size -1 when missing

}  // namespace io

class BinaryFile {
 public:
  enum class Mode {
    Read,       // existing file, shared lock
    ReadWrite,  // existing file, exclusive lock
    Create,     // made afresh, exclusive lock (see below)
  };

  // Opens the file; throws CatalogError when it cannot be opened. A locked
  // open (Read, ReadWrite) returns only once the lock is held on the file
  // the path names at that moment: a file renamed over it while waiting is
  // opened afresh.
  //
  // Create never writes through what is already at the path: that is removed
  // (a link as a link) and a new file is made exclusively, without following
  // links, so a link planted at a temporary name cannot redirect the write.
  // The new file takes the permissions (and the owner, where the system
  // allows) of `permissionsOf` when that names a file: the file it is to
  // replace, or the catalogue a new side file belongs to.
  BinaryFile(const std::string& path, Mode mode, const std::string& permissionsOf = {});
  // Opens for reading; returns an unopened object (IsOpen false) instead of
  // throwing, for the operations that fail quietly when the file is missing.
  static BinaryFile TryRead(const std::string& path);

  BinaryFile(BinaryFile&& other) noexcept;
  BinaryFile& operator=(BinaryFile&& other) noexcept;
  BinaryFile(const BinaryFile&) = delete;
  ~BinaryFile();

  bool IsOpen() const { return fd_ >= 0; }
  const std::string& Path() const { return path_; }
  // The open descriptor, for mapping the file; -1 when not open.
  int Descriptor() const { return fd_; }

  // Reads exactly n bytes at offset; false on a short read (end of file),
  // throws on an I/O error.
  bool ReadAt(int64_t offset, void* buffer, std::size_t n);
  // Writes all n bytes at offset; throws on failure.
  void WriteAt(int64_t offset, const void* buffer, std::size_t n);
  int64_t Size();
  void Truncate(int64_t size);
  // Puts what was written on the disk before anything that depends on it.
  void Sync();
  // Starts putting the n bytes written at offset on the disk without waiting
  // for them, so that a Sync after a long write has less left to wait for.
  // A failure shows at that Sync.
  void StartWriteback(int64_t offset, std::size_t n);
  // Exchanges the lock held for the other kind (shared <-> exclusive).
  void Relock(bool exclusive);
  io::FileStamp Stamp();
  // Closes and reports a failed close as an error (writes may surface there).
  void Close();

 private:
  BinaryFile() = default;
  std::string path_;
  int fd_ = -1;
};

}  // namespace plomix
