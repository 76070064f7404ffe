#include "ui/TopNPage.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QMenu>
#include <QSignalBlocker>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/Prompter.h"
#include "core/Settings.h"
#include "ui/PageSupport.h"
#include "ui/Session.h"
#include "ui/SizeChartState.h"
#include "ui/charts/PieChart.h"
#include "ui/options/PxBackColor.h"
#include "ui/widgets/FallbackSpinBox.h"

namespace plomix {

namespace {

constexpr int kExplodePercent = 20;
// The spin box's text and the page caption when every row is charted (0).
const QString kAllRows = QStringLiteral("すべて");

}  // namespace

TopNPage::TopNPage(Session& session, SizeChartState& state, QWidget* parent)
    : Page(parent), session_(session), state_(state) {
  setObjectName(QStringLiteral("TabSheet7"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  ToolBar7 = new QToolBar(this);
  ToolBar7->setObjectName(QStringLiteral("ToolBar7"));
  ToolButton49 =
      AddChartButton(ToolBar7, "ToolButton49", QStringLiteral("↑"), QStringLiteral("上へ移動"));
  // The stored 0 means every row: it is shown as such rather than clamped to 1.
  SpinEdit2 = new FallbackSpinBox(0, 99, 10, ToolBar7);
  SpinEdit2->setSpecialValueText(kAllRows);
  SpinEdit2->setObjectName(QStringLiteral("SpinEdit2"));
  SpinEdit2->setToolTip(QStringLiteral("表示ファイル数"));
  ToolBar7->addWidget(SpinEdit2);
  ToolBar7->addSeparator();
  const MeasureButtons measures =
      AddMeasureButtons(ToolBar7, state_, "ToolButton28", "ToolButton30", "ToolButton29");
  ToolButton28 = measures.size;
  ToolButton30 = measures.allocated;
  ToolButton29 = measures.gap;
  ToolBar7->addSeparator();
  chkLoop =
      AddChartButton(ToolBar7, "chkLoop", QStringLiteral("回転"), QStringLiteral("円グラフの回転"));
  chkLoop->setCheckable(true);
  txtRotate = new FallbackSpinBox(10, 3000, 10, ToolBar7, 2);
  txtRotate->setObjectName(QStringLiteral("txtRotate"));
  txtRotate->setSingleStep(10);
  txtRotate->setSuffix(QString());
  ToolBar7->addWidget(txtRotate);
  cmdExplodeBiggest = AddChartButton(ToolBar7, "cmdExplodeBiggest", QStringLiteral("分割"),
                                     QStringLiteral("もっとも大きな値を持つ区分のみを分割"));
  cmdExplodeBiggest->setCheckable(true);
  ToolBar7->addSeparator();
  ToolButton44 = AddChartButton(ToolBar7, "ToolButton44", QStringLiteral("背景..."),
                                QStringLiteral("背景..."));
  chk3D = new QCheckBox(QStringLiteral("3D"), ToolBar7);
  chk3D->setObjectName(QStringLiteral("chk3D"));
  ToolBar7->addWidget(chk3D);
  layout->addWidget(ToolBar7);
  layout->addWidget(BuildSizeLegend(this));

  ChartMedia2 = new PieChart(this);
  ChartMedia2->setObjectName(QStringLiteral("ChartMedia2"));
  ChartMedia2->SetMarkStyle(PieChart::MarkStyle::LabelAndPercent);
  ChartMedia2->SetClickTurn(false);
  ChartMedia2->SetRotationStep(355);
  ChartMedia2->setContextMenuPolicy(Qt::CustomContextMenu);
  layout->addWidget(ChartMedia2, 1);

  PopupMenuPie = new QMenu(this);
  PopupMenuPie->setObjectName(QStringLiteral("PopupMenuPie"));
  saveChartPicture = AddMenuAction(PopupMenuPie, "SaveChartMedia2Picture",
                                   QStringLiteral("画像として保存(&S)..."));
  connect(saveChartPicture, &QAction::triggered, this, &TopNPage::SaveChartPicture);
  connect(ChartMedia2, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenuPie->popup(ChartMedia2->mapToGlobal(at)); });

  connect(ToolButton49, &QToolButton::clicked, this, &TopNPage::ToolButton49Click);
  connect(ToolButton44, &QToolButton::clicked, this, &TopNPage::ToolButton44Click);
  connect(SpinEdit2, &QSpinBox::valueChanged, this, &TopNPage::SpinEdit2Change);
  connect(txtRotate, &QSpinBox::valueChanged, this, &TopNPage::txtRotateChange);
  connect(chkLoop, &QToolButton::toggled, this, &TopNPage::chkLoopClick);
  connect(cmdExplodeBiggest, &QToolButton::toggled, this, &TopNPage::cmdExplodeBiggestClick);
  connect(chk3D, &QCheckBox::toggled, this, &TopNPage::chk3DClick);
  connect(&state_, &SizeChartState::Filled, this, &TopNPage::FillPie);
  connect(&state_, &SizeChartState::ThreeDChanged, this, [this](bool on) {
    const QSignalBlocker block(chk3D);
    chk3D->setChecked(on);
    ChartMedia2->SetThreeD(on);
  });

  ApplySettings();
}

void TopNPage::ApplySettings() {
  Settings& settings = state_.GetSettings();
  {
    const QSignalBlocker block(SpinEdit2);
    SpinEdit2->setValue(std::clamp(settings.GetInt(REG_ChartCircleMaxFile), 0, 99));
  }
  const int interval = std::clamp(settings.GetInt(REG_SpanCircleRotete), 10, 3000);
  {
    const QSignalBlocker block(txtRotate);
    txtRotate->setValue(interval);
  }
  ChartMedia2->SetRotationInterval(interval);
  chk3D->setChecked(state_.ThreeD());
  ChartMedia2->SetThreeD(state_.ThreeD());
  chkLoop->setChecked(settings.GetInt(REG_ChartCircleRotate) == 1);
  ApplyBackground();
}

void TopNPage::ApplyBackground() {
  ChartMedia2->ApplyBackgroundSettings(state_.GetSettings());
}

QString TopNPage::Caption() const {
  if (SpinEdit2->value() == 0) return kAllRows;
  return QStringLiteral("トップ ") + QString::number(SpinEdit2->value());
}

void TopNPage::FillPie() {
  Settings& settings = state_.GetSettings();
  std::vector<PieSlice> slices;
  for (const ChartSlice& slice : state_.Data().PieSlices(
           settings.GetInt(REG_ChartCircleMaxFile), settings.GetInt(REG_ChartCircleNameLength)))
    slices.push_back({slice.label, slice.value, ColourFromRgb(slice.colour)});
  ChartMedia2->SetTitle(state_.Title());
  ChartMedia2->SetSlices(std::move(slices));
}

void TopNPage::showEvent(QShowEvent* event) {
  Page::showEvent(event);
  const bool on = state_.GetSettings().GetInt(REG_ChartCircleRotate) == 1;
  chkLoop->setChecked(on);
  ChartMedia2->SetRotate(on);
}

void TopNPage::hideEvent(QHideEvent* event) {
  Page::hideEvent(event);
  ChartMedia2->SetRotate(false);
}

void TopNPage::ToolButton49Click() {
  Q_EMIT UpRequested();
}

void TopNPage::ToolButton44Click() {
  TfrmBackColor dialog(session_.GetSettings(), session_.Ask(), this);
  dialog.exec();
  ApplyBackground();
}

void TopNPage::SpinEdit2Change(int value) {
  if (!state_.Store(REG_ChartCircleMaxFile, value)) return;
  FillPie();
  Q_EMIT CaptionChanged(Caption());
}

void TopNPage::txtRotateChange(int value) {
  ChartMedia2->SetRotationInterval(value);
  state_.Store(REG_SpanCircleRotete, ChartMedia2->RotationInterval());
}

void TopNPage::chkLoopClick(bool checked) {
  state_.Store(REG_ChartCircleRotate, checked ? 1 : 0);
  ChartMedia2->SetRotate(checked && isVisible());
}

void TopNPage::cmdExplodeBiggestClick(bool checked) {
  ChartMedia2->SetExplodeBiggest(checked ? kExplodePercent : 0);
}

void TopNPage::chk3DClick(bool checked) {
  state_.SetThreeD(checked);
}

void TopNPage::SaveChartPicture() {
  SaveChartPictureAs(*ChartMedia2, session_.Ask(), QStringLiteral("トップ.png"));
}

}  // namespace plomix
