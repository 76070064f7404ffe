#pragma once
// The 似たようなファイルの一覧 page (`TabSheet9`): the group grid `GridView11`
// over the member grid `GridView12`, with the search bar (`txtLikeSearchStr`)
// and the status bar `StatusBar4`. Filling on first show, jumping to a
// member (GoToEntry) and the member export belong here.

#include "ui/ResultListPage.h"

namespace plomix {

class LikePage : public ResultListPage {
  Q_OBJECT

 public:
  explicit LikePage(Session& session, QWidget* parent = nullptr);

  QTableView* const GridView11 = groupGrid_;
  QTableView* const GridView12 = memberGrid_;
  QStatusBar* const StatusBar4 = status_;
};

}  // namespace plomix
