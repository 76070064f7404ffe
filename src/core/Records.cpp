#include "core/Records.h"

#include <array>

#include "core/Text.h"

namespace plomix {

namespace {

const std::array<std::string, 11>& KindNames() {
  static const std::array<std::string, 11> names = {text::Utf8ToCp932("管理ファイル"),
                                                    "FD",
                                                    "HD",
                                                    text::Utf8ToCp932("リムーバブル"),
                                                    "CD/DVD",
                                                    text::Utf8ToCp932("ネットワーク"),
                                                    "RAM-DISK",
                                                    "???",
                                                    text::Utf8ToCp932("ファイル フォルダ"),
                                                    text::Utf8ToCp932("ファイル フォルダ"),
                                                    ""};
  return names;
}

}  // namespace

std::string MediaKindName(int kind) {
  return IsMediaKind(kind) ? KindNames()[kind] : std::string();
}

std::string KindName(int kind) {
  return (kind >= kKindCatalog && kind <= kKindOpenFolder) ? KindNames()[kind] : std::string();
}

TFileRec TFileRec::FromRecord(const TRecord& r) {
  TFileRec rec;
  rec.SetParent(r.Parent);
  rec.SetFirstChild(r.FirstChild);
  rec.SetKind(r.Kind);
  rec.SetAttr(r.Attr);
  rec.SetName(r.Name);
  rec.SetSize(r.Size);
  rec.SetFileDate(r.FileDate);
  rec.SetMark(r.Mark);
  rec.SetVersion(r.Version);
  rec.SetDirFolders(r.DirFolders);
  rec.SetDirFiles(r.DirFiles);
  rec.SetAllFolders(r.AllFolders);
  rec.SetAllFiles(r.AllFiles);
  rec.SetAllocated(r.Allocated);
  rec.SetCommentNo(r.CommentNo);
  return rec;
}

TRecord TFileRec::ToRecord() const {
  TRecord r;
  r.Parent = Parent();
  r.FirstChild = FirstChild();
  r.Kind = Kind();
  r.Attr = Attr();
  r.Name = Name();
  r.Size = Size();
  r.FileDate = FileDate();
  r.Mark = Mark();
  r.Version = Version();
  r.DirFolders = DirFolders();
  r.DirFiles = DirFiles();
  r.AllFolders = AllFolders();
  r.AllFiles = AllFiles();
  r.Allocated = Allocated();
  r.CommentNo = CommentNo();
  return r;
}

TFileRec TMediaSlot::Root() const {
  TFileRec rec;
  rec.CopyFrom(0, Data() + kRoot, TFileRec::kSize);
  return rec;
}

void TMediaSlot::SetRoot(const TFileRec& rec) {
  CopyFrom(kRoot, rec.Data(), TFileRec::kSize);
}

void TMediaSlot::MakeNeverUsed() {
  SetShortString(kName, kNameCap, {});
  SetFirstRec(0);
  SetCount(0);
  SetDeletedDate(0);
}

void TMediaSlot::SetInfo(const TMediaInfomation& info) {
  SetShortString(kDrive, kDriveCap, info.Drive);
  SetShortString(kKindName, kKindNameCap, info.KindName);
  SetShortString(kCategory, kCategoryCap, info.Category);
  SetShortString(kLocation, kLocationCap, info.Location);
  SetShortString(kLocationDetail, kLocationDetailCap, info.LocationDetail);
  SetI32(kClusterSize, info.ClusterSize);
  SetF64(kFreeSpace, info.FreeSpace);
  SetShortString(kVolumeName, kVolumeCap, info.VolumeName);
  SetShortString(kVolumeSerial, kVolumeCap, info.VolumeSerial);
  SetShortString(kReserved1, kVolumeCap, info.Reserved1);
  SetShortString(kReserved2, kVolumeCap, info.Reserved2);
  SetShortString(kReserved3, kVolumeCap, info.Reserved3);
  SetI32(kOldestFileDate, info.OldestFileDate);
  SetI32(kNewestFileDate, info.NewestFileDate);
  SetI32(kOldestFolderDate, info.OldestFolderDate);
  SetI32(kNewestFolderDate, info.NewestFolderDate);
  SetF64(kSmallestFile, info.SmallestFile);
  SetF64(kLargestFile, info.LargestFile);
}

TMediaInfomation TMediaSlot::Info() const {
  TMediaInfomation info;
  info.Drive = ShortString(kDrive, kDriveCap);
  info.KindName = ShortString(kKindName, kKindNameCap);
  info.Category = ShortString(kCategory, kCategoryCap);
  info.Location = ShortString(kLocation, kLocationCap);
  info.LocationDetail = ShortString(kLocationDetail, kLocationDetailCap);
  info.ClusterSize = I32(kClusterSize);
  info.FreeSpace = F64(kFreeSpace);
  info.VolumeName = ShortString(kVolumeName, kVolumeCap);
  info.VolumeSerial = ShortString(kVolumeSerial, kVolumeCap);
  info.Reserved1 = ShortString(kReserved1, kVolumeCap);
  info.Reserved2 = ShortString(kReserved2, kVolumeCap);
  info.Reserved3 = ShortString(kReserved3, kVolumeCap);
  info.OldestFileDate = I32(kOldestFileDate);
  info.NewestFileDate = I32(kNewestFileDate);
  info.OldestFolderDate = I32(kOldestFolderDate);
  info.NewestFolderDate = I32(kNewestFolderDate);
  info.SmallestFile = F64(kSmallestFile);
  info.LargestFile = F64(kLargestFile);
  return info;
}

void TCommentSlot::Clear() {
  SetKey(-1);
  SetDate(0);
  SetShortString(kText, kTextCap, {});
  SetKind(0);
  SetShortString(kName, kNameCap, {});
}

}  // namespace plomix
