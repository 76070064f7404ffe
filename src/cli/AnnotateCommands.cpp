// Annotating a catalogue from the command line, with the window's rules:
// comment, mark, set.

#include <ostream>

#include "cli/CliCommon.h"
#include "core/Catalog.h"
#include "core/Text.h"
#include "organise/Comments.h"
#include "organise/DivList.h"

namespace plomix::cli {

namespace {

// Every text these commands store goes through one of the functions below:
// UTF-8 as typed, cut to its field (counted in code page 932 bytes) after a
// whole character with a message on stderr. The catalogue keeps what code
// page 932 cannot hold exactly.
std::string CutWithMessage(Context& ctx, const std::string& utf8, std::size_t cap,
                           const char* what) {
  const FittedText fitted = FitToField(utf8, cap);
  if (fitted.cut)
    ctx.err << "plomix2-cli " << ctx.command->name << ": the " << what << " is longer than " << cap
            << " bytes in code page 932; it was cut to \"" << fitted.utf8 << "\"\n";
  return fitted.utf8;
}

// A comment: line breaks stored as CR LF, as the window stores them.
std::string CommentToStore(Context& ctx, const std::string& utf8) {
  return CutWithMessage(ctx, CommentLinesFromEditor(utf8), kCommentTextCap, "comment");
}

// A category, location or storage detail of a media slot.
std::string SlotTextToStore(Context& ctx, const std::string& utf8, std::size_t cap,
                            const char* what) {
  return CutWithMessage(ctx, utf8, cap, what);
}

// A media name.
std::string MediaNameToStore(Context& ctx, const std::string& utf8) {
  return CutWithMessage(ctx, utf8, TMediaSlot::kNameCap, "name");
}

std::string CommentForOutput(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i)
    if (!(utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n')) out += utf8[i];
  return out;
}

// The entry a path names, as a list row the comment functions take.
TRecord EntryRow(Catalog& catalog, const std::string& utf8Path) {
  const MediaPath path = ResolveOrThrow(catalog, utf8Path, PathEnd::AnyEntry);
  const int32_t r = path.Record();
  const TFileRec& rec = catalog.LoadedRec(r);
  TRecord row = rec.ToRecord();
  row.Key = MakeKey(path.slot, r);
  row.Name = catalog.RecordName(r);
  return row;
}

// A comment link is the entry's only while its slot points back to it.
std::string CommentOf(const Catalog& catalog, const TRecord& row) {
  if (row.CommentNo < 0 || row.CommentNo >= kMaxComments ||
      catalog.CommentSlot(row.CommentNo).Key() != row.Key)
    return {};
  return catalog.ExactCommentText(row.CommentNo);
}

int CommentCommand(Context& ctx) {
  Catalog catalog;
  OpenCatalogOrThrow(catalog, ctx.args.Positional(0, "CATALOG"));
  const std::string path = ctx.args.Positional(1, "PATH");
  if (ctx.args.positional.size() > 3)
    throw CliError("unexpected argument \"" + ctx.args.positional[3] + "\"");
  const bool remove = ctx.args.Has("--delete");
  const bool write = ctx.args.positional.size() > 2;
  if (remove && write) throw CliError("give either TEXT or --delete");
  TRecord row = EntryRow(catalog, path);
  if (write || remove) {
    std::string stored;
    if (write) {
      if (ctx.args.positional[2].empty())
        throw CliError("the comment is empty (--delete removes a comment)");
      stored = CommentToStore(ctx, ctx.args.positional[2]);
    }
    const CommentWrite result = WriteEntryCommentText(catalog, row, stored);
    if (result == CommentWrite::TableFull)
      throw CliError("the catalogue holds " + std::to_string(kMaxComments) +
                     " comments, no more; the comment was not stored");
  }
  const std::string comment = CommentForOutput(CommentOf(catalog, row));
  if (ctx.json)
    PrintJson(ctx.out, QJsonObject{{"path", QString::fromStdString(path)},
                                   {"comment", QString::fromStdString(comment)},
                                   {"marked", row.Mark == 1}});
  else if (!write && !remove)
    ctx.out << comment << (comment.empty() ? "" : "\n");
  return 0;
}

int MarkCommand(Context& ctx) {
  Catalog catalog;
  OpenCatalogOrThrow(catalog, ctx.args.Positional(0, "CATALOG"));
  const std::string path = ctx.args.Positional(1, "PATH");
  if (ctx.args.positional.size() > 2)
    throw CliError("unexpected argument \"" + ctx.args.positional[2] + "\"");
  const TRecord row = EntryRow(catalog, path);
  const int mark = catalog.SetMark(
      ctx.args.Has("--off") ? Catalog::MarkChange::Clear : Catalog::MarkChange::Set, row.Key);
  if (mark < 0) throw CatalogError(catalog.LastFailure());
  if (ctx.json)
    PrintJson(ctx.out, QJsonObject{{"path", QString::fromStdString(path)}, {"marked", mark == 1}});
  return 0;
}

// The window offers neither name as a category or location of its own: they
// are the names of its "all" tab and of the default.
void CheckDivisionName(const std::string& utf8, const char* what) {
  if (utf8.empty()) throw CliError(std::string("the ") + what + " is empty");
  if (utf8 == "すべて" || utf8 == "デフォルト")
    throw CliError(utf8 + " cannot be used as a " + what);
}

int SetCommand(Context& ctx) {
  Catalog catalog;
  OpenCatalogOrThrow(catalog, ctx.args.Positional(0, "CATALOG"));
  const std::string media = ctx.args.Positional(1, "MEDIA");
  if (ctx.args.positional.size() > 2)
    throw CliError("unexpected argument \"" + ctx.args.positional[2] + "\"");
  const bool any = ctx.args.Has("--category") || ctx.args.Has("--location") ||
                   ctx.args.Has("--detail") || ctx.args.Has("--name");
  if (!any) throw CliError("nothing to set (--category, --location, --detail or --name)");
  int slot = MediaOrThrow(catalog, media);
  const std::string mediaName = catalog.Slot(slot).Name();
  std::string slots;
  for (int s = 0; s < catalog.SlotsUsed(); ++s)
    if (catalog.Slot(s).IsLive() && catalog.Slot(s).Name() == mediaName)
      slots += (slots.empty() ? "" : ", ") + std::to_string(s);
  if (slots.find(',') != std::string::npos)
    throw CliError("several media are named \"" + media + "\" (slots " + slots +
                   "); rename one first (plomix2-cli rename --slot N)");
  // Everything is checked before anything is written.
  std::string category, location, detail, name;
  if (ctx.args.Has("--category")) {
    CheckDivisionName(ctx.args.Value("--category"), "category");
    category =
        SlotTextToStore(ctx, ctx.args.Value("--category"), TMediaSlot::kCategoryCap, "category");
  }
  if (ctx.args.Has("--location")) {
    CheckDivisionName(ctx.args.Value("--location"), "location");
    location =
        SlotTextToStore(ctx, ctx.args.Value("--location"), TMediaSlot::kLocationCap, "location");
  }
  if (ctx.args.Has("--detail"))
    detail = SlotTextToStore(ctx, ctx.args.Value("--detail"), TMediaSlot::kLocationDetailCap,
                             "storage detail");
  if (ctx.args.Has("--name")) {
    name = MediaNameToStore(ctx, ctx.args.Value("--name"));
    if (name.empty()) throw CliError("the new name is empty");
    const std::string stored = text::Utf8ToCp932(name);
    if (stored != mediaName && !catalog.IsMediaNameFree(stored))
      throw CliError("a media named \"" + name + "\" exists");
  }
  // The media as it was found: a change is refused when another program put
  // another media in its slot meanwhile.
  const MediaIdentity identity = catalog.IdentityOf(slot);
  if (!name.empty() && name != catalog.ExactSlotText(slot, SlotText::Name)) {
    try {
      if (catalog.RenameMediaText(slot, name, &identity) == 0)
        throw CliError("a media named \"" + name + "\" exists");
    } catch (const MediaMismatch&) {
      throw CliError("the media \"" + media + "\" was changed by another program; nothing was " +
                     "changed");
    }
    slot = catalog.FindMediaByName(text::Utf8ToCp932(name)).value_or(slot);
  }
  if (ctx.args.Has("--category")) catalog.SetSlotText(slot, SlotText::Category, category);
  if (ctx.args.Has("--location")) catalog.SetSlotText(slot, SlotText::Location, location);
  if (ctx.args.Has("--detail")) catalog.SetSlotText(slot, SlotText::LocationDetail, detail);
  catalog.WriteSlotTable();
  const auto Exact = [&](SlotText field) {
    return QString::fromStdString(catalog.ExactSlotText(slot, field));
  };
  if (ctx.json)
    PrintJson(ctx.out, QJsonObject{{"slot", slot},
                                   {"name", Exact(SlotText::Name)},
                                   {"category", Exact(SlotText::Category)},
                                   {"location", Exact(SlotText::Location)},
                                   {"detail", Exact(SlotText::LocationDetail)}});
  return 0;
}

}  // namespace

void RegisterAnnotateCommands(CommandTable& table) {
  table.push_back({"comment",
                   "comment CATALOG PATH [TEXT | --delete]",
                   "print, write or remove the comment of an entry or media given as "
                   "MEDIA[\\FOLDER...\\NAME] (at most 255 bytes in code page 932; a longer text "
                   "is cut, said on standard error)",
                   {},
                   {"--delete"},
                   CommentCommand});
  table.push_back({"mark",
                   "mark CATALOG PATH [--off]",
                   "mark an entry or media given as MEDIA[\\FOLDER...\\NAME], or take its mark off",
                   {},
                   {"--off"},
                   MarkCommand});
  table.push_back({"set",
                   "set CATALOG MEDIA [--category C] [--location L] [--detail D] [--name N]",
                   "set a media's category, storage location, storage detail or name (texts "
                   "longer than their field are cut, said on standard error)",
                   {"--category", "--location", "--detail", "--name"},
                   {},
                   SetCommand});
}

}  // namespace plomix::cli
