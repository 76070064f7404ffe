#include "core/Text.h"

#include <unicode/coll.h>
#include <unicode/stringpiece.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <QFile>
#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

namespace plomix::text {
namespace {

constexpr const char* kConverterName = "windows-31j";
constexpr UChar kReplacement = 0xFFFD;

[[noreturn]] void ThrowIcuError(const char* what, UErrorCode status) {
  throw std::runtime_error(std::string(what) + ": " + u_errorName(status));
}

int32_t Int32Length(std::size_t length) {
  if (length > static_cast<std::size_t>(INT32_MAX)) {
    throw std::length_error("text longer than 2 GiB cannot be converted");
  }
  return static_cast<int32_t>(length);
}

// Names are mostly ASCII, so this runs on every name of a directory scan:
// eight bytes per step.
bool IsAscii(std::string_view text) {
  const char* p = text.data();
  std::size_t n = text.size();
  for (; n >= 8; p += 8, n -= 8) {
    uint64_t chunk;
    std::memcpy(&chunk, p, 8);
    if (chunk & 0x8080808080808080ULL) return false;
  }
  for (; n > 0; ++p, --n) {
    if (static_cast<uint8_t>(*p) >= 0x80) return false;
  }
  return true;
}

bool IsAscii(const char16_t* units, std::size_t n) {
  return std::all_of(units, units + n, [](char16_t u) { return u < 0x80; });
}

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// Strict round-trip mappings only: with fallbacks a character such as U+301C
// would silently become a different-looking neighbour instead of '?'. The
// single-byte '?' replaces ICU's two-byte default substitute, and also stops
// the to-Unicode side from producing U+001A for unassigned bytes.
ConverterPtr OpenConverter() {
  UErrorCode status = U_ZERO_ERROR;
  ConverterPtr converter(ucnv_open(kConverterName, &status));
  if (U_FAILURE(status)) ThrowIcuError("cannot open the windows-31j converter", status);
  ucnv_setSubstChars(converter.get(), "?", 1, &status);
  if (U_FAILURE(status)) ThrowIcuError("cannot set the converter's substitute", status);
  ucnv_setFallback(converter.get(), false);
  return converter;
}

// Converters keep state between calls and must not be shared between threads.
UConverter* ThreadConverter() {
  thread_local ConverterPtr converter = OpenConverter();
  return converter.get();
}

// ICU's table for this code page exchanges three control codes (0x1A, 0x1C and
// 0x7F) where Windows keeps all of ASCII as it is. ASCII must map to itself, or
// the pure-ASCII fast path and the converter would disagree about the same
// bytes. The repair is read from the converter, so a table without the
// exchange needs none.
struct AsciiRepair {
  std::array<uint8_t, 128> byteFor{};   // byte the converter decodes to this code
  std::array<char16_t, 128> unitFor{};  // code the converter encodes to this byte
  bool needed = false;
};

// Only codes that can never be a trail byte are repaired, so that patching a
// byte can never change how the pair before it is read.
bool CanBeTrail(int code) {
  return code >= 0x40 && code != 0x7F;
}

AsciiRepair BuildAsciiRepair() {
  ConverterPtr converter = OpenConverter();
  AsciiRepair repair;
  for (int c = 0; c < 128; ++c) {
    repair.byteFor[c] = static_cast<uint8_t>(c);
    repair.unitFor[c] = static_cast<char16_t>(c);
  }
  for (int c = 0; c < 128; ++c) {
    const char byte = static_cast<char>(c);
    UChar unit[2];
    UErrorCode status = U_ZERO_ERROR;
    if (ucnv_toUChars(converter.get(), unit, 2, &byte, 1, &status) == 1 && U_SUCCESS(status) &&
        unit[0] < 0x80 && !CanBeTrail(c) && !CanBeTrail(unit[0])) {
      repair.byteFor[unit[0]] = static_cast<uint8_t>(c);
    }
    const UChar code = static_cast<UChar>(c);
    char encoded[4];
    status = U_ZERO_ERROR;
    if (ucnv_fromUChars(converter.get(), encoded, 4, &code, 1, &status) == 1 && U_SUCCESS(status) &&
        static_cast<uint8_t>(encoded[0]) < 0x80 && !CanBeTrail(c) &&
        !CanBeTrail(static_cast<uint8_t>(encoded[0]))) {
      repair.unitFor[static_cast<uint8_t>(encoded[0])] = code;
    }
  }
  for (int c = 0; c < 128; ++c) {
    if (repair.byteFor[c] != c || repair.unitFor[c] != c) repair.needed = true;
  }
  return repair;
}

const AsciiRepair& Repair() {
  static const AsciiRepair repair = BuildAsciiRepair();
  return repair;
}

void DecodeInto(std::string_view cp932, std::u16string& out) {
  out.clear();
  if (IsAscii(cp932)) {
    out.assign(cp932.begin(), cp932.end());
    return;
  }
  std::string_view source = cp932;
  const AsciiRepair& repair = Repair();
  thread_local std::string patched;
  if (repair.needed) {
    patched.assign(cp932);
    for (char& c : patched) {
      const auto byte = static_cast<uint8_t>(c);
      if (byte < 0x80) c = static_cast<char>(repair.byteFor[byte]);
    }
    source = patched;
  }
  UConverter* converter = ThreadConverter();
  const int32_t sourceLength = Int32Length(source.size());
  // One byte never yields more than one UTF-16 unit in this code page.
  out.resize(source.size());
  UErrorCode status = U_ZERO_ERROR;
  int32_t length = ucnv_toUChars(converter, out.data(), Int32Length(out.size()), source.data(),
                                 sourceLength, &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    out.resize(static_cast<std::size_t>(length));
    status = U_ZERO_ERROR;
    length = ucnv_toUChars(converter, out.data(), length, source.data(), sourceLength, &status);
  }
  if (U_FAILURE(status)) ThrowIcuError("CP932 decoding failed", status);
  out.resize(static_cast<std::size_t>(length));
}

std::string Encode(const char16_t* units, std::size_t n) {
  if (IsAscii(units, n)) return std::string(units, units + n);
  const AsciiRepair& repair = Repair();
  thread_local std::u16string patched;
  if (repair.needed) {
    patched.assign(units, n);
    for (char16_t& u : patched) {
      if (u < 0x80) u = repair.unitFor[u];
    }
    units = patched.data();
  }
  UConverter* converter = ThreadConverter();
  const int32_t sourceLength = Int32Length(n);
  std::string out(n * 2, '\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t length =
      ucnv_fromUChars(converter, out.data(), Int32Length(out.size()), units, sourceLength, &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    out.resize(static_cast<std::size_t>(length));
    status = U_ZERO_ERROR;
    length = ucnv_fromUChars(converter, out.data(), length, units, sourceLength, &status);
  }
  if (U_FAILURE(status)) ThrowIcuError("CP932 encoding failed", status);
  out.resize(static_cast<std::size_t>(length));
  return out;
}

// Text.h promises the comparisons are thread-safe; a collator is not, so each
// thread works on its own clone of one prototype.
icu::Collator& ThreadCollator() {
  static const std::unique_ptr<icu::Collator> prototype = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(
        icu::Collator::createInstance(icu::Locale("ja"), status));
    if (U_FAILURE(status) || !collator)
      ThrowIcuError("cannot create the Japanese collator", status);
    collator->setStrength(icu::Collator::TERTIARY);
    return collator;
  }();
  thread_local std::unique_ptr<icu::Collator> collator(prototype->clone());
  if (!collator) throw std::runtime_error("cannot clone the Japanese collator");
  return *collator;
}

int Collate(std::string_view a, std::string_view b) {
  icu::Collator& collator = ThreadCollator();
  UErrorCode status = U_ZERO_ERROR;
  UCollationResult result;
  if (IsAscii(a) && IsAscii(b)) {
    // ASCII in CP932 is already UTF-8.
    result = collator.compareUTF8(icu::StringPiece(a.data(), Int32Length(a.size())),
                                  icu::StringPiece(b.data(), Int32Length(b.size())), status);
  } else {
    thread_local std::u16string unicodeA;
    thread_local std::u16string unicodeB;
    DecodeInto(a, unicodeA);
    DecodeInto(b, unicodeB);
    result = collator.compare(unicodeA.data(), Int32Length(unicodeA.size()), unicodeB.data(),
                              Int32Length(unicodeB.size()), status);
  }
  if (U_FAILURE(status)) ThrowIcuError("collation failed", status);
  return result;
}

constexpr int kLeadCount = (0x9F - 0x81 + 1) + (0xFC - 0xE0 + 1);

int LeadIndex(uint8_t lead) {
  return lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + (0x9F - 0x81 + 1);
}

struct CaseTable {
  std::array<uint8_t, 256> single{};
  std::vector<uint16_t> pair;  // [LeadIndex(lead) * 256 + trail] -> mapped lead << 8 | trail
};

struct CaseTables {
  CaseTable upper;
  CaseTable lower;
};

// The mapped character's bytes, or the original ones when it has no
// two-byte form (CP932 cannot hold it, or it would take one byte).
uint16_t MappedPair(UConverter* converter, UChar32 original, UChar32 mapped, uint16_t bytes) {
  if (mapped == original || mapped > 0xFFFF) return bytes;
  const UChar unit = static_cast<UChar>(mapped);
  char encoded[4];
  UErrorCode status = U_ZERO_ERROR;
  if (ucnv_fromUChars(converter, encoded, 4, &unit, 1, &status) != 2 || U_FAILURE(status)) {
    return bytes;
  }
  return static_cast<uint16_t>(static_cast<uint8_t>(encoded[0]) << 8 |
                               static_cast<uint8_t>(encoded[1]));
}

CaseTables BuildCaseTables() {
  CaseTables tables;
  // ASCII letters are the only single-byte characters with case; half-width
  // katakana have none.
  for (int c = 0; c < 256; ++c) {
    tables.upper.single[c] = static_cast<uint8_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    tables.lower.single[c] = static_cast<uint8_t>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  tables.upper.pair.resize(kLeadCount * 256);
  tables.lower.pair.resize(kLeadCount * 256);
  ConverterPtr converter = OpenConverter();
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLeadByte(static_cast<uint8_t>(lead))) continue;
    for (int trail = 0; trail < 256; ++trail) {
      const auto bytes = static_cast<uint16_t>(lead << 8 | trail);
      const std::size_t index =
          static_cast<std::size_t>(LeadIndex(static_cast<uint8_t>(lead))) * 256 +
          static_cast<std::size_t>(trail);
      tables.upper.pair[index] = bytes;
      tables.lower.pair[index] = bytes;
      const char source[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      UChar decoded[4];
      UErrorCode status = U_ZERO_ERROR;
      if (ucnv_toUChars(converter.get(), decoded, 4, source, 2, &status) != 1 ||
          U_FAILURE(status) || decoded[0] == kReplacement || U16_IS_SURROGATE(decoded[0])) {
        continue;
      }
      const UChar32 c = decoded[0];
      tables.upper.pair[index] = MappedPair(converter.get(), c, u_toupper(c), bytes);
      tables.lower.pair[index] = MappedPair(converter.get(), c, u_tolower(c), bytes);
    }
  }
  return tables;
}

const CaseTables& Tables() {
  static const CaseTables tables = BuildCaseTables();
  return tables;
}

// A lead byte and the byte after it are always one character, the same
// reading FindText and CharCount use; a lead byte at the very end stands alone.
void MapCaseInto(std::string_view cp932, const CaseTable& table, std::string& out) {
  out.assign(cp932);
  const std::size_t size = out.size();
  for (std::size_t i = 0; i < size;) {
    const auto byte = static_cast<uint8_t>(out[i]);
    if (IsLeadByte(byte) && i + 1 < size) {
      const auto trail = static_cast<uint8_t>(out[i + 1]);
      const uint16_t mapped = table.pair[static_cast<std::size_t>(LeadIndex(byte)) * 256 + trail];
      out[i] = static_cast<char>(mapped >> 8);
      out[i + 1] = static_cast<char>(mapped & 0xFF);
      i += 2;
    } else {
      out[i] = static_cast<char>(table.single[byte]);
      ++i;
    }
  }
}

std::size_t CharLength(std::string_view text, std::size_t pos) {
  return IsLeadByte(static_cast<uint8_t>(text[pos])) && pos + 1 < text.size() ? 2 : 1;
}

}  // namespace

std::string Utf8ToCp932(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  thread_local std::u16string unicode;
  // No UTF-8 byte yields more than one UTF-16 unit.
  unicode.resize(utf8.size());
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(unicode.data(), Int32Length(unicode.size()), &length, utf8.data(),
                       Int32Length(utf8.size()), kReplacement, nullptr, &status);
  if (U_FAILURE(status) && status != U_BUFFER_OVERFLOW_ERROR) {
    ThrowIcuError("UTF-8 decoding failed", status);
  }
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    unicode.resize(static_cast<std::size_t>(length));
    status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(unicode.data(), length, &length, utf8.data(), Int32Length(utf8.size()),
                         kReplacement, nullptr, &status);
    if (U_FAILURE(status)) ThrowIcuError("UTF-8 decoding failed", status);
  }
  // The replacement character has no CP932 form, so broken UTF-8 ends as '?'.
  return Encode(unicode.data(), static_cast<std::size_t>(length));
}

std::optional<std::string> Utf8ToCp932Exact(std::string_view utf8) {
  bool exact = true;
  std::string cp932 = NativeNameToCp932(utf8, exact);
  if (!exact) return std::nullopt;
  return cp932;
}

std::string Cp932ToUtf8(std::string_view cp932) {
  if (IsAscii(cp932)) return std::string(cp932);
  thread_local std::u16string unicode;
  DecodeInto(cp932, unicode);
  std::string out(unicode.size() * 3, '\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8WithSub(out.data(), Int32Length(out.size()), &length, unicode.data(),
                     Int32Length(unicode.size()), kReplacement, nullptr, &status);
  if (U_FAILURE(status)) ThrowIcuError("UTF-8 encoding failed", status);
  out.resize(static_cast<std::size_t>(length));
  return out;
}

QString Cp932ToQString(std::string_view cp932) {
  if (IsAscii(cp932))
    return QString::fromLatin1(cp932.data(), static_cast<qsizetype>(cp932.size()));
  thread_local std::u16string unicode;
  DecodeInto(cp932, unicode);
  return QString::fromUtf16(unicode.data(), static_cast<qsizetype>(unicode.size()));
}

std::string QStringToCp932(const QString& text) {
  return Encode(reinterpret_cast<const char16_t*>(text.constData()),
                static_cast<std::size_t>(text.size()));
}

QString Utf8ToQString(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string FoldShownName(std::string_view utf8) {
  return Utf8ToQString(utf8).toCaseFolded().toStdString();
}

namespace {

// Length of the valid UTF-8 character at text[pos] (no overlong forms, no
// surrogates, nothing above U+10FFFF), 0 when the byte starts none.
std::size_t Utf8CharLength(std::string_view text, std::size_t pos) {
  const auto at = [&](std::size_t i) { return static_cast<uint8_t>(text[pos + i]); };
  const std::size_t left = text.size() - pos;
  const uint8_t b = at(0);
  if (b < 0x80) return 1;
  const auto cont = [&](std::size_t i) { return i < left && (at(i) & 0xC0) == 0x80; };
  if (b >= 0xC2 && b <= 0xDF) return cont(1) ? 2 : 0;
  if (b >= 0xE0 && b <= 0xEF) {
    if (!cont(1) || !cont(2)) return 0;
    if (b == 0xE0 && at(1) < 0xA0) return 0;   // overlong
    if (b == 0xED && at(1) >= 0xA0) return 0;  // surrogate
    return 3;
  }
  if (b >= 0xF0 && b <= 0xF4) {
    if (!cont(1) || !cont(2) || !cont(3)) return 0;
    if (b == 0xF0 && at(1) < 0x90) return 0;   // overlong
    if (b == 0xF4 && at(1) >= 0x90) return 0;  // above U+10FFFF
    return 4;
  }
  return 0;
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

int HexValue(char c) {
  return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

bool IsByteEscape(std::string_view text, std::size_t pos) {
  return pos + 3 < text.size() && text[pos] == '\\' && text[pos + 1] == 'x' &&
         IsHexDigit(text[pos + 2]) && IsHexDigit(text[pos + 3]);
}

void AppendByteEscape(std::string& out, uint8_t byte) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += "\\x";
  out.push_back(kHex[byte >> 4]);
  out.push_back(kHex[byte & 0xF]);
}

}  // namespace

std::string NativeNameToUtf8(std::string_view native) {
  if (IsAscii(native) && native.find('\\') == std::string_view::npos) return std::string(native);
  std::string out;
  out.reserve(native.size() + 8);
  for (std::size_t i = 0; i < native.size();) {
    if (IsByteEscape(native, i)) {
      AppendByteEscape(out, '\\');
      ++i;
      continue;
    }
    const std::size_t n = Utf8CharLength(native, i);
    if (n == 0) {
      AppendByteEscape(out, static_cast<uint8_t>(native[i]));
      ++i;
    } else {
      out.append(native.substr(i, n));
      i += n;
    }
  }
  return out;
}

std::string ShownName(std::string_view cp932, std::string_view exact) {
  return NativeNameToUtf8(exact.empty() ? Cp932ToUtf8(cp932) : std::string(exact));
}

QString NativeNameToQString(std::string_view native) {
  const std::string utf8 = NativeNameToUtf8(native);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string ShownNameToNative(std::string_view shown) {
  if (shown.find('\\') == std::string_view::npos) return std::string(shown);
  std::string out;
  out.reserve(shown.size());
  for (std::size_t i = 0; i < shown.size();) {
    if (IsByteEscape(shown, i)) {
      out.push_back(static_cast<char>(HexValue(shown[i + 2]) * 16 + HexValue(shown[i + 3])));
      i += 4;
    } else {
      out.push_back(shown[i++]);
    }
  }
  return out;
}

bool IsValidUtf8(std::string_view bytes) {
  if (IsAscii(bytes)) return true;
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t n = Utf8CharLength(bytes, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

namespace {

// The CP932 form of a character of the Basic Multilingual Plane as the
// converter gives it, and whether converting it back gives the character
// again (a character without a form becomes '?'; one the converter deems
// ignorable, such as a soft hyphen, vanishes; a few private-use characters
// come back as another). The converter is stateless for this code page, so a
// name converts character by character the same as whole: a tree of a
// million names needs a converter call only for each character met the
// first time on a thread, and no conversion back per name.
struct BmpEntry {
  bool known = false;
  bool exact = false;
  uint8_t length = 0;  // 0: the character vanishes
  char bytes[2] = {};
};

const BmpEntry& BmpForm(char32_t c) {
  thread_local std::vector<BmpEntry> table(0x10000);
  BmpEntry& e = table[c];
  if (e.known) return e;
  const char16_t unit = static_cast<char16_t>(c);
  const std::string cp932 = c < 0x80 ? std::string(1, static_cast<char>(c)) : Encode(&unit, 1);
  e.length = static_cast<uint8_t>(std::min<std::size_t>(cp932.size(), 2));
  std::copy_n(cp932.begin(), e.length, e.bytes);
  if (cp932.size() <= 2 && !cp932.empty()) {
    thread_local std::u16string back;
    DecodeInto(cp932, back);
    e.exact = back.size() == 1 && back[0] == unit;
  }
  e.known = true;
  return e;
}

}  // namespace

std::string NativeNameToCp932(std::string_view native, bool& exact) {
  exact = true;
  if (IsAscii(native)) return std::string(native);
  std::string cp932;
  cp932.reserve(native.size());
  for (std::size_t i = 0; i < native.size();) {
    const std::size_t n = Utf8CharLength(native, i);
    if (n == 0 || n == 4) {
      // Bytes that are no UTF-8, or a character beyond the plane: CP932 has
      // none of them, and the converter decides what becomes of them.
      exact = false;
      return Utf8ToCp932(native);
    }
    const auto b = [&](std::size_t k) { return static_cast<uint8_t>(native[i + k]); };
    const char32_t c =
        n == 1   ? b(0)
        : n == 2 ? (char32_t{b(0) & 0x1Fu} << 6) | (b(1) & 0x3Fu)
                 : (char32_t{b(0) & 0x0Fu} << 12) | (char32_t{b(1) & 0x3Fu} << 6) | (b(2) & 0x3Fu);
    const BmpEntry& e = BmpForm(c);
    exact = exact && e.exact;
    cp932.append(e.bytes, e.length);
    i += n;
  }
  return cp932;
}

std::string NativePath(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

QString NativePathToQString(std::string_view path) {
  return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

// Ties are broken by the bytes: the collator calls some different texts equal
// (hiragana and katakana, full- and half-width forms), and sorts must still be
// deterministic.
int CompareAnsi(std::string_view a, std::string_view b) {
  const int collated = Collate(a, b);
  if (collated != 0) return collated;
  const int bytes = a.compare(b);
  return (bytes > 0) - (bytes < 0);
}

std::string CompareAnsiKey(std::string_view cp932) {
  icu::Collator& collator = ThreadCollator();
  thread_local std::u16string unicode;
  DecodeInto(cp932, unicode);
  std::string key(unicode.size() * 2 + 16, '\0');
  const auto fill = [&] {
    return collator.getSortKey(unicode.data(), Int32Length(unicode.size()),
                               reinterpret_cast<uint8_t*>(key.data()), Int32Length(key.size()));
  };
  int32_t length = fill();
  if (length > Int32Length(key.size())) {
    key.resize(static_cast<std::size_t>(length));
    length = fill();
  }
  // The key ends with a zero byte, which keeps a key that is the start of
  // another ordered first; it stays part of the key.
  key.resize(static_cast<std::size_t>(std::max(length, 0)));
  return key;
}

// Collates the lower-cased forms, ties broken by their bytes: two texts are
// equal exactly when AnsiLower gives the same bytes for both, so keys that
// compare equal also hash alike after lower-casing.
int CompareAnsiText(std::string_view a, std::string_view b) {
  thread_local std::string lowerA;
  thread_local std::string lowerB;
  const CaseTable& lower = Tables().lower;
  MapCaseInto(a, lower, lowerA);
  MapCaseInto(b, lower, lowerB);
  return CompareAnsi(lowerA, lowerB);
}

std::string AnsiUpper(std::string_view cp932) {
  std::string out;
  MapCaseInto(cp932, Tables().upper, out);
  return out;
}

std::string AnsiLower(std::string_view cp932) {
  std::string out;
  MapCaseInto(cp932, Tables().lower, out);
  return out;
}

bool IsLeadByte(uint8_t byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::string CutBytes(std::string_view text, std::size_t n) {
  return std::string(text.substr(0, std::min(n, text.size())));
}

std::string CutChars(std::string_view text, std::size_t n) {
  if (text.size() <= n) return std::string(text);
  std::size_t end = 0;
  while (end < n) {
    const std::size_t next = end + CharLength(text, end);
    if (next > n) break;
    end = next;
  }
  return std::string(text.substr(0, end));
}

std::size_t FindText(std::string_view haystack, std::string_view needle, std::size_t from) {
  if (from > haystack.size()) return std::string_view::npos;
  if (needle.empty()) return from;
  // The plain byte search finds the candidates quickly; character boundaries
  // are only known when walking from the start, so the walk advances just
  // far enough to tell whether a candidate starts a character.
  std::size_t boundary = 0;
  for (std::size_t candidate = haystack.find(needle, from); candidate != std::string_view::npos;
       candidate = haystack.find(needle, candidate + 1)) {
    while (boundary < candidate) boundary += CharLength(haystack, boundary);
    if (boundary == candidate) return candidate;
  }
  return std::string_view::npos;
}

std::size_t CharCount(std::string_view cp932) {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < cp932.size(); pos += CharLength(cp932, pos)) ++count;
  return count;
}

}  // namespace plomix::text
