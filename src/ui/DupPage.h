#pragma once
// The 重複ファイルの一覧 page (`TabSheet8`): the group grid `GridView1` over
// the member grid `GridView2`, with the search bar (`txtDupSearchStr`) and
// the status bar `StatusBar3`. Filling on first show, jumping to a member
// (GoToEntry) and the member export belong here.

#include "ui/ResultListPage.h"

namespace plomix {

class DupPage : public ResultListPage {
  Q_OBJECT

 public:
  explicit DupPage(Session& session, QWidget* parent = nullptr);

  QTableView* const GridView1 = groupGrid_;
  QTableView* const GridView2 = memberGrid_;
  QStatusBar* const StatusBar3 = status_;
};

}  // namespace plomix
