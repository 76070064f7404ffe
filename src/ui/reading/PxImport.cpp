#include "ui/reading/PxImport.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/Catalog.h"
#include "core/Prompter.h"
#include "core/Records.h"
#include "core/Text.h"

namespace plomix {

namespace {

QComboBox* NameBox(QWidget* parent, const char* name, NameList& names, std::size_t cap) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setEditable(true);
  for (const std::string& n : names.Names()) box->addItem(text::Cp932ToQString(n));
  box->setCurrentIndex(-1);
  box->lineEdit()->setMaxLength(static_cast<int>(cap));
  return box;
}

}  // namespace

TfrmImport::TfrmImport(Catalog& catalog, Prompter& prompter, QWidget* parent)
    : QDialog(parent), prompter_(prompter) {
  setObjectName(QStringLiteral("frmImport"));
  setWindowTitle(QStringLiteral("インポート"));
  catalog.RebuildNameLists();
  edtFile = new QLineEdit(this);
  edtFile->setObjectName(QStringLiteral("edtFile"));
  cmdFile = new QPushButton(QStringLiteral("参照(&B)..."), this);
  cmdFile->setObjectName(QStringLiteral("cmdFile"));
  edtName = new QLineEdit(this);
  edtName->setObjectName(QStringLiteral("edtName"));
  edtName->setPlaceholderText(QStringLiteral("(フォルダ名)"));
  cboCategory = NameBox(this, "cboCategory", catalog.CategoryNames(), TMediaSlot::kCategoryCap);
  cboLocation = NameBox(this, "cboLocation", catalog.LocationNames(), TMediaSlot::kLocationCap);
  edtDetail = new QLineEdit(this);
  edtDetail->setObjectName(QStringLiteral("edtDetail"));
  edtDetail->setMaxLength(static_cast<int>(TMediaSlot::kLocationDetailCap));

  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(edtFile, 1);
  fileRow->addWidget(cmdFile);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("ncdu の出力ファイル(&F)"), fileRow);
  form->addRow(QStringLiteral("メディア名(&N)"), edtName);
  form->addRow(QStringLiteral("分類(&C)"), cboCategory);
  form->addRow(QStringLiteral("保管場所(&L)"), cboLocation);
  form->addRow(QStringLiteral("保管場所詳細(&D)"), edtDetail);
  auto* buttons = new QDialogButtonBox(this);
  cmdImport = buttons->addButton(QStringLiteral("インポート(&I)"), QDialogButtonBox::AcceptRole);
  cmdImport->setObjectName(QStringLiteral("cmdImport"));
  cmdImport->setDefault(true);
  cmdCancel = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
  cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);

  connect(cmdFile, &QPushButton::clicked, this, &TfrmImport::cmdFileClick);
  connect(cmdImport, &QPushButton::clicked, this, &TfrmImport::cmdImportClick);
  connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool TfrmImport::Run(Catalog& catalog, Prompter& prompter, QWidget* parent, ImportForm& form) {
  TfrmImport dialog(catalog, prompter, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  form = dialog.Form();
  return true;
}

ImportForm TfrmImport::Form() const {
  ImportForm form;
  form.file = text::NativePath(edtFile->text());
  form.name = text::QStringToCp932(edtName->text().trimmed());
  form.category = text::QStringToCp932(cboCategory->currentText().trimmed());
  form.location = text::QStringToCp932(cboLocation->currentText().trimmed());
  form.locationDetail = text::QStringToCp932(edtDetail->text().trimmed());
  return form;
}

void TfrmImport::cmdFileClick() {
  const QString path = prompter_.OpenFile(
      QStringLiteral("インポートするファイル"), edtFile->text(),
      QStringLiteral("ncdu の出力 (*.json, *.gz, *.zst)|*.json;*.gz;*.zst|すべてのファイル|*"));
  if (!path.isEmpty()) edtFile->setText(path);
}

void TfrmImport::cmdImportClick() {
  if (edtFile->text().isEmpty() || !QFileInfo(edtFile->text()).isFile()) {
    prompter_.Message(QStringLiteral("インポートするファイルを指定してください"),
                      PromptIcon::Warning, PromptButtons::Ok);
    edtFile->setFocus();
    return;
  }
  accept();
}

}  // namespace plomix
