// Names code page 932 cannot hold, on the way out: the clipboard and UTF-8
// files carry them exactly; a CP932 file has '?' for what it cannot hold and
// the user is told how many names that touches before anything is written.

#include <gtest/gtest.h>

#include <QString>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "ScriptedPrompter.h"
#include "TestSupport.h"
#include "analysis/DetailExport.h"
#include "core/Catalog.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "core/TypeNames.h"
#include "export/Clipboard.h"
#include "export/TextExport.h"
#include "search/FileSearch.h"
#include "support/ExportNameTree.h"
#include "support/RecordingClipboard.h"

namespace plomix {
namespace {

namespace fs = std::filesystem;

std::string Backslashed(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::string FileText(const std::string& path) {
  const std::vector<uint8_t> bytes = test::ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

class ExactNameExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(catalog.CreateCatalog(dir.File("c.qdb")));
    slot = test::ReadExportNameTree(catalog, dir.Path() / "root");
    settings.SetInt(REG_ClipBordDefault, 0);
  }

  // The full-path export (simple form) of one entry.
  ExportOutcome ExportPath(const std::string& path) {
    const int r = test::RecordOfPath(catalog, slot, path);
    EXPECT_GT(r, 0) << path;
    return ExportSelection(catalog, settings, ExportMode::FullPath, true, {false, slot, {r}},
                           clipboard, prompter);
  }

  test::TempDir dir;
  Catalog catalog;
  int slot = -1;
  Settings settings{QString::fromStdString(dir.File("cfg"))};
  test::RecordingClipboard clipboard;
  test::ScriptedPrompter prompter;
};

TEST_F(ExactNameExportTest, ClipboardAndFilesKeepOrCountEveryName) {
  int n = 0;
  for (const test::ExportNameCase& c : test::ExportNameCases()) {
    SCOPED_TRACE(c.what);
    const std::string exact = Backslashed(c.path) + "\r\n";
    const std::string cp932 = text::Utf8ToCp932(exact);
    ASSERT_EQ(cp932.find('?') != std::string::npos, c.lostNames > 0);

    settings.SetInt(REG_ClipBordFileWrite, 0);
    settings.RemoveRaw(QString::fromLatin1(kExportEncodingKey));
    prompter.prompts.clear();
    ASSERT_EQ(ExportPath(c.path), ExportOutcome::Copied);
    EXPECT_EQ(clipboard.shown, QString::fromStdString(exact));
    EXPECT_TRUE(prompter.prompts.empty());

    // A file in CP932 (the default): told how many names lose characters;
    // "No" keeps CP932 with '?'.
    settings.SetInt(REG_ClipBordFileWrite, 1);
    const std::string kept = dir.File("kept" + std::to_string(n) + ".txt");
    prompter.answers = {PromptResult::No};
    prompter.paths = {QString::fromStdString(kept)};
    ASSERT_EQ(ExportPath(c.path), ExportOutcome::Saved);
    EXPECT_EQ(FileText(kept), cp932);
    ASSERT_EQ(prompter.Messages().size(), c.lostNames > 0 ? 1 : 0);
    if (c.lostNames > 0) {
      EXPECT_TRUE(prompter.Messages()[0].contains(QStringLiteral("%1 件").arg(c.lostNames)))
          << prompter.Messages()[0].toStdString();
      EXPECT_EQ(prompter.prompts[0].buttons, PromptButtons::YesNoCancel);
    }
    EXPECT_TRUE(prompter.prompts.back().filter.startsWith(QStringLiteral("テキスト (Shift_JIS)")));

    if (c.lostNames > 0) {
      // "Yes" writes UTF-8 instead, and the save dialog says so.
      const std::string taken = dir.File("taken" + std::to_string(n) + ".txt");
      prompter.prompts.clear();
      prompter.answers = {PromptResult::Yes};
      prompter.paths = {QString::fromStdString(taken)};
      ASSERT_EQ(ExportPath(c.path), ExportOutcome::Saved);
      EXPECT_EQ(FileText(taken), exact);
      EXPECT_TRUE(prompter.prompts.back().filter.startsWith(QStringLiteral("テキスト (UTF-8)")));

      // Cancel writes nothing and asks for no file.
      const std::string none = dir.File("none" + std::to_string(n) + ".txt");
      prompter.prompts.clear();
      prompter.answers = {PromptResult::Cancel};
      prompter.paths = {QString::fromStdString(none)};
      EXPECT_EQ(ExportPath(c.path), ExportOutcome::Cancelled);
      EXPECT_EQ(prompter.prompts.size(), 1u);
      EXPECT_FALSE(fs::exists(none));
      prompter.paths.clear();
    }

    // UTF-8 chosen in the settings: exact bytes, nothing asked.
    settings.SetRaw(QString::fromLatin1(kExportEncodingKey), QStringLiteral("utf-8"));
    const std::string utf8 = dir.File("utf8_" + std::to_string(n) + ".txt");
    prompter.prompts.clear();
    prompter.paths = {QString::fromStdString(utf8)};
    ASSERT_EQ(ExportPath(c.path), ExportOutcome::Saved);
    EXPECT_EQ(FileText(utf8), exact);
    EXPECT_TRUE(prompter.Messages().isEmpty());
    EXPECT_EQ(prompter.prompts.back().filter,
              QStringLiteral("テキスト (UTF-8) (*.txt)|*.txt|すべてのファイル(*.*)|*.*"));
    ++n;
  }
}

TEST_F(ExactNameExportTest, CaseConversionAndUnknownEncodingValue) {
  settings.SetInt(REG_ClipBordNameMode, 2);
  ASSERT_EQ(ExportPath("caf\xC3\xA9.txt"), ExportOutcome::Copied);
  EXPECT_EQ(clipboard.shown, QStringLiteral("CAFÉ.TXT\r\n"));

  EXPECT_EQ(ExportEncodingOf(QStringLiteral("UTF-8")), ExportEncoding::Utf8);
  for (const char* stored : {"", "utf8", "bogus", "1"})
    EXPECT_EQ(ExportEncodingOf(QString::fromLatin1(stored)), ExportEncoding::ShiftJis) << stored;
}

TEST_F(ExactNameExportTest, MediaDumpCountsEachLostNameOnce) {
  ASSERT_TRUE(catalog.LoadMedia(slot));
  ExportOptions options;
  options.tree = true;
  TextExport cp932(catalog, options);
  const std::string tree =
      cp932.BuildSelectionText(ExportMode::MediaDump, false, {true, -1, {slot}});
  TextExport again(catalog, options, ExportEncoding::Utf8);
  const std::string exact =
      again.BuildSelectionText(ExportMode::MediaDump, false, {true, -1, {slot}});
  // café, 한국어 and 📷: the folder counts once however many lines it is on.
  EXPECT_EQ(cp932.LostNames(), 3);
  EXPECT_EQ(again.LostNames(), 0);
  EXPECT_EQ(text::Utf8ToCp932(exact), tree);
  for (const test::ExportNameCase& c : test::ExportNameCases())
    EXPECT_NE(exact.find(c.path.substr(c.path.rfind('/') + 1)), std::string::npos) << c.what;
  EXPECT_NE(exact.find("\xE3\x80\x90\xE3\x83\xA1"), std::string::npos);  // 【メ in UTF-8
}

TEST_F(ExactNameExportTest, SearchHitsCarryExactNamesAndFolders) {
  FileSearch search(catalog);
  SearchConditions conditions;
  conditions.nameEnabled = true;
  SetNamePatterns(conditions, "*", "");
  search.SetConditions(conditions);
  search.SetSearchMediaList({slot});
  search.RunFileSearch();
  std::vector<const TRecord*> hits;
  for (const TRecord& hit : search.SearchRecs()) hits.push_back(&hit);
  ASSERT_EQ(hits.size(), test::ExportNameCases().size());

  TypeNames typeNames;
  const std::string exact = BuildSearchHitsText(hits, HitExportFormat::FullPath, NameCase::AsIs,
                                                catalog, typeNames, "", ExportEncoding::Utf8);
  const std::string cp932 =
      BuildSearchHitsText(hits, HitExportFormat::FullPath, NameCase::AsIs, catalog, typeNames, "");
  for (const test::ExportNameCase& c : test::ExportNameCases())
    EXPECT_NE(exact.find("Media\\" + Backslashed(c.path) + "\r\n"), std::string::npos) << c.what;
  EXPECT_EQ(text::Utf8ToCp932(exact), cp932);

  ExportSearchHits(hits, HitExportFormat::AllItems, catalog, typeNames, settings, clipboard);
  EXPECT_TRUE(clipboard.shown.contains(QStringLiteral("\"Media\\한국어\"")));
  EXPECT_TRUE(clipboard.shown.contains(QStringLiteral("\"📷.jpg\"")));
}

TEST(ExactDetailExportTest, ClipboardLinesUseTheShownNameAndPath) {
  DetailRow row;
  row.no = 1;
  row.name = "caf?.txt";
  row.shown = "caf\xC3\xA9.txt";
  row.path = "???";
  row.shownPath = "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4";
  row.media = text::Utf8ToCp932("写真");
  DetailRow plain;
  plain.no = 2;
  plain.name = "a\\x41.txt";  // its shown form escapes the backslash; the copy does not
  plain.shown = text::ShownName(plain.name, {});
  const std::vector<std::string> lines = ExportDetailRows(
      {row, plain}, {2, 5, 6}, DetailSource::DupMembers, true, CaseConversion::Upper, true, true);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(QString::fromStdString(lines[0]), QStringLiteral("名前,メディア名,パス名"));
  EXPECT_EQ(QString::fromStdString(lines[1]), QStringLiteral("\"CAFÉ.TXT\",\"写真\",\"한국어\""));
  EXPECT_EQ(lines[2], "\"A\\X41.TXT\",\"\",\"\"");
  // The CSV file keeps CP932.
  EXPECT_EQ(
      ExportDetailRows({row}, {2}, DetailSource::DupMembers, true, CaseConversion::None, false)[0],
      "\"caf?.txt\"");
}

}  // namespace
}  // namespace plomix
