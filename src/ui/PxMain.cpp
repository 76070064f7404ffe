#include "ui/PxMain.h"

#include <QActionGroup>
#include <QApplication>
#include <QBoxLayout>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>

#include "analysis/AnalysisControl.h"
#include "analysis/ResultStore.h"
#include "core/BinaryFile.h"
#include "core/Catalog.h"
#include "core/Compaction.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "core/TypeNames.h"
#include "reading/Drives.h"
#include "reading/PxDrive.h"
#include "reading/ReadRequest.h"
#include "reading/Scanner.h"
#include "ui/BrowseHistory.h"
#include "ui/FileListModel.h"
#include "ui/ImageList.h"
#include "ui/PxAbout.h"
#include "ui/PxListItem.h"
#include "ui/QtPrompter.h"
#include "ui/charts/PieChart.h"
#include "ui/widgets/TypeAheadViews.h"
#include "ui/widgets/WaitCursor.h"

namespace plomix {

namespace {

const QString kCatalogFilter =
    QStringLiteral("メディア管理DBファイル(*.qdb)|*.qdb|すべてのファイル(*.*)|*.*");
const QString kDefaultCatalogName = QStringLiteral("Default.qdb");
const QString kAllTab = QStringLiteral("すべて");
constexpr int kKeyRole = Qt::UserRole + 1;

QString Q(const std::string& cp932) {
  return text::Cp932ToQString(cp932);
}
std::string Sj(const QString& text) {
  return text::QStringToCp932(text);
}
std::string Native(const QString& path) {
  return path.toStdString();
}

QString ColourStyle(const QColor& colour) {
  return QStringLiteral("background-color: %1; border: 1px solid black;").arg(colour.name());
}

}  // namespace

// ---------------------------------------------------------------- construction

TfrmMain::TfrmMain(Prompter* prompter, QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("frmMain"));
  if (prompter == nullptr) {
    ownPrompter_ = std::make_unique<QtPrompter>(this);
    prompter = ownPrompter_.get();
  }
  prompter_ = prompter;
  settings_ = std::make_unique<Settings>();
  catalog_ = std::make_unique<Catalog>();
  dupStore_ = std::make_unique<DupResultStore>(catalog_.get());
  likeStore_ = std::make_unique<LikeResultStore>(catalog_.get());
  analysis_ =
      std::make_unique<AnalysisControl>(*catalog_, *dupStore_, *likeStore_, *settings_, *prompter_);
  drives_ = std::make_unique<Drives>(*settings_);
  scanner_ = std::make_unique<Scanner>();
  readWorkflow_ =
      std::make_unique<ReadWorkflow>(*catalog_, *settings_, *drives_, *scanner_, *prompter_);
  history_ = std::make_unique<BrowseHistory>();
  images_ = std::make_unique<ImageList>();
  typeNames_ = std::make_unique<TypeNames>();
  BuildWindow();
  FormCreate();
}

TfrmMain::~TfrmMain() {
  // The loaders report back into this window; let them end while it exists.
  analysis_.reset();
  // The base class hides and destroys the controls after this window's own
  // members are gone; nothing they signal or ask on the way may reach them.
  hide();
  ListView1Icons->setModel(nullptr);
  ListView1->setModel(nullptr);
  for (QObject* child : findChildren<QObject*>()) {
    QObject::disconnect(child, nullptr, this, nullptr);
    child->removeEventFilter(this);
  }
}

QString TfrmMain::CaptionText() {
  return QStringLiteral("Plomix2  [Ver.") + QStringLiteral(PLOMIX_VERSION_TEXT) + "]";
}

QToolButton* TfrmMain::AddToolButton(QToolBar* bar, const char* name, const QString& hint,
                                     int image) {
  auto* button = new QToolButton(bar);
  button->setObjectName(QString::fromLatin1(name));
  button->setToolTip(hint);
  button->setIcon(images_->Icon(image));
  button->setAutoRaise(true);
  bar->addWidget(button);
  return button;
}

QAction* TfrmMain::AddMenuAction(QMenu* menu, const char* name, const QString& caption,
                                 const QKeySequence& key) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(QString::fromLatin1(name));
  if (!key.isEmpty()) action->setShortcut(key);
  return action;
}

void TfrmMain::BuildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));
  QMenu* file = bar->addMenu(QStringLiteral("ファイル(&F)"));
  N24 = AddMenuAction(file, "N24", QStringLiteral("DBの新規作成(&N)..."), QKeySequence("Ctrl+N"));
  N25 = AddMenuAction(file, "N25", QStringLiteral("DBを開く(&O)..."), QKeySequence("Ctrl+O"));
  file->addSeparator();
  DB1 = AddMenuAction(file, "DB1", QStringLiteral("DBの最適化(&P)"), QKeySequence("Ctrl+P"));
  file->addSeparator();
  E2 = AddMenuAction(file, "E2", QStringLiteral("環境設定(&E)..."), QKeySequence("Ctrl+E"));
  file->addSeparator();
  N28 = AddMenuAction(file, "N28", QStringLiteral("終了(&X)"), QKeySequence("Ctrl+X"));
  QMenu* media = bar->addMenu(QStringLiteral("メディア(&M)"));
  N30 = AddMenuAction(media, "N30", QStringLiteral("メディア情報の追加/更新(&R)..."),
                      QKeySequence("Ctrl+R"));
  N31 = AddMenuAction(media, "N31", QStringLiteral("カレントのメディア情報を削除(&D)"),
                      QKeySequence("Ctrl+D"));
  QMenu* search = bar->addMenu(QStringLiteral("検索(&S)"));
  S1 = AddMenuAction(search, "S1", QStringLiteral("検索(&F)..."), QKeySequence("Ctrl+F"));
  QMenu* dup = bar->addMenu(QStringLiteral("重複(&D)"));
  S3 = AddMenuAction(dup, "S3", QStringLiteral("重複ファイル検索(&S)..."), QKeySequence("Ctrl+S"));
  C1 =
      AddMenuAction(dup, "C1", QStringLiteral("重複ファイル表示色(&C)..."), QKeySequence("Ctrl+C"));
  R1 =
      AddMenuAction(dup, "R1", QStringLiteral("重複ファイル再検索(&K)..."), QKeySequence("Ctrl+K"));
  dup->addSeparator();
  // Ctrl+N stays with the new-catalogue command: one key, one command.
  N44 = AddMenuAction(dup, "N44", QStringLiteral("似たようなファイル検索(&N)..."));
  L2 = AddMenuAction(dup, "L2", QStringLiteral("似たようなファイル再検索(&L)..."),
                     QKeySequence("Ctrl+L"));
  QMenu* help = bar->addMenu(QStringLiteral("ヘルプ(&H)"));
  Plomix21 = AddMenuAction(help, "Plomix21", QStringLiteral("Plomix2ヘルプ(&H)"));
  help->addSeparator();
  N36 = AddMenuAction(help, "N36", QStringLiteral("バージョン情報(&A)..."));

  connect(N24, &QAction::triggered, this, [this] {
    SwitchToMediaPage();
    ToolButton2Click();
  });
  connect(N25, &QAction::triggered, this, [this] {
    SwitchToMediaPage();
    ToolButton1Click();
  });
  connect(DB1, &QAction::triggered, this, [this] {
    SwitchToMediaPage();
    ToolButton3Click();
  });
  connect(N28, &QAction::triggered, this, &QWidget::close);
  connect(N30, &QAction::triggered, this, [this] {
    SwitchToMediaPage();
    ToolButton6Click();
  });
  connect(N31, &QAction::triggered, this, [this] {
    SwitchToMediaPage();
    ToolButton7Click();
  });
  connect(C1, &QAction::triggered, this, &TfrmMain::C1Click);
  connect(Plomix21, &QAction::triggered, this, &TfrmMain::Plomix21Click);
  connect(N36, &QAction::triggered, this, &TfrmMain::N36Click);
  // Commands whose dialogs and workflows are not part of this window yet.
  for (QAction* later : {E2, S1, S3, R1, N44, L2}) later->setEnabled(false);
}

void TfrmMain::BuildWindow() {
  resize(883, 592);
  BuildMenus();

  ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
  ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
  ToolBar1->setMovable(false);
  ToolButton1 = AddToolButton(ToolBar1, "ToolButton1", QStringLiteral("DBを開く"), 9);
  ToolButton2 = AddToolButton(ToolBar1, "ToolButton2", QStringLiteral("DBの新規作成"), 0);
  ToolButton3 = AddToolButton(ToolBar1, "ToolButton3", QStringLiteral("DBの最適化"), 2);
  ToolBar1->addSeparator();
  ToolButton46 = AddToolButton(ToolBar1, "ToolButton46", QStringLiteral("重複ファイル検索"), 10);
  ToolButton60 =
      AddToolButton(ToolBar1, "ToolButton60", QStringLiteral("似たようなファイル検索"), 10);
  connect(ToolButton1, &QToolButton::clicked, this, &TfrmMain::ToolButton1Click);
  connect(ToolButton2, &QToolButton::clicked, this, &TfrmMain::ToolButton2Click);
  connect(ToolButton3, &QToolButton::clicked, this, &TfrmMain::ToolButton3Click);
  ToolButton46->setEnabled(false);
  ToolButton60->setEnabled(false);

  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  TabSheet1 = BuildMediaPage();
  TabSheet2 = new QWidget;
  TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
  {
    auto* layout = new QVBoxLayout(TabSheet2);
    layout->setContentsMargins(0, 0, 0, 0);
    ToolBar2 = new QToolBar(TabSheet2);
    ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
    ListView2 = new QTreeView(TabSheet2);
    ListView2->setObjectName(QStringLiteral("ListView2"));
    StatusBar2Panel = new QLabel(TabSheet2);
    StatusBar2Panel->setObjectName(QStringLiteral("StatusBar2"));
    layout->addWidget(ToolBar2);
    layout->addWidget(ListView2, 1);
    layout->addWidget(StatusBar2Panel);
  }
  TabSheet8 = new QWidget;
  TabSheet8->setObjectName(QStringLiteral("TabSheet8"));
  TabSheet9 = new QWidget;
  TabSheet9->setObjectName(QStringLiteral("TabSheet9"));
  PageControl1->addTab(TabSheet1, images_->Icon(2), QStringLiteral("メディア"));
  PageControl1->addTab(TabSheet2, images_->Icon(10), QStringLiteral("検索"));
  PageControl1->addTab(TabSheet8, images_->Icon(10), QStringLiteral("重複ファイルの一覧"));
  PageControl1->addTab(TabSheet9, images_->Icon(10), QStringLiteral("似たようなファイルの一覧"));
  setCentralWidget(PageControl1);
  connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
    if (index == 0 && browseViewStale_ && TopNode() != nullptr)
      TreeView1->setCurrentItem(TopNode());
    browseViewStale_ = false;
  });

  statusBar()->setObjectName(QStringLiteral("StatusBar1"));
  StatusPanel0 = new QLabel(this);
  StatusPanel0->setObjectName(QStringLiteral("StatusBar1Panel0"));
  StatusPanel0->setMinimumWidth(246);
  StatusPanel1 = new QLabel(this);
  StatusPanel1->setObjectName(QStringLiteral("StatusBar1Panel1"));
  StatusPanel1->setMinimumWidth(50);
  statusBar()->addWidget(StatusPanel0);
  statusBar()->addWidget(StatusPanel1, 1);
  BuildPopupMenus();
}

QWidget* TfrmMain::BuildMediaPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("TabSheet1"));
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  Splitter1 = new QSplitter(Qt::Horizontal, page);
  Splitter1->setObjectName(QStringLiteral("Splitter1"));
  layout->addWidget(Splitter1);

  // Left: the category tabs around the tree toolbar and the tree.
  treeArea_ = new QWidget(Splitter1);
  treeArea_->setObjectName(QStringLiteral("TreeArea"));
  treeAreaLayout_ = new QBoxLayout(QBoxLayout::TopToBottom, treeArea_);
  treeAreaLayout_->setContentsMargins(0, 0, 0, 0);
  treeAreaLayout_->setSpacing(0);
  TabControlTreeView = new QTabBar(treeArea_);
  TabControlTreeView->setObjectName(QStringLiteral("TabControlTreeView"));
  TabControlTreeView->setUsesScrollButtons(false);
  TabControlTreeView->setExpanding(false);
  TabControlTreeView->setElideMode(Qt::ElideNone);
  auto* treeBox = new QWidget(treeArea_);
  auto* treeBoxLayout = new QVBoxLayout(treeBox);
  treeBoxLayout->setContentsMargins(0, 0, 0, 0);
  treeBoxLayout->setSpacing(0);
  ToolBar4 = new QToolBar(treeBox);
  ToolBar4->setObjectName(QStringLiteral("ToolBar4"));
  ToolBar4->setIconSize(QSize(16, 16));
  ToolButton6 =
      AddToolButton(ToolBar4, "ToolButton6", QStringLiteral("メディア情報の追加/更新"), 4);
  ToolButton7 =
      AddToolButton(ToolBar4, "ToolButton7", QStringLiteral("カレントのメディア情報を削除"), 11);
  ToolButton52 =
      AddToolButton(ToolBar4, "ToolButton52", QStringLiteral("メディアの分類を変更..."), 7);
  ToolButton53 =
      AddToolButton(ToolBar4, "ToolButton53", QStringLiteral("メディアの保管場所を変更..."), 7);
  ToolButton55 = AddToolButton(ToolBar4, "ToolButton55", QStringLiteral("メディア名称の変更"), 10);
  ToolButton63 =
      AddToolButton(ToolBar4, "ToolButton63", QStringLiteral("メディアにリンクされた画像一覧"), 10);
  for (QToolButton* later : {ToolButton52, ToolButton53, ToolButton63}) later->setEnabled(false);
  connect(ToolButton6, &QToolButton::clicked, this, &TfrmMain::ToolButton6Click);
  connect(ToolButton7, &QToolButton::clicked, this, &TfrmMain::ToolButton7Click);
  connect(ToolButton55, &QToolButton::clicked, this, &TfrmMain::ToolButton55Click);
  TreeView1 = new QTreeWidget(treeBox);
  TreeView1->setObjectName(QStringLiteral("TreeView1"));
  TreeView1->setHeaderHidden(true);
  TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  TreeView1->setContextMenuPolicy(Qt::CustomContextMenu);
  TabControlTreeView->setContextMenuPolicy(Qt::CustomContextMenu);
  treeBoxLayout->addWidget(ToolBar4);
  treeBoxLayout->addWidget(TreeView1, 1);
  treeAreaLayout_->addWidget(TabControlTreeView);
  treeAreaLayout_->addWidget(treeBox, 1);
  connect(TreeView1, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current) { TreeView1Change(current); });
  connect(TreeView1, &QTreeWidget::itemExpanded, this, &TfrmMain::TreeView1Expanding);
  connect(TreeView1, &QTreeWidget::itemChanged, this, &TfrmMain::TreeView1Edited);
  connect(TabControlTreeView, &QTabBar::currentChanged, this, &TfrmMain::TabControlTreeViewChange);

  // Right: the sub-pages.
  PageControl2 = new QTabWidget(Splitter1);
  PageControl2->setObjectName(QStringLiteral("PageControl2"));
  TabSheet3 = new QWidget;
  TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
  TabSheet5 = new QWidget;
  TabSheet5->setObjectName(QStringLiteral("TabSheet5"));
  TabSheet4 = new QWidget;
  TabSheet4->setObjectName(QStringLiteral("TabSheet4"));
  TabSheet6 = new QWidget;
  TabSheet6->setObjectName(QStringLiteral("TabSheet6"));
  TabSheet7 = new QWidget;
  TabSheet7->setObjectName(QStringLiteral("TabSheet7"));
  PageControl2->addTab(TabSheet3, QStringLiteral("標準"));
  PageControl2->addTab(TabSheet5, QStringLiteral("更新日時"));
  PageControl2->addTab(TabSheet4, QStringLiteral("プロパティ"));
  PageControl2->addTab(TabSheet6, QStringLiteral("サイズ順"));
  PageControl2->addTab(TabSheet7, QStringLiteral("トップ 10"));
  PageControl2->setTabVisible(2, false);

  auto* standard = new QVBoxLayout(TabSheet3);
  standard->setContentsMargins(0, 0, 0, 0);
  Splitter6 = new QSplitter(Qt::Vertical, TabSheet3);
  Splitter6->setObjectName(QStringLiteral("Splitter6"));
  Splitter3 = new QSplitter(Qt::Horizontal, Splitter6);
  Splitter3->setObjectName(QStringLiteral("Splitter3"));
  Splitter3->setHandleWidth(3);
  pnlListViewLeft = BuildPropertyPanel();
  Splitter3->addWidget(pnlListViewLeft);
  pnlListViewClient = BuildListArea();
  Splitter3->addWidget(pnlListViewClient);
  Splitter3->setStretchFactor(1, 1);
  Splitter3->setSizes({280, 600});
  Splitter6->addWidget(Splitter3);
  Panel24 = BuildDetailPanel();
  Splitter6->addWidget(Panel24);
  Splitter6->setStretchFactor(0, 1);
  standard->addWidget(Splitter6);
  Splitter1->addWidget(treeArea_);
  Splitter1->addWidget(PageControl2);
  Splitter1->setStretchFactor(1, 1);
  return page;
}

QWidget* TfrmMain::BuildPropertyPanel() {
  auto* panel = new QWidget;
  panel->setObjectName(QStringLiteral("pnlListViewLeft"));
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(2, 2, 2, 2);
  auto* header = new QHBoxLayout;
  ImageListView = new QLabel(panel);
  ImageListView->setObjectName(QStringLiteral("ImageListView"));
  ImageListView->setFixedSize(34, 34);
  lblListViewName = new QLabel(panel);
  lblListViewName->setObjectName(QStringLiteral("lblListViewName"));
  QFont bold = lblListViewName->font();
  bold.setBold(true);
  lblListViewName->setFont(bold);
  pnlMediaReLoad = new QLabel(QStringLiteral("メデイアの\n再読込み推奨"), panel);
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

  ToolBar5 = new QToolBar(panel);
  ToolBar5->setObjectName(QStringLiteral("ToolBar5"));
  ToolBar5->setIconSize(QSize(16, 16));
  ToolButton9 =
      AddToolButton(ToolBar5, "ToolButton9", QStringLiteral("プロパティ情報を右側へ表示"), 14);
  ToolButton10 =
      AddToolButton(ToolBar5, "ToolButton10", QStringLiteral("プロパティ情報を左側へ表示"), 15);
  ToolButton70 =
      AddToolButton(ToolBar5, "ToolButton70", QStringLiteral("カレントのメディアに画像を登録"), 10);
  ToolButton57 = AddToolButton(ToolBar5, "ToolButton57", QStringLiteral("プロパティのコピー"), 10);
  ToolButton9->setCheckable(true);
  ToolButton10->setCheckable(true);
  ToolButton9->setChecked(true);
  ToolButton9->setAutoExclusive(true);
  ToolButton10->setAutoExclusive(true);
  ToolButton70->setEnabled(false);
  connect(ToolButton9, &QToolButton::clicked, this, &TfrmMain::ToolButton9Click);
  connect(ToolButton10, &QToolButton::clicked, this, &TfrmMain::ToolButton10Click);
  connect(ToolButton57, &QToolButton::clicked, this, &TfrmMain::ToolButton57Click);
  layout->addWidget(ToolBar5);

  PageControl4 = new QTabWidget(panel);
  PageControl4->setObjectName(QStringLiteral("PageControl4"));
  PageControl4->setTabPosition(QTabWidget::East);
  PicShow1 = new QLabel;
  PicShow1->setObjectName(QStringLiteral("PicShow1"));
  PicShow1->setAlignment(Qt::AlignCenter);
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
  layout->addWidget(PageControl4);

  ListView3 = new QTreeWidget(panel);
  ListView3->setObjectName(QStringLiteral("ListView3"));
  ListView3->setColumnCount(2);
  ListView3->setHeaderLabels({QStringLiteral("項目"), QStringLiteral("内容")});
  ListView3->setRootIsDecorated(false);
  ListView3->setColumnWidth(0, 130);
  layout->addWidget(ListView3, 1);
  return panel;
}

QWidget* TfrmMain::BuildListArea() {
  auto* area = new QWidget;
  area->setObjectName(QStringLiteral("pnlListViewClient"));
  auto* layout = new QVBoxLayout(area);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  ToolBar3 = new QToolBar(area);
  ToolBar3->setObjectName(QStringLiteral("ToolBar3"));
  ToolBar3->setIconSize(QSize(16, 16));
  ToolButton61 = AddToolButton(ToolBar3, "ToolButton61", QStringLiteral("戻る"), 14);
  ToolButton62 = AddToolButton(ToolBar3, "ToolButton62", QStringLiteral("進む"), 15);
  ToolButton61->setArrowType(Qt::LeftArrow);
  ToolButton62->setArrowType(Qt::RightArrow);
  ToolButton40 = AddToolButton(ToolBar3, "ToolButton40", QStringLiteral("上へ移動"), 9);
  ToolButton40->setArrowType(Qt::UpArrow);
  ToolButton4 = AddToolButton(ToolBar3, "ToolButton4", QStringLiteral("マークを付ける/消す"), 11);
  ToolButton37 =
      AddToolButton(ToolBar3, "ToolButton37", QStringLiteral("コメント文書込み/修正"), 10);
  ToolButton11 =
      AddToolButton(ToolBar3, "ToolButton11", QStringLiteral("エクスプローラ起動..."), 8);
  ToolButton12 =
      AddToolButton(ToolBar3, "ToolButton12", QStringLiteral("クリップボードへコピー"), 10);
  ToolButton14 = AddToolButton(ToolBar3, "ToolButton14", QStringLiteral("プロパティ表示"), 7);
  ToolButton14->setCheckable(true);
  ToolBar3->addSeparator();
  ToolButton16 = AddToolButton(ToolBar3, "ToolButton16", QStringLiteral("大きいアイコン表示"), 10);
  ToolButton17 = AddToolButton(ToolBar3, "ToolButton17", QStringLiteral("小さいアイコン表示"), 10);
  ToolButton18 = AddToolButton(ToolBar3, "ToolButton18", QStringLiteral("一覧表示"), 10);
  ToolButton19 = AddToolButton(ToolBar3, "ToolButton19", QStringLiteral("詳細表示"), 10);
  int style = 0;
  for (QToolButton* b : {ToolButton16, ToolButton17, ToolButton18, ToolButton19}) {
    b->setCheckable(true);
    b->setAutoExclusive(true);
    connect(b, &QToolButton::clicked, this, [this, style] { SetViewStyle(style); });
    ++style;
  }
  ToolButton19->setChecked(true);
  chkCommentSetShow = new QCheckBox(QStringLiteral("コメント"), area);
  chkCommentSetShow->setObjectName(QStringLiteral("chkCommentSetShow"));
  chkCommentSetShow->setToolTip(QStringLiteral("コメント登録の表示/非表示"));
  chkDupInfoShow = new QCheckBox(QStringLiteral("重複"), area);
  chkDupInfoShow->setObjectName(QStringLiteral("chkDupInfoShow"));
  ToolBar3->addWidget(chkCommentSetShow);
  ToolBar3->addWidget(chkDupInfoShow);
  for (QToolButton* later : {ToolButton4, ToolButton37, ToolButton11, ToolButton12})
    later->setEnabled(false);
  connect(ToolButton61, &QToolButton::clicked, this, &TfrmMain::ToolButton61Click);
  connect(ToolButton62, &QToolButton::clicked, this, &TfrmMain::ToolButton62Click);
  connect(ToolButton40, &QToolButton::clicked, this, &TfrmMain::ToolButton40Click);
  connect(ToolButton14, &QToolButton::clicked, this, &TfrmMain::ToolButton14Click);
  connect(chkCommentSetShow, &QCheckBox::clicked, this, &TfrmMain::chkCommentSetShowClick);
  connect(chkDupInfoShow, &QCheckBox::clicked, this, &TfrmMain::chkDupInfoShowClick);
  layout->addWidget(ToolBar3);

  listModel_ = new FileListModel(*images_, this);
  sizeBar_ = new SizeBarDelegate(*listModel_, this);
  QFont listFont = font();
  listFont.setPointSize(9);
  ListView1 = new TypeAheadTableView(area);
  ListView1->setObjectName(QStringLiteral("ListView1"));
  ListView1->setModel(listModel_);
  ListView1->setItemDelegate(sizeBar_);
  ListView1->setFont(listFont);
  ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView1->verticalHeader()->setVisible(false);
  ListView1->verticalHeader()->setDefaultSectionSize(17);
  ListView1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  ListView1->horizontalHeader()->setSectionsClickable(true);
  ListView1->horizontalHeader()->setHighlightSections(false);
  ListView1->setWordWrap(false);
  ListView1->setStyleSheet(QStringLiteral("QTableView { background: white; }"));
  ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
  ListView1Icons = new TypeAheadListView(area);
  ListView1Icons->setObjectName(QStringLiteral("ListView1Icons"));
  ListView1Icons->setModel(listModel_);
  ListView1Icons->setSelectionModel(ListView1->selectionModel());
  ListView1Icons->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListView1Icons->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView1Icons->setFont(listFont);
  ListView1Icons->setUniformItemSizes(true);
  ListView1Icons->setContextMenuPolicy(Qt::CustomContextMenu);
  ListView1Icons->setVisible(false);
  connect(ListView1->horizontalHeader(), &QHeaderView::sectionClicked, this,
          &TfrmMain::ListView1ColumnClick);
  connect(ListView1->horizontalHeader(), &QHeaderView::sectionResized, this,
          &TfrmMain::ListView1SectionResized);
  connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &TfrmMain::ListView1SelectItem);
  connect(ListView1, &QAbstractItemView::doubleClicked, this, &TfrmMain::ListView1DblClick);
  connect(ListView1Icons, &QAbstractItemView::doubleClicked, this, &TfrmMain::ListView1DblClick);
  layout->addWidget(ListView1, 1);
  layout->addWidget(ListView1Icons, 1);

  Panel13 = new QWidget(area);
  Panel13->setObjectName(QStringLiteral("Panel13"));
  auto* commentLayout = new QHBoxLayout(Panel13);
  commentLayout->setContentsMargins(2, 2, 2, 2);
  txtComment = new QPlainTextEdit(Panel13);
  txtComment->setObjectName(QStringLiteral("txtComment"));
  txtComment->setFixedHeight(44);
  cmdComment = new QPushButton(QStringLiteral("コメント登録"), Panel13);
  cmdComment->setObjectName(QStringLiteral("cmdComment"));
  cmdComment->setEnabled(false);
  commentLayout->addWidget(txtComment, 1);
  commentLayout->addWidget(cmdComment);
  layout->addWidget(Panel13);
  return area;
}

QWidget* TfrmMain::BuildDetailPanel() {
  auto* panel = new QWidget;
  panel->setObjectName(QStringLiteral("Panel24"));
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  PageControl3 = new QTabWidget(panel);
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
  PageControl3->addTab(TabSheet10, images_->Icon(10), QString());
  PageControl3->addTab(TabSheet11, images_->Icon(10), QString());
  PageControl3->setTabToolTip(0, QStringLiteral("重複ファイルの詳細"));
  PageControl3->setTabToolTip(1, QStringLiteral("似たようなファイルの詳細"));
  layout->addWidget(PageControl3);
  return panel;
}

void TfrmMain::BuildPopupMenus() {
  PopupMenuListView = new QMenu(this);
  PopupMenuListView->setObjectName(QStringLiteral("PopupMenuListView"));
  QMenu* m = PopupMenuListView;
  N19 = AddMenuAction(m, "N19", QStringLiteral("上へ移動(&U)"));
  O1 = AddMenuAction(m, "O1", QStringLiteral("開く[ダブルクリック](&O)"));
  m->addSeparator();
  N2 = AddMenuAction(m, "N2", QStringLiteral("マークを付ける/消す(&M)"));
  N3 = AddMenuAction(m, "N3", QStringLiteral("コメント文書込み/修正(&C)"));
  N4 = AddMenuAction(m, "N4", QStringLiteral("エクスプローラ起動(&E)..."));
  m->addSeparator();
  QMenu* names = m->addMenu(QStringLiteral("名前をクリップボードへコピー(&N)"));
  N6 = names->menuAction();
  N6->setObjectName(QStringLiteral("N6"));
  N63 = AddMenuAction(names, "N63", QStringLiteral("ファイル名[シンプル版]"));
  N64 = AddMenuAction(names, "N64", QStringLiteral("フルパス名[シンプル版]"));
  names->addSeparator();
  N7 = AddMenuAction(names, "N7", QStringLiteral("ファイル名(&N)"));
  N8 = AddMenuAction(names, "N8", QStringLiteral("フルパス名(&F)"));
  N9 = AddMenuAction(names, "N9", QStringLiteral("フォルダ配下すべて(&A)"));
  M1 = AddMenuAction(names, "M1", QStringLiteral("カレントのメディア情報すべて(&M)"));
  E1 = AddMenuAction(m, "E1", QStringLiteral("クリップボード関連の環境設定(&Y)..."));
  m->addSeparator();
  N60 = AddMenuAction(m, "N60", QStringLiteral("ファイルのコピー(&F)..."));
  m->addSeparator();
  N10 = AddMenuAction(m, "N10", QStringLiteral("プロパティ表示(&P)"));
  N10->setCheckable(true);
  m->addSeparator();
  QMenu* view = m->addMenu(QStringLiteral("表示(&S)"));
  N12 = view->menuAction();
  N12->setObjectName(QStringLiteral("N12"));
  N13 = AddMenuAction(view, "N13", QStringLiteral("大きいアイコン(&B)"));
  N14 = AddMenuAction(view, "N14", QStringLiteral("小さいアイコン(&S)"));
  N15 = AddMenuAction(view, "N15", QStringLiteral("一覧リスト(&L)"));
  N16 = AddMenuAction(view, "N16", QStringLiteral("詳細表示(&R)"));
  auto* styles = new QActionGroup(this);
  int style = 0;
  for (QAction* a : {N13, N14, N15, N16}) {
    a->setCheckable(true);
    styles->addAction(a);
    connect(a, &QAction::triggered, this, [this, style] { SetViewStyle(style); });
    ++style;
  }
  N16->setChecked(true);
  N33 = AddMenuAction(m, "N33", QStringLiteral("項目の区切り線(&G)"));
  N33->setCheckable(true);
  m->addSeparator();
  N22 = AddMenuAction(m, "N22", QStringLiteral("サイズに棒グラフも表示(&B)"));
  N22->setCheckable(true);
  saizu1 = AddMenuAction(m, "saizu1", QStringLiteral("サイズの棒グラフ色(&H)..."));
  m->addSeparator();
  N38 = AddMenuAction(m, "N38", QStringLiteral("項目の表示位置を変更(&K)"));
  for (QAction* later : {N2, N3, N4, N63, N64, N7, N8, N9, M1, E1, N60}) later->setEnabled(false);
  connect(N19, &QAction::triggered, this, &TfrmMain::ToolButton40Click);
  connect(O1, &QAction::triggered, this, &TfrmMain::ListView1DblClick);
  connect(N10, &QAction::triggered, this, [this] {
    ToolButton14->setChecked(!ToolButton14->isChecked());
    ToolButton14Click();
  });
  connect(N33, &QAction::triggered, this, &TfrmMain::N33Click);
  connect(N22, &QAction::triggered, this, &TfrmMain::N22Click);
  connect(saizu1, &QAction::triggered, this, &TfrmMain::saizu1Click);
  connect(N38, &QAction::triggered, this, &TfrmMain::N38Click);
  auto showListMenu = [this](const QPoint& pos) {
    // The export of everything below a folder needs a folder: not at the top.
    N9->setVisible(TreeView1->currentItem() != TopNode());
    auto* view = qobject_cast<QWidget*>(sender());
    PopupMenuListView->popup(view->mapToGlobal(pos));
  };
  connect(ListView1, &QWidget::customContextMenuRequested, this, showListMenu);
  connect(ListView1Icons, &QWidget::customContextMenuRequested, this, showListMenu);

  PopupMenuMediaType = new QMenu(this);
  PopupMenuMediaType->setObjectName(QStringLiteral("PopupMenuMediaType"));
  m = PopupMenuMediaType;
  N39 = AddMenuAction(m, "N39", QStringLiteral("メディア情報の追加/更新(&R)"));
  N39->setShortcut(QKeySequence("Ctrl+R"));
  N40 = AddMenuAction(m, "N40", QStringLiteral("カレントのメディア情報を削除(&D)"));
  N40->setShortcut(QKeySequence("Ctrl+D"));
  PopItemMediaTypeChange =
      AddMenuAction(m, "PopItemMediaTypeChange", QStringLiteral("メディアの分類を変更(&M)..."));
  S2 = AddMenuAction(m, "S2", QStringLiteral("メディアの分類をすべて表示(&S)"));
  S2->setCheckable(true);
  S2->setChecked(true);
  PopItemMediaAreaChange =
      AddMenuAction(m, "PopItemMediaAreaChange", QStringLiteral("メディアの保管場所を変更(&A)..."));
  N45 = AddMenuAction(m, "N45", QStringLiteral("メディアの保管場所詳細を変更(&B)..."));
  QMenu* pos = m->addMenu(QStringLiteral("タブ位置の変更(&T)"));
  PopItemMediaTypePos = pos->menuAction();
  PopItemMediaTypePos->setObjectName(QStringLiteral("PopItemMediaTypePos"));
  PopItemMediaTypePosTop = AddMenuAction(pos, "PopItemMediaTypePosTop", QStringLiteral("上(&U)"));
  PopItemMediaTypePosBottom =
      AddMenuAction(pos, "PopItemMediaTypePosBottom", QStringLiteral("下(&D)"));
  PopItemMediaTypePosLeft = AddMenuAction(pos, "PopItemMediaTypePosLeft", QStringLiteral("左(&L)"));
  PopItemMediaTypePosRight =
      AddMenuAction(pos, "PopItemMediaTypePosRight", QStringLiteral("右(&R)"));
  auto* sides = new QActionGroup(this);
  const std::pair<QAction*, TabSide> sideActions[] = {{PopItemMediaTypePosTop, TabSide::Top},
                                                      {PopItemMediaTypePosBottom, TabSide::Bottom},
                                                      {PopItemMediaTypePosLeft, TabSide::Left},
                                                      {PopItemMediaTypePosRight, TabSide::Right}};
  for (const auto& [action, side] : sideActions) {
    action->setCheckable(true);
    sides->addAction(action);
    connect(action, &QAction::triggered, this, [this, side = side] { SetTabSide(side); });
  }
  PopItemMediaTypePosTop->setChecked(true);
  N18 = AddMenuAction(m, "N18", QStringLiteral("メディア名称の変更(&N)"));
  N18->setShortcut(QKeySequence(Qt::Key_F2));
  N18->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  TreeView1->addAction(N18);
  C3 = AddMenuAction(m, "C3", QStringLiteral("読込みドライブ名変更(&C)"));
  for (QAction* later : {PopItemMediaTypeChange, PopItemMediaAreaChange, N45, C3})
    later->setEnabled(false);
  connect(N39, &QAction::triggered, this, &TfrmMain::ToolButton6Click);
  connect(N40, &QAction::triggered, this, &TfrmMain::ToolButton7Click);
  connect(S2, &QAction::triggered, this, &TfrmMain::S2Click);
  connect(N18, &QAction::triggered, this, &TfrmMain::ToolButton55Click);
  auto showTreeMenu = [this](const QPoint& p) {
    const bool horizontal = tabSide_ == TabSide::Top || tabSide_ == TabSide::Bottom;
    S2->setEnabled(horizontal);
    PopItemMediaTypePosLeft->setEnabled(S2->isChecked());
    PopItemMediaTypePosRight->setEnabled(S2->isChecked());
    auto* view = qobject_cast<QWidget*>(sender());
    PopupMenuMediaType->popup(view->mapToGlobal(p));
  };
  connect(TreeView1, &QWidget::customContextMenuRequested, this, showTreeMenu);
  connect(TabControlTreeView, &QWidget::customContextMenuRequested, this, showTreeMenu);
}

// ---------------------------------------------------------------- start-up

void TfrmMain::FormCreate() {
  // Window state from the settings.
  listModel_->Layout().Load(*settings_);
  ApplyColumnLayout();
  ApplyPropertyShow(settings_->GetInt(REG_ListViewPropertyShow) == 1);
  if (settings_->GetInt(REG_ListViewPropertyPos) == 1) {
    ToolButton10->setChecked(true);
    Splitter3->insertWidget(1, pnlListViewLeft);
    propertySide_ = 1;
  }
  const bool commentShown = settings_->GetInt(REG_ShowCommentSet) == 1;
  chkCommentSetShow->setChecked(commentShown);
  Panel13->setVisible(commentShown);
  const bool dupShown = settings_->GetInt(REG_ShowDupInfo) == 1;
  chkDupInfoShow->setChecked(dupShown);
  Panel24->setVisible(dupShown);
  const bool grid = settings_->GetInt(REG_ListViewGridLine) == 1;
  N33->setChecked(grid);
  ListView1->setShowGrid(grid);
  const bool bar = settings_->GetInt(REG_FileSizeBarShow) == 1;
  N22->setChecked(bar);
  sizeBar_->SetShown(bar);
  sizeBar_->SetColour(ColourFromBgr(settings_->GetInt(REG_FileSizeBarColor)));
  listModel_->SetDuplicateColour(ColourFromBgr(settings_->GetInt(REG_DupFileColor)));

  catalog_->SetCategoryFilter("");
  images_->Reset();
  typeNames_->Clear();
  LoadHistory();
  history_->SetSuppressed(true);
  displayedPath_.clear();

  const QString path = ChooseAtStart();
  if (path.isEmpty()) return;
  if (catalog_->OpenCatalog(Native(path))) {
    catalog_->ReadLongNames();
    Safely([&] { AddToOpenHistory(path); });
  } else if (!CreateCatalogue(path)) {
    return;
  }
  analysis_->CatalogOpened();
  RefreshCompactButton();
  RefreshAnalysisCommands();
  RestoreWindowState();
  RebuildTree(0);
  StartResultLoaders();
  started_ = true;
}

void TfrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  FormShow();
}

void TfrmMain::FormShow() {
  history_->SetSuppressed(true);
  MoveHistory(0);
  history_->SetSuppressed(false);
  setWindowTitle(CaptionText());
  raise();
  activateWindow();
}

QString TfrmMain::ChooseAtStart() {
  const QString last = settings_->GetString(REG_OpenHist01);
  QString result;
  if (last.isEmpty()) {
    result = prompter_->OpenFile(QStringLiteral("◆メディア管理DBファイルの作成"),
                                 kDefaultCatalogName, kCatalogFilter);
  } else if (!QFileInfo::exists(last)) {
    ResetHistory();
    result = prompter_->OpenFile(QStringLiteral("◆最後に開いたメディア管理DBファイルが存在しません"
                                                "、メディア管理DBファイルを指定してください"),
                                 kDefaultCatalogName, kCatalogFilter);
  } else {
    result = last;
  }
  if (!result.isEmpty()) displayedPath_ = result;
  return result;
}

QString TfrmMain::ChooseToOpen() {
  const QString last = settings_->GetString(REG_OpenHist01);
  const QString folder =
      last.isEmpty() ? QCoreApplication::applicationDirPath() : QFileInfo(last).absolutePath();
  const QString path =
      prompter_->OpenFile(QStringLiteral("メディア管理DBファイルを指定してください"),
                          folder + "/" + kDefaultCatalogName, kCatalogFilter);
  if (path.isEmpty()) return {};
  if (QFileInfo::exists(path)) return path;
  if (prompter_->Message(QStringLiteral("新規メディア管理DBファイルを作成しますか？"),
                         PromptIcon::Question, PromptButtons::YesNo) != PromptResult::Yes)
    return {};
  if (!CreateCatalogue(path)) return {};
  return QString::fromStdString(catalog_->CatalogPath());
}

bool TfrmMain::CreateCatalogue(QString path) {
  if (path.isEmpty()) {
    path = prompter_->SaveFile(QStringLiteral("新規DBファイルの作成"), kDefaultCatalogName,
                               kCatalogFilter, QStringLiteral("qdb"));
    if (path.isEmpty()) {
      ResetHistory();
      return true;
    }
  }
  const std::string target = ApplyCatalogExtension(Native(path));
  if (QFileInfo::exists(QString::fromStdString(target)) &&
      prompter_->Message(QStringLiteral("上書きしますか？"), PromptIcon::Question,
                         PromptButtons::YesNo) != PromptResult::Yes)
    return false;
  bool created = false;
  {
    WaitCursor wait;
    created = catalog_->CreateCatalog(target);
  }
  if (!created) {
    // A refusal by the file system is reported, never passed over in silence.
    ShowError(QStringLiteral("メディア管理DBファイルを作成できません\r\n") +
              QString::fromStdString(target) + "\r\n" +
              QString::fromStdString(catalog_->LastError()));
    return false;
  }
  displayedPath_ = QString::fromStdString(target);
  Safely([&] { AddToOpenHistory(displayedPath_); });
  catalog_->CategoryNames().Clear();
  catalog_->LocationNames().Clear();
  analysis_->CatalogOpened();
  RefreshCompactButton();
  if (started_) RebuildTree(0);
  ResetHistory();
  return true;
}

void TfrmMain::AddToOpenHistory(const QString& path) {
  QStringList entries;
  for (int i = 0; i < 5; ++i) {
    const QString entry = settings_->GetString(SettingAt(REG_OpenHist01, i));
    if (entry.isEmpty()) break;
    entries << entry;
  }
  const int found = static_cast<int>(entries.indexOf(path));
  const int moved = found >= 0 ? found : std::min(static_cast<int>(entries.size()), 4);
  for (int i = moved - 1; i >= 0; --i)
    settings_->SetString(SettingAt(REG_OpenHist01, i + 1), entries[i]);
  settings_->SetString(REG_OpenHist01, path);
}

void TfrmMain::StartResultLoaders() {
  for (AnalysisMode mode : {AnalysisMode::Duplicate, AnalysisMode::Similar}) {
    analysis_->StartResultLoader(mode, [this](AnalysisMode done) {
      QMetaObject::invokeMethod(
          this,
          [this, done] {
            analysis_->FinishResultLoad(done);
            ApplyLoadingRules();
          },
          Qt::QueuedConnection);
    });
  }
  ApplyLoadingRules();
}

void TfrmMain::ApplyLoadingRules() {
  const bool dupLoading = analysis_->IsLoading(AnalysisMode::Duplicate);
  const bool likeLoading = analysis_->IsLoading(AnalysisMode::Similar);
  const bool shown = catalog_->FilteredMediaCount() > 0;
  PageControl1->setTabVisible(PageControl1->indexOf(TabSheet8), shown && !dupLoading);
  PageControl1->setTabVisible(PageControl1->indexOf(TabSheet9), shown && !likeLoading);
  const bool free = !dupLoading && !likeLoading;
  for (QAction* a : {N24, N25, DB1}) a->setEnabled(free);
  ToolButton1->setEnabled(free);
  ToolButton2->setEnabled(free);
  if (free)
    RefreshCompactButton();
  else
    ToolButton3->setEnabled(false);
}

void TfrmMain::ApplyPageRules() {
  PageControl1->setCurrentWidget(TabSheet1);
  const bool shown = catalog_->FilteredMediaCount() > 0;
  for (int i = 1; i < PageControl1->count(); ++i) PageControl1->setTabVisible(i, shown);
  for (int i = 1; i < PageControl2->count(); ++i) PageControl2->setTabVisible(i, shown);
  PageControl2->setTabVisible(PageControl2->indexOf(TabSheet4), false);
  ApplyLoadingRules();
}

void TfrmMain::RefreshCompactButton() {
  const CompactionButtonState state = RefreshCompactionButton(*catalog_);
  ToolButton3->setToolTip(state.hint);
  ToolButton3->setEnabled(state.enabled && !analysis_->AnyLoading());
}

void TfrmMain::RefreshAnalysisCommands() {
  const bool noDup = !dupStore_->DupResultsExist();
  const bool noLike = !likeStore_->LikeResultsExist();
  S3->setVisible(noDup);
  ToolButton46->setVisible(noDup);
  N44->setVisible(noLike);
  ToolButton60->setVisible(noLike);
}

void TfrmMain::SwitchToMediaPage() {
  PageControl1->setCurrentWidget(TabSheet1);
  PageControl2->setCurrentWidget(TabSheet3);
}

void TfrmMain::RestoreWindowState() {
  const int top = settings_->GetInt(REG_MainFrameTop);
  const int left = settings_->GetInt(REG_MainFrameLeft);
  if (top > 0 && left > 0) {
    const int height = settings_->GetInt(REG_MainFrameHeight);
    const int width = settings_->GetInt(REG_MainFrameWidth);
    move(left, top);
    if (height > 0 && width > 0) resize(width, height);
  } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
  const int treeWidth = std::max(200, settings_->GetInt(REG_MainTreeViewWidth));
  Splitter1->setSizes({treeWidth, std::max(100, width() - treeWidth)});
  const int dupHeight = std::max(103, settings_->GetInt(REG_MainDupPanelHeight));
  Splitter6->setSizes({std::max(100, height() - dupHeight), dupHeight});
}

void TfrmMain::SaveWindowState() {
  const QRect frame = isMaximized() || isMinimized() ? normalGeometry() : geometry();
  settings_->SetInt(REG_MainFrameTop, frame.top());
  settings_->SetInt(REG_MainFrameLeft, frame.left());
  settings_->SetInt(REG_MainFrameHeight, frame.height());
  settings_->SetInt(REG_MainFrameWidth, frame.width());
  settings_->SetInt(REG_MainTreeViewWidth, Splitter1->sizes().value(0));
  // A hidden detail panel has no height worth keeping; a panel merely on a
  // page that is not in front still has its own.
  if (!Panel24->isHidden()) settings_->SetInt(REG_MainDupPanelHeight, Splitter6->sizes().value(1));
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  if (busy_) {
    prompter_->Message(QStringLiteral("処理中...\r\n処理が完了してから終了してください"),
                       PromptIcon::Warning, PromptButtons::Ok);
    event->ignore();
    return;
  }
  Safely([&] {
    SaveWindowState();
    CaptureColumnWidths();
    listModel_->Layout().Save(*settings_);
    SaveHistory();
  });
  scanner_->ReleaseScanBuffer();
  event->accept();
}

void TfrmMain::Safely(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& error) {
    ShowError(QString::fromLocal8Bit(error.what()));
  }
}

void TfrmMain::ShowError(const QString& text) {
  prompter_->Message(text, PromptIcon::Error, PromptButtons::Ok);
}

void TfrmMain::SetStatus0(const QString& text) {
  StatusPanel0->setText(text);
}

void TfrmMain::Pump() {
  QCoreApplication::processEvents();
}

// ---------------------------------------------------------------- history

void TfrmMain::ResetHistory() {
  history_->Reset();
  UpdateHistoryHints();
}

void TfrmMain::LoadHistory() {
  if (settings_->GetInt(REG_RefHistSave) == 1) {
    // The magnitude is restored even when the file is gone: it still keeps
    // the first record of this run from repeating the last one of the run before.
    const int last = settings_->GetInt(REG_HistListBefor);
    if (last != 0) history_->Load(HistoryFilePath(), last);
  }
  UpdateHistoryHints();
}

void TfrmMain::SaveHistory() {
  if (settings_->GetInt(REG_RefHistSave) != 1) {
    settings_->SetInt(REG_HistListBefor, 0);
    return;
  }
  // A history that cannot be written costs only the next start's position.
  history_->Save(HistoryFilePath(), settings_->GetInt(REG_RefHistSaveCount));
  settings_->SetInt(REG_HistListBefor, history_->LastMagnitude());
}

void TfrmMain::UpdateHistoryHints() {
  ToolButton61->setToolTip(history_->BackHint());
  ToolButton62->setToolTip(history_->ForwardHint());
}

void TfrmMain::ToolButton61Click() {
  MoveHistoryGuarded(-1);
}
void TfrmMain::ToolButton62Click() {
  MoveHistoryGuarded(+1);
}

void TfrmMain::MoveHistoryGuarded(int delta) {
  if (moving_) return;
  moving_ = true;
  history_->SetSuppressed(true);
  MoveHistory(delta);
  history_->SetSuppressed(false);
  moving_ = false;
}

void TfrmMain::MoveHistory(int delta) {
  const HistoryMove move = history_->Move(delta);
  UpdateHistoryHints();
  // Keys 0 (the media of slot 0) and 1 (its first entry) share their numbers
  // with "nothing" and the top node; the entry's name tells them apart.
  bool treeEntry = move.number < 0;
  switch (move.kind) {
    case HistoryMove::Kind::Outside:
      return;
    case HistoryMove::Kind::Nothing:
      if (!catalog_->Slot(0).IsLive() || catalog_->Slot(0).Name() != move.name) return;
      treeEntry = true;
      break;
    case HistoryMove::Kind::NotInteger:
      ShowError(QStringLiteral("'%1' は整数ではありません").arg(move.badText));
      return;
    case HistoryMove::Kind::Top:
      if (move.name == "Plomix2" || !catalog_->Slot(0).IsLive() ||
          catalog_->RecordPath(1).name != move.name) {
        if (TopNode() != nullptr) TreeView1->setCurrentItem(TopNode());
        TreeView1->setFocus();
        return;
      }
      break;
    case HistoryMove::Kind::Entry:
      break;
  }
  const int32_t key = move.number < 0 ? -move.number : move.number;
  const int slot = SlotOfKey(key);
  const std::string category =
      slot < kMaxMedia && catalog_->Slot(slot).IsLive() ? catalog_->Slot(slot).Category() : "";
  const QString wanted = Q(category);
  if (wanted != TabControlTreeView->tabText(TabControlTreeView->currentIndex())) {
    changingTab_ = true;
    TabControlTreeView->setCurrentIndex(0);
    for (int i = 0; i < TabControlTreeView->count(); ++i)
      if (TabControlTreeView->tabText(i) == wanted) TabControlTreeView->setCurrentIndex(i);
    changingTab_ = false;
    catalog_->SetCategoryFilter(category);
    RebuildTree(2);
  }
  browseViewStale_ = false;
  const RecordPathResult where = catalog_->RecordPath(key);
  QString folder = Q(where.folder);
  if (folder.endsWith('\\')) folder.chop(1);
  GoToPath(folder);
  ListView1->clearSelection();
  SelectListRowByName(Q(where.name));
  if (treeEntry) {
    ListView1DblClick();
    TreeView1->setFocus();
  }
}

// ---------------------------------------------------------------- tree

QTreeWidgetItem* TfrmMain::TopNode() const {
  return TreeView1->topLevelItem(0);
}

int32_t TfrmMain::KeyOf(const QTreeWidgetItem* item) {
  return item == nullptr ? -1 : item->data(0, kKeyRole).toInt();
}

QTreeWidgetItem* TfrmMain::AddNode(QTreeWidgetItem* parent, const TRecord& record, bool top) {
  auto* item = parent == nullptr ? new QTreeWidgetItem(TreeView1) : new QTreeWidgetItem(parent);
  item->setText(0, top ? QStringLiteral("Plomix2") : Q(record.Name));
  item->setData(0, kKeyRole, top ? -1 : record.Key);
  if (IsFolderKind(record.Kind)) {
    QIcon icon;
    icon.addPixmap(images_->Icon(8).pixmap(16), QIcon::Normal);
    icon.addPixmap(images_->Icon(9).pixmap(16), QIcon::Selected);
    item->setIcon(0, icon);
  } else {
    item->setIcon(0, images_->Icon(top ? 0 : record.Kind));
  }
  if (!top)
    item->setChildIndicatorPolicy(record.DirFolders > 0
                                      ? QTreeWidgetItem::ShowIndicator
                                      : QTreeWidgetItem::DontShowIndicatorWhenChildless);
  return item;
}

EntryRows TfrmMain::SelectNodeRows(QTreeWidgetItem* item, bool selection) {
  WaitCursor wait;
  const int32_t key = KeyOf(item);
  history_->Record(key == -1 ? 1 : -key, Sj(item->text(0)));
  UpdateHistoryHints();
  EntryRows rows = BuildEntryRows(*catalog_, key);
  if (selection) {
    shown_ = rows.shown;
    properties_ =
        BuildNodeProperties(*catalog_, shown_, Sj(settings_->GetString(REG_FormatUpdateDateTime)));
    ShowProperties(properties_, key < 0 ? 0 : (shown_.kind == 2 ? shown_.mediaRoot.Kind : 9));
  }
  if (item->childCount() == 0) AddChildNodes(item, rows);
  return rows;
}

void TfrmMain::AddChildNodes(QTreeWidgetItem* item, const EntryRows& rows) {
  std::vector<const TRecord*> children;
  for (const TRecord& row : rows.rows)
    if (row.Kind != kKindFile) children.push_back(&row);
  std::sort(children.begin(), children.end(), [](const TRecord* a, const TRecord* b) {
    return text::CompareAnsi(a->Name, b->Name) < 0;
  });
  const QSignalBlocker block(TreeView1);
  for (const TRecord* row : children) AddNode(item, *row);
}

void TfrmMain::ExpandNode(QTreeWidgetItem* item) {
  if (item->childCount() == 0) SelectNodeRows(item, false);
  const QSignalBlocker block(TreeView1);
  item->setExpanded(true);
}

QTreeWidgetItem* TfrmMain::ChildByText(QTreeWidgetItem* item, const QString& text) {
  for (int i = 0; i < item->childCount(); ++i)
    if (item->child(i)->text(0) == text) return item->child(i);
  return nullptr;
}

void TfrmMain::RebuildTree(int mode) {
  rebuilding_ = true;
  {
    const QSignalBlocker block(TreeView1);
    TreeView1->clear();
  }
  TRecord top;
  top.Kind = kKindCatalog;
  QTreeWidgetItem* topNode = AddNode(nullptr, top, true);
  rebuilding_ = false;
  if (mode != 2) ApplyPageRules();
  TreeView1->setCurrentItem(topNode);
  {
    const QSignalBlocker block(TreeView1);
    topNode->setExpanded(true);
  }
  if (mode == 0) RebuildCategoryTabs();
}

void TfrmMain::RebuildCategoryTabs() {
  changingTab_ = true;
  const QString selected = TabControlTreeView->tabText(TabControlTreeView->currentIndex());
  while (TabControlTreeView->count() > 0) TabControlTreeView->removeTab(0);
  catalog_->RebuildNameLists();
  TabControlTreeView->addTab(kAllTab);
  for (const std::string& name : catalog_->CategoryNames().Names())
    TabControlTreeView->addTab(Q(name));
  int index = 0;
  for (int i = 0; i < TabControlTreeView->count(); ++i)
    if (TabControlTreeView->tabText(i) == selected) index = i;
  TabControlTreeView->setCurrentIndex(index);
  changingTab_ = false;
}

void TfrmMain::TabControlTreeViewChange(int index) {
  if (changingTab_ || index < 0) return;
  changingTab_ = true;
  catalog_->SetCategoryFilter(index == 0 ? std::string() : Sj(TabControlTreeView->tabText(index)));
  RebuildTree(1);
  changingTab_ = false;
}

void TfrmMain::TreeView1Change(QTreeWidgetItem* current) {
  if (current == nullptr || rebuilding_) return;
  const int generation = ++fillGeneration_;
  EntryRows rows = SelectNodeRows(current, true);
  if (generation != fillGeneration_) return;
  FillList(std::move(rows));
}

void TfrmMain::TreeView1Expanding(QTreeWidgetItem* item) {
  if (item != nullptr && item->childCount() == 0) SelectNodeRows(item, false);
}

void TfrmMain::GoToPath(const QString& path) {
  QTreeWidgetItem* node = TopNode();
  if (node == nullptr) return;
  if (!path.isEmpty()) {
    for (const QString& part : path.split('\\')) {
      ExpandNode(node);
      node = ChildByText(node, part);
      if (node == nullptr) return;
    }
  }
  if (TreeView1->currentItem() == node)
    TreeView1Change(node);
  else
    TreeView1->setCurrentItem(node);
}

void TfrmMain::OpenRowByName(const QString& name) {
  QTreeWidgetItem* current = TreeView1->currentItem();
  if (current == nullptr) return;
  if (current->childCount() == 0) ExpandNode(current);
  QTreeWidgetItem* child = ChildByText(current, name);
  if (child == nullptr) return;
  TreeView1->setCurrentItem(child);
  child->setExpanded(true);
}

void TfrmMain::ToolButton40Click() {
  QTreeWidgetItem* current = TreeView1->currentItem();
  if (current != nullptr && current->parent() != nullptr)
    TreeView1->setCurrentItem(current->parent());
}

void TfrmMain::SetTabSide(TabSide side) {
  tabSide_ = side;
  static constexpr struct {
    QBoxLayout::Direction direction;
    QTabBar::Shape shape;
  } kSides[] = {{QBoxLayout::TopToBottom, QTabBar::RoundedNorth},
                {QBoxLayout::BottomToTop, QTabBar::RoundedSouth},
                {QBoxLayout::LeftToRight, QTabBar::RoundedWest},
                {QBoxLayout::RightToLeft, QTabBar::RoundedEast}};
  const auto& chosen = kSides[static_cast<int>(side)];
  treeAreaLayout_->setDirection(chosen.direction);
  TabControlTreeView->setShape(chosen.shape);
  QAction* actions[] = {PopItemMediaTypePosTop, PopItemMediaTypePosBottom, PopItemMediaTypePosLeft,
                        PopItemMediaTypePosRight};
  actions[static_cast<int>(side)]->setChecked(true);
}

void TfrmMain::S2Click() {
  // All tabs visible at once, or one strip that scrolls.
  TabControlTreeView->setUsesScrollButtons(!S2->isChecked());
}

void TfrmMain::ToolButton55Click() {
  QTreeWidgetItem* item = TreeView1->currentItem();
  if (item == nullptr) {
    ShowError(QStringLiteral("ﾌｫﾙﾀﾞが選択されていません"));
    return;
  }
  if (busy_) return;
  renaming_ = item;
  renameOldText_ = item->text(0);
  {
    const QSignalBlocker block(TreeView1);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
  }
  TreeView1->editItem(item, 0);
}

void TfrmMain::TreeView1Edited(QTreeWidgetItem* item, int column) {
  if (item == nullptr || item != renaming_ || column != 0) return;
  renaming_ = nullptr;
  const QSignalBlocker block(TreeView1);
  item->setFlags(item->flags() & ~Qt::ItemIsEditable);
  const int32_t key = KeyOf(item);
  if (!KeyIsMedia(key)) {
    item->setText(0, renameOldText_);
    return;
  }
  const int slot = SlotOfKey(key);
  const std::string name = Sj(item->text(0));
  if (name.empty() || !catalog_->IsMediaNameFree(name)) {
    ShowError(QStringLiteral("名前が重複します、上書きしますか"));
    item->setText(0, Q(catalog_->Slot(slot).Name()));
    return;
  }
  Safely([&] { catalog_->RenameMedia(slot, name); });
  item->setText(0, Q(catalog_->Slot(slot).Name()));
}

// ---------------------------------------------------------------- list

void TfrmMain::ApplyColumnLayout() {
  applyingLayout_ = true;
  ColumnLayout& layout = listModel_->Layout();
  for (int position = 0; position < ColumnLayout::kCount; ++position)
    ListView1->horizontalHeader()->resizeSection(position,
                                                 layout.Width(layout.DataColumnAt(position)));
  listModel_->LayoutChanged();
  applyingLayout_ = false;
}

void TfrmMain::CaptureColumnWidths() {
  ColumnLayout& layout = listModel_->Layout();
  for (int position = 0; position < ColumnLayout::kCount; ++position)
    layout.SetWidth(layout.DataColumnAt(position),
                    ListView1->horizontalHeader()->sectionSize(position));
}

void TfrmMain::ListView1SectionResized(int position, int, int newSize) {
  if (applyingLayout_ || newSize <= 0) return;
  ColumnLayout& layout = listModel_->Layout();
  layout.SetWidth(layout.DataColumnAt(position), newSize);
}

void TfrmMain::FillList(EntryRows&& entries) {
  const int generation = fillGeneration_;
  const bool mediaList = entries.shown.kind == 1;
  listModel_->Layout().SetMediaList(mediaList);
  listModel_->LayoutChanged();
  WaitCursor wait;
  listModel_->Clear();
  std::vector<TRecord> rows = std::move(entries.rows);
  const int count = static_cast<int>(rows.size());
  QAbstractItemView* view = ListView1->isVisible() || !ListView1Icons->isVisible()
                                ? static_cast<QAbstractItemView*>(ListView1)
                                : ListView1Icons;
  const bool hide = count > 200;
  if (hide) view->setUpdatesEnabled(false);
  const QString suffix = QStringLiteral(" 個のオブジェクト");
  SetStatus0(QStringLiteral("(1/%1)").arg(count) + suffix);
  Pump();
  if (generation != fillGeneration_) return;
  RowTextOptions options;
  options.dateFormat = Sj(settings_->GetString(REG_FormatUpdateDateTime));
  options.mediaList = mediaList;
  options.dupStore = dupStore_.get();
  for (int first = 0; first < count; first += 100) {
    if (first > 0) {
      SetStatus0(QStringLiteral("(%1/%2)").arg(first).arg(count) + suffix);
      Pump();
      if (generation != fillGeneration_) {
        if (hide) view->setUpdatesEnabled(true);
        return;
      }
    }
    const int end = std::min(count, first + 100);
    std::span<TRecord> chunk(rows.data() + first, static_cast<std::size_t>(end - first));
    for (TRecord& row : chunk) row.ImageIndex = images_->ImageOfRow(row);
    FillRowTexts(*catalog_, *typeNames_, options, chunk);
  }
  listModel_->SetRows(std::move(rows));
  if (hide) view->setUpdatesEnabled(true);
  SetStatus0(QString::number(count) + suffix);
}

std::vector<int> TfrmMain::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : ListView1->selectionModel()->selectedRows())
    rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

void TfrmMain::SelectListRowByName(const QString& name) {
  const std::string wanted = Sj(name);
  for (int i = 0; i < listModel_->RowCount(); ++i) {
    if (listModel_->Row(i).Name != wanted) continue;
    const QModelIndex index = listModel_->index(i, 0);
    ListView1->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ListView1->scrollTo(index);
    ListView1->setFocus();
    return;
  }
}

void TfrmMain::ListView1ColumnClick(int position) {
  if (ListView1->selectionModel()->hasSelection()) {
    ListView1->clearSelection();
    ListView1->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
  }
  const bool shift = QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier);
  listModel_->SortByColumn(position, shift);
}

void TfrmMain::ListView1SelectItem() {
  txtComment->clear();
  const std::vector<int> rows = SelectedRows();
  if (rows.empty()) return;
  std::vector<const TRecord*> selected;
  for (int row : rows) selected.push_back(&listModel_->Row(row));
  properties_ = BuildRowProperties(*catalog_, shown_, selected);
  if (selected.size() == 1) {
    const TRecord& row = *selected.front();
    ShowProperties(properties_, row.ImageIndex);
    if (row.Texts.size() > 8) txtComment->setPlainText(Q(row.Texts[8]));
    history_->Record(row.Key, row.Name);
    UpdateHistoryHints();
  } else {
    ShowProperties(properties_, 7);
  }
}

void TfrmMain::ListView1DblClick() {
  const std::vector<int> rows = SelectedRows();
  if (rows.empty()) return;
  const TRecord& row = listModel_->Row(rows.front());
  // Opening a catalogued file needs its media mounted, which this window
  // does not check yet; folders and media open their tree node.
  if (row.Kind == kKindFile) return;
  OpenRowByName(Q(row.Name));
}

void TfrmMain::SetViewStyle(int style) {
  const bool details = style == 3;
  if (!details) {
    ListView1Icons->setViewMode(style == 2 ? QListView::ListMode : QListView::IconMode);
    ListView1Icons->setIconSize(style == 0 ? QSize(32, 32) : QSize(16, 16));
    ListView1Icons->setFlow(style == 2 ? QListView::TopToBottom : QListView::LeftToRight);
    ListView1Icons->setWrapping(true);
    ListView1Icons->setResizeMode(QListView::Adjust);
    ListView1Icons->setGridSize(style == 0 ? QSize(96, 64) : QSize());
  }
  ListView1->setVisible(details);
  ListView1Icons->setVisible(!details);
  QToolButton* buttons[] = {ToolButton16, ToolButton17, ToolButton18, ToolButton19};
  QAction* actions[] = {N13, N14, N15, N16};
  buttons[style]->setChecked(true);
  actions[style]->setChecked(true);
}

void TfrmMain::N33Click() {
  const bool on = N33->isChecked();
  ListView1->setShowGrid(on);
  Safely([&] { settings_->SetInt(REG_ListViewGridLine, on ? 1 : 0); });
}

void TfrmMain::N22Click() {
  const bool on = N22->isChecked();
  sizeBar_->SetShown(on);
  Safely([&] { settings_->SetInt(REG_FileSizeBarShow, on ? 1 : 0); });
  ListView1->viewport()->update();
}

void TfrmMain::C1Click() {
  const auto colour = prompter_->ChooseColour(settings_->GetInt(REG_DupFileColor));
  if (!colour) return;
  Safely([&] { settings_->SetInt(REG_DupFileColor, *colour); });
  listModel_->SetDuplicateColour(ColourFromBgr(*colour));
}

void TfrmMain::saizu1Click() {
  const auto colour = prompter_->ChooseColour(settings_->GetInt(REG_FileSizeBarColor));
  if (!colour) return;
  Safely([&] { settings_->SetInt(REG_FileSizeBarColor, *colour); });
  sizeBar_->SetColour(ColourFromBgr(*colour));
  ListView1->viewport()->update();
}

void TfrmMain::N38Click() {
  CaptureColumnWidths();
  if (!TfrmListItem::Run(listModel_->Layout(), this)) return;
  ApplyColumnLayout();
}

void TfrmMain::N36Click() {
  TfrmAbout about(this);
  about.exec();
}

void TfrmMain::Plomix21Click() {
  QDesktopServices::openUrl(
      QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + "/Plomix2.chm"));
}

void TfrmMain::chkCommentSetShowClick() {
  const bool on = chkCommentSetShow->isChecked();
  Panel13->setVisible(on);
  Safely([&] { settings_->SetInt(REG_ShowCommentSet, on ? 1 : 0); });
}

void TfrmMain::chkDupInfoShowClick() {
  const bool on = chkDupInfoShow->isChecked();
  Panel24->setVisible(on);
  Safely([&] { settings_->SetInt(REG_ShowDupInfo, on ? 1 : 0); });
}

// ---------------------------------------------------------------- properties

void TfrmMain::ApplyPropertyShow(bool shown) {
  pnlListViewLeft->setVisible(shown);
  ToolButton14->setChecked(shown);
  N10->setChecked(shown);
}

void TfrmMain::ToolButton14Click() {
  const bool shown = ToolButton14->isChecked();
  ApplyPropertyShow(shown);
  Safely([&] { settings_->SetInt(REG_ListViewPropertyShow, shown ? 1 : 0); });
}

void TfrmMain::ToolButton9Click() {
  if (propertySide_ == 0) return;
  propertySide_ = 0;
  Splitter3->insertWidget(0, pnlListViewLeft);
  Safely([&] { settings_->SetInt(REG_ListViewPropertyPos, 0); });
}

void TfrmMain::ToolButton10Click() {
  if (propertySide_ == 1) return;
  propertySide_ = 1;
  Splitter3->insertWidget(1, pnlListViewLeft);
  Safely([&] { settings_->SetInt(REG_ListViewPropertyPos, 1); });
}

void TfrmMain::ShowProperties(const PropertySheet& sheet, int image) {
  ListView3->clear();
  Chart2->Clear();
  pnlMediaReLoad->setVisible(sheet.showReload);
  ImageListView->setPixmap(images_->Icon(image).pixmap(32, 32));
  lblListViewName->setText(sheet.label);
  lblListViewName->setStyleSheet(QStringLiteral("color: %1;").arg(sheet.labelColour.name()));
  for (const PropertyRow& row : sheet.rows)
    new QTreeWidgetItem(ListView3, QStringList{row.item, row.value});
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
  StatusPanel1->setText(sheet.status);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  if ((event->type() == QEvent::Enter || event->type() == QEvent::Leave) &&
      (watched == lblListViewColor1 || watched == lblListViewColor2 ||
       watched == lblListViewColor3)) {
    auto* label = static_cast<QLabel*>(watched);
    QFont font = label->font();
    font.setBold(event->type() == QEvent::Enter);
    label->setFont(font);
  }
  return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::ToolButton57Click() {
  QGuiApplication::clipboard()->setText(PropertiesText(properties_));
}

// ---------------------------------------------------------------- catalogue commands

void TfrmMain::ToolButton1Click() {
  if (busy_ || analysis_->AnyLoading()) return;
  const QString path = ChooseToOpen();
  if (path.isEmpty()) {
    ResetHistory();
    return;
  }
  changingTab_ = true;
  TabControlTreeView->setCurrentIndex(0);
  changingTab_ = false;
  catalog_->SetCategoryFilter("");
  if (!catalog_->OpenCatalog(Native(path))) {
    prompter_->Message(QStringLiteral("Max"), PromptIcon::None, PromptButtons::Ok);
    return;
  }
  catalog_->ReadLongNames();
  analysis_->CatalogOpened();
  RefreshCompactButton();
  RebuildTree(0);
  Safely([&] { AddToOpenHistory(path); });
  RefreshAnalysisCommands();
  StartResultLoaders();
  ResetHistory();
}

void TfrmMain::ToolButton2Click() {
  if (busy_ || analysis_->AnyLoading()) return;
  CreateCatalogue(QString());
  RefreshAnalysisCommands();
}

void TfrmMain::AfterMediaChange() {
  Safely([&] { analysis_->AfterMediaChange([this](const AnalysisEvent&) { Pump(); }); });
  RefreshAnalysisCommands();
}

void TfrmMain::ToolButton3Click() {
  if (busy_ || analysis_->AnyLoading()) return;
  busy_ = true;
  CompactResult result = CompactResult::NothingToDo;
  {
    WaitCursor wait;
    Safely([&] {
      result = catalog_->CompactCatalog([this](const QString& text) {
        SetStatus0(text);
        Pump();
      });
    });
  }
  RebuildTree(0);
  busy_ = false;
  if (result == CompactResult::CopyFailed) ShowError(QString::fromStdString(catalog_->LastError()));
  if (result == CompactResult::Done) AfterMediaChange();
  RefreshCompactButton();
  ResetHistory();
}

bool TfrmMain::ReadMedia(const std::function<bool(ReadWorkflow&)>& dialog) {
  if (busy_ || analysis_->AnyLoading()) return false;
  scanner_->SetProgress([this](int64_t stored, const std::string& folder) {
    SetStatus0(QStringLiteral("メディア情報読込中...") + QString::number(stored));
    StatusPanel1->setText(QString::fromStdString(folder));
    Pump();
  });
  readWorkflow_->SetBeforeStore([this] {
    SetStatus0(QStringLiteral("メディア情報書込み中..."));
    StatusPanel1->clear();
    Pump();
  });
  busy_ = true;
  bool added = false;
  Safely([&] { added = readWorkflow_->ReadMediaCommand(dialog); });
  busy_ = false;
  SetStatus0(QString());
  if (!added) return false;
  RebuildTree(0);
  AfterMediaChange();
  RefreshCompactButton();
  return true;
}

void TfrmMain::ToolButton6Click() {
  ReadMedia([this](ReadWorkflow& workflow) {
    return TfrmDrive::Run(workflow, *catalog_, *drives_, *prompter_, this);
  });
}

void TfrmMain::ToolButton7Click() {
  if (busy_ || analysis_->AnyLoading()) return;
  const int32_t key = KeyOf(TreeView1->currentItem());
  if (key < 0) {
    prompter_->Message(QStringLiteral("削除するメディアが不明です"), PromptIcon::Warning,
                       PromptButtons::Ok);
    return;
  }
  const QString name = Q(catalog_->MediaNameOf(key));
  if (prompter_->Message(QStringLiteral("下記のメディア情報を削除しますか？\r\n\r\n") + name,
                         PromptIcon::Question, PromptButtons::YesNo) != PromptResult::Yes)
    return;
  {
    WaitCursor wait;
    Safely([&] { catalog_->DeleteMedia(SlotOfKey(key)); });
  }
  RebuildTree(0);
  if (catalog_->FilteredMediaCount() < 1)
    analysis_->DiscardResults();
  else
    AfterMediaChange();
  RefreshAnalysisCommands();
  RefreshCompactButton();
  ResetHistory();
}

}  // namespace plomix
