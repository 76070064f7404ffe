// The catalogue's exact-name file (NAME.exn): see core/ExactNames.h and
// docs/file-formats.md. Segments are matched to slots by identity, so a
// segment whose media was deleted, or that an add cut off by a crash left
// behind, is never taken for another media's names.

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/BinaryFile.h"
#include "core/Catalog.h"
#include "core/CatalogInternal.h"
#include "core/SideFileWrite.h"
#include "core/Text.h"

namespace plomix {

namespace fs = std::filesystem;
using namespace catalog_internal;

ExactMediaIdentity Catalog::SlotIdentity(int slot) const {
  ExactMediaIdentity id;
  id.slot = slot;
  id.firstRecord = SlotPosition(slot);
  id.count = mediaSlots_[slot].Count();
  id.readDate = mediaSlots_[slot].Root().FileDate();
  return id;
}

void Catalog::AssignExactNames() {
  exactNames_.assign(kMaxMedia, nullptr);
  if (exactSegments_.empty()) return;
  std::vector<ExactMediaIdentity> ids;
  int64_t position = 0;
  for (int s = 0; s < kMaxMedia && !mediaSlots_[s].IsNeverUsed(); ++s) {
    ExactMediaIdentity id;
    id.slot = s;
    id.firstRecord = position;
    id.count = mediaSlots_[s].Count();
    id.readDate = mediaSlots_[s].Root().FileDate();
    ids.push_back(id);
    position += std::max(0, id.count);
  }
  // The last matching segment wins: a media is stored once, but a file
  // rebuilt by hand may repeat one.
  for (const exact_file::Segment& seg : exactSegments_) {
    const auto s = static_cast<std::size_t>(seg.identity.slot);
    if (s < ids.size() && ids[s] == seg.identity) exactNames_[s] = seg.names;
  }
}

void Catalog::ReadExactNamesFrom(BinaryFile& catalogue) {
  (void)catalogue;
  const bool hadNames = std::any_of(exactNames_.begin(), exactNames_.end(),
                                    [](const ExactNameSetPtr& p) { return p != nullptr; });
  const bool hadFile = exactStamp_.size >= 0;
  exactSegments_.clear();
  exactTexts_.clear();
  exactAppendAt_ = 0;
  exactDamaged_ = false;
  BinaryFile file = BinaryFile::TryRead(exactNamePath_);
  exactStamp_ = file.IsOpen() ? file.Stamp() : io::FileStamp{};
  exact_file::Contents contents;
  if (file.IsOpen()) {
    std::vector<uint8_t> bytes;
    try {
      bytes.resize(static_cast<std::size_t>(file.Size()));
      if (!file.ReadAt(0, bytes.data(), bytes.size())) bytes.clear();
    } catch (const std::exception&) {
      bytes.clear();
      contents.garbage = true;
    }
    if (!contents.garbage) contents = exact_file::Parse(bytes.data(), bytes.size());
    exactSegments_ = std::move(contents.segments);
    exactTexts_ = std::move(contents.texts);
    exactAppendAt_ = contents.appendAt;
  }
  AssignExactNames();
  // What a crash cut off names no stored media; anything else lost names.
  bool lost = contents.garbage;
  for (const ExactMediaIdentity& id : contents.unsound) {
    if (id.slot < kMaxMedia && !mediaSlots_[id.slot].IsNeverUsed() && SlotIdentity(id.slot) == id)
      lost = true;
  }
  // A text segment cut off or bad lost a text only when it was written for
  // what its field holds now (else it is what a change cut off left).
  const auto crcOf = [](const std::string& cp932) {
    return exact_file::Crc32(reinterpret_cast<const uint8_t*>(cp932.data()), cp932.size());
  };
  for (const ExactText& t : contents.unsoundTexts) {
    if (t.IsSlotField()) {
      if (t.target >= kMaxMedia || !mediaSlots_[t.target].IsLive() ||
          SlotIdentity(t.target) != t.media)
        continue;
      const TMediaSlot& s = mediaSlots_[t.target];
      const std::string now = t.field == ExactField::MediaName  ? s.Name()
                              : t.field == ExactField::Category ? s.Category()
                              : t.field == ExactField::Location ? s.Location()
                                                                : s.LocationDetail();
      if (crcOf(now) == t.cp932Crc) lost = true;
    } else if (t.target < kMaxComments && !commentSlots_[t.target].IsFree() &&
               crcOf(commentSlots_[t.target].Text()) == t.cp932Crc) {
      lost = true;
    }
  }
  if (!file.IsOpen() && hadFile && hadNames) lost = true;
  if (!lost) return;
  exactDamaged_ = file.IsOpen();
  if (exactWarnedStamp_ == exactStamp_ && exactStamp_.size >= 0) return;
  exactWarnedStamp_ = exactStamp_;
  if (!exactWarning_.empty()) exactWarning_ += "\n";
  exactWarning_ += file.IsOpen()
                       ? "\"" + exactNamePath_ +
                             "\" is damaged: names that code page 932 cannot hold are shown in "
                             "that form where it lost them; the next media added rewrites it"
                       : "\"" + exactNamePath_ +
                             "\" has gone: names that code page 932 cannot hold are shown in that "
                             "form";
}

std::string Catalog::TakeSideFileWarning() {
  return std::exchange(exactWarning_, std::string());
}

std::vector<uint8_t> Catalog::ExactFileBytes(const std::vector<ExactMediaIdentity>& identities,
                                             const std::vector<ExactNameSetPtr>& names,
                                             const std::vector<ExactText>& texts) const {
  const std::string_view signature = exact_file::Signature();
  std::vector<uint8_t> out(signature.begin(), signature.end());
  for (std::size_t i = 0; i < identities.size(); ++i) {
    if (!names[i] || names[i]->Empty()) continue;
    const std::vector<uint8_t> seg = exact_file::EncodeSegment(identities[i], *names[i]);
    out.insert(out.end(), seg.begin(), seg.end());
  }
  for (const ExactText& t : texts) {
    const std::vector<uint8_t> seg = exact_file::EncodeText(t);
    out.insert(out.end(), seg.begin(), seg.end());
  }
  return out;
}

// Within an add, after the long names and before the slot table: the media's
// segment is appended and synced, so that once the slot exists its names do.
// Segments of slots that are still never used (an add cut off by a crash)
// are cut off first: they must not be taken for the media that now gets the
// slot. A damaged file is rewritten whole from what could be read.
void Catalog::StoreExactNames(int slot, const ExactNameSetPtr& names, SideFileUndo& undo) {
  std::error_code ec;
  const bool exists = fs::exists(exactNamePath_, ec);
  const ExactMediaIdentity identity = SlotIdentity(slot);
  if (exactDamaged_ && exists) {
    std::vector<ExactMediaIdentity> ids;
    std::vector<ExactNameSetPtr> sets;
    for (int s = 0; s < slot; ++s) {
      if (!exactNames_[s]) continue;
      ids.push_back(SlotIdentity(s));
      sets.push_back(exactNames_[s]);
    }
    ids.push_back(identity);
    sets.push_back(names);
    std::vector<int> sameSlot(kMaxMedia);
    for (int s = 0; s < kMaxMedia; ++s) sameSlot[s] = s < slot ? s : -1;
    const std::vector<uint8_t> bytes =
        ExactFileBytes(ids, sets, CurrentExactTexts(sameSlot, mediaSlots_, commentSlots_));
    // What could not be read stays aside; the names it held are not lost.
    ReplaceDamagedSideFile(exactNamePath_, bytes, catalogPath_, undo);
    const exact_file::Contents contents = exact_file::Parse(bytes.data(), bytes.size());
    exactSegments_ = contents.segments;
    exactTexts_ = contents.texts;
    exactAppendAt_ = contents.appendAt;
    exactDamaged_ = false;
  } else {
    int64_t cutAt = exists ? exactAppendAt_ : 0;
    for (const exact_file::Segment& seg : exactSegments_)
      if (seg.identity.slot >= slot) cutAt = std::min(cutAt, seg.offset);
    const int64_t length = exists ? std::max<int64_t>(0, exactStamp_.size) : 0;
    if (!names && (!exists || cutAt >= length)) return;
    SideFileWrite write(exactNamePath_, exists, catalogPath_, undo);
    write.CutAt(cutAt, exact_file::Signature());
    cutAt = write.CutPoint();
    // Text segments behind the cut are the texts of live media and comments
    // changed since: they are written again before the new segment.
    std::vector<exact_file::TextSegment> kept;
    for (const exact_file::TextSegment& t : exactTexts_) {
      if (t.offset < cutAt) continue;
      const std::vector<uint8_t> seg = exact_file::EncodeText(t.text);
      kept.push_back({t.text, write.Append(seg), static_cast<int64_t>(seg.size())});
    }
    const int64_t segmentAt = names ? write.Append(exact_file::EncodeSegment(identity, *names)) : 0;
    const int64_t end = write.Finish();
    std::erase_if(exactSegments_,
                  [&](const exact_file::Segment& seg) { return seg.offset >= cutAt; });
    std::erase_if(exactTexts_, [&](const exact_file::TextSegment& t) { return t.offset >= cutAt; });
    exactTexts_.insert(exactTexts_.end(), kept.begin(), kept.end());
    if (names) exactSegments_.push_back({identity, names, segmentAt, end - segmentAt});
    exactAppendAt_ = end;
  }
  exactStamp_ = io::StampOf(exactNamePath_);
  exactNames_[slot] = names;
}

// A segment left for a slot that never came to be (when putting the file
// back fails) is ignored by every reader and cut off by the next add.
void Catalog::UndoExactNames(BinaryFile& catalogue, int slot, const SideFileUndo& undo) {
  exactNames_[slot] = nullptr;
  UndoExactTexts(catalogue, undo);
}

// ---------------------------------------------------------------- queries

std::string_view Catalog::ExactNameOfRecord(int slot, int32_t record) const {
  if (slot < 0 || slot >= static_cast<int>(exactNames_.size()) || !exactNames_[slot]) return {};
  return exactNames_[slot]->Find(record);
}

std::string_view Catalog::ExactName(int r) const {
  return loadedMedia_ < 0 ? std::string_view() : ExactNameOfRecord(loadedMedia_, r);
}

ExactNameSetPtr Catalog::ExactNamesOf(int slot) const {
  if (slot < 0 || slot >= static_cast<int>(exactNames_.size())) return nullptr;
  return exactNames_[slot];
}

std::string Catalog::ShownName(int slot, int32_t record, std::string_view cp932Name) const {
  const std::string_view exact = ExactNameOfRecord(slot, record);
  if (!exact.empty()) return text::NativeNameToUtf8(exact);
  return text::ShownName(LongNameOfRecord(slot, record, cp932Name), {});
}

std::string Catalog::ShownFolderPath(int slot, int record) {
  if (!LoadMedia(slot) || record <= 0 || record >= loadedCount_) return {};
  std::string path;
  for (int32_t x = loadedRecs_[record].Parent(); x >= 0; x = loadedRecs_[x].Parent()) {
    const std::string segment =
        x == 0 ? text::ShownName(mediaSlots_[slot].Name(), {}) : ShownRecordName(x);
    path = path.empty() ? segment : segment + "\\" + path;
  }
  return path;
}

QString Catalog::ShownQName(int slot, int32_t record, std::string_view cp932Name) const {
  return QString::fromStdString(ShownName(slot, record, cp932Name));
}

std::string Catalog::ShownRecordName(int r) const {
  const std::string_view exact = ExactName(r);
  if (!exact.empty()) return text::NativeNameToUtf8(exact);
  return text::ShownName(RecordName(r), {});
}

std::string Catalog::NativeRecordName(int r) const {
  const std::string_view exact = ExactName(r);
  if (!exact.empty()) return std::string(exact);
  return text::Cp932ToUtf8(RecordName(r));
}

}  // namespace plomix
