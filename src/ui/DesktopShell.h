#pragma once
// What the window asks of the desktop for a file on disk: open it with its
// associated application, or show it selected in the file manager. Tests
// derive from it and record instead.

#include <QString>

namespace plomix {

class DesktopShell {
 public:
  virtual ~DesktopShell() = default;
  // Opens a file or folder with the desktop's default application; false
  // when the desktop refused.
  virtual bool OpenPath(const QString& path);
  // Shows the item selected in the file manager (the freedesktop
  // FileManager1 service); without that service the containing folder is
  // opened instead.
  virtual bool ShowItem(const QString& path);
};

}  // namespace plomix

namespace plomix {

class Prompter;

// Opens (or, with `show`, shows in the file manager) a catalogued entry's
// disk path; a path that is empty or no longer exists is reported by name
// instead of handing the desktop something it cannot open.
bool OpenOnDisk(DesktopShell& shell, Prompter& prompter, const QString& path, bool show);

}  // namespace plomix
