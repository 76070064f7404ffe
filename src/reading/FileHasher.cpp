#include "reading/FileHasher.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

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

// Reads `size` bytes at `offset` into the hash; false (errno set) on a read
// error. A file that shrank meanwhile ends the read early.
bool HashRange(int fd, int64_t offset, int64_t size, XXH3_state_t* state, uint8_t* buffer,
               const std::atomic<bool>* cancel, std::atomic<int64_t>* hashed) {
  while (size > 0) {
    if (cancel && cancel->load(std::memory_order_relaxed)) return true;
    const auto want = static_cast<std::size_t>(std::min<int64_t>(size, kBlock));
    const ssize_t got = ::pread(fd, buffer, want, offset);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) return true;
    XXH3_128bits_update(state, buffer, static_cast<std::size_t>(got));
    if (hashed) hashed->fetch_add(got, std::memory_order_relaxed);
    offset += got;
    size -= got;
  }
  return true;
}

}  // namespace

HashOutcome HashFile(const std::string& path, FingerprintMode mode, const std::atomic<bool>* cancel,
                     std::atomic<int64_t>* hashed) {
  HashOutcome outcome;
  Fd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (fd.get() < 0) {
    outcome.error = errno == ELOOP ? 0 : errno;
    return outcome;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) {
    outcome.error = errno;
    return outcome;
  }
  if (!S_ISREG(st.st_mode)) return outcome;
  const int64_t size = st.st_size;
  ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  thread_local std::unique_ptr<uint8_t[]> buffer;
  if (!buffer) buffer = std::make_unique<uint8_t[]>(kBlock);
  std::unique_ptr<XXH3_state_t, decltype(&XXH3_freeState)> state(XXH3_createState(),
                                                                 &XXH3_freeState);
  if (!state) {
    outcome.error = ENOMEM;
    return outcome;
  }
  XXH3_128bits_reset(state.get());
  bool ok = true;
  if (mode == FingerprintMode::Quick) {
    uint8_t sizeBytes[8];
    for (int i = 0; i < 8; ++i) sizeBytes[i] = static_cast<uint8_t>(uint64_t(size) >> (8 * i));
    XXH3_128bits_update(state.get(), sizeBytes, sizeof sizeBytes);
    const auto edge = static_cast<int64_t>(kEdge);
    if (size <= 2 * edge) {
      ok = HashRange(fd.get(), 0, size, state.get(), buffer.get(), cancel, hashed);
    } else {
      ok = HashRange(fd.get(), 0, edge, state.get(), buffer.get(), cancel, hashed) &&
           HashRange(fd.get(), size - edge, edge, state.get(), buffer.get(), cancel, hashed);
    }
  } else {
    ok = HashRange(fd.get(), 0, size, state.get(), buffer.get(), cancel, hashed);
  }
  if (!ok) {
    outcome.error = errno == 0 ? EIO : errno;
    return outcome;
  }
  ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_DONTNEED);
  if (cancel && cancel->load(std::memory_order_relaxed)) return outcome;
  XXH128_canonical_t canonical;
  XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(state.get()));
  Digest128 digest;
  std::copy(std::begin(canonical.digest), std::end(canonical.digest), digest.begin());
  outcome.digest = digest;
  return outcome;
}

std::vector<HashOutcome> HashFiles(const std::vector<std::string>& paths, FingerprintMode mode,
                                   int threads, const std::atomic<bool>* cancel,
                                   std::atomic<int64_t>* hashed) {
  std::vector<HashOutcome> out(paths.size());
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < paths.size();) {
      if (cancel && cancel->load(std::memory_order_relaxed)) return;
      out[i] = HashFile(paths[i], mode, cancel, hashed);
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
