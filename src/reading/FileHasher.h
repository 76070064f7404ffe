#pragma once
// Content fingerprints of files on disk (see core/Fingerprints.h): large
// sequential reads, the kernel told to read ahead and to drop the pages the
// hashing brought in once hashed (pages cached before stay), so that
// fingerprinting a media does not push everything else out of the page cache. Several files are
// hashed at once on worker threads.

#include <atomic>
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

// The fingerprint of one file (a symbolic link is not followed).
HashOutcome HashFile(const std::string& path, FingerprintMode mode,
                     const std::atomic<bool>* cancel = nullptr);

// The fingerprints of `paths`, in their order, on `threads` threads.
std::vector<HashOutcome> HashFiles(const std::vector<std::string>& paths, FingerprintMode mode,
                                   int threads, const std::atomic<bool>* cancel = nullptr);

}  // namespace plomix
