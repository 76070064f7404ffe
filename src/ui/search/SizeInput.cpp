#include "ui/search/SizeInput.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace plomix {

int64_t UnitBytes(SizeUnit unit) {
  return int64_t{1} << (10 * static_cast<int>(unit));
}

QString UnitName(SizeUnit unit) {
  switch (unit) {
    case SizeUnit::KB:
      return QStringLiteral("KB");
    case SizeUnit::MB:
      return QStringLiteral("MB");
    case SizeUnit::GB:
      return QStringLiteral("GB");
    case SizeUnit::Byte:
      break;
  }
  return QStringLiteral("Byte");
}

SizeText ReadSizeText(const QString& text, SizeUnit unit, bool lowerBound) {
  // Full-width digits, commas and points become their ASCII forms.
  QString plain = text.normalized(QString::NormalizationForm_KC).trimmed();
  if (plain.isEmpty()) return {};
  plain.remove(u',');
  static const QRegularExpression kNumber(QStringLiteral("^([0-9]*)(?:\\.([0-9]*))?$"));
  const QRegularExpressionMatch match = kNumber.match(plain);
  QString whole = match.captured(1), fraction = match.captured(2);
  if (!match.hasMatch() || (whole.isEmpty() && fraction.isEmpty()))
    return {std::nullopt, SizeTextError::NotANumber};
  while (whole.startsWith(u'0')) whole.remove(0, 1);
  while (fraction.endsWith(u'0')) fraction.chop(1);
  // Past 19 digits the whole part alone is beyond 64 bits; past 18 decimals
  // a fraction is finer than any byte count needs.
  if (whole.size() > 19) return {std::nullopt, SizeTextError::TooLarge};
  if (fraction.size() > 18) return {std::nullopt, SizeTextError::NotANumber};
  using Wide = unsigned __int128;
  Wide scale = 1, number = 0;
  for (const QChar c : whole + fraction)
    number = number * 10 + static_cast<unsigned>(c.digitValue());
  for (qsizetype i = 0; i < fraction.size(); ++i) scale *= 10;
  Wide scaled = 0;
  if (__builtin_mul_overflow(number, static_cast<Wide>(UnitBytes(unit)), &scaled))
    return {std::nullopt, SizeTextError::TooLarge};
  Wide bytes = scaled / scale;
  if (lowerBound && scaled % scale != 0) ++bytes;
  if (bytes > static_cast<Wide>(std::numeric_limits<int64_t>::max()))
    return {std::nullopt, SizeTextError::TooLarge};
  return {static_cast<int64_t>(bytes), SizeTextError::None};
}

QString SizeInUnitText(double bytes, SizeUnit unit, bool lowerBound) {
  if (!(bytes > 0)) return QStringLiteral("0");
  const double inUnit = bytes / static_cast<double>(UnitBytes(unit));
  const double whole = lowerBound ? std::floor(inUnit) : std::ceil(inUnit);
  if (whole >= 9223372036854775808.0)
    return QString::number(std::numeric_limits<int64_t>::max() / UnitBytes(unit));
  return QString::number(static_cast<qint64>(whole));
}

QString GroupedBytes(int64_t bytes) {
  return QLocale(QLocale::English).toString(static_cast<qlonglong>(bytes));
}

}  // namespace plomix
