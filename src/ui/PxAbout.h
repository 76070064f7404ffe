#pragma once
// The version dialog: the program's name and its version as the build gives it
// (four numbers joined by "."). The program has no public download page, so
// the dialog offers no link rather than one that leads nowhere.

#include <QDialog>

class QLabel;
class QPushButton;

namespace plomix {

class TfrmAbout : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmAbout(QWidget* parent = nullptr);

  // "Ver." + the program's version.
  static QString VersionText();

  QLabel* lblProgramName = nullptr;
  QLabel* lblVersion = nullptr;
  QPushButton* cmdOK = nullptr;
};

}  // namespace plomix
