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

namespace plomix {

// Text the catalogue stores: CP932 bytes. The names say which encoding a
// signature carries; the types are std::string and std::string_view, so
// the bytes move without conversion.
using Cp932 = std::string;
using Cp932View = std::string_view;

}  // namespace plomix

// The conversions between the program's three text forms are these named
// functions only: CP932 (catalogue), QString (everything shown to the user)
// and UTF-8 (the command line, JSON, messages of the system); and path bytes
// for the file system.
namespace plomix::text {

// UTF-8 -> CP932 (the "windows-31j" mapping, round-trip characters only: no
// look-alike substitutes). Characters that CP932 cannot hold, and byte
// sequences that are not valid UTF-8, become '?'. ASCII (0x00-0x7F) always maps
// to itself, 0x5C included.
Cp932 Utf8ToCp932(std::string_view utf8);
// Utf8ToCp932 for a text whose every character counts (a search pattern, where
// '?' is a wildcard): empty when the input is not valid UTF-8 or holds a
// character CP932 has no form for.
std::optional<Cp932> Utf8ToCp932Exact(std::string_view utf8);
// CP932 -> UTF-8. Bytes that do not form a CP932 character become U+FFFD.
std::string Cp932ToUtf8(Cp932View cp932);
QString Cp932ToQString(Cp932View cp932);
Cp932 QStringToCp932(const QString& text);
QString Utf8ToQString(std::string_view utf8);

// Names of the file system as bytes (an exact name: see core/ExactNames.h),
// shown to a person. Valid UTF-8 is kept; each byte that is not part of a
// valid UTF-8 character is shown as "\xHH" (two upper-case hex digits), and a
// backslash that is followed by "x" and two hex digits in the name is itself
// shown as "\x5C", so that every "\xHH" in a shown name stands for one byte
// and every other backslash for itself. ShownNameToNative reverses it.
std::string NativeNameToUtf8(std::string_view native);
QString NativeNameToQString(std::string_view native);
std::string ShownNameToNative(std::string_view shown);
// The name to show for a catalogued name: its exact name when it has one,
// else its CP932 name; UTF-8, escaped as above.
std::string ShownName(Cp932View cp932, std::string_view exact);
// The CP932 form of a native name and whether it is exact: false when a
// character has no CP932 form or the bytes are not valid UTF-8 (then the
// name cannot be had back from its CP932 form).
Cp932 NativeNameToCp932(std::string_view native, bool& exact);
// A shown name case-folded (Unicode full folding), so that names that differ
// only in letter case compare equal.
std::string FoldShownName(std::string_view utf8);
// Whether the bytes are valid UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view bytes);

// A path as the file system takes it (the local 8-bit encoding, UTF-8 on the
// systems we run on) and back.
std::string NativePath(const QString& path);
QString NativePathToQString(std::string_view path);

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
// The collation key of CompareAnsi: comparing two keys byte for byte (as
// unsigned bytes) orders their texts as CompareAnsi does before its tie-break
// on the texts' bytes. For sorting many texts: each key is built once instead
// of converting both texts at every comparison.
std::string CompareAnsiKey(std::string_view cp932);

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
