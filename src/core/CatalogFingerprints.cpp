// The catalogue's fingerprint file (NAME.fpr): see core/Fingerprints.h and
// docs/file-formats.md. Segments are matched to slots by identity, as the
// exact-name file's are, so a segment whose media was deleted or replaced,
// or that an add cut off by a crash left behind, is never taken for another
// media's fingerprints.

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <unordered_map>

#include "core/BinaryFile.h"
#include "core/Catalog.h"
#include "core/CatalogInternal.h"
#include "core/SideFileWrite.h"

namespace plomix {

namespace fs = std::filesystem;
using namespace catalog_internal;

void Catalog::ReadFingerprints() {
  fprSegments_.clear();
  fprAppendAt_ = 0;
  fprDamaged_ = false;
  BinaryFile file = BinaryFile::TryRead(fingerprintPath_);
  fprStamp_ = file.IsOpen() ? file.Stamp() : io::FileStamp{};
  if (!file.IsOpen()) return;
  fingerprint_file::Contents contents;
  std::vector<uint8_t> bytes;
  try {
    bytes.resize(static_cast<std::size_t>(file.Size()));
    if (!file.ReadAt(0, bytes.data(), bytes.size())) bytes.clear();
    contents = fingerprint_file::Parse(bytes.data(), bytes.size());
  } catch (const std::exception&) {
    contents = fingerprint_file::Contents{};
    contents.garbage = true;
  }
  fprSegments_ = std::move(contents.segments);
  fprAppendAt_ = contents.appendAt;
  // What a crash cut off names no stored media; anything else lost prints.
  bool lost = contents.garbage;
  for (const ExactMediaIdentity& id : contents.unsound)
    if (id.slot < kMaxMedia && !mediaSlots_[id.slot].IsNeverUsed() && SlotIdentity(id.slot) == id)
      lost = true;
  if (!lost) return;
  fprDamaged_ = true;
  if (fprWarnedStamp_ == fprStamp_) return;
  fprWarnedStamp_ = fprStamp_;
  if (!exactWarning_.empty()) exactWarning_ += "\n";
  exactWarning_ += "\"" + fingerprintPath_ +
                   "\" is damaged: the content fingerprints it lost are not used; the next "
                   "media added rewrites it";
}

FingerprintSetPtr Catalog::FingerprintsOf(int slot) const {
  if (slot < 0 || slot >= kMaxMedia || mediaSlots_[slot].IsNeverUsed()) return nullptr;
  const ExactMediaIdentity id = SlotIdentity(slot);
  // The last matching segment wins, as for exact names.
  for (auto it = fprSegments_.rbegin(); it != fprSegments_.rend(); ++it)
    if (it->identity == id) return it->prints;
  return nullptr;
}

FingerprintsByPath Catalog::FingerprintsByPathOf(int slot) {
  FingerprintsByPath known;
  const FingerprintSetPtr prints = FingerprintsOf(slot);
  if (!prints || prints->Empty() || !LoadMedia(slot)) return known;
  known.reserve(prints->Count());
  const int32_t n = LoadedCount();
  // A record's parent comes before it, so its folder's key is known by then.
  std::unordered_map<int32_t, std::string> folderKeys;
  const auto nameOf = [&](int32_t r) {
    const std::string_view exact = ExactNameOfRecord(slot, r);
    return exact.empty() ? LongNameOfRecord(slot, r, LoadedRec(r).Name()) : std::string(exact);
  };
  for (int32_t r = 1; r < n; ++r) {
    const TFileRec& rec = LoadedRec(r);
    const bool folder = IsFolderKind(rec.Kind());
    const Fingerprint* print = folder ? nullptr : prints->Find(r);
    if (!folder && print == nullptr) continue;
    const auto parent = folderKeys.find(rec.Parent());
    std::string key = FingerprintPathKey(
        parent == folderKeys.end() ? std::string_view() : std::string_view(parent->second),
        nameOf(r));
    if (folder)
      folderKeys.emplace(r, std::move(key));
    else
      known.emplace(std::move(key), KnownFingerprint{rec.Size(), rec.FileDate(), *print});
  }
  return known;
}

std::vector<uint8_t> Catalog::FingerprintFileBytes(
    const std::vector<std::pair<ExactMediaIdentity, FingerprintSetPtr>>& segments) {
  const std::string_view signature = fingerprint_file::Signature();
  std::vector<uint8_t> out(signature.begin(), signature.end());
  for (const auto& [id, prints] : segments) {
    if (!prints || prints->Empty()) continue;
    const std::vector<uint8_t> seg = fingerprint_file::EncodeSegment(id, *prints);
    out.insert(out.end(), seg.begin(), seg.end());
  }
  return out;
}

// Within an add, before the slot table: the media's segment is appended and
// synced, so that once the slot exists its fingerprints do. Segments of
// slots from this one on (an add cut off by a crash) are cut off first; a
// damaged file is rewritten whole from what could be read, the damaged one
// kept aside.
void Catalog::StoreFingerprints(int slot, const FingerprintSetPtr& prints, SideFileUndo& undo) {
  std::error_code ec;
  const bool exists = fs::exists(fingerprintPath_, ec);
  const bool some = prints && !prints->Empty();
  if (!exists && !some) return;
  const ExactMediaIdentity identity = SlotIdentity(slot);
  if (fprDamaged_ && exists) {
    std::vector<std::pair<ExactMediaIdentity, FingerprintSetPtr>> segments;
    for (int s = 0; s < slot; ++s)
      if (FingerprintSetPtr p = FingerprintsOf(s)) segments.emplace_back(SlotIdentity(s), p);
    segments.emplace_back(identity, prints);
    const std::vector<uint8_t> bytes = FingerprintFileBytes(segments);
    ReplaceDamagedSideFile(fingerprintPath_, bytes, catalogPath_, undo);
    fingerprint_file::Contents contents = fingerprint_file::Parse(bytes.data(), bytes.size());
    fprSegments_ = std::move(contents.segments);
    fprAppendAt_ = contents.appendAt;
    fprDamaged_ = false;
  } else {
    int64_t cutAt = exists ? fprAppendAt_ : 0;
    for (const fingerprint_file::Segment& seg : fprSegments_)
      if (seg.identity.slot >= slot) cutAt = std::min(cutAt, seg.offset);
    const int64_t length = exists ? std::max<int64_t>(0, fprStamp_.size) : 0;
    if (!some && cutAt >= length) return;
    SideFileWrite write(fingerprintPath_, exists, catalogPath_, undo);
    write.CutAt(cutAt, fingerprint_file::Signature());
    const int64_t segmentAt =
        some ? write.Append(fingerprint_file::EncodeSegment(identity, *prints)) : 0;
    const int64_t end = write.Finish();
    std::erase_if(fprSegments_, [&](const fingerprint_file::Segment& seg) {
      return seg.offset >= write.CutPoint();
    });
    if (some) fprSegments_.push_back({identity, prints, segmentAt, end - segmentAt});
    fprAppendAt_ = end;
  }
  fprStamp_ = io::StampOf(fingerprintPath_);
}

// A segment left for a slot that never came to be (when putting the file
// back fails) is ignored by every reader and cut off by the next add.
void Catalog::UndoFingerprints(const SideFileUndo& undo) {
  if (!undo.touched) return;
  try {
    UndoSideFileWrite(fingerprintPath_, undo);
  } catch (const CatalogError&) {
    // A segment left behind is bound to a slot that never came to be.
  }
  const std::string warning = exactWarning_;
  ReadFingerprints();
  exactWarning_ = warning;
}

}  // namespace plomix
