#include "ui/organise/PxDivision.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabBar>
#include <QTreeWidget>

#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "ui/ImageList.h"
#include "ui/PageSupport.h"
#include "ui/PropertySheet.h"
#include "ui/Session.h"
#include "ui/charts/PieChart.h"
#include "ui/widgets/WaitCursor.h"

namespace plomix {

namespace {

struct ModeLook {
  const char* caption;
  const char* addButton;
  QColor heading;
  QColor font;
  const char* column1;
};

ModeLook LookOf(DivMode mode) {
  if (mode == DivMode::Category)
    return {"メディアの分類変更", "新規分類の追加", QColor(0x00, 0xFF, 0x00),
            QColor(0x00, 0x80, 0x00), "保管場所"};
  return {"メディアの保管場所変更", "保管場所の追加", QColor(0x00, 0xFF, 0xFF),
          QColor(0x00, 0x00, 0xFF), "メディア分類"};
}

const QString kAll = QStringLiteral("すべて");

QString DateText(Session& session, int32_t date) {
  return date == 0
             ? QString()
             : text::Cp932ToQString(FormatDateTime(
                   text::QStringToCp932(session.GetSettings().GetString(REG_FormatUpdateDateTime)),
                   date));
}

QString Plain(double value) {
  return QString::fromStdString(FormatNumber(value));
}

}  // namespace

TfrmDivision::TfrmDivision(Session& session, DivMode mode, QWidget* parent)
    : QDialog(parent), session_(session), mode_(mode) {
  setObjectName(QStringLiteral("TfrmDivision"));
  BuildWindow();
  {
    const QSignalBlocker quiet(TabControl3);
    TabControl3->setCurrentIndex(mode == DivMode::Category ? 0 : 1);
  }
  ApplyMode();
}

bool TfrmDivision::Run(Session& session, DivMode mode, QWidget* parent) {
  TfrmDivision dialog(session, mode, parent);
  dialog.exec();
  return dialog.MediaMoved();
}

void TfrmDivision::BuildWindow() {
  resize(980, 620);
  auto* layout = new QVBoxLayout(this);
  TabControl3 = new QTabBar(this);
  TabControl3->setObjectName(QStringLiteral("TabControl3"));
  TabControl3->addTab(QStringLiteral("メディア分類変更"));
  TabControl3->addTab(QStringLiteral("メディア保管場所変更"));
  layout->addWidget(TabControl3);

  auto makeList = [this](const char* name) {
    auto* list = new QTreeWidget(this);
    list->setObjectName(QString::fromLatin1(name));
    list->setRootIsDecorated(false);
    list->setColumnCount(5);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->header()->setSectionsClickable(true);
    list->setColumnWidth(0, 150);
    return list;
  };
  auto makeHeading = [this](const char* name) {
    auto* label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(name));
    label->setMargin(3);
    return label;
  };

  auto* panes = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  pnlBefore = makeHeading("pnlBefore");
  TabControl1 = new QTabBar(this);
  TabControl1->setObjectName(QStringLiteral("TabControl1"));
  TabControl1->setUsesScrollButtons(true);
  ListView1 = makeList("ListView1");
  auto* checks = new QHBoxLayout;
  cmdAllOn = NamedButton(this, "cmdAllOn", QStringLiteral("全てON"));
  cmdAllOff = NamedButton(this, "cmdAllOff", QStringLiteral("全てOFF"));
  checks->addWidget(cmdAllOn);
  checks->addWidget(cmdAllOff);
  checks->addStretch(1);
  left->addWidget(pnlBefore);
  left->addWidget(TabControl1);
  left->addWidget(ListView1, 1);
  left->addLayout(checks);

  auto* middle = new QVBoxLayout;
  cmdMove = NamedButton(this, "cmdMove", QStringLiteral(">"));
  cmdMoveAll = NamedButton(this, "cmdMoveAll", QStringLiteral(">>"));
  for (QPushButton* b : {cmdMove, cmdMoveAll}) b->setFixedWidth(40);
  middle->addStretch(1);
  middle->addWidget(cmdMove);
  middle->addWidget(cmdMoveAll);
  middle->addStretch(1);

  auto* right = new QVBoxLayout;
  pnlAfter = makeHeading("pnlAfter");
  TabControl2 = new QTabBar(this);
  TabControl2->setObjectName(QStringLiteral("TabControl2"));
  TabControl2->setUsesScrollButtons(true);
  ListView2 = makeList("ListView2");
  auto* addRow = new QHBoxLayout;
  txtNewDivision = new QLineEdit(this);
  txtNewDivision->setObjectName(QStringLiteral("txtNewDivision"));
  txtNewDivision->setMaxLength(26);
  cmdAddNew = NamedButton(this, "cmdAddNew", QString());
  addRow->addWidget(txtNewDivision, 1);
  addRow->addWidget(cmdAddNew);
  auto* areaRow = new QHBoxLayout;
  lblAreaSub = new QLabel(QStringLiteral("保管場所の詳細："), this);
  lblAreaSub->setObjectName(QStringLiteral("lblAreaSub"));
  txtAreaSub = new QLineEdit(this);
  txtAreaSub->setObjectName(QStringLiteral("txtAreaSub"));
  txtAreaSub->setMaxLength(10);
  cmdAreaSub = NamedButton(this, "cmdAreaSub", QStringLiteral("更新"));
  areaRow->addWidget(lblAreaSub);
  areaRow->addWidget(txtAreaSub, 1);
  areaRow->addWidget(cmdAreaSub);
  right->addWidget(pnlAfter);
  right->addWidget(TabControl2);
  right->addWidget(ListView2, 1);
  right->addLayout(addRow);
  right->addLayout(areaRow);

  auto* props = new QVBoxLayout;
  lblChartTitle = new QLabel(this);
  lblChartTitle->setObjectName(QStringLiteral("lblChartTitle"));
  Chart1 = new PieChart(this);
  Chart1->setObjectName(QStringLiteral("Chart1"));
  Chart1->SetThreeD(true);
  Chart1->SetMarkStyle(PieChart::MarkStyle::Percent);
  Chart1->setFixedHeight(150);
  ListView3 = new QTreeWidget(this);
  ListView3->setObjectName(QStringLiteral("ListView3"));
  ListView3->setColumnCount(2);
  ListView3->setHeaderLabels({QStringLiteral("項目"), QStringLiteral("内容")});
  ListView3->setRootIsDecorated(false);
  ListView3->setColumnWidth(0, 150);
  props->addWidget(lblChartTitle);
  props->addWidget(Chart1);
  props->addWidget(ListView3, 1);
  auto* propsBox = new QWidget(this);
  propsBox->setLayout(props);
  propsBox->setFixedWidth(300);

  panes->addLayout(left, 1);
  panes->addLayout(middle);
  panes->addLayout(right, 1);
  panes->addWidget(propsBox);
  layout->addLayout(panes, 1);

  auto* buttons = new QHBoxLayout;
  cmdClose = NamedButton(this, "cmdClose", QStringLiteral("更新"));
  cmdCancel = NamedButton(this, "cmdCancel", QStringLiteral("キャンセル"));
  buttons->addStretch(1);
  buttons->addWidget(cmdClose);
  buttons->addWidget(cmdCancel);
  layout->addLayout(buttons);

  connect(TabControl3, &QTabBar::currentChanged, this, &TfrmDivision::TabControl3Change);
  connect(TabControl1, &QTabBar::currentChanged, this, [this] { FillLists(); });
  connect(TabControl2, &QTabBar::currentChanged, this, [this] {
    ClearAreaSub();
    FillLists();
  });
  connect(ListView1, &QTreeWidget::itemChanged, this, [this] { UpdateState(); });
  connect(cmdAllOn, &QPushButton::clicked, this, [this] {
    const QSignalBlocker quiet(ListView1);
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
      ListView1->topLevelItem(i)->setCheckState(0, Qt::Checked);
    UpdateState();
  });
  connect(cmdAllOff, &QPushButton::clicked, this, [this] {
    const QSignalBlocker quiet(ListView1);
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
      ListView1->topLevelItem(i)->setCheckState(0, Qt::Unchecked);
    UpdateState();
  });
  connect(cmdMove, &QPushButton::clicked, this, &TfrmDivision::cmdMoveClick);
  connect(cmdMoveAll, &QPushButton::clicked, this, &TfrmDivision::cmdMoveAllClick);
  connect(cmdAddNew, &QPushButton::clicked, this, &TfrmDivision::cmdAddNewClick);
  connect(txtNewDivision, &QLineEdit::returnPressed, this, &TfrmDivision::cmdAddNewClick);
  connect(cmdAreaSub, &QPushButton::clicked, this, &TfrmDivision::cmdAreaSubClick);
  connect(cmdClose, &QPushButton::clicked, this, &TfrmDivision::cmdCloseClick);
  connect(cmdCancel, &QPushButton::clicked, this, &TfrmDivision::reject);
  connect(ListView1, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (item) ShowMediaProperties(RowSlot(item), true);
  });
  connect(ListView2, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (!item) return;
    ShowMediaProperties(RowSlot(item), false);
    if (mode_ != DivMode::Location) return;
    areaSubSlot_ = RowSlot(item);
    txtAreaSub->setText(QString::fromStdString(
        session_.GetCatalog().ExactSlotText(areaSubSlot_, SlotText::LocationDetail)));
    cmdAreaSub->setEnabled(true);
  });
  connect(ListView1->header(), &QHeaderView::sectionClicked, this,
          [this](int c) { sort1_.Click(ListView1, session_.Images(), c); });
  connect(ListView2->header(), &QHeaderView::sectionClicked, this,
          [this](int c) { sort2_.Click(ListView2, session_.Images(), c); });
}

QString TfrmDivision::LeftTab() const {
  return TabControl1->tabText(TabControl1->currentIndex());
}
QString TfrmDivision::RightTab() const {
  return TabControl2->count() == 0 ? QString() : TabControl2->tabText(TabControl2->currentIndex());
}

void TfrmDivision::TabControl3Change(int index) {
  mode_ = index == 0 ? DivMode::Category : DivMode::Location;
  ApplyMode();
}

void TfrmDivision::ApplyMode() {
  const ModeLook look = LookOf(mode_);
  setWindowTitle(QString::fromUtf8(look.caption));
  cmdAddNew->setText(QString::fromUtf8(look.addButton));
  const QString heading =
      QStringLiteral("background-color: %1; font-weight: bold;").arg(look.heading.name());
  pnlBefore->setStyleSheet(heading);
  pnlAfter->setStyleSheet(heading);
  const QString font = QStringLiteral("QTreeWidget { color: %1; }").arg(look.font.name());
  ListView1->setStyleSheet(font);
  ListView2->setStyleSheet(font);
  const QStringList columns{QStringLiteral("名前"), QString::fromUtf8(look.column1),
                            QStringLiteral("保管詳細"), QStringLiteral("登録日時"),
                            QStringLiteral("メディア種類")};
  ListView1->setHeaderLabels(columns);
  ListView2->setHeaderLabels(columns);
  const bool location = mode_ == DivMode::Location;
  for (QWidget* w : std::initializer_list<QWidget*>{lblAreaSub, txtAreaSub, cmdAreaSub})
    w->setVisible(location);
  ClearAreaSub();
  RebuildTabs();
  FillLists();
}

void TfrmDivision::RebuildTabs() {
  Catalog& catalog = session_.GetCatalog();
  QStringList named;
  for (const std::string& name :
       catalog.ExactTextList(mode_ == DivMode::Category ? SlotText::Category : SlotText::Location))
    named << QString::fromStdString(name);
  QStringList leftNames{kAll};
  if (mode_ == DivMode::Location) leftNames << text::Cp932ToQString(NoLocationText());
  leftNames << named;
  SetTabs(TabControl1, leftNames);
  SetTabs(TabControl2, named);
  const QSignalBlocker quiet(TabControl1);
  // The filter is kept in CP932: the first tab of that form is the one.
  int filtered = -1;
  for (int i = 0; i < leftNames.size() && filtered < 0; ++i)
    if (text::QStringToCp932(leftNames[i]) == catalog.CategoryFilter()) filtered = i;
  TabControl1->setCurrentIndex(filtered >= 0 && !catalog.CategoryFilter().empty() ? filtered : 0);
}

void TfrmDivision::FillList(QTreeWidget* list, int listing, bool checkable) {
  const QSignalBlocker quiet(list);
  list->clear();
  const Catalog& catalog = session_.GetCatalog();
  const auto shown = [&](int slot, SlotText field) {
    return QString::fromStdString(catalog.ExactSlotText(slot, field));
  };
  for (const TRecordDiv& div : lists_.List(listing)) {
    const QString column1 =
        shown(div.MediaNo, mode_ == DivMode::Category ? SlotText::Location : SlotText::Category);
    AddMediaRow(
        list, session_.Images(), div,
        {shown(div.MediaNo, SlotText::Name), column1, shown(div.MediaNo, SlotText::LocationDetail),
         DateText(session_, div.FileDate), MediaTypeText(div.Kind)},
        checkable);
  }
}

void TfrmDivision::FillLists() {
  WaitCursor wait;
  const Catalog& catalog = session_.GetCatalog();
  const QString left = LeftTab();
  lists_.BuildDivListText(catalog, 0, mode_, left == kAll ? std::string() : left.toStdString());
  if (TabControl2->count() == 0)
    lists_.Clear(1);
  else
    lists_.BuildDivListText(catalog, 1, mode_, RightTab().toStdString());
  FillList(ListView1, 0, true);
  FillList(ListView2, 1, false);
  sort1_.Reset(ListView1);
  sort2_.Reset(ListView2);
  ListView3->clear();
  Chart1->Clear();
  lblChartTitle->clear();
  UpdateState();
}

int TfrmDivision::CheckedCount() const {
  int checked = 0;
  for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
    if (ListView1->topLevelItem(i)->checkState(0) == Qt::Checked) ++checked;
  return checked;
}

void TfrmDivision::UpdateState() {
  const int checked = CheckedCount();
  const int rows = ListView1->topLevelItemCount();
  pnlBefore->setText(QStringLiteral("変更前 [%1] (%2/%3)").arg(LeftTab()).arg(checked).arg(rows));
  const int rightRows = ListView2->topLevelItemCount();
  pnlAfter->setText(rightRows > 0
                        ? QStringLiteral("変更後 [%1] (%2)").arg(RightTab()).arg(rightRows)
                        : QStringLiteral("変更後"));
  const bool possible = TabControl2->count() > 0 && LeftTab() != RightTab();
  cmdMove->setEnabled(possible && checked > 0);
  cmdMoveAll->setEnabled(possible);
  const QString what = mode_ == DivMode::Category ? QStringLiteral("件の分類を移動")
                                                  : QStringLiteral("件の保管場所を移動");
  const QString route = LeftTab() + QStringLiteral(" → ") + RightTab() + '\r';
  cmdMove->setToolTip(route + QString::number(checked) + what);
  cmdMoveAll->setToolTip(route + QString::number(rows) + what);
}

void TfrmDivision::cmdMoveClick() {
  if (TabControl2->count() == 0 || LeftTab() == RightTab()) return;
  Catalog& catalog = session_.GetCatalog();
  std::vector<int> slots;
  for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = ListView1->topLevelItem(i);
    if (item->checkState(0) == Qt::Checked) slots.push_back(RowSlot(item));
  }
  if (slots.empty()) return;
  const std::optional<std::string> name =
      FitForField(session_.Ask(), RightTab(),
                  mode_ == DivMode::Category ? TMediaSlot::kCategoryCap : TMediaSlot::kLocationCap);
  if (!name) return;
  WaitCursor wait;
  const QString left = LeftTab();
  MoveMediaText(catalog, slots, mode_, *name);
  moved_ = true;
  catalog.SetCategoryFilter(left == kAll ? std::string() : text::QStringToCp932(left));
  RebuildTabs();
  FillLists();
}

void TfrmDivision::cmdMoveAllClick() {
  if (TabControl2->count() == 0 || LeftTab() == RightTab()) return;
  {
    const QSignalBlocker quiet(ListView1);
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
      ListView1->topLevelItem(i)->setCheckState(0, Qt::Checked);
  }
  UpdateState();
  cmdMoveClick();
}

void TfrmDivision::cmdAddNewClick() {
  Prompter& ask = session_.Ask();
  const QString name = txtNewDivision->text();
  auto refuse = [&](const QString& message) {
    ask.Message(message, PromptIcon::None, PromptButtons::Ok);
    txtNewDivision->setFocus();
  };
  if (name.isEmpty()) return refuse(QStringLiteral("新規分類の名称が未入力です。"));
  if (name == kAll || name == QStringLiteral("デフォルト"))
    return refuse(name + QStringLiteral("は、新規分類の名称に指定するこは出来ません。"));
  for (int i = 0; i < TabControl2->count(); ++i) {
    if (TabControl2->tabText(i) != name) continue;
    TabControl2->setCurrentIndex(i);
    return refuse(QStringLiteral("指定された名称は既に登録済みです。"));
  }
  txtNewDivision->clear();
  {
    const QSignalBlocker quiet(TabControl2);
    TabControl2->setCurrentIndex(TabControl2->addTab(name));
  }
  ClearAreaSub();
  lists_.Clear(1);
  ListView2->clear();
  txtNewDivision->setFocus();
  UpdateState();
}

void TfrmDivision::ClearAreaSub() {
  areaSubSlot_ = -1;
  txtAreaSub->clear();
  cmdAreaSub->setEnabled(false);
}

void TfrmDivision::cmdAreaSubClick() {
  if (areaSubSlot_ < 0) return;
  Catalog& catalog = session_.GetCatalog();
  const std::optional<std::string> detail =
      FitForField(session_.Ask(), txtAreaSub->text(), TMediaSlot::kLocationDetailCap);
  if (!detail) return;
  SetLocationDetailText(catalog, areaSubSlot_, *detail);
  lists_.BuildDivListText(catalog, 1, mode_, RightTab().toStdString());
  FillList(ListView2, 1, false);
  sort2_.Reset(ListView2);
  ClearAreaSub();
  UpdateState();
}

void TfrmDivision::cmdCloseClick() {
  if (!Safely(session_.Ask(), [&] { session_.GetCatalog().WriteSlotTable(); })) return;
  done(QDialog::Accepted);
}

void TfrmDivision::reject() {
  if (!DiscardSlotEdits(session_, moved_)) return;
  done(QDialog::Rejected);
}

void TfrmDivision::ShowMediaProperties(int slot, bool left) {
  Catalog& catalog = session_.GetCatalog();
  ListView3->clear();
  Chart1->Clear();
  if (slot < 0 || !catalog.Slot(slot).IsLive()) return;
  const TMediaSlot& s = catalog.Slot(slot);
  const TFileRec root = s.Root();
  const TMediaInfomation info = s.Info();
  const double size = root.Size(), allocated = root.Allocated();
  std::vector<PropertyRow> rows{
      {QStringLiteral("ﾒﾃﾞｨｱ名"),
       QString::fromStdString(catalog.ExactSlotText(slot, SlotText::Name))},
      {QStringLiteral("読込みﾄﾞﾗｲﾌﾞ"), text::Cp932ToQString(s.Drive())},
      {QStringLiteral("ﾒﾃﾞｨｱの種類"), text::Cp932ToQString(s.KindName())}};
  if (mode_ == DivMode::Category) {
    rows.push_back({QStringLiteral("ﾒﾃﾞｨｱの保管場所"),
                    QString::fromStdString(catalog.ExactSlotText(slot, SlotText::Location))});
    rows.push_back({QStringLiteral("ﾒﾃﾞｨｱの保管場所詳細"),
                    QString::fromStdString(catalog.ExactSlotText(slot, SlotText::LocationDetail))});
  } else {
    rows.push_back({QStringLiteral("ﾒﾃﾞｨｱの分類"),
                    QString::fromStdString(catalog.ExactSlotText(slot, SlotText::Category))});
  }
  const std::vector<PropertyRow> facts{
      {QStringLiteral("登録日時"), DateText(session_, root.FileDate())},
      {QStringLiteral("ﾒﾃﾞｨｱの空きｻｲｽﾞ"), ByteText(info.FreeSpace)},
      {QStringLiteral("全ﾌｧｲﾙｻｲｽﾞ"), ByteText(size)},
      {QStringLiteral("全ｸﾗｽﾀｷﾞｬｯﾌﾟ"), ByteText(allocated - size)},
      {QStringLiteral("全ﾌｧｲﾙｸﾗｽﾀｻｲｽﾞ"), ByteText(allocated)},
      {QStringLiteral("ｸﾗｽﾀｻｲｽﾞ"), ByteText(info.ClusterSize)},
      {QStringLiteral("全ﾌｫﾙﾀﾞ数"), Plain(root.AllFolders())},
      {QStringLiteral("全ﾌｧｲﾙ数"), Plain(root.AllFiles())},
      {QStringLiteral("ﾎﾞﾘｭｰﾑ名"), text::Cp932ToQString(info.VolumeName)},
      {QStringLiteral("ﾎﾞﾘｭｰﾑｼﾘｱﾙNo"), text::Cp932ToQString(info.VolumeSerial)},
      {QStringLiteral("一番古い更新日時ﾌｧｲﾙ"), DateText(session_, info.OldestFileDate)},
      {QStringLiteral("一番新しい更新日時ﾌｧｲﾙ"), DateText(session_, info.NewestFileDate)},
      {QStringLiteral("一番古い更新日時ﾌｫﾙﾀﾞ"), DateText(session_, info.OldestFolderDate)},
      {QStringLiteral("一番新しい更新日時ﾌｫﾙﾀﾞ"), DateText(session_, info.NewestFolderDate)},
      {QStringLiteral("一番小さいﾌｧｲﾙｻｲｽﾞ"), ByteText(info.SmallestFile)},
      {QStringLiteral("一番大きいﾌｧｲﾙｻｲｽﾞ"), ByteText(info.LargestFile)},
  };
  rows.insert(rows.end(), facts.begin(), facts.end());
  for (const PropertyRow& row : rows)
    new QTreeWidgetItem(ListView3, QStringList{row.item, row.value});
  const QColor modeColour = LookOf(mode_).heading;
  Chart1->AddSlice(QStringLiteral("全ﾌｧｲﾙｻｲｽﾞ"), size, QColor(255, 0, 255));
  Chart1->AddSlice(QStringLiteral("全ｸﾗｽﾀｷﾞｬｯﾌﾟ"), allocated - size, Qt::white);
  Chart1->AddSlice(QStringLiteral("ﾒﾃﾞｨｱの空きｻｲｽﾞ"), info.FreeSpace, QColor(255, 255, 0));
  Chart1->SetBackgroundGradient(true, left ? QColor(Qt::white) : modeColour,
                                left ? modeColour : QColor(Qt::white), PieChart::kRightToLeft);
  lblChartTitle->setText(QString::fromStdString(catalog.ExactSlotText(slot, SlotText::Name)));
  lblChartTitle->setAlignment(left ? Qt::AlignLeft : Qt::AlignRight);
}

}  // namespace plomix
