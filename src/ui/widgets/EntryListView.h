#pragma once
// The list of entries the file list and the search page show: a details
// table and an icon view over one model and one selection, one of them shown
// at a time in the four view styles. It keeps the style's toolbar buttons and
// menu items checked, fits the icon cells to the names where the page asks
// for that, and reports header clicks, double-clicks and context-menu
// requests of either view. What the rows mean stays with the page.

#include <QPoint>
#include <QWidget>
#include <array>
#include <functional>
#include <vector>

class QAbstractButton;
class QAbstractItemModel;
class QAbstractItemView;
class QAction;

namespace plomix {

class TypeAheadListView;
class TypeAheadTableView;
class WholeNameDelegate;

enum class ViewStyle { LargeIcons, SmallIcons, List, Details };

class EntryListView : public QWidget {
  Q_OBJECT

 public:
  // The table is named `tableName`, the icon view `tableName` + "Icons";
  // both carry `accessibleName`. Starts in the details style.
  EntryListView(QAbstractItemModel& model, const QString& tableName, const QString& accessibleName,
                QWidget* parent = nullptr);

  TypeAheadTableView* Table() const { return table_; }
  TypeAheadListView* Icons() const { return icons_; }
  WholeNameDelegate& IconNames() const { return *iconNames_; }
  // The view of the current style.
  QAbstractItemView* ShownView() const;

  // The controls choosing the style, in the order large icons, small icons,
  // list, details: choosing one sets the style, and a style set from code
  // checks them.
  void SetStyleControls(const std::array<QAbstractButton*, 4>& buttons,
                        const std::array<QAction*, 4>& actions);
  void SetStyle(ViewStyle style);
  ViewStyle Style() const { return style_; }
  // With `fit`, small icons and list cells grow as wide as the longest name
  // (measured after every fill); without, they keep the delegate's standard
  // width, for lists too long to measure.
  void SetFitsNames(bool fit) { fitsNames_ = fit; }
  void FitIconCells();

  // The selected rows in ascending order. Rows are selected whole, and the
  // ranges are read directly: a list of every selected index is slow for a
  // selection of 200,000 rows.
  std::vector<int> SelectedRows() const;
  // Binds Ctrl+C in either view to `copy`.
  void AddCopyKey(const std::function<void()>& copy);

 Q_SIGNALS:
  // A click on the table's header at `column`, with Shift held or not.
  void ColumnClicked(int column, bool shift);
  void DoubleClicked();
  // A context menu was asked for at `global` (screen coordinates).
  void MenuRequested(const QPoint& global);

 private:
  TypeAheadTableView* table_ = nullptr;
  TypeAheadListView* icons_ = nullptr;
  WholeNameDelegate* iconNames_ = nullptr;
  std::array<QAbstractButton*, 4> styleButtons_{};
  std::array<QAction*, 4> styleActions_{};
  ViewStyle style_ = ViewStyle::Details;
  bool fitsNames_ = false;
};

}  // namespace plomix
