#pragma once
// Drive letters on Linux: a letter A-Z stands for a root folder. C is "/".
// A mounted volume worth reading has a letter while it is mounted: the letter
// it had last time when that is free, else the lowest free one from D. Each
// letter remembers the volume that had it last (settings group
// "VolumeLetters", letter -> volume identity), so a letter whose volume is
// unmounted is free for the next volume, as on the desktop the catalogue's
// drive letters come from. Folders the user binds explicitly (group "Drives",
// letter -> folder) keep their letters until they are unbound.
//
// The machine's facts come from a mount table (mountinfo format), a sysfs tree,
// the by-label and by-uuid folders and libblkid; all of them are injectable so
// that every kind of drive can be tested on fixtures. Every query reads its
// sources anew; nothing is cached between calls. Failures are results (kind 0,
// cluster size 0, free space -1.0, false), never exceptions.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plomix {

class Catalog;
class Settings;

// One line of a mount table.
struct MountEntry {
  std::string majorMinor;  // "8:1"
  std::string root;        // the mounted subtree of the file system ("/" for a whole one)
  std::string mountPoint;  // unescaped
  std::string fsType;
  std::string source;  // "/dev/sda1", "server:/export", "tmpfs", ...
};

// Label and UUID of a block device, as a probe finds them.
struct VolumeProbeResult {
  std::string label;
  std::string uuid;
  std::string type;
};

struct DriveSources {
  std::string mountInfoPath = "/proc/self/mountinfo";
  std::string sysfsRoot = "/sys";
  std::string byLabelDir = "/dev/disk/by-label";
  std::string byUuidDir = "/dev/disk/by-uuid";
  // Where the desktop mounts media: a RAM disk gets a letter only there.
  std::vector<std::string> mediaFolders{"/mnt", "/media", "/run/media"};
  // Reads a block device's label and UUID; nothing when it cannot. Empty: only
  // the by-label and by-uuid folders are consulted. The default uses libblkid.
  std::function<std::optional<VolumeProbeResult>(const std::string& device)> probe = BlkidProbe;

  static std::optional<VolumeProbeResult> BlkidProbe(const std::string& device);
};

// One lettered drive with what the drive list shows of it.
struct DriveRow {
  char letter = 'C';
  std::string folder;  // native path
  int kind = 0;
  bool ready = false;
  std::string volumeName;  // UTF-8 as the system gives it
  std::string serial;
  int32_t clusterSize = 0;
  double freeSpace = -1.0;
  bool volume = false;  // a mounted volume (not an explicit binding, not C)
};

// Where a folder lies: the mounted volume that holds it.
struct FolderVolume {
  std::string folder;      // the folder, absolute and normalised
  std::string mountPoint;  // the volume's mount point ("/" for the root file system)
  std::string inner;       // the folder's path inside the volume ("/" for its root)
  char letter = 0;         // the volume's drive letter now (C for "/"), 0 when it has none
  int kind = 0;            // kind code of the volume
};

// Parses a mount table in /proc/self/mountinfo format; malformed lines are skipped.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// The serial text of a volume UUID: a FAT "1234-ABCD" gives 1234ABCD, an NTFS
// 16-digit UUID its low 32 bits, any other UUID its first 8 hex digits, none
// 0000; always upper-case hex of at least four digits.
std::string SerialTextFromUuid(std::string_view uuid);
// Upper-case hex of at least four digits, no further leading zeros.
std::string SerialText(uint32_t serial);

// First character of the text as an upper-case letter A-Z; "C" for an empty
// text or anything that is not a letter.
std::string NormalizeDriveLetter(std::string_view text);
// The drive the first character of the text names, as an upper-case letter
// A-Z; 0 for an empty text or one that does not start with a letter. Unlike
// NormalizeDriveLetter it never stands in C, so that a bad drive text can be
// refused instead of reading the system disk.
char DriveLetterOf(std::string_view text);

// Name of the desktop icon of a file's type ("image-jpeg", ...); nothing when
// the name has no extension or the type has no icon name.
std::optional<std::string> FileTypeIconName(std::string_view fileNameUtf8);

class Drives {
 public:
  explicit Drives(Settings& settings, DriveSources sources = {});

  // ---- Letters ----
  // Remembers the letters of the mounted volumes (unless `remember` is
  // false), then lists every lettered drive in letter order.
  std::vector<DriveRow> ListDrives(bool remember = true);
  // Stores which volume each mounted volume's letter now belongs to, so that
  // the volume gets it again next time when it is free. Letters are handed
  // out by every query alike; this only makes them stick.
  void RememberVolumeLetters();
  // Root folder of a letter ("" when none); C is always "/".
  std::string FolderOf(char letter) const;
  // The letter of exactly this folder (after normalising the path), or 0.
  char LetterOf(const std::string& folder) const;
  // The lowest letter from D that is neither bound nor a mounted volume's, or 0.
  char LowestFreeLetter() const;
  // The letter of the most recently mounted removable disk, FD or CD/DVD, or 0.
  char NewestRemovableLetter() const;
  // Binds a free letter (A-Z except C) to an existing folder for good; false
  // with a reason in `error` otherwise.
  bool Bind(char letter, const std::string& folder, std::string& error);
  // Removes an explicit binding; false when the letter has none or is C.
  bool Unbind(char letter);
  // True when the letter is an explicit binding (not C, not a volume).
  bool IsBound(char letter) const;

  // ---- Folders and volumes ----
  // The volume holding an existing folder; nothing when it is no folder.
  std::optional<FolderVolume> VolumeOfFolder(const std::string& folder) const;
  // Kind, volume information, cluster size and free space of the volume
  // holding a folder, as the letter queries give them for a drive.
  int FolderKind(const std::string& folder) const;
  bool FolderVolumeInfo(const std::string& folder, std::string& volumeName, std::string& serial,
                        std::string& maxComponentLength) const;
  int32_t FolderClusterSize(const std::string& folder) const;
  double FolderFreeSpace(const std::string& folder) const;
  // Mount point of a mounted volume with this serial text and volume name
  // (CP932, compared on the 31 bytes a media slot keeps); "" when none is
  // mounted. The serial 0000 (no identity) never matches.
  std::string FindVolume(const std::string& serial, const std::string& volumeName) const;

  // ---- Drive queries (the letter text as given; see each) ----
  // Kind code 0-7 of the drive named by exactly one letter; 0 for a text of
  // another length, an unbound letter or a folder that is gone.
  int GetDriveKind(std::string_view letterText) const;
  // Volume name, serial text and maximum name length of the drive named by
  // the first character of `drive`. False (outputs untouched) when the drive
  // has no readable folder.
  bool ReadVolumeInfo(std::string_view drive, std::string& volumeName, std::string& serial,
                      std::string& maxComponentLength) const;
  // Fundamental block size of the drive (1 = A ... 26 = Z); 0 when unknown.
  int32_t GetClusterSize(int driveNumber) const;
  // Free bytes of the drive's volume; -1.0 when unknown.
  double GetFreeSpace(int driveNumber) const;
  // Opens the tray of an optical drive (kind 4); true when the request was
  // sent to its device. Other kinds: false, nothing done.
  bool EjectMedia(std::string_view letter, int kind) const;
  // 0 the media in the drive is the catalogued media of `key`; 1 no volume
  // information; 2 the volume name differs; 3 the serial differs.
  int CheckMediaVolume(std::string_view drive, int32_t key, const Catalog& catalog) const;

  const DriveSources& Sources() const { return sources_; }

 private:
  struct LetterTable;
  LetterTable Letters() const;
  std::string VolumeIdentity(const MountEntry& mount) const;
  std::string ExplicitFolder(char letter) const;
  std::vector<MountEntry> Mounts() const;
  std::optional<MountEntry> MountOf(const std::string& folder) const;
  int KindOfMount(const MountEntry& mount) const;
  int FolderKindAs(char letter, const std::string& folder) const;
  bool IsBlock(const MountEntry& mount) const;
  bool BlockDeviceIsRemovable(const std::string& majorMinor) const;
  std::optional<VolumeProbeResult> ProbeVolume(const MountEntry& mount) const;
  std::string FolderOfNumber(int driveNumber) const;

  Settings& settings_;
  DriveSources sources_;
};

}  // namespace plomix
