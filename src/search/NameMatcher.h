#pragma once
// The file-name pattern test of the search. Positions and lengths are bytes of
// CP932 text: "?" stands for exactly one byte (a two-byte character needs
// "??"), "*" for any run of bytes, the empty run included.

#include <string_view>

namespace plomix {

// partial: true when `pattern` occurs in `name`, never starting on the second
// byte of a two-byte character; wildcards are ordinary bytes then.
// Otherwise "?" stands for exactly one byte and "*" for any run of bytes,
// the empty run included; a literal that follows a "*" starts on a character
// of the name, never on the second byte of a two-byte character. So a final
// "*" accepts any remainder, a final "?" needs exactly one more byte, and a
// final literal must end the name ("*abc" matches "abcxabc"). A pattern
// without wildcards matches only the identical name; an empty name never
// matches. Any pattern of any bytes is answered in time bounded by the
// pattern's length times the name's length.
bool MatchNamePattern(std::string_view pattern, std::string_view name, bool partial);

}  // namespace plomix
