#include "browse/BrowseHistory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <cstdlib>

#include "core/Text.h"

namespace plomix {

namespace {

std::string NameOfLine(const std::string& line) {
  const auto comma = line.find(',');
  return comma == std::string::npos ? std::string() : line.substr(comma + 1);
}

// Past the largest magnitude a key can have.
constexpr int64_t kMagnitudeEnd = 2 * kWideHistoryBase;

}  // namespace

int64_t HistoryNumber(int32_t key, bool treeNode) {
  if (treeNode && !IsEntryKey(key)) return 1;
  const int64_t magnitude = key >= 0 ? int64_t{key} : kWideHistoryBase + (-2 - int64_t{key});
  return treeNode ? -magnitude : magnitude;
}

int32_t KeyOfHistoryNumber(int64_t number) {
  const int64_t magnitude = number < 0 ? -number : number;
  if (magnitude < kWideHistoryBase) return static_cast<int32_t>(magnitude);
  return static_cast<int32_t>(-2 - (magnitude - kWideHistoryBase));
}

void BrowseHistory::Record(int64_t number, const Cp932& name) {
  if (suppressed_) return;
  const int64_t magnitude = number < 0 ? -number : number;
  if (magnitude == lastMagnitude_) return;
  lastMagnitude_ = magnitude;
  lines_.resize(static_cast<std::size_t>(position_ + 1));
  lines_.push_back(std::to_string(number) + "," + name);
  position_ = static_cast<int>(lines_.size()) - 1;
}

void BrowseHistory::Reset() {
  lines_ = {"1,Plomix2"};
  position_ = 0;
  lastMagnitude_ = 1;
  suppressed_ = false;
}

HistoryMove BrowseHistory::Move(int delta) {
  HistoryMove move;
  const int target = position_ + delta;
  if (target < 0 || target >= Count()) return move;
  position_ = target;
  const std::string& line = lines_[static_cast<std::size_t>(target)];
  const QString head = text::Cp932ToQString(line.substr(0, line.find(',')));
  bool ok = false;
  const qlonglong value = head.trimmed().toLongLong(&ok);
  if (!ok || value <= -kMagnitudeEnd || value >= kMagnitudeEnd) {
    move.kind = HistoryMove::Kind::NotInteger;
    move.badText = head;
    return move;
  }
  move.number = value;
  move.name = NameOfLine(line);
  if (value == 0)
    move.kind = HistoryMove::Kind::Nothing;
  else if (value == 1 || value == -1)
    move.kind = HistoryMove::Kind::Top;
  else
    move.kind = HistoryMove::Kind::Entry;
  return move;
}

bool BrowseHistory::Load(const QString& path, int64_t lastMagnitude) {
  lines_.clear();
  position_ = -1;
  lastMagnitude_ = lastMagnitude;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray all = file.readAll();
  for (QByteArray line : all.split('\n')) {
    if (line.endsWith('\r')) line.chop(1);
    if (line.isEmpty()) continue;
    lines_.emplace_back(line.constData(), static_cast<std::size_t>(line.size()));
  }
  position_ = Count() - 1;
  return true;
}

bool BrowseHistory::Save(const QString& path, int maxCount) {
  lines_.resize(static_cast<std::size_t>(position_ + 1));
  const int keep = maxCount < 0 ? 0 : maxCount;
  if (Count() > keep) {
    lines_.erase(lines_.begin(), lines_.begin() + (Count() - keep));
    position_ = Count() - 1;
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  for (const std::string& line : lines_) {
    file.write(line.data(), static_cast<qint64>(line.size()));
    file.write("\r\n", 2);
  }
  return file.commit();
}

QString BrowseHistory::BackHint() const {
  if (position_ <= 0) return QStringLiteral("戻る[0]");
  return QStringLiteral("戻る[%1] ").arg(position_) +
         text::Cp932ToQString(
             text::CutBytes(NameOfLine(lines_[static_cast<std::size_t>(position_ - 1)]), 100));
}

QString BrowseHistory::ForwardHint() const {
  const int after = Count() - 1 - position_;
  if (position_ < 0 || after <= 0) return QStringLiteral("進む[0]");
  return QStringLiteral("進む[%1] ").arg(after) +
         text::Cp932ToQString(
             text::CutBytes(NameOfLine(lines_[static_cast<std::size_t>(position_ + 1)]), 100));
}

Cp932 BrowseHistory::Line(int i) const {
  return i >= 0 && i < Count() ? lines_[static_cast<std::size_t>(i)] : std::string();
}

QString HistoryFilePath() {
  const QString name = QStringLiteral("RefHist.hst");
  const QByteArray configDir = qgetenv("PLOMIX2_CONFIG_DIR");
  if (!configDir.isEmpty()) return QDir(QString::fromLocal8Bit(configDir)).filePath(name);
  const QString programDir = QCoreApplication::applicationDirPath();
  if (!programDir.isEmpty() && QFileInfo(programDir).isWritable())
    return QDir(programDir).filePath(name);
  const QString dataDir = QDir::homePath() + QStringLiteral("/.local/share/Quernfield/Plomix2");
  QDir().mkpath(dataDir);
  return QDir(dataDir).filePath(name);
}

}  // namespace plomix
