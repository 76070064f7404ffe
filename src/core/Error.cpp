#include "core/Error.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

namespace plomix {

CatalogError::CatalogError(ErrorInfo info)
    : std::runtime_error(text::ErrorText(info, text::Language::English)), info_(std::move(info)) {}

CatalogError::CatalogError(ErrorCode code, std::vector<std::string> args)
    : CatalogError(ErrorInfo{code, std::move(args)}) {}

CatalogError::CatalogError(ErrorCode code, const std::string& path, int err)
    : CatalogError(ErrorInfo{code, {path, std::to_string(err)}}) {}

CatalogError::CatalogError(const std::string& message)
    : CatalogError(ErrorInfo{ErrorCode::Message, {message}}) {}

ErrorInfo ErrorInfoOf(const std::exception& error) {
  if (const auto* coded = dynamic_cast<const CatalogError*>(&error)) return coded->info();
  return {ErrorCode::Message, {error.what()}};
}

}  // namespace plomix

namespace plomix::text {

namespace {

// The system's reason in Japanese for the errors a catalogue write meets;
// the system's own (English) text for the rest.
std::string JapaneseReason(int err) {
  switch (err) {
    case ENOSPC:
      return "ディスクの空き領域が足りません";
    case EDQUOT:
      return "ディスクの使用量の上限を超えました";
    case EACCES:
    case EPERM:
      return "アクセスが拒否されました";
    case ENOENT:
      return "ファイルまたはフォルダーがありません";
    case EROFS:
      return "読み取り専用のファイルシステムです";
    case EIO:
      return "入出力エラーが発生しました";
    case EISDIR:
      return "フォルダーです";
    case ENOTDIR:
      return "パスの途中がフォルダーではありません";
    case ENAMETOOLONG:
      return "名前が長すぎます";
    case EMFILE:
    case ENFILE:
      return "開いているファイルが多すぎます";
    case EBUSY:
      return "使用中です";
    default:
      return "システムエラー " + std::to_string(err) + " (" + std::strerror(err) + ")";
  }
}

int ErrnoOf(const std::string& arg) {
  return std::atoi(arg.c_str());
}

const char* EnglishAction(ErrorCode code) {
  switch (code) {
    case ErrorCode::FileOpen:
      return "Opening";
    case ErrorCode::FileLock:
      return "Locking";
    case ErrorCode::FileRead:
      return "Reading";
    case ErrorCode::FileSize:
      return "Reading the size";
    case ErrorCode::FileCut:
      return "Cutting";
    case ErrorCode::FileSync:
      return "Syncing";
    case ErrorCode::FolderSync:
      return "Syncing the folder of";
    case ErrorCode::FileReplace:
      return "Replacing";
    case ErrorCode::FileLink:
      return "Linking";
    case ErrorCode::FileRemove:
      return "Removing";
    case ErrorCode::FileClose:
      return "Closing";
    default:
      return "Writing";
  }
}

// "「%1」を…" with the path filled in: the Japanese of a file step.
const char* JapaneseAction(ErrorCode code) {
  switch (code) {
    case ErrorCode::FileOpen:
      return "「%1」を開けませんでした";
    case ErrorCode::FileLock:
      return "「%1」をロックできませんでした";
    case ErrorCode::FileRead:
      return "「%1」を読み込めませんでした";
    case ErrorCode::FileSize:
      return "「%1」の大きさを調べられませんでした";
    case ErrorCode::FileCut:
      return "「%1」を切り詰められませんでした";
    case ErrorCode::FileSync:
      return "「%1」をディスクに書き出せませんでした";
    case ErrorCode::FolderSync:
      return "「%1」のフォルダーをディスクに書き出せませんでした";
    case ErrorCode::FileReplace:
      return "「%1」を置き換えられませんでした";
    case ErrorCode::FileLink:
      return "「%1」のリンクを作れませんでした";
    case ErrorCode::FileRemove:
      return "「%1」を削除できませんでした";
    case ErrorCode::FileClose:
      return "「%1」を閉じられませんでした";
    default:
      return "「%1」に書き込めませんでした";
  }
}

bool IsFileStep(ErrorCode code) {
  return code >= ErrorCode::FileOpen && code <= ErrorCode::FileClose;
}

// Replaces %1, %2, … with the arguments (a missing one as empty).
std::string Fill(std::string_view pattern, const std::vector<std::string>& args) {
  std::string out;
  out.reserve(pattern.size() + 64);
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' &&
        pattern[i + 1] <= '9') {
      const auto n = static_cast<std::size_t>(pattern[i + 1] - '1');
      if (n < args.size()) out += args[n];
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

struct Wording {
  ErrorCode code;
  const char* english;
  const char* japanese;
};

constexpr Wording kWordings[] = {
    {ErrorCode::NoCatalogName, "No catalogue name given (\"%1\")",
     "カタログの名前が指定されていません（「%1」）"},
    {ErrorCode::NoCatalogFile, "No catalogue file given", "カタログファイルが指定されていません"},
    {ErrorCode::NotCatalog, "\"%1\" is not a catalogue (too short)",
     "「%1」はカタログではありません（短すぎます）"},
    {ErrorCode::CannotOpen, "Cannot open \"%1\"", "「%1」を開けません"},
    {ErrorCode::ChangedMeanwhile,
     "\"%1\" was changed by another program meanwhile; it has been read again and the change "
     "was not made",
     "「%1」はその間に他のプログラムによって変更されました。読み込み直したので、変更は行って"
     "いません"},
    {ErrorCode::ChangedReadAgain,
     "\"%1\" was changed by another program; it must be read again (media %2)",
     "「%1」は他のプログラムによって変更されました。読み込み直してください（メディア %2）"},
    {ErrorCode::ShrankWhileRead, "\"%1\" became shorter while it was read",
     "「%1」が読み込みの間に短くなりました"},
    {ErrorCode::ShrankWhileCompacted, "\"%1\" became shorter while it was compacted",
     "「%1」が最適化の間に短くなりました"},
    {ErrorCode::ShorterThanMedia, "\"%1\" is shorter than its media %2",
     "「%1」がメディア %2 の途中で終わっています"},
    {ErrorCode::SlotTableDamaged,
     "\"%1\" is damaged: media %2 claims %3 records; nothing was written",
     "「%1」は壊れています: メディア %2 のレコード数が %3 になっています。何も書き込んでいません"},
    {ErrorCode::MediaWithoutRecords, "Media %1 has no records",
     "メディア %1 にはレコードがありません"},
    {ErrorCode::RecordsPastEnd, "The records of media %1 run past the end of \"%2\"",
     "メディア %1 のレコードが「%2」の末尾を越えています"},
    {ErrorCode::MediaDamaged, "Media %1 is damaged (record %2 links outside the media)",
     "メディア %1 は壊れています（レコード %2 がメディアの外を指しています）"},
    {ErrorCode::RecordsMissing,
     "The records of media %1 (\"%2\") are not all in \"%3\"; nothing was compacted",
     "メディア %1（「%2」）のレコードが「%3」にそろっていません。最適化は行っていません"},
    {ErrorCode::NoMediaNamed, "\"%1\" has no media of the name given",
     "「%1」には指定された名前のメディアがありません"},
    {ErrorCode::SeveralMediaNamed, "\"%1\" has %2 media of the name given; choose one by its slot",
     "「%1」には指定された名前のメディアが %2 個あります。スロットで選んでください"},
    {ErrorCode::MediaDiffers,
     "slot %1 of \"%2\" no longer holds the media meant (another program changed it); nothing "
     "was changed",
     "「%2」のスロット %1 には目的のメディアがもうありません（他のプログラムが変更しました）。"
     "何も変更していません"},
    {ErrorCode::TooManyEntries, "\"%1\": too many entries", "「%1」: 項目が多すぎます"},
    {ErrorCode::SettingsWrite, "cannot write the settings file %1",
     "設定ファイル %1 に書き込めません"},
};

}  // namespace

Language LocaleLanguage() {
  // The first of these that is set decides, as it does for the C library.
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') continue;
    return std::string_view(value).starts_with("ja") ? Language::Japanese : Language::English;
  }
  return Language::English;
}

std::string ErrorText(const ErrorInfo& error, Language language) {
  const bool ja = language == Language::Japanese;
  if (error.code == ErrorCode::None) return {};
  if (error.code == ErrorCode::Message) return error.args.empty() ? std::string() : error.args[0];
  if (IsFileStep(error.code)) {
    const std::string path = error.args.empty() ? std::string() : error.args[0];
    const int err = error.args.size() > 1 ? ErrnoOf(error.args[1]) : EIO;
    if (ja) return Fill(JapaneseAction(error.code), {path}) + ": " + JapaneseReason(err);
    return std::string(EnglishAction(error.code)) + " failed for \"" + path +
           "\": " + std::strerror(err);
  }
  for (const Wording& w : kWordings)
    if (w.code == error.code) return Fill(ja ? w.japanese : w.english, error.args);
  return ja ? "不明なエラーです" : "unknown error";
}

std::string ErrorText(const std::exception& error, Language language) {
  if (const auto* coded = dynamic_cast<const CatalogError*>(&error))
    return ErrorText(coded->info(), language);
  return error.what();
}

}  // namespace plomix::text
