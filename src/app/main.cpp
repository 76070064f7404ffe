// The desktop program: one instance per user, the main window, and nothing
// else on the command line.

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLocale>
#include <QLockFile>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTimer>
#include <memory>

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

// Brings the tab sheet named `name` to the front, and every tab sheet that
// holds it.
void ShowTabSheet(QWidget& window, const QString& name) {
  for (QWidget* sheet = window.findChild<QWidget*>(name); sheet != nullptr && sheet != &window;
       sheet = sheet->parentWidget()) {
    QWidget* stack = sheet->parentWidget();
    if (auto* tabs = qobject_cast<QTabWidget*>(stack != nullptr ? stack->parentWidget() : nullptr))
      tabs->setCurrentWidget(sheet);
  }
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
  // PLOMIX2_SCREENSHOT=file.png: save a picture of the window once it has
  // settled, then close it (scripts/screenshot uses this to show the window
  // to people who cannot run it). PLOMIX2_SCREENSHOT_PAGE names the tab
  // sheet to show in front (TabSheet6 for サイズ順, for example).
  const QString screenshot = qEnvironmentVariable("PLOMIX2_SCREENSHOT");
  if (!screenshot.isEmpty()) {
    const QString page = qEnvironmentVariable("PLOMIX2_SCREENSHOT_PAGE");
    if (!page.isEmpty())
      QTimer::singleShot(1000, &window, [&window, page] { ShowTabSheet(window, page); });
    // PLOMIX2_SCREENSHOT_DIALOG names a command (E2, C3, N4, ...) whose
    // dialog is pictured instead, with the list's first row selected.
    const QString command = qEnvironmentVariable("PLOMIX2_SCREENSHOT_DIALOG");
    if (command.isEmpty()) {
      QTimer::singleShot(1500, &window, [&window, screenshot] {
        const bool saved = window.grab().save(screenshot);
        window.close();
        QApplication::exit(saved ? 0 : 1);
      });
    } else {
      QTimer::singleShot(1500, &window, [&window, screenshot, command] {
        if (auto* list = window.findChild<QAbstractItemView*>(QStringLiteral("ListView1")))
          list->setCurrentIndex(list->model()->index(0, 0));
        auto saved = std::make_shared<bool>(false);
        QTimer::singleShot(800, [saved, screenshot] {
          if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            *saved = dialog->grab().save(screenshot);
            dialog->reject();
          }
        });
        if (auto* action = window.findChild<QAction*>(command)) action->trigger();
        window.close();
        QApplication::exit(*saved ? 0 : 1);
      });
    }
  }
  return QApplication::exec();
}
