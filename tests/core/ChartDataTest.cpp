// The size charts' data: order by each measure, bar parts, value texts,
// labels, paging and the pie with its rest slice, over folder and media lists.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "TestSupport.h"
#include "core/ChartData.h"
#include "core/Text.h"

namespace plomix {
namespace {

using test::Sj;

TRecord Row(const std::string& name, int kind, double size, double allocated, int32_t key = -1) {
  TRecord r;
  r.Name = name;
  r.Kind = static_cast<int16_t>(kind);
  r.Size = size;
  r.Allocated = allocated;
  r.Key = key;
  return r;
}

// A small folder: a folder and three files with distinct sizes and gaps.
std::vector<TRecord> SmallFolder() {
  return {Row("a.txt", kKindFile, 100, 4096), Row("docs", kKindFolder, 9000, 12288),
          Row("big.iso", kKindFile, 5368709120.0, 5368709120.0), Row("empty", kKindFile, 0, 0)};
}

TEST(ChartDataTest, EachMeasureOrdersColoursAndLabelsTheBars) {
  struct Case {
    ChartMeasure measure;
    std::vector<std::string> order;  // names, largest first
    // The first bar: its parts and colours and value text.
    double first, second;
    uint32_t firstColour, secondColour;
    QString mark;
  };
  const Case cases[] = {
      {ChartMeasure::Size,
       {"big.iso", "docs", "a.txt", "empty"},
       5368709119.0,
       1,
       kChartBlue,
       kChartBlue,
       "5,368,709,120"},
      {ChartMeasure::ClusterGap,
       {"a.txt", "docs", "big.iso", "empty"},
       3995,
       1,
       kChartWhite,
       kChartWhite,
       "3,996"},
      {ChartMeasure::Allocated,
       {"big.iso", "docs", "a.txt", "empty"},
       5368709120.0,
       0,
       kChartBlue,
       kChartWhite,
       "5,368,709,120(5,368,709,120)"},
  };
  const std::vector<TRecord> rows = SmallFolder();
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.measure));
    ChartData data;
    data.SetMeasure(c.measure);
    data.Fill(rows, false);
    ASSERT_EQ(data.RowCount(), 4);
    std::vector<std::string> names;
    for (int index : data.Order()) names.push_back(data.RowAt(index).name);
    EXPECT_EQ(names, c.order);
    const std::vector<ChartBar> bars = data.BarPage(0, 10, 20, false);
    ASSERT_EQ(bars.size(), 4u);
    EXPECT_DOUBLE_EQ(bars[0].first, c.first);
    EXPECT_DOUBLE_EQ(bars[0].second, c.second);
    EXPECT_EQ(bars[0].firstColour, c.firstColour);
    EXPECT_EQ(bars[0].secondColour, c.secondColour);
    EXPECT_EQ(bars[0].mark, c.mark);
    for (const ChartBar& bar : bars) {
      EXPECT_GE(bar.first, 0);
      EXPECT_GE(bar.second, 0);
    }
  }
  ChartData data;
  data.Fill(rows, false);
  const std::vector<ChartBar> bars = data.BarPage(0, 10, 20, false);
  // A folder is red with the filled-square mark, a file blue with the open one.
  EXPECT_EQ(bars[1].label, "2) ■docs " + QString(18, QChar(0x2D)));
  EXPECT_EQ(bars[1].firstColour, kChartRed);
  EXPECT_EQ(bars[0].label.left(5), QString("1) □b"));
  // The empty file: a bar of length 0 that still ends in its value text.
  EXPECT_EQ(bars[3].first + bars[3].second, 0.0);
  EXPECT_EQ(bars[3].mark, QString("0"));
  data.SetMeasure(ChartMeasure::Allocated);
  EXPECT_EQ(data.BarPage(1, 1, 20, true)[0].mark, QString("12,288"));
  EXPECT_EQ(ChartTitle(ChartMeasure::Size, false),
            QString("□ﾌｧｲﾙ(■ﾌｫﾙﾀﾞ)のｻｲｽﾞ一覧...[単位：Byte]"));
  EXPECT_EQ(ChartTitle(ChartMeasure::Allocated, true),
            QString("空きｻｲｽﾞ + ｸﾗｽﾀｻｲｽﾞ一覧...[単位：Byte]"));
}

TEST(ChartDataTest, TheMediaListChartsFreeSpace) {
  const std::vector<TRecord> rows = {Row("CD", kKindOptical, 700, 8192, 0),
                                     Row("HD", kKindFixed, 100, 4096, 1000000),
                                     Row("gone", kKindFixed, 100, 2048, 2000000)};
  const auto freeSpace = [](int32_t key) {
    return key == 0 ? 0.0 : key == 1000000 ? 50000.0 : std::nan("");
  };
  ChartData data;
  data.Fill(rows, true, freeSpace);
  EXPECT_TRUE(data.MediaList());
  std::vector<ChartBar> bars = data.BarPage(0, 10, 20, false);
  ASSERT_EQ(bars.size(), 3u);
  EXPECT_EQ(bars[0].label, "1) HD " + QString(20, QChar(0x2D)));
  EXPECT_EQ(bars[0].mark, QString("50,000"));
  EXPECT_EQ(bars[0].firstColour, kChartYellow);
  // Facts that cannot be fetched chart as 0.
  EXPECT_EQ(bars[2].mark, QString("0"));

  data.SetMeasure(ChartMeasure::ClusterGap);
  bars = data.BarPage(0, 10, 20, false);
  EXPECT_EQ(bars[0].mark, QString("8,192"));
  EXPECT_EQ(bars[0].secondColour, kChartFuchsia);

  data.SetMeasure(ChartMeasure::Allocated);
  bars = data.BarPage(0, 10, 20, false);
  EXPECT_EQ(bars[0].mark, QString("54,096(50,000)"));
  EXPECT_EQ(bars[0].first, 50000.0);
  EXPECT_EQ(bars[0].firstColour, kChartYellow);
  EXPECT_EQ(bars[0].second, 4096.0);
  EXPECT_EQ(bars[0].secondColour, kChartFuchsia);
  const std::vector<ChartSlice> slices = data.PieSlices(10, 20);
  EXPECT_EQ(slices[0].value, 4096.0);  // the pie's third measure is the clusters alone
  EXPECT_EQ(slices[0].colour, kChartFuchsia);
}

TEST(ChartDataTest, PagesAndThePieRestSlice) {
  std::vector<TRecord> rows;
  for (int i = 1; i <= 25; ++i) rows.push_back(Row("f" + std::to_string(i), kKindFile, i, 0));
  ChartData data;
  data.Fill(rows, false);
  EXPECT_EQ(data.PageEnd(20, 10), 24);
  std::vector<ChartBar> page = data.BarPage(20, 10, 20, false);
  ASSERT_EQ(page.size(), 5u);
  EXPECT_TRUE(page[0].label.startsWith("21) "));
  EXPECT_TRUE(page[4].label.startsWith("25) □f1 "));
  EXPECT_EQ(data.BarPage(99, 10, 20, false).size(), 1u);  // clamped to the last row

  rows.resize(12);  // sizes 1..12
  data.Fill(rows, false);
  std::vector<ChartSlice> slices = data.PieSlices(10, 20);
  ASSERT_EQ(slices.size(), 11u);
  EXPECT_EQ(slices[0].label, QString("1) □f12"));
  EXPECT_EQ(slices[10].label, QString("その他"));
  EXPECT_EQ(slices[10].value, 3.0);  // sizes 2 and 1
  EXPECT_EQ(slices[10].colour, kChartWhite);
  EXPECT_EQ(data.PieSlices(0, 20).size(), 12u);
  rows.resize(10);
  data.Fill(rows, false);
  EXPECT_EQ(data.PieSlices(10, 20).size(), 10u);

  // Rows of size 0 only: slices of 0, and no rest slice for a rest of 0.
  std::vector<TRecord> zeros(14, Row("z", kKindFile, 0, 0));
  data.Fill(zeros, false);
  EXPECT_EQ(data.PieSlices(10, 20).size(), 10u);
  data.Fill({}, false);
  EXPECT_TRUE(data.BarPage(0, 10, 20, false).empty());
  EXPECT_TRUE(data.PieSlices(10, 20).empty());
  EXPECT_EQ(data.PageEnd(0, 10), -1);
}

TEST(ChartDataTest, DamagedValuesChartAsZero) {
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<TRecord> rows = {Row("nan", kKindFile, std::nan(""), std::nan("")),
                                     Row("neg", kKindFile, -5, -10), Row("inf", kKindFile, inf, 0),
                                     Row("shrunk", kKindFile, 9000, 4096)};
  for (ChartMeasure m : {ChartMeasure::Size, ChartMeasure::ClusterGap, ChartMeasure::Allocated}) {
    ChartData data;
    data.SetMeasure(m);
    data.Fill(rows, false);
    for (const ChartBar& bar : data.BarPage(0, 10, 20, false)) {
      EXPECT_TRUE(std::isfinite(bar.first) && bar.first >= 0) << bar.label.toStdString();
      EXPECT_TRUE(std::isfinite(bar.second) && bar.second >= 0) << bar.label.toStdString();
    }
    for (const ChartSlice& slice : data.PieSlices(2, 20))
      EXPECT_TRUE(std::isfinite(slice.value) && slice.value >= 0);
  }
}

TEST(ChartDataTest, LabelsAreCutOrFilledByBytes) {
  struct Case {
    std::string name;
    int kind, length;
    bool fill;
    std::string label;
  };
  const Case cases[] = {
      {"abcdefghijklmnopqrstuvwxy", kKindFile, 20, true,
       "3) \x81\xA0"
       "abcdefghijklmnopqrst..."},
      {"hello", kKindFile, 20, true, "3) \x81\xA0hello " + std::string(17, '-')},
      {"hello", kKindFile, 20, false, "3) \x81\xA0hello"},
      {"HD", kKindFixed, 20, false, "3) HD"},
      {"dir", kKindOpenFolder, 3, true,
       "3) \x81\xA1"
       "dir --"},
      // A cut never splits a two-byte character: 3 bytes of "あいう" keep one.
      {Sj("あいう"), kKindFile, 3, false, "3) \x81\xA0" + Sj("あ") + "..."},
      {"long", kKindFile, 0, true, "3) \x81\xA0..."},
      {"x", kKindFile, 1000, true, "3) \x81\xA0x " + std::string(255, '-')},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ChartLabel(3, c.name, c.kind, c.length, c.fill), c.label) << c.name;
}

}  // namespace
}  // namespace plomix

namespace plomix {
namespace {

// A name CP932 cannot hold is shown exactly, cut or filled as its CP932 form.
TEST(ChartDataTest, ExactNamesKeepTheLabelLayoutOfTheirCp932Form) {
  TRecord korean = Row("??? ??.txt", kKindFile, 10, 10);
  korean.ExactName = "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4 \xED\x8C\x8C\xEC\x9D\xBC.txt";
  TRecord emoji = Row("emoji ??.txt", kKindFile, 5, 5);
  emoji.ExactName = "emoji \xF0\x9F\x98\x80\xF0\x9F\x8E\x89.txt";
  ChartData data;
  data.Fill(std::vector<TRecord>{korean, emoji}, false);
  const std::vector<ChartBar> bars = data.BarPage(0, 10, 12, false);
  ASSERT_EQ(bars.size(), 2u);
  EXPECT_EQ(bars[0].label, QString::fromUtf8("1) □한국어 파일.txt ----"));
  EXPECT_EQ(bars[1].label, QString::fromUtf8("2) □emoji 😀🎉.txt --"));
  EXPECT_EQ(data.PieSlices(0, 7)[1].label, QString::fromUtf8("2) □emoji 😀..."));
}

}  // namespace
}  // namespace plomix
