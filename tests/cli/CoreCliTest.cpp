#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>

#include "../core/CatalogTestUtil.h"
#include "CliRun.h"
#include "TestSupport.h"

namespace plomix {
namespace {

using test::CliRun;
using test::RunCli;

QJsonDocument Json(const CliRun& run) {
  return run.Json();
}

TEST(CoreCli, CreateInfoAndMediaOnANewCatalogue) {
  test::TempDir dir;
  const QString base = QString::fromStdString(dir.File("x"));
  CliRun created = RunCli({"create", base});
  ASSERT_EQ(created.exitCode, 0) << created.err.toStdString();
  EXPECT_EQ(test::FileSize(dir.File("x.qdb")), 2906000u);
  EXPECT_EQ(test::FileSize(dir.File("x.lfn")), 2624512u);

  // Options may stand anywhere on the line.
  CliRun info = RunCli({"info", "--json", base + ".qdb"});
  ASSERT_EQ(info.exitCode, 0) << info.err.toStdString();
  const QJsonObject o = Json(info).object();
  EXPECT_EQ(o["slotsUsed"].toInt(), 0);
  EXPECT_EQ(o["liveMedia"].toInt(), 0);
  EXPECT_EQ(o["commentsUsed"].toInt(), 0);
  EXPECT_EQ(o["longNames"].toInt(), 0);

  // Every command takes the path as create took it, without ".qdb".
  CliRun media = RunCli({"--json", "media", base});
  ASSERT_EQ(media.exitCode, 0) << media.err.toStdString();
  EXPECT_TRUE(Json(media).isArray());
  EXPECT_TRUE(Json(media).array().isEmpty());

  // An existing catalogue is not replaced by accident.
  CliRun again = RunCli({"create", base + ".qdb"});
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_EQ(again.err.count('\n'), 1);
}

TEST(CoreCli, MediaRenameDeleteAndCompact) {
  test::TempDir dir;
  const std::string path = dir.File("m.qdb");
  {
    Catalog catalog;
    ASSERT_TRUE(catalog.CreateCatalog(path));
    TMediaInfomation info = test::InfoFor(test::Sj("写真"));
    ASSERT_TRUE(catalog.AddMedia(test::FlatMedia("Disk1", 3), info));
    ASSERT_TRUE(catalog.AddMedia(test::FlatMedia("Disk2", 1), info));
  }
  const QString q = QString::fromStdString(path);
  CliRun media = RunCli({"media", q, "--json"});
  ASSERT_EQ(media.exitCode, 0) << media.err.toStdString();
  const QJsonArray rows = Json(media).array();
  ASSERT_EQ(rows.size(), 2);
  const QJsonObject first = rows[0].toObject();
  EXPECT_EQ(first["slot"].toInt(), 0);
  EXPECT_EQ(first["name"].toString(), "Disk1");
  EXPECT_EQ(first["kind"].toString(), "HD");
  EXPECT_EQ(first["category"].toString(), QStringLiteral("写真"));
  EXPECT_EQ(first["drive"].toString(), "d");
  EXPECT_EQ(first["files"].toInt(), 3);

  CliRun plain = RunCli({"media", q, "--no-header"});
  EXPECT_TRUE(plain.out.startsWith(QStringLiteral("0\tDisk1\tHD\t写真\t").toUtf8()))
      << plain.out.toStdString();

  EXPECT_EQ(RunCli({"rename", q, "1", "Disk1"}).exitCode, 1);  // name taken
  EXPECT_EQ(RunCli({"rename", q, "1", QStringLiteral("ディスク")}).exitCode, 0);
  EXPECT_EQ(RunCli({"delete", q, "0"}).exitCode, 0);
  EXPECT_EQ(RunCli({"delete", q, "0"}).exitCode, 1);  // already deleted
  CliRun compacted = RunCli({"compact", q, "--json"});
  ASSERT_EQ(compacted.exitCode, 0);
  EXPECT_EQ(Json(compacted).object()["removedMedia"].toInt(), 1);

  const QJsonArray after = Json(RunCli({"media", q, "--json"})).array();
  ASSERT_EQ(after.size(), 1);
  EXPECT_EQ(after[0].toObject()["slot"].toInt(), 0);
  EXPECT_EQ(after[0].toObject()["name"].toString(), QStringLiteral("ディスク"));
}

TEST(CoreCli, MissingOrDamagedCataloguesFailWithOneLineAndWriteNothing) {
  test::TempDir dir;
  const std::string shortPath = dir.File("short.qdb");
  const std::vector<uint8_t> shortBytes(1000, 0xAB);
  test::WriteFileBytes(shortPath, shortBytes);
  const QString missing = QString::fromStdString(dir.File("missing.qdb"));
  const QString damaged = QString::fromStdString(shortPath);
  const QList<QStringList> calls = {
      {"info", missing},        {"media", damaged},
      {"compact", damaged},     {"rename", damaged, "0", "x"},
      {"delete", missing, "0"}, {"info", damaged, "--bogus"},
  };
  for (const QStringList& call : calls) {
    const CliRun run = RunCli(call);
    EXPECT_EQ(run.exitCode, 1) << call.join(' ').toStdString();
    EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("missing.qdb")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("short.lfn")));
  EXPECT_EQ(test::ReadFileBytes(shortPath), shortBytes);
}

}  // namespace
}  // namespace plomix
