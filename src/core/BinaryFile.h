#pragma once
// One open file for one catalogue operation: positioned reads and writes that
// handle short transfers and EINTR, an advisory lock (shared for reading,
// exclusive for writing) so that the window and the command-line tool can work
// on one catalogue, and errors that name the file.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace plomix {

// A read, write, seek or close of a catalogue file failed. what() names the
// file and the system's reason.
class CatalogError : public std::runtime_error {
 public:
  CatalogError(const std::string& path, const std::string& action, int err);
  explicit CatalogError(const std::string& message) : std::runtime_error(message) {}
};

class BinaryFile {
 public:
  enum class Mode {
    Read,       // existing file, shared lock
    ReadWrite,  // existing file, exclusive lock
    Create,     // created or emptied, exclusive lock
  };

  // Opens the file; throws CatalogError when it cannot be opened.
  BinaryFile(const std::string& path, Mode mode);
  // Opens for reading; returns an unopened object (IsOpen false) instead of
  // throwing, for the operations that fail quietly when the file is missing.
  static BinaryFile TryRead(const std::string& path);

  BinaryFile(BinaryFile&& other) noexcept;
  BinaryFile& operator=(BinaryFile&&) = delete;
  BinaryFile(const BinaryFile&) = delete;
  ~BinaryFile();

  bool IsOpen() const { return fd_ >= 0; }
  const std::string& Path() const { return path_; }

  // Reads exactly n bytes at offset; false on a short read (end of file),
  // throws on an I/O error.
  bool ReadAt(int64_t offset, void* buffer, std::size_t n);
  // Writes all n bytes at offset; throws on failure.
  void WriteAt(int64_t offset, const void* buffer, std::size_t n);
  int64_t Size();
  void Truncate(int64_t size);
  // Closes and reports a failed close as an error (writes may surface there).
  void Close();

 private:
  BinaryFile() = default;
  std::string path_;
  int fd_ = -1;
};

}  // namespace plomix
