#pragma once
// The per-user settings store: one numbered table of named values (key, label,
// type, default). Every read and write goes straight to the store; nothing is
// cached. The store is a QSettings INI file "Quernfield/Plomix2.conf" under the
// user's configuration folder, or under $PLOMIX2_CONFIG_DIR when that is set
// (tests always set it). Values are stored as text: integers as their decimal
// text. A missing value, or an integer text that does not parse, reads as the
// entry's default. A value that is not plain text (a hand-edited list such as
// "a, b", an "@Variant(...)" or other typed value) also reads as the default:
// a damaged settings file never stops the program. Reads never throw; a write
// that cannot reach the file throws std::runtime_error naming the file.

#include <QString>
#include <QStringList>
#include <optional>

namespace plomix {

enum class SettingType { Integer, String };

// The settings table, written once: the enum below and the lookup table in
// Settings.cpp are both expanded from it, and each key is its enumerator's
// name. Each row is I(number, key, default, label) for an integer setting or
// S(number, key, default, label) for a string one; numbers rise strictly and
// 20 was never a setting. Colours are 0x00BBGGRR values.
// clang-format off
#define PLOMIX_SETTINGS_TABLE(I, S) \
  S(1, REG_FormatUpdateDateTime, "yyyy/mm/dd(aaa) hh:nn", "更新日時の形式文字列") \
  I(2, REG_BarChartSizeFit, 0, "棒グラフの長さを表示サイズの最大にフィット") \
  I(3, REG_ChartBarPage, 10, "棒グラフ：ページ最大表示数") \
  I(4, REG_ChartBarNameLength, 20, "棒グラフ：最大ファイル名") \
  I(5, REG_ChartCircleMaxFile, 10, "円グラフ：最大表示数") \
  I(6, REG_ChartCircleNameLength, 20, "円グラフ：最大ファイル名") \
  I(7, REG_ChartBarSize2Only, 0, "棒グラフ：クラスタサイズのみ表示") \
  S(8, REG_ChartBarStyle, "円筒", "棒グラフ：バースタイル") \
  I(9, REG_ChartCircleRotate, 1, "円グラフの回転") \
  S(10, REG_BeforDrive, "C", "直前のドライブ") \
  I(11, REG_VolumeName, 1, "ボリューム名取得") \
  I(12, REG_GetFileVersion, 0, "ファイルのVersion情報も取得") \
  S(13, REG_OpenHist01, "", "管理ファイルのオープン履歴") \
  S(14, REG_OpenHist02, "", "管理ファイルのオープン履歴") \
  S(15, REG_OpenHist03, "", "管理ファイルのオープン履歴") \
  S(16, REG_OpenHist04, "", "管理ファイルのオープン履歴") \
  S(17, REG_OpenHist05, "", "管理ファイルのオープン履歴") \
  I(18, REG_SpanCircleRotete, 300, "円グラフの回転間隔") \
  I(19, REG_Eject, 1, "メディア読込み後にイジェクト") \
  I(21, REG_ChartCirBkImageFlag, 0, "円グラフ：背景画像の表示") \
  S(22, REG_ChartCirBkImageFile, "", "円グラフ：背景画像のファイル名") \
  I(23, REG_ChartCirBkImageStyle, 0, "円グラフ：背景画像のスタイル") \
  I(24, REG_ChartCirBkGradFlag, 1, "円グラフ：背景グラデーションの表示") \
  I(25, REG_ChartCirBkGradStart, 0xFFB5FF, "円グラフ：背景グラデーションの開始色") \
  I(26, REG_ChartCirBkGradEnd, 0xFFFFFF, "円グラフ：背景グラデーションの終了色") \
  I(27, REG_ChartCirBkGradDirection, 3, "円グラフ：背景グラデーションの方向") \
  I(28, REG_ClipBordNameMode, 0, "クリップボードへコピー時の名前変換") \
  I(29, REG_ClipBordFolder, 0, "クリップボードのパス名区切り記号") \
  I(30, REG_ClipBordTree, 0, "クリップボード出力をTree形式") \
  I(31, REG_ClipBordFolderMark, 0, "クリップボード出力のフォルダマーク") \
  I(32, REG_ClipBordOffsetNo, 0, "クリップボード出力のフォルダ内通番") \
  I(33, REG_ClipBordTreeNo, 0, "クリップボード出力のTree形式を階層番号") \
  I(34, REG_ClipBordFolderOnly, 0, "クリップボード出力をフォルダのみとする") \
  I(35, REG_FileSizeBarColor, 0xFF00FF, "ファイルサイズの棒グラフ表示色") \
  I(36, REG_ListViewGridLine, 0, "ListViewに枠線を表示") \
  I(37, REG_FileSizeBarShow, 1, "ファイルサイズの棒グラフ表示有無") \
  I(38, REG_ClipBordFileWrite, 0, "クリップボード出力では無くファイルへ出力") \
  I(39, REG_DupFileColor, 0xFF0000, "重複ファイルの表示色") \
  S(40, REG_ClipBordPutItem, "01000000000000", "クリップボード出力項目") \
  I(41, REG_ClipBordItemSep, 0, "クリップボード出力の項目区切り記号") \
  I(42, REG_ChartCir3D, 1, "円グラフ：3D表示") \
  I(43, REG_SearchInfoStrKind, 0, "検索条件：ファイル名の大文字と小文字の区別") \
  I(44, REG_SearchInfoPortion, 0, "検索条件：部分一致") \
  I(45, REG_SearchInfoFile, 1, "検索条件：ファイル名") \
  I(46, REG_SearchInfoSize, 1, "検索条件：サイズ") \
  I(47, REG_SearchInfoDateTime, 1, "検索条件：日時") \
  I(48, REG_SearchInfoComment, 0, "検索条件：コメント") \
  I(49, REG_SearchInfoMark, 0, "検索条件：マーク") \
  I(50, REG_SearchInfoFolder, 0, "検索条件：フォルダ") \
  I(51, REG_SearchInfoCommentAll, 1, "検索条件：コメント全検索") \
  S(52, REG_SearchInfoCommentStr, "", "検索条件：コメント文字列") \
  I(53, REG_ListItemPos00, 0, "ListItem表示位置00") \
  I(54, REG_ListItemPos01, 1, "ListItem表示位置01") \
  I(55, REG_ListItemPos02, 2, "ListItem表示位置02") \
  I(56, REG_ListItemPos03, 3, "ListItem表示位置03") \
  I(57, REG_ListItemPos04, 4, "ListItem表示位置04") \
  I(58, REG_ListItemPos05, 5, "ListItem表示位置05") \
  I(59, REG_ListItemPos06, 6, "ListItem表示位置06") \
  I(60, REG_ListItemPos07, 7, "ListItem表示位置07") \
  I(61, REG_ListItemPos08, 8, "ListItem表示位置08") \
  S(62, REG_ListItemName00, "名前", "ListItem名00") \
  S(63, REG_ListItemName01, "数", "ListItem名01") \
  S(64, REG_ListItemName02, "サイズ", "ListItem名02") \
  S(65, REG_ListItemName03, "ファイルの種類", "ListItem名03") \
  S(66, REG_ListItemName04, "更新日時", "ListItem名04") \
  S(67, REG_ListItemName05, "クラスタサイズ", "ListItem名05") \
  S(68, REG_ListItemName06, "クラスタギャップ", "ListItem名06") \
  S(69, REG_ListItemName07, "Version", "ListItem名07") \
  S(70, REG_ListItemName08, "コメント", "ListItem名08") \
  I(71, REG_ListItemSize00, 140, "ListItemサイズ00") \
  I(72, REG_ListItemSize01, 50, "ListItemサイズ01") \
  I(73, REG_ListItemSize02, 80, "ListItemサイズ02") \
  I(74, REG_ListItemSize03, 120, "ListItemサイズ03") \
  I(75, REG_ListItemSize04, 130, "ListItemサイズ04") \
  I(76, REG_ListItemSize05, 90, "ListItemサイズ05") \
  I(77, REG_ListItemSize06, 96, "ListItemサイズ06") \
  I(78, REG_ListItemSize07, 100, "ListItemサイズ07") \
  I(79, REG_ListItemSize08, 120, "ListItemサイズ08") \
  I(80, REG_ListViewPropertyShow, 1, "ListViewプロパティ表示") \
  I(81, REG_ListViewPropertyPos, 0, "ListViewプロパティ表示位置") \
  I(82, REG_MainFrameTop, 0, "画面表示位置：Top") \
  I(83, REG_MainFrameLeft, 0, "画面表示位置：Left") \
  I(84, REG_MainFrameHeight, 0, "画面表示位置：Height") \
  I(85, REG_MainFrameWidth, 0, "画面表示位置：Width") \
  I(86, REG_ChartBarOrthogonal, 1, "棒グラフ：直交表示") \
  I(87, REG_DupSearchMode, 0, "重複ファイルの高速検索モード") \
  I(88, REG_ChartBarBkImageFlag, 0, "棒グラフ：背景画像の表示") \
  S(89, REG_ChartBarBkImageFile, "", "棒グラフ：背景画像のファイル名") \
  I(90, REG_ChartBarBkImageStyle, 0, "棒グラフ：背景画像のスタイル") \
  I(91, REG_ChartBarBkGradFlag, 1, "棒グラフ：背景グラデーションの表示") \
  I(92, REG_ChartBarBkGradStart, 0x80FF80, "棒グラフ：背景グラデーションの開始色") \
  I(93, REG_ChartBarBkGradEnd, 0xFFFFFF, "棒グラフ：背景グラデーションの終了色") \
  I(94, REG_ChartBarBkGradDirection, 1, "棒グラフ：背景グラデーションの方向") \
  S(95, REG_LikeKey, " _-.()[]　、，・（）【】「」", "似たようなファイルの区切り記号") \
  I(96, REG_ShowCommentSet, 1, "コメント登録の表示/非表示") \
  I(97, REG_ShowDupInfo, 1, "重複情報の表示/非表示") \
  I(98, REG_MainTreeViewWidth, 244, "メインTreeViewの幅") \
  I(99, REG_MainDupPanelHeight, 103, "メイン重複情報表示パネルの高さ") \
  I(100, REG_RefHistSave, 1, "閲覧履歴の保存") \
  I(101, REG_RefHistSaveCount, 5, "閲覧履歴の保存数") \
  I(102, REG_HistListBefor, 0, "直前の履歴の値(閲覧履歴に必要な値）") \
  S(103, REG_PrefixAreaSub, "あそこ_", "保管詳細のプリフックス名称") \
  I(104, REG_DupListHighSpeedShow, 0, "重複ファイル一覧の高速表示") \
  I(105, REG_SearchInfoCommentKind, 0, "検索条件：コメント文の大文字と小文字の区別") \
  I(106, REG_ClipBordDefault, 0, "クリップボード出力のデフォルト形式")
// clang-format on

// The numbers callers pass to the operations below.
enum SettingNo : int {
#define PLOMIX_SETTING_ENUMERATOR(number, key, ...) key = number,
  PLOMIX_SETTINGS_TABLE(PLOMIX_SETTING_ENUMERATOR, PLOMIX_SETTING_ENUMERATOR)
#undef PLOMIX_SETTING_ENUMERATOR
};

// The setting `offset` places after `first` in one of the numbered families
// (the five open-history entries, the nine list columns' positions, names and
// widths).
constexpr SettingNo SettingAt(SettingNo first, int offset) {
  return static_cast<SettingNo>(static_cast<int>(first) + offset);
}

struct SettingInfo {
  SettingNo number{};
  QString key;    // "REG_..."
  QString label;  // Japanese label kept with the entry (never shown)
  SettingType type = SettingType::Integer;
  int intDefault = 0;     // for Integer entries
  QString stringDefault;  // for String entries
};

class Settings {
 public:
  // The store in the configuration folder ($PLOMIX2_CONFIG_DIR or the user's).
  Settings();
  // The store in the given folder (the file is <folder>/Quernfield/Plomix2.conf).
  // Throws std::invalid_argument for an empty folder name.
  explicit Settings(const QString& configFolder);

  // get-string: the stored text (an empty stored value is ""), the default
  // when missing, "" for a number that is not a string setting.
  QString GetString(SettingNo number) const;
  // get-int: the stored integer, the default when missing or not a number,
  // 0 for a number that is not an integer setting.
  int GetInt(SettingNo number) const;
  // set-string / set-int: write one value; nothing for a number of the other
  // type or not in the table. Throw std::runtime_error when the value cannot
  // be stored.
  void SetString(SettingNo number, const QString& value);
  void SetInt(SettingNo number, int value);
  // describe: the table entry; nothing for a number that is not a setting.
  static std::optional<SettingInfo> Describe(SettingNo number);
  // All numbers of the table, ascending.
  static QList<SettingNo> Numbers();

  // Values outside the numbered table (for example the drive-letter bindings
  // kept under the group "Drives"): plain text values by "group/key".
  // GetRaw gives the fallback when the value is missing or not plain text.
  // SetRaw throws std::invalid_argument for a key with no name in it ("" or
  // only slashes) and, like RemoveRaw, std::runtime_error when the file cannot
  // be written. RemoveRaw of a group name removes the whole group. RawKeys
  // lists every key under the group, relative to it (nested ones as "sub/key").
  QString GetRaw(const QString& key, const QString& fallback = QString()) const;
  void SetRaw(const QString& key, const QString& value);
  void RemoveRaw(const QString& key);
  QStringList RawKeys(const QString& group) const;

  // Full path of the settings file.
  QString FilePath() const { return filePath_; }

 private:
  QString filePath_;
};

}  // namespace plomix
