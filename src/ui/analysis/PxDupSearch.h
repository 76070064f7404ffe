#pragma once
// The modal progress dialog of a duplicate or similar-name search. The search
// cannot be cancelled: the dialog has no close box and ignores Escape and
// close requests until the work is done. The work starts from a one-shot
// timer once the dialog has been painted, reports its progress through the
// dialog's labels and lets the window repaint at every report.

#include <QDialog>
#include <QElapsedTimer>
#include <exception>
#include <functional>

#include "analysis/NameAnalysis.h"

class QLabel;
class QTimer;

namespace plomix {

class TfrmDupSearch : public QDialog {
  Q_OBJECT

 public:
  // The search itself; it calls the progress function at its progress points.
  using Work = std::function<void(const AnalysisProgress&)>;

  explicit TfrmDupSearch(QWidget* parent = nullptr);

  // Caption and the text after Label5 for the mode.
  void Prepare(AnalysisMode mode);
  // Shows the dialog modally, runs `work` inside it and closes it. An
  // exception of the work is thrown again here, after the dialog has closed.
  void RunModal(Work work);
  bool Running() const { return running_; }

  QLabel* Panel1;
  QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6;
  QTimer* Timer1;

  // Shows an event's text or counters and lets pending events run.
  void Progress(const AnalysisEvent& event);

 public Q_SLOTS:
  void Timer1Timer();
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormShow();

  Work work_;
  std::exception_ptr failure_;
  QElapsedTimer shown_;
  bool running_ = false;
  bool finished_ = false;
};

}  // namespace plomix
