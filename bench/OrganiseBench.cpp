// Times the organising dialogs on a catalogue of 2,000 media and 5,000
// comments, and the media picture on 20-megapixel photos:
// - the category dialog opening, and moving 500 checked media, against the
//   engine alone building the same listings and making the same moves;
// - the comment dialog opening and each column sort, against the engine's
//   own comment list build and sort;
// - switching the picture display between five 20 MP JPEG photos, against
//   decoding each photo at full size (what a display without scaled decoding
//   would do), and the peak memory the pictures add to the process.
// Run through bench/organise, which builds the photos in a separate run so
// that making them does not count towards the peak.

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QImage>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QTreeWidget>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/Catalog.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "organise/Comments.h"
#include "organise/DivList.h"
#include "ui/Session.h"
#include "ui/organise/PxComment.h"
#include "ui/organise/PxDivision.h"
#include "ui/widgets/PictureShow.h"

using namespace plomix;

namespace {

constexpr int kMedia = 2000, kComments = 5000, kPhotos = 5;

double Ms(const QElapsedTimer& timer) {
  return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

long PeakKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

std::vector<TRecord> SmallMedia(int n) {
  std::vector<TRecord> records(4);
  records[0].Kind = kKindRemovable;
  records[0].Name = "M" + std::to_string(n);
  records[0].FirstChild = 1;
  records[0].DirFiles = records[0].AllFiles = 3;
  for (int i = 1; i <= 3; ++i) {
    records[i].Parent = 0;
    records[i].Kind = kKindFile;
    records[i].Name = "f" + std::to_string(i) + ".txt";
    records[i].Size = 100.0 * i;
  }
  return records;
}

void MakeCatalog(const std::string& path) {
  if (std::filesystem::exists(path)) return;
  Catalog c;
  c.CreateCatalog(path);
  for (int i = 0; i < kMedia; ++i) {
    TMediaInfomation info;
    info.KindName = "HD";
    info.Category = "C" + std::to_string(i % 20);
    info.Location = "L" + std::to_string(i % 7);
    c.AddMedia(SmallMedia(i), info);
  }
  for (int i = 0; i < kComments; ++i)
    c.AddComment(i % kMedia * kKeyFactor + 1 + i % 3,
                 "comment " + std::to_string((i * 7919) % kComments), kKindFile,
                 "f" + std::to_string(i % 3) + ".txt");
}

QString PhotoPath(const std::string& folder, int i) {
  return QString::fromStdString(folder + "/photo" + std::to_string(i) + ".jpg");
}

int MakePhotos(const std::string& folder) {
  for (int i = 0; i < kPhotos; ++i) {
    if (std::filesystem::exists(PhotoPath(folder, i).toStdString())) continue;
    QImage image(5472, 3648, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, 5472, 3648);
    g.setColorAt(0, QColor::fromHsv(i * 60, 200, 230));
    g.setColorAt(1, QColor::fromHsv(i * 60 + 30, 120, 90));
    p.fillRect(image.rect(), g);
    for (int k = 0; k < 200; ++k)
      p.fillRect((k * 977) % 5400, (k * 631) % 3600, 60, 60, QColor::fromHsv(k % 360, 255, 255));
    p.end();
    if (!image.save(PhotoPath(folder, i), "JPG", 90)) return 1;
  }
  return 0;
}

void Line(const char* what, double ours, double peer, double target) {
  std::printf("%-34s %8.1f ms   engine/peer %8.1f ms   ratio %5.1f   target %4.0f ms %s\n", what,
              ours, peer, ours / peer, target, ours <= target ? "ok" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const std::string folder = argc > 1 ? argv[1] : "/tmp/plomix-organise-bench";
  std::filesystem::create_directories(folder + "/config");
  if (argc > 2 && std::string(argv[2]) == "photos") return MakePhotos(folder);
  qputenv("PLOMIX2_CONFIG_DIR", QByteArray::fromStdString(folder + "/config"));
  qputenv("PLOMIX2_WALLPAPER", "");
  const std::string path = folder + "/organise.qdb";
  MakeCatalog(path);
  NonInteractivePrompter prompter;
  Session session(prompter);
  Catalog& catalog = session.GetCatalog();
  catalog.OpenCatalog(path);
  catalog.ReadLongNames();

  // ---- Category dialog ----
  QElapsedTimer timer;
  timer.start();
  {
    DivLists lists;
    catalog.RebuildNameLists();
    lists.BuildDivList(catalog, 0, DivMode::Category, "");
    lists.BuildDivList(catalog, 1, DivMode::Category, "C0");
  }
  const double openPeer = Ms(timer);
  timer.restart();
  TfrmDivision division(session, DivMode::Category);
  division.show();
  QApplication::processEvents();
  Line("category dialog opens (2,000)", Ms(timer), openPeer, 300);

  std::vector<int> slots;
  for (int i = 0; i < 500; ++i) slots.push_back(i);
  timer.restart();
  {
    MoveMedia(catalog, slots, DivMode::Category, "C0");
    DivLists lists;
    lists.BuildDivList(catalog, 0, DivMode::Category, "");
    lists.BuildDivList(catalog, 1, DivMode::Category, "C0");
  }
  const double movePeer = Ms(timer);
  catalog.OpenCatalog();
  division.TabControl2->setCurrentIndex(division.TabControl2->count() - 1);  // C9
  for (int i = 0; i < 500; ++i) division.ListView1->topLevelItem(i)->setCheckState(0, Qt::Checked);
  timer.restart();
  division.cmdMove->click();
  QApplication::processEvents();
  Line("move 500 checked media", Ms(timer), movePeer, 1000);
  division.reject();

  // ---- Comment dialog ----
  timer.restart();
  catalog.BuildCommentList();
  catalog.SortCommentList(0, true);
  const double commentPeer = Ms(timer);
  catalog.LoadMedia(0);
  TRecord row;
  row.Key = 1;
  row.Kind = kKindFile;
  row.CommentNo = 0;
  timer.restart();
  {
    TfrmComment comment(session, row);
    comment.show();
    QApplication::processEvents();
    Line("comment dialog opens (5,000)", Ms(timer), commentPeer, 300);
    for (int column : {1, 2, 3, 0}) {
      timer.restart();
      catalog.BuildCommentList();
      catalog.SortCommentList(column, true);
      const double sortPeer = Ms(timer);
      timer.restart();
      comment.ListView1->horizontalHeader()->sectionClicked(column);
      QApplication::processEvents();
      const std::string what = "comment sort by column " + std::to_string(column);
      Line(what.c_str(), Ms(timer), sortPeer, 300);
    }
  }

  // ---- Pictures ----
  PictureShow show;
  show.resize(320, 240);
  show.SetTransitionMs(0);
  show.show();
  QApplication::processEvents();
  const long before = PeakKb();
  double slowest = 0, total = 0;
  for (int round = 0; round < 2; ++round)
    for (int i = 0; i < kPhotos; ++i) {
      timer.restart();
      show.ShowPath(PhotoPath(folder, i));
      show.repaint();
      const double ms = Ms(timer);
      slowest = std::max(slowest, ms);
      total += ms;
    }
  const long added = PeakKb() - before;
  timer.restart();
  for (int i = 0; i < kPhotos; ++i) {
    QImageReader reader(PhotoPath(folder, i));
    const QImage full = reader.read();
    if (full.isNull()) return 1;
  }
  const double fullPeer = Ms(timer) / kPhotos;
  Line("switch 20 MP photo (slowest)", slowest, fullPeer, 300);
  std::printf("%-34s %8.1f ms mean\n", "switch 20 MP photo", total / (2 * kPhotos));
  std::printf("%-34s %8.1f MB   target  100 MB %s\n", "peak memory added by pictures",
              added / 1024.0, added <= 100 * 1024 ? "ok" : "MISSED");
  return 0;
}
