#pragma once
// Small catalogues for the analysis tests: media given as lists of entries.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Catalog.h"
#include "support/MediaBuilder.h"
#include "support/TestSupport.h"

namespace plomix::test {

// One entry of a media (MediaRecords).
using Entry = MediaEntry;

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
