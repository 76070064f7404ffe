#pragma once
// The サイズ順 sub-page of the media page (`TabSheet6`): the toolbar
// `ToolBar6`, the paged bar chart `ChartMedia` of the list's rows, largest
// first, with its scroll bar `ScrollBarChartMedia` and the context menu
// `PopupMenuBar`. The bar chart widget belongs in src/ui/charts/ and takes
// the place of the `ChartMedia` area.

#include "ui/Page.h"

class QScrollBar;
class QToolBar;

namespace plomix {

class Session;

class SizeChartPage : public Page {
  Q_OBJECT

 public:
  explicit SizeChartPage(Session& session, QWidget* parent = nullptr);

  QToolBar* ToolBar6;
  QWidget* ChartMedia;
  QScrollBar* ScrollBarChartMedia;

 private:
  Session& session_;
};

}  // namespace plomix
