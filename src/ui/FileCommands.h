#pragma once
// The commands of the file list that reach the real files: open (double
// click, O1), show in the file manager (ToolButton11, N4) and copy (N60).
// Each makes sure the right media is in its recorded drive first, or lets the
// user take it from another drive in TfrmPxExplorer. The media page hands in
// the selected rows' keys; everything else comes from the references given.

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/BusyScope.h"

class QWidget;

namespace plomix {

class Catalog;
struct CopyReport;
class DesktopShell;
class Drives;
class Prompter;
class Settings;

class FileCommands : public QObject {
  Q_OBJECT

 public:
  FileCommands(Catalog& catalog, Drives& drives, Settings& settings, Prompter& prompter,
               QWidget* dialogParent);
  ~FileCommands() override;

  // Tests record what would be opened instead.
  void SetShell(DesktopShell& shell) { shell_ = &shell; }
  DesktopShell& Shell() { return *shell_; }
  // Raised while a copy runs, so that the window refuses to close under it.
  void SetBusyMarker(std::function<BusyScope()> mark) { markBusy_ = std::move(mark); }

  // A file row was double-clicked (or O1 chosen on it).
  void OpenFile(int32_t key);
  // `keys`: the selected rows in list order; `mediaRows`: the list shows media.
  void Explore(const std::vector<int32_t>& keys, bool mediaRows);
  void Copy(const std::vector<int32_t>& keys, bool mediaRows);

  const QString& LastCopyFolder() const { return lastCopyFolder_; }

 private:
  Catalog& catalog_;
  Drives& drives_;
  Settings& settings_;
  Prompter& prompter_;
  QWidget* parent_;
  std::unique_ptr<DesktopShell> ownShell_;
  DesktopShell* shell_;
  QString lastCopyFolder_;
  std::function<BusyScope()> markBusy_;
};

// The message after a copy that ran to its end or was cancelled.
QString CopyFinishedText(const CopyReport& report);

}  // namespace plomix
