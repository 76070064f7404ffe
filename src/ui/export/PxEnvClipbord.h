#pragma once
// The export settings dialog: path separator, name conversion, tree form and
// its folder mark and numbering, folders only, writing to a file, the columns
// of list rows with their separator, the encoding of files (Shift_JIS or
// UTF-8, kept under kExportEncodingKey), and the form of the copy button. Every
// showing loads the controls from the settings; 設定 stores every control and
// closes, 閉じる closes without storing. Values outside a control's range
// show as its first choice and are stored back as that choice.

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace plomix {

class Prompter;
class Settings;

class TfrmEnvClipbord : public QDialog {
  Q_OBJECT

 public:
  // Both outlive the dialog; the prompter reports a store that cannot be written.
  TfrmEnvClipbord(Settings& settings, Prompter& prompter, QWidget* parent = nullptr);

  // The stored REG_ClipBordDefault of each rdoDefaultToolbar item, in order.
  static constexpr int kDefaultFormValues[6] = {5, 6, 0, 1, 2, 3};

  // ---- Controls (object names equal the member names) ----
  QComboBox* cmbPathMark = nullptr;
  QRadioButton* rdoNameMode0 = nullptr;
  QRadioButton* rdoNameMode1 = nullptr;
  QRadioButton* rdoNameMode2 = nullptr;
  QCheckBox* chkTree = nullptr;
  QLabel* lblFolderMark = nullptr;
  QComboBox* cmdFolderMark = nullptr;
  QCheckBox* chkOffsetNo = nullptr;
  QCheckBox* chkTreeNo = nullptr;
  QCheckBox* chkFolderOnly = nullptr;
  QCheckBox* chkFileWrite = nullptr;
  QLabel* lblEncoding = nullptr;
  QComboBox* cmbEncoding = nullptr;  // 0 Shift_JIS (CP932), 1 UTF-8
  QLabel* lblItemSep = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QLabel* lblPutItem = nullptr;
  QListWidget* CheckListBox1 = nullptr;
  QPushButton* cmdAllOn = nullptr;
  QPushButton* cmdAllOff = nullptr;
  QPushButton* cmdDefault = nullptr;
  QGroupBox* rdoDefaultToolbar = nullptr;
  QButtonGroup* defaultToolbarItems = nullptr;  // ids 0..5 in item order
  QPushButton* cmdSet = nullptr;
  QPushButton* cmdClose = nullptr;

 public Q_SLOTS:
  void FormShow();
  void cmdSetClick();
  void cmdCloseClick();
  void chkTreeClick();
  void cmdAllOnClick();
  void cmdAllOffClick();
  void cmdDefaultClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildControls();
  void SetAllItems(bool on);

  Settings& settings_;
  Prompter& prompter_;
};

}  // namespace plomix
