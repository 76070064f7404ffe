#include "ui/analysis/PxDupSubClipbord.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/Format.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "export/Clipboard.h"
#include "ui/ErrorMessage.h"
#include "ui/widgets/WaitCursor.h"

namespace plomix {

namespace {

class SystemClipboard : public Clipboard {
 public:
  void SetText(const QString& text) override { QGuiApplication::clipboard()->setText(text); }
};

QPushButton* Button(const char* name, const QString& caption, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

}  // namespace

TfrmDupSubClipbord::TfrmDupSubClipbord(Settings& settings, Prompter& prompter, Clipboard* clipboard,
                                       QWidget* parent)
    : QDialog(parent), settings_(settings), prompter_(prompter), clipboard_(clipboard) {
  setObjectName(QStringLiteral("frmDupSubClipbord"));
  if (clipboard_ == nullptr) {
    systemClipboard_ = std::make_unique<SystemClipboard>();
    clipboard_ = systemClipboard_.get();
  }

  auto* conversion = new QGroupBox(QStringLiteral("コピー時の文字列変換形式"), this);
  auto* conversionLayout = new QVBoxLayout(conversion);
  rdoNameMode0 = new QRadioButton(QStringLiteral("無変換"), conversion);
  rdoNameMode1 = new QRadioButton(
      QStringLiteral("すべてを小文字に変換（マルチバイト文字セットも含む）"), conversion);
  rdoNameMode2 = new QRadioButton(
      QStringLiteral("すべてを大文字に変換（マルチバイト文字セットも含む）"), conversion);
  rdoNameMode0->setObjectName(QStringLiteral("rdoNameMode0"));
  rdoNameMode1->setObjectName(QStringLiteral("rdoNameMode1"));
  rdoNameMode2->setObjectName(QStringLiteral("rdoNameMode2"));
  for (QRadioButton* button : {rdoNameMode0, rdoNameMode1, rdoNameMode2})
    conversionLayout->addWidget(button);

  CheckListBox1 = new QListWidget(this);
  CheckListBox1->setObjectName(QStringLiteral("CheckListBox1"));
  cmdUP = Button("cmdUP", QStringLiteral("上へ"), this);
  cmdDown = Button("cmdDown", QStringLiteral("下へ"), this);
  cmdAllOn = Button("cmdAllOn", QStringLiteral("全てON"), this);
  cmdAllOff = Button("cmdAllOff", QStringLiteral("全てOFF"), this);
  auto* listButtons = new QVBoxLayout;
  for (QPushButton* button : {cmdUP, cmdDown, cmdAllOn, cmdAllOff}) listButtons->addWidget(button);
  listButtons->addStretch();
  auto* listRow = new QHBoxLayout;
  listRow->addWidget(CheckListBox1, 1);
  listRow->addLayout(listButtons);

  ComboBox1 = new QComboBox(this);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->addItems({QStringLiteral(",(カンマ)"), QStringLiteral("TAB")});
  auto* separatorRow = new QHBoxLayout;
  separatorRow->addWidget(new QLabel(QStringLiteral("区切り記号："), this));
  separatorRow->addWidget(ComboBox1);
  separatorRow->addStretch();

  chkTitle = new QCheckBox(QStringLiteral("先頭にタイトル行を出力"), this);
  chkTitle->setObjectName(QStringLiteral("chkTitle"));
  chkTitle->setChecked(true);
  chkFileWrite =
      new QCheckBox(QStringLiteral("クリップボード出力では無くファイルへ出力する"), this);
  chkFileWrite->setObjectName(QStringLiteral("chkFileWrite"));
  chkFileWrite->setStyleSheet(QStringLiteral("color: #FF00FF;"));

  cmdSet = Button("cmdSet", QStringLiteral("コピー"), this);
  cmdClose = Button("cmdClose", QStringLiteral("閉じる"), this);
  cmdSet->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdSet);
  buttons->addWidget(cmdClose);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(conversion);
  layout->addLayout(listRow);
  layout->addLayout(separatorRow);
  layout->addWidget(chkTitle);
  layout->addWidget(chkFileWrite);
  layout->addLayout(buttons);
  setFixedSize(sizeHint().expandedTo(QSize(420, 440)));

  connect(cmdUP, &QPushButton::clicked, this, &TfrmDupSubClipbord::cmdUPClick);
  connect(cmdDown, &QPushButton::clicked, this, &TfrmDupSubClipbord::cmdDownClick);
  connect(cmdAllOn, &QPushButton::clicked, this, &TfrmDupSubClipbord::cmdAllOnClick);
  connect(cmdAllOff, &QPushButton::clicked, this, &TfrmDupSubClipbord::cmdAllOffClick);
  connect(cmdSet, &QPushButton::clicked, this, &TfrmDupSubClipbord::cmdSetClick);
  connect(cmdClose, &QPushButton::clicked, this, &TfrmDupSubClipbord::cmdCloseClick);
}

TfrmDupSubClipbord::~TfrmDupSubClipbord() = default;

void TfrmDupSubClipbord::SetSource(DetailSource mode, std::vector<DetailRow> rows,
                                   bool pathVisible) {
  mode_ = mode;
  rows_ = std::move(rows);
  pathVisible_ = pathVisible;
  setWindowTitle(mode == DetailSource::DupMembers
                     ? QStringLiteral("コピー（重複ファイル詳細）")
                     : QStringLiteral("コピー（似たようなファイル詳細）"));
}

void TfrmDupSubClipbord::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TfrmDupSubClipbord::FormShow() {
  switch (settings_.GetInt(REG_ClipBordNameMode)) {
    case 1:
      rdoNameMode1->setChecked(true);
      break;
    case 2:
      rdoNameMode2->setChecked(true);
      break;
    default:
      rdoNameMode0->setChecked(true);
      break;
  }
  if (mode_ != previousMode_) {
    CheckListBox1->clear();
    for (int column : DetailOfferedColumns(mode_, pathVisible_)) {
      auto* item = new QListWidgetItem(text::Cp932ToQString(DetailColumnCaption(mode_, column)),
                                       CheckListBox1);
      item->setData(Qt::UserRole, column);
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(Qt::Checked);
    }
  }
  previousMode_ = mode_;
}

void TfrmDupSubClipbord::MoveSelected(int delta) {
  const int row = CheckListBox1->currentRow();
  const int target = row + delta;
  if (row < 0 || target < 0 || target >= CheckListBox1->count()) return;
  QListWidgetItem* item = CheckListBox1->takeItem(row);
  CheckListBox1->insertItem(target, item);
  CheckListBox1->setCurrentRow(target);
}

void TfrmDupSubClipbord::cmdUPClick() {
  MoveSelected(-1);
}
void TfrmDupSubClipbord::cmdDownClick() {
  MoveSelected(1);
}

void TfrmDupSubClipbord::SetAllChecked(bool on) {
  for (int i = 0; i < CheckListBox1->count(); ++i)
    CheckListBox1->item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

void TfrmDupSubClipbord::cmdAllOnClick() {
  SetAllChecked(true);
}
void TfrmDupSubClipbord::cmdAllOffClick() {
  SetAllChecked(false);
}

std::vector<int> TfrmDupSubClipbord::ChosenColumns() const {
  std::vector<int> columns;
  for (int i = 0; i < CheckListBox1->count(); ++i) {
    const QListWidgetItem* item = CheckListBox1->item(i);
    if (item->checkState() == Qt::Checked) columns.push_back(item->data(Qt::UserRole).toInt());
  }
  return columns;
}

void TfrmDupSubClipbord::cmdSetClick() {
  const int conversion = rdoNameMode1->isChecked() ? 1 : rdoNameMode2->isChecked() ? 2 : 0;
  try {
    settings_.SetInt(REG_ClipBordNameMode, conversion);
  } catch (const std::exception& error) {
    prompter_.Message(ErrorMessage(error), PromptIcon::Error, PromptButtons::Ok);
  }
  const bool comma = ComboBox1->currentIndex() == 0;
  const std::vector<int> columns = ChosenColumns();
  if (columns.empty()) return;
  std::vector<std::string> lines;
  {
    WaitCursor wait;
    // The clipboard gets the exact names; the CSV file stays CP932.
    lines = ExportDetailRows(rows_, columns, mode_, comma, static_cast<CaseConversion>(conversion),
                             chkTitle->isChecked(), !chkFileWrite->isChecked());
  }
  if (chkFileWrite->isChecked()) {
    QCoreApplication::processEvents();
    const QString chosen = prompter_.SaveFile(
        QString(), text::Cp932ToQString(DetailFileName(mode_, DosNow())),
        QString::fromUtf8("CSVファイル(*.csv)|*.csv|すべてのファイル(*.*)|*.*"), QString());
    if (!chosen.isEmpty()) {
      // The file name goes to the file system as the user typed it; only the
      // extension rule looks at its letters.
      const std::string path = chosen.toStdString();
      try {
        WriteDetailFile(ApplyCsvExtension(path), lines);
      } catch (const std::exception& error) {
        prompter_.Message(ErrorMessage(error), PromptIcon::Error, PromptButtons::Ok);
        return;
      }
    }
  } else {
    WaitCursor wait;
    clipboard_->SetText(QString::fromStdString(JoinDetailLines(lines)));
  }
  accept();
}

void TfrmDupSubClipbord::cmdCloseClick() {
  reject();
}

}  // namespace plomix
