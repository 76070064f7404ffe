#pragma once
// What a reader that keeps its records compactly offers beside
// MediaRecordSource: each record's image filled straight from its own form,
// with no TRecord (and no copy of the name) between. Catalog::AddMedia writes
// through it when the source has it.

#include <cstdint>
#include <string_view>

#include "core/Records.h"

namespace plomix {

class RecordImageSource {
 public:
  virtual ~RecordImageSource() = default;
  // Fills the image of record `index` as TFileRec::FromRecord of its Fetch
  // would, and returns its complete name (valid until the source changes).
  virtual std::string_view FetchImage(int32_t index, TFileRec& out) const = 0;
};

}  // namespace plomix
