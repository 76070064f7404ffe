#pragma once
// The window's progress dialog for reading a media: entries read so far, the
// folder being read, the bytes read for content fingerprints (a line shown
// once the hashing has begun), the time elapsed, and a Cancel button. The walk runs on
// a worker thread while this dialog stays responsive; Cancel (or Esc, or
// closing the dialog) asks the scanner to stop, which it does within one
// entry, and the dialog closes once the walk has ended. Nothing is stored
// after a cancel: the read workflow sees Scanner::Cancelled().
//
// The read command uses it through ReadWorkflow::SetScanRunner:
//   workflow.SetScanRunner(TfrmReadProgress::Runner(scanner, window));
// The scanner's own progress callback is set aside while the dialog runs
// (it would run on the worker thread) and restored afterwards.

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <exception>
#include <functional>

#include "reading/ReadRequest.h"
#include "reading/ScanProgress.h"

class QLabel;
class QPushButton;

namespace plomix {

class Scanner;

class TfrmReadProgress : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmReadProgress(Scanner& scanner, QWidget* parent = nullptr);

  // Runs `scan` on a worker thread and shows the dialog modally until it has
  // ended. An exception thrown by the scan is thrown again here.
  void RunScan(const std::function<void()>& scan);
  // A scan runner for ReadWorkflow that shows a new dialog for each read.
  static ReadWorkflow::ScanRunner Runner(Scanner& scanner, QWidget* parent);

  // How often the dialog shows the scan's progress (and notices its end).
  static constexpr int kRefreshMs = 50;

  // ---- Controls (object names equal the member names) ----
  QLabel* lblEntries = nullptr;
  QLabel* lblFolder = nullptr;
  QLabel* lblElapsed = nullptr;
  QLabel* lblHashed = nullptr;  // "#,##0 Byte" read for fingerprints
  QPushButton* cmdCancel = nullptr;

 public Q_SLOTS:
  void cmdCancelClick();

 protected:
  // Esc and the window's close button cancel; the dialog closes itself once
  // the walk has ended.
  void reject() override;

 private:
  void Refresh();

  QLabel* hashedCaption_ = nullptr;

  Scanner& scanner_;
  ScanProgress progress_;
  QTimer timer_;
  QElapsedTimer elapsed_;
  std::atomic<bool> finished_{false};
  std::exception_ptr failure_;
};

}  // namespace plomix
