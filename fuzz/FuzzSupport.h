#pragma once
// What the fuzz harnesses share: a private scratch folder, the small sample
// catalogue they start from, and the compact input layouts that map a fuzz
// input of a few kilobytes onto the files the engine reads. The harnesses'
// engine is built with small tables (PLOMIX_FUZZ_SMALL_TABLES), so those files
// are kilobytes too; the layouts take every size from core/Records.h.
// The seed tool writes its seeds through the same layouts, so seeds and
// harnesses can never disagree about them.

#include <cstdint>
#include <string>
#include <string_view>

namespace plomix::fuzz {

// A folder of this process's own, removed at exit. PLOMIX2_CONFIG_DIR points
// into it, so nothing touches the user's settings.
const std::string& WorkDir();
std::string WorkFile(std::string_view name);

// Writes over the file's old bytes and then sets its length, so that a file in
// memory keeps its pages from one input to the next.
void WriteFile(const std::string& path, std::string_view bytes);
std::string ReadFile(const std::string& path);
// Removes every side file beside a catalogue (the catalogue itself stays, to
// be written over).
void RemoveSideFiles(const std::string& catalogPath);

// A catalogue made through the engine: two live media with folders, files
// named alike (duplicates and similar names), names longer than a record
// holds (long-name file), comments, and one deleted media (compaction has
// work). Made once per process; the paths of its files are returned.
struct Sample {
  std::string catalog;
  std::string longNames;
};
const Sample& SampleCatalog();
// A fresh empty catalogue's bytes.
const std::string& FreshCatalogBytes();

// Catalogue input: byte 0 (low 3 bits) = media slots given, byte 1 (low 2
// bits) = comment slots given, then those slots' bytes, then the record
// area. Slots and comments the input does not give stay as in a fresh
// catalogue; the file ends where the input ends.
// The expanding functions fill `file` in place: a harness keeps one buffer,
// so that every input does not allocate the whole file anew. ExpandCatalog takes an
// empty buffer or its own last result, and rewrites only what an input gives.
void ExpandCatalog(std::string_view input, std::string& file);
std::string CompressCatalog(std::string_view file, int slots, int comments);

// Long-name input: the 16 header bytes, one byte (low 2 bits) = media
// entries given, 16 bytes per media entry (valid, first, end, the first four
// bytes of the picture path), then the long-name entries as stored. The file
// ends where the input ends.
void ExpandLongNames(std::string_view input, std::string& file);
std::string CompressLongNames(std::string_view file, int mediaEntries);

// Result-file input: byte 0 bit 0 = similar names (.lik) else duplicates
// (.dup); then the file, except that a .lik header is given only up to the
// end of its delimiter text (149 bytes) and the rest of it is zero.
bool ResultInputIsLike(std::string_view input);
std::string ExpandResultFile(std::string_view input);
std::string CompressResultFile(std::string_view file, bool like);

}  // namespace plomix::fuzz
