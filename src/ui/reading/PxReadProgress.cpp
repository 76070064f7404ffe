#include "ui/reading/PxReadProgress.h"

#include <QFile>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <thread>

#include "core/Format.h"
#include "reading/Scanner.h"

namespace plomix {

namespace {

constexpr int kFolderWidth = 480;

QString ElapsedText(qint64 ms) {
  const qint64 seconds = ms / 1000;
  return QStringLiteral("%1:%2:%3")
      .arg(seconds / 3600)
      .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
      .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

TfrmReadProgress::TfrmReadProgress(Scanner& scanner, QWidget* parent)
    : QDialog(parent), scanner_(scanner) {
  setObjectName(QStringLiteral("frmReadProgress"));
  setWindowTitle(QStringLiteral("メディア情報読込中..."));
  lblEntries = new QLabel(this);
  lblEntries->setObjectName(QStringLiteral("lblEntries"));
  lblFolder = new QLabel(this);
  lblFolder->setObjectName(QStringLiteral("lblFolder"));
  lblFolder->setFixedWidth(kFolderWidth);
  lblElapsed = new QLabel(this);
  lblElapsed->setObjectName(QStringLiteral("lblElapsed"));
  lblHashed = new QLabel(this);
  lblHashed->setObjectName(QStringLiteral("lblHashed"));
  hashedCaption_ = new QLabel(QStringLiteral("指紋："), this);
  cmdCancel = new QPushButton(QStringLiteral("キャンセル"), this);
  cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("読込み件数："), this), 0, 0);
  grid->addWidget(lblEntries, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("フォルダ："), this), 1, 0);
  grid->addWidget(lblFolder, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("経過時間："), this), 2, 0);
  grid->addWidget(lblElapsed, 2, 1);
  grid->addWidget(hashedCaption_, 3, 0);
  grid->addWidget(lblHashed, 3, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cmdCancel);
  auto* main = new QVBoxLayout(this);
  main->addLayout(grid);
  main->addLayout(buttons);
  main->setSizeConstraint(QLayout::SetFixedSize);

  connect(cmdCancel, &QPushButton::clicked, this, &TfrmReadProgress::cmdCancelClick);
  connect(&timer_, &QTimer::timeout, this, &TfrmReadProgress::Refresh);
  Refresh();
}

void TfrmReadProgress::RunScan(const std::function<void()>& scan) {
  const Scanner::Progress previous = scanner_.ProgressCallback();
  scanner_.SetProgress(progress_.Callback());
  progress_.Reset();
  finished_ = false;
  failure_ = nullptr;
  elapsed_.start();
  std::thread worker([&] {
    try {
      scan();
    } catch (...) {
      failure_ = std::current_exception();
    }
    finished_ = true;
  });
  timer_.start(kRefreshMs);
  exec();
  timer_.stop();
  worker.join();
  scanner_.SetProgress(previous);
  if (failure_) std::rethrow_exception(failure_);
}

ReadWorkflow::ScanRunner TfrmReadProgress::Runner(Scanner& scanner, QWidget* parent) {
  return [&scanner, parent](const std::function<void()>& scan) {
    TfrmReadProgress dialog(scanner, parent);
    dialog.RunScan(scan);
  };
}

void TfrmReadProgress::Refresh() {
  const ScanProgress::Snapshot now = progress_.Get();
  lblEntries->setText(QString::fromStdString(FormatNumber(static_cast<double>(now.stored))) +
                      QStringLiteral(" 件"));
  if (cmdCancel->isEnabled()) {
    const QString folder = QFile::decodeName(now.folder.c_str());
    lblFolder->setText(lblFolder->fontMetrics().elidedText(folder, Qt::ElideMiddle, kFolderWidth));
    lblFolder->setToolTip(folder);
  }
  lblElapsed->setText(ElapsedText(elapsed_.isValid() ? elapsed_.elapsed() : 0));
  // The walk reads no file's content; the line appears once hashing has begun.
  const int64_t hashed = elapsed_.isValid() ? scanner_.HashedBytes() : 0;
  lblHashed->setText(QString::fromStdString(FormatNumber(static_cast<double>(hashed))) +
                     QStringLiteral(" Byte"));
  hashedCaption_->setVisible(hashed > 0);
  lblHashed->setVisible(hashed > 0);
  if (finished_ && isVisible()) done(QDialog::Accepted);
}

void TfrmReadProgress::cmdCancelClick() {
  scanner_.RequestCancel();
  cmdCancel->setEnabled(false);
  lblFolder->setText(QStringLiteral("中止しています..."));
}

void TfrmReadProgress::reject() {
  if (!finished_) {
    cmdCancelClick();
    return;
  }
  QDialog::reject();
}

}  // namespace plomix
