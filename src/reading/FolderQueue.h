#pragma once
// The folders of a breadth-first walk waiting to be read, handed out strictly
// in the order they were queued. With a helper, a second thread lists and
// examines queued folders ahead of their turn while the caller stores the
// ones before them; which thread read a folder never changes what Next gives.

#include <pthread.h>
#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "reading/FolderReader.h"

namespace plomix {

// An open folder kept for its subfolders, which are opened relative to it
// (one name lookup each instead of a walk along their full paths); closed
// when the last task holding it lets go.
class FolderHandle {
 public:
  // `open` (may be null) counts the handles kept; it must outlive this one.
  FolderHandle(int fd, std::atomic<int>* open) : fd_(fd), open_(open) {}
  ~FolderHandle();
  FolderHandle(const FolderHandle&) = delete;
  FolderHandle& operator=(const FolderHandle&) = delete;
  int Fd() const { return fd_; }

 private:
  int fd_;
  std::atomic<int>* open_;
};
using FolderHandlePtr = std::shared_ptr<FolderHandle>;

struct FolderTask {
  enum State { Pending, Claimed, Done };
  int32_t index = 0;  // the folder's record
  std::string path;   // its native path
  State state = Pending;
  RawFolder raw;  // its entries once read (none when it could not be opened)
  // The open parent the folder is opened in (none: opened by its path); let
  // go once the folder is open.
  FolderHandlePtr parent;
  // The folder itself once read, kept open while it has subfolders to enter
  // and the queue's budget of open folders allows.
  FolderHandlePtr handle;
};

// A mutex that spins briefly before it sleeps: the queue's critical sections
// are a few hundred nanoseconds, so two threads handing folders back and forth
// would otherwise enter the kernel on most hand-overs.
class SpinningMutex {
 public:
  SpinningMutex();
  ~SpinningMutex();
  SpinningMutex(const SpinningMutex&) = delete;
  SpinningMutex& operator=(const SpinningMutex&) = delete;
  void lock() { pthread_mutex_lock(&mutex_); }
  void unlock() { pthread_mutex_unlock(&mutex_); }

 private:
  friend class SpinningCondition;
  pthread_mutex_t mutex_;
};

class SpinningCondition {
 public:
  SpinningCondition() { pthread_cond_init(&cond_, nullptr); }
  ~SpinningCondition() { pthread_cond_destroy(&cond_); }
  SpinningCondition(const SpinningCondition&) = delete;
  SpinningCondition& operator=(const SpinningCondition&) = delete;
  // The caller holds `lock`; it is released while waiting, as usual.
  void Wait(std::unique_lock<SpinningMutex>& lock) {
    pthread_cond_wait(&cond_, &lock.mutex()->mutex_);
  }
  void NotifyOne() { pthread_cond_signal(&cond_); }
  void NotifyAll() { pthread_cond_broadcast(&cond_); }

 private:
  pthread_cond_t cond_;
};

class FolderQueue {
 public:
  // `helper`: read ahead on a second thread (falls back to one when no
  // thread can be had).
  // Once `*cancel` (may be null) is true, reads stop early and Next gives nothing more.
  FolderQueue(std::string rootFolder, dev_t rootDevice, bool shortListingEnds, bool readVersions,
              bool helper, const std::atomic<bool>* cancel = nullptr);
  ~FolderQueue();
  FolderQueue(const FolderQueue&) = delete;
  FolderQueue& operator=(const FolderQueue&) = delete;

  // `parent`: the folder's open parent, or null to open it by its path.
  void Push(int32_t index, std::string path, FolderHandlePtr parent = nullptr);
  // The oldest queued folder, read; false when the queue is empty. While the
  // helper is still reading it, the caller reads folders further on instead
  // of waiting.
  bool Next(FolderTask& out);

  // How many read folders may stay open for their subfolders at once (the
  // rest of the subfolders are opened by their paths); set before the first Push.
  void SetOpenFolderBudget(int budget) { openBudget_ = budget; }
  static int DefaultOpenFolderBudget();

 private:
  void HelperLoop();
  FolderTask* ClaimForHelper();
  FolderTask* ClaimAhead();
  std::size_t AvailableToHelper() const;
  void WakeHelperIfWorthIt();
  void Read(FolderReader& reader, FolderTask& task);

  bool Cancelled() const { return cancel_ && cancel_->load(std::memory_order_relaxed); }

  std::string root_;
  dev_t rootDevice_;
  const std::atomic<bool>* cancel_;
  bool shortListingEnds_;
  FolderReader reader_;
  int openBudget_ = DefaultOpenFolderBudget();
  std::atomic<int> openHandles_{0};

  SpinningMutex mutex_;
  SpinningCondition helperWake_, mainWake_;
  std::deque<FolderTask> tasks_;
  uint64_t front_ = 0;       // sequence number of tasks_.front()
  uint64_t helperNext_ = 0;  // the first task the helper has not looked at
  uint64_t aheadNext_ = 0;   // the same for the caller reading ahead
  bool stop_ = false;
  bool helperIdle_ = false;
  bool mainWaiting_ = false;
  std::thread helper_;
};

}  // namespace plomix
