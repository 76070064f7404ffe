#pragma once
// The 更新日時 sub-page of the media page (`TabSheet5`): how the time stamps
// below the selected node spread over month periods (rows) and hour periods
// (columns) in the grid `StringGridDateTime`, with the two interval groups.
// Fed for every tree selection, shown or not; a node without stamps leaves
// the previous table standing.

#include <cstdint>
#include <memory>

#include "ui/Page.h"

class QButtonGroup;
class QRadioButton;
class QTableView;

namespace plomix {

class DateDistribution;
class Session;
class DateTimeGridModel;

class DatePage : public Page {
  Q_OBJECT

 public:
  explicit DatePage(Session& session, QWidget* parent = nullptr);
  ~DatePage() override;

  // Counts node `key` (-1 the catalogue) and shows it; false when the node
  // has no stamps to show (the table stays as it was).
  bool ShowDistribution(int32_t key);
  int MonthInterval() const { return months_; }
  int HourInterval() const { return hours_; }
  void SetMonthInterval(int months);
  void SetHourInterval(int hours);
  const DateTimeGridModel& Model() const { return *model_; }

  QRadioButton *rdoDate1, *rdoDate2, *rdoDate3, *rdoDate4, *rdoDate6, *rdoDate12;
  QRadioButton *rdoTime1, *rdoTime2, *rdoTime3, *rdoTime4, *rdoTime6, *rdoTime8, *rdoTime12,
      *rdoTime24;
  QTableView* StringGridDateTime;

 private:
  void Redraw();
  void ShowTable();

  Session& session_;
  std::unique_ptr<DateDistribution> distribution_;
  DateTimeGridModel* model_;
  QButtonGroup *dateGroup_, *timeGroup_;
  int months_ = 12;
  int hours_ = 3;
};

}  // namespace plomix
