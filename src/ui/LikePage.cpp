#include "ui/LikePage.h"

#include <QBoxLayout>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>

namespace plomix {

LikePage::LikePage(Session& session, QWidget* parent) : Page(parent), session_(session) {
  setObjectName(QStringLiteral("TabSheet9"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* splitter = new QSplitter(Qt::Vertical, this);
  GridView11 = new QTableView(splitter);
  GridView11->setObjectName(QStringLiteral("GridView11"));
  GridView12 = new QTableView(splitter);
  GridView12->setObjectName(QStringLiteral("GridView12"));
  StatusBar4 = new QStatusBar(this);
  StatusBar4->setObjectName(QStringLiteral("StatusBar4"));
  StatusBar4->setSizeGripEnabled(false);
  layout->addWidget(splitter, 1);
  layout->addWidget(StatusBar4);
}

}  // namespace plomix
