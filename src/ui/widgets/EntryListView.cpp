#include "ui/widgets/EntryListView.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QGuiApplication>
#include <QHeaderView>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/PageSupport.h"
#include "ui/widgets/TypeAheadViews.h"
#include "ui/widgets/WholeNameDelegate.h"

namespace plomix {

namespace {

constexpr ViewStyle kStyles[] = {ViewStyle::LargeIcons, ViewStyle::SmallIcons, ViewStyle::List,
                                 ViewStyle::Details};

}  // namespace

EntryListView::EntryListView(QAbstractItemModel& model, const QString& tableName,
                             const QString& accessibleName, QWidget* parent)
    : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  table_ = new TypeAheadTableView(this);
  table_->setObjectName(tableName);
  table_->setModel(&model);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->setVisible(false);
  table_->verticalHeader()->setDefaultSectionSize(17);
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->horizontalHeader()->setSectionsClickable(true);
  table_->horizontalHeader()->setHighlightSections(false);
  table_->setWordWrap(false);
  icons_ = new TypeAheadListView(this);
  icons_->setObjectName(tableName + QStringLiteral("Icons"));
  icons_->setModel(&model);
  icons_->setSelectionModel(table_->selectionModel());
  // Whole rows here too, so a row chosen among the icons is a selected row
  // of the table.
  icons_->setSelectionBehavior(QAbstractItemView::SelectRows);
  icons_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  icons_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  iconNames_ = new WholeNameDelegate(*icons_);
  icons_->setItemDelegate(iconNames_);
  icons_->setVisible(false);
  for (QAbstractItemView* view :
       {static_cast<QAbstractItemView*>(table_), static_cast<QAbstractItemView*>(icons_)}) {
    view->setAccessibleName(accessibleName);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QAbstractItemView::doubleClicked, this, &EntryListView::DoubleClicked);
    // Scroll areas give the position in their viewport's coordinates.
    connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& at) {
      Q_EMIT MenuRequested(view->viewport()->mapToGlobal(at));
    });
    layout->addWidget(view, 1);
  }
  connect(table_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
    Q_EMIT ColumnClicked(column, QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier));
  });
}

QAbstractItemView* EntryListView::ShownView() const {
  if (style_ == ViewStyle::Details) return table_;
  return icons_;
}

void EntryListView::SetStyleControls(const std::array<QAbstractButton*, 4>& buttons,
                                     const std::array<QAction*, 4>& actions) {
  styleButtons_ = buttons;
  styleActions_ = actions;
  auto* group = new QActionGroup(this);
  for (std::size_t i = 0; i < 4; ++i) {
    const ViewStyle style = kStyles[i];
    buttons[i]->setCheckable(true);
    buttons[i]->setAutoExclusive(true);
    // Toggled, not clicked: the accessibility bus toggles a checkable button
    // without a click.
    connect(buttons[i], &QAbstractButton::toggled, this, [this, style](bool on) {
      if (on && style_ != style) SetStyle(style);
    });
    actions[i]->setCheckable(true);
    group->addAction(actions[i]);
    connect(actions[i], &QAction::triggered, this, [this, style] { SetStyle(style); });
  }
  const auto index = static_cast<std::size_t>(style_);
  buttons[index]->setChecked(true);
  actions[index]->setChecked(true);
}

void EntryListView::SetStyle(ViewStyle style) {
  const bool details = style == ViewStyle::Details;
  style_ = style;
  if (!details) {
    iconNames_->SetStyle(style == ViewStyle::LargeIcons   ? WholeNameDelegate::Style::LargeIcons
                         : style == ViewStyle::SmallIcons ? WholeNameDelegate::Style::SmallIcons
                                                          : WholeNameDelegate::Style::List);
    FitIconCells();
  }
  table_->setVisible(details);
  icons_->setVisible(!details);
  const auto index = static_cast<std::size_t>(style);
  if (styleButtons_[index] != nullptr) styleButtons_[index]->setChecked(true);
  if (styleActions_[index] != nullptr) styleActions_[index]->setChecked(true);
}

void EntryListView::FitIconCells() {
  if (fitsNames_ && (style_ == ViewStyle::SmallIcons || style_ == ViewStyle::List))
    iconNames_->FitToNames(iconNames_->WidestName());
}

std::vector<int> EntryListView::SelectedRows() const {
  const int n = table_->model()->rowCount();
  std::vector<bool> selected(static_cast<std::size_t>(n));
  for (const QItemSelectionRange& range : table_->selectionModel()->selection())
    for (int row = std::max(range.top(), 0); row <= std::min(range.bottom(), n - 1); ++row)
      selected[static_cast<std::size_t>(row)] = true;
  std::vector<int> rows;
  for (int row = 0; row < n; ++row)
    if (selected[static_cast<std::size_t>(row)]) rows.push_back(row);
  return rows;
}

void EntryListView::AddCopyKey(const std::function<void()>& copy) {
  AddListCopyKey({table_, icons_}, this, copy);
}

}  // namespace plomix
