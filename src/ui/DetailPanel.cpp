#include "ui/DetailPanel.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "analysis/AnalysisControl.h"
#include "analysis/ContentCopies.h"
#include "analysis/DetailExport.h"
#include "analysis/ResultStore.h"
#include "core/BusyScope.h"
#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "ui/ContentGroupModel.h"
#include "ui/FileListModel.h"
#include "ui/Icons.h"
#include "ui/ResultGrid.h"
#include "ui/ResultMemberModel.h"
#include "ui/Session.h"
#include "ui/widgets/WaitCursor.h"

namespace plomix {

namespace {

constexpr std::initializer_list<int> kWidths = {0, 40, 200, 120, 80, 120, 80, 80, 80, 80};

QMenu* JumpMenu(const char* name, QAction*& action, QTableView* grid) {
  auto* menu = new QMenu(grid);
  menu->setObjectName(QString::fromLatin1(name));
  action = menu->addAction(QStringLiteral("ListViewに表示[ダブルクリック](&O)"));
  action->setObjectName(QString::fromLatin1(name) + QStringLiteral("Show"));
  action->setIcon(icons::CommandIcon(action->objectName()));
  grid->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(
      grid, &QWidget::customContextMenuRequested, menu,
      [menu, grid](const QPoint& at) { menu->popup(grid->viewport()->mapToGlobal(at)); });
  return menu;
}

}  // namespace

DetailPanel::DetailPanel(Catalog& catalog, Settings& settings, AnalysisControl& analysis,
                         DupResultStore& dup, LikeResultStore& like, ImageList& images,
                         QWidget* parent)
    : QWidget(parent),
      catalog_(catalog),
      settings_(settings),
      analysis_(analysis),
      dup_(dup),
      like_(like) {
  setObjectName(QStringLiteral("Panel24"));
  dupMembers_ = new ResultMemberModel(true, &images, this);
  likeMembers_ = new ResultMemberModel(false, &images, this);
  likeMembers_->sort(2, Qt::AscendingOrder);
  contentMembers_ = new ResultMemberModel(true, &images, this);

  PageControl3 = new QTabWidget(this);
  PageControl3->setObjectName(QStringLiteral("PageControl3"));
  PageControl3->setTabPosition(QTabWidget::West);
  TabSheet10 = new QWidget(PageControl3);
  TabSheet10->setObjectName(QStringLiteral("TabSheet10"));
  TabSheet11 = new QWidget(PageControl3);
  TabSheet11->setObjectName(QStringLiteral("TabSheet11"));
  PageControl3->addTab(TabSheet10, QStringLiteral("重複"));
  PageControl3->addTab(TabSheet11, QStringLiteral("似"));
  PageControl3->setTabToolTip(0, QStringLiteral("重複ファイルの詳細"));
  PageControl3->setTabToolTip(1, QStringLiteral("似たようなファイルの詳細"));
  TabSheetContent = new QWidget(PageControl3);
  TabSheetContent->setObjectName(QStringLiteral("TabSheetContent"));
  PageControl3->addTab(TabSheetContent, QStringLiteral("内容"));
  PageControl3->setTabToolTip(2, QStringLiteral("同じ内容のファイル（内容の指紋による）"));

  GridView3 = NewResultGrid("GridView3", dupMembers_, TabSheet10, kWidths);
  GridView3->setColumnHidden(kDetailPathColumn, true);
  GridView3->horizontalHeader()->setSortIndicator(2, Qt::AscendingOrder);
  GridView3->setSortingEnabled(true);
  auto* dupLayout = new QVBoxLayout(TabSheet10);
  dupLayout->setContentsMargins(0, 0, 0, 0);
  dupLayout->addWidget(GridView3);

  TabControl1 = new QTabBar(TabSheet11);
  TabControl1->setObjectName(QStringLiteral("TabControl1"));
  TabControl1->setExpanding(false);
  TabControl1->addTab(QStringLiteral("似たような"));
  GridView4 = NewResultGrid("GridView4", likeMembers_, TabSheet11, kWidths);
  GridView4->setColumnHidden(kDetailPathColumn, true);
  GridView4->setToolTip(QStringLiteral("ダブルクリックにてListViewに表示"));
  GridView4->horizontalHeader()->setSortIndicator(2, Qt::AscendingOrder);
  GridView4->setSortingEnabled(true);
  Panel38 = new QLabel(TabSheet11);
  Panel38->setObjectName(QStringLiteral("Panel38"));
  Panel38->setMinimumWidth(100);
  cmdShowLikePath = new QPushButton(QStringLiteral("全パス名表示"), TabSheet11);
  cmdShowLikePath->setObjectName(QStringLiteral("cmdShowLikePath"));
  cmdLikeClipbord = new QPushButton(QStringLiteral("コピー"), TabSheet11);
  cmdLikeClipbord->setObjectName(QStringLiteral("cmdLikeClipbord"));
  auto* likeBar = new QHBoxLayout;
  likeBar->addWidget(TabControl1, 1);
  likeBar->addWidget(Panel38);
  likeBar->addWidget(cmdShowLikePath);
  likeBar->addWidget(cmdLikeClipbord);
  auto* likeLayout = new QVBoxLayout(TabSheet11);
  likeLayout->setContentsMargins(0, 0, 0, 0);
  likeLayout->setSpacing(0);
  likeLayout->addLayout(likeBar);
  likeLayout->addWidget(GridView4, 1);

  ContentGridView = NewResultGrid("ContentGridView", contentMembers_, TabSheetContent, kWidths);
  ContentGridView->setColumnHidden(kDetailPathColumn, true);
  ContentGridView->setToolTip(QStringLiteral("ダブルクリックにてListViewに表示"));
  ContentGridView->horizontalHeader()->setSortIndicator(2, Qt::AscendingOrder);
  ContentGridView->setSortingEnabled(true);
  lblContentCount = new QLabel(TabSheetContent);
  lblContentCount->setObjectName(QStringLiteral("lblContentCount"));
  auto* contentLayout = new QVBoxLayout(TabSheetContent);
  contentLayout->setContentsMargins(0, 0, 0, 0);
  contentLayout->setSpacing(0);
  contentLayout->addWidget(lblContentCount);
  contentLayout->addWidget(ContentGridView, 1);

  PopupMenuGridView3 = JumpMenu("PopupMenuGridView3", PopupGridView3Show, GridView3);
  PopupMenuGridView4 = JumpMenu("PopupMenuGridView4", PopupGridView4Show, GridView4);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(PageControl3);

  auto jumpFrom = [this](int grid) {
    QTableView* view = grid == 3 ? GridView3 : GridView4;
    const int row = SelectedGridRow(view);
    if (row >= 0) Q_EMIT JumpRequested(grid, row);
  };
  connect(GridView3, &QTableView::doubleClicked, this, [jumpFrom] { jumpFrom(3); });
  connect(GridView4, &QTableView::doubleClicked, this, [jumpFrom] { jumpFrom(4); });
  connect(ContentGridView, &QTableView::doubleClicked, this, [this] {
    const int row = SelectedGridRow(ContentGridView);
    if (row >= 0) Q_EMIT JumpRequested(5, row);
  });
  connect(PageControl3, &QTabWidget::currentChanged, this, &DetailPanel::FillContent);
  connect(PopupGridView3Show, &QAction::triggered, this, [jumpFrom] { jumpFrom(3); });
  connect(PopupGridView4Show, &QAction::triggered, this, [jumpFrom] { jumpFrom(4); });
  connect(TabControl1, &QTabBar::currentChanged, this, &DetailPanel::TabControl1Change);
  connect(cmdShowLikePath, &QPushButton::clicked, this, &DetailPanel::FillLikePaths);
  connect(cmdLikeClipbord, &QPushButton::clicked, this, &DetailPanel::CopyRequested);
}

DetailPanel::DetailPanel(Session& session, QWidget* parent)
    : DetailPanel(session.GetCatalog(), session.GetSettings(), session.Analysis(),
                  session.DupStore(), session.LikeStore(), session.Images(), parent) {}

void DetailPanel::Fill(ResultMemberModel& model, QTableView* grid, int list, bool like,
                       int32_t first, int32_t count) {
  ResultStore& store = like ? static_cast<ResultStore&>(like_) : dup_;
  WaitCursor wait;
  store.LoadMembers(list, first, count);
  const std::string dateFormat =
      text::QStringToCp932(settings_.GetString(REG_FormatUpdateDateTime));
  std::vector<DetailRow> rows = BuildDetailRows(catalog_, store.Members(list), dateFormat, false);
  grid->setColumnHidden(kDetailPathColumn, true);
  if (like) grid->setColumnHidden(1, like_.FileVersion() < kLikeFileVersion);
  model.SetRows(std::move(rows), selectedImage_);
  FitDetailColumns(*grid, dateFormat);
  model.SetHighlight(selectedKey_, ColourFromBgr(settings_.GetInt(REG_DupFileColor)));
  SelectGridRow(grid, model.RowOfKey(selectedKey_));
}

void DetailPanel::UpdateFromSelection(const std::vector<const TRecord*>& selected) {
  const TRecord* row = selected.size() == 1 ? selected.front() : nullptr;
  selectedKey_ = row != nullptr ? row->Key : -1;
  selectedImage_ = row != nullptr ? row->ImageIndex : -1;
  contentMembers_->Clear();
  lblContentCount->clear();
  contentDue_ = row != nullptr && IsEntryKey(row->Key) && row->Kind == kKindFile;
  FillContent();

  // A store whose heads are still loading on their worker is not read here.
  const bool dupReady = !analysis_.IsLoading(AnalysisMode::Duplicate);
  const std::string shownExact = row == nullptr || row->ExactName.empty()
                                     ? std::string()
                                     : text::NativeNameToUtf8(row->ExactName);
  const int dupStart =
      row != nullptr && dupReady ? dup_.DupGroupStartOfName(row->Name, shownExact) : -1;
  if (row != nullptr && row->Highlight >= 2 && dupStart >= 0)
    Fill(*dupMembers_, GridView3, 2, false, dupStart,
         dup_.DupGroupSizeOfName(row->Name, shownExact));
  else
    dupMembers_->Clear();

  likeMembers_->Clear();
  if (row == nullptr) return;
  KeyDelimiters delimiters;
  delimiters.SetKeyDelimiters(text::QStringToCp932(settings_.GetString(REG_LikeKey)));
  words_.clear();
  exactWords_.clear();
  for (std::string& word : delimiters.SplitNameKeys(row->Name, row->Kind))
    if (std::find(words_.begin(), words_.end(), word) == words_.end())
      words_.push_back(std::move(word));
  int selectedTab = 0;
  {
    const BusyScope rebuilding(rebuildingTabs_);
    while (TabControl1->count() > 0) TabControl1->removeTab(0);
    // A word of a name CP932 cannot hold is shown as it is in that name.
    const std::string delimiterText = text::QStringToCp932(settings_.GetString(REG_LikeKey));
    for (std::size_t i = 0; i < words_.size(); ++i) {
      const std::string exactWord =
          shownExact.empty() ? std::string()
                             : ExactKeyWord(shownExact, words_[i], delimiterText, row->Kind);
      const QString text =
          exactWord.empty() ? text::Cp932ToQString(words_[i]) : QString::fromStdString(exactWord);
      exactWords_.push_back(exactWord);
      TabControl1->addTab(text);
      if (!rememberedLikeKey_.isEmpty() && text == rememberedLikeKey_)
        selectedTab = static_cast<int>(i);
    }
    rememberedLikeKey_.clear();
    TabControl1->setCurrentIndex(selectedTab);
  }
  if (!words_.empty()) FillLikeWord(static_cast<std::size_t>(selectedTab));
}

void DetailPanel::FillContent() {
  if (!contentDue_ || PageControl3->currentWidget() != TabSheetContent) return;
  contentDue_ = false;
  const int slot = SlotOfKey(selectedKey_);
  const int32_t record = RecordOfKey(selectedKey_);
  const std::optional<Fingerprint> print = FingerprintOfEntry(catalog_, slot, record);
  if (!print) {
    lblContentCount->setText(QStringLiteral("指紋なし"));
    return;
  }
  WaitCursor wait;
  const std::vector<ContentMember> copies = ContentCopiesOf(catalog_, slot, record);
  if (copies.size() < 2) {
    lblContentCount->setText(QStringLiteral("カレントのみ"));
    return;
  }
  const std::string dateFormat =
      text::QStringToCp932(settings_.GetString(REG_FormatUpdateDateTime));
  std::vector<DetailRow> rows = ContentDetailRows(catalog_, copies, dateFormat);
  lblContentCount->setText(text::Cp932ToQString(FormatNumber(static_cast<double>(rows.size()))) +
                           QStringLiteral(" 件（指紋：") +
                           ContentGroupModel::ModeText(print->mode) + QStringLiteral("）"));
  contentMembers_->SetRows(std::move(rows), selectedImage_);
  FitDetailColumns(*ContentGridView, dateFormat);
  contentMembers_->SetHighlight(selectedKey_, ColourFromBgr(settings_.GetInt(REG_DupFileColor)));
  SelectGridRow(ContentGridView, contentMembers_->RowOfKey(selectedKey_));
}

void DetailPanel::TabControl1Change() {
  if (rebuildingTabs_) return;
  const int tab = TabControl1->currentIndex();
  if (tab < 0 || tab >= static_cast<int>(words_.size())) return;
  FillLikeWord(static_cast<std::size_t>(tab));
}

void DetailPanel::FillLikeWord(std::size_t tab) {
  int32_t first = -1;
  int32_t size = 0;
  if (!analysis_.IsLoading(AnalysisMode::Similar))
    like_.LikeGroupOfKey(words_[tab], exactWords_[tab], first, size);
  if (first < 0 || size <= 0) {
    likeMembers_->Clear();
    Panel38->setText(QStringLiteral("カレントのみ"));
    return;
  }
  Fill(*likeMembers_, GridView4, 2, true, first, size);
  Panel38->setText(text::Cp932ToQString(FormatNumber(size)) + QStringLiteral(" 件"));
}

QString DetailPanel::CurrentLikeWord() const {
  const int tab = TabControl1->currentIndex();
  return tab >= 0 && tab < static_cast<int>(words_.size()) ? TabControl1->tabText(tab) : QString();
}

void DetailPanel::FillLikePaths() {
  GridView4->setColumnHidden(kDetailPathColumn, false);
  likeMembers_->FillPaths(catalog_, -1, [this](int row) {
    SelectGridRow(GridView4, row);
    QCoreApplication::processEvents();
  });
}

void DetailPanel::ResetLikeWords() {
  likeMembers_->Clear();
  words_.clear();
  exactWords_.clear();
  {
    const BusyScope rebuilding(rebuildingTabs_);
    while (TabControl1->count() > 0) TabControl1->removeTab(0);
    TabControl1->addTab(QStringLiteral("似たような"));
  }
  Panel38->clear();
}

void DetailPanel::ClearPanel() {
  dupMembers_->Clear();
  contentMembers_->Clear();
  lblContentCount->clear();
  contentDue_ = false;
  ResetLikeWords();
}

}  // namespace plomix
