// Benchmark helper for bench/analysis (not part of the test suite).
//
//   make-analysis-catalog make PATH ENTRIES   one media of ENTRIES entries whose
//                                             file names repeat as on real disks
//   make-analysis-catalog dump PATH NAMES     every file name of every live media,
//                                             one per line, for the peer command

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Text.h"

namespace {

using plomix::TRecord;

const char* const kCommon[] = {"readme.txt", "index.html",  "Thumbs.db", "desktop.ini",
                               "setup.exe",  "資料.xls",    "README.md", "style.css",
                               "logo.png",   "議事録.docx", "data.csv",  "LICENSE"};
const char* const kWords[] = {"report", "photo", "backup", "データ", "資料",  "invoice", "track",
                              "movie",  "旅行",  "写真",   "draft",  "final", "copy",    "scan"};
const char* const kExtensions[] = {".txt", ".jpg", ".JPG", ".pdf", ".doc",
                                   ".mp3", ".xls", ".zip", ".png", ".docx"};

class Names {
 public:
  // A quarter camera pictures, a tenth files every folder has, some music,
  // the rest mostly unique document names.
  std::string File() {
    const unsigned kind = rng_() % 20;
    char buffer[128];
    if (kind < 5) {
      std::snprintf(buffer, sizeof buffer, "%s_%04u.JPG", rng_() % 4 ? "IMG" : "DSC",
                    static_cast<unsigned>(rng_() % 10000));
    } else if (kind < 7) {
      return plomix::text::Utf8ToCp932(kCommon[rng_() % std::size(kCommon)]);
    } else if (kind < 10) {
      std::snprintf(buffer, sizeof buffer, "%02u - Track %u.mp3",
                    static_cast<unsigned>(1 + rng_() % 20), static_cast<unsigned>(rng_() % 3000));
    } else {
      std::snprintf(buffer, sizeof buffer, "%s_%s_%06u%s", kWords[rng_() % std::size(kWords)],
                    kWords[rng_() % std::size(kWords)], static_cast<unsigned>(rng_() % 1000000),
                    kExtensions[rng_() % std::size(kExtensions)]);
    }
    return plomix::text::Utf8ToCp932(buffer);
  }
  std::string Folder(int n) { return "folder " + std::to_string(n); }
  unsigned Next() { return rng_(); }
  int32_t Date() {
    return plomix::PackDosDateTime({static_cast<int>(2000 + rng_() % 25),
                                    static_cast<int>(1 + rng_() % 12),
                                    static_cast<int>(1 + rng_() % 28), 12, 0, 0});
  }

 private:
  std::mt19937 rng_{7};
};

int Make(const std::string& path, int entries) {
  Names names;
  std::vector<TRecord> records(1);
  records[0].Kind = plomix::kKindFixed;
  records[0].Attr = plomix::kAttrDirectory;
  records[0].Name = "Bench";
  // Breadth first: each folder's entries form one run after all earlier runs.
  std::deque<int> folders{0};
  int folderCount = 0;
  while (static_cast<int>(records.size()) <= entries && !folders.empty()) {
    const int parent = folders.front();
    folders.pop_front();
    const int children = 5 + static_cast<int>(names.Next() % 40);
    records[parent].FirstChild = static_cast<int32_t>(records.size());
    for (int c = 0; c < children && static_cast<int>(records.size()) <= entries; ++c) {
      TRecord r;
      r.Parent = parent;
      const bool folder = names.Next() % 12 == 0 || folders.size() < 2;
      r.Kind = folder ? plomix::kKindFolder : plomix::kKindFile;
      r.Attr = folder ? plomix::kAttrDirectory : plomix::kAttrArchive;
      r.Name = folder ? names.Folder(++folderCount) : names.File();
      r.Size = folder ? 0 : static_cast<double>(names.Next() % 5000000);
      r.FileDate = names.Date();
      if (folder) folders.push_back(static_cast<int>(records.size()));
      records.push_back(std::move(r));
    }
  }
  plomix::Catalog catalog;
  if (!catalog.CreateCatalog(path)) {
    std::fprintf(stderr, "cannot create %s: %s\n", path.c_str(), catalog.LastError().c_str());
    return 1;
  }
  plomix::TMediaInfomation info;
  if (!catalog.AddMedia(records, info)) {
    std::fprintf(stderr, "cannot add the media\n");
    return 1;
  }
  std::printf("%s: %zu entries\n", path.c_str(), records.size() - 1);
  return 0;
}

int Dump(const std::string& path, const std::string& namesPath) {
  plomix::Catalog catalog;
  if (!catalog.OpenCatalog(path) || !catalog.ReadLongNames()) {
    std::fprintf(stderr, "cannot open %s\n", path.c_str());
    return 1;
  }
  std::ofstream out(namesPath, std::ios::binary);
  long files = 0;
  for (int s = 0; s < catalog.SlotsUsed(); ++s) {
    if (!catalog.Slot(s).IsLive()) continue;
    catalog.VisitMediaRecords(s, [&](int32_t i, const plomix::TFileRec& rec) {
      if (i == 0 || (rec.Attr() & plomix::kAttrDirectory) != 0) return;
      out << catalog.LongNameOfRecord(s, i, rec.Name()) << '\n';
      ++files;
    });
  }
  out.close();
  if (!out) return 1;
  std::printf("%ld\n", files);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (argc == 4 && mode == "make") return Make(argv[2], std::atoi(argv[3]));
  if (argc == 4 && mode == "dump") return Dump(argv[2], argv[3]);
  std::fprintf(stderr, "usage: %s make PATH ENTRIES | dump PATH NAMES\n", argv[0]);
  return 2;
}
