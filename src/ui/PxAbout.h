#pragma once
// The version dialog: the program's name, its version as the build gives it
// (four numbers joined by "."), and a button that opens the download page in
// the desktop's web browser and closes the dialog.

#include <QDialog>
#include <QUrl>
#include <functional>

class QLabel;
class QPushButton;

namespace plomix {

class TfrmAbout : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmAbout(QWidget* parent = nullptr);

  // The address of the download page.
  static QUrl DownloadUrl();
  // "Ver." + the program's version.
  static QString VersionText();

  // What opens the download page; the desktop's browser unless replaced
  // (tests replace it so that nothing is launched).
  void SetUrlOpener(std::function<bool(const QUrl&)> opener) { opener_ = std::move(opener); }

  QLabel* lblProgramName = nullptr;
  QLabel* lblVersion = nullptr;
  QLabel* lblDownload = nullptr;  // "最新版の入手："
  QPushButton* cmdDownload = nullptr;
  QPushButton* cmdOK = nullptr;

 public Q_SLOTS:
  void cmdDownloadClick();

 private:
  std::function<bool(const QUrl&)> opener_;
};

}  // namespace plomix
