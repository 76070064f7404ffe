#pragma once
// TfrmDriveChange ("読込みドライブ名変更"): the recorded drive letter of each
// catalogued media, changed with 26 letter buttons, per category tab, and
// written to the catalogue only by "更新". Leaving with changes asks first and
// then reads the catalogue again, which drops them.

#include <QDialog>
#include <array>
#include <vector>

#include "reading/DriveChange.h"

class QPushButton;
class QTabBar;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace plomix {

class Catalog;
class ImageList;
class Prompter;
class Settings;

class TfrmDriveChange : public QDialog {
  Q_OBJECT

 public:
  TfrmDriveChange(Catalog& catalog, Settings& settings, Prompter& prompter, ImageList* images,
                  QWidget* parent = nullptr);

  bool DriveChangeDirty() const { return model_.Dirty(); }
  // The button of letter 'A'..'Z' (ToolButton1 .. ToolButton26).
  QToolButton* LetterButton(char letter) const;

  QToolBar* ToolBar1;
  std::array<QToolButton*, 26> ToolButtons{};
  QTabBar* TabControl1;
  QTreeWidget* ListView1;
  QPushButton *cmdUpdate, *cmdCancel;

 public Q_SLOTS:
  void FormShow();
  void TabControl1Change();
  void ListView1Change();
  void LetterClick(char letter);
  void cmdUpdateClick();
  void cmdCancelClick();
  void ListView1ColumnClick(int column);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  // True when the dialog may close (asks when there are changes).
  bool FormCloseQuery();
  void FillList();
  // Shows rows_ with the row of `currentSlot` (-1: the first) current.
  void ShowRows(int currentSlot);
  DriveChangeRow* RowOf(QTreeWidgetItem* item);

  Catalog& catalog_;
  Settings& settings_;
  Prompter& prompter_;
  ImageList* images_;
  DriveChange model_;
  std::vector<DriveChangeRow> rows_;
  int sortColumn_ = -1;
  bool sortAscending_ = true;
  bool closing_ = false;
};

}  // namespace plomix
