#include "browse/NameOrder.h"

#include <QString>

namespace plomix {

namespace {

// The CP932 form of one character, "" when CP932 has none.
Cp932 HeldForm(const QString& character) {
  const std::optional<Cp932> held = text::Utf8ToCp932Exact(character.toStdString());
  return held ? *held : Cp932();
}

}  // namespace

Cp932 NameOrderKey(Cp932View name, std::string_view exact) {
  if (exact.empty()) return Cp932(name);
  // Bytes that are no UTF-8 are lost characters too: the shown form carries
  // them as "\xHH", so the native bytes are taken apart instead.
  const QString text = QString::fromUtf8(exact.data(), static_cast<qsizetype>(exact.size()));
  Cp932 key;
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    const QString character = text.mid(i, length);
    i += length;
    Cp932 held = character.at(0) == QChar::ReplacementCharacter ? Cp932() : HeldForm(character);
    if (held.empty()) {
      // An accented letter: its base letter when CP932 holds that.
      const QString parts = character.normalized(QString::NormalizationForm_D);
      if (parts.size() > 1 && !parts.at(0).isMark()) {
        bool marksOnly = true;
        for (qsizetype p = 1; p < parts.size(); ++p) marksOnly = marksOnly && parts.at(p).isMark();
        if (marksOnly) held = HeldForm(parts.left(1));
      }
    }
    key += held.empty() ? Cp932("?") : held;
  }
  return key;
}

}  // namespace plomix
