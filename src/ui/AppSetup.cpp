#include "ui/AppSetup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "ui/Icons.h"

namespace plomix {

bool SetUpApplication(QApplication& app) {
  QApplication::setApplicationName(QStringLiteral("Plomix2"));
  // No application display name: Qt would append it to every window caption,
  // and the main window's caption is fixed text.
  QApplication::setDesktopFileName(QString::fromLatin1(icons::kApplicationId));
  QApplication::setWindowIcon(icons::ApplicationIcon());
  auto* translator = new QTranslator(&app);
  const bool loaded =
      translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                       QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  if (loaded)
    QApplication::installTranslator(translator);
  else
    delete translator;
  return loaded;
}

}  // namespace plomix
