#include "ui/SizeChartPage.h"

#include <QBoxLayout>
#include <QScrollBar>
#include <QToolBar>

namespace plomix {

SizeChartPage::SizeChartPage(Session& session, QWidget* parent) : Page(parent), session_(session) {
  setObjectName(QStringLiteral("TabSheet6"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  ToolBar6 = new QToolBar(this);
  ToolBar6->setObjectName(QStringLiteral("ToolBar6"));
  auto* chartRow = new QHBoxLayout;
  ChartMedia = new QWidget(this);
  ChartMedia->setObjectName(QStringLiteral("ChartMedia"));
  ScrollBarChartMedia = new QScrollBar(Qt::Vertical, this);
  ScrollBarChartMedia->setObjectName(QStringLiteral("ScrollBarChartMedia"));
  chartRow->addWidget(ChartMedia, 1);
  chartRow->addWidget(ScrollBarChartMedia);
  layout->addWidget(ToolBar6);
  layout->addLayout(chartRow, 1);
}

}  // namespace plomix
