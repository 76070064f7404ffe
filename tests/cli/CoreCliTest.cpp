#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>
#include <filesystem>

#include "CliRun.h"
#include "TestSupport.h"
#include "support/MediaBuilder.h"

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

  EXPECT_EQ(RunCli({"rename", q, "Disk2", "Disk1"}).exitCode, 1);  // name taken
  EXPECT_EQ(RunCli({"rename", q, "Disk2", QStringLiteral("ディスク")}).exitCode, 0);
  // A name code page 932 cannot hold is kept as given; one too long for the
  // slot is cut after a whole character, and the user is told.
  const QString camera = QStringLiteral("\U0001F4F7");
  for (const QString& wanted :
       {QStringLiteral("caf\u00E9 ") + camera, QString(90, QChar('x')) + camera + camera}) {
    const CliRun renamed = RunCli({"rename", q, "--slot", "1", wanted});
    ASSERT_EQ(renamed.exitCode, 0) << renamed.err.toStdString();
    const bool tooLong = wanted.size() > 90;
    EXPECT_EQ(renamed.err.contains("cut"), tooLong) << renamed.err.toStdString();
    const QString kept = tooLong ? QString(90, QChar('x')) + camera : wanted;
    EXPECT_EQ(Json(RunCli({"media", q, "--json"})).array()[1].toObject()["name"].toString(), kept);
  }
  ASSERT_EQ(RunCli({"rename", q, "--slot", "1", QStringLiteral("ディスク")}).exitCode, 0);
  // Results name entries by slot: a delete or a compaction removes them, as
  // the window does, unless --analyse makes them anew.
  const std::string dup = dir.File("m.dup"), lik = dir.File("m.lik");
  ASSERT_EQ(RunCli({"dups", q}).exitCode, 0);
  ASSERT_EQ(RunCli({"similar", q}).exitCode, 0);
  ASSERT_TRUE(std::filesystem::exists(dup) && std::filesystem::exists(lik));
  CliRun deleted = RunCli({"delete", q, "Disk1"});
  EXPECT_EQ(deleted.exitCode, 0);
  EXPECT_TRUE(deleted.err.contains("results were removed")) << deleted.err.toStdString();
  EXPECT_FALSE(std::filesystem::exists(dup) || std::filesystem::exists(lik));
  EXPECT_EQ(RunCli({"delete", q, "--slot", "0"}).exitCode, 1);  // already deleted
  ASSERT_EQ(RunCli({"dups", q}).exitCode, 0);
  const auto stale = test::ReadFileBytes(dup);
  CliRun compacted = RunCli({"compact", q, "--json", "--analyse"});
  ASSERT_EQ(compacted.exitCode, 0) << compacted.err.toStdString();
  EXPECT_EQ(Json(compacted).object()["removedMedia"].toInt(), 1);
  EXPECT_TRUE(std::filesystem::exists(lik));
  EXPECT_NE(test::ReadFileBytes(dup), stale);  // Disk2's entries moved to slot 0

  const QJsonArray after = Json(RunCli({"media", q, "--json"})).array();
  ASSERT_EQ(after.size(), 1);
  EXPECT_EQ(after[0].toObject()["slot"].toInt(), 0);
  EXPECT_EQ(after[0].toObject()["name"].toString(), QStringLiteral("ディスク"));
}

// Changing commands take the media by name; a slot only with --slot, which
// --expect checks. What is refused changes nothing.
TEST(CoreCli, RenameAndDeleteTakeTheMediaByNameOrByACheckedSlot) {
  struct Case {
    QStringList args;  // after the catalogue path
    int exitCode;
    QString output;                 // in stdout (0) or stderr (1)
    std::vector<std::string> live;  // "slot:name" afterwards
  };
  const std::vector<std::string> before = {"0:Disk1", "1:Twin", "2:Twin", "3:Disk2"};
  const std::vector<Case> cases = {
      {{"delete", "Disk1"}, 0, "deleted media 0 (Disk1)", {"1:Twin", "2:Twin", "3:Disk2"}},
      {{"rename", "Disk2", "New"},
       0,
       "renamed media 3 to New",
       {"0:Disk1", "1:Twin", "2:Twin", "3:New"}},
      {{"delete", "Nope"}, 1, "no media named \"Nope\"", before},
      {{"rename", "Nope", "New"}, 1, "no media named \"Nope\"", before},
      {{"delete", "Twin"}, 1, "(slots 1, 2); choose one with --slot", before},
      {{"rename", "Twin", "New"}, 1, "(slots 1, 2); choose one with --slot", before},
      {{"delete", "--slot", "0", "--expect", "Disk2"},
       1,
       "slot 0 holds \"Disk1\", not \"Disk2\"",
       before},
      {{"rename", "--slot", "3", "--expect", "Twin", "New"},
       1,
       "slot 3 holds \"Disk2\", not \"Twin\"",
       before},
      {{"delete", "--slot", "2", "--expect", "Twin"},
       0,
       "deleted media 2 (Twin)",
       {"0:Disk1", "1:Twin", "3:Disk2"}},
      {{"delete", "--slot", "1"}, 0, "deleted media 1 (Twin)", {"0:Disk1", "2:Twin", "3:Disk2"}},
      {{"rename", "--slot", "2", "New"},
       0,
       "renamed media 2 to New",
       {"0:Disk1", "1:Twin", "2:New", "3:Disk2"}},
      {{"delete", "--slot", "7"}, 1, "slot 7 holds no media", before},
      {{"delete", "--expect", "Disk1", "Disk1"}, 1, "--expect goes with --slot", before},
      {{"delete", "Disk1", "--slot", "0"}, 1, "either by NAME or by --slot", before},
  };
  for (const Case& c : cases) {
    const std::string where = c.args.join(' ').toStdString();
    test::TempDir dir;
    const std::string path = dir.File("m.qdb");
    {
      Catalog catalog;
      ASSERT_TRUE(catalog.CreateCatalog(path));
      TMediaInfomation info = test::InfoFor();
      for (const char* name : {"Disk1", "Twin", "Twin", "Disk2"})
        ASSERT_TRUE(catalog.AddMedia(test::FlatMedia(name, 2), info));
    }
    QStringList args = c.args;
    args.insert(1, QString::fromStdString(path));
    const CliRun run = RunCli(args);
    EXPECT_EQ(run.exitCode, c.exitCode) << where << ": " << run.err.toStdString();
    EXPECT_TRUE((c.exitCode == 0 ? run.out : run.err).contains(c.output.toUtf8()))
        << where << ": " << run.out.toStdString() << run.err.toStdString();
    Catalog after;
    ASSERT_TRUE(after.OpenCatalog(path));
    std::vector<std::string> live;
    for (int s = 0; s < after.SlotsUsed(); ++s)
      if (after.Slot(s).IsLive()) live.push_back(std::to_string(s) + ":" + after.Slot(s).Name());
    EXPECT_EQ(live, c.live) << where;
  }
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
      {"compact", damaged},     {"rename", damaged, "a", "x"},
      {"delete", missing, "a"}, {"info", damaged, "--bogus"},
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
