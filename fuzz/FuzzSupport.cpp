#include "FuzzSupport.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <utility>
#include <vector>

#include "analysis/ResultStore.h"
#include "core/BinaryFile.h"
#include "core/Catalog.h"
#include "core/Records.h"
#include "core/Text.h"

namespace plomix::fuzz {
namespace {

constexpr std::size_t kSlotSize = TMediaSlot::kSize;
constexpr std::size_t kCommentSize = TCommentSlot::kSize;
constexpr std::size_t kMediaEntrySize = TLongNameMedia::kSize;
constexpr std::size_t kLongNameHeader = static_cast<std::size_t>(kLongNameHeaderSize);
constexpr std::size_t kLongNameFixed = 16;    // format, capacity, used, count
constexpr std::size_t kMediaEntryGiven = 16;  // valid, first, end, picture[0..3]
constexpr std::size_t kMediaEntryValid = TLongNameMedia::kValid;  // where those bytes go
// The media entries fill the long-name header after its fixed part.
constexpr std::size_t kMediaEntryArea =
    kLongNameHeader - static_cast<std::size_t>(kMaxMedia) * kMediaEntrySize;
// Slots and comments an input can give (byte 0's and byte 1's low bits).
constexpr std::size_t kSlotsGiven = 7, kCommentsGiven = 3;
static_assert(kSlotsGiven <= kMaxMedia && kCommentsGiven <= kMaxComments);
constexpr std::size_t kLikeHeaderGiven = 21 + 1 + kLikeKeyCap;

void RemoveWorkDir() {
  std::error_code ignored;
  std::filesystem::remove_all(WorkDir(), ignored);
}

// Scratch files live in memory when the machine offers it: every input
// rewrites a whole catalogue.
std::string MakeWorkDir() {
  std::string base = "/dev/shm";
  if (access(base.c_str(), W_OK) != 0) {
    const char* tmp = std::getenv("TMPDIR");
    base = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
  }
  std::string pattern = base + "/plomix-fuzz-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make " + pattern);
  return pattern;
}

TRecord Entry(int32_t parent, int32_t firstChild, int16_t kind, std::string name, double size) {
  TRecord rec;
  rec.Parent = parent;
  rec.FirstChild = firstChild;
  rec.Kind = kind;
  rec.Attr = kind == kKindFile ? kAttrArchive : kAttrDirectory;
  rec.Name = std::move(name);
  rec.Size = size;
  rec.FileDate = 0x5A2B6C3D;
  rec.Allocated = kind == kKindFile ? 4096 : 0;
  return rec;
}

// Root, folder "docs" with four files (one named longer than a record
// holds), and three files beside it; names in collation order per folder.
std::vector<TRecord> SampleMedia(const std::string& name, const std::string& extra) {
  const std::string longName = "a-report-with-a-name-far-longer-than-ninety-one-bytes-" +
                               std::string(60, 'x') + "-" + extra + ".txt";
  const std::string longJapanese =
      text::Utf8ToCp932("長い名前のファイル_" + extra + "_") + std::string(80, 'y') + ".doc";
  std::vector<TRecord> recs;
  recs.push_back(Entry(-1, 1, kKindFixed, name, 0));
  recs.push_back(Entry(0, 4, kKindFolder, "docs", 0));
  recs.push_back(Entry(0, -1, kKindFile, "photo_2020 (1).jpg", 300));
  recs.push_back(Entry(0, -1, kKindFile, "readme.txt", 10));
  recs.push_back(Entry(1, -1, kKindFile, longName, 7));
  recs.push_back(Entry(1, -1, kKindFile, "photo_2020.jpg", 300));
  recs.push_back(Entry(1, -1, kKindFile, "readme.txt", 10));
  recs.push_back(Entry(1, -1, kKindFile, longJapanese, 99));
  recs[0].DirFolders = 1;
  recs[0].DirFiles = 2;
  recs[0].AllFolders = 1;
  recs[0].AllFiles = 6;
  recs[1].DirFiles = recs[1].AllFiles = 4;
  return recs;
}

TMediaInfomation SampleInfo(const std::string& category) {
  TMediaInfomation info;
  info.Drive = "d";
  info.KindName = "HD";
  info.Category = category;
  info.Location = text::Utf8ToCp932("棚");
  info.ClusterSize = 4096;
  return info;
}

Sample MakeSample() {
  Sample sample;
  sample.catalog = WorkFile("sample.qdb");
  Catalog catalog;
  if (!catalog.CreateCatalog(sample.catalog)) throw std::runtime_error(catalog.LastError());
  sample.longNames = catalog.LongNamePath();
  TMediaInfomation info = SampleInfo("HD");
  if (!catalog.AddMedia(SampleMedia("Gone", "old"), info)) throw std::runtime_error("add Gone");
  info = SampleInfo("HD");
  if (!catalog.AddMedia(SampleMedia("Disk1", "one"), info)) throw std::runtime_error("add Disk1");
  info = SampleInfo("CD");
  if (!catalog.AddMedia(SampleMedia("Disk2", "two"), info)) throw std::runtime_error("add Disk2");
  catalog.DeleteMedia(0);
  catalog.AddComment(1 * kKeyFactor + 3, "note", kKindFile, "readme.txt");
  catalog.AddComment(2 * kKeyFactor + 1, text::Utf8ToCp932("書類"), kKindFolder, "docs");
  return sample;
}

// `given` bytes of the input go to `at` in `out`, as far as both reach.
void Overlay(std::string& out, std::size_t at, std::string_view given) {
  if (at >= out.size()) return;
  given = given.substr(0, out.size() - at);
  std::copy(given.begin(), given.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
}

// Takes up to n bytes from the front of `input`.
std::string_view Take(std::string_view& input, std::size_t n) {
  const std::string_view taken = input.substr(0, std::min(n, input.size()));
  input.remove_prefix(taken.size());
  return taken;
}

}  // namespace

const std::string& WorkDir() {
  static const std::string dir = [] {
    std::string made = MakeWorkDir();
    std::filesystem::create_directories(made + "/config");
    setenv("PLOMIX2_CONFIG_DIR", (made + "/config").c_str(), 1);
    // Scratch files need no durability; the sync steps still run up to the
    // system call.
    io::SetSyncForTesting(false);
    return made;
  }();
  static const bool registered = (std::atexit(RemoveWorkDir), true);
  (void)registered;
  return dir;
}

std::string WorkFile(std::string_view name) {
  return WorkDir() + "/" + std::string(name);
}

void WriteFile(const std::string& path, std::string_view bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  bool ok = fd >= 0;
  for (std::size_t done = 0; ok && done < bytes.size();) {
    const ssize_t n =
        pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    ok = n > 0;
    done += ok ? static_cast<std::size_t>(n) : 0;
  }
  ok = ok && ftruncate(fd, static_cast<off_t>(bytes.size())) == 0;
  if (fd >= 0 && close(fd) != 0) ok = false;
  if (!ok) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void RemoveSideFiles(const std::string& catalogPath) {
  const std::string base = catalogPath.substr(0, catalogPath.rfind('.'));
  for (const char* suffix : {".lfn", ".lfn.damaged", ".dup", ".lik", ".dup.new", ".lik.new", ".exn",
                             ".exn.damaged", ".exn.new", ".exn.old"}) {
    std::remove((base + suffix).c_str());
  }
}

const Sample& SampleCatalog() {
  static const Sample sample = MakeSample();
  return sample;
}

const std::string& FreshCatalogBytes() {
  static const std::string bytes = [] {
    const std::string path = WorkFile("fresh.qdb");
    Catalog catalog;
    if (!catalog.CreateCatalog(path)) throw std::runtime_error(catalog.LastError());
    std::string made = ReadFile(path);
    RemoveSideFiles(path);
    std::remove(path.c_str());
    return made;
  }();
  return bytes;
}

void ExpandCatalog(std::string_view input, std::string& file) {
  const std::string& fresh = FreshCatalogBytes();
  if (file.size() < fresh.size()) {
    file.assign(fresh);
  } else {
    // The last input's expansion differs from a fresh catalogue only in the
    // slots and comments it gave and in its records.
    for (const auto& [at, size] : {std::pair{kSlotAreaOffset, kSlotsGiven * kSlotSize},
                                   std::pair{kCommentAreaOffset, kCommentsGiven * kCommentSize}}) {
      const auto from = static_cast<std::size_t>(at);
      std::copy_n(fresh.begin() + static_cast<std::ptrdiff_t>(from), size,
                  file.begin() + static_cast<std::ptrdiff_t>(from));
    }
    file.resize(fresh.size());
  }
  const std::string_view counts = Take(input, 2);
  const std::size_t slots = counts.size() > 0 ? static_cast<uint8_t>(counts[0]) & kSlotsGiven : 0;
  const std::size_t comments =
      counts.size() > 1 ? static_cast<uint8_t>(counts[1]) & kCommentsGiven : 0;
  Overlay(file, static_cast<std::size_t>(kSlotAreaOffset), Take(input, slots * kSlotSize));
  Overlay(file, static_cast<std::size_t>(kCommentAreaOffset), Take(input, comments * kCommentSize));
  file.append(input);
}

std::string CompressCatalog(std::string_view file, int slots, int comments) {
  std::string input{static_cast<char>(slots), static_cast<char>(comments)};
  input.append(file.substr(static_cast<std::size_t>(kSlotAreaOffset), slots * kSlotSize));
  input.append(file.substr(static_cast<std::size_t>(kCommentAreaOffset), comments * kCommentSize));
  input.append(file.substr(static_cast<std::size_t>(kRecordAreaOffset)));
  return input;
}

void ExpandLongNames(std::string_view input, std::string& file) {
  file.assign(kLongNameHeader, '\0');
  Overlay(file, 0, Take(input, kLongNameFixed));
  const std::string_view count = Take(input, 1);
  const std::size_t entries = count.empty() ? 0 : static_cast<uint8_t>(count[0]) & 3u;
  for (std::size_t s = 0; s < entries; ++s) {
    Overlay(file, kMediaEntryArea + s * kMediaEntrySize + kMediaEntryValid,
            Take(input, kMediaEntryGiven));
  }
  file.append(input);
}

std::string CompressLongNames(std::string_view file, int mediaEntries) {
  std::string input(file.substr(0, kLongNameFixed));
  input.push_back(static_cast<char>(mediaEntries));
  for (int s = 0; s < mediaEntries; ++s) {
    input.append(
        file.substr(kMediaEntryArea + s * kMediaEntrySize + kMediaEntryValid, kMediaEntryGiven));
  }
  input.append(file.substr(kLongNameHeader));
  return input;
}

bool ResultInputIsLike(std::string_view input) {
  return !input.empty() && (static_cast<uint8_t>(input[0]) & 1u) != 0;
}

std::string ExpandResultFile(std::string_view input) {
  const bool like = ResultInputIsLike(input);
  Take(input, 1);
  if (!like) return std::string(input);
  std::string file(Take(input, kLikeHeaderGiven));
  if (file.size() < kLikeHeaderGiven) return file;  // a cut header
  file.resize(static_cast<std::size_t>(kLikeHeaderSize), '\0');
  file.append(input);
  return file;
}

std::string CompressResultFile(std::string_view file, bool like) {
  std::string input(1, like ? '\1' : '\0');
  if (!like) return input.append(file);
  input.append(file.substr(0, kLikeHeaderGiven));
  if (file.size() > static_cast<std::size_t>(kLikeHeaderSize)) {
    input.append(file.substr(static_cast<std::size_t>(kLikeHeaderSize)));
  }
  return input;
}

}  // namespace plomix::fuzz
