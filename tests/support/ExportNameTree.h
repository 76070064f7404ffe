#pragma once
// A small folder tree read into a real catalogue for the export tests: names
// code page 932 cannot hold (accented Latin, a Korean folder holding an emoji
// file), a name with a line break (which it holds) and a plain name.

#include <filesystem>
#include <string>
#include <vector>

#include "core/Catalog.h"
#include "support/MediaBuilder.h"

namespace plomix::test {

struct ExportNameCase {
  const char* what;
  std::string path;  // UTF-8, relative to the media root, "/" between folders
  int lostNames;     // names of the path CP932 cannot hold
};

inline const std::vector<ExportNameCase>& ExportNameCases() {
  static const std::vector<ExportNameCase> cases = {
      {"accented", "caf\xC3\xA9.txt", 1},  // café.txt
      {"Hangul folder, emoji file", "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4/\xF0\x9F\x93\xB7.jpg",
       2},  // 한국어/📷.jpg
      {"line break", "line\nbreak.txt", 0},
      {"plain", "plain.txt", 0},
  };
  return cases;
}

// Makes the tree under `root` and reads it as media `mediaName`; the slot.
inline int ReadExportNameTree(Catalog& catalog, const std::filesystem::path& root,
                              const std::string& mediaName = "Media") {
  for (const ExportNameCase& c : ExportNameCases()) MakeFile(root / c.path, 10);
  return StoreFolderAsMedia(catalog, root, mediaName);
}

// The record of `path` (as in the table) in the loaded media, -1 when none.
inline int RecordOfPath(Catalog& catalog, int slot, const std::string& path) {
  if (!catalog.LoadMedia(slot)) return -1;
  for (int r = 1; r < catalog.LoadedCount(); ++r) {
    std::string full = catalog.NativeRecordName(r);
    for (int p = catalog.LoadedRec(r).Parent(); p > 0; p = catalog.LoadedRec(p).Parent())
      full = catalog.NativeRecordName(p) + "/" + full;
    if (full == path) return r;
  }
  return -1;
}

}  // namespace plomix::test
