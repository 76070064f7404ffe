// The command line's export with names code page 932 cannot hold: standard
// output and JSON carry them exactly; a file is CP932 ('?' for what it cannot
// hold, reported on standard error) or UTF-8 as asked.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>
#include <string>

#include "CliRun.h"
#include "TestSupport.h"
#include "core/Catalog.h"
#include "core/Text.h"
#include "support/ExportNameTree.h"

namespace plomix {
namespace {

using test::RunCli;

class ExportEncodingCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Catalog catalog;
    ASSERT_TRUE(catalog.CreateCatalog(dir.File("e.qdb")));
    test::ReadExportNameTree(catalog, dir.Path() / "root");
    path = QString::fromStdString(dir.File("e.qdb"));
  }

  std::string FileText(const std::string& name) const {
    const std::vector<uint8_t> bytes = test::ReadFileBytes(dir.File(name));
    return std::string(bytes.begin(), bytes.end());
  }

  test::TempDir dir;
  QString path;
};

// The rows of the media dump as the default settings write them.
const char* const kRows[] = {"\"caf\xC3\xA9.txt\"\r\n",
                             "\"\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4\\\xF0\x9F\x93\xB7.jpg\"\r\n",
                             "\"line\nbreak.txt\"\r\n", "\"plain.txt\"\r\n"};

TEST_F(ExportEncodingCliTest, StandardOutputFilesAndJsonKeepOrCountTheNames) {
  const auto out = RunCli({"export", path, "Media", "--mode", "media"});
  ASSERT_EQ(out.exitCode, 0) << out.err.toStdString();
  const std::string stdoutText = out.out.toStdString();
  for (const char* row : kRows) {
    std::string shown = row;
    const std::size_t lf = shown.find("\nbreak");
    if (lf != std::string::npos) shown.replace(lf, 1, "\xE2\x90\x8A");  // a line break shown as ␊
    EXPECT_NE(stdoutText.find(shown), std::string::npos) << row;
  }

  const auto utf8 = RunCli({"export", path, "Media", "--mode", "media", "-o",
                            QString::fromStdString(dir.File("u.txt")), "--encoding", "utf-8"});
  ASSERT_EQ(utf8.exitCode, 0) << utf8.err.toStdString();
  EXPECT_TRUE(utf8.err.isEmpty()) << utf8.err.toStdString();
  const std::string utf8Text = FileText("u.txt");
  for (const char* row : kRows) EXPECT_NE(utf8Text.find(row), std::string::npos) << row;
  EXPECT_FALSE(utf8Text.starts_with("\xEF\xBB\xBF"));

  const auto cp932 = RunCli({"export", path, "Media", "--mode", "media", "-o",
                             QString::fromStdString(dir.File("s.txt")), "--json"});
  ASSERT_EQ(cp932.exitCode, 0) << cp932.err.toStdString();
  const std::string cp932Text = FileText("s.txt");
  EXPECT_EQ(cp932Text, text::Utf8ToCp932(utf8Text));
  EXPECT_NE(cp932Text.find("\"caf?.txt\"\r\n"), std::string::npos);
  // café, 한국어 and 📷.
  EXPECT_NE(cp932.err.indexOf("3 names lost characters"), -1) << cp932.err.toStdString();
  const QJsonObject json = cp932.Json().object();
  EXPECT_EQ(json["bytes"].toDouble(), static_cast<double>(cp932Text.size()));
  const QJsonArray lines = json["lines"].toArray();
  EXPECT_TRUE(lines.contains(QStringLiteral("\"café.txt\"")));
  EXPECT_TRUE(lines.contains(QStringLiteral("\"한국어\\📷.jpg\"")));

  EXPECT_EQ(RunCli({"export", path, "Media", "--mode", "media", "-o",
                    QString::fromStdString(dir.File("x.txt")), "--encoding", "latin1"})
                .exitCode,
            1);
  EXPECT_EQ(RunCli({"export", path, "Media", "--mode", "media", "--encoding", "utf-8"}).exitCode,
            1);
}

}  // namespace
}  // namespace plomix
