#pragma once
// Content fingerprints of files on disk (see core/Fingerprints.h): large
// sequential reads, the kernel told to read ahead and to drop the pages the
// hashing brought in once hashed (pages cached before stay), so that
// fingerprinting a media does not push everything else out of the page cache. The holes of
// sparse files are hashed as the zeros they read as, without reading them. Several files are
// hashed at once on worker threads.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/Fingerprints.h"

namespace plomix {

struct HashOutcome {
  std::optional<Digest128> digest;
  // Why there is none: an errno value for a file that could not be read,
  // 0 for what is no regular file (a link, a device, a pipe) or a cancel.
  int error = 0;
};

// The fingerprint of one file (a symbolic link is not followed). `hashed`,
// when given, grows by every block of bytes hashed (for a progress display;
// any number of threads may add to it).
HashOutcome HashFile(const std::string& path, FingerprintMode mode,
                     const std::atomic<bool>* cancel = nullptr,
                     std::atomic<int64_t>* hashed = nullptr);

// The fingerprints of `paths`, in their order, on `threads` threads.
std::vector<HashOutcome> HashFiles(const std::vector<std::string>& paths, FingerprintMode mode,
                                   int threads, const std::atomic<bool>* cancel = nullptr,
                                   std::atomic<int64_t>* hashed = nullptr);

}  // namespace plomix
