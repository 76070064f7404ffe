#pragma once
// The help window: the program's Japanese help (bundled HTML) in a browser
// pane with its table of contents as links. One window per program; asking
// again brings it to the front.

#include <QWidget>

class QTextBrowser;

namespace plomix {

class TfrmHelp : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmHelp(QWidget* parent = nullptr);

  // Shows the help window (created on first use, owned by `owner` when given),
  // scrolled to `anchor` when not empty ("search", "cli", ...).
  static TfrmHelp* ShowHelp(QWidget* owner = nullptr, const QString& anchor = QString());

  QTextBrowser* txtHelp = nullptr;
};

}  // namespace plomix
