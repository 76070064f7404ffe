// Benchmark helper (not part of the test suite): writes a catalogue of
// synthetic media with about ENTRIES entries in total, for bench/search when
// no catalogue of a real tree is at hand.
//
//   make-search-catalog PATH ENTRIES [MEDIA]

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Text.h"

namespace {

using plomix::TRecord;

const char* const kWords[] = {"report", "Report",  "IMG",   "photo",  "backup", "データ",
                              "資料",   "invoice", "setup", "readme", "track",  "movie"};
const char* const kExtensions[] = {".txt", ".jpg", ".JPG", ".pdf", ".doc",
                                   ".mp3", ".xls", ".zip", ".exe", ".dll"};

class Names {
 public:
  std::string File() {
    const auto word = kWords[rng_() % std::size(kWords)];
    const auto ext = kExtensions[rng_() % std::size(kExtensions)];
    return plomix::text::Utf8ToCp932(std::string(word) + "_" + std::to_string(2000 + rng_() % 25) +
                                     "_" + std::to_string(rng_() % 100000) + ext);
  }
  double Size() { return static_cast<double>(rng_() % 5000000); }
  int32_t Date() {
    return plomix::PackDosDateTime({static_cast<int>(2000 + rng_() % 25),
                                    static_cast<int>(1 + rng_() % 12),
                                    static_cast<int>(1 + rng_() % 28), 12, 0, 0});
  }

 private:
  std::mt19937 rng_{42};
};

TRecord Make(int parent, bool folder, std::string name, double size, int32_t date) {
  TRecord r;
  r.Parent = parent;
  r.Kind = folder ? plomix::kKindFolder : plomix::kKindFile;
  r.Attr = folder ? plomix::kAttrDirectory : plomix::kAttrArchive;
  r.Name = std::move(name);
  r.Size = size;
  r.Allocated = size;
  r.FileDate = date;
  return r;
}

// Breadth first: 20 folders in the root, 25 in each of them, files below.
std::vector<TRecord> MakeMedia(const std::string& name, int entries, Names& names) {
  constexpr int kTop = 20, kMiddle = 25;
  const int leaves = kTop * kMiddle;
  const int filesPerLeaf = std::max(1, (entries - 1 - kTop - leaves) / leaves);
  std::vector<TRecord> recs;
  recs.push_back(Make(-1, true, name, 0, names.Date()));
  recs[0].Kind = plomix::kKindFixed;
  for (int i = 0; i < kTop; ++i)
    recs.push_back(Make(0, true, "dir" + std::to_string(1000 + i), 0, names.Date()));
  for (int i = 0; i < kTop; ++i) {
    recs[1 + i].FirstChild = static_cast<int>(recs.size());
    for (int j = 0; j < kMiddle; ++j)
      recs.push_back(Make(1 + i, true, "sub" + std::to_string(1000 + j), 0, names.Date()));
  }
  for (int leaf = 0; leaf < leaves; ++leaf) {
    const int folder = 1 + kTop + leaf;
    recs[folder].FirstChild = static_cast<int>(recs.size());
    for (int k = 0; k < filesPerLeaf; ++k)
      recs.push_back(Make(folder, false, names.File(), names.Size(), names.Date()));
  }
  recs[0].FirstChild = 1;
  return recs;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s PATH ENTRIES [MEDIA]\n", argv[0]);
    return 2;
  }
  const int entries = std::atoi(argv[2]);
  const int media = argc > 3 ? std::max(1, std::atoi(argv[3])) : 4;
  plomix::Catalog catalog;
  if (!catalog.CreateCatalog(argv[1])) {
    std::fprintf(stderr, "%s\n", catalog.LastError().c_str());
    return 1;
  }
  Names names;
  for (int m = 0; m < media; ++m) {
    plomix::TMediaInfomation info;
    info.Category = "bench";
    if (!catalog.AddMedia(MakeMedia("MEDIA" + std::to_string(m + 1), entries / media, names),
                          info)) {
      std::fprintf(stderr, "cannot add media %d\n", m + 1);
      return 1;
    }
  }
  return 0;
}
