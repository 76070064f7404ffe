// The long-name file of fuzzed bytes beside a sound sample catalogue: read,
// every media loaded with its names and pictures, then the writes that
// rewrite the file (a new media with a long name, a rename, a picture, and
// compaction squeezing out the sample's deleted media).
// Besides any crash or sanitizer report, it fails when the file the engine
// rewrote does not read back as sound, or a media added after the damage
// loses its long name.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "core/Catalog.h"

namespace {

const std::string kLongName = "added-after-the-damage-" + std::string(100, 'n') + ".bin";

void ReadEverything(plomix::Catalog& catalog) {
  for (int slot = 0; slot < catalog.SlotsUsed(); ++slot) {
    catalog.LongNameMedia(slot);
    catalog.MediaPicture(slot);
    if (!catalog.LoadMedia(slot)) continue;
    for (int r = 0; r <= catalog.LoadedCount(); ++r) {
      catalog.RecordName(r);
      catalog.LongNameOfRecord(slot, r, catalog.LoadedRec(r).Name());
      catalog.LongNameByKey(slot * plomix::kKeyFactor + r, catalog.LoadedRec(r).Name());
    }
    catalog.LongNameCount(slot);
    catalog.CutNameCount(slot);
  }
  for (int j = 0; j < catalog.LongNameEntries() && j < 64; ++j) catalog.LongNameOf(j);
}

bool HasAddedName(plomix::Catalog& catalog, int slot) {
  if (!catalog.LoadMedia(slot) || catalog.LoadedCount() < 2) return false;
  return catalog.RecordName(1) == kLongName;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace plomix;
  static const std::string sampleBytes = fuzz::ReadFile(fuzz::SampleCatalog().catalog);
  const std::string path = fuzz::WorkFile("names.qdb");
  fuzz::RemoveSideFiles(path);
  fuzz::WriteFile(path, sampleBytes);
  Catalog catalog;
  if (!catalog.OpenCatalog(path)) std::abort();
  static std::string longNames;
  fuzz::ExpandLongNames({reinterpret_cast<const char*>(data), size}, longNames);
  fuzz::WriteFile(catalog.LongNamePath(), longNames);
  catalog.ReadLongNames();
  ReadEverything(catalog);

  std::vector<TRecord> recs(3);
  recs[0] = {.FirstChild = 1, .Kind = kKindFixed, .Attr = kAttrDirectory, .Name = "Added"};
  recs[1] = {.Parent = 0, .Kind = kKindFile, .Attr = kAttrArchive, .Name = kLongName, .Size = 1};
  recs[2] = {.Parent = 0, .Kind = kKindFile, .Attr = kAttrArchive, .Name = "z.txt", .Size = 1};
  recs[0].DirFiles = recs[0].AllFiles = 2;
  TMediaInfomation info;
  info.Drive = "e";
  if (!catalog.AddMedia(recs, info)) std::abort();
  const int added = catalog.LastAddedSlot();
  if (!HasAddedName(catalog, added)) std::abort();
  catalog.RenameMedia(1, "Renamed");
  catalog.SetMediaPicture(2, "/pictures/disk.png");
  ReadEverything(catalog);

  if (catalog.CompactCatalog() != CompactResult::Done) std::abort();
  Catalog compacted;
  if (!compacted.OpenCatalog(path) || !compacted.ReadLongNames()) std::abort();
  ReadEverything(compacted);
  // The deleted media before it is gone, so the added one moved down a slot.
  if (!HasAddedName(compacted, added - 1)) std::abort();
  return 0;
}
