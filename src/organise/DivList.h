#pragma once
// Media listings: the live media of one category or one storage location, in
// slot order, as the rows of a dialog's media list. Also the extents of a
// category (oldest and newest times, smallest and largest files), which the
// search dialog offers as its default ranges.

#include <string_view>
#include <vector>

#include "core/Records.h"

namespace plomix {

class Catalog;

enum class DivListMode { Category, Location };

// The location filter that matches media without a storage location.
inline constexpr const char* kNoLocationUtf8 = "保管場所未登録";

// One row per matching live media, every field set. Filters (CP932): by
// category, "" matches every media, any other text the media whose category
// equals it byte for byte; by location, "" matches every media,
// "保管場所未登録" the media without a location (and those with that very
// text), any other text the media whose location equals it.
std::vector<TRecordDiv> BuildDivList(const Catalog& catalog, DivListMode mode,
                                     std::string_view filter);

// Over the live media of a category ("" = every live media): the smallest and
// largest file and folder times and file sizes stored in their slots. The
// first matching media supplies the starting values; without any media every
// field keeps its zero and `found` is false.
struct CategoryExtents {
  bool found = false;
  int32_t oldestFile = 0;
  int32_t newestFile = 0;
  int32_t oldestFolder = 0;
  int32_t newestFolder = 0;
  double smallestFile = 0;
  double largestFile = 0;
};
CategoryExtents ComputeCategoryExtents(const Catalog& catalog, std::string_view category);

}  // namespace plomix
