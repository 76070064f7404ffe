#include "search/NameIndexKeys.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include "core/Text.h"
#include "search/SearchConditions.h"

namespace plomix::name_index {

namespace {

bool IsAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// The lower-cased form the search compares a CP932 name in: ASCII letters
// alone for an ASCII name, the full two-byte case tables otherwise.
std::string_view LowerCp932(std::string_view in, std::string& out) {
  if (!IsAscii(in)) {
    out = text::AnsiLower(in);
    return out;
  }
  out.resize(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    const auto byte = static_cast<unsigned char>(in[i]);
    out[i] = static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte + ('a' - 'A') : byte);
  }
  return out;
}

// UTF-8 text as case-folded code points, written back as UTF-8. Folding is
// one code point for one, so a name that contains a text (as code points)
// contains its folded form once both are folded.
void FoldedUtf8(std::string_view utf8, std::string& out) {
  out.clear();
  const auto* s = reinterpret_cast<const uint8_t*>(utf8.data());
  const auto length = static_cast<int32_t>(utf8.size());
  for (int32_t i = 0; i < length;) {
    UChar32 c;
    U8_NEXT(s, i, length, c);
    if (c < 0) c = 0xFFFD;
    c = u_foldCase(c, U_FOLD_CASE_DEFAULT);
    char bytes[U8_MAX_LENGTH];
    int32_t n = 0;
    U8_APPEND_UNSAFE(bytes, n, c);
    out.append(bytes, static_cast<std::size_t>(n));
  }
}

// The longest prefix of whole characters: a final lead byte may pair with a
// byte of the name beyond the literal, which lower-casing can change.
std::string_view WholeCharacters(std::string_view literal) {
  std::size_t i = 0;
  while (i < literal.size()) {
    if (text::IsLeadByte(static_cast<uint8_t>(literal[i]))) {
      if (i + 1 >= literal.size()) break;
      i += 2;
    } else {
      ++i;
    }
  }
  return literal.substr(0, i);
}

// The literal runs of a wildcard pattern, each with whether it is known to
// start on a character of the name: the first one (at the name's start) and
// every one after a "*" (the matcher finds those on a character). One after
// "?" alone may start on a second byte.
struct Literal {
  std::string_view text;
  bool aligned = false;
};
std::vector<Literal> Literals(std::string_view pattern) {
  std::vector<Literal> out;
  std::size_t i = 0;
  bool first = true;
  while (i < pattern.size()) {
    bool star = false, single = false;
    for (; i < pattern.size() && (pattern[i] == '*' || pattern[i] == '?'); ++i)
      (pattern[i] == '*' ? star : single) = true;
    const std::size_t start = i;
    while (i < pattern.size() && pattern[i] != '*' && pattern[i] != '?') ++i;
    if (i > start) out.push_back({pattern.substr(start, i - start), star || (first && !single)});
    first = false;
  }
  return out;
}

}  // namespace

std::string_view KeyText(std::string_view name, std::string_view exact, std::string& buffer) {
  if (!exact.empty()) {
    FoldedUtf8(text::NativeNameToUtf8(exact), buffer);
    return buffer;
  }
  return LowerCp932(name, buffer);
}

void AppendTrigrams(std::string_view text, std::vector<uint32_t>& out) {
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  for (std::size_t i = 0; i + 3 <= text.size(); ++i)
    out.push_back(uint32_t{s[i]} << 16 | uint32_t{s[i + 1]} << 8 | s[i + 2]);
}

PatternKeys KeysOfPattern(const SearchConditions& c, bool second) {
  PatternKeys keys;
  const std::string& cp932 = second ? c.namePattern2 : c.namePattern;
  const std::string& given = second ? c.nameNative2 : c.nameNative;
  const bool held = second ? c.nameCp932Exact2 : c.nameCp932Exact;
  std::string buffer;

  // CP932 names. Without case the search compares the lower-cased pattern
  // with the lower-cased name byte for byte, so every literal of the lowered
  // pattern lies in the lowered name. With case the pattern's own bytes lie
  // in the name; lowering maps whole characters, so the lowered form of a
  // literal's whole characters lies in the lowered name where the literal
  // starts on a character.
  if (!held) {
    keys.cp932Never = true;
  } else {
    const std::string lowered = c.nameCaseSensitive ? cp932 : text::AnsiLower(cp932);
    std::vector<Literal> literals;
    if (c.namePartial)
      literals.push_back({lowered, true});
    else
      literals = Literals(lowered);
    for (const Literal& literal : literals) {
      if (!c.nameCaseSensitive) {
        AppendTrigrams(literal.text, keys.cp932);
      } else if (literal.aligned) {
        const std::string copy(WholeCharacters(literal.text));
        AppendTrigrams(LowerCp932(copy, buffer), keys.cp932);
      }
    }
    keys.cp932Usable = !keys.cp932.empty();
  }

  // Exact names are compared as code points of their shown form, folded
  // unless case counts; "?" is one code point there and "*" any run, so a
  // literal's folded UTF-8 lies in the name's folded UTF-8 either way.
  std::string folded;
  FoldedUtf8(given.empty() ? text::Cp932ToUtf8(cp932) : given, folded);
  if (c.namePartial) {
    AppendTrigrams(folded, keys.exact);
  } else {
    for (const Literal& literal : Literals(folded)) AppendTrigrams(literal.text, keys.exact);
  }
  return keys;
}

}  // namespace plomix::name_index
