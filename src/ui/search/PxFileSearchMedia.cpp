// The search dialog's media list: the category tabs above it, its rows with
// their check boxes, and sorting it by a column.
#include <QHeaderView>
#include <QLabel>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTreeWidget>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "ui/ImageList.h"
#include "ui/PageSupport.h"
#include "ui/search/PxFileSearch.h"
#include "ui/widgets/WaitCursor.h"

namespace plomix {

namespace {

const QString kAllTab = QStringLiteral("すべて");
enum MediaColumn { kColName, kColCategory, kColLocation, kColDetail, kColDate, kColKind };
constexpr int kMediaSlotRole = Qt::UserRole;

}  // namespace

void TfrmFileSearch::RebuildTabs() {
  const QString before =
      TabControl1->count() > 0 ? TabControl1->tabText(TabControl1->currentIndex()) : QString();
  while (TabControl1->count() > 0) TabControl1->removeTab(0);
  TabControl1->addTab(kAllTab);
  for (const std::string& name : catalog_.CategoryNames().Names())
    TabControl1->addTab(text::Cp932ToQString(name));
  int selected = 0;
  for (int i = 0; i < TabControl1->count(); ++i)
    if (TabControl1->tabText(i) == before) selected = i;
  TabControl1->setCurrentIndex(selected);
  const QString filter = text::Cp932ToQString(catalog_.CategoryFilter());
  selected = 0;
  for (int i = 1; i < TabControl1->count() && !filter.isEmpty(); ++i)
    if (TabControl1->tabText(i) == filter) selected = i;
  TabControl1->setCurrentIndex(selected);
}

QString TfrmFileSearch::TabFilterText() const {
  const QString tab = TabControl1->tabText(TabControl1->currentIndex());
  return tab == kAllTab ? QString() : tab;
}

void TfrmFileSearch::FillMediaList() {
  const QSignalBlocker block(ListView1);
  ListView1->clear();
  const std::string dateFormat =
      text::QStringToCp932(settings_.GetString(REG_FormatUpdateDateTime));
  DivLists lists;
  lists.BuildDivList(catalog_, 0, DivMode::Category, text::QStringToCp932(TabFilterText()));
  const std::vector<TRecordDiv>& rows = lists.List(0);
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(rows.size()));
  for (const TRecordDiv& row : rows) {
    auto* item = new QTreeWidgetItem;
    item->setText(kColName, text::Cp932ToQString(row.Name));
    item->setText(kColCategory, text::Cp932ToQString(row.Category));
    item->setText(kColLocation, text::Cp932ToQString(row.Location));
    item->setText(kColDetail, text::Cp932ToQString(row.LocationDetail));
    item->setText(kColDate, text::Cp932ToQString(FormatDateTime(dateFormat, row.FileDate)));
    item->setText(kColKind, text::Cp932ToQString(MediaKindName(row.Kind)));
    item->setText(6, CountText(row.AllFiles));
    item->setText(7, CountText(row.AllFolders));
    item->setTextAlignment(6, Qt::AlignRight | Qt::AlignVCenter);
    item->setTextAlignment(7, Qt::AlignRight | Qt::AlignVCenter);
    item->setIcon(kColName, images_.Icon(row.Kind));
    item->setData(kColName, kMediaSlotRole, row.MediaNo);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(kColName, Qt::Checked);
    items.push_back(item);
  }
  ListView1->addTopLevelItems(items);
  for (int c = 0; c < ListView1->columnCount(); ++c) ListView1->resizeColumnToContents(c);
  for (int c = 0; c < ListView1->columnCount(); ++c) ListView1->headerItem()->setIcon(c, QIcon());
  mediaSortColumn_ = -1;
  mediaSortAscending_ = true;
  UpdateMediaCount();
}

void TfrmFileSearch::UpdateMediaCount() {
  int checked = 0;
  const int total = ListView1->topLevelItemCount();
  for (int i = 0; i < total; ++i)
    if (ListView1->topLevelItem(i)->checkState(kColName) == Qt::Checked) ++checked;
  pnlMediaCount->setText(QStringLiteral("%1/%2").arg(checked).arg(total));
}

std::vector<int> TfrmFileSearch::CheckedMedia() const {
  std::vector<int> media;
  for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = ListView1->topLevelItem(i);
    if (item->checkState(kColName) == Qt::Checked)
      media.push_back(item->data(kColName, kMediaSlotRole).toInt());
  }
  return media;
}

void TfrmFileSearch::TabControl1Change(int) {
  WaitCursor wait;
  FillMediaList();
  ResetRanges();
}

void TfrmFileSearch::cmdCheckONClick() {
  const QSignalBlocker block(ListView1);
  for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
    ListView1->topLevelItem(i)->setCheckState(kColName, Qt::Checked);
  UpdateMediaCount();
}

void TfrmFileSearch::cmdCheckOFFClick() {
  const QSignalBlocker block(ListView1);
  for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
    ListView1->topLevelItem(i)->setCheckState(kColName, Qt::Unchecked);
  UpdateMediaCount();
}

void TfrmFileSearch::ListView1ColumnClick(int column) {
  // The first click after a fill sorts descending; every later one reverses.
  mediaSortAscending_ = mediaSortColumn_ < 0 ? false : !mediaSortAscending_;
  mediaSortColumn_ = column;
  const QSignalBlocker block(ListView1);
  std::vector<std::pair<std::string, QTreeWidgetItem*>> keyed;
  while (ListView1->topLevelItemCount() > 0) {
    QTreeWidgetItem* item = ListView1->takeTopLevelItem(0);
    const std::string name = text::QStringToCp932(item->text(kColName));
    keyed.emplace_back(
        column == kColName ? name : text::QStringToCp932(item->text(column)) + "_" + name, item);
  }
  const bool ascending = mediaSortAscending_;
  std::stable_sort(keyed.begin(), keyed.end(), [ascending](const auto& a, const auto& b) {
    const int c = text::CompareAnsi(a.first, b.first);
    return ascending ? c < 0 : c > 0;
  });
  for (const auto& [key, item] : keyed) ListView1->addTopLevelItem(item);
  for (int c = 0; c < ListView1->columnCount(); ++c)
    ListView1->headerItem()->setIcon(
        c, c == column ? images_.Icon(ascending ? kImageSortUp : kImageSortDown) : QIcon());
}

}  // namespace plomix
