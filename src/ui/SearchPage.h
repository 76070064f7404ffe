#pragma once
// The 検索 page (`TabSheet2`): the search toolbar `ToolBar2`, the result list
// `ListView2` and its status bar `StatusBar2`. The search dialog, the result
// model over the engine's hits and the list's context menu `PopupMenuSearch`
// belong here; a hit asked to be shown in the media page goes out as
// GoToEntry.

#include "ui/Page.h"

class QLabel;
class QToolBar;
class QTreeView;

namespace plomix {

class Session;

class SearchPage : public Page {
  Q_OBJECT

 public:
  explicit SearchPage(Session& session, QWidget* parent = nullptr);

  QToolBar* ToolBar2;
  QTreeView* ListView2;
  QLabel* StatusBar2;

 private:
  Session& session_;
};

}  // namespace plomix
