#pragma once
// The column layout of the file list: which data column each shown position
// displays (position 0 is always the name), each data column's caption, width
// and alignment, and their storage as REG_ListItemPos00..08 (data column per
// position) and REG_ListItemSize00..08 (width per position).

#include <QString>
#include <Qt>
#include <array>

namespace plomix {

class Settings;

class ColumnLayout {
 public:
  static constexpr int kCount = 9;
  static constexpr int kSizeColumn = 2;
  static constexpr int kVersionColumn = 7;

  // Design captions, widths and alignment; identity map.
  ColumnLayout();

  // Reads the map and widths. A position whose stored data column is out of
  // range or repeats an earlier one, or a map that moves the name away from
  // position 0, falls back to the identity so every column stays shown once.
  // A width the settings hold for a position wins when it is above 19; other
  // columns keep their starting width (the design width, or the fitted one).
  void Load(const Settings& settings);
  // The starting width of a data column that the settings hold no width for:
  // what its content needs in the list's font, never below the design width.
  void SetFittedWidth(int dataColumn, int width);
  // Writes the map and the width of the column shown at each position.
  void Save(Settings& settings) const;

  int DataColumnAt(int position) const { return map_[Clamp(position)]; }
  int PositionOf(int dataColumn) const;
  QString Caption(int dataColumn) const { return caption_[Clamp(dataColumn)]; }
  int Width(int dataColumn) const { return width_[Clamp(dataColumn)]; }
  void SetWidth(int dataColumn, int width) { width_[Clamp(dataColumn)] = width; }
  bool RightAligned(int dataColumn) const { return right_[Clamp(dataColumn)]; }
  Qt::Alignment Alignment(int dataColumn) const;
  // Data column 7 reads "空きサイズ" (right) in the media list, else "Version".
  void SetMediaList(bool mediaList);
  // Captions of positions 1..8, in order (the order dialog's list).
  std::array<QString, kCount - 1> OrderCaptions() const;
  // Applies an order of captions for positions 1..8; false (nothing changed)
  // when the captions are not exactly the eight non-name captions.
  bool ApplyOrder(const std::array<QString, kCount - 1>& captions);

 private:
  static int Clamp(int i) { return i < 0 ? 0 : (i >= kCount ? kCount - 1 : i); }

  std::array<int, kCount> map_{};
  std::array<QString, kCount> caption_;
  std::array<int, kCount> width_{};
  std::array<int, kCount> start_{};  // design or fitted width
  std::array<bool, kCount> right_{};
};

}  // namespace plomix
