#pragma once
// The report of a comparison or an update: the counts on top, the list of
// added, removed and changed entries with a filter and a copy button, and,
// when an update could not carry comments over, their list with copy and
// save buttons. It shows a DiffReport it keeps a copy of.

#include <QAbstractTableModel>
#include <QDialog>
#include <vector>

#include "browse/TreeDiff.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class QTabWidget;
class QPlainTextEdit;

namespace plomix {

class Prompter;

// The rows of a report under a filter: columns 区分, パス, サイズ, 更新日時,
// 旧サイズ, 旧更新日時.
class ChangeReportModel : public QAbstractTableModel {
 public:
  enum class Filter { Added, Removed, Changed, All };
  explicit ChangeReportModel(const DiffReport& report, QObject* parent = nullptr);
  void SetFilter(Filter filter);
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  // The shown rows as tab-separated lines under a header line.
  QString RowsAsText() const;

 private:
  enum class Kind { Added, Removed, Changed };
  struct Row {
    Kind kind;
    const DiffEntry* entry;
  };
  QString Cell(const Row& row, int column) const;

  const DiffReport& report_;
  std::vector<Row> rows_;
};

class TfrmChangeReport : public QDialog {
 public:
  TfrmChangeReport(DiffReport report, Prompter& ask, const QString& caption,
                   QWidget* parent = nullptr);

  QLabel* lblCounts;
  QLabel* lblTotals;
  QTabWidget* tabReport;
  QComboBox* cboFilter;  // 追加 / 削除 / 変更 / すべて
  QTableView* lstChanges;
  QPushButton* cmdCopy;
  QPlainTextEdit* txtLostComments;  // null when there are none
  QPushButton* cmdCopyComments;     // null when there are none
  QPushButton* cmdSaveComments;     // null when there are none
  QPushButton* cmdClose;

  void cmdCopyClick();
  void cmdCopyCommentsClick();
  void cmdSaveCommentsClick();

 private:
  QString LostCommentsText() const;

  DiffReport report_;
  Prompter& ask_;
  ChangeReportModel* model_;
};

}  // namespace plomix
