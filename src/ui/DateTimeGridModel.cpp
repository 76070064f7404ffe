#include "ui/DateTimeGridModel.h"

#include <QColor>

#include "ui/PageSupport.h"

namespace plomix {

namespace {

const QColor kCounted(0x00, 0x00, 0xFF);
const QColor kEmptyRow(0xA6, 0xCA, 0xF0);

}  // namespace

void DateTimeGridModel::SetTable(DateTable table) {
  beginResetModel();
  table_ = std::move(table);
  endResetModel();
}

int DateTimeGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : table_.Rows();
}

int DateTimeGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : table_.Columns();
}

QVariant DateTimeGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const uint32_t count = table_.Cell(index.row(), index.column());
  switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
      return count > 0 ? QVariant(CountText(count)) : QVariant(QString());
    case Qt::ForegroundRole:
      return count > 0 ? kCounted : QColor(Qt::black);
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::AlignLeft | Qt::AlignTop);
    default:
      return {};
  }
}

QVariant DateTimeGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal) {
    if (role == Qt::DisplayRole && section >= 0 && section < table_.Columns())
      return table_.ColumnHeader(section);
    return {};
  }
  if (section < 0 || section >= table_.Rows()) return {};
  switch (role) {
    case Qt::DisplayRole:
      return table_.RowHeader(section);
    case Qt::ForegroundRole:
      return table_.RowTotal(section) > 0 ? kCounted : kEmptyRow;
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
      return {};
  }
}

}  // namespace plomix
