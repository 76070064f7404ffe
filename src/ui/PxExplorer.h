#pragma once
// TfrmPxExplorer: takes a catalogued entry from a drive the user chooses,
// to show it in the file manager, open it or make it ready for a copy. The chosen drive is checked
// to hold the right media first; with CheckBox1 the media's recorded drive follows the choice.

#include <QDialog>
#include <cstdint>

#include "reading/MediaPresence.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace plomix {

class Catalog;
class DesktopShell;
class Drives;
class Prompter;
class Settings;

class TfrmPxExplorer : public QDialog {
  Q_OBJECT

 public:
  TfrmPxExplorer(Catalog& catalog, Drives& drives, Settings& settings, Prompter& prompter,
                 DesktopShell& shell, int32_t key, EntryAction action, QWidget* parent = nullptr);

  // Mode 2: the media was found in the chosen drive.
  bool Ready() const { return ready_; }
  // The drive the selector holds (lower case), 0 for none.
  char ChosenLetter() const;
  // Selects a drive by letter (either case); false when the selector lacks it.
  bool SelectDrive(char letter);

  QLineEdit *txtMediaName, *txtFileName;
  QComboBox* DriveComboBox;
  QCheckBox* CheckBox1;
  QTreeWidget* ListView1;
  QPushButton *cmdGo, *cmdClose;

 public Q_SLOTS:
  void DriveComboBoxChange();
  void cmdGoClick();

 private:
  void FormShow();

  Catalog& catalog_;
  Drives& drives_;
  Settings& settings_;
  Prompter& prompter_;
  DesktopShell& shell_;
  int32_t key_;
  EntryAction action_;
  char storedLetter_ = 0;  // upper case, 0 when the entry has no facts
  bool ready_ = false;
};

}  // namespace plomix
