#pragma once
// A main window on a session of its own, built and destroyed in the order the
// program uses: the session first and last. Settings go where
// PLOMIX2_CONFIG_DIR points when it is built.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "GuiFolder.h"
#include "MediaBuilder.h"
#include "ScriptedPrompter.h"
#include "TestSupport.h"
#include "reading/Drives.h"
#include "reading/ReadRequest.h"
#include "ui/PxMain.h"
#include "ui/Session.h"

namespace plomix::test {

struct SessionWindow {
  explicit SessionWindow(Prompter& prompter) : session(prompter), window(session) {}
  Session session;
  TfrmMain window;
};

// How WindowWithReadMedia reads its media.
struct SampleRead {
  QString catalogue;  // the catalogue the first start creates
  QString folder;     // read through the lowest free drive letter
  std::string name;   // CP932 media name
  std::string category;
  // Sees the window once it has started, before the read.
  std::function<void(SessionWindow&)> beforeRead;
};

// A window that created `read.catalogue` at its start and read `read.folder`
// as one media; null when any step failed. The prompter answers the start's
// file dialog with the catalogue path.
inline std::unique_ptr<SessionWindow> WindowWithReadMedia(ScriptedPrompter& prompter,
                                                          const SampleRead& read) {
  prompter.paths.push_back(read.catalogue);
  auto fixture = std::make_unique<SessionWindow>(prompter);
  if (!fixture->window.Started()) return nullptr;
  if (read.beforeRead) read.beforeRead(*fixture);
  std::string error;
  Drives& drives = fixture->session.GetDrives();
  const char letter = drives.LowestFreeLetter();
  if (letter == 0 || !drives.Bind(letter, read.folder.toStdString(), error)) return nullptr;
  const bool added = fixture->window.ReadMedia([&](ReadWorkflow& workflow) {
    ReadForm form = workflow.InitialForm();
    form.drive = std::string(1, letter);
    form.volumeName = false;
    form.name = read.name;
    form.category = read.category;
    return workflow.ConfirmRead(form, true);
  });
  return added ? std::move(fixture) : nullptr;
}

// A window started on catalogue `catalogue` of `folder`, made through the
// engine and holding the folder `root` stored as media `name` in `category`
// (both CP932; no category: the kind name), as a read stores it; null when
// any step failed. For the tests that need a media but do not test the read.
inline std::unique_ptr<SessionWindow> WindowOnStoredFolder(
    ScriptedPrompter& prompter, const GuiFolder& folder, const std::filesystem::path& root,
    const std::string& name, const std::string& category = {},
    const QString& catalogue = QStringLiteral("cat.qdb")) {
  {
    Catalog catalog;
    if (!catalog.CreateCatalog(folder.File(catalogue.toStdString()))) return nullptr;
    StoreFolderAsMedia(catalog, root, name, category);
  }
  folder.OpenAtStart(catalogue);
  auto fixture = std::make_unique<SessionWindow>(prompter);
  return fixture->window.Started() ? std::move(fixture) : nullptr;
}

// The same with the sample media folder (MakeSampleMediaFolder), made as
// "media" in `folder`.
inline std::unique_ptr<SessionWindow> WindowWithStoredMedia(ScriptedPrompter& prompter,
                                                            const GuiFolder& folder,
                                                            const std::string& name,
                                                            const std::string& category = {}) {
  if (!MakeSampleMediaFolder(folder.Path(QStringLiteral("media")))) return nullptr;
  return WindowOnStoredFolder(prompter, folder, folder.Root() / "media", name, category);
}

}  // namespace plomix::test
