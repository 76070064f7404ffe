#include "reading/MediaPresence.h"

#include <QString>
#include <filesystem>
#include <optional>
#include <vector>

#include "core/Catalog.h"
#include "core/Prompter.h"
#include "core/Text.h"
#include "reading/Drives.h"
#include "reading/MediaOrigins.h"

namespace plomix {

namespace {

constexpr int kAttempts = 3;

// The entry's path inside its media in CP932, with "\" between folders; ""
// for the media itself.
std::string InnerPath(Catalog& catalog, int32_t key) {
  if (!IsEntryKey(key) || KeyIsMedia(key)) return {};
  const RecordPathResult where = catalog.RecordPath(key);
  if (where.name.empty()) return {};
  // The folder path starts with the media's name, which may itself hold "\".
  const std::string prefix = catalog.RecordName(0) + "\\";
  std::string inner;
  if (where.folder.compare(0, prefix.size(), prefix) == 0) {
    inner = where.folder.substr(prefix.size());
  } else {
    const std::size_t cut = text::FindText(where.folder, "\\");
    if (cut == std::string::npos) return {};
    inner = where.folder.substr(cut + 1);
  }
  return inner + where.name;
}

}  // namespace

const char* VolumeNameMismatchText() {
  return "ボリューム名不一致\r正しいメディアをマウントするか、\r読込みドライブを変更してください"
         "\r\r[はい]　：ドライブ変更\r[いいえ]：処理中止";
}

const char* SerialMismatchText() {
  return "シリアルNo不一致\r正しいメディアをマウントするか、\r読込みドライブを変更してください"
         "\r\r[はい]　：ドライブ変更\r[いいえ]：処理中止";
}

std::string NotMountedText(char driveLetter) {
  const char upper = (driveLetter >= 'a' && driveLetter <= 'z')
                         ? static_cast<char>(driveLetter - 'a' + 'A')
                         : driveLetter;
  return std::string(1, upper) +
         " ドライブにメディアがマウントされていません\r\r[はい]　：リトライ\r[いいえ]：ドライブ変更"
         "\r[キャンセル]：処理中止";
}

MediaRoot LocateMediaRoot(const Catalog& catalog, const Drives& drives, int slot) {
  const TMediaSlot& s = catalog.Slot(slot);
  const std::optional<MediaOrigin> origin = FindMediaOrigin(catalog, slot);
  const auto below = [&](const std::string& volumeRoot) {
    if (!origin || origin->inner == "/") return volumeRoot;
    return (volumeRoot == "/" ? std::string() : volumeRoot) + origin->inner;
  };
  const auto isFolder = [](const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(path, ec);
  };
  MediaRoot root;
  if (const std::string mount = drives.FindVolume(s.VolumeSerial(), s.VolumeName());
      !mount.empty() && isFolder(below(mount))) {
    root.folder = below(mount);
    root.identified = true;
    return root;
  }
  const std::string drive = s.Drive();
  const std::string letterRoot = drive.empty() ? std::string() : drives.FolderOf(drive[0]);
  // A folder whose volume has no identity (a network share, a RAM disk) is
  // still where it was read, as long as it exists.
  if (origin && isFolder(origin->folder) && (letterRoot.empty() || !isFolder(below(letterRoot)))) {
    root.folder = origin->folder;
    return root;
  }
  if (!letterRoot.empty()) root.folder = below(letterRoot);
  return root;
}

bool LiesBeneath(const std::string& root, const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path base = fs::weakly_canonical(root, ec);
  if (ec || base.empty()) return false;
  const fs::path folder = fs::weakly_canonical(fs::path(path).parent_path(), ec);
  if (ec) return false;
  std::string b = base.string();
  while (b.size() > 1 && b.back() == '/') b.pop_back();
  const std::string f = folder.string();
  if (f.compare(0, b.size(), b) != 0) return false;
  return f.size() == b.size() || b == "/" || f[b.size()] == '/';
}

std::string UnsafePathText(const std::string& entry) {
  return "「" + entry + "」は安全なパスになりません\r\rカタログの名前がメディアの外を指しています";
}

namespace {

// A name that stays one entry of its folder: not empty, ".", ".." and
// without "/" or NUL. CP932 has neither byte inside a double-byte character,
// so the stored name is checked bytewise as well as the native one.
bool SafeName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

// A shown name with control characters (NUL among them) written as "\xHH".
std::string Printable(const std::string& shown) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : shown) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20) {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else {
      out += c;
    }
  }
  return out;
}

// The native names from the media's root down to the entry, joined by "/" and
// put below the folder the media's root is now in. Built from the records,
// not from a path text, so a name holding "\" stays one name, and a name
// CP932 cannot hold is taken as it really is.
EntryPath JoinNative(Catalog& catalog, int32_t key, const std::string& root) {
  EntryPath result;
  if (!IsEntryKey(key) || KeyIsMedia(key) || !catalog.LoadMedia(SlotOfKey(key))) return result;
  const int32_t record = RecordOfKey(key);
  const int32_t count = catalog.LoadedCount();
  if (record >= count) return result;
  // A damaged parent link (out of range, or a loop) leads nowhere.
  std::vector<int32_t> chain;
  bool safe = true;
  for (int32_t r = record; r > 0;) {
    if (r >= count || static_cast<int32_t>(chain.size()) >= count) {
      safe = false;
      break;
    }
    chain.push_back(r);
    r = catalog.LoadedRec(r).Parent();
  }
  std::string path = root;
  std::string shown;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    const std::string native = catalog.NativeRecordName(*it);
    safe = safe && SafeName(catalog.RecordName(*it)) && SafeName(native);
    if (path.empty() || path.back() != '/') path.push_back('/');
    path += native;
    if (it != chain.rbegin()) shown += '\\';
    shown += Printable(catalog.ShownRecordName(*it));
  }
  if (!safe || !LiesBeneath(root, path)) {
    result.refusal = UnsafePathText(shown);
    return result;
  }
  result.path = std::move(path);
  result.root = root;
  return result;
}

}  // namespace

std::string EntryInnerPath(Catalog& catalog, int32_t key) {
  return InnerPath(catalog, key);
}

EntryPath LocateEntry(Catalog& catalog, const Drives& drives, int32_t key) {
  if (InnerPath(catalog, key).empty() || !IsEntryKey(key)) return {};
  const std::string root = LocateMediaRoot(catalog, drives, SlotOfKey(key)).folder;
  return root.empty() ? EntryPath() : JoinNative(catalog, key, root);
}

EntryPath LocateEntryOn(Catalog& catalog, const Drives& drives, int32_t key, char letter) {
  if (InnerPath(catalog, key).empty() || !IsEntryKey(key) ||
      DriveLetterOf(std::string_view(&letter, 1)) == 0)
    return {};
  std::string root = drives.FolderOf(letter);
  if (root.empty()) return {};
  // A media read from a folder lies as deep below the chosen volume's root.
  const std::optional<MediaOrigin> origin = FindMediaOrigin(catalog, SlotOfKey(key));
  if (origin && origin->inner != "/") root = (root == "/" ? std::string() : root) + origin->inner;
  return JoinNative(catalog, key, root);
}

std::string EntryNativePath(Catalog& catalog, const Drives& drives, int32_t key) {
  return LocateEntry(catalog, drives, key).path;
}

std::string EntryNativePathOn(Catalog& catalog, const Drives& drives, int32_t key, char letter) {
  return LocateEntryOn(catalog, drives, key, letter).path;
}

std::string MissingFolderText(const std::string& mediaName, const std::string& folder) {
  return "メディア「" + mediaName + "」が見つかりません\r" + folder +
         "\r\rメディアを挿入またはマウントするか、メディアのフォルダを選択してください"
         "\r\r[はい]　：フォルダを選択\r[いいえ]：リトライ\r[キャンセル]：処理中止";
}

std::string NotTheMediaText(const std::string& mediaName) {
  return "選択したフォルダにはメディア「" + mediaName + "」のファイルがありません";
}

namespace {

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_directory(path, ec);
}

// The nearest folder that still exists on the way up from `path`.
std::string ExistingAncestor(std::string path) {
  while (!path.empty() && !IsFolder(path)) {
    const std::size_t cut = path.rfind('/');
    path = cut == std::string::npos || cut == 0 ? std::string("/") : path.substr(0, cut);
  }
  return path;
}

// Whether `folder` holds the media: one of the media's top entries is there
// (a media without entries is taken wherever the user points).
bool HoldsMedia(Catalog& catalog, int slot, const std::string& folder) {
  if (!catalog.LoadMedia(slot)) return false;
  bool any = false;
  for (int32_t r = catalog.LoadedRec(0).FirstChild(); r > 0 && r < catalog.LoadedCount(); ++r) {
    if (catalog.LoadedRec(r).Parent() != 0) break;
    any = true;
    const std::string name = catalog.NativeRecordName(r);
    std::error_code ec;
    if (SafeName(name) && std::filesystem::symlink_status(folder + "/" + name, ec).type() !=
                              std::filesystem::file_type::not_found)
      return true;
  }
  return !any;
}

enum class FolderAnswer { Chosen, Retry, Stop };

// A media read from a folder whose folder is not where it was: the user
// mounts it and retries, or points at where it is now, which is recorded as
// the media's origin so that it is found there from now on.
FolderAnswer AskForMediaFolder(Catalog& catalog, const Drives& drives, Prompter& prompter, int slot,
                               const MediaOrigin& origin) {
  const std::string name = catalog.ShownName(slot, 0, catalog.Slot(slot).Name());
  const PromptResult answer = prompter.Message(
      text::Utf8ToQString(MissingFolderText(name, text::NativeNameToUtf8(origin.folder))),
      PromptIcon::Warning, PromptButtons::YesNoCancel);
  if (answer == PromptResult::No) return FolderAnswer::Retry;
  if (answer != PromptResult::Yes) return FolderAnswer::Stop;
  const QString chosen =
      prompter.ChooseFolder(QStringLiteral("メディアのフォルダを選択してください"),
                            text::NativePathToQString(ExistingAncestor(origin.folder)));
  if (chosen.isEmpty()) return FolderAnswer::Stop;
  const std::string folder = text::NativePath(chosen);
  if (!HoldsMedia(catalog, slot, folder)) {
    prompter.Message(text::Utf8ToQString(NotTheMediaText(name)), PromptIcon::Warning,
                     PromptButtons::Ok);
    return FolderAnswer::Retry;
  }
  MediaOrigin moved = origin;
  moved.folder = folder;
  const std::optional<FolderVolume> where = drives.VolumeOfFolder(folder);
  moved.inner = where ? where->inner : folder;
  try {
    AppendMediaOrigin(MediaOriginsPath(catalog), moved, catalog.CatalogPath());
  } catch (const std::exception& error) {
    prompter.Message(
        QStringLiteral("読込み元フォルダを記録できません\r\n") + QString::fromUtf8(error.what()),
        PromptIcon::Error, PromptButtons::Ok);
    return FolderAnswer::Stop;
  }
  return FolderAnswer::Chosen;
}

}  // namespace

PresenceOutcome CheckMediaPresence(EntryAction action, int32_t key, Catalog& catalog,
                                   const Drives& drives, Prompter& prompter,
                                   DesktopActions& desktop) {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (InnerPath(catalog, key).empty()) continue;
    const std::string drive = catalog.MediaDriveOf(key);
    const int slot = SlotOfKey(key);
    const MediaRoot root = LocateMediaRoot(catalog, drives, slot);
    const std::optional<MediaOrigin> origin = FindMediaOrigin(catalog, slot);
    // A media read from a folder is there when its folder is; its volume
    // need not be under the letter it was read from.
    if (origin && !IsFolder(root.folder)) {
      const FolderAnswer answer = AskForMediaFolder(catalog, drives, prompter, slot, *origin);
      if (answer == FolderAnswer::Stop) return PresenceOutcome::Stopped;
      continue;  // retried, or found where the user pointed
    }
    const bool found = root.identified || (origin && root.folder == origin->folder);
    const int check = found ? 0 : drives.CheckMediaVolume(drive, key, catalog);
    if (check == 0) {
      // A copy builds the paths of all its entries itself, and refuses there.
      if (action == EntryAction::Copy) return PresenceOutcome::Present;
      const EntryPath where = LocateEntry(catalog, drives, key);
      if (!where.refusal.empty()) {
        prompter.Message(text::Utf8ToQString(where.refusal), PromptIcon::Error, PromptButtons::Ok);
        return PresenceOutcome::Refused;
      }
      desktop.OpenFile(where.path);
      return PresenceOutcome::Opened;
    }
    if (check == 2 || check == 3) {
      const char* text = check == 2 ? VolumeNameMismatchText() : SerialMismatchText();
      if (prompter.Message(QString::fromUtf8(text), PromptIcon::Warning, PromptButtons::YesNo) !=
          PromptResult::Yes)
        return PresenceOutcome::Stopped;
      desktop.OpenExplorer(key, action);
      return PresenceOutcome::ExplorerOpened;
    }
    const PromptResult answer =
        prompter.Message(text::Utf8ToQString(NotMountedText(drive.empty() ? '?' : drive[0])),
                         PromptIcon::Warning, PromptButtons::YesNoCancel);
    if (answer == PromptResult::No) {
      desktop.OpenExplorer(key, action);
      return PresenceOutcome::ExplorerOpened;
    }
    if (answer != PromptResult::Yes) return PresenceOutcome::Stopped;
  }
  return PresenceOutcome::GaveUp;
}

}  // namespace plomix
