// The media page's organising commands: categories and locations, storage
// details, pictures, comments and marks.
#include <QActionGroup>
#include <QBoxLayout>
#include <QCheckBox>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>

#include "browse/BrowseHistory.h"
#include "browse/MediaPath.h"
#include "core/BusyScope.h"
#include "core/Catalog.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "organise/Comments.h"
#include "organise/MediaPictures.h"
#include "ui/CopyCommands.h"
#include "ui/DatePage.h"
#include "ui/DetailPanel.h"
#include "ui/FileCommands.h"
#include "ui/FileListModel.h"
#include "ui/FileListPanel.h"
#include "ui/ImageList.h"
#include "ui/MediaPage.h"
#include "ui/PageSupport.h"
#include "ui/PropertyPanel.h"
#include "ui/Session.h"
#include "ui/SizeChartPage.h"
#include "ui/SizeChartState.h"
#include "ui/TopNPage.h"
#include "ui/export/PxEnvClipbord.h"
#include "ui/organise/MarkCommand.h"
#include "ui/organise/PxAreaSubList.h"
#include "ui/organise/PxComment.h"
#include "ui/organise/PxDivision.h"
#include "ui/organise/PxMediaImage.h"
#include "ui/reading/PxDriveChange.h"
#include "ui/widgets/PictureShow.h"
#include "ui/widgets/WaitCursor.h"

namespace plomix {

// ---------------------------------------------------------------- organising

void MediaPage::ConnectOrganising() {
  FileListPanel* list = pnlListViewClient;
  connect(ToolButton52, &QToolButton::clicked, this, &MediaPage::ToolButton52Click);
  connect(PopItemMediaTypeChange, &QAction::triggered, this, &MediaPage::ToolButton52Click);
  connect(ToolButton53, &QToolButton::clicked, this, &MediaPage::ToolButton53Click);
  connect(PopItemMediaAreaChange, &QAction::triggered, this, &MediaPage::ToolButton53Click);
  connect(N45, &QAction::triggered, this, &MediaPage::N45Click);
  connect(ToolButton63, &QToolButton::clicked, this, &MediaPage::ToolButton63Click);
  connect(pnlListViewLeft->ToolButton70, &QToolButton::clicked, this,
          &MediaPage::ToolButton70Click);
  connect(pnlListViewLeft->PicShow1, &PictureShow::DoubleClicked, this,
          &MediaPage::ToolButton70Click);
  connect(list->ToolButton37, &QToolButton::clicked, this, &MediaPage::ToolButton37Click);
  connect(list->N3, &QAction::triggered, this, &MediaPage::ToolButton37Click);
  connect(list->cmdComment, &QPushButton::clicked, this, &MediaPage::cmdCommentClick);
  connect(list->ToolButton4, &QToolButton::clicked, this, &MediaPage::ToolButton4Click);
  connect(list->N2, &QAction::triggered, this, &MediaPage::ToolButton4Click);
  for (QWidget* command :
       std::initializer_list<QWidget*>{list->ToolButton4, list->ToolButton37, list->cmdComment})
    command->setEnabled(true);
  list->N2->setEnabled(true);
  list->N3->setEnabled(true);
  // The panel's memo holds at most 255 characters, as the comment slot's
  // field does for single-byte text.
  connect(list->txtComment, &QPlainTextEdit::textChanged, this, [list] {
    const QString text = list->txtComment->toPlainText();
    if (text.size() <= static_cast<int>(kCommentTextCap)) return;
    const QSignalBlocker quiet(list->txtComment);
    list->txtComment->setPlainText(text.left(static_cast<int>(kCommentTextCap)));
    list->txtComment->moveCursor(QTextCursor::End);
  });
}

void MediaPage::ToolButton52Click() {
  if (session_.RefuseWhileBusy()) return;
  AfterSlotsChanged(TfrmDivision::Run(session_, DivMode::Category, this));
}

void MediaPage::ToolButton53Click() {
  if (session_.RefuseWhileBusy()) return;
  AfterSlotsChanged(TfrmDivision::Run(session_, DivMode::Location, this));
}

void MediaPage::N45Click() {
  if (session_.RefuseWhileBusy()) return;
  TfrmAreaSubList::Run(session_, this);
  AfterSlotsChanged(false);
}

void MediaPage::AfterSlotsChanged(bool mediaMoved) {
  if (mediaMoved) {
    SelectAllCategories();
    session_.GetCatalog().Recount();
    RebuildTree(TreeRebuild::Full);
    return;
  }
  // Details written, or the slots reloaded by a cancel: what is shown is
  // built again from the slots.
  if (QTreeWidgetItem* current = TreeView1->currentItem()) TreeView1Change(current);
}

void MediaPage::RefreshProperties() {
  if (!pnlListViewClient->SelectedRows().empty()) {
    ListView1SelectItem();
    return;
  }
  const std::string format =
      text::QStringToCp932(session_.GetSettings().GetString(REG_FormatUpdateDateTime));
  const int32_t key = CurrentKey();
  pnlListViewLeft->ShowProperties(
      BuildNodeProperties(session_.GetCatalog(), shown_, format),
      !IsEntryKey(key) ? 0 : (shown_.kind == ShownKind::Media ? shown_.mediaRoot.Kind : 9));
}

void MediaPage::ShowNodePicture(int slot) {
  pictureSlot_ = slot;
  pnlListViewLeft->ToolButton70->setEnabled(slot >= 0);
  const QString linked =
      slot < 0 ? QString() : text::Cp932ToQString(session_.GetCatalog().MediaPicture(slot));
  pnlListViewLeft->PicShow1->ShowPath(ResolveWindowPicture(linked, DesktopWallpaperPath()));
}

void MediaPage::ToolButton63Click() {
  if (session_.RefuseWhileBusy()) return;
  TfrmMediaImage dialog(session_, this);
  dialog.exec();
  RefreshProperties();
  if (pictureSlot_ >= 0) ShowNodePicture(pictureSlot_);
}

void MediaPage::ToolButton70Click() {
  if (session_.Busy() || pictureSlot_ < 0 || !pnlListViewLeft->ToolButton70->isEnabled()) return;
  const int slot = pictureSlot_;
  const auto linked = ChooseAndLinkPicture(
      session_, slot, text::Cp932ToQString(session_.GetCatalog().MediaPicture(slot)));
  if (!linked) return;
  pnlListViewLeft->PicShow1->ShowPath(ResolveWindowPicture(*linked, DesktopWallpaperPath()));
  RefreshProperties();
}

int MediaPage::CommentRow() {
  const std::vector<int> rows = pnlListViewClient->SelectedRows();
  if (rows.size() == 1) return rows.front();
  session_.Ask().Message(rows.empty() ? QStringLiteral("コメントを書込むファイルが不明です")
                                      : QStringLiteral("複数ファイルにコメントは登録出来ません"),
                         PromptIcon::Warning, PromptButtons::Ok);
  return -1;
}

void MediaPage::AfterRowsChanged(const std::vector<int>& rows) {
  for (int row : rows) ListModel().RowChanged(row);
  ListView1SelectItem();
}

void MediaPage::ToolButton37Click() {
  if (session_.RefuseWhileBusy()) return;
  const int row = CommentRow();
  if (row < 0) return;
  TfrmComment dialog(session_, ListModel().MutableRow(row), this);
  if (dialog.exec() == QDialog::Accepted) AfterRowsChanged({row});
}

void MediaPage::cmdCommentClick() {
  if (session_.RefuseWhileBusy()) return;
  const int row = CommentRow();
  if (row < 0) return;
  const std::optional<std::string> text = FitForField(
      session_.Ask(),
      QString::fromStdString(
          CommentLinesFromEditor(pnlListViewClient->txtComment->toPlainText().toStdString())),
      kCommentTextCap);
  if (!text) return;
  CommentWrite result = CommentWrite::Nothing;
  if (!Safely(session_.Ask(), [&] {
        result = WriteEntryCommentText(session_.GetCatalog(), ListModel().MutableRow(row), *text);
      }))
    return;
  if (result == CommentWrite::Nothing) return;
  ReportCommentWrite(session_, result);
  AfterRowsChanged({row});
}

void MediaPage::ToolButton4Click() {
  const std::vector<int> rows = pnlListViewClient->SelectedRows();
  // Pressed while a list fills, nothing is selected yet: the fill must go on.
  if (rows.empty()) return;
  // A fill started while events run (another node chosen) replaces the rows:
  // the command stops there instead of touching rows that are gone.
  const int generation = pnlListViewClient->FillGeneration();
  std::vector<TRecord*> targets;
  for (int row : rows) targets.push_back(&ListModel().MutableRow(row));
  if (MarkCommand(session_, targets, [&] { return pnlListViewClient->FillIsCurrent(generation); }))
    AfterRowsChanged(rows);
}

}  // namespace plomix
