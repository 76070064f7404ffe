#pragma once
// Small catalogues for the analysis tests: media given as lists of entries.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Catalog.h"
#include "support/TestSupport.h"

namespace plomix::test {

// One entry of a media; `parent` is the index of its folder (0: the root).
struct Entry {
  const char* name;  // UTF-8
  double size = 0;
  int32_t date = 0;
  bool folder = false;
  int parent = 0;
};

inline std::vector<TRecord> MediaRecords(const char* mediaName, const std::vector<Entry>& entries) {
  std::vector<TRecord> records(entries.size() + 1);
  records[0].Kind = kKindFixed;
  records[0].Attr = kAttrDirectory;
  records[0].Name = Sj(mediaName);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    TRecord& r = records[i + 1];
    const Entry& e = entries[i];
    r.Name = Sj(e.name);
    r.Parent = e.parent;
    r.Kind = e.folder ? kKindFolder : kKindFile;
    r.Attr = e.folder ? kAttrDirectory : kAttrArchive;
    r.Size = e.size;
    r.FileDate = e.date;
    if (records[e.parent].FirstChild < 0)
      records[e.parent].FirstChild = static_cast<int32_t>(i + 1);
  }
  return records;
}

// A media filed under `category` (UTF-8), on shelf 棚A, detail 3; false when
// the catalogue refuses it.
inline bool AddMediaIn(Catalog& catalog, const char* mediaName, const char* category,
                       const std::vector<Entry>& entries) {
  std::vector<TRecord> records = MediaRecords(mediaName, entries);
  TMediaInfomation info;
  info.Drive = "d";
  info.Category = Sj(category);
  info.Location = Sj("棚A");
  info.LocationDetail = "3";
  return catalog.AddMedia(records, info);
}

inline void AddTestMedia(Catalog& catalog, const char* mediaName,
                         const std::vector<Entry>& entries) {
  ASSERT_TRUE(AddMediaIn(catalog, mediaName, "写真", entries));
}

// A fresh catalogue "t.qdb" in `dir`.
inline void CreateTestCatalog(Catalog& catalog, const TempDir& dir) {
  ASSERT_TRUE(catalog.CreateCatalog(dir.File("t.qdb")));
}

}  // namespace plomix::test
