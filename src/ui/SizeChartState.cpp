#include "ui/SizeChartState.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolBar>
#include <QToolButton>

#include "core/Catalog.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "ui/Icons.h"
#include "ui/PageSupport.h"
#include "ui/charts/ChartPaint.h"

namespace plomix {

SizeChartState::SizeChartState(Settings& settings, Prompter& prompter, QObject* parent)
    : QObject(parent), settings_(settings), prompter_(prompter) {}

bool SizeChartState::Store(SettingNo number, int value) {
  return Safely(prompter_, [&] { settings_.SetInt(number, value); });
}

bool SizeChartState::Store(SettingNo number, const QString& value) {
  return Safely(prompter_, [&] { settings_.SetString(number, value); });
}

void SizeChartState::Fill(std::span<const TRecord> rows, bool mediaList, const Catalog& catalog) {
  data_.Fill(rows, mediaList, [&catalog](int32_t key) {
    const int slot = SlotOfKey(key);
    if (!IsEntryKey(key) || slot >= kMaxMedia || !catalog.Slot(slot).IsLive()) return 0.0;
    return catalog.Slot(slot).Info().FreeSpace;
  });
  Q_EMIT Filled();
}

void SizeChartState::SetMeasure(ChartMeasure measure) {
  data_.SetMeasure(measure);
  Q_EMIT MeasureChanged(measure);
  Q_EMIT Filled();
}

bool SizeChartState::ThreeD() const {
  return settings_.GetInt(REG_ChartCir3D) == 1;
}

void SizeChartState::SetThreeD(bool on) {
  Store(REG_ChartCir3D, on ? 1 : 0);
  Q_EMIT ThreeDChanged(on);
}

QWidget* BuildSizeLegend(QWidget* parent) {
  auto* legend = new QWidget(parent);
  // The legend never widens the page: in a narrow window its right end is cut.
  legend->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  auto* layout = new QHBoxLayout(legend);
  layout->setContentsMargins(4, 2, 4, 2);
  const struct {
    const char16_t* text;
    uint32_t colour;
  } kEntries[] = {{u"ﾌｫﾙﾀﾞ内の総ｻｲｽﾞ", kChartRed},
                  {u"ﾌｧｲﾙｻｲｽﾞ", kChartBlue},
                  {u"ｸﾗｽﾀｻｲｽﾞ", kChartFuchsia},
                  {u"ﾒﾃﾞｨｱの空きｻｲｽﾞ", kChartYellow},
                  {u"ｸﾗｽﾀｷﾞｬｯﾌﾟ", kChartWhite}};
  for (const auto& entry : kEntries) {
    auto* box = new QLabel(legend);
    box->setFixedSize(12, 12);
    box->setFrameShape(QFrame::Box);
    box->setAutoFillBackground(true);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Window, ColourFromRgb(entry.colour));
    box->setPalette(palette);
    layout->addWidget(box);
    layout->addWidget(new QLabel(QString::fromUtf16(entry.text), legend));
    layout->addSpacing(8);
  }
  layout->addStretch(1);
  return legend;
}

QToolButton* AddChartButton(QToolBar* bar, const char* name, const QString& text,
                            const QString& hint) {
  auto* button = new QToolButton(bar);
  button->setObjectName(QString::fromLatin1(name));
  button->setText(text);
  button->setToolTip(hint);
  // The text stands in where the command has no icon.
  button->setIcon(icons::CommandIcon(button->objectName()));
  button->setAutoRaise(true);
  bar->addWidget(button);
  return button;
}

MeasureButtons AddMeasureButtons(QToolBar* bar, SizeChartState& state, const char* sizeName,
                                 const char* allocatedName, const char* gapName) {
  const MeasureButtons buttons{AddChartButton(bar, sizeName, QStringLiteral("サイズ"),
                                              QStringLiteral("ﾌｧｲﾙ(ﾌｫﾙﾀﾞ)のｻｲｽﾞの一覧表示")),
                               AddChartButton(bar, allocatedName, QStringLiteral("クラスタ"),
                                              QStringLiteral("ｸﾗｽﾀｻｲｽﾞの一覧表示")),
                               AddChartButton(bar, gapName, QStringLiteral("無駄"),
                                              QStringLiteral("ｸﾗｽﾀによる無駄なｻｲｽﾞの一覧表示"))};
  auto* group = new QButtonGroup(bar);
  const std::pair<QToolButton*, ChartMeasure> kinds[] = {
      {buttons.size, ChartMeasure::Size},
      {buttons.allocated, ChartMeasure::Allocated},
      {buttons.gap, ChartMeasure::ClusterGap}};
  for (const auto& [button, measure] : kinds) {
    button->setCheckable(true);
    button->setChecked(state.Measure() == measure);
    group->addButton(button);
    QObject::connect(button, &QToolButton::clicked, &state, [&state, measure = measure] {
      if (state.Measure() != measure) state.SetMeasure(measure);
    });
    QObject::connect(
        &state, &SizeChartState::MeasureChanged, button,
        [button, measure = measure](ChartMeasure now) { button->setChecked(now == measure); });
  }
  return buttons;
}

void SaveChartPictureAs(QWidget& chart, Prompter& prompter, const QString& suggestedName) {
  const QString file =
      prompter.SaveFile(QStringLiteral("グラフを画像として保存"), suggestedName,
                        QStringLiteral("PNG 画像(*.png)|*.png"), QStringLiteral("png"));
  if (file.isEmpty()) return;
  if (!SaveChartPng(chart, file))
    ShowError(prompter, QStringLiteral("画像を保存できませんでした。\r\n") + file);
}

}  // namespace plomix
