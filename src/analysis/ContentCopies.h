#pragma once
// What the window shows of content duplicates (analysis/ContentDuplicates.h):
// the copies of one file, and the rows of a content group for the member
// grids and the search list. Each function loads the media it needs, one
// load per media, and then loads again the media that was loaded before, so
// that the file list, which keeps its media loaded, is not disturbed.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/ContentDuplicates.h"
#include "analysis/DetailExport.h"
#include "core/Records.h"

namespace plomix {

class Catalog;

// The fingerprint of record `record` of media `slot`, none when it has none.
std::optional<Fingerprint> FingerprintOfEntry(const Catalog& catalog, int slot, int32_t record);

// Every file of every media with the same fingerprint (same mode) and size as
// record `record` of media `slot`, that file included, by slot then record.
// Empty when the file has no fingerprint, is empty, or is no file.
std::vector<ContentMember> ContentCopiesOf(Catalog& catalog, int slot, int32_t record);

// The member grid rows of content members, in the given order: key, No from
// 1, name (with its shown form), date formatted with `dateFormat` (CP932,
// empty for 0), size and the media's facts. A member whose media or record
// is gone is left out.
std::vector<DetailRow> ContentDetailRows(Catalog& catalog,
                                         const std::vector<ContentMember>& members,
                                         const std::string& dateFormat);

// The same members as search hits: the record with its key, complete name,
// exact name and the path of its folder ("Media\A"), as a search makes them.
std::vector<TRecord> ContentHitRecords(Catalog& catalog, const std::vector<ContentMember>& members);

// What a content group is called: the name of its first member (CP932, and
// as shown), and how many different names (ignoring case) its members have.
struct ContentGroupName {
  std::string name;
  std::string shown;
  int names = 0;
};
// One per group of `found`, in its order (each media loaded once).
std::vector<ContentGroupName> ContentGroupNames(Catalog& catalog, const ContentDuplicates& found);

// Keeps the loaded media: the media loaded when it is made is loaded again
// when it ends, if another one was loaded meanwhile.
class LoadedMediaKept {
 public:
  explicit LoadedMediaKept(Catalog& catalog);
  ~LoadedMediaKept();
  LoadedMediaKept(const LoadedMediaKept&) = delete;
  LoadedMediaKept& operator=(const LoadedMediaKept&) = delete;

 private:
  Catalog& catalog_;
  int slot_;
};

// The names of the live media that were read without fingerprints (CP932),
// in slot order.
std::vector<std::string> MediaWithoutFingerprints(const Catalog& catalog);

}  // namespace plomix
