#include "ui/PxAbout.h"

#include <QDesktopServices>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace plomix {

TfrmAbout::TfrmAbout(QWidget* parent)
    : QDialog(parent), opener_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("Plomix2のバージョン情報"));

  lblProgramName = new QLabel(QStringLiteral("Plomix2"), this);
  lblProgramName->setObjectName(QStringLiteral("lblProgramName"));
  QFont big = lblProgramName->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  lblProgramName->setFont(big);
  lblVersion = new QLabel(VersionText(), this);
  lblVersion->setObjectName(QStringLiteral("lblVersion"));
  lblDownload = new QLabel(QStringLiteral("最新版の入手："), this);
  lblDownload->setObjectName(QStringLiteral("lblDownload"));
  cmdDownload = new QPushButton(DownloadUrl().toString(), this);
  cmdDownload->setObjectName(QStringLiteral("cmdDownload"));
  cmdDownload->setFlat(true);
  cmdDownload->setCursor(Qt::PointingHandCursor);
  cmdDownload->setStyleSheet(
      QStringLiteral("QPushButton { color: #0000FF; text-decoration: underline; }"));
  cmdDownload->setAutoDefault(false);
  cmdOK = new QPushButton(QStringLiteral("OK"), this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setDefault(true);

  auto* download = new QHBoxLayout;
  download->addWidget(lblDownload);
  download->addWidget(cmdDownload);
  download->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cmdOK);
  auto* main = new QVBoxLayout(this);
  main->addWidget(lblProgramName);
  main->addWidget(lblVersion);
  main->addSpacing(8);
  main->addLayout(download);
  main->addLayout(buttons);
  main->setSizeConstraint(QLayout::SetFixedSize);

  connect(cmdDownload, &QPushButton::clicked, this, &TfrmAbout::cmdDownloadClick);
  connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
}

QUrl TfrmAbout::DownloadUrl() {
  return QUrl(QStringLiteral("https://www.quernfield.example/plomix2/"));
}

QString TfrmAbout::VersionText() {
  return QStringLiteral("Ver.") + QStringLiteral(PLOMIX_VERSION_TEXT);
}

void TfrmAbout::cmdDownloadClick() {
  if (opener_) opener_(DownloadUrl());
  accept();
}

}  // namespace plomix
