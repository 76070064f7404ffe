#include <gtest/gtest.h>

#include <QJsonObject>
#include <QProcessEnvironment>
#include <filesystem>
#include <fstream>

#include "CliRun.h"
#include "MediaBuilder.h"
#include "TestSupport.h"
#include "search/NameIndex.h"

namespace plomix {
namespace {

using test::RunCli;

TEST(IndexCli, BuildsTheIndexAndKeepsItUpAfterARead) {
  test::TempDir dir;
  test::TempDir config;
  const std::string catalogPath = dir.File("s.qdb");
  {
    Catalog catalog;
    ASSERT_TRUE(catalog.CreateCatalog(catalogPath));
    TMediaInfomation info = test::InfoFor();
    ASSERT_TRUE(catalog.AddMedia(test::NestedMedia("M"), info));
  }
  const QString path = QString::fromStdString(catalogPath);
  const auto count = [&](const QString& pattern) {
    return RunCli({"search", path, "--partial", "--name", pattern, "--count"}).out.trimmed();
  };
  const QByteArray before = count("leaf");
  ASSERT_NE(before, "0");

  // No index until asked for: a read then builds none.
  EXPECT_EQ(RunCli({"index", path, "--status"}).out.trimmed(),
            QString::fromStdString(NameIndexPath(catalogPath) + ": missing").toUtf8());
  const auto built = RunCli({"index", path, "--json"});
  ASSERT_EQ(built.exitCode, 0) << built.err.toStdString();
  EXPECT_EQ(built.Json().object()["media"].toInt(), 1);
  EXPECT_GT(built.Json().object()["bytes"].toInt(), 0);
  EXPECT_TRUE(RunCli({"index", path, "--status"}).out.trimmed().endsWith(": current"));
  EXPECT_EQ(count("leaf"), before);

  // A read into the catalogue builds it again, new media included.
  std::filesystem::create_directories(dir.Path() / "folder" / "sub");
  std::ofstream(dir.Path() / "folder" / "sub" / "leafy-news.txt") << "x";
  QProcess read;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("PLOMIX2_CONFIG_DIR", QString::fromStdString(config.Path().string()));
  read.setProcessEnvironment(env);
  read.start(QStringLiteral(PLOMIX_CLI_PATH),
             {"read", path, "--path", QString::fromStdString((dir.Path() / "folder").string()),
              "--name", "Folder"});
  read.waitForFinished(120000);
  ASSERT_EQ(read.exitCode(), 0) << read.readAllStandardError().toStdString();
  EXPECT_TRUE(RunCli({"index", path, "--status"}).out.trimmed().endsWith(": current"));
  EXPECT_EQ(count("leafy-n"), "1");
  EXPECT_EQ(count("leaf").toInt(), before.toInt() + 1);

  // A damaged index is reported as such and searched around; 'index' mends it.
  std::ofstream(NameIndexPath(catalogPath), std::ios::trunc) << "not an index";
  EXPECT_TRUE(RunCli({"index", path, "--status"}).out.trimmed().endsWith(": damaged"));
  EXPECT_EQ(count("leafy-n"), "1");
  ASSERT_EQ(RunCli({"index", path}).exitCode, 0);
  EXPECT_TRUE(RunCli({"index", path, "--status"}).out.trimmed().endsWith(": current"));

  const auto help = RunCli({"index", "--help"});
  EXPECT_TRUE(help.out.contains("--status")) << help.out.toStdString();
}

}  // namespace
}  // namespace plomix
