#pragma once
// The stored records of one media, for a pass that looks closely at only a few
// of them (the search). The file is mapped read-only where the system allows
// it, so a block of records is examined where it lies, without a copy; where
// it does not, blocks are read into a buffer. Either way the catalogue stays
// locked (shared) while the area is open, so no writer of this program changes
// or shortens it meanwhile, and the whole area was seen inside the file before
// anything is handed out.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/BinaryFile.h"
#include "core/Records.h"

namespace plomix {

class RecordArea {
 public:
  enum class Access { Map, Read };

  // `file` is open and locked and holds `count` records from byte `position`
  // on (the caller has checked its size). Mapping falls back to reading when
  // the system refuses it.
  RecordArea(BinaryFile file, int64_t position, int32_t count, Access access = Access::Map);
  ~RecordArea();
  RecordArea(const RecordArea&) = delete;
  RecordArea& operator=(const RecordArea&) = delete;

  int32_t Count() const { return count_; }
  bool Mapped() const { return mapped_ != nullptr; }

  // The bytes of records first .. first+n-1, one image after another, valid
  // until the next call. Throws CatalogError when the file cannot be read.
  const uint8_t* Block(int32_t first, int32_t n);
  // A copy of record r.
  TFileRec Record(int32_t r);

 private:
  const uint8_t* Bytes(int32_t first, int32_t n, std::vector<uint8_t>& buffer);

  BinaryFile file_;
  int64_t position_;
  int32_t count_;
  void* map_ = nullptr;
  std::size_t mapLength_ = 0;
  const uint8_t* mapped_ = nullptr;  // record 0 inside the map
  std::vector<uint8_t> block_, single_;
};

}  // namespace plomix
