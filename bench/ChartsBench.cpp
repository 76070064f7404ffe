// Times the size charts and the date/time page on large catalogues:
//   - a folder of 100,000 entries: the bar chart's first page and the pie
//     after the file list is filled (target 150 ms), one more bar page
//     (30 ms), one turning step of the pie (8 ms);
//   - a media of 1,000,000 records: the date/time distribution (300 ms).
// Each figure is printed against its target and against a peer measured in
// the same run: filling the file list's rows for the folder, and loading the
// media's records for the distribution. Run through bench/charts.

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <vector>

#include "browse/EntryRows.h"
#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/TypeNames.h"
#include "ui/DatePage.h"
#include "ui/Session.h"
#include "ui/SizeChartPage.h"
#include "ui/SizeChartState.h"
#include "ui/TopNPage.h"
#include "ui/charts/BarChart.h"
#include "ui/charts/PieChart.h"

using namespace plomix;

namespace {

constexpr int kFolderEntries = 100000;
constexpr int kFolders = 1000;
constexpr int kFilesPerFolder = 999;  // 1 + 1,000 + 999,000 = 1,000,001 records

int32_t StampOf(int i) {
  return PackDosDateTime({2000 + i % 25, 1 + i / 25 % 12, 1 + i % 28, i / 7 % 24, i % 60, 0});
}

// The records of a media made on the fly, so that a million of them never
// sit in memory as TRecords.
class GeneratedMedia : public MediaRecordSource {
 public:
  explicit GeneratedMedia(bool wide) : wide_(wide) {}
  int32_t RecordCount() const override {
    return wide_ ? 2 + kFolderEntries : 1 + kFolders + kFolders * kFilesPerFolder;
  }
  void Fetch(int32_t index, TRecord& out) const override {
    out = TRecord();
    if (index == 0) {
      out.Kind = kKindFixed;
      out.Attr = kAttrDirectory;
      out.Name = wide_ ? "WIDE" : "HUGE";
      out.FirstChild = 1;
      out.FileDate = StampOf(7);
      out.DirFolders = static_cast<int16_t>(wide_ ? 1 : kFolders);
      out.AllFolders = out.DirFolders;
      out.AllFiles = wide_ ? kFolderEntries : kFolders * kFilesPerFolder;
      return;
    }
    if (wide_) {
      if (index == 1) {
        Folder(out, 0, "big", 2, kFolderEntries);
        return;
      }
      File(out, 1, index);
      // Sizes from 0 to 50 MB, and one file of 5 GiB.
      out.Size =
          index == 50000 ? 5368709120.0 : static_cast<double>((index * 2654435761u) % 50000000u);
      out.Allocated = std::ceil(out.Size / 4096) * 4096;
      return;
    }
    if (index <= kFolders) {
      Folder(out, 0, "d" + std::to_string(index), 1 + kFolders + (index - 1) * kFilesPerFolder,
             kFilesPerFolder);
      return;
    }
    File(out, 1 + (index - 1 - kFolders) / kFilesPerFolder, index);
  }

 private:
  static void Folder(TRecord& out, int32_t parent, const std::string& name, int32_t first,
                     int files) {
    out.Parent = parent;
    out.FirstChild = first;
    out.Kind = kKindFolder;
    out.Attr = kAttrDirectory;
    out.Name = name;
    out.FileDate = StampOf(first);
    out.DirFiles = out.AllFiles = files;
  }
  static void File(TRecord& out, int32_t parent, int32_t index) {
    out.Parent = parent;
    out.Kind = kKindFile;
    out.Attr = kAttrArchive;
    out.Name = "file" + std::to_string(index) + (index % 3 == 0 ? ".jpg" : ".txt");
    out.Size = index % 5000;
    out.Allocated = 4096;
    out.FileDate = StampOf(index);
  }
  bool wide_;
};

void MakeCatalog(const std::string& path, bool wide) {
  if (std::filesystem::exists(path)) return;
  Catalog c;
  c.CreateCatalog(path);
  TMediaInfomation info;
  info.KindName = "HD";
  info.ClusterSize = 4096;
  info.OldestFileDate = PackDosDateTime({2000, 1, 1, 0, 0, 0});
  info.NewestFileDate = PackDosDateTime({2024, 12, 28, 23, 0, 0});
  c.AddMedia(GeneratedMedia(wide), info);
}

double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Medians of `runs` timings of `work` in milliseconds: wall-clock time, and
// the processor time of this thread, which stays meaningful on a machine
// busy with other work.
struct Timing {
  double wall = 0, cpu = 0;
};
Timing Median(int runs, const std::function<void()>& work) {
  std::vector<double> wall, cpu;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer timer;
    const double cpuStart = ThreadCpuMs();
    timer.start();
    work();
    wall.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    cpu.push_back(ThreadCpuMs() - cpuStart);
  }
  std::sort(wall.begin(), wall.end());
  std::sort(cpu.begin(), cpu.end());
  return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

void Report(const char* what, Timing t, double target, const char* peerName, Timing peer) {
  std::printf(
      "%-34s wall %8.2f ms  cpu %8.2f ms   target %4.0f ms (cpu %4.2f of it)   %s cpu %7.2f ms "
      "(ratio %.2f)\n",
      what, t.wall, t.cpu, target, t.cpu / target, peerName, peer.cpu, t.cpu / peer.cpu);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const std::string folder = argc > 1 ? argv[1] : "/tmp/plomix-bench-charts";
  std::filesystem::create_directories(folder + "/config");
  qputenv("PLOMIX2_CONFIG_DIR", QByteArray::fromStdString(folder + "/config"));
  const std::string wide = folder + "/wide.qdb", huge = folder + "/huge.qdb";
  MakeCatalog(wide, true);
  MakeCatalog(huge, false);
  NonInteractivePrompter prompter;
  Session session(prompter);
  Settings& settings = session.GetSettings();

  // ---- A folder of 100,000 entries ----
  Catalog& catalog = session.GetCatalog();
  catalog.OpenCatalog(wide);
  TypeNames names;
  EntryRows rows;
  const Timing listPeer = Median(5, [&] {
    rows = BuildEntryRows(catalog, MakeKey(0, 1));
    FillRowTexts(catalog, names, {}, rows.rows);
  });
  SizeChartState state(settings, prompter);
  SizeChartPage bars(session, state);
  TopNPage pie(session, state);
  bars.resize(1000, 700);
  pie.resize(1000, 700);
  bars.show();
  pie.show();
  QApplication::processEvents();
  const Timing first = Median(5, [&] {
    state.Fill(rows.rows, false, catalog);
    bars.ChartMedia->repaint();
    pie.ChartMedia2->repaint();
  });
  Report("first bar page and pie (100,000)", first, 150, "list rows", listPeer);

  int page = 0;
  const Timing paging = Median(41, [&] {
    page = (page + 10) % kFolderEntries;
    bars.ScrollBarChartMedia->setValue(page);
    bars.ChartMedia->repaint();
  });
  Report("one bar page", paging, 30, "list rows", listPeer);

  const Timing frame = Median(121, [&] {
    pie.ChartMedia2->Rotate(pie.ChartMedia2->RotationStep());
    pie.ChartMedia2->repaint();
  });
  Report("one turning step of the pie", frame, 8, "list rows", listPeer);

  // ---- A media of 1,000,001 records ----
  const Timing loadPeer = Median(3, [&] {
    Catalog fresh;
    fresh.OpenCatalog(huge);
    fresh.LoadMedia(0);
  });
  Session bigSession(prompter);
  bigSession.GetCatalog().OpenCatalog(huge);
  bigSession.GetCatalog().LoadMedia(0);
  DatePage dates(bigSession);
  dates.resize(1000, 700);
  dates.show();
  QApplication::processEvents();
  const Timing distribution = Median(5, [&] {
    dates.ShowDistribution(MakeKey(0, 0));
    dates.StringGridDateTime->viewport()->repaint();
  });
  Report("date distribution (1,000,001)", distribution, 300, "loading the media", loadPeer);
  dates.SetMonthInterval(1);
  dates.SetHourInterval(1);
  const Timing fine = Median(5, [&] {
    dates.ShowDistribution(MakeKey(0, 0));
    dates.StringGridDateTime->viewport()->repaint();
  });
  Report("  the same, 1 month x 1 hour", fine, 300, "loading the media", loadPeer);
  return 0;
}
