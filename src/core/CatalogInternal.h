#pragma once
// Helpers shared by the files that implement Catalog; not part of its
// interface.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/BinaryFile.h"
#include "core/Catalog.h"
#include "core/Text.h"

namespace plomix::catalog_internal {

namespace fs = std::filesystem;

// Records are written and read in blocks of this many.
constexpr int32_t kRecordBlock = 8192;

constexpr auto kAreasSize = static_cast<std::size_t>(kRecordAreaOffset);

// The compaction's commit mark: while it exists, NAME.qdb.new and NAME.lfn.new
// are the catalogue and must be renamed into place before anything else.
inline std::string JournalPath(const std::string& catalog) {
  return catalog + ".journal";
}

// A replacing add's intent: while it exists, the media it names as replaced
// goes once its successor is stored (see Catalog::FinishReplace).
inline std::string ReplaceIntentPath(const std::string& catalog) {
  return catalog + ".replacing";
}

// Writes the images of a table that differ from their bytes on disk (`disk`
// holds the areas from offset 0), as one write from the first to the last of
// them. When it fails a part may have landed: the old bytes are put back on
// disk (best effort) and in the table.
template <typename Image>
void WriteChangedImages(BinaryFile& file, std::vector<Image>& table, std::vector<uint8_t>& disk,
                        int64_t areaOffset) {
  constexpr auto kSize = static_cast<int64_t>(Image::kSize);
  const auto at = [&](std::size_t i) { return disk.data() + areaOffset + kSize * i; };
  std::size_t first = table.size(), last = 0;
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (std::equal(at(i), at(i) + kSize, table[i].Data())) continue;
    first = std::min(first, i);
    last = i;
  }
  if (first == table.size()) return;
  std::vector<uint8_t> bytes(static_cast<std::size_t>(kSize) * (last - first + 1));
  for (std::size_t i = first; i <= last; ++i)
    std::copy_n(table[i].Data(), kSize, &bytes[kSize * (i - first)]);
  const int64_t offset = areaOffset + kSize * static_cast<int64_t>(first);
  try {
    file.WriteAt(offset, bytes.data(), bytes.size());
  } catch (...) {
    try {
      file.WriteAt(offset, at(first), bytes.size());
    } catch (const CatalogError&) {
    }
    for (std::size_t i = first; i <= last; ++i) table[i].CopyFrom(0, at(i), kSize);
    throw;
  }
  std::copy(bytes.begin(), bytes.end(), disk.begin() + offset);
}

inline std::string ReplaceExtension(const std::string& path, const char* ext) {
  fs::path p(path);
  p.replace_extension(ext);
  return p.string();
}

// The catalogue and its side files, in the order a creation over them
// replaces them; each is kept aside as PATH.undo while that runs.
inline std::vector<std::string> CatalogueFiles(const std::string& catalogPath) {
  return {catalogPath,
          ReplaceExtension(catalogPath, ".lfn"),
          ReplaceExtension(catalogPath, ".exn"),
          ReplaceExtension(catalogPath, ".dup"),
          ReplaceExtension(catalogPath, ".lik"),
          ReplaceExtension(catalogPath, ".fpr")};
}

inline int64_t LongNameKey(int slot, int32_t record) {
  return (int64_t{slot} << 32) | static_cast<uint32_t>(record);
}

inline const std::string& AllCategoriesText() {
  static const std::string all = text::Utf8ToCp932("すべて");
  return all;
}

class VectorSource : public MediaRecordSource {
 public:
  explicit VectorSource(const std::vector<TRecord>& records) : records_(records) {}
  int32_t RecordCount() const override { return static_cast<int32_t>(records_.size()); }
  void Fetch(int32_t index, TRecord& out) const override { out = records_.at(index); }
  std::string_view NativeName(int32_t index) const override { return records_.at(index).ExactName; }

 private:
  const std::vector<TRecord>& records_;
};

}  // namespace plomix::catalog_internal
