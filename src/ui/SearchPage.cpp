#include "ui/SearchPage.h"

#include <QBoxLayout>
#include <QLabel>
#include <QToolBar>
#include <QTreeView>

namespace plomix {

SearchPage::SearchPage(Session& session, QWidget* parent) : Page(parent), session_(session) {
  setObjectName(QStringLiteral("TabSheet2"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  ToolBar2 = new QToolBar(this);
  ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
  ListView2 = new QTreeView(this);
  ListView2->setObjectName(QStringLiteral("ListView2"));
  StatusBar2 = new QLabel(this);
  StatusBar2->setObjectName(QStringLiteral("StatusBar2"));
  layout->addWidget(ToolBar2);
  layout->addWidget(ListView2, 1);
  layout->addWidget(StatusBar2);
}

}  // namespace plomix
