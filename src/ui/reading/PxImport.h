#pragma once
// The import dialog: the ncdu listing to import and the read dialog's filing
// fields (name, category, location, detail) for the media it becomes.

#include <QDialog>
#include <string>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace plomix {

class Catalog;
class Prompter;

// What the dialog gives. Texts are CP932; `file` is a native path.
struct ImportForm {
  std::string file;
  std::string name;
  std::string category;
  std::string location;
  std::string locationDetail;
};

class TfrmImport : public QDialog {
  Q_OBJECT

 public:
  TfrmImport(Catalog& catalog, Prompter& prompter, QWidget* parent = nullptr);
  // Shows the dialog; true with `form` filled when the user chose to import.
  static bool Run(Catalog& catalog, Prompter& prompter, QWidget* parent, ImportForm& form);
  ImportForm Form() const;

  QLineEdit *edtFile, *edtName, *edtDetail;
  QComboBox *cboCategory, *cboLocation;
  QPushButton *cmdFile, *cmdImport, *cmdCancel;

 public Q_SLOTS:
  void cmdFileClick();
  void cmdImportClick();

 private:
  Prompter& prompter_;
};

}  // namespace plomix
