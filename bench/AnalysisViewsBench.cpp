// The analysis views on a large catalogue. "views" times the duplicate page
// filled after the stored result has loaded, the member grid of a group of
// 1,000 members, sorting the group grid by every column, fill paths of that
// group and the view part of a member jump; "run" is one duplicate search as
// the window runs it, which bench/analysis_views times as a whole process
// against 'plomix2-cli dups --summary'.

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "analysis/AnalysisControl.h"
#include "core/Catalog.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "ui/AnalysisUi.h"
#include "ui/DetailPanel.h"
#include "ui/DupPage.h"
#include "ui/ImageList.h"
#include "ui/PxMain.h"
#include "ui/ResultGroupModel.h"
#include "ui/ResultMemberModel.h"
#include "ui/ResultPage.h"
#include "ui/Session.h"

using namespace plomix;

namespace {

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Milliseconds of the median of `runs` runs; `before` runs untimed first.
double TimeMs(int runs, const std::function<void()>& work,
              const std::function<void()>& before = {}) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    if (before) before();
    QElapsedTimer timer;
    timer.start();
    work();
    times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    if (std::getenv("PLOMIX_BENCH_VERBOSE")) std::fprintf(stderr, "  run %.1f ms\n", times.back());
  }
  return Median(times);
}

void Line(const char* what, double ms, double targetMs = 0) {
  if (targetMs <= 0) {
    std::printf("%-44s%10.1f ms\n", what, ms);
    return;
  }
  std::printf("%-44s%10.1f ms%10.0f ms  %s\n", what, ms, targetMs, ms <= targetMs ? "ok" : "OVER");
}

}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer total;
  total.start();
  QApplication app(argc, argv);
  if (argc < 4) {
    std::fprintf(stderr, "usage: AnalysisViewsBench (views|run) CATALOG CONFIG_DIR\n");
    return 2;
  }
  const std::string mode = argv[1];
  const std::string path = argv[2];
  Settings settings(QString::fromLocal8Bit(argv[3]));
  NonInteractivePrompter prompter;
  Catalog catalog;
  if (!catalog.OpenCatalog(path) || !catalog.ReadLongNames()) {
    std::fprintf(stderr, "cannot open %s\n", path.c_str());
    return 1;
  }
  // A media whose 1,000 files share one name gives the group of 1,000
  // members the figures ask for (the generated names repeat either far more
  // or far less often).
  bool hasGroup = false;
  for (int slot = 0; slot < catalog.SlotsUsed(); ++slot)
    hasGroup =
        hasGroup || (catalog.Slot(slot).IsLive() && catalog.Slot(slot).Name() == "Bench1000");
  if (!hasGroup) {
    std::vector<TRecord> records(1);
    records[0].Kind = kKindFixed;
    records[0].Attr = kAttrDirectory;
    records[0].Name = "Bench1000";
    records[0].FirstChild = 1;
    for (int f = 0; f < 10; ++f) {
      TRecord folder;
      folder.Kind = kKindFolder;
      folder.Attr = kAttrDirectory;
      folder.Name = "folder" + std::to_string(f);
      folder.Parent = 0;
      folder.FirstChild = 11 + f * 100;
      records.push_back(folder);
    }
    for (int f = 0; f < 10; ++f)
      for (int i = 0; i < 100; ++i) {
        TRecord file;
        file.Kind = kKindFile;
        file.Attr = kAttrArchive;
        file.Name = "bench-1000.dat";
        file.Parent = 1 + f;
        file.Size = i * 1000.0 + f;
        records.push_back(file);
      }
    TMediaInfomation info;
    if (!catalog.AddMedia(records, info)) {
      std::fprintf(stderr, "cannot add the 1,000-member media\n");
      return 1;
    }
  }
  DupResultStore dup(&catalog);
  LikeResultStore like(&catalog);
  AnalysisControl control(catalog, dup, like, settings, prompter);
  control.CatalogOpened();
  ImageList images;
  QWidget window;
  window.resize(1000, 700);
  auto* page =
      new ResultPage(AnalysisMode::Duplicate, dup, catalog, settings, prompter, images, &window);
  auto* likePage =
      new ResultPage(AnalysisMode::Similar, like, catalog, settings, prompter, images, &window);
  auto* detail = new DetailPanel(catalog, settings, control, dup, like, images, &window);
  AnalysisUi ui(catalog, settings, prompter, control, dup, like, &window);
  ui.SetViews(page, likePage, detail);
  page->resize(1000, 700);
  window.show();
  QCoreApplication::processEvents();

  // "run": one duplicate search as the window runs it (progress dialog,
  // write, reload, group grid), timed by the script as a whole process
  // against the command line's.
  if (mode == "engine") return control.RunAnalysis(AnalysisMode::Duplicate) ? 0 : 1;
  if (mode == "run") {
    // Run from the menu while the media page is in front: the result page
    // fills when it is shown (timed above as "page shows its groups").
    page->hide();
    QElapsedTimer run;
    run.start();
    const bool ran = ui.RunAnalysis(AnalysisMode::Duplicate);
    if (std::getenv("PLOMIX_BENCH_VERBOSE"))
      std::fprintf(stderr, "set-up %lld ms, run %lld ms\n",
                   static_cast<long long>(total.elapsed() - run.elapsed()),
                   static_cast<long long>(run.elapsed()));
    return ran ? 0 : 1;
  }
  ui.RunAnalysis(AnalysisMode::Duplicate);
  std::printf("catalogue: %s\n", path.c_str());
  std::printf("groups %d, members %d\n\n", dup.GroupCount(), dup.EntryCount());
  std::printf("%-44s%13s%13s\n", "", "median", "target");

  // Stored result loaded as on opening, then the page filled on showing.
  const double load = TimeMs(3, [&] {
    control.CatalogOpened();
    control.StartResultLoader(AnalysisMode::Duplicate);
    ui.ResultLoaded(AnalysisMode::Duplicate, control.WaitForResultLoad(AnalysisMode::Duplicate));
  });
  const double show = TimeMs(
      5,
      [&] {
        ui.PageShown(AnalysisMode::Duplicate);
        QCoreApplication::processEvents();
      },
      [&] { page->ClearResults(); });

  int best = 0;
  while (best < page->Groups().RowCount() && page->Groups().NameAt(best) != "bench-1000.dat")
    ++best;
  ResultItem chosen;
  if (!dup.GroupHead(page->Groups().GroupAt(best), chosen)) {
    std::fprintf(stderr, "no group of 1,000 members\n");
    return 1;
  }
  const double members = TimeMs(5, [&] {
    page->FillMemberGrid(best);
    QCoreApplication::processEvents();
  });

  double sort = 0;
  for (int column = ResultGroupModel::ColNo; column < ResultGroupModel::kColumnCount; ++column)
    for (Qt::SortOrder order : {Qt::DescendingOrder, Qt::AscendingOrder})
      sort = std::max(sort, TimeMs(3, [&] {
                        page->GroupGrid->sortByColumn(column, order);
                        QCoreApplication::processEvents();
                      }));

  const double paths = TimeMs(
      3, [&] { page->FillPaths(); }, [&] { page->FillMemberGrid(best); });

  // The view part of a jump into the large media: the paths of every row
  // of that media are filled first (the media itself already loaded).
  int common = 0;
  while (common < page->Groups().RowCount() && page->Groups().NameAt(common) != "readme.txt")
    ++common;
  page->FillMemberGrid(common);
  const int commonRows = page->Members().RowCount();
  const double jump = TimeMs(
      5, [&] { ui.Jump(2, 0); }, [&] { page->FillMemberGrid(common); });

  // The whole jump in the window: category, tree path, list and row.
  settings.SetString(REG_OpenHist01, QString::fromStdString(path));
  Session session(prompter);
  TfrmMain main(session);
  main.show();
  while (session.Analysis().AnyLoading()) QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  main.PageControl1->setCurrentWidget(main.TabSheet8);
  ResultPage& results = *main.TabSheet8->Results;
  auto memberOf = [&](const std::string& name, const std::string& media) {
    int group = 0;
    while (group < results.Groups().RowCount() && results.Groups().NameAt(group) != name) ++group;
    results.FillMemberGrid(group);
    for (int r = 0; r < results.Members().RowCount(); ++r)
      if (results.Members().Row(r).media == media) return r;
    return 0;
  };
  auto jumpTo = [&](const std::string& name, const std::string& media) {
    const int row = memberOf(name, media);
    return TimeMs(
        5, [&] { results.cmdShow->click(); },
        [&] {
          // Start from the result page with the other media loaded.
          main.PageControl1->setCurrentWidget(main.TabSheet8);
          session.GetCatalog().LoadMedia(media == "Bench" ? session.GetCatalog().SlotsUsed() - 1
                                                          : 0);
          results.FillMemberGrid(0);
          memberOf(name, media);
          results.MemberGrid->selectRow(row);
        });
  };
  const double smallJump = jumpTo("bench-1000.dat", "Bench1000");
  const double bigJump = jumpTo("readme.txt", "Bench");
  Catalog& shared = session.GetCatalog();
  const double bigLoad = TimeMs(
      5, [&] { shared.LoadMedia(0); }, [&] { shared.LoadMedia(shared.SlotsUsed() - 1); });

  char label[96];
  Line("stored result loaded (worker)", load);
  Line("page shows its groups after the load", show, 500);
  std::snprintf(label, sizeof label, "member grid of a group of %d", chosen.groupSize);
  Line(label, members, 100);
  Line("group grid sorted by a column (slowest)", sort, 300);
  std::snprintf(label, sizeof label, "fill paths for %d members", chosen.groupSize);
  Line(label, paths, 300);
  std::snprintf(label, sizeof label, "  of which the paths of its %d rows", commonRows);
  Line("member jump in the window (1,011-entry media)", smallJump, 200);
  Line("member jump in the window (1,000,000-entry)", bigJump, 200);
  Line("  of which loading that media (engine)", bigLoad);
  Line(label, jump);
  return 0;
}
