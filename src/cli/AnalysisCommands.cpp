// Analysis commands: dups, similar, groups.

#include <unistd.h>

#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>
#include <iostream>
#include <ostream>

#include "analysis/AnalysisControl.h"
#include "analysis/ResultStore.h"
#include "cli/CliCommon.h"
#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/Text.h"

namespace plomix::cli {

// Duplicates by content (ContentDupsCommand.cpp).
int ContentDups(Context& ctx);

namespace {

AnalysisProgress TerminalProgress() {
  if (!isatty(STDERR_FILENO)) return {};
  return [](const AnalysisEvent& e) {
    switch (e.kind) {
      case AnalysisEvent::Kind::MediaSkipped:
        std::cerr << "\r\x1b[K" << text::Cp932ToUtf8(e.text) << '\n';
        break;
      case AnalysisEvent::Kind::Media:
      case AnalysisEvent::Kind::Sorting:
      case AnalysisEvent::Kind::Finishing:
        std::cerr << "\r\x1b[K" << text::Cp932ToUtf8(e.text) << std::flush;
        break;
      default:
        std::cerr << "\r\x1b[K" << FormatNumber(static_cast<double>(e.counters.files)) << " / "
                  << FormatNumber(static_cast<double>(e.counters.groups)) << " / "
                  << FormatNumber(static_cast<double>(e.counters.entries)) << std::flush;
    }
  };
}

// Where a member lies: its media's name (CP932) and the path of its folder
// (shown names, UTF-8).
struct MemberPlace {
  std::string media;
  std::string folder;
};

// Paths need the member's media loaded: resolve them media by media.
std::vector<MemberPlace> PlacesOf(Catalog& catalog, const std::vector<ResultItem>& members) {
  std::vector<MemberPlace> places(members.size());
  std::vector<std::pair<int, std::size_t>> order;  // slot, member index
  std::vector<int32_t> records(members.size(), -1);
  for (std::size_t i = 0; i < members.size(); ++i) {
    int slot = 0;
    int32_t record = 0;
    if (!SplitResultKey(members[i].key, slot, record) || !catalog.Slot(slot).IsLive()) continue;
    records[i] = record;
    order.emplace_back(slot, i);
    places[i].media = catalog.Slot(slot).Name();
  }
  std::stable_sort(order.begin(), order.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [slot, i] : order) {
    if (!catalog.LoadMedia(slot) || records[i] >= catalog.LoadedCount()) continue;
    places[i].folder = catalog.ShownFolderPath(slot, records[i]);
  }
  return places;
}

// The members of the groups `from` .. `to` - 1 of a loaded store, one after
// the other; `groupStart` gets where each group's members begin (and the end).
void LoadGroupMembers(ResultStore& store, std::size_t from, std::size_t to,
                      std::vector<ResultItem>& members, std::vector<std::size_t>& groupStart) {
  members.clear();
  groupStart.clear();
  for (std::size_t g = from; g < to; ++g) {
    const ResultItem& head = store.Heads()[g];
    groupStart.push_back(members.size());
    store.LoadMembers(1, head.first, head.groupSize);
    const std::vector<ResultItem>& loaded = store.Members(1);
    members.insert(members.end(), loaded.begin(), loaded.end());
  }
  store.ClearMembers(1);
  groupStart.push_back(members.size());
}

// Prints the groups of a loaded store with all their members.
void PrintGroups(Context& ctx, Catalog& catalog, ResultStore& store, const AnalysisCounters* run,
                 bool summary) {
  const bool like = store.Mode() == AnalysisMode::Similar;
  std::vector<ResultItem> members;
  std::vector<std::size_t> groupStart;

  if (ctx.json) {
    if (!summary) LoadGroupMembers(store, 0, store.Heads().size(), members, groupStart);
    const std::vector<MemberPlace> places = PlacesOf(catalog, members);
    QJsonObject object{{"file", QString::fromStdString(store.Path())},
                       {"groups", store.GroupCount()},
                       {"entries", store.EntryCount()}};
    if (run) object.insert("filesExamined", static_cast<double>(run->files));
    if (like) object.insert("delimiters", text::Cp932ToQString(store.StoredLikeKey()));
    if (!summary) {
      QJsonArray groups;
      for (std::size_t g = 0; g < store.Heads().size(); ++g) {
        const ResultItem& head = store.Heads()[g];
        QJsonArray list;
        for (std::size_t i = groupStart[g]; i < groupStart[g + 1]; ++i) {
          const ResultItem& m = members[i];
          list.append(QJsonObject{
              {"name", QString::fromStdString(m.shown)},
              {"key", m.key},
              {"media", text::Cp932ToQString(places[i].media)},
              {"path", QString::fromStdString(places[i].folder)},
              {"size", static_cast<double>(m.size)},
              {"date", IsoDateTime(m.date)},
              {"dateText", QString::fromStdString(
                               text::Cp932ToUtf8(FormatDateTime("yyyy/mm/dd hh:nn:ss", m.date)))}});
        }
        groups.append(QJsonObject{{"key", QString::fromStdString(head.shown)},
                                  {"count", head.groupSize},
                                  {"members", list}});
      }
      object.insert("list", groups);
    }
    PrintJson(ctx.out, object);
    return;
  }
  if (run) ctx.out << "files examined: " << FormatNumber(static_cast<double>(run->files)) << '\n';
  ctx.out << "groups:         " << FormatNumber(store.GroupCount()) << '\n'
          << "entries:        " << FormatNumber(store.EntryCount()) << '\n'
          << "result file:    " << store.Path() << '\n';
  if (summary) return;
  // Printed a batch of groups at a time, so that the members of a large
  // result are never all held.
  constexpr std::size_t kBatchMembers = 1 << 16;
  const std::vector<ResultItem>& heads = store.Heads();
  for (std::size_t from = 0; from < heads.size();) {
    std::size_t to = from;
    std::size_t count = 0;
    while (to < heads.size() && (to == from || count < kBatchMembers))
      count += static_cast<std::size_t>(std::max(0, heads[to++].groupSize));
    LoadGroupMembers(store, from, to, members, groupStart);
    const std::vector<MemberPlace> places = PlacesOf(catalog, members);
    for (std::size_t g = from; g < to; ++g) {
      const ResultItem& head = heads[g];
      PrintRows(ctx.out, {{head.shown, std::to_string(head.groupSize)}});
      for (std::size_t i = groupStart[g - from]; i < groupStart[g - from + 1]; ++i)
        PrintRows(ctx.out,
                  {{"", members[i].shown, text::Cp932ToUtf8(places[i].media), places[i].folder}});
    }
    from = to;
  }
}

// Both result stores of a catalogue with the analysis that fills them.
struct Analyses {
  explicit Analyses(Catalog& catalog)
      : dup(&catalog), like(&catalog), control(catalog, dup, like, settings, prompter) {
    control.CatalogOpened();
  }
  Settings settings;
  NonInteractivePrompter prompter;
  DupResultStore dup;
  LikeResultStore like;
  AnalysisControl control;
};

int RunSearch(Context& ctx, AnalysisMode mode) {
  Catalog catalog;
  OpenCatalogOrThrow(catalog, ctx.args.Positional(0, "CATALOG"));
  if (catalog.MediaCount() == 0) throw CliError("the catalogue holds no media");
  Analyses a(catalog);
  if (mode == AnalysisMode::Similar) {
    a.like.SetCurrentLikeKey(ctx.args.Has("--delimiters")
                                 ? text::Utf8ToCp932(ctx.args.Value("--delimiters"))
                                 : text::QStringToCp932(a.settings.GetString(REG_LikeKey)));
  }
  const AnalysisProgress progress = TerminalProgress();
  const AnalysisCounters counters = a.control.RunSearchInDialog(mode, progress);
  if (progress) std::cerr << "\r\x1b[K" << std::flush;
  PrintGroups(ctx, catalog, a.control.Store(mode), &counters, ctx.args.Has("--summary"));
  return 0;
}

int Dups(Context& ctx) {
  if (ctx.args.Has("--content")) return ContentDups(ctx);
  return RunSearch(ctx, AnalysisMode::Duplicate);
}

int Similar(Context& ctx) {
  return RunSearch(ctx, AnalysisMode::Similar);
}

int Groups(Context& ctx) {
  const bool dupWanted = ctx.args.Has("--dup"), likeWanted = ctx.args.Has("--like");
  if (dupWanted == likeWanted) throw CliError("give exactly one of --dup and --like");
  Catalog catalog;
  OpenCatalogOrThrow(catalog, ctx.args.Positional(0, "CATALOG"));
  DupResultStore dup(&catalog);
  LikeResultStore like(&catalog);
  ResultStore& store = dupWanted ? static_cast<ResultStore&>(dup) : like;
  store.SetPathFromCatalog(catalog.CatalogPath());
  if (!store.ResultsExist())
    throw CliError("no " + std::string(dupWanted ? "duplicate" : "similar-name") +
                   " result beside the catalogue (run '" + (dupWanted ? "dups" : "similar") +
                   "' first)");
  if (!store.LoadGroups())
    std::cerr << "warning: " << store.Path() << " is damaged; showing what could be read\n";
  PrintGroups(ctx, catalog, store, nullptr, ctx.args.Has("--summary"));
  return 0;
}

}  // namespace

void BeforeMediaChange(Context& ctx, Catalog& catalog) {
  Analyses a(catalog);
  if (!a.dup.ResultsExist() && !a.like.ResultsExist()) return;
  a.control.DiscardResults();
  // Results that stay would name the wrong entries once the change is made.
  if (a.dup.ResultsExist() || a.like.ResultsExist())
    throw CliError("the stale results beside the catalogue cannot be removed (" +
                   (a.dup.ResultsExist() ? a.dup.Path() : a.like.Path()) +
                   "); nothing was changed");
  if (!ctx.args.Has("--analyse"))
    ctx.err << "plomix2-cli: the duplicate and similar-name results were removed, since the "
               "change moves the entries they name; run 'dups' and 'similar' again, or add "
               "--analyse\n";
}

void AfterMediaChange(Context& ctx, Catalog& catalog) {
  RefreshNameIndex(ctx, catalog);
  if (!ctx.args.Has("--analyse") || catalog.MediaCount() == 0) return;
  Analyses a(catalog);
  a.like.SetCurrentLikeKey(text::QStringToCp932(a.settings.GetString(REG_LikeKey)));
  for (AnalysisMode mode : {AnalysisMode::Duplicate, AnalysisMode::Similar}) {
    a.control.RunSearchInDialog(mode);
    const ResultStore& store = a.control.Store(mode);
    ctx.err << "plomix2-cli: " << store.Path()
            << " written anew: " << FormatNumber(store.GroupCount()) << " groups\n";
  }
}

void RegisterAnalysisCommands(CommandTable& table) {
  table.push_back({"dups",
                   "dups CATALOG [--content] [--summary]",
                   "find files with equal names (ignoring case), write the .dup result and list "
                   "the groups with their members (--summary: counts only); --content: files of "
                   "equal size and content fingerprint across all media, most wasted space "
                   "first (media read without --fingerprint are counted)",
                   {},
                   {"--summary", "--content"},
                   Dups});
  table.push_back({"similar",
                   "similar CATALOG [--delimiters TEXT] [--summary]",
                   "find files whose names share a word (words cut at the delimiters, by default "
                   "the REG_LikeKey setting), write the .lik result and list the groups",
                   {"--delimiters"},
                   {"--summary"},
                   Similar});
  table.push_back({"groups",
                   "groups CATALOG (--dup|--like) [--summary]",
                   "list the stored duplicate or similar-name groups without searching",
                   {},
                   {"--dup", "--like", "--summary"},
                   Groups});
}

}  // namespace plomix::cli
