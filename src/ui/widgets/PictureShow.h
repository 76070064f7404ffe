#pragma once
// The media picture display: a picture scaled to fit, changed with a timed
// cross-fade, and the show/pending rule around it: a picture asked for while
// a transition runs waits (the last one asked for wins) and is shown by the
// display's timer `Timer1` once the transition has ended. Pictures are
// decoded with QImageReader straight to the control's size, so a large photo
// never sits in memory at full size.

#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>

class QTimer;

namespace plomix {

// Decodes the picture at `path` scaled to fit `box` (keeping its aspect and
// never enlarging it). The built-in default's name gives the built-in
// picture. A null image and a reason when it cannot be read.
// `fullSize` receives the picture's own size.
QImage LoadPicture(const QString& path, const QSize& box, QString* problem = nullptr,
                   QSize* fullSize = nullptr);

class PictureShow : public QWidget {
  Q_OBJECT

 public:
  explicit PictureShow(QWidget* parent = nullptr);

  // Shows an already resolved path (see organise/MediaPictures.h): nothing
  // when it is the one shown now; pending while a transition runs or while
  // `Hold` says so; else loaded and faded in.
  void ShowPath(const QString& path);
  // Forgets the shown and pending paths (the dialog does so when shown).
  void Forget();
  const QString& ShownPath() const { return shownPath_; }
  const QString& PendingPath() const { return pendingPath_; }
  bool Running() const { return progress_ < 1.0; }
  // Why the shown path could not be drawn ("" when it could).
  const QString& Problem() const { return problem_; }
  const QImage& Picture() const { return current_; }
  // Extra condition that keeps a picture pending (the main window holds
  // pictures back while it jumps to a search hit).
  void SetHold(std::function<bool()> hold) { hold_ = std::move(hold); }
  // 0 shows pictures at once (tests).
  void SetTransitionMs(int ms) { transitionMs_ = ms; }

  QTimer* Timer1;

 Q_SIGNALS:
  void DoubleClicked();
  void TransitionFinished();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Timer1Timer();
  void Start(const QString& path);
  void DrawScaled(QPainter& painter, const QImage& image, double opacity) const;

  QString shownPath_, pendingPath_, problem_;
  QImage previous_, current_;
  QSize sourceSize_;
  double progress_ = 1.0;
  qint64 startedMs_ = 0;
  int transitionMs_ = 400;
  std::function<bool()> hold_;
};

}  // namespace plomix
