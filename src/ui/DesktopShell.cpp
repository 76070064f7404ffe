#include "ui/DesktopShell.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace plomix {

bool DesktopShell::OpenPath(const QString& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool DesktopShell::ShowItem(const QString& path) {
  const QDBusConnection bus = QDBusConnection::sessionBus();
  const QString service = QStringLiteral("org.freedesktop.FileManager1");
  if (bus.isConnected() && bus.interface() &&
      (bus.interface()->isServiceRegistered(service).value() ||
       bus.interface()->activatableServiceNames().value().contains(service))) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/FileManager1"),
                                       service, QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    const QDBusMessage reply = QDBusConnection(bus).call(call, QDBus::Block, 5000);
    if (reply.type() == QDBusMessage::ReplyMessage) return true;
  }
  const QFileInfo info(path);
  return OpenPath(info.absolutePath());
}

}  // namespace plomix

#include "core/Prompter.h"

namespace plomix {

bool OpenOnDisk(DesktopShell& shell, Prompter& prompter, const QString& path, bool show) {
  if (path.isEmpty() || !QFileInfo::exists(path)) {
    prompter.Message(QStringLiteral("ファイルが見つかりません。\r") + path, PromptIcon::Error,
                     PromptButtons::Ok);
    return false;
  }
  const bool done = show ? shell.ShowItem(path) : shell.OpenPath(path);
  if (!done)
    prompter.Message(QStringLiteral("ファイルを開けませんでした。\r") + path, PromptIcon::Error,
                     PromptButtons::Ok);
  return done;
}

}  // namespace plomix
