#pragma once
// Draws the names of a list in its icon and list styles so that a person can
// read them: under a large icon a name wraps onto up to three lines; beside a
// small icon it gets a cell as wide as the longest name of the list (within
// reason). Only a name too long even for that is cut, in the middle, so its
// start and its extension stay visible, and its tooltip then shows it whole.
// Every cell has the same size, so the view lays out 100,000 rows without
// asking each of them.

#include <QFont>
#include <QStyledItemDelegate>

class QListView;

namespace plomix {

class WholeNameDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  enum class Style { LargeIcons, SmallIcons, List };
  static constexpr int kLargeLines = 3;

  explicit WholeNameDelegate(QListView& view);

  // Sets the view's mode, flow, icon size and grid for the style, from the
  // view's font.
  void SetStyle(Style style);
  Style CurrentStyle() const { return style_; }
  // The widest name of the list in pixels (0: unknown): small icons and list
  // cells grow to it, up to a limit of about twenty full-width characters.
  void FitToNames(int widestName);
  // Pixel width of the longest name among the model's rows, column 0.
  int WidestName() const;

  QSize CellSize() const;
  // The text a cell shows for a name: the name itself when it fits, lines
  // joined by "\n" for large icons, else cut in the middle with "…".
  QString ShownText(const QString& name) const;
  // The tooltip of a cell: the whole name when the cell cuts it, followed by
  // what the model says of the row; only the model's text otherwise.
  QString ToolTip(const QModelIndex& index) const;

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override;

 private:
  int TextWidth() const;
  int TextMargin() const;

  QListView& view_;
  Style style_ = Style::LargeIcons;
  int widestName_ = 0;
};

}  // namespace plomix
