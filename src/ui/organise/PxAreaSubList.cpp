#include "ui/organise/PxAreaSubList.h"

#include <QBoxLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTabBar>
#include <QToolButton>
#include <QTreeWidget>

#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "ui/PageSupport.h"
#include "ui/Session.h"
#include "ui/widgets/WaitCursor.h"

namespace plomix {

namespace {
const QString kAll = QStringLiteral("すべて");
constexpr int kDetailColumn = 2;
}  // namespace

TfrmAreaSubList::TfrmAreaSubList(Session& session, QWidget* parent)
    : QDialog(parent), session_(session) {
  setObjectName(QStringLiteral("TfrmAreaSubList"));
  setWindowTitle(QStringLiteral("保管場所詳細一覧"));
  BuildWindow();
  txtPrefix->setText(session_.GetSettings().GetString(REG_PrefixAreaSub));
  QStringList tabs{kAll};
  for (const std::string& name : session_.GetCatalog().ExactTextList(SlotText::Location))
    tabs << QString::fromStdString(name);
  SetTabs(TabControl1, tabs);
  FillList();
  UpdateExample();
}

bool TfrmAreaSubList::Run(Session& session, QWidget* parent) {
  TfrmAreaSubList dialog(session, parent);
  return dialog.exec() == QDialog::Accepted && dialog.Changed();
}

void TfrmAreaSubList::BuildWindow() {
  resize(760, 520);
  auto* layout = new QVBoxLayout(this);
  TabControl1 = new QTabBar(this);
  TabControl1->setObjectName(QStringLiteral("TabControl1"));
  TabControl1->setUsesScrollButtons(true);
  layout->addWidget(TabControl1);
  auto* listRow = new QHBoxLayout;
  ListView2 = new QTreeWidget(this);
  ListView2->setObjectName(QStringLiteral("ListView2"));
  ListView2->setRootIsDecorated(false);
  ListView2->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListView2->setHeaderLabels({QStringLiteral("名前"), QStringLiteral("新保管詳細"),
                              QStringLiteral("保管詳細"), QStringLiteral("登録日時"),
                              QStringLiteral("メディア種類")});
  ListView2->setColumnWidth(0, 180);
  auto* spin = new QVBoxLayout;
  SpinButton1Up = new QToolButton(this);
  SpinButton1Up->setObjectName(QStringLiteral("SpinButton1Up"));
  SpinButton1Up->setArrowType(Qt::UpArrow);
  SpinButton1Down = new QToolButton(this);
  SpinButton1Down->setObjectName(QStringLiteral("SpinButton1Down"));
  SpinButton1Down->setArrowType(Qt::DownArrow);
  for (QToolButton* b : {SpinButton1Up, SpinButton1Down})
    b->setToolTip(QStringLiteral("選択された行を上下に移動"));
  spin->addStretch(1);
  spin->addWidget(SpinButton1Up);
  spin->addWidget(SpinButton1Down);
  spin->addStretch(1);
  listRow->addWidget(ListView2, 1);
  listRow->addLayout(spin);
  layout->addLayout(listRow, 1);

  auto* group = new QGroupBox(QStringLiteral("【新しい保管場所詳細の名称】"), this);
  auto* groupLayout = new QHBoxLayout(group);
  txtPrefix = new QLineEdit(group);
  txtPrefix->setObjectName(QStringLiteral("txtPrefix"));
  txtPrefix->setMaxLength(9);
  txtNo = new QLineEdit(QStringLiteral("001"), group);
  txtNo->setObjectName(QStringLiteral("txtNo"));
  txtNo->setMaxLength(5);
  txtNo->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), txtNo));
  lblExample = new QLabel(group);
  lblExample->setObjectName(QStringLiteral("lblExample"));
  cmdSetName = NamedButton(group, "cmdSetName", QStringLiteral("保管詳細名称を設定"));
  cmdSetName->setToolTip(QStringLiteral("チェックされた行に保管詳細名称を設定"));
  groupLayout->addWidget(new QLabel(QStringLiteral("プリフィックス名"), group));
  groupLayout->addWidget(txtPrefix);
  groupLayout->addWidget(new QLabel(QStringLiteral("+連番"), group));
  groupLayout->addWidget(txtNo);
  groupLayout->addWidget(lblExample, 1);
  groupLayout->addWidget(cmdSetName);
  layout->addWidget(group);

  auto* buttons = new QHBoxLayout;
  cmdAllOn = NamedButton(this, "cmdAllOn", QStringLiteral("全てON"));
  cmdAllOff = NamedButton(this, "cmdAllOff", QStringLiteral("全てOFF"));
  cmdClose = NamedButton(this, "cmdClose", QStringLiteral("更新"));
  cmdCancel = NamedButton(this, "cmdCancel", QStringLiteral("キャンセル"));
  buttons->addWidget(cmdAllOn);
  buttons->addWidget(cmdAllOff);
  buttons->addStretch(1);
  buttons->addWidget(cmdClose);
  buttons->addWidget(cmdCancel);
  layout->addLayout(buttons);

  connect(TabControl1, &QTabBar::currentChanged, this, [this] { FillList(); });
  connect(txtPrefix, &QLineEdit::textChanged, this, [this] { UpdateExample(); });
  connect(txtNo, &QLineEdit::textChanged, this, [this] { UpdateExample(); });
  connect(SpinButton1Up, &QToolButton::clicked, this, &TfrmAreaSubList::SpinButton1UpClick);
  connect(SpinButton1Down, &QToolButton::clicked, this, &TfrmAreaSubList::SpinButton1DownClick);
  connect(cmdSetName, &QPushButton::clicked, this, &TfrmAreaSubList::cmdSetNameClick);
  connect(cmdAllOn, &QPushButton::clicked, this, [this] { SetAllChecks(true); });
  connect(cmdAllOff, &QPushButton::clicked, this, [this] { SetAllChecks(false); });
  connect(cmdClose, &QPushButton::clicked, this, &TfrmAreaSubList::cmdCloseClick);
  connect(cmdCancel, &QPushButton::clicked, this, &TfrmAreaSubList::reject);
  connect(ListView2->header(), &QHeaderView::sectionClicked, this,
          [this](int c) { sorter_.Click(ListView2, session_.Images(), c); });
}

void TfrmAreaSubList::FillList() {
  WaitCursor wait;
  const QString tab = TabControl1->tabText(TabControl1->currentIndex());
  const Catalog& catalog = session_.GetCatalog();
  lists_.BuildDivListText(catalog, 1, DivMode::Location,
                          tab == kAll ? std::string() : tab.toStdString());
  const std::string format =
      text::QStringToCp932(session_.GetSettings().GetString(REG_FormatUpdateDateTime));
  ListView2->clear();
  for (const TRecordDiv& div : lists_.List(1)) {
    // The location beside the detail tells which shelf a number belongs to.
    AddMediaRow(
        ListView2, session_.Images(), div,
        {QString::fromStdString(catalog.ExactSlotText(div.MediaNo, SlotText::Name)),
         QString::fromStdString(catalog.ExactSlotText(div.MediaNo, SlotText::Location)),
         QString::fromStdString(catalog.ExactSlotText(div.MediaNo, SlotText::LocationDetail)),
         div.FileDate == 0 ? QString() : text::Cp932ToQString(FormatDateTime(format, div.FileDate)),
         MediaTypeText(div.Kind)},
        true);
  }
  sorter_.Reset(ListView2);
}

void TfrmAreaSubList::UpdateExample() {
  lblExample->setText(QStringLiteral("例：") + txtPrefix->text() + txtNo->text());
}

void TfrmAreaSubList::SetAllChecks(bool on) {
  for (int i = 0; i < ListView2->topLevelItemCount(); ++i)
    ListView2->topLevelItem(i)->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
}

void TfrmAreaSubList::SpinButton1UpClick() {
  int lowest = -1;
  for (int i = 0; i < ListView2->topLevelItemCount(); ++i)
    if (ListView2->topLevelItem(i)->isSelected()) lowest = i;
  if (lowest <= 0) return;
  QTreeWidgetItem* item = ListView2->takeTopLevelItem(lowest);
  ListView2->insertTopLevelItem(lowest - 1, item);
  ListView2->setCurrentItem(item);
  item->setSelected(true);
}

void TfrmAreaSubList::SpinButton1DownClick() {
  int topmost = -1;
  for (int i = ListView2->topLevelItemCount() - 1; i >= 0; --i)
    if (ListView2->topLevelItem(i)->isSelected()) topmost = i;
  if (topmost < 0 || topmost >= ListView2->topLevelItemCount() - 1) return;
  QTreeWidgetItem* item = ListView2->takeTopLevelItem(topmost);
  ListView2->insertTopLevelItem(topmost + 1, item);
  ListView2->setCurrentItem(item);
  item->setSelected(true);
}

void TfrmAreaSubList::cmdSetNameClick() {
  std::vector<QTreeWidgetItem*> checked;
  for (int i = 0; i < ListView2->topLevelItemCount(); ++i)
    if (ListView2->topLevelItem(i)->checkState(0) == Qt::Checked)
      checked.push_back(ListView2->topLevelItem(i));
  // The prefix as typed (UTF-8): what CP932 cannot hold is kept exactly.
  const auto names = NumberDetails(txtPrefix->text().toStdString(), txtNo->text().toStdString(),
                                   static_cast<int>(checked.size()));
  if (!names) {
    session_.Ask().Message(QStringLiteral("連番の開始番号が未入力です。"), PromptIcon::Warning,
                           PromptButtons::Ok);
    txtNo->setFocus();
    return;
  }
  // A detail too long for its field is cut after a whole character; the
  // user is asked once, shown the first that would be cut.
  for (const std::string& name : *names) {
    if (!FitToField(name, TMediaSlot::kLocationDetailCap).cut) continue;
    if (!FitForField(session_.Ask(), QString::fromStdString(name), TMediaSlot::kLocationDetailCap))
      return;
    break;
  }
  Catalog& catalog = session_.GetCatalog();
  for (std::size_t i = 0; i < checked.size(); ++i) {
    const int slot = RowSlot(checked[i]);
    SetLocationDetailText(catalog, slot, (*names)[i]);
    // The row shows what the slot now holds (cut to the field).
    checked[i]->setText(kDetailColumn, QString::fromStdString(
                                           catalog.ExactSlotText(slot, SlotText::LocationDetail)));
  }
  if (!checked.empty()) changed_ = true;
}

void TfrmAreaSubList::cmdCloseClick() {
  const bool written = Safely(session_.Ask(), [&] {
    session_.GetSettings().SetString(REG_PrefixAreaSub, txtPrefix->text());
    session_.GetCatalog().WriteSlotTable();
  });
  if (written) done(QDialog::Accepted);
}

void TfrmAreaSubList::reject() {
  if (!DiscardSlotEdits(session_, changed_)) return;
  changed_ = false;
  done(QDialog::Rejected);
}

}  // namespace plomix
