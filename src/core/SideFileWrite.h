#pragma once
// One write to a side file of the catalogue (NAME.exn, NAME.fpr) within a
// change of the catalogue: the file is cut at a point and new segments are
// written from there, synced before the catalogue's own commit, with what
// is needed to put the file back as it was should the change fail.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/BinaryFile.h"

namespace plomix {

// What a side-file write changed: enough to put the file back.
struct SideFileUndo {
  bool touched = false, created = false, replaced = false;
  int64_t length = 0;   // the file's length before
  int64_t cutFrom = 0;  // where the old bytes in `cut` lay
  std::vector<uint8_t> cut;
};

class SideFileWrite {
 public:
  // Opens the file (creates it when `exists` is false, with the catalogue's
  // permissions) and notes its length in `undo`.
  SideFileWrite(const std::string& path, bool exists, const std::string& catalogPath,
                SideFileUndo& undo);
  SideFileWrite(const SideFileWrite&) = delete;
  SideFileWrite& operator=(const SideFileWrite&) = delete;

  int64_t Length() const { return undo_.length; }
  // Everything from `at` on is replaced (and kept in the undo). A cut inside
  // the file's signature of `signature.size()` bytes starts the file anew.
  void CutAt(int64_t at, std::string_view signature);
  // Where the cut is (0: the file starts anew).
  int64_t CutPoint() const { return at_; }
  // Adds `bytes` behind what was added before; returns their offset.
  int64_t Append(const std::vector<uint8_t>& bytes);
  // Writes what was added, cuts the file behind it, syncs it (and its folder
  // when it was created) and closes it; returns its new length.
  int64_t Finish();

 private:
  std::string path_;
  BinaryFile file_;
  SideFileUndo& undo_;
  int64_t at_ = 0;
  std::vector<uint8_t> bytes_;
};

// A side file the reader found damaged, replaced whole by `bytes` (built
// from what could be read): the damaged file is kept aside as PATH.damaged
// (once) and the one replaced as PATH.old for the undo.
void ReplaceDamagedSideFile(const std::string& path, const std::vector<uint8_t>& bytes,
                            const std::string& catalogPath, SideFileUndo& undo);

// Puts the file back as `undo` says it was. Throws CatalogError when that
// fails (what is left is then bound to nothing the catalogue holds).
void UndoSideFileWrite(const std::string& path, const SideFileUndo& undo);

}  // namespace plomix
