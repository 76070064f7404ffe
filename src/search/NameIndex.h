#pragma once
// The name index beside a catalogue (NAME.idx): for every trigram (three
// consecutive bytes) of the names as the search compares them, the positions
// of the records whose name holds it, delta-coded. A search whose name
// pattern has a literal run of three or more bytes reads the few lists its
// trigrams name, intersects them and tests only the records that remain; the
// full matcher still decides every hit, so the index only ever narrows.
//
// The index is a cache. It carries the stamps of the catalogue and its
// long-name and exact-name files as they were when it was built; an index
// whose stamps differ, or whose bytes fail their checks, is ignored and the
// search reads every record as it would without one. It is written whole to
// a temporary file and renamed into place. Layout: docs/file-formats.md.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace plomix {

class Catalog;
struct SearchConditions;

// NAME.qdb -> NAME.idx.
std::string NameIndexPath(const std::string& catalogPath);

enum class NameIndexState {
  Missing,  // no index beside the catalogue
  Current,  // built from the catalogue as it is now
  Stale,    // the catalogue changed since it was built
  Damaged,  // not an index this program can read
};
// Reads the whole index to tell (a search reads only what it needs).
// `keepGoing`, asked between megabytes, stops the check when false (the
// index then counts as stale): a window that closes need not wait for it.
NameIndexState NameIndexStateOf(const std::string& catalogPath,
                                const std::function<bool()>& keepGoing = {});
// Tells from the index's header and the stamps of the catalogue's files
// alone, without reading the body: Current here means built from the files
// as they are now, its pages unchecked. Cheap enough to ask now and then.
NameIndexState NameIndexStampStateOf(const std::string& catalogPath);

struct NameIndexSummary {
  int media = 0;         // media indexed
  int64_t records = 0;   // records indexed
  int64_t trigrams = 0;  // distinct trigrams
  int64_t bytes = 0;     // size of the index file
};

// Builds the index of the catalogue (open, long names read) and puts it in
// place. `keepGoing` is asked now and then; false stops the build and leaves
// any index there as it was. Returns false with a reason in `error` when it
// was stopped, the catalogue changed while it was read (nothing is written
// then: the index would describe neither state), or the file could not be
// written.
bool BuildNameIndex(Catalog& catalog, std::string& error, NameIndexSummary* summary = nullptr,
                    const std::function<bool()>& keepGoing = {});

// The records a search run needs to test, read from a current index.
class NameIndexQuery {
 public:
  // A query for the conditions over the catalogue as it is loaded; null when
  // the index cannot narrow the search (no index, stale or damaged, no
  // literal of three bytes, or a condition that can pass a record whatever
  // its name), so the search reads every record.
  static std::shared_ptr<NameIndexQuery> Open(const Catalog& catalog,
                                              const SearchConditions& conditions);

  // The records of the media in `slot` that may pass the name condition, in
  // ascending order (its root always among them); null when the index does
  // not cover that media as the catalogue holds it now.
  const std::vector<int32_t>* Candidates(int slot) const;

 private:
  std::unordered_map<int, std::vector<int32_t>> candidates_;
};

}  // namespace plomix
