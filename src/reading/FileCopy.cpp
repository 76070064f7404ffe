#include "reading/FileCopy.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <utility>

#include "core/Prompter.h"
#include "core/Text.h"
#include "reading/MediaPresence.h"

namespace plomix {

namespace {

namespace fs = std::filesystem;

enum class ItemKind { File, Folder, Link };

struct PlannedItem {
  ItemKind kind = ItemKind::File;
  std::string source;
  std::string target;
  std::string root;  // the source's CopySource::root
  struct stat info {};
  bool top = false;  // a selected item (asked about), not something inside a folder
};

QString ErrnoText(int error) {
  if (error == ENOSPC || error == EDQUOT)
    return QStringLiteral("ディスクの空き容量が不足しています");
  if (error == EROFS) return QStringLiteral("書込み禁止のディスクです");
  if (error == EACCES || error == EPERM) return QStringLiteral("アクセスが拒否されました");
  if (error == EXDEV) return QStringLiteral("メディアの外を指しています");
  return QString::fromLocal8Bit(std::strerror(error));
}

QString Failure(const char* what, const std::string& path, int error) {
  return QString::fromUtf8(what) + QStringLiteral("\r") + text::Utf8ToQString(path) +
         QStringLiteral("\r\r") + ErrnoText(error);
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + '/' + name;
}

std::string BaseName(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const std::size_t cut = path.rfind('/');
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

constexpr size_t kFirstStep = 4u << 20;
constexpr size_t kMinStep = 1u << 20;
constexpr size_t kMaxStep = 128u << 20;
constexpr size_t kBufferBytes = 1u << 20;
constexpr double kStepSeconds = 0.05;

// The next step's size: what the last one's speed moves in about 50 ms.
size_t NextStep(size_t step, ssize_t moved, std::chrono::steady_clock::time_point started) {
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (moved < static_cast<ssize_t>(step) || seconds <= 0) return step;
  const double wanted = static_cast<double>(moved) * kStepSeconds / seconds;
  const auto bytes = static_cast<size_t>(
      std::clamp(wanted, static_cast<double>(kMinStep), static_cast<double>(kMaxStep)));
  return bytes / kMinStep * kMinStep;  // whole pages: the kernel copies them fastest
}

class Copier {
 public:
  Copier(Prompter& prompter, CopyObserver& observer, const CopyHooks& hooks)
      : prompter_(prompter), observer_(observer), hooks_(hooks) {}

  CopyReport Run(const std::vector<CopySource>& sources, const std::string& targetFolder) {
    struct stat folderInfo {};
    if (::stat(targetFolder.c_str(), &folderInfo) != 0 || !S_ISDIR(folderInfo.st_mode))
      return Fail(Failure("コピー先のフォルダがありません", targetFolder, ENOENT));
    // Everything is looked at before anything is written: a source deleted
    // since it was catalogued stops the copy with nothing written.
    for (const CopySource& source : sources) {
      const std::string name =
          source.targetName.empty() ? BaseName(source.path) : source.targetName;
      if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
        return Fail(Failure("コピー先のファイル名が正しくありません", name, EINVAL));
      if (!source.root.empty() && !LiesBeneath(source.root, source.path))
        return Fail(Failure("コピー元のファイルを読めません", source.path, EXDEV));
      if (!Plan(source.path, Join(targetFolder, name), source.root, true)) return report_;
    }
    for (const PlannedItem& item : plan_)
      if (item.kind == ItemKind::Folder && Inside(targetFolder, item.source))
        return Fail(
            Failure("フォルダをそれ自身の中にコピーすることはできません", item.source, EINVAL));
    if (!Tick({})) return Cancel();
    std::vector<std::size_t> openFolders;  // folders whose times are set when done
    for (std::size_t i = 0; i < plan_.size(); ++i) {
      const PlannedItem& item = plan_[i];
      bool write = true;
      if ((item.top || item.kind != ItemKind::Folder) && Exists(item.target)) {
        const PromptResult answer = prompter_.Message(
            ReplaceQuestionText(item.target), PromptIcon::Warning, PromptButtons::YesNoCancel);
        if (answer == PromptResult::Cancel) return Cancel();
        write = answer == PromptResult::Yes;
      }
      if (!write) {
        ++report_.skipped;
        i = SkipChildren(i);
        continue;
      }
      bool ok = false;
      switch (item.kind) {
        case ItemKind::File:
          ok = CopyFile(item);
          break;
        case ItemKind::Link:
          ok = CopyLink(item);
          break;
        case ItemKind::Folder:
          ok = MakeFolder(item);
          if (ok) openFolders.push_back(i);
          break;
      }
      if (!ok) return report_;
      ++report_.copied;
    }
    // Folder times last: writing into a folder changes them.
    for (auto it = openFolders.rbegin(); it != openFolders.rend(); ++it) {
      const PlannedItem& folder = plan_[*it];
      const timespec times[2] = {folder.info.st_atim, folder.info.st_mtim};
      ::utimensat(AT_FDCWD, folder.target.c_str(), times, 0);
    }
    report_.status = CopyStatus::Done;
    return report_;
  }

 private:
  bool Plan(const std::string& source, const std::string& target, const std::string& root,
            bool top) {
    PlannedItem item;
    item.source = source;
    item.target = target;
    item.root = root;
    item.top = top;
    if (::lstat(source.c_str(), &item.info) != 0) {
      const int error = errno;
      Fail(Failure(
          error == ENOENT ? "コピー元のファイルが見つかりません" : "コピー元のファイルを読めません",
          source, error));
      return false;
    }
    if (S_ISLNK(item.info.st_mode)) {
      item.kind = ItemKind::Link;
    } else if (S_ISDIR(item.info.st_mode)) {
      item.kind = ItemKind::Folder;
    } else if (S_ISREG(item.info.st_mode)) {
      item.kind = ItemKind::File;
      totalBytes_ += static_cast<uint64_t>(item.info.st_size);
    } else {
      return true;  // devices, pipes and sockets hold no file to copy
    }
    ++totalFiles_;
    plan_.push_back(item);
    if (item.kind != ItemKind::Folder) return true;
    std::error_code error;
    std::vector<std::string> names;
    for (fs::directory_iterator it(source, error), end; !error && it != end; it.increment(error))
      names.push_back(it->path().filename().string());
    if (error) {
      Fail(Failure("コピー元のフォルダを読めません", source, error.value()));
      return false;
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
      if (!Plan(Join(source, name), Join(target, name), root, false)) return false;
    return true;
  }

  static bool Inside(const std::string& folder, const std::string& maybeParent) {
    std::error_code error;
    const fs::path a = fs::weakly_canonical(folder, error);
    const fs::path b = fs::weakly_canonical(maybeParent, error);
    if (error) return false;
    auto ai = a.begin();
    for (auto bi = b.begin(); bi != b.end(); ++bi, ++ai)
      if (ai == a.end() || *ai != *bi) return false;
    return true;
  }

  static bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
  }

  std::size_t SkipChildren(std::size_t index) const {
    const std::string prefix = plan_[index].source + '/';
    std::size_t last = index;
    while (last + 1 < plan_.size() && plan_[last + 1].source.compare(0, prefix.size(), prefix) == 0)
      ++last;
    return last;
  }

  bool Tick(const std::string& path) {
    return observer_.Progress(report_.bytes, totalBytes_, report_.copied, totalFiles_, path);
  }

  CopyReport Fail(QString message) {
    report_.status = CopyStatus::Failed;
    report_.message = std::move(message);
    return report_;
  }
  CopyReport Cancel() {
    report_.status = CopyStatus::Cancelled;
    return report_;
  }

  bool MakeFolder(const PlannedItem& item) {
    if (::mkdir(item.target.c_str(), 0700) != 0) {
      const int error = errno;
      struct stat info {};
      if (error != EEXIST || ::stat(item.target.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        Fail(Failure("フォルダを作成できません", item.target, error == EEXIST ? ENOTDIR : error));
        return false;
      }
    }
    ::chmod(item.target.c_str(), item.info.st_mode & 07777);
    return Tick(item.source) || (Cancel(), false);
  }

  // A temporary name beside the target, in the same folder so that the final
  // rename never crosses a file system.
  static std::string TempTemplate(const std::string& target) {
    const std::size_t cut = target.rfind('/');
    const std::string folder = cut == std::string::npos ? std::string(".") : target.substr(0, cut);
    const std::string name = cut == std::string::npos ? target : target.substr(cut + 1);
    return folder + "/." + name.substr(0, 200) + ".plomix-part-XXXXXX";
  }

  bool CopyLink(const PlannedItem& item) {
    std::string value(static_cast<std::size_t>(item.info.st_size) + 256, '\0');
    const ssize_t length = ::readlink(item.source.c_str(), value.data(), value.size());
    if (length < 0) {
      Fail(Failure("コピー元のファイルを読めません", item.source, errno));
      return false;
    }
    value.resize(static_cast<std::size_t>(length));
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string temp = TempTemplate(item.target);
      temp.replace(temp.size() - 6, 6, std::to_string(::getpid() % 100000 * 100 + attempt));
      if (::symlink(value.c_str(), temp.c_str()) == 0) {
        if (::rename(temp.c_str(), item.target.c_str()) == 0)
          return Tick(item.source) || (Cancel(), false);
        const int error = errno;
        ::unlink(temp.c_str());
        Fail(Failure("ファイルを書き込めません", item.target, error));
        return false;
      }
      if (errno != EEXIST) break;
    }
    Fail(Failure("ファイルを書き込めません", item.target, errno));
    return false;
  }

  // Moves the data; 0 on success, else an errno (ECANCELED for a cancel).
  int MoveData(int in, int out, const PlannedItem& item) {
    uint64_t left = static_cast<uint64_t>(item.info.st_size);
    bool kernel = !hooks_.write;
    std::vector<char> buffer;
    size_t step = hooks_.chunkBytes != 0 ? hooks_.chunkBytes : kFirstStep;
    while (true) {
      ssize_t moved = 0;
      const auto started = std::chrono::steady_clock::now();
      if (kernel) {
        moved = ::copy_file_range(in, nullptr, out, nullptr, step, 0);
        if (moved < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                          errno == EOPNOTSUPP || errno == EBADF)) {
          kernel = false;
          continue;
        }
        if (moved < 0 && errno == EINTR) continue;
        if (moved < 0) return errno;
      } else {
        if (buffer.empty()) buffer.resize(std::min<size_t>(step, kBufferBytes));
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return errno;
        for (ssize_t done = 0; done < got;) {
          const ssize_t put = hooks_.write ? hooks_.write(out, buffer.data() + done, got - done)
                                           : ::write(out, buffer.data() + done, got - done);
          if (put < 0 && errno == EINTR) continue;
          if (put < 0) return errno;
          if (put == 0) return EIO;
          done += put;
        }
        moved = got;
      }
      if (moved == 0) break;
      if (kernel && hooks_.chunkBytes == 0) step = NextStep(step, moved, started);
      report_.bytes += static_cast<uint64_t>(moved);
      left -= std::min<uint64_t>(left, static_cast<uint64_t>(moved));
      if (!Tick(item.source)) return ECANCELED;
    }
    (void)left;  // a file that grew or shrank since the plan is copied as it is now
    return 0;
  }

  // Opens a source file for reading. Beneath a root the path is resolved by
  // the kernel without leaving the root (openat2 with RESOLVE_BENEATH). A
  // kernel without openat2, and an absolute link, which RESOLVE_BENEATH
  // refuses even when it leads to a folder of the media, get the resolved
  // folder compared with the resolved root instead.
  static int OpenSource(const PlannedItem& item) {
    constexpr int kFlags = O_RDONLY | O_CLOEXEC;
    if (item.root.empty()) return ::open(item.source.c_str(), kFlags);
    const std::string prefix = item.root.back() == '/' ? item.root : item.root + '/';
    if (item.source.compare(0, prefix.size(), prefix) != 0) {
      errno = EXDEV;
      return -1;
    }
    const std::string inner = item.source.substr(prefix.size());
    const int base = ::open(item.root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (base < 0) return -1;
    open_how how{};
    how.flags = kFlags;
    how.resolve = RESOLVE_BENEATH;
    int in = static_cast<int>(::syscall(SYS_openat2, base, inner.c_str(), &how, sizeof how));
    if (in < 0 && (errno == ENOSYS || errno == EXDEV)) {
      if (LiesBeneath(item.root, item.source)) {
        in = ::openat(base, inner.c_str(), kFlags);
      } else {
        errno = EXDEV;
      }
    }
    const int error = errno;
    ::close(base);
    errno = error;
    return in;
  }

  bool CopyFile(const PlannedItem& item) {
    const int in = OpenSource(item);
    if (in < 0) {
      const int error = errno;
      Fail(Failure(
          error == ENOENT ? "コピー元のファイルが見つかりません" : "コピー元のファイルを読めません",
          item.source, error));
      return false;
    }
    std::string temp = TempTemplate(item.target);
    const int out = ::mkostemp(temp.data(), O_CLOEXEC);
    if (out < 0) {
      const int error = errno;
      ::close(in);
      Fail(Failure("ファイルを書き込めません", item.target, error));
      return false;
    }
    // Read-ahead as for any sequential reader: a slow disc or stick keeps up.
    ::posix_fadvise(in, 0, 0, POSIX_FADV_SEQUENTIAL);
    const uint64_t bytesBefore = report_.bytes;
    int error = MoveData(in, out, item);
    if (error == 0) {
      ::fchmod(out, item.info.st_mode & 07777);
      const timespec times[2] = {item.info.st_atim, item.info.st_mtim};
      if (::futimens(out, times) != 0) error = errno;
    }
    if (::close(out) != 0 && error == 0) error = errno;
    ::close(in);
    if (error == 0 && ::rename(temp.c_str(), item.target.c_str()) != 0) error = errno;
    if (error != 0) {
      ::unlink(temp.c_str());
      report_.bytes = bytesBefore;
      if (error == ECANCELED) {
        Cancel();
      } else {
        Fail(Failure("ファイルをコピーできません", item.target, error));
      }
      return false;
    }
    return true;
  }

  Prompter& prompter_;
  CopyObserver& observer_;
  const CopyHooks& hooks_;
  std::vector<PlannedItem> plan_;
  uint64_t totalBytes_ = 0;
  int totalFiles_ = 0;
  CopyReport report_;
};

}  // namespace

QString ReplaceQuestionText(const std::string& targetPath) {
  return QStringLiteral("コピー先に同じ名前のファイルがあります。\r") +
         text::Utf8ToQString(targetPath) +
         QStringLiteral(
             "\r\r置き換えますか？\r\r[はい]　：置き換える\r[いいえ]：コピーしない"
             "\r[キャンセル]：処理中止");
}

CopyReport CopyFiles(const std::vector<CopySource>& sources, const std::string& targetFolder,
                     Prompter& prompter, CopyObserver& observer, const CopyHooks& hooks) {
  return Copier(prompter, observer, hooks).Run(sources, targetFolder);
}

}  // namespace plomix
