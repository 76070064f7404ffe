#pragma once
// A folder tree whose names code page 932 cannot all hold: accented Latin,
// Korean, emoji, bytes that are no UTF-8, backslashes, and names it holds
// exactly (which must get no exact name). Shared by the tests of reading,
// listing, searching and analysing.

#include <filesystem>
#include <string>
#include <vector>

#include "support/MediaBuilder.h"

namespace plomix::test {

struct ExactTreeEntry {
  std::string path;  // native bytes, relative to the root ("/" between folders)
  bool folder;
  bool exact;  // CP932 cannot hold the last name: it gets an exact name
};

inline const std::vector<ExactTreeEntry>& ExactTreeEntries() {
  static const std::vector<ExactTreeEntry> entries = {
      {"F\xC5\x91tan\xC3\xBAs\xC3\xADtv\xC3\xA1ny.crt", false, true},  // Főtanúsítvány.crt
      {"\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4 \xED\x8C\x8C\xEC\x9D\xBC.txt", false, true},
      {"emoji \xF0\x9F\x98\x80\xF0\x9F\x8E\x89.txt", false, true},  // emoji 😀🎉.txt
      {"emoji \xF0\x9F\x8E\x89\xF0\x9F\x98\x80.txt", false, true},  // same length, other emoji
      {"bad\xFF\xFEname.bin", false, true},
      {"back\\slash.txt", false, false},
      {"a\\x41 \xF0\x9F\x98\x80.txt", false, true},  // a backslash that looks like an escape
      {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt", false, false},  // 日本語.txt
      {"plain.txt", false, false},
      {"\xC3\x9Cn\xC3\xAF"
       "c\xC3\xB6"
       "d\xC3\xA9",
       true, true},  // Ünïcödé
      {"\xC3\x9Cn\xC3\xAF"
       "c\xC3\xB6"
       "d\xC3\xA9/inner \xF0\x9F\x98\x80.txt",
       false, true},
      {"\xC3\x9Cn\xC3\xAF"
       "c\xC3\xB6"
       "d\xC3\xA9/plain.txt",
       false, false},
  };
  return entries;
}

// The last name of an entry's path.
inline std::string ExactTreeName(const ExactTreeEntry& e) {
  const std::size_t slash = e.path.rfind('/');
  return slash == std::string::npos ? e.path : e.path.substr(slash + 1);
}

// Creates the tree under `root`; files are 10 bytes each.
inline void MakeExactNameTree(const std::filesystem::path& root) {
  std::filesystem::create_directories(root);
  for (const ExactTreeEntry& e : ExactTreeEntries()) {
    const std::string path = root.string() + "/" + e.path;
    if (e.folder) {
      std::filesystem::create_directories(path);
      continue;
    }
    MakeFile(path, 10);
  }
}

}  // namespace plomix::test
