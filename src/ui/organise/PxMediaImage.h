#pragma once
// The list of media with their linked pictures (`TfrmMediaImage`,
// "メディアにリンクされた画像一覧"): a category's media, the picture of the
// selected one, and linking, changing or removing its picture. Links are
// written at once; there is nothing to confirm on closing.

#include <QDialog>
#include <optional>

#include "organise/DivList.h"
#include "ui/organise/OrganiseMediaList.h"

class QPushButton;
class QTabBar;
class QTreeWidget;

namespace plomix {

class PictureShow;
class Session;

// Asks for a picture file (starting from `current`) and links it to media
// `slot`. The linked path, or nothing when cancelled or refused (a path the
// catalogue cannot store is refused with a message).
std::optional<QString> ChooseAndLinkPicture(Session& session, int slot, const QString& current);

class TfrmMediaImage : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmMediaImage(Session& session, QWidget* parent = nullptr);

  static constexpr int kLinkColumn = 1;

  QTabBar* TabControl1;
  QTreeWidget* ListView1;
  PictureShow* PicShow1;
  QPushButton *cmdUpdate, *cmdDelete, *cmdClose;

 public Q_SLOTS:
  void cmdUpdateClick();
  void cmdDeleteClick();
  void ListView1SelectItem();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FillList();
  QTreeWidgetItem* FirstSelected() const;

  Session& session_;
  DivLists lists_;
  MediaListSorter sorter_;
};

}  // namespace plomix
