#pragma once
// The 重複ファイルの一覧 page (`TabSheet8`): the group grid `GridView1` over
// the member grid `GridView2`, with the search bar (`txtDupSearchStr`) and
// the status bar `StatusBar3`. Filling on first show, jumping to a member
// (GoToEntry) and the member export belong here.

#include "ui/Page.h"

class QStatusBar;
class QTableView;

namespace plomix {

class Session;

class DupPage : public Page {
  Q_OBJECT

 public:
  explicit DupPage(Session& session, QWidget* parent = nullptr);

  QTableView *GridView1, *GridView2;
  QStatusBar* StatusBar3;

 private:
  Session& session_;
};

}  // namespace plomix
