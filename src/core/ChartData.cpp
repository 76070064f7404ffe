#include "core/ChartData.h"

#include <algorithm>
#include <cmath>

#include "core/Format.h"
#include "core/Text.h"

namespace plomix {

namespace {

double Clean(double value) {
  return std::isfinite(value) && value > 0 ? value : 0.0;
}

// The longest prefix of at most n bytes that does not end inside a two-byte
// character, so that a cut label never shows half a character.
std::size_t CharBoundaryAtMost(std::string_view text, std::size_t n) {
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t width = text::IsLeadByte(static_cast<uint8_t>(text[i])) ? 2 : 1;
    if (i + width > n) break;
    i += width;
  }
  return std::min(i, text.size());
}

QString Number(double value) {
  return QString::fromStdString(FormatNumber(value));
}

}  // namespace

uint32_t KindColour(int kind) {
  if (kind <= kKindCatalog) return kChartPurple;
  if (IsMediaKind(kind)) return kChartYellow;
  if (IsFolderKind(kind)) return kChartRed;
  return kChartBlue;
}

QString ChartTitle(ChartMeasure measure, bool mediaList) {
  switch (measure) {
    case ChartMeasure::Size:
      return mediaList ? QStringLiteral("空きｻｲｽﾞ一覧...[単位：Byte]")
                       : QStringLiteral("□ﾌｧｲﾙ(■ﾌｫﾙﾀﾞ)のｻｲｽﾞ一覧...[単位：Byte]");
    case ChartMeasure::ClusterGap:
      return mediaList ? QStringLiteral("ｸﾗｽﾀｻｲｽﾞ一覧...[単位：Byte]")
                       : QStringLiteral("ｸﾗｽﾀによる無駄なｻｲｽﾞ一覧...[単位：Byte]");
    case ChartMeasure::Allocated:
      return mediaList ? QStringLiteral("空きｻｲｽﾞ + ｸﾗｽﾀｻｲｽﾞ一覧...[単位：Byte]")
                       : QStringLiteral("ｸﾗｽﾀｻｲｽﾞ一覧...[単位：Byte]");
  }
  return {};
}

std::string ChartLabel(int rank, std::string_view nameCp932, int kind, int maxLength, bool fill) {
  const std::size_t limit = static_cast<std::size_t>(std::max(maxLength, 0));
  std::string name;
  if (nameCp932.size() > limit) {
    name.assign(nameCp932.substr(0, CharBoundaryAtMost(nameCp932, limit)));
    name += "...";
  } else {
    name.assign(nameCp932);
    if (fill) {
      // One space and 255 hyphens: a filled name is L + 3 bytes long, as long
      // as a cut one.
      const std::size_t pad = std::min<std::size_t>(limit - nameCp932.size() + 3, 256);
      name += ' ';
      name.append(pad - 1, '-');
    }
  }
  std::string label = std::to_string(rank) + ") ";
  if (IsFolderKind(kind)) {
    label += "\x81\xA1";  // ■
  } else if (kind == kKindFile) {
    label += "\x81\xA0";  // □
  }
  return label + name;
}

QString ShownChartLabel(int rank, std::string_view nameCp932, std::string_view exact, int kind,
                        int maxLength, bool fill) {
  const std::string label = ChartLabel(rank, nameCp932, kind, maxLength, fill);
  if (exact.empty()) return text::Cp932ToQString(label);
  const std::size_t prefix = ChartLabel(rank, "", kind, 0, false).size();
  const std::string_view name = std::string_view(label).substr(prefix);
  const QString shown = text::NativeNameToQString(exact);
  QString out = text::Cp932ToQString(label.substr(0, prefix));
  if (nameCp932.size() > static_cast<std::size_t>(std::max(maxLength, 0))) {
    // Each character of the exact name has one in the CP932 form.
    std::size_t keep = text::CharCount(name.substr(0, name.size() - 3));
    qsizetype at = 0;
    for (; at < shown.size() && keep > 0; --keep)
      at += shown.at(at).isHighSurrogate() && at + 1 < shown.size() ? 2 : 1;
    return out + shown.left(at) + QStringLiteral("...");
  }
  return out + shown + text::Cp932ToQString(name.substr(nameCp932.size()));
}

void ChartData::Clear() {
  rows_.clear();
  order_.clear();
}

void ChartData::Fill(std::span<const TRecord> rows, bool mediaList,
                     const std::function<double(int32_t key)>& freeSpaceOf) {
  Clear();
  mediaList_ = mediaList;
  rows_.reserve(rows.size());
  for (const TRecord& r : rows) {
    Row row{r.Name, r.Kind, r.Key, Clean(r.Size), Clean(r.Allocated), r.ExactName};
    if (mediaList) row.size = freeSpaceOf ? Clean(freeSpaceOf(r.Key)) : 0.0;
    rows_.push_back(std::move(row));
  }
  order_.resize(rows_.size());
  for (std::size_t i = 0; i < order_.size(); ++i) order_[i] = static_cast<int>(i);
  Sort();
}

void ChartData::SetMeasure(ChartMeasure measure) {
  measure_ = measure;
  for (std::size_t i = 0; i < order_.size(); ++i) order_[i] = static_cast<int>(i);
  Sort();
}

double ChartData::Value(int row) const {
  const Row& r = RowAt(row);
  switch (measure_) {
    case ChartMeasure::Size:
      return r.size;
    case ChartMeasure::ClusterGap:
      return mediaList_ ? r.allocated : std::max(r.allocated - r.size, 0.0);
    case ChartMeasure::Allocated:
      return mediaList_ ? r.size + r.allocated : r.allocated;
  }
  return 0;
}

void ChartData::Sort() {
  std::vector<double> values(rows_.size());
  for (std::size_t i = 0; i < rows_.size(); ++i) values[i] = Value(static_cast<int>(i));
  std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
    return values[static_cast<std::size_t>(a)] > values[static_cast<std::size_t>(b)];
  });
}

int ChartData::PageEnd(int start, int perPage) const {
  if (rows_.empty()) return -1;
  const int64_t end = static_cast<int64_t>(std::max(start, 0)) + std::max(perPage, 1) - 1;
  return static_cast<int>(std::min<int64_t>(end, RowCount() - 1));
}

std::vector<ChartBar> ChartData::BarPage(int start, int perPage, int nameLength,
                                         bool size2Only) const {
  std::vector<ChartBar> bars;
  if (rows_.empty()) return bars;
  start = std::clamp(start, 0, RowCount() - 1);
  const int end = PageEnd(start, perPage);
  for (int i = start; i <= end; ++i) {
    const int index = order_[static_cast<std::size_t>(i)];
    const Row& r = rows_[static_cast<std::size_t>(index)];
    ChartBar bar;
    bar.row = index;
    bar.label = ShownChartLabel(i + 1, r.name, r.exact, r.kind, nameLength, true);
    const uint32_t own = KindColour(r.kind);
    // The second part is the one unit at the tip that carries the value text;
    // a value below 1 (an empty file) puts its whole value there instead of
    // making the first part negative.
    const auto splitTip = [&bar](double value, uint32_t colour) {
      bar.first = std::max(value - 1.0, 0.0);
      bar.second = value - bar.first;
      bar.firstColour = bar.secondColour = colour;
      bar.mark = Number(value);
    };
    switch (measure_) {
      case ChartMeasure::Size:
        splitTip(r.size, own);
        break;
      case ChartMeasure::ClusterGap:
        if (mediaList_) {
          splitTip(r.allocated, kChartFuchsia);
        } else {
          splitTip(std::max(r.allocated - r.size, 0.0), kChartWhite);
        }
        break;
      case ChartMeasure::Allocated: {
        const double base = r.size;
        const double total = mediaList_ ? r.size + r.allocated : std::max(r.allocated, r.size);
        bar.first = base;
        bar.firstColour = mediaList_ ? kChartYellow : own;
        bar.second = total - base;
        bar.secondColour = mediaList_ ? kChartFuchsia : kChartWhite;
        bar.mark = Number(mediaList_ ? total : r.allocated);
        if (!size2Only) bar.mark += QLatin1Char('(') + Number(base) + QLatin1Char(')');
        break;
      }
    }
    bars.push_back(std::move(bar));
  }
  return bars;
}

std::vector<ChartSlice> ChartData::PieSlices(int maxSlices, int nameLength) const {
  std::vector<ChartSlice> slices;
  const int named = maxSlices <= 0 ? RowCount() : std::min(maxSlices, RowCount());
  double rest = 0;
  for (int i = 0; i < RowCount(); ++i) {
    const int index = order_[static_cast<std::size_t>(i)];
    const Row& r = rows_[static_cast<std::size_t>(index)];
    double value = 0;
    uint32_t colour = kChartWhite;
    switch (measure_) {
      case ChartMeasure::Size:
        value = r.size;
        colour = KindColour(r.kind);
        break;
      case ChartMeasure::ClusterGap:
        value = mediaList_ ? r.allocated : std::max(r.allocated - r.size, 0.0);
        break;
      case ChartMeasure::Allocated:
        value = r.allocated;
        colour = kChartFuchsia;
        break;
    }
    if (i < named) {
      slices.push_back(
          {ShownChartLabel(i + 1, r.name, r.exact, r.kind, nameLength, false), value, colour});
    } else {
      rest += value;
    }
  }
  if (rest > 0) slices.push_back({QStringLiteral("その他"), rest, kChartWhite});
  return slices;
}

}  // namespace plomix
