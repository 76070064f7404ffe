#include "ui/options/PxBackColor.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <exception>

#include "core/Prompter.h"
#include "core/Settings.h"
#include "ui/ErrorMessage.h"

namespace plomix {

TfrmBackColor::TfrmBackColor(Settings& settings, Prompter& prompter, QWidget* parent)
    : TfrmBackColor(settings, prompter, kPieBackgroundKeys, QStringLiteral("トップ 10の背景"),
                    parent) {}

TfrmBackColor::TfrmBackColor(Settings& settings, Prompter& prompter,
                             const ChartBackgroundKeys& keys, const QString& title, QWidget* parent)
    : QDialog(parent), settings_(settings), prompter_(prompter), keys_(keys) {
  Build(title);
  Load();
}

TfrmBackColorBar::TfrmBackColorBar(Settings& settings, Prompter& prompter, QWidget* parent)
    : TfrmBackColor(settings, prompter, kBarBackgroundKeys, QStringLiteral("サイズ順の背景"),
                    parent) {}

void TfrmBackColor::Build(const QString& title) {
  setWindowTitle(title);
  auto* layout = new QVBoxLayout(this);

  auto* image = new QGroupBox(QStringLiteral("背景の画像"), this);
  auto* imageLayout = new QGridLayout(image);
  chkImageShow = new QCheckBox(QStringLiteral("表示"), image);
  chkImageShow->setObjectName(QStringLiteral("chkImageShow"));
  cmdImageFile = new QPushButton(QStringLiteral("参照..."), image);
  cmdImageFile->setObjectName(QStringLiteral("cmdImageFile"));
  lblImageFile = new QLabel(image);
  lblImageFile->setObjectName(QStringLiteral("lblImageFile"));
  auto* style = new QGroupBox(QStringLiteral("スタイル"), image);
  auto* styleLayout = new QHBoxLayout(style);
  rdoStretch = new QRadioButton(QStringLiteral("引き伸ばし"), style);
  rdoStretch->setObjectName(QStringLiteral("rdoStretch"));
  rdoTile = new QRadioButton(QStringLiteral("全体"), style);
  rdoTile->setObjectName(QStringLiteral("rdoTile"));
  rdoCenter = new QRadioButton(QStringLiteral("中央に置く"), style);
  rdoCenter->setObjectName(QStringLiteral("rdoCenter"));
  auto* styles = new QButtonGroup(style);
  for (QRadioButton* b : {rdoStretch, rdoTile, rdoCenter}) {
    styles->addButton(b);
    styleLayout->addWidget(b);
  }
  imageLayout->addWidget(chkImageShow, 0, 0);
  imageLayout->addWidget(cmdImageFile, 0, 1);
  imageLayout->addWidget(lblImageFile, 1, 0, 1, 2);
  imageLayout->addWidget(style, 2, 0, 1, 2);
  layout->addWidget(image);

  auto* grad = new QGroupBox(QStringLiteral("グラデーション"), this);
  auto* gradLayout = new QGridLayout(grad);
  chkGradShow = new QCheckBox(QStringLiteral("表示"), grad);
  chkGradShow->setObjectName(QStringLiteral("chkGradShow"));
  pnlColrStart = new QLabel(grad);
  pnlColrStart->setObjectName(QStringLiteral("pnlColrStart"));
  pnlColrEnd = new QLabel(grad);
  pnlColrEnd->setObjectName(QStringLiteral("pnlColrEnd"));
  for (QLabel* box : {pnlColrStart, pnlColrEnd}) {
    box->setFixedSize(40, 20);
    box->setFrameShape(QFrame::Box);
    box->setAutoFillBackground(true);
  }
  cmdColrStart = new QPushButton(QStringLiteral("開始色"), grad);
  cmdColrStart->setObjectName(QStringLiteral("cmdColrStart"));
  cmdColrEnd = new QPushButton(QStringLiteral("終了色"), grad);
  cmdColrEnd->setObjectName(QStringLiteral("cmdColrEnd"));
  cmbDirection = new QComboBox(grad);
  cmbDirection->setObjectName(QStringLiteral("cmbDirection"));
  cmbDirection->addItems({QStringLiteral("下から上へ"), QStringLiteral("右から左へ"),
                          QStringLiteral("放射状に"), QStringLiteral("左上隅から"),
                          QStringLiteral("左下隅から")});
  gradLayout->addWidget(chkGradShow, 0, 0);
  gradLayout->addWidget(pnlColrStart, 1, 0);
  gradLayout->addWidget(cmdColrStart, 1, 1);
  gradLayout->addWidget(pnlColrEnd, 2, 0);
  gradLayout->addWidget(cmdColrEnd, 2, 1);
  gradLayout->addWidget(new QLabel(QStringLiteral("方向"), grad), 3, 0);
  gradLayout->addWidget(cmbDirection, 3, 1);
  layout->addWidget(grad);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  cmdSet = new QPushButton(QStringLiteral("設定"), this);
  cmdSet->setObjectName(QStringLiteral("cmdSet"));
  cmdSet->setDefault(true);
  cmdClose = new QPushButton(QStringLiteral("閉じる"), this);
  cmdClose->setObjectName(QStringLiteral("cmdClose"));
  buttons->addWidget(cmdSet);
  buttons->addWidget(cmdClose);
  layout->addLayout(buttons);

  connect(cmdImageFile, &QPushButton::clicked, this, &TfrmBackColor::cmdImageFileClick);
  connect(cmdColrStart, &QPushButton::clicked, this, &TfrmBackColor::cmdColrStartClick);
  connect(cmdColrEnd, &QPushButton::clicked, this, &TfrmBackColor::cmdColrEndClick);
  connect(cmdSet, &QPushButton::clicked, this, &TfrmBackColor::cmdSetClick);
  connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmBackColor::Load() {
  chkImageShow->setChecked(settings_.GetInt(keys_.imageFlag) == 1);
  imageFile_ = settings_.GetString(keys_.imageFile);
  lblImageFile->setText(QFileInfo(imageFile_).fileName());
  lblImageFile->setToolTip(imageFile_);
  const int style = settings_.GetInt(keys_.imageStyle);
  (style <= 0 ? rdoStretch : style == 1 ? rdoTile : rdoCenter)->setChecked(true);
  chkGradShow->setChecked(settings_.GetInt(keys_.gradFlag) == 1);
  start_ = settings_.GetInt(keys_.gradStart);
  end_ = settings_.GetInt(keys_.gradEnd);
  PaintBox(pnlColrStart, start_);
  PaintBox(pnlColrEnd, end_);
  int direction = settings_.GetInt(keys_.gradDirection);
  if (direction < 0 || direction >= cmbDirection->count()) {
    direction = 0;
    try {
      settings_.SetInt(keys_.gradDirection, 0);
    } catch (const std::exception&) {
      // The dialog still opens; "設定" reports a store that cannot be written.
    }
  }
  cmbDirection->setCurrentIndex(direction);
}

void TfrmBackColor::PaintBox(QLabel* box, int bgr) {
  QPalette palette = box->palette();
  palette.setColor(QPalette::Window, ColourFromSetting(bgr));
  box->setPalette(palette);
}

void TfrmBackColor::cmdImageFileClick() {
  const QString file = prompter_.OpenFile(
      QStringLiteral("画像ファイルの選択"), imageFile_,
      QStringLiteral("画像ファイル(*.jpg *.jpeg *.png *.bmp *.gif)|*.jpg *.jpeg *.png *.bmp *.gif|"
                     "すべてのファイル(*.*)|*"));
  if (file.isEmpty()) return;
  imageFile_ = file;
  lblImageFile->setText(QFileInfo(file).fileName());
  lblImageFile->setToolTip(file);
}

bool TfrmBackColor::ChooseColour(QLabel* box, int& bgr) {
  const std::optional<int> chosen = prompter_.ChooseColour(bgr);
  if (!chosen) return false;
  bgr = *chosen & 0xFFFFFF;
  PaintBox(box, bgr);
  return true;
}

void TfrmBackColor::cmdColrStartClick() {
  ChooseColour(pnlColrStart, start_);
}

void TfrmBackColor::cmdColrEndClick() {
  ChooseColour(pnlColrEnd, end_);
}

void TfrmBackColor::cmdSetClick() {
  try {
    settings_.SetInt(keys_.imageFlag, chkImageShow->isChecked() ? 1 : 0);
    settings_.SetString(keys_.imageFile, imageFile_);
    settings_.SetInt(keys_.imageStyle, rdoStretch->isChecked() ? 0 : rdoTile->isChecked() ? 1 : 2);
    settings_.SetInt(keys_.gradFlag, chkGradShow->isChecked() ? 1 : 0);
    settings_.SetInt(keys_.gradStart, start_);
    settings_.SetInt(keys_.gradEnd, end_);
    settings_.SetInt(keys_.gradDirection, cmbDirection->currentIndex());
  } catch (const std::exception& e) {
    prompter_.Message(ErrorMessage(e), PromptIcon::Error, PromptButtons::Ok);
    return;
  }
  accept();
}

}  // namespace plomix
