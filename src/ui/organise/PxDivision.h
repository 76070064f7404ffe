#pragma once
// The dialog that moves media between categories or between storage
// locations (`TfrmDivision`), in either mode, switched by `TabControl3`.
// Moves and storage details change the slots in memory only: "更新" writes
// the slot table, cancel reloads the slots from the file (asking first when
// media were moved). Every question goes through the Session's Prompter.

#include <QDialog>

#include "organise/DivList.h"
#include "ui/organise/OrganiseMediaList.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace plomix {

class PieChart;
class Session;

class TfrmDivision : public QDialog {
  Q_OBJECT

 public:
  TfrmDivision(Session& session, DivMode mode, QWidget* parent = nullptr);

  // Opens the dialog modally; true when media were moved (the window then
  // clears its category filter and rebuilds its tree).
  static bool Run(Session& session, DivMode mode, QWidget* parent);

  DivMode Mode() const { return mode_; }
  bool MediaMoved() const { return moved_; }

  QTabBar *TabControl3, *TabControl1, *TabControl2;
  QLabel *pnlBefore, *pnlAfter, *lblAreaSub, *lblChartTitle;
  QTreeWidget *ListView1, *ListView2, *ListView3;
  QPushButton *cmdAllOn, *cmdAllOff, *cmdMove, *cmdMoveAll, *cmdAddNew, *cmdAreaSub, *cmdClose,
      *cmdCancel;
  QLineEdit *txtNewDivision, *txtAreaSub;
  PieChart* Chart1;

 public Q_SLOTS:
  void TabControl3Change(int index);
  void cmdMoveClick();
  void cmdMoveAllClick();
  void cmdAddNewClick();
  void cmdAreaSubClick();
  void cmdCloseClick();
  void reject() override;

 private:
  void BuildWindow();
  void ApplyMode();
  void RebuildTabs();
  void FillLists();
  void FillList(QTreeWidget* list, int listing, bool checkable);
  void UpdateState();
  int CheckedCount() const;
  void ClearAreaSub();
  void ShowMediaProperties(int slot, bool left);
  QString LeftTab() const;
  QString RightTab() const;

  Session& session_;
  DivMode mode_;
  DivLists lists_;
  MediaListSorter sort1_, sort2_;
  bool moved_ = false;
  int areaSubSlot_ = -1;
};

}  // namespace plomix
