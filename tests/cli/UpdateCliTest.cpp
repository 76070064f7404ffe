// read --update: a media read again from where it was read, keeping what
// people added to it.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>
#include <filesystem>
#include <fstream>

#include "CliRun.h"
#include "TestSupport.h"
#include "core/Catalog.h"

namespace plomix {
namespace {

namespace fs = std::filesystem;

const std::string kSmile = "\xF0\x9F\x98\x80";

class UpdateCli : public ::testing::Test {
 protected:
  test::TempDir config, dir;

  test::CliRun Cli(const QStringList& args) {
    qputenv("PLOMIX2_CONFIG_DIR", QByteArray::fromStdString(config.Path().string()));
    return test::RunCli(args);
  }
  QString Path(const std::string& relative) {
    return QString::fromStdString((dir.Path() / relative).string());
  }
  void Touch(const std::string& relative, int size) {
    fs::create_directories((dir.Path() / relative).parent_path());
    std::ofstream(dir.Path() / relative) << std::string(static_cast<std::size_t>(size), 'x');
  }
  // Comments and marks as the window gives them.
  static void Annotate(const std::string& catalog) {
    Catalog c;
    ASSERT_TRUE(c.OpenCatalog(catalog));
    ASSERT_TRUE(c.LoadMedia(0));
    for (int r = 1; r < c.LoadedCount(); ++r) {
      const std::string name = c.ShownRecordName(r);
      if (name == "keep.txt" || name == "x" + kSmile || name == "old.txt") {
        ASSERT_GE(c.AddComment(MakeKey(0, r), "on " + c.RecordName(r), kKindFile, c.RecordName(r)),
                  0);
        ASSERT_EQ(c.SetMark(Catalog::MarkChange::Set, MakeKey(0, r)), 1);
      }
    }
  }
};

TEST_F(UpdateCli, ReadsTheMediaAgainFromItsFolderAndListsLostComments) {
  Touch("media/keep.txt", 3);
  Touch("media/old.txt", 4);
  Touch("media/sub/x" + kSmile, 5);
  const QString catalog = Path("c.qdb");
  ASSERT_EQ(Cli({"create", catalog}).exitCode, 0);
  ASSERT_EQ(Cli({"read", catalog, "--path", Path("media"), "--name", "Disk"}).exitCode, 0);
  Annotate(catalog.toStdString());
  // x(smile) moved out of sub: an entry of another path, its comment lost too.
  fs::remove(dir.Path() / "media/old.txt");
  fs::rename(dir.Path() / ("media/sub/x" + kSmile), dir.Path() / ("media/x" + kSmile));
  Touch("media/keep.txt", 300);
  Touch("media/new.txt", 1);

  const test::CliRun run = Cli({"read", catalog, "--update", "Disk", "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QJsonArray lost = run.Json().object()["lostComments"].toArray();
  ASSERT_EQ(lost.size(), 2);
  EXPECT_EQ(lost[0].toObject()["path"].toString().toStdString(), "old.txt");
  EXPECT_EQ(lost[0].toObject()["comment"].toString().toStdString(), "on old.txt");
  EXPECT_EQ(lost[1].toObject()["path"].toString().toStdString(), "sub\\x" + kSmile);
  EXPECT_NE(run.err.indexOf("carried 1 comment and 1 mark"), -1) << run.err.toStdString();
  // The change report: what came, went and changed since the last reading.
  const auto paths = [&](const char* key) {
    std::vector<std::string> out;
    for (const QJsonValue& v : run.Json().object()[key].toArray())
      out.push_back(v.toObject()["path"].toString().toStdString());
    return out;
  };
  EXPECT_EQ(paths("added"), (std::vector<std::string>{"new.txt", "x" + kSmile}));
  EXPECT_EQ(paths("removed"), (std::vector<std::string>{"old.txt", "sub\\x" + kSmile}));
  EXPECT_EQ(paths("changed"), std::vector<std::string>{"keep.txt"});
  EXPECT_EQ(run.Json().object()["changed"].toArray()[0].toObject()["oldSize"].toInt(), 3);
  EXPECT_NE(run.err.indexOf("added 2, removed 2, changed 1; files 0, size +294 Byte"), -1)
      << run.err.toStdString();

  Catalog c;
  ASSERT_TRUE(c.OpenCatalog(catalog.toStdString()));
  ASSERT_EQ(c.MediaCount(), 1);
  EXPECT_EQ(c.Slot(0).Name(), "Disk");
  ASSERT_TRUE(c.LoadMedia(0));
  int seen = 0;
  for (int r = 1; r < c.LoadedCount(); ++r) {
    const std::string name = c.ShownRecordName(r);
    const TFileRec& rec = c.LoadedRec(r);
    if (name == "keep.txt") {
      ++seen;
      EXPECT_EQ(rec.Size(), 300);
      EXPECT_EQ(rec.Mark(), 1);
      EXPECT_EQ(c.CommentText(rec.CommentNo()), "on keep.txt");
    } else {
      EXPECT_EQ(rec.CommentNo(), -1) << name;
      EXPECT_EQ(rec.Mark(), 0) << name;
    }
  }
  EXPECT_EQ(seen, 1);
  // Read from its folder again, its origin line follows it: a second update works.
  EXPECT_EQ(Cli({"read", catalog, "--update", "Disk"}).exitCode, 0);
}

TEST_F(UpdateCli, AMediaWhoseOriginIsGoneGivesAClearErrorAndChangesNothing) {
  Touch("media/a.txt", 1);
  const QString catalog = Path("c.qdb");
  ASSERT_EQ(Cli({"create", catalog}).exitCode, 0);
  ASSERT_EQ(Cli({"read", catalog, "--path", Path("media"), "--name", "Disk"}).exitCode, 0);
  fs::remove_all(dir.Path() / "media");
  const auto before = test::ReadFileBytes(catalog.toStdString());
  const test::CliRun gone = Cli({"read", catalog, "--update", "Disk"});
  EXPECT_EQ(gone.exitCode, 1);
  EXPECT_NE(gone.err.indexOf("is not a readable folder now; nothing was changed"), -1)
      << gone.err.toStdString();
  const test::CliRun nobody = Cli({"read", catalog, "--update", "Nobody"});
  EXPECT_EQ(nobody.exitCode, 1);
  EXPECT_NE(nobody.err.indexOf("no media named \"Nobody\""), -1) << nobody.err.toStdString();
  EXPECT_EQ(test::ReadFileBytes(catalog.toStdString()), before);
  // Another source may be given instead.
  Touch("elsewhere/b.txt", 1);
  EXPECT_EQ(Cli({"read", catalog, "--update", "Disk", "--path", Path("elsewhere")}).exitCode, 0);
}

}  // namespace
}  // namespace plomix
