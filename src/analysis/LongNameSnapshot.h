#pragma once
// The complete names of a catalogue's long-named entries as they were when
// the snapshot was taken. A worker thread resolves cut names through it while
// the window goes on using (and changing) the live catalogue; nothing in it
// changes after it is built, so any number of threads may read it.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/ExactNames.h"

namespace plomix {

class Catalog;

class LongNameSnapshot {
 public:
  // Copies the long names of every media whose side-file range is sound, as
  // the catalogue's own index does (the first entry of a record wins).
  static std::shared_ptr<const LongNameSnapshot> Take(const Catalog& catalog);

  // As Catalog::LongNameOfRecord: the complete name of record `record` of
  // media `slot` when `storedName` is a cut one (90 bytes or more) and the
  // snapshot knows it, else `storedName` itself. CP932.
  std::string LongNameOfRecord(int slot, int32_t record, std::string_view storedName) const;

  // As Catalog::ExactNameOfRecord.
  std::string_view ExactNameOfRecord(int slot, int32_t record) const;

  int Count() const { return static_cast<int>(names_.size()); }

 private:
  static int64_t Key(int slot, int32_t record) {
    return (int64_t{slot} << 32) | static_cast<uint32_t>(record);
  }
  std::unordered_map<int64_t, std::string> names_;
  std::vector<ExactNameSetPtr> exact_;  // by slot
};

}  // namespace plomix
