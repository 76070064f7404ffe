#pragma once
// File versions of Windows executables (.exe, .dll, ...): the four numbers of
// the fixed version record in a PE file's version resource, read by a small
// parser of our own. Every read is bounds-checked against the file, so a
// truncated or hostile file gives the empty text, never a crash.

#include <string>

namespace plomix {

// "major.minor.release.build", or "" when the file is not a PE file with a
// readable version resource.
std::string GetFileVersionText(const std::string& path);
// The same for the entry `name` of an open directory (no path length limit).
std::string GetFileVersionTextAt(int directoryFd, const char* name);
// The same for an open file (the descriptor stays open).
std::string PeVersionOfFd(int fd);

}  // namespace plomix
