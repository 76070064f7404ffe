#include "reading/FolderQueue.h"

#include <sys/resource.h>
#include <sys/stat.h>
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
// At most this many folders stay open for their subfolders, and never more
// than half the handles the process may open (a tree of a million entries
// has some ten thousand folders waiting for their subfolders at once).
constexpr int kMaxOpenFolders = 32768;

bool HasFoldersToEnter(const RawFolder& raw) {
  return std::any_of(raw.entries.begin(), raw.entries.end(),
                     [](const RawEntry& e) { return S_ISDIR(e.mode) && e.sameDevice; });
}

}  // namespace

FolderHandle::~FolderHandle() {
  ::close(fd_);
  if (open_) open_->fetch_sub(1, std::memory_order_relaxed);
}

int FolderQueue::DefaultOpenFolderBudget() {
  struct rlimit limit {};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
    return kMaxOpenFolders;
  return static_cast<int>(std::min<rlim_t>(limit.rlim_cur / 2, kMaxOpenFolders));
}

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
  int fd = -1;
  const std::size_t slash = task.path.rfind('/');
  if (task.parent && slash != std::string::npos) {
    fd = reader.OpenAt(task.parent->Fd(), task.path.c_str() + slash + 1);
  } else {
    fd = reader.Open(root_, task.path);
  }
  const int error = errno;
  task.parent.reset();
  if (fd < 0) {
    task.raw.error = error;  // unreadable: stored without entries, and reported
    return;
  }
  reader.Read(fd, task.raw);
  if (HasFoldersToEnter(task.raw)) {
    if (openHandles_.fetch_add(1, std::memory_order_relaxed) < openBudget_) {
      try {
        task.handle = std::make_shared<FolderHandle>(fd, &openHandles_);
        return;
      } catch (const std::bad_alloc&) {
        // Its subfolders are opened by their paths.
      }
    }
    openHandles_.fetch_sub(1, std::memory_order_relaxed);
  }
  ::close(fd);
}

void FolderQueue::Push(int32_t index, std::string path, FolderHandlePtr parent) {
  std::lock_guard lock(mutex_);
  tasks_.push_back({index, std::move(path), FolderTask::Pending, {}, std::move(parent), {}});
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

FolderTask* FolderQueue::ClaimAhead() {
  if (Cancelled()) return nullptr;
  aheadNext_ = std::max(aheadNext_, front_ + 1);
  const uint64_t end = front_ + std::min(tasks_.size(), kReadAhead);
  for (; aheadNext_ < end; ++aheadNext_) {
    FolderTask& task = tasks_[aheadNext_ - front_];
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
  while (front.state == FolderTask::Claimed) {
    // The helper has the next folder: rather than sleep until it is done
    // (long, when the helper has lost its processor to another program), read
    // one further on, which the helper then skips.
    if (FolderTask* ahead = ClaimAhead()) {
      lock.unlock();
      Read(reader_, *ahead);
      lock.lock();
      ahead->state = FolderTask::Done;
      continue;
    }
    mainWaiting_ = true;
    mainWake_.Wait(lock);
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
