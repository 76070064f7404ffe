#pragma once
// The table of the date/time page as a model: one row per month period, one
// column per hour period, the period texts as header data. A cell shows its
// count, or nothing when it is 0; counts above 0 are blue, others black; a
// row header is blue when its row holds any count, else sky blue.

#include <QAbstractTableModel>

#include "core/DateDistribution.h"

namespace plomix {

class DateTimeGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;

  void SetTable(DateTable table);
  const DateTable& Table() const { return table_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  DateTable table_;
};

}  // namespace plomix
