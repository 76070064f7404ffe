#pragma once
// Builders of small media for the catalogue tests.

#include <string>
#include <vector>

#include "core/Catalog.h"
#include "core/Records.h"

namespace plomix::test {

// A media whose root holds `files` files named f0, f1, ... (sizes 100 each).
inline std::vector<TRecord> FlatMedia(const std::string& name, int files) {
  std::vector<TRecord> recs(static_cast<std::size_t>(files) + 1);
  recs[0].Kind = kKindFixed;
  recs[0].Attr = kAttrDirectory;
  recs[0].Name = name;
  recs[0].FirstChild = files > 0 ? 1 : -1;
  recs[0].DirFiles = recs[0].AllFiles = files;
  recs[0].Size = 100.0 * files;
  for (int i = 1; i <= files; ++i) {
    recs[i].Parent = 0;
    recs[i].Kind = kKindFile;
    recs[i].Attr = kAttrArchive;
    recs[i].Name = "f" + std::to_string(i - 1);
    recs[i].Size = 100;
    recs[i].Allocated = 4096;
  }
  return recs;
}

// Media "name" with folder A holding folder B holding file "leaf.txt":
// records 0 root, 1 A, 2 B, 3 leaf.txt.
inline std::vector<TRecord> NestedMedia(const std::string& name) {
  std::vector<TRecord> recs(4);
  recs[0].Kind = kKindFixed;
  recs[0].Attr = kAttrDirectory;
  recs[0].Name = name;
  recs[0].FirstChild = 1;
  recs[1] = {
      .Parent = 0, .FirstChild = 2, .Kind = kKindFolder, .Attr = kAttrDirectory, .Name = "A"};
  recs[2] = {
      .Parent = 1, .FirstChild = 3, .Kind = kKindFolder, .Attr = kAttrDirectory, .Name = "B"};
  recs[3] = {.Parent = 2, .Kind = kKindFile, .Attr = kAttrArchive, .Name = "leaf.txt", .Size = 5};
  return recs;
}

inline TMediaInfomation InfoFor(const std::string& category = "HD") {
  TMediaInfomation info;
  info.Drive = "d";
  info.KindName = "HD";
  info.Category = category;
  info.ClusterSize = 4096;
  return info;
}

}  // namespace plomix::test
