#include "ui/compare/PxCompareWith.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <vector>

#include "core/Catalog.h"
#include "ui/widgets/WaitCursor.h"

namespace plomix {

namespace {

constexpr int kSlotRole = Qt::UserRole + 1;
constexpr int kRecordRole = Qt::UserRole + 2;

}  // namespace

TfrmCompareWith::TfrmCompareWith(Catalog& catalog, const QString& source, QWidget* parent)
    : QDialog(parent), catalog_(catalog) {
  setObjectName(QStringLiteral("TfrmCompareWith"));
  setWindowTitle(QStringLiteral("比較"));
  resize(420, 520);
  auto* layout = new QVBoxLayout(this);
  lblSource = new QLabel(
      QStringLiteral("比較元: %1\n比較先のメディアかフォルダを選んでください。").arg(source), this);
  lblSource->setObjectName(QStringLiteral("lblSource"));
  tvTarget = new QTreeWidget(this);
  tvTarget->setObjectName(QStringLiteral("tvTarget"));
  tvTarget->setHeaderHidden(true);
  for (int s = 0; s < catalog_.SlotsUsed(); ++s) {
    if (!catalog_.Slot(s).IsLive()) continue;
    auto* item = new QTreeWidgetItem(tvTarget);
    item->setText(0, catalog_.ShownQName(s, 0, catalog_.Slot(s).Name()));
    item->setData(0, kSlotRole, s);
    item->setData(0, kRecordRole, 0);
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  }
  cmdOK = new QPushButton(QStringLiteral("比較"), this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setDefault(true);
  cmdOK->setEnabled(false);
  cmdCancel = new QPushButton(QStringLiteral("キャンセル"), this);
  cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cmdOK);
  buttons->addWidget(cmdCancel);
  layout->addWidget(lblSource);
  layout->addWidget(tvTarget, 1);
  layout->addLayout(buttons);
  connect(tvTarget, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
    if (item->parent() == nullptr) LoadFolders(item);
  });
  connect(tvTarget, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current) { cmdOK->setEnabled(current != nullptr); });
  connect(tvTarget, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    if (item->childCount() == 0) accept();
  });
  connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmCompareWith::LoadFolders(QTreeWidgetItem* mediaItem) {
  const int slot = mediaItem->data(0, kSlotRole).toInt();
  if (!loaded_.insert(slot).second) return;
  WaitCursor wait;
  // Folders only, each under its parent: a parent always comes before its
  // entries, so one pass in record order places every folder.
  std::vector<QTreeWidgetItem*> items;
  catalog_.VisitMediaRecords(slot, [&](int32_t r, const TFileRec& rec) {
    if (static_cast<std::size_t>(r) >= items.size()) items.resize(static_cast<std::size_t>(r) + 1);
    if (r == 0) {
      items[0] = mediaItem;
      return;
    }
    const int32_t parent = rec.Parent();
    if (!IsFolderKind(rec.Kind()) || parent < 0 || parent >= r ||
        items[static_cast<std::size_t>(parent)] == nullptr)
      return;
    auto* item = new QTreeWidgetItem(items[static_cast<std::size_t>(parent)]);
    std::string name = rec.Name();
    if (name.size() >= 90) name = catalog_.LongNameOfRecord(slot, r, name);
    item->setText(0, catalog_.ShownQName(slot, r, name));
    item->setData(0, kSlotRole, slot);
    item->setData(0, kRecordRole, r);
    items[static_cast<std::size_t>(r)] = item;
  });
  if (mediaItem->childCount() == 0)
    mediaItem->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
}

std::optional<CompareTarget> TfrmCompareWith::Target() const {
  const QTreeWidgetItem* item = tvTarget->currentItem();
  if (item == nullptr) return std::nullopt;
  return CompareTarget{item->data(0, kSlotRole).toInt(), item->data(0, kRecordRole).toInt()};
}

}  // namespace plomix
