#include "ui/SizeChartState.h"

#include <QHBoxLayout>
#include <QLabel>
#include <exception>

#include "core/Catalog.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "ui/charts/ChartPaint.h"

namespace plomix {

SizeChartState::SizeChartState(Settings& settings, Prompter& prompter, QObject* parent)
    : QObject(parent), settings_(settings), prompter_(prompter) {}

bool SizeChartState::Store(int number, int value) {
  try {
    settings_.SetInt(number, value);
    return true;
  } catch (const std::exception& e) {
    prompter_.Message(QString::fromLocal8Bit(e.what()), PromptIcon::Error, PromptButtons::Ok);
    return false;
  }
}

bool SizeChartState::Store(int number, const QString& value) {
  try {
    settings_.SetString(number, value);
    return true;
  } catch (const std::exception& e) {
    prompter_.Message(QString::fromLocal8Bit(e.what()), PromptIcon::Error, PromptButtons::Ok);
    return false;
  }
}

void SizeChartState::Fill(std::span<const TRecord> rows, bool mediaList, const Catalog& catalog) {
  data_.Fill(rows, mediaList, [&catalog](int32_t key) {
    const int slot = SlotOfKey(key);
    if (key < 0 || slot >= kMaxMedia || !catalog.Slot(slot).IsLive()) return 0.0;
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

}  // namespace plomix
