#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>

#include "CliRun.h"
#include "TestSupport.h"
#include "support/MediaBuilder.h"

namespace plomix {
namespace {

using test::RunCli;

class SearchCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Catalog catalog;
    ASSERT_TRUE(catalog.CreateCatalog(dir.File("s.qdb")));
    TMediaInfomation info = test::InfoFor();
    ASSERT_TRUE(catalog.AddMedia(test::NestedMedia("M"), info));
    auto flat = test::FlatMedia(test::Sj("写真"), 2);
    flat[1].Name = test::Sj("表ソ");  // both trail bytes are 0x5C, a backslash alone
    flat[2].Name = test::Sj("旅行.TXT");
    ASSERT_TRUE(catalog.AddMedia(flat, info));
    path = QString::fromStdString(dir.File("s.qdb"));
  }
  test::TempDir dir;
  QString path;
};

TEST_F(SearchCliTest, SearchPrintsHitsWithTheirPaths) {
  const auto run = RunCli({"search", path, "--name", "*.txt", "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QJsonObject result = run.Json().object();
  EXPECT_EQ(result["count"].toInt(), 2);  // letter case ignored unless --case
  const QJsonArray hits = result["hits"].toArray();
  ASSERT_EQ(hits.size(), 2);
  EXPECT_EQ(hits[0].toObject()["name"].toString(), "leaf.txt");
  EXPECT_EQ(hits[0].toObject()["path"].toString(), "M\\A\\B");
  EXPECT_EQ(hits[1].toObject()["name"].toString(), QStringLiteral("旅行.TXT"));
  EXPECT_EQ(hits[1].toObject()["media"].toString(), QStringLiteral("写真"));

  const auto exact = RunCli({"search", path, "--name", "*.txt", "--case", "--count"});
  EXPECT_EQ(exact.out.trimmed(), "1");
  const auto onlyOne = RunCli({"search", "--media", "M", path, "--name", "*.TXT", "--count"});
  EXPECT_EQ(onlyOne.out.trimmed(), "1");
}

TEST_F(SearchCliTest, SizeBoundsReachBeyondThirtyTwoBits) {
  const auto big = RunCli({"search", path, "--size", "3000000000:", "--count"});
  EXPECT_EQ(big.exitCode, 0) << big.err.toStdString();
  EXPECT_EQ(big.out.trimmed(), "0");
  const auto all = RunCli({"search", path, "--size", ":9223372036854775807", "--count"});
  EXPECT_EQ(all.exitCode, 0) << all.err.toStdString();
  EXPECT_EQ(all.out.trimmed(), RunCli({"search", path, "--size", ":", "--count"}).out.trimmed());
  for (const char* range : {"9223372036854775808:", "1.5:", ":1e19"}) {
    const auto refused = RunCli({"search", path, "--size", range, "--count"});
    EXPECT_EQ(refused.exitCode, 1) << range;
    EXPECT_TRUE(refused.err.contains("9223372036854775807")) << refused.err.toStdString();
  }
}

TEST_F(SearchCliTest, APatternCharacterShiftJisLacksIsNoWildcard) {
  // As '?' the last character would match the "t" of leaf.txt; it can only
  // meet names the catalogue keeps exactly, and this one has none.
  const auto run = RunCli({"search", path, "--name", QStringLiteral("leaf.tx😀"), "--count"});
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(run.out.trimmed(), "0");
}

TEST_F(SearchCliTest, ExportWritesCp932LinesEndingInCrLf) {
  const std::string out = dir.File("paths.txt");
  const auto run = RunCli({"export", path, QStringLiteral("写真"), "--mode", "contents", "-o",
                           QString::fromStdString(out)});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const auto bytes = test::ReadFileBytes(out);
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_NE(text.find(test::Sj("旅行.TXT")), std::string::npos);
  EXPECT_EQ(text.size() >= 2 ? text.substr(text.size() - 2) : "", "\r\n");
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      ASSERT_EQ(text[i - 1], '\r') << i;
    }
  }

  const auto named =
      RunCli({"export", path, QStringLiteral("写真\\表ソ"), "--mode", "name", "--simple"});
  ASSERT_EQ(named.exitCode, 0) << named.err.toStdString();
  EXPECT_EQ(named.out.toStdString(), "表ソ\r\n");

  EXPECT_EQ(RunCli({"export", path, "M\\Nope", "--mode", "name"}).exitCode, 1);
  EXPECT_EQ(RunCli({"export", path, "M", "--mode", "bogus"}).exitCode, 1);
}

}  // namespace
}  // namespace plomix
