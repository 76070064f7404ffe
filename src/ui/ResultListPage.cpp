#include "ui/ResultListPage.h"

#include <QBoxLayout>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>

namespace plomix {

ResultListPage::ResultListPage(Session& session, const char* pageName, const char* groupGridName,
                               const char* memberGridName, const char* statusName, QWidget* parent)
    : Page(parent), session_(session) {
  setObjectName(QString::fromLatin1(pageName));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* splitter = new QSplitter(Qt::Vertical, this);
  groupGrid_ = new QTableView(splitter);
  groupGrid_->setObjectName(QString::fromLatin1(groupGridName));
  memberGrid_ = new QTableView(splitter);
  memberGrid_->setObjectName(QString::fromLatin1(memberGridName));
  status_ = new QStatusBar(this);
  status_->setObjectName(QString::fromLatin1(statusName));
  status_->setSizeGripEnabled(false);
  layout->addWidget(splitter, 1);
  layout->addWidget(status_);
}

}  // namespace plomix
