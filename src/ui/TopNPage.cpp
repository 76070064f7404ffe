#include "ui/TopNPage.h"

#include <QBoxLayout>
#include <QToolBar>

#include "ui/charts/PieChart.h"

namespace plomix {

TopNPage::TopNPage(Session& session, QWidget* parent) : Page(parent), session_(session) {
  setObjectName(QStringLiteral("TabSheet7"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  ToolBar7 = new QToolBar(this);
  ToolBar7->setObjectName(QStringLiteral("ToolBar7"));
  ChartMedia2 = new PieChart(this);
  ChartMedia2->setObjectName(QStringLiteral("ChartMedia2"));
  layout->addWidget(ToolBar7);
  layout->addWidget(ChartMedia2, 1);
}

}  // namespace plomix
