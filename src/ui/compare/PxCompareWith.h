#pragma once
// Choosing what to compare a media or folder with: a tree of the live media
// and their folders. A media's folders are read when it is first opened,
// without loading the media, so the window's own list keeps what it shows.

#include <QDialog>
#include <cstdint>
#include <optional>
#include <set>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace plomix {

class Catalog;

struct CompareTarget {
  int slot = -1;
  int32_t record = 0;  // 0: the whole media
};

class TfrmCompareWith : public QDialog {
 public:
  // `source` is described in the heading ("比較元: ...").
  TfrmCompareWith(Catalog& catalog, const QString& source, QWidget* parent = nullptr);

  QLabel* lblSource;
  QTreeWidget* tvTarget;
  QPushButton* cmdOK;
  QPushButton* cmdCancel;

  // The chosen media or folder; empty while none is selected.
  std::optional<CompareTarget> Target() const;

 private:
  void LoadFolders(QTreeWidgetItem* mediaItem);

  Catalog& catalog_;
  std::set<int> loaded_;
};

}  // namespace plomix
