#include "ui/search/PxFileSearch.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTimeEdit>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>
#include <stdexcept>

#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "ui/ErrorMessage.h"
#include "ui/ImageList.h"
#include "ui/PageSupport.h"
#include "ui/search/SizeInput.h"
#include "ui/widgets/WaitCursor.h"

namespace plomix {

namespace {

// The unit of the size boxes, kept beside the numbered settings by its name.
const QString kSizeUnitKey = QStringLiteral("Search/SizeUnit");

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QDateTime FromDos(int32_t packed) {
  DateTimeParts p;
  if (!UnpackDosDateTime(packed, p)) return {};
  return QDateTime(QDate(p.year, p.month, p.day), QTime(p.hour, p.minute, p.second));
}

int32_t ToDos(const QDate& date, const QTime& time) {
  return PackDosDateTime(
      {date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()});
}

}  // namespace

TfrmFileSearch::TfrmFileSearch(Catalog& catalog, Settings& settings, Prompter& prompter,
                               ImageList& images, QWidget* parent)
    : QDialog(parent),
      catalog_(catalog),
      settings_(settings),
      prompter_(prompter),
      images_(images) {
  setObjectName(QStringLiteral("frmFileSearch"));
  setWindowTitle(QStringLiteral("検索条件"));
  BuildControls();
  ConnectSettings();
  chkModeComment->setChecked(false);
}

// ---------------------------------------------------------------- building

void TfrmFileSearch::BuildControls() {
  auto* conditions = new QVBoxLayout;
  conditions->addWidget(BuildNameGroup());
  conditions->addWidget(BuildSizeGroup());
  conditions->addWidget(BuildDateGroup());
  conditions->addWidget(BuildCommentGroup());
  auto* scope = new QGroupBox;
  auto* scopeLayout = new QVBoxLayout(scope);
  chkSearchMark =
      Named(new QCheckBox(QStringLiteral("マーク付きだけを検索対象とする")), "chkSearchMark");
  chkSearchFolderOnly =
      Named(new QCheckBox(QStringLiteral("フォルダだけを検索対象とする")), "chkSearchFolderOnly");
  chkSearchFolder =
      Named(new QCheckBox(QStringLiteral("フォルダも検索対象とする")), "chkSearchFolder");
  scopeLayout->addWidget(chkSearchMark);
  scopeLayout->addWidget(chkSearchFolderOnly);
  scopeLayout->addWidget(chkSearchFolder);
  conditions->addWidget(scope);
  conditions->addStretch(1);

  auto* buttons = new QHBoxLayout;
  cmdSearch = Named(new QPushButton(QStringLiteral("検索")), "cmdSearch");
  cmdCancel = Named(new QPushButton(QStringLiteral("キャンセル")), "cmdCancel");
  cmdSearch->setDefault(true);
  buttons->addStretch(1);
  buttons->addWidget(cmdSearch);
  buttons->addWidget(cmdCancel);

  auto* columns = new QHBoxLayout;
  columns->addLayout(conditions);
  columns->addWidget(BuildMediaGroup(), 1);
  auto* top = new QVBoxLayout(this);
  top->addLayout(columns, 1);
  top->addLayout(buttons);
  resize(1000, 620);

  connect(cmdSearch, &QPushButton::clicked, this, &TfrmFileSearch::cmdSearchClick);
  connect(cmdCancel, &QPushButton::clicked, this, &TfrmFileSearch::cmdCancelClick);
}

QWidget* TfrmFileSearch::BuildNameGroup() {
  auto* group = new QGroupBox;
  auto* grid = new QGridLayout(group);
  chkModeName = Named(new QCheckBox(QStringLiteral("ファイル（フォルダ）名")), "chkModeName");
  chkModeName->setChecked(true);
  txtSearchName = Named(new QLineEdit, "txtSearchName");
  cmbAnd = Named(new QComboBox, "cmbAnd");
  cmbAnd->addItems({QStringLiteral("OR"), QStringLiteral("AND")});
  txtSearchName2 = Named(new QLineEdit, "txtSearchName2");
  chkSearchNamePart = Named(new QCheckBox(QStringLiteral("部分一致")), "chkSearchNamePart");
  chkSearchName = Named(new QCheckBox(QStringLiteral("大文字と小文字を区別する")), "chkSearchName");
  grid->addWidget(chkModeName, 0, 0, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("名前：")), 1, 0);
  grid->addWidget(txtSearchName, 1, 1, 1, 2);
  grid->addWidget(cmbAnd, 2, 1);
  grid->addWidget(txtSearchName2, 2, 2);
  grid->addWidget(chkSearchNamePart, 3, 1);
  grid->addWidget(chkSearchName, 3, 2);
  grid->setColumnStretch(2, 1);
  return group;
}

QWidget* TfrmFileSearch::BuildSizeGroup() {
  auto* group = new QGroupBox;
  auto* grid = new QGridLayout(group);
  chkModeSize = Named(new QCheckBox(QStringLiteral("ファイルサイズ")), "chkModeSize");
  const auto makeBox = [](const char* name) {
    auto* box = Named(new QLineEdit, name);
    box->setAlignment(Qt::AlignRight);
    box->setPlaceholderText(QStringLiteral("指定なし"));
    return box;
  };
  txtSearchSizeMin = makeBox("txtSearchSizeMin");
  txtSearchSizeMax = makeBox("txtSearchSizeMax");
  cmbSearchSizeUnit = Named(new QComboBox, "cmbSearchSizeUnit");
  for (const SizeUnit unit : {SizeUnit::Byte, SizeUnit::KB, SizeUnit::MB, SizeUnit::GB})
    cmbSearchSizeUnit->addItem(UnitName(unit));
  Button1 = Named(new QPushButton(QStringLiteral("最小：")), "Button1");
  Button2 = Named(new QPushButton(QStringLiteral("最大：")), "Button2");
  Label7 = Named(new QLabel, "Label7");
  cmdSearchSizeAll = Named(new QPushButton(QStringLiteral("すべて対象")), "cmdSearchSizeAll");
  grid->addWidget(chkModeSize, 0, 0, 1, 3);
  grid->addWidget(Button1, 1, 0);
  grid->addWidget(txtSearchSizeMin, 1, 1);
  grid->addWidget(cmdSearchSizeAll, 1, 2);
  grid->addWidget(Button2, 2, 0);
  grid->addWidget(txtSearchSizeMax, 2, 1);
  grid->addWidget(cmbSearchSizeUnit, 2, 2);
  grid->addWidget(Label7, 3, 1, 1, 2);
  grid->setColumnStretch(1, 1);
  connect(Button1, &QPushButton::clicked, this, &TfrmFileSearch::SetSizeMin);
  connect(Button2, &QPushButton::clicked, this, &TfrmFileSearch::SetSizeMax);
  connect(cmdSearchSizeAll, &QPushButton::clicked, this, &TfrmFileSearch::cmdSearchSizeAllClick);
  for (QLineEdit* box : {txtSearchSizeMin, txtSearchSizeMax})
    connect(box, &QLineEdit::textChanged, this, &TfrmFileSearch::UpdateSizeLabel);
  // The numbers stay as typed and are read in the unit chosen.
  connect(cmbSearchSizeUnit, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (loading_) return;
    try {
      settings_.SetRaw(kSizeUnitKey, UnitName(static_cast<SizeUnit>(index)));
    } catch (const std::exception& e) {
      prompter_.Message(ErrorMessage(e), PromptIcon::Error, PromptButtons::Ok);
    }
    UpdateSizeLabel();
  });
  return group;
}

QWidget* TfrmFileSearch::BuildDateGroup() {
  auto* group = new QGroupBox;
  auto* grid = new QGridLayout(group);
  chkModeDateTime = Named(new QCheckBox(QStringLiteral("更新日時")), "chkModeDateTime");
  const auto makeDate = [](const char* name) {
    auto* edit = Named(new QDateEdit, name);
    edit->setDisplayFormat(QStringLiteral("yyyy年M月d日 dddd"));
    edit->setCalendarPopup(true);
    // The range a catalogue's date-times can hold.
    edit->setDateRange(QDate(1980, 1, 1), QDate(2107, 12, 31));
    return edit;
  };
  const auto makeTime = [](const char* name) {
    auto* edit = Named(new QTimeEdit, name);
    edit->setDisplayFormat(QStringLiteral("H:mm:ss"));
    return edit;
  };
  txtSearchStartDate = makeDate("txtSearchStartDate");
  txtSearchStartTime = makeTime("txtSearchStartTime");
  txtSearchEndDate = makeDate("txtSearchEndDate");
  txtSearchEndTime = makeTime("txtSearchEndTime");
  cmdSearchDateAll = Named(new QPushButton(QStringLiteral("すべて対象")), "cmdSearchDateAll");
  grid->addWidget(chkModeDateTime, 0, 0, 1, 4);
  grid->addWidget(new QLabel(QStringLiteral("開始：")), 1, 0);
  grid->addWidget(txtSearchStartDate, 1, 1);
  grid->addWidget(txtSearchStartTime, 1, 2);
  grid->addWidget(cmdSearchDateAll, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("終了：")), 2, 0);
  grid->addWidget(txtSearchEndDate, 2, 1);
  grid->addWidget(txtSearchEndTime, 2, 2);
  auto* days = new QHBoxLayout;
  const QString captions[] = {QString(),           QStringLiteral("過去１日"), QStringLiteral("2"),
                              QStringLiteral("3"), QStringLiteral("4"),        QStringLiteral("5"),
                              QStringLiteral("6"), QStringLiteral("７")};
  for (int n = 1; n <= 7; ++n) {
    auto* button = new QPushButton(captions[n]);
    button->setObjectName(QStringLiteral("cmdSearchDate%1").arg(n));
    if (n > 1) button->setMaximumWidth(32);
    cmdSearchDate[n] = button;
    days->addWidget(button);
    connect(button, &QPushButton::clicked, this, [this, n] { SearchPastDays(n); });
  }
  days->addStretch(1);
  grid->addLayout(days, 3, 0, 1, 4);
  connect(cmdSearchDateAll, &QPushButton::clicked, this, &TfrmFileSearch::cmdSearchDateAllClick);
  return group;
}

QWidget* TfrmFileSearch::BuildCommentGroup() {
  auto* group = new QGroupBox;
  auto* grid = new QGridLayout(group);
  chkModeComment = Named(new QCheckBox(QStringLiteral("コメント文")), "chkModeComment");
  cmbCommentAndOr = Named(new QComboBox, "cmbCommentAndOr");
  cmbCommentAndOr->addItems({QStringLiteral("OR"), QStringLiteral("AND")});
  cmbCommentAndOr->setCurrentIndex(1);
  rdoCommentAll = Named(new QRadioButton(QStringLiteral("全ｺﾒﾝﾄ文を検索")), "rdoCommentAll");
  rdoCommentSelect =
      Named(new QRadioButton(QStringLiteral("ｺﾒﾝﾄ文より部分文字列を検索")), "rdoCommentSelect");
  txtCommentSelect = Named(new QLineEdit, "txtCommentSelect");
  chkSearchComment =
      Named(new QCheckBox(QStringLiteral("大文字と小文字を区別する")), "chkSearchComment");
  auto* combine = new QHBoxLayout;
  combine->addWidget(new QLabel(QStringLiteral("他の項目と")));
  combine->addWidget(cmbCommentAndOr);
  combine->addWidget(new QLabel(QStringLiteral("条件にて検索")));
  combine->addStretch(1);
  grid->addWidget(chkModeComment, 0, 0, 1, 2);
  grid->addLayout(combine, 1, 0, 1, 2);
  grid->addWidget(rdoCommentAll, 2, 0, 1, 2);
  grid->addWidget(rdoCommentSelect, 3, 0, 1, 2);
  grid->addWidget(txtCommentSelect, 4, 0);
  grid->addWidget(chkSearchComment, 4, 1);
  return group;
}

QWidget* TfrmFileSearch::BuildMediaGroup() {
  auto* group = new QGroupBox;
  auto* layout = new QVBoxLayout(group);
  TabControl1 = Named(new QTabBar, "TabControl1");
  TabControl1->setShape(QTabBar::RoundedNorth);
  TabControl1->setExpanding(false);
  TabControl1->setUsesScrollButtons(true);
  ListView1 = Named(new QTreeWidget, "ListView1");
  ListView1->setRootIsDecorated(false);
  ListView1->setUniformRowHeights(true);
  ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListView1->setHeaderLabels({QStringLiteral("名前"), QStringLiteral("分類"),
                              QStringLiteral("保管場所"), QStringLiteral("保管詳細"),
                              QStringLiteral("登録日時"), QStringLiteral("メディア種別"),
                              QStringLiteral("総ファイル数"), QStringLiteral("総フォルダ数")});
  ListView1->headerItem()->setTextAlignment(6, Qt::AlignRight | Qt::AlignVCenter);
  ListView1->headerItem()->setTextAlignment(7, Qt::AlignRight | Qt::AlignVCenter);
  ListView1->header()->setSectionsClickable(true);
  ListView1->header()->setSortIndicatorShown(false);
  pnlMediaCount = Named(new QLabel, "pnlMediaCount");
  pnlMediaCount->setFrameShape(QFrame::Panel);
  pnlMediaCount->setFrameShadow(QFrame::Sunken);
  pnlMediaCount->setAlignment(Qt::AlignCenter);
  pnlMediaCount->setMinimumWidth(80);
  cmdCheckON = Named(new QPushButton(QStringLiteral("全てON")), "cmdCheckON");
  cmdCheckOFF = Named(new QPushButton(QStringLiteral("全てOFF")), "cmdCheckOFF");
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(cmdCheckON);
  bottom->addWidget(cmdCheckOFF);
  bottom->addStretch(1);
  bottom->addWidget(pnlMediaCount);
  layout->addWidget(TabControl1);
  layout->addWidget(ListView1, 1);
  layout->addLayout(bottom);
  connect(TabControl1, &QTabBar::currentChanged, this, &TfrmFileSearch::TabControl1Change);
  connect(ListView1->header(), &QHeaderView::sectionClicked, this,
          &TfrmFileSearch::ListView1ColumnClick);
  connect(ListView1, &QTreeWidget::itemChanged, this, [this] { UpdateMediaCount(); });
  connect(ListView1, &QTreeWidget::itemClicked, this, [this] { UpdateMediaCount(); });
  connect(cmdCheckON, &QPushButton::clicked, this, &TfrmFileSearch::cmdCheckONClick);
  connect(cmdCheckOFF, &QPushButton::clicked, this, &TfrmFileSearch::cmdCheckOFFClick);
  return group;
}

void TfrmFileSearch::ConnectSettings() {
  const std::pair<QCheckBox*, SettingNo> boxes[] = {{chkSearchName, REG_SearchInfoStrKind},
                                                    {chkSearchNamePart, REG_SearchInfoPortion},
                                                    {chkModeName, REG_SearchInfoFile},
                                                    {chkModeSize, REG_SearchInfoSize},
                                                    {chkModeDateTime, REG_SearchInfoDateTime},
                                                    {chkModeComment, REG_SearchInfoComment},
                                                    {chkSearchMark, REG_SearchInfoMark},
                                                    {chkSearchFolder, REG_SearchInfoFolder},
                                                    {chkSearchComment, REG_SearchInfoCommentKind}};
  for (const auto& [box, number] : boxes) {
    connect(box, &QCheckBox::toggled, this, [this, number = number](bool on) {
      StoreSetting(number, on ? 1 : 0);
      ApplyGroups();
    });
  }
  connect(rdoCommentAll, &QRadioButton::toggled, this, [this](bool on) {
    StoreSetting(REG_SearchInfoCommentAll, on ? 1 : 0);
    ApplyGroups();
  });
  connect(chkSearchFolderOnly, &QCheckBox::toggled, this, [this] { ApplyGroups(); });
}

// ---------------------------------------------------------------- showing

void TfrmFileSearch::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TfrmFileSearch::FormShow() {
  const QSignalBlocker tabs(TabControl1);
  RebuildTabs();
  FillMediaList();
  {
    const QSignalBlocker quiet(cmbSearchSizeUnit);
    const int unit = cmbSearchSizeUnit->findText(settings_.GetRaw(kSizeUnitKey));
    cmbSearchSizeUnit->setCurrentIndex(std::max(unit, 0));
  }
  ResetRanges();
  loading_ = true;
  chkSearchName->setChecked(settings_.GetInt(REG_SearchInfoStrKind) != 0);
  chkSearchNamePart->setChecked(settings_.GetInt(REG_SearchInfoPortion) != 0);
  chkModeName->setChecked(settings_.GetInt(REG_SearchInfoFile) != 0);
  chkModeSize->setChecked(settings_.GetInt(REG_SearchInfoSize) != 0);
  chkModeDateTime->setChecked(settings_.GetInt(REG_SearchInfoDateTime) != 0);
  chkModeComment->setChecked(settings_.GetInt(REG_SearchInfoComment) != 0);
  chkSearchMark->setChecked(settings_.GetInt(REG_SearchInfoMark) != 0);
  chkSearchFolder->setChecked(settings_.GetInt(REG_SearchInfoFolder) != 0);
  if (settings_.GetInt(REG_SearchInfoCommentAll) != 0)
    rdoCommentAll->setChecked(true);
  else
    rdoCommentSelect->setChecked(true);
  chkSearchComment->setChecked(settings_.GetInt(REG_SearchInfoCommentKind) != 0);
  txtCommentSelect->setText(settings_.GetString(REG_SearchInfoCommentStr));
  loading_ = false;
  ApplyGroups();
  if (chkModeName->isChecked()) txtSearchName->setFocus();
}

void TfrmFileSearch::ResetRanges() {
  extents_ = ComputeCategoryExtents(catalog_, text::QStringToCp932(TabFilterText()));
  cmdSearchSizeAllClick();
  SetDateRange();
}

// ---------------------------------------------------------------- groups

void TfrmFileSearch::ApplyGroups() {
  const bool name = chkModeName->isChecked();
  for (QWidget* w : {static_cast<QWidget*>(txtSearchName), static_cast<QWidget*>(chkSearchNamePart),
                     static_cast<QWidget*>(chkSearchName)})
    w->setEnabled(name);
  const bool second = name && chkSearchNamePart->isChecked();
  txtSearchName2->setEnabled(second);
  cmbAnd->setEnabled(second);

  const bool size = chkModeSize->isChecked();
  for (QWidget* w :
       {static_cast<QWidget*>(txtSearchSizeMin), static_cast<QWidget*>(txtSearchSizeMax),
        static_cast<QWidget*>(Button1), static_cast<QWidget*>(Button2),
        static_cast<QWidget*>(Label7), static_cast<QWidget*>(cmdSearchSizeAll),
        static_cast<QWidget*>(cmbSearchSizeUnit)})
    w->setEnabled(size);

  const bool date = chkModeDateTime->isChecked();
  for (QWidget* w :
       {static_cast<QWidget*>(txtSearchStartDate), static_cast<QWidget*>(txtSearchStartTime),
        static_cast<QWidget*>(txtSearchEndDate), static_cast<QWidget*>(txtSearchEndTime),
        static_cast<QWidget*>(cmdSearchDateAll)})
    w->setEnabled(date);
  for (int n = 1; n <= 7; ++n) cmdSearchDate[n]->setEnabled(date);

  const bool comment = chkModeComment->isChecked();
  cmbCommentAndOr->setEnabled(comment);
  rdoCommentAll->setEnabled(comment);
  rdoCommentSelect->setEnabled(comment);
  const bool substring = comment && rdoCommentSelect->isChecked();
  txtCommentSelect->setEnabled(substring);
  chkSearchComment->setEnabled(substring);

  chkSearchFolder->setEnabled(!chkSearchFolderOnly->isChecked());
}

void TfrmFileSearch::StoreSetting(SettingNo number, int value) {
  if (loading_) return;
  try {
    settings_.SetInt(number, value);
  } catch (const std::runtime_error& e) {
    prompter_.Message(ErrorMessage(e), PromptIcon::Error, PromptButtons::Ok);
  }
}

// ---------------------------------------------------------------- size and date

// The category's smallest and largest sizes, in the unit shown, rounded
// outwards so that the range still holds both.
void TfrmFileSearch::SetSizeMin() {
  const auto unit = static_cast<SizeUnit>(cmbSearchSizeUnit->currentIndex());
  txtSearchSizeMin->setText(SizeInUnitText(extents_.smallestFile, unit, true));
}

void TfrmFileSearch::SetSizeMax() {
  const auto unit = static_cast<SizeUnit>(cmbSearchSizeUnit->currentIndex());
  txtSearchSizeMax->setText(SizeInUnitText(extents_.largestFile, unit, false));
}

void TfrmFileSearch::cmdSearchSizeAllClick() {
  SetSizeMin();
  SetSizeMax();
  UpdateSizeLabel();
}

void TfrmFileSearch::UpdateSizeLabel() {
  const auto unit = static_cast<SizeUnit>(cmbSearchSizeUnit->currentIndex());
  const SizeText low = ReadSizeText(txtSearchSizeMin->text(), unit, true);
  const SizeText high = ReadSizeText(txtSearchSizeMax->text(), unit, false);
  if (low.error != SizeTextError::None || high.error != SizeTextError::None) {
    Label7->setText(QStringLiteral("サイズを確認してください"));
  } else if (low.bytes && high.bytes) {
    Label7->setText(
        QStringLiteral("%1 ～ %2 Byte").arg(GroupedBytes(*low.bytes), GroupedBytes(*high.bytes)));
  } else if (low.bytes) {
    Label7->setText(QStringLiteral("%1 Byte 以上").arg(GroupedBytes(*low.bytes)));
  } else if (high.bytes) {
    Label7->setText(QStringLiteral("%1 Byte 以下").arg(GroupedBytes(*high.bytes)));
  } else {
    Label7->setText(QStringLiteral("すべてのサイズ"));
  }
}

bool TfrmFileSearch::ReadSizeBounds(SearchConditions& c) {
  const auto unit = static_cast<SizeUnit>(cmbSearchSizeUnit->currentIndex());
  const std::pair<QLineEdit*, QString> boxes[] = {{txtSearchSizeMin, QStringLiteral("最小サイズ")},
                                                  {txtSearchSizeMax, QStringLiteral("最大サイズ")}};
  for (const auto& [box, what] : boxes) {
    const bool lower = box == txtSearchSizeMin;
    const SizeText read = ReadSizeText(box->text(), unit, lower);
    if (read.error == SizeTextError::NotANumber) {
      Refuse(QStringLiteral("%1には数値を入力してください").arg(what), false);
    } else if (read.error == SizeTextError::TooLarge) {
      Refuse(QStringLiteral("%1が大きすぎます\r\n指定できるのは %2 Byte までです")
                 .arg(what, GroupedBytes(std::numeric_limits<int64_t>::max())),
             false);
    } else {
      if (lower)
        c.sizeMin = read.bytes.value_or(0);
      else
        c.sizeMax = read.bytes;
      continue;
    }
    box->setFocus();
    box->selectAll();
    return false;
  }
  return true;
}

void TfrmFileSearch::SetDateRange() {
  int32_t start = extents_.oldestFile;
  int32_t end = extents_.newestFile;
  if (chkSearchFolder->isChecked()) {
    // A time of 0 was never recorded and gives way to the other.
    const auto earlier = [](int32_t a, int32_t b) {
      if (a == 0) return b;
      if (b == 0) return a;
      return static_cast<uint32_t>(a) <= static_cast<uint32_t>(b) ? a : b;
    };
    const auto later = [](int32_t a, int32_t b) {
      return static_cast<uint32_t>(a) >= static_cast<uint32_t>(b) ? a : b;
    };
    start = earlier(extents_.oldestFile, extents_.oldestFolder);
    end = later(extents_.newestFile, extents_.newestFolder);
  }
  QDateTime from = FromDos(start);
  QDateTime to = FromDos(end);
  if (!from.isValid() || !to.isValid()) from = to = FromDos(DosNow());
  txtSearchStartDate->setDate(from.date());
  txtSearchStartTime->setTime(from.time());
  txtSearchEndDate->setDate(to.date());
  txtSearchEndTime->setTime(to.time());
}

void TfrmFileSearch::cmdSearchDateAllClick() {
  SetDateRange();
}

void TfrmFileSearch::SearchPastDays(int days) {
  const QDateTime now = FromDos(DosNow());
  const QDateTime from = now.addDays(-days);
  txtSearchStartDate->setDate(from.date());
  txtSearchStartTime->setTime(from.time());
  txtSearchEndDate->setDate(now.date());
  txtSearchEndTime->setTime(now.time());
}

// ---------------------------------------------------------------- 検索

void TfrmFileSearch::Refuse(const QString& text, bool error) {
  prompter_.Message(text, error ? PromptIcon::Error : PromptIcon::Information, PromptButtons::Ok);
}

void TfrmFileSearch::cmdSearchClick() {
  try {
    settings_.SetString(REG_SearchInfoCommentStr, txtCommentSelect->text());
  } catch (const std::runtime_error& e) {
    Refuse(ErrorMessage(e), true);
  }
  SearchConditions c;
  c.nameEnabled = chkModeName->isChecked();
  if (c.nameEnabled) {
    const QString pattern = txtSearchName->text();
    if (pattern.isEmpty()) return Refuse(QStringLiteral("検索するﾌｧｲﾙ(ﾌｫﾙﾀﾞ)名が不明です"), false);
    c.namePartial = chkSearchNamePart->isChecked();
    if (c.namePartial && (pattern.contains(u'*') || pattern.contains(u'?')))
      return Refuse(QStringLiteral("部分一致検索にワイルドカードの指定は出来ません"), false);
    SetNamePatterns(c, pattern.toStdString(),
                    c.namePartial ? txtSearchName2->text().toStdString() : std::string());
    c.nameCombineAnd = cmbAnd->currentIndex() == 1;
    c.nameCaseSensitive = chkSearchName->isChecked();
  }
  c.sizeEnabled = chkModeSize->isChecked();
  if (c.sizeEnabled && !ReadSizeBounds(c)) return;
  c.dateEnabled = chkModeDateTime->isChecked();
  if (c.dateEnabled) {
    c.dateFrom =
        static_cast<uint32_t>(ToDos(txtSearchStartDate->date(), txtSearchStartTime->time()));
    c.dateTo = static_cast<uint32_t>(ToDos(txtSearchEndDate->date(), txtSearchEndTime->time()));
  }
  c.commentEnabled = chkModeComment->isChecked();
  if (c.commentEnabled) {
    c.commentCombineAnd = cmbCommentAndOr->currentIndex() == 1;
    c.commentCaseSensitive = chkSearchComment->isChecked();
    c.commentSubstring = rdoCommentSelect->isChecked();
    c.commentPattern = text::QStringToCp932(txtCommentSelect->text());
    if (!c.commentCaseSensitive) c.commentPattern = text::AnsiLower(c.commentPattern);
    if (c.commentSubstring && c.commentPattern.empty())
      return Refuse(QStringLiteral("検索するｺﾒﾝﾄ文字列が不明です"), false);
  }
  c.markEnabled = chkSearchMark->isChecked();
  c.foldersOnly = chkSearchFolderOnly->isChecked();
  c.includeFolders = chkSearchFolder->isChecked();
  if (!c.nameEnabled && !c.sizeEnabled && !c.dateEnabled && !c.commentEnabled && !c.markEnabled &&
      !c.foldersOnly && !c.includeFolders)
    return Refuse(QStringLiteral("検索条件が指定されていません"), true);

  std::vector<int> media = CheckedMedia();
  if (media.empty()) return Refuse(QStringLiteral("検索対象メディアが指定されていません"), true);

  conditions_ = c;
  mediaList_ = std::move(media);
  catalog_.SetCategoryFilter(text::QStringToCp932(TabFilterText()));
  accept();
}

void TfrmFileSearch::cmdCancelClick() {
  reject();
}

}  // namespace plomix
