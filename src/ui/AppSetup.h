#pragma once
// What the desktop program sets on its application object before any window
// exists: its names, its icon, Qt's own texts (standard buttons, file
// dialogs, context menus) in Japanese like the rest of the program, and the
// hints of icon-only buttons as their names on the accessibility bus.

class QApplication;

namespace plomix {

// Returns false when Qt's Japanese translation could not be loaded (the
// program then runs with Qt's English texts).
bool SetUpApplication(QApplication& app);

}  // namespace plomix
