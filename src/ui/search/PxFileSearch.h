#pragma once
// The search dialog: the user states the conditions and picks the media to
// search, by category tab and check box. Pressing 検索 validates the controls
// in a fixed order and refuses (through the Prompter, the dialog staying open)
// an empty name, wildcards in a partial match, an empty comment text, no
// condition at all and no media; otherwise it fills Conditions() and
// MediaList(), sets the catalogue's category filter from the tab and accepts.
//
// The dialog is made once and reused: every showing rebuilds the tabs, the
// media list and the size and date defaults and reloads the check boxes from
// the settings, while the patterns and the AND/OR choices keep what was typed
// during the run of the program. Each check box is stored as soon as it
// changes; the comment text when 検索 is pressed.

#include <QDialog>
#include <QString>
#include <vector>

#include "core/Settings.h"
#include "organise/DivList.h"
#include "search/SearchConditions.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabBar;
class QTimeEdit;
class QTreeWidget;

namespace plomix {

class Catalog;
class ImageList;
class Prompter;
class Settings;

class TfrmFileSearch : public QDialog {
  Q_OBJECT

 public:
  // All four outlive the dialog.
  TfrmFileSearch(Catalog& catalog, Settings& settings, Prompter& prompter, ImageList& images,
                 QWidget* parent = nullptr);

  // What the last accepted 検索 collected (texts CP932).
  const SearchConditions& Conditions() const { return conditions_; }
  const std::vector<int>& MediaList() const { return mediaList_; }

  // ---- Controls (object names equal the member names) ----
  QCheckBox* chkModeName = nullptr;
  QLineEdit* txtSearchName = nullptr;
  QComboBox* cmbAnd = nullptr;
  QLineEdit* txtSearchName2 = nullptr;
  QCheckBox* chkSearchNamePart = nullptr;
  QCheckBox* chkSearchName = nullptr;
  QCheckBox* chkModeSize = nullptr;
  // Sizes in the unit of cmbSearchSizeUnit; an empty box is no bound.
  QLineEdit* txtSearchSizeMin = nullptr;
  QLineEdit* txtSearchSizeMax = nullptr;
  QComboBox* cmbSearchSizeUnit = nullptr;  // Byte, KB, MB, GB (1 KB = 1024 Byte)
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QLabel* Label7 = nullptr;  // the range in bytes, or what is wrong with a box
  QPushButton* cmdSearchSizeAll = nullptr;
  QCheckBox* chkModeDateTime = nullptr;
  QDateEdit* txtSearchStartDate = nullptr;
  QTimeEdit* txtSearchStartTime = nullptr;
  QDateEdit* txtSearchEndDate = nullptr;
  QTimeEdit* txtSearchEndTime = nullptr;
  QPushButton* cmdSearchDateAll = nullptr;
  QPushButton* cmdSearchDate[8] = {};  // 1..7: cmdSearchDate1 .. cmdSearchDate7
  QCheckBox* chkModeComment = nullptr;
  QComboBox* cmbCommentAndOr = nullptr;
  QRadioButton* rdoCommentAll = nullptr;
  QRadioButton* rdoCommentSelect = nullptr;
  QLineEdit* txtCommentSelect = nullptr;
  QCheckBox* chkSearchComment = nullptr;
  QCheckBox* chkSearchMark = nullptr;
  QCheckBox* chkSearchFolderOnly = nullptr;
  QCheckBox* chkSearchFolder = nullptr;
  QTabBar* TabControl1 = nullptr;
  QTreeWidget* ListView1 = nullptr;
  QLabel* pnlMediaCount = nullptr;
  QPushButton* cmdCheckON = nullptr;
  QPushButton* cmdCheckOFF = nullptr;
  QPushButton* cmdSearch = nullptr;
  QPushButton* cmdCancel = nullptr;

 public Q_SLOTS:
  // Rebuilds tabs, media list and defaults and reloads the settings; runs
  // whenever the dialog is shown.
  void FormShow();
  void cmdSearchClick();
  void cmdCancelClick();
  void TabControl1Change(int index);
  void ListView1ColumnClick(int column);
  void cmdCheckONClick();
  void cmdCheckOFFClick();
  void cmdSearchSizeAllClick();
  void cmdSearchDateAllClick();
  void SearchPastDays(int days);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildControls();
  QWidget* BuildNameGroup();
  QWidget* BuildSizeGroup();
  QWidget* BuildDateGroup();
  QWidget* BuildCommentGroup();
  QWidget* BuildMediaGroup();
  void ConnectSettings();
  void ApplyGroups();
  void RebuildTabs();
  void FillMediaList();
  void UpdateMediaCount();
  // The slots of the media whose rows are checked, in list order.
  std::vector<int> CheckedMedia() const;
  void ResetRanges();
  void SetSizeMin();
  void SetSizeMax();
  void UpdateSizeLabel();
  // Reads both boxes; false (after saying why) when one cannot be read.
  bool ReadSizeBounds(SearchConditions& c);
  void SetDateRange();
  void StoreSetting(SettingNo number, int value);
  void Refuse(const QString& text, bool error);
  QString TabFilterText() const;

  Catalog& catalog_;
  Settings& settings_;
  Prompter& prompter_;
  ImageList& images_;
  SearchConditions conditions_;
  std::vector<int> mediaList_;
  CategoryExtents extents_;
  int mediaSortColumn_ = -1;  // -1: not sorted since the list was filled
  bool mediaSortAscending_ = true;
  bool loading_ = false;  // no setting is stored while the controls are loaded
};

}  // namespace plomix
