// Exchange commands: import and export of ncdu listings.

#include <unistd.h>

#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>
#include <cstdlib>
#include <iostream>

#include "browse/TreeDiff.h"
#include "cli/CliCommon.h"
#include "core/Catalog.h"
#include "core/FolderCounts.h"
#include "core/Format.h"
#include "core/Text.h"
#include "exchange/ByteInput.h"
#include "exchange/NcduExport.h"
#include "exchange/NcduImport.h"

namespace plomix::cli {

namespace {

// An import that stored the media but met entries that could not be read.
constexpr int kPartialImportStatus = 3;

// At most `cap` CP932 bytes, as the read dialog's boxes take them.
std::string FilingValue(const Context& ctx, const char* option, std::size_t cap) {
  std::string cp932 = text::Utf8ToCp932(ctx.args.Value(option));
  if (cp932.size() > cap)
    throw CliError(std::string(option) + " takes at most " + std::to_string(cap) +
                   " bytes in Shift_JIS (\"" + ctx.args.Value(option) + "\" has " +
                   std::to_string(cp932.size()) + ")");
  return cp932;
}

// import --update MEDIA: the listing replaces the media's entries in its own
// slot, carrying over comments and marks of the entries still there.
int UpdateFromImport(Context& ctx, Catalog& catalog, exchange::NcduImport& import, int slot,
                     const std::string& source) {
  // An entry left out of the listing would take its comment with it.
  if (import.UnreadableCount() > 0)
    throw CliError(source + ": " + std::to_string(import.UnreadableCount()) +
                   " entries were excluded or unreadable when the listing was made; an update "
                   "would drop their comments, so nothing was changed");
  const MediaIdentity expect = catalog.IdentityOf(slot);
  DiffReport changes = CompareWithSource(catalog, slot, import);
  BeforeMediaChange(ctx, catalog);
  std::optional<UpdateOutcome> outcome;
  try {
    outcome = catalog.UpdateMedia(slot, expect, import, import.CurrentMedia());
  } catch (const MediaMismatch&) {
    throw CliError("the media was changed by another program; nothing was changed");
  }
  if (!outcome) throw CliError(source + ": the listing holds no entry; nothing was changed");
  changes.lostComments = outcome->lostComments;
  outcome->changes = std::move(changes);
  AfterMediaChange(ctx, catalog);
  if (ctx.json) {
    ctx.out << DiffReportJson(outcome->changes, true) << '\n';
  } else {
    const TMediaSlot& s = catalog.Slot(slot);
    ctx.out << "updated slot " << slot << " \"" << text::Cp932ToUtf8(s.Name()) << "\" from "
            << source << ": " << MediaFolderCount(catalog, slot) << " folders, "
            << s.Root().AllFiles() << " files, " << FormatNumber(s.Root().Size()) << " Byte\n";
  }
  ReportUpdate(ctx, *outcome);
  return 0;
}

int ImportCommand(Context& ctx) {
  Catalog catalog;
  OpenCatalogOrThrow(catalog, ctx.args.Positional(0, "CATALOG"));
  const std::string file = ctx.args.Positional(1, "FILE");
  exchange::ImportRequest request;
  request.category = FilingValue(ctx, "--category", TMediaSlot::kCategoryCap);
  request.location = FilingValue(ctx, "--location", TMediaSlot::kLocationCap);
  request.locationDetail = FilingValue(ctx, "--detail", TMediaSlot::kLocationDetailCap);
  if (ctx.args.Has("--name")) request.mediaName = text::Utf8ToCp932(ctx.args.Value("--name"));
  const bool replace = ctx.args.Has("--replace");
  const bool update = ctx.args.Has("--update");
  if (update) {
    // The media keeps its name and filing, as a read again does.
    for (const char* option : {"--replace", "--name", "--category", "--location", "--detail"})
      if (ctx.args.Has(option)) throw CliError(std::string(option) + " does not go with --update");
  } else if (!catalog.HasFreeSlot()) {
    throw CliError("the catalogue holds the maximum number of media");
  }
  const int updateSlot = update ? MediaOrThrow(catalog, ctx.args.Value("--update")) : -1;
  if (update) request.mediaName = catalog.Slot(updateSlot).Name();

  exchange::NcduImport import;
  // Tests show what a listing beyond the limit does without millions of entries.
  if (const char* limit = std::getenv("PLOMIX_TEST_RECORD_LIMIT"))
    import.SetRecordLimit(std::clamp(std::atoi(limit), 2, kMaxRecords));
  const std::string source = file == "-" ? std::string("standard input") : file;
  try {
    const std::unique_ptr<exchange::ByteInput> input = exchange::ByteInput::Open(file);
    import.Read(*input);
  } catch (const exchange::ImportError& error) {
    throw CliError(source + ": " + error.what() + "; nothing was stored");
  } catch (const exchange::ExchangeError& error) {
    throw CliError(std::string(error.what()) + "; nothing was stored");
  }
  if (!import.Prepare(request))
    throw CliError(source + ": the listing's top folder holds no entry; nothing was stored");
  if (update) return UpdateFromImport(ctx, catalog, import, updateSlot, source);
  const std::string name =
      request.mediaName.empty() ? import.DefaultMediaName() : request.mediaName;
  const bool exists = catalog.FindMediaByName(name).has_value();
  if (exists && !replace)
    throw CliError("a media named \"" + text::Cp932ToUtf8(name) +
                   "\" exists (add --replace to replace it)");
  BeforeMediaChange(ctx, catalog);
  const std::optional<int> stored =
      catalog.StoreMedia(import, import.CurrentMedia(), exists && replace);
  if (!stored) throw CliError("the catalogue has no room for the media; nothing was stored");
  const int slot = *stored;
  AfterMediaChange(ctx, catalog);
  const TMediaSlot& s = catalog.Slot(slot);
  const TFileRec root = s.Root();
  const int64_t folders = MediaFolderCount(catalog, slot);
  const int64_t unreadable = import.UnreadableCount();
  if (ctx.json) {
    QJsonArray unreadablePaths;
    for (const std::string& p : import.UnreadablePaths())
      unreadablePaths.append(text::NativeNameToQString(p));
    PrintJson(ctx.out, QJsonObject{{"slot", slot},
                                   {"name", text::Cp932ToQString(s.Name())},
                                   {"kind", text::Cp932ToQString(s.KindName())},
                                   {"files", root.AllFiles()},
                                   {"folders", static_cast<double>(folders)},
                                   {"size", root.Size()},
                                   {"allocated", root.Allocated()},
                                   {"records", s.Count()},
                                   {"replaced", exists && replace},
                                   {"unreadable", static_cast<double>(unreadable)},
                                   {"unreadablePaths", unreadablePaths}});
  } else {
    ctx.out << "imported " << source << " into slot " << slot << " \""
            << text::Cp932ToUtf8(s.Name()) << "\": " << folders << " folders, " << root.AllFiles()
            << " files, " << FormatNumber(root.Size()) << " Byte\n";
  }
  if (unreadable == 0) return 0;
  ctx.err << "plomix2-cli import: " << unreadable
          << (unreadable == 1 ? " entry was" : " entries were")
          << " excluded or could not be read when the listing was made (the media holds "
             "everything else):\n";
  for (const std::string& p : import.UnreadablePaths())
    ctx.err << "  " << text::NativeNameToUtf8(p) << '\n';
  if (unreadable > static_cast<int64_t>(import.UnreadablePaths().size())) ctx.err << "  ...\n";
  return kPartialImportStatus;
}

int ExportNcduCommand(Context& ctx) {
  Catalog catalog;
  OpenCatalogOrThrow(catalog, ctx.args.Positional(0, "CATALOG"));
  const MediaPath where = ResolveOrThrow(catalog, ctx.args.Positional(1, "MEDIA"), PathEnd::Folder);
  const std::string file = ctx.args.Value("-o");
  try {
    if (file.empty() || file == "-") {
      std::cout.flush();
      exchange::ExportNcdu(catalog, where.slot, where.Record(), STDOUT_FILENO, "standard output");
    } else {
      exchange::ExportNcduToFile(catalog, where.slot, where.Record(), file);
    }
  } catch (const exchange::ExchangeError& error) {
    throw CliError(error.what());
  }
  return 0;
}

}  // namespace

void RegisterExchangeCommands(CommandTable& table) {
  table.push_back(
      {"import",
       "import CATALOG FILE [--name N] [--category C] [--location L] [--detail D] [--replace | "
       "--update MEDIA]",
       "add a media from an ncdu listing (ncdu -o FILE; FILE - is standard input; gzip or zstd "
       "packed listings are taken too): its top folder becomes the media; exit status 3 when "
       "the listing marks entries as excluded or unreadable; --update MEDIA brings a media up "
       "to the listing in its own slot, keeping the comments and marks of entries still there",
       {"--name", "--category", "--location", "--detail", "--update"},
       {"--replace"},
       ImportCommand});
  table.push_back({"export-ncdu",
                   "export-ncdu CATALOG MEDIA[\\FOLDER...] [-o FILE]",
                   "write a media or one of its folders as an ncdu listing (ncdu -f FILE shows "
                   "it) to standard output or FILE",
                   {"-o"},
                   {},
                   ExportNcduCommand});
}

}  // namespace plomix::cli
