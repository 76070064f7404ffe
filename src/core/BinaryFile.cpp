#include "core/BinaryFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace plomix {

CatalogError::CatalogError(const std::string& path, const std::string& action, int err)
    : std::runtime_error(action + " failed for \"" + path + "\": " + std::strerror(err)) {}

namespace {

int OpenFlags(BinaryFile::Mode mode) {
  switch (mode) {
    case BinaryFile::Mode::Read:
      return O_RDONLY;
    case BinaryFile::Mode::ReadWrite:
      return O_RDWR;
    case BinaryFile::Mode::Create:
      return O_RDWR | O_CREAT | O_TRUNC;
  }
  return O_RDONLY;
}

int LockFile(int fd, bool exclusive) {
  while (flock(fd, exclusive ? LOCK_EX : LOCK_SH) != 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}

}  // namespace

BinaryFile::BinaryFile(const std::string& path, Mode mode) : path_(path) {
  fd_ = ::open(path.c_str(), OpenFlags(mode) | O_CLOEXEC, 0644);
  if (fd_ < 0) throw CatalogError(path, "Opening", errno);
  if (int err = LockFile(fd_, mode != Mode::Read)) {
    ::close(fd_);
    fd_ = -1;
    throw CatalogError(path, "Locking", err);
  }
}

BinaryFile BinaryFile::TryRead(const std::string& path) {
  BinaryFile file;
  file.path_ = path;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return file;
  if (LockFile(fd, false) != 0) {
    ::close(fd);
    return file;
  }
  file.fd_ = fd;
  return file;
}

BinaryFile::BinaryFile(BinaryFile&& other) noexcept : path_(std::move(other.path_)), fd_(other.fd_) {
  other.fd_ = -1;
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
      throw CatalogError(path_, "Reading", errno);
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
  while (n > 0) {
    ssize_t put = ::pwrite(fd_, p, n, offset);
    if (put < 0) {
      if (errno == EINTR) continue;
      throw CatalogError(path_, "Writing", errno);
    }
    if (put == 0) throw CatalogError(path_, "Writing", EIO);
    p += put;
    n -= static_cast<std::size_t>(put);
    offset += put;
  }
}

int64_t BinaryFile::Size() {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) throw CatalogError(path_, "Reading the size", errno);
  return st.st_size;
}

void BinaryFile::Truncate(int64_t size) {
  while (::ftruncate(fd_, size) != 0) {
    if (errno != EINTR) throw CatalogError(path_, "Cutting", errno);
  }
}

void BinaryFile::Close() {
  if (fd_ < 0) return;
  int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) throw CatalogError(path_, "Closing", errno);
}

}  // namespace plomix
