#include "ui/DatePage.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTableView>
#include <QVBoxLayout>

#include "core/DateDistribution.h"
#include "ui/DateTimeGridModel.h"
#include "ui/Session.h"

namespace plomix {

namespace {

// Radio buttons in rows of `columns`, so that the groups stay narrow.
QRadioButton* AddRadio(QGroupBox* box, QButtonGroup* group, int columns, const char* name,
                       const QString& text, int value) {
  auto* button = new QRadioButton(text, box);
  button->setObjectName(QString::fromLatin1(name));
  auto* grid = static_cast<QGridLayout*>(box->layout());
  const int n = static_cast<int>(group->buttons().size());
  grid->addWidget(button, n / columns, n % columns);
  group->addButton(button, value);
  return button;
}

}  // namespace

DatePage::DatePage(Session& session, QWidget* parent)
    : Page(parent), session_(session), distribution_(std::make_unique<DateDistribution>()) {
  setObjectName(QStringLiteral("TabSheet5"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  auto* top = new QWidget(this);
  top->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  auto* groups = new QHBoxLayout(top);
  groups->setContentsMargins(0, 0, 0, 0);
  auto* dateBox = new QGroupBox(QStringLiteral("日付の間隔"), top);
  dateBox->setLayout(new QGridLayout);
  dateGroup_ = new QButtonGroup(this);
  rdoDate1 = AddRadio(dateBox, dateGroup_, 3, "rdoDate1", QStringLiteral("1ヶ月"), 1);
  rdoDate2 = AddRadio(dateBox, dateGroup_, 3, "rdoDate2", QStringLiteral("2ヶ月"), 2);
  rdoDate3 = AddRadio(dateBox, dateGroup_, 3, "rdoDate3", QStringLiteral("3ヶ月"), 3);
  rdoDate4 = AddRadio(dateBox, dateGroup_, 3, "rdoDate4", QStringLiteral("4ヶ月"), 4);
  rdoDate6 = AddRadio(dateBox, dateGroup_, 3, "rdoDate6", QStringLiteral("6ヶ月"), 6);
  rdoDate12 = AddRadio(dateBox, dateGroup_, 3, "rdoDate12", QStringLiteral("1年"), 12);
  auto* timeBox = new QGroupBox(QStringLiteral("時間の間隔"), top);
  timeBox->setLayout(new QGridLayout);
  timeGroup_ = new QButtonGroup(this);
  rdoTime1 = AddRadio(timeBox, timeGroup_, 4, "rdoTime1", QStringLiteral("1時間"), 1);
  rdoTime2 = AddRadio(timeBox, timeGroup_, 4, "rdoTime2", QStringLiteral("2時間"), 2);
  rdoTime3 = AddRadio(timeBox, timeGroup_, 4, "rdoTime3", QStringLiteral("3時間"), 3);
  rdoTime4 = AddRadio(timeBox, timeGroup_, 4, "rdoTime4", QStringLiteral("4時間"), 4);
  rdoTime6 = AddRadio(timeBox, timeGroup_, 4, "rdoTime6", QStringLiteral("6時間"), 6);
  rdoTime8 = AddRadio(timeBox, timeGroup_, 4, "rdoTime8", QStringLiteral("8時間"), 8);
  rdoTime12 = AddRadio(timeBox, timeGroup_, 4, "rdoTime12", QStringLiteral("12時間"), 12);
  rdoTime24 = AddRadio(timeBox, timeGroup_, 4, "rdoTime24", QStringLiteral("24時間"), 24);
  rdoDate12->setChecked(true);
  rdoTime3->setChecked(true);
  groups->addWidget(dateBox);
  groups->addWidget(timeBox);
  groups->addStretch(1);
  layout->addWidget(top);

  model_ = new DateTimeGridModel(this);
  StringGridDateTime = new QTableView(this);
  StringGridDateTime->setObjectName(QStringLiteral("StringGridDateTime"));
  StringGridDateTime->setModel(model_);
  StringGridDateTime->setSelectionBehavior(QAbstractItemView::SelectRows);
  StringGridDateTime->setEditTriggers(QAbstractItemView::NoEditTriggers);
  StringGridDateTime->setAccessibleName(QStringLiteral("更新日時"));
  QHeaderView* rows = StringGridDateTime->verticalHeader();
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setMinimumSectionSize(16);
  rows->setDefaultSectionSize(16);
  StringGridDateTime->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  QPalette palette = StringGridDateTime->palette();
  palette.setColor(QPalette::HighlightedText, QColor(0xC0, 0xC0, 0xC0));
  StringGridDateTime->setPalette(palette);
  layout->addWidget(StringGridDateTime, 1);

  connect(dateGroup_, &QButtonGroup::idClicked, this, &DatePage::SetMonthInterval);
  connect(timeGroup_, &QButtonGroup::idClicked, this, &DatePage::SetHourInterval);
  ShowTable();
}

DatePage::~DatePage() = default;

bool DatePage::ShowDistribution(int32_t key) {
  if (!distribution_->Count(session_.GetCatalog(), key)) return false;
  ShowTable();
  return true;
}

void DatePage::SetMonthInterval(int months) {
  if (!DateDistribution::IsMonthInterval(months)) return;
  if (QAbstractButton* button = dateGroup_->button(months)) {
    const QSignalBlocker block(dateGroup_);
    button->setChecked(true);
  }
  if (months == months_) return;
  months_ = months;
  Redraw();
}

void DatePage::SetHourInterval(int hours) {
  if (!DateDistribution::IsHourInterval(hours)) return;
  if (QAbstractButton* button = timeGroup_->button(hours)) {
    const QSignalBlocker block(timeGroup_);
    button->setChecked(true);
  }
  if (hours == hours_) return;
  hours_ = hours;
  Redraw();
}

void DatePage::Redraw() {
  // The last node is counted afresh, as the catalogue may have changed since;
  // when it has no stamps any more the kept counts are laid out anew.
  if (distribution_->HasCounts())
    distribution_->Count(session_.GetCatalog(), distribution_->LastKey());
  ShowTable();
}

void DatePage::ShowTable() {
  model_->SetTable(distribution_->Table(months_, hours_));
  StringGridDateTime->verticalHeader()->setFixedWidth(months_ == 1 ? 50 : 70);
  StringGridDateTime->horizontalHeader()->setDefaultSectionSize(hours_ == 1 ? 35 : 40);
}

}  // namespace plomix
