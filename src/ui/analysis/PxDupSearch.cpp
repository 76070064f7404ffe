#include "ui/analysis/PxDupSearch.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include "core/Format.h"
#include "core/Text.h"

namespace plomix {

namespace {

QLabel* NumberLabel(const char* name, QWidget* parent) {
  auto* label = new QLabel(QStringLiteral("0"), parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label->setMinimumWidth(110);
  return label;
}

QString Number(int64_t value) {
  return text::Cp932ToQString(FormatNumber(static_cast<double>(value)));
}

}  // namespace

TfrmDupSearch::TfrmDupSearch(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmDupSearch"));
  // No close box: a running search cannot be stopped.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setModal(true);

  auto* animation = new QLabel(this);
  animation->setObjectName(QStringLiteral("Animate1"));
  animation->setPixmap(QIcon::fromTheme(QStringLiteral("system-search")).pixmap(48, 48));
  animation->setFixedSize(56, 56);

  Panel1 = new QLabel(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameShape(QFrame::Panel);
  Panel1->setFrameShadow(QFrame::Sunken);
  Panel1->setMinimumWidth(300);

  auto* counters = new QFrame(this);
  counters->setObjectName(QStringLiteral("Panel2"));
  counters->setFrameShape(QFrame::Panel);
  counters->setFrameShadow(QFrame::Sunken);
  auto* grid = new QGridLayout(counters);
  Label1 = NumberLabel("Label1", counters);
  Label3 = NumberLabel("Label3", counters);
  Label5 = NumberLabel("Label5", counters);
  Label2 = new QLabel(QStringLiteral("件のファイルから"), counters);
  Label4 = new QLabel(QStringLiteral("種類で、"), counters);
  Label6 = new QLabel(counters);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label4->setObjectName(QStringLiteral("Label4"));
  Label6->setObjectName(QStringLiteral("Label6"));
  grid->addWidget(Label1, 0, 0);
  grid->addWidget(Label2, 0, 1);
  grid->addWidget(Label3, 1, 0);
  grid->addWidget(Label4, 1, 1);
  grid->addWidget(Label5, 2, 0);
  grid->addWidget(Label6, 2, 1);

  auto* right = new QVBoxLayout;
  right->addWidget(Panel1);
  right->addWidget(counters);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(animation, 0, Qt::AlignTop);
  layout->addLayout(right);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setSingleShot(true);
  Timer1->setInterval(100);
  connect(Timer1, &QTimer::timeout, this, &TfrmDupSearch::Timer1Timer);
  Prepare(AnalysisMode::Duplicate);
}

void TfrmDupSearch::Prepare(AnalysisMode mode) {
  const bool dup = mode == AnalysisMode::Duplicate;
  setWindowTitle(dup ? QStringLiteral("重複ファイルの検索中")
                     : QStringLiteral("似たようなファイルの検索中"));
  Label6->setText(dup ? QStringLiteral("件の重複ファイルを検出")
                      : QStringLiteral("件の似たようなファイルを検出"));
  Panel1->clear();
  Label1->setText(QStringLiteral("0"));
  Label3->setText(QStringLiteral("0"));
  Label5->setText(QStringLiteral("0"));
}

void TfrmDupSearch::RunModal(Work work) {
  work_ = std::move(work);
  failure_ = nullptr;
  finished_ = false;
  exec();
  work_ = nullptr;
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

void TfrmDupSearch::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TfrmDupSearch::FormShow() {
  if (!running_ && !finished_) Timer1->start();
}

void TfrmDupSearch::Timer1Timer() {
  Timer1->stop();
  if (running_ || finished_) return;
  running_ = true;
  QCoreApplication::processEvents();
  try {
    if (work_) work_([this](const AnalysisEvent& event) { Progress(event); });
  } catch (...) {
    failure_ = std::current_exception();
  }
  running_ = false;
  finished_ = true;
  done(QDialog::Accepted);
}

void TfrmDupSearch::Progress(const AnalysisEvent& event) {
  // Counters arrive every 1000 files; painting and pumping for each of them
  // would cost the search more than the search itself, so between the
  // search's steps the dialog is brought up to date at most every 40 ms
  // (25 times a second keeps the window responsive).
  if (event.kind == AnalysisEvent::Kind::Counters) {
    if (shown_.isValid() && shown_.elapsed() < 40) return;
    shown_.start();
  }
  if (!event.text.empty()) Panel1->setText(text::Cp932ToQString(event.text));
  Label1->setText(Number(event.counters.files));
  Label3->setText(Number(event.counters.groups));
  Label5->setText(Number(event.counters.entries));
  QCoreApplication::processEvents();
}

void TfrmDupSearch::reject() {
  // Escape and every other way of cancelling: a search runs to its end.
  if (finished_) QDialog::reject();
}

void TfrmDupSearch::closeEvent(QCloseEvent* event) {
  if (running_ || !finished_)
    event->ignore();
  else
    QDialog::closeEvent(event);
}

}  // namespace plomix
