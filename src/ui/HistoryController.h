#pragma once
// The media page's back and forward history: it records the tree nodes and
// list rows shown, keeps the list between runs when the settings ask for it,
// shows on the back and forward buttons' hints where they lead, and moves
// through it. The list itself is the session's BrowseHistory; what a move
// shows, the page shows.

#include <QObject>
#include <cstdint>

#include "core/Text.h"

namespace plomix {

class MediaPage;
class Session;

class HistoryController : public QObject {
  Q_OBJECT

 public:
  HistoryController(MediaPage& page, Session& session);

  // Loads the list kept by the last run (when the settings keep it).
  void Load();
  // Keeps the list for the next run, or forgets the last position when the
  // settings do not keep it.
  void Save();
  // Back to the one entry of the top node.
  void Reset();
  // Records a tree node or list row that is shown (numbers: HistoryNumber).
  void Record(int64_t number, const Cp932& name);
  // The back and forward buttons.
  void Back();
  void Forward();
  // Shows the current entry without recording it (at start).
  void ShowPosition();

 private:
  void UpdateHints();
  // Moves by `delta` unless a move is under way; nothing shown on the way is
  // recorded.
  void MoveGuarded(int delta);
  void Move(int delta);

  MediaPage& page_;
  Session& session_;
  bool moving_ = false;
};

}  // namespace plomix
