#pragma once
// The read dialog: the user picks the drive to read, names the media and
// files it under a category and a storage location, and sets the read
// options. The checks and the settings it remembers belong to ReadWorkflow;
// this window only shows them, so every question it asks (drive not ready,
// name already used, a folder that cannot be bound) goes through the
// workflow's Prompter.
//
// The main window runs the whole read command with ReadMediaCommand(), which
// hands the dialog to ReadWorkflow::ReadMediaCommand: the slot-limit refusal,
// Busy, the scan, the store and the after-change hook all happen there. The
// scan's progress reaches the status bar through Scanner::SetProgress, or the
// progress dialog TfrmReadProgress when the caller installs it as the
// workflow's scan runner.
//
// Drives on Linux are letters standing for folders. The drive list shows every
// lettered drive as "D: [label] /media/user/LABEL"; the button beside it adds
// a folder of the user's choice as a source of its own and selects it, so any
// folder can be read as a media without taking a letter. The list opens on
// the most recently mounted removable disk or CD/DVD, else on the source read
// last while it exists, else on nothing: never on the system disk unasked.

#include <QDialog>
#include <QString>

#include "reading/ReadRequest.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace plomix {

class Catalog;
class Drives;
class Prompter;

class TfrmDrive : public QDialog {
  Q_OBJECT

 public:
  // The dialog works on the catalogue's names, the machine's drives and the
  // workflow that validates and remembers; all three outlive the dialog.
  TfrmDrive(ReadWorkflow& workflow, Catalog& catalog, Drives& drives, Prompter& prompter,
            QWidget* parent = nullptr);

  // Shows the dialog modally; true when the user confirmed a read that passed
  // the checks (the workflow's Request() then holds it). This is the dialog
  // step that ReadWorkflow::ReadMediaCommand expects.
  static bool Run(ReadWorkflow& workflow, Catalog& catalog, Drives& drives, Prompter& prompter,
                  QWidget* parent);
  // The whole read command of the main window: true when a media was read
  // and added. The caller sets Busy-dependent state from workflow.Busy() and
  // rebuilds its views afterwards.
  static bool ReadMediaCommand(ReadWorkflow& workflow, Catalog& catalog, Drives& drives,
                               Prompter& prompter, QWidget* parent);

  // Cancelled while open or after a cancel or refused check, Confirmed once a
  // read is confirmed.
  enum class Outcome { Confirmed, Cancelled };
  Outcome DialogOutcome() const { return dialogOutcome_; }
  // The controls' values as last handed to the workflow (texts CP932).
  const ReadForm& Form() const { return form_; }

  // ---- Controls (object names equal the member names) ----
  QComboBox* cmbDrive = nullptr;
  QPushButton* cmdChooseFolder = nullptr;  // "フォルダを選択..."
  QComboBox* cmbName = nullptr;
  QCheckBox* chkVolumeName = nullptr;
  QComboBox* cmbDivision = nullptr;
  QComboBox* cmbArea = nullptr;
  QLineEdit* txtAreaSub = nullptr;
  QPushButton* cmdRead = nullptr;
  QPushButton* cmdCalcel = nullptr;
  QCheckBox* chkEject = nullptr;
  QCheckBox* chkGetVersion = nullptr;
  // "内容の指紋を記録" and its two modes, usable only while it is checked.
  QCheckBox* chkFingerprint = nullptr;
  QRadioButton* rdoFingerprintQuick = nullptr;
  QRadioButton* rdoFingerprintFull = nullptr;
  QRadioButton* rdoDup01 = nullptr;
  QRadioButton* rdoDup02 = nullptr;
  QRadioButton* rdoDup03 = nullptr;

  // Byte widths (CP932) in which a media slot keeps these texts.
  static constexpr int kCategoryBytes = 26;
  static constexpr int kLocationBytes = 26;
  static constexpr int kDetailBytes = 10;

 public Q_SLOTS:
  void cmbDriveChange();
  void chkVolumeNameClick();
  void cmdReadClick();
  // Enter in the name, category or location box.
  void cmbNameKeyPress();
  void cmdCalcelClick();
  void cmdChooseFolderClick();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void FormCreate();
  void FormShow();
  // Lists the drives (remembering the volumes' letters) and the folder
  // source, if any, and selects a source, without running cmbDriveChange.
  // A source is a letter ("D") or a folder's native path ("/home/...");
  // an empty or unknown one selects nothing.
  void FillDriveList(const QString& select);
  void SelectSource(const QString& source);
  QString SelectedSource() const;
  QString FormSource() const;
  void ControlsToForm();
  void ShowName();

  ReadWorkflow& workflow_;
  Catalog& catalog_;
  Drives& drives_;
  Prompter& prompter_;
  ReadForm form_;
  Outcome dialogOutcome_ = Outcome::Cancelled;
  bool filling_ = false;
  std::string folderSource_;  // the folder offered in the list (native path)
};

}  // namespace plomix
