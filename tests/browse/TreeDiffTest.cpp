// Comparing trees: pairing by path, what counts as a change, listings of
// stored media and of records not yet stored, and the JSON report.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

#include "analysis/AnalysisFixture.h"
#include "browse/TreeDiff.h"
#include "core/Format.h"

namespace plomix {
namespace {

using test::Sj;

std::vector<std::string> Paths(const std::vector<DiffEntry>& entries) {
  std::vector<std::string> paths;
  for (const DiffEntry& e : entries) paths.push_back(e.path);
  return paths;
}

std::vector<std::string> Paths(const std::vector<TreeItem>& items) {
  std::vector<std::string> paths;
  for (const TreeItem& i : items) paths.push_back(i.path);
  return paths;
}

TreeItem File(const char* path, int64_t size = 10, int32_t date = 100) {
  return {path, false, size, date};
}
TreeItem Dir(const char* path, int32_t date = 100) {
  return {path, true, 0, date};
}

TEST(TreeDiffTest, PairsByPathAndReportsWhatDiffers) {
  struct Case {
    const char* what;
    std::vector<TreeItem> left, right;
    std::vector<std::string> added, removed, changed;
  };
  const Case cases[] = {
      {"equal", {Dir("a"), File("a\\x")}, {Dir("a"), File("a\\x")}, {}, {}, {}},
      {"added", {File("x")}, {File("x"), File("y")}, {"y"}, {}, {}},
      {"removed", {Dir("d"), File("d\\x")}, {Dir("d")}, {}, {"d\\x"}, {}},
      {"size", {File("x", 10)}, {File("x", 11)}, {}, {}, {"x"}},
      {"date", {File("x", 10, 100)}, {File("x", 10, 102)}, {}, {}, {"x"}},
      {"file turned folder", {File("x")}, {Dir("x"), File("x\\in")}, {"x\\in"}, {}, {"x"}},
      {"empty folders", {Dir("e")}, {Dir("e"), Dir("f")}, {"f"}, {}, {}},
      {"folder date and size follow their entries",
       {{"d", true, 5, 100}},
       {{"d", true, 9, 200}},
       {},
       {},
       {}},
      {"letter case counts", {File("Read.me")}, {File("read.me")}, {"read.me"}, {"Read.me"}, {}},
      {"unsorted input",
       {File("b"), File("a\\c"), Dir("a")},
       {Dir("a"), File("b", 3), File("a b")},
       {"a b"},
       {"a\\c"},
       {"b"}},
  };
  for (const Case& c : cases) {
    const DiffReport report = CompareListings(c.left, c.right);
    EXPECT_EQ(Paths(report.added), c.added) << c.what;
    EXPECT_EQ(Paths(report.removed), c.removed) << c.what;
    EXPECT_EQ(Paths(report.changed), c.changed) << c.what;
    EXPECT_EQ(report.Equal(), c.added.empty() && c.removed.empty() && c.changed.empty()) << c.what;
  }
}

TEST(TreeDiffTest, ChangedEntriesKeepTheOldValuesAndTotalsCountBothSides) {
  const DiffReport report = CompareListings({Dir("d"), File("d\\x", 10, 100), File("y", 5)},
                                            {Dir("x"), File("d", 7, 300), File("y", 5)});
  ASSERT_EQ(report.changed.size(), 1u);
  const DiffEntry& turned = report.changed[0];
  EXPECT_EQ(turned.path, "d");
  EXPECT_FALSE(turned.folder);
  EXPECT_TRUE(turned.oldFolder);
  EXPECT_EQ(turned.size, 7);
  EXPECT_EQ(turned.date, 300);
  EXPECT_EQ(turned.oldDate, 100);
  EXPECT_EQ(Paths(report.removed), std::vector<std::string>{"d\\x"});
  EXPECT_EQ(Paths(report.added), std::vector<std::string>{"x"});
  EXPECT_EQ(report.leftFiles, 2);
  EXPECT_EQ(report.leftFolders, 1);
  EXPECT_EQ(report.leftSize, 15);
  EXPECT_EQ(report.rightFiles, 2);
  EXPECT_EQ(report.rightFolders, 1);
  EXPECT_EQ(report.rightSize, 12);
}

// Records as a read hands them over, exact names included.
class Records : public MediaRecordSource {
 public:
  explicit Records(std::vector<TRecord> records) : records_(std::move(records)) {}
  int32_t RecordCount() const override { return static_cast<int32_t>(records_.size()); }
  void Fetch(int32_t index, TRecord& out) const override {
    out = records_[static_cast<std::size_t>(index)];
  }
  std::string_view NativeName(int32_t index) const override {
    return records_[static_cast<std::size_t>(index)].ExactName;
  }

 private:
  std::vector<TRecord> records_;
};

class TreeListingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::CreateTestCatalog(catalog, dir);
    records = test::MediaRecords("M", {{"sub", 0, 0, true},          // 1
                                       {"b.txt", 5, 100},            // 2
                                       {"F?tan.crt", 3, 100},        // 3: exact name below
                                       {"写真", 0, 0, true, 1},      // 4
                                       {"a.txt", 7, 100, false, 1},  // 5
                                       {"z.jpg", 9, 100, false, 4},  // 6
                                       {"a b", 1, 100, false, 1}});  // 7
    records[3].ExactName = "F\xC5\x91tan.crt";
    records[7].Name = std::string(95, 'n');  // kept whole in the long-name file
    TMediaInfomation info;
    info.Drive = "d";
    ASSERT_TRUE(catalog.AddMedia(records, info));
  }
  test::TempDir dir;
  Catalog catalog;
  std::vector<TRecord> records;
};

TEST_F(TreeListingTest, ListsAMediaAndASubfolderWithExactNamesInPairingOrder) {
  const std::string longName(95, 'n');
  const std::vector<TreeItem> all = ListTree(catalog, 0);
  EXPECT_EQ(Paths(all),
            (std::vector<std::string>{"F\xC5\x91tan.crt", "b.txt", "sub", "sub\\a.txt",
                                      "sub\\" + longName, "sub\\写真", "sub\\写真\\z.jpg"}));
  EXPECT_TRUE(std::is_sorted(all.begin(), all.end(), [](const TreeItem& a, const TreeItem& b) {
    return PathLess(a.path, b.path);
  }));
  EXPECT_TRUE(all[2].folder);
  EXPECT_EQ(all[6].size, 9);
  EXPECT_EQ(catalog.LoadedMediaSlot(), -1) << "listing must not load the media";

  EXPECT_EQ(Paths(ListTree(catalog, 0, 1)),
            (std::vector<std::string>{"a.txt", longName, "写真", "写真\\z.jpg"}));
  EXPECT_EQ(Paths(ListTree(catalog, 0, 4)), std::vector<std::string>{"z.jpg"});
  EXPECT_TRUE(ListTree(catalog, 0, 2).empty()) << "a file has no entries";
  EXPECT_TRUE(ListTree(catalog, 5).empty()) << "no media in that slot";
}

TEST_F(TreeListingTest, AStoredMediaEqualsTheRecordsItWasMadeFrom) {
  const DiffReport same = CompareListings(ListTree(catalog, 0), ListSource(Records(records)));
  EXPECT_TRUE(same.Equal());
  EXPECT_EQ(same.leftFiles, 5);
  EXPECT_EQ(same.rightFolders, 2);

  // Another character lost the same way is another name.
  std::vector<TRecord> other = records;
  other[3].ExactName = "F\xC5\x8Btan.crt";
  other[6].Size = 10;
  const DiffReport report = CompareListings(ListTree(catalog, 0), ListSource(Records(other)));
  EXPECT_EQ(Paths(report.added), std::vector<std::string>{"F\xC5\x8Btan.crt"});
  EXPECT_EQ(Paths(report.removed), std::vector<std::string>{"F\xC5\x91tan.crt"});
  EXPECT_EQ(Paths(report.changed), std::vector<std::string>{"sub\\写真\\z.jpg"});
}

TEST_F(TreeListingTest, ComparingStoredMediaGivesWhatComparingTheirListingsGives) {
  std::vector<TRecord> other = records;
  other[3].ExactName = "F\xC5\x8Btan.crt";  // another name
  other[2].Kind = kKindFolder;              // b.txt turned folder
  other[6].FileDate = 300;                  // z.jpg changed
  other[4].Name = test::Sj("写 真");        // the folder and z.jpg gone, another one new
  TMediaInfomation info;
  info.Drive = "d";
  ASSERT_TRUE(catalog.AddMedia(other, info));
  const auto sorted = [](std::vector<DiffEntry> entries) {
    std::vector<std::string> paths = Paths(entries);
    std::sort(paths.begin(), paths.end());
    return paths;
  };
  for (const auto& [l, r] : {std::pair{0, 1}, std::pair{1, 0}}) {
    for (const int32_t record : {0, 1}) {
      bool ok = false;
      const DiffReport merged = CompareTrees(catalog, l, record, r, record, &ok);
      ASSERT_TRUE(ok);
      const DiffReport listed =
          CompareListings(ListTree(catalog, l, record), ListTree(catalog, r, record));
      EXPECT_EQ(sorted(merged.added), sorted(listed.added));
      EXPECT_EQ(sorted(merged.removed), sorted(listed.removed));
      EXPECT_EQ(sorted(merged.changed), sorted(listed.changed));
      EXPECT_EQ(merged.leftFiles, listed.leftFiles);
      EXPECT_EQ(merged.rightSize, listed.rightSize);
      EXPECT_EQ(merged.rightFolders, listed.rightFolders);
    }
  }
  const DiffReport report = CompareTrees(catalog, 0, 0, 1, 0);
  EXPECT_EQ(Paths(report.changed), (std::vector<std::string>{"b.txt"}));
  EXPECT_EQ(report.added.size(), 3u);  // F..tan.crt, sub\写 真, sub\写 真\z.jpg
  bool ok = true;
  EXPECT_TRUE(CompareTrees(catalog, 0, 0, 7, 0, &ok).Equal());
  EXPECT_FALSE(ok);
}

TEST(TreeDiffJsonTest, HasTheDocumentedShape) {
  DateTimeParts when{2022, 11, 29, 12, 17, 0};
  const int32_t date = PackDosDateTime(when);
  DiffReport report = CompareListings({File("d\\\"q\".txt", 1, date), File("gone", 2, 0)},
                                      {File("d\\\"q\".txt", 4, date), File("new", 3, date)});
  report.lostComments.push_back({"gone", "line\nbreak"});
  const auto parse = [](const std::string& json) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << json;
    return doc.object();
  };
  const QJsonObject plain = parse(DiffReportJson(report, false));
  EXPECT_EQ(plain.keys(), (QStringList{"added", "changed", "removed"}));
  const QJsonObject added = plain["added"].toArray()[0].toObject();
  EXPECT_EQ(added["path"].toString(), "new");
  EXPECT_EQ(added["folder"].toBool(true), false);
  EXPECT_EQ(added["size"].toInt(), 3);
  EXPECT_EQ(added["date"].toString(), "2022-11-29T12:17:00");
  EXPECT_TRUE(plain["removed"].toArray()[0].toObject()["date"].isNull());
  const QJsonObject changed = plain["changed"].toArray()[0].toObject();
  EXPECT_EQ(changed["path"].toString(), "d\\\"q\".txt");
  EXPECT_EQ(changed["size"].toInt(), 4);
  EXPECT_EQ(changed["oldSize"].toInt(), 1);
  EXPECT_EQ(changed["oldDate"].toString(), "2022-11-29T12:17:00");

  const QJsonObject full = parse(DiffReportJson(report, true));
  const QJsonObject lost = full["lostComments"].toArray()[0].toObject();
  EXPECT_EQ(lost["path"].toString(), "gone");
  EXPECT_EQ(lost["comment"].toString(), "line\nbreak");
}

}  // namespace
}  // namespace plomix
