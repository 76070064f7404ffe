#include <gtest/gtest.h>

#include <QString>
#include <initializer_list>
#include <string>
#include <vector>

#include "PythonCsv.h"
#include "ScriptedPrompter.h"
#include "TestSupport.h"
#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "core/TypeNames.h"
#include "export/Clipboard.h"
#include "export/TextExport.h"

namespace plomix {
namespace {

using test::Sj;

class FakeClipboard : public Clipboard {
 public:
  void SetText(const QString& given) override {
    text = text::QStringToCp932(given);
    ++writes;
  }
  std::string text;
  int writes = 0;
};

TRecord Entry(int parent, int firstChild, bool folder, const char* name, double size) {
  TRecord r;
  r.Parent = parent;
  r.FirstChild = firstChild;
  r.Kind = folder ? kKindFolder : kKindFile;
  r.Attr = folder ? kAttrDirectory : kAttrArchive;
  r.Name = name;
  r.Size = size;
  r.Allocated = size;
  return r;
}

// UTF-8 lines -> one CP932 text, CR LF after each line.
std::string Lines(std::initializer_list<const char*> lines) {
  std::string out;
  for (const char* line : lines) out += Sj(line) + "\r\n";
  return out;
}

// The media DISK01: Docs (a.txt, b.txt), Empty, readme.txt.
class TextExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(catalog.CreateCatalog(dir.File("c.qdb")));
    TMediaInfomation info;
    ASSERT_TRUE(catalog.AddMedia(
        std::vector<TRecord>{Entry(-1, 1, true, "DISK01", 350), Entry(0, 4, true, "Docs", 300),
                             Entry(0, -1, true, "Empty", 0), Entry(0, -1, false, "readme.txt", 50),
                             Entry(1, -1, false, "a.txt", 100), Entry(1, -1, false, "b.txt", 200)},
        info));
    ASSERT_TRUE(catalog.LoadMedia(0));
  }

  std::string Export(const ExportOptions& options, ExportMode mode, std::vector<int> entries,
                     bool simple = false, bool mediaRows = false) {
    TextExport exporter(catalog, options);
    return exporter.BuildSelectionText(mode, simple, {mediaRows, 0, std::move(entries)});
  }

  test::TempDir dir;
  Catalog catalog;
};

ExportOptions TreeOptions() {
  ExportOptions o;
  o.tree = true;
  o.folderMark = 4;
  return o;
}

ExportOptions ListOptions() {
  ExportOptions o;
  o.putItem = "11010000000000";
  return o;
}

TEST_F(TextExportTest, WorkedExampleMediaDump) {
  ExportOptions levelNumbers = TreeOptions();
  levelNumbers.treeNo = true;
  ExportOptions siblingNumbers = TreeOptions();
  siblingNumbers.offsetNo = true;
  ExportOptions treeFolders = TreeOptions();
  treeFolders.folderOnly = true;
  ExportOptions listFolders = ListOptions();
  listFolders.folderOnly = true;
  const struct {
    const char* what;
    ExportOptions options;
    std::string expected;
  } cases[] = {
      {"tree", TreeOptions(),
       Lines({"[メディア名：DISK01]", "", "  ├■Docs", "  │     ├  a.txt", "  │     └  b.txt",
              "  ├■Empty", "  └  readme.txt", ""})},
      {"level numbers", levelNumbers,
       Lines({"[メディア名：DISK01]", "", "[0001]■Docs", "[0001]-[0001]  a.txt",
              "[0001]-[0002]  b.txt", "[0002]■Empty", "[0003]  readme.txt", ""})},
      {"sibling numbers", siblingNumbers,
       Lines({"[メディア名：DISK01]", "", "  ├■[0001] Docs", "  │     ├  [0001] a.txt",
              "  │     └  [0002] b.txt", "  ├■[0002] Empty", "  └  [0003] readme.txt", ""})},
      {"list", ListOptions(),
       Lines({"No,\"名前\",ファイルサイズ", "[メディア名：DISK01]", "1,\"Docs\\a.txt\",100",
              "2,\"Docs\\b.txt\",200", "3,\"Empty\\\",0", "4,\"readme.txt\",50", ""})},
      {"tree, folders only", treeFolders,
       Lines({"[メディア名：DISK01]", "", "  ├■Docs", "  └■Empty", ""})},
      {"list, folders only", listFolders,
       Lines({"No,\"名前\",ファイルサイズ", "[メディア名：DISK01]", "1,\"Docs\\\",300",
              "2,\"Empty\\\",0", ""})},
  };
  for (const auto& c : cases) {
    // Whatever entry is selected, the loaded media is dumped once.
    EXPECT_EQ(Export(c.options, ExportMode::MediaDump, {3, 1}), c.expected) << c.what;
  }
}

TEST_F(TextExportTest, NamesPathsAndRows) {
  ExportOptions slash;
  slash.pathSeparator = 1;
  ExportOptions upper = ListOptions();
  upper.nameMode = NameCase::Upper;
  ExportOptions tab = ListOptions();
  tab.itemSep = 1;
  tab.putItem = "01000000000010";
  ExportOptions none;
  none.putItem = "00000000000000";
  ExportOptions markComment;
  markComment.putItem = "00000000000110";
  ExportOptions shortMask = ExportOptions();
  const struct {
    const char* what;
    ExportOptions options;
    ExportMode mode;
    std::vector<int> entries;
    bool simple;
    std::string expected;
  } cases[] = {
      {"file names",
       ExportOptions(),
       ExportMode::FileName,
       {4, 5},
       false,
       Lines({"\"名前\"", "\"a.txt\"", "\"b.txt\""})},
      {"file names, simple",
       ExportOptions(),
       ExportMode::FileName,
       {4, 5},
       true,
       Lines({"a.txt", "b.txt"})},
      {"full path, slash", slash, ExportMode::FullPath, {4}, true, Lines({"Docs/a.txt"})},
      {"full path in the root",
       ExportOptions(),
       ExportMode::FullPath,
       {3},
       false,
       Lines({"\"名前\"", "\"readme.txt\""})},
      {"upper case: rows, not the header",
       upper,
       ExportMode::FileName,
       {4},
       false,
       Lines({"No,\"名前\",ファイルサイズ", "1,\"A.TXT\",100"})},
      {"tab: nothing quoted",
       tab,
       ExportMode::FileName,
       {4},
       false,
       Lines({"名前\tコメント", "a.txt\t"})},
      {"empty mask", none, ExportMode::FileName, {4, 5}, false, Lines({"", "", ""})},
      {"empty first column keeps its separator",
       markComment,
       ExportMode::FileName,
       {4},
       false,
       Lines({"マーク,\"コメント\"", ",\"\""})},
      {"folder contents, list",
       ListOptions(),
       ExportMode::FolderContents,
       {1, 2},
       false,
       Lines({"No,\"名前\",ファイルサイズ", "1,\"Docs\\a.txt\",100", "2,\"Docs\\b.txt\",200"})},
      {"folder contents, tree",
       TreeOptions(),
       ExportMode::FolderContents,
       {1},
       false,
       Lines({"Docs", "  ├  a.txt", "  └  b.txt"})},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Export(c.options, c.mode, c.entries, c.simple), c.expected) << c.what;
}

TEST_F(TextExportTest, MediaRowsAreBuiltFromTheSelectedMedia) {
  TMediaInfomation info;
  ASSERT_TRUE(catalog.AddMedia(
      std::vector<TRecord>{Entry(-1, 1, true, "DISK02", 7), Entry(0, -1, false, "x.bin", 7)},
      info));
  ASSERT_TRUE(catalog.LoadMedia(0));
  EXPECT_EQ(Export(ListOptions(), ExportMode::FileName, {1}, false, true),
            Lines({"No,\"名前\",ファイルサイズ", "1,\"DISK02\",7"}));
  EXPECT_EQ(Export(ListOptions(), ExportMode::FolderContents, {1}, false, true),
            Lines({"No,\"名前\",ファイルサイズ", "1,\"DISK02\\x.bin\",7"}));
  EXPECT_EQ(Export(TreeOptions(), ExportMode::MediaDump, {1, 0}, false, true),
            Lines({"【メディア名：DISK02】", "", "  └  x.bin", "", "【メディア名：DISK01】", "",
                   "  ├■Docs", "  │     ├  a.txt", "  │     └  b.txt", "  ├■Empty",
                   "  └  readme.txt", ""}));
}

TEST_F(TextExportTest, DeepTreesLoseTheirPrefixBelowFiftyLevels) {
  // A chain of 60 nested folders with one file at the bottom.
  std::vector<TRecord> recs = {Entry(-1, 1, true, "DEEP", 1)};
  for (int i = 1; i <= 60; ++i) recs.push_back(Entry(i - 1, i + 1, true, "d", 1));
  recs.push_back(Entry(60, -1, false, "f", 1));
  TMediaInfomation info;
  ASSERT_TRUE(catalog.AddMedia(recs, info));
  ASSERT_TRUE(catalog.LoadMedia(1));
  ExportOptions o = TreeOptions();
  TextExport exporter(catalog, o);
  const std::string text =
      exporter.BuildSelectionText(ExportMode::MediaDump, false, {false, 1, {1}});
  EXPECT_NE(text.find("\r\nd\r\n"), std::string::npos);  // level 51 and deeper: the name alone
  EXPECT_NE(text.find("\r\nf\r\n"), std::string::npos);
}

TEST_F(TextExportTest, FileNameProposalAndExtension) {
  const int32_t now = PackDosDateTime({2024, 3, 5, 14, 7, 8});
  EXPECT_EQ(ProposeExportFileName(Sj("フルパス名"), now), Sj("20240305140708_フルパス名.txt"));
  EXPECT_EQ(ApplyTextExtension("list.TXT.bak"), "list.TXT.bak");
  EXPECT_EQ(ApplyTextExtension("out"), "out.txt");
  EXPECT_EQ(TextExport::ExportLabel(ExportMode::MediaDump, true), Sj("メディア情報すべて"));
  EXPECT_EQ(TextExport::ExportLabel(ExportMode::MediaDump, false),
            Sj("カレントのメディア情報すべて"));
}

TEST_F(TextExportTest, ExportSelectionDelivers) {
  Settings settings(QString::fromStdString(dir.File("cfg")));
  FakeClipboard clipboard;
  test::ScriptedPrompter prompter;
  const ExportSelectionInput twoFiles{false, 0, {4, 5}};

  EXPECT_EQ(ExportSelection(catalog, settings, ExportMode::FileName, true, {false, 0, {}},
                            clipboard, prompter),
            ExportOutcome::NothingSelected);
  ASSERT_EQ(prompter.Messages().size(), 1);
  EXPECT_EQ(clipboard.writes, 0);

  EXPECT_EQ(
      ExportSelection(catalog, settings, ExportMode::FileName, true, twoFiles, clipboard, prompter),
      ExportOutcome::Copied);
  EXPECT_EQ(clipboard.text, "a.txt\r\nb.txt\r\n");

  settings.SetInt(REG_ClipBordFileWrite, 1);
  settings.SetInt(REG_ClipBordNameMode, 2);
  settings.SetString(REG_ClipBordPutItem, "1");  // too short: the default mask
  EXPECT_EQ(ExportSelection(catalog, settings, ExportMode::FileName, false, twoFiles, clipboard,
                            prompter),
            ExportOutcome::Cancelled);
  ASSERT_EQ(prompter.prompts.back().kind, "SaveFile");
  EXPECT_TRUE(prompter.prompts.back().startPath.endsWith(QString::fromUtf8("_ファイル名.txt")));
  EXPECT_EQ(prompter.prompts.back().filter,
            QString::fromUtf8("テキスト (Shift_JIS) (*.txt)|*.txt|すべてのファイル(*.*)|*.*"));

  prompter.paths.push_back(QString::fromStdString(dir.File("names")));
  EXPECT_EQ(ExportSelection(catalog, settings, ExportMode::FileName, false, twoFiles, clipboard,
                            prompter),
            ExportOutcome::Saved);
  const std::vector<uint8_t> bytes = test::ReadFileBytes(dir.File("names.txt"));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), Lines({"\"名前\"", "\"A.TXT\"", "\"B.TXT\""}));
  EXPECT_EQ(clipboard.writes, 1);
}

// Names and comments with quotes, commas and line breaks: both comma-separated
// forms (file-list rows and search-hit rows) read back cell for cell.
TEST_F(TextExportTest, CommaRowsRoundTripThroughACsvReader) {
  const std::vector<std::string> names = {"say \"hi\".txt", "a,b", "two\r\nlines", "\"\""};
  std::vector<TRecord> recs = {Entry(-1, 1, true, "Q\"D", 0)};
  for (const std::string& name : names) recs.push_back(Entry(0, -1, false, name.c_str(), 1));
  TMediaInfomation info;
  ASSERT_TRUE(catalog.AddMedia(recs, info));
  ASSERT_TRUE(catalog.LoadMedia(1));
  catalog.SetCommentLink(catalog.AddComment(MakeKey(1, 1), "he said \"no\"", 10, names[0]),
                         MakeKey(1, 1));
  ExportOptions options;
  options.putItem = "11000000000010";  // No, name, comment
  TextExport exporter(catalog, options);
  const std::string rowsFile = dir.File("rows.csv");
  SaveExportText(
      QString::fromStdString(rowsFile),
      exporter.BuildSelectionText(ExportMode::FileName, false, {false, 1, {1, 2, 3, 4}}));
  std::string error;
  const test::CsvRows rows = test::ReadCsvWithPython(rowsFile, "cp932", &error);
  ASSERT_EQ(rows.size(), names.size() + 1) << error;
  EXPECT_EQ(rows[1], (std::vector<std::string>{"1", names[0], "he said \"no\""}));
  for (std::size_t i = 1; i < names.size(); ++i)
    EXPECT_EQ(rows[i + 1], (std::vector<std::string>{std::to_string(i + 1), names[i], ""}));

  TypeNames types;
  std::vector<TRecord> hits;
  for (int r = 1; r <= 4; ++r) {
    hits.push_back(catalog.LoadedRec(r).ToRecord());
    hits.back().Key = MakeKey(1, r);
    hits.back().Path = "Q\"D";
  }
  const std::string hitsFile = dir.File("hits.csv");
  SaveExportText(
      QString::fromStdString(hitsFile),
      BuildSearchHitsText({&hits[0], &hits[1], &hits[2], &hits[3]}, HitExportFormat::AllItems,
                          NameCase::AsIs, catalog, types, ""));
  const test::CsvRows read = test::ReadCsvWithPython(hitsFile, "cp932", &error);
  ASSERT_EQ(read.size(), names.size()) << error;
  for (std::size_t i = 0; i < names.size(); ++i) {
    ASSERT_EQ(read[i].size(), 13u) << names[i];
    EXPECT_EQ(read[i][0], names[i]);
    EXPECT_EQ(read[i][2], "Q\"D");
  }
  EXPECT_EQ(read[0][12], "he said \"no\"");
}

TEST_F(TextExportTest, SearchHits) {
  ASSERT_TRUE(catalog.SetSlotCategory(0, "cat"));
  catalog.SetCommentLink(catalog.AddComment(MakeKey(0, 4), "note", 10, "a.txt"), MakeKey(0, 4));
  TRecord hit = catalog.LoadedRec(4).ToRecord();
  hit.Key = MakeKey(0, 4);
  hit.Path = "DISK01\\Docs";
  hit.Version = "1.2";
  TRecord orphan = hit;
  orphan.Key = MakeKey(9, 4);  // a slot that holds no media
  orphan.CommentNo = -1;
  TypeNames types;
  const std::vector<const TRecord*> hits = {&hit, &orphan};
  EXPECT_EQ(BuildSearchHitsText(hits, HitExportFormat::Name, NameCase::Upper, catalog, types, ""),
            "A.TXT\r\nA.TXT\r\n");
  EXPECT_EQ(
      BuildSearchHitsText({&hit}, HitExportFormat::FullPath, NameCase::AsIs, catalog, types, ""),
      "DISK01\\Docs\\a.txt\r\n");
  const std::string type = types.TypeName(kKindFile, "a.txt");
  EXPECT_EQ(
      BuildSearchHitsText(hits, HitExportFormat::AllItems, NameCase::AsIs, catalog, types, "yyyy"),
      "\"a.txt\",1,\"DISK01\\Docs\",\"cat\",\"\",\"\",100,\"" + type +
          "\",\"\",100,0,\"1.2\",\"note\"\r\n" +
          "\"a.txt\",1,\"DISK01\\Docs\",\"\",\"\",\"\",100,\"" + type +
          "\",\"\",100,0,\"1.2\",\"\"\r\n");
  EXPECT_EQ(BuildSearchHitsText({}, HitExportFormat::Name, NameCase::AsIs, catalog, types, ""), "");

  Settings settings(QString::fromStdString(dir.File("cfg")));
  FakeClipboard clipboard;
  ExportSearchHits({}, HitExportFormat::AllItems, catalog, types, settings, clipboard);
  EXPECT_EQ(clipboard.writes, 1);
  EXPECT_EQ(clipboard.text, "");
}

}  // namespace
}  // namespace plomix
