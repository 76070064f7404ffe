#pragma once
// Before a catalogued file is opened or copied out, the media it lies on must
// be mounted. A volume is found by its serial and volume name wherever it is
// mounted now, and a media read from a folder under that folder's place in its
// volume; only when neither finds it does CheckMediaPresence fall back to the
// recorded drive letter, compare that drive's volume name and serial with the
// catalogue's and ask the user what to do when they differ or no media is
// there, at most three times. A media read from a folder is looked for in its
// folder; when that is gone the user mounts it or points at where it is now,
// which is recorded as the media's origin.

#include <cstdint>
#include <string>

namespace plomix {

class Catalog;
class Drives;
class Prompter;

// What is done with a catalogued entry once its media is found.
enum class EntryAction {
  Show = 0,  // shown in the file manager (the explorer dialog only)
  Open = 1,  // opened with its associated application
  Copy = 2,  // made ready for a copy; the caller copies
};

// What the presence check hands to the desktop. The window opens files through
// the desktop's default application and shows the explorer dialog; tests fake both.
class DesktopActions {
 public:
  virtual ~DesktopActions() = default;
  // Opens a file (native path) with its associated application.
  virtual bool OpenFile(const std::string& nativePath) = 0;
  // Lets the user take the entry from another drive (to open or copy it).
  virtual void OpenExplorer(int32_t key, EntryAction action) = 0;
};

enum class PresenceOutcome {
  Opened,          // Open: the right media was there and the file was handed to the desktop
  Present,         // Copy: the right media is there; the caller copies
  ExplorerOpened,  // the user chose to change the drive
  Stopped,         // the user stopped
  GaveUp,          // three attempts without a result
  Refused,         // the entry's path would lead outside its media; the user was told
};

// Where a catalogued media's root folder is now.
struct MediaRoot {
  std::string folder;       // native path; "" when not even the recorded letter has a folder
  bool identified = false;  // found by the volume's serial and name, not just by its letter
};
MediaRoot LocateMediaRoot(const Catalog& catalog, const Drives& drives, int slot);

// Where a catalogued entry lies on disk, or why it must not be looked for.
// The path is built from names read out of the catalogue, which a crafted file
// can fill with anything: a name that is empty, "." or "..", or holds "/" or
// NUL (as stored or as converted to the native name) is refused, and so is a
// path whose folder on disk resolves outside the media's root folder (a
// symbolic link on the media pointing elsewhere).
struct EntryPath {
  std::string path;     // native; "" when refused, or the media has no folder
  std::string root;     // the media's root folder the path lies beneath
  std::string refusal;  // UTF-8 text naming the entry when refused, else ""
};
// The entry where its media is now; an empty path for a media itself.
// Built from the entries' native names (exact names where CP932 cannot hold one).
EntryPath LocateEntry(Catalog& catalog, const Drives& drives, int32_t key);
// The same on the drive of `letter`, whatever the media's volume: the
// explorer dialog lets the user take the media from a drive of their choice.
EntryPath LocateEntryOn(Catalog& catalog, const Drives& drives, int32_t key, char letter);
// LocateEntry(...).path and LocateEntryOn(...).path: "" when refused.
std::string EntryNativePath(Catalog& catalog, const Drives& drives, int32_t key);
std::string EntryNativePathOn(Catalog& catalog, const Drives& drives, int32_t key, char letter);
// True when `path`'s folder, with every symbolic link resolved, is `root`
// (likewise resolved) or lies below it. Parts that do not exist are taken
// as written.
bool LiesBeneath(const std::string& root, const std::string& path);
// The entry's path inside its media (CP932, each folder ended by a backslash); "" for a
// media itself.
std::string EntryInnerPath(Catalog& catalog, int32_t key);

PresenceOutcome CheckMediaPresence(EntryAction action, int32_t key, Catalog& catalog,
                                   const Drives& drives, Prompter& prompter,
                                   DesktopActions& desktop);

// The question texts (UTF-8).
const char* VolumeNameMismatchText();
const char* SerialMismatchText();
std::string NotMountedText(char driveLetter);
// A media read from a folder whose folder is gone: the question offering to
// retry or to choose the folder (UTF-8, the name and folder as shown), and the
// warning when the chosen folder holds none of the media's top entries.
std::string MissingFolderText(const std::string& mediaName, const std::string& folder);
std::string NotTheMediaText(const std::string& mediaName);
// The refusal of an entry whose path would lead outside its media; `entry` is
// its shown path inside the media.
std::string UnsafePathText(const std::string& entry);

}  // namespace plomix
