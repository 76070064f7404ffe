#include "ui/reading/PxDriveChange.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/Catalog.h"
#include "core/Prompter.h"
#include "core/Records.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "ui/ImageList.h"

namespace plomix {

namespace {

const QString kAllTab = QStringLiteral("すべて");

}  // namespace

TfrmDriveChange::TfrmDriveChange(Catalog& catalog, Settings& settings, Prompter& prompter,
                                 ImageList* images, QWidget* parent)
    : QDialog(parent),
      catalog_(catalog),
      settings_(settings),
      prompter_(prompter),
      images_(images),
      model_(catalog) {
  setObjectName(QStringLiteral("frmDriveChange"));
  setWindowTitle(QStringLiteral("読込みドライブ名変更"));
  auto* layout = new QVBoxLayout(this);
  ToolBar1 = new QToolBar(this);
  ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
  auto* group = new QButtonGroup(this);
  group->setExclusive(true);
  for (int i = 0; i < 26; ++i) {
    auto* button = new QToolButton(ToolBar1);
    const char letter = static_cast<char>('A' + i);
    button->setObjectName(QStringLiteral("ToolButton%1").arg(i + 1));
    button->setText(QString(QChar(letter)));
    button->setCheckable(true);
    group->addButton(button);
    ToolBar1->addWidget(button);
    ToolButtons[i] = button;
    connect(button, &QToolButton::clicked, this, [this, letter] { LetterClick(letter); });
  }
  layout->addWidget(ToolBar1);
  TabControl1 = new QTabBar(this);
  TabControl1->setObjectName(QStringLiteral("TabControl1"));
  TabControl1->setExpanding(false);
  layout->addWidget(TabControl1);
  ListView1 = new QTreeWidget(this);
  ListView1->setObjectName(QStringLiteral("ListView1"));
  ListView1->setRootIsDecorated(false);
  ListView1->setHeaderLabels({QStringLiteral("名前"), QStringLiteral("読込みドライブ"),
                              QStringLiteral("分類"), QStringLiteral("保管場所"),
                              QStringLiteral("保管詳細"), QStringLiteral("登録日時"),
                              QStringLiteral("メディア種類")});
  ListView1->header()->setSectionsClickable(true);
  ListView1->header()->resizeSection(0, 160);
  layout->addWidget(ListView1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  cmdUpdate = new QPushButton(QStringLiteral("更新"), this);
  cmdUpdate->setObjectName(QStringLiteral("cmdUpdate"));
  cmdCancel = new QPushButton(QStringLiteral("キャンセル"), this);
  cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
  buttons->addWidget(cmdUpdate);
  buttons->addWidget(cmdCancel);
  layout->addLayout(buttons);
  resize(760, 420);
  connect(TabControl1, &QTabBar::currentChanged, this, &TfrmDriveChange::TabControl1Change);
  connect(ListView1, &QTreeWidget::currentItemChanged, this, &TfrmDriveChange::ListView1Change);
  connect(ListView1, &QTreeWidget::itemClicked, this, &TfrmDriveChange::ListView1Change);
  connect(ListView1->header(), &QHeaderView::sectionClicked, this,
          &TfrmDriveChange::ListView1ColumnClick);
  connect(cmdUpdate, &QPushButton::clicked, this, &TfrmDriveChange::cmdUpdateClick);
  connect(cmdCancel, &QPushButton::clicked, this, &TfrmDriveChange::cmdCancelClick);
}

QToolButton* TfrmDriveChange::LetterButton(char letter) const {
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  return letter >= 'A' && letter <= 'Z' ? ToolButtons[letter - 'A'] : nullptr;
}

void TfrmDriveChange::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TfrmDriveChange::FormShow() {
  model_.Reset();
  closing_ = false;
  {
    const QSignalBlocker quiet(TabControl1);
    const QString selected =
        TabControl1->count() > 0 ? TabControl1->tabText(TabControl1->currentIndex()) : QString();
    while (TabControl1->count() > 0) TabControl1->removeTab(0);
    TabControl1->addTab(kAllTab);
    for (const std::string& name : model_.Categories())
      TabControl1->addTab(text::Cp932ToQString(name));
    int index = 0;
    for (int i = 0; i < TabControl1->count(); ++i)
      if (TabControl1->tabText(i) == selected) index = i;
    TabControl1->setCurrentIndex(index);
  }
  FillList();
}

void TfrmDriveChange::TabControl1Change() {
  FillList();
}

void TfrmDriveChange::FillList() {
  const int tab = TabControl1->currentIndex();
  const std::string category =
      tab <= 0 ? std::string() : text::QStringToCp932(TabControl1->tabText(tab));
  rows_ =
      model_.Rows(category, text::QStringToCp932(settings_.GetString(REG_FormatUpdateDateTime)));
  if (sortColumn_ >= 0) DriveChange::Sort(rows_, sortColumn_, sortAscending_);
  ShowRows(-1);
  ListView1Change();
}

void TfrmDriveChange::ShowRows(int currentSlot) {
  const QSignalBlocker quiet(ListView1);
  ListView1->clear();
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    QStringList texts;
    for (const std::string& text : rows_[i].texts) texts << text::Cp932ToQString(text);
    auto* item = new QTreeWidgetItem(ListView1, texts);
    item->setData(0, Qt::UserRole, static_cast<int>(i));
    if (images_) item->setIcon(0, images_->Icon(ImageOfKind(false, rows_[i].kind)));
    if (rows_[i].slot == currentSlot || (currentSlot < 0 && i == 0))
      ListView1->setCurrentItem(item);
  }
}

DriveChangeRow* TfrmDriveChange::RowOf(QTreeWidgetItem* item) {
  if (!item) return nullptr;
  const int index = item->data(0, Qt::UserRole).toInt();
  return index >= 0 && index < static_cast<int>(rows_.size()) ? &rows_[index] : nullptr;
}

void TfrmDriveChange::ListView1Change() {
  const DriveChangeRow* row = RowOf(ListView1->currentItem());
  if (!row) return;
  LetterButton(DriveChange::ButtonOf(catalog_.Slot(row->slot).Drive()))->setChecked(true);
}

void TfrmDriveChange::LetterClick(char letter) {
  QTreeWidgetItem* item = ListView1->currentItem();
  DriveChangeRow* row = RowOf(item);
  if (!row || !model_.SetDrive(*row, letter)) return;
  item->setText(1, text::Cp932ToQString(row->texts[1]));
}

void TfrmDriveChange::cmdUpdateClick() {
  if (!model_.Commit()) {
    prompter_.Message(QStringLiteral("カタログファイルに書き込めませんでした。"), PromptIcon::Error,
                      PromptButtons::Ok);
    return;
  }
  closing_ = true;
  accept();
}

bool TfrmDriveChange::FormCloseQuery() {
  if (model_.Dirty() &&
      prompter_.Message(QStringLiteral("変更内容を取り消しますか？"), PromptIcon::Warning,
                        PromptButtons::YesNo) != PromptResult::Yes)
    return false;
  model_.Discard();
  return true;
}

void TfrmDriveChange::cmdCancelClick() {
  if (!FormCloseQuery()) return;
  closing_ = true;
  QDialog::reject();
}

void TfrmDriveChange::reject() {
  // Escape and the window frame come here.
  if (closing_) {
    QDialog::reject();
    return;
  }
  cmdCancelClick();
}

void TfrmDriveChange::closeEvent(QCloseEvent* event) {
  if (closing_ || !isVisible()) {
    event->accept();
    return;
  }
  if (!model_.Dirty()) {
    closing_ = true;
    event->accept();
    QDialog::closeEvent(event);
    return;
  }
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  closing_ = true;
  event->accept();
  QDialog::closeEvent(event);
}

void TfrmDriveChange::ListView1ColumnClick(int column) {
  sortAscending_ = column == sortColumn_ ? !sortAscending_ : true;
  sortColumn_ = column;
  ListView1->header()->setSortIndicatorShown(true);
  ListView1->header()->setSortIndicator(column,
                                        sortAscending_ ? Qt::AscendingOrder : Qt::DescendingOrder);
  // The rows keep their changed drives: sort what is shown, not a fresh list.
  const int current = ListView1->currentItem() ? RowOf(ListView1->currentItem())->slot : -1;
  DriveChange::Sort(rows_, sortColumn_, sortAscending_);
  ShowRows(current);
}

}  // namespace plomix
