// A duplicate (.dup) or similar-name (.lik) result file of fuzzed bytes
// beside the sample catalogue (whose long names complete cut names): the
// group heads read on a loader's terms and by the store, every group's
// members into both lists, and the look-ups by name. Besides any crash or
// sanitizer report, it fails when a head the reader kept breaks the rules the
// reader promises: inside the entry section, sizes that agree, no overlap.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "FuzzSupport.h"
#include "analysis/ResultStore.h"
#include "core/Catalog.h"
#include "core/Text.h"

namespace {

void CheckHeads(const plomix::LoadedGroups& loaded) {
  std::vector<std::pair<int32_t, int32_t>> ranges;
  for (const plomix::ResultItem& head : loaded.heads) {
    if (head.first < 0 || head.groupSize < 1 || head.end != head.first + head.groupSize ||
        head.end > loaded.entryCount) {
      std::abort();
    }
    ranges.emplace_back(head.first, head.end);
  }
  std::sort(ranges.begin(), ranges.end());
  for (std::size_t i = 1; i < ranges.size(); ++i) {
    if (ranges[i].first < ranges[i - 1].second) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace plomix;
  static Catalog* catalog = [] {
    auto* made = new Catalog;
    if (!made->OpenCatalog(fuzz::SampleCatalog().catalog) || !made->ReadLongNames()) std::abort();
    return made;
  }();
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const bool like = fuzz::ResultInputIsLike(input);
  const AnalysisMode mode = like ? AnalysisMode::Similar : AnalysisMode::Duplicate;
  const std::string path = fuzz::WorkFile(like ? "results.lik" : "results.dup");
  fuzz::WriteFile(path, fuzz::ExpandResultFile(input));

  CheckHeads(ReadGroupHeads(path, mode, catalog));
  CheckHeads(ReadGroupHeads(path, mode, static_cast<const Catalog*>(nullptr)));

  DupResultStore dup(catalog);
  LikeResultStore likeStore(catalog);
  ResultStore& store = like ? static_cast<ResultStore&>(likeStore) : dup;
  store.SetPathFromCatalog(fuzz::WorkFile("results.qdb"));
  store.LoadGroups();
  for (int g = 0; g < store.GroupCount() && g < 256; ++g) {
    ResultItem head;
    if (!store.GroupHead(g, head)) std::abort();
    store.LoadMembers(1 + g % 2, head.first, head.groupSize);
    for (int m = 0; m < store.MemberCount(1 + g % 2); ++m) {
      ResultItem member;
      store.Member(1 + g % 2, m, member);
    }
    // Every head is found again by its name (and its exact form, if any).
    const std::string exact =
        head.shown != text::ShownName(head.name, {}) ? head.shown : std::string();
    if (store.FindGroup(head.name, exact) == nullptr) std::abort();
    if (like) {
      int32_t first = 0, groupSize = 0;
      likeStore.LikeGroupOfKey(head.name, exact, first, groupSize);
    } else {
      dup.DupGroupSizeOfName(head.name, exact);
      dup.DupGroupStartOfName(head.name, exact);
    }
  }
  store.LoadMembers(1, 0, store.EntryCount());
  store.LoadMembers(2, -5, 3);
  store.LoadMembers(2, store.EntryCount() - 1, 1 << 30);
  return 0;
}
