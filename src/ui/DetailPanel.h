#pragma once
// The detail panel under the file list of the 標準 page (`Panel24`): the
// duplicate members of the selected row (tab `TabSheet10`, grid `GridView3`)
// and its similar-name groups (tab `TabSheet11`: tab strip `TabControl1`,
// grid `GridView4`, label `Panel38`, buttons `cmdShowLikePath` and
// `cmdLikeClipbord`). Filling the grids for the selected list row belongs
// here; "show in the list" from a grid goes out as GoToEntry.

#include <QWidget>
#include <cstdint>

class QLabel;
class QPushButton;
class QTabBar;
class QTabWidget;
class QTableView;

namespace plomix {

class ImageList;
class Session;

class DetailPanel : public QWidget {
  Q_OBJECT

 public:
  DetailPanel(Session& session, QWidget* parent = nullptr);

  QTabWidget* PageControl3;
  QWidget *TabSheet10, *TabSheet11;
  QTableView *GridView3, *GridView4;
  QTabBar* TabControl1;
  QLabel* Panel38;
  QPushButton *cmdShowLikePath, *cmdLikeClipbord;

 Q_SIGNALS:
  // A member row asks to be shown in the media page's list.
  void GoToEntry(int32_t key);

 private:
  Session& session_;
};

}  // namespace plomix
