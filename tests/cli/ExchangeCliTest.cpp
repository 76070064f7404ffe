#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <cstdlib>
#include <string>

#include "TestSupport.h"

namespace plomix {
namespace {

struct CliOutcome {
  int exitCode = -1;
  QByteArray out, err;
};

class ExchangeCli : public ::testing::Test {
 protected:
  test::TempDir config;
  test::TempDir dir;

  CliOutcome Cli(const QStringList& args, const std::string& stdinFile = {}) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PLOMIX2_CONFIG_DIR", QString::fromStdString(config.Path().string()));
    process.setProcessEnvironment(env);
    if (!stdinFile.empty()) process.setStandardInputFile(QString::fromStdString(stdinFile));
    process.start(QStringLiteral(PLOMIX_CLI_PATH), args);
    process.waitForFinished(120000);
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
  }
  QString File(const std::string& name, const std::string& text) {
    const std::string path = dir.File(name);
    test::WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
    return QString::fromStdString(path);
  }
  QString Catalogue() { return QString::fromStdString(dir.File("c.qdb")); }
};

const char* const kListing =
    "[1,2,{},[{\"name\":\"/srv/server\"},[{\"name\":\"etc\"},{\"name\":\"hosts\",\"asize\":"
    "120}],{\"name\":\"big\",\"asize\":5000,\"dsize\":8192,\"mtime\":1600000000}]]";

// The command adds one media from standard input (packed or not), refuses a
// second of the same name unless told to replace it, and a broken listing
// changes nothing at all.
TEST_F(ExchangeCli, ImportFromStandardInputReplaceAndRefusals) {
  ASSERT_EQ(Cli({"create", Catalogue()}).exitCode, 0);
  const QString listing = File("l.json", kListing);
  ASSERT_EQ(std::system(("gzip -q -k -f '" + listing.toStdString() + "'").c_str()), 0);
  CliOutcome run = Cli({"import", Catalogue(), "-", "--category", "サーバー", "--json"},
                       listing.toStdString() + ".gz");
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QJsonObject stored = QJsonDocument::fromJson(run.out).object();
  EXPECT_EQ(stored["name"].toString(), "server");
  EXPECT_EQ(stored["files"].toInt(), 2);
  EXPECT_EQ(stored["size"].toDouble(), 5120);
  EXPECT_EQ(stored["kind"].toString(), "ネットワーク");
  run = Cli({"ls", Catalogue(), "server\\etc", "--bytes"});
  EXPECT_NE(run.out.indexOf("hosts\t1\t120"), -1) << run.out.toStdString();

  const std::vector<uint8_t> before = test::ReadFileBytes(Catalogue().toStdString());
  run = Cli({"import", Catalogue(), listing});
  EXPECT_NE(run.exitCode, 0);
  EXPECT_NE(run.err.indexOf("--replace"), -1) << run.err.toStdString();
  run = Cli({"import", Catalogue(), File("bad.json", std::string(kListing).substr(0, 60))});
  EXPECT_NE(run.exitCode, 0);
  EXPECT_NE(run.err.indexOf("at byte 60"), -1) << run.err.toStdString();
  EXPECT_NE(run.err.indexOf("nothing was stored"), -1);
  EXPECT_EQ(test::ReadFileBytes(Catalogue().toStdString()), before);

  run = Cli({"import", Catalogue(), listing, "--replace", "--location", "棚"});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  run = Cli({"media", Catalogue(), "--json"});
  EXPECT_EQ(QJsonDocument::fromJson(run.out).array().size(), 1) << run.out.toStdString();
}

// Entries ncdu left out or could not read are listed, the rest is stored,
// and the exit status tells a script.
// A newer listing of the same machine brings the media up to date in its
// slot: the comment of a file still there stays, that of a file gone is
// listed, and the change report tells what moved.
TEST_F(ExchangeCli, ImportUpdateKeepsCommentsAndReportsTheChanges) {
  ASSERT_EQ(Cli({"create", Catalogue()}).exitCode, 0);
  ASSERT_EQ(Cli({"import", Catalogue(), File("l.json", kListing)}).exitCode, 0);
  ASSERT_EQ(Cli({"comment", Catalogue(), "server\\big", "大きい"}).exitCode, 0);
  ASSERT_EQ(Cli({"comment", Catalogue(), "server\\etc\\hosts", "hosts file"}).exitCode, 0);
  const QString newer =
      File("n.json",
           "[1,2,{},[{\"name\":\"/srv/server\"},[{\"name\":\"etc\"}],{\"name\":\"big\",\"asize\":"
           "6000,\"mtime\":1600000000},{\"name\":\"new\",\"asize\":1}]]");
  EXPECT_EQ(Cli({"import", Catalogue(), newer, "--update", "server", "--name", "x"}).exitCode, 1);
  const CliOutcome run = Cli({"import", Catalogue(), newer, "--update", "server", "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QJsonObject report = QJsonDocument::fromJson(run.out).object();
  EXPECT_EQ(report["added"].toArray()[0].toObject()["path"].toString(), "new");
  EXPECT_EQ(report["removed"].toArray()[0].toObject()["path"].toString(), "etc\\hosts");
  EXPECT_EQ(report["changed"].toArray()[0].toObject()["oldSize"].toInt(), 5000);
  const QJsonArray lost = report["lostComments"].toArray();
  ASSERT_EQ(lost.size(), 1);
  EXPECT_EQ(lost[0].toObject()["comment"].toString(), "hosts file");
  EXPECT_TRUE(run.err.contains("carried 1 comment")) << run.err.toStdString();
  EXPECT_EQ(QString::fromUtf8(Cli({"comment", Catalogue(), "server\\big"}).out),
            QStringLiteral("大きい\n"));
  EXPECT_EQ(QJsonDocument::fromJson(Cli({"media", Catalogue(), "--json"}).out).array().size(), 1);
}

TEST_F(ExchangeCli, ExcludedEntriesAreReportedWithStatusThree) {
  ASSERT_EQ(Cli({"create", Catalogue()}).exitCode, 0);
  const CliOutcome run =
      Cli({"import", Catalogue(),
           File("x.json",
                "[1,2,{},[{\"name\":\"/h\"},{\"name\":\"a\",\"asize\":1},{\"name\":\"proc\","
                "\"excluded\":\"kernfs\"}]]"),
           "--name", "host"});
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_NE(run.err.indexOf("/h/proc"), -1) << run.err.toStdString();
}

// The export of a folder imports back with the folder's entries.
TEST_F(ExchangeCli, ExportOfAFolderImportsBack) {
  ASSERT_EQ(Cli({"create", Catalogue()}).exitCode, 0);
  ASSERT_EQ(Cli({"import", Catalogue(), File("l.json", kListing)}).exitCode, 0);
  const QString out = QString::fromStdString(dir.File("etc.json"));
  CliOutcome run = Cli({"export-ncdu", Catalogue(), "server\\etc", "-o", out});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  run = Cli({"import", Catalogue(), out, "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QJsonObject stored = QJsonDocument::fromJson(run.out).object();
  EXPECT_EQ(stored["name"].toString(), "etc");
  EXPECT_EQ(stored["size"].toDouble(), 120);
  run = Cli({"export-ncdu", Catalogue(), "nothing"});
  EXPECT_NE(run.exitCode, 0);
}

}  // namespace
}  // namespace plomix
