#include <gtest/gtest.h>

#include "PythonCsv.h"
#include "analysis/AnalysisFixture.h"
#include "analysis/DetailExport.h"
#include "core/Format.h"
#include "core/Text.h"

namespace plomix {
namespace {

using test::Sj;

DetailRow SampleRow() {
  DetailRow row;
  row.key = 1000002;
  row.no = 3;
  row.name = Sj("Ｒｅｐｏｒｔ \"v2\".doc");
  row.dateText = "2024/01/31 09:30:00";
  row.size = 4294967295.0;
  row.media = "Backup01";
  row.path = Sj("Docs\\Old");
  row.category = Sj("写真abc");
  row.location = "";
  row.locationDetail = "7";
  return row;
}

TEST(DetailExportTest, RowsByColumnsSeparatorAndConversion) {
  const std::vector<DetailRow> rows = {SampleRow()};
  const std::vector<int> nameDateSize = {2, 3, 4};
  struct Case {
    std::vector<int> columns;
    DetailSource mode;
    bool comma;
    CaseConversion conversion;
    bool title;
    std::vector<const char*> lines;
  };
  const Case cases[] = {
      {nameDateSize,
       DetailSource::DupMembers,
       true,
       CaseConversion::None,
       false,
       {"\"Ｒｅｐｏｒｔ \"\"v2\"\".doc\",2024/01/31 09:30:00,4294967295"}},
      {nameDateSize,
       DetailSource::DupMembers,
       false,
       CaseConversion::None,
       true,
       {"名前\t更新日時\tサイズ", "Ｒｅｐｏｒｔ \"v2\".doc\t2024/01/31 09:30:00\t4294967295"}},
      {{5, 1, 9, 8, 0},
       DetailSource::LikeMembers,
       true,
       CaseConversion::Upper,
       true,
       {"メディア名,No,保管詳細,保管場所,ID", "\"BACKUP01\",3,\"7\",\"\","}},
      {{2, 6, 7},
       DetailSource::LikeWord,
       false,
       CaseConversion::Upper,
       false,
       {"ＲＥＰＯＲＴ \"V2\".DOC\tDOCS\\OLD\t写真ABC"}},
      {{2, 5},
       DetailSource::DupMembers,
       true,
       CaseConversion::Lower,
       false,
       {"\"ｒｅｐｏｒｔ \"\"v2\"\".doc\",\"backup01\""}},
      {{}, DetailSource::DupMembers, true, CaseConversion::None, true, {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> expected;
    for (const char* line : c.lines) expected.push_back(Sj(line));
    EXPECT_EQ(ExportDetailRows(rows, c.columns, c.mode, c.comma, c.conversion, c.title), expected)
        << c.lines.size();
  }
  EXPECT_EQ(JoinDetailLines({"a", "b"}), "a\r\nb\r\n");
}

TEST(DetailExportTest, OfferedColumnsFileNameAndExtension) {
  EXPECT_EQ(DetailOfferedColumns(DetailSource::DupMembers, false),
            (std::vector<int>{2, 3, 4, 5, 7, 8, 9}));
  EXPECT_EQ(DetailOfferedColumns(DetailSource::LikeMembers, true),
            (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(DetailColumnCaption(DetailSource::DupMembers, 1), "Icon");
  EXPECT_EQ(DetailColumnCaption(DetailSource::LikeWord, 1), "No");

  const int32_t when = PackDosDateTime({2024, 1, 31, 9, 30, 0});
  EXPECT_EQ(DetailFileName(DetailSource::DupMembers, when),
            Sj("20240131093000_重複ファイル詳細.csv"));
  EXPECT_EQ(DetailFileName(DetailSource::LikeWord, when),
            Sj("20240131093000_似たようなファイル詳細.csv"));

  struct Case {
    const char* chosen;
    const char* result;
  };
  const Case cases[] = {{"out", "out.csv"},
                        {"out.csv", "out.csv"},
                        {"result.CSV.bak", "result.CSV.bak"},
                        {"data.txt", "data.txt.csv"}};
  for (const Case& c : cases) EXPECT_EQ(ApplyCsvExtension(c.chosen), c.result);
}

TEST(DetailExportTest, RowsFromMembersAndTheWrittenFile) {
  test::TempDir dir;
  Catalog catalog;
  test::CreateTestCatalog(catalog, dir);
  const int32_t when = PackDosDateTime({2024, 1, 31, 9, 30, 0});
  test::AddTestMedia(catalog, "M1",
                     {{"top.txt", 5, when}, {"Docs", 0, 0, true}, {"a.txt", 9, 0, false, 2}});
  // A record the media does not hold comes first: the members after it on
  // the same media still get their paths.
  const std::vector<ResultItem> members = {{"past.txt", 999, 0, 1, 0, 2, 2},
                                           {"a.txt", 3, 0, 9, 0, 2, 2},
                                           {"top.txt", 1, when, 5, 1, 2, 2},
                                           {"gone.txt", 7000001, 0, 1, 2, 3, 2}};
  std::vector<DetailRow> rows = BuildDetailRows(catalog, members, "yyyy/mm/dd hh:nn:ss", true);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].path, "");
  EXPECT_EQ(rows[0].media, "M1");
  rows.erase(rows.begin());
  EXPECT_EQ(rows[0].path, "Docs");
  EXPECT_EQ(rows[1].path, "M1");
  EXPECT_EQ(rows[1].dateText, "2024/01/31 09:30:00");
  EXPECT_EQ(rows[1].no, 3);
  EXPECT_EQ(rows[1].category, Sj("写真"));
  EXPECT_EQ(rows[2].media, "");

  const std::string file = dir.File(ApplyCsvExtension("out"));
  WriteDetailFile(file, ExportDetailRows(rows, {2, 4, 6}, DetailSource::DupMembers, true,
                                         CaseConversion::None, true));
  const std::vector<uint8_t> bytes = test::ReadFileBytes(file);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
            Sj("名前,サイズ,パス名\r\n\"a.txt\",9,\"Docs\"\r\n\"top.txt\",5,\"M1\"\r\n\"gone.txt\","
               "1,\"\"\r\n"));
}

TEST(DetailExportTest, NamesWithQuotesCommasAndLineBreaksRoundTripThroughACsvReader) {
  test::TempDir dir;
  const std::vector<std::string> names = {"say \"hi\"",   "\"",   "a,b",
                                          "two\r\nlines", "\"\"", "表\"示.txt"};
  std::vector<DetailRow> rows;
  for (const std::string& name : names) {
    DetailRow row = SampleRow();
    row.name = Sj(name.c_str());
    row.path = Sj("Docs\\\"Old\"");
    rows.push_back(row);
  }
  const std::string file = dir.File("quotes.csv");
  WriteDetailFile(file, ExportDetailRows(rows, {1, 2, 4, 6}, DetailSource::LikeMembers, true,
                                         CaseConversion::None, true));
  std::string error;
  const test::CsvRows read = test::ReadCsvWithPython(file, "cp932", &error);
  ASSERT_EQ(read.size(), names.size() + 1) << error;
  EXPECT_EQ(read[0], (std::vector<std::string>{"No", "名前", "サイズ", "パス名"}));
  for (std::size_t i = 0; i < names.size(); ++i)
    EXPECT_EQ(read[i + 1], (std::vector<std::string>{"3", names[i], "4294967295", "Docs\\\"Old\""}))
        << names[i];
}

}  // namespace
}  // namespace plomix
