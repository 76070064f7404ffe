#include "ui/NameIndexStatus.h"

#include <QMetaObject>
#include <QTimer>

#include "search/NameIndex.h"

namespace plomix {

namespace {

constexpr int kRecheckMs = 5000;

QString ToolTipOf(NameIndexStatus::Shown state) {
  using Shown = NameIndexStatus::Shown;
  switch (state) {
    case Shown::Missing:
      return QStringLiteral("名前の索引はありません。検索はすべてのレコードを調べます。");
    case Shown::Checking:
      return QStringLiteral("名前の索引を確かめています。");
    case Shown::Current:
      return QStringLiteral("名前の索引はDBの今の内容から作られています。");
    case Shown::Building:
      return QStringLiteral(
          "名前の索引を作り直しています。終わるまで検索はすべてのレコードを調べます。");
    case Shown::Stale:
      return QStringLiteral(
          "DBが変わったため名前の索引は使われません。"
          "次にDBを開いたときに作り直されます。");
  }
  return {};
}

}  // namespace

QString NameIndexStatus::TextOf(Shown state) {
  switch (state) {
    case Shown::Missing:
      return QStringLiteral("索引：なし");
    case Shown::Checking:
      return QStringLiteral("索引：確認中…");
    case Shown::Current:
      return QStringLiteral("索引：最新");
    case Shown::Building:
      return QStringLiteral("索引：作成中…");
    case Shown::Stale:
      return QStringLiteral("索引：古い");
  }
  return {};
}

NameIndexStatus::NameIndexStatus(QWidget* parent) : QLabel(parent) {
  setObjectName(QStringLiteral("StatusBar1Panel2"));
  recheck_ = new QTimer(this);
  recheck_->setInterval(kRecheckMs);
  connect(recheck_, &QTimer::timeout, this, &NameIndexStatus::Recheck);
  Show(Shown::Missing);
}

NameIndexStatus::~NameIndexStatus() {
  Stop();
}

void NameIndexStatus::Stop() {
  refresh_.Stop();
}

void NameIndexStatus::Follow(const std::string& catalogPath) {
  const int generation = ++generation_;
  path_ = catalogPath;
  Show(Shown::Checking);
  const bool started = refresh_.StartIfStale(
      catalogPath,
      [this, generation](bool written) {
        ShowLater(written ? Shown::Current : Shown::Stale, generation);
      },
      [this, generation](NameIndexState found) {
        switch (found) {
          case NameIndexState::Missing:
            return ShowLater(Shown::Missing, generation);
          case NameIndexState::Current:
            return ShowLater(Shown::Current, generation);
          case NameIndexState::Stale:
          case NameIndexState::Damaged:
            return ShowLater(Shown::Building, generation);
        }
      });
  if (!started) Show(Shown::Missing);
  recheck_->start();
}

void NameIndexStatus::ShowLater(Shown state, int generation) {
  // The worker is stopped (and joined) before this label goes, so `this`
  // is alive here; the queued call is dropped if it goes before it runs.
  QMetaObject::invokeMethod(
      this,
      [this, state, generation] {
        if (generation == generation_) Show(state);
      },
      Qt::QueuedConnection);
}

void NameIndexStatus::Recheck() {
  if (path_.empty() || shown_ == Shown::Checking || shown_ == Shown::Building) return;
  switch (NameIndexStampStateOf(path_)) {
    case NameIndexState::Missing:
      return Show(Shown::Missing);
    case NameIndexState::Current:
      // Still current, or built meanwhile by another program (which checked
      // its pages as it wrote them).
      return Show(Shown::Current);
    case NameIndexState::Stale:
    case NameIndexState::Damaged:
      return Show(Shown::Stale);
  }
}

void NameIndexStatus::Show(Shown state) {
  const bool changed = state != shown_ || text().isEmpty();
  shown_ = state;
  setText(TextOf(state));
  setToolTip(ToolTipOf(state));
  if (changed) Q_EMIT StateChanged(state);
}

}  // namespace plomix
