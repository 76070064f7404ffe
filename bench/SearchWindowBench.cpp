// Benchmark helper (not part of the test suite): the search page of the
// window on a large catalogue, against the command-line search doing the same
// search in the same run.
//
//   SearchWindowBench CATALOG CLI PATTERN
//
// Prints, each with its ratio:
//   - the search started from the page until its hits are found, and until
//     they are listed and sorted on screen, against
//     `CLI search CATALOG --name PATTERN --count` (a whole process);
//   - listing the hits (texts, icons) and sorting them by every column, the
//     slowest column, against the budget of 1 s;
//   - copying the full paths of all hits to the clipboard, against 1 s.
// Runs with QT_QPA_PLATFORM=offscreen; the settings live in PLOMIX2_CONFIG_DIR.

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QProcess>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "core/Catalog.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "ui/ImageList.h"
#include "ui/SearchHitModel.h"
#include "ui/SearchPage.h"
#include "ui/Session.h"
#include "ui/widgets/TypeAheadViews.h"

namespace {

using namespace plomix;

constexpr int kRuns = 3;

// The best of a few runs, in seconds.
double Best(const std::function<void()>& work) {
  double best = 1e9;
  for (int i = 0; i < kRuns; ++i) {
    QElapsedTimer timer;
    timer.start();
    work();
    best = std::min(best, static_cast<double>(timer.nsecsElapsed()) / 1e9);
  }
  return best;
}

void Row(const char* what, double ours, const char* peerName, double peer) {
  std::printf("%-34s %9.3fs  %-28s %9.3fs  %6.2fx\n", what, ours, peerName, peer, ours / peer);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s CATALOG CLI PATTERN\n", argv[0]);
    return 2;
  }
  QApplication app(argc, argv);
  const QString catalogPath = QString::fromLocal8Bit(argv[1]);
  const QString cli = QString::fromLocal8Bit(argv[2]);
  const QString pattern = QString::fromLocal8Bit(argv[3]);

  NonInteractivePrompter prompter;
  Session session(prompter);
  Settings& settings = session.GetSettings();
  Catalog& catalog = session.GetCatalog();
  if (!catalog.OpenCatalog(catalogPath.toStdString()) || !catalog.ReadLongNames()) {
    std::fprintf(stderr, "cannot open %s\n", argv[1]);
    return 1;
  }
  ImageList& images = session.Images();
  SearchPage page(session);
  page.resize(1000, 700);
  page.show();

  SearchConditions conditions;
  conditions.nameEnabled = true;
  conditions.namePattern = text::QStringToCp932(pattern);
  std::vector<int> media;
  for (int s = 0; s < catalog.SlotsUsed(); ++s)
    if (catalog.Slot(s).IsLive()) media.push_back(s);

  const double cliTime = Best([&] {
    QProcess process;
    process.start(cli, {QStringLiteral("search"), catalogPath, QStringLiteral("--name"), pattern,
                        QStringLiteral("--count")});
    process.waitForFinished(-1);
  });
  // The run ends when the page shows "k 件検出"; the list is then filled and sorted.
  double runTime = 1e9;
  double windowTime = 1e9;
  for (int i = 0; i < kRuns; ++i) {
    QElapsedTimer timer;
    double ranAt = 0;
    const auto connection =
        QObject::connect(&page, &SearchPage::StatusChanged, [&](int panel, const QString& text) {
          if (panel == 1 && text.endsWith(QStringLiteral(" 件検出")))
            ranAt = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        });
    timer.start();
    page.RunSearch(conditions, media);
    windowTime = std::min(windowTime, static_cast<double>(timer.nsecsElapsed()) / 1e9);
    runTime = std::min(runTime, ranAt);
    QObject::disconnect(connection);
  }
  const int hits = page.Model().RowCount();
  std::printf("%d media, %d hits of %s\n", static_cast<int>(media.size()), hits,
              qPrintable(pattern));
  Row("search from the window", runTime, "plomix2-cli search --count", cliTime);
  Row("the same, hits listed and sorted", windowTime, "plomix2-cli search --count", cliTime);

  // Listing: the hits of one run filled anew; sorting: every column.
  FileSearch search(catalog);
  search.SetConditions(conditions);
  search.SetSearchMediaList(media);
  const std::string dateFormat = text::QStringToCp932(settings.GetString(REG_FormatUpdateDateTime));
  double fillTime = 1e9;
  for (int i = 0; i < kRuns; ++i) {
    search.RunFileSearch();
    std::vector<TRecord> rows = search.TakeSearchRecs();
    QElapsedTimer timer;
    timer.start();
    PrepareSearchHits(rows, images);
    page.Model().SetRows(std::move(rows), dateFormat);
    fillTime = std::min(fillTime, static_cast<double>(timer.nsecsElapsed()) / 1e9);
  }
  // Every column sorted afresh (a second click on the same column only turns
  // the order round).
  std::vector<double> sorts(SearchHitModel::kColumns, 1e9);
  for (int round = 0; round < 2; ++round) {
    page.Model().SortByColumn(1, false);
    for (int column = 0; column < SearchHitModel::kColumns; ++column) {
      if (column == 1) page.Model().SortByColumn(0, false);
      QElapsedTimer timer;
      timer.start();
      page.Model().SortByColumn(column, false);
      sorts[column] = std::min(sorts[column], static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
  }
  const auto slowest = std::max_element(sorts.begin(), sorts.end());
  const double slowestSort = *slowest;
  const int slowestColumn = static_cast<int>(slowest - sorts.begin());
  Row("list the hits", fillTime, "budget", 1.0);
  char what[64];
  std::snprintf(what, sizeof what, "sort them (slowest: column %d)", slowestColumn);
  Row(what, slowestSort, "budget", 1.0);
  Row("list and sort", fillTime + slowestSort, "budget", 1.0);

  page.ListView2->selectAll();
  const double copyTime = Best([&] { page.C2Click(); });
  std::printf("clipboard holds %lld characters\n",
              static_cast<long long>(QApplication::clipboard()->text().size()));
  Row("copy all hit paths", copyTime, "budget", 1.0);
  return 0;
}
