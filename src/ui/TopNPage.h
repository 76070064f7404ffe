#pragma once
// The トップ 10 sub-page of the media page (`TabSheet7`): the largest rows of
// the file list as the pie `ChartMedia2` with the rest in one "その他" slice,
// turning while the page is shown and rotation is on, with its toolbar
// `ToolBar7` (slice count, measure, rotation, explode, background, 3D) and
// the legend. It shares the chart rows and the measure with the サイズ順 page.

#include "ui/Page.h"

class QAction;
class QCheckBox;
class QMenu;
class QToolBar;
class QToolButton;

namespace plomix {

class FallbackSpinBox;
class PieChart;
class Session;
class SizeChartState;

class TopNPage : public Page {
  Q_OBJECT

 public:
  TopNPage(Session& session, SizeChartState& state, QWidget* parent = nullptr);

  // Start values from the settings: slice count, rotation interval, 3D and
  // background.
  void ApplySettings();
  void ApplyBackground();
  void FillPie();
  // "トップ " + the slice count.
  QString Caption() const;

  QToolBar* ToolBar7;
  QToolButton *ToolButton49, *ToolButton28, *ToolButton30, *ToolButton29, *chkLoop,
      *cmdExplodeBiggest, *ToolButton44;
  FallbackSpinBox *SpinEdit2, *txtRotate;
  QCheckBox* chk3D;
  PieChart* ChartMedia2;
  QMenu* PopupMenuPie;
  QAction* saveChartPicture;

 Q_SIGNALS:
  void UpRequested();
  // The page caption changed with the slice count.
  void CaptionChanged(const QString& caption);

 public Q_SLOTS:
  void ToolButton49Click();
  void ToolButton44Click();
  void SpinEdit2Change(int value);
  void txtRotateChange(int value);
  void chkLoopClick(bool checked);
  void cmdExplodeBiggestClick(bool checked);
  void chk3DClick(bool checked);
  void SaveChartPicture();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  Session& session_;
  SizeChartState& state_;
};

}  // namespace plomix
