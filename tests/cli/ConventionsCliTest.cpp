// What every command of the tool shares: help, version, table headers,
// escaped control characters, ISO 8601 dates in JSON, failures in the
// locale's language.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

#include "CliRun.h"
#include "TestSupport.h"
#include "core/Format.h"
#include "plomix/Version.h"
#include "support/MediaBuilder.h"

namespace plomix {
namespace {

using test::CliRun;
using test::RunCli;

QStringList Lines(const QByteArray& out) {
  return QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The command names listed by the tool's own help.
QStringList CommandNames() {
  const CliRun help = RunCli({"--help"});
  QStringList names;
  bool inCommands = false;
  for (const QString& line : Lines(help.out)) {
    if (line == "Commands:") {
      inCommands = true;
    } else if (inCommands && !line.startsWith(' ')) {
      break;
    } else if (inCommands && line.startsWith("  ") && line[2] != ' ') {
      names << line.mid(2).section(' ', 0, 0);
    }
  }
  return names;
}

TEST(CliConventions, EveryCommandHasHelpAndTheToolAVersion) {
  const QStringList names = CommandNames();
  ASSERT_GE(names.size(), 15) << names.join(' ').toStdString();
  for (const QString& name : names) {
    // Help wins over missing arguments and over options the command lacks.
    for (const QStringList& args : {QStringList{name, "--help"}, QStringList{"help", name},
                                    QStringList{name, "x.qdb", "--bogus", "-h"}}) {
      const CliRun run = RunCli(args);
      EXPECT_EQ(run.exitCode, 0) << args.join(' ').toStdString() << run.err.toStdString();
      EXPECT_TRUE(QString::fromUtf8(run.out).contains(
          QRegularExpression("^Usage: plomix2-cli " + name + "[ \n]")))
          << run.out.toStdString();
      EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    }
    // Every option is explained: an option alone on its line is followed by
    // its text on the next one.
    const QStringList lines = Lines(RunCli({name, "--help"}).out);
    for (int i = 0; i < lines.size(); ++i) {
      if (!lines[i].contains(QRegularExpression(R"(^  -\S+( [A-Z:]+)?\s*$)"))) continue;
      EXPECT_TRUE(i + 1 < lines.size() && lines[i + 1].contains(QRegularExpression(R"(^ {15}\S)")))
          << name.toStdString() << ": " << lines[i].toStdString() << " has no text";
    }
  }
  // A command's help explains its options.
  const QString search = QString::fromUtf8(RunCli({"search", "--help"}).out);
  EXPECT_TRUE(search.contains(QRegularExpression(R"(\n  --date FROM:TO\n +modification date)")))
      << search.toStdString();
  EXPECT_TRUE(search.contains(QRegularExpression(R"(\n  --no-header +leave out)")));
  EXPECT_TRUE(QString::fromUtf8(RunCli({"export", "--help"}).out)
                  .contains(QRegularExpression(R"(\n  -o FILE +write to FILE)")));
  // After "--" a "--help" is an argument like any other.
  EXPECT_EQ(RunCli({"info", "--", "--help"}).exitCode, 1);
  EXPECT_EQ(RunCli({"help", "nonsense"}).exitCode, 2);

  const CliRun version = RunCli({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, QByteArray("plomix2-cli (Plomix2) " PLOMIX_VERSION_TEXT "\n"));
  EXPECT_TRUE(
      QString::fromUtf8(version.out).contains(QRegularExpression(R"( \d+\.\d+\.\d+\.\d+\n$)")));
}

// Media "M": a name with a line break, one with a tab, one whose date is
// unknown (0), one dated 2022-11-29 12:17:06.
class CliOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Catalog catalog;
    ASSERT_TRUE(catalog.CreateCatalog(dir.File("o.qdb")));
    auto recs = test::FlatMedia("M", 4);
    recs[1].Name = "two\nlines.txt";
    recs[2].Name = "tab\there.txt";
    recs[3].Name = "undated.txt";
    recs[4].Name = "dated.txt";
    for (int i : {1, 2, 4}) recs[i].FileDate = PackDosDateTime({2022, 11, 29, 12, 17, 6});
    recs[3].FileDate = 0;
    TMediaInfomation info = test::InfoFor();
    ASSERT_TRUE(catalog.AddMedia(recs, info));
    path = QString::fromStdString(dir.File("o.qdb"));
  }
  test::TempDir dir;
  QString path;
};

TEST_F(CliOutputTest, TablesHaveAHeaderLineThatCanBeLeftOut) {
  struct Case {
    QStringList args;
    QString header;
    int rows;
  };
  const Case cases[] = {
      {{"ls", path, "M"}, "name\tcount\tsize\ttype\tdate\tallocated\tgap\tversion\tcomment", 4},
      {{"media", path},
       "slot\tname\tkind\tcategory\tlocation\tdetail\tdrive\tfiles\tfolders\treadDate",
       1},
      {{"search", path, "--name", "*.txt"},
       "name\tcount\tpath\tcategory\tlocation\tdetail\tsize\ttype\tdate\tallocated\tgap\tversion"
       "\tcomment",
       4},
  };
  for (const Case& c : cases) {
    const CliRun run = RunCli(c.args);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = Lines(run.out);
    ASSERT_EQ(lines.size(), c.rows + 1) << run.out.toStdString();
    EXPECT_EQ(lines[0], c.header);
    // Every line has as many values as the header names.
    for (const QString& line : lines)
      EXPECT_EQ(line.count('\t'), c.header.count('\t')) << line.toStdString();

    const CliRun bare = RunCli(QStringList(c.args) << "--no-header");
    ASSERT_EQ(bare.exitCode, 0) << bare.err.toStdString();
    EXPECT_EQ(Lines(bare.out), lines.mid(1));
  }
  // Commands without a table do not take the option.
  EXPECT_EQ(RunCli({"info", path, "--no-header"}).exitCode, 1);
}

TEST_F(CliOutputTest, BytesGivesPlainNumbersForScripts) {
  struct Case {
    QStringList args;
    int allocated, gap;  // their columns
  };
  const Case cases[] = {{{"ls", path, "M"}, 5, 6},
                        {{"search", path, "--name", "dated.txt"}, 9, 10}};
  for (const Case& c : cases) {
    const QStringList shown =
        Lines(RunCli(QStringList(c.args) << "--no-header").out).value(0).split('\t');
    const QStringList plain = Lines(RunCli(QStringList(c.args) << "--no-header"
                                                               << "--bytes")
                                        .out)
                                  .value(0)
                                  .split('\t');
    ASSERT_EQ(plain.size(), shown.size()) << c.args.join(' ').toStdString();
    EXPECT_EQ(shown[c.allocated], "4,096");
    EXPECT_EQ(plain[c.allocated], "4096");
    EXPECT_EQ(shown[c.gap], "3,996");
    EXPECT_EQ(plain[c.gap], "3996");
  }
}

TEST_F(CliOutputTest, ControlCharactersInNamesAreShownAsControlPictures) {
  const QString lf = QString(QChar(0x240A)), tab = QString(QChar(0x2409));
  const QStringList ls = Lines(RunCli({"ls", path, "M", "--no-header"}).out);
  ASSERT_EQ(ls.size(), 4);
  EXPECT_TRUE(ls[0].startsWith("two" + lf + "lines.txt\t")) << ls[0].toStdString();
  EXPECT_TRUE(ls[1].startsWith("tab" + tab + "here.txt\t")) << ls[1].toStdString();

  const CliRun exported = RunCli({"export", path, "M", "--mode", "contents"});
  ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
  const QString text = QString::fromUtf8(exported.out);
  EXPECT_TRUE(text.contains("two" + lf + "lines.txt")) << text.toStdString();
  EXPECT_TRUE(text.contains("tab" + tab + "here.txt")) << text.toStdString();
  EXPECT_FALSE(text.contains(QRegularExpression("[^\\r]\\n"))) << text.toStdString();

  const CliRun found = RunCli({"search", path, "--name", "two*", "--no-header"});
  EXPECT_EQ(Lines(found.out).size(), 1) << found.out.toStdString();

  // JSON keeps the name as it is.
  const QJsonArray json = RunCli({"ls", path, "M", "--json"}).Json().array();
  ASSERT_EQ(json.size(), 4);
  EXPECT_EQ(json[0].toObject()["name"].toString(), "two\nlines.txt");
}

TEST_F(CliOutputTest, JsonDateTimesAreIso8601AndNullWhenUnknown) {
  const QJsonArray ls = RunCli({"ls", path, "M", "--json"}).Json().array();
  ASSERT_EQ(ls.size(), 4);
  EXPECT_EQ(ls[3].toObject()["date"].toString(), "2022-11-29T12:17:06");
  EXPECT_EQ(ls[3].toObject()["dateText"].toString(), QStringLiteral("2022/11/29(火) 12:17"));
  EXPECT_TRUE(ls[2].toObject()["date"].isNull());
  EXPECT_EQ(ls[2].toObject()["dateText"].toString(), "");

  const QJsonObject search =
      RunCli({"search", path, "--name", "dated.txt", "--json"}).Json().object();
  ASSERT_EQ(search["hits"].toArray().size(), 1);
  EXPECT_EQ(search["hits"][0]["date"].toString(), "2022-11-29T12:17:06");

  const QJsonArray media = RunCli({"media", path, "--json"}).Json().array();
  ASSERT_EQ(media.size(), 1);
  EXPECT_TRUE(media[0]["readDate"].isNull());  // the test media was never read from a drive
}

TEST_F(CliOutputTest, ADateRangeNeverMatchesAnUnknownDate) {
  struct Case {
    const char* range;
    int hits;
  };
  const Case cases[] = {
      {":1980-01-02", 0}, {"1980-01-01:", 3}, {"2022-11-29:2022-11-29", 3}, {":", 3}};
  for (const Case& c : cases) {
    const CliRun run = RunCli({"search", path, "--date", c.range, "--count"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.trimmed().toInt(), c.hits) << c.range;
  }
}

TEST(CliConventions, FailuresAreWordedInTheLanguageOfTheLocale) {
  test::TempDir dir;
  const QString missing = QString::fromStdString(dir.File("無い.qdb"));
  const QString notCatalogue = QString::fromStdString(dir.File("短い.qdb"));
  test::WriteFileBytes(notCatalogue.toStdString(), {1, 2, 3});
  struct Case {
    QString catalogue;
    QStringList environment;
    QString message;
  };
  const Case cases[] = {
      {missing,
       {"LANG=ja_JP.UTF-8", "LC_ALL=", "LC_MESSAGES="},
       "plomix2-cli media: 「" + missing +
           "」を開けませんでした: ファイルまたはフォルダーがありません\n"},
      {notCatalogue,
       {"LANG=ja_JP.UTF-8", "LC_ALL=", "LC_MESSAGES="},
       "plomix2-cli media: 「" + notCatalogue + "」はカタログではありません（短すぎます）\n"},
      {notCatalogue,
       {"LANG=C.UTF-8", "LC_ALL=", "LC_MESSAGES="},
       "plomix2-cli media: \"" + notCatalogue + "\" is not a catalogue (too short)\n"},
  };
  for (const Case& c : cases) {
    const CliRun run = RunCli({"media", c.catalogue}, c.environment);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(run.err), c.message);
  }
}

}  // namespace
}  // namespace plomix
