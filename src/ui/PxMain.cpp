#include "ui/PxMain.h"

#include <QCloseEvent>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <utility>

#include "analysis/AnalysisControl.h"
#include "analysis/ResultStore.h"
#include "browse/BrowseHistory.h"
#include "core/BusyScope.h"
#include "core/Catalog.h"
#include "core/Compaction.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "core/TypeNames.h"
#include "plomix/Version.h"
#include "reading/ReadRequest.h"
#include "reading/Scanner.h"
#include "ui/AnalysisUi.h"
#include "ui/DetailPanel.h"
#include "ui/DialogFolder.h"
#include "ui/DupPage.h"
#include "ui/ErrorMessage.h"
#include "ui/FileListPanel.h"
#include "ui/ImageList.h"
#include "ui/LikePage.h"
#include "ui/MediaPage.h"
#include "ui/NameIndexStatus.h"
#include "ui/PageSupport.h"
#include "ui/PxAbout.h"
#include "ui/PxHelp.h"
#include "ui/SearchPage.h"
#include "ui/Session.h"
#include "ui/options/PxEnv.h"
#include "ui/reading/PxDrive.h"
#include "ui/reading/PxReadProgress.h"
#include "ui/widgets/WaitCursor.h"

namespace plomix {

namespace {

const QString kCatalogFilter =
    QStringLiteral("メディア管理DBファイル(*.qdb)|*.qdb|すべてのファイル(*.*)|*.*");
const QString kDefaultCatalogName = QStringLiteral("Default.qdb");

// The default catalogue name in the folder of the catalogue `last` names when
// that folder still exists, else in the documents folder.
QString InFolderOf(const QString& last) {
  const QString folder = last.isEmpty() ? QString() : QFileInfo(last).absolutePath();
  if (!folder.isEmpty() && QFileInfo(folder).isDir()) return folder + "/" + kDefaultCatalogName;
  return InDocumentsFolder(kDefaultCatalogName);
}
// Whether the window was maximised at its last close ("1" or "0").
const QString kMaximisedKey = QStringLiteral("Window/Maximized");

}  // namespace

// ---------------------------------------------------------------- construction

TfrmMain::TfrmMain(Session& session, QWidget* parent) : QMainWindow(parent), session_(session) {
  setObjectName(QStringLiteral("frmMain"));
  BuildWindow();
  FormCreate();
  session_.SetLoadWaiter([this] { WaitForResultLoads(); });
}

// A loader reports back into this window: it must have ended before the
// window goes. Its result is kept by the store all the same.
TfrmMain::~TfrmMain() {
  StatusPanel2->Stop();
  session_.SetLoadWaiter({});
  for (AnalysisMode mode : {AnalysisMode::Duplicate, AnalysisMode::Similar})
    session_.Analysis().WaitForResultLoad(mode);
}

QString TfrmMain::CaptionText() {
  return QStringLiteral("Plomix2  [Ver.") + QStringLiteral(PLOMIX_VERSION_TEXT) + "]";
}

void TfrmMain::BuildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));
  QMenu* file = bar->addMenu(QStringLiteral("ファイル(&F)"));
  N24 = AddMenuAction(file, "N24", QStringLiteral("DBの新規作成(&N)..."), QKeySequence("Ctrl+N"));
  N25 = AddMenuAction(file, "N25", QStringLiteral("DBを開く(&O)..."), QKeySequence("Ctrl+O"));
  file->addSeparator();
  I1 = AddMenuAction(file, "I1", QStringLiteral("インポート(&I)..."));
  file->addSeparator();
  DB1 = AddMenuAction(file, "DB1", QStringLiteral("DBの最適化(&P)"), QKeySequence("Ctrl+P"));
  file->addSeparator();
  E2 = AddMenuAction(file, "E2", QStringLiteral("環境設定(&E)..."), QKeySequence("Ctrl+E"));
  file->addSeparator();
  N28 = AddMenuAction(file, "N28", QStringLiteral("終了(&X)"), QKeySequence("Ctrl+Q"));
  QMenu* media = bar->addMenu(QStringLiteral("メディア(&M)"));
  N30 = AddMenuAction(media, "N30", QStringLiteral("メディア情報の追加/更新(&R)..."),
                      QKeySequence("Ctrl+R"));
  N31 = AddMenuAction(media, "N31", QStringLiteral("カレントのメディア情報を削除(&D)"),
                      QKeySequence("Ctrl+D"));
  N32 = AddMenuAction(media, "N32", QStringLiteral("メディアの更新(&U)..."));
  connect(N32, &QAction::triggered, this, &TfrmMain::UpdateMediaClick);
  connect(media, &QMenu::aboutToShow, this, [this] { N32->setEnabled(CanUpdateMedia()); });
  QMenu* search = bar->addMenu(QStringLiteral("検索(&S)"));
  S1 = AddMenuAction(search, "S1", QStringLiteral("検索(&F)..."), QKeySequence("Ctrl+F"));
  QMenu* dup = bar->addMenu(QStringLiteral("重複(&D)"));
  S3 = AddMenuAction(dup, "S3", QStringLiteral("重複ファイル検索(&S)..."), QKeySequence("Ctrl+S"));
  C1 = AddMenuAction(dup, "C1", QStringLiteral("重複ファイル表示色(&C)..."));
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

  // The file and media menu items act on the media page's 標準 page.
  const std::pair<QAction*, void (TfrmMain::*)()> onMediaPage[] = {
      {N24, &TfrmMain::ToolButton2Click},
      {N25, &TfrmMain::ToolButton1Click},
      {DB1, &TfrmMain::ToolButton3Click},
      {N30, &TfrmMain::ToolButton6Click},
      {N31, &TfrmMain::ToolButton7Click}};
  for (const auto& [action, handler] : onMediaPage)
    connect(action, &QAction::triggered, this, [this, handler = handler] {
      SwitchToMediaPage();
      (this->*handler)();
    });
  connect(N28, &QAction::triggered, this, &QWidget::close);
  connect(I1, &QAction::triggered, this, [this] {
    SwitchToMediaPage();
    I1Click();
  });
  connect(C1, &QAction::triggered, this, &TfrmMain::C1Click);
  connect(Plomix21, &QAction::triggered, this, &TfrmMain::Plomix21Click);
  connect(N36, &QAction::triggered, this, &TfrmMain::N36Click);
  connect(S3, &QAction::triggered, this, &TfrmMain::S3Click);
  connect(N44, &QAction::triggered, this, &TfrmMain::N44Click);
  connect(R1, &QAction::triggered, this, &TfrmMain::R1Click);
  connect(L2, &QAction::triggered, this, &TfrmMain::L2Click);
  // Commands whose dialogs and workflows are not part of this window yet.
  connect(E2, &QAction::triggered, this, &TfrmMain::E2Click);
  connect(S1, &QAction::triggered, this, &TfrmMain::S1Click);
}

void TfrmMain::BuildWindow() {
  resize(883, 592);
  BuildMenus();

  const ImageList& images = session_.Images();
  ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
  ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
  ToolBar1->setMovable(false);
  ToolButton1 =
      AddToolButton(ToolBar1, images, "ToolButton1", QStringLiteral("DBを開く"), kImageOpenFolder);
  ToolButton2 = AddToolButton(ToolBar1, images, "ToolButton2", QStringLiteral("DBの新規作成"),
                              kImageCatalogue);
  ToolButton3 =
      AddToolButton(ToolBar1, images, "ToolButton3", QStringLiteral("DBの最適化"), kImageHardDisk);
  ToolBar1->addSeparator();
  ToolButton46 = AddToolButton(ToolBar1, images, "ToolButton46", QStringLiteral("重複ファイル検索"),
                               kImageFile);
  ToolButton60 = AddToolButton(ToolBar1, images, "ToolButton60",
                               QStringLiteral("似たようなファイル検索"), kImageFile);
  connect(ToolButton1, &QToolButton::clicked, this, &TfrmMain::ToolButton1Click);
  connect(ToolButton2, &QToolButton::clicked, this, &TfrmMain::ToolButton2Click);
  connect(ToolButton3, &QToolButton::clicked, this, &TfrmMain::ToolButton3Click);

  BuildPages();

  statusBar()->setObjectName(QStringLiteral("StatusBar1"));
  StatusPanel0 = new QLabel(this);
  StatusPanel0->setObjectName(QStringLiteral("StatusBar1Panel0"));
  StatusPanel0->setMinimumWidth(246);
  StatusPanel1 = new QLabel(this);
  StatusPanel1->setObjectName(QStringLiteral("StatusBar1Panel1"));
  StatusPanel1->setMinimumWidth(50);
  statusBar()->addWidget(StatusPanel0);
  statusBar()->addWidget(StatusPanel1, 1);
  StatusPanel2 = new NameIndexStatus(this);
  statusBar()->addPermanentWidget(StatusPanel2);
}

void TfrmMain::BuildPages() {
  const ImageList& images = session_.Images();
  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  TabSheet1 = new MediaPage(session_);
  TabSheet2 = new SearchPage(session_);
  TabSheet8 = new DupPage(session_);
  TabSheet9 = new LikePage(session_);
  PageControl1->addTab(TabSheet1, images.Icon(2), QStringLiteral("メディア"));
  PageControl1->addTab(TabSheet2, images.Icon(10), QStringLiteral("検索"));
  PageControl1->addTab(TabSheet8, images.Icon(10), QStringLiteral("重複ファイルの一覧"));
  PageControl1->addTab(TabSheet9, images.Icon(10), QStringLiteral("似たようなファイルの一覧"));
  setCentralWidget(PageControl1);
  for (Page* page : std::initializer_list<Page*>{TabSheet1, TabSheet2, TabSheet8, TabSheet9})
    ConnectPage(page);
  connect(TabSheet1, &MediaPage::PageRulesNeeded, this, &TfrmMain::ApplyPageRules);
  connect(TabSheet1, &MediaPage::ReadRequested, this, &TfrmMain::ToolButton6Click);
  connect(TabSheet1, &MediaPage::DeleteRequested, this, &TfrmMain::ToolButton7Click);
  connect(TabSheet1, &MediaPage::UpdateRequested, this, &TfrmMain::UpdateMediaClick);
  TabSheet1->SetUpdateRule([this] { return CanUpdateMedia(); });
  connect(TabSheet2, &SearchPage::SearchAccepted, this, &TfrmMain::ShowSearchCategory);
  connect(TabSheet1, &MediaPage::SameContentRequested, this, [this](int32_t key) {
    if (TabSheet2->ShowContentCopies(key)) PageControl1->setCurrentWidget(TabSheet2);
  });
  // Another category in the tree: the hits of the former one go.
  connect(TabSheet1, &MediaPage::CategoryTabChanged, TabSheet2, &SearchPage::Clear);
  ConnectAnalyses();
}

void TfrmMain::ConnectPage(Page* page) {
  connect(page, &Page::StatusText, this, &TfrmMain::SetStatus);
  connect(page, &Page::GoToEntry, this, &TfrmMain::GoToEntry);
}

void TfrmMain::SetStatus(int panel, const QString& text) {
  (panel == 0 ? StatusPanel0 : StatusPanel1)->setText(text);
}

void TfrmMain::GoToEntry(int32_t key) {
  SwitchToMediaPage();
  TabSheet1->ShowEntry(key);
}

// ---------------------------------------------------------------- start-up

void TfrmMain::FormCreate() {
  Catalog& catalog = session_.GetCatalog();
  TabSheet1->LoadSettings();
  catalog.SetCategoryFilter("");
  session_.Images().Reset();
  session_.Types().Clear();
  session_.History().SetSuppressed(true);
  displayedPath_.clear();

  const QString path = ChooseAtStart();
  if (path.isEmpty()) return;
  if (catalog.OpenCatalog(text::NativePath(path))) {
    catalog.ReadLongNames();
    Safely(session_.Ask(), [&] { AddToOpenHistory(path); });
  } else if (!CreateCatalogue(path)) {
    return;
  }
  session_.Analysis().CatalogOpened();
  RefreshCompactButton();
  RefreshAnalysisCommands();
  RestoreWindowState();
  TabSheet1->RebuildTree(TreeRebuild::Full);
  StartResultLoaders();
  StatusPanel2->Follow(catalog.CatalogPath());
  started_ = true;
}

void TfrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  FormShow();
}

// Without a kept size the window first shows so wide that the file list's
// toolbar beside the tree is whole, as far as the screen allows.
void TfrmMain::FitListToolbar() {
  const int missing = TabSheet1->ListToolbarShortfall();
  if (missing <= 0) return;
  const QScreen* screen = this->screen();
  const int most = screen != nullptr ? screen->availableGeometry().width() : width() + missing;
  const int wider = std::max(width(), std::min(width() + missing, most));
  // Still centred where it was, and on the screen.
  const int left = std::max(screen != nullptr ? screen->availableGeometry().left() : 0,
                            x() - (wider - width()) / 2);
  resize(wider, height());
  move(left, y());
}

void TfrmMain::FormShow() {
  if (std::exchange(widenOnShow_, false)) QTimer::singleShot(0, this, &TfrmMain::FitListToolbar);
  TabSheet1->ShowHistoryPosition();
  setWindowTitle(CaptionText());
  raise();
  activateWindow();
}

QString TfrmMain::ChooseAtStart() {
  Prompter& prompter = session_.Ask();
  const QString last = session_.GetSettings().GetString(REG_OpenHist01);
  QString result;
  if (last.isEmpty()) {
    result = prompter.OpenFile(QStringLiteral("◆メディア管理DBファイルの作成"),
                               InDocumentsFolder(kDefaultCatalogName), kCatalogFilter);
  } else if (!QFileInfo::exists(last)) {
    TabSheet1->ResetHistory();
    result = prompter.OpenFile(QStringLiteral("◆最後に開いたメディア管理DBファイルが存在しません"
                                              "、メディア管理DBファイルを指定してください"),
                               InFolderOf(last), kCatalogFilter);
  } else {
    result = last;
  }
  if (!result.isEmpty()) displayedPath_ = result;
  return result;
}

QString TfrmMain::ChooseToOpen() {
  Prompter& prompter = session_.Ask();
  const QString last = session_.GetSettings().GetString(REG_OpenHist01);
  const QString path = prompter.OpenFile(QStringLiteral("メディア管理DBファイルを指定してください"),
                                         InFolderOf(last), kCatalogFilter);
  if (path.isEmpty()) return {};
  if (QFileInfo::exists(path)) return path;
  if (prompter.Message(QStringLiteral("新規メディア管理DBファイルを作成しますか？"),
                       PromptIcon::Question, PromptButtons::YesNo) != PromptResult::Yes)
    return {};
  if (!CreateCatalogue(path)) return {};
  return QString::fromStdString(session_.GetCatalog().CatalogPath());
}

bool TfrmMain::CreateCatalogue(QString path) {
  Prompter& prompter = session_.Ask();
  Catalog& catalog = session_.GetCatalog();
  if (path.isEmpty()) {
    path = prompter.SaveFile(QStringLiteral("新規DBファイルの作成"),
                             InDocumentsFolder(kDefaultCatalogName), kCatalogFilter,
                             QStringLiteral("qdb"));
    if (path.isEmpty()) {
      TabSheet1->ResetHistory();
      return true;
    }
  }
  const std::string target = ApplyCatalogExtension(text::NativePath(path));
  if (QFileInfo::exists(QString::fromStdString(target)) &&
      prompter.Message(QStringLiteral("上書きしますか？"), PromptIcon::Question,
                       PromptButtons::YesNo) != PromptResult::Yes)
    return false;
  bool created = false;
  {
    WaitCursor wait;
    created = catalog.CreateCatalog(target);
  }
  if (!created) {
    // A refusal by the file system is reported, never passed over in silence.
    ShowError(prompter, QStringLiteral("メディア管理DBファイルを作成できません\r\n") +
                            QString::fromStdString(target) + "\r\n" +
                            ErrorMessage(catalog.LastFailure()));
    return false;
  }
  displayedPath_ = QString::fromStdString(target);
  StatusPanel2->Follow(catalog.CatalogPath());
  Safely(prompter, [&] { AddToOpenHistory(displayedPath_); });
  catalog.CategoryNames().Clear();
  catalog.LocationNames().Clear();
  session_.Analysis().CatalogOpened();
  // Results left beside a catalogue that was just replaced describe files the
  // new, empty one does not hold.
  session_.Analysis().DiscardResults();
  analysisUi_->ClearAll();
  analysisUi_->RefillShownContent();
  RefreshCompactButton();
  if (started_) TabSheet1->RebuildTree(TreeRebuild::Full);
  TabSheet1->ResetHistory();
  return true;
}

void TfrmMain::AddToOpenHistory(const QString& path) {
  Settings& settings = session_.GetSettings();
  QStringList entries;
  for (int i = 0; i < 5; ++i) {
    const QString entry = settings.GetString(SettingAt(REG_OpenHist01, i));
    if (entry.isEmpty()) break;
    entries << entry;
  }
  const int found = static_cast<int>(entries.indexOf(path));
  const int moved = found >= 0 ? found : std::min(static_cast<int>(entries.size()), 4);
  for (int i = moved - 1; i >= 0; --i)
    settings.SetString(SettingAt(REG_OpenHist01, i + 1), entries[i]);
  settings.SetString(REG_OpenHist01, path);
}

// ---------------------------------------------------------------- rules

void TfrmMain::StartResultLoaders() {
  AnalysisControl& analysis = session_.Analysis();
  for (AnalysisMode mode : {AnalysisMode::Duplicate, AnalysisMode::Similar}) {
    analysis.StartResultLoader(mode, [this](AnalysisMode done) {
      QMetaObject::invokeMethod(
          this,
          [this, done] {
            // A command that had to wait may have finished the load already.
            if (!session_.Analysis().IsLoading(done)) return;
            analysisUi_->ResultLoaded(done, session_.Analysis().FinishResultLoad(done));
            ApplyLoadingRules();
          },
          Qt::QueuedConnection);
    });
  }
  ApplyLoadingRules();
}

void TfrmMain::WaitForResultLoads() {
  AnalysisControl& analysis = session_.Analysis();
  WaitCursor wait;
  SetStatus(0, QStringLiteral("解析結果の読込みを待っています..."));
  for (AnalysisMode mode : {AnalysisMode::Duplicate, AnalysisMode::Similar})
    if (analysis.IsLoading(mode)) analysisUi_->ResultLoaded(mode, analysis.WaitForResultLoad(mode));
  SetStatus(0, QString());
  ApplyLoadingRules();
}

void TfrmMain::ApplyLoadingRules() {
  const AnalysisControl& analysis = session_.Analysis();
  const bool dupLoading = analysis.IsLoading(AnalysisMode::Duplicate);
  const bool likeLoading = analysis.IsLoading(AnalysisMode::Similar);
  const bool shown = session_.GetCatalog().FilteredMediaCount() > 0;
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
  const bool shown = session_.GetCatalog().FilteredMediaCount() > 0;
  for (int i = 1; i < PageControl1->count(); ++i) PageControl1->setTabVisible(i, shown);
  TabSheet1->ApplySubPageRules(shown);
  ApplyLoadingRules();
}

void TfrmMain::RefreshCompactButton() {
  const CompactionButtonState state = RefreshCompactionButton(session_.GetCatalog());
  ToolButton3->setToolTip(state.hint);
  ToolButton3->setEnabled(state.enabled && !session_.Analysis().AnyLoading());
  // Every command that opens, reads into or rewrites the catalogue ends here,
  // so a damaged exact-name file found on the way is told about once.
  ShowSideFileWarning();
}

void TfrmMain::ShowSideFileWarning() {
  Catalog& catalog = session_.GetCatalog();
  if (catalog.TakeSideFileWarning().empty()) return;
  const QString path = text::NativePathToQString(catalog.ExactNamePath());
  const QString text =
      catalog.ExactNamesDamaged()
          ? QStringLiteral(
                "完全な名前のファイルが壊れています。\r\n%1\r\n\r\n"
                "シフトJISで表せない名前は、読めなかった分を「?」を含む形で表示します。"
                "次にメディアを追加した時に作り直します。")
          : QStringLiteral(
                "完全な名前のファイルがありません。\r\n%1\r\n\r\n"
                "シフトJISで表せない名前は「?」を含む形で表示します。");
  session_.Ask().Message(text.arg(path), PromptIcon::Warning, PromptButtons::Ok);
}

void TfrmMain::RefreshAnalysisCommands() {
  const bool noDup = !session_.DupStore().DupResultsExist();
  const bool noLike = !session_.LikeStore().LikeResultsExist();
  S3->setVisible(noDup);
  ToolButton46->setVisible(noDup);
  N44->setVisible(noLike);
  ToolButton60->setVisible(noLike);
}

void TfrmMain::SwitchToMediaPage() {
  PageControl1->setCurrentWidget(TabSheet1);
  TabSheet1->ShowStandardPage();
}

// ---------------------------------------------------------------- window state

// The size is restored apart from the position: desktops that place windows
// themselves report every window at 0,0, and a window at the screen's edge is
// at 0 too, so a position of 0 says nothing about the size. A size or place
// from a screen that is no longer there is brought onto the screen.
void TfrmMain::RestoreWindowState() {
  Settings& settings = session_.GetSettings();
  const int top = settings.GetInt(REG_MainFrameTop);
  const int left = settings.GetInt(REG_MainFrameLeft);
  const int h = settings.GetInt(REG_MainFrameHeight);
  const int w = settings.GetInt(REG_MainFrameWidth);
  const bool placed = top > 0 && left > 0;
  const QScreen* screen = placed ? QGuiApplication::screenAt(QPoint(left, top)) : nullptr;
  const bool onScreen = screen != nullptr;
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  const QRect area = screen != nullptr ? screen->availableGeometry() : QRect();
  if (h > 0 && w > 0) {
    resize(area.isValid() ? QSize(std::min(w, area.width()), std::min(h, area.height()))
                          : QSize(w, h));
  } else {
    widenOnShow_ = true;  // no size kept yet: see FitListToolbar
  }
  if (placed && onScreen) {
    move(left, top);
  } else if (area.isValid()) {
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
  normalFrame_ = QRect(pos(), size());
  if (settings.GetRaw(kMaximisedKey) == QStringLiteral("1"))
    setWindowState(windowState() | Qt::WindowMaximized);
  TabSheet1->RestoreSizes(size());
}

void TfrmMain::SaveWindowState() {
  Settings& settings = session_.GetSettings();
  const bool maximised = isMaximized();
  // The frame's place and the inside size: what move() and resize() take back.
  const QRect frame = maximised || isMinimized() ? normalFrame_ : QRect(pos(), size());
  if (frame.width() > 0 && frame.height() > 0) {
    settings.SetInt(REG_MainFrameTop, frame.top());
    settings.SetInt(REG_MainFrameLeft, frame.left());
    settings.SetInt(REG_MainFrameHeight, frame.height());
    settings.SetInt(REG_MainFrameWidth, frame.width());
  }
  settings.SetRaw(kMaximisedKey, maximised ? QStringLiteral("1") : QStringLiteral("0"));
  TabSheet1->SaveState();
}

void TfrmMain::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  if (!isMaximized() && !isMinimized() && !isFullScreen()) normalFrame_.moveTopLeft(pos());
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (!isMaximized() && !isMinimized() && !isFullScreen()) normalFrame_.setSize(size());
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  if (session_.Busy()) {
    session_.Ask().Message(QStringLiteral("処理中...\r\n処理が完了してから終了してください"),
                           PromptIcon::Warning, PromptButtons::Ok);
    event->ignore();
    return;
  }
  Safely(session_.Ask(), [&] { SaveWindowState(); });
  session_.GetScanner().ReleaseScanBuffer();
  event->accept();
}

// ---------------------------------------------------------------- simple commands

void TfrmMain::C1Click() {
  Settings& settings = session_.GetSettings();
  const auto colour = session_.Ask().ChooseColour(settings.GetInt(REG_DupFileColor));
  if (!colour) return;
  Safely(session_.Ask(), [&] { settings.SetInt(REG_DupFileColor, *colour); });
  TabSheet1->SetDuplicateColour(*colour);
}

void TfrmMain::N36Click() {
  TfrmAbout about(this);
  about.exec();
}

void TfrmMain::Plomix21Click() {
  TfrmHelp::ShowHelp(this);
}

void TfrmMain::E2Click() {
  TfrmEnv dialog(session_.GetSettings(), session_.Ask(), session_.LikeStore().StoredLikeKey(),
                 this);
  dialog.exec();
}

}  // namespace plomix
