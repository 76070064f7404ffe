#pragma once
// Finding a media and an entry inside it from a path text "MEDIA\A\B" (or
// "MEDIA/A/B"): the one resolution behind the window's "go to path", the
// history's moves and the command line's ls, tree, export and --media. Texts
// are CP932.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/Text.h"

namespace plomix {

class Catalog;

// The first live media whose name equals `name` as the slot stores it (a
// longer name is cut to the slot's capacity first); -1 when none.
int LiveMediaNamed(const Catalog& catalog, Cp932View name);

// What the parts after the media may name.
enum class PathEnd {
  Folder,    // every part is a folder
  AnyEntry,  // the last part may be a file as well
};

struct MediaPath {
  enum class Error {
    None,
    NoMedia,     // no live media is named by any leading part
    CannotLoad,  // the media's records cannot be loaded (the catalogue's LastError says why)
    NoEntry,     // `missing` is not among the entries of the part before it
  };
  Error error = Error::None;
  int slot = -1;
  std::vector<int32_t> records;  // record index of each part found below the media root
  Cp932 firstPart;               // the text before the first separator
  Cp932 missing;                 // for NoEntry: the part not found

  bool Found() const { return error == Error::None; }
  // The record the path names: 0 for the media itself.
  int32_t Record() const { return records.empty() ? 0 : records.back(); }
};

// A media name may itself hold "/" or "\" (a nameless media is named by its
// date-time, "yyyy/mm/dd hh:nn:ss"), so the media is the longest leading part
// that names a live media; the rest is cut at every separator that is not the
// second byte of a two-byte character, and empty parts are skipped. Each part
// is looked up among the direct entries of the one before. Loads the media.
MediaPath ResolveMediaPath(Catalog& catalog, Cp932View path, PathEnd end = PathEnd::Folder);
// The same for a path as a person types or copies it (UTF-8): the media part
// is taken in its CP932 form, every other part is compared with the entries'
// shown names (Catalog::ShownRecordName), so names CP932 cannot hold are
// found by what they are. A name may hold a separator itself: a part that
// names no entry is tried again joined with the parts after it. `firstPart`
// and `missing` are UTF-8 here.
MediaPath ResolveShownMediaPath(Catalog& catalog, std::string_view utf8Path,
                                PathEnd end = PathEnd::Folder);

}  // namespace plomix
