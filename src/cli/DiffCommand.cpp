// Comparing two media or folders of a catalogue: diff.

#include <ostream>

#include "browse/TreeDiff.h"
#include "cli/CliCommon.h"
#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Text.h"

namespace plomix::cli {

namespace {

// The exit status of a comparison that found differences; errors are 2.
constexpr int kDifferentStatus = 1;
constexpr int kDiffErrorStatus = 2;

// MEDIA or MEDIA\FOLDER...: a whole media is found without loading it.
std::pair<int, int32_t> NodeOf(Catalog& catalog, const std::string& utf8Path) {
  const int slot = LiveMediaNamed(catalog, text::Utf8ToCp932(utf8Path));
  if (slot >= 0) return {slot, 0};
  const MediaPath path = ResolveOrThrow(catalog, utf8Path, PathEnd::Folder);
  return {path.slot, path.Record()};
}

std::string DateText(int32_t packed) {
  return text::Cp932ToUtf8(FormatDateTime("yyyy/mm/dd hh:nn:ss", packed));
}

// "(file → folder)", "(10 → 12 Byte; 2024/01/02 10:00:00 → ...)".
std::string ChangeText(const DiffEntry& e) {
  if (e.folder != e.oldFolder) return e.oldFolder ? "(folder → file)" : "(file → folder)";
  std::string parts;
  if (e.size != e.oldSize)
    parts = FormatNumber(static_cast<double>(e.oldSize)) + " → " +
            FormatNumber(static_cast<double>(e.size)) + " Byte";
  if (e.date != e.oldDate)
    parts += (parts.empty() ? "" : "; ") + DateText(e.oldDate) + " → " + DateText(e.date);
  return "(" + parts + ")";
}

int Diff(Context& ctx) {
  Catalog catalog;
  OpenCatalogOrThrow(catalog, ctx.args.Positional(0, "CATALOG"));
  const std::string leftPath = ctx.args.Positional(1, "LEFT");
  const std::string rightPath = ctx.args.Positional(2, "RIGHT");
  if (ctx.args.positional.size() > 3)
    throw CliError("unexpected argument \"" + ctx.args.positional[3] + "\"");
  const auto [leftSlot, leftRecord] = NodeOf(catalog, leftPath);
  const auto [rightSlot, rightRecord] = NodeOf(catalog, rightPath);
  bool ok = false;
  const DiffReport report =
      CompareTrees(catalog, leftSlot, leftRecord, rightSlot, rightRecord, &ok);
  if (!ok) throw CatalogError(catalog.LastFailure());
  const int status = report.Equal() ? 0 : kDifferentStatus;
  const bool summary = ctx.args.Has("--summary");
  if (ctx.json) {
    if (summary) {
      PrintJson(ctx.out, QJsonObject{{"added", static_cast<double>(report.added.size())},
                                     {"removed", static_cast<double>(report.removed.size())},
                                     {"changed", static_cast<double>(report.changed.size())},
                                     {"leftFiles", static_cast<double>(report.leftFiles)},
                                     {"rightFiles", static_cast<double>(report.rightFiles)},
                                     {"leftFolders", static_cast<double>(report.leftFolders)},
                                     {"rightFolders", static_cast<double>(report.rightFolders)},
                                     {"leftSize", static_cast<double>(report.leftSize)},
                                     {"rightSize", static_cast<double>(report.rightSize)}});
    } else {
      ctx.out << DiffReportJson(report, false) << '\n';
    }
    return status;
  }
  // The counts first, as one line a script can read and a person sees at
  // once, then one line per difference.
  ctx.out << DiffSummaryText(report) << '\n';
  if (summary) return status;
  std::string lines;
  for (const DiffEntry& e : report.added) lines += "+ " + EscapeControls(e.path) + '\n';
  for (const DiffEntry& e : report.removed) lines += "- " + EscapeControls(e.path) + '\n';
  for (const DiffEntry& e : report.changed)
    lines += "* " + EscapeControls(e.path) + ' ' + ChangeText(e) + '\n';
  ctx.out << lines;
  return status;
}

}  // namespace

void RegisterDiffCommands(CommandTable& table) {
  Command diff{"diff",
               "diff CATALOG LEFT RIGHT [--summary]",
               "compare two media or folders given as MEDIA[\\FOLDER...], entry by entry "
               "(paired by path, letter case counting; a file differs in size or date, a folder "
               "only when it became a file): a line of counts, then \"+ path\" for entries only "
               "in RIGHT, \"- path\" for entries only in LEFT, \"* path (old → new)\" for "
               "changed ones; exit status 0 when equal, 1 when different, 2 on an error",
               {},
               {"--summary"},
               Diff};
  diff.errorStatus = kDiffErrorStatus;
  table.push_back(std::move(diff));
}

}  // namespace plomix::cli
