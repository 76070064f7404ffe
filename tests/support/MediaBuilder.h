#pragma once
// Media for tests, made the three ways tests need them:
// - as records for Catalog::AddMedia (MediaRecords, FlatMedia, NestedMedia,
//   with InfoFor for their media information; single records: MakeEntry of
//   TestSupport.h);
// - as folders on disk for a read (MakeFile, MakeSampleMediaFolder);
// - as a folder on disk read by the scanner and stored through the engine
//   (StoreFolderAsMedia): a media exactly as a read stores it, for the tests
//   that need one without reading through the window's dialog.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/Catalog.h"
#include "core/Records.h"
#include "reading/ReadRequest.h"
#include "reading/Scanner.h"
#include "support/TestSupport.h"

namespace plomix::test {

// ---------------------------------------------------------------- records

// One entry of a media for MediaRecords; `parent` is the index of its folder
// (0: the root, else 1 + the folder's index in the list).
struct MediaEntry {
  const char* name;  // UTF-8
  double size = 0;
  int32_t date = 0;
  bool folder = false;
  int parent = 0;
};

// The records of a fixed-disk media `mediaName` (UTF-8) holding `entries`.
inline std::vector<TRecord> MediaRecords(const char* mediaName,
                                         const std::vector<MediaEntry>& entries) {
  std::vector<TRecord> records(entries.size() + 1);
  records[0].Kind = kKindFixed;
  records[0].Attr = kAttrDirectory;
  records[0].Name = Sj(mediaName);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    TRecord& r = records[i + 1];
    const MediaEntry& e = entries[i];
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

// A media whose root holds `files` files named f0, f1, ... (sizes 100 each),
// with the root's counts filled in.
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

// Media information of a fixed disk on drive d, filed under `category` (CP932).
inline TMediaInfomation InfoFor(const std::string& category = "HD") {
  TMediaInfomation info;
  info.Drive = "d";
  info.KindName = "HD";
  info.Category = category;
  info.ClusterSize = 4096;
  return info;
}

// ---------------------------------------------------------------- on disk

// A file of `size` bytes (sparse) with a modification time, its folders made.
inline void MakeFile(const std::filesystem::path& path, long long size, time_t mtime = 0) {
  std::filesystem::create_directories(path.parent_path());
  const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
  if (fd < 0 || ::ftruncate(fd, size) != 0)
    throw std::runtime_error("cannot make " + path.string());
  if (mtime != 0) {
    const struct timespec times[2] = {{mtime, 0}, {mtime, 0}};
    ::futimens(fd, times);
  }
  ::close(fd);
}

// The small media folder the window tests use:
// 資料/ (報告書.txt 2048 B, 旧版/ (a.txt 1 B)), 単独.bin 10 B, filled with 'x'.
inline bool MakeSampleMediaFolder(const QString& folder) {
  if (!QDir().mkpath(folder + "/資料/旧版")) return false;
  const auto write = [](const QString& path, int size) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(QByteArray(size, 'x')) == size;
  };
  return write(folder + "/資料/報告書.txt", 2048) && write(folder + "/資料/旧版/a.txt", 1) &&
         write(folder + "/単独.bin", 10);
}

// ---------------------------------------------------------------- stored

// Reads the folder `root` with the scanner as a fixed-disk media on drive e
// named `mediaName` (CP932), filed under `category` (CP932; empty: the kind
// name), and stores it in `catalog`; the slot. Throws when a step fails.
inline int StoreFolderAsMedia(Catalog& catalog, const std::filesystem::path& root,
                              const std::string& mediaName, const std::string& category = {}) {
  Scanner scanner;
  ReadRequest request;
  request.drive = "e";
  request.mediaName = mediaName;
  request.category = category;
  ScanSetup setup;
  setup.rootFolder = root.string();
  setup.drive = "e";
  setup.kind = kKindFixed;
  setup.clusterSize = 4096;
  if (!scanner.ReadTree(request, setup)) throw std::runtime_error("tree not read");
  const std::optional<int> slot = catalog.StoreMedia(scanner, scanner.CurrentMedia());
  if (!slot) throw std::runtime_error("media not stored");
  return *slot;
}

}  // namespace plomix::test
