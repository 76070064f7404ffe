#include "ui/widgets/PictureShow.h"

#include <QDateTime>
#include <QImageReader>
#include <QPainter>
#include <QTimer>
#include <algorithm>

#include "organise/MediaPictures.h"

namespace plomix {

namespace {

// A decoder that cannot scale while decoding would build the full picture
// first; beyond this many pixels such a picture is refused instead.
constexpr qint64 kMaxUnscaledPixels = 64LL * 1024 * 1024;

QString BuiltInPicture() {
  return QStringLiteral(":/app/plomix2-256.png");
}

}  // namespace

QImage LoadPicture(const QString& path, const QSize& box, QString* problem, QSize* fullSize) {
  auto fail = [problem](const QString& why) {
    if (problem) *problem = why;
    return QImage();
  };
  QImageReader reader(path == kDefaultPicture ? BuiltInPicture() : path);
  reader.setAutoTransform(true);
  const QSize full = reader.size();
  if (fullSize) *fullSize = full;
  if (!full.isValid() || full.isEmpty())
    return fail(QStringLiteral("画像として読み込めません: ") + reader.errorString());
  QSize target = full;
  if (box.isValid() && !box.isEmpty() &&
      (full.width() > box.width() || full.height() > box.height()))
    target = full.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
  const bool scalesWhileDecoding = reader.supportsOption(QImageIOHandler::ScaledSize);
  if (!scalesWhileDecoding && qint64{full.width()} * full.height() > kMaxUnscaledPixels)
    return fail(QStringLiteral("画像が大きすぎるため表示出来ません"));
  if (scalesWhileDecoding) reader.setScaledSize(target);
  QImage image = reader.read();
  if (image.isNull())
    return fail(QStringLiteral("画像として読み込めません: ") + reader.errorString());
  if (image.size() != target)
    image = image.scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  if (problem) problem->clear();
  return image;
}

PictureShow::PictureShow(QWidget* parent) : QWidget(parent) {
  setMinimumSize(40, 40);
  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(30);
  connect(Timer1, &QTimer::timeout, this, &PictureShow::Timer1Timer);
}

void PictureShow::Forget() {
  shownPath_.clear();
  pendingPath_.clear();
}

void PictureShow::ShowPath(const QString& path) {
  if (path == shownPath_) {
    pendingPath_.clear();
    return;
  }
  if (Running() || (hold_ && hold_())) {
    pendingPath_ = path;
    Timer1->start();
    return;
  }
  Start(path);
}

void PictureShow::Start(const QString& path) {
  shownPath_ = path;
  pendingPath_.clear();
  previous_ = current_;
  current_ = LoadPicture(path, size(), &problem_, &sourceSize_);
  if (transitionMs_ <= 0) {
    progress_ = 1.0;
    previous_ = QImage();
    update();
    Q_EMIT TransitionFinished();
    return;
  }
  progress_ = 0.0;
  startedMs_ = QDateTime::currentMSecsSinceEpoch();
  Timer1->start();
  update();
}

void PictureShow::Timer1Timer() {
  if (Running()) {
    const qint64 elapsed = QDateTime::currentMSecsSinceEpoch() - startedMs_;
    progress_ = std::min(1.0, static_cast<double>(elapsed) / transitionMs_);
    if (!Running()) {
      previous_ = QImage();
      Q_EMIT TransitionFinished();
    }
    update();
    return;
  }
  if (!pendingPath_.isEmpty() && !(hold_ && hold_())) {
    const QString next = pendingPath_;
    pendingPath_.clear();
    if (next != shownPath_) Start(next);
    return;
  }
  if (pendingPath_.isEmpty()) Timer1->stop();
}

void PictureShow::DrawScaled(QPainter& painter, const QImage& image, double opacity) const {
  if (image.isNull() || opacity <= 0) return;
  const QSize fitted =
      image.size().boundedTo(size()).isEmpty()
          ? image.size()
          : image.size().scaled(image.size().boundedTo(size()), Qt::KeepAspectRatio);
  const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2),
                     fitted);
  painter.setOpacity(opacity);
  painter.drawImage(target, image);
}

void PictureShow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.fillRect(rect(), palette().window());
  DrawScaled(painter, previous_, 1.0 - progress_);
  DrawScaled(painter, current_, progress_);
  if (current_.isNull() && !problem_.isEmpty()) {
    painter.setOpacity(1.0);
    painter.drawText(rect().adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap, problem_);
  }
}

void PictureShow::mouseDoubleClickEvent(QMouseEvent*) {
  Q_EMIT DoubleClicked();
}

void PictureShow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // Grown much beyond what was decoded: decode again at the new size.
  if (!shownPath_.isEmpty() && !Running() && !current_.isNull() &&
      current_.width() < sourceSize_.width() &&
      (current_.width() < width() / 2 || current_.height() < height() / 2)) {
    QString problem;
    const QImage sharper = LoadPicture(shownPath_, size(), &problem);
    if (!sharper.isNull() && sharper.size() != current_.size()) current_ = sharper;
  }
}

}  // namespace plomix
