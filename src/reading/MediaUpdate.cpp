// Reading a catalogued media again into its own slot: where it is read from
// (its folder origin or its drive, checked against the volume it was read
// from) and the read itself, stored by Catalog::UpdateMedia.

#include <QString>
#include <optional>

#include "browse/TreeDiff.h"
#include "core/BusyScope.h"
#include "core/Catalog.h"
#include "core/Prompter.h"
#include "core/Text.h"
#include "reading/Drives.h"
#include "reading/MediaOrigins.h"
#include "reading/ReadRequest.h"
#include "reading/Scanner.h"

namespace plomix {

UpdateSource ReadWorkflow::PrepareUpdate(int slot, const std::string& folder,
                                         const std::string& drive) {
  updateSource_.clear();
  if (slot < 0 || slot >= kMaxMedia || !catalog_.Slot(slot).IsLive()) return UpdateSource::NoMedia;
  const TMediaSlot& s = catalog_.Slot(slot);
  ReadForm form;
  std::string from = folder;
  if (from.empty() && drive.empty())
    if (const std::optional<MediaOrigin> origin = FindMediaOrigin(catalog_, slot))
      from = origin->folder;
  if (!from.empty()) {
    updateSource_ = from;
    if (!FetchFolderSource(form, false, from) || drives_.FolderClusterSize(form.folder) <= 0)
      return UpdateSource::OriginMissing;
    updateSource_ = form.folder;
  } else {
    const char letter = DriveLetterOf(drive.empty() ? s.Drive() : drive);
    if (letter == 0) return UpdateSource::NoSource;
    updateSource_ = std::string(1, letter) + ":";
    if (drives_.GetClusterSize(letter - 'A' + 1) <= 0) return UpdateSource::NotReady;
    FetchDriveVolume(form, false, std::string(1, letter));
  }
  request_ = ReadRequest{};
  request_.drive = std::string(1, static_cast<char>(DriveLetterOf(form.drive) - 'A' + 'a'));
  request_.folder = form.folder;
  request_.mediaName = s.Name();
  request_.volumeName = fetchedName_;
  request_.volumeSerial = fetchedSerial_;
  request_.category = s.Category();
  request_.location = s.Location();
  request_.locationDetail = s.LocationDetail();
  readVersions_ = false;
  eject_ = false;
  replaceSlot_ = -1;
  // A drive holding another volume than the one read is most likely another
  // media; a folder is found by its path and has no such check.
  const std::string serial = s.VolumeSerial();
  if (form.folder.empty() && !serial.empty() && !fetchedSerial_.empty() && serial != fetchedSerial_)
    return UpdateSource::OtherVolume;
  return UpdateSource::Ready;
}

bool ReadWorkflow::UpdateMediaCommand(int slot, const MediaIdentity& expect) {
  cancelled_ = false;
  lastUpdate_.reset();
  scanner_.ClearCancel();
  bool stored = false;
  {
    BusyScope busy(busy_);
    if (!scanner_.AllocateScanBuffer(&prompter_)) return false;
    scanner_.ClearScanBuffer();
    ScanSetup setup;
    if (!Scanner::SetupFor(request_, drives_, readVersions_, setup)) return false;
    request_.fingerprint = updateFingerprint_;
    if (updateFingerprint_ == FingerprintMode::Quick)
      scanner_.ReuseFingerprints(
          std::make_shared<const FingerprintsByPath>(catalog_.FingerprintsByPathOf(slot)));
    bool found = false;
    const auto scan = [&] { found = scanner_.ReadTree(request_, setup); };
    if (scanRunner_)
      scanRunner_(scan);
    else
      scan();
    if (scanner_.Cancelled()) {
      cancelled_ = true;
      return false;
    }
    if (!found) return false;
    // Entries that could not be read now would take their comments with
    // them although they are still there: such a reading is not stored.
    if (scanner_.UnreadableCount() > 0 || scanner_.ScanOverflow()) {
      prompter_.Message(
          QStringLiteral("読み込めなかったフォルダ・ファイルがあるため、更新しませんでした\r\n") +
              text::Utf8ToQString(UnreadableReport(scanner_)),
          PromptIcon::Error, PromptButtons::Ok);
      return false;
    }
    if (beforeStore_) beforeStore_();
    std::string originError;
    Catalog::BeforeCommit recordOrigin;
    if (!request_.folder.empty())
      recordOrigin = [&](const TMediaSlot& s) { originError = RecordOrigin(s); };
    lastUpdate_ = StoreUpdate(slot, expect, recordOrigin);
    stored = lastUpdate_.has_value();
    if (stored && !originError.empty())
      prompter_.Message(
          QStringLiteral("読込み元フォルダを記録できません\r\n") + QString::fromUtf8(originError),
          PromptIcon::Warning, PromptButtons::Ok);
  }
  if (stored && afterMediaChange_) afterMediaChange_();
  return stored;
}

std::optional<UpdateOutcome> ReadWorkflow::StoreUpdate(int slot, const MediaIdentity& expect,
                                                       const Catalog::BeforeCommit& beforeCommit) {
  // The old reading is compared while it is still stored.
  DiffReport changes = CompareWithSource(catalog_, slot, scanner_);
  std::optional<UpdateOutcome> outcome =
      catalog_.UpdateMedia(slot, expect, scanner_, scanner_.CurrentMedia(), beforeCommit);
  if (outcome) {
    changes.lostComments = outcome->lostComments;
    outcome->changes = std::move(changes);
  }
  return outcome;
}

}  // namespace plomix
