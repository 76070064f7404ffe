#pragma once
// The real number of folders below a media or folder. The records keep it in
// a 16-bit field capped at 32,767, as the file format wants; everything the
// user reads (messages, the property panel, the command-line tool) shows the
// real number instead. Below the cap the stored count is exact and is used as
// it is, so only media of more than 32,766 folders cost a little more.

#include <cstdint>
#include <optional>
#include <string_view>

namespace plomix {

class Catalog;

// The folder count of a media root's count text "N(F+f)" (F), as the scan
// writes it; nothing when the text is not of that form.
std::optional<int64_t> FolderCountOfCountText(std::string_view text);

// Folders anywhere in the media of a live slot: the stored count below the
// cap, else the root's count text, else the media's folder records counted.
int64_t MediaFolderCount(Catalog& catalog, int slot);

// Sum of MediaFolderCount over the live media that pass the category filter.
int64_t TotalFolderCount(Catalog& catalog);

// Folders anywhere below record `record` of the loaded media (the root
// included), counted through the records when the stored count is capped.
int64_t LoadedFolderCount(const Catalog& catalog, int record);

}  // namespace plomix
