#include "reading/DriveChange.h"

#include <algorithm>

#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Records.h"
#include "core/Text.h"

namespace plomix {

std::vector<std::string> DriveChange::Categories() {
  catalog_.RebuildNameLists();
  return catalog_.CategoryNames().Names();
}

std::vector<DriveChangeRow> DriveChange::Rows(std::string_view category,
                                              std::string_view dateFormat) const {
  std::vector<DriveChangeRow> rows;
  for (int slot = 0; slot < catalog_.SlotsUsed(); ++slot) {
    const TMediaSlot& media = catalog_.Slot(slot);
    if (!media.IsLive()) continue;
    if (!category.empty() && media.Category() != category) continue;
    DriveChangeRow row;
    row.slot = slot;
    row.kind = media.Root().Kind();
    row.texts = {media.Name(),           text::AnsiUpper(media.Drive()),
                 media.Category(),       media.Location(),
                 media.LocationDetail(), FormatDateTime(dateFormat, catalog_.SlotReadDate(slot)),
                 media.KindName()};
    rows.push_back(std::move(row));
  }
  return rows;
}

char DriveChange::ButtonOf(std::string_view drive) {
  const char c = drive.empty() ? 0 : drive[0];
  if (c >= 'A' && c <= 'Y') return c;
  if (c >= 'a' && c <= 'y') return static_cast<char>(c - 'a' + 'A');
  return 'Z';
}

bool DriveChange::SetDrive(DriveChangeRow& row, char letter) {
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  if (letter < 'A' || letter > 'Z') return false;
  if (!catalog_.SetSlotDrive(row.slot, std::string(1, static_cast<char>(letter - 'A' + 'a'))))
    return false;
  row.texts[1] = std::string(1, letter);
  dirty_ = true;
  return true;
}

bool DriveChange::Commit() {
  if (!catalog_.WriteSlotTable()) return false;
  dirty_ = false;
  return true;
}

bool DriveChange::Discard() {
  dirty_ = false;
  return catalog_.OpenCatalog();
}

std::string DriveChange::SortKey(const DriveChangeRow& row, int column) {
  if (column <= 0 || column >= static_cast<int>(row.texts.size())) return row.texts[0];
  return row.texts[column] + "_" + row.texts[0];
}

void DriveChange::Sort(std::vector<DriveChangeRow>& rows, int column, bool ascending) {
  std::stable_sort(rows.begin(), rows.end(), [&](const DriveChangeRow& a, const DriveChangeRow& b) {
    const int order = text::CompareAnsi(SortKey(a, column), SortKey(b, column));
    return ascending ? order < 0 : order > 0;
  });
}

}  // namespace plomix
