#pragma once
// The トップ 10 sub-page of the media page (`TabSheet7`): the toolbar
// `ToolBar7` and the pie chart `ChartMedia2` of the largest rows of the list
// with the rest gathered in one slice, which can turn slowly.

#include "ui/Page.h"

class QToolBar;

namespace plomix {

class PieChart;
class Session;

class TopNPage : public Page {
  Q_OBJECT

 public:
  explicit TopNPage(Session& session, QWidget* parent = nullptr);

  QToolBar* ToolBar7;
  PieChart* ChartMedia2;

 private:
  Session& session_;
};

}  // namespace plomix
