#pragma once
// TfrmEnv ("Plomix2環境設定"): the general settings without a command of their
// own — the file list's date-time format, what happens to the analyses after
// media change, the fast first display of the duplicate list, the similar-name
// delimiters and the saved browse history. Only "設定" stores, except the
// delimiter buttons, which act at once.

#include <QDialog>
#include <QString>
#include <array>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace plomix {

class Prompter;
class Settings;

// The formats ComboBox1 offers, in order (UTF-8).
const std::array<const char*, 18>& EnvDateFormats();

class TfrmEnv : public QDialog {
  Q_OBJECT

 public:
  // `currentLikeKey`: the delimiters of the open catalogue's similar-name
  // results (CP932).
  TfrmEnv(Settings& settings, Prompter& prompter, std::string currentLikeKey,
          QWidget* parent = nullptr);

  QTabWidget* PageControl1;
  QWidget *TabSheet1, *TabSheet2, *TabSheet3, *TabSheet4, *TabSheet5;
  QComboBox* ComboBox1;
  QLabel* lblFormatDateTime;
  QRadioButton *rdoDup01, *rdoDup02, *rdoDup03;
  QCheckBox* chkDupListHighSpeed;
  QLineEdit* txtLikeKey;
  QPushButton *cmdLikeGetDB, *cmdLikeGetInit, *mdLikeSet;
  QCheckBox* chkRefHistSave;
  QSpinBox* spnRefHistSave;
  QLabel *lblRefHistSave1, *lblRefHistSave2;
  QCheckBox *chkImageShow, *chkImageHddOnly;
  QPushButton *cmdSet, *cmdClose;

 public Q_SLOTS:
  void ComboBox1Change();
  void cmdLikeGetDBClick();
  void cmdLikeGetInitClick();
  void mdLikeSetClick();
  void chkRefHistSaveClick();
  void cmdSetClick();

 private:
  void BuildPages();
  void FormShow();

  Settings& settings_;
  Prompter& prompter_;
  std::string currentLikeKey_;
};

}  // namespace plomix
