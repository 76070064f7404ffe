#include "ui/export/PxEnvClipbord.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <stdexcept>

#include "core/Prompter.h"
#include "core/Settings.h"
#include "export/TextExport.h"
#include "ui/ErrorMessage.h"

namespace plomix {

namespace {

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

const char* const kDefaultForms[6] = {
    "ファイル名[シンプル版]", "フルパス名[シンプル版]",      "ファイル名", "フルパス名",
    "フォルダ配下すべて",     "カレントのメディア情報すべて"};

constexpr char kDefaultItems[] = "01000000000000";

// The stored index when it names an item, else the first item.
int IndexOrFirst(int stored, int count) {
  return stored >= 0 && stored < count ? stored : 0;
}

}  // namespace

TfrmEnvClipbord::TfrmEnvClipbord(Settings& settings, Prompter& prompter, QWidget* parent)
    : QDialog(parent), settings_(settings), prompter_(prompter) {
  setObjectName(QStringLiteral("frmEnvClipbord"));
  setWindowTitle(QStringLiteral("環境設定（クリップボード関連）"));
  BuildControls();
}

void TfrmEnvClipbord::BuildControls() {
  cmbPathMark = Named(new QComboBox, "cmbPathMark");
  cmbPathMark->addItems({QStringLiteral("\\"), QStringLiteral("/"), QStringLiteral(", (カンマ)"),
                         QStringLiteral("TAB")});
  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(new QLabel(QStringLiteral("パス名の区切り記号：")));
  pathRow->addWidget(cmbPathMark);
  pathRow->addStretch(1);

  auto* nameGroup = new QGroupBox(QStringLiteral("コピー時の文字列変換形式"));
  auto* nameLayout = new QVBoxLayout(nameGroup);
  rdoNameMode0 = Named(new QRadioButton(QStringLiteral("無変換")), "rdoNameMode0");
  rdoNameMode1 = Named(
      new QRadioButton(QStringLiteral("すべてを小文字に変換（マルチバイト文字セットも含む）")),
      "rdoNameMode1");
  rdoNameMode2 = Named(
      new QRadioButton(QStringLiteral("すべてを大文字に変換（マルチバイト文字セットも含む）")),
      "rdoNameMode2");
  nameLayout->addWidget(rdoNameMode0);
  nameLayout->addWidget(rdoNameMode1);
  nameLayout->addWidget(rdoNameMode2);

  chkTree = Named(
      new QCheckBox(QStringLiteral(
          "「フォルダ配下すべて」、「カレントメディア情報すべて」の出力形式をTree形式にする")),
      "chkTree");
  lblFolderMark = Named(new QLabel(QStringLiteral("フォルダに付加するマーク：")), "lblFolderMark");
  cmdFolderMark = Named(new QComboBox, "cmdFolderMark");
  cmdFolderMark->addItem(QStringLiteral("無し"));
  for (int value = 1; value <= kFolderMarkCount; ++value)
    cmdFolderMark->addItem(QString::fromUtf8(FolderMarkSymbol(value)));
  chkOffsetNo =
      Named(new QCheckBox(QStringLiteral("フォルダ内の通し番号を付与する")), "chkOffsetNo");
  chkTreeNo = Named(new QCheckBox(QStringLiteral("Tree形式を階層番号にて出力する")), "chkTreeNo");
  auto* treeGroup = new QGroupBox;
  auto* treeLayout = new QGridLayout(treeGroup);
  treeLayout->addWidget(chkTree, 0, 0, 1, 3);
  treeLayout->addWidget(lblFolderMark, 1, 1);
  treeLayout->addWidget(cmdFolderMark, 1, 2);
  treeLayout->addWidget(chkOffsetNo, 2, 1, 1, 2);
  treeLayout->addWidget(chkTreeNo, 3, 1, 1, 2);
  treeLayout->setColumnMinimumWidth(0, 16);

  chkFolderOnly = Named(new QCheckBox(QStringLiteral("フォルダ名のみを出力")), "chkFolderOnly");
  chkFileWrite =
      Named(new QCheckBox(QStringLiteral("クリップボード出力では無くファイルへ出力する")),
            "chkFileWrite");
  lblEncoding = Named(new QLabel(QStringLiteral("ファイルの文字コード：")), "lblEncoding");
  cmbEncoding = Named(new QComboBox, "cmbEncoding");
  cmbEncoding->addItems({QStringLiteral("Shift_JIS (CP932)"), QStringLiteral("UTF-8")});
  auto* encodingRow = new QHBoxLayout;
  encodingRow->addSpacing(16);
  encodingRow->addWidget(lblEncoding);
  encodingRow->addWidget(cmbEncoding);
  encodingRow->addStretch(1);

  lblItemSep = Named(new QLabel(QStringLiteral("区切り記号：")), "lblItemSep");
  ComboBox1 = Named(new QComboBox, "ComboBox1");
  ComboBox1->addItems({QStringLiteral(",(カンマ)"), QStringLiteral("TAB")});
  lblPutItem = Named(new QLabel(QStringLiteral("出力項目")), "lblPutItem");
  CheckListBox1 = Named(new QListWidget, "CheckListBox1");
  for (int position = 0; position < kExportItemCount; ++position) {
    auto* row = new QListWidgetItem(QString::fromUtf8(ExportItemCaption(position)), CheckListBox1);
    row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
    row->setCheckState(Qt::Unchecked);
  }
  cmdAllOn = Named(new QPushButton(QStringLiteral("全てON")), "cmdAllOn");
  cmdAllOff = Named(new QPushButton(QStringLiteral("全てOFF")), "cmdAllOff");
  cmdDefault = Named(new QPushButton(QStringLiteral("ﾃﾞﾌｫﾙﾄ")), "cmdDefault");
  auto* itemGroup = new QGroupBox;
  auto* itemLayout = new QGridLayout(itemGroup);
  itemLayout->addWidget(lblItemSep, 0, 0);
  itemLayout->addWidget(ComboBox1, 0, 1);
  itemLayout->addWidget(lblPutItem, 1, 0, 1, 2);
  itemLayout->addWidget(CheckListBox1, 2, 0, 1, 2);
  auto* itemButtons = new QHBoxLayout;
  itemButtons->addWidget(cmdAllOn);
  itemButtons->addWidget(cmdAllOff);
  itemButtons->addWidget(cmdDefault);
  itemLayout->addLayout(itemButtons, 3, 0, 1, 2);

  rdoDefaultToolbar =
      Named(new QGroupBox(QStringLiteral("デフォルト形式(ツールバーボタン)")), "rdoDefaultToolbar");
  defaultToolbarItems = new QButtonGroup(this);
  auto* defaultLayout = new QVBoxLayout(rdoDefaultToolbar);
  for (int i = 0; i < 6; ++i) {
    auto* button = new QRadioButton(QString::fromUtf8(kDefaultForms[i]));
    button->setObjectName(QStringLiteral("rdoDefaultToolbar%1").arg(i));
    defaultToolbarItems->addButton(button, i);
    defaultLayout->addWidget(button);
  }

  cmdSet = Named(new QPushButton(QStringLiteral("設定")), "cmdSet");
  cmdClose = Named(new QPushButton(QStringLiteral("閉じる")), "cmdClose");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cmdSet);
  buttons->addWidget(cmdClose);

  auto* left = new QVBoxLayout;
  left->addLayout(pathRow);
  left->addWidget(nameGroup);
  left->addWidget(treeGroup);
  left->addWidget(chkFolderOnly);
  left->addWidget(chkFileWrite);
  left->addLayout(encodingRow);
  left->addWidget(rdoDefaultToolbar);
  auto* columns = new QHBoxLayout;
  columns->addLayout(left);
  columns->addWidget(itemGroup);
  auto* top = new QVBoxLayout(this);
  top->addLayout(columns);
  top->addLayout(buttons);
  top->setSizeConstraint(QLayout::SetFixedSize);

  connect(chkTree, &QCheckBox::clicked, this, &TfrmEnvClipbord::chkTreeClick);
  connect(cmdAllOn, &QPushButton::clicked, this, &TfrmEnvClipbord::cmdAllOnClick);
  connect(cmdAllOff, &QPushButton::clicked, this, &TfrmEnvClipbord::cmdAllOffClick);
  connect(cmdDefault, &QPushButton::clicked, this, &TfrmEnvClipbord::cmdDefaultClick);
  connect(cmdSet, &QPushButton::clicked, this, &TfrmEnvClipbord::cmdSetClick);
  connect(cmdClose, &QPushButton::clicked, this, &TfrmEnvClipbord::cmdCloseClick);
}

void TfrmEnvClipbord::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TfrmEnvClipbord::FormShow() {
  const int nameMode = settings_.GetInt(REG_ClipBordNameMode);
  (nameMode == 1 ? rdoNameMode1 : nameMode == 2 ? rdoNameMode2 : rdoNameMode0)->setChecked(true);
  cmbPathMark->setCurrentIndex(IndexOrFirst(settings_.GetInt(REG_ClipBordFolder), 4));
  chkFolderOnly->setChecked(settings_.GetInt(REG_ClipBordFolderOnly) != 0);
  chkTree->setChecked(settings_.GetInt(REG_ClipBordTree) != 0);
  chkOffsetNo->setChecked(settings_.GetInt(REG_ClipBordOffsetNo) != 0);
  chkTreeNo->setChecked(settings_.GetInt(REG_ClipBordTreeNo) != 0);
  chkFileWrite->setChecked(settings_.GetInt(REG_ClipBordFileWrite) != 0);
  cmbEncoding->setCurrentIndex(StoredExportEncoding(settings_) == ExportEncoding::Utf8 ? 1 : 0);
  cmdFolderMark->setCurrentIndex(
      IndexOrFirst(settings_.GetInt(REG_ClipBordFolderMark), kFolderMarkCount + 1));
  QString items = settings_.GetString(REG_ClipBordPutItem);
  if (items.size() <= 13) items = QString::fromLatin1(kDefaultItems);
  for (int i = 0; i < kExportItemCount; ++i)
    CheckListBox1->item(i)->setCheckState(i < items.size() && items[i] != u'0' ? Qt::Checked
                                                                               : Qt::Unchecked);
  ComboBox1->setCurrentIndex(IndexOrFirst(settings_.GetInt(REG_ClipBordItemSep), 2));
  const int stored = settings_.GetInt(REG_ClipBordDefault);
  int form = 2;  // ファイル名
  for (int i = 0; i < 6; ++i)
    if (kDefaultFormValues[i] == stored) form = i;
  defaultToolbarItems->button(form)->setChecked(true);
  chkTreeClick();
}

void TfrmEnvClipbord::chkTreeClick() {
  const bool tree = chkTree->isChecked();
  for (QWidget* w : {static_cast<QWidget*>(lblFolderMark), static_cast<QWidget*>(cmdFolderMark),
                     static_cast<QWidget*>(chkOffsetNo), static_cast<QWidget*>(chkTreeNo)})
    w->setEnabled(tree);
  for (QWidget* w : {static_cast<QWidget*>(CheckListBox1), static_cast<QWidget*>(lblPutItem),
                     static_cast<QWidget*>(cmdAllOn), static_cast<QWidget*>(cmdAllOff),
                     static_cast<QWidget*>(cmdDefault), static_cast<QWidget*>(ComboBox1),
                     static_cast<QWidget*>(lblItemSep)})
    w->setEnabled(!tree);
}

void TfrmEnvClipbord::SetAllItems(bool on) {
  for (int i = 0; i < CheckListBox1->count(); ++i)
    CheckListBox1->item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

void TfrmEnvClipbord::cmdAllOnClick() {
  SetAllItems(true);
}

void TfrmEnvClipbord::cmdAllOffClick() {
  SetAllItems(false);
}

void TfrmEnvClipbord::cmdDefaultClick() {
  SetAllItems(false);
  CheckListBox1->item(1)->setCheckState(Qt::Checked);
}

void TfrmEnvClipbord::cmdSetClick() {
  QString items;
  for (int i = 0; i < kExportItemCount; ++i)
    items += CheckListBox1->item(i)->checkState() == Qt::Checked ? u'1' : u'0';
  const int form = defaultToolbarItems->checkedId();
  try {
    settings_.SetInt(REG_ClipBordNameMode, rdoNameMode1->isChecked()   ? 1
                                           : rdoNameMode2->isChecked() ? 2
                                                                       : 0);
    settings_.SetInt(REG_ClipBordFolder, cmbPathMark->currentIndex());
    settings_.SetInt(REG_ClipBordFolderOnly, chkFolderOnly->isChecked() ? 1 : 0);
    settings_.SetInt(REG_ClipBordTree, chkTree->isChecked() ? 1 : 0);
    settings_.SetInt(REG_ClipBordOffsetNo, chkOffsetNo->isChecked() ? 1 : 0);
    settings_.SetInt(REG_ClipBordTreeNo, chkTreeNo->isChecked() ? 1 : 0);
    settings_.SetInt(REG_ClipBordFileWrite, chkFileWrite->isChecked() ? 1 : 0);
    settings_.SetInt(REG_ClipBordFolderMark, cmdFolderMark->currentIndex());
    settings_.SetString(REG_ClipBordPutItem, items);
    settings_.SetInt(REG_ClipBordItemSep, ComboBox1->currentIndex());
    settings_.SetInt(REG_ClipBordDefault, kDefaultFormValues[form < 0 ? 2 : form]);
    settings_.SetRaw(
        QString::fromLatin1(kExportEncodingKey),
        ExportEncodingValue(cmbEncoding->currentIndex() == 1 ? ExportEncoding::Utf8
                                                             : ExportEncoding::ShiftJis));
  } catch (const std::runtime_error& e) {
    // The dialog stays open with the choices made, so nothing is lost.
    prompter_.Message(ErrorMessage(e), PromptIcon::Error, PromptButtons::Ok);
    return;
  }
  accept();
}

void TfrmEnvClipbord::cmdCloseClick() {
  reject();
}

}  // namespace plomix
