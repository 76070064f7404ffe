#include "core/FolderCounts.h"

#include <cctype>
#include <charconv>
#include <vector>

#include "core/Catalog.h"

namespace plomix {

namespace {

constexpr int16_t kCapped = 32767;

}  // namespace

std::optional<int64_t> FolderCountOfCountText(std::string_view text) {
  const std::size_t open = text.find('(');
  const std::size_t plus = text.find('+', open);
  if (open == std::string_view::npos || open == 0 || plus == std::string_view::npos ||
      plus == open + 1)
    return std::nullopt;
  int64_t folders = 0;
  const char* first = text.data() + open + 1;
  const char* last = text.data() + plus;
  const auto [end, error] = std::from_chars(first, last, folders);
  if (error != std::errc() || end != last || folders < 0) return std::nullopt;
  return folders;
}

int64_t MediaFolderCount(Catalog& catalog, int slot) {
  const TFileRec root = catalog.Slot(slot).Root();
  const int16_t stored = root.AllFolders();
  if (stored >= 0 && stored < kCapped) return stored;
  // The count text always keeps its folder part within the 19 bytes of the
  // field ("2000000(1000000+" is 16), so it is exact for any media.
  if (const auto counted = FolderCountOfCountText(root.Version()); counted && *counted >= kCapped)
    return *counted;
  int64_t folders = 0;
  const bool visited = catalog.VisitMediaRecords(slot, [&](int32_t index, const TFileRec& rec) {
    if (index > 0 && IsFolderKind(rec.Kind())) ++folders;
  });
  return visited ? folders : stored;
}

int64_t TotalFolderCount(Catalog& catalog) {
  int64_t total = 0;
  for (int s = 0; s < catalog.SlotsUsed(); ++s)
    if (catalog.Slot(s).IsLive() && catalog.MatchesCategoryFilter(s))
      total += MediaFolderCount(catalog, s);
  return total;
}

int64_t LoadedFolderCount(const Catalog& catalog, int record) {
  if (record < 0 || record >= catalog.LoadedCount()) return 0;
  const int16_t stored = catalog.LoadedRec(record).AllFolders();
  if (stored >= 0 && stored < kCapped) return stored;
  // Runs are contiguous and children follow their parents, so a walk of the
  // runs below the record visits each folder once.
  int64_t folders = 0;
  std::vector<int> pending{record};
  while (!pending.empty()) {
    const int folder = pending.back();
    pending.pop_back();
    const int first = catalog.LoadedRec(folder).FirstChild();
    for (int r = first; r > folder && r < catalog.LoadedCount(); ++r) {
      const TFileRec& rec = catalog.LoadedRec(r);
      if (rec.Parent() != folder || rec.Kind() == 0) break;
      if (IsFolderKind(rec.Kind())) {
        ++folders;
        pending.push_back(r);
      }
    }
  }
  return folders;
}

}  // namespace plomix
