#include "reading/FileHasher.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <xxhash.h>
#if defined(__x86_64__) && __has_include(<xxh_x86dispatch.h>)
// The library's entry points that pick the widest vector unit the processor
// has (AVX2 and beyond) rather than the baseline build's SSE2.
#include <xxh_x86dispatch.h>
#endif

#include <algorithm>
#include <cerrno>
#include <memory>
#include <thread>

namespace plomix {

namespace {

constexpr std::size_t kEdge = 64 * 1024;
constexpr std::size_t kBlock = 1024 * 1024;

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Feeds `size` zero bytes to the hash: a hole of a sparse file reads as
// zeros, so its pages need not be brought into the page cache to be hashed.
void HashZeros(int64_t size, XXH3_state_t* state, std::atomic<int64_t>* hashed) {
  static const uint8_t zeros[kEdge] = {};
  while (size > 0) {
    const auto part = static_cast<std::size_t>(std::min<int64_t>(size, kEdge));
    XXH3_128bits_update(state, zeros, part);
    if (hashed) hashed->fetch_add(static_cast<int64_t>(part), std::memory_order_relaxed);
    size -= static_cast<int64_t>(part);
  }
}

// Reads `size` bytes at `offset` into the hash; false (errno set) on a read
// error or when the file turns out shorter (it shrank meanwhile).
//
// Only the pages this read brings into the page cache are dropped again:
// what was cached before (a file the user works with) stays. Each block is
// first asked for without waiting, which succeeds exactly when it is cached;
// from the first block that must come from the disk on, the rest of the
// range (read ahead by the kernel meanwhile) counts as brought in.
bool ReadRange(int fd, int64_t offset, int64_t size, XXH3_state_t* state, uint8_t* buffer,
               const std::atomic<bool>* cancel, std::atomic<int64_t>* hashed) {
  int64_t fetchedFrom = -1;
  const auto drop = [&] {
    if (fetchedFrom >= 0 && offset > fetchedFrom)
      ::posix_fadvise(fd, fetchedFrom, offset - fetchedFrom, POSIX_FADV_DONTNEED);
  };
  while (size > 0) {
    if (cancel && cancel->load(std::memory_order_relaxed)) break;
    const auto want = static_cast<std::size_t>(std::min<int64_t>(size, kBlock));
    ssize_t got = -1;
    if (fetchedFrom < 0) {
      iovec io{buffer, want};
      got = ::preadv2(fd, &io, 1, offset, RWF_NOWAIT);
      if (got < 0 && errno != EINTR) fetchedFrom = offset;
    }
    if (fetchedFrom >= 0) got = ::pread(fd, buffer, want, offset);
    if (got < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      drop();
      errno = error;
      return false;
    }
    if (got == 0) {
      // The file shrank while it was read: its bytes as a whole are not
      // known, and a print of what was read would be wrong.
      drop();
      errno = EIO;
      return false;
    }
    XXH3_128bits_update(state, buffer, static_cast<std::size_t>(got));
    if (hashed) hashed->fetch_add(got, std::memory_order_relaxed);
    offset += got;
    size -= got;
  }
  drop();
  return true;
}

// As ReadRange, for a file that has holes (fewer blocks than its size needs):
// the file system tells where its data lies, and the holes between are
// hashed as the zeros they read as. A file system that cannot tell reports
// all of the file as data, which is then simply read.
bool HashSparseRange(int fd, int64_t offset, int64_t size, XXH3_state_t* state, uint8_t* buffer,
                     const std::atomic<bool>* cancel, std::atomic<int64_t>* hashed) {
  const int64_t end = offset + size;
  while (offset < end) {
    if (cancel && cancel->load(std::memory_order_relaxed)) return true;
    off_t data = ::lseek(fd, offset, SEEK_DATA);
    if (data < 0) {
      // No data after `offset` (ENXIO), or the question is not understood:
      // then read, which is always right.
      if (errno != ENXIO) return ReadRange(fd, offset, end - offset, state, buffer, cancel, hashed);
      // No data up to the end, or the file shrank below `offset`.
      if (::lseek(fd, 0, SEEK_END) < end) {
        errno = EIO;
        return false;
      }
      data = end;
    }
    if (data > offset) {
      const int64_t zeros = std::min<int64_t>(data, end) - offset;
      HashZeros(zeros, state, hashed);
      offset += zeros;
      continue;
    }
    off_t hole = ::lseek(fd, offset, SEEK_HOLE);
    if (hole <= offset) hole = end;
    const int64_t part = std::min<int64_t>(hole, end) - offset;
    if (!ReadRange(fd, offset, part, state, buffer, cancel, hashed)) return false;
    offset += part;
  }
  return true;
}

// Files of one folder follow each other in the list: each hashing thread
// keeps its last folder open and opens the file relative to it, so the
// kernel does not walk the whole path again for every file.
class FolderHandle {
 public:
  ~FolderHandle() {
    if (fd_ >= 0) ::close(fd_);
  }
  // The folder to open `path`'s file name relative to, or AT_FDCWD with
  // the whole path when the folder cannot be opened.
  int For(std::string_view folder) {
    if (fd_ >= 0 && folder == folder_) return fd_;
    if (fd_ >= 0) ::close(fd_);
    folder_.assign(folder);
    fd_ = ::open(folder_.empty() ? "/" : folder_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    return fd_;
  }

 private:
  std::string folder_;
  int fd_ = -1;
};

HashOutcome HashOpenFile(int fd, FingerprintMode mode, const std::atomic<bool>* cancel,
                         std::atomic<int64_t>* hashed) {
  HashOutcome outcome;
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    outcome.error = errno;
    return outcome;
  }
  if (!S_ISREG(st.st_mode)) return outcome;
  const int64_t size = st.st_size;
  const bool sparse = st.st_blocks * 512 < size;
  // Read-ahead advice pays only for long reads; for the two short reads of a
  // quick print (or a small file) it is one more system call per file.
  if (mode == FingerprintMode::Full && size > static_cast<int64_t>(kBlock))
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  thread_local std::unique_ptr<uint8_t[]> buffer;
  if (!buffer) buffer = std::make_unique<uint8_t[]>(kBlock);
  thread_local std::unique_ptr<XXH3_state_t, decltype(&XXH3_freeState)> state(XXH3_createState(),
                                                                              &XXH3_freeState);
  if (!state) {
    outcome.error = ENOMEM;
    return outcome;
  }
  XXH3_128bits_reset(state.get());
  const auto range = [&](int64_t offset, int64_t length) {
    return sparse ? HashSparseRange(fd, offset, length, state.get(), buffer.get(), cancel, hashed)
                  : ReadRange(fd, offset, length, state.get(), buffer.get(), cancel, hashed);
  };
  bool ok = true;
  if (mode == FingerprintMode::Quick) {
    uint8_t sizeBytes[8];
    for (int i = 0; i < 8; ++i) sizeBytes[i] = static_cast<uint8_t>(uint64_t(size) >> (8 * i));
    XXH3_128bits_update(state.get(), sizeBytes, sizeof sizeBytes);
    const auto edge = static_cast<int64_t>(kEdge);
    if (size <= 2 * edge) {
      ok = range(0, size);
    } else {
      ok = range(0, edge) && range(size - edge, edge);
    }
  } else {
    ok = range(0, size);
  }
  if (!ok) {
    outcome.error = errno == 0 ? EIO : errno;
    return outcome;
  }
  if (cancel && cancel->load(std::memory_order_relaxed)) return outcome;
  XXH128_canonical_t canonical;
  XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(state.get()));
  Digest128 digest;
  std::copy(std::begin(canonical.digest), std::end(canonical.digest), digest.begin());
  outcome.digest = digest;
  return outcome;
}

HashOutcome HashFileIn(FolderHandle& folders, const std::string& path, FingerprintMode mode,
                       const std::atomic<bool>* cancel, std::atomic<int64_t>* hashed) {
  constexpr int kFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
  const std::size_t slash = path.rfind('/');
  const int folder =
      slash == std::string::npos ? -1 : folders.For(std::string_view(path).substr(0, slash));
  Fd fd(folder >= 0 ? ::openat(folder, path.c_str() + slash + 1, kFlags)
                    : ::open(path.c_str(), kFlags));
  if (fd.get() < 0) {
    HashOutcome outcome;
    outcome.error = errno == ELOOP ? 0 : errno;
    return outcome;
  }
  return HashOpenFile(fd.get(), mode, cancel, hashed);
}

}  // namespace

HashOutcome HashFile(const std::string& path, FingerprintMode mode, const std::atomic<bool>* cancel,
                     std::atomic<int64_t>* hashed) {
  FolderHandle folders;
  return HashFileIn(folders, path, mode, cancel, hashed);
}

std::vector<HashOutcome> HashFiles(const std::vector<std::string>& paths, FingerprintMode mode,
                                   int threads, const std::atomic<bool>* cancel,
                                   std::atomic<int64_t>* hashed) {
  std::vector<HashOutcome> out(paths.size());
  std::atomic<std::size_t> next{0};
  // Runs of neighbouring files per thread keep the files of a folder together.
  constexpr std::size_t kRun = 32;
  const auto work = [&] {
    FolderHandle folders;
    for (std::size_t first;
         (first = next.fetch_add(kRun, std::memory_order_relaxed)) < paths.size();) {
      for (std::size_t i = first; i < std::min(first + kRun, paths.size()); ++i) {
        if (cancel && cancel->load(std::memory_order_relaxed)) return;
        out[i] = HashFileIn(folders, paths[i], mode, cancel, hashed);
      }
    }
  };
  const int helpers = std::clamp(threads, 1, 8) - 1;
  std::vector<std::thread> pool;
  for (int t = 0; t < helpers && static_cast<std::size_t>(t + 1) < paths.size(); ++t)
    pool.emplace_back(work);
  work();
  for (std::thread& t : pool) t.join();
  return out;
}

}  // namespace plomix
