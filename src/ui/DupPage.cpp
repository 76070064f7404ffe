#include "ui/DupPage.h"

#include <QBoxLayout>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>

namespace plomix {

DupPage::DupPage(Session& session, QWidget* parent) : Page(parent), session_(session) {
  setObjectName(QStringLiteral("TabSheet8"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* splitter = new QSplitter(Qt::Vertical, this);
  GridView1 = new QTableView(splitter);
  GridView1->setObjectName(QStringLiteral("GridView1"));
  GridView2 = new QTableView(splitter);
  GridView2->setObjectName(QStringLiteral("GridView2"));
  StatusBar3 = new QStatusBar(this);
  StatusBar3->setObjectName(QStringLiteral("StatusBar3"));
  StatusBar3->setSizeGripEnabled(false);
  layout->addWidget(splitter, 1);
  layout->addWidget(StatusBar3);
}

}  // namespace plomix
