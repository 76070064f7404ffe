#include "ui/compare/PxChangeReport.h"

#include <QBoxLayout>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>

#include "core/Format.h"
#include "core/Prompter.h"
#include "core/Text.h"

namespace plomix {

namespace {

QString Number(int64_t value) {
  return QString::fromStdString(FormatNumber(static_cast<double>(value)));
}

QString Signed(int64_t value) {
  return (value > 0 ? QStringLiteral("+") : QString()) + Number(value);
}

QString DateText(int32_t packed) {
  return packed == 0 ? QString()
                     : text::Cp932ToQString(FormatDateTime("yyyy/mm/dd hh:nn:ss", packed));
}

const char* const kCaptions[] = {"区分", "パス", "サイズ", "更新日時", "旧サイズ", "旧更新日時"};

}  // namespace

ChangeReportModel::ChangeReportModel(const DiffReport& report, QObject* parent)
    : QAbstractTableModel(parent), report_(report) {
  SetFilter(Filter::All);
}

void ChangeReportModel::SetFilter(Filter filter) {
  beginResetModel();
  rows_.clear();
  const auto add = [this](Kind kind, const std::vector<DiffEntry>& entries) {
    for (const DiffEntry& e : entries) rows_.push_back({kind, &e});
  };
  if (filter == Filter::Added || filter == Filter::All) add(Kind::Added, report_.added);
  if (filter == Filter::Removed || filter == Filter::All) add(Kind::Removed, report_.removed);
  if (filter == Filter::Changed || filter == Filter::All) add(Kind::Changed, report_.changed);
  endResetModel();
}

int ChangeReportModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ChangeReportModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 6;
}

QString ChangeReportModel::Cell(const Row& row, int column) const {
  const DiffEntry& e = *row.entry;
  const bool changed = row.kind == Kind::Changed;
  switch (column) {
    case 0:
      return row.kind == Kind::Added     ? QStringLiteral("追加")
             : row.kind == Kind::Removed ? QStringLiteral("削除")
                                         : QStringLiteral("変更");
    case 1:
      return QString::fromUtf8(e.path.data(), static_cast<qsizetype>(e.path.size())) +
             (e.folder ? QStringLiteral("\\") : QString());
    case 2:
      return e.folder ? QString() : Number(e.size);
    case 3:
      return DateText(e.date);
    case 4:
      return changed && !e.oldFolder ? Number(e.oldSize) : QString();
    case 5:
      return changed ? DateText(e.oldDate) : QString();
    default:
      return {};
  }
}

QVariant ChangeReportModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (role == Qt::TextAlignmentRole && (index.column() == 2 || index.column() == 4))
    return QVariant(Qt::AlignRight | Qt::AlignVCenter);
  if (role != Qt::DisplayRole) return {};
  return Cell(rows_[static_cast<std::size_t>(index.row())], index.column());
}

QVariant ChangeReportModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= 6)
    return {};
  return QString::fromUtf8(kCaptions[section]);
}

QString ChangeReportModel::RowsAsText() const {
  QString text;
  for (int c = 0; c < 6; ++c) text += (c ? QStringLiteral("\t") : QString()) + kCaptions[c];
  text += '\n';
  for (const Row& row : rows_) {
    for (int c = 0; c < 6; ++c) text += (c ? QStringLiteral("\t") : QString()) + Cell(row, c);
    text += '\n';
  }
  return text;
}

TfrmChangeReport::TfrmChangeReport(DiffReport report, Prompter& ask, const QString& caption,
                                   QWidget* parent)
    : QDialog(parent), report_(std::move(report)), ask_(ask) {
  setObjectName(QStringLiteral("TfrmChangeReport"));
  setWindowTitle(caption);
  resize(820, 560);
  auto* layout = new QVBoxLayout(this);
  lblCounts = new QLabel(QStringLiteral("追加 %1 / 削除 %2 / 変更 %3")
                             .arg(report_.added.size())
                             .arg(report_.removed.size())
                             .arg(report_.changed.size()),
                         this);
  lblCounts->setObjectName(QStringLiteral("lblCounts"));
  QFont bold = lblCounts->font();
  bold.setBold(true);
  lblCounts->setFont(bold);
  lblTotals =
      new QLabel(QStringLiteral("ファイル数 %1 → %2 (%3)　サイズ %4 → %5 Byte (%6)")
                     .arg(Number(report_.leftFiles), Number(report_.rightFiles),
                          Signed(report_.rightFiles - report_.leftFiles), Number(report_.leftSize),
                          Number(report_.rightSize), Signed(report_.rightSize - report_.leftSize)),
                 this);
  lblTotals->setObjectName(QStringLiteral("lblTotals"));
  layout->addWidget(lblCounts);
  layout->addWidget(lblTotals);

  tabReport = new QTabWidget(this);
  tabReport->setObjectName(QStringLiteral("tabReport"));
  auto* changes = new QWidget(tabReport);
  auto* changesLayout = new QVBoxLayout(changes);
  auto* filterRow = new QHBoxLayout;
  cboFilter = new QComboBox(changes);
  cboFilter->setObjectName(QStringLiteral("cboFilter"));
  cboFilter->addItems({QStringLiteral("追加"), QStringLiteral("削除"), QStringLiteral("変更"),
                       QStringLiteral("すべて")});
  cboFilter->setCurrentIndex(3);
  cmdCopy = new QPushButton(QStringLiteral("コピー"), changes);
  cmdCopy->setObjectName(QStringLiteral("cmdCopy"));
  cmdCopy->setToolTip(QStringLiteral("表示中の行をクリップボードへコピー"));
  filterRow->addWidget(new QLabel(QStringLiteral("表示："), changes));
  filterRow->addWidget(cboFilter);
  filterRow->addStretch(1);
  filterRow->addWidget(cmdCopy);
  lstChanges = new QTableView(changes);
  lstChanges->setObjectName(QStringLiteral("lstChanges"));
  model_ = new ChangeReportModel(report_, this);
  lstChanges->setModel(model_);
  lstChanges->setSelectionBehavior(QAbstractItemView::SelectRows);
  lstChanges->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lstChanges->setWordWrap(false);
  lstChanges->verticalHeader()->setVisible(false);
  lstChanges->verticalHeader()->setDefaultSectionSize(18);
  lstChanges->setColumnWidth(0, 50);
  lstChanges->setColumnWidth(1, 330);
  changesLayout->addLayout(filterRow);
  changesLayout->addWidget(lstChanges);
  tabReport->addTab(changes, QStringLiteral("変更一覧"));

  txtLostComments = nullptr;
  cmdCopyComments = nullptr;
  cmdSaveComments = nullptr;
  if (!report_.lostComments.empty()) {
    auto* lost = new QWidget(tabReport);
    auto* lostLayout = new QVBoxLayout(lost);
    lostLayout->addWidget(new QLabel(
        QStringLiteral("次の%1件のコメントは、項目が無くなったため引き継げませんでした。")
            .arg(report_.lostComments.size()),
        lost));
    txtLostComments = new QPlainTextEdit(LostCommentsText(), lost);
    txtLostComments->setObjectName(QStringLiteral("txtLostComments"));
    txtLostComments->setReadOnly(true);
    txtLostComments->setLineWrapMode(QPlainTextEdit::NoWrap);
    cmdCopyComments = new QPushButton(QStringLiteral("コピー"), lost);
    cmdCopyComments->setObjectName(QStringLiteral("cmdCopyComments"));
    cmdSaveComments = new QPushButton(QStringLiteral("ファイルに保存..."), lost);
    cmdSaveComments->setObjectName(QStringLiteral("cmdSaveComments"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdCopyComments);
    buttons->addWidget(cmdSaveComments);
    lostLayout->addWidget(txtLostComments);
    lostLayout->addLayout(buttons);
    tabReport->addTab(lost,
                      QStringLiteral("失われたコメント (%1)").arg(report_.lostComments.size()));
    connect(cmdCopyComments, &QPushButton::clicked, this, &TfrmChangeReport::cmdCopyCommentsClick);
    connect(cmdSaveComments, &QPushButton::clicked, this, &TfrmChangeReport::cmdSaveCommentsClick);
  }
  layout->addWidget(tabReport, 1);
  cmdClose = new QPushButton(QStringLiteral("閉じる"), this);
  cmdClose->setObjectName(QStringLiteral("cmdClose"));
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(cmdClose);
  layout->addLayout(bottom);

  connect(cboFilter, &QComboBox::currentIndexChanged, this,
          [this](int index) { model_->SetFilter(static_cast<ChangeReportModel::Filter>(index)); });
  connect(cmdCopy, &QPushButton::clicked, this, &TfrmChangeReport::cmdCopyClick);
  connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
}

void TfrmChangeReport::cmdCopyClick() {
  QGuiApplication::clipboard()->setText(model_->RowsAsText());
}

QString TfrmChangeReport::LostCommentsText() const {
  QString text;
  for (const LostComment& c : report_.lostComments) {
    QString comment = QString::fromStdString(c.comment);
    comment.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    // One comment per block: the path, then the text indented, so that a
    // comment of several lines stays readable and tells where it ends.
    text += QString::fromStdString(c.path) + '\n';
    for (const QString& line : comment.split('\n')) text += QStringLiteral("    ") + line + '\n';
  }
  return text;
}

void TfrmChangeReport::cmdCopyCommentsClick() {
  QGuiApplication::clipboard()->setText(LostCommentsText());
}

void TfrmChangeReport::cmdSaveCommentsClick() {
  const QString path =
      ask_.SaveFile(QStringLiteral("失われたコメントの保存"), QStringLiteral("コメント.txt"),
                    QStringLiteral("テキストファイル|*.txt"), QStringLiteral("txt"));
  if (path.isEmpty()) return;
  QFile file(path);
  const QByteArray bytes = LostCommentsText().toUtf8();
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() ||
      !file.flush()) {
    ask_.Message(QStringLiteral("%1 に保存できませんでした。%2").arg(path, file.errorString()),
                 PromptIcon::Warning, PromptButtons::Ok);
    return;
  }
  file.close();
}

}  // namespace plomix
