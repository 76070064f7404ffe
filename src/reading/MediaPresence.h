#pragma once
// Before a catalogued file is opened or copied out, the media it lies on must
// be in its recorded drive: CheckMediaPresence compares the drive's volume
// name and serial with the catalogue's and asks the user what to do when they
// differ or no media is there, at most three times.

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

// The native path of a catalogued entry on its recorded drive, "" when the
// drive has no folder or the key names a media itself.
std::string EntryNativePath(Catalog& catalog, const Drives& drives, int32_t key);
// The same on the drive of `letter` instead of the recorded one (the explorer
// dialog lets the user take the media from another drive). Every disk path
// of an entry is built here, so that finding a media by other means needs
// one change only.
std::string EntryNativePathOn(Catalog& catalog, const Drives& drives, int32_t key, char letter);
// The entry's path inside its media (CP932, folders ended by ""); "" for a
// media itself.
std::string EntryInnerPath(Catalog& catalog, int32_t key);

PresenceOutcome CheckMediaPresence(int mode, int32_t key, Catalog& catalog, const Drives& drives,
                                   Prompter& prompter, DesktopActions& desktop);

// The question texts (UTF-8).
const char* VolumeNameMismatchText();
const char* SerialMismatchText();
std::string NotMountedText(char driveLetter);

}  // namespace plomix
