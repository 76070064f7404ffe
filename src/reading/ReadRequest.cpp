#include "reading/ReadRequest.h"

#include <QString>

#include "core/BusyScope.h"
#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "reading/Drives.h"
#include "reading/Scanner.h"

namespace plomix {

namespace {

QString Q(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

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
  FetchDriveVolume(form, true,
                   NormalizeDriveLetter(settings_.GetString(REG_BeforDrive).toStdString()));
  return form;
}

void ReadWorkflow::FetchDriveVolume(ReadForm& form, bool fillName, const std::string& drive) {
  form.drive = drive;
  fetchedDrive_ = drive;
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

void ReadWorkflow::VolumeNameChecked(ReadForm& form) {
  form.volumeName = true;
  form.name = fetchedName_;
}

int ReadWorkflow::ValidateReadRequest(ReadForm& form) {
  // A text that names no drive has no drive number and so is never ready;
  // standing in C for it would read the whole system disk.
  const char letter = DriveLetterOf(form.drive);
  const int driveNumber = letter == 0 ? 0 : letter - 'A' + 1;
  while (drives_.GetClusterSize(driveNumber) == 0) {
    if (prompter_.Message(Q(NotReadyMessage()), PromptIcon::Error, PromptButtons::RetryCancel) !=
        PromptResult::Retry)
      return kReadRefused;
  }
  FetchDriveVolume(form, false, form.drive);

  int result = kReadAsNew;
  replaceSlot_ = -1;
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
    if (prompter_.Message(Q(question), sameMedia ? PromptIcon::Question : PromptIcon::Warning,
                          PromptButtons::OkCancel) != PromptResult::Ok)
      return kReadRefused;
    result = kReadReplacing;
    replaceSlot_ = slot;
  }

  const std::string defaultCategory = text::Utf8ToCp932("デフォルト");
  request_ = ReadRequest{};
  request_.drive = std::string(1, static_cast<char>(letter - 'A' + 'a'));
  request_.mediaName = form.name;
  request_.volumeName = fetchedName_;
  request_.volumeSerial = fetchedSerial_;
  request_.category = form.category == defaultCategory ? std::string() : form.category;
  request_.location = form.location;
  request_.locationDetail = form.locationDetail;
  readVersions_ = form.getVersion;
  eject_ = form.eject;

  if (persistChoices_) {
    settings_.SetString(REG_BeforDrive, QString(QChar(letter)));
    settings_.SetInt(REG_VolumeName, form.volumeName ? 1 : 0);
    settings_.SetInt(REG_Eject, form.eject ? 1 : 0);
    settings_.SetInt(REG_GetFileVersion, form.getVersion ? 1 : 0);
  }
  return result;
}

bool ReadWorkflow::ConfirmRead(ReadForm& form, bool storeDupMode) {
  if (storeDupMode) settings_.SetInt(REG_DupSearchMode, form.dupSearchMode);
  confirmed_ = ValidateReadRequest(form) != kReadRefused;
  return confirmed_;
}

bool ReadWorkflow::ReadMediaCommand(const std::function<bool(ReadWorkflow&)>& dialog) {
  if (!catalog_.HasFreeSlot()) {
    prompter_.Message(Q(SlotLimitMessage()), PromptIcon::Error, PromptButtons::Ok);
    return false;
  }
  bool added = false;
  {
    BusyScope busy(busy_);
    confirmed_ = false;
    replaceSlot_ = -1;
    if (dialog(*this) && confirmed_) added = ReadAndAdd();
  }
  if (added && afterMediaChange_) afterMediaChange_();
  return added;
}

bool ReadWorkflow::ReadAndAdd() {
  if (!scanner_.AllocateScanBuffer(&prompter_)) return false;
  scanner_.ClearScanBuffer();
  if (!scanner_.ReadMedia(request_, drives_, readVersions_, eject_, &prompter_)) return false;
  if (beforeStore_) beforeStore_();
  if (!catalog_.AddMedia(scanner_, scanner_.CurrentMedia())) return false;
  // The old media goes only now that its successor is stored: a read that
  // found nothing, or a failed write, leaves the catalogue as it was.
  if (replaceSlot_ >= 0 && catalog_.Slot(replaceSlot_).IsLive()) catalog_.DeleteMedia(replaceSlot_);
  return true;
}

}  // namespace plomix
