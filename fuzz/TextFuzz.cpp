// The code-page-932 text functions on fuzzed bytes, checked against their
// promises: conversions settle after one round trip and give valid UTF-8,
// the QString forms agree with the byte forms, case maps keep the byte length
// and every character boundary, the substring search finds exactly what a
// plain walk over character starts finds, and the comparisons are consistent.
// Input: byte 0 = where to split into two texts, byte 1 = search start.

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/Text.h"

namespace {

using namespace plomix::text;

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
  }
}

std::vector<std::size_t> CharacterStarts(std::string_view text) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < text.size();) {
    starts.push_back(i);
    i += IsLeadByte(static_cast<uint8_t>(text[i])) && i + 1 < text.size() ? 2 : 1;
  }
  return starts;
}

bool IsValidUtf8(const std::string& bytes) {
  return QString::fromUtf8(bytes).toUtf8() == QByteArray::fromStdString(bytes);
}

std::size_t ReferenceFind(std::string_view haystack, std::string_view needle, std::size_t from) {
  if (from > haystack.size()) return std::string_view::npos;
  if (needle.empty()) return from;
  for (const std::size_t start : CharacterStarts(haystack)) {
    if (start >= from && haystack.compare(start, needle.size(), needle) == 0 &&
        start + needle.size() <= haystack.size()) {
      return start;
    }
  }
  return std::string_view::npos;
}

int Sign(int v) {
  return (v > 0) - (v < 0);
}

void CheckOne(std::string_view cp932) {
  // Conversions: after one round trip the text is made of characters that
  // survive it, so a second round trip changes nothing.
  const std::string utf8 = Cp932ToUtf8(cp932);
  Check(IsValidUtf8(utf8), "Cp932ToUtf8 gives valid UTF-8");
  Check(Cp932ToQString(cp932).toUtf8().toStdString() == utf8, "Cp932ToQString agrees");
  const std::string settled = Utf8ToCp932(utf8);
  Check(Utf8ToCp932(Cp932ToUtf8(settled)) == settled, "CP932 round trip settles");
  Check(QStringToCp932(QString::fromUtf8(utf8)) == settled, "QStringToCp932 agrees");
  // The same bytes taken as UTF-8 of any kind.
  const std::string fromUtf8 = Utf8ToCp932(cp932);
  Check(Utf8ToCp932(Cp932ToUtf8(fromUtf8)) == fromUtf8, "UTF-8 round trip settles");

  // Case maps keep every byte position.
  const std::vector<std::size_t> starts = CharacterStarts(cp932);
  for (const std::string& mapped : {AnsiUpper(cp932), AnsiLower(cp932)}) {
    Check(mapped.size() == cp932.size(), "case map keeps the length");
    Check(CharacterStarts(mapped) == starts, "case map keeps the character starts");
  }
  Check(CharCount(cp932) == starts.size(), "CharCount counts the character starts");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 2 || size > 512) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
  const std::string_view a = rest.substr(0, std::min<std::size_t>(data[0], rest.size()));
  const std::string_view b = rest.substr(a.size());
  const std::size_t from = data[1] % (rest.size() + 2);
  CheckOne(rest);

  for (const auto& [haystack, needle] : {std::pair{a, b}, std::pair{b, a}, std::pair{rest, b}}) {
    const std::size_t found = FindText(haystack, needle, from);
    Check(found == ReferenceFind(haystack, needle, from), "FindText finds the first start");
  }

  const int ab = CompareAnsi(a, b);
  Check(Sign(ab) == -Sign(CompareAnsi(b, a)), "CompareAnsi is antisymmetric");
  Check((ab == 0) == (a == b), "CompareAnsi is 0 only for the same bytes");
  const int abText = CompareAnsiText(a, b);
  Check(Sign(abText) == -Sign(CompareAnsiText(b, a)), "CompareAnsiText is antisymmetric");
  Check((abText == 0) == (AnsiLower(a) == AnsiLower(b)),
        "CompareAnsiText is 0 only for the same lower-cased bytes");
  Check(CutBytes(a, 5).size() == std::min<std::size_t>(5, a.size()), "CutBytes cuts");
  return 0;
}
