#pragma once
// Before a catalogued file is opened or copied out, the media it lies on must
// be mounted. A volume is found by its serial and volume name wherever it is
// mounted now, and a media read from a folder under that folder's place in its
// volume; only when neither finds it does CheckMediaPresence fall back to the
// recorded drive letter, compare that drive's volume name and serial with the
// catalogue's and ask the user what to do when they differ or no media is
// there, at most three times.

#include <cstdint>
#include <string>

namespace plomix {

class Catalog;
class Drives;
class Prompter;

// What the presence check hands to the desktop. The window opens files through
// the desktop's default application and shows the explorer dialog; tests fake both.
class DesktopActions {
 public:
  virtual ~DesktopActions() = default;
  // Opens a file (native path) with its associated application.
  virtual bool OpenFile(const std::string& nativePath) = 0;
  // Lets the user take the entry from another drive (mode 1 open, 2 copy).
  virtual void OpenExplorer(int32_t key, int mode) = 0;
};

enum class PresenceOutcome {
  Opened,          // mode 1: the right media was there and the file was handed to the desktop
  Present,         // mode 2: the right media is there; the caller copies
  ExplorerOpened,  // the user chose to change the drive
  Stopped,         // the user stopped
  GaveUp,          // three attempts without a result
};

inline constexpr int kPresenceOpen = 1;
inline constexpr int kPresenceCopy = 2;

// Where a catalogued media's root folder is now.
struct MediaRoot {
  std::string folder;       // native path; "" when not even the recorded letter has a folder
  bool identified = false;  // found by the volume's serial and name, not just by its letter
};
MediaRoot LocateMediaRoot(const Catalog& catalog, const Drives& drives, int slot);

// The native path of a catalogued entry where its media is now, "" when the
// media has no folder or the key names a media itself.
// Built from the entries' native names (exact names where CP932 cannot hold one).
std::string EntryNativePath(Catalog& catalog, const Drives& drives, int32_t key);
// The same on the drive of `letter`, whatever the media's volume: the
// explorer dialog lets the user take the media from a drive of their choice.
std::string EntryNativePathOn(Catalog& catalog, const Drives& drives, int32_t key, char letter);
// The entry's path inside its media (CP932, each folder ended by a backslash); "" for a
// media itself.
std::string EntryInnerPath(Catalog& catalog, int32_t key);

PresenceOutcome CheckMediaPresence(int mode, int32_t key, Catalog& catalog, const Drives& drives,
                                   Prompter& prompter, DesktopActions& desktop);

// The question texts (UTF-8).
const char* VolumeNameMismatchText();
const char* SerialMismatchText();
std::string NotMountedText(char driveLetter);

}  // namespace plomix
