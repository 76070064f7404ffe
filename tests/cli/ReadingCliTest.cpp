#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <filesystem>
#include <fstream>

#include "TestSupport.h"
#include "core/Catalog.h"
#include "support/ExactNameTree.h"

namespace plomix {
namespace {

struct CliResult {
  int exitCode = -1;
  QByteArray out;
  QByteArray err;
  QJsonDocument Json() const { return QJsonDocument::fromJson(out); }
};

// Every test has its own settings folder, so drive bindings never leak.
class ReadingCli : public ::testing::Test {
 protected:
  test::TempDir config;
  test::TempDir dir;

  void Prepare(QProcess& process, bool asNobody = false) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PLOMIX2_CONFIG_DIR", QString::fromStdString(config.Path().string()));
    process.setProcessEnvironment(env);
    // Tests run as root, whom permissions do not stop; nobody they do.
    if (asNobody && ::geteuid() == 0)
      process.setChildProcessModifier([] {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(99);
      });
  }
  CliResult Cli(const QStringList& args, bool asNobody = false) {
    QProcess process;
    Prepare(process, asNobody);
    process.start(QStringLiteral(PLOMIX_CLI_PATH), args);
    process.waitForFinished(120000);
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
  }
  QString Path(const std::string& relative) {
    return QString::fromStdString((dir.Path() / relative).string());
  }
  void Touch(const std::string& relative, int size) {
    std::filesystem::create_directories((dir.Path() / relative).parent_path());
    std::ofstream(dir.Path() / relative) << std::string(static_cast<std::size_t>(size), 'x');
  }
};

TEST_F(ReadingCli, BindListAndUnbindLetters) {
  std::filesystem::create_directories(dir.Path() / "media");
  CliResult bound = Cli({"bind", "q:", Path("media")});
  ASSERT_EQ(bound.exitCode, 0) << bound.err.toStdString();
  CliResult drives = Cli({"drives", "--json"});
  ASSERT_EQ(drives.exitCode, 0);
  bool found = false;
  for (const auto& v : drives.Json().array()) {
    const QJsonObject d = v.toObject();
    if (d["letter"].toString() == "Q") {
      found = true;
      EXPECT_EQ(d["mountPoint"].toString(), Path("media"));
      EXPECT_TRUE(d["ready"].toBool());
    }
  }
  EXPECT_TRUE(found);
  EXPECT_EQ(Cli({"unbind", "Q"}).exitCode, 0);
  const CliResult again = Cli({"unbind", "Q"});
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_EQ(again.err.count('\n'), 1);
  EXPECT_EQ(Cli({"bind", "C", Path("media")}).exitCode, 1);
}

TEST_F(ReadingCli, ReadListTreeAndReplace) {
  Touch("media/docs/a.txt", 10);
  Touch("media/docs/写真/b.jpg", 4097);
  Touch("media/top.txt", 1);
  const QString catalog = Path("c.qdb");
  ASSERT_EQ(Cli({"create", catalog}).exitCode, 0);
  // Filing texts longer than the media slot keeps are refused, not cut.
  const struct {
    const char* option;
    QString text;
  } tooLong[] = {{"--category", QString(27, 'x')},
                 {"--location", QString::fromUtf8("倉庫の奥の棚の上から二段目の右")},
                 {"--detail", QString::fromUtf8("あいうえおか")}};
  for (const auto& t : tooLong) {
    CliResult refused = Cli({"read", catalog, "--path", Path("media"), t.option, t.text});
    EXPECT_EQ(refused.exitCode, 1) << t.option;
    EXPECT_TRUE(refused.err.contains(t.option)) << refused.err.toStdString();
  }
  CliResult read = Cli({"read", catalog, "--path", Path("media"), "--name", "ディスク", "--json",
                        "--category", "本"});
  ASSERT_EQ(read.exitCode, 0) << read.err.toStdString();
  QJsonObject r = read.Json().object();
  EXPECT_EQ(r["files"].toInt(), 3);
  EXPECT_EQ(r["folders"].toInt(), 2);
  EXPECT_EQ(r["size"].toDouble(), 4108);
  EXPECT_EQ(r["name"].toString(), QString::fromUtf8("ディスク"));

  CliResult ls = Cli({"ls", catalog, QString::fromUtf8("ディスク\\docs"), "--json"});
  ASSERT_EQ(ls.exitCode, 0) << ls.err.toStdString();
  const QJsonArray rows = ls.Json().array();
  ASSERT_EQ(rows.size(), 2);
  const QJsonObject a = rows[0].toObject();
  EXPECT_EQ(a["name"].toString(), "a.txt");
  EXPECT_EQ(a["count"].toInt(), 1);
  EXPECT_EQ(a["size"].toDouble(), 10);
  EXPECT_EQ(a["gap"].toDouble(), a["allocated"].toDouble() - 10);
  EXPECT_FALSE(a["date"].toString().isEmpty());
  EXPECT_EQ(rows[1].toObject()["name"].toString(), QString::fromUtf8("写真"));
  EXPECT_TRUE(rows[1].toObject()["folder"].toBool());
  EXPECT_EQ(Cli({"ls", catalog, QString::fromUtf8("ディスク/none")}).exitCode, 1);

  CliResult tree = Cli({"tree", catalog, QString::fromUtf8("ディスク")});
  ASSERT_EQ(tree.exitCode, 0);
  EXPECT_EQ(QString::fromUtf8(tree.out), QString::fromUtf8("ディスク\n  docs\n    写真\n"));

  // The same name again: refused without --replace, replaced with it.
  CliResult refused = Cli({"read", catalog, "--path", Path("media"), "--name", "ディスク"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_TRUE(refused.err.contains("--replace"));
  CliResult replaced = Cli({"read", catalog, "--path", Path("media"), "--name", "ディスク",
                            "--replace", "--json", "--category", "本"});
  ASSERT_EQ(replaced.exitCode, 0) << replaced.err.toStdString();
  EXPECT_EQ(replaced.Json().object()["replaced"].toInt(), 0);
  CliResult media = Cli({"media", catalog, "--json"});
  ASSERT_EQ(media.Json().array().size(), 1);
  EXPECT_EQ(media.Json().array()[0].toObject()["category"].toString(), QString::fromUtf8("本"));

  // A media named like a nameless one (its date-time) holds "/" in its name.
  const QString dated = "2020/01/02 03:04:05";
  ASSERT_EQ(Cli({"read", catalog, "--path", Path("media"), "--name", dated}).exitCode, 0);
  const struct {
    QString location;
    QString firstName;
  } listings[] = {{dated, "docs"}, {dated + "\\docs", "a.txt"}, {dated + "/docs/", "a.txt"}};
  for (const auto& l : listings) {
    CliResult listed = Cli({"ls", catalog, l.location, "--json"});
    ASSERT_EQ(listed.exitCode, 0) << l.location.toStdString() << ": " << listed.err.toStdString();
    EXPECT_EQ(listed.Json().array().size(), 2);
    EXPECT_EQ(listed.Json().array()[0].toObject()["name"].toString(), l.firstName);
  }
  EXPECT_EQ(Cli({"ls", catalog, "2020/01"}).exitCode, 1);
}

// Files of equal content are grouped across media by their fingerprints.
TEST_F(ReadingCli, DupsByContentListsEqualFilesAcrossMedia) {
  Touch("one/a.txt", 10);
  Touch("one/sub/b.txt", 10);
  Touch("two/c.txt", 10);
  Touch("two/d.txt", 11);
  Touch("three/a.txt", 10);
  const QString catalog = Path("c.qdb");
  ASSERT_EQ(Cli({"create", catalog}).exitCode, 0);
  EXPECT_EQ(Cli({"read", catalog, "--path", Path("one"), "--fingerprint", "fast"}).exitCode, 1);
  ASSERT_EQ(Cli({"read", catalog, "--path", Path("one"), "--fingerprint", "quick"}).exitCode, 0);
  ASSERT_EQ(Cli({"read", catalog, "--path", Path("two"), "--fingerprint", "quick"}).exitCode, 0);
  ASSERT_EQ(Cli({"read", catalog, "--path", Path("three")}).exitCode, 0);
  const CliResult dups = Cli({"dups", catalog, "--content", "--json"});
  ASSERT_EQ(dups.exitCode, 0) << dups.err.toStdString();
  EXPECT_TRUE(dups.err.contains("media without fingerprints: 1")) << dups.err.toStdString();
  const QJsonObject result = dups.Json().object();
  EXPECT_EQ(result["wasted"].toDouble(), 20.0);
  EXPECT_EQ(result["mediaWithoutFingerprints"].toInt(), 1);
  const QJsonArray list = result["list"].toArray();
  ASSERT_EQ(list.size(), 1);
  const QJsonObject group = list[0].toObject();
  EXPECT_EQ(group["mode"].toString(), "quick");
  EXPECT_EQ(group["size"].toDouble(), 10.0);
  EXPECT_EQ(group["digest"].toString().size(), 32);
  QStringList paths;
  for (const QJsonValue& m : group["members"].toArray()) paths << m.toObject()["path"].toString();
  EXPECT_EQ(paths, (QStringList{"one\\a.txt", "one\\sub\\b.txt", "two\\c.txt"}));
  // Each path is one ls takes.
  EXPECT_EQ(Cli({"ls", catalog, "one\\sub"}).exitCode, 0);
}

// An update takes fingerprints as a new reading does: a file added since
// joins the copies of its content.
TEST_F(ReadingCli, UpdateWithFingerprintsGroupsFilesAddedSince) {
  Touch("one/a.txt", 10);
  const QString catalog = Path("c.qdb");
  ASSERT_EQ(Cli({"create", catalog}).exitCode, 0);
  ASSERT_EQ(Cli({"read", catalog, "--path", Path("one"), "--fingerprint", "quick"}).exitCode, 0);
  Touch("one/b.txt", 10);
  EXPECT_EQ(Cli({"read", catalog, "--update", "one", "--fingerprint", "fast"}).exitCode, 1);
  const CliResult updated = Cli({"read", catalog, "--update", "one", "--fingerprint", "full"});
  ASSERT_EQ(updated.exitCode, 0) << updated.err.toStdString();
  const CliResult dups = Cli({"dups", catalog, "--content", "--json"});
  ASSERT_EQ(dups.exitCode, 0) << dups.err.toStdString();
  const QJsonArray list = dups.Json().object()["list"].toArray();
  ASSERT_EQ(list.size(), 1);
  EXPECT_EQ(list[0].toObject()["mode"].toString(), "full");
  QStringList paths;
  for (const QJsonValue& m : list[0].toObject()["members"].toArray())
    paths << m.toObject()["path"].toString();
  EXPECT_EQ(paths, (QStringList{"one\\a.txt", "one\\b.txt"}));
}

// Reading folders never binds letters: with every letter bound by hand, thirty
// folders are still read one after the other, each named after its folder.
TEST_F(ReadingCli, FoldersAreReadWithoutTakingLetters) {
  for (char c = 'A'; c <= 'Z'; ++c) {
    std::filesystem::create_directories(dir.Path() / "taken" / std::string(1, c));
    Cli({"bind", QString(QChar(c)), Path("taken/" + std::string(1, c))});
  }
  const auto letters = [&] {
    QStringList shown;
    for (const auto& d : Cli({"drives", "--json"}).Json().array())
      shown << d.toObject()["letter"].toString() + d.toObject()["mountPoint"].toString();
    return shown;
  };
  const QStringList drivesBefore = letters();
  ASSERT_EQ(Cli({"create", Path("c.qdb")}).exitCode, 0);
  for (int i = 0; i < 30; ++i) {
    const std::string folder = "folders/フォルダ" + std::to_string(i);
    Touch(folder + "/f.txt", i);
    CliResult read = Cli({"read", Path("c.qdb"), "--path", Path(folder), "--json"});
    ASSERT_EQ(read.exitCode, 0) << i << ": " << read.err.toStdString();
    EXPECT_EQ(read.Json().object()["name"].toString(),
              QString::fromUtf8("フォルダ") + QString::number(i));
    EXPECT_EQ(read.Json().object()["drive"].toString(), "c");  // the volume holding it
  }
  EXPECT_EQ(letters(), drivesBefore);
  EXPECT_EQ(Cli({"media", Path("c.qdb"), "--json"}).Json().array().size(), 30);
  EXPECT_EQ(Cli({"read", Path("c.qdb"), "--drive", "Q", "--path", Path("new")}).exitCode, 1);
  const CliResult missing = Cli({"read", Path("c.qdb"), "--path", Path("no/such")});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_TRUE(missing.err.contains("is not a folder")) << missing.err.toStdString();
}

// A read that could not read everything stores the rest, lists what it missed
// on stderr and says so by its exit status.
TEST_F(ReadingCli, APartialReadStoresTheRestAndExitsWithThree) {
  Touch("media/open/kept.txt", 3);
  Touch("media/locked/secret.txt", 3);
  const QString catalog = Path("c.qdb");
  ASSERT_EQ(Cli({"create", catalog}).exitCode, 0);
  ::chmod((dir.Path() / "media" / "locked").c_str(), 0);
  for (const auto& path : {config.Path(), dir.Path()}) ::chmod(path.c_str(), 0777);
  for (const char* file : {"c.qdb", "c.lfn"}) ::chmod((dir.Path() / file).c_str(), 0666);
  const CliResult read = Cli({"read", catalog, "--path", Path("media"), "--json"}, true);
  ::chmod((dir.Path() / "media" / "locked").c_str(), 0755);
  EXPECT_EQ(read.exitCode, 3) << read.err.toStdString();
  EXPECT_TRUE(read.err.contains("1 folder or file could not be read")) << read.err.toStdString();
  EXPECT_TRUE(read.err.contains(Path("media/locked").toUtf8())) << read.err.toStdString();
  const QJsonObject r = read.Json().object();
  EXPECT_EQ(r["files"].toInt(), 1);
  EXPECT_EQ(r["folders"].toInt(), 2);  // the locked folder is stored, empty
  EXPECT_EQ(r["unreadable"].toInt(), 1);
  EXPECT_EQ(r["unreadablePaths"].toArray().size(), 1);
}

// A media of more entries than one media can hold is stored cut, and the cut
// is told: exit status 3, as for any read that did not take everything.
TEST_F(ReadingCli, AMediaBeyondTheEntryLimitIsStoredCutAndExitsWithThree) {
  for (int i = 0; i < 6; ++i) Touch("many/f" + std::to_string(i) + ".txt", 1);
  const QString catalog = Path("c.qdb");
  ASSERT_EQ(Cli({"create", catalog}).exitCode, 0);
  qputenv("PLOMIX_TEST_RECORD_LIMIT", "4");
  const CliResult read = Cli({"read", catalog, "--path", Path("many"), "--json"});
  qunsetenv("PLOMIX_TEST_RECORD_LIMIT");
  EXPECT_EQ(read.exitCode, 3) << read.err.toStdString();
  EXPECT_TRUE(read.err.contains("stored cut to 4 records")) << read.err.toStdString();
  EXPECT_TRUE(read.Json().object()["overflow"].toBool());
}

// The system call a process is blocked in (its number), -1 when unknown.
long BlockedSyscall(qint64 pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/syscall");
  long number = -1;
  in >> number;
  return number;
}

// Ctrl+C or SIGTERM during a read stores nothing: the catalogue keeps every
// byte, and the exit status is 128 + the signal. To catch the read surely in
// the middle, its stderr is a pipe that the test has filled: the first
// progress line blocks the walk until the test drains the pipe, which it does
// only after the signal was sent.
TEST_F(ReadingCli, ASignalStopsTheReadAndLeavesTheCatalogueAsItWas) {
  if (!std::ifstream("/proc/self/syscall")) GTEST_SKIP() << "no /proc/PID/syscall here";
  for (int d = 0; d < 5; ++d)
    for (int f = 0; f < 100; ++f) Touch("tree/d" + std::to_string(d) + "/f" + std::to_string(f), f);
  const QString catalog = Path("c.qdb");
  ASSERT_EQ(Cli({"create", catalog}).exitCode, 0);
  const auto before = test::ReadFileBytes(catalog.toStdString());
  const std::string fifo = (dir.Path() / "stderr.fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    const int filler = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_GE(filler, 0);
    const std::string junk(4096, '-');
    for (std::size_t chunk = junk.size(); chunk > 0; chunk /= 2)
      while (::write(filler, junk.data(), chunk) > 0) {
      }
    QProcess process;
    Prepare(process);
    process.setStandardErrorFile(QString::fromStdString(fifo));
    process.start(QStringLiteral(PLOMIX_CLI_PATH),
                  {"read", catalog, "--path", Path("tree"), "--progress"});
    ASSERT_TRUE(process.waitForStarted());
    for (int wait = 0; wait < 2000 && BlockedSyscall(process.processId()) != SYS_write; ++wait)
      ::usleep(10000);
    ASSERT_EQ(BlockedSyscall(process.processId()), SYS_write);
    ::kill(static_cast<pid_t>(process.processId()), signal);
    std::string err;
    char buffer[4096];
    while (!process.waitForFinished(10))
      for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) > 0;) err.append(buffer, n);
    for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) > 0;) err.append(buffer, n);
    ::close(filler);
    ::close(reader);
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 128 + signal);
    EXPECT_NE(err.find("reading 0 entries"), std::string::npos) << err;
    EXPECT_NE(err.find("nothing was stored"), std::string::npos) << err;
    EXPECT_TRUE(test::ReadFileBytes(catalog.toStdString()) == before);
  }
}

// info, media and read show the real number of folders, beyond the 16-bit field.
TEST_F(ReadingCli, FolderCountsAreTheRealNumbers) {
  const std::string path = (dir.Path() / "c.qdb").string();
  {
    Catalog catalog;
    ASSERT_TRUE(catalog.CreateCatalog(path));
    std::vector<TRecord> recs(40201);
    recs[0].Kind = kKindFixed;
    recs[0].Name = "big";
    recs[0].FirstChild = 1;
    recs[0].DirFolders = recs[0].AllFolders = 32767;
    recs[0].Version = "40200(40200+0)";
    for (int i = 1; i < 40201; ++i) {
      recs[i].Parent = 0;
      recs[i].Kind = kKindFolder;
      recs[i].Name = "d" + std::to_string(100000 + i);
    }
    TMediaInfomation info;
    ASSERT_TRUE(catalog.AddMedia(recs, info));
  }
  const QString catalog = QString::fromStdString(path);
  EXPECT_EQ(Cli({"info", catalog, "--json"}).Json().object()["totalFolders"].toInt(), 40200);
  EXPECT_EQ(Cli({"media", catalog, "--json"}).Json().array()[0].toObject()["folders"].toInt(),
            40200);
  EXPECT_TRUE(Cli({"info", catalog}).out.contains("40200"));
  EXPECT_EQ(Cli({"tree", catalog, "big", "--json"}).Json().array()[0].toObject()["folders"].toInt(),
            40200);
}

// Names code page 932 cannot hold come out as they are, bytes that are no
// UTF-8 escaped, in text and JSON; paths and patterns are taken in that form.
TEST_F(ReadingCli, NamesCp932CannotHoldAreListedSearchedAndAnalysedExactly) {
  test::MakeExactNameTree(dir.Path() / "exact");
  const QString catalog = Path("c.qdb");
  ASSERT_EQ(Cli({"create", catalog}).exitCode, 0);
  ASSERT_EQ(Cli({"read", catalog, "--path", Path("exact"), "--name", "X"}).exitCode, 0);
  const CliResult ls = Cli({"ls", catalog, "X", "--json"});
  ASSERT_EQ(ls.exitCode, 0) << ls.err.toStdString();
  QStringList listed;
  for (const auto& v : ls.Json().array()) listed << v.toObject()["name"].toString();
  for (const char* name : {"한국어 파일.txt", "emoji 😀🎉.txt", "bad\\xFF\\xFEname.bin",
                           "back\\slash.txt", "Ünïcödé", "日本語.txt"})
    EXPECT_TRUE(listed.contains(QString::fromUtf8(name))) << name;
  const CliResult inner = Cli({"ls", catalog, QStringLiteral("X\\Ünïcödé")});
  ASSERT_EQ(inner.exitCode, 0) << inner.err.toStdString();
  EXPECT_TRUE(inner.out.contains("inner 😀.txt")) << inner.out.toStdString();

  const CliResult found = Cli({"search", catalog, "--name", QStringLiteral("*😀*"), "--json"});
  ASSERT_EQ(found.exitCode, 0) << found.err.toStdString();
  QStringList hits;
  for (const auto& v : found.Json().object()["hits"].toArray())
    hits << v.toObject()["path"].toString() + "|" + v.toObject()["name"].toString();
  hits.sort();
  QStringList want({QStringLiteral("X|a\\x5Cx41 😀.txt"), QStringLiteral("X|emoji 🎉😀.txt"),
                    QStringLiteral("X|emoji 😀🎉.txt"), QStringLiteral("X\\Ünïcödé|inner 😀.txt")});
  want.sort();
  EXPECT_EQ(hits, want);
  const CliResult text = Cli({"search", catalog, "--name", QStringLiteral("한국어*")});
  EXPECT_TRUE(text.out.contains("한국어 파일.txt")) << text.out.toStdString();

  const CliResult dups = Cli({"similar", catalog, "--delimiters", " .", "--json"});
  ASSERT_EQ(dups.exitCode, 0) << dups.err.toStdString();
  QStringList words;
  for (const auto& g : dups.Json().object()["list"].toArray())
    words << g.toObject()["key"].toString();
  EXPECT_TRUE(words.contains(QStringLiteral("😀"))) << words.join(',').toStdString();
  EXPECT_FALSE(words.contains(QStringLiteral("??")));
  std::filesystem::remove_all(dir.Path() / "exact");
}

}  // namespace
}  // namespace plomix
