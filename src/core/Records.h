#pragma once
// The record types every part of the program works on, the identifiers that
// name media and entries, and the byte images of the catalogue's persistent
// structures (see docs/file-formats.md for the layouts in prose).

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "core/ByteImage.h"

namespace plomix {

// ---- Capacities (limits, enforced; storage grows on demand) ----
#ifndef PLOMIX_FUZZ_SMALL_TABLES
inline constexpr int kMaxMedia = 2000;
inline constexpr int kMaxRecords = 2000000;
inline constexpr int kMaxComments = 5000;
inline constexpr int kMaxLongNames = 100000;
#else
// The fuzz harnesses' own engine: the same code and layout on small tables, so
// that a catalogue is kilobytes rather than megabytes (fuzz/CMakeLists.txt).
inline constexpr int kMaxMedia = 16;
inline constexpr int kMaxRecords = 2000000;
inline constexpr int kMaxComments = 32;
inline constexpr int kMaxLongNames = 256;
#endif
inline constexpr int kMaxNameListEntries = 100;
inline constexpr int kKeyFactor = 1000000;

// ---- Record kinds ----
inline constexpr int16_t kKindCatalog = 0;
inline constexpr int16_t kKindFloppy = 1;
inline constexpr int16_t kKindFixed = 2;
inline constexpr int16_t kKindRemovable = 3;
inline constexpr int16_t kKindOptical = 4;
inline constexpr int16_t kKindNetwork = 5;
inline constexpr int16_t kKindRamDisk = 6;
inline constexpr int16_t kKindUnknownDrive = 7;
inline constexpr int16_t kKindFolder = 8;
inline constexpr int16_t kKindOpenFolder = 9;
inline constexpr int16_t kKindFile = 10;

inline constexpr int16_t kAttrReadOnly = 0x01;
inline constexpr int16_t kAttrHidden = 0x02;
inline constexpr int16_t kAttrSystem = 0x04;
inline constexpr int16_t kAttrDirectory = 0x10;
inline constexpr int16_t kAttrArchive = 0x20;

inline bool IsFolderKind(int kind) {
  return kind == kKindFolder || kind == kKindOpenFolder;
}
inline bool IsMediaKind(int kind) {
  return kind >= kKindFloppy && kind <= kKindUnknownDrive;
}

// ---- Keys ----
// An entry's key is slot x 1,000,000 + record index. A media holds up to
// kMaxRecords, so a record at index 1,000,000 or more is keyed
// -2 - (slot x 1,000,000 + record - 1,000,000) instead: its key never collides
// with the next slot's entries, and every key below 1,000,000 keeps the value
// the files have always stored. -1 (kNoKey) names no entry: the whole catalogue.
inline constexpr int32_t kNoKey = -1;
inline int32_t MakeKey(int slot, int record) {
  if (record < kKeyFactor) return slot * kKeyFactor + record;
  return -2 - (slot * kKeyFactor + (record - kKeyFactor));
}
inline bool IsEntryKey(int32_t key) {
  return key != kNoKey;
}
// kNoKey gives slot 0, record -1.
inline int SlotOfKey(int32_t key) {
  if (key >= kNoKey) return key / kKeyFactor;
  return static_cast<int>((-2 - int64_t{key}) / kKeyFactor);
}
inline int RecordOfKey(int32_t key) {
  if (key >= kNoKey) return key % kKeyFactor;
  return static_cast<int>((-2 - int64_t{key}) % kKeyFactor + kKeyFactor);
}
inline bool KeyIsMedia(int32_t key) {
  return key >= 0 && RecordOfKey(key) == 0;
}

// Kind names as CP932 text ("FD", "HD", "リムーバブル", ...); "" for other values.
std::string MediaKindName(int kind);
// Name of kinds 0 to 9 (the catalogue, media kinds, folders); "" otherwise.
std::string KindName(int kind);
// Image number of a kind: the kind itself, 9 for a folder shown open/selected.
inline int ImageOfKind(bool selected, int kind) {
  return (selected && kind == kKindFolder) ? kKindOpenFolder : kind;
}

// ---- In-memory records ----

// One folder, file or media root. Text fields are CP932 bytes.
struct TRecord {
  int32_t Key = -1;
  int32_t Parent = -1;
  int32_t FirstChild = -1;
  int16_t Kind = 0;
  int16_t Attr = 0;
  std::string Path;
  std::string Name;
  // The name's native bytes when CP932 cannot hold it (Name then has '?'
  // where a character was lost); empty when Name is exact.
  std::string ExactName;
  double Size = 0;
  int32_t FileDate = 0;
  uint8_t Mark = 0;
  std::string Version;
  int16_t DirFolders = 0;
  int32_t DirFiles = 0;
  int16_t AllFolders = 0;
  int32_t AllFiles = 0;
  double Allocated = 0;
  int32_t CommentNo = -1;
  int32_t ImageIndex = 0;
  int32_t MarkImage = -1;
  std::vector<std::string> Texts;  // display cache of list-row texts; filled on demand
  int32_t Highlight = 0;
};

// Facts about one media, measured when it is read. Text fields are CP932.
struct TMediaInfomation {
  std::string Drive;
  std::string KindName;
  std::string Category;
  std::string Location;
  std::string LocationDetail;
  int32_t ClusterSize = 0;
  double FreeSpace = 0;
  std::string VolumeName;
  std::string VolumeSerial;
  std::string Reserved1, Reserved2, Reserved3;
  int32_t OldestFileDate = 0;
  int32_t NewestFileDate = 0;
  int32_t OldestFolderDate = 0;
  int32_t NewestFolderDate = 0;
  double SmallestFile = -1.0;
  double LargestFile = 0;
  uint8_t Spare = 0;
  int32_t FirstLongName = 0;
};

// One row of a media list shown in a dialog.
struct TRecordDiv {
  int32_t MediaNo = -1;
  int16_t Kind = 0;
  std::string Name;
  std::string KindName;
  std::string Category;
  std::string Location;
  std::string LocationDetail;
  std::string Drive;
  int32_t FileDate = 0;
  int32_t AllFolders = 0;
  int32_t AllFiles = 0;
};

// ---- Byte images ----

// TFileRec, 161 bytes: the persistent part of one TRecord.
class TFileRec : public ByteImage<161> {
 public:
  static constexpr std::size_t kParent = 0, kFirstChild = 4, kKind = 8, kAttr = 10, kName = 12,
                               kSizeField = 104, kFileDate = 112, kMark = 116, kVersion = 117,
                               kDirFolders = 137, kDirFiles = 139, kAllFolders = 143,
                               kAllFiles = 145, kAllocated = 149, kCommentNo = 157;
  static constexpr std::size_t kNameCap = 91, kVersionCap = 19;

  int32_t Parent() const { return I32(kParent); }
  void SetParent(int32_t v) { SetI32(kParent, v); }
  int32_t FirstChild() const { return I32(kFirstChild); }
  void SetFirstChild(int32_t v) { SetI32(kFirstChild, v); }
  int16_t Kind() const { return I16(kKind); }
  void SetKind(int16_t v) { SetI16(kKind, v); }
  int16_t Attr() const { return I16(kAttr); }
  void SetAttr(int16_t v) { SetI16(kAttr, v); }
  std::string Name() const { return ShortString(kName, kNameCap); }
  std::size_t NameLength() const { return ShortLength(kName, kNameCap); }
  void SetName(std::string_view v) { SetShortString(kName, kNameCap, v); }
  double Size() const { return F64(kSizeField); }
  void SetSize(double v) { SetF64(kSizeField, v); }
  int32_t FileDate() const { return I32(kFileDate); }
  void SetFileDate(int32_t v) { SetI32(kFileDate, v); }
  uint8_t Mark() const { return U8(kMark); }
  void SetMark(uint8_t v) { SetU8(kMark, v); }
  std::string Version() const { return ShortString(kVersion, kVersionCap); }
  void SetVersion(std::string_view v) { SetShortString(kVersion, kVersionCap, v); }
  int16_t DirFolders() const { return I16(kDirFolders); }
  void SetDirFolders(int16_t v) { SetI16(kDirFolders, v); }
  int32_t DirFiles() const { return I32(kDirFiles); }
  void SetDirFiles(int32_t v) { SetI32(kDirFiles, v); }
  int16_t AllFolders() const { return I16(kAllFolders); }
  void SetAllFolders(int16_t v) { SetI16(kAllFolders, v); }
  int32_t AllFiles() const { return I32(kAllFiles); }
  void SetAllFiles(int32_t v) { SetI32(kAllFiles, v); }
  double Allocated() const { return F64(kAllocated); }
  void SetAllocated(double v) { SetF64(kAllocated, v); }
  int32_t CommentNo() const { return I32(kCommentNo); }
  void SetCommentNo(int32_t v) { SetI32(kCommentNo, v); }

  // The persistent fields of a TRecord (Name cut to 91 bytes, Path not kept).
  static TFileRec FromRecord(const TRecord& r);
  // A TRecord with the persistent fields (Key, Path and display fields unset).
  TRecord ToRecord() const;
};

// TMediaSlot, 553 bytes: one media of the slot table.
class TMediaSlot : public ByteImage<553> {
 public:
  static constexpr std::size_t kName = 0, kFirstRec = 92, kCount = 96, kDeletedDate = 100,
                               kRoot = 104, kDrive = 265, kKindName = 268, kCategory = 284,
                               kLocation = 311, kLocationDetail = 338, kClusterSize = 349,
                               kFreeSpace = 353, kVolumeName = 361, kVolumeSerial = 393,
                               kReserved1 = 425, kReserved2 = 457, kReserved3 = 489,
                               kOldestFileDate = 521, kNewestFileDate = 525,
                               kOldestFolderDate = 529, kNewestFolderDate = 533,
                               kSmallestFile = 537, kLargestFile = 545;
  // Bytes kInfoOffset..552 are the persistent facts of the media.
  static constexpr std::size_t kInfoOffset = 265, kInfoSize = 288;
  static constexpr std::size_t kNameCap = 91, kDriveCap = 2, kKindNameCap = 15, kCategoryCap = 26,
                               kLocationCap = 26, kLocationDetailCap = 10, kVolumeCap = 31;

  std::string Name() const { return ShortString(kName, kNameCap); }
  std::size_t NameLength() const { return ShortLength(kName, kNameCap); }
  void SetName(std::string_view v) { SetShortString(kName, kNameCap, v); }
  int32_t FirstRec() const { return I32(kFirstRec); }
  void SetFirstRec(int32_t v) { SetI32(kFirstRec, v); }
  int32_t Count() const { return I32(kCount); }
  void SetCount(int32_t v) { SetI32(kCount, v); }
  int32_t DeletedDate() const { return I32(kDeletedDate); }
  void SetDeletedDate(int32_t v) { SetI32(kDeletedDate, v); }
  TFileRec Root() const;
  void SetRoot(const TFileRec& rec);

  std::string Drive() const { return ShortString(kDrive, kDriveCap); }
  void SetDrive(std::string_view v) { SetShortString(kDrive, kDriveCap, v); }
  std::string KindName() const { return ShortString(kKindName, kKindNameCap); }
  std::string Category() const { return ShortString(kCategory, kCategoryCap); }
  void SetCategory(std::string_view v) { SetShortString(kCategory, kCategoryCap, v); }
  std::string Location() const { return ShortString(kLocation, kLocationCap); }
  void SetLocation(std::string_view v) { SetShortString(kLocation, kLocationCap, v); }
  std::string LocationDetail() const { return ShortString(kLocationDetail, kLocationDetailCap); }
  void SetLocationDetail(std::string_view v) {
    SetShortString(kLocationDetail, kLocationDetailCap, v);
  }
  std::string VolumeName() const { return ShortString(kVolumeName, kVolumeCap); }
  std::string VolumeSerial() const { return ShortString(kVolumeSerial, kVolumeCap); }

  // Slot states: never used (name length 0 and Count 0), live (name length
  // > 0), deleted (name length 0, Count >= 1).
  bool IsNeverUsed() const { return NameLength() == 0 && Count() == 0; }
  bool IsLive() const { return NameLength() != 0; }
  bool IsDeleted() const { return NameLength() == 0 && Count() != 0; }
  void MakeNeverUsed();

  // The persistent facts (bytes 265..552) to and from a TMediaInfomation.
  void SetInfo(const TMediaInfomation& info);
  TMediaInfomation Info() const;
};

// TCommentSlot, 360 bytes: one comment.
class TCommentSlot : public ByteImage<360> {
 public:
  static constexpr std::size_t kKey = 0, kDate = 4, kText = 8, kKind = 264, kName = 266;
  static constexpr std::size_t kTextCap = 255, kNameCap = 91;

  int32_t Key() const { return I32(kKey); }
  void SetKey(int32_t v) { SetI32(kKey, v); }
  int32_t Date() const { return I32(kDate); }
  void SetDate(int32_t v) { SetI32(kDate, v); }
  std::string Text() const { return ShortString(kText, kTextCap); }
  void SetText(std::string_view v) { SetShortString(kText, kTextCap, v); }
  int16_t Kind() const { return I16(kKind); }
  void SetKind(int16_t v) { SetI16(kKind, v); }
  std::string Name() const { return ShortString(kName, kNameCap); }
  void SetName(std::string_view v) { SetShortString(kName, kNameCap, v); }
  bool IsFree() const { return Key() == -1; }
  // Key -1, date 0, text, kind and name emptied.
  void Clear();
};

// TLongNameMedia, 1312 bytes: the long-name directory entry of one slot.
class TLongNameMedia : public ByteImage<1312> {
 public:
  static constexpr std::size_t kSlotCopy = 0, kValid = 288, kFirst = 292, kEnd = 296,
                               kPicture = 300, kPictureWidth = 1012;

  int32_t Valid() const { return I32(kValid); }
  void SetValid(int32_t v) { SetI32(kValid, v); }
  int32_t First() const { return I32(kFirst); }
  void SetFirst(int32_t v) { SetI32(kFirst, v); }
  int32_t End() const { return I32(kEnd); }
  void SetEnd(int32_t v) { SetI32(kEnd, v); }
  std::string Picture() const { return ZString(kPicture, kPictureWidth); }
  void SetPicture(std::string_view v) { SetZString(kPicture, kPictureWidth, v); }
  void SetSlotCopy(const TMediaSlot& slot) {
    CopyFrom(kSlotCopy, slot.Data() + TMediaSlot::kInfoOffset, TMediaSlot::kInfoSize);
  }
};

// TLongName, 516 bytes: one complete name longer than 91 bytes.
class TLongName : public ByteImage<516> {
 public:
  static constexpr std::size_t kRecord = 0, kName = 4, kNameWidth = 512;

  int32_t Record() const { return I32(kRecord); }
  void SetRecord(int32_t v) { SetI32(kRecord, v); }
  std::string Name() const { return ZString(kName, kNameWidth); }
  void SetName(std::string_view v) { SetZString(kName, kNameWidth, v); }
};

// Whether record r of a media of `count` records links only inside the media
// and forwards (its parent before it, its first child after it). A media with
// any other record does not load: path walks over it could run astray.
inline bool LinksAreSound(int32_t r, const TFileRec& rec, int32_t count) {
  const int32_t parent = rec.Parent();
  const int32_t child = rec.FirstChild();
  const bool parentOk = r == 0 ? parent == -1 : (parent >= 0 && parent < r);
  return parentOk && (child == -1 || (child > r && child < count));
}

// The tables read records straight into arrays of these images.
static_assert(sizeof(TFileRec) == TFileRec::kSize && std::is_trivially_copyable_v<TFileRec>);

// ---- File layout ----
inline constexpr int64_t kSlotAreaOffset = 0;
inline constexpr int64_t kCommentAreaOffset =
    int64_t{kMaxMedia} * static_cast<int64_t>(TMediaSlot::kSize);  // 1,106,000 at full size
inline constexpr int64_t kRecordAreaOffset =
    kCommentAreaOffset +
    int64_t{kMaxComments} * static_cast<int64_t>(TCommentSlot::kSize);  // 2,906,000
inline constexpr int64_t kLongNameHeaderSize =
    512 + int64_t{kMaxMedia} * static_cast<int64_t>(TLongNameMedia::kSize);
inline constexpr int32_t kLongNameFormat = 2;

inline int64_t RecordOffset(int64_t position) {
  return kRecordAreaOffset + static_cast<int64_t>(TFileRec::kSize) * position;
}

#ifndef PLOMIX_FUZZ_SMALL_TABLES
static_assert(kCommentAreaOffset == 1106000);
static_assert(kRecordAreaOffset == 2906000);
static_assert(kLongNameHeaderSize == 2624512);
#endif

}  // namespace plomix
