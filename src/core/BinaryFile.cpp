#include "core/BinaryFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <utility>

namespace plomix {

namespace io {

namespace {

FaultHook& Hook() {
  static FaultHook hook;
  return hook;
}

Fault Ask(Step step, const std::string& path, std::size_t bytes) {
  const FaultHook& hook = Hook();
  Fault f = hook ? hook(step, path, bytes) : Fault{};
  if (f.kill && (step != Step::Write || f.written == 0)) ::raise(SIGKILL);
  return f;
}

ErrorCode CodeOf(Step step) {
  switch (step) {
    case Step::Write:
      return ErrorCode::FileWrite;
    case Step::Sync:
      return ErrorCode::FileSync;
    case Step::Truncate:
      return ErrorCode::FileCut;
    case Step::Rename:
      return ErrorCode::FileReplace;
    case Step::Link:
      return ErrorCode::FileLink;
    case Step::Remove:
      return ErrorCode::FileRemove;
  }
  return ErrorCode::FileWrite;
}

// Throws when the hook fails a step that writes nothing partially.
void Check(Step step, const std::string& path) {
  if (Fault f = Ask(step, path, 0); f.error != 0) throw CatalogError(CodeOf(step), path, f.error);
}

}  // namespace

bool& SyncEnabled() {
  static bool enabled = true;
  return enabled;
}

void SetFaultHookForTesting(FaultHook hook) {
  Hook() = std::move(hook);
}

void SetSyncForTesting(bool enabled) {
  SyncEnabled() = enabled;
}

void Rename(const std::string& from, const std::string& to) {
  Check(Step::Rename, to);
  if (::rename(from.c_str(), to.c_str()) != 0)
    throw CatalogError(ErrorCode::FileReplace, to, errno);
}

bool Link(const std::string& existing, const std::string& link) {
  if (Ask(Step::Link, link, 0).error != 0) return false;
  return ::link(existing.c_str(), link.c_str()) == 0;
}

bool Remove(const std::string& path) {
  if (Ask(Step::Remove, path, 0).error != 0) return false;
  return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

bool PlainFileLike(const std::string& path, const std::string& model) {
  struct stat st {
  }, owner{};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  return st.st_uid == ::geteuid() ||
         (::stat(model.c_str(), &owner) == 0 && st.st_uid == owner.st_uid);
}

bool RemoveIfPresent(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT;
  return Remove(path);
}

void RemoveAbandoned(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return;
  if (!S_ISREG(st.st_mode)) {
    Remove(path);
    return;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) Remove(path);
  ::close(fd);
}

ExclusiveLock::ExclusiveLock(const std::string& path) {
  if (path.empty()) return;
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return;
  while (::flock(fd_, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    ::close(fd_);
    fd_ = -1;
    return;
  }
}

ExclusiveLock::~ExclusiveLock() {
  if (fd_ >= 0) ::close(fd_);
}

void SyncFolderOf(const std::string& path) {
  std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) folder = ".";
  Check(Step::Sync, path);
  if (!SyncEnabled()) return;
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;  // nothing to make durable through
  const int rc = ::fsync(fd);
  const int err = errno;
  ::close(fd);
  // Some file systems cannot sync a folder; the rename is then as durable as
  // they make it.
  if (rc != 0 && err != EINVAL && err != EROFS)
    throw CatalogError(ErrorCode::FolderSync, path, err);
}

void ReplaceWhole(const std::string& path, const std::vector<uint8_t>& bytes,
                  const std::string& modelWhenNew) {
  const std::string temporary = path + ".new";
  struct stat st {};
  const bool exists = ::stat(path.c_str(), &st) == 0;
  try {
    BinaryFile file(temporary, BinaryFile::Mode::Create, exists ? path : modelWhenNew);
    file.WriteAt(0, bytes.data(), bytes.size());
    file.Sync();
    file.Close();
    Rename(temporary, path);
  } catch (...) {
    Remove(temporary);
    throw;
  }
  SyncFolderOf(path);
}

FileStamp StampOf(const std::string& path) {
  struct stat st {};
  FileStamp stamp;
  if (::stat(path.c_str(), &st) != 0) return stamp;
  stamp.device = st.st_dev;
  stamp.inode = st.st_ino;
  stamp.size = st.st_size;
  stamp.changed = int64_t{st.st_ctim.tv_sec} * 1000000000 + st.st_ctim.tv_nsec;
  return stamp;
}

}  // namespace io

namespace {

int OpenFlags(BinaryFile::Mode mode) {
  switch (mode) {
    case BinaryFile::Mode::Read:
      return O_RDONLY;
    case BinaryFile::Mode::ReadWrite:
      return O_RDWR;
    case BinaryFile::Mode::Create:
      return O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW;
  }
  return O_RDONLY;
}

int LockFile(int fd, bool exclusive) {
  while (flock(fd, exclusive ? LOCK_EX : LOCK_SH) != 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}

// Whether `fd` is still the file that `path` names: a writer that replaces
// the file renames a new one over it, and whoever waited for the old file's
// lock must start again on the new one.
bool StillNamed(int fd, const std::string& path) {
  struct stat held {
  }, named{};
  if (::fstat(fd, &held) != 0 || ::stat(path.c_str(), &named) != 0) return false;
  return held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

// Opens and locks; -1 with errno set when the file cannot be opened. A
// creation first clears the name (see BinaryFile's constructor).
int OpenLocked(const std::string& path, int flags, bool exclusive, int& err) {
  for (int attempt = 0;; ++attempt) {
    if ((flags & O_CREAT) != 0 && !io::RemoveIfPresent(path)) {
      err = errno != 0 ? errno : EIO;
      return -1;
    }
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0) {
      // Something was put there again between the removal and the creation.
      if (errno == EEXIST && attempt < 8) continue;
      err = errno;
      return -1;
    }
    if (int lockErr = LockFile(fd, exclusive)) {
      ::close(fd);
      err = lockErr;
      return -2;
    }
    if ((flags & O_CREAT) != 0 || StillNamed(fd, path)) return fd;
    ::close(fd);
  }
}

// Gives a new file the permissions and owner of `model` when that names a
// plain file; the umask's default otherwise. Failing to hand the file to
// another owner is no error: only the superuser may.
void TakePermissions(int fd, const std::string& model) {
  struct stat st {};
  if (model.empty() || ::stat(model.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
  struct stat own {};
  if (::fstat(fd, &own) != 0) return;
  if (own.st_uid != st.st_uid || own.st_gid != st.st_gid) {
    [[maybe_unused]] const int chowned = ::fchown(fd, st.st_uid, st.st_gid);
  }
  [[maybe_unused]] const int chmodded = ::fchmod(fd, st.st_mode & 07777);
}

}  // namespace

BinaryFile::BinaryFile(const std::string& path, Mode mode, const std::string& permissionsOf)
    : path_(path) {
  int err = 0;
  fd_ = OpenLocked(path, OpenFlags(mode), mode != Mode::Read, err);
  if (fd_ == -2) {
    fd_ = -1;
    throw CatalogError(ErrorCode::FileLock, path, err);
  }
  if (fd_ < 0) throw CatalogError(ErrorCode::FileOpen, path, err);
  if (mode == Mode::Create) TakePermissions(fd_, permissionsOf);
}

BinaryFile BinaryFile::TryRead(const std::string& path) {
  BinaryFile file;
  file.path_ = path;
  int err = 0;
  const int fd = OpenLocked(path, O_RDONLY, false, err);
  if (fd >= 0) file.fd_ = fd;
  return file;
}

BinaryFile::BinaryFile(BinaryFile&& other) noexcept
    : path_(std::move(other.path_)), fd_(other.fd_) {
  other.fd_ = -1;
}

BinaryFile& BinaryFile::operator=(BinaryFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    path_ = std::move(other.path_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

BinaryFile::~BinaryFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool BinaryFile::ReadAt(int64_t offset, void* buffer, std::size_t n) {
  auto* p = static_cast<uint8_t*>(buffer);
  while (n > 0) {
    ssize_t got = ::pread(fd_, p, n, offset);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw CatalogError(ErrorCode::FileRead, path_, errno);
    }
    if (got == 0) return false;
    p += got;
    n -= static_cast<std::size_t>(got);
    offset += got;
  }
  return true;
}

void BinaryFile::WriteAt(int64_t offset, const void* buffer, std::size_t n) {
  const auto* p = static_cast<const uint8_t*>(buffer);
  if (io::Fault f = io::Ask(io::Step::Write, path_, n); f.error != 0 || f.kill) {
    const std::size_t partial = std::min(f.written, n);
    // The failure asked for is the one reported, whatever the partial write gives.
    [[maybe_unused]] const ssize_t put = partial > 0 ? ::pwrite(fd_, p, partial, offset) : 0;
    if (f.kill) ::raise(SIGKILL);
    throw CatalogError(ErrorCode::FileWrite, path_, f.error);
  }
  while (n > 0) {
    ssize_t put = ::pwrite(fd_, p, n, offset);
    if (put < 0) {
      if (errno == EINTR) continue;
      throw CatalogError(ErrorCode::FileWrite, path_, errno);
    }
    if (put == 0) throw CatalogError(ErrorCode::FileWrite, path_, EIO);
    p += put;
    n -= static_cast<std::size_t>(put);
    offset += put;
  }
}

int64_t BinaryFile::Size() {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) throw CatalogError(ErrorCode::FileSize, path_, errno);
  return st.st_size;
}

void BinaryFile::Truncate(int64_t size) {
  io::Check(io::Step::Truncate, path_);
  while (::ftruncate(fd_, size) != 0) {
    if (errno != EINTR) throw CatalogError(ErrorCode::FileCut, path_, errno);
  }
}

void BinaryFile::Sync() {
  io::Check(io::Step::Sync, path_);
  if (!io::SyncEnabled()) return;
  while (::fdatasync(fd_) != 0) {
    if (errno != EINTR) throw CatalogError(ErrorCode::FileSync, path_, errno);
  }
}

void BinaryFile::StartWriteback(int64_t offset, std::size_t n) {
  if (!io::SyncEnabled() || n == 0) return;
  (void)::sync_file_range(fd_, offset, static_cast<off_t>(n), SYNC_FILE_RANGE_WRITE);
}

void BinaryFile::Relock(bool exclusive) {
  if (int err = LockFile(fd_, exclusive)) throw CatalogError(ErrorCode::FileLock, path_, err);
}

io::FileStamp BinaryFile::Stamp() {
  struct stat st {};
  io::FileStamp stamp;
  if (::fstat(fd_, &st) != 0) return stamp;
  stamp.device = st.st_dev;
  stamp.inode = st.st_ino;
  stamp.size = st.st_size;
  stamp.changed = int64_t{st.st_ctim.tv_sec} * 1000000000 + st.st_ctim.tv_nsec;
  return stamp;
}

void BinaryFile::Close() {
  if (fd_ < 0) return;
  int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) throw CatalogError(ErrorCode::FileClose, path_, errno);
}

}  // namespace plomix
