#pragma once
// The panel of the status bar that tells the state of the open catalogue's
// name index: current, being built anew on a thread of its own, stale, or
// absent. A stale or damaged index found when a catalogue is opened is built
// anew at once (the search reads every record meanwhile); the files' stamps
// are looked at again now and then, so that a change of the catalogue by the
// window or by another program shows.

#include <QLabel>
#include <string>

#include "search/NameIndexRefresh.h"

class QTimer;

namespace plomix {

class NameIndexStatus : public QLabel {
  Q_OBJECT

 public:
  enum class Shown {
    Missing,   // "索引：なし"
    Checking,  // "索引：確認中…": its pages are being read
    Current,   // "索引：最新"
    Building,  // "索引：作成中…"
    Stale,     // "索引：古い": the catalogue changed since it was built
  };

  explicit NameIndexStatus(QWidget* parent = nullptr);
  ~NameIndexStatus() override;

  // A catalogue was opened or created: its index is checked and, when stale
  // or damaged, built anew, both off the window's thread.
  void Follow(const std::string& catalogPath);
  // The catalogue or its index may have changed: a look at the stamps only.
  // Nothing while the index is checked or built.
  void Recheck();
  // Stops a build still running; the old index stays.
  void Stop();

  Shown State() const { return shown_; }
  static QString TextOf(Shown state);

 Q_SIGNALS:
  void StateChanged(plomix::NameIndexStatus::Shown state);

 private:
  // From the worker, through the window's event queue; ignored when another
  // catalogue has been followed since (`generation`).
  void ShowLater(Shown state, int generation);
  void Show(Shown state);

  NameIndexRefresh refresh_;
  std::string path_;
  int generation_ = 0;
  Shown shown_ = Shown::Missing;
  QTimer* recheck_;
};

}  // namespace plomix
