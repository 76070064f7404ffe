#pragma once
// The copy dialog of the member grids: the user picks and orders the
// columns, the separator, a title line and a case conversion, and the rows
// of the grid go as delimited text to the clipboard or into a CSV file.
// One dialog serves the three grids; the column list is rebuilt only when it
// is shown for another grid than the time before, so the user's choice and
// order stay while they copy from the same grid.

#include <QDialog>
#include <memory>
#include <optional>
#include <vector>

#include "analysis/DetailExport.h"

class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace plomix {

class Clipboard;
class Prompter;
class Settings;

class TfrmDupSubClipbord : public QDialog {
  Q_OBJECT

 public:
  // `clipboard` null: the system clipboard. Everything given must outlive
  // the dialog.
  TfrmDupSubClipbord(Settings& settings, Prompter& prompter, Clipboard* clipboard = nullptr,
                     QWidget* parent = nullptr);
  ~TfrmDupSubClipbord() override;

  // Sets the source (duplicate members, similar members, the similar
  // word's members), the caption and the grid's rows in the order shown.
  // `pathVisible`: the grid shows its path column.
  void SetSource(DetailSource mode, std::vector<DetailRow> rows, bool pathVisible);
  DetailSource Mode() const { return mode_; }

  QRadioButton *rdoNameMode0, *rdoNameMode1, *rdoNameMode2;
  QListWidget* CheckListBox1;
  QPushButton *cmdUP, *cmdDown, *cmdAllOn, *cmdAllOff;
  QComboBox* ComboBox1;
  QCheckBox *chkTitle, *chkFileWrite;
  QPushButton *cmdSet, *cmdClose;

  // The columns checked, in list order.
  std::vector<int> ChosenColumns() const;

 public Q_SLOTS:
  void cmdUPClick();
  void cmdDownClick();
  void cmdAllOnClick();
  void cmdAllOffClick();
  void cmdSetClick();
  void cmdCloseClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();
  void MoveSelected(int delta);
  void SetAllChecked(bool on);

  Settings& settings_;
  Prompter& prompter_;
  Clipboard* clipboard_;
  std::unique_ptr<Clipboard> systemClipboard_;
  DetailSource mode_ = DetailSource::DupMembers;
  std::optional<DetailSource> previousMode_;
  bool pathVisible_ = false;
  std::vector<DetailRow> rows_;
};

}  // namespace plomix
