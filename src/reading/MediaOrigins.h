#pragma once
// Where a media read from a folder came from. The catalogue keeps one drive
// letter per media, which for a folder is the letter of the volume holding it;
// the folder's own place is kept beside the catalogue in a small text file
// (<catalogue>.src), so that the folder is found again wherever its volume is
// mounted later and no letter has to stay bound to it.
//
// Each line describes one media: its reading date-time and record count (which
// survive compaction and renaming, unlike its slot number), its name when it
// was read, the folder's path inside its volume and the folder's full path at
// the time. Paths and names are stored percent-encoded, so any bytes survive.
// Lines that do not parse are ignored; a missing file means no folder media.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace plomix {

class Catalog;

struct MediaOrigin {
  int32_t readDate = 0;  // the root record's date-time (DOS)
  int32_t count = 0;     // records of the media, root included
  std::string name;      // CP932, as read
  std::string inner;     // native path inside the volume ("/" for its root)
  std::string folder;    // native full path when it was read
};

// The side file of a catalogue (its path with ".src" in place of ".qdb").
std::string MediaOriginsPath(const Catalog& catalog);

// All origins of the file, in the order they were added; empty when it is
// missing or unreadable.
std::vector<MediaOrigin> ReadMediaOrigins(const std::string& path);

// Appends one origin and syncs it; throws std::runtime_error naming the file
// when it cannot be written. A new file takes the permissions of
// `permissionsOf` (the catalogue); a link at the path is never followed.
void AppendMediaOrigin(const std::string& path, const MediaOrigin& origin,
                       const std::string& permissionsOf = {});

// The origin of a catalogued media (by its slot), when it was read from a
// folder: the latest line whose date and count match, one with the slot's
// name preferred.
std::optional<MediaOrigin> FindMediaOrigin(const Catalog& catalog, int slot);

}  // namespace plomix
