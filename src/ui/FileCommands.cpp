#include "ui/FileCommands.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressDialog>

#include "core/BusyScope.h"
#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Prompter.h"
#include "core/Text.h"
#include "reading/FileCopy.h"
#include "reading/MediaPresence.h"
#include "ui/DesktopShell.h"
#include "ui/PxExplorer.h"

namespace plomix {

namespace {

// The presence check's way to the desktop: opening goes to the shell, a
// change of drive to the explorer dialog, whose outcome is kept.
class WindowDesktop : public DesktopActions {
 public:
  WindowDesktop(Catalog& catalog, Drives& drives, Settings& settings, Prompter& prompter,
                DesktopShell& shell, QWidget* parent)
      : catalog_(catalog),
        drives_(drives),
        settings_(settings),
        prompter_(prompter),
        shell_(shell),
        parent_(parent) {}

  bool OpenFile(const std::string& nativePath) override {
    return OpenOnDisk(shell_, prompter_, QString::fromStdString(nativePath), false);
  }
  void OpenExplorer(int32_t key, EntryAction action) override {
    TfrmPxExplorer dialog(catalog_, drives_, settings_, prompter_, shell_, key, action, parent_);
    dialog.exec();
    ready = dialog.Ready();
    letter = dialog.ChosenLetter();
  }

  bool ready = false;
  char letter = 0;

 private:
  Catalog& catalog_;
  Drives& drives_;
  Settings& settings_;
  Prompter& prompter_;
  DesktopShell& shell_;
  QWidget* parent_;
};

// Progress of a copy in a dialog; the copy runs between window messages so
// that the dialog's button stops it within a chunk.
class ProgressWindow : public CopyObserver {
 public:
  explicit ProgressWindow(QWidget* parent)
      : dialog_(QStringLiteral("コピーしています..."), QStringLiteral("キャンセル"), 0, 1000,
                parent) {
    dialog_.setWindowTitle(QStringLiteral("ファイルのコピー"));
    dialog_.setWindowModality(Qt::WindowModal);
    dialog_.setMinimumDuration(400);
    dialog_.setAutoClose(false);
    dialog_.setAutoReset(false);
    clock_.start();
  }
  bool Progress(uint64_t doneBytes, uint64_t totalBytes, int doneFiles, int totalFiles,
                const std::string& currentPath) override {
    if (clock_.elapsed() >= 50 || doneBytes == 0) {
      clock_.restart();
      dialog_.setValue(totalBytes == 0 ? 0 : static_cast<int>(doneBytes * 1000 / totalBytes));
      dialog_.setLabelText(QStringLiteral("%1 / %2\n%3")
                               .arg(doneFiles)
                               .arg(totalFiles)
                               .arg(QString::fromStdString(currentPath)));
      QApplication::processEvents();
    }
    return !dialog_.wasCanceled();
  }

 private:
  QProgressDialog dialog_;
  QElapsedTimer clock_;
};

std::string BaseName(const std::string& path) {
  const std::size_t cut = path.rfind('/');
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// The refusals before explorer and copy; true when the command may go on.
bool PreCheck(Prompter& prompter, const std::vector<int32_t>& keys, bool mediaRows, bool explorer) {
  if (keys.empty()) {
    prompter.Message(QStringLiteral("対象のファイル（フォルダ）が不明です。"), PromptIcon::Error,
                     PromptButtons::Ok);
    return false;
  }
  if (mediaRows) {
    prompter.Message(explorer ? QStringLiteral("メディア指定ではエクスプローラ起動できません")
                              : QStringLiteral("メディア指定ではファイルコピーはできません"),
                     PromptIcon::Error, PromptButtons::Ok);
    return false;
  }
  return true;
}

}  // namespace

FileCommands::FileCommands(Catalog& catalog, Drives& drives, Settings& settings, Prompter& prompter,
                           QWidget* dialogParent)
    : QObject(dialogParent),
      catalog_(catalog),
      drives_(drives),
      settings_(settings),
      prompter_(prompter),
      parent_(dialogParent),
      ownShell_(std::make_unique<DesktopShell>()),
      shell_(ownShell_.get()) {}

FileCommands::~FileCommands() = default;

void FileCommands::OpenFile(int32_t key) {
  WindowDesktop desktop(catalog_, drives_, settings_, prompter_, *shell_, parent_);
  CheckMediaPresence(EntryAction::Open, key, catalog_, drives_, prompter_, desktop);
}

void FileCommands::Explore(const std::vector<int32_t>& keys, bool mediaRows) {
  if (!PreCheck(prompter_, keys, mediaRows, true)) return;
  TfrmPxExplorer dialog(catalog_, drives_, settings_, prompter_, *shell_, keys.front(),
                        EntryAction::Show, parent_);
  dialog.exec();
}

void FileCommands::Copy(const std::vector<int32_t>& keys, bool mediaRows) {
  if (!PreCheck(prompter_, keys, mediaRows, false)) return;
  WindowDesktop desktop(catalog_, drives_, settings_, prompter_, *shell_, parent_);
  const PresenceOutcome outcome =
      CheckMediaPresence(EntryAction::Copy, keys.front(), catalog_, drives_, prompter_, desktop);
  const bool ready = outcome == PresenceOutcome::Present ||
                     (outcome == PresenceOutcome::ExplorerOpened && desktop.ready);
  if (!ready) return;
  // The drive the media was found in: the recorded one, or the one chosen in
  // the dialog (which may have been left unrecorded).
  char letter = 0;
  if (outcome == PresenceOutcome::ExplorerOpened) letter = desktop.letter;
  std::vector<CopySource> sources;
  for (const int32_t key : keys) {
    const EntryPath where = letter ? LocateEntryOn(catalog_, drives_, key, letter)
                                   : LocateEntry(catalog_, drives_, key);
    if (!where.refusal.empty()) {
      prompter_.Message(text::Utf8ToQString(where.refusal), PromptIcon::Error, PromptButtons::Ok);
      return;
    }
    if (where.path.empty()) {
      prompter_.Message(QStringLiteral("コピー元のファイルが不明です。"), PromptIcon::Error,
                        PromptButtons::Ok);
      return;
    }
    sources.push_back({where.path, "", where.root});
  }
  // Asked only once every source is known to lie on its media.
  const QString folder =
      prompter_.ChooseFolder(QStringLiteral("フォルダを指定してください"), lastCopyFolder_);
  if (folder.isEmpty()) return;
  lastCopyFolder_ = folder;
  // One file may be copied under another name; several keep their own.
  if (sources.size() == 1) {
    // The name offered is the file's own: kept unchanged, its native bytes
    // are kept too, even those that are no UTF-8.
    const std::string nativeName = BaseName(sources.front().path);
    const QString proposed = text::NativeNameToQString(nativeName);
    const std::optional<QString> answer = prompter_.InputText(
        QStringLiteral("ファイル名変更"), QStringLiteral("コピー先のファイル名を入力"), proposed);
    sources.front().targetName = answer && !answer->isEmpty() && *answer != proposed
                                     ? text::ShownNameToNative(answer->toStdString())
                                     : nativeName;
  }
  const BusyScope busy = markBusy_ ? markBusy_() : BusyScope();
  ProgressWindow progress(parent_);
  const CopyReport report = CopyFiles(sources, folder.toStdString(), prompter_, progress);
  if (report.status == CopyStatus::Failed)
    prompter_.Message(report.message, PromptIcon::Error, PromptButtons::Ok);
  else
    prompter_.Message(CopyFinishedText(report), PromptIcon::Information, PromptButtons::Ok);
}

QString CopyFinishedText(const CopyReport& report) {
  QString text = report.status == CopyStatus::Cancelled ? QStringLiteral("コピーを中止しました")
                                                        : QStringLiteral("コピーが終了しました");
  text += QStringLiteral("\r\rコピーしたファイル・フォルダ：%1 個（%2 バイト）")
              .arg(text::Utf8ToQString(FormatNumber(report.copied)),
                   text::Utf8ToQString(FormatNumber(static_cast<double>(report.bytes))));
  if (report.skipped > 0)
    text += QStringLiteral("\r置き換えなかったファイル：%1 個")
                .arg(text::Utf8ToQString(FormatNumber(report.skipped)));
  return text;
}

}  // namespace plomix
