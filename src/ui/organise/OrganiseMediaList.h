#pragma once
// What the organising dialogs share: their media lists (a row per listing
// entry, the media kind's icon, the slot in the row's data), the column sort
// (the clicked column's text, "_" and the name, locale-aware; descending on
// the first click after a fill, then alternating, header images 14 and 15)
// and the texts of a media row.

#include <QString>
#include <QStringList>

#include "core/Records.h"

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class QTabBar;
class QWidget;

namespace plomix {

class ImageList;
class Session;

// "メディア種類": the media kind's name ("FD", "HD", …).
QString MediaTypeText(int kind);

// The slot a media list row stands for.
int RowSlot(const QTreeWidgetItem* item);
QTreeWidgetItem* AddMediaRow(QTreeWidget* list, const ImageList& images, const TRecordDiv& div,
                             const QStringList& texts, bool checkable);

// A push button with its object name that Enter does not press.
QPushButton* NamedButton(QWidget* parent, const char* name, const QString& text);

// Cancelling a dialog that keeps slot edits in memory: with `pending` edits
// the user is asked "変更内容を取り消しますか？" first (false: keep the
// dialog open); then the slots are read again from the file, which drops
// every edit.
bool DiscardSlotEdits(Session& session, bool pending);

// Replaces a tab strip's tabs, keeping the selected one by text (else tab 0).
void SetTabs(QTabBar* tabs, const QStringList& names);

class MediaListSorter {
 public:
  // A fill resets the direction: the next click sorts descending.
  void Reset(QTreeWidget* list);
  void Click(QTreeWidget* list, const ImageList& images, int column);

 private:
  int column_ = -1;
  bool ascending_ = true;
};

}  // namespace plomix
