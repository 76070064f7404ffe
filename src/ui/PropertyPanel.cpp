#include "ui/PropertyPanel.h"

#include <QBoxLayout>
#include <QClipboard>
#include <QEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include "ui/ColumnFit.h"
#include "ui/ImageList.h"
#include "ui/PageSupport.h"
#include "ui/charts/PieChart.h"
#include "ui/widgets/PictureShow.h"

namespace plomix {

namespace {

QString ColourStyle(const QColor& colour) {
  return QStringLiteral("background-color: %1; border: 1px solid black;").arg(colour.name());
}

}  // namespace

PropertyPanel::PropertyPanel(ImageList& images, QWidget* parent)
    : QWidget(parent), images_(images) {
  setObjectName(QStringLiteral("pnlListViewLeft"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  BuildHeader();
  BuildGraph();
  ListView3 = new QTreeWidget(this);
  ListView3->setObjectName(QStringLiteral("ListView3"));
  ListView3->setColumnCount(2);
  ListView3->setHeaderLabels({QStringLiteral("項目"), QStringLiteral("内容")});
  ListView3->setRootIsDecorated(false);
  ListView3->setColumnWidth(0, 130);
  layout->addWidget(ListView3, 1);
}

void PropertyPanel::BuildHeader() {
  auto* layout = static_cast<QVBoxLayout*>(this->layout());
  auto* header = new QHBoxLayout;
  ImageListView = new QLabel(this);
  ImageListView->setObjectName(QStringLiteral("ImageListView"));
  ImageListView->setFixedSize(34, 34);
  lblListViewName = new QLabel(this);
  lblListViewName->setObjectName(QStringLiteral("lblListViewName"));
  QFont bold = lblListViewName->font();
  bold.setBold(true);
  lblListViewName->setFont(bold);
  pnlMediaReLoad = new QLabel(QStringLiteral("メデイアの\n再読込み推奨"), this);
  pnlMediaReLoad->setObjectName(QStringLiteral("pnlMediaReLoad"));
  pnlMediaReLoad->setStyleSheet(
      QStringLiteral("background-color: yellow; border: 1px solid gray;"));
  pnlMediaReLoad->setToolTip(
      QStringLiteral("Ver."
                     "4以前にメディア情報を取得したために90Byteを超えたロングファイル名が90Byteまで"
                     "しか取得できていません。"));
  pnlMediaReLoad->setVisible(false);
  header->addWidget(ImageListView);
  header->addWidget(lblListViewName, 1);
  header->addWidget(pnlMediaReLoad);
  layout->addLayout(header);

  ToolBar5 = new QToolBar(this);
  ToolBar5->setObjectName(QStringLiteral("ToolBar5"));
  ToolBar5->setIconSize(QSize(16, 16));
  ToolButton9 = AddToolButton(ToolBar5, images_, "ToolButton9",
                              QStringLiteral("プロパティ情報を右側へ表示"), kImageSortUp);
  ToolButton10 = AddToolButton(ToolBar5, images_, "ToolButton10",
                               QStringLiteral("プロパティ情報を左側へ表示"), kImageSortDown);
  ToolButton70 = AddToolButton(ToolBar5, images_, "ToolButton70",
                               QStringLiteral("カレントのメディアに画像を登録"), kImageFile);
  ToolButton57 = AddToolButton(ToolBar5, images_, "ToolButton57",
                               QStringLiteral("プロパティのコピー"), kImageFile);
  ToolButton9->setCheckable(true);
  ToolButton10->setCheckable(true);
  ToolButton9->setChecked(true);
  ToolButton9->setAutoExclusive(true);
  ToolButton10->setAutoExclusive(true);
  ToolButton70->setEnabled(false);
  connect(ToolButton57, &QToolButton::clicked, this, &PropertyPanel::ToolButton57Click);
  layout->addWidget(ToolBar5);
}

void PropertyPanel::BuildGraph() {
  PageControl4 = new QTabWidget(this);
  PageControl4->setObjectName(QStringLiteral("PageControl4"));
  PageControl4->setTabPosition(QTabWidget::East);
  PicShow1 = new PictureShow;
  PicShow1->setObjectName(QStringLiteral("PicShow1"));
  PicShow1->setToolTip(QStringLiteral("ダブルクリックにて表示中のメディアに画像を登録します"));
  auto* graph = new QWidget;
  auto* graphLayout = new QHBoxLayout(graph);
  graphLayout->setContentsMargins(0, 0, 0, 0);
  Chart2 = new PieChart(graph);
  Chart2->setObjectName(QStringLiteral("Chart2"));
  Chart2->SetThreeD(true);
  Chart2->SetDepthPercent(30);
  Chart2->SetRotation(315);
  Chart2->SetMarkStyle(PieChart::MarkStyle::Percent);
  Chart2->SetClickTurn(true, 10, 350);
  Chart2->setMinimumSize(120, 100);
  Panel41 = new QWidget(graph);
  Panel41->setObjectName(QStringLiteral("Panel41"));
  auto* legend = new QGridLayout(Panel41);
  legend->setContentsMargins(2, 2, 2, 2);
  QLabel** labels[] = {&lblListViewColor1, &lblListViewColor2, &lblListViewColor3};
  QLabel** boxes[] = {&pnlListViewColor1, &pnlListViewColor2, &pnlListViewColor3};
  for (int i = 0; i < 3; ++i) {
    *boxes[i] = new QLabel(Panel41);
    (*boxes[i])->setObjectName(QStringLiteral("pnlListViewColor%1").arg(i + 1));
    (*boxes[i])->setFixedSize(14, 14);
    *labels[i] = new QLabel(Panel41);
    (*labels[i])->setObjectName(QStringLiteral("lblListViewColor%1").arg(i + 1));
    (*labels[i])->installEventFilter(this);
    legend->addWidget(*boxes[i], i, 0);
    legend->addWidget(*labels[i], i, 1);
  }
  legend->setRowStretch(3, 1);
  graphLayout->addWidget(Chart2, 1);
  graphLayout->addWidget(Panel41);
  PageControl4->addTab(PicShow1, QStringLiteral("画像"));
  PageControl4->addTab(graph, QStringLiteral("グラフ"));
  PageControl4->setCurrentIndex(1);
  PageControl4->setFixedHeight(130);
  layout()->addWidget(PageControl4);
}

void PropertyPanel::ShowProperties(const PropertySheet& sheet, int image) {
  properties_ = sheet;
  ListView3->clear();
  Chart2->Clear();
  pnlMediaReLoad->setVisible(sheet.showReload);
  ImageListView->setPixmap(images_.Icon(image).pixmap(32, 32));
  lblListViewName->setText(sheet.label);
  lblListViewName->setStyleSheet(QStringLiteral("color: %1;").arg(sheet.labelColour.name()));
  for (const PropertyRow& row : sheet.rows)
    new QTreeWidgetItem(ListView3, QStringList{row.item, row.value});
  FitLabelColumn(*ListView3, 0);
  QLabel* labels[] = {lblListViewColor1, lblListViewColor2, lblListViewColor3};
  QLabel* boxes[] = {pnlListViewColor1, pnlListViewColor2, pnlListViewColor3};
  for (int i = 0; i < 3; ++i) {
    const bool used = i < static_cast<int>(sheet.legend.size());
    labels[i]->setVisible(used);
    boxes[i]->setVisible(used);
    if (!used) continue;
    const LegendEntry& entry = sheet.legend[static_cast<std::size_t>(i)];
    labels[i]->setText(entry.text);
    boxes[i]->setStyleSheet(ColourStyle(entry.colour));
    labels[i]->setToolTip(ByteText(entry.value));
    boxes[i]->setToolTip(ByteText(entry.value));
    Chart2->AddSlice(entry.text, entry.value, entry.colour);
  }
  Panel41->setVisible(!sheet.legend.empty());
  Chart2->setVisible(!sheet.legend.empty());
  Q_EMIT StatusText(sheet.status);
}

bool PropertyPanel::eventFilter(QObject* watched, QEvent* event) {
  if ((event->type() == QEvent::Enter || event->type() == QEvent::Leave) &&
      (watched == lblListViewColor1 || watched == lblListViewColor2 ||
       watched == lblListViewColor3)) {
    auto* label = static_cast<QLabel*>(watched);
    QFont font = label->font();
    font.setBold(event->type() == QEvent::Enter);
    label->setFont(font);
  }
  if (event->type() == QEvent::Resize && watched == ListView3->viewport())
    FitLabelColumn(*ListView3, 0);
  return QWidget::eventFilter(watched, event);
}

void PropertyPanel::ToolButton57Click() {
  QGuiApplication::clipboard()->setText(PropertiesText(properties_));
}

}  // namespace plomix
