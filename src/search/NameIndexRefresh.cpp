#include "search/NameIndexRefresh.h"

#include "core/Catalog.h"
#include "search/NameIndex.h"

namespace plomix {

bool NameIndexRefresh::StartIfStale(const std::string& catalogPath,
                                    std::function<void(bool written)> done,
                                    std::function<void(NameIndexState found)> checked) {
  Stop();
  // Only a cheap look here: telling a stale index from a current one reads
  // all of it, which is the worker's job.
  if (io::StampOf(NameIndexPath(catalogPath)).size < 0) return false;
  stop_ = false;
  worker_ = std::thread([this, catalogPath, done = std::move(done), checked = std::move(checked)] {
    bool written = false;
    try {
      const auto keepGoing = [this] { return !stop_.load(); };
      const NameIndexState state = NameIndexStateOf(catalogPath, keepGoing);
      if (stop_.load()) return;
      if (checked) checked(state);
      if (state != NameIndexState::Stale && state != NameIndexState::Damaged) return;
      // A catalogue object of its own: the window's is never touched here.
      Catalog catalog;
      if (catalog.OpenCatalog(catalogPath)) {
        catalog.ReadLongNames();
        std::string error;
        written = BuildNameIndex(catalog, error, nullptr, keepGoing);
      }
    } catch (const std::exception&) {
      written = false;  // a cache: the search reads every record until the next build
    }
    if (done) done(written);
  });
  return true;
}

void NameIndexRefresh::Stop() {
  stop_ = true;
  if (worker_.joinable()) worker_.join();
}

}  // namespace plomix
