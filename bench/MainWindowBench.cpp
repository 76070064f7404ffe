// Times the main window on large catalogues: showing the window on a
// catalogue of 2,000 media, and selecting a folder of 100,000 entries (list,
// properties and row texts filled). The peer is the engine alone doing the
// same work without a window (loading the media and building the rows), so
// the ratio shows what the window adds. Run through bench/main_window.

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QTreeWidget>
#include <cstdio>
#include <filesystem>

#include "browse/EntryRows.h"
#include "core/Catalog.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "core/TypeNames.h"
#include "ui/FileListModel.h"
#include "ui/MediaPage.h"
#include "ui/PxMain.h"
#include "ui/Session.h"

using namespace plomix;

namespace {

TRecord Entry(int32_t parent, int kind, const std::string& name, double size) {
  TRecord r;
  r.Parent = parent;
  r.Kind = static_cast<int16_t>(kind);
  r.Name = name;
  r.Size = size;
  r.Allocated = size == 0 ? 0 : (static_cast<int64_t>(size) / 4096 + 1) * 4096.0;
  r.FileDate = 0x56814BC0;
  return r;
}

// One media: root -> "big" -> `files` files with mixed extensions and sizes.
std::vector<TRecord> BigMedia(int files) {
  static const char* kExtensions[] = {".txt", ".jpg", ".mp3",  ".pdf",
                                      ".zip", ".exe", ".docx", ".c"};
  std::vector<TRecord> records;
  records.push_back(Entry(-1, kKindFixed, "BIG", 0));
  records[0].FirstChild = 1;
  records[0].DirFolders = 1;
  records[0].AllFolders = 1;
  records[0].AllFiles = files;
  records.push_back(Entry(0, kKindFolder, "big", 0));
  records[1].FirstChild = 2;
  records[1].DirFiles = files;
  records[1].AllFiles = files;
  double total = 0;
  for (int i = 0; i < files; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "file%06d%s", (i * 7919) % files, kExtensions[i % 8]);
    const double size = static_cast<double>((i * 2654435761u) % 50000000u);
    total += size;
    records.push_back(Entry(1, kKindFile, name, size));
  }
  std::sort(records.begin() + 2, records.end(), [](const TRecord& a, const TRecord& b) {
    return text::CompareAnsi(a.Name, b.Name) < 0;
  });
  records[0].Size = records[1].Size = total;
  return records;
}

std::vector<TRecord> SmallMedia(int n) {
  std::vector<TRecord> records;
  records.push_back(Entry(-1, kKindRemovable, "M" + std::to_string(n), 0));
  records[0].FirstChild = 1;
  records[0].DirFiles = 3;
  records[0].AllFiles = 3;
  for (int i = 0; i < 3; ++i)
    records.push_back(Entry(0, kKindFile, "f" + std::to_string(i) + ".txt", 100.0 * i));
  return records;
}

double Ms(QElapsedTimer& timer) {
  return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

void MakeCatalogs(const std::string& big, const std::string& many) {
  if (!std::filesystem::exists(big)) {
    Catalog c;
    c.CreateCatalog(big);
    TMediaInfomation info;
    info.KindName = "HD";
    c.AddMedia(BigMedia(100000), info);
  }
  if (!std::filesystem::exists(many)) {
    Catalog c;
    c.CreateCatalog(many);
    for (int i = 0; i < 2000; ++i) {
      TMediaInfomation info;
      info.KindName = "HD";
      info.Category = "C" + std::to_string(i % 20);
      c.AddMedia(SmallMedia(i), info);
    }
  }
}

// `--open CATALOG`: only the time to show the window on that catalogue, as
// "window-open-ms N" (bench/scale runs it on catalogues of every size).
int OpenOnly(const std::string& catalog) {
  NonInteractivePrompter prompter;
  Settings settings;
  settings.SetString(REG_OpenHist01, QString::fromStdString(catalog));
  QElapsedTimer timer;
  timer.start();
  Session session(prompter);
  TfrmMain window(session);
  window.show();
  QApplication::processEvents();
  std::printf("window-open-ms %.1f\n", Ms(timer));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc > 2 && std::string(argv[1]) == "--open") return OpenOnly(argv[2]);
  const std::string folder = argc > 1 ? argv[1] : "/tmp/plomix-bench";
  std::filesystem::create_directories(folder + "/config");
  qputenv("PLOMIX2_CONFIG_DIR", QByteArray::fromStdString(folder + "/config"));
  const std::string big = folder + "/big.qdb", many = folder + "/many.qdb";
  MakeCatalogs(big, many);
  NonInteractivePrompter prompter;
  Settings settings;

  // Window on 2,000 media, against the engine opening the same catalogue.
  QElapsedTimer timer;
  timer.start();
  {
    Catalog c;
    c.OpenCatalog(many);
    c.ReadLongNames();
    TypeNames names;
    EntryRows rows = BuildEntryRows(c, -1);
    FillRowTexts(c, names, {}, rows.rows);
  }
  const double openPeer = Ms(timer);
  settings.SetString(REG_OpenHist01, QString::fromStdString(many));
  timer.restart();
  {
    Session session(prompter);
    TfrmMain window(session);
    window.show();
    QApplication::processEvents();
    const double open = Ms(timer);
    std::printf("open 2,000 media:        window %8.1f ms   engine alone %8.1f ms   ratio %.1f\n",
                open, openPeer, open / openPeer);
    settings.SetInt(REG_HistListBefor, 0);
  }

  // A folder of 100,000 entries.
  timer.restart();
  {
    Catalog c;
    c.OpenCatalog(big);
    TypeNames names;
    EntryRows rows = BuildEntryRows(c, MakeKey(0, 1));
    FillRowTexts(c, names, {}, rows.rows);
  }
  const double fillPeer = Ms(timer);
  settings.SetString(REG_OpenHist01, QString::fromStdString(big));
  Session session(prompter);
  TfrmMain window(session);
  window.show();
  QApplication::processEvents();
  timer.restart();
  window.Media().GoToPath(QStringLiteral("BIG\\big"));
  QApplication::processEvents();
  const double fill = Ms(timer);
  const int rows = window.Media().ListModel().RowCount();
  std::printf(
      "select 100,000 entries:  window %8.1f ms   engine alone %8.1f ms   ratio %.1f   (%d rows)\n",
      fill, fillPeer, fill / fillPeer, rows);
  timer.restart();
  auto* list = window.findChild<QTableView*>("ListView1");
  for (int i = 0; i < 200; ++i) {
    list->scrollTo(list->model()->index((i * 499) % rows, 0));
    list->viewport()->repaint();
  }
  std::printf("scroll: 200 jumps with repaint %8.1f ms (%.2f ms each)\n", Ms(timer),
              Ms(timer) / 200);
  return 0;
}
