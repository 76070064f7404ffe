#include "ui/ResultPage.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "analysis/ContentCopies.h"
#include "analysis/DetailExport.h"
#include "analysis/ResultStore.h"
#include "core/BusyScope.h"
#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "ui/ContentGroupModel.h"
#include "ui/ErrorMessage.h"
#include "ui/ResultGrid.h"
#include "ui/ResultGroupModel.h"
#include "ui/ResultMemberModel.h"
#include "ui/widgets/WaitCursor.h"

namespace plomix {

namespace {

// Where the similar-name page remembers its digit-word filter ("1" or "0").
const QString kHideDigitWordsKey = QStringLiteral("Results/HideDigitWords");
const QString kDupByContentKey = QStringLiteral("Results/DupByContent");

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
  if (dup) {
    rdoDupByName = new QRadioButton(QStringLiteral("名前が同じ"), this);
    rdoDupByName->setObjectName(QStringLiteral("rdoDupByName"));
    rdoDupByName->setChecked(true);
    rdoDupByContent = new QRadioButton(QStringLiteral("内容が同じ"), this);
    rdoDupByContent->setObjectName(QStringLiteral("rdoDupByContent"));
    rdoDupByContent->setToolTip(
        QStringLiteral("読込み時に記録した内容の指紋で、全メディアの同じ内容のファイルを探します"));
    searchBar->addWidget(rdoDupByName);
    searchBar->addWidget(rdoDupByContent);
    searchBar->addSpacing(12);
  }
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
  groupStack_ = new QStackedWidget(upper);
  groupStack_->addWidget(GroupGrid);
  if (dup) {
    contentGroups_ = new ContentGroupModel(&images, this);
    ContentGrid = NewResultGrid("ContentGrid", contentGroups_, groupStack_,
                                {0, 50, 40, 300, 100, 60, 110, 120});
    ContentGrid->horizontalHeader()->setSortIndicator(ContentGroupModel::ColWasted,
                                                      Qt::DescendingOrder);
    ContentGrid->setSortingEnabled(true);
    groupStack_->addWidget(ContentGrid);
  }
  upperLayout->addWidget(groupStack_, 1);
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
  if (dup) {
    connect(ContentGrid->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ResultPage::ContentSelectionChanged);
    // Toggled, not clicked: the accessibility bus toggles without a click.
    connect(rdoDupByContent, &QRadioButton::toggled, this, [this](bool on) {
      settings_.SetRaw(kDupByContentKey, on ? QStringLiteral("1") : QStringLiteral("0"));
      SetContentMode(on);
      Q_EMIT ContentModeChanged(on);
    });
    // The page opens in the mode it was last left in; its groups are found
    // when it is first shown.
    if (settings_.GetRaw(kDupByContentKey, QStringLiteral("0")) == QStringLiteral("1"))
      rdoDupByContent->setChecked(true);
  }
}

QString ResultPage::Number(double value) const {
  return text::Cp932ToQString(FormatNumber(value));
}

bool ResultPage::HasGroups() const {
  return groups_->RowCount() > 0;
}

void ResultPage::SetResultNote(const QString& note) {
  note_ = note;
  if (!note_.isEmpty()) SetStatus(false, 0, status_[0][0] + note_);
}

void ResultPage::SetStatus(bool content, int panel, const QString& text) {
  status_[content ? 1 : 0][panel] = text;
  if (content == ContentMode()) (panel == 0 ? StatusPanel0 : StatusPanel1)->setText(text);
}

void ResultPage::ShowStatus() {
  const int mode = ContentMode() ? 1 : 0;
  StatusPanel0->setText(status_[mode][0]);
  StatusPanel1->setText(status_[mode][1]);
  StatusPanel0->setToolTip(mode == 1 ? contentStatusTip_ : QString());
}

void ResultPage::FillGroupGrid() {
  const bool dup = mode_ == AnalysisMode::Duplicate;
  const int groups = store_.GroupCount();
  const int32_t entries = store_.EntryCount();
  if (groups == 0 || entries == 0) {
    groups_->Clear();
    SetStatus(
        false, 0,
        (dup ? QStringLiteral("重複ファイルなし") : QStringLiteral("似たようなファイルなし")) +
            note_);
    return;
  }
  WaitCursor wait;
  SetStatus(false, 0,
            Number(groups) + (dup ? QStringLiteral("種類の重複ファイル表示中...")
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
  SetStatus(
      false, 0,
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
  if (ContentMode() || !store_.GroupHead(groups_->GroupAt(groupRow), head)) return;
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
  SetStatus(false, 1,
            Number(count) + QStringLiteral("件の詳細情報") +
                (sound ? QString() : QStringLiteral("（結果ファイルの一部が読めません）")));
}

void ResultPage::ClearResults(bool membersOnly) {
  // The member grid shows the content groups' members while that mode is on.
  if (!ContentMode()) members_->Clear();
  SetStatus(false, 1, QString());
  if (membersOnly) return;
  groups_->Clear();
  SetStatus(false, 0, QString());
  note_.clear();
}

void ResultPage::FindName(bool down) {
  const std::string needle = text::AnsiLower(text::QStringToCp932(txtSearchStr->text()));
  if (needle.empty()) {
    prompter_.Message(QStringLiteral("検索文字列が不明です"), PromptIcon::Warning,
                      PromptButtons::Ok);
    return;
  }
  const bool content = ContentMode();
  QTableView* grid = content ? ContentGrid : GroupGrid;
  const int count = content ? contentGroups_->RowCount() : groups_->RowCount();
  const int start = SelectedGridRow(grid);
  const QString typed = txtSearchStr->text();
  // A typed character CP932 lacks is found in exact names only.
  const bool typedHeld = text::Utf8ToCp932Exact(typed.toStdString()).has_value();
  auto matches = [&](int row) {
    if (content) {
      const QString shown = contentGroups_->ShownNameAt(row);
      return shown.contains(typed, Qt::CaseInsensitive) ||
             (typedHeld && text::FindText(text::AnsiLower(contentGroups_->NameAt(row)), needle) !=
                               std::string::npos);
    }
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
  SelectGridRow(grid, found);
  grid->setFocus();
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

namespace plomix {

bool ResultPage::ContentMode() const {
  return rdoDupByContent != nullptr && rdoDupByContent->isChecked();
}

void ResultPage::SetContentMode(bool content) {
  if (rdoDupByContent == nullptr) return;
  if (rdoDupByContent->isChecked() != content) {
    // The toggle signal comes back here; it is the one that switches.
    (content ? rdoDupByContent : rdoDupByName)->setChecked(true);
    return;
  }
  groupStack_->setCurrentWidget(content ? ContentGrid : GroupGrid);
  MemberCaption->setText(QStringLiteral("重複ファイルの詳細情報"));
  members_->Clear();
  ShowStatus();
  QTableView* grid = content ? ContentGrid : GroupGrid;
  const int row = SelectedGridRow(grid);
  if (row < 0) return;
  if (content)
    FillContentMembers(row);
  else
    FillMemberGrid(row);
}

void ResultPage::FillContentGroups() {
  if (contentGroups_ == nullptr) return;
  WaitCursor wait;
  SetStatus(true, 0, QStringLiteral("同じ内容のファイルを検索中..."));
  SetStatus(true, 1, QString());
  if (ContentMode()) members_->Clear();
  QCoreApplication::processEvents();
  ContentDuplicates found;
  std::vector<ContentGroupName> names;
  try {
    const LoadedMediaKept kept(catalog_);
    found = FindContentDuplicates(catalog_);
    names = ContentGroupNames(catalog_, found);
  } catch (const std::exception& error) {
    // The catalogue could not be read (a drive gone, a read error): the
    // page stays empty and says why.
    contentFilled_ = true;
    SetStatus(true, 0, ErrorMessage(error));
    if (ContentMode()) ShowStatus();
    return;
  }
  const int unread = found.unreadMedia;
  const std::size_t groups = found.groups.size();
  double files = 0;
  for (const ContentGroup& g : found.groups) files += static_cast<double>(g.members.size());
  {
    const BusyScope filling(filling_);
    contentGroups_->Fill(std::move(found), names, settings_.GetInt(REG_DupListHighSpeedShow) != 1);
  }
  contentFilled_ = true;
  WidenIntoSpareRoom(*ContentGrid, ContentGroupModel::ColName);
  QString text = groups == 0
                     ? QStringLiteral("同じ内容のファイルなし")
                     : Number(static_cast<double>(groups)) + QStringLiteral("組、") +
                           Number(files) + QStringLiteral("件の同じ内容のファイル（無駄な容量 ") +
                           Number(contentGroups_->Wasted()) + QStringLiteral(" Byte）");
  // Media read without fingerprints take no part: the user is told which.
  const std::vector<std::string> without = MediaWithoutFingerprints(catalog_);
  contentStatusTip_.clear();
  if (!without.empty()) {
    text += QStringLiteral("　指紋なしのメディア: ") + Number(static_cast<double>(without.size()));
    QStringList shown;
    for (const std::string& name : without) shown << text::Cp932ToQString(name);
    contentStatusTip_ = QStringLiteral("指紋なしのメディア：\n") + shown.join(QLatin1Char('\n'));
  }
  if (unread > 0)
    text += QStringLiteral("　読めないメディア: ") + Number(static_cast<double>(unread));
  SetStatus(true, 0, text);
  if (ContentMode()) ShowStatus();
}

void ResultPage::ClearContent() {
  if (contentGroups_ == nullptr) return;
  contentGroups_->Clear();
  contentFilled_ = false;
  contentStatusTip_.clear();
  if (ContentMode()) members_->Clear();
  SetStatus(true, 0, QString());
  SetStatus(true, 1, QString());
  if (ContentMode()) ShowStatus();
}

void ResultPage::ContentSelectionChanged() {
  if (filling_ || !ContentMode() || contentGroups_->RowCount() == 0) return;
  const int row = SelectedGridRow(ContentGrid);
  if (row >= 0) FillContentMembers(row);
}

void ResultPage::FillContentMembers(int groupRow) {
  if (groupRow < 0 || groupRow >= contentGroups_->RowCount()) return;
  WaitCursor wait;
  const ContentGroup& group = contentGroups_->GroupAt(groupRow);
  const std::string dateFormat =
      text::QStringToCp932(settings_.GetString(REG_FormatUpdateDateTime));
  std::vector<DetailRow> rows = ContentDetailRows(catalog_, group.members, dateFormat);
  const int count = static_cast<int>(rows.size());
  MemberGrid->setColumnHidden(kDetailPathColumn, true);
  members_->SetRows(std::move(rows), contentGroups_->ImageAt(groupRow));
  FitDetailColumns(*MemberGrid, dateFormat);
  SelectGridRow(MemberGrid, 0);
  // Which fingerprints found the group: quick ones only say the ends agree.
  MemberCaption->setText(QStringLiteral("重複ファイルの詳細情報（指紋：") +
                         ContentGroupModel::ModeText(group.print.mode) + QStringLiteral("）"));
  SetStatus(true, 1, Number(count) + QStringLiteral("件の詳細情報"));
}

}  // namespace plomix
