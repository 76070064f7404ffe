#pragma once
// The 似たようなファイルの一覧 page (`TabSheet9`): the group grid `GridView11`
// over the member grid `GridView12`, with the search bar (`txtLikeSearchStr`)
// and the status bar `StatusBar4`. Filling on first show, jumping to a
// member (GoToEntry) and the member export belong here.

#include "ui/Page.h"

class QStatusBar;
class QTableView;

namespace plomix {

class Session;

class LikePage : public Page {
  Q_OBJECT

 public:
  explicit LikePage(Session& session, QWidget* parent = nullptr);

  QTableView *GridView11, *GridView12;
  QStatusBar* StatusBar4;

 private:
  Session& session_;
};

}  // namespace plomix
