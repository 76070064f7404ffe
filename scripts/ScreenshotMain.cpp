// The window in picture-taking mode, for scripts/screenshot: the program's
// own start on the catalogue of its settings, then pictures of the window or
// of one of its dialogs, steered by the environment (see below), and exit.
// Kept out of the shipped program.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <memory>

#include "ui/AppSetup.h"
#include "ui/PxMain.h"
#include "ui/QtPrompter.h"
#include "ui/SearchPage.h"
#include "ui/Session.h"
#include "ui/search/PxFileSearch.h"

namespace {

// Brings the named widgets to the front for a screenshot: a tab sheet
// becomes the current page of every tab control it sits in; "Grid:3"
// selects row 3 of an item view; a button is pressed.
void ShowForScreenshot(QWidget& window, const QString& names) {
  for (const QString& entry : names.split(',', Qt::SkipEmptyParts)) {
    const QStringList parts = entry.split(':');
    auto* widget = window.findChild<QWidget*>(parts.value(0));
    if (widget == nullptr) continue;
    for (QWidget* page = widget; page != nullptr; page = page->parentWidget()) {
      auto* stack = qobject_cast<QStackedWidget*>(page->parentWidget());
      if (auto* tabs = stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr)
        tabs->setCurrentWidget(page);
    }
    // A button (a view style of a list, say) is pressed.
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->click();
    auto* view = qobject_cast<QAbstractItemView*>(widget);
    if (view != nullptr && parts.size() > 1)
      view->setCurrentIndex(view->model()->index(parts.value(1).toInt(), 1));
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
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
  // to people who cannot run it; without it the window simply runs).
  // PLOMIX2_SCREENSHOT_PAGE names what to show in front: tab sheets
  // (TabSheet6 for サイズ順) and grid rows ("GridView1:0").
  const QString screenshot = qEnvironmentVariable("PLOMIX2_SCREENSHOT");
  // PLOMIX2_SCREENSHOT_SEARCH=pattern: first search every media for the name
  // pattern, saving a picture of the filled-in search dialog beside the
  // window's ("file-dialog.png").
  const QString searchPattern = qEnvironmentVariable("PLOMIX2_SCREENSHOT_SEARCH");
  if (!screenshot.isEmpty() && !searchPattern.isEmpty()) {
    QTimer::singleShot(300, &window, [&window, screenshot, searchPattern] {
      window.TabSheet2->RunSearchCommand([&](plomix::TfrmFileSearch& dialog) {
        dialog.show();
        dialog.TabControl1->setCurrentIndex(0);
        dialog.chkModeName->setChecked(true);
        dialog.txtSearchName->setText(searchPattern);
        QCoreApplication::processEvents();
        QString picture = screenshot;
        if (picture.endsWith(QStringLiteral(".png"))) picture.chop(4);
        dialog.grab().save(picture + QStringLiteral("-dialog.png"));
        dialog.cmdSearch->click();
        dialog.hide();
        return dialog.result() == QDialog::Accepted;
      });
    });
  }
  if (!screenshot.isEmpty()) {
    // PLOMIX2_SCREENSHOT_DIALOG names a command (E2, C3, N4, ...) whose
    // dialog is pictured instead, with the list's first row selected.
    const QString command = qEnvironmentVariable("PLOMIX2_SCREENSHOT_DIALOG");
    if (command.isEmpty()) {
      QTimer::singleShot(1000, &window, [&window] {
        ShowForScreenshot(window, qEnvironmentVariable("PLOMIX2_SCREENSHOT_PAGE"));
      });
      QTimer::singleShot(2000, &window, [&window, screenshot] {
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
