#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <climits>
#include <optional>
#include <stdexcept>

#include "core/Settings.h"
#include "support/TestSupport.h"

namespace plomix {
namespace {

QString FolderOf(const test::TempDir& dir) {
  return QString::fromStdString(dir.Path().string());
}

// The value as the caller of its type sees it, as text, so one table can hold
// expectations for integer and string settings alike.
QString Read(const Settings& settings, SettingNo number) {
  return Settings::Describe(number)->type == SettingType::Integer
             ? QString::number(settings.GetInt(number))
             : settings.GetString(number);
}

// Replaces the settings file with hand-written INI text.
void WriteFile(const Settings& settings, const QByteArray& content) {
  ASSERT_TRUE(QDir().mkpath(QFileInfo(settings.FilePath()).path()));
  QFile file(settings.FilePath());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(file.write(content), content.size());
}

QByteArray FileContent(const Settings& settings) {
  QFile file(settings.FilePath());
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class SettingsTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
  Settings settings_{FolderOf(dir_)};
};

TEST_F(SettingsTest, FreshStoreDescribesAndReadsDefaultsWithoutWritingThem) {
  const QString likeKey = QStringLiteral(" _-.()[]　、，・（）【】「」");
  struct Case {
    int number;  // as numbered in the table users' stores were written with
    const char* key;
    SettingType type;
    QString value;
    const char* label;
  };
  const Case cases[] = {
      {1, "REG_FormatUpdateDateTime", SettingType::String, "yyyy/mm/dd(aaa) hh:nn",
       "更新日時の形式文字列"},
      {3, "REG_ChartBarPage", SettingType::Integer, "10", "棒グラフ：ページ最大表示数"},
      {8, "REG_ChartBarStyle", SettingType::String, "円筒", "棒グラフ：バースタイル"},
      {10, "REG_BeforDrive", SettingType::String, "C", "直前のドライブ"},
      {17, "REG_OpenHist05", SettingType::String, "", "管理ファイルのオープン履歴"},
      {18, "REG_SpanCircleRotete", SettingType::Integer, "300", "円グラフの回転間隔"},
      {25, "REG_ChartCirBkGradStart", SettingType::Integer, QString::number(0xFFB5FF),
       "円グラフ：背景グラデーションの開始色"},
      {39, "REG_DupFileColor", SettingType::Integer, QString::number(0xFF0000),
       "重複ファイルの表示色"},
      {40, "REG_ClipBordPutItem", SettingType::String, "01000000000000", "クリップボード出力項目"},
      {62, "REG_ListItemName00", SettingType::String, "名前", "ListItem名00"},
      {77, "REG_ListItemSize06", SettingType::Integer, "96", "ListItemサイズ06"},
      {92, "REG_ChartBarBkGradStart", SettingType::Integer, QString::number(0x80FF80),
       "棒グラフ：背景グラデーションの開始色"},
      {95, "REG_LikeKey", SettingType::String, likeKey, "似たようなファイルの区切り記号"},
      {102, "REG_HistListBefor", SettingType::Integer, "0", "直前の履歴の値(閲覧履歴に必要な値）"},
      {103, "REG_PrefixAreaSub", SettingType::String, "あそこ_", "保管詳細のプリフックス名称"},
      {106, "REG_ClipBordDefault", SettingType::Integer, "0", "クリップボード出力のデフォルト形式"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    const auto number = static_cast<SettingNo>(c.number);
    const std::optional<SettingInfo> info = Settings::Describe(number);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->key, c.key);
    EXPECT_EQ(info->type, c.type);
    EXPECT_EQ(info->label, QString::fromUtf8(c.label));
    EXPECT_EQ(
        c.type == SettingType::Integer ? QString::number(info->intDefault) : info->stringDefault,
        c.value);
    EXPECT_EQ(Read(settings_, number), c.value);
  }
  EXPECT_EQ(likeKey.size(), 18);
  EXPECT_FALSE(QFile::exists(settings_.FilePath()));
}

TEST_F(SettingsTest, TableHoldsTheNumberedEntriesOnly) {
  const QList<SettingNo> numbers = Settings::Numbers();
  ASSERT_EQ(numbers.size(), 105);
  for (const SettingNo number : numbers) {
    const std::optional<SettingInfo> info = Settings::Describe(number);
    ASSERT_TRUE(info) << number;
    EXPECT_EQ(info->number, number);
    EXPECT_TRUE(info->key.startsWith("REG_")) << info->key.toStdString();
    EXPECT_FALSE(info->label.isEmpty()) << info->key.toStdString();
  }
  for (int number : {0, 20, 107, -1, INT_MAX}) {
    EXPECT_FALSE(Settings::Describe(static_cast<SettingNo>(number))) << number;
  }
}

TEST_F(SettingsTest, IntegersAreStoredAsDecimalText) {
  for (int value : {-1, 0, 300, 0xFFB5FF, INT_MIN, INT_MAX}) {
    SCOPED_TRACE(value);
    settings_.SetInt(REG_ChartBarPage, value);
    EXPECT_TRUE(
        FileContent(settings_).contains("\nREG_ChartBarPage=" + QByteArray::number(value) + "\n"));
    EXPECT_EQ(settings_.GetInt(REG_ChartBarPage), value);
    // Nothing is cached: a second store on the same folder sees the write.
    EXPECT_EQ(Settings(FolderOf(dir_)).GetInt(REG_ChartBarPage), value);
  }
}

TEST_F(SettingsTest, OperationsOfTheOtherTypeOrUnknownNumbersDoNothing) {
  EXPECT_EQ(settings_.GetInt(REG_BeforDrive), 0);
  EXPECT_EQ(settings_.GetString(REG_ChartBarPage), "");
  settings_.SetInt(REG_BeforDrive, 5);
  settings_.SetString(REG_ChartBarPage, "7");
  for (int value : {0, 20, 107, -1}) {
    const auto number = static_cast<SettingNo>(value);
    EXPECT_EQ(settings_.GetInt(number), 0);
    EXPECT_EQ(settings_.GetString(number), "");
    settings_.SetInt(number, 1);
    settings_.SetString(number, "x");
  }
  EXPECT_FALSE(QFile::exists(settings_.FilePath()));
  EXPECT_EQ(settings_.GetString(REG_BeforDrive), "C");
  EXPECT_EQ(settings_.GetInt(REG_ChartBarPage), 10);
}

TEST_F(SettingsTest, StringsRoundTripExactly) {
  const QString strings[] = {
      "",
      "a, b",
      "x=y",
      "semi;colon",
      "\"quoted\"",
      "\"",
      "back\\slash",
      "\\",
      "C:\\Temp\\cat.pcd",
      " lead",
      "trail ",
      "   ",
      "@at",
      "@Variant(x)",
      "#hash",
      "[section]",
      "%41",
      "tab\there",
      "two\nlines",
      "日本語,カンマ",
      QStringLiteral(" _-.()[]　、，・（）【】「」"),
  };
  for (const QString& value : strings) {
    SCOPED_TRACE(value.toStdString());
    settings_.SetString(REG_ChartBarStyle, value);
    EXPECT_EQ(settings_.GetString(REG_ChartBarStyle), value);
    EXPECT_EQ(settings_.GetString(REG_PrefixAreaSub), "あそこ_");
  }
}

TEST_F(SettingsTest, HandEditedIntegerTextParsesStrictly) {
  struct Case {
    const char* stored;  // the value as written in the file
    int expected;
  };
  const Case cases[] = {
      {"abc", 300},
      {"", 300},
      {"\" 42 \"", 42},
      {"+7", 7},
      {"-0", 0},
      {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},
      {"2147483648", 300},
      {"12abc", 300},
      {"1e3", 300},
      {"0x10", 300},
      {"+-5", 300},
      {"4 2", 300},
      {"１２", 300},
      {"\"\"", 300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    // A folder per case: the same file rewritten within one clock tick at the
    // same size could be taken for unchanged.
    const test::TempDir dir;
    const Settings settings(FolderOf(dir));
    WriteFile(settings, QByteArray("[General]\nREG_SpanCircleRotete=") + c.stored + "\n");
    EXPECT_EQ(settings.GetInt(REG_SpanCircleRotete), c.expected);
  }
}

TEST_F(SettingsTest, ValuesThatAreNotPlainTextReadAsDefaults) {
  struct Case {
    SettingNo number;
    const char* line;
    QString expected;
  };
  const Case cases[] = {
      {REG_ChartBarStyle, "REG_ChartBarStyle=a, b", "円筒"},
      {REG_ChartBarPage, "REG_ChartBarPage=1, 2", "10"},
      {REG_PrefixAreaSub, "REG_PrefixAreaSub=@Point(1 2)", "あそこ_"},
      {REG_SpanCircleRotete, "REG_SpanCircleRotete=@Rect(1 2 3 4)", "300"},
      {REG_LikeKey, "REG_LikeKey=@ByteArray(abc)", QStringLiteral(" _-.()[]　、，・（）【】「」")},
      {REG_BeforDrive, "REG_BeforDrive=@Invalid()", "C"},
      {REG_ChartCircleMaxFile, "REG_ChartCircleMaxFile=@Invalid()", "10"},
      // An empty value is present, so a string setting reads it as such.
      {REG_OpenHist01, "REG_OpenHist01=", ""},
      {REG_FormatUpdateDateTime, "REG_FormatUpdateDateTime=", ""},
      {REG_ChartBarNameLength, "REG_ChartBarNameLength=", "20"},
  };
  QByteArray content = "[General]\n";
  for (const Case& c : cases) content += QByteArray(c.line) + "\n";
  content += "[Drives]\nD=a, b\n";
  WriteFile(settings_, content);
  for (const Case& c : cases) EXPECT_EQ(Read(settings_, c.number), c.expected) << c.line;
  EXPECT_EQ(settings_.GetRaw("Drives/D", "none"), "none");
}

TEST_F(SettingsTest, DamagedFileStillReadsAndAcceptsWrites) {
  WriteFile(settings_, "a line without an equals sign\n[General]\nREG_ChartBarPage=7\n[broken\n");
  // Written before anything reads the file, so the write itself meets the damage.
  EXPECT_NO_THROW(settings_.SetInt(REG_ChartBarNameLength, 5));
  EXPECT_EQ(settings_.GetInt(REG_ChartBarNameLength), 5);
  EXPECT_EQ(settings_.GetInt(REG_ChartBarPage), 7);
}

TEST_F(SettingsTest, FailedWritesThrowNamingTheFile) {
  // A plain file where the store's folder belongs stops every write, even for
  // root, who ignores permission bits.
  QFile blocker(QDir(FolderOf(dir_)).filePath("Quernfield"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  const auto expectThrowNamingFile = [&](const auto& write) {
    try {
      write();
      ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& error) {
      EXPECT_NE(std::string(error.what()).find(settings_.FilePath().toStdString()),
                std::string::npos)
          << error.what();
    }
  };
  expectThrowNamingFile([&] { settings_.SetInt(REG_ChartBarPage, -1); });
  expectThrowNamingFile([&] { settings_.SetString(REG_ChartBarStyle, "x"); });
  expectThrowNamingFile([&] { settings_.SetRaw("Drives/D", "/media/usb"); });
  // Reads of the unreachable store fall back quietly.
  EXPECT_EQ(settings_.GetInt(REG_ChartBarPage), 10);
  EXPECT_EQ(settings_.GetString(REG_ChartBarStyle), "円筒");
  EXPECT_TRUE(settings_.RawKeys("Drives").isEmpty());
}

TEST_F(SettingsTest, RawValuesLiveBesideTheTable) {
  settings_.SetRaw("Drives/D", "/media/usb");
  settings_.SetRaw("Drives/E", "/mnt/ネット 共有, 2");
  settings_.SetInt(REG_ChartBarPage, 4);
  EXPECT_EQ(settings_.RawKeys("Drives"), QStringList({"D", "E"}));
  EXPECT_EQ(settings_.GetRaw("Drives/E"), "/mnt/ネット 共有, 2");

  settings_.RemoveRaw("Drives/D");
  settings_.RemoveRaw("Drives/Z");
  EXPECT_EQ(settings_.RawKeys("Drives"), QStringList({"E"}));
  EXPECT_EQ(settings_.GetRaw("Drives/D", "none"), "none");
  EXPECT_TRUE(settings_.RawKeys("Other").isEmpty());
  EXPECT_EQ(settings_.GetInt(REG_ChartBarPage), 4);

  for (const QString& key : {QString(), QString("/"), QString("\\")}) {
    EXPECT_THROW(settings_.SetRaw(key, "x"), std::invalid_argument) << key.toStdString();
  }
  EXPECT_THROW(Settings{QString()}, std::invalid_argument);
}

// Sets an environment variable for one scope and restores it afterwards.
class EnvironmentGuard {
 public:
  EnvironmentGuard(const char* name, const QByteArray& value)
      : name_(name), old_(qgetenv(name)), hadOld_(qEnvironmentVariableIsSet(name)) {
    qputenv(name, value);
  }
  ~EnvironmentGuard() {
    if (hadOld_) {
      qputenv(name_, old_);
    } else {
      qunsetenv(name_);
    }
  }

 private:
  const char* name_;
  QByteArray old_;
  bool hadOld_;
};

TEST(SettingsLocationTest, DefaultStoreFollowsConfigDirVariable) {
  const test::TempDir dir;
  {
    const EnvironmentGuard env("PLOMIX2_CONFIG_DIR", FolderOf(dir).toUtf8());
    Settings settings;
    EXPECT_EQ(settings.FilePath(), QDir(FolderOf(dir)).filePath("Quernfield/Plomix2.conf"));
    settings.SetInt(REG_ChartBarPage, 12);
  }
  EXPECT_EQ(Settings(FolderOf(dir)).GetInt(REG_ChartBarPage), 12);

  // An empty variable means the user's configuration folder (only the path is
  // looked at; nothing is written there).
  const EnvironmentGuard env("PLOMIX2_CONFIG_DIR", "");
  EXPECT_EQ(
      Settings().FilePath(),
      QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                      "/Quernfield/Plomix2.conf"));
}

}  // namespace
}  // namespace plomix
