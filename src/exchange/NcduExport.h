#pragma once
// Exporting a catalogued media, or one folder of it, as a disk-usage listing
// in the JSON export form of ncdu (format version 1.2), so that ncdu -f shows
// it and the importer takes it back.
//
// Every entry gets its name (the exact name when the catalogue has one, else
// the CP932 name in UTF-8; JSON-escaped, other bytes written as they are, as
// ncdu writes names that are no UTF-8), `asize` (its size), `dsize` (its
// allocated size; a folder: the media's cluster size) and `mtime` (its stored
// local date-time as a Unix time; none when it has no date).

#include <cstdint>
#include <string>

#include "exchange/ByteInput.h"

namespace plomix {
class Catalog;
}

namespace plomix::exchange {

// Writes folder `record` (0: the whole media) of the media in `slot` to the
// descriptor `fd` (`outName` names it in messages). Loads the media. Throws
// ExchangeError when the media cannot be loaded, `record` is no folder, or a
// write fails.
void ExportNcdu(Catalog& catalog, int slot, int32_t record, int fd, const std::string& outName);

// ExportNcdu into a file that is written beside `path` and renamed into
// place once complete, so a failed export leaves what was there.
void ExportNcduToFile(Catalog& catalog, int slot, int32_t record, const std::string& path);

}  // namespace plomix::exchange
