#include "reading/FolderQueue.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace plomix {

namespace {

// How far ahead of the caller the helper may read (folders read ahead must
// not pile up in memory); how far ahead it starts, so that the two rarely
// meet on one folder; and how much work must be waiting before a sleeping
// helper is woken, so that it is not woken for every folder.
constexpr std::size_t kReadAhead = 1024;
constexpr uint64_t kLead = 8;
constexpr std::size_t kWakeBatch = 16;

}  // namespace

SpinningMutex::SpinningMutex() {
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_ADAPTIVE_NP);
  pthread_mutex_init(&mutex_, &attributes);
  pthread_mutexattr_destroy(&attributes);
}

SpinningMutex::~SpinningMutex() {
  pthread_mutex_destroy(&mutex_);
}

FolderQueue::FolderQueue(std::string rootFolder, dev_t rootDevice, bool shortListingEnds,
                         bool readVersions, bool helper, const std::atomic<bool>* cancel)
    : root_(std::move(rootFolder)),
      rootDevice_(rootDevice),
      cancel_(cancel),
      shortListingEnds_(shortListingEnds),
      reader_(rootDevice, readVersions, shortListingEnds) {
  reader_.SetCancelFlag(cancel);
  if (!helper) return;
  try {
    helper_ = std::thread([this] { HelperLoop(); });
  } catch (const std::system_error&) {
    // No thread to be had: the caller reads every folder itself.
  }
}

FolderQueue::~FolderQueue() {
  if (!helper_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  helperWake_.NotifyAll();
  helper_.join();
}

void FolderQueue::Read(FolderReader& reader, FolderTask& task) {
  const int fd = reader.Open(root_, task.path);
  if (fd < 0) {
    task.raw.error = errno;  // unreadable: stored without entries, and reported
    return;
  }
  reader.Read(fd, task.raw);
  ::close(fd);
}

void FolderQueue::Push(int32_t index, std::string path) {
  std::lock_guard lock(mutex_);
  tasks_.push_back({index, std::move(path), FolderTask::Pending, {}});
  WakeHelperIfWorthIt();
}

std::size_t FolderQueue::AvailableToHelper() const {
  const uint64_t end = front_ + std::min(tasks_.size(), kReadAhead);
  const uint64_t start = std::max(helperNext_, front_ + kLead);
  return end > start ? static_cast<std::size_t>(end - start) : 0;
}

void FolderQueue::WakeHelperIfWorthIt() {
  if (helperIdle_ && AvailableToHelper() >= kWakeBatch) helperWake_.NotifyOne();
}

FolderTask* FolderQueue::ClaimForHelper() {
  helperNext_ = std::max(helperNext_, front_ + kLead);
  const uint64_t end = front_ + std::min(tasks_.size(), kReadAhead);
  for (; helperNext_ < end; ++helperNext_) {
    FolderTask& task = tasks_[helperNext_ - front_];
    if (task.state == FolderTask::Pending) {
      task.state = FolderTask::Claimed;
      return &task;
    }
  }
  return nullptr;
}

void FolderQueue::HelperLoop() {
  FolderReader reader(rootDevice_, false, shortListingEnds_);
  reader.SetCancelFlag(cancel_);
  std::unique_lock lock(mutex_);
  while (!stop_ && !Cancelled()) {
    FolderTask* task = ClaimForHelper();
    if (task == nullptr) {
      helperIdle_ = true;
      helperWake_.Wait(lock);
      helperIdle_ = false;
      continue;
    }
    lock.unlock();
    bool read = true;
    try {
      Read(reader, *task);
    } catch (...) {
      // Out of memory here: hand the folder back; the caller reads it itself.
      task->raw.Clear();
      read = false;
    }
    lock.lock();
    task->state = read ? FolderTask::Done : FolderTask::Pending;
    if (mainWaiting_ && task == &tasks_.front()) mainWake_.NotifyOne();
    if (!read) return;
  }
}

bool FolderQueue::Next(FolderTask& out) {
  std::unique_lock lock(mutex_);
  if (tasks_.empty() || Cancelled()) return false;
  FolderTask& front = tasks_.front();
  if (front.state == FolderTask::Claimed) {
    mainWaiting_ = true;
    while (front.state == FolderTask::Claimed) mainWake_.Wait(lock);
    mainWaiting_ = false;
  }
  if (front.state == FolderTask::Pending) {
    front.state = FolderTask::Claimed;
    lock.unlock();
    Read(reader_, front);
    lock.lock();
  }
  out = std::move(front);
  tasks_.pop_front();
  ++front_;
  WakeHelperIfWorthIt();
  return true;
}

}  // namespace plomix
