#pragma once
// Small helpers every page and the window shell share: building named tool
// buttons and menu items the way the rest of the window does, showing an
// error through the Prompter, turning a thrown failure into a message box,
// and letting pending window messages run during long work.

#include <QKeySequence>
#include <QString>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>

class QAction;
class QMenu;
class QToolBar;
class QToolButton;
class QWidget;

namespace plomix {

class ImageList;
class Prompter;

// A flat tool button with object name `name`, hint and built-in image,
// appended to `bar`.
QToolButton* AddToolButton(QToolBar* bar, const ImageList& images, const char* name,
                           const QString& hint, int image);
QAction* AddMenuAction(QMenu* menu, const char* name, const QString& caption,
                       const QKeySequence& key = {});

// Binds Ctrl+C (the desktop's copy key) to `copy` while one of `views` has
// the focus, so a text box keeps its own Ctrl+C.
void AddListCopyKey(std::initializer_list<QWidget*> views, QObject* owner,
                    const std::function<void()>& copy);

void ShowError(Prompter& prompter, const QString& text);
// Fits a text typed by the user to a field of `capBytes` CP932 bytes
// (FitToField) and, when it must be cut, asks before it is stored; empty
// when the user declines. The text comes back as UTF-8.
std::optional<std::string> FitForField(Prompter& prompter, const QString& text,
                                       std::size_t capBytes);

// A count as the window shows every count: "120,014".
QString CountText(int64_t count);
// The list fills' status text: "120,014 個のオブジェクト", or with `done`
// "(1,000/120,014) 個のオブジェクト" while the rows are filled in.
QString ObjectCountText(int64_t count, int64_t done = -1);
// Runs `action`; a failure it throws (a catalogue write that failed, …) is
// shown as an error message (a media that another program changed meanwhile
// with a message of its own). False when it threw.
bool Safely(Prompter& prompter, const std::function<void()>& action);
// Lets pending window messages run (the window stays usable during long work).
void Pump();

}  // namespace plomix
