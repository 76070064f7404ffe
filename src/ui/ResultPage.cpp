#include "ui/ResultPage.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "analysis/DetailExport.h"
#include "analysis/ResultStore.h"
#include "core/BusyScope.h"
#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "ui/ResultGrid.h"
#include "ui/ResultGroupModel.h"
#include "ui/ResultMemberModel.h"
#include "ui/widgets/WaitCursor.h"

namespace plomix {

namespace {

// Where the similar-name page remembers its digit-word filter ("1" or "0").
const QString kHideDigitWordsKey = QStringLiteral("Results/HideDigitWords");

QString Name(const char* dup, const char* like, bool isDup) {
  return QString::fromLatin1(isDup ? dup : like);
}

}  // namespace

ResultPage::ResultPage(AnalysisMode mode, ResultStore& store, Catalog& catalog, Settings& settings,
                       Prompter& prompter, ImageList& images, QWidget* parent)
    : QWidget(parent),
      mode_(mode),
      store_(store),
      catalog_(catalog),
      settings_(settings),
      prompter_(prompter) {
  const bool dup = mode == AnalysisMode::Duplicate;
  setObjectName(Name("DupResults", "LikeResults", dup));
  groups_ = new ResultGroupModel(mode, &images, this);
  members_ = new ResultMemberModel(dup, &images, this);

  auto* searchBar = new QHBoxLayout;
  searchBar->addWidget(new QLabel(QStringLiteral("名前の部分一致検索"), this));
  txtSearchStr = new QLineEdit(this);
  txtSearchStr->setObjectName(Name("txtDupSearchStr", "txtLikeSearchStr", dup));
  cmdSearchDown = new QToolButton(this);
  cmdSearchDown->setObjectName(Name("cmdDupSearchDown", "cmdLikeSearchDown", dup));
  cmdSearchDown->setArrowType(Qt::DownArrow);
  cmdSearchDown->setToolTip(QStringLiteral("下方向へ検索"));
  cmdSearchUp = new QToolButton(this);
  cmdSearchUp->setObjectName(Name("cmdDupSearchUp", "cmdLikeSearchUp", dup));
  cmdSearchUp->setArrowType(Qt::UpArrow);
  cmdSearchUp->setToolTip(QStringLiteral("上方向へ検索"));
  searchBar->addWidget(txtSearchStr, 1);
  searchBar->addWidget(cmdSearchDown);
  searchBar->addWidget(cmdSearchUp);
  if (!dup) {
    chkHideDigitWords = new QCheckBox(QStringLiteral("数字だけの語を隠す"), this);
    chkHideDigitWords->setObjectName(QStringLiteral("chkHideDigitWords"));
    chkHideDigitWords->setChecked(settings_.GetRaw(kHideDigitWordsKey, QStringLiteral("1")) !=
                                  QStringLiteral("0"));
    searchBar->addWidget(chkHideDigitWords);
  }

  GroupGrid = NewResultGrid(dup ? "GridView1" : "GridView11", groups_, this, {0, 50, 40, 300, 80});
  if (!dup) GroupGrid->setColumnHidden(ResultGroupModel::ColIcon, true);
  GroupGrid->horizontalHeader()->setSortIndicator(ResultGroupModel::ColNo, Qt::AscendingOrder);
  GroupGrid->setSortingEnabled(true);

  auto* lower = new QWidget(this);
  auto* lowerLayout = new QVBoxLayout(lower);
  lowerLayout->setContentsMargins(0, 0, 0, 0);
  lowerLayout->setSpacing(2);
  MemberCaption = new QLabel(dup ? QStringLiteral("重複ファイルの詳細情報")
                                 : QStringLiteral("似たようなファイルの詳細情報"),
                             lower);
  MemberCaption->setAutoFillBackground(true);
  MemberCaption->setStyleSheet(dup ? QStringLiteral("padding: 2px;")
                                   : QStringLiteral("padding: 2px; background: #A6CAF0;"));
  cmdShowPath = new QPushButton(QStringLiteral("全パス名表示"), lower);
  cmdShowPath->setObjectName(Name("cmdShowDupPath", "cmdShowLikeSubPath", dup));
  cmdShowPath->setToolTip(QStringLiteral("全ての詳細情報パス名を表示"));
  cmdCopy = new QPushButton(QStringLiteral("コピー"), lower);
  cmdCopy->setObjectName(Name("cmdDupSubClipbord", "cmdLikeSubClipbord", dup));
  cmdCopy->setToolTip(QStringLiteral("詳細情報をクリップボードへ出力"));
  cmdShow = new QPushButton(QStringLiteral("表示"), lower);
  cmdShow->setObjectName(Name("cmdDupShow", "cmdLikeShow", dup));
  auto* captionRow = new QHBoxLayout;
  captionRow->addWidget(MemberCaption, 1);
  captionRow->addWidget(cmdShowPath);
  captionRow->addWidget(cmdCopy);
  captionRow->addWidget(cmdShow);
  MemberGrid = NewResultGrid(dup ? "GridView2" : "GridView12", members_, lower,
                             {0, dup ? 40 : 50, 200, 120, 80, 120, 80, 80, 80, 80});
  MemberGrid->setColumnHidden(kDetailPathColumn, true);
  MemberGrid->horizontalHeader()->setSortIndicator(members_->SortColumn(), Qt::AscendingOrder);
  MemberGrid->setSortingEnabled(true);
  lowerLayout->addLayout(captionRow);
  lowerLayout->addWidget(MemberGrid, 1);

  Splitter = new QSplitter(Qt::Vertical, this);
  auto* upper = new QWidget(Splitter);
  auto* upperLayout = new QVBoxLayout(upper);
  upperLayout->setContentsMargins(0, 0, 0, 0);
  upperLayout->addLayout(searchBar);
  upperLayout->addWidget(GroupGrid, 1);
  Splitter->addWidget(upper);
  Splitter->addWidget(lower);

  StatusBar = new QStatusBar(this);
  StatusBar->setObjectName(Name("StatusBar3", "StatusBar4", dup));
  StatusBar->setSizeGripEnabled(false);
  StatusPanel0 = new QLabel(StatusBar);
  StatusPanel1 = new QLabel(StatusBar);
  StatusPanel0->setObjectName(StatusBar->objectName() + QStringLiteral("Panel0"));
  StatusPanel1->setObjectName(StatusBar->objectName() + QStringLiteral("Panel1"));
  StatusBar->addWidget(StatusPanel0, 1);
  StatusBar->addWidget(StatusPanel1, 1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(Splitter, 1);
  layout->addWidget(StatusBar);

  connect(GroupGrid->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &ResultPage::GroupSelectionChanged);
  connect(cmdSearchDown, &QToolButton::clicked, this, [this] { FindName(true); });
  connect(cmdSearchUp, &QToolButton::clicked, this, [this] { FindName(false); });
  connect(txtSearchStr, &QLineEdit::returnPressed, this, [this] { FindName(true); });
  connect(cmdShowPath, &QPushButton::clicked, this, &ResultPage::FillPaths);
  if (chkHideDigitWords)
    connect(chkHideDigitWords, &QCheckBox::toggled, this, [this](bool on) {
      settings_.SetRaw(kHideDigitWordsKey, on ? QStringLiteral("1") : QStringLiteral("0"));
      if (HasGroups() || groups_->HiddenCount() > 0) FillGroupGrid();
    });
  connect(cmdCopy, &QPushButton::clicked, this, &ResultPage::CopyRequested);
  auto jump = [this] {
    const int row = SelectedGridRow(MemberGrid);
    if (row >= 0) Q_EMIT JumpRequested(row);
  };
  connect(cmdShow, &QPushButton::clicked, this, jump);
  connect(MemberGrid, &QTableView::doubleClicked, this, jump);
}

QString ResultPage::Number(double value) const {
  return text::Cp932ToQString(FormatNumber(value));
}

bool ResultPage::HasGroups() const {
  return groups_->RowCount() > 0;
}

void ResultPage::SetResultNote(const QString& note) {
  note_ = note;
  if (!note_.isEmpty()) StatusPanel0->setText(StatusPanel0->text() + note_);
}

void ResultPage::FillGroupGrid() {
  const bool dup = mode_ == AnalysisMode::Duplicate;
  const int groups = store_.GroupCount();
  const int32_t entries = store_.EntryCount();
  if (groups == 0 || entries == 0) {
    groups_->Clear();
    StatusPanel0->setText(
        (dup ? QStringLiteral("重複ファイルなし") : QStringLiteral("似たようなファイルなし")) +
        note_);
    return;
  }
  WaitCursor wait;
  StatusPanel0->setText(Number(groups) +
                        (dup ? QStringLiteral("種類の重複ファイル表示中...")
                             : QStringLiteral("種類の似たようなファイル表示中...")));
  QCoreApplication::processEvents();
  {
    const BusyScope filling(filling_);
    groups_->Fill(store_, dup && settings_.GetInt(REG_DupListHighSpeedShow) != 1,
                  chkHideDigitWords && chkHideDigitWords->isChecked());
  }
  WidenIntoSpareRoom(*GroupGrid, 3);  // the names, as far as the grid has room
  const QString hidden = groups_->HiddenCount() > 0
                             ? QStringLiteral("（数字だけの語 ") + Number(groups_->HiddenCount()) +
                                   QStringLiteral("種類を非表示）")
                             : QString();
  StatusPanel0->setText(
      Number(groups) + QStringLiteral("種類、") + Number(entries) +
      (dup ? QStringLiteral("件の重複ファイル") : QStringLiteral("件の似たようなファイル")) +
      hidden + note_);
}

void ResultPage::GroupSelectionChanged() {
  if (filling_ || groups_->RowCount() == 0) return;
  const int row = SelectedGridRow(GroupGrid);
  if (row >= 0) FillMemberGrid(row);
}

void ResultPage::FillMemberGrid(int groupRow) {
  ResultItem head;
  if (!store_.GroupHead(groups_->GroupAt(groupRow), head)) return;
  WaitCursor wait;
  const std::string dateFormat =
      text::QStringToCp932(settings_.GetString(REG_FormatUpdateDateTime));
  const bool sound = store_.LoadMembers(1, head.first, head.groupSize);
  std::vector<DetailRow> rows =
      BuildDetailRows(catalog_, store_.Members(1), dateFormat, /*withPaths=*/false);
  const int count = static_cast<int>(rows.size());
  MemberGrid->setColumnHidden(kDetailPathColumn, true);
  if (mode_ == AnalysisMode::Similar)
    MemberGrid->setColumnHidden(1, store_.FileVersion() < kLikeFileVersion);
  members_->SetRows(std::move(rows), groups_->ImageAt(groupRow));
  FitDetailColumns(*MemberGrid, dateFormat);
  SelectGridRow(MemberGrid, 0);
  StatusPanel1->setText(Number(count) + QStringLiteral("件の詳細情報") +
                        (sound ? QString() : QStringLiteral("（結果ファイルの一部が読めません）")));
}

void ResultPage::ClearResults(bool membersOnly) {
  members_->Clear();
  StatusPanel1->clear();
  if (membersOnly) return;
  groups_->Clear();
  StatusPanel0->clear();
  note_.clear();
}

void ResultPage::FindName(bool down) {
  const std::string needle = text::AnsiLower(text::QStringToCp932(txtSearchStr->text()));
  if (needle.empty()) {
    prompter_.Message(QStringLiteral("検索文字列が不明です"), PromptIcon::Warning,
                      PromptButtons::Ok);
    return;
  }
  const int count = groups_->RowCount();
  const int start = SelectedGridRow(GroupGrid);
  const QString typed = txtSearchStr->text();
  // A typed character CP932 lacks is found in exact names only.
  const bool typedHeld = text::Utf8ToCp932Exact(typed.toStdString()).has_value();
  auto matches = [&](int row) {
    // A name CP932 cannot hold is searched in the form it is shown in.
    const QString exact = groups_->ExactNameAt(row);
    if (!exact.isNull()) return exact.contains(typed, Qt::CaseInsensitive);
    return typedHeld &&
           text::FindText(text::AnsiLower(groups_->NameAt(row)), needle) != std::string::npos;
  };
  int found = -1;
  for (int step = 1; step <= count && found < 0; ++step) {
    // Down: the rows after the selected one, then from the top round to it;
    // up: the rows before it, then from the bottom round to it.
    const int row =
        down ? (start + step) % count : ((start < 0 ? count : start) - step + count) % count;
    if (matches(row)) found = row;
  }
  if (found < 0) {
    prompter_.Message(QStringLiteral("未検出!!"), PromptIcon::Information, PromptButtons::Ok);
    return;
  }
  SelectGridRow(GroupGrid, found);
  GroupGrid->setFocus();
}

void ResultPage::FillPaths() {
  MemberGrid->setColumnHidden(kDetailPathColumn, false);
  members_->FillPaths(catalog_, -1, [this](int row) {
    SelectGridRow(MemberGrid, row);
    QCoreApplication::processEvents();
  });
}

void ResultPage::FillPathsOfMedia(int slot) {
  if (mode_ == AnalysisMode::Similar && members_->RowCount() >= 100) return;
  members_->FillPaths(catalog_, slot);
  MemberGrid->setColumnHidden(kDetailPathColumn, false);
}

}  // namespace plomix
