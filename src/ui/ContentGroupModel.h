#pragma once
// The group grid of the duplicate page in its "内容が同じ" mode: one row per
// group of files with equal content (ID hidden, No, Icon, 名前 of the first
// member, サイズ, 重複数, 無駄な容量 = size x (count - 1), and 指紋, the mode
// of the fingerprints that found the group). No numbers the groups most
// wasted space first; numbers sort by value, the name ignoring case.

#include <QAbstractTableModel>
#include <string>
#include <vector>

#include "analysis/ContentCopies.h"

namespace plomix {

class ImageList;

class ContentGroupModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column {
    ColId = 0,
    ColNo,
    ColIcon,
    ColName,
    ColSize,
    ColCount,
    ColWasted,
    ColMode,
    kColumnCount
  };

  explicit ContentGroupModel(ImageList* images, QObject* parent = nullptr);

  // Takes the groups (most wasted first) and their names; `icons`: look up
  // each name's icon (else the generic file image). Keeps the current sort.
  void Fill(ContentDuplicates&& found, const std::vector<ContentGroupName>& names, bool icons);
  void Clear();

  int RowCount() const { return static_cast<int>(rows_.size()); }
  const ContentGroup& GroupAt(int row) const;
  // The name of a row (CP932) and as it is shown.
  const std::string& NameAt(int row) const;
  QString ShownNameAt(int row) const;
  int ImageAt(int row) const;
  double Wasted() const { return wasted_; }
  int MediaWithoutFingerprints() const { return withoutPrints_; }

  static QString ModeText(FingerprintMode mode);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void sort(int column, Qt::SortOrder order) override;

 private:
  struct Row {
    int no = 0;  // 1 = most wasted
    ContentGroup group;
    std::string name;
    QString shown;
    int names = 0;
    int image = -1;
  };
  void SortRows();
  int RowOfNo(int no) const;

  ImageList* images_;
  std::vector<Row> rows_;
  double wasted_ = 0;
  int withoutPrints_ = 0;
  int sortColumn_ = ColNo;
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

}  // namespace plomix
