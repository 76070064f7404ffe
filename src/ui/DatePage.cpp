#include "ui/DatePage.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QTableWidget>

namespace plomix {

DatePage::DatePage(Session& session, QWidget* parent) : Page(parent), session_(session) {
  setObjectName(QStringLiteral("TabSheet5"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  StringGridDateTime = new QTableWidget(this);
  StringGridDateTime->setObjectName(QStringLiteral("StringGridDateTime"));
  StringGridDateTime->verticalHeader()->setDefaultSectionSize(16);
  StringGridDateTime->setSelectionBehavior(QAbstractItemView::SelectRows);
  layout->addWidget(StringGridDateTime, 1);
}

}  // namespace plomix
