// The name index from the command line: built on demand, and kept up after
// every change of media when the catalogue has one.

#include <QJsonObject>
#include <iostream>

#include "cli/CliCommon.h"
#include "core/Catalog.h"
#include "search/NameIndex.h"

namespace plomix::cli {

namespace {

const char* StateText(NameIndexState state) {
  switch (state) {
    case NameIndexState::Missing:
      return "missing";
    case NameIndexState::Current:
      return "current";
    case NameIndexState::Stale:
      return "stale";
    case NameIndexState::Damaged:
      return "damaged";
  }
  return "";
}

int Index(Context& ctx) {
  Catalog catalog;
  OpenCatalogOrThrow(catalog, ctx.args.Positional(0, "CATALOG"));
  const std::string path = NameIndexPath(catalog.CatalogPath());
  if (ctx.args.Has("--status")) {
    const char* state = StateText(NameIndexStateOf(catalog.CatalogPath()));
    if (ctx.json)
      PrintJson(ctx.out, QJsonObject{{"index", QString::fromStdString(path)}, {"state", state}});
    else
      ctx.out << path << ": " << state << '\n';
    return 0;
  }
  std::string error;
  NameIndexSummary summary;
  if (!BuildNameIndex(catalog, error, &summary)) throw CliError(error);
  if (ctx.json) {
    PrintJson(ctx.out, QJsonObject{{"index", QString::fromStdString(path)},
                                   {"media", summary.media},
                                   {"records", static_cast<double>(summary.records)},
                                   {"trigrams", static_cast<double>(summary.trigrams)},
                                   {"bytes", static_cast<double>(summary.bytes)}});
  } else {
    ctx.out << path << ": " << summary.media << " media, " << summary.records << " records, "
            << summary.trigrams << " trigrams, " << summary.bytes << " bytes\n";
  }
  return 0;
}

}  // namespace

void RefreshNameIndex(Context& ctx, const Catalog& changed) {
  const std::string& path = changed.CatalogPath();
  if (NameIndexStateOf(path) == NameIndexState::Missing) return;
  // Built from the catalogue as it is on disk now, names and all.
  Catalog catalog;
  std::string error;
  if (!catalog.OpenCatalog(path)) {
    error = catalog.LastError();
  } else {
    catalog.ReadLongNames();
    if (BuildNameIndex(catalog, error)) return;
  }
  ctx.err << "plomix2-cli: the name index was not rebuilt (" << error
          << "); searches read every record until 'index' builds it again\n";
}

void RegisterIndexCommands(CommandTable& table) {
  table.push_back(
      {"index",
       "index CATALOG [--status]",
       "build the name index beside the catalogue (NAME.idx), which makes searches "
       "for a name holding three or more letters in a row fast; once it exists, "
       "every command that adds, updates, deletes or compacts media keeps it up to date, and "
       "a search ignores an index the catalogue has moved on from",
       {},
       {"--status"},
       Index});
}

}  // namespace plomix::cli
