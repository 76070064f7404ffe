#include "ui/ShownNames.h"

#include <vector>

#include "analysis/ResultStore.h"
#include "browse/NameOrder.h"
#include "core/Catalog.h"
#include "core/Records.h"

namespace plomix {

QString ShownQName(Cp932View name, std::string_view exact) {
  return exact.empty() ? text::Cp932ToQString(name) : text::NativeNameToQString(exact);
}

QString ShownQName(const TRecord& row) {
  return ShownQName(row.Name, row.ExactName);
}

bool ShowsExactName(const ResultItem& item) {
  // The shown form of a CP932 name differs from it only where a backslash
  // had to be escaped; such a name is still shown as it is.
  return !item.shown.empty() && item.shown != text::Cp932ToUtf8(item.name) &&
         item.shown != text::ShownName(item.name, {});
}

QString ShownItemName(const ResultItem& item) {
  return ShowsExactName(item) ? QString::fromStdString(item.shown)
                              : text::Cp932ToQString(item.name);
}

QString ShownFolderPath(Catalog& catalog, int slot, int32_t record) {
  if (slot < 0 || slot >= kMaxMedia || !catalog.Slot(slot).IsLive() || !catalog.LoadMedia(slot) ||
      record <= 0 || record >= catalog.LoadedCount())
    return {};
  // A media without exact names keeps the path the catalogue builds (and caches).
  if (!catalog.ExactNamesOf(slot))
    return text::Cp932ToQString(catalog.BuildRecordPath(slot, record));
  std::vector<int32_t> chain;
  for (int32_t x = catalog.LoadedRec(record).Parent(); x > 0 && chain.size() < 65536;
       x = catalog.LoadedRec(x).Parent())
    chain.push_back(x);
  QString path = ShownQName(catalog.Slot(slot).Name(), catalog.ExactNameOfRecord(slot, 0));
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    path += QLatin1Char('\\') + ShownQName(catalog.RecordName(*it), catalog.ExactName(*it));
  return path;
}

QString ShownEntryPath(Catalog& catalog, int slot, int32_t record) {
  const QString folder = ShownFolderPath(catalog, slot, record);
  if (folder.isEmpty()) return {};
  return folder + QLatin1Char('\\') +
         ShownQName(catalog.RecordName(record), catalog.ExactName(record));
}

std::string TypedCp932Upper(const QString& typed) {
  const std::optional<Cp932> held = text::Utf8ToCp932Exact(typed.toStdString());
  return held ? text::AnsiUpper(*held) : std::string();
}

bool NameBeginsWith(const TRecord& row, const QString& typed, const std::string& typedCp932Upper) {
  if (row.ExactName.empty())
    return !typedCp932Upper.empty() &&
           text::AnsiUpper(row.Name).compare(0, typedCp932Upper.size(), typedCp932Upper) == 0;
  if (text::NativeNameToQString(row.ExactName).startsWith(typed, Qt::CaseInsensitive)) return true;
  // Typed without the accents, the name is found where the list sorts it.
  return !typedCp932Upper.empty() && typedCp932Upper.find('?') == std::string::npos &&
         text::AnsiUpper(NameOrderKey(row.Name, row.ExactName))
                 .compare(0, typedCp932Upper.size(), typedCp932Upper) == 0;
}

}  // namespace plomix
