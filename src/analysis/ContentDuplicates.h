#pragma once
// Duplicates by content: files of equal size whose content fingerprints
// (taken when their media were read, see core/Fingerprints.h) are equal and
// of the same mode, across all media. Empty files are left out: they are all
// alike and waste nothing.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/Fingerprints.h"

namespace plomix {

class Catalog;

struct ContentMember {
  int slot = -1;
  int32_t record = 0;
};

struct ContentGroup {
  double size = 0;
  Fingerprint print;
  std::vector<ContentMember> members;  // by slot, then record
  // What all copies but one take.
  double Wasted() const { return size * static_cast<double>(members.size() - 1); }
};

struct ContentDuplicates {
  std::vector<ContentGroup> groups;  // most wasted space first
  std::size_t groupCount = 0;        // groups.size(), also when they are left out
  double wasted = 0;
  int mediaWithoutFingerprints = 0;  // live media read without them
  int unreadMedia = 0;               // live media whose records could not be read
};

// Reads the records of every live media that has fingerprints, leaving the
// loaded media alone. With `listGroups` false only the counts and the wasted
// space are found (groups stays empty).
ContentDuplicates FindContentDuplicates(Catalog& catalog, bool listGroups = true);

}  // namespace plomix
