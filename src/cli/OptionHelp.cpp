// What each command's options mean, for "plomix2-cli COMMAND --help". Kept in
// one table beside the command table so that the help reads as one text.

#include <string_view>

#include "cli/CliCommon.h"

namespace plomix::cli {

namespace {

struct OptionText {
  std::string_view command;  // empty: the same for every command
  std::string_view option;
  std::string_view text;
};

constexpr OptionText kOptionTexts[] = {
    {"create", "--overwrite", "replace a catalogue of that name"},
    {"rename", "--slot",
     "the media in slot N (see 'media') instead of one named; slots change when another program "
     "compacts the catalogue"},
    {"rename", "--expect", "--slot: refuse unless the media in the slot has this name"},
    {"delete", "--slot",
     "the media in slot N (see 'media') instead of one named; slots change when another program "
     "compacts the catalogue"},
    {"delete", "--expect", "--slot: refuse unless the media in the slot has this name"},
    {"", "--analyse",
     "run the duplicate and similar-name analyses again afterwards instead of removing their "
     "results, which the change makes stale"},
    {"read", "--drive", "the drive letter to read (see 'drives')"},
    {"read", "--path",
     "a folder to read, without taking a drive letter; the media records the letter of the volume "
     "holding it, and the folder is found again later through the catalogue's .src file"},
    {"read", "--name", "the media's name (default: the volume label)"},
    {"read", "--category", "the media's category"},
    {"read", "--location", "where the media is kept"},
    {"read", "--detail", "more about where it is kept"},
    {"read", "--versions", "also read the version of program files (slow)"},
    {"read", "--fingerprint",
     "keep a content fingerprint of every file, for 'dups --content': quick (size, first and "
     "last 64 KiB) or full (every byte)"},
    {"read", "--eject", "eject the CD/DVD afterwards"},
    {"read", "--replace", "replace a media of the same name instead of refusing"},
    {"read", "--update", "read this media again into its own slot, keeping its comments and marks"},
    {"read", "--slot", "with --update: the slot of the media (several share the name)"},
    {"read", "--progress",
     "print the progress as lines on stderr even when it is not a terminal (for a log); on a "
     "terminal it is always shown on one line"},
    {"search", "--name", "name pattern with * and ?, any letter case unless --case"},
    {"search", "--name2", "a second text for --partial"},
    {"search", "--and", "--partial: both texts must occur (default: either)"},
    {"search", "--partial", "--name is a text within the name, not a pattern"},
    {"search", "--case", "the name's letter case counts"},
    {"search", "--size", "size range in bytes, MIN:MAX; either bound may be empty"},
    {"search", "--date",
     "modification date range FROM:TO (YYYY-MM-DD or YYYY-MM-DDThh.mm[.ss]); either bound may be "
     "empty; entries of unknown date never match"},
    {"search", "--comment", "entries with a comment; with TEXT, a comment holding it"},
    {"search", "--comment-case", "the comment text's letter case counts"},
    {"search", "--comment-or", "the comment condition OR the others (default: AND)"},
    {"search", "--marked", "marked entries only"},
    {"search", "--folders", "folders take part too"},
    {"search", "--folders-only", "only folders take part"},
    {"search", "--media", "search this media only (may be repeated)"},
    {"search", "--count", "print the number of hits only"},
    {"search", "--bytes", "counts and sizes as plain numbers, without thousands separators"},
    {"ls", "--bytes", "counts and sizes as plain numbers, without thousands separators"},
    {"export", "--mode",
     "name: names; fullpath: paths; contents: everything below; media: the whole media"},
    {"export", "--simple", "names or paths alone, without the chosen columns"},
    {"export", "-o", "write to FILE in code page 932 instead of standard output"},
    {"import", "--name", "the media's name (default: the last part of the listing's top folder)"},
    {"import", "--category", "the media's category (default: the kind name)"},
    {"import", "--location", "where the media is kept"},
    {"import", "--detail", "more about where it is kept"},
    {"import", "--replace", "replace the media of the same name"},
    {"import", "--update",
     "bring this media up to the listing in its own slot, keeping its comments and marks"},
    {"export-ncdu", "-o", "write to FILE instead of standard output"},
    {"similar", "--delimiters", "the characters that cut names into words"},
    {"dups", "--summary", "counts only, no groups"},
    {"dups", "--content",
     "files of equal size and content fingerprint across all media instead of equal names"},
    {"similar", "--summary", "counts only, no groups"},
    {"groups", "--summary", "counts only, no groups"},
    {"groups", "--dup", "the duplicate-name groups (.dup)"},
    {"groups", "--like", "the similar-name groups (.lik)"},
    {"diff", "--summary", "the line of counts only"},
    {"comment", "--delete", "remove the entry's comment"},
    {"mark", "--off", "take the mark off instead of setting it"},
    {"set", "--category", "the media's category (at most 26 bytes in code page 932)"},
    {"set", "--location", "the media's storage location (at most 26 bytes)"},
    {"set", "--detail", "the media's storage detail (at most 10 bytes; empty clears it)"},
    {"set", "--name", "a new name for the media (at most 91 bytes)"},
    {"index", "--status",
     "only tell whether the index is current, stale (the catalogue changed since it was "
     "built), damaged or missing"},
};

}  // namespace

std::string OptionHelpText(const std::string& command, const std::string& option) {
  for (const OptionText& t : kOptionTexts)
    if ((t.command.empty() || t.command == command) && t.option == option)
      return std::string(t.text);
  return {};
}

}  // namespace plomix::cli
