#include "reading/ReadRequest.h"

#include <QFile>
#include <QString>
#include <exception>
#include <optional>

#include "core/BusyScope.h"
#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "reading/Drives.h"
#include "reading/MediaOrigins.h"
#include "reading/Scanner.h"

namespace plomix {

namespace {

std::string NowText() {
  return FormatDateTime("yyyy/mm/dd hh:nn:ss", DosNow());
}

}  // namespace

const char* ReadWorkflow::SlotLimitMessage() {
  return "メディア管理DBに登録できる最大数を超えました。\r\n不要メディアの削除、\r\n"
         "または、DBの最適化、\r\nまたは、新規DBを作成してください。";
}

const char* ReadWorkflow::NotReadyMessage() {
  return "読込デバイスが準備されていません";
}

ReadWorkflow::ReadWorkflow(Catalog& catalog, Settings& settings, Drives& drives, Scanner& scanner,
                           Prompter& prompter)
    : catalog_(catalog),
      settings_(settings),
      drives_(drives),
      scanner_(scanner),
      prompter_(prompter) {}

ReadForm ReadWorkflow::InitialForm() {
  ReadForm form;
  form.name = NowText();
  form.volumeName = settings_.GetInt(REG_VolumeName) != 0;
  form.eject = settings_.GetInt(REG_Eject) != 0;
  form.getVersion = settings_.GetInt(REG_GetFileVersion) != 0;
  const int mode = settings_.GetInt(REG_DupSearchMode);
  form.dupSearchMode = mode == 1 || mode == 2 ? mode : 0;
  form.fingerprintChoice =
      FingerprintModeFromName(
          settings_.GetRaw(QString::fromLatin1(kReadFingerprintModeKey)).trimmed().toStdString())
          .value_or(FingerprintMode::Quick);
  if (settings_.GetRaw(QString::fromLatin1(kReadFingerprintKey)).trimmed() == QStringLiteral("1"))
    form.fingerprint = form.fingerprintChoice;
  fetchedDrive_.clear();
  fetchedFolder_.clear();
  fetchedName_.clear();
  fetchedSerial_.clear();

  // A stick or disc just put in is what the user most likely means to read.
  if (const char newest = drives_.NewestRemovableLetter()) {
    FetchDriveVolume(form, true, std::string(1, newest));
    return form;
  }
  // Else the source read last, while it still exists; the setting's default
  // ("C", never chosen by anyone) is no source read last.
  const QString key = Settings::Describe(REG_BeforDrive)->key;
  const std::string remembered = settings_.GetRaw(key).toStdString();
  if (!remembered.empty() && remembered[0] == '/') {
    FetchFolderSource(form, true, remembered);
  } else if (const char letter = DriveLetterOf(remembered);
             letter != 0 && drives_.GetClusterSize(letter - 'A' + 1) > 0) {
    FetchDriveVolume(form, true, std::string(1, letter));
  }
  return form;
}

void ReadWorkflow::FetchDriveVolume(ReadForm& form, bool fillName, const std::string& drive) {
  form.drive = drive;
  form.folder.clear();
  fetchedDrive_ = drive;
  fetchedFolder_.clear();
  std::string name, serial, length;
  if (drives_.ReadVolumeInfo(drive, name, serial, length)) {
    fetchedName_ = name;
    fetchedSerial_ = serial;
    if (fillName && form.volumeName) form.name = name;
  } else {
    fetchedName_.clear();
    fetchedSerial_.clear();
  }
}

bool ReadWorkflow::FetchFolderSource(ReadForm& form, bool fillName, const std::string& folder) {
  const std::optional<FolderVolume> where = drives_.VolumeOfFolder(folder);
  if (!where) return false;
  // A folder on a volume without a letter is filed under C, like the system's
  // own folders; its full path is kept beside the catalogue either way.
  form.drive = std::string(1, where->letter ? where->letter : 'C');
  form.folder = where->folder;
  fetchedDrive_ = form.drive;
  fetchedFolder_ = where->folder;
  std::string length;
  if (!drives_.FolderVolumeInfo(where->folder, fetchedName_, fetchedSerial_, length)) {
    fetchedName_.clear();
    fetchedSerial_.clear();
  }
  const std::size_t slash = where->folder.find_last_of('/');
  const std::string ownName =
      where->folder == "/" ? std::string() : where->folder.substr(slash + 1);
  if (fillName && form.volumeName) form.name = text::Utf8ToCp932(ownName);
  return true;
}

void ReadWorkflow::VolumeNameChecked(ReadForm& form) {
  form.volumeName = true;
  if (!fetchedFolder_.empty()) {
    FetchFolderSource(form, true, fetchedFolder_);
    return;
  }
  form.name = fetchedName_;
}

ReadValidation ReadWorkflow::ValidateReadRequest(ReadForm& form) {
  // A text that names no drive has no drive number and so is never ready;
  // standing in C for it would read the whole system disk.
  const auto ready = [&] {
    if (!form.folder.empty()) return drives_.FolderClusterSize(form.folder) > 0;
    const char letter = DriveLetterOf(form.drive);
    return letter != 0 && drives_.GetClusterSize(letter - 'A' + 1) > 0;
  };
  while (!ready()) {
    if (prompter_.Message(text::Utf8ToQString(NotReadyMessage()), PromptIcon::Error,
                          PromptButtons::RetryCancel) != PromptResult::Retry)
      return ReadValidation::Refused;
  }
  if (form.folder.empty() || !FetchFolderSource(form, false, form.folder))
    FetchDriveVolume(form, false, form.drive);
  if (DriveLetterOf(form.drive) == 0)
    return ReadValidation::Refused;  // the folder vanished meanwhile
  try {
    // The media keeps the letter its volume has now; make it the volume's for good.
    drives_.RememberVolumeLetters();
  } catch (const std::exception&) {
    // Settings that cannot be written cost only the letter's permanence.
  }

  ReadValidation result = ReadValidation::AsNew;
  replaceSlot_ = -1;
  updateSlot_ = -1;
  if (form.name.empty()) {
    form.name = NowText();
  } else if (!catalog_.IsMediaNameFree(form.name)) {
    const int slot = catalog_.LastEqualNameSlot();
    const bool sameMedia = catalog_.SlotVolumeSerial(slot) == fetchedSerial_;
    const std::string question =
        std::string("名前が重複します、上書きしますか\r\n\r\n") +
        (sameMedia ? "(同一ﾒﾃﾞｨｱが指定されました)" : "(注：別ﾒﾃﾞｨｱが指定されました)") +
        "\r\n旧作成日時：" +
        text::Cp932ToUtf8(FormatDateTime(text::Utf8ToCp932("yyyy/mm/dd(aaa) hh:nn:ss"),
                                         catalog_.SlotReadDate(slot)));
    const PromptResult answer = prompter_.Message(
        text::Utf8ToQString(question) +
            (offerUpdate_ ? QStringLiteral("\r\n\r\nはい：置き換え\r\n"
                                           "いいえ：更新（コメントとマークを引き継ぐ）")
                          : QString()),
        sameMedia ? PromptIcon::Question : PromptIcon::Warning,
        offerUpdate_ ? PromptButtons::YesNoCancel : PromptButtons::OkCancel);
    if (offerUpdate_ && answer == PromptResult::No) {
      result = ReadValidation::Updating;
      updateSlot_ = slot;
      updateExpect_ = catalog_.IdentityOf(slot);
    } else if (answer != (offerUpdate_ ? PromptResult::Yes : PromptResult::Ok)) {
      return ReadValidation::Refused;
    } else {
      result = ReadValidation::Replacing;
      replaceSlot_ = slot;
    }
  }

  const std::string defaultCategory = text::Utf8ToCp932("デフォルト");
  request_ = ReadRequest{};
  request_.drive = std::string(1, static_cast<char>(DriveLetterOf(form.drive) - 'A' + 'a'));
  request_.folder = form.folder;
  request_.mediaName = form.name;
  request_.volumeName = fetchedName_;
  request_.volumeSerial = fetchedSerial_;
  request_.category = form.category == defaultCategory ? std::string() : form.category;
  request_.location = form.location;
  request_.locationDetail = form.locationDetail;
  request_.fingerprint = form.fingerprint;
  readVersions_ = form.getVersion;
  eject_ = form.eject;

  if (persistChoices_) {
    // A folder source is remembered by its path: it has no letter of its own.
    settings_.SetString(REG_BeforDrive, form.folder.empty()
                                            ? QString(QChar(DriveLetterOf(form.drive)))
                                            : QString::fromStdString(form.folder));
    settings_.SetInt(REG_VolumeName, form.volumeName ? 1 : 0);
    settings_.SetInt(REG_Eject, form.eject ? 1 : 0);
    settings_.SetInt(REG_GetFileVersion, form.getVersion ? 1 : 0);
    const std::string_view shown =
        FingerprintModeName(form.fingerprint.value_or(form.fingerprintChoice));
    settings_.SetRaw(QString::fromLatin1(kReadFingerprintKey),
                     form.fingerprint ? QStringLiteral("1") : QStringLiteral("0"));
    settings_.SetRaw(QString::fromLatin1(kReadFingerprintModeKey),
                     QString::fromLatin1(shown.data(), static_cast<qsizetype>(shown.size())));
  }
  return result;
}

bool ReadWorkflow::ConfirmRead(ReadForm& form, bool storeDupMode) {
  if (storeDupMode) settings_.SetInt(REG_DupSearchMode, form.dupSearchMode);
  confirmed_ = ValidateReadRequest(form) != ReadValidation::Refused;
  return confirmed_;
}

bool ReadWorkflow::ReadMediaCommand(const std::function<bool(ReadWorkflow&)>& dialog) {
  cancelled_ = false;
  scanner_.ClearCancel();
  if (!catalog_.HasFreeSlot()) {
    prompter_.Message(text::Utf8ToQString(SlotLimitMessage()), PromptIcon::Error,
                      PromptButtons::Ok);
    return false;
  }
  bool added = false;
  {
    BusyScope busy(busy_);
    confirmed_ = false;
    replaceSlot_ = -1;
    updateSlot_ = -1;
    lastUpdate_.reset();
    if (dialog(*this) && confirmed_) added = ReadAndAdd();
  }
  if (added && afterMediaChange_) afterMediaChange_();
  return added;
}

bool ReadWorkflow::ReadAndAdd() {
  cancelled_ = false;
  if (!scanner_.AllocateScanBuffer(&prompter_)) return false;
  scanner_.ClearScanBuffer();
  ScanSetup setup;
  if (!Scanner::SetupFor(request_, drives_, readVersions_, setup)) return false;
  bool found = false;
  const auto scan = [&] { found = scanner_.ReadTree(request_, setup); };
  if (scanRunner_)
    scanRunner_(scan);
  else
    scan();
  // Nothing is written after a cancel: the catalogue stays as it was.
  if (scanner_.Cancelled()) {
    cancelled_ = true;
    return false;
  }
  if (scanner_.ScanOverflow())
    prompter_.Message(QString::fromUtf8(Scanner::OverflowMessage()), PromptIcon::Error,
                      PromptButtons::Ok);
  if (found && eject_) drives_.EjectMedia(setup.drive, setup.kind);
  if (!found) return false;
  if (beforeStore_) beforeStore_();
  // The old media goes in the same write as its successor is stored: a read
  // that found nothing, or a failed write, leaves the catalogue as it was.
  // It is found by its name when the media are written, since another program
  // may have moved or removed it while the drive was read.
  // A media read from a folder has its origin line written in the same
  // transaction, before the slot that makes it exist.
  std::string originError;
  Catalog::BeforeCommit recordOrigin;
  if (!request_.folder.empty())
    recordOrigin = [&](const TMediaSlot& stored) { originError = RecordOrigin(stored); };
  if (updateSlot_ >= 0) {
    // Entries not read now would take their comments with them.
    if (scanner_.UnreadableCount() > 0 || scanner_.ScanOverflow()) {
      prompter_.Message(
          QStringLiteral("読み込めなかったフォルダ・ファイルがあるため、更新しませんでした\r\n") +
              text::Utf8ToQString(UnreadableReport(scanner_)),
          PromptIcon::Error, PromptButtons::Ok);
      return false;
    }
    lastUpdate_ = StoreUpdate(updateSlot_, updateExpect_, recordOrigin);
    if (!lastUpdate_) return false;
  } else if (!catalog_.AddMedia(scanner_, scanner_.CurrentMedia(), replaceSlot_ >= 0,
                                recordOrigin)) {
    return false;
  }
  if (!originError.empty()) {
    // The media is stored; only finding its folder again later needs this.
    prompter_.Message(
        QStringLiteral("読込み元フォルダを記録できません\r\n") + QString::fromUtf8(originError),
        PromptIcon::Warning, PromptButtons::Ok);
  }
  if (reportUnreadable_ && scanner_.UnreadableCount() > 0)
    prompter_.Message(text::Utf8ToQString(UnreadableReport(scanner_)), PromptIcon::Warning,
                      PromptButtons::Ok);
  return true;
}

std::string ReadWorkflow::RecordOrigin(const TMediaSlot& stored) {
  const std::optional<FolderVolume> where = drives_.VolumeOfFolder(request_.folder);
  MediaOrigin origin;
  origin.readDate = stored.Root().FileDate();
  origin.count = stored.Count();
  origin.name = stored.Name();
  origin.inner = where ? where->inner : request_.folder;
  origin.folder = request_.folder;
  try {
    AppendMediaOrigin(MediaOriginsPath(catalog_), origin, catalog_.CatalogPath());
  } catch (const std::exception& error) {
    return error.what();
  }
  return {};
}

std::string ReadWorkflow::UnreadableReport(const Scanner& scanner) {
  std::string text = "読み込めなかったフォルダ・ファイル：" +
                     FormatNumber(static_cast<double>(scanner.UnreadableCount())) + " 件\r\n";
  for (const std::string& path : scanner.UnreadablePaths())
    text += "\r\n" + QFile::decodeName(path.c_str()).toStdString();
  if (scanner.UnreadableCount() > static_cast<int64_t>(scanner.UnreadablePaths().size()))
    text += "\r\n...";
  return text;
}

}  // namespace plomix
