#pragma once
// The progress of a running scan as another thread sees it: the scan's
// progress callback (every 100 records, on the scanning thread) stores the
// count and the folder; a window polls Get() on its own thread.

#include <cstdint>
#include <mutex>
#include <string>

#include "reading/Scanner.h"

namespace plomix {

class ScanProgress {
 public:
  struct Snapshot {
    int64_t stored = 0;  // records stored so far, the root not counted
    std::string folder;  // native path of the folder being read
  };

  void Update(int64_t stored, const std::string& folder) {
    std::lock_guard lock(mutex_);
    snapshot_.stored = stored;
    snapshot_.folder = folder;
  }
  Snapshot Get() const {
    std::lock_guard lock(mutex_);
    return snapshot_;
  }
  void Reset() { Update(0, {}); }
  // A callback for Scanner::SetProgress that feeds this object.
  Scanner::Progress Callback() {
    return [this](int64_t stored, const std::string& folder) { Update(stored, folder); };
  }

 private:
  mutable std::mutex mutex_;
  Snapshot snapshot_;
};

}  // namespace plomix
