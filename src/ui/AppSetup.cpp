#include "ui/AppSetup.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <utility>

#include "ui/Icons.h"

namespace plomix {

namespace {

// A button that shows only an icon tells what it does through its hint. The
// accessibility bus gets the hint as the button's name (it would otherwise
// offer a nameless "push button"), so screen readers say it and test robots
// find it; a hint changed at run time renames the button. The button a
// toolbar, the menu bar or a tab bar adds for what it has no room for gets
// a hint of its own.
class HintsAsNames : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::ToolTipChange || event->type() == QEvent::Polish) {
      auto* button = qobject_cast<QAbstractButton*>(object);
      if (button != nullptr && button->toolTip().isEmpty()) {
        static const std::pair<QLatin1String, const char16_t*> kQtButtons[] = {
            {QLatin1String("qt_toolbar_ext_button"), u"その他のボタン"},
            {QLatin1String("qt_menubar_ext_button"), u"その他のメニュー"},
            {QLatin1String("ScrollLeftButton"), u"左へスクロール"},
            {QLatin1String("ScrollRightButton"), u"右へスクロール"}};
        for (const auto& [name, hint] : kQtButtons)
          if (button->objectName() == name) button->setToolTip(QString::fromUtf16(hint));
      }
      if (button != nullptr && button->text().isEmpty() &&
          button->accessibleName() != button->toolTip())
        button->setAccessibleName(button->toolTip());
    }
    return QObject::eventFilter(object, event);
  }
};

}  // namespace

bool SetUpApplication(QApplication& app) {
  app.installEventFilter(new HintsAsNames(&app));
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
