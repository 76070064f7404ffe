#include "ui/PxAbout.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "plomix/Version.h"

namespace plomix {

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
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
  cmdOK = new QPushButton(QStringLiteral("OK"), this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setDefault(true);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cmdOK);
  auto* main = new QVBoxLayout(this);
  main->addWidget(lblProgramName);
  main->addWidget(lblVersion);
  main->addSpacing(8);
  main->addLayout(buttons);
  main->setSizeConstraint(QLayout::SetFixedSize);

  connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
}

QString TfrmAbout::VersionText() {
  return QStringLiteral("Ver.") + QStringLiteral(PLOMIX_VERSION_TEXT);
}

}  // namespace plomix
