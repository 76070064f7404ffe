// The exact texts of the media's own fields and of comments, kept in the
// exact-name file beside the media's exact names (core/ExactNames.h,
// docs/file-formats.md). A text segment is appended and synced within the
// transaction of the CP932 change it belongs to and cut off again when that
// change fails; it counts only while the field still holds the CP932 text it
// was written for.

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/BinaryFile.h"
#include "core/Catalog.h"
#include "core/CatalogInternal.h"
#include "core/Format.h"
#include "core/SideFileWrite.h"
#include "core/Text.h"

namespace plomix {

namespace fs = std::filesystem;
using namespace catalog_internal;

namespace {

constexpr SlotText kSlotFields[] = {SlotText::Name, SlotText::Category, SlotText::Location,
                                    SlotText::LocationDetail};

ExactField FieldOf(SlotText field) {
  switch (field) {
    case SlotText::Name:
      return ExactField::MediaName;
    case SlotText::Category:
      return ExactField::Category;
    case SlotText::Location:
      return ExactField::Location;
    case SlotText::LocationDetail:
      break;
  }
  return ExactField::LocationDetail;
}

std::string FieldText(const TMediaSlot& slot, SlotText field) {
  switch (field) {
    case SlotText::Name:
      return slot.Name();
    case SlotText::Category:
      return slot.Category();
    case SlotText::Location:
      return slot.Location();
    case SlotText::LocationDetail:
      break;
  }
  return slot.LocationDetail();
}

uint32_t TextCrc(std::string_view cp932) {
  return exact_file::Crc32(reinterpret_cast<const uint8_t*>(cp932.data()), cp932.size());
}

// Bytes of the UTF-8 character at `at`; 1 for a byte that starts none (it
// converts to one '?').
std::size_t Utf8CharLength(std::string_view s, std::size_t at) {
  const auto b = static_cast<uint8_t>(s[at]);
  const std::size_t n = b < 0x80         ? 1
                        : (b >> 5) == 6  ? 2
                        : (b >> 4) == 14 ? 3
                        : (b >> 3) == 30 ? 4
                                         : 1;
  if (n == 1 || at + n > s.size()) return 1;
  return text::IsValidUtf8(s.substr(at, n)) ? n : 1;
}

}  // namespace

std::size_t SlotTextCap(SlotText field) {
  switch (field) {
    case SlotText::Name:
      return TMediaSlot::kNameCap;
    case SlotText::Category:
      return TMediaSlot::kCategoryCap;
    case SlotText::Location:
      return TMediaSlot::kLocationCap;
    case SlotText::LocationDetail:
      break;
  }
  return TMediaSlot::kLocationDetailCap;
}

FittedText FitToField(std::string_view utf8, std::size_t capBytes) {
  FittedText fitted;
  std::size_t at = 0;
  while (at < utf8.size()) {
    const std::size_t n = Utf8CharLength(utf8, at);
    const std::string code = text::Utf8ToCp932(utf8.substr(at, n));
    if (fitted.cp932.size() + code.size() > capBytes) {
      fitted.cut = true;
      break;
    }
    fitted.cp932 += code;
    at += n;
  }
  fitted.utf8.assign(utf8.substr(0, at));
  return fitted;
}

// ---------------------------------------------------------------- matching

const ExactText* Catalog::FindExactText(ExactField field, int target,
                                        std::string_view cp932) const {
  const bool slotField = field != ExactField::Comment;
  if (target < 0 || target >= (slotField ? kMaxMedia : kMaxComments)) return nullptr;
  const uint32_t crc = TextCrc(cp932);
  const ExactMediaIdentity identity = slotField ? SlotIdentity(target) : ExactMediaIdentity{};
  for (auto it = exactTexts_.rbegin(); it != exactTexts_.rend(); ++it) {
    const ExactText& t = it->text;
    if (t.field != field || t.target != target || t.cp932Crc != crc) continue;
    if (slotField && t.media != identity) continue;
    return t.text.empty() ? nullptr : &t;
  }
  return nullptr;
}

std::optional<ExactText> Catalog::ExactTextChange(ExactField field, int target,
                                                  std::string_view oldCp932, bool oldLive,
                                                  std::string_view newCp932,
                                                  const std::string* utf8) const {
  ExactText change;
  change.field = field;
  change.target = target;
  if (change.IsSlotField()) change.media = SlotIdentity(target);
  change.cp932Crc = TextCrc(newCp932);
  if (utf8 && text::Cp932ToUtf8(newCp932) != *utf8) {
    change.text = *utf8;
    return change;
  }
  // A CP932 caller that leaves the text as it is keeps its exact form; any
  // other change clears an exact form that would match the new text (one
  // written for the same CP932 text before it was changed away and back).
  if (!utf8 && oldLive && oldCp932 == newCp932) return std::nullopt;
  if (!FindExactText(field, target, newCp932)) return std::nullopt;
  return change;
}

std::vector<ExactText> Catalog::CurrentExactTexts(const std::vector<int>& newSlot,
                                                  const std::vector<TMediaSlot>& slots,
                                                  const std::vector<TCommentSlot>& comments) const {
  std::vector<ExactText> texts;
  for (int s = 0; s < kMaxMedia && s < static_cast<int>(newSlot.size()); ++s) {
    const int t = newSlot[s];
    if (t < 0 || !mediaSlots_[s].IsLive()) continue;
    for (SlotText f : kSlotFields) {
      const std::string cp932 = FieldText(mediaSlots_[s], f);
      const ExactText* found = FindExactText(FieldOf(f), s, cp932);
      if (!found) continue;
      ExactText moved = *found;
      moved.target = t;
      moved.media.slot = t;
      int64_t position = 0;
      for (int u = 0; u < t; ++u) position += std::max(0, slots[u].Count());
      moved.media.firstRecord = position;
      moved.media.count = slots[t].Count();
      moved.media.readDate = slots[t].Root().FileDate();
      texts.push_back(std::move(moved));
    }
  }
  for (int c = 0; c < kMaxComments; ++c) {
    if (comments[c].IsFree() || commentSlots_[c].IsFree()) continue;
    if (const ExactText* found = FindExactText(ExactField::Comment, c, commentSlots_[c].Text()))
      texts.push_back(*found);
  }
  return texts;
}

// ---------------------------------------------------------------- writing

void Catalog::AppendExactTexts(const std::vector<ExactText>& texts, SideFileUndo& undo) {
  if (texts.empty()) return;
  std::error_code ec;
  const bool exists = fs::exists(exactNamePath_, ec);
  SideFileWrite write(exactNamePath_, exists, catalogPath_, undo);
  const int64_t length = write.Length();
  const auto headerSize = static_cast<int64_t>(exact_file::kHeaderSize);
  // A torn tail (a write cut off) is cut off; a damaged file keeps its bytes
  // and gets the segment after them (reading finds it again by its head); a
  // file without a sound signature starts anew, kept aside first.
  int64_t at = exactAppendAt_ >= headerSize ? std::min(exactAppendAt_, length) : 0;
  if (exactDamaged_ && at > 0) at = length;
  if (at == 0 && length > 0 && !fs::exists(exactNamePath_ + ".damaged", ec))
    io::Link(exactNamePath_, exactNamePath_ + ".damaged");
  write.CutAt(at, exact_file::Signature());
  std::vector<exact_file::TextSegment> added;
  for (const ExactText& t : texts) {
    const std::vector<uint8_t> seg = exact_file::EncodeText(t);
    added.push_back({t, write.Append(seg), static_cast<int64_t>(seg.size())});
  }
  const int64_t end = write.Finish();
  if (write.CutPoint() == 0) {
    exactSegments_.clear();
    exactTexts_.clear();
  }
  exactTexts_.insert(exactTexts_.end(), added.begin(), added.end());
  exactAppendAt_ = end;
  exactStamp_ = io::StampOf(exactNamePath_);
}

void Catalog::UndoExactTexts(BinaryFile& catalogue, const SideFileUndo& undo) {
  if (!undo.touched) return;
  try {
    UndoSideFileWrite(exactNamePath_, undo);
  } catch (const CatalogError&) {
    // A segment left behind is bound to a CP932 text the field does not hold
    // (or to a slot that was never used) and is ignored.
  }
  const std::string warning = exactWarning_;
  ReadExactNamesFrom(catalogue);
  exactWarning_ = warning;
}

// ---------------------------------------------------------------- slot texts

bool Catalog::SetSlotText(int slot, SlotText field, std::string_view utf8) {
  if (slot < 0 || slot >= kMaxMedia || field == SlotText::Name) return false;
  const FittedText fitted = FitToField(utf8, SlotTextCap(field));
  TMediaSlot& s = mediaSlots_[slot];
  if (field == SlotText::Category)
    s.SetCategory(fitted.cp932);
  else if (field == SlotText::Location)
    s.SetLocation(fitted.cp932);
  else
    s.SetLocationDetail(fitted.cp932);
  pendingSlotTexts_[{slot, field}] = fitted.utf8;
  return true;
}

std::string Catalog::ExactSlotText(int slot, SlotText field) const {
  if (slot < 0 || slot >= kMaxMedia) return {};
  // A text set in memory and not yet written shows as it was given (while
  // memory still holds it: a refresh may have taken the disk's slot back).
  const std::string cp932 = FieldText(mediaSlots_[slot], field);
  if (const auto it = pendingSlotTexts_.find({slot, field});
      it != pendingSlotTexts_.end() && text::Utf8ToCp932(it->second) == cp932)
    return it->second;
  const ExactText* found = FindExactText(FieldOf(field), slot, cp932);
  return found ? found->text : text::Cp932ToUtf8(cp932);
}

bool Catalog::HasExactSlotText(int slot, SlotText field) const {
  if (slot < 0 || slot >= kMaxMedia) return false;
  const std::string cp932 = FieldText(mediaSlots_[slot], field);
  if (const auto it = pendingSlotTexts_.find({slot, field});
      it != pendingSlotTexts_.end() && text::Utf8ToCp932(it->second) == cp932)
    return text::Cp932ToUtf8(cp932) != it->second;
  return FindExactText(FieldOf(field), slot, cp932) != nullptr;
}

std::vector<std::string> Catalog::ExactTextList(SlotText field) const {
  std::vector<std::pair<std::string, std::string>> texts;  // CP932, shown
  for (int s = 0; s < kMaxMedia; ++s) {
    if (!mediaSlots_[s].IsLive()) continue;
    std::string cp932 = FieldText(mediaSlots_[s], field);
    if (cp932.empty()) continue;
    std::string shown = ExactSlotText(s, field);
    texts.emplace_back(std::move(cp932), std::move(shown));
  }
  std::sort(texts.begin(), texts.end(), [](const auto& a, const auto& b) {
    const int c = text::CompareAnsiText(a.first, b.first);
    return c != 0 ? c < 0 : a.second < b.second;
  });
  std::vector<std::string> list;
  for (auto& t : texts)
    if (list.empty() || list.back() != t.second) list.push_back(std::move(t.second));
  return list;
}

bool Catalog::WriteSlotTable() {
  BinaryFile file = LockCatalog(true);
  const auto pending = std::exchange(pendingSlotTexts_, {});
  SyncWithDisk(file, true);
  const std::vector<TMediaSlot> before = SlotsOnDisk();
  std::vector<ExactText> texts;
  for (int s = 0; s < kMaxMedia; ++s) {
    if (before[s] == mediaSlots_[s] && pending.empty()) continue;
    for (SlotText f : kSlotFields) {
      const std::string old = FieldText(before[s], f), now = FieldText(mediaSlots_[s], f);
      const auto it = pending.find({s, f});
      if (it == pending.end() && old == now) continue;
      const std::string* utf8 = it == pending.end() ? nullptr : &it->second;
      if (auto change = ExactTextChange(FieldOf(f), s, old, before[s].IsLive(), now, utf8))
        texts.push_back(std::move(*change));
    }
  }
  SideFileUndo undo;
  try {
    AppendExactTexts(texts, undo);
    CommitSlots(file, before);
  } catch (...) {
    UndoExactTexts(file, undo);
    throw;
  }
  file.Close();
  RebuildNameLists();
  return true;
}

int Catalog::RenameMediaText(int slot, std::string_view utf8, const MediaIdentity* expect) {
  const FittedText fitted = FitToField(utf8, TMediaSlot::kNameCap);
  return RenameMediaWith(slot, fitted.cp932, expect, &fitted.utf8);
}

// ---------------------------------------------------------------- comments

int Catalog::AddCommentText(int32_t key, std::string_view utf8, int16_t kind,
                            std::string_view name) {
  const FittedText fitted = FitToField(utf8, TCommentSlot::kTextCap);
  return AddCommentWith(key, fitted.cp932, kind, name, &fitted.utf8);
}

void Catalog::UpdateCommentText(int index, int32_t key, std::string_view utf8) {
  const FittedText fitted = FitToField(utf8, TCommentSlot::kTextCap);
  UpdateCommentWith(index, key, fitted.cp932, &fitted.utf8);
}

std::string Catalog::ExactCommentText(int index) const {
  if (index < 0 || index >= kMaxComments || commentSlots_[index].IsFree()) return {};
  const std::string cp932 = commentSlots_[index].Text();
  const ExactText* found = FindExactText(ExactField::Comment, index, cp932);
  return found ? found->text : text::Cp932ToUtf8(cp932);
}

bool Catalog::HasExactCommentText(int index) const {
  if (index < 0 || index >= kMaxComments || commentSlots_[index].IsFree()) return false;
  return FindExactText(ExactField::Comment, index, commentSlots_[index].Text()) != nullptr;
}

void Catalog::UpdateCommentWith(int index, int32_t key, std::string_view cp932,
                                const std::string* utf8) {
  if (index < 0 || index >= kMaxComments) return;
  TCommentSlot& c = commentSlots_[index];
  c.SetKey(key);
  c.SetDate(DosNow());
  c.SetText(cp932);
  BinaryFile file = LockCatalog(true);
  SyncWithDisk(file, true);
  TCommentSlot disk;
  disk.CopyFrom(0, &diskAreas_[kCommentAreaOffset + index * TCommentSlot::kSize],
                TCommentSlot::kSize);
  SideFileUndo undo;
  try {
    if (auto change = ExactTextChange(ExactField::Comment, index, disk.Text(), !disk.IsFree(),
                                      commentSlots_[index].Text(), utf8))
      AppendExactTexts({*change}, undo);
    WriteChangedComments(file);
    file.Sync();
  } catch (...) {
    UndoExactTexts(file, undo);
    throw;
  }
  file.Close();
}

}  // namespace plomix
