#include "ui/FileListPanel.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QHeaderView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <span>
#include <utility>

#include "core/BusyScope.h"
#include "core/Catalog.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "ui/ColumnFit.h"
#include "ui/FileListModel.h"
#include "ui/ImageList.h"
#include "ui/PageSupport.h"
#include "ui/Session.h"
#include "ui/options/PxListItem.h"
#include "ui/widgets/EntryListView.h"
#include "ui/widgets/TypeAheadViews.h"
#include "ui/widgets/WaitCursor.h"
#include "ui/widgets/WholeNameDelegate.h"

namespace plomix {

FileListPanel::FileListPanel(Session& session, QWidget* parent)
    : QWidget(parent), session_(session), images_(session.Images()) {
  setObjectName(QStringLiteral("pnlListViewClient"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  BuildToolBar();
  BuildViews();
  BuildCommentPanel();
  BuildPopupMenu();
  ConnectCommands();
}

void FileListPanel::BuildToolBar() {
  ToolBar3 = new QToolBar(this);
  ToolBar3->setObjectName(QStringLiteral("ToolBar3"));
  ToolBar3->setIconSize(QSize(16, 16));
  auto add = [this](const char* name, const char* hint, int image) {
    return AddToolButton(ToolBar3, images_, name, QString::fromUtf8(hint), image);
  };
  ToolButton61 = add("ToolButton61", "戻る", 14);
  ToolButton62 = add("ToolButton62", "進む", 15);
  ToolButton61->setArrowType(Qt::LeftArrow);
  ToolButton62->setArrowType(Qt::RightArrow);
  ToolButton40 = add("ToolButton40", "上へ移動", 9);
  ToolButton40->setArrowType(Qt::UpArrow);
  ToolButton4 = add("ToolButton4", "マークを付ける/消す", 11);
  ToolButton37 = add("ToolButton37", "コメント文書込み/修正", 10);
  ToolButton11 = add("ToolButton11", "エクスプローラ起動...", 8);
  ToolButton12 = add("ToolButton12", "クリップボードへコピー", 10);
  ToolButton14 = add("ToolButton14", "プロパティ表示", 7);
  ToolButton14->setCheckable(true);
  ToolBar3->addSeparator();
  ToolButton16 = add("ToolButton16", "大きいアイコン表示", 10);
  ToolButton17 = add("ToolButton17", "小さいアイコン表示", 10);
  ToolButton18 = add("ToolButton18", "一覧表示", 10);
  ToolButton19 = add("ToolButton19", "詳細表示", 10);
  chkCommentSetShow = new QCheckBox(QStringLiteral("コメント"), this);
  chkCommentSetShow->setObjectName(QStringLiteral("chkCommentSetShow"));
  chkCommentSetShow->setToolTip(QStringLiteral("コメント登録の表示/非表示"));
  chkDupInfoShow = new QCheckBox(QStringLiteral("重複"), this);
  chkDupInfoShow->setObjectName(QStringLiteral("chkDupInfoShow"));
  ToolBar3->addWidget(chkCommentSetShow);
  ToolBar3->addWidget(chkDupInfoShow);
  layout()->addWidget(ToolBar3);
}

void FileListPanel::BuildViews() {
  listModel_ = new FileListModel(images_, this);
  sizeBar_ = new SizeBarDelegate(*listModel_, this);
  entries_ = new EntryListView(*listModel_, QStringLiteral("ListView1"),
                               QStringLiteral("ファイル一覧"), this);
  entries_->SetFitsNames(true);
  ListView1 = entries_->Table();
  ListView1Icons = entries_->Icons();
  QFont listFont = font();
  listFont.setPointSize(9);
  ListView1->setItemDelegate(sizeBar_);
  ListView1->setFont(listFont);
  ListView1->setStyleSheet(QStringLiteral("QTableView { background: white; }"));
  ListView1Icons->setFont(listFont);
  connect(entries_, &EntryListView::ColumnClicked, this, &FileListPanel::ListView1ColumnClick);
  connect(ListView1->horizontalHeader(), &QHeaderView::sectionResized, this,
          &FileListPanel::ListView1SectionResized);
  layout()->addWidget(entries_);
  static_cast<QVBoxLayout*>(layout())->setStretchFactor(entries_, 1);
}

void FileListPanel::BuildCommentPanel() {
  Panel13 = new QWidget(this);
  Panel13->setObjectName(QStringLiteral("Panel13"));
  auto* commentLayout = new QHBoxLayout(Panel13);
  commentLayout->setContentsMargins(2, 2, 2, 2);
  txtComment = new QPlainTextEdit(Panel13);
  txtComment->setObjectName(QStringLiteral("txtComment"));
  txtComment->setFixedHeight(44);
  cmdComment = new QPushButton(QStringLiteral("コメント登録"), Panel13);
  cmdComment->setObjectName(QStringLiteral("cmdComment"));
  commentLayout->addWidget(txtComment, 1);
  commentLayout->addWidget(cmdComment);
  layout()->addWidget(Panel13);
}

void FileListPanel::BuildPopupMenu() {
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
  entries_->SetStyleControls({ToolButton16, ToolButton17, ToolButton18, ToolButton19},
                             {N13, N14, N15, N16});
  N33 = AddMenuAction(m, "N33", QStringLiteral("項目の区切り線(&G)"));
  N33->setCheckable(true);
  m->addSeparator();
  N22 = AddMenuAction(m, "N22", QStringLiteral("サイズに棒グラフも表示(&B)"));
  N22->setCheckable(true);
  saizu1 = AddMenuAction(m, "saizu1", QStringLiteral("サイズの棒グラフ色(&H)..."));
  m->addSeparator();
  N38 = AddMenuAction(m, "N38", QStringLiteral("項目の表示位置を変更(&K)"));
}

void FileListPanel::ConnectCommands() {
  connect(N33, &QAction::triggered, this, &FileListPanel::N33Click);
  connect(N22, &QAction::triggered, this, &FileListPanel::N22Click);
  connect(saizu1, &QAction::triggered, this, &FileListPanel::saizu1Click);
  connect(N38, &QAction::triggered, this, &FileListPanel::N38Click);
  connect(chkCommentSetShow, &QCheckBox::toggled, this, &FileListPanel::chkCommentSetShowClick);
  // Each command of the list once, from its button, its menu item or both.
  const std::pair<QToolButton*, void (FileListPanel::*)()> buttons[] = {
      {ToolButton61, &FileListPanel::BackRequested},
      {ToolButton62, &FileListPanel::ForwardRequested},
      {ToolButton40, &FileListPanel::UpRequested},
      {ToolButton4, &FileListPanel::MarkRequested},
      {ToolButton37, &FileListPanel::CommentRequested},
      {ToolButton11, &FileListPanel::ExploreRequested},
      {ToolButton12, &FileListPanel::CopyRequested}};
  for (const auto& [button, command] : buttons)
    connect(button, &QToolButton::clicked, this, command);
  const std::pair<QAction*, void (FileListPanel::*)()> actions[] = {
      {N19, &FileListPanel::UpRequested},         {O1, &FileListPanel::OpenRequested},
      {N2, &FileListPanel::MarkRequested},        {N3, &FileListPanel::CommentRequested},
      {N4, &FileListPanel::ExploreRequested},     {N7, &FileListPanel::CopyRequested},
      {E1, &FileListPanel::CopyOptionsRequested}, {N60, &FileListPanel::FileCopyRequested}};
  for (const auto& [action, command] : actions) connect(action, &QAction::triggered, this, command);
  const std::pair<QAction*, CopyForm> forms[] = {{N63, {ExportMode::FileName, true}},
                                                 {N64, {ExportMode::FullPath, true}},
                                                 {N8, {ExportMode::FullPath, false}},
                                                 {N9, {ExportMode::FolderContents, false}},
                                                 {M1, {ExportMode::MediaDump, false}}};
  for (const auto& [action, form] : forms)
    connect(action, &QAction::triggered, this,
            [this, form = form] { Q_EMIT CopyAsRequested(form); });
  // Ctrl+C in the list copies its selection as the copy button does; in a
  // text box it stays the box's own copy.
  entries_->AddCopyKey([this] { Q_EMIT CopyRequested(); });
  connect(cmdComment, &QPushButton::clicked, this, &FileListPanel::CommentSaveRequested);
  connect(entries_, &EntryListView::DoubleClicked, this, &FileListPanel::OpenRequested);
  connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &FileListPanel::RowsSelected);
  connect(entries_, &EntryListView::MenuRequested, this, [this](const QPoint& at) {
    Q_EMIT MenuAboutToShow();
    PopupMenuListView->popup(at);
  });
  // Checkable controls follow `toggled`: the accessibility bus toggles them
  // without a click. The menu item turns the button, whose toggle is the one
  // command.
  connect(ToolButton14, &QToolButton::toggled, this, &FileListPanel::PropertyShowToggled);
  connect(N10, &QAction::triggered, this,
          [this] { ToolButton14->setChecked(!ToolButton14->isChecked()); });
  connect(chkDupInfoShow, &QCheckBox::toggled, this, &FileListPanel::DupInfoShowToggled);
}

void FileListPanel::SetPropertyShown(bool shown) {
  ToolButton14->setChecked(shown);
  N10->setChecked(shown);
}

// ---------------------------------------------------------------- settings

void FileListPanel::LoadSettings() {
  Settings& settings = session_.GetSettings();
  FitColumnWidths();
  listModel_->Layout().Load(settings);
  ApplyColumnLayout();
  const bool commentShown = settings.GetInt(REG_ShowCommentSet) == 1;
  chkCommentSetShow->setChecked(commentShown);
  Panel13->setVisible(commentShown);
  const bool grid = settings.GetInt(REG_ListViewGridLine) == 1;
  N33->setChecked(grid);
  ListView1->setShowGrid(grid);
  const bool bar = settings.GetInt(REG_FileSizeBarShow) == 1;
  N22->setChecked(bar);
  sizeBar_->SetShown(bar);
  sizeBar_->SetColour(ColourFromBgr(settings.GetInt(REG_FileSizeBarColor)));
  listModel_->SetDuplicateColour(ColourFromBgr(settings.GetInt(REG_DupFileColor)));
}

void FileListPanel::SaveLayout() {
  CaptureColumnWidths();
  listModel_->Layout().Save(session_.GetSettings());
}

void FileListPanel::SetDuplicateColour(int bgr) {
  listModel_->SetDuplicateColour(ColourFromBgr(bgr));
}

void FileListPanel::ApplyColumnLayout() {
  const BusyScope applying(applyingLayout_);
  ColumnLayout& layout = listModel_->Layout();
  for (int position = 0; position < ColumnLayout::kCount; ++position)
    ListView1->horizontalHeader()->resizeSection(position,
                                                 layout.Width(layout.DataColumnAt(position)));
  listModel_->LayoutChanged();
}

void FileListPanel::FitColumnWidths() {
  // What each data column shows at its widest; column 7 holds the free space
  // in the media list.
  constexpr CellSample kSamples[ColumnLayout::kCount] = {
      CellSample::Other, CellSample::Count, CellSample::Size, CellSample::Other, CellSample::Date,
      CellSample::Size,  CellSample::Size,  CellSample::Size, CellSample::Other};
  const std::string dateFormat =
      text::QStringToCp932(session_.GetSettings().GetString(REG_FormatUpdateDateTime));
  ColumnLayout& layout = listModel_->Layout();
  for (int d = 0; d < ColumnLayout::kCount; ++d) {
    QString caption = layout.Caption(d);
    if (d == ColumnLayout::kVersionColumn) caption = QStringLiteral("空きサイズ");
    layout.SetFittedWidth(d, FittedColumnWidth(*ListView1, kSamples[d], caption, dateFormat));
  }
}

void FileListPanel::CaptureColumnWidths() {
  ColumnLayout& layout = listModel_->Layout();
  for (int position = 0; position < ColumnLayout::kCount; ++position)
    layout.SetWidth(layout.DataColumnAt(position),
                    ListView1->horizontalHeader()->sectionSize(position));
}

void FileListPanel::ListView1SectionResized(int position, int, int newSize) {
  if (applyingLayout_ || newSize <= 0) return;
  ColumnLayout& layout = listModel_->Layout();
  layout.SetWidth(layout.DataColumnAt(position), newSize);
}

// ---------------------------------------------------------------- filling

void FileListPanel::FillList(EntryRows&& entries) {
  const int generation = fillGeneration_;
  const bool mediaList = entries.shown.kind == ShownKind::Catalogue;
  listModel_->Layout().SetMediaList(mediaList);
  listModel_->LayoutChanged();
  WaitCursor wait;
  listModel_->Clear();
  std::vector<TRecord> rows = std::move(entries.rows);
  const int count = static_cast<int>(rows.size());
  QAbstractItemView* view = entries_->ShownView();
  const bool hide = count > 200;
  if (hide) view->setUpdatesEnabled(false);
  Q_EMIT StatusText(ObjectCountText(count, 1));
  Pump();
  if (generation != fillGeneration_) return;
  RowTextOptions options;
  options.dateFormat =
      text::QStringToCp932(session_.GetSettings().GetString(REG_FormatUpdateDateTime));
  options.mediaList = mediaList;
  options.dupStore = &session_.DupStore();
  for (int first = 0; first < count; first += 100) {
    if (first > 0) {
      Q_EMIT StatusText(ObjectCountText(count, first));
      Pump();
      if (generation != fillGeneration_) {
        if (hide) view->setUpdatesEnabled(true);
        return;
      }
    }
    const int end = std::min(count, first + 100);
    std::span<TRecord> chunk(rows.data() + first, static_cast<std::size_t>(end - first));
    for (TRecord& row : chunk) row.ImageIndex = images_.ImageOfRow(row);
    FillRowTexts(session_.GetCatalog(), session_.Types(), options, chunk);
  }
  listModel_->SetRows(std::move(rows));
  entries_->FitIconCells();
  if (hide) view->setUpdatesEnabled(true);
  Q_EMIT StatusText(ObjectCountText(count));
}

std::vector<int> FileListPanel::SelectedRows() const {
  return entries_->SelectedRows();
}

void FileListPanel::SelectListRowByName(const std::string& cp932Name, std::string_view exact) {
  for (int i = 0; i < listModel_->RowCount(); ++i) {
    if (listModel_->Row(i).Name != cp932Name || listModel_->Row(i).ExactName != exact) continue;
    const QModelIndex index = listModel_->index(i, 0);
    ListView1->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ListView1->scrollTo(index);
    ListView1->setFocus();
    return;
  }
}

// ---------------------------------------------------------------- commands

void FileListPanel::ListView1ColumnClick(int position, bool shift) {
  if (ListView1->selectionModel()->hasSelection()) {
    ListView1->clearSelection();
    ListView1->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
  }
  listModel_->SortByColumn(position, shift);
}

void FileListPanel::SetViewStyle(ViewStyle style) {
  entries_->SetStyle(style);
}

ViewStyle FileListPanel::CurrentViewStyle() const {
  return entries_->Style();
}

WholeNameDelegate& FileListPanel::IconNames() {
  return entries_->IconNames();
}

void FileListPanel::ClearSelection() {
  ListView1->clearSelection();
}

void FileListPanel::FocusList() {
  ListView1->setFocus();
}

void FileListPanel::N33Click() {
  const bool on = N33->isChecked();
  ListView1->setShowGrid(on);
  Safely(session_.Ask(), [&] { session_.GetSettings().SetInt(REG_ListViewGridLine, on ? 1 : 0); });
}

void FileListPanel::N22Click() {
  const bool on = N22->isChecked();
  sizeBar_->SetShown(on);
  Safely(session_.Ask(), [&] { session_.GetSettings().SetInt(REG_FileSizeBarShow, on ? 1 : 0); });
  ListView1->viewport()->update();
}

void FileListPanel::saizu1Click() {
  Settings& settings = session_.GetSettings();
  const auto colour = session_.Ask().ChooseColour(settings.GetInt(REG_FileSizeBarColor));
  if (!colour) return;
  Safely(session_.Ask(), [&] { settings.SetInt(REG_FileSizeBarColor, *colour); });
  sizeBar_->SetColour(ColourFromBgr(*colour));
  ListView1->viewport()->update();
}

void FileListPanel::N38Click() {
  CaptureColumnWidths();
  const auto apply = [this](const TfrmListItem::Captions& captions) {
    return listModel_->ApplyColumnOrder(captions);
  };
  if (!TfrmListItem::Run(listModel_->Layout(), apply, this)) return;
  ApplyColumnLayout();
}

void FileListPanel::chkCommentSetShowClick() {
  const bool on = chkCommentSetShow->isChecked();
  Panel13->setVisible(on);
  Safely(session_.Ask(), [&] { session_.GetSettings().SetInt(REG_ShowCommentSet, on ? 1 : 0); });
}

}  // namespace plomix
