// Catalogue commands: create, info, media, compact, rename, delete.

#include <filesystem>
#include <optional>
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
  if (!catalog.CreateCatalog(path)) throw CatalogError(catalog.LastFailure());
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
    // The media's own texts as the user gave them.
    const auto shown = [&](SlotText field) { return catalog.ExactSlotText(s, field); };
    if (ctx.json) {
      array.append(QJsonObject{{"slot", s},
                               {"name", QString::fromStdString(shown(SlotText::Name))},
                               {"kind", text::Cp932ToQString(slot.KindName())},
                               {"category", QString::fromStdString(shown(SlotText::Category))},
                               {"location", QString::fromStdString(shown(SlotText::Location))},
                               {"detail", QString::fromStdString(shown(SlotText::LocationDetail))},
                               {"drive", text::Cp932ToQString(slot.Drive())},
                               {"files", root.AllFiles()},
                               {"folders", double(MediaFolderCount(catalog, s))},
                               {"size", root.Size()},
                               {"readDate", IsoDateTime(root.FileDate())},
                               {"readDateText", QString::fromStdString(readDate)}});
    } else {
      rows.push_back({std::to_string(s), shown(SlotText::Name), text::Cp932ToUtf8(slot.KindName()),
                      shown(SlotText::Category), shown(SlotText::Location),
                      shown(SlotText::LocationDetail), text::Cp932ToUtf8(slot.Drive()),
                      std::to_string(root.AllFiles()), std::to_string(MediaFolderCount(catalog, s)),
                      readDate});
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
  if (deleted > 0) BeforeMediaChange(ctx, catalog);
  const CompactResult result = catalog.CompactCatalog();
  if (result == CompactResult::CopyFailed) throw CatalogError(catalog.LastFailure());
  const bool done = result == CompactResult::Done;
  if (done) AfterMediaChange(ctx, catalog);
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

// The media a changing command acts on: the one live media of a name, or
// with --slot the media in that slot, which with --expect must have that
// name. The catalogue checks it again under its lock, in the transaction of
// the change, so a media that another program moved meanwhile (a compaction
// renumbers slots) is never the one changed.
struct Target {
  int slot = -1;  // -1: looked up by name
  std::optional<MediaIdentity> expect;
  std::size_t nextArg = 1;  // the positional argument after the media
  const MediaIdentity* Expect() const { return expect ? &*expect : nullptr; }
};

Target TargetOf(const Context& ctx, const Catalog& catalog) {
  Target target;
  if (!ctx.args.Has("--slot")) {
    if (ctx.args.Has("--expect")) throw CliError("--expect goes with --slot");
    target.expect = MediaIdentity{text::Utf8ToCp932(ctx.args.Positional(1, "NAME")), {}, {}};
    target.nextArg = 2;
    return target;
  }
  const std::string text = ctx.args.Value("--slot");
  target.slot = ParseInt(text, "slot");
  if (target.slot < 0 || target.slot >= kMaxMedia || !catalog.Slot(target.slot).IsLive())
    throw CliError("slot " + text + " holds no media");
  if (ctx.args.Has("--expect"))
    target.expect = MediaIdentity{text::Utf8ToCp932(ctx.args.Value("--expect")), {}, {}};
  return target;
}

// Runs a change on the target; a media that is not where it was meant to be
// becomes a CliError that says what is there now.
template <typename Change>
auto ChangeTarget(Catalog& catalog, const Target& target, Change change) {
  try {
    return change();
  } catch (const MediaMismatch& e) {
    // The refused change left the catalogue as it is on disk now.
    const std::string name = text::Cp932ToUtf8(target.expect->name);
    switch (e.reason()) {
      case MediaMismatch::Reason::NoneNamed:
        throw CliError("no media named \"" + name + "\"");
      case MediaMismatch::Reason::SeveralNamed: {
        std::string slots;
        for (int s = 0; s < catalog.SlotsUsed(); ++s)
          if (catalog.Slot(s).IsLive() && catalog.Slot(s).Name() == target.expect->name)
            slots += (slots.empty() ? "" : ", ") + std::to_string(s);
        throw CliError("several media are named \"" + name + "\" (slots " + slots +
                       "); choose one with --slot N --expect NAME");
      }
      case MediaMismatch::Reason::Differs:
        break;
    }
    const TMediaSlot& now = catalog.Slot(e.slot());
    throw CliError("slot " + std::to_string(e.slot()) + " holds " +
                   (now.IsLive() ? "\"" + text::Cp932ToUtf8(now.Name()) + "\"" : "no media") +
                   ", not \"" + name + "\"; nothing was changed");
  }
}

int Rename(Context& ctx) {
  Catalog catalog;
  OpenCatalogOrThrow(catalog, ctx.args.Positional(0, "PATH"));
  const Target target = TargetOf(ctx, catalog);
  if (ctx.args.positional.size() > target.nextArg + 1)
    throw CliError("give the media either by NAME or by --slot");
  // The name is kept as given; its CP932 form (what names are told apart by)
  // has '?' for what CP932 lacks. A name too long for the slot is cut after
  // a whole character, and the user is told.
  const FittedText fitted =
      FitToField(ctx.args.Positional(target.nextArg, "NEWNAME"), TMediaSlot::kNameCap);
  const std::string& name = fitted.cp932;
  if (name.empty()) throw CliError("the new name is empty");
  if (fitted.cut)
    ctx.err << "plomix2-cli rename: the name is longer than a media name can be; it is cut to \""
            << fitted.utf8 << "\"\n";
  const auto taken = [&] {
    return CliError("a media named \"" + text::Cp932ToUtf8(StoredMediaName(name)) + "\" exists");
  };
  if (!catalog.IsMediaNameFree(name)) throw taken();
  if (ChangeTarget(catalog, target, [&] {
        return catalog.RenameMediaText(target.slot, fitted.utf8, target.Expect());
      }) == 0)
    throw taken();
  // The new name is the media's alone now.
  const int slot = catalog.FindMediaByName(name).value_or(target.slot);
  const std::string shown = catalog.ExactSlotText(slot, SlotText::Name);
  if (ctx.json)
    PrintJson(ctx.out, QJsonObject{{"slot", slot}, {"name", QString::fromStdString(shown)}});
  else
    ctx.out << "renamed media " << slot << " to " << shown << '\n';
  return 0;
}

int Delete(Context& ctx) {
  Catalog catalog;
  OpenCatalogOrThrow(catalog, ctx.args.Positional(0, "PATH"));
  const Target target = TargetOf(ctx, catalog);
  if (ctx.args.positional.size() > target.nextArg)
    throw CliError("give the media either by NAME or by --slot");
  // The name in the slot: the one given, or (--slot alone) the one read, which
  // the slot must still hold when the change is made.
  const std::string name =
      target.expect ? StoredMediaName(target.expect->name) : catalog.Slot(target.slot).Name();
  BeforeMediaChange(ctx, catalog);
  const int slot = ChangeTarget(catalog, target,
                                [&] { return catalog.DeleteMedia(target.slot, target.Expect()); });
  AfterMediaChange(ctx, catalog);
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
  table.push_back({"compact",
                   "compact PATH [--analyse]",
                   "squeeze deleted media out of the catalogue (the stored duplicate and "
                   "similar-name results are removed, or made anew with --analyse)",
                   {},
                   {"--analyse"},
                   Compact});
  table.push_back({"rename",
                   "rename PATH (NAME | --slot N [--expect NAME]) NEWNAME",
                   "rename a media, given by its name or by its slot",
                   {"--slot", "--expect"},
                   {},
                   Rename});
  table.push_back({"delete",
                   "delete PATH (NAME | --slot N [--expect NAME]) [--analyse]",
                   "delete a media, given by its name or by its slot (the stored duplicate and "
                   "similar-name results are removed, or made anew with --analyse)",
                   {"--slot", "--expect"},
                   {"--analyse"},
                   Delete});
}

}  // namespace plomix::cli
