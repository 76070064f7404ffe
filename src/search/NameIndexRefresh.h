#pragma once
// Brings a stale name index up to date on a thread of its own, so that the
// window never waits for it; the search ignores the stale index meanwhile.

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "search/NameIndex.h"

namespace plomix {

class NameIndexRefresh {
 public:
  NameIndexRefresh() = default;
  NameIndexRefresh(const NameIndexRefresh&) = delete;
  NameIndexRefresh& operator=(const NameIndexRefresh&) = delete;
  ~NameIndexRefresh() { Stop(); }

  // Starts building the index of the catalogue anew when it has one that is
  // stale or damaged (after stopping a build still running); the check runs
  // on the worker too. `checked` runs on the worker thread with the state
  // found, before any build; `done` when a build ends, with whether the index
  // was written. False when there is no index (and neither runs).
  bool StartIfStale(const std::string& catalogPath, std::function<void(bool written)> done = {},
                    std::function<void(NameIndexState found)> checked = {});
  // Asks a running build to stop and waits for it; the old index stays.
  void Stop();

 private:
  std::thread worker_;
  std::atomic<bool> stop_{false};
};

}  // namespace plomix
