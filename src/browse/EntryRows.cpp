#include "browse/EntryRows.h"

#include "analysis/ResultStore.h"
#include "browse/FolderChildren.h"
#include "core/Catalog.h"
#include "core/Format.h"
#include "core/TypeNames.h"

namespace plomix {

namespace {

TRecord MediaRow(const Catalog& catalog, int slot) {
  const TMediaSlot& s = catalog.Slot(slot);
  TRecord row = s.Root().ToRecord();
  row.Key = MakeKey(slot, 0);
  row.Name = s.Name();
  return row;
}

}  // namespace

EntryRows BuildEntryRows(Catalog& catalog, int32_t key) {
  EntryRows out;
  out.shown.key = key;
  if (!IsEntryKey(key)) {
    out.shown.kind = ShownKind::Catalogue;
    for (int slot = 0; slot < kMaxMedia; ++slot) {
      const TMediaSlot& s = catalog.Slot(slot);
      if (s.IsNeverUsed()) break;
      if (!s.IsLive() || !catalog.MatchesCategoryFilter(slot)) continue;
      out.rows.push_back(MediaRow(catalog, slot));
    }
    return out;
  }
  const int slot = SlotOfKey(key);
  const int record = RecordOfKey(key);
  out.shown.kind = record == 0 ? ShownKind::Media : ShownKind::Folder;
  if (slot >= kMaxMedia || !catalog.Slot(slot).IsLive() || !catalog.LoadMedia(slot) ||
      record >= catalog.LoadedCount()) {
    out.shown.valid = false;
    return out;
  }
  catalog.FetchMediaFacts(key);
  out.shown.facts = catalog.ShownMedia();
  out.shown.mediaRoot = MediaRow(catalog, slot);
  if (record == 0) {
    out.shown.record = out.shown.mediaRoot;
    out.shown.path = out.shown.mediaRoot.Name;
  } else {
    out.shown.record = catalog.LoadedRec(record).ToRecord();
    out.shown.record.Key = key;
    out.shown.record.Name = catalog.RecordName(record);
    out.shown.record.ExactName = catalog.ExactName(record);
    out.shown.path = catalog.BuildRecordPath(slot, record) + "\\" + out.shown.record.Name;
  }
  ForEachChild(catalog, record, [&](int32_t r) {
    if (static_cast<int>(out.rows.size()) >= kMaxListRows) {
      out.truncated = true;
      return false;
    }
    TRecord row = catalog.LoadedRec(r).ToRecord();
    row.Key = MakeKey(slot, r);
    row.Name = catalog.RecordName(r);
    row.ExactName = catalog.ExactName(r);
    out.rows.push_back(std::move(row));
    return true;
  });
  return out;
}

void FillRowTexts(Catalog& catalog, TypeNames& typeNames, const RowTextOptions& options,
                  std::span<TRecord> rows) {
  for (TRecord& row : rows) {
    row.Texts.assign(kDataColumns, std::string());
    row.Texts[0] = row.Name;
    row.Texts[1] = row.Kind == kKindFile ? std::string("1") : FormatNumber(row.AllFiles);
    row.Texts[2] = FormatNumber(row.Size);
    row.Texts[3] = typeNames.TypeName(row.Kind, row.Name);
    row.Texts[4] =
        row.FileDate == 0 ? std::string() : FormatDateTime(options.dateFormat, row.FileDate);
    row.Texts[5] = FormatNumber(row.Allocated);
    row.Texts[6] = FormatNumber(row.Allocated - row.Size);
    if (options.mediaList) {
      const int slot = SlotOfKey(row.Key);
      if (IsEntryKey(row.Key) && slot < kMaxMedia && catalog.Slot(slot).IsLive())
        row.Texts[7] = FormatNumber(catalog.Slot(slot).Info().FreeSpace);
    } else {
      row.Texts[7] = row.Version;
    }
    row.Texts[8] = row.CommentNo >= 0 ? catalog.CommentText(row.CommentNo) : std::string();
    row.MarkImage = row.Mark == 1 ? 0 : -1;
    row.Highlight =
        options.dupStore != nullptr && row.Kind == kKindFile
            ? options.dupStore->DupGroupSizeOfName(
                  row.Name,
                  row.ExactName.empty() ? std::string() : text::NativeNameToUtf8(row.ExactName))
            : 0;
  }
}

Cp932 RowFullPath(const ShownEntry& shown, const TRecord& row) {
  if (shown.kind == ShownKind::Catalogue) return row.Name;
  return shown.path + "\\" + row.Name;
}

}  // namespace plomix
