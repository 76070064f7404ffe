#pragma once
// The one walk over the direct entries of a folder of the loaded media, used
// by the tree and the list, the command line's ls, tree and export, the path
// resolution and the text export. A folder's entries follow each other from
// its FirstChild; the run ends at the first record with another parent, at
// the end record (kind 0) or at the end of the media, whichever comes first.

#include <cstdint>

#include "core/Catalog.h"

namespace plomix {

// Whether record `r` of the loaded media still belongs to the run of direct
// entries of record `folder`.
inline bool InChildRun(const Catalog& catalog, int32_t r, int32_t folder) {
  if (r < 0 || r >= catalog.LoadedCount()) return false;
  const TFileRec& rec = catalog.LoadedRec(r);
  return rec.Parent() == folder && rec.Kind() != kKindCatalog;
}

// Calls visit(r) for each direct entry r of record `folder` of the loaded
// media, in catalogue order, until visit returns false.
template <class Visit>
void ForEachChild(const Catalog& catalog, int32_t folder, Visit&& visit) {
  for (int32_t r = catalog.LoadedRec(folder).FirstChild(); InChildRun(catalog, r, folder); ++r)
    if (!visit(r)) return;
}

}  // namespace plomix
