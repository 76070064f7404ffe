#pragma once
// Copies catalogued files and folders out of a mounted media into a folder of
// the user's choice. A file is written under a hidden temporary name beside
// its target and renamed into place only when every byte and its times are
// there, so a failed, cancelled or interrupted copy never leaves a partial
// file under the target name. An existing target is replaced only after the
// Prompter's question, and then atomically by the rename.
//
// The data moves with copy_file_range (in-kernel, reflinks where the file
// system has them) and falls back to read/write where the kernel refuses it
// (another file system on older kernels, special file systems). Progress is
// reported between chunks; the observer cancels by returning false.

#include <sys/types.h>

#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace plomix {

class Prompter;

struct CopySource {
  std::string path;        // native path of a file, folder or symbolic link
  std::string targetName;  // name in the target folder; "" keeps the source's name
  // The folder the source must lie beneath (its media's root), "" for none.
  // The source's folder must resolve below it before anything is written,
  // and each file is opened so that no link leads out of it on the way.
  std::string root;
};

class CopyObserver {
 public:
  virtual ~CopyObserver() = default;
  // Between chunks and files; false stops the copy at once.
  virtual bool Progress(uint64_t doneBytes, uint64_t totalBytes, int doneFiles, int totalFiles,
                        const std::string& currentPath) = 0;
};

// Ways for tests to make the target fail without a real broken disk.
struct CopyHooks {
  // Stands in for write(2) on the target; also disables copy_file_range so
  // that every byte passes through it.
  std::function<ssize_t(int fd, const void* data, size_t size)> write;
  // Bytes of one step (progress and cancel are checked between steps); 0
  // sizes the steps to about 50 ms each from the speed seen so far, so that
  // a cancel acts quickly on a slow stick and a fast disk is not slowed down
  // by tiny steps.
  size_t chunkBytes = 0;
};

enum class CopyStatus { Done, Cancelled, Failed };

struct CopyReport {
  CopyStatus status = CopyStatus::Done;
  int copied = 0;   // files, links and folders written
  int skipped = 0;  // existing targets the user kept
  uint64_t bytes = 0;
  QString message;  // for Failed: what went wrong, naming the file
};

// The replace question for an existing target (UTF-8 path).
QString ReplaceQuestionText(const std::string& targetPath);

CopyReport CopyFiles(const std::vector<CopySource>& sources, const std::string& targetFolder,
                     Prompter& prompter, CopyObserver& observer, const CopyHooks& hooks = {});

}  // namespace plomix
