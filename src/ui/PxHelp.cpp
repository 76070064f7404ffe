#include "ui/PxHelp.h"

#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/Icons.h"

namespace plomix {

TfrmHelp::TfrmHelp(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmHelp"));
  setWindowTitle(QStringLiteral("Plomix2ヘルプ"));
  setWindowIcon(icons::CommandIcon(QStringLiteral("Plomix21")));
  txtHelp = new QTextBrowser(this);
  txtHelp->setObjectName(QStringLiteral("txtHelp"));
  // Links to web pages open in the desktop's browser; the help's own anchors
  // stay in this window.
  txtHelp->setOpenExternalLinks(true);
  txtHelp->setSource(QUrl(QStringLiteral("qrc:/help/index.html")));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(txtHelp);
  resize(720, 640);
}

TfrmHelp* TfrmHelp::ShowHelp(QWidget* owner, const QString& anchor) {
  static QPointer<TfrmHelp> window;
  if (!window) {
    window = new TfrmHelp(owner);
    window->setAttribute(Qt::WA_DeleteOnClose);
  }
  if (!anchor.isEmpty()) window->txtHelp->scrollToAnchor(anchor);
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}

}  // namespace plomix
