#include "reading/FolderReader.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "reading/PeVersion.h"

namespace plomix {

namespace {

constexpr std::size_t kBufferSize = 256 * 1024;
// The largest record getdents64 returns: header, a 255-byte name, its
// terminator, rounded up to 8 bytes.
constexpr std::size_t kMaxRecord = (19 + 256 + 7) / 8 * 8;
constexpr int kOpenFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;

struct LinuxDirent64 {
  uint64_t ino;
  int64_t off;
  unsigned short reclen;
  unsigned char type;
  char name[1];
};

}  // namespace

void RawFolder::Clear() {
  names.clear();
  entries.clear();
  versions.clear();
  listed = false;
  error = 0;
  unreadable = 0;
  unreadableNames.clear();
}

FolderReader::FolderReader(dev_t rootDevice, bool readVersions, bool shortListingEnds)
    : rootDevice_(rootDevice), readVersions_(readVersions), shortListingEnds_(shortListingEnds) {}

bool FolderReader::ListingEndsShort(int fd) {
  struct statfs fs {};
  if (::fstatfs(fd, &fs) != 0) return false;
  return fs.f_type == EXT4_SUPER_MAGIC || fs.f_type == TMPFS_MAGIC;
}

int FolderReader::OpenAt(int dirFd, const char* name) {
  if (noAtime_) {
    const int fd = ::openat(dirFd, name, kOpenFlags | O_NOATIME);
    if (fd >= 0 || errno != EPERM) return fd;
    noAtime_ = false;  // only the owner (or root) may ask for it
  }
  return ::openat(dirFd, name, kOpenFlags);
}

int FolderReader::Open(const std::string& root, const std::string& path) {
  if (path.size() < PATH_MAX) {
    const int fd = OpenAt(AT_FDCWD, path.c_str());
    if (fd >= 0 || errno != ENAMETOOLONG) return fd;
  }
  if (path.compare(0, root.size(), root) != 0) return -1;
  int fd = OpenAt(AT_FDCWD, root.c_str());
  std::size_t from = root.size();
  while (fd >= 0 && from < path.size()) {
    if (path[from] == '/') {
      ++from;
      continue;
    }
    std::size_t end = path.find('/', from);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(from, end - from);
    const int next = OpenAt(fd, part.c_str());
    ::close(fd);
    fd = next;
    from = end;
  }
  return fd;
}

void FolderReader::Read(int fd, RawFolder& out) {
  out.Clear();
  if (buffer_.empty()) buffer_.resize(kBufferSize);
  for (;;) {
    const long n = ::syscall(SYS_getdents64, fd, buffer_.data(), buffer_.size());
    if (n < 0) out.error = errno;
    if (n <= 0) break;
    const bool last =
        shortListingEnds_ && static_cast<std::size_t>(n) + kMaxRecord <= buffer_.size();
    for (long offset = 0; offset < n;) {
      const auto* d = reinterpret_cast<const LinuxDirent64*>(buffer_.data() + offset);
      offset += d->reclen;
      const std::string_view name(d->name);
      if (name == "." || name == "..") continue;
      out.listed = true;
      // A relaxed load per entry costs nothing beside the fstatat, and keeps
      // a cancel prompt even inside a folder of a million entries.
      if (cancel_ && cancel_->load(std::memory_order_relaxed)) return;
      struct stat st {};
      if (::fstatat(fd, d->name, &st, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) != 0) {
        if (errno != ENOENT) {  // one that vanished since the listing is no loss
          if (out.unreadable++ < kKeptNames) out.unreadableNames.emplace_back(name);
        }
        continue;
      }
      RawEntry e;
      e.nameOffset = static_cast<uint32_t>(out.names.size());
      e.nameLength = static_cast<uint32_t>(name.size());
      e.mode = st.st_mode;
      e.size = st.st_size;
      e.mtime = st.st_mtime;
      e.sameDevice = st.st_dev == rootDevice_;
      if (readVersions_ && S_ISREG(st.st_mode)) {
        std::string version = GetFileVersionTextAt(fd, d->name);
        if (!version.empty()) {
          e.version = static_cast<int32_t>(out.versions.size());
          out.versions.push_back(std::move(version));
        }
      }
      out.names.append(name);
      out.entries.push_back(e);
    }
    if (last) break;
  }
}

}  // namespace plomix
