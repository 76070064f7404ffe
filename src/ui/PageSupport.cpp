#include "ui/PageSupport.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <exception>

#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Prompter.h"
#include "ui/ErrorMessage.h"
#include "ui/Icons.h"
#include "ui/ImageList.h"

namespace plomix {

QToolButton* AddToolButton(QToolBar* bar, const ImageList& images, const char* name,
                           const QString& hint, int image) {
  auto* button = new QToolButton(bar);
  button->setObjectName(QString::fromLatin1(name));
  button->setToolTip(hint);
  const QIcon icon = icons::CommandIcon(button->objectName());
  button->setIcon(icon.isNull() ? images.Icon(image) : icon);
  button->setAutoRaise(true);
  bar->addWidget(button);
  return button;
}

QAction* AddMenuAction(QMenu* menu, const char* name, const QString& caption,
                       const QKeySequence& key) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(QString::fromLatin1(name));
  action->setIcon(icons::CommandIcon(action->objectName()));
  if (!key.isEmpty()) action->setShortcut(key);
  return action;
}

void ShowError(Prompter& prompter, const QString& text) {
  prompter.Message(text, PromptIcon::Error, PromptButtons::Ok);
}

std::optional<std::string> FitForField(Prompter& prompter, const QString& text,
                                       std::size_t capBytes) {
  const FittedText fitted = FitToField(text.toStdString(), capBytes);
  if (!fitted.cut) return fitted.utf8;
  const QString message =
      QStringLiteral("入力された文字列は長すぎるため、「%1」に切り詰めて保存します。")
          .arg(QString::fromStdString(fitted.utf8));
  if (prompter.Message(message, PromptIcon::Warning, PromptButtons::OkCancel) != PromptResult::Ok)
    return std::nullopt;
  return fitted.utf8;
}

bool Safely(Prompter& prompter, const std::function<void()>& action) {
  try {
    action();
    return true;
  } catch (const std::exception& error) {
    ShowError(prompter, ErrorMessage(error));
    return false;
  }
}

void Pump() {
  QCoreApplication::processEvents();
}

void AddListCopyKey(std::initializer_list<QWidget*> views, QObject* owner,
                    const std::function<void()>& copy) {
  for (QWidget* view : views) {
    auto* key = new QAction(view);
    key->setShortcut(QKeySequence::Copy);
    key->setShortcutContext(Qt::WidgetShortcut);
    view->addAction(key);
    QObject::connect(key, &QAction::triggered, owner, copy);
  }
}

QString CountText(int64_t count) {
  return QString::fromStdString(FormatNumber(static_cast<double>(count)));
}

QString ObjectCountText(int64_t count, int64_t done) {
  const QString total = done < 0 ? CountText(count)
                                 : QStringLiteral("(%1/%2)").arg(CountText(done), CountText(count));
  return total + QStringLiteral(" 個のオブジェクト");
}

}  // namespace plomix
