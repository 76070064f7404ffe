#pragma once
// The storage-detail numbering dialog (`TfrmAreaSubList`, "保管場所詳細一覧"):
// the media of a storage location, ordered by hand, get prefix + running
// number as their storage detail. The numbers live in the slots in memory
// until "更新" writes the slot table; cancel reloads the slots (asking first
// when something was numbered).

#include <QDialog>

#include "organise/DivList.h"
#include "ui/organise/OrganiseMediaList.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;
class QTreeWidget;
class QToolButton;

namespace plomix {

class Session;

class TfrmAreaSubList : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmAreaSubList(Session& session, QWidget* parent = nullptr);
  // Opens the dialog modally; true when numbers were written.
  static bool Run(Session& session, QWidget* parent);

  bool Changed() const { return changed_; }

  QTabBar* TabControl1;
  QTreeWidget* ListView2;
  QLineEdit *txtPrefix, *txtNo;
  QLabel* lblExample;
  QToolButton *SpinButton1Up, *SpinButton1Down;
  QPushButton *cmdSetName, *cmdAllOn, *cmdAllOff, *cmdClose, *cmdCancel;

 public Q_SLOTS:
  void SpinButton1UpClick();
  void SpinButton1DownClick();
  void cmdSetNameClick();
  void cmdCloseClick();
  void reject() override;

 private:
  void BuildWindow();
  void FillList();
  void UpdateExample();
  void SetAllChecks(bool on);

  Session& session_;
  DivLists lists_;
  MediaListSorter sorter_;
  bool changed_ = false;
};

}  // namespace plomix
