#pragma once
// The size boxes of the search dialog: a number as typed (grouping commas, a
// decimal point and full-width digits allowed) times a unit of 1024-byte
// steps, to whole bytes over the full 64-bit range. Nothing is clipped: a
// value beyond the range is reported, never cut to fit.

#include <QString>
#include <cstdint>
#include <optional>

namespace plomix {

enum class SizeUnit { Byte = 0, KB, MB, GB };

// 1, 1024, 1024², 1024³.
int64_t UnitBytes(SizeUnit unit);
// "Byte", "KB", "MB", "GB".
QString UnitName(SizeUnit unit);

enum class SizeTextError { None, NotANumber, TooLarge };

struct SizeText {
  std::optional<int64_t> bytes;  // none: the box is empty (no bound) or in error
  SizeTextError error = SizeTextError::None;
};

// Reads one box. A lower bound rounds a fraction of a byte up and an upper
// bound rounds it down, so that the bound keeps its meaning in whole bytes.
SizeText ReadSizeText(const QString& text, SizeUnit unit, bool lowerBound);

// A stored size in `unit` as a whole number for a box: rounded down for a
// lower bound, up for an upper one, so that the range still holds it.
QString SizeInUnitText(double bytes, SizeUnit unit, bool lowerBound);

// "9,223,372,036,854,775,807".
QString GroupedBytes(int64_t bytes);

}  // namespace plomix
