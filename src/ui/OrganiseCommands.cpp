#include "ui/OrganiseCommands.h"

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

OrganiseCommands::OrganiseCommands(MediaPage& page, Session& session)
    : QObject(&page), page_(page), session_(session) {}

void OrganiseCommands::Connect() {
  FileListPanel* list = page_.pnlListViewClient;
  PropertyPanel* properties = page_.pnlListViewLeft;
  connect(page_.ToolButton52, &QToolButton::clicked, this, &OrganiseCommands::ToolButton52Click);
  connect(page_.PopItemMediaTypeChange, &QAction::triggered, this,
          &OrganiseCommands::ToolButton52Click);
  connect(page_.ToolButton53, &QToolButton::clicked, this, &OrganiseCommands::ToolButton53Click);
  connect(page_.PopItemMediaAreaChange, &QAction::triggered, this,
          &OrganiseCommands::ToolButton53Click);
  connect(page_.N45, &QAction::triggered, this, &OrganiseCommands::N45Click);
  connect(page_.ToolButton63, &QToolButton::clicked, this, &OrganiseCommands::ToolButton63Click);
  connect(properties->ToolButton70, &QToolButton::clicked, this,
          &OrganiseCommands::ToolButton70Click);
  connect(properties->PicShow1, &PictureShow::DoubleClicked, this,
          &OrganiseCommands::ToolButton70Click);
  connect(list, &FileListPanel::CommentRequested, this, &OrganiseCommands::ToolButton37Click);
  connect(list, &FileListPanel::CommentSaveRequested, this, &OrganiseCommands::cmdCommentClick);
  connect(list, &FileListPanel::MarkRequested, this, &OrganiseCommands::ToolButton4Click);
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

void OrganiseCommands::ToolButton52Click() {
  if (session_.RefuseWhileBusy()) return;
  AfterSlotsChanged(TfrmDivision::Run(session_, DivMode::Category, &page_));
}

void OrganiseCommands::ToolButton53Click() {
  if (session_.RefuseWhileBusy()) return;
  AfterSlotsChanged(TfrmDivision::Run(session_, DivMode::Location, &page_));
}

void OrganiseCommands::N45Click() {
  if (session_.RefuseWhileBusy()) return;
  TfrmAreaSubList::Run(session_, &page_);
  AfterSlotsChanged(false);
}

void OrganiseCommands::AfterSlotsChanged(bool mediaMoved) {
  if (mediaMoved) {
    page_.SelectAllCategories();
    session_.GetCatalog().Recount();
    page_.RebuildTree(TreeRebuild::Full);
    return;
  }
  // Details written, or the slots reloaded by a cancel: what is shown is
  // built again from the slots.
  if (QTreeWidgetItem* current = page_.TreeView1->currentItem()) page_.TreeView1Change(current);
}

void OrganiseCommands::RefreshProperties() {
  if (!page_.pnlListViewClient->SelectedRows().empty()) {
    page_.ListView1SelectItem();
    return;
  }
  const std::string format =
      text::QStringToCp932(session_.GetSettings().GetString(REG_FormatUpdateDateTime));
  const int32_t key = page_.CurrentKey();
  const ShownEntry& shown = page_.Shown();
  page_.pnlListViewLeft->ShowProperties(
      BuildNodeProperties(session_.GetCatalog(), shown, format),
      !IsEntryKey(key) ? 0 : (shown.kind == ShownKind::Media ? shown.mediaRoot.Kind : 9));
}

void OrganiseCommands::ShowNodePicture(int slot) {
  pictureSlot_ = slot;
  page_.pnlListViewLeft->ToolButton70->setEnabled(slot >= 0);
  const QString linked =
      slot < 0 ? QString() : text::Cp932ToQString(session_.GetCatalog().MediaPicture(slot));
  page_.pnlListViewLeft->PicShow1->ShowPath(ResolveWindowPicture(linked, DesktopWallpaperPath()));
}

void OrganiseCommands::ToolButton63Click() {
  if (session_.RefuseWhileBusy()) return;
  TfrmMediaImage dialog(session_, &page_);
  dialog.exec();
  RefreshProperties();
  if (pictureSlot_ >= 0) ShowNodePicture(pictureSlot_);
}

void OrganiseCommands::ToolButton70Click() {
  if (session_.Busy() || pictureSlot_ < 0 || !page_.pnlListViewLeft->ToolButton70->isEnabled())
    return;
  const int slot = pictureSlot_;
  const auto linked = ChooseAndLinkPicture(
      session_, slot, text::Cp932ToQString(session_.GetCatalog().MediaPicture(slot)));
  if (!linked) return;
  page_.pnlListViewLeft->PicShow1->ShowPath(ResolveWindowPicture(*linked, DesktopWallpaperPath()));
  RefreshProperties();
}

int OrganiseCommands::CommentRow() {
  const std::vector<int> rows = page_.pnlListViewClient->SelectedRows();
  if (rows.size() == 1) return rows.front();
  session_.Ask().Message(rows.empty() ? QStringLiteral("コメントを書込むファイルが不明です")
                                      : QStringLiteral("複数ファイルにコメントは登録出来ません"),
                         PromptIcon::Warning, PromptButtons::Ok);
  return -1;
}

void OrganiseCommands::AfterRowsChanged(const std::vector<int>& rows) {
  for (int row : rows) page_.ListModel().RowChanged(row);
  page_.ListView1SelectItem();
}

void OrganiseCommands::ToolButton37Click() {
  if (session_.RefuseWhileBusy()) return;
  const int row = CommentRow();
  if (row < 0) return;
  TfrmComment dialog(session_, page_.ListModel().MutableRow(row), &page_);
  if (dialog.exec() == QDialog::Accepted) AfterRowsChanged({row});
}

void OrganiseCommands::cmdCommentClick() {
  if (session_.RefuseWhileBusy()) return;
  const int row = CommentRow();
  if (row < 0) return;
  const std::optional<std::string> text = FitForField(
      session_.Ask(),
      QString::fromStdString(
          CommentLinesFromEditor(page_.pnlListViewClient->txtComment->toPlainText().toStdString())),
      kCommentTextCap);
  if (!text) return;
  CommentWrite result = CommentWrite::Nothing;
  if (!Safely(session_.Ask(), [&] {
        result =
            WriteEntryCommentText(session_.GetCatalog(), page_.ListModel().MutableRow(row), *text);
      }))
    return;
  if (result == CommentWrite::Nothing) return;
  ReportCommentWrite(session_, result);
  AfterRowsChanged({row});
}

void OrganiseCommands::ToolButton4Click() {
  const std::vector<int> rows = page_.pnlListViewClient->SelectedRows();
  // Pressed while a list fills, nothing is selected yet: the fill must go on.
  if (rows.empty()) return;
  // A fill started while events run (another node chosen) replaces the rows:
  // the command stops there instead of touching rows that are gone.
  const int generation = page_.pnlListViewClient->FillGeneration();
  std::vector<TRecord*> targets;
  for (int row : rows) targets.push_back(&page_.ListModel().MutableRow(row));
  if (MarkCommand(session_, targets,
                  [&] { return page_.pnlListViewClient->FillIsCurrent(generation); }))
    AfterRowsChanged(rows);
}

}  // namespace plomix
