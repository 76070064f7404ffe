#pragma once
// The read-media workflow without its dialog: the values the read dialog
// holds (ReadForm), the checks made when the user confirms (drive ready with
// retries, an empty name becoming the date-time, a name already used asking
// whether to replace that media), the settings the dialog remembers, and the
// command that reads the chosen drive and stores it as a new media. Every
// question goes through the Prompter, so the window, the command-line tool and
// tests share this logic.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/Catalog.h"

namespace plomix {

class Drives;
class Prompter;
class Scanner;
class Settings;

// What the scan reads and the catalogue stores. Texts are CP932.
struct ReadRequest {
  std::string drive;   // one lower-case letter: the drive, or the volume holding `folder`
  std::string folder;  // a folder read as a media (native path); empty: the drive's root
  std::string mediaName;
  std::string volumeName;
  std::string volumeSerial;
  std::string category;  // empty: the kind name is used
  std::string location;
  std::string locationDetail;
  // Content fingerprints of the files, taken after the walk; none when empty.
  std::optional<FingerprintMode> fingerprint;
};

// The read dialog's controls. Texts are CP932.
struct ReadForm {
  std::string drive;     // the selected letter (the volume's letter for a folder source)
  std::string folder;    // the selected folder source (native path); empty: a drive
  std::string name;      // the name box
  std::string category;  // the category box ("デフォルト" means none)
  std::string location;
  std::string locationDetail;
  bool volumeName = true;                      // take the volume name as the media name
  bool eject = true;                           // open a CD/DVD tray after reading
  bool getVersion = false;                     // read file versions (slow)
  int dupSearchMode = 0;                       // 0 ask, 1 never, 2 always re-run the analyses
  std::optional<FingerprintMode> fingerprint;  // content fingerprints; none when empty
  // The mode the dialog offers, kept while fingerprints are off too.
  FingerprintMode fingerprintChoice = FingerprintMode::Quick;
};

// Where the read dialog remembers its fingerprint choice: "1" or "0", and
// "quick" or "full". They live beside the numbered settings, like the
// other choices this program added.
inline constexpr char kReadFingerprintKey[] = "Read/Fingerprint";
inline constexpr char kReadFingerprintModeKey[] = "Read/FingerprintMode";

// ValidateReadRequest's results.
// Updating: the media of the name is read again into its slot (UpdateMedia).
enum class ReadValidation { Refused, AsNew, Replacing, Updating };

// PrepareUpdate's findings about where a media is read again from.
enum class UpdateSource {
  Ready,          // the source is there and holds the volume the media was read from
  OtherVolume,    // the drive is ready but holds another volume (serials differ)
  NoMedia,        // the slot holds no live media
  NoSource,       // no folder origin recorded and no drive letter stored
  OriginMissing,  // the folder it was read from (or the folder given) is not there
  NotReady,       // the drive is not ready
};

class ReadWorkflow {
 public:
  ReadWorkflow(Catalog& catalog, Settings& settings, Drives& drives, Scanner& scanner,
               Prompter& prompter);

  // The dialog as it opens: the default source selected (and its volume
  // fetched, which may put the label into the name box), the check boxes and
  // the radio choice from the settings, the name box holding the date-time
  // unless the label replaced it. The default source is the most recently
  // mounted removable disk or CD/DVD, else the remembered source when it
  // still exists, else none (drive and folder empty): never silently the
  // whole system disk.
  ReadForm InitialForm();
  // Selects a drive and reads its volume name and serial (emptied when
  // unreadable); with `fillName` and the volume-name box checked a readable
  // label becomes the name.
  void FetchDriveVolume(ReadForm& form, bool fillName, const std::string& drive);
  // Selects a folder as the source: the volume holding it gives the letter,
  // volume name and serial; with `fillName` and the volume-name box checked
  // the folder's own name becomes the name. False when it is no folder.
  bool FetchFolderSource(ReadForm& form, bool fillName, const std::string& folder);
  // The volume-name box was checked: the name box takes the label last fetched.
  void VolumeNameChecked(ReadForm& form);
  // The checks of a confirmed dialog; fills Request() and, unless choices are
  // not persisted, stores the drive, the three check boxes and the
  // fingerprint choice in the settings.
  // Replacing remembers the media to replace (ReplaceSlot()). A drive
  // text that does not start with a letter counts as a drive never ready.
  ReadValidation ValidateReadRequest(ReadForm& form);
  // The read button (storeDupMode true) or Enter in a box (false): true when
  // the read is to happen.
  bool ConfirmRead(ReadForm& form, bool storeDupMode);

  // The whole command: refuses with the slot-limit message when the catalogue
  // is full, runs `dialog` (which fills the form and calls ConfirmRead; false
  // means cancelled), reads and adds the media, then runs the after-change
  // hook. True when a media was added. Busy() is true meanwhile.
  bool ReadMediaCommand(const std::function<bool(ReadWorkflow&)>& dialog);
  // Reads Request() and stores the result as a new media; a replaced media is
  // deleted only once the new one is stored, so a read that finds nothing
  // keeps it. True when a media was added.
  bool ReadAndAdd();

  // ---- Updating a media: reading it again into its own slot ----
  // Fills Request() to read the media in `slot` again: from `folder` or
  // `drive` when given, else from the folder it was read from (its origin
  // line) or, read from a drive, from its drive letter, whose volume serial
  // is checked against the media's. UpdateSourceText() names the source.
  UpdateSource PrepareUpdate(int slot, const std::string& folder = {},
                             const std::string& drive = {});
  const std::string& UpdateSourceText() const { return updateSource_; }
  // Reads Request() and stores it in the slot of the media `expect` names
  // (Catalog::UpdateMedia), with the progress, cancel and after-change hook
  // of ReadMediaCommand. True when it was stored; LastUpdate() tells what was
  // carried over. A cancelled or empty read stores nothing.
  bool UpdateMediaCommand(int slot, const MediaIdentity& expect);
  const std::optional<UpdateOutcome>& LastUpdate() const { return lastUpdate_; }

  // Whether the question about a used name also offers to update that media
  // (Yes replaces, No updates, Cancel refuses) instead of Ok/Cancel.
  void SetOfferUpdate(bool offer) { offerUpdate_ = offer; }

  bool Busy() const { return busy_; }
  // True when the last command's read was cancelled (nothing was stored).
  bool Cancelled() const { return cancelled_; }
  // Runs the walk; the window runs it on a worker thread behind its progress
  // dialog (the scan touches nothing but the scanner). The default runs it
  // at once on the calling thread.
  using ScanRunner = std::function<void(const std::function<void()>& scan)>;
  void SetScanRunner(ScanRunner runner) { scanRunner_ = std::move(runner); }
  // Whether the workflow itself tells the user, through its Prompter, which
  // folders and files could not be read (the command-line tool reports them
  // its own way).
  void SetReportUnreadable(bool report) { reportUnreadable_ = report; }
  // The text of that report (UTF-8): the total and the first few paths.
  static std::string UnreadableReport(const Scanner& scanner);
  const ReadRequest& Request() const { return request_; }
  int ReplaceSlot() const { return replaceSlot_; }
  // Called after a media was added (the analyses decide about re-running).
  void SetAfterMediaChange(std::function<void()> hook) { afterMediaChange_ = std::move(hook); }
  // Called once the scan is done, just before the media is stored (the window
  // shows that it is writing).
  void SetBeforeStore(std::function<void()> hook) { beforeStore_ = std::move(hook); }
  // The command-line tool reads without changing the window's remembered choices.
  void SetPersistChoices(bool persist) { persistChoices_ = persist; }

  static const char* SlotLimitMessage();
  static const char* NotReadyMessage();

 private:
  // Appends the origin line of a media read from a folder; the error, if any.
  std::string RecordOrigin(const TMediaSlot& stored);
  // Compares the stored media with the new reading, then updates it; the
  // outcome carries the comparison.
  std::optional<UpdateOutcome> StoreUpdate(int slot, const MediaIdentity& expect,
                                           const Catalog::BeforeCommit& beforeCommit);

  Catalog& catalog_;
  Settings& settings_;
  Drives& drives_;
  Scanner& scanner_;
  Prompter& prompter_;
  ReadRequest request_;
  std::string fetchedDrive_;
  std::string fetchedFolder_;
  std::string fetchedName_, fetchedSerial_;
  int replaceSlot_ = -1;
  bool confirmed_ = false;
  bool readVersions_ = false;
  bool eject_ = false;
  bool busy_ = false;
  bool persistChoices_ = true;
  bool cancelled_ = false;
  bool reportUnreadable_ = true;
  ScanRunner scanRunner_;
  std::string originInner_;
  std::string updateSource_;
  bool offerUpdate_ = false;
  int updateSlot_ = -1;
  MediaIdentity updateExpect_;
  std::optional<UpdateOutcome> lastUpdate_;
  std::function<void()> afterMediaChange_;
  std::function<void()> beforeStore_;
};

}  // namespace plomix
