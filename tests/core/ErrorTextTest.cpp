// Coded failures worded in English and Japanese, the locale rule of the
// command line, and what() of a thrown CatalogError.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>

#include "core/BinaryFile.h"
#include "core/Catalog.h"
#include "core/Error.h"

namespace plomix {
namespace {

using text::ErrorText;
using text::Language;

struct Case {
  ErrorCode code;
  std::vector<std::string> args;
  const char* english;
  const char* japanese;
};

TEST(ErrorText, EveryCodeIsWordedInBothLanguages) {
  const Case cases[] = {
      {ErrorCode::FileOpen,
       {"/d/c.qdb", std::to_string(ENOENT)},
       "Opening failed for \"/d/c.qdb\": No such file or directory",
       "「/d/c.qdb」を開けませんでした: ファイルまたはフォルダーがありません"},
      {ErrorCode::FileWrite,
       {"/d/c.qdb.new", std::to_string(ENOSPC)},
       "Writing failed for \"/d/c.qdb.new\": No space left on device",
       "「/d/c.qdb.new」に書き込めませんでした: ディスクの空き領域が足りません"},
      {ErrorCode::FolderSync,
       {"/d/c.qdb", std::to_string(EIO)},
       "Syncing the folder of failed for \"/d/c.qdb\": Input/output error",
       "「/d/c.qdb」のフォルダーをディスクに書き出せませんでした: 入出力エラーが発生しました"},
      {ErrorCode::FileLock,
       {"/d/c.qdb", std::to_string(ENOLCK)},
       "Locking failed for \"/d/c.qdb\": No locks available",
       "「/d/c.qdb」をロックできませんでした: システムエラー 37 (No locks available)"},
      {ErrorCode::NoCatalogName,
       {"/d/.qdb"},
       "No catalogue name given (\"/d/.qdb\")",
       "カタログの名前が指定されていません（「/d/.qdb」）"},
      {ErrorCode::NotCatalog,
       {"/d/x.qdb"},
       "\"/d/x.qdb\" is not a catalogue (too short)",
       "「/d/x.qdb」はカタログではありません（短すぎます）"},
      {ErrorCode::ChangedMeanwhile,
       {"/d/c.qdb"},
       "\"/d/c.qdb\" was changed by another program meanwhile; it has been read again and the "
       "change was not made",
       "「/d/c.qdb」はその間に他のプログラムによって変更されました。読み込み直したので、変更は"
       "行っていません"},
      {ErrorCode::SlotTableDamaged,
       {"/d/c.qdb", "3", "-7"},
       "\"/d/c.qdb\" is damaged: media 3 claims -7 records; nothing was written",
       "「/d/c.qdb」は壊れています: メディア 3 のレコード数が -7 になっています。何も書き込んで"
       "いません"},
      {ErrorCode::RecordsMissing,
       {"4", "写真E", "/d/c.qdb"},
       "The records of media 4 (\"写真E\") are not all in \"/d/c.qdb\"; nothing was compacted",
       "メディア 4（「写真E」）のレコードが「/d/c.qdb」にそろっていません。最適化は行って"
       "いません"},
      {ErrorCode::SeveralMediaNamed,
       {"/d/c.qdb", "2"},
       "\"/d/c.qdb\" has 2 media of the name given; choose one by its slot",
       "「/d/c.qdb」には指定された名前のメディアが 2 個あります。スロットで選んでください"},
      {ErrorCode::MediaDiffers,
       {"5", "/d/c.qdb"},
       "slot 5 of \"/d/c.qdb\" no longer holds the media meant (another program changed it); "
       "nothing was changed",
       "「/d/c.qdb」のスロット 5 には目的のメディアがもうありません（他のプログラムが変更しま"
       "した）。何も変更していません"},
      {ErrorCode::Message, {"disk full"}, "disk full", "disk full"},
      {ErrorCode::None, {}, "", ""},
  };
  for (const Case& c : cases) {
    const ErrorInfo info{c.code, c.args};
    EXPECT_EQ(ErrorText(info, Language::English), c.english);
    EXPECT_EQ(ErrorText(info, Language::Japanese), c.japanese);
  }
}

TEST(ErrorText, NoCodeIsLeftWithoutItsOwnWording) {
  for (int n = static_cast<int>(ErrorCode::FileOpen);
       n <= static_cast<int>(ErrorCode::SettingsWrite); ++n) {
    const ErrorInfo info{static_cast<ErrorCode>(n), {"/d/c.qdb", "1", "2"}};
    const std::string english = ErrorText(info, Language::English);
    const std::string japanese = ErrorText(info, Language::Japanese);
    EXPECT_NE(english, "unknown error") << n;
    EXPECT_NE(japanese, "不明なエラーです") << n;
    EXPECT_NE(english, japanese) << n;
    EXPECT_EQ(english.find('%'), std::string::npos) << english;
    EXPECT_EQ(japanese.find('%'), std::string::npos) << japanese;
  }
}

TEST(ErrorText, ThrownFailuresKeepTheirCodeAndEnglishWhat) {
  const CatalogError error(ErrorCode::FileSync, "/d/c.lfn", EIO);
  EXPECT_STREQ(error.what(), "Syncing failed for \"/d/c.lfn\": Input/output error");
  EXPECT_EQ(ErrorText(error, Language::Japanese),
            "「/d/c.lfn」をディスクに書き出せませんでした: 入出力エラーが発生しました");
  const MediaMismatch mismatch(MediaMismatch::Reason::NoneNamed, -1,
                               ErrorInfo{ErrorCode::NoMediaNamed, {"/d/c.qdb"}});
  EXPECT_EQ(ErrorText(mismatch, Language::Japanese),
            "「/d/c.qdb」には指定された名前のメディアがありません");
  // Anything not coded shows its own text in either language.
  const std::runtime_error plain("cannot create the Japanese collator");
  EXPECT_EQ(ErrorText(plain, Language::Japanese), "cannot create the Japanese collator");
}

TEST(ErrorText, CatalogueFailuresCarryTheirCode) {
  Catalog catalog;
  EXPECT_FALSE(catalog.OpenCatalog("/nonexistent-folder/c.qdb"));
  EXPECT_EQ(catalog.LastFailure().code, ErrorCode::FileOpen);
  EXPECT_EQ(ErrorText(catalog.LastFailure(), Language::Japanese),
            "「/nonexistent-folder/c.qdb」を開けませんでした: "
            "ファイルまたはフォルダーがありません");
  EXPECT_EQ(catalog.LastError(),
            "Opening failed for \"/nonexistent-folder/c.qdb\": No such file or directory");
}

// Restores one environment variable when it goes.
class EnvGuard {
 public:
  explicit EnvGuard(const char* name) : name_(name) {
    if (const char* v = std::getenv(name)) old_ = v;
  }
  ~EnvGuard() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(ErrorText, TheLocaleChoosesTheLanguageOfTheCommandLine) {
  EnvGuard all("LC_ALL"), messages("LC_MESSAGES"), lang("LANG");
  struct Env {
    const char* all;
    const char* messages;
    const char* lang;
    Language language;
  };
  const Env envs[] = {
      {nullptr, nullptr, "ja_JP.UTF-8", Language::Japanese},
      {nullptr, nullptr, "en_US.UTF-8", Language::English},
      {nullptr, nullptr, nullptr, Language::English},
      {nullptr, "ja_JP.UTF-8", "en_US.UTF-8", Language::Japanese},
      {"C", "ja_JP.UTF-8", "ja_JP.UTF-8", Language::English},
      {"ja", nullptr, "C", Language::Japanese},
      {"", "", "ja_JP.eucJP", Language::Japanese},
  };
  for (const Env& e : envs) {
    const auto set = [](const char* name, const char* value) {
      if (value)
        setenv(name, value, 1);
      else
        unsetenv(name);
    };
    set("LC_ALL", e.all);
    set("LC_MESSAGES", e.messages);
    set("LANG", e.lang);
    EXPECT_EQ(text::LocaleLanguage(), e.language)
        << (e.all ? e.all : "-") << ' ' << (e.messages ? e.messages : "-") << ' '
        << (e.lang ? e.lang : "-");
  }
}

}  // namespace
}  // namespace plomix
