#pragma once
// Code page 932 text: every name, comment and category the catalogue stores is
// a std::string of CP932 bytes. This module is the one place that converts such
// bytes to and from Unicode, compares them the way users expect (Japanese
// collation), maps letter case without moving byte positions, and searches
// inside them without ever matching on the second byte of a two-byte character.

#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace plomix::text {

// UTF-8 -> CP932 (the "windows-31j" mapping, round-trip characters only: no
// look-alike substitutes). Characters that CP932 cannot hold, and byte
// sequences that are not valid UTF-8, become '?'. ASCII (0x00-0x7F) always maps
// to itself, 0x5C included.
std::string Utf8ToCp932(std::string_view utf8);
// Utf8ToCp932 for a text whose every character counts (a search pattern, where
// '?' is a wildcard): empty when the input is not valid UTF-8 or holds a
// character CP932 has no form for.
std::optional<std::string> Utf8ToCp932Exact(std::string_view utf8);
// CP932 -> UTF-8. Bytes that do not form a CP932 character become U+FFFD.
std::string Cp932ToUtf8(std::string_view cp932);
QString Cp932ToQString(std::string_view cp932);
std::string QStringToCp932(const QString& text);

// Locale-aware comparison of two CP932 texts (Japanese collation on their
// Unicode form). CompareAnsi is case-sensitive (tertiary strength), used for
// record order within a folder and for sort keys; CompareAnsiText ignores
// letter case by collating the AnsiLower forms, used for name lists and
// analysis keys. Texts the collator ranks equal are ordered by their bytes, so
// CompareAnsi gives 0 only for identical bytes and CompareAnsiText only when
// AnsiLower gives identical bytes (equal keys always lower-case alike).
// Both return <0, 0 or >0. Thread-safe.
int CompareAnsi(std::string_view a, std::string_view b);
int CompareAnsiText(std::string_view a, std::string_view b);

// Upper/lower case mapping per character (Unicode case pairs): ASCII letters
// and the two-byte Latin, Greek, Cyrillic letters and Roman numerals. A lead
// byte and the byte after it are one character; a lead byte at the very end is
// copied.
// A character whose mapped form would not encode to the same number of CP932
// bytes is kept as it is, so the result always has the input's byte length
// and byte positions never move.
std::string AnsiUpper(std::string_view cp932);
std::string AnsiLower(std::string_view cp932);

// True for a byte that starts a two-byte CP932 character (0x81-0x9F, 0xE0-0xFC).
bool IsLeadByte(uint8_t byte);

// The first n bytes of the text (a cut may split a two-byte character, as the
// catalogue's fixed-capacity fields do).
std::string CutBytes(std::string_view text, std::size_t n);
// At most n bytes of the text, ending before a two-byte character that would
// not fit whole.
std::string CutChars(std::string_view text, std::size_t n);

// Position of the first occurrence of needle in haystack at or after `from`
// that starts on a character boundary (never on a trail byte); npos when none.
// An empty needle is found at `from` (when from <= haystack.size()).
std::size_t FindText(std::string_view haystack, std::string_view needle, std::size_t from = 0);

// Number of characters (one- or two-byte) in a CP932 text.
std::size_t CharCount(std::string_view cp932);

}  // namespace plomix::text
