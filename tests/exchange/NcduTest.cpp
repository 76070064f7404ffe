#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Text.h"
#include "exchange/ByteInput.h"
#include "exchange/NcduExport.h"
#include "exchange/NcduImport.h"
#include "reading/ReadingTestUtil.h"
#include "reading/Scanner.h"

namespace plomix {
namespace {

namespace fs = std::filesystem;
using exchange::ByteInput;
using exchange::ImportError;
using exchange::NcduImport;
using test::MakeFile;

bool HaveTool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

void SetTime(const fs::path& path, time_t mtime) {
  const struct timespec times[2] = {{mtime, 0}, {mtime, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

// What a comparison looks at of one record.
struct Entry {
  int32_t parent, firstChild;
  int16_t kind, attr;
  std::string name, native;
  double size, allocated;
  int32_t date, allFiles, allFolders;
};

std::vector<Entry> Entries(const MediaRecordSource& source) {
  std::vector<Entry> out;
  TRecord r;
  for (int32_t i = 1; i < source.RecordCount(); ++i) {
    source.Fetch(i, r);
    out.push_back({r.Parent, r.FirstChild, r.Kind, r.Attr, r.Name,
                   std::string(source.NativeName(i)), r.Size, r.Allocated, r.FileDate, r.AllFiles,
                   r.AllFolders});
  }
  return out;
}

// The entries of a stored media, as the catalogue gives them back.
std::vector<Entry> StoredEntries(Catalog& catalog, int slot) {
  std::vector<Entry> out;
  EXPECT_TRUE(catalog.LoadMedia(slot));
  for (int32_t i = 1; i < catalog.LoadedCount(); ++i) {
    const TFileRec& r = catalog.LoadedRec(i);
    out.push_back({r.Parent(), r.FirstChild(), r.Kind(), r.Attr(), catalog.RecordName(i),
                   std::string(catalog.ExactName(i)), r.Size(), r.Allocated(), r.FileDate(),
                   r.AllFiles(), r.AllFolders()});
  }
  return out;
}

enum class Compare { Everything, WithoutAllocation, NamesKindsSizes };

void ExpectSame(const std::vector<Entry>& a, const std::vector<Entry>& b, Compare what) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    SCOPED_TRACE("record " + std::to_string(i + 1) + " " + a[i].name);
    EXPECT_EQ(a[i].name, b[i].name);
    EXPECT_EQ(a[i].native, b[i].native);
    EXPECT_EQ(a[i].kind, b[i].kind);
    EXPECT_EQ(a[i].parent, b[i].parent);
    EXPECT_EQ(a[i].firstChild, b[i].firstChild);
    EXPECT_EQ(a[i].size, b[i].size);
    EXPECT_EQ(a[i].allFiles, b[i].allFiles);
    EXPECT_EQ(a[i].allFolders, b[i].allFolders);
    if (what == Compare::NamesKindsSizes) continue;
    EXPECT_EQ(a[i].date, b[i].date);
    EXPECT_EQ(a[i].attr, b[i].attr);
    if (what == Compare::Everything) {
      EXPECT_EQ(a[i].allocated, b[i].allocated);
    }
  }
}

class NcduTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  Scanner scanner;

  fs::path Root() const { return dir.Path() / "root"; }

  // A tree with what names and totals can get wrong: Japanese names, names
  // CP932 cannot hold (one no UTF-8 at all), a hidden file, an empty folder,
  // a read-only file, a folder of many entries in mixed order, fixed dates.
  void MakeTree() {
    const time_t t = 1600000000;
    MakeFile(Root() / "docs" / "読書メモ.txt", 1234, t);
    MakeFile(Root() / "docs" / "b.txt", 10, t + 60);
    MakeFile(Root() / "docs" / "B.TXT", 11, t + 120);
    MakeFile(Root() / "docs" / "deep" / "er" / "est" / "leaf.bin", 70000, t + 180);
    MakeFile(Root() / "naïve ☃ 😀.txt", 5, t + 240);
    MakeFile(Root() / std::string("raw\xff\xfe.bin"), 6, t + 300);
    MakeFile(Root() / ".hidden", 7, t + 360);
    MakeFile(Root() / "q\"uote\\back.txt", 8, t + 420);
    MakeFile(Root() / "ro.txt", 9, t + 480);
    ::chmod((Root() / "ro.txt").c_str(), 0444);
    for (int i = 0; i < 40; ++i)
      MakeFile(Root() / "many" / ("f" + std::to_string(i * 7 % 40)), i, t);
    fs::create_directories(Root() / "empty");
    for (const char* folder :
         {"docs/deep/er/est", "docs/deep/er", "docs/deep", "docs", "many", "empty"})
      SetTime(Root() / folder, t + 1000);
  }

  void ReadTree(int32_t cluster) {
    ReadRequest request;
    request.drive = "e";
    request.mediaName = "Media";
    ScanSetup setup;
    setup.rootFolder = Root().string();
    setup.drive = "e";
    setup.kind = kKindFixed;
    setup.clusterSize = cluster;
    ASSERT_TRUE(scanner.ReadTree(request, setup));
  }

  // ncdu's own listing of the tree (extended: with dates and modes).
  std::string NcduListing() {
    const std::string out = dir.File("ncdu.json");
    const std::string command = "ncdu -0 -e -o '" + out + "' '" + Root().string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return out;
  }

  static void Import(const std::string& path, NcduImport& import,
                     const exchange::ImportRequest& request = {}) {
    const auto input = ByteInput::Open(path);
    import.Read(*input);
    ASSERT_TRUE(import.Prepare(request));
  }

  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = dir.File(name);
    test::WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
    return path;
  }
};

// The listing ncdu writes of a tree imports as exactly the media a read of
// that tree gives: the same records in the same order with the same totals.
TEST_F(NcduTest, ImportOfNcdusListingEqualsAReadOfTheTree) {
  if (!HaveTool("ncdu")) GTEST_SKIP() << "ncdu is not installed (scripts/setup installs it)";
  MakeTree();
  ReadTree(0);
  const std::string listing = NcduListing();
  NcduImport import;
  Import(listing, import);
  EXPECT_EQ(import.UnreadableCount(), 0);
  EXPECT_EQ(import.FolderCount(), scanner.ScanFolderCount());
  EXPECT_EQ(import.FileCount(), scanner.ScanFileCount());
  // Allocation differs (ncdu counts blocks, the read clusters); all else agrees.
  ExpectSame(Entries(scanner), Entries(import), Compare::WithoutAllocation);
  EXPECT_EQ(text::Cp932ToUtf8(import.DefaultMediaName()), "root");
  EXPECT_EQ(import.CurrentMedia().KindName, MediaKindName(kKindNetwork));
  EXPECT_EQ(import.CurrentMedia().NewestFileDate, scanner.CurrentMedia().NewestFileDate);
  EXPECT_EQ(import.CurrentMedia().LargestFile, 70000);

  // Stored, the catalogue gives the same back, exact names included.
  Catalog catalog;
  ASSERT_TRUE(catalog.CreateCatalog(dir.File("c.qdb")));
  const std::optional<int> slot = catalog.StoreMedia(import, import.CurrentMedia());
  ASSERT_TRUE(slot.has_value());
  ExpectSame(Entries(import), StoredEntries(catalog, *slot), Compare::Everything);
  EXPECT_EQ(text::Cp932ToUtf8(catalog.Slot(*slot).Name()), "root");
}

// read -> export -> import gives every entry back (allocation included, as
// folders carry the cluster size); ncdu itself takes the export too.
TEST_F(NcduTest, ExportAndImportGiveTheReadMediaBack) {
  MakeTree();
  ReadTree(4096);
  Catalog catalog;
  ASSERT_TRUE(catalog.CreateCatalog(dir.File("c.qdb")));
  ASSERT_TRUE(catalog.AddMedia(scanner, scanner.CurrentMedia()));
  const int slot = catalog.LastAddedSlot();
  const std::vector<Entry> read = StoredEntries(catalog, slot);
  const std::string exported = dir.File("export.json");
  exchange::ExportNcduToFile(catalog, slot, 0, exported);

  NcduImport import;
  Import(exported, import);
  std::vector<Entry> back = Entries(import);
  // The root's cluster is no entry's; the media's allocation is its entries'.
  ExpectSame(read, back, Compare::Everything);

  // One folder alone.
  TRecord docs;
  int32_t docsIndex = -1;
  for (int32_t i = 1; i < scanner.RecordCount(); ++i) {
    scanner.Fetch(i, docs);
    if (docs.Name == "docs" && docs.Parent == 0) {
      docsIndex = i;
      break;
    }
  }
  ASSERT_GT(docsIndex, 0);
  exchange::ExportNcduToFile(catalog, slot, docsIndex, exported);
  NcduImport folder;
  Import(exported, folder);
  EXPECT_EQ(folder.RecordCount(), docs.AllFiles + docs.AllFolders + 1);
  TRecord top;
  folder.Fetch(0, top);
  EXPECT_EQ(top.Size, docs.Size);
  EXPECT_EQ(folder.DefaultMediaName(), "docs");

  if (!HaveTool("ncdu")) GTEST_SKIP() << "ncdu is not installed (scripts/setup installs it)";
  exchange::ExportNcduToFile(catalog, slot, 0, exported);
  const std::string again = dir.File("again.json");
  const std::string command = "ncdu -0 -f '" + exported + "' -o '" + again + "' </dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  NcduImport viaNcdu;
  Import(again, viaNcdu);
  // ncdu keeps names, kinds and sizes (its re-export drops the dates).
  ExpectSame(read, Entries(viaNcdu), Compare::NamesKindsSizes);
}

// A file reached through two hard links counts once in every folder that
// holds both, and once in each that holds one, as ncdu counts it.
TEST_F(NcduTest, HardLinksCountOnceInEachFolder) {
  if (!HaveTool("ncdu")) GTEST_SKIP() << "ncdu is not installed (scripts/setup installs it)";
  MakeFile(Root() / "a" / "data.bin", 1000);
  MakeFile(Root() / "a" / "other.bin", 1);
  fs::create_directories(Root() / "b");
  fs::create_hard_link(Root() / "a" / "data.bin", Root() / "b" / "link1.bin");
  fs::create_hard_link(Root() / "a" / "data.bin", Root() / "b" / "link2.bin");
  NcduImport import;
  Import(NcduListing(), import);
  TRecord r;
  std::map<std::string, double> sizes;
  for (int32_t i = 0; i < import.RecordCount(); ++i) {
    import.Fetch(i, r);
    sizes[r.Name] = r.Size;
  }
  EXPECT_EQ(sizes["a"], 1001);
  EXPECT_EQ(sizes["b"], 1000);
  EXPECT_EQ(sizes["link2.bin"], 1000);
  import.Fetch(0, r);
  EXPECT_EQ(r.Size, 1001);
  EXPECT_EQ(r.AllFiles, 4);
}

// Hand-written listings: what ncdu writes for odd names and entries, and what
// no listing may hold.
TEST_F(NcduTest, EdgeCases) {
  const std::string head = "[1,2,{\"progname\":\"x\",\"n\":[1,{\"a\":null}]},\n";
  const std::string deep = [] {
    std::string text = "[1,0,{},[{\"name\":\"/\"}";
    for (int i = 0; i < 5000; ++i) text += ",[{\"name\":\"d\"}";
    text += ",{\"name\":\"f\",\"asize\":3}";
    for (int i = 0; i < 5000; ++i) text += "]";
    return text + "]]";
  }();
  const std::string kCut = "[{\"name\":\"/r\"},{\"name\":\"a\"";
  struct Case {
    const char* what;
    std::string text;
    std::string error;  // empty: imports
    std::function<void(const NcduImport&)> check;
  };
  const auto record = [](const NcduImport& import, int32_t i) {
    TRecord r;
    import.Fetch(i, r);
    return r;
  };
  const std::vector<Case> cases = {
      {"an empty folder",
       head + "[{\"name\":\"/r\"},[{\"name\":\"e\"}],{\"name\":\"f\",\"asize\":5}]]", "",
       [&](const NcduImport& im) {
         ASSERT_EQ(im.RecordCount(), 3);
         EXPECT_EQ(record(im, 1).Name, "e");
         EXPECT_EQ(record(im, 1).Kind, kKindFolder);
         EXPECT_EQ(record(im, 1).FirstChild, -1);
         EXPECT_EQ(record(im, 2).Size, 5);
         EXPECT_EQ(record(im, 2).Allocated, 5);  // no dsize: the size
         EXPECT_EQ(record(im, 2).FileDate, 0);   // no mtime: no date
       }},
      {"escaped names",
       head + "[{\"name\":\"/r\"},{\"name\":\"q\\\"\\\\\\u0001z\\n\"},{\"name\":\"\\u00ff\"}]]", "",
       [&](const NcduImport& im) {
         ASSERT_EQ(im.RecordCount(), 3);
         // ÿ: CP932 has no form for it; its '?' sorts first.
         EXPECT_EQ(im.NativeName(1), "\xc3\xbf");
         EXPECT_EQ(record(im, 2).Name, std::string("q\"\\\x01z\n"));
         EXPECT_EQ(im.NativeName(2), "");
       }},
      {"bytes that are no UTF-8, as ncdu writes them",
       head + "[{\"name\":\"/r\"},{\"name\":\"bad\xff\xfe\",\"asize\":1}]]", "",
       [&](const NcduImport& im) {
         EXPECT_EQ(im.NativeName(1), "bad\xff\xfe");
         EXPECT_EQ(record(im, 1).Name.substr(0, 3), "bad");
       }},
      {"dates and modes",
       head + "[{\"name\":\"/r\"},{\"name\":\".h\",\"mode\":33060,\"mtime\":1600000000," +
           "\"asize\":2,\"dsize\":4096},{\"name\":\"p\",\"notreg\":true}]]",
       "",
       [&](const NcduImport& im) {
         const TRecord h = record(im, 1);
         EXPECT_EQ(h.FileDate, DosDateTimeFromUnix(1600000000));
         EXPECT_EQ(h.Attr, kAttrReadOnly | kAttrHidden | kAttrArchive);
         EXPECT_EQ(h.Allocated, 4096);
         EXPECT_EQ(record(im, 2).Attr, kAttrSystem);
       }},
      {"hard links in one folder",
       head +
           "[{\"name\":\"/r\",\"dev\":7},{\"name\":\"a\",\"asize\":10,\"ino\":5,\"hlnkc\":true}," +
           "{\"name\":\"b\",\"asize\":10,\"ino\":5,\"hlnkc\":true},{\"name\":\"c\",\"asize\":1}]]",
       "",
       [&](const NcduImport& im) {
         EXPECT_EQ(record(im, 0).Size, 11);
         EXPECT_EQ(record(im, 0).AllFiles, 3);
       }},
      {"excluded and unreadable entries",
       head + "[{\"name\":\"/r\"},{\"name\":\"skip\",\"excluded\":\"pattern\"}," +
           "{\"name\":\"mnt\",\"excluded\":\"otherfs\"},[{\"name\":\"locked\",\"read_error\":true}"
           "," +
           "{\"name\":\"seen\",\"asize\":4}],{\"name\":\"f\",\"asize\":1}]]",
       "",
       [&](const NcduImport& im) {
         EXPECT_EQ(im.UnreadableCount(), 3);
         EXPECT_EQ(im.UnreadablePaths(),
                   (std::vector<std::string>{"/r/skip", "/r/mnt", "/r/locked"}));
         ASSERT_EQ(im.RecordCount(), 5);  // skip left out; mnt an empty folder
         EXPECT_EQ(record(im, 0).Size, 5);
         EXPECT_EQ(record(im, 3).Name, "mnt");
         EXPECT_EQ(record(im, 3).Kind, kKindFolder);
       }},
      {"nesting 5000 folders deep", deep, "",
       [&](const NcduImport& im) {
         EXPECT_EQ(im.RecordCount(), 5002);
         EXPECT_EQ(record(im, 0).Size, 3);
         EXPECT_EQ(record(im, 0).AllFolders, 5000);
         EXPECT_EQ(record(im, 5001).Parent, 5000);
       }},
      {"an empty file", "", "at byte 0", nullptr},
      {"no JSON", "hello", "at byte 0", nullptr},
      {"a cut-off file", head + kCut, "at byte " + std::to_string(head.size() + kCut.size()),
       nullptr},
      {"an object at the top", "{\"name\":\"x\"}", "JSON array", nullptr},
      {"another major version", "[2,0,{},[{\"name\":\"/\"},{\"name\":\"a\"}]]", "format version 2",
       nullptr},
      {"no top folder", "[1,2,{}]", "no top folder", nullptr},
      {"the top folder as an object", "[1,2,{},{\"name\":\"/\"}]", "metadata", nullptr},
      {"two top folders", "[1,2,{},[{\"name\":\"/\"},{\"name\":\"a\"}],[{\"name\":\"/\"}]]",
       "more than one top folder", nullptr},
      {"a folder without its object", head + "[{\"name\":\"/r\"},[[{\"name\":\"a\"}]]]]",
       "folder's own object", nullptr},
      {"a negative size", head + "[{\"name\":\"/r\"},{\"name\":\"a\",\"asize\":-1}]]",
       "\"asize\" out of range", nullptr},
      {"a size beyond 2^53", head + "[{\"name\":\"/r\"},{\"name\":\"a\",\"dsize\":1e300}]]",
       "\"dsize\" out of range", nullptr},
      {"a size beyond any number", head + "[{\"name\":\"/r\"},{\"name\":\"a\",\"asize\":1e999}]]",
       "at byte", nullptr},
      {"a fractional date", head + "[{\"name\":\"/r\"},{\"name\":\"a\",\"mtime\":1.5}]]",
       "\"mtime\" out of range", nullptr},
      {"an entry without a name", head + "[{\"name\":\"/r\"},{\"asize\":1}]]", "no \"name\"",
       nullptr},
      {"a name with a slash", head + "[{\"name\":\"/r\"},{\"name\":\"a/b\"}]]", "'/'", nullptr},
      {"text after the listing", "[1,2,{},[{\"name\":\"/\"},{\"name\":\"a\"}]] x", "at byte",
       nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = Write("case.json", c.text);
    NcduImport import;
    const auto input = ByteInput::Open(path);
    if (c.error.empty()) {
      ASSERT_NO_THROW(import.Read(*input));
      ASSERT_TRUE(import.Prepare({}));
      c.check(import);
    } else {
      try {
        import.Read(*input);
        ADD_FAILURE() << "imported";
      } catch (const ImportError& error) {
        EXPECT_NE(std::string(error.what()).find(c.error), std::string::npos) << error.what();
      }
      EXPECT_EQ(import.RecordCount(), 0);
    }
  }
}

TEST_F(NcduTest, AnEmptyTopFolderGivesNoMediaAndALimitRefusesTheListing) {
  NcduImport import;
  const auto empty = ByteInput::Open(Write("e.json", "[1,2,{},[{\"name\":\"/x\"}]]"));
  import.Read(*empty);
  EXPECT_FALSE(import.Prepare({}));

  // Named by the date-time when the top folder has no name.
  const auto unnamed =
      ByteInput::Open(Write("u.json", "[1,2,{},[{\"name\":\"\"},{\"name\":\"a\"}]]"));
  import.Read(*unnamed);
  EXPECT_EQ(import.DefaultMediaName().size(), 19u) << import.DefaultMediaName();

  import.SetRecordLimit(3);
  const auto many = ByteInput::Open(
      Write("m.json",
            "[1,2,{},[{\"name\":\"/x\"},{\"name\":\"a\"},{\"name\":\"b\"},{\"name\":"
            "\"c\"}]]"));
  try {
    import.Read(*many);
    ADD_FAILURE() << "imported";
  } catch (const ImportError& error) {
    EXPECT_NE(std::string(error.what()).find("more entries than one media"), std::string::npos);
  }
}

// Packed listings are unpacked by their first bytes, whatever their name.
TEST_F(NcduTest, GzipAndZstdListingsAreUnpacked) {
  const std::string text = "[1,2,{},[{\"name\":\"/x\"},{\"name\":\"a\",\"asize\":42}]]";
  for (const char* packer : {"gzip", "zstd"}) {
    SCOPED_TRACE(packer);
    if (!HaveTool(packer)) continue;
    const bool supported =
        std::string(packer) == "gzip" ? ByteInput::HasGzip() : ByteInput::HasZstd();
    const std::string path = Write("p.json", text);
    ASSERT_EQ(
        std::system((std::string(packer) + " -q -c '" + path + "' > '" + path + ".p'").c_str()), 0);
    NcduImport import;
    try {
      const auto input = ByteInput::Open(path + ".p");
      import.Read(*input);
      ASSERT_TRUE(supported);
      ASSERT_TRUE(import.Prepare({}));
      TRecord r;
      import.Fetch(1, r);
      EXPECT_EQ(r.Size, 42);
    } catch (const exchange::ExchangeError& error) {
      EXPECT_FALSE(supported) << error.what();
    }
    // Cut short, the packed file is refused.
    std::vector<uint8_t> bytes = test::ReadFileBytes(path + ".p");
    bytes.resize(bytes.size() - 6);
    test::WriteFileBytes(path + ".p", bytes);
    NcduImport cut;
    EXPECT_THROW(
        {
          const auto input = ByteInput::Open(path + ".p");
          cut.Read(*input);
        },
        exchange::ExchangeError);
  }
}

}  // namespace
}  // namespace plomix
