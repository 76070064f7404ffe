#pragma once
// The サイズ順 sub-page of the media page (`TabSheet6`): the rows of the file
// list as a paged horizontal bar chart, largest first, with its toolbar
// `ToolBar6` (page size, measure, background, 3D, orthogonal view), the
// legend, the page scroll bar and the shape menu `PopupMenuBar`. It shares
// the chart rows and the measure with the トップ 10 page.

#include "ui/Page.h"

class QAction;
class QActionGroup;
class QCheckBox;
class QMenu;
class QScrollBar;
class QToolBar;
class QToolButton;

namespace plomix {

class BarChart;
class FallbackSpinBox;
class Session;
class SizeChartState;

class SizeChartPage : public Page {
  Q_OBJECT

 public:
  SizeChartPage(Session& session, SizeChartState& state, QWidget* parent = nullptr);

  // Start values from the settings: bars per page, orthogonal view, 3D, shape
  // and background.
  void ApplySettings();
  // The bar background from its settings (at start and after its dialog).
  void ApplyBackground();
  // Shows the bars from position `start` of the order.
  void ShowBarPage(int start);
  int PageStart() const { return pageStart_; }
  int PageEnd() const { return pageEnd_; }

  QToolBar* ToolBar6;
  QToolButton *ToolButton51, *ToolButton25, *ToolButton27, *ToolButton26, *ToolButton59;
  FallbackSpinBox* SpinEdit1;
  QCheckBox *chk3DBar, *chkOrthogonal;
  BarChart* ChartMedia;
  QScrollBar* ScrollBarChartMedia;
  QMenu* PopupMenuBar;
  QActionGroup* shapeGroup;
  QAction* saveChartPicture;

 Q_SIGNALS:
  void UpRequested();
  // A bar of a media or folder was double-clicked: open its tree node.
  void OpenRowByName(const QString& name);

 public Q_SLOTS:
  void ToolButton51Click();
  void ToolButton59Click();
  void SpinEdit1Change(int value);
  void ScrollBarChartMediaChange(int position);
  void chk3DBarClick(bool checked);
  void chkOrthogonalClick(bool checked);
  void ChartMediaDblClick(int bar);
  void PopupMenuBarClick(QAction* item);
  void SaveChartPicture();

 protected:
  // The wheel over the chart pages like the scroll bar does.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FillCharts();
  void SetLargeStep(int perPage);

  Session& session_;
  SizeChartState& state_;
  int pageStart_ = 0;
  int pageEnd_ = -1;
};

}  // namespace plomix
