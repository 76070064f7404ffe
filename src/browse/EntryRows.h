#pragma once
// The rows the tree and the file list show for one node: the media of the
// catalogue (key -1, those passing the category filter, in slot order) or the
// direct entries of a media or folder (at most 100,000, in catalogue order),
// with the shown entry's facts that the property panel describes, and the
// nine display texts of every row. Texts are CP932; a row whose name CP932
// cannot hold carries its exact name too (TRecord::ExactName, shown through
// text::ShownName).

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/Records.h"
#include "core/Text.h"

namespace plomix {

class Catalog;
class TypeNames;
class DupResultStore;

inline constexpr int kMaxListRows = 100000;
inline constexpr int kDataColumns = 9;

// What kind of node is shown.
enum class ShownKind { Catalogue, Media, Folder };

// What the node itself is.
struct ShownEntry {
  ShownKind kind = ShownKind::Catalogue;
  int32_t key = -1;
  TRecord record;          // the media root (2) or the folder (3)
  TRecord mediaRoot;       // the root of the node's media (2 and 3)
  TMediaInfomation facts;  // the node's media (2 and 3)
  Cp932 path;              // media: its name; folder: container path + "\" + name
  bool valid = true;       // false when the node's media cannot be loaded
};

struct EntryRows {
  std::vector<TRecord> rows;
  ShownEntry shown;
  bool truncated = false;  // more entries than kMaxListRows
};

// Builds the rows of node `key` (loads the node's media). A media that is gone
// or cannot be loaded gives no rows and shown.valid false.
EntryRows BuildEntryRows(Catalog& catalog, int32_t key);

// The options of the row texts.
struct RowTextOptions {
  Cp932 dateFormat;                          // for the 更新日時 column
  bool mediaList = false;                    // rows are media: column 7 is the free space
  const DupResultStore* dupStore = nullptr;  // for Highlight; null: none
};

// Fills Texts[0..8], Highlight and MarkImage of each row.
void FillRowTexts(Catalog& catalog, TypeNames& typeNames, const RowTextOptions& options,
                  std::span<TRecord> rows);

// The full path of a row under the shown node ("Media\A\name").
Cp932 RowFullPath(const ShownEntry& shown, const TRecord& row);

}  // namespace plomix
