#pragma once
// What the two analysis result pages share: the group grid over the member
// grid and the status bar with its two panels. DupPage and LikePage give the
// parts their own object names and add what differs.

#include "ui/Page.h"

class QStatusBar;
class QTableView;

namespace plomix {

class Session;

class ResultListPage : public Page {
  Q_OBJECT

 protected:
  // The object names of the page, the group grid, the member grid and the
  // status bar.
  ResultListPage(Session& session, const char* pageName, const char* groupGridName,
                 const char* memberGridName, const char* statusName, QWidget* parent);

  Session& session_;
  QTableView* groupGrid_;
  QTableView* memberGrid_;
  QStatusBar* status_;
};

}  // namespace plomix
