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
#include <mutex>
#include <string>
#include <thread>

#include "reading/FolderReader.h"

namespace plomix {

struct FolderTask {
  enum State { Pending, Claimed, Done };
  int32_t index = 0;  // the folder's record
  std::string path;   // its native path
  State state = Pending;
  RawFolder raw;  // its entries once read (none when it could not be opened)
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

  void Push(int32_t index, std::string path);
  // The oldest queued folder, read; false when the queue is empty.
  bool Next(FolderTask& out);

 private:
  void HelperLoop();
  FolderTask* ClaimForHelper();
  std::size_t AvailableToHelper() const;
  void WakeHelperIfWorthIt();
  void Read(FolderReader& reader, FolderTask& task);

  bool Cancelled() const { return cancel_ && cancel_->load(std::memory_order_relaxed); }

  std::string root_;
  dev_t rootDevice_;
  const std::atomic<bool>* cancel_;
  bool shortListingEnds_;
  FolderReader reader_;

  SpinningMutex mutex_;
  SpinningCondition helperWake_, mainWake_;
  std::deque<FolderTask> tasks_;
  uint64_t front_ = 0;       // sequence number of tasks_.front()
  uint64_t helperNext_ = 0;  // the first task the helper has not looked at
  bool stop_ = false;
  bool helperIdle_ = false;
  bool mainWaiting_ = false;
  std::thread helper_;
};

}  // namespace plomix
