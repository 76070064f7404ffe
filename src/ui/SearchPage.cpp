#include "ui/SearchPage.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "analysis/ContentCopies.h"
#include "core/BusyScope.h"
#include "core/Catalog.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "ui/ColumnFit.h"
#include "ui/ContentGroupModel.h"
#include "ui/CopyCommands.h"
#include "ui/Icons.h"
#include "ui/ImageList.h"
#include "ui/PageSupport.h"
#include "ui/SearchHitModel.h"
#include "ui/Session.h"
#include "ui/organise/MarkCommand.h"
#include "ui/search/PxFileSearch.h"
#include "ui/widgets/TypeAheadViews.h"
#include "ui/widgets/WaitCursor.h"
#include "ui/widgets/WholeNameDelegate.h"

namespace plomix {

namespace {

// Longest stretch without letting pending events run while a search or a
// list fill works.
constexpr int kPumpIntervalMs = 40;

// Lists longer than this are hidden while they are filled.
constexpr int kHideWhileFilling = 200;

// The page's running mark for as long as the guard lives.
class RunningScope {
 public:
  RunningScope(bool& running, std::function<void(bool)> signal)
      : running_(running), signal_(std::move(signal)) {
    running_ = true;
    signal_(true);
  }
  ~RunningScope() {
    running_ = false;
    signal_(false);
  }
  RunningScope(const RunningScope&) = delete;
  RunningScope& operator=(const RunningScope&) = delete;

 private:
  bool& running_;
  std::function<void(bool)> signal_;
};

}  // namespace

SearchPage::SearchPage(Session& session, QWidget* parent, Clipboard* clipboard)
    : Page(parent),
      session_(session),
      ownClipboard_(clipboard == nullptr ? std::make_unique<QtClipboard>() : nullptr),
      clipboard_(clipboard == nullptr ? *ownClipboard_ : *clipboard),
      search_(session.GetCatalog()) {
  setObjectName(QStringLiteral("TabSheet2"));
  model_ = new SearchHitModel(session_.Images(), session_.GetCatalog(), session_.Types(), this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  BuildToolBar();
  BuildList();
  BuildPopupMenu();
  StatusBar2 = new QStatusBar(this);
  StatusBar2->setObjectName(QStringLiteral("StatusBar2"));
  StatusBar2->setSizeGripEnabled(false);
  StatusBar2Panel0 = new QLabel(StatusBar2);
  StatusBar2Panel0->setObjectName(QStringLiteral("StatusBar2Panel0"));
  StatusBar2Panel0->setMinimumWidth(246);
  StatusBar2Panel1 = new QLabel(StatusBar2);
  StatusBar2Panel1->setObjectName(QStringLiteral("StatusBar2Panel1"));
  StatusBar2->addWidget(StatusBar2Panel0);
  StatusBar2->addWidget(StatusBar2Panel1, 1);
  layout->addWidget(ToolBar2);
  layout->addWidget(ListView2, 1);
  layout->addWidget(ListView2Icons, 1);
  layout->addWidget(StatusBar2);
  SetViewStyle(3);
}

SearchPage::~SearchPage() = default;

TfrmFileSearch& SearchPage::Dialog() {
  if (!dialog_)
    dialog_ = std::make_unique<TfrmFileSearch>(session_.GetCatalog(), session_.GetSettings(),
                                               session_.Ask(), session_.Images(), window());
  return *dialog_;
}

// ---------------------------------------------------------------- building

void SearchPage::BuildToolBar() {
  ToolBar2 = new QToolBar(this);
  ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
  ToolBar2->setIconSize(QSize(16, 16));
  const ImageList& images = session_.Images();
  const auto add = [&](QToolButton*& button, const char* name, const QString& hint, int image) {
    button = AddToolButton(ToolBar2, images, name, hint, image);
  };
  add(ToolButton5, "ToolButton5", QStringLiteral("検索..."), kImageFile);
  add(ToolButton21, "ToolButton21", QStringLiteral("メディアの標準へ遷移"), kKindFolder);
  add(ToolButton23, "ToolButton23", QStringLiteral("マークを付ける/消す"), kImageMark);
  add(ToolButton31, "ToolButton31", QStringLiteral("フルパス名をクリップボードへコピー"),
      kImageFile);
  // Marking hits belongs to the comments and marks of entries.
  ToolBar2->addSeparator();
  add(ToolButton33, "ToolButton33", QStringLiteral("大きいアイコン"), kImageFile);
  add(ToolButton34, "ToolButton34", QStringLiteral("小さいアイコン"), kImageFile);
  add(ToolButton35, "ToolButton35", QStringLiteral("一覧リスト"), kImageFile);
  add(ToolButton36, "ToolButton36", QStringLiteral("詳細表示"), kImageFile);
  QToolButton* styles[] = {ToolButton33, ToolButton34, ToolButton35, ToolButton36};
  for (int style = 0; style < 4; ++style) {
    styles[style]->setCheckable(true);
    styles[style]->setAutoExclusive(true);
    // Toggled, not clicked: the accessibility bus toggles a checkable button
    // without a click.
    connect(styles[style], &QToolButton::toggled, this, [this, style](bool on) {
      if (on && viewStyle_ != style) SetViewStyle(style);
    });
  }
  ToolBar2->addSeparator();
  add(cmdSearchStop, "cmdSearchStop", QStringLiteral("検索を中止 (Esc)"), kImageFile);
  if (const QIcon stop = icons::Named(QStringLiteral("process-stop")); !stop.isNull())
    cmdSearchStop->setIcon(stop);
  cmdSearchStop->setText(QStringLiteral("中止"));
  cmdSearchStop->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  cmdSearchStop->setEnabled(false);

  connect(ToolButton5, &QToolButton::clicked, this, &SearchPage::ToolButton5Click);
  connect(ToolButton21, &QToolButton::clicked, this, &SearchPage::ToolButton21Click);
  connect(ToolButton23, &QToolButton::clicked, this, &SearchPage::ToolButton23Click);
  connect(ToolButton31, &QToolButton::clicked, this, &SearchPage::C2Click);
  connect(cmdSearchStop, &QToolButton::clicked, this, &SearchPage::cmdSearchStopClick);
}

void SearchPage::BuildList() {
  ListView2 = new TypeAheadTableView(this);
  ListView2->setObjectName(QStringLiteral("ListView2"));
  ListView2->setModel(model_);
  ListView2->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView2->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListView2->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView2->verticalHeader()->setVisible(false);
  ListView2->verticalHeader()->setDefaultSectionSize(17);
  ListView2->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  ListView2->horizontalHeader()->setSectionsClickable(true);
  ListView2->horizontalHeader()->setHighlightSections(false);
  ListView2->horizontalHeader()->setDefaultSectionSize(100);
  ListView2->horizontalHeader()->resizeSection(0, 200);
  ListView2->horizontalHeader()->resizeSection(2, 260);
  FitColumnWidths();
  ListView2->setShowGrid(false);
  ListView2->setWordWrap(false);
  ListView2->setContextMenuPolicy(Qt::CustomContextMenu);
  ListView2Icons = new TypeAheadListView(this);
  ListView2Icons->setObjectName(QStringLiteral("ListView2Icons"));
  ListView2Icons->setModel(model_);
  ListView2Icons->setSelectionModel(ListView2->selectionModel());
  ListView2Icons->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListView2Icons->setEditTriggers(QAbstractItemView::NoEditTriggers);
  iconNames_ = new WholeNameDelegate(*ListView2Icons);
  ListView2Icons->setItemDelegate(iconNames_);
  ListView2Icons->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(ListView2->horizontalHeader(), &QHeaderView::sectionClicked, this,
          &SearchPage::ListView2ColumnClick);
  for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(ListView2),
                                  static_cast<QAbstractItemView*>(ListView2Icons)}) {
    view->setAccessibleName(QStringLiteral("検索結果"));
    connect(view, &QAbstractItemView::doubleClicked, this, &SearchPage::ListView2DblClick);
    connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& at) {
      PopupMenuSearch->popup(view->viewport()->mapToGlobal(at));
    });
  }
  // Ctrl+C copies the selected hits as the toolbar's copy button does.
  AddListCopyKey({ListView2, ListView2Icons}, this, [this] { C2Click(); });
}

void SearchPage::BuildPopupMenu() {
  PopupMenuSearch = new QMenu(this);
  PopupMenuSearch->setObjectName(QStringLiteral("PopupMenuSearch"));
  const auto add = [](QMenu* menu, QAction*& action, const char* name, const QString& caption) {
    action = AddMenuAction(menu, name, caption);
  };
  add(PopupMenuSearch, F1, "F1", QStringLiteral("検索(&F)..."));
  PopupMenuSearch->addSeparator();
  add(PopupMenuSearch, M2, "M2", QStringLiteral("メディアの標準へ遷移(&I)"));
  add(PopupMenuSearch, M3, "M3", QStringLiteral("マークを付ける/消す(&M)"));
  PopupMenuSearch->addSeparator();
  add(PopupMenuSearch, N59, "N59", QStringLiteral("ファイル名をクリップボードへコピー(&N)"));
  add(PopupMenuSearch, C2, "C2", QStringLiteral("フルパス名をクリップボードへコピー(&C)"));
  add(PopupMenuSearch, A1, "A1", QStringLiteral("全項目をクリップボードへコピー(&A)"));
  PopupMenuSearch->addSeparator();
  QMenu* view = PopupMenuSearch->addMenu(QStringLiteral("表示(&S)"));
  add(view, B1, "B1", QStringLiteral("大きいアイコン(&B)"));
  add(view, S5, "S5", QStringLiteral("小さいアイコン(&S)"));
  add(view, L1, "L1", QStringLiteral("一覧リスト(&L)"));
  add(view, R2, "R2", QStringLiteral("詳細表示(&R)"));
  auto* styles = new QActionGroup(this);
  QAction* actions[] = {B1, S5, L1, R2};
  for (int style = 0; style < 4; ++style) {
    actions[style]->setCheckable(true);
    styles->addAction(actions[style]);
    connect(actions[style], &QAction::triggered, this, [this, style] { SetViewStyle(style); });
  }
  connect(F1, &QAction::triggered, this, &SearchPage::ToolButton5Click);
  connect(M2, &QAction::triggered, this, &SearchPage::ToolButton21Click);
  connect(M3, &QAction::triggered, this, &SearchPage::ToolButton23Click);
  connect(N59, &QAction::triggered, this, &SearchPage::N59Click);
  connect(C2, &QAction::triggered, this, &SearchPage::C2Click);
  connect(A1, &QAction::triggered, this, &SearchPage::A1Click);
}

// ---------------------------------------------------------------- status

void SearchPage::SetStatus(int panel, const QString& text) {
  (panel == 0 ? StatusBar2Panel0 : StatusBar2Panel1)->setText(text);
  Q_EMIT StatusChanged(panel, text);
}

QString SearchPage::StatusText(int panel) const {
  return (panel == 0 ? StatusBar2Panel0 : StatusBar2Panel1)->text();
}

void SearchPage::PumpIfDue() {
  if (sincePump_.isValid() && sincePump_.elapsed() < kPumpIntervalMs) return;
  QCoreApplication::processEvents();
  sincePump_.start();
}

bool SearchPage::KeepGoing() {
  PumpIfDue();
  return !stopRequested_;
}

void SearchPage::cmdSearchStopClick() {
  if (running_) stopRequested_ = true;
}

bool SearchPage::eventFilter(QObject* watched, QEvent* event) {
  if (running_ && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    stopRequested_ = true;
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------- search command

void SearchPage::ToolButton5Click() {
  RunSearchCommand([](TfrmFileSearch& dialog) { return dialog.exec() == QDialog::Accepted; });
}

void SearchPage::RunSearchCommand(const DialogStep& dialogStep) {
  if (session_.RefuseWhileBusy() || running_) return;
  TfrmFileSearch& dialog = Dialog();
  if (!dialogStep(dialog)) return;
  Q_EMIT SearchAccepted();
  RunSearch(dialog.Conditions(), dialog.MediaList());
}

void SearchPage::RunSearch(const SearchConditions& conditions, const std::vector<int>& media) {
  if (running_ || session_.Busy()) return;
  const BusyScope busy(session_.BusyFlag());
  const RunningScope running(running_, [this](bool on) {
    cmdSearchStop->setEnabled(on);
    Q_EMIT RunningChanged(on);
  });
  stopRequested_ = false;
  sincePump_.invalidate();
  qApp->installEventFilter(this);
  search_.SetConditions(conditions);
  search_.SetSearchMediaList(media);
  search_.RunFileSearch(
      [this](int panel, const QString& text) {
        SetStatus(panel, text);
        // Once per media the new text is painted.
        QCoreApplication::processEvents();
        sincePump_.start();
      },
      [this] { return KeepGoing(); });
  qApp->removeEventFilter(this);
  const bool cancelled = search_.Cancelled();
  const bool limited = search_.LimitReached();
  FillResultList(search_.TakeSearchRecs());
  if (cancelled)
    SetStatus(1, QStringLiteral("検索を中止しました（%1 件検出）").arg(model_->RowCount()));
  else if (limited)
    SetStatus(1, QStringLiteral("検出件数が上限の 200,000 件に達したため検索を打ち切りました"));
}

void SearchPage::FillResultList(std::vector<TRecord>&& hits) {
  WaitCursor wait;
  model_->Clear();
  const int n = static_cast<int>(hits.size());
  const bool hide = n > kHideWhileFilling;
  QWidget* shown = viewStyle_ == 3 ? static_cast<QWidget*>(ListView2) : ListView2Icons;
  if (hide) shown->setVisible(false);
  SetStatus(0, ObjectCountText(n, 1));
  sincePump_.start();
  PrepareSearchHits(hits, session_.Images(), [&](int i) {
    // The count is painted whenever events are let through.
    if (sincePump_.elapsed() < kPumpIntervalMs) return;
    SetStatus(0, ObjectCountText(n, i));
    PumpIfDue();
  });
  model_->SetRows(std::move(hits),
                  text::QStringToCp932(session_.GetSettings().GetString(REG_FormatUpdateDateTime)));
  if (hide) shown->setVisible(true);
  SetStatus(0, ObjectCountText(n));
  SetStatus(1, QStringLiteral("ソート中..."));
  model_->SortRows();
  SetStatus(1, QString());
}

bool SearchPage::ShowContentCopies(int32_t key) {
  if (running_ || session_.Busy() || !IsEntryKey(key)) return false;
  Catalog& catalog = session_.GetCatalog();
  const int slot = SlotOfKey(key);
  const int32_t record = RecordOfKey(key);
  const std::optional<Fingerprint> print = FingerprintOfEntry(catalog, slot, record);
  if (!print) return false;
  std::vector<TRecord> hits;
  {
    WaitCursor wait;
    hits = ContentHitRecords(catalog, ContentCopiesOf(catalog, slot, record));
  }
  FillResultList(std::move(hits));
  SetStatus(1, QStringLiteral("同じ内容のファイル（指紋：") +
                   ContentGroupModel::ModeText(print->mode) + QStringLiteral("）"));
  return true;
}

void SearchPage::Clear() {
  model_->Clear();
  SetStatus(0, QString());
  SetStatus(1, QString());
}

// ---------------------------------------------------------------- list

void SearchPage::ListView2ColumnClick(int column) {
  const bool shift = QApplication::keyboardModifiers().testFlag(Qt::ShiftModifier);
  SortWithStatus(column, shift);
}

void SearchPage::SortWithStatus(int column, bool shift) {
  WaitCursor wait;
  SetStatus(1, QStringLiteral("ソート中..."));
  model_->SortByColumn(column, shift);
  SetStatus(1, QString());
}

std::vector<const TRecord*> SearchPage::SelectedHits() const {
  // Rows are selected whole; the ranges are read directly because a list of
  // every selected index is slow for a selection of 200,000 rows.
  const int n = model_->RowCount();
  std::vector<bool> selected(static_cast<std::size_t>(n));
  for (const QItemSelectionRange& range : ListView2->selectionModel()->selection())
    for (int row = std::max(range.top(), 0); row <= std::min(range.bottom(), n - 1); ++row)
      selected[static_cast<std::size_t>(row)] = true;
  std::vector<const TRecord*> hits;
  for (int row = 0; row < n; ++row)
    if (selected[static_cast<std::size_t>(row)]) hits.push_back(&model_->Row(row));
  return hits;
}

void SearchPage::ToolButton21Click() {
  const std::vector<const TRecord*> hits = SelectedHits();
  if (hits.empty()) return;
  Q_EMIT GoToEntry(hits.front()->Key);
}

void SearchPage::ToolButton23Click() {
  if (session_.RefuseWhileBusy()) return;
  const int shown = model_->RowCount();
  std::vector<TRecord*> rows;
  for (int row = 0; row < shown; ++row)
    if (ListView2->selectionModel()->isRowSelected(row, {}))
      rows.push_back(&model_->MutableRow(row));
  if (rows.empty()) return;
  // A new search while marks are written replaces the rows being marked.
  const TRecord* first = &model_->Row(0);
  const bool stillOurs = MarkCommand(session_, rows, [this, first, shown] {
    return model_->RowCount() == shown && &model_->Row(0) == first;
  });
  if (stillOurs) model_->RowsChanged();
}

void SearchPage::ListView2DblClick() {
  WaitCursor wait;
  ToolButton21Click();
}

void SearchPage::FitColumnWidths() {
  const std::string dateFormat =
      text::QStringToCp932(session_.GetSettings().GetString(REG_FormatUpdateDateTime));
  QHeaderView* header = ListView2->horizontalHeader();
  for (int column = 1; column < SearchHitModel::kColumns; ++column) {
    const CellSample sample = column == 1                            ? CellSample::Count
                              : column == 8                          ? CellSample::Date
                              : SearchHitModel::RightAligned(column) ? CellSample::Size
                                                                     : CellSample::Other;
    const QString caption = model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    header->resizeSection(column,
                          std::max(header->sectionSize(column),
                                   FittedColumnWidth(*ListView2, sample, caption, dateFormat)));
  }
}

void SearchPage::SetViewStyle(int style) {
  if (style < 0 || style > 3) return;
  viewStyle_ = style;
  const bool details = style == 3;
  // The hits' texts are made as rows are shown, so the cells take the
  // delegate's standard width instead of measuring every name.
  if (!details) {
    constexpr WholeNameDelegate::Style kStyles[] = {WholeNameDelegate::Style::LargeIcons,
                                                    WholeNameDelegate::Style::SmallIcons,
                                                    WholeNameDelegate::Style::List};
    iconNames_->SetStyle(kStyles[style]);
  }
  ListView2->setVisible(details);
  ListView2Icons->setVisible(!details);
  QToolButton* buttons[] = {ToolButton33, ToolButton34, ToolButton35, ToolButton36};
  QAction* actions[] = {B1, S5, L1, R2};
  buttons[style]->setChecked(true);
  actions[style]->setChecked(true);
}

// ---------------------------------------------------------------- copies

void SearchPage::CopyHits(HitExportFormat format) {
  CopySearchHits(SelectedHits(), format, session_.GetCatalog(), session_.Types(),
                 session_.GetSettings(), clipboard_);
}

void SearchPage::N59Click() {
  CopyHits(HitExportFormat::Name);
}

void SearchPage::C2Click() {
  CopyHits(HitExportFormat::FullPath);
}

void SearchPage::A1Click() {
  CopyHits(HitExportFormat::AllItems);
}

}  // namespace plomix
