// Catalogue commands: create, info, media, compact, rename, delete.

#include <filesystem>
#include <ostream>

#include "cli/CliCommon.h"
#include "core/Catalog.h"
#include "core/FolderCounts.h"
#include "core/Format.h"
#include "core/Text.h"

namespace plomix::cli {

namespace {

int Create(Context& ctx) {
  const std::string path = ApplyCatalogExtension(ctx.args.Positional(0, "PATH"));
  if (std::filesystem::exists(path) && !ctx.args.Has("--overwrite"))
    throw CliError("\"" + path + "\" exists (add --overwrite to replace it)");
  Catalog catalog;
  if (!catalog.CreateCatalog(path)) throw CliError(catalog.LastError());
  if (ctx.json) {
    PrintJson(ctx.out, QJsonObject{{"path", QString::fromStdString(path)},
                                   {"size", static_cast<double>(catalog.CatalogFileSize())}});
  } else {
    ctx.out << "created " << path << '\n';
  }
  return 0;
}

int Info(Context& ctx) {
  Catalog catalog;
  OpenCatalogOrThrow(catalog, ctx.args.Positional(0, "PATH"));
  int comments = 0;
  for (int i = 0; i < kMaxComments; ++i)
    if (!catalog.CommentSlot(i).IsFree()) ++comments;
  const int deleted = catalog.SlotsUsed() - catalog.MediaCount();
  if (ctx.json) {
    PrintJson(ctx.out, QJsonObject{{"path", QString::fromStdString(catalog.CatalogPath())},
                                   {"size", static_cast<double>(catalog.CatalogFileSize())},
                                   {"slotsUsed", catalog.SlotsUsed()},
                                   {"liveMedia", catalog.MediaCount()},
                                   {"deletedMedia", deleted},
                                   {"commentsUsed", comments},
                                   {"longNames", catalog.LongNameEntries()},
                                   {"totalFiles", static_cast<qint64>(catalog.TotalFiles())},
                                   {"totalFolders", double(TotalFolderCount(catalog))}});
    return 0;
  }
  ctx.out << "catalogue:      " << catalog.CatalogPath() << '\n'
          << "file size:      " << FormatNumber(static_cast<double>(catalog.CatalogFileSize()))
          << " Byte\n"
          << "slots used:     " << catalog.SlotsUsed() << " / " << kMaxMedia << '\n'
          << "live media:     " << catalog.MediaCount() << '\n'
          << "deleted media:  " << deleted << '\n'
          << "comments used:  " << comments << " / " << kMaxComments << '\n'
          << "long names:     " << catalog.LongNameEntries() << '\n'
          << "files:          " << catalog.TotalFiles() << '\n'
          << "folders:        " << TotalFolderCount(catalog) << '\n';
  return 0;
}

int Media(Context& ctx) {
  Catalog catalog;
  OpenCatalogOrThrow(catalog, ctx.args.Positional(0, "PATH"));
  QJsonArray array;
  std::vector<std::vector<std::string>> rows;
  for (int s = 0; s < catalog.SlotsUsed(); ++s) {
    const TMediaSlot& slot = catalog.Slot(s);
    if (!slot.IsLive()) continue;
    const TFileRec root = slot.Root();
    const std::string readDate =
        text::Cp932ToUtf8(FormatDateTime("yyyy/mm/dd hh:nn:ss", root.FileDate()));
    if (ctx.json) {
      array.append(QJsonObject{{"slot", s},
                               {"name", text::Cp932ToQString(slot.Name())},
                               {"kind", text::Cp932ToQString(slot.KindName())},
                               {"category", text::Cp932ToQString(slot.Category())},
                               {"location", text::Cp932ToQString(slot.Location())},
                               {"detail", text::Cp932ToQString(slot.LocationDetail())},
                               {"drive", text::Cp932ToQString(slot.Drive())},
                               {"files", root.AllFiles()},
                               {"folders", double(MediaFolderCount(catalog, s))},
                               {"size", root.Size()},
                               {"readDate", IsoDateTime(root.FileDate())},
                               {"readDateText", QString::fromStdString(readDate)}});
    } else {
      rows.push_back({std::to_string(s), text::Cp932ToUtf8(slot.Name()),
                      text::Cp932ToUtf8(slot.KindName()), text::Cp932ToUtf8(slot.Category()),
                      text::Cp932ToUtf8(slot.Location()), text::Cp932ToUtf8(slot.LocationDetail()),
                      text::Cp932ToUtf8(slot.Drive()), std::to_string(root.AllFiles()),
                      std::to_string(MediaFolderCount(catalog, s)), readDate});
    }
  }
  if (ctx.json)
    PrintJson(ctx.out, array);
  else
    PrintTable(ctx, rows);
  return 0;
}

int Compact(Context& ctx) {
  Catalog catalog;
  OpenCatalogOrThrow(catalog, ctx.args.Positional(0, "PATH"));
  const int deleted = catalog.SlotsUsed() - catalog.MediaCount();
  const CompactResult result = catalog.CompactCatalog();
  if (result == CompactResult::CopyFailed) throw CliError(catalog.LastError());
  const bool done = result == CompactResult::Done;
  if (ctx.json) {
    PrintJson(ctx.out, QJsonObject{{"compacted", done},
                                   {"removedMedia", done ? deleted : 0},
                                   {"size", static_cast<double>(catalog.CatalogFileSize())}});
  } else if (done) {
    ctx.out << "removed " << deleted << " deleted media; file size "
            << FormatNumber(static_cast<double>(catalog.CatalogFileSize())) << " Byte\n";
  } else {
    ctx.out << "nothing to compact\n";
  }
  return 0;
}

int LiveSlotArg(const Catalog& catalog, const std::string& text) {
  const int slot = ParseInt(text, "slot");
  if (slot < 0 || slot >= kMaxMedia || !catalog.Slot(slot).IsLive())
    throw CliError("slot " + text + " holds no media");
  return slot;
}

int Rename(Context& ctx) {
  Catalog catalog;
  OpenCatalogOrThrow(catalog, ctx.args.Positional(0, "PATH"));
  const int slot = LiveSlotArg(catalog, ctx.args.Positional(1, "SLOT"));
  const std::string name = text::Utf8ToCp932(ctx.args.Positional(2, "NAME"));
  if (name.empty()) throw CliError("the new name is empty");
  if (!catalog.IsMediaNameFree(name))
    throw CliError("a media named \"" + text::Cp932ToUtf8(name) + "\" exists");
  catalog.RenameMedia(slot, name);
  if (ctx.json)
    PrintJson(ctx.out, QJsonObject{{"slot", slot},
                                   {"name", text::Cp932ToQString(catalog.Slot(slot).Name())}});
  else
    ctx.out << "renamed media " << slot << " to " << text::Cp932ToUtf8(catalog.Slot(slot).Name())
            << '\n';
  return 0;
}

int Delete(Context& ctx) {
  Catalog catalog;
  OpenCatalogOrThrow(catalog, ctx.args.Positional(0, "PATH"));
  const int slot = LiveSlotArg(catalog, ctx.args.Positional(1, "SLOT"));
  const std::string name = catalog.Slot(slot).Name();
  catalog.DeleteMedia(slot);
  if (ctx.json)
    PrintJson(ctx.out, QJsonObject{{"slot", slot}, {"deleted", text::Cp932ToQString(name)}});
  else
    ctx.out << "deleted media " << slot << " (" << text::Cp932ToUtf8(name) << ")\n";
  return 0;
}

}  // namespace

void RegisterCoreCommands(CommandTable& table) {
  table.push_back({"create",
                   "create PATH [--overwrite]",
                   "create an empty catalogue (\".qdb\" is appended unless the path has it)",
                   {},
                   {"--overwrite"},
                   Create});
  table.push_back(
      {"info", "info PATH", "slots, media, comments and long names of a catalogue", {}, {}, Info});
  table.push_back({"media",
                   "media PATH",
                   "one line per media: slot, name, kind, category, location, detail, drive, "
                   "files, folders, read date",
                   {},
                   {},
                   Media,
                   {"slot", "name", "kind", "category", "location", "detail", "drive", "files",
                    "folders", "readDate"}});
  table.push_back(
      {"compact", "compact PATH", "squeeze deleted media out of the catalogue", {}, {}, Compact});
  table.push_back(
      {"rename", "rename PATH SLOT NAME", "rename the media in a slot", {}, {}, Rename});
  table.push_back({"delete", "delete PATH SLOT", "delete the media in a slot", {}, {}, Delete});
}

}  // namespace plomix::cli
