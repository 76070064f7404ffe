// diff's exit status and output, and the annotate commands (comment, mark,
// set) with the window's limits and refusals.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>

#include "CliRun.h"
#include "analysis/AnalysisFixture.h"

namespace plomix {
namespace {

using test::CliRun;
using test::RunCli;

class CompareAnnotateCli : public ::testing::Test {
 protected:
  void SetUp() override {
    Catalog catalog;
    test::CreateTestCatalog(catalog, dir);
    test::AddTestMedia(catalog, "Disk",
                       {{"docs", 0, 0, true}, {"b.txt", 6, 100}, {"a.txt", 5, 100, false, 1}});
    test::AddTestMedia(catalog, "Backup",
                       {{"docs", 0, 0, true}, {"b.txt", 7, 100}, {"a.txt", 5, 100, false, 1}});
    test::AddTestMedia(catalog, "Copy", {{"a.txt", 5, 100}});
    path = QString::fromStdString(dir.File("t.qdb"));
  }
  CliRun Run(QStringList args) {
    args.insert(1, path);
    return RunCli(args);
  }
  test::TempDir dir;
  QString path;
};

TEST_F(CompareAnnotateCli, DiffTellsEqualDifferentAndErrorsApartByItsStatus) {
  struct Case {
    QStringList args;
    int status;
    const char* firstLine;
  };
  const Case cases[] = {
      {{"diff", "Disk\\docs", "Copy"}, 0, "added 0, removed 0, changed 0; files 0, size 0 Byte"},
      {{"diff", "Disk", "Backup", "--summary"},
       1,
       "added 0, removed 0, changed 1; files 0, size +1 Byte"},
      {{"diff", "Disk", "Nowhere"}, 2, ""},
      {{"diff", "Disk", "Disk\\nothing"}, 2, ""},
      {{"diff", "Disk"}, 2, ""},
      {{"diff", "Disk", "Copy", "--unknown"}, 2, ""},
  };
  for (const Case& c : cases) {
    const CliRun run = Run(c.args);
    EXPECT_EQ(run.exitCode, c.status) << c.args.join(' ').toStdString() << run.err.toStdString();
    EXPECT_EQ(run.out.split('\n').first().toStdString(), c.firstLine);
    EXPECT_EQ(run.err.isEmpty(), c.status < 2);
  }
  const CliRun lines = Run({"diff", "Disk", "Copy"});
  EXPECT_EQ(lines.exitCode, 1);
  EXPECT_EQ(lines.out.toStdString(),
            "added 1, removed 3, changed 0; files -1, size -6 Byte\n"
            "+ a.txt\n- b.txt\n- docs\n- docs\\a.txt\n");
  const CliRun json = Run({"diff", "Disk", "Backup", "--json"});
  EXPECT_EQ(json.exitCode, 1);
  const QJsonObject changed = json.Json().object()["changed"].toArray()[0].toObject();
  EXPECT_EQ(changed["path"].toString(), "b.txt");
  EXPECT_EQ(changed["oldSize"].toInt(), 6);
  EXPECT_EQ(changed["size"].toInt(), 7);
}

TEST_F(CompareAnnotateCli, CommentMarkAndSetFollowTheWindowsRules) {
  const std::string longComment(300, 'c');
  struct Case {
    QStringList args;
    int status;
    const char* out;       // standard output, exactly
    bool message = false;  // something on standard error
  };
  const Case cases[] = {
      {{"comment", "Disk\\docs\\a.txt"}, 0, ""},
      {{"comment", "Disk\\docs\\a.txt", "棚の\n二段目"}, 0, ""},
      {{"comment", "Disk\\docs\\a.txt"}, 0, "棚の\n二段目\n"},
      {{"comment", "Disk\\b.txt", "café 한국어 📷"}, 0, ""},  // kept exactly
      {{"comment", "Disk\\b.txt"}, 0, "café 한국어 📷\n"},
      {{"comment", "Disk", "media comment"}, 0, ""},
      {{"comment", "Disk"}, 0, "media comment\n"},
      {{"comment", "Disk\\docs\\a.txt", QString::fromStdString(longComment)}, 0, "", true},
      {{"comment", "Disk\\docs\\a.txt"}, 0, "", false},  // checked below: 255 bytes
      {{"comment", "Disk\\docs\\a.txt", "x", "--delete"}, 1, "", true},
      {{"comment", "Disk\\docs\\a.txt", ""}, 1, "", true},
      {{"comment", "Disk\\docs\\a.txt", "--delete"}, 0, ""},
      {{"comment", "Disk\\docs\\a.txt"}, 0, ""},
      {{"comment", "Disk\\docs\\none.txt", "x"}, 1, "", true},
      {{"comment", "Nowhere\\a.txt", "x"}, 1, "", true},
      {{"mark", "Disk\\b.txt"}, 0, ""},
      {{"mark", "Disk\\nothing"}, 1, "", true},
      {{"set", "Disk", "--category", "写真", "--location", "棚A", "--detail", "箱１２３４５"},
       0,
       "",
       true},  // the detail is cut to 10 bytes, on a character boundary
      {{"set", "Disk", "--category", "すべて"}, 1, "", true},
      {{"set", "Disk", "--location", ""}, 1, "", true},
      {{"set", "Disk", "--name", "Backup"}, 1, "", true},
      {{"set", "Nowhere", "--category", "x"}, 1, "", true},
      {{"set", "Disk"}, 1, "", true},
      {{"set", "Disk", "--name", "Disk2"}, 0, ""},
      {{"set", "Disk2", "--location", "한국 📷"}, 0, ""},
  };
  for (const Case& c : cases) {
    const CliRun run = Run(c.args);
    const std::string what = c.args.join(' ').toStdString();
    EXPECT_EQ(run.exitCode, c.status) << what << ": " << run.err.toStdString();
    if (c.args.size() == 2 && c.args[0] == "comment" && run.out.size() > 200)
      EXPECT_EQ(run.out.toStdString(), std::string(255, 'c') + "\n") << what;
    else
      EXPECT_EQ(run.out.toStdString(), c.out) << what;
    EXPECT_EQ(!run.err.isEmpty(), c.message) << what << ": " << run.err.toStdString();
  }

  const CliRun ls = Run({"ls", "Disk2", "--json"});
  ASSERT_EQ(ls.exitCode, 0) << ls.err.toStdString();
  for (const QJsonValue& v : ls.Json().array()) {
    const QJsonObject entry = v.toObject();
    EXPECT_EQ(entry["marked"].toBool(), entry["name"].toString() == "b.txt");
  }
  EXPECT_EQ(Run({"mark", "Disk2\\b.txt", "--off"}).exitCode, 0);
  const CliRun search = Run({"search", "--name", "*.txt", "--json"});
  for (const QJsonValue& v : search.Json().object()["hits"].toArray())
    EXPECT_FALSE(v.toObject()["marked"].toBool(true));

  const CliRun media = Run({"media", "--json"});
  const QJsonObject disk = media.Json().array()[0].toObject();
  EXPECT_EQ(disk["name"].toString(), "Disk2");
  EXPECT_EQ(disk["category"].toString(), QStringLiteral("写真"));
  EXPECT_EQ(disk["location"].toString(), QStringLiteral("한국 📷"));
  EXPECT_EQ(disk["detail"].toString(), QStringLiteral("箱１２３４"));
}

}  // namespace
}  // namespace plomix
