#include "core/Settings.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QVariant>
#include <algorithm>
#include <array>
#include <charconv>
#include <stdexcept>

namespace plomix {
namespace {

struct Entry {
  int number;
  const char* key;
  SettingType type;
  int intDefault;
  const char* stringDefault;
  const char* label;
};

constexpr Entry Int(int number, const char* key, int intDefault, const char* label) {
  return {number, key, SettingType::Integer, intDefault, "", label};
}

constexpr Entry Str(int number, const char* key, const char* stringDefault, const char* label) {
  return {number, key, SettingType::String, 0, stringDefault, label};
}

// Colours are 0x00BBGGRR values. Number 20 was never a setting.
constexpr std::array kTable{
    Str(1, "REG_FormatUpdateDateTime", "yyyy/mm/dd(aaa) hh:nn", "更新日時の形式文字列"),
    Int(2, "REG_BarChartSizeFit", 0, "棒グラフの長さを表示サイズの最大にフィット"),
    Int(3, "REG_ChartBarPage", 10, "棒グラフ：ページ最大表示数"),
    Int(4, "REG_ChartBarNameLength", 20, "棒グラフ：最大ファイル名"),
    Int(5, "REG_ChartCircleMaxFile", 10, "円グラフ：最大表示数"),
    Int(6, "REG_ChartCircleNameLength", 20, "円グラフ：最大ファイル名"),
    Int(7, "REG_ChartBarSize2Only", 0, "棒グラフ：クラスタサイズのみ表示"),
    Str(8, "REG_ChartBarStyle", "円筒", "棒グラフ：バースタイル"),
    Int(9, "REG_ChartCircleRotate", 1, "円グラフの回転"),
    Str(10, "REG_BeforDrive", "C", "直前のドライブ"),
    Int(11, "REG_VolumeName", 1, "ボリューム名取得"),
    Int(12, "REG_GetFileVersion", 0, "ファイルのVersion情報も取得"),
    Str(13, "REG_OpenHist01", "", "管理ファイルのオープン履歴"),
    Str(14, "REG_OpenHist02", "", "管理ファイルのオープン履歴"),
    Str(15, "REG_OpenHist03", "", "管理ファイルのオープン履歴"),
    Str(16, "REG_OpenHist04", "", "管理ファイルのオープン履歴"),
    Str(17, "REG_OpenHist05", "", "管理ファイルのオープン履歴"),
    Int(18, "REG_SpanCircleRotete", 300, "円グラフの回転間隔"),
    Int(19, "REG_Eject", 1, "メディア読込み後にイジェクト"),
    Int(21, "REG_ChartCirBkImageFlag", 0, "円グラフ：背景画像の表示"),
    Str(22, "REG_ChartCirBkImageFile", "", "円グラフ：背景画像のファイル名"),
    Int(23, "REG_ChartCirBkImageStyle", 0, "円グラフ：背景画像のスタイル"),
    Int(24, "REG_ChartCirBkGradFlag", 1, "円グラフ：背景グラデーションの表示"),
    Int(25, "REG_ChartCirBkGradStart", 0xFFB5FF, "円グラフ：背景グラデーションの開始色"),
    Int(26, "REG_ChartCirBkGradEnd", 0xFFFFFF, "円グラフ：背景グラデーションの終了色"),
    Int(27, "REG_ChartCirBkGradDirection", 3, "円グラフ：背景グラデーションの方向"),
    Int(28, "REG_ClipBordNameMode", 0, "クリップボードへコピー時の名前変換"),
    Int(29, "REG_ClipBordFolder", 0, "クリップボードのパス名区切り記号"),
    Int(30, "REG_ClipBordTree", 0, "クリップボード出力をTree形式"),
    Int(31, "REG_ClipBordFolderMark", 0, "クリップボード出力のフォルダマーク"),
    Int(32, "REG_ClipBordOffsetNo", 0, "クリップボード出力のフォルダ内通番"),
    Int(33, "REG_ClipBordTreeNo", 0, "クリップボード出力のTree形式を階層番号"),
    Int(34, "REG_ClipBordFolderOnly", 0, "クリップボード出力をフォルダのみとする"),
    Int(35, "REG_FileSizeBarColor", 0xFF00FF, "ファイルサイズの棒グラフ表示色"),
    Int(36, "REG_ListViewGridLine", 0, "ListViewに枠線を表示"),
    Int(37, "REG_FileSizeBarShow", 1, "ファイルサイズの棒グラフ表示有無"),
    Int(38, "REG_ClipBordFileWrite", 0, "クリップボード出力では無くファイルへ出力"),
    Int(39, "REG_DupFileColor", 0xFF0000, "重複ファイルの表示色"),
    Str(40, "REG_ClipBordPutItem", "01000000000000", "クリップボード出力項目"),
    Int(41, "REG_ClipBordItemSep", 0, "クリップボード出力の項目区切り記号"),
    Int(42, "REG_ChartCir3D", 1, "円グラフ：3D表示"),
    Int(43, "REG_SearchInfoStrKind", 0, "検索条件：ファイル名の大文字と小文字の区別"),
    Int(44, "REG_SearchInfoPortion", 0, "検索条件：部分一致"),
    Int(45, "REG_SearchInfoFile", 1, "検索条件：ファイル名"),
    Int(46, "REG_SearchInfoSize", 1, "検索条件：サイズ"),
    Int(47, "REG_SearchInfoDateTime", 1, "検索条件：日時"),
    Int(48, "REG_SearchInfoComment", 0, "検索条件：コメント"),
    Int(49, "REG_SearchInfoMark", 0, "検索条件：マーク"),
    Int(50, "REG_SearchInfoFolder", 0, "検索条件：フォルダ"),
    Int(51, "REG_SearchInfoCommentAll", 1, "検索条件：コメント全検索"),
    Str(52, "REG_SearchInfoCommentStr", "", "検索条件：コメント文字列"),
    Int(53, "REG_ListItemPos00", 0, "ListItem表示位置00"),
    Int(54, "REG_ListItemPos01", 1, "ListItem表示位置01"),
    Int(55, "REG_ListItemPos02", 2, "ListItem表示位置02"),
    Int(56, "REG_ListItemPos03", 3, "ListItem表示位置03"),
    Int(57, "REG_ListItemPos04", 4, "ListItem表示位置04"),
    Int(58, "REG_ListItemPos05", 5, "ListItem表示位置05"),
    Int(59, "REG_ListItemPos06", 6, "ListItem表示位置06"),
    Int(60, "REG_ListItemPos07", 7, "ListItem表示位置07"),
    Int(61, "REG_ListItemPos08", 8, "ListItem表示位置08"),
    Str(62, "REG_ListItemName00", "名前", "ListItem名00"),
    Str(63, "REG_ListItemName01", "数", "ListItem名01"),
    Str(64, "REG_ListItemName02", "サイズ", "ListItem名02"),
    Str(65, "REG_ListItemName03", "ファイルの種類", "ListItem名03"),
    Str(66, "REG_ListItemName04", "更新日時", "ListItem名04"),
    Str(67, "REG_ListItemName05", "クラスタサイズ", "ListItem名05"),
    Str(68, "REG_ListItemName06", "クラスタギャップ", "ListItem名06"),
    Str(69, "REG_ListItemName07", "Version", "ListItem名07"),
    Str(70, "REG_ListItemName08", "コメント", "ListItem名08"),
    Int(71, "REG_ListItemSize00", 140, "ListItemサイズ00"),
    Int(72, "REG_ListItemSize01", 50, "ListItemサイズ01"),
    Int(73, "REG_ListItemSize02", 80, "ListItemサイズ02"),
    Int(74, "REG_ListItemSize03", 120, "ListItemサイズ03"),
    Int(75, "REG_ListItemSize04", 130, "ListItemサイズ04"),
    Int(76, "REG_ListItemSize05", 90, "ListItemサイズ05"),
    Int(77, "REG_ListItemSize06", 96, "ListItemサイズ06"),
    Int(78, "REG_ListItemSize07", 100, "ListItemサイズ07"),
    Int(79, "REG_ListItemSize08", 120, "ListItemサイズ08"),
    Int(80, "REG_ListViewPropertyShow", 1, "ListViewプロパティ表示"),
    Int(81, "REG_ListViewPropertyPos", 0, "ListViewプロパティ表示位置"),
    Int(82, "REG_MainFrameTop", 0, "画面表示位置：Top"),
    Int(83, "REG_MainFrameLeft", 0, "画面表示位置：Left"),
    Int(84, "REG_MainFrameHeight", 0, "画面表示位置：Height"),
    Int(85, "REG_MainFrameWidth", 0, "画面表示位置：Width"),
    Int(86, "REG_ChartBarOrthogonal", 1, "棒グラフ：直交表示"),
    Int(87, "REG_DupSearchMode", 0, "重複ファイルの高速検索モード"),
    Int(88, "REG_ChartBarBkImageFlag", 0, "棒グラフ：背景画像の表示"),
    Str(89, "REG_ChartBarBkImageFile", "", "棒グラフ：背景画像のファイル名"),
    Int(90, "REG_ChartBarBkImageStyle", 0, "棒グラフ：背景画像のスタイル"),
    Int(91, "REG_ChartBarBkGradFlag", 1, "棒グラフ：背景グラデーションの表示"),
    Int(92, "REG_ChartBarBkGradStart", 0x80FF80, "棒グラフ：背景グラデーションの開始色"),
    Int(93, "REG_ChartBarBkGradEnd", 0xFFFFFF, "棒グラフ：背景グラデーションの終了色"),
    Int(94, "REG_ChartBarBkGradDirection", 1, "棒グラフ：背景グラデーションの方向"),
    Str(95, "REG_LikeKey", " _-.()[]　、，・（）【】「」", "似たようなファイルの区切り記号"),
    Int(96, "REG_ShowCommentSet", 1, "コメント登録の表示/非表示"),
    Int(97, "REG_ShowDupInfo", 1, "重複情報の表示/非表示"),
    Int(98, "REG_MainTreeViewWidth", 244, "メインTreeViewの幅"),
    Int(99, "REG_MainDupPanelHeight", 103, "メイン重複情報表示パネルの高さ"),
    Int(100, "REG_RefHistSave", 1, "閲覧履歴の保存"),
    Int(101, "REG_RefHistSaveCount", 5, "閲覧履歴の保存数"),
    Int(102, "REG_HistListBefor", 0, "直前の履歴の値(閲覧履歴に必要な値）"),
    Str(103, "REG_PrefixAreaSub", "あそこ_", "保管詳細のプリフックス名称"),
    Int(104, "REG_DupListHighSpeedShow", 0, "重複ファイル一覧の高速表示"),
    Int(105, "REG_SearchInfoCommentKind", 0, "検索条件：コメント文の大文字と小文字の区別"),
    Int(106, "REG_ClipBordDefault", 0, "クリップボード出力のデフォルト形式"),
};

static_assert(kTable.size() == 105);
// Lookups use a binary search, so numbers must rise strictly.
static_assert(std::adjacent_find(kTable.begin(), kTable.end(), [](const Entry& a, const Entry& b) {
                return a.number >= b.number;
              }) == kTable.end());

const Entry* Find(int number) {
  const auto* it = std::lower_bound(kTable.begin(), kTable.end(), number,
                                    [](const Entry& e, int n) { return e.number < n; });
  return it != kTable.end() && it->number == number ? it : nullptr;
}

const Entry* Find(int number, SettingType type) {
  const Entry* entry = Find(number);
  return entry != nullptr && entry->type == type ? entry : nullptr;
}

QString ConfigFolder() {
  const QString folder = qEnvironmentVariable("PLOMIX2_CONFIG_DIR");
  return folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                          : folder;
}

// Anything the INI reader did not turn into plain text (an unquoted "a, b"
// becomes a list, "@Point(1 2)" a point) counts as missing, so a hand-damaged
// file reads as defaults instead of stopping the program.
std::optional<QString> ReadText(const QString& path, const QString& key) {
  const QSettings store(path, QSettings::IniFormat);
  const QVariant value = store.value(key);
  if (value.typeId() != QMetaType::QString) return std::nullopt;
  return value.toString();
}

// Writes the text, or removes the key when there is none. QSettings reports
// FormatError for a damaged file even when the write went through, and once
// set that status hides a later AccessError; so any status but NoError is
// settled by reading the value back.
void WriteText(const QString& path, const QString& key, const std::optional<QString>& text) {
  {
    QSettings store(path, QSettings::IniFormat);
    if (text) {
      store.setValue(key, *text);
    } else {
      store.remove(key);
    }
    store.sync();
    if (store.status() == QSettings::NoError) return;
  }
  if (ReadText(path, key) != text) {
    throw std::runtime_error("cannot write the settings file " + path.toStdString());
  }
}

// The whole text must be one decimal 32-bit integer; surrounding spaces are
// forgiven, anything else (hex, exponents, full-width digits) is not. Every
// character outside Latin-1 becomes '?' and fails the parse like any letter.
std::optional<int> ParseInt(const QString& text) {
  const QByteArray latin1 = text.trimmed().toLatin1();
  const char* begin = latin1.constData();
  const char* end = begin + latin1.size();
  // from_chars takes a minus sign but no plus sign.
  if (end - begin > 1 && begin[0] == '+' && begin[1] >= '0' && begin[1] <= '9') ++begin;
  int value = 0;
  const auto [ptr, ec] = std::from_chars(begin, end, value, 10);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

}  // namespace

Settings::Settings() : Settings(ConfigFolder()) {}

Settings::Settings(const QString& configFolder) {
  if (configFolder.isEmpty()) throw std::invalid_argument("the settings folder name is empty");
  filePath_ = QDir::cleanPath(QDir(configFolder).absoluteFilePath("Quernfield/Plomix2.conf"));
}

QString Settings::GetString(int number) const {
  const Entry* entry = Find(number, SettingType::String);
  if (entry == nullptr) return QString();
  return ReadText(filePath_, QString::fromLatin1(entry->key))
      .value_or(QString::fromUtf8(entry->stringDefault));
}

int Settings::GetInt(int number) const {
  const Entry* entry = Find(number, SettingType::Integer);
  if (entry == nullptr) return 0;
  const std::optional<QString> text = ReadText(filePath_, QString::fromLatin1(entry->key));
  return text ? ParseInt(*text).value_or(entry->intDefault) : entry->intDefault;
}

void Settings::SetString(int number, const QString& value) {
  const Entry* entry = Find(number, SettingType::String);
  if (entry != nullptr) WriteText(filePath_, QString::fromLatin1(entry->key), value);
}

void Settings::SetInt(int number, int value) {
  const Entry* entry = Find(number, SettingType::Integer);
  if (entry != nullptr) {
    WriteText(filePath_, QString::fromLatin1(entry->key), QString::number(value));
  }
}

std::optional<SettingInfo> Settings::Describe(int number) {
  const Entry* entry = Find(number);
  if (entry == nullptr) return std::nullopt;
  SettingInfo info;
  info.number = entry->number;
  info.key = QString::fromLatin1(entry->key);
  info.label = QString::fromUtf8(entry->label);
  info.type = entry->type;
  info.intDefault = entry->intDefault;
  info.stringDefault = QString::fromUtf8(entry->stringDefault);
  return info;
}

QList<int> Settings::Numbers() {
  QList<int> numbers;
  numbers.reserve(static_cast<qsizetype>(kTable.size()));
  for (const Entry& entry : kTable) numbers.append(entry.number);
  return numbers;
}

QString Settings::GetRaw(const QString& key, const QString& fallback) const {
  return ReadText(filePath_, key).value_or(fallback);
}

void Settings::SetRaw(const QString& key, const QString& value) {
  if (QString(key).remove(u'/').remove(u'\\').isEmpty()) {
    throw std::invalid_argument("a settings key needs a name: \"" + key.toStdString() + "\"");
  }
  WriteText(filePath_, key, value);
}

void Settings::RemoveRaw(const QString& key) {
  WriteText(filePath_, key, std::nullopt);
}

QStringList Settings::RawKeys(const QString& group) const {
  QSettings store(filePath_, QSettings::IniFormat);
  store.beginGroup(group);
  return store.allKeys();
}

}  // namespace plomix
