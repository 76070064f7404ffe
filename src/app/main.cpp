// The desktop program: one instance per user, the main window, and nothing
// else on the command line.

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QLockFile>
#include <QStandardPaths>

#include "ui/AppSetup.h"
#include "ui/PxMain.h"
#include "ui/QtPrompter.h"
#include "ui/Session.h"

namespace {

// The lock lives in the user's runtime folder, so a second copy started by
// the same user finds it; a lock left by a crashed copy is taken over.
QString InstanceLockPath() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (folder.isEmpty()) folder = QDir::tempPath();
  return QDir(folder).filePath(QStringLiteral("EX_Plomix2.lock"));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QLockFile instance(InstanceLockPath());
  instance.setStaleLockTime(0);
  if (!instance.tryLock(0)) return 0;
  plomix::SetUpApplication(app);
  // The program speaks Japanese whatever the desktop's language: type names
  // and other texts the desktop supplies follow.
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));

  // The session outlives the window: nothing a closing widget signals can
  // reach an engine object that is already gone.
  plomix::QtPrompter prompter;
  plomix::Session session(prompter);
  plomix::TfrmMain window(session);
  if (!window.Started()) return 0;
  prompter.SetParent(&window);
  window.show();
  return QApplication::exec();
}
