#include "ui/DetailPanel.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>

#include "ui/ImageList.h"
#include "ui/Session.h"

namespace plomix {

DetailPanel::DetailPanel(Session& session, QWidget* parent) : QWidget(parent), session_(session) {
  setObjectName(QStringLiteral("Panel24"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  PageControl3 = new QTabWidget(this);
  PageControl3->setObjectName(QStringLiteral("PageControl3"));
  PageControl3->setTabPosition(QTabWidget::West);
  TabSheet10 = new QWidget;
  TabSheet10->setObjectName(QStringLiteral("TabSheet10"));
  TabSheet11 = new QWidget;
  TabSheet11->setObjectName(QStringLiteral("TabSheet11"));
  auto* dupLayout = new QVBoxLayout(TabSheet10);
  dupLayout->setContentsMargins(0, 0, 0, 0);
  GridView3 = new QTableView(TabSheet10);
  GridView3->setObjectName(QStringLiteral("GridView3"));
  dupLayout->addWidget(GridView3);
  auto* likeLayout = new QVBoxLayout(TabSheet11);
  likeLayout->setContentsMargins(0, 0, 0, 0);
  TabControl1 = new QTabBar(TabSheet11);
  TabControl1->setObjectName(QStringLiteral("TabControl1"));
  TabControl1->addTab(QStringLiteral("似たような"));
  GridView4 = new QTableView(TabSheet11);
  GridView4->setObjectName(QStringLiteral("GridView4"));
  auto* likeBar = new QHBoxLayout;
  Panel38 = new QLabel(TabSheet11);
  Panel38->setObjectName(QStringLiteral("Panel38"));
  cmdShowLikePath = new QPushButton(QStringLiteral("全パス名表示"), TabSheet11);
  cmdShowLikePath->setObjectName(QStringLiteral("cmdShowLikePath"));
  cmdLikeClipbord = new QPushButton(QStringLiteral("コピー"), TabSheet11);
  cmdLikeClipbord->setObjectName(QStringLiteral("cmdLikeClipbord"));
  cmdShowLikePath->setEnabled(false);
  cmdLikeClipbord->setEnabled(false);
  likeBar->addWidget(Panel38, 1);
  likeBar->addWidget(cmdShowLikePath);
  likeBar->addWidget(cmdLikeClipbord);
  likeLayout->addWidget(TabControl1);
  likeLayout->addWidget(GridView4, 1);
  likeLayout->addLayout(likeBar);
  PageControl3->addTab(TabSheet10, session.Images().Icon(10), QString());
  PageControl3->addTab(TabSheet11, session.Images().Icon(10), QString());
  PageControl3->setTabToolTip(0, QStringLiteral("重複ファイルの詳細"));
  PageControl3->setTabToolTip(1, QStringLiteral("似たようなファイルの詳細"));
  layout->addWidget(PageControl3);
}

}  // namespace plomix
