#pragma once
// The file-name pattern test of the search. Positions and lengths are bytes of
// CP932 text: "?" stands for exactly one byte (a two-byte character needs
// "??"), "*" for any run of bytes, the empty run included.

#include <string_view>

namespace plomix {

// partial: true when `pattern` occurs in `name`, never starting on the second
// byte of a two-byte character; wildcards are ordinary bytes then.
// Otherwise the pattern is read left to right as runs of wildcards, each
// followed by a literal. A literal after a run holding "*" is looked for at
// its first character-aligned occurrence that leaves room for the run's "?"
// bytes, and only there: later occurrences are never tried (so "*abc" does
// not match "abcxabc"). A literal after "?"s alone must follow at exactly that
// offset. A pattern that ends in a run holding "*" accepts any remainder, the
// empty one included; one that ends in "?"s needs exactly that many more
// bytes; one that ends in a literal needs the name to end there. A pattern
// without wildcards matches only the identical name. An empty name never
// matches. Every pattern of any bytes is answered in time linear in its
// length times the name's length.
bool MatchNamePattern(std::string_view pattern, std::string_view name, bool partial);

}  // namespace plomix
