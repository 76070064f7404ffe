#include "ui/ColumnLayout.h"

#include <algorithm>
#include <optional>

#include "core/Settings.h"

namespace plomix {

namespace {

constexpr std::array<int, ColumnLayout::kCount> kDesignWidths = {140, 50, 80,  120, 130,
                                                                 90,  96, 100, 120};

// The width the settings file holds for a key, if it holds a number there: a
// missing key reads as its default, which is not a choice of the user's.
std::optional<int> StoredWidth(const Settings& settings, SettingNo number) {
  const std::optional<SettingInfo> info = Settings::Describe(number);
  if (!info) return std::nullopt;
  bool ok = false;
  const int width = settings.GetRaw(info->key).trimmed().toInt(&ok);
  return ok ? std::optional<int>(width) : std::nullopt;
}

}  // namespace

ColumnLayout::ColumnLayout() {
  caption_ = {QStringLiteral("名前"),
              QStringLiteral("数"),
              QStringLiteral("サイズ"),
              QStringLiteral("ファイルの種類"),
              QStringLiteral("更新日時"),
              QStringLiteral("クラスタサイズ"),
              QStringLiteral("クラスタギャップ"),
              QStringLiteral("Version"),
              QStringLiteral("コメント")};
  for (int i = 0; i < kCount; ++i) {
    map_[i] = i;
    width_[i] = kDesignWidths[i];
    start_[i] = kDesignWidths[i];
  }
  right_ = {false, true, true, false, false, true, true, false, false};
}

void ColumnLayout::Load(const Settings& settings) {
  std::array<int, kCount> map{};
  std::array<bool, kCount> seen{};
  bool sound = true;
  for (int i = 0; i < kCount; ++i) {
    const int d = settings.GetInt(SettingAt(REG_ListItemPos00, i));
    if (d < 0 || d >= kCount || seen[d]) {
      sound = false;
      break;
    }
    seen[d] = true;
    map[i] = d;
  }
  if (sound && map[0] == 0) map_ = map;
  for (int i = 0; i < kCount; ++i) {
    const std::optional<int> w = StoredWidth(settings, SettingAt(REG_ListItemSize00, i));
    width_[map_[i]] = w && *w > 19 ? *w : start_[map_[i]];
  }
}

void ColumnLayout::SetFittedWidth(int dataColumn, int width) {
  const int d = Clamp(dataColumn);
  start_[d] = std::max(kDesignWidths[d], width);
  width_[d] = start_[d];
}

void ColumnLayout::Save(Settings& settings) const {
  for (int i = 0; i < kCount; ++i) {
    settings.SetInt(SettingAt(REG_ListItemPos00, i), map_[i]);
    settings.SetInt(SettingAt(REG_ListItemSize00, i), width_[map_[i]]);
  }
}

int ColumnLayout::PositionOf(int dataColumn) const {
  for (int i = 0; i < kCount; ++i)
    if (map_[i] == dataColumn) return i;
  return -1;
}

Qt::Alignment ColumnLayout::Alignment(int dataColumn) const {
  return (RightAligned(dataColumn) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

void ColumnLayout::SetMediaList(bool mediaList) {
  caption_[kVersionColumn] = mediaList ? QStringLiteral("空きサイズ") : QStringLiteral("Version");
  right_[kVersionColumn] = mediaList;
}

std::array<QString, ColumnLayout::kCount - 1> ColumnLayout::OrderCaptions() const {
  std::array<QString, kCount - 1> out;
  for (int i = 1; i < kCount; ++i) out[i - 1] = caption_[map_[i]];
  return out;
}

bool ColumnLayout::ApplyOrder(const std::array<QString, kCount - 1>& captions) {
  std::array<int, kCount> map{};
  std::array<bool, kCount> seen{};
  seen[0] = true;
  for (int k = 0; k < kCount - 1; ++k) {
    int found = -1;
    for (int d = 1; d < kCount; ++d)
      if (!seen[d] && caption_[d] == captions[k]) found = d;
    if (found < 0) return false;
    seen[found] = true;
    map[k + 1] = found;
  }
  map_ = map;
  return true;
}

}  // namespace plomix
