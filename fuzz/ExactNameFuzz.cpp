// The exact-name file of fuzzed bytes beside a sound sample catalogue: read,
// every record's exact and shown name asked for, then an add (which rewrites
// a damaged file or appends to a sound one) and compaction.
// Besides any crash or sanitizer report, it fails when the media added after
// the damage loses its exact name, before or after compaction, or when the
// file the engine wrote still reads as damaged.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "core/Catalog.h"

namespace {

const std::string kExact = "added \xF0\x9F\x98\x80 \xFF.bin";

void ReadEverything(plomix::Catalog& catalog) {
  for (int slot = 0; slot < catalog.SlotsUsed(); ++slot) {
    if (!catalog.LoadMedia(slot)) continue;
    for (int r = 0; r <= catalog.LoadedCount(); ++r) {
      catalog.ExactName(r);
      catalog.ShownRecordName(r);
      catalog.NativeRecordName(r);
      catalog.ShownName(slot, r, catalog.LoadedRec(r).Name());
    }
    catalog.ExactSlotText(slot, plomix::SlotText::Category);
  }
  for (int c = 0; c < 4; ++c) catalog.ExactCommentText(c);
}

bool HasAddedName(plomix::Catalog& catalog, int slot) {
  if (!catalog.LoadMedia(slot) || catalog.LoadedCount() < 2) return false;
  return catalog.ExactName(1) == kExact;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace plomix;
  static const std::string sampleBytes = fuzz::ReadFile(fuzz::SampleCatalog().catalog);
  static const std::string sampleNames = fuzz::ReadFile(fuzz::SampleCatalog().longNames);
  const std::string path = fuzz::WorkFile("exact.qdb");
  fuzz::RemoveSideFiles(path);
  fuzz::WriteFile(path, sampleBytes);
  Catalog catalog;
  fuzz::WriteFile(path.substr(0, path.rfind('.')) + ".lfn", sampleNames);
  fuzz::WriteFile(path.substr(0, path.rfind('.')) + ".exn",
                  std::string_view(reinterpret_cast<const char*>(data), size));
  if (!catalog.OpenCatalog(path)) std::abort();
  catalog.TakeSideFileWarning();
  ReadEverything(catalog);

  std::vector<TRecord> recs(3);
  recs[0] = {.FirstChild = 1, .Kind = kKindFixed, .Attr = kAttrDirectory, .Name = "Added"};
  recs[1] = {.Parent = 0, .Kind = kKindFile, .Attr = kAttrArchive, .Name = "added ? ?.bin"};
  recs[1].ExactName = kExact;
  recs[2] = {.Parent = 0, .Kind = kKindFile, .Attr = kAttrArchive, .Name = "z.txt", .Size = 1};
  recs[0].DirFiles = recs[0].AllFiles = 2;
  TMediaInfomation info;
  info.Drive = "e";
  if (!catalog.AddMedia(recs, info)) std::abort();
  const int added = catalog.LastAddedSlot();
  if (!HasAddedName(catalog, added)) std::abort();
  Catalog reread;
  if (!reread.OpenCatalog(path) || !reread.TakeSideFileWarning().empty() ||
      !HasAddedName(reread, added))
    std::abort();

  if (catalog.CompactCatalog() != CompactResult::Done) std::abort();
  Catalog compacted;
  if (!compacted.OpenCatalog(path) || !compacted.TakeSideFileWarning().empty()) std::abort();
  ReadEverything(compacted);
  // The deleted media before it is gone, so the added one moved down a slot.
  if (!HasAddedName(compacted, added - 1)) std::abort();
  return 0;
}
