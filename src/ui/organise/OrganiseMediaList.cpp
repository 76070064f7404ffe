#include "ui/organise/OrganiseMediaList.h"

#include <QHeaderView>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTreeWidget>
#include <algorithm>

#include "core/Catalog.h"
#include "core/Prompter.h"
#include "core/Text.h"
#include "ui/ErrorMessage.h"
#include "ui/ImageList.h"
#include "ui/PageSupport.h"
#include "ui/Session.h"

namespace plomix {

namespace {
constexpr int kSlotRole = Qt::UserRole + 1;
}

QString MediaTypeText(int kind) {
  return text::Cp932ToQString(MediaKindName(kind));
}

int RowSlot(const QTreeWidgetItem* item) {
  return item == nullptr ? -1 : item->data(0, kSlotRole).toInt();
}

QTreeWidgetItem* AddMediaRow(QTreeWidget* list, const ImageList& images, const TRecordDiv& div,
                             const QStringList& texts, bool checkable) {
  auto* item = new QTreeWidgetItem(texts);
  item->setData(0, kSlotRole, div.MediaNo);
  item->setIcon(0, images.Icon(div.Kind));
  if (checkable) {
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Unchecked);
  }
  list->addTopLevelItem(item);
  return item;
}

QPushButton* NamedButton(QWidget* parent, const char* name, const QString& text) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

bool DiscardSlotEdits(Session& session, bool pending) {
  if (pending &&
      session.Ask().Message(QStringLiteral("変更内容を取り消しますか？"), PromptIcon::Question,
                            PromptButtons::YesNo) != PromptResult::Yes)
    return false;
  Catalog& catalog = session.GetCatalog();
  if (!catalog.OpenCatalog()) ShowError(session.Ask(), ErrorMessage(catalog.LastFailure()));
  return true;
}

void SetTabs(QTabBar* tabs, const QStringList& names) {
  const QSignalBlocker quiet(tabs);
  const QString selected = tabs->tabText(tabs->currentIndex());
  while (tabs->count() > 0) tabs->removeTab(0);
  for (const QString& name : names) tabs->addTab(name);
  const int index = names.indexOf(selected);
  tabs->setCurrentIndex(index >= 0 ? index : (names.isEmpty() ? -1 : 0));
}

void MediaListSorter::Reset(QTreeWidget* list) {
  column_ = -1;
  ascending_ = true;
  for (int c = 0; c < list->columnCount(); ++c) list->headerItem()->setIcon(c, QIcon());
}

void MediaListSorter::Click(QTreeWidget* list, const ImageList& images, int column) {
  // The first click after a fill sorts descending; every later click flips.
  ascending_ = column_ < 0 ? false : !ascending_;
  column_ = column;
  std::vector<QTreeWidgetItem*> items;
  while (list->topLevelItemCount() > 0) items.push_back(list->takeTopLevelItem(0));
  std::vector<std::pair<std::string, QTreeWidgetItem*>> keyed;
  keyed.reserve(items.size());
  for (QTreeWidgetItem* item : items) {
    const QString key = column == 0 ? item->text(0) : item->text(column) + "_" + item->text(0);
    keyed.emplace_back(text::QStringToCp932(key), item);
  }
  std::stable_sort(keyed.begin(), keyed.end(), [this](const auto& a, const auto& b) {
    const int order = text::CompareAnsi(a.first, b.first);
    return ascending_ ? order < 0 : order > 0;
  });
  for (auto& [key, item] : keyed) list->addTopLevelItem(item);
  for (int c = 0; c < list->columnCount(); ++c)
    list->headerItem()->setIcon(c, c == column ? images.Icon(ascending_ ? 14 : 15) : QIcon());
}

}  // namespace plomix
