#pragma once
// What every tab sheet of the window is: a widget that owns its controls
// (under their object names) and its handlers, and talks to the window shell
// only through these signals. The shell shows status texts and routes "go to
// entry" to the media page. A page gets the Session by reference and keeps no engine object of
// its own.

#include <QWidget>
#include <cstdint>

namespace plomix {

class Page : public QWidget {
  Q_OBJECT

 public:
  using QWidget::QWidget;

 Q_SIGNALS:
  // Text for panel `panel` (0 or 1) of the window's status bar `StatusBar1`.
  void StatusText(int panel, const QString& text);
  // Show the catalogue entry `key` (a record key of the catalogue) in the
  // media page: its folder in the tree, its row selected in the list.
  void GoToEntry(int32_t key);
};

}  // namespace plomix
