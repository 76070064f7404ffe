#pragma once
// What the サイズ順 and トップ 10 pages share: the chart rows of the node
// shown, the measure (pressing a measure button on one page presses its
// partner on the other), and the 3D switch that both pages mirror.

#include <QObject>
#include <QString>
#include <span>

#include "core/ChartData.h"
#include "core/Records.h"
#include "core/Settings.h"

class QToolBar;
class QToolButton;
class QWidget;

namespace plomix {

class Catalog;
class Prompter;
class Settings;

class SizeChartState : public QObject {
  Q_OBJECT

 public:
  // Failed setting writes are reported through `prompter`.
  SizeChartState(Settings& settings, Prompter& prompter, QObject* parent = nullptr);

  Settings& GetSettings() { return settings_; }
  Prompter& GetPrompter() { return prompter_; }
  // Writes a setting; a store that cannot be written is reported, never
  // thrown through the event loop. False when it failed.
  bool Store(SettingNo number, int value);
  bool Store(SettingNo number, const QString& value);
  const ChartData& Data() const { return data_; }

  // Copies the rows of the file list (the media list: free space from the
  // catalogue, 0 for a media whose facts cannot be fetched) and announces the
  // fill.
  void Fill(std::span<const TRecord> rows, bool mediaList, const Catalog& catalog);
  ChartMeasure Measure() const { return data_.Measure(); }
  // A measure button: orders the rows again and refills both charts.
  void SetMeasure(ChartMeasure measure);
  QString Title() const { return ChartTitle(data_.Measure(), data_.MediaList()); }

  bool ThreeD() const;
  // Stores the 3D setting and tells both pages.
  void SetThreeD(bool on);

 Q_SIGNALS:
  void Filled();
  void MeasureChanged(ChartMeasure measure);
  void ThreeDChanged(bool on);

 private:
  Settings& settings_;
  Prompter& prompter_;
  ChartData data_;
};

// The legend of fixed colour boxes both chart pages carry.
QWidget* BuildSizeLegend(QWidget* parent);

// A text button of a chart page's toolbar.
QToolButton* AddChartButton(QToolBar* bar, const char* name, const QString& text,
                            const QString& hint);

// The three measure buttons of a chart page, added in toolbar order (size,
// clusters, cluster gap): one checkable group that sets the shared measure
// and shows it whichever page set it.
struct MeasureButtons {
  QToolButton *size, *allocated, *gap;
};
MeasureButtons AddMeasureButtons(QToolBar* bar, SizeChartState& state, const char* sizeName,
                                 const char* allocatedName, const char* gapName);

// Asks for a file name and saves `chart` there as a PNG picture; a picture
// that cannot be written is reported.
void SaveChartPictureAs(QWidget& chart, Prompter& prompter, const QString& suggestedName);

}  // namespace plomix
