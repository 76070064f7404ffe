#include "ui/organise/PxComment.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>

#include "core/Catalog.h"
#include "core/Prompter.h"
#include "core/Text.h"
#include "ui/ImageList.h"
#include "ui/PageSupport.h"
#include "ui/Session.h"
#include "ui/organise/OrganiseMediaList.h"
#include "ui/widgets/WaitCursor.h"

namespace plomix {

CommentListModel::CommentListModel(Catalog& catalog, ImageList& images, QObject* parent)
    : QAbstractTableModel(parent), catalog_(catalog), images_(images) {}

void CommentListModel::Rebuild() {
  WaitCursor wait;
  beginResetModel();
  rows_ = catalog_.BuildCommentList();
  const CommentSortState& sort = CommentListSort();
  catalog_.SortCommentList(sort.column, sort.ascending);
  endResetModel();
  Q_EMIT headerDataChanged(Qt::Horizontal, 0, 3);
}

int CommentListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}
int CommentListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 4;
}

QVariant CommentListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  // The comment and its media's name as the user gave them.
  const int comment = catalog_.CommentListIndex(index.row());
  if (comment < 0) return {};
  QString cell = index.column() == 0 ? QString::fromStdString(catalog_.ExactCommentText(comment))
                 : index.column() == 3
                     ? QString::fromStdString(catalog_.ExactSlotText(
                           IsEntryKey(catalog_.CommentSlot(comment).Key())
                               ? SlotOfKey(catalog_.CommentSlot(comment).Key())
                               : -1,
                           SlotText::Name))
                     : text::Cp932ToQString(catalog_.CommentCell(index.row(), index.column()));
  // One line per row: the list shows where a comment breaks as a space.
  if (index.column() == 0) cell.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
  return cell;
}

QVariant CommentListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  static const char* kCaptions[] = {"コメント文", "登録日時", "ファイル名", "メディア名"};
  if (role == Qt::DisplayRole && section >= 0 && section < 4)
    return QString::fromUtf8(kCaptions[section]);
  if (role == Qt::DecorationRole && section == CommentListSort().column)
    return images_.Icon(CommentListSort().ascending ? kImageSortUp : kImageSortDown);
  return {};
}

TfrmComment::TfrmComment(Session& session, TRecord& row, QWidget* parent)
    : QDialog(parent), session_(session), row_(row) {
  setObjectName(QStringLiteral("TfrmComment"));
  setWindowTitle(QStringLiteral("コメント文"));
  resize(640, 520);
  auto* layout = new QVBoxLayout(this);
  const QString heading = QStringLiteral("background-color: #000080; color: white; padding: 2px;");
  lblMemo = new QLabel(QStringLiteral("   コメント文"), this);
  lblMemo->setObjectName(QStringLiteral("lblMemo"));
  lblMemo->setStyleSheet(heading);
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  cmdSet = NamedButton(this, "cmdSet", QStringLiteral("登録"));
  cmdClear = NamedButton(this, "cmdClear", QStringLiteral("クリア"));
  auto* memoRow = new QHBoxLayout;
  auto* memoButtons = new QVBoxLayout;
  memoButtons->addWidget(cmdSet);
  memoButtons->addWidget(cmdClear);
  memoButtons->addStretch(1);
  memoRow->addWidget(Memo1, 1);
  memoRow->addLayout(memoButtons);
  lblList = new QLabel(QStringLiteral("   コメント文一覧"), this);
  lblList->setObjectName(QStringLiteral("lblList"));
  lblList->setStyleSheet(heading);
  ListView1 = new QTableView(this);
  ListView1->setObjectName(QStringLiteral("ListView1"));
  model_ = new CommentListModel(session_.GetCatalog(), session_.Images(), this);
  ListView1->setModel(model_);
  ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView1->verticalHeader()->setVisible(false);
  ListView1->verticalHeader()->setDefaultSectionSize(18);
  ListView1->horizontalHeader()->setSectionsClickable(true);
  ListView1->horizontalHeader()->setStretchLastSection(true);
  ListView1->setColumnWidth(0, 240);
  ListView1->setColumnWidth(1, 130);
  ListView1->setColumnWidth(2, 130);
  ListView1->setWordWrap(false);
  layout->addWidget(lblMemo);
  layout->addLayout(memoRow, 2);
  layout->addWidget(lblList);
  layout->addWidget(ListView1, 3);
  connect(cmdSet, &QPushButton::clicked, this, &TfrmComment::cmdSetClick);
  connect(cmdClear, &QPushButton::clicked, Memo1, &QPlainTextEdit::clear);
  connect(ListView1->horizontalHeader(), &QHeaderView::sectionClicked, this,
          &TfrmComment::ListView1ColumnClick);

  Memo1->setPlainText(CommentTextForEditor(session_.GetCatalog().ExactCommentText(row_.CommentNo)));
  model_->Rebuild();
}

void TfrmComment::cmdSetClick() {
  const std::optional<std::string> text = FitForField(
      session_.Ask(),
      QString::fromStdString(CommentLinesFromEditor(Memo1->toPlainText().toStdString())),
      kCommentTextCap);
  if (!text) return;
  CommentWrite result = CommentWrite::Nothing;
  if (!Safely(session_.Ask(),
              [&] { result = WriteEntryCommentText(session_.GetCatalog(), row_, *text); }))
    return;
  if (result == CommentWrite::Nothing) return;
  result_ = result;
  ReportCommentWrite(session_, result);
  accept();
}

void TfrmComment::ListView1ColumnClick(int column) {
  if (ListView1->selectionModel()->hasSelection()) {
    ListView1->clearSelection();
    ListView1->setCurrentIndex({});
  }
  CommentListSort().Click(column);
  model_->Rebuild();
}

void ReportCommentWrite(Session& session, CommentWrite result) {
  if (result != CommentWrite::TableFull) return;
  session.Ask().Message(
      QStringLiteral(
          "コメントは5000件までしか登録出来ません。このコメントは登録されませんでした。"),
      PromptIcon::Warning, PromptButtons::Ok);
}

}  // namespace plomix
