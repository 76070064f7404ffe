#include "ui/reading/PxDrive.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QValidator>
#include <exception>
#include <memory>
#include <optional>

#include "core/Catalog.h"
#include "core/Prompter.h"
#include "core/Text.h"
#include "reading/Drives.h"
#include "ui/DialogFolder.h"
#include "ui/widgets/WaitCursor.h"

namespace plomix {

namespace {

// Refuses an edit that would no longer fit the field's byte width once stored
// as CP932, so that what the user sees is what the catalogue keeps.
class ByteLimitValidator : public QValidator {
 public:
  ByteLimitValidator(int limit, QObject* parent) : QValidator(parent), limit_(limit) {}
  State validate(QString& input, int&) const override {
    return static_cast<int>(text::QStringToCp932(input).size()) <= limit_ ? Acceptable : Invalid;
  }

 private:
  int limit_;
};

QComboBox* MakeListBox(QWidget* parent, const char* name, int byteLimit) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  if (byteLimit > 0) box->setValidator(new ByteLimitValidator(byteLimit, box));
  return box;
}

void FillSorted(QComboBox* box, QStringList items) {
  const QString edit = box->currentText();
  items.sort(Qt::CaseSensitive);
  box->clear();
  box->addItems(items);
  box->setCurrentIndex(-1);
  box->setEditText(edit);
}

}  // namespace

TfrmDrive::TfrmDrive(ReadWorkflow& workflow, Catalog& catalog, Drives& drives, Prompter& prompter,
                     QWidget* parent)
    : QDialog(parent),
      workflow_(workflow),
      catalog_(catalog),
      drives_(drives),
      prompter_(prompter) {
  setObjectName(QStringLiteral("frmDrive"));
  setWindowTitle(QStringLiteral("読込みドライブ"));
  BuildControls();
  FormCreate();
}

void TfrmDrive::BuildControls() {
  auto* driveGroup = new QGroupBox(QStringLiteral("読込み元ドライブ"), this);
  cmbDrive = new QComboBox(driveGroup);
  cmbDrive->setObjectName(QStringLiteral("cmbDrive"));
  cmbDrive->setMinimumWidth(320);
  cmdChooseFolder = new QPushButton(QStringLiteral("フォルダを選択..."), driveGroup);
  cmdChooseFolder->setObjectName(QStringLiteral("cmdChooseFolder"));
  cmdChooseFolder->setToolTip(QStringLiteral("フォルダを1つのメディアとして読み込みます"));
  cmdChooseFolder->setAutoDefault(false);
  auto* driveRow = new QHBoxLayout(driveGroup);
  driveRow->addWidget(cmbDrive, 1);
  driveRow->addWidget(cmdChooseFolder);

  cmbName = MakeListBox(this, "cmbName", 0);
  cmbName->setMaxVisibleItems(20);
  chkVolumeName = new QCheckBox(QStringLiteral("ボリューム名取得"), this);
  chkVolumeName->setObjectName(QStringLiteral("chkVolumeName"));
  cmbDivision = MakeListBox(this, "cmbDivision", kCategoryBytes);
  cmbArea = MakeListBox(this, "cmbArea", kLocationBytes);
  txtAreaSub = new QLineEdit(this);
  txtAreaSub->setObjectName(QStringLiteral("txtAreaSub"));
  txtAreaSub->setValidator(new ByteLimitValidator(kDetailBytes, txtAreaSub));

  auto* fields = new QGridLayout;
  const auto addRow = [&](int row, const QString& caption, QWidget* field, QWidget* extra) {
    auto* label = new QLabel(caption, this);
    label->setBuddy(field);
    fields->addWidget(label, row, 0);
    fields->addWidget(field, row, 1);
    if (extra) fields->addWidget(extra, row, 2);
  };
  addRow(0, QStringLiteral("名前："), cmbName, chkVolumeName);
  addRow(1, QStringLiteral("分類："), cmbDivision, nullptr);
  addRow(2, QStringLiteral("保管場所："), cmbArea, nullptr);
  addRow(3, QStringLiteral("保管場所(詳細)："), txtAreaSub, nullptr);
  fields->setColumnStretch(1, 1);

  auto* readGroup = new QGroupBox(QStringLiteral("読込み情報"), this);
  chkEject = new QCheckBox(QStringLiteral("読込み後にメディア(CD-ROM)を取り出す"), readGroup);
  chkEject->setObjectName(QStringLiteral("chkEject"));
  chkGetVersion =
      new QCheckBox(QStringLiteral("ファイルからVersion情報も取得(注：低速)"), readGroup);
  chkGetVersion->setObjectName(QStringLiteral("chkGetVersion"));
  chkGetVersion->setToolTip(QStringLiteral("ON = 時間がかかります"));
  chkGetVersion->setStyleSheet(QStringLiteral("QCheckBox { color: #0000FF; }"));
  chkFingerprint = new QCheckBox(QStringLiteral("内容の指紋を記録"), readGroup);
  chkFingerprint->setObjectName(QStringLiteral("chkFingerprint"));
  chkFingerprint->setToolTip(
      QStringLiteral("同じ内容のファイルを、名前やメディアが違っても見つけられるようにします"));
  rdoFingerprintQuick = new QRadioButton(QStringLiteral("先頭と末尾のみ（高速）"), readGroup);
  rdoFingerprintQuick->setObjectName(QStringLiteral("rdoFingerprintQuick"));
  rdoFingerprintFull = new QRadioButton(QStringLiteral("全体"), readGroup);
  rdoFingerprintFull->setObjectName(QStringLiteral("rdoFingerprintFull"));
  rdoFingerprintFull->setToolTip(QStringLiteral("ファイルの全体を読みます（時間がかかります）"));
  auto* fingerprintRow = new QHBoxLayout;
  fingerprintRow->addWidget(chkFingerprint);
  fingerprintRow->addWidget(rdoFingerprintQuick);
  fingerprintRow->addWidget(rdoFingerprintFull);
  fingerprintRow->addStretch(1);
  auto* readLayout = new QVBoxLayout(readGroup);
  readLayout->addWidget(chkEject);
  readLayout->addWidget(chkGetVersion);
  readLayout->addLayout(fingerprintRow);

  auto* dupGroup = new QGroupBox(QStringLiteral("重複ファイルの高速検索処理"), this);
  rdoDup01 = new QRadioButton(
      QStringLiteral("メディアの追加/削除時に確認ダイアログを表示(デフォルト)"), dupGroup);
  rdoDup02 =
      new QRadioButton(QStringLiteral("メディアの追加/削除時に高速検索処理は行わない"), dupGroup);
  rdoDup03 =
      new QRadioButton(QStringLiteral("メディアの追加/削除時に高速検索処理を必ず行う"), dupGroup);
  rdoDup01->setObjectName(QStringLiteral("rdoDup01"));
  rdoDup02->setObjectName(QStringLiteral("rdoDup02"));
  rdoDup03->setObjectName(QStringLiteral("rdoDup03"));
  auto* dupLayout = new QVBoxLayout(dupGroup);
  for (QRadioButton* radio : {rdoDup01, rdoDup02, rdoDup03}) dupLayout->addWidget(radio);

  cmdRead = new QPushButton(QStringLiteral("読込む"), this);
  cmdRead->setObjectName(QStringLiteral("cmdRead"));
  cmdRead->setDefault(true);
  cmdCalcel = new QPushButton(QStringLiteral("キャンセル"), this);
  cmdCalcel->setObjectName(QStringLiteral("cmdCalcel"));
  cmdCalcel->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cmdRead);
  buttons->addWidget(cmdCalcel);

  auto* main = new QVBoxLayout(this);
  main->addWidget(driveGroup);
  main->addLayout(fields);
  main->addWidget(readGroup);
  main->addWidget(dupGroup);
  main->addLayout(buttons);
  main->setSizeConstraint(QLayout::SetFixedSize);

  for (QComboBox* box : {cmbName, cmbDivision, cmbArea}) box->lineEdit()->installEventFilter(this);

  connect(cmbDrive, &QComboBox::currentIndexChanged, this, &TfrmDrive::cmbDriveChange);
  connect(chkVolumeName, &QCheckBox::toggled, this, &TfrmDrive::chkVolumeNameClick);
  connect(cmdRead, &QPushButton::clicked, this, &TfrmDrive::cmdReadClick);
  connect(cmdCalcel, &QPushButton::clicked, this, &TfrmDrive::cmdCalcelClick);
  connect(cmdChooseFolder, &QPushButton::clicked, this, &TfrmDrive::cmdChooseFolderClick);
  connect(chkFingerprint, &QCheckBox::toggled, this, [this](bool on) {
    rdoFingerprintQuick->setEnabled(on);
    rdoFingerprintFull->setEnabled(on);
  });
}

void TfrmDrive::FormCreate() {
  QStringList names;
  for (int n = 0; n < catalog_.MediaCount(); ++n)
    names << text::Cp932ToQString(catalog_.LiveMediaName(n));
  FillSorted(cmbName, names);

  // Newly mounted volumes keep the letters they have now, so that the
  // default source is found under the letter the list shows.
  try {
    drives_.RememberVolumeLetters();
  } catch (const std::exception& error) {
    prompter_.Message(QStringLiteral("ドライブ名の割り当てを保存できません\r\n") +
                          QString::fromUtf8(error.what()),
                      PromptIcon::Error, PromptButtons::Ok);
  }
  {
    WaitCursor wait;
    form_ = workflow_.InitialForm();
  }
  folderSource_ = form_.folder;
  FillDriveList(FormSource());
  ShowName();
  {
    const QSignalBlocker block(chkVolumeName);  // the form holds the name already
    chkVolumeName->setChecked(form_.volumeName);
  }
  chkEject->setChecked(form_.eject);
  chkGetVersion->setChecked(form_.getVersion);
  const FingerprintMode mode = form_.fingerprint.value_or(form_.fingerprintChoice);
  rdoFingerprintQuick->setChecked(mode == FingerprintMode::Quick);
  rdoFingerprintFull->setChecked(mode == FingerprintMode::Full);
  chkFingerprint->setChecked(form_.fingerprint.has_value());
  rdoFingerprintQuick->setEnabled(chkFingerprint->isChecked());
  rdoFingerprintFull->setEnabled(chkFingerprint->isChecked());
  dialogOutcome_ = Outcome::Cancelled;
}

void TfrmDrive::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TfrmDrive::FormShow() {
  QStringList categories{QStringLiteral("デフォルト")};
  for (const std::string& name : catalog_.CategoryNames().Names())
    categories << text::Cp932ToQString(name);
  FillSorted(cmbDivision, categories);
  QStringList locations;
  for (const std::string& name : catalog_.LocationNames().Names())
    locations << text::Cp932ToQString(name);
  FillSorted(cmbArea, locations);
  txtAreaSub->clear();
  rdoDup01->setChecked(form_.dupSearchMode != 1 && form_.dupSearchMode != 2);
  rdoDup02->setChecked(form_.dupSearchMode == 1);
  rdoDup03->setChecked(form_.dupSearchMode == 2);
  if (QScreen* shown = screen()) move(shown->availableGeometry().center() - rect().center());
  cmbName->setFocus();
}

void TfrmDrive::FillDriveList(const QString& select) {
  std::vector<DriveRow> rows;
  try {
    rows = drives_.ListDrives();
  } catch (const std::exception&) {
    // The volumes' letters could not be remembered (FormCreate said so); the
    // list shows them as they are now.
    rows = drives_.ListDrives(false);
  }
  filling_ = true;
  cmbDrive->clear();
  for (const DriveRow& row : rows) {
    cmbDrive->addItem(QStringLiteral("%1: [%2] %3")
                          .arg(QLatin1Char(row.letter))
                          .arg(QString::fromStdString(row.volumeName))
                          .arg(QFile::decodeName(row.folder.c_str())),
                      QString(QLatin1Char(row.letter)));
  }
  if (!folderSource_.empty()) {
    const QString folder = QFile::decodeName(folderSource_.c_str());
    cmbDrive->addItem(QStringLiteral("フォルダ: ") + folder, folder);
  }
  filling_ = false;
  SelectSource(select);
}

void TfrmDrive::SelectSource(const QString& source) {
  filling_ = true;
  cmbDrive->setCurrentIndex(source.isEmpty() ? -1 : cmbDrive->findData(source));
  filling_ = false;
}

QString TfrmDrive::SelectedSource() const {
  return cmbDrive->currentIndex() < 0 ? QString() : cmbDrive->currentData().toString();
}

QString TfrmDrive::FormSource() const {
  if (!form_.folder.empty()) return QFile::decodeName(form_.folder.c_str());
  const char letter = DriveLetterOf(form_.drive);
  return letter ? QString(QLatin1Char(letter)) : QString();
}

void TfrmDrive::ControlsToForm() {
  const QString source = SelectedSource();
  if (source.startsWith(QLatin1Char('/'))) {
    form_.folder = QFile::encodeName(source).toStdString();
  } else {
    form_.folder.clear();
    form_.drive = source.toStdString();
  }
  form_.name = text::QStringToCp932(cmbName->currentText());
  form_.category = text::QStringToCp932(cmbDivision->currentText());
  form_.location = text::QStringToCp932(cmbArea->currentText());
  form_.locationDetail = text::QStringToCp932(txtAreaSub->text());
  form_.volumeName = chkVolumeName->isChecked();
  form_.eject = chkEject->isChecked();
  form_.getVersion = chkGetVersion->isChecked();
  form_.dupSearchMode = rdoDup02->isChecked() ? 1 : rdoDup03->isChecked() ? 2 : 0;
  form_.fingerprintChoice =
      rdoFingerprintFull->isChecked() ? FingerprintMode::Full : FingerprintMode::Quick;
  form_.fingerprint = chkFingerprint->isChecked()
                          ? std::optional<FingerprintMode>(form_.fingerprintChoice)
                          : std::nullopt;
}

void TfrmDrive::ShowName() {
  cmbName->setEditText(text::Cp932ToQString(form_.name));
}

void TfrmDrive::cmbDriveChange() {
  if (filling_ || SelectedSource().isEmpty()) return;
  ControlsToForm();
  WaitCursor wait;
  if (form_.folder.empty())
    workflow_.FetchDriveVolume(form_, true, form_.drive);
  else
    workflow_.FetchFolderSource(form_, true, form_.folder);
  ShowName();
}

void TfrmDrive::chkVolumeNameClick() {
  if (!chkVolumeName->isChecked()) return;
  ControlsToForm();
  workflow_.VolumeNameChecked(form_);
  ShowName();
}

void TfrmDrive::cmdReadClick() {
  ControlsToForm();
  if (workflow_.ConfirmRead(form_, true)) {
    dialogOutcome_ = Outcome::Confirmed;
    accept();
  } else {
    reject();
  }
}

void TfrmDrive::cmbNameKeyPress() {
  ControlsToForm();
  if (workflow_.ConfirmRead(form_, false)) {
    dialogOutcome_ = Outcome::Confirmed;
    accept();
  }
}

void TfrmDrive::cmdCalcelClick() {
  reject();
}

void TfrmDrive::cmdChooseFolderClick() {
  const QString chosen =
      prompter_.ChooseFolder(QStringLiteral("読み込むフォルダの選択"), DocumentsFolder());
  if (chosen.isEmpty()) return;
  const std::string folder = QFile::encodeName(chosen).toStdString();
  // A folder that is a drive's root (a mounted volume, or one bound for good)
  // is read as that drive.
  if (const char letter = drives_.LetterOf(folder)) {
    FillDriveList(QString(QLatin1Char(letter)));
    cmbDriveChange();
    return;
  }
  const std::optional<FolderVolume> where = drives_.VolumeOfFolder(folder);
  if (!where) {
    prompter_.Message(QStringLiteral("フォルダを読み込めません\r\n") + chosen, PromptIcon::Error,
                      PromptButtons::Ok);
    return;
  }
  folderSource_ = where->folder;
  FillDriveList(QFile::decodeName(folderSource_.c_str()));
  cmbDriveChange();
}

bool TfrmDrive::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      cmbNameKeyPress();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

bool TfrmDrive::Run(ReadWorkflow& workflow, Catalog& catalog, Drives& drives, Prompter& prompter,
                    QWidget* parent) {
  bool confirmed = false;
  {
    TfrmDrive dialog(workflow, catalog, drives, prompter, parent);
    confirmed = dialog.exec() == QDialog::Accepted && dialog.DialogOutcome() == Outcome::Confirmed;
  }
  QCoreApplication::processEvents();
  return confirmed;
}

bool TfrmDrive::ReadMediaCommand(ReadWorkflow& workflow, Catalog& catalog, Drives& drives,
                                 Prompter& prompter, QWidget* parent) {
  std::unique_ptr<WaitCursor> wait;
  return workflow.ReadMediaCommand([&](ReadWorkflow& w) {
    const bool confirmed = Run(w, catalog, drives, prompter, parent);
    if (confirmed) wait = std::make_unique<WaitCursor>();
    return confirmed;
  });
}

}  // namespace plomix
