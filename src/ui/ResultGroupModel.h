#pragma once
// The group grid of a result page: one row per group head of a result store
// (ID hidden, No, Icon, 名前, member count). The rows are copied out of the
// store when filled, so the grid never reads a store that is reloaded behind
// it. Sorting by any column is the model's own: numbers by value, the name
// ignoring case (the store keeps its heads in that order already, so a name
// sort of a sound file costs one pass).

#include <QAbstractTableModel>
#include <functional>
#include <string>
#include <vector>

#include "analysis/NameAnalysis.h"

namespace plomix {

class ImageList;
class ResultStore;

class ResultGroupModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { ColId = 0, ColNo, ColIcon, ColName, ColCount, kColumnCount };

  ResultGroupModel(AnalysisMode mode, ImageList* images, QObject* parent = nullptr);

  // Rebuilds the rows from the store's heads. `icons`: look up the icon of
  // each name's extension (duplicates only; otherwise the generic file
  // image, or none for similar words). `hideDigitWords` leaves out the groups
  // whose name is only digits (half- or full-width): similar-name words such
  // as "1" or "2024" gather thousands of unrelated files. Keeps the current
  // sort.
  void Fill(const ResultStore& store, bool icons, bool hideDigitWords = false);
  // How many groups the last Fill left out.
  int HiddenCount() const { return hidden_; }
  void Clear();

  int RowCount() const { return static_cast<int>(rows_.size()); }
  // The store's group number shown in a row, -1 outside.
  int GroupAt(int row) const;
  // The row that shows a group number, -1 when none.
  int RowOfGroup(int group) const;
  // The name of a row (CP932).
  const std::string& NameAt(int row) const;
  // The name as the row shows it, when that is an exact name (else null).
  QString ExactNameAt(int row) const;
  int ImageAt(int row) const;

  int SortColumn() const { return sortColumn_; }
  Qt::SortOrder SortOrder() const { return sortOrder_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void sort(int column, Qt::SortOrder order) override;

 private:
  struct Row {
    int group = 0;
    int32_t count = 0;
    int image = -1;
    std::string name;
    QString shown;  // null: the CP932 name is shown
  };
  void SortRows();

  AnalysisMode mode_;
  ImageList* images_;
  std::vector<Row> rows_;
  int hidden_ = 0;
  int sortColumn_ = ColNo;
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

}  // namespace plomix
