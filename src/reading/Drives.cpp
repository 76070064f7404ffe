#include "reading/Drives.h"

#include <blkid/blkid.h>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QMimeDatabase>
#include <QString>
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/Catalog.h"
#include "core/Settings.h"
#include "core/Text.h"

namespace plomix {

namespace fs = std::filesystem;

namespace {

const QString kDriveGroup = QStringLiteral("Drives");
const QString kVolumeGroup = QStringLiteral("VolumeLetters");

QString DriveKey(char letter) {
  return kDriveGroup + '/' + QChar(letter);
}

char UpperLetter(char c) {
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') return c;
  return 0;
}

// "\040" and friends stand for blanks, tabs, newlines and backslashes in mountinfo.
std::string UnescapeOctal(std::string_view field) {
  const auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) &&
        isOctal(field[i + 2]) && isOctal(field[i + 3])) {
      out.push_back(static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) |
                                      (field[i + 3] - '0')));
      i += 3;
    } else {
      out.push_back(field[i]);
    }
  }
  return out;
}

// The by-label folder escapes unsafe bytes as "\xHH".
std::string UnescapeHex(std::string_view name) {
  std::string out;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' &&
        std::isxdigit(static_cast<unsigned char>(name[i + 2])) &&
        std::isxdigit(static_cast<unsigned char>(name[i + 3]))) {
      out.push_back(static_cast<char>(std::stoi(std::string(name.substr(i + 2, 2)), nullptr, 16)));
      i += 3;
    } else {
      out.push_back(name[i]);
    }
  }
  return out;
}

std::string NormalFolder(const std::string& folder) {
  if (folder.empty()) return folder;
  std::error_code ec;
  fs::path p = fs::absolute(fs::path(folder), ec).lexically_normal();
  std::string s = p.string();
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

bool IsUnder(const std::string& path, std::string_view prefix) {
  if (prefix == "/") return !path.empty() && path[0] == '/';
  return path.size() >= prefix.size() && path.compare(0, prefix.size(), prefix) == 0 &&
         (path.size() == prefix.size() || path[prefix.size()] == '/');
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

bool IsNetworkType(const std::string& type) {
  static const std::array<std::string_view, 14> kTypes = {
      "nfs", "nfs4", "cifs",       "smb3",           "smbfs",     "sshfs", "9p",
      "afs", "ceph", "fuse.sshfs", "fuse.glusterfs", "glusterfs", "davfs", "fuse.rclone"};
  return std::find(kTypes.begin(), kTypes.end(), type) != kTypes.end();
}

bool IsRamType(const std::string& type) {
  return type == "tmpfs" || type == "ramfs";
}

bool IsOptical(const MountEntry& m) {
  return m.fsType == "iso9660" || m.fsType == "udf" || StartsWith(m.source, "/dev/sr") ||
         StartsWith(m.source, "/dev/scd");
}

// Mounts that only the system uses: their own trees are no media to catalogue.
bool IsSystemMountPoint(const std::string& mountPoint) {
  static const std::array<std::string_view, 9> kSystem = {
      "/proc", "/sys", "/dev", "/boot", "/snap", "/var/lib", "/var/snap", "/efi", "/run"};
  if (IsUnder(mountPoint, "/run/media")) return false;
  return std::any_of(kSystem.begin(), kSystem.end(),
                     [&](std::string_view p) { return IsUnder(mountPoint, p); });
}

bool WorthReading(const MountEntry& m, bool isBlock, const std::vector<std::string>& mediaFolders) {
  if (m.root != "/" || m.mountPoint == "/" || IsSystemMountPoint(m.mountPoint)) return false;
  if (IsRamType(m.fsType))
    return std::any_of(mediaFolders.begin(), mediaFolders.end(),
                       [&](const std::string& f) { return IsUnder(m.mountPoint, f); });
  return IsNetworkType(m.fsType) || IsOptical(m) || isBlock;
}

std::string ReadSmallFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Canonical(const std::string& path) {
  std::error_code ec;
  fs::path p = fs::canonical(path, ec);
  return ec ? std::string() : p.string();
}

// The name in a by-label / by-uuid folder whose link leads to the device.
std::string LinkNameFor(const std::string& folder, const std::string& device) {
  const std::string target = Canonical(device);
  if (target.empty()) return {};
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (Canonical(it->path().string()) == target) return it->path().filename().string();
  }
  return {};
}

bool IsHex(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
    return std::isxdigit(static_cast<unsigned char>(c));
  });
}

}  // namespace

// ---------------------------------------------------------------- free functions

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
  std::vector<MountEntry> mounts;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t eol = text.find('\n', pos);
    if (eol == std::string_view::npos) eol = text.size();
    std::istringstream line{std::string(text.substr(pos, eol - pos))};
    pos = eol + 1;
    std::vector<std::string> fields;
    for (std::string f; line >> f;) fields.push_back(f);
    const auto dash = std::find(fields.begin(), fields.end(), "-");
    const auto before = dash - fields.begin();
    if (before < 6 || fields.end() - dash < 3) continue;
    MountEntry m;
    m.majorMinor = fields[2];
    m.root = UnescapeOctal(fields[3]);
    m.mountPoint = UnescapeOctal(fields[4]);
    m.fsType = *(dash + 1);
    m.source = UnescapeOctal(*(dash + 2));
    mounts.push_back(std::move(m));
  }
  return mounts;
}

std::string SerialText(uint32_t serial) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04X", static_cast<unsigned>(serial));
  return buffer;
}

std::string SerialTextFromUuid(std::string_view uuid) {
  std::string hex;
  if (uuid.size() == 9 && uuid[4] == '-' && IsHex(uuid.substr(0, 4)) && IsHex(uuid.substr(5))) {
    hex = std::string(uuid.substr(0, 4)) + std::string(uuid.substr(5));
  } else if (uuid.size() == 16 && IsHex(uuid)) {
    hex = std::string(uuid.substr(8));
  } else {
    for (char c : uuid) {
      if (std::isxdigit(static_cast<unsigned char>(c))) hex.push_back(c);
      if (hex.size() == 8) break;
    }
  }
  if (hex.empty()) return SerialText(0);
  return SerialText(static_cast<uint32_t>(std::stoul(hex, nullptr, 16)));
}

std::string NormalizeDriveLetter(std::string_view text) {
  const char letter = text.empty() ? 'C' : UpperLetter(text[0]);
  return std::string(1, letter ? letter : 'C');
}

char DriveLetterOf(std::string_view text) {
  return text.empty() ? 0 : UpperLetter(text[0]);
}

std::optional<std::string> FileTypeIconName(std::string_view fileNameUtf8) {
  const std::size_t dot = fileNameUtf8.rfind('.');
  if (dot == std::string_view::npos) return std::nullopt;
  static const QMimeDatabase database;
  const QMimeType type = database.mimeTypeForFile(
      QString::fromUtf8(fileNameUtf8.data(), static_cast<qsizetype>(fileNameUtf8.size())),
      QMimeDatabase::MatchExtension);
  if (!type.isValid() || type.isDefault()) return std::nullopt;
  const QString icon = type.iconName();
  if (icon.isEmpty()) return std::nullopt;
  return icon.toStdString();
}

std::optional<VolumeProbeResult> DriveSources::BlkidProbe(const std::string& device) {
  blkid_probe probe = blkid_new_probe_from_filename(device.c_str());
  if (!probe) return std::nullopt;
  blkid_probe_enable_superblocks(probe, 1);
  blkid_probe_set_superblocks_flags(probe,
                                    BLKID_SUBLKS_LABEL | BLKID_SUBLKS_UUID | BLKID_SUBLKS_TYPE);
  std::optional<VolumeProbeResult> result;
  if (blkid_do_safeprobe(probe) == 0) {
    VolumeProbeResult r;
    const char* value = nullptr;
    if (blkid_probe_lookup_value(probe, "LABEL", &value, nullptr) == 0 && value) r.label = value;
    if (blkid_probe_lookup_value(probe, "UUID", &value, nullptr) == 0 && value) r.uuid = value;
    if (blkid_probe_lookup_value(probe, "TYPE", &value, nullptr) == 0 && value) r.type = value;
    result = r;
  }
  blkid_free_probe(probe);
  return result;
}

// ---------------------------------------------------------------- Drives

// Who holds each letter now: C, the explicit bindings, then the mounted
// volumes (remembered letters first, then the lowest free ones).
struct Drives::LetterTable {
  struct Volume {
    MountEntry mount;
    std::string id;
    char letter = 0;
    bool remembered = false;
  };
  std::array<std::string, 26> folder;
  std::array<bool, 26> isVolume{};
  std::vector<Volume> volumes;  // in mount order
};

Drives::Drives(Settings& settings, DriveSources sources)
    : settings_(settings), sources_(std::move(sources)) {}

std::vector<MountEntry> Drives::Mounts() const {
  return ParseMountInfo(ReadSmallFile(sources_.mountInfoPath));
}

std::string Drives::ExplicitFolder(char letter) const {
  return settings_.GetRaw(DriveKey(letter)).toStdString();
}

// A volume is known by its UUID when it has one; otherwise by its device, or
// for a file system without a device by its type, source and mount point.
std::string Drives::VolumeIdentity(const MountEntry& m) const {
  if (const auto probed = ProbeVolume(m); probed && !probed->uuid.empty())
    return "uuid:" + probed->uuid;
  if (IsBlock(m)) return "dev:" + m.source;
  return "fs:" + m.fsType + ":" + m.source + "@" + NormalFolder(m.mountPoint);
}

Drives::LetterTable Drives::Letters() const {
  LetterTable table;
  table.folder['C' - 'A'] = "/";
  std::vector<std::string> explicitFolders;
  for (const QString& key : settings_.RawKeys(kDriveGroup)) {
    const char letter = key.size() == 1 ? UpperLetter(key[0].toLatin1()) : 0;
    if (letter == 0 || letter == 'C') continue;
    const std::string folder = ExplicitFolder(letter);
    if (folder.empty()) continue;
    table.folder[letter - 'A'] = folder;
    explicitFolders.push_back(NormalFolder(folder));
  }
  // The last of several mounts on one point is the one that shows.
  std::vector<MountEntry> shown;
  for (MountEntry& m : Mounts()) {
    if (!WorthReading(m, IsBlock(m), sources_.mediaFolders)) continue;
    m.mountPoint = NormalFolder(m.mountPoint);
    if (std::find(explicitFolders.begin(), explicitFolders.end(), m.mountPoint) !=
        explicitFolders.end())
      continue;
    std::erase_if(shown, [&](const MountEntry& e) { return e.mountPoint == m.mountPoint; });
    shown.push_back(std::move(m));
  }
  std::array<std::string, 26> memory;
  for (const QString& key : settings_.RawKeys(kVolumeGroup)) {
    const char letter = key.size() == 1 ? UpperLetter(key[0].toLatin1()) : 0;
    if (letter != 0)
      memory[letter - 'A'] = settings_.GetRaw(kVolumeGroup + '/' + key).toStdString();
  }
  for (MountEntry& m : shown) {
    LetterTable::Volume v;
    v.id = VolumeIdentity(m);
    v.mount = std::move(m);
    for (int i = 0; i < 26 && v.letter == 0; ++i) {
      if (table.folder[i].empty() && memory[i] == v.id) {
        v.letter = static_cast<char>('A' + i);
        v.remembered = true;
        table.folder[i] = v.mount.mountPoint;
        table.isVolume[i] = true;
      }
    }
    table.volumes.push_back(std::move(v));
  }
  for (LetterTable::Volume& v : table.volumes) {
    for (int i = 'D' - 'A'; i < 26 && v.letter == 0; ++i) {
      if (!table.folder[i].empty()) continue;
      v.letter = static_cast<char>('A' + i);
      table.folder[i] = v.mount.mountPoint;
      table.isVolume[i] = true;
    }
  }
  return table;
}

std::string Drives::FolderOf(char letter) const {
  letter = UpperLetter(letter);
  if (letter == 0) return {};
  if (letter == 'C') return "/";
  if (std::string folder = ExplicitFolder(letter); !folder.empty()) return folder;
  return Letters().folder[letter - 'A'];
}

std::string Drives::FolderOfNumber(int driveNumber) const {
  if (driveNumber < 1 || driveNumber > 26) return {};
  return FolderOf(static_cast<char>('A' + driveNumber - 1));
}

char Drives::LetterOf(const std::string& folder) const {
  const std::string wanted = NormalFolder(folder);
  if (wanted.empty()) return 0;
  const LetterTable table = Letters();
  for (int i = 0; i < 26; ++i)
    if (!table.folder[i].empty() && NormalFolder(table.folder[i]) == wanted)
      return static_cast<char>('A' + i);
  return 0;
}

char Drives::LowestFreeLetter() const {
  const LetterTable table = Letters();
  for (char c = 'D'; c <= 'Z'; ++c)
    if (table.folder[c - 'A'].empty()) return c;
  for (char c : {'A', 'B'})
    if (table.folder[c - 'A'].empty()) return c;
  return 0;
}

char Drives::NewestRemovableLetter() const {
  const LetterTable table = Letters();
  for (auto v = table.volumes.rbegin(); v != table.volumes.rend(); ++v) {
    const int kind = KindOfMount(v->mount);
    if (v->letter != 0 && (kind == kKindRemovable || kind == kKindOptical || kind == kKindFloppy))
      return v->letter;
  }
  return 0;
}

bool Drives::IsBound(char letter) const {
  letter = UpperLetter(letter);
  return letter != 0 && letter != 'C' && !ExplicitFolder(letter).empty();
}

bool Drives::Bind(char letter, const std::string& folder, std::string& error) {
  const char upper = UpperLetter(letter);
  if (upper == 0) {
    error = "a drive letter is A to Z";
    return false;
  }
  if (upper == 'C') {
    error = "C is always the root folder /";
    return false;
  }
  const std::string normal = NormalFolder(folder);
  struct stat st {};
  if (normal.empty() || ::stat(normal.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    error = "\"" + folder + "\" is not a folder";
    return false;
  }
  if (IsBound(upper)) {
    error = std::string(1, upper) + ": is bound to " + ExplicitFolder(upper) + " (unbind it first)";
    return false;
  }
  // A mounted volume may be pinned to a letter of its own choosing, but a
  // letter another volume holds now stays with it.
  const LetterTable table = Letters();
  if (const std::string& holder = table.folder[upper - 'A']; !holder.empty() && holder != normal) {
    error = std::string(1, upper) + ": is the mounted volume " + holder;
    return false;
  }
  for (char c = 'A'; c <= 'Z'; ++c) {
    if (c == 'C' || !IsBound(c) || NormalFolder(ExplicitFolder(c)) != normal) continue;
    error = "\"" + normal + "\" is already drive " + std::string(1, c) + ":";
    return false;
  }
  settings_.SetRaw(DriveKey(upper), QString::fromStdString(normal));
  return true;
}

bool Drives::Unbind(char letter) {
  if (!IsBound(letter)) return false;
  settings_.RemoveRaw(DriveKey(UpperLetter(letter)));
  return true;
}

void Drives::RememberVolumeLetters() {
  for (const LetterTable::Volume& v : Letters().volumes) {
    if (v.letter == 0 || v.remembered) continue;
    settings_.SetRaw(kVolumeGroup + '/' + QChar(v.letter), QString::fromStdString(v.id));
  }
}

std::vector<DriveRow> Drives::ListDrives(bool remember) {
  if (remember) RememberVolumeLetters();
  const LetterTable table = Letters();
  std::vector<DriveRow> rows;
  for (char c = 'A'; c <= 'Z'; ++c) {
    const std::string& folder = table.folder[c - 'A'];
    if (folder.empty()) continue;
    DriveRow row;
    row.letter = c;
    row.folder = folder;
    row.volume = table.isVolume[c - 'A'];
    row.kind = FolderKindAs(c, folder);
    std::string name, serial, length;
    if (FolderVolumeInfo(folder, name, serial, length)) {
      row.volumeName = text::Cp932ToUtf8(name);
      row.serial = serial;
    }
    row.clusterSize = FolderClusterSize(folder);
    row.ready = row.clusterSize > 0;
    row.freeSpace = FolderFreeSpace(folder);
    rows.push_back(std::move(row));
  }
  return rows;
}

std::optional<FolderVolume> Drives::VolumeOfFolder(const std::string& folder) const {
  struct stat st {};
  const std::string normal = NormalFolder(folder);
  if (normal.empty() || ::stat(normal.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
    return std::nullopt;
  FolderVolume where;
  where.folder = normal;
  where.kind = FolderKind(normal);
  const std::optional<MountEntry> mount = MountOf(normal);
  const bool onRoot = !mount || NormalFolder(mount->mountPoint) == "/";
  where.mountPoint = onRoot ? "/" : NormalFolder(mount->mountPoint);
  where.inner = onRoot ? normal : normal.substr(std::min(where.mountPoint.size(), normal.size()));
  if (where.inner.empty()) where.inner.push_back('/');
  where.letter = onRoot ? 'C' : LetterOf(where.mountPoint);
  return where;
}

std::string Drives::FindVolume(const std::string& serial, const std::string& volumeName) const {
  if (serial.empty() || serial == SerialText(0)) return {};
  std::string found;
  for (const MountEntry& m : Mounts()) {
    if (m.root != "/" || !IsBlock(m)) continue;
    const auto probed = ProbeVolume(m);
    if (!probed || SerialTextFromUuid(probed->uuid) != serial) continue;
    if (text::CutBytes(text::Utf8ToCp932(probed->label), TMediaSlot::kVolumeCap) !=
        text::CutBytes(volumeName, TMediaSlot::kVolumeCap))
      continue;
    // The last of several mounts is the one that shows.
    found = NormalFolder(m.mountPoint);
  }
  return found;
}

std::optional<MountEntry> Drives::MountOf(const std::string& folder) const {
  const std::string normal = NormalFolder(folder);
  std::optional<MountEntry> best;
  // The last of several mounts on one point is the one that shows.
  for (MountEntry& m : Mounts()) {
    if (!IsUnder(normal, m.mountPoint)) continue;
    if (!best || m.mountPoint.size() >= best->mountPoint.size()) best = std::move(m);
  }
  return best;
}

bool Drives::IsBlock(const MountEntry& m) const {
  if (StartsWith(m.source, "/dev/")) return true;
  std::error_code ec;
  return fs::exists(sources_.sysfsRoot + "/dev/block/" + m.majorMinor, ec);
}

bool Drives::BlockDeviceIsRemovable(const std::string& majorMinor) const {
  const std::string link = sources_.sysfsRoot + "/dev/block/" + majorMinor;
  const std::string device = Canonical(link);
  if (device.empty()) return false;
  if (device.find("/usb") != std::string::npos) return true;
  for (const std::string& flag : {device + "/removable", device + "/../removable"}) {
    const std::string value = ReadSmallFile(flag);
    if (!value.empty()) return value[0] == '1';
  }
  return false;
}

int Drives::KindOfMount(const MountEntry& m) const {
  if (IsNetworkType(m.fsType)) return 5;
  if (IsRamType(m.fsType)) return 6;
  if (IsOptical(m)) return 4;
  if (StartsWith(m.source, "/dev/fd")) return 1;
  if (IsBlock(m)) return BlockDeviceIsRemovable(m.majorMinor) ? 3 : 2;
  return 7;
}

int Drives::FolderKindAs(char letter, const std::string& folder) const {
  struct stat st {};
  if (folder.empty() || ::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return 0;
  const std::optional<MountEntry> mount = MountOf(folder);
  if (!mount) return kKindUnknownDrive;
  const int kind = KindOfMount(*mount);
  if (kind == kKindRemovable && (letter == 'A' || letter == 'B')) return kKindFloppy;
  return kind;
}

int Drives::FolderKind(const std::string& folder) const {
  return FolderKindAs(0, NormalFolder(folder));
}

int Drives::GetDriveKind(std::string_view letterText) const {
  if (letterText.size() != 1) return 0;
  const char letter = UpperLetter(letterText[0]);
  return FolderKindAs(letter, FolderOf(letter));
}

std::optional<VolumeProbeResult> Drives::ProbeVolume(const MountEntry& m) const {
  if (!IsBlock(m)) return std::nullopt;
  if (sources_.probe) {
    if (auto r = sources_.probe(m.source)) return r;
  }
  VolumeProbeResult r;
  r.label = UnescapeHex(LinkNameFor(sources_.byLabelDir, m.source));
  r.uuid = LinkNameFor(sources_.byUuidDir, m.source);
  if (r.label.empty() && r.uuid.empty()) return std::nullopt;
  return r;
}

bool Drives::FolderVolumeInfo(const std::string& folder, std::string& volumeName,
                              std::string& serial, std::string& maxComponentLength) const {
  struct statvfs vfs {};
  if (folder.empty() || ::statvfs(folder.c_str(), &vfs) != 0) return false;
  std::string label, uuid;
  if (const auto mount = MountOf(folder)) {
    if (const auto probed = ProbeVolume(*mount)) {
      label = probed->label;
      uuid = probed->uuid;
    }
  }
  volumeName = text::Utf8ToCp932(label);
  serial = SerialTextFromUuid(uuid);
  maxComponentLength = std::to_string(vfs.f_namemax);
  return true;
}

bool Drives::ReadVolumeInfo(std::string_view drive, std::string& volumeName, std::string& serial,
                            std::string& maxComponentLength) const {
  if (drive.empty()) return false;
  return FolderVolumeInfo(FolderOf(drive[0]), volumeName, serial, maxComponentLength);
}

int32_t Drives::FolderClusterSize(const std::string& folder) const {
  struct statvfs vfs {};
  if (folder.empty() || ::statvfs(folder.c_str(), &vfs) != 0) return 0;
  const unsigned long size = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
  return size > 0x7FFFFFFFul ? 0 : static_cast<int32_t>(size);
}

int32_t Drives::GetClusterSize(int driveNumber) const {
  return FolderClusterSize(FolderOfNumber(driveNumber));
}

double Drives::FolderFreeSpace(const std::string& folder) const {
  struct statvfs vfs {};
  if (folder.empty() || ::statvfs(folder.c_str(), &vfs) != 0) return -1.0;
  const double unit = static_cast<double>(vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize);
  return static_cast<double>(vfs.f_bfree) * unit;
}

double Drives::GetFreeSpace(int driveNumber) const {
  return FolderFreeSpace(FolderOfNumber(driveNumber));
}

bool Drives::EjectMedia(std::string_view letter, int kind) const {
  if (kind != 4 || letter.empty()) return false;
  const auto mount = MountOf(FolderOf(letter[0]));
  if (!mount || !IsBlock(*mount)) return false;
  const int fd = ::open(mount->source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  // The tray may refuse while the disc is mounted; as with the desktop's own
  // eject, the request counts as sent.
  (void)::ioctl(fd, CDROMEJECT, 0);
  ::close(fd);
  return true;
}

int Drives::CheckMediaVolume(std::string_view drive, int32_t key, const Catalog& catalog) const {
  std::string name, serial, length;
  if (!ReadVolumeInfo(drive, name, serial, length)) return 1;
  // The slot keeps 31 bytes of the label; a longer label matches on those.
  if (catalog.MediaVolumeNameOf(key) != text::CutBytes(name, TMediaSlot::kVolumeCap)) return 2;
  if (catalog.MediaVolumeSerialOf(key) != serial) return 3;
  return 0;
}

}  // namespace plomix
