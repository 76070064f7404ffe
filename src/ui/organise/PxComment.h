#pragma once
// The comment dialog (`TfrmComment`, "コメント文"): the memo for one entry's
// comment and, below it, the read-only list of every comment in the
// catalogue, sortable by any column (the sort lasts for the program's run).

#include <QAbstractTableModel>
#include <QDialog>

#include "core/Records.h"
#include "organise/Comments.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace plomix {

class Catalog;
class ImageList;
class Session;

// The comment list over the catalogue's list of used comment slots.
class CommentListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  CommentListModel(Catalog& catalog, ImageList& images, QObject* parent = nullptr);
  // Rebuilds and sorts the list with the kept column and direction.
  void Rebuild();
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  Catalog& catalog_;
  ImageList& images_;
  int rows_ = 0;
};

class TfrmComment : public QDialog {
  Q_OBJECT

 public:
  // `row` is the file-list row the comment belongs to; it is updated in place.
  TfrmComment(Session& session, TRecord& row, QWidget* parent = nullptr);
  CommentWrite Result() const { return result_; }

  QLabel *lblMemo, *lblList;
  QPlainTextEdit* Memo1;
  QPushButton *cmdSet, *cmdClear;
  QTableView* ListView1;

 public Q_SLOTS:
  void cmdSetClick();
  void ListView1ColumnClick(int column);

 private:
  Session& session_;
  TRecord& row_;
  CommentListModel* model_;
  CommentWrite result_ = CommentWrite::Nothing;
};

// Says so when a comment could not be stored because the table is full.
void ReportCommentWrite(Session& session, CommentWrite result);

}  // namespace plomix
