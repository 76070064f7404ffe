#pragma once
// The names and paths of entries as the window shows them: an entry whose
// name code page 932 cannot hold is shown by its exact name, every other one
// by its CP932 name as it always was. Outputs whose format is CP932 (copies,
// exports) keep using the CP932 names and never come here.

#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/Text.h"

namespace plomix {

class Catalog;
struct ResultItem;
struct TRecord;

// `exact`: the native bytes (empty when the CP932 name is exact).
QString ShownQName(Cp932View name, std::string_view exact);
QString ShownQName(const TRecord& row);
// A result item's name: ResultItem::shown where it differs from the CP932
// name, else the CP932 name.
QString ShownItemName(const ResultItem& item);
// Whether ShownItemName is not simply the CP932 name.
bool ShowsExactName(const ResultItem& item);

// "Media\A\B" for the folder holding `record` of media `slot` (the media's
// name alone for its direct entries), each part shown as above; "" when the
// media cannot be loaded or for the root. Loads the media.
QString ShownFolderPath(Catalog& catalog, int slot, int32_t record);
// The folder path and the entry's own name: "Media\A\B\name".
QString ShownEntryPath(Catalog& catalog, int slot, int32_t record);

// Type-ahead on a row: its name begins with the typed text, ignoring case.
// `typedCp932Upper` is the typed text's CP932 form, upper-cased, or empty
// when CP932 cannot hold the text (then only exact names can match).
bool NameBeginsWith(const TRecord& row, const QString& typed, const std::string& typedCp932Upper);
// The CP932 upper-cased form of typed text, "" when CP932 cannot hold it.
std::string TypedCp932Upper(const QString& typed);

}  // namespace plomix
