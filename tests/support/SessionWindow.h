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

// The small media folder the window tests read:
// 資料/ (報告書.txt 2048 B, 旧版/ (a.txt 1 B)), 単独.bin 10 B.
inline bool MakeSampleMediaFolder(const QString& folder) {
  if (!QDir().mkpath(folder + "/資料/旧版")) return false;
  const auto write = [](const QString& path, int size) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(QByteArray(size, 'x')) == size;
  };
  return write(folder + "/資料/報告書.txt", 2048) && write(folder + "/資料/旧版/a.txt", 1) &&
         write(folder + "/単独.bin", 10);
}

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

}  // namespace plomix::test
