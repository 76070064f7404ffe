#include "ui/PxExplorer.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "browse/EntryRows.h"
#include "core/Catalog.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "reading/Drives.h"
#include "reading/MediaPresence.h"
#include "ui/DesktopShell.h"
#include "ui/PropertySheet.h"
#include "ui/ShownNames.h"

namespace plomix {

namespace {

constexpr int kAttempts = 3;

char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The media facts the dialog lists, in this order.
const char* const kFactItems[] = {"ﾒﾃﾞｨｱの種類",
                                  "ﾒﾃﾞｨｱの分類",
                                  "ﾒﾃﾞｨｱの保管場所",
                                  "ﾒﾃﾞｨｱの保管場所詳細",
                                  "登録日時",
                                  "ﾒﾃﾞｨｱの空きｻｲｽﾞ",
                                  "全ﾌｧｲﾙｻｲｽﾞ",
                                  "全ｸﾗｽﾀｷﾞｬｯﾌﾟ",
                                  "全ﾌｧｲﾙｸﾗｽﾀｻｲｽﾞ",
                                  "ｸﾗｽﾀｻｲｽﾞ",
                                  "全ﾌｫﾙﾀﾞ数",
                                  "全ﾌｧｲﾙ数",
                                  "ﾎﾞﾘｭｰﾑ名",
                                  "ﾎﾞﾘｭｰﾑｼﾘｱﾙNo",
                                  "一番古い更新日時ﾌｧｲﾙ",
                                  "一番新しい更新日時ﾌｧｲﾙ",
                                  "一番古い更新日時ﾌｫﾙﾀﾞ",
                                  "一番新しい更新日時ﾌｫﾙﾀﾞ",
                                  "一番小さいﾌｧｲﾙｻｲｽﾞ",
                                  "一番大きいﾌｧｲﾙｻｲｽﾞ"};

}  // namespace

TfrmPxExplorer::TfrmPxExplorer(Catalog& catalog, Drives& drives, Settings& settings,
                               Prompter& prompter, DesktopShell& shell, int32_t key,
                               EntryAction action, QWidget* parent)
    : QDialog(parent),
      catalog_(catalog),
      drives_(drives),
      settings_(settings),
      prompter_(prompter),
      shell_(shell),
      key_(key),
      action_(action) {
  setObjectName(QStringLiteral("frmPxExplorer"));
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  layout->addLayout(grid);
  txtMediaName = new QLineEdit(this);
  txtMediaName->setObjectName(QStringLiteral("txtMediaName"));
  txtMediaName->setReadOnly(true);
  txtFileName = new QLineEdit(this);
  txtFileName->setObjectName(QStringLiteral("txtFileName"));
  txtFileName->setReadOnly(true);
  DriveComboBox = new QComboBox(this);
  DriveComboBox->setObjectName(QStringLiteral("DriveComboBox"));
  CheckBox1 = new QCheckBox(QStringLiteral("オリジナルのメディア格納ドライブも変更"), this);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  CheckBox1->setChecked(true);
  grid->addWidget(new QLabel(QStringLiteral("メディア名："), this), 0, 0);
  grid->addWidget(txtMediaName, 0, 1, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("ファイル名："), this), 1, 0);
  grid->addWidget(txtFileName, 1, 1, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("メディア格納先ドライブ："), this), 2, 0);
  grid->addWidget(DriveComboBox, 2, 1);
  grid->addWidget(CheckBox1, 2, 2);
  auto* facts = new QGroupBox(QStringLiteral("[メディア情報]"), this);
  auto* factsLayout = new QVBoxLayout(facts);
  ListView1 = new QTreeWidget(facts);
  ListView1->setObjectName(QStringLiteral("ListView1"));
  ListView1->setRootIsDecorated(false);
  ListView1->setHeaderLabels({QStringLiteral("項目"), QStringLiteral("内容")});
  ListView1->header()->resizeSection(0, 170);
  factsLayout->addWidget(ListView1);
  layout->addWidget(facts, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  cmdGo = new QPushButton(this);
  cmdGo->setObjectName(QStringLiteral("cmdGo"));
  cmdGo->setDefault(true);
  cmdClose = new QPushButton(QStringLiteral("閉じる"), this);
  cmdClose->setObjectName(QStringLiteral("cmdClose"));
  buttons->addWidget(cmdGo);
  buttons->addWidget(cmdClose);
  layout->addLayout(buttons);
  resize(520, 520);
  connect(DriveComboBox, &QComboBox::currentIndexChanged, this,
          &TfrmPxExplorer::DriveComboBoxChange);
  connect(cmdGo, &QPushButton::clicked, this, &TfrmPxExplorer::cmdGoClick);
  connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
  FormShow();
}

void TfrmPxExplorer::FormShow() {
  static const char* const kTitles[] = {"エクスプローラを起動", "ファイルを開く",
                                        "ファイルのコピー"};
  static const char* const kGo[] = {"起動", "開く", "コピー"};
  const auto mode = static_cast<std::size_t>(action_);
  setWindowTitle(QString::fromUtf8(kTitles[mode]));
  cmdGo->setText(QString::fromUtf8(kGo[mode]));
  CheckBox1->setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  Catalog& catalog = catalog_;
  // The machine's drives; a recorded letter bound nowhere is still offered
  // so that the selector shows what the catalogue remembers.
  {
    const QSignalBlocker quiet(DriveComboBox);
    DriveComboBox->clear();
    for (const DriveRow& row : drives_.ListDrives()) {
      const char letter = Lower(row.letter);
      DriveComboBox->addItem(
          QStringLiteral("%1: %2")
              .arg(QChar(letter))
              .arg(QString::fromStdString(row.volumeName.empty() ? row.folder : row.volumeName)),
          QChar(letter));
    }
  }
  const std::string inner = EntryInnerPath(catalog, key_);
  const std::string drive = catalog.MediaDriveOf(key_);
  if (!inner.empty()) {
    storedLetter_ = drive.empty() ? 0 : Upper(drive[0]);
    if (storedLetter_ >= 'A' && storedLetter_ <= 'Z' && !SelectDrive(storedLetter_)) {
      const QSignalBlocker quiet(DriveComboBox);
      DriveComboBox->addItem(QStringLiteral("%1:").arg(QChar(Lower(storedLetter_))),
                             QChar(Lower(storedLetter_)));
      DriveComboBox->setCurrentIndex(DriveComboBox->count() - 1);
    }
    txtMediaName->setText(text::Cp932ToQString(catalog.MediaNameOf(key_)));
    QString shownInner = text::Cp932ToQString(inner);
    const int slot = SlotOfKey(key_);
    if (catalog.ExactNamesOf(slot)) {
      // The path below the media, in the names the entries really have.
      const QString whole = ShownEntryPath(catalog, slot, RecordOfKey(key_));
      const qsizetype media =
          ShownQName(catalog.Slot(slot).Name(), catalog.ExactNameOfRecord(slot, 0)).size();
      if (whole.size() > media && whole.at(media) == QLatin1Char('\\'))
        shownInner = whole.mid(media + 1);
    }
    txtFileName->setText(shownInner);
  } else {
    txtMediaName->clear();
    txtFileName->clear();
  }
  ListView1->clear();
  if (IsEntryKey(key_)) {
    const EntryRows media = BuildEntryRows(catalog, MakeKey(SlotOfKey(key_), 0));
    const PropertySheet sheet = BuildNodeProperties(
        catalog, media.shown, text::QStringToCp932(settings_.GetString(REG_FormatUpdateDateTime)));
    for (const char* item : kFactItems)
      for (const PropertyRow& row : sheet.rows)
        if (row.item == QString::fromUtf8(item))
          new QTreeWidgetItem(ListView1, {row.item, row.value});
  }
  QApplication::restoreOverrideCursor();
}

char TfrmPxExplorer::ChosenLetter() const {
  const QVariant chosen = DriveComboBox->currentData();
  return chosen.isValid() ? static_cast<char>(chosen.toChar().toLatin1()) : 0;
}

bool TfrmPxExplorer::SelectDrive(char letter) {
  const int index = DriveComboBox->findData(QChar(Lower(letter)));
  if (index < 0) return false;
  DriveComboBox->setCurrentIndex(index);
  DriveComboBoxChange();
  return true;
}

void TfrmPxExplorer::DriveComboBoxChange() {
  const char chosen = ChosenLetter();
  CheckBox1->setEnabled(chosen != 0 && Upper(chosen) != storedLetter_);
}

void TfrmPxExplorer::cmdGoClick() {
  Catalog& catalog = catalog_;
  Prompter& prompter = prompter_;
  const char letter = ChosenLetter();
  if (letter == 0 || txtFileName->text().isEmpty()) return;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const int check = drives_.CheckMediaVolume(std::string(1, letter), key_, catalog);
    if (check == 0) {
      const EntryPath where = LocateEntryOn(catalog, drives_, key_, letter);
      if (!where.refusal.empty()) {
        // Another drive cannot mend the names: the command ends here.
        prompter.Message(text::Utf8ToQString(where.refusal), PromptIcon::Error, PromptButtons::Ok);
        reject();
        return;
      }
      const QString path = QString::fromStdString(where.path);
      if (action_ == EntryAction::Copy) {
        ready_ = true;
      } else if (!OpenOnDisk(shell_, prompter, path, action_ == EntryAction::Show)) {
        return;
      }
      if (CheckBox1->isEnabled() && CheckBox1->isChecked() && Upper(letter) != storedLetter_)
        catalog.ChangeMediaDrive(key_, std::string(1, letter));
      accept();
      return;
    }
    if (check == 1) {
      const PromptResult answer =
          prompter.Message(QChar(letter) + QString::fromStdString(NotMountedText(letter).substr(1)),
                           PromptIcon::Warning, PromptButtons::YesNoCancel);
      if (answer == PromptResult::No) return;
      if (answer != PromptResult::Yes) {
        reject();
        return;
      }
      continue;
    }
    const char* text = check == 2 ? VolumeNameMismatchText() : SerialMismatchText();
    if (prompter.Message(QString::fromUtf8(text), PromptIcon::Warning, PromptButtons::YesNo) !=
        PromptResult::Yes)
      reject();
    return;
  }
}

}  // namespace plomix
