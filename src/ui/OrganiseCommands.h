#pragma once
// The organising commands of the media page: the category and storage
// location dialogs (ToolButton52, ToolButton53), the storage details (N45),
// the media pictures (ToolButton63) and the picture of the selected media
// (ToolButton70), the comment dialog (ToolButton37) and the comment memo
// (cmdComment), and the marks (ToolButton4). They change the catalogue
// through the session; the page then shows the result again.

#include <QObject>
#include <vector>

namespace plomix {

class MediaPage;
class Session;

class OrganiseCommands : public QObject {
  Q_OBJECT

 public:
  OrganiseCommands(MediaPage& page, Session& session);

  // Connects the page's buttons and menu items and limits the comment memo.
  void Connect();
  // Shows the picture of the media in `slot` (-1: none) in the property panel
  // and lets ToolButton70 change it.
  void ShowNodePicture(int slot);

 public Q_SLOTS:
  void ToolButton52Click();
  void ToolButton53Click();
  void N45Click();
  void ToolButton63Click();
  void ToolButton70Click();
  void ToolButton37Click();
  void cmdCommentClick();
  void ToolButton4Click();

 private:
  // After the dialogs that change the media slots: `mediaMoved` when a media
  // changed category, which rebuilds the tree.
  void AfterSlotsChanged(bool mediaMoved);
  void RefreshProperties();
  // The one selected row a comment is written to; -1 after saying why not.
  int CommentRow();
  void AfterRowsChanged(const std::vector<int>& rows);

  MediaPage& page_;
  Session& session_;
  int pictureSlot_ = -1;  // the media of the selected tree node, -1 none
};

}  // namespace plomix
