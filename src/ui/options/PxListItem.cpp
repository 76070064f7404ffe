#include "ui/options/PxListItem.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace plomix {

TfrmListItem::TfrmListItem(const ColumnLayout& layout, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmListItem"));
  setWindowTitle(QStringLiteral("項目の表示位置変更"));

  lblMessage = new QLabel(QStringLiteral("表示する詳細を選択してください。"), this);
  lblMessage->setObjectName(QStringLiteral("lblMessage"));
  auto* listLabel = new QLabel(QStringLiteral("詳細："), this);
  lstItem = new QListWidget(this);
  lstItem->setObjectName(QStringLiteral("lstItem"));
  listLabel->setBuddy(lstItem);
  for (const QString& caption : layout.OrderCaptions()) lstItem->addItem(caption);
  lstItem->setCurrentRow(0);

  cmdUp = new QPushButton(QStringLiteral("上へ"), this);
  cmdUp->setObjectName(QStringLiteral("cmdUp"));
  cmdDown = new QPushButton(QStringLiteral("下へ"), this);
  cmdDown->setObjectName(QStringLiteral("cmdDown"));
  cmdOK = new QPushButton(QStringLiteral("OK"), this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setDefault(true);
  cmdCancel = new QPushButton(QStringLiteral("キャンセル"), this);
  cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
  for (QPushButton* button : {cmdUp, cmdDown, cmdCancel}) button->setAutoDefault(false);

  auto* side = new QVBoxLayout;
  side->addWidget(cmdUp);
  side->addWidget(cmdDown);
  side->addStretch(1);
  side->addWidget(cmdOK);
  side->addWidget(cmdCancel);
  auto* body = new QHBoxLayout;
  body->addWidget(lstItem, 1);
  body->addLayout(side);
  auto* main = new QVBoxLayout(this);
  main->addWidget(lblMessage);
  main->addWidget(listLabel);
  main->addLayout(body);

  connect(cmdUp, &QPushButton::clicked, this, &TfrmListItem::cmdUpClick);
  connect(cmdDown, &QPushButton::clicked, this, &TfrmListItem::cmdDownClick);
  connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
  resize(300, 300);
}

void TfrmListItem::cmdUpClick() {
  MoveSelected(-1);
}
void TfrmListItem::cmdDownClick() {
  MoveSelected(1);
}

void TfrmListItem::MoveSelected(int step) {
  const int row = lstItem->currentRow();
  const int target = row + step;
  if (row < 0 || target < 0 || target >= lstItem->count()) return;
  QListWidgetItem* item = lstItem->takeItem(row);
  lstItem->insertItem(target, item);
  lstItem->setCurrentRow(target);
}

TfrmListItem::Captions TfrmListItem::ResultCaptions() const {
  Captions captions;
  for (int i = 0; i < static_cast<int>(captions.size()) && i < lstItem->count(); ++i)
    captions[static_cast<size_t>(i)] = lstItem->item(i)->text();
  return captions;
}

bool TfrmListItem::Run(const ColumnLayout& layout,
                       const std::function<bool(const Captions&)>& apply, QWidget* parent) {
  TfrmListItem dialog(layout, parent);
  return dialog.exec() == QDialog::Accepted && apply(dialog.ResultCaptions());
}

bool TfrmListItem::Run(ColumnLayout& layout, QWidget* parent) {
  return Run(
      layout, [&layout](const Captions& captions) { return layout.ApplyOrder(captions); }, parent);
}

}  // namespace plomix
