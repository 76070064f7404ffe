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

struct SettingInfo {
  int number = 0;
  QString key;    // "REG_..."
  QString label;  // Japanese label kept with the entry (never shown)
  SettingType type = SettingType::Integer;
  int intDefault = 0;     // for Integer entries
  QString stringDefault;  // for String entries
};

// Setting numbers (the table has 105 entries; 20 is not a setting).
enum SettingNo : int {
  REG_FormatUpdateDateTime = 1,
  REG_BarChartSizeFit = 2,
  REG_ChartBarPage = 3,
  REG_ChartBarNameLength = 4,
  REG_ChartCircleMaxFile = 5,
  REG_ChartCircleNameLength = 6,
  REG_ChartBarSize2Only = 7,
  REG_ChartBarStyle = 8,
  REG_ChartCircleRotate = 9,
  REG_BeforDrive = 10,
  REG_VolumeName = 11,
  REG_GetFileVersion = 12,
  REG_OpenHist01 = 13,
  REG_OpenHist02 = 14,
  REG_OpenHist03 = 15,
  REG_OpenHist04 = 16,
  REG_OpenHist05 = 17,
  REG_SpanCircleRotete = 18,
  REG_Eject = 19,
  REG_ChartCirBkImageFlag = 21,
  REG_ChartCirBkImageFile = 22,
  REG_ChartCirBkImageStyle = 23,
  REG_ChartCirBkGradFlag = 24,
  REG_ChartCirBkGradStart = 25,
  REG_ChartCirBkGradEnd = 26,
  REG_ChartCirBkGradDirection = 27,
  REG_ClipBordNameMode = 28,
  REG_ClipBordFolder = 29,
  REG_ClipBordTree = 30,
  REG_ClipBordFolderMark = 31,
  REG_ClipBordOffsetNo = 32,
  REG_ClipBordTreeNo = 33,
  REG_ClipBordFolderOnly = 34,
  REG_FileSizeBarColor = 35,
  REG_ListViewGridLine = 36,
  REG_FileSizeBarShow = 37,
  REG_ClipBordFileWrite = 38,
  REG_DupFileColor = 39,
  REG_ClipBordPutItem = 40,
  REG_ClipBordItemSep = 41,
  REG_ChartCir3D = 42,
  REG_SearchInfoStrKind = 43,
  REG_SearchInfoPortion = 44,
  REG_SearchInfoFile = 45,
  REG_SearchInfoSize = 46,
  REG_SearchInfoDateTime = 47,
  REG_SearchInfoComment = 48,
  REG_SearchInfoMark = 49,
  REG_SearchInfoFolder = 50,
  REG_SearchInfoCommentAll = 51,
  REG_SearchInfoCommentStr = 52,
  REG_ListItemPos00 = 53,   // ..REG_ListItemPos08 = 61
  REG_ListItemName00 = 62,  // ..REG_ListItemName08 = 70
  REG_ListItemSize00 = 71,  // ..REG_ListItemSize08 = 79
  REG_ListViewPropertyShow = 80,
  REG_ListViewPropertyPos = 81,
  REG_MainFrameTop = 82,
  REG_MainFrameLeft = 83,
  REG_MainFrameHeight = 84,
  REG_MainFrameWidth = 85,
  REG_ChartBarOrthogonal = 86,
  REG_DupSearchMode = 87,
  REG_ChartBarBkImageFlag = 88,
  REG_ChartBarBkImageFile = 89,
  REG_ChartBarBkImageStyle = 90,
  REG_ChartBarBkGradFlag = 91,
  REG_ChartBarBkGradStart = 92,
  REG_ChartBarBkGradEnd = 93,
  REG_ChartBarBkGradDirection = 94,
  REG_LikeKey = 95,
  REG_ShowCommentSet = 96,
  REG_ShowDupInfo = 97,
  REG_MainTreeViewWidth = 98,
  REG_MainDupPanelHeight = 99,
  REG_RefHistSave = 100,
  REG_RefHistSaveCount = 101,
  REG_HistListBefor = 102,
  REG_PrefixAreaSub = 103,
  REG_DupListHighSpeedShow = 104,
  REG_SearchInfoCommentKind = 105,
  REG_ClipBordDefault = 106,
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
  QString GetString(int number) const;
  // get-int: the stored integer, the default when missing or not a number,
  // 0 for a number that is not an integer setting.
  int GetInt(int number) const;
  // set-string / set-int: write one value; nothing for a number of the other
  // type or not in the table. Throw std::runtime_error when the value cannot
  // be stored.
  void SetString(int number, const QString& value);
  void SetInt(int number, int value);
  // describe: the table entry; nothing for a number that is not a setting.
  static std::optional<SettingInfo> Describe(int number);
  // All numbers of the table, ascending.
  static QList<int> Numbers();

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
