#pragma once
// The mark command of the lists that show catalogue entries: the file list
// (`ToolButton4`, `N2`) and the search result list (`ToolButton23`, `M3`).

#include <functional>
#include <vector>

#include "core/Records.h"

namespace plomix {

class Session;

// With the hourglass cursor, toggles the mark of each row in turn (writing it
// at once) and sets the row's Mark and MarkImage, letting window events run
// between rows. `rowsStillValid` is asked after those events: false (the
// list was refilled meanwhile) stops the loop before a row that is gone is
// touched. A failed write is shown as an error and ends the loop. True while
// the rows are still the list's: the caller then repaints them (MarkedIcon in
// ui/FileListModel.h draws the state image) and refreshes what it shows.
bool MarkCommand(Session& session, const std::vector<TRecord*>& rows,
                 const std::function<bool()>& rowsStillValid = {});

}  // namespace plomix
