#include "ui/DateTimePage.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTableView>
#include <QVBoxLayout>

#include "core/DateDistribution.h"
#include "ui/DateTimeGridModel.h"

namespace plomix {

namespace {

QRadioButton* AddRadio(QGroupBox* box, QButtonGroup* group, const char* name, const QString& text,
                       int value) {
  auto* button = new QRadioButton(text, box);
  button->setObjectName(QString::fromLatin1(name));
  group->addButton(button, value);
  box->layout()->addWidget(button);
  return button;
}

}  // namespace

DateTimePage::DateTimePage(Catalog& catalog, QWidget* parent)
    : QWidget(parent), catalog_(catalog), distribution_(std::make_unique<DateDistribution>()) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  auto* groups = new QHBoxLayout;
  auto* dateBox = new QGroupBox(QStringLiteral("日付の間隔"), this);
  dateBox->setLayout(new QHBoxLayout);
  dateGroup_ = new QButtonGroup(this);
  rdoDate1 = AddRadio(dateBox, dateGroup_, "rdoDate1", QStringLiteral("1ヶ月"), 1);
  rdoDate2 = AddRadio(dateBox, dateGroup_, "rdoDate2", QStringLiteral("2ヶ月"), 2);
  rdoDate3 = AddRadio(dateBox, dateGroup_, "rdoDate3", QStringLiteral("3ヶ月"), 3);
  rdoDate4 = AddRadio(dateBox, dateGroup_, "rdoDate4", QStringLiteral("4ヶ月"), 4);
  rdoDate6 = AddRadio(dateBox, dateGroup_, "rdoDate6", QStringLiteral("6ヶ月"), 6);
  rdoDate12 = AddRadio(dateBox, dateGroup_, "rdoDate12", QStringLiteral("1年"), 12);
  auto* timeBox = new QGroupBox(QStringLiteral("時間の間隔"), this);
  timeBox->setLayout(new QHBoxLayout);
  timeGroup_ = new QButtonGroup(this);
  rdoTime1 = AddRadio(timeBox, timeGroup_, "rdoTime1", QStringLiteral("1時間"), 1);
  rdoTime2 = AddRadio(timeBox, timeGroup_, "rdoTime2", QStringLiteral("2時間"), 2);
  rdoTime3 = AddRadio(timeBox, timeGroup_, "rdoTime3", QStringLiteral("3時間"), 3);
  rdoTime4 = AddRadio(timeBox, timeGroup_, "rdoTime4", QStringLiteral("4時間"), 4);
  rdoTime6 = AddRadio(timeBox, timeGroup_, "rdoTime6", QStringLiteral("6時間"), 6);
  rdoTime8 = AddRadio(timeBox, timeGroup_, "rdoTime8", QStringLiteral("8時間"), 8);
  rdoTime12 = AddRadio(timeBox, timeGroup_, "rdoTime12", QStringLiteral("12時間"), 12);
  rdoTime24 = AddRadio(timeBox, timeGroup_, "rdoTime24", QStringLiteral("24時間"), 24);
  rdoDate12->setChecked(true);
  rdoTime3->setChecked(true);
  groups->addWidget(dateBox);
  groups->addWidget(timeBox);
  groups->addStretch(1);
  layout->addLayout(groups);

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

  connect(dateGroup_, &QButtonGroup::idClicked, this, &DateTimePage::SetMonthInterval);
  connect(timeGroup_, &QButtonGroup::idClicked, this, &DateTimePage::SetHourInterval);
  ShowTable();
}

DateTimePage::~DateTimePage() = default;

bool DateTimePage::ShowDistribution(int32_t key) {
  if (!distribution_->Count(catalog_, key)) return false;
  ShowTable();
  return true;
}

void DateTimePage::SetMonthInterval(int months) {
  if (!DateDistribution::IsMonthInterval(months)) return;
  if (QAbstractButton* button = dateGroup_->button(months)) {
    const QSignalBlocker block(dateGroup_);
    button->setChecked(true);
  }
  if (months == months_) return;
  months_ = months;
  Redraw();
}

void DateTimePage::SetHourInterval(int hours) {
  if (!DateDistribution::IsHourInterval(hours)) return;
  if (QAbstractButton* button = timeGroup_->button(hours)) {
    const QSignalBlocker block(timeGroup_);
    button->setChecked(true);
  }
  if (hours == hours_) return;
  hours_ = hours;
  Redraw();
}

void DateTimePage::Redraw() {
  // The last node is counted afresh, as the catalogue may have changed since;
  // when it has no stamps any more the kept counts are laid out anew.
  if (distribution_->HasCounts()) distribution_->Count(catalog_, distribution_->LastKey());
  ShowTable();
}

void DateTimePage::ShowTable() {
  model_->SetTable(distribution_->Table(months_, hours_));
  StringGridDateTime->verticalHeader()->setFixedWidth(months_ == 1 ? 50 : 70);
  StringGridDateTime->horizontalHeader()->setDefaultSectionSize(hours_ == 1 ? 35 : 40);
}

}  // namespace plomix
