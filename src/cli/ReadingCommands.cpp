// Reading commands: drives, bind, unbind, read, ls, tree.

#include <sys/ioctl.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <ostream>

#include "browse/FolderChildren.h"
#include "browse/TreeDiff.h"
#include "cli/CliCommon.h"
#include "core/Catalog.h"
#include "core/FolderCounts.h"
#include "core/Format.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "core/TypeNames.h"
#include "reading/Drives.h"
#include "reading/ReadRequest.h"
#include "reading/Scanner.h"

namespace plomix::cli {

namespace {

// A read that stored the media but could not read some of its folders or files.
constexpr int kPartialReadStatus = 3;

// Answers the read workflow's questions from the command line's flags: never
// retries, replaces only with --replace, and keeps the last question asked so
// that a refusal can say why.
class FlagPrompter : public NonInteractivePrompter {
 public:
  explicit FlagPrompter(bool replace) : replace_(replace) {}

  PromptResult Message(const QString& text, PromptIcon, PromptButtons buttons,
                       const QString&) override {
    lastText_ = text;
    if (buttons == PromptButtons::OkCancel) {
      replaceAsked_ = true;
      return replace_ ? PromptResult::Ok : PromptResult::Cancel;
    }
    if (buttons == PromptButtons::RetryCancel) return PromptResult::Cancel;
    if (buttons == PromptButtons::Ok) std::cerr << text.toStdString() << '\n';
    return PromptResult::Ok;
  }
  bool ReplaceAsked() const { return replaceAsked_; }
  const QString& LastText() const { return lastText_; }

 private:
  bool replace_;
  bool replaceAsked_ = false;
  QString lastText_;
};

char LetterArg(const std::string& text) {
  std::string t = text;
  if (t.size() == 2 && t[1] == ':') t.pop_back();
  if (t.size() != 1 || !std::isalpha(static_cast<unsigned char>(t[0])))
    throw CliError("invalid drive letter: " + text);
  return static_cast<char>(std::toupper(static_cast<unsigned char>(t[0])));
}

std::string KindText(int kind) {
  return kind == 0 ? std::string("-") : text::Cp932ToUtf8(MediaKindName(kind));
}

int DrivesCommand(Context& ctx) {
  Settings settings;
  Drives drives(settings);
  QJsonArray array;
  std::vector<std::vector<std::string>> rows;
  for (const DriveRow& d : drives.ListDrives()) {
    const std::string letter(1, d.letter);
    if (ctx.json) {
      array.append(QJsonObject{{"letter", QString::fromStdString(letter)},
                               {"kind", d.kind},
                               {"kindName", QString::fromStdString(KindText(d.kind))},
                               {"ready", d.ready},
                               {"volume", d.volume},
                               {"label", QString::fromStdString(d.volumeName)},
                               {"serial", QString::fromStdString(d.serial)},
                               {"clusterSize", d.clusterSize},
                               {"freeSpace", d.freeSpace},
                               {"mountPoint", QString::fromStdString(d.folder)}});
    } else {
      rows.push_back({letter + ":", KindText(d.kind), "[" + d.volumeName + "]",
                      d.serial.empty() ? "-" : d.serial, std::to_string(d.clusterSize),
                      d.freeSpace < 0 ? "-" : FormatNumber(d.freeSpace), d.folder});
    }
  }
  if (ctx.json)
    PrintJson(ctx.out, array);
  else
    PrintTable(ctx, rows);
  return 0;
}

int BindCommand(Context& ctx) {
  const char letter = LetterArg(ctx.args.Positional(0, "LETTER"));
  const std::string folder = ctx.args.Positional(1, "FOLDER");
  Settings settings;
  Drives drives(settings);
  std::string error;
  if (!drives.Bind(letter, folder, error)) throw CliError(error);
  const std::string bound = drives.FolderOf(letter);
  if (ctx.json)
    PrintJson(ctx.out, QJsonObject{{"letter", QString(QChar(letter))},
                                   {"folder", QString::fromStdString(bound)}});
  else
    ctx.out << letter << ": -> " << bound << '\n';
  return 0;
}

int UnbindCommand(Context& ctx) {
  const char letter = LetterArg(ctx.args.Positional(0, "LETTER"));
  Settings settings;
  Drives drives(settings);
  const std::string was = drives.FolderOf(letter);
  if (!drives.Unbind(letter))
    throw CliError(letter == 'C' ? "C: cannot be unbound"
                                 : std::string(1, letter) + ": is not bound");
  if (ctx.json)
    PrintJson(ctx.out, QJsonObject{{"letter", QString(QChar(letter))},
                                   {"unbound", QString::fromStdString(was)}});
  else
    ctx.out << letter << ": unbound (was " << was << ")\n";
  return 0;
}

// Ctrl+C and SIGTERM during a read set the scanner's cancel flag (a lock-free
// atomic, safe to store from a handler) and remember which signal came; the
// read then stops, nothing is stored, and the command exits 128 + signal.
// The handlers are those of the system again once the read is over.
std::atomic<bool>* gCancelFlag = nullptr;
volatile std::sig_atomic_t gSignal = 0;

extern "C" void OnStopSignal(int signal) {
  gSignal = signal;
  if (gCancelFlag) gCancelFlag->store(true, std::memory_order_relaxed);
}

class StopSignals {
 public:
  explicit StopSignals(std::atomic<bool>& flag) {
    gSignal = 0;
    gCancelFlag = &flag;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &oldInt_);
    sigaction(SIGTERM, &action, &oldTerm_);
  }
  ~StopSignals() {
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
    gCancelFlag = nullptr;
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

 private:
  struct sigaction oldInt_ {};
  struct sigaction oldTerm_ {};
};

// The progress line on stderr: entries so far, their rate, the folder being
// read, cut to the terminal's width and redrawn at most ten times a second.
class ProgressLine {
 public:
  explicit ProgressLine(bool terminal) : terminal_(terminal) {}

  void Show(int64_t stored, const std::string& folder) {
    const auto now = std::chrono::steady_clock::now();
    if (shown_ && now - last_ < std::chrono::milliseconds(100)) return;
    shown_ = true;
    last_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    std::string line = "reading " + FormatNumber(static_cast<double>(stored)) + " entries";
    if (seconds >= 0.5)
      line += ", " + FormatNumber(std::floor(static_cast<double>(stored) / seconds)) + "/s";
    line += "  " + folder;
    if (terminal_) {
      line = CutToColumns(line, Columns() - 1);
      std::cerr << '\r' << line << "\x1b[K" << std::flush;
    } else {
      std::cerr << line << '\n' << std::flush;
    }
  }
  void Clear() {
    if (terminal_ && shown_) std::cerr << "\r\x1b[K" << std::flush;
  }

 private:
  static int Columns() {
    struct winsize size {};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 20) return size.ws_col;
    return 80;
  }
  // At most `columns` characters (one per UTF-8 sequence; wide characters
  // count once, which only ever leaves the line shorter than it could be).
  static std::string CutToColumns(const std::string& utf8, int columns) {
    int count = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
      if ((static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80) continue;
      if (++count > columns) return utf8.substr(0, i);
    }
    return utf8;
  }

  bool terminal_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point last_;
};

// The name a media gets without --name: the volume's label, else the name of
// the folder read (a drive's mount point too), else the date-time as in the window.
std::string DefaultMediaName(const ReadForm& form, const std::string& label, const Drives& drives) {
  if (form.folder.empty() && !label.empty()) return label;
  std::string folder = form.folder.empty() ? drives.FolderOf(form.drive[0]) : form.folder;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  const std::string own = folder.substr(folder.find_last_of('/') + 1);
  return own.empty() ? form.name : text::Utf8ToCp932(own);
}

// A filing text as the read dialog's boxes take it: at most `cap` CP932 bytes.
// The media slot keeps no more, and cutting longer input there could split a
// double-byte character, so it is refused instead.
std::string FilingText(const Context& ctx, const char* option, std::size_t cap) {
  std::string cp932 = text::Utf8ToCp932(ctx.args.Value(option));
  if (cp932.size() > cap)
    throw CliError(std::string(option) + " takes at most " + std::to_string(cap) +
                   " bytes in Shift_JIS (\"" + ctx.args.Value(option) + "\" has " +
                   std::to_string(cp932.size()) + ")");
  return cp932;
}

// read CATALOG --update NAME [--slot N] [--drive LETTER | --path FOLDER]: the
// media read again into its own slot, from where it was read unless a source
// is given.
int UpdateReadCommand(Context& ctx, Catalog& catalog) {
  const bool hasDrive = ctx.args.Has("--drive"), hasPath = ctx.args.Has("--path");
  if (hasDrive && hasPath) throw CliError("give at most one of --drive LETTER and --path FOLDER");
  for (const char* option : {"--name", "--category", "--location", "--detail", "--replace"})
    if (ctx.args.Has(option))
      throw CliError(std::string(option) + " does not go with --update (the media keeps its own)");
  const std::string name = ctx.args.Value("--update");
  MediaIdentity expect{text::Utf8ToCp932(name), {}, {}};
  int slot = -1;
  if (ctx.args.Has("--slot")) {
    slot = ParseInt(ctx.args.Value("--slot"), "slot");
    if (slot < 0 || slot >= kMaxMedia || !catalog.Slot(slot).IsLive())
      throw CliError("slot " + ctx.args.Value("--slot") + " holds no media");
  } else {
    std::vector<int> named;
    for (int s = 0; s < catalog.SlotsUsed(); ++s)
      if (catalog.Slot(s).IsLive() && catalog.Slot(s).Name() == StoredMediaName(expect.name))
        named.push_back(s);
    if (named.empty()) throw CliError("no media named \"" + name + "\"");
    if (named.size() > 1)
      throw CliError("several media are named \"" + name + "\"; choose one with --slot N");
    slot = named.front();
  }
  if (catalog.Slot(slot).Name() != StoredMediaName(expect.name))
    throw CliError("slot " + std::to_string(slot) + " holds \"" +
                   text::Cp932ToUtf8(catalog.Slot(slot).Name()) + "\", not \"" + name +
                   "\"; nothing was changed");
  // The reading the user saw is the one replaced.
  expect.readDate = catalog.Slot(slot).Root().FileDate();
  expect.recordCount = catalog.Slot(slot).Count();

  Settings settings;
  Drives drives(settings);
  std::string drive, folder;
  if (hasDrive) {
    const char letter = LetterArg(ctx.args.Value("--drive"));
    if (drives.FolderOf(letter).empty())
      throw CliError(std::string(1, letter) + ": is not a drive (see 'plomix2-cli drives')");
    drive = std::string(1, letter);
  }
  if (hasPath) folder = ctx.args.Value("--path");
  Scanner scanner;
  FlagPrompter prompter(false);
  ReadWorkflow workflow(catalog, settings, drives, scanner, prompter);
  if (ctx.args.Has("--fingerprint"))
    workflow.SetUpdateFingerprint(FingerprintModeFromName(ctx.args.Value("--fingerprint")));
  workflow.SetPersistChoices(false);
  workflow.SetReportUnreadable(false);
  switch (workflow.PrepareUpdate(slot, folder, drive)) {
    case UpdateSource::Ready:
      break;
    case UpdateSource::NoMedia:
      throw CliError("slot " + std::to_string(slot) + " holds no media");
    case UpdateSource::NoSource:
      throw CliError("\"" + name +
                     "\" has no recorded origin; give --drive LETTER or --path FOLDER");
    case UpdateSource::OriginMissing:
      throw CliError("\"" + name + "\" was read from " + workflow.UpdateSourceText() +
                     ", which is not a readable folder now; nothing was changed");
    case UpdateSource::NotReady:
      throw CliError(workflow.UpdateSourceText() + " is not ready; nothing was changed");
    case UpdateSource::OtherVolume:
      throw CliError(workflow.UpdateSourceText() + " holds another volume than \"" + name +
                     "\" was read from; nothing was changed");
  }
  workflow.SetBeforeStore([&] { BeforeMediaChange(ctx, catalog); });
  const bool terminal = isatty(STDERR_FILENO);
  ProgressLine progress(terminal);
  if (terminal || ctx.args.Has("--progress"))
    scanner.SetProgress(
        [&](int64_t stored, const std::string& where) { progress.Show(stored, where); });
  bool stored = false;
  int signal = 0;
  {
    StopSignals signals(scanner.CancelFlag());
    try {
      stored = workflow.UpdateMediaCommand(slot, expect);
    } catch (const MediaMismatch&) {
      progress.Clear();
      throw CliError("\"" + name +
                     "\" was changed by another program while it was read; nothing was changed");
    }
    progress.Clear();
    signal = gSignal;
  }
  if (!stored && (workflow.Cancelled() || signal != 0)) {
    ctx.err << "plomix2-cli read: cancelled; nothing was stored\n";
    return 128 + (signal != 0 ? signal : SIGINT);
  }
  if (!stored) {
    if (scanner.UnreadableCount() > 0)
      throw CliError(
          workflow.UpdateSourceText() + " could not be read whole; nothing was changed: " +
          (scanner.UnreadablePaths().empty() ? std::string() : scanner.UnreadablePaths().front()));
    throw CliError(workflow.UpdateSourceText() + " holds no entry; nothing was changed");
  }
  AfterMediaChange(ctx, catalog);
  const UpdateOutcome& outcome = *workflow.LastUpdate();
  const DiffReport& report = outcome.changes;
  const TMediaSlot& s = catalog.Slot(slot);
  if (ctx.json) {
    ctx.out << DiffReportJson(report, true) << '\n';
  } else {
    ctx.out << "updated slot " << slot << " \"" << text::Cp932ToUtf8(s.Name()) << "\" from "
            << workflow.UpdateSourceText() << ": " << MediaFolderCount(catalog, slot)
            << " folders, " << s.Root().AllFiles() << " files, " << FormatNumber(s.Root().Size())
            << " Byte\n";
  }
  ReportUpdate(ctx, outcome);
  return 0;
}

int ReadCommand(Context& ctx) {
  std::optional<FingerprintMode> fingerprint;
  if (ctx.args.Has("--fingerprint")) {
    fingerprint = FingerprintModeFromName(ctx.args.Value("--fingerprint"));
    if (!fingerprint) throw CliError("--fingerprint takes quick or full");
  }
  Catalog catalog;
  OpenCatalogOrThrow(catalog, ctx.args.Positional(0, "CATALOG"));
  if (ctx.args.Has("--update")) return UpdateReadCommand(ctx, catalog);
  if (ctx.args.Has("--slot")) throw CliError("--slot goes with --update");
  const bool hasDrive = ctx.args.Has("--drive"), hasPath = ctx.args.Has("--path");
  if (hasDrive == hasPath) throw CliError("give exactly one of --drive LETTER and --path FOLDER");
  Settings settings;
  Drives drives(settings);
  const std::string category = FilingText(ctx, "--category", TMediaSlot::kCategoryCap);
  const std::string location = FilingText(ctx, "--location", TMediaSlot::kLocationCap);
  const std::string detail = FilingText(ctx, "--detail", TMediaSlot::kLocationDetailCap);
  const char letter = hasDrive ? LetterArg(ctx.args.Value("--drive")) : 0;
  const std::string path = hasPath ? ctx.args.Value("--path") : std::string();
  if (hasDrive && drives.FolderOf(letter).empty())
    throw CliError(std::string(1, letter) + ": is not a drive (see 'plomix2-cli drives')");
  if (hasPath && !drives.VolumeOfFolder(path)) throw CliError("\"" + path + "\" is not a folder");
  drives.RememberVolumeLetters();

  Scanner scanner;
  // Tests show what a media beyond the limit does without millions of files.
  if (const char* limit = std::getenv("PLOMIX_TEST_RECORD_LIMIT"))
    scanner.SetRecordLimit(std::clamp(std::atoi(limit), 2, kMaxRecords));
  FlagPrompter prompter(ctx.args.Has("--replace"));
  ReadWorkflow workflow(catalog, settings, drives, scanner, prompter);
  workflow.SetPersistChoices(false);
  workflow.SetReportUnreadable(false);
  workflow.SetBeforeStore([&] { BeforeMediaChange(ctx, catalog); });
  const bool terminal = isatty(STDERR_FILENO);
  ProgressLine progress(terminal);
  if (terminal || ctx.args.Has("--progress"))
    scanner.SetProgress(
        [&](int64_t stored, const std::string& folder) { progress.Show(stored, folder); });
  std::optional<StopSignals> signals;
  bool confirmed = false;
  std::string mediaName;
  std::string source = hasDrive ? std::string(1, letter) + ":" : path;
  const bool added = workflow.ReadMediaCommand([&](ReadWorkflow& w) {
    signals.emplace(scanner.CancelFlag());
    ReadForm form = w.InitialForm();
    form.volumeName = true;
    if (hasDrive) {
      w.FetchDriveVolume(form, true, std::string(1, letter));
    } else {
      w.FetchFolderSource(form, true, path);
      source = form.folder;
    }
    std::string label;
    if (hasDrive) {
      std::string serial, length;
      drives.ReadVolumeInfo(form.drive, label, serial, length);
    }
    form.name = ctx.args.Has("--name") ? text::Utf8ToCp932(ctx.args.Value("--name"))
                                       : DefaultMediaName(form, label, drives);
    form.category = category;
    form.location = location;
    form.locationDetail = detail;
    form.eject = ctx.args.Has("--eject");
    form.getVersion = ctx.args.Has("--versions");
    form.fingerprint = fingerprint;
    mediaName = form.name;
    confirmed = w.ConfirmRead(form, false);
    return confirmed;
  });
  progress.Clear();
  const int signal = gSignal;
  signals.reset();
  if (!added && (workflow.Cancelled() || signal != 0)) {
    ctx.err << "plomix2-cli read: cancelled; nothing was stored\n";
    return 128 + (signal != 0 ? signal : SIGINT);
  }
  if (!added) {
    if (!catalog.HasFreeSlot()) throw CliError("the catalogue holds the maximum number of media");
    if (!confirmed && prompter.ReplaceAsked())
      throw CliError("a media named \"" + text::Cp932ToUtf8(mediaName) +
                     "\" exists (add --replace to replace it)");
    if (!confirmed) throw CliError(source + " is not ready");
    if (scanner.UnreadableCount() > 0)
      throw CliError(
          source + " could not be read: " +
          (scanner.UnreadablePaths().empty() ? std::string() : scanner.UnreadablePaths().front()));
    throw CliError(source + " holds no entry");
  }
  const int slot = catalog.LastAddedSlot();
  AfterMediaChange(ctx, catalog);
  const TMediaSlot& s = catalog.Slot(slot);
  const TFileRec root = s.Root();
  const int64_t folders = MediaFolderCount(catalog, slot);
  const int64_t unreadable = scanner.UnreadableCount();
  if (ctx.json) {
    QJsonArray unreadablePaths;
    for (const std::string& p : scanner.UnreadablePaths())
      unreadablePaths.append(QString::fromStdString(p));
    PrintJson(ctx.out, QJsonObject{{"slot", slot},
                                   {"name", text::Cp932ToQString(s.Name())},
                                   {"drive", text::Cp932ToQString(s.Drive())},
                                   {"kind", text::Cp932ToQString(s.KindName())},
                                   {"files", root.AllFiles()},
                                   {"folders", static_cast<double>(folders)},
                                   {"size", root.Size()},
                                   {"allocated", root.Allocated()},
                                   {"records", s.Count()},
                                   {"overflow", scanner.ScanOverflow()},
                                   {"replaced", workflow.ReplaceSlot()},
                                   {"unreadable", static_cast<double>(unreadable)},
                                   {"unreadablePaths", unreadablePaths}});
  } else {
    ctx.out << "read " << source << " into slot " << slot << " \"" << text::Cp932ToUtf8(s.Name())
            << "\": " << folders << " folders, " << root.AllFiles() << " files, "
            << FormatNumber(root.Size()) << " Byte\n";
  }
  if (scanner.ScanOverflow())
    ctx.err << "plomix2-cli read: the media holds more than " << FormatNumber(kMaxRecords)
            << " entries; it was stored cut to " << FormatNumber(s.Count()) << " records\n";
  if (unreadable == 0) return scanner.ScanOverflow() ? kPartialReadStatus : 0;
  ctx.err << "plomix2-cli read: " << unreadable
          << (unreadable == 1 ? " folder or file" : " folders or files")
          << " could not be read (the media holds everything else):\n";
  for (const std::string& p : scanner.UnreadablePaths()) ctx.err << "  " << p << '\n';
  if (unreadable > static_cast<int64_t>(scanner.UnreadablePaths().size())) ctx.err << "  ...\n";
  return kPartialReadStatus;
}

// ---- Browsing a catalogued media ----

int LsCommand(Context& ctx) {
  Catalog catalog;
  OpenCatalogOrThrow(catalog, ctx.args.Positional(0, "CATALOG"));
  const int folder =
      ResolveOrThrow(catalog, ctx.args.Positional(1, "MEDIA"), PathEnd::Folder).Record();
  Settings settings;
  const std::string dateFormat = text::QStringToCp932(settings.GetString(REG_FormatUpdateDateTime));
  TypeNames types;
  QJsonArray array;
  std::vector<std::vector<std::string>> rows;
  ForEachChild(catalog, folder, [&](int32_t r) {
    const TFileRec& rec = catalog.LoadedRec(r);
    const std::string name = catalog.RecordName(r);
    const std::string shown = catalog.ShownRecordName(r);
    const bool isFolder = IsFolderKind(rec.Kind());
    const int count = isFolder ? rec.AllFiles() : 1;
    const std::string type = text::Cp932ToUtf8(types.TypeName(rec.Kind(), name));
    const std::string date = text::Cp932ToUtf8(FormatDateTime(dateFormat, rec.FileDate()));
    const std::string comment =
        rec.CommentNo() >= 0 ? text::Cp932ToUtf8(catalog.CommentText(rec.CommentNo())) : "";
    if (ctx.json) {
      array.append(QJsonObject{{"name", QString::fromStdString(shown)},
                               {"folder", isFolder},
                               {"count", count},
                               {"size", rec.Size()},
                               {"type", QString::fromStdString(type)},
                               {"date", IsoDateTime(rec.FileDate())},
                               {"dateText", QString::fromStdString(date)},
                               {"allocated", rec.Allocated()},
                               {"gap", rec.Allocated() - rec.Size()},
                               {"version", text::Cp932ToQString(rec.Version())},
                               {"comment", QString::fromStdString(comment)},
                               {"marked", rec.Mark() == 1}});
    } else {
      rows.push_back({shown, NumberCell(ctx, count), NumberCell(ctx, rec.Size()), type, date,
                      NumberCell(ctx, rec.Allocated()),
                      NumberCell(ctx, rec.Allocated() - rec.Size()),
                      text::Cp932ToUtf8(rec.Version()), comment});
    }
    return true;
  });
  if (ctx.json)
    PrintJson(ctx.out, array);
  else
    PrintTable(ctx, rows);
  return 0;
}

void TreeOf(Catalog& catalog, int folder, int depth, QJsonArray& array,
            std::vector<std::vector<std::string>>& rows, bool json) {
  ForEachChild(catalog, folder, [&](int32_t r) {
    const TFileRec& rec = catalog.LoadedRec(r);
    if (!IsFolderKind(rec.Kind())) return true;
    const std::string name = catalog.ShownRecordName(r);
    if (json)
      array.append(QJsonObject{{"depth", depth},
                               {"name", QString::fromStdString(name)},
                               {"files", rec.AllFiles()},
                               {"folders", static_cast<double>(LoadedFolderCount(catalog, r))},
                               {"size", rec.Size()}});
    else
      rows.push_back({std::string(static_cast<std::size_t>(depth) * 2, ' ') + name});
    TreeOf(catalog, r, depth + 1, array, rows, json);
    return true;
  });
}

int TreeCommand(Context& ctx) {
  Catalog catalog;
  OpenCatalogOrThrow(catalog, ctx.args.Positional(0, "CATALOG"));
  const int slot = MediaOrThrow(catalog, ctx.args.Positional(1, "MEDIA"));
  if (!catalog.LoadMedia(slot)) throw CatalogError(catalog.LastFailure());
  QJsonArray array;
  std::vector<std::vector<std::string>> rows{{text::Cp932ToUtf8(catalog.RecordName(0))}};
  if (ctx.json)
    array.append(QJsonObject{{"depth", 0},
                             {"name", text::Cp932ToQString(catalog.RecordName(0))},
                             {"files", catalog.LoadedRec(0).AllFiles()},
                             {"folders", static_cast<double>(LoadedFolderCount(catalog, 0))},
                             {"size", catalog.LoadedRec(0).Size()}});
  TreeOf(catalog, 0, 1, array, rows, ctx.json);
  if (ctx.json)
    PrintJson(ctx.out, array);
  else
    PrintRows(ctx.out, rows);
  return 0;
}

}  // namespace

void RegisterReadingCommands(CommandTable& table) {
  table.push_back(
      {"drives",
       "drives",
       "the drive letters: letter, kind, label, serial, cluster size, free space, "
       "mount point (new volumes get letters)",
       {},
       {},
       DrivesCommand,
       {"letter", "kindName", "label", "serial", "clusterSize", "freeSpace", "mountPoint"}});
  table.push_back(
      {"bind", "bind LETTER FOLDER", "bind a free drive letter to a folder", {}, {}, BindCommand});
  table.push_back(
      {"unbind", "unbind LETTER", "remove a drive letter's binding", {}, {}, UnbindCommand});
  table.push_back(
      {"read",
       "read CATALOG (--drive LETTER | --path FOLDER | --update MEDIA [--slot N]) [--name N] "
       "[--category C] [--location L] [--detail D] [--versions] [--eject] [--replace] "
       "[--progress] [--analyse] [--fingerprint quick|full]",
       "read a drive or any folder into the catalogue as a new media (name: the volume label or "
       "the folder's name); exit status 3 when some folders or files could not be read "
       "or the media holds more entries than one media can store, "
       "130/143 when stopped by Ctrl+C/SIGTERM (nothing stored); with --update the media is "
       "read again into its own slot (from where it was read unless a source is given), "
       "keeping its filing, picture and the comments and marks of entries still there, and the "
       "comments whose entry is gone are listed; --fingerprint keeps a content fingerprint of "
       "every file (quick: its size and first and last 64 KiB; full: all its bytes) for "
       "'dups --content' (an update in quick mode keeps the fingerprint of a file whose size "
       "and time stamp did not change; without --fingerprint it keeps those of such files "
       "and drops the others)",
       {"--drive", "--path", "--name", "--category", "--location", "--detail", "--update", "--slot",
        "--fingerprint"},
       {"--versions", "--eject", "--replace", "--progress", "--analyse"},
       ReadCommand});
  table.push_back(
      {"ls",
       "ls CATALOG MEDIA[\\FOLDER...] [--bytes]",
       "the entries of one folder: name, count, size, type, date, cluster size, gap, "
       "version, comment",
       {},
       {"--bytes"},
       LsCommand,
       {"name", "count", "size", "type", "date", "allocated", "gap", "version", "comment"}});
  table.push_back(
      {"tree", "tree CATALOG MEDIA", "the folders of a media, indented", {}, {}, TreeCommand});
}

}  // namespace plomix::cli
