// dups --content: files of equal content by their fingerprints.

#include <QJsonArray>
#include <QJsonObject>

#include "analysis/ContentDuplicates.h"
#include "cli/CliCommon.h"
#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Text.h"

namespace plomix::cli {

namespace {

// MEDIA\folder\file, as ls takes it; members come by slot, so each media is
// loaded once.
std::vector<std::string> MemberPaths(Catalog& catalog, const ContentDuplicates& found) {
  std::vector<std::pair<ContentMember, std::size_t>> order;
  std::size_t n = 0;
  for (const ContentGroup& g : found.groups)
    for (const ContentMember& m : g.members) order.emplace_back(m, n++);
  std::stable_sort(order.begin(), order.end(),
                   [](const auto& a, const auto& b) { return a.first.slot < b.first.slot; });
  std::vector<std::string> paths(n);
  for (const auto& [m, i] : order) {
    if (!catalog.LoadMedia(m.slot)) continue;
    paths[i] = catalog.ShownFolderPath(m.slot, m.record) + "\\" + catalog.ShownRecordName(m.record);
  }
  return paths;
}

}  // namespace

int ContentDups(Context& ctx) {
  Catalog catalog;
  OpenCatalogOrThrow(catalog, ctx.args.Positional(0, "CATALOG"));
  const bool summary = ctx.args.Has("--summary");
  const ContentDuplicates found = FindContentDuplicates(catalog, !summary);
  const std::vector<std::string> paths =
      summary ? std::vector<std::string>() : MemberPaths(catalog, found);
  if (ctx.json) {
    QJsonObject object{{"groups", static_cast<double>(found.groupCount)},
                       {"wasted", found.wasted},
                       {"mediaWithoutFingerprints", found.mediaWithoutFingerprints},
                       {"unreadMedia", found.unreadMedia}};
    if (!summary) {
      QJsonArray list;
      std::size_t i = 0;
      for (const ContentGroup& g : found.groups) {
        QJsonArray members;
        for (const ContentMember& m : g.members) {
          members.append(
              QJsonObject{{"media", catalog.ShownQName(m.slot, 0, catalog.Slot(m.slot).Name())},
                          {"path", QString::fromStdString(paths[i++])}});
        }
        list.append(QJsonObject{
            {"size", g.size},
            {"digest", QString::fromStdString(DigestHex(g.print.digest))},
            {"mode", QString::fromStdString(std::string(FingerprintModeName(g.print.mode)))},
            {"wasted", g.Wasted()},
            {"members", members}});
      }
      object.insert("list", list);
    }
    PrintJson(ctx.out, object);
  } else {
    ctx.out << "groups:         " << FormatNumber(static_cast<double>(found.groupCount)) << '\n'
            << "wasted:         " << FormatNumber(found.wasted) << " Byte\n";
    if (!summary) {
      std::size_t i = 0;
      for (const ContentGroup& g : found.groups) {
        PrintRows(ctx.out,
                  {{FormatNumber(g.size) + " Byte x " + std::to_string(g.members.size()),
                    std::string(FingerprintModeName(g.print.mode)), DigestHex(g.print.digest)}});
        for (std::size_t k = 0; k < g.members.size(); ++k) PrintRows(ctx.out, {{"", paths[i++]}});
      }
    }
  }
  if (found.mediaWithoutFingerprints > 0)
    ctx.err << "media without fingerprints: " << found.mediaWithoutFingerprints << '\n';
  if (found.unreadMedia > 0)
    ctx.err << "media whose records could not be read: " << found.unreadMedia << '\n';
  return 0;
}

}  // namespace plomix::cli
