#include "ui/options/PxEnv.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/Format.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "ui/PageSupport.h"

namespace plomix {

namespace {

constexpr int kLikeKeyChars = 24;

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

}  // namespace

const std::array<const char*, 18>& EnvDateFormats() {
  static const std::array<const char*, 18> formats = {
      "yyyy/mm/dd(aaa) hh:nn",
      "yyyy/mm/dd(aaa) hh:nn:ss",
      "yyyy/mm/dd hh:nn",
      "yyyy/mm/dd hh:nn:ss",
      "yyyy年mm月dd日(aaa) hh時nn分",
      "yyyy年mm月dd日(aaa) hh時nn分ss秒",
      "yyyy年mm月dd日 hh時nn分",
      "yyyy年mm月dd日 hh時nn分ss秒",
      "gee/mm/dd(aaa) hh:nn",
      "gee/mm/dd(aaa) hh:nn:ss",
      "gee/mm/dd hh:nn",
      "gee/mm/dd hh:nn:ss",
      "ggee年mm月dd日(aaa) hh時nn分",
      "ggee年mm月dd日(aaa) hh時nn分ss秒",
      "ggee年mm月dd日 hh時nn分",
      "ggee年mm月dd日 hh時nn分ss秒",
      "yyyymmdd hhnnss",
      "yyyymmddhhnnss",
  };
  return formats;
}

TfrmEnv::TfrmEnv(Settings& settings, Prompter& prompter, std::string currentLikeKey,
                 QWidget* parent)
    : QDialog(parent),
      settings_(settings),
      prompter_(prompter),
      currentLikeKey_(std::move(currentLikeKey)) {
  setObjectName(QStringLiteral("frmEnv"));
  setWindowTitle(QStringLiteral("Plomix2環境設定"));
  BuildPages();
  FormShow();
}

void TfrmEnv::BuildPages() {
  auto* layout = new QVBoxLayout(this);
  PageControl1 = Named(new QTabWidget(this), "PageControl1");
  layout->addWidget(PageControl1, 1);

  TabSheet1 = Named(new QWidget, "TabSheet1");
  auto* general = new QVBoxLayout(TabSheet1);
  auto* formatRow = new QHBoxLayout;
  formatRow->addWidget(new QLabel(QStringLiteral("更新日時形式："), TabSheet1));
  ComboBox1 = Named(new QComboBox(TabSheet1), "ComboBox1");
  for (const char* format : EnvDateFormats()) ComboBox1->addItem(QString::fromUtf8(format));
  formatRow->addWidget(ComboBox1, 1);
  general->addLayout(formatRow);
  lblFormatDateTime = Named(new QLabel(TabSheet1), "lblFormatDateTime");
  general->addWidget(lblFormatDateTime);
  auto* dupGroup = new QGroupBox(QStringLiteral("重複ファイルの高速検索処理"), TabSheet1);
  auto* dupLayout = new QVBoxLayout(dupGroup);
  rdoDup01 = Named(
      new QRadioButton(QStringLiteral("メディアの追加/削除時に確認ダイアログを表示(デフォルト)"),
                       dupGroup),
      "rdoDup01");
  rdoDup02 = Named(
      new QRadioButton(QStringLiteral("メディアの追加/削除時に高速検索処理は行わない"), dupGroup),
      "rdoDup02");
  rdoDup03 = Named(
      new QRadioButton(QStringLiteral("メディアの追加/削除時に高速検索処理を必ず行う"), dupGroup),
      "rdoDup03");
  for (QRadioButton* button : {rdoDup01, rdoDup02, rdoDup03}) dupLayout->addWidget(button);
  general->addWidget(dupGroup);
  general->addStretch();
  PageControl1->addTab(TabSheet1, QStringLiteral("全般"));

  TabSheet2 = Named(new QWidget, "TabSheet2");
  auto* dup = new QVBoxLayout(TabSheet2);
  chkDupListHighSpeed =
      Named(new QCheckBox(QStringLiteral("重複ファイル一覧の初回表示を高速表示"), TabSheet2),
            "chkDupListHighSpeed");
  dup->addWidget(chkDupListHighSpeed);
  dup->addWidget(
      new QLabel(QStringLiteral("※リアルなアイコンを表示しない事で高速化を実現する"), TabSheet2));
  dup->addStretch();
  PageControl1->addTab(TabSheet2, QStringLiteral("重複ファイル"));

  TabSheet3 = Named(new QWidget, "TabSheet3");
  auto* like = new QVBoxLayout(TabSheet3);
  like->addWidget(new QLabel(QStringLiteral("似たようなファイル抽出の区切り文字"), TabSheet3));
  txtLikeKey = Named(new QLineEdit(TabSheet3), "txtLikeKey");
  like->addWidget(txtLikeKey);
  auto* likeButtons = new QHBoxLayout;
  cmdLikeGetDB =
      Named(new QPushButton(QStringLiteral("カレントDBから取得"), TabSheet3), "cmdLikeGetDB");
  cmdLikeGetInit =
      Named(new QPushButton(QStringLiteral("初期値取得"), TabSheet3), "cmdLikeGetInit");
  mdLikeSet = Named(new QPushButton(QStringLiteral("初期値更新"), TabSheet3), "mdLikeSet");
  for (QPushButton* button : {cmdLikeGetDB, cmdLikeGetInit, mdLikeSet})
    likeButtons->addWidget(button);
  like->addLayout(likeButtons);
  like->addStretch();
  PageControl1->addTab(TabSheet3, QStringLiteral("似たような"));

  TabSheet4 = Named(new QWidget, "TabSheet4");
  auto* history = new QVBoxLayout(TabSheet4);
  chkRefHistSave = Named(new QCheckBox(QStringLiteral("閲覧した履歴を終了時に保存する"), TabSheet4),
                         "chkRefHistSave");
  history->addWidget(chkRefHistSave);
  auto* countRow = new QHBoxLayout;
  lblRefHistSave1 = Named(new QLabel(QStringLiteral("最後の"), TabSheet4), "lblRefHistSave1");
  spnRefHistSave = Named(new QSpinBox(TabSheet4), "spnRefHistSave");
  spnRefHistSave->setRange(1, 100);
  lblRefHistSave2 =
      Named(new QLabel(QStringLiteral("件まで保存する"), TabSheet4), "lblRefHistSave2");
  countRow->addWidget(lblRefHistSave1);
  countRow->addWidget(spnRefHistSave);
  countRow->addWidget(lblRefHistSave2);
  countRow->addStretch();
  history->addLayout(countRow);
  history->addStretch();
  PageControl1->addTab(TabSheet4, QStringLiteral("閲覧履歴"));

  TabSheet5 = Named(new QWidget, "TabSheet5");
  auto* picture = new QVBoxLayout(TabSheet5);
  chkImageShow = Named(
      new QCheckBox(QStringLiteral("メディア装着時に画像ファイルが選択されたなら画像を表示する"),
                    TabSheet5),
      "chkImageShow");
  chkImageHddOnly =
      Named(new QCheckBox(QStringLiteral("ただし、HDD以外の画像は表示しない(音がうるさいので）"),
                          TabSheet5),
            "chkImageHddOnly");
  picture->addWidget(chkImageShow);
  picture->addWidget(chkImageHddOnly);
  picture->addStretch();
  PageControl1->addTab(TabSheet5, QStringLiteral("画像表示"));

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  cmdSet = Named(new QPushButton(QStringLiteral("設定"), this), "cmdSet");
  cmdSet->setDefault(true);
  cmdClose = Named(new QPushButton(QStringLiteral("閉じる"), this), "cmdClose");
  buttons->addWidget(cmdSet);
  buttons->addWidget(cmdClose);
  layout->addLayout(buttons);
  resize(520, 340);

  connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TfrmEnv::ComboBox1Change);
  connect(cmdLikeGetDB, &QPushButton::clicked, this, &TfrmEnv::cmdLikeGetDBClick);
  connect(cmdLikeGetInit, &QPushButton::clicked, this, &TfrmEnv::cmdLikeGetInitClick);
  connect(mdLikeSet, &QPushButton::clicked, this, &TfrmEnv::mdLikeSetClick);
  connect(txtLikeKey, &QLineEdit::textChanged, this,
          [this](const QString& text) { mdLikeSet->setEnabled(!text.isEmpty()); });
  connect(chkRefHistSave, &QCheckBox::toggled, this, &TfrmEnv::chkRefHistSaveClick);
  connect(chkImageShow, &QCheckBox::toggled, chkImageHddOnly, &QWidget::setEnabled);
  connect(cmdSet, &QPushButton::clicked, this, &TfrmEnv::cmdSetClick);
  connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmEnv::FormShow() {
  PageControl1->setTabVisible(PageControl1->indexOf(TabSheet5), false);
  chkImageHddOnly->setEnabled(chkImageShow->isChecked());
  const int index = ComboBox1->findText(settings_.GetString(REG_FormatUpdateDateTime));
  {
    const QSignalBlocker quiet(ComboBox1);
    ComboBox1->setCurrentIndex(index < 0 ? 0 : index);
  }
  // A format the list does not offer is replaced at once, whatever the user
  // does with the dialog afterwards.
  if (index < 0)
    Safely(prompter_,
           [&] { settings_.SetString(REG_FormatUpdateDateTime, ComboBox1->currentText()); });
  ComboBox1Change();
  const int dupMode = settings_.GetInt(REG_DupSearchMode);
  (dupMode == 1 ? rdoDup02 : dupMode == 2 ? rdoDup03 : rdoDup01)->setChecked(true);
  txtLikeKey->setText(text::Cp932ToQString(currentLikeKey_));
  mdLikeSet->setEnabled(!txtLikeKey->text().isEmpty());
  chkRefHistSave->setChecked(settings_.GetInt(REG_RefHistSave) == 1);
  chkRefHistSaveClick();
  const int count = settings_.GetInt(REG_RefHistSaveCount);
  spnRefHistSave->setValue(count < 1 ? 5 : count);
  chkDupListHighSpeed->setChecked(settings_.GetInt(REG_DupListHighSpeedShow) == 1);
}

void TfrmEnv::ComboBox1Change() {
  const std::string example =
      FormatDateTime(text::QStringToCp932(ComboBox1->currentText()), DosNow());
  lblFormatDateTime->setText(QStringLiteral("例）　") + text::Cp932ToQString(example));
}

void TfrmEnv::cmdLikeGetDBClick() {
  txtLikeKey->setText(text::Cp932ToQString(currentLikeKey_));
}

void TfrmEnv::cmdLikeGetInitClick() {
  txtLikeKey->setText(settings_.GetString(REG_LikeKey));
}

void TfrmEnv::mdLikeSetClick() {
  const QString cut = txtLikeKey->text().left(kLikeKeyChars);
  if (cut.isEmpty()) return;
  txtLikeKey->setText(cut);
  if (!Safely(prompter_, [&] { settings_.SetString(REG_LikeKey, cut); })) return;
  prompter_.Message(QStringLiteral("更新内容は次回抽出から有効となります"), PromptIcon::Information,
                    PromptButtons::Ok);
}

void TfrmEnv::chkRefHistSaveClick() {
  const bool on = chkRefHistSave->isChecked();
  for (QWidget* widget :
       {static_cast<QWidget*>(spnRefHistSave), static_cast<QWidget*>(lblRefHistSave1),
        static_cast<QWidget*>(lblRefHistSave2)})
    widget->setEnabled(on);
}

void TfrmEnv::cmdSetClick() {
  const bool stored = Safely(prompter_, [&] {
    settings_.SetString(REG_FormatUpdateDateTime, ComboBox1->currentText());
    settings_.SetInt(REG_DupSearchMode, rdoDup02->isChecked() ? 1 : rdoDup03->isChecked() ? 2 : 0);
    settings_.SetInt(REG_RefHistSave, chkRefHistSave->isChecked() ? 1 : 0);
    settings_.SetInt(REG_RefHistSaveCount, spnRefHistSave->value());
    settings_.SetInt(REG_DupListHighSpeedShow, chkDupListHighSpeed->isChecked() ? 1 : 0);
  });
  if (stored) accept();
}

}  // namespace plomix
