#include "ui/SizeChartPage.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QMenu>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "ui/PageSupport.h"
#include "ui/Session.h"
#include "ui/SizeChartState.h"
#include "ui/charts/BarChart.h"
#include "ui/options/PxBackColor.h"
#include "ui/widgets/FallbackSpinBox.h"

namespace plomix {

SizeChartPage::SizeChartPage(Session& session, SizeChartState& state, QWidget* parent)
    : Page(parent), session_(session), state_(state) {
  setObjectName(QStringLiteral("TabSheet6"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  ToolBar6 = new QToolBar(this);
  ToolBar6->setObjectName(QStringLiteral("ToolBar6"));
  ToolButton51 =
      AddChartButton(ToolBar6, "ToolButton51", QStringLiteral("↑"), QStringLiteral("上へ移動"));
  SpinEdit1 = new FallbackSpinBox(1, 99, 10, ToolBar6);
  SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
  SpinEdit1->setToolTip(QStringLiteral("ページ内表示棒グラフ数"));
  ToolBar6->addWidget(SpinEdit1);
  ToolBar6->addSeparator();
  const MeasureButtons measures =
      AddMeasureButtons(ToolBar6, state_, "ToolButton25", "ToolButton27", "ToolButton26");
  ToolButton25 = measures.size;
  ToolButton27 = measures.allocated;
  ToolButton26 = measures.gap;
  ToolBar6->addSeparator();
  ToolButton59 = AddChartButton(ToolBar6, "ToolButton59", QStringLiteral("背景..."),
                                QStringLiteral("背景..."));
  chk3DBar = new QCheckBox(QStringLiteral("3D"), ToolBar6);
  chk3DBar->setObjectName(QStringLiteral("chk3DBar"));
  ToolBar6->addWidget(chk3DBar);
  chkOrthogonal = new QCheckBox(QStringLiteral("直交"), ToolBar6);
  chkOrthogonal->setObjectName(QStringLiteral("chkOrthogonal"));
  ToolBar6->addWidget(chkOrthogonal);
  layout->addWidget(ToolBar6);
  layout->addWidget(BuildSizeLegend(this));

  auto* chartRow = new QHBoxLayout;
  chartRow->setContentsMargins(0, 0, 0, 5);
  chartRow->setSpacing(0);
  ChartMedia = new BarChart(this);
  ChartMedia->setObjectName(QStringLiteral("ChartMedia"));
  ChartMedia->setContextMenuPolicy(Qt::CustomContextMenu);
  chartRow->addWidget(ChartMedia, 1);
  ScrollBarChartMedia = new QScrollBar(Qt::Vertical, this);
  ScrollBarChartMedia->setObjectName(QStringLiteral("ScrollBarChartMedia"));
  ScrollBarChartMedia->setRange(0, 0);
  chartRow->addWidget(ScrollBarChartMedia);
  layout->addLayout(chartRow, 1);

  PopupMenuBar = new QMenu(this);
  PopupMenuBar->setObjectName(QStringLiteral("PopupMenuBar"));
  shapeGroup = new QActionGroup(PopupMenuBar);
  for (const QString& name : BarChart::ShapeNames()) {
    QAction* item = PopupMenuBar->addAction(name);
    item->setCheckable(true);
    shapeGroup->addAction(item);
  }
  PopupMenuBar->addSeparator();
  saveChartPicture =
      AddMenuAction(PopupMenuBar, "SaveChartMediaPicture", QStringLiteral("画像として保存(&S)..."));
  connect(shapeGroup, &QActionGroup::triggered, this, &SizeChartPage::PopupMenuBarClick);
  connect(saveChartPicture, &QAction::triggered, this, &SizeChartPage::SaveChartPicture);
  ChartMedia->installEventFilter(this);
  connect(ChartMedia, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenuBar->popup(ChartMedia->mapToGlobal(at)); });

  connect(ToolButton51, &QToolButton::clicked, this, &SizeChartPage::ToolButton51Click);
  connect(ToolButton59, &QToolButton::clicked, this, &SizeChartPage::ToolButton59Click);
  connect(SpinEdit1, &QSpinBox::valueChanged, this, &SizeChartPage::SpinEdit1Change);
  connect(ScrollBarChartMedia, &QScrollBar::valueChanged, this,
          &SizeChartPage::ScrollBarChartMediaChange);
  connect(chk3DBar, &QCheckBox::toggled, this, &SizeChartPage::chk3DBarClick);
  connect(chkOrthogonal, &QCheckBox::toggled, this, &SizeChartPage::chkOrthogonalClick);
  connect(ChartMedia, &BarChart::BarDoubleClicked, this, &SizeChartPage::ChartMediaDblClick);
  connect(&state_, &SizeChartState::Filled, this, &SizeChartPage::FillCharts);
  connect(&state_, &SizeChartState::ThreeDChanged, this, [this](bool on) {
    const QSignalBlocker block(chk3DBar);
    chk3DBar->setChecked(on);
    ChartMedia->SetThreeD(on);
  });

  ApplySettings();
}

void SizeChartPage::ApplySettings() {
  Settings& settings = state_.GetSettings();
  const int perPage = std::clamp(settings.GetInt(REG_ChartBarPage), 1, 99);
  {
    const QSignalBlocker block(SpinEdit1);
    SpinEdit1->setValue(perPage);
  }
  ChartMedia->SetBarsPerPage(perPage);
  SetLargeStep(perPage);
  const bool orthogonal = settings.GetInt(REG_ChartBarOrthogonal) == 1;
  chkOrthogonal->setChecked(orthogonal);
  ChartMedia->SetOrthogonal(orthogonal);
  chk3DBar->setChecked(state_.ThreeD());
  ChartMedia->SetThreeD(state_.ThreeD());
  const BarChart::Shape shape = BarChart::ShapeFromName(settings.GetString(REG_ChartBarStyle));
  ChartMedia->SetShape(shape);
  shapeGroup->actions().at(static_cast<int>(shape))->setChecked(true);
  ApplyBackground();
}

void SizeChartPage::ApplyBackground() {
  ChartMedia->ApplyBackgroundSettings(state_.GetSettings());
}

void SizeChartPage::SetLargeStep(int perPage) {
  ScrollBarChartMedia->setPageStep(perPage > 1 ? perPage - 1 : 1);
}

void SizeChartPage::FillCharts() {
  ChartMedia->Clear();
  ChartMedia->SetShape(BarChart::ShapeFromName(state_.GetSettings().GetString(REG_ChartBarStyle)));
  ChartMedia->SetTitle(state_.Title());
  const int rows = state_.Data().RowCount();
  {
    const QSignalBlocker block(ScrollBarChartMedia);
    ScrollBarChartMedia->setRange(0, std::max(rows - 1, 0));
    ScrollBarChartMedia->setValue(0);
  }
  pageStart_ = 0;
  pageEnd_ = -1;
  if (rows > 0) ShowBarPage(0);
}

void SizeChartPage::ShowBarPage(int start) {
  Settings& settings = state_.GetSettings();
  const ChartData& rows = state_.Data();
  const int perPage = std::clamp(settings.GetInt(REG_ChartBarPage), 1, 99);
  if (rows.RowCount() == 0) {
    ChartMedia->Clear();
    pageStart_ = 0;
    pageEnd_ = -1;
    return;
  }
  start = std::clamp(start, 0, rows.RowCount() - 1);
  const bool fit = settings.GetInt(REG_BarChartSizeFit) == 1 || start == 0;
  ChartMedia->SetBarsPerPage(perPage);
  ChartMedia->SetBars(rows.BarPage(start, perPage, settings.GetInt(REG_ChartBarNameLength),
                                   settings.GetInt(REG_ChartBarSize2Only) == 1),
                      fit);
  pageStart_ = start;
  pageEnd_ = rows.PageEnd(start, perPage);
}

bool SizeChartPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ChartMedia && event->type() == QEvent::Wheel) {
    QApplication::sendEvent(ScrollBarChartMedia, event);
    return true;
  }
  return Page::eventFilter(watched, event);
}

void SizeChartPage::ToolButton51Click() {
  Q_EMIT UpRequested();
}

void SizeChartPage::ToolButton59Click() {
  TfrmBackColorBar dialog(session_.GetSettings(), session_.Ask(), this);
  dialog.exec();
  ApplyBackground();
}

void SizeChartPage::SpinEdit1Change(int value) {
  if (!state_.Store(REG_ChartBarPage, value)) return;
  SetLargeStep(value);
  ShowBarPage(pageStart_);
}

void SizeChartPage::ScrollBarChartMediaChange(int position) {
  ShowBarPage(position);
}

void SizeChartPage::chk3DBarClick(bool checked) {
  state_.SetThreeD(checked);
}

void SizeChartPage::chkOrthogonalClick(bool checked) {
  ChartMedia->SetOrthogonal(checked);
  state_.Store(REG_ChartBarOrthogonal, checked ? 1 : 0);
}

void SizeChartPage::ChartMediaDblClick(int bar) {
  if (bar < 0 || bar >= ChartMedia->BarCount()) return;
  const ChartData::Row& row = state_.Data().RowAt(ChartMedia->Bar(bar).row);
  if (row.kind == kKindFile) return;
  Q_EMIT OpenRowByKey(row.key);
}

void SizeChartPage::PopupMenuBarClick(QAction* item) {
  const QString name = item->text();
  if (!state_.Store(REG_ChartBarStyle, name)) return;
  ChartMedia->SetShape(BarChart::ShapeFromName(name));
}

void SizeChartPage::SaveChartPicture() {
  SaveChartPictureAs(*ChartMedia, session_.Ask(), QStringLiteral("サイズ順.png"));
}

}  // namespace plomix
