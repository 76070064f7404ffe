#pragma once
// Failures the engine reports to a person: a code and its arguments (a path,
// a slot, a media name, a system error number) instead of a finished
// sentence, so that the window can word them in Japanese and the command line
// in the language of the locale. ErrorText is the one place that words them.
//
// Arguments are UTF-8 text or native path bytes (never CP932); numbers are
// passed as decimal text.

#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

namespace plomix {

enum class ErrorCode : uint8_t {
  None,
  Message,  // not coded: args[0] is the whole text, shown as it is
  // A step on a file failed. Args: path, errno.
  FileOpen,
  FileLock,
  FileRead,
  FileSize,
  FileWrite,
  FileCut,
  FileSync,
  FolderSync,
  FileReplace,
  FileLink,
  FileRemove,
  FileClose,
  // The catalogue. Args as named.
  NoCatalogName,         // path
  NoCatalogFile,         //
  NotCatalog,            // path
  CannotOpen,            // path
  ChangedMeanwhile,      // path
  ChangedReadAgain,      // path, slot
  ShrankWhileRead,       // path
  ShrankWhileCompacted,  // path
  ShorterThanMedia,      // path, slot
  SlotTableDamaged,      // path, slot, record count
  MediaWithoutRecords,   // slot
  RecordsPastEnd,        // slot, path
  MediaDamaged,          // slot, record
  RecordsMissing,        // slot, media name, path (compaction)
  NoMediaNamed,          // path
  SeveralMediaNamed,     // path, count
  MediaDiffers,          // slot, path
  // Files beside the catalogue.
  TooManyEntries,  // path (a result file)
  SettingsWrite,   // path
};

// A coded failure; empty (code None) when nothing failed.
struct ErrorInfo {
  ErrorCode code = ErrorCode::None;
  std::vector<std::string> args;

  bool empty() const { return code == ErrorCode::None; }
};

// A failure of the catalogue or a file beside it. what() is the English text.
class CatalogError : public std::runtime_error {
 public:
  explicit CatalogError(ErrorInfo info);
  CatalogError(ErrorCode code, std::vector<std::string> args);
  // A file step failed with the system's error number `err`.
  CatalogError(ErrorCode code, const std::string& path, int err);
  // Not coded: shown in every language as given.
  explicit CatalogError(const std::string& message);

  ErrorCode code() const { return info_.code; }
  const std::vector<std::string>& args() const { return info_.args; }
  const ErrorInfo& info() const { return info_; }

 private:
  ErrorInfo info_;
};

// The code and arguments of a failure: those of a CatalogError, else what()
// as an uncoded message.
ErrorInfo ErrorInfoOf(const std::exception& error);

}  // namespace plomix

namespace plomix::text {

enum class Language : uint8_t { English, Japanese };

// Japanese when the locale's messages are (LC_ALL, else LC_MESSAGES, else
// LANG starting with "ja"), English otherwise.
Language LocaleLanguage();

// The text of a failure in `language` (UTF-8; paths as their bytes). A
// coded failure is worded from its code; any other exception shows what().
std::string ErrorText(const ErrorInfo& error, Language language);
std::string ErrorText(const std::exception& error, Language language);

}  // namespace plomix::text
