#pragma once
// Helpers shared by the test programs.

#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/Records.h"

namespace plomix::test {

// A fresh folder removed at the end of the test.
class TempDir {
 public:
  TempDir();
  // Removed by native names: QTemporaryDir cannot name files whose names are
  // no UTF-8, and would leave them behind.
  ~TempDir();
  std::filesystem::path Path() const { return std::filesystem::path(dir_.path().toStdString()); }
  std::string File(const std::string& name) const { return (Path() / name).string(); }

 private:
  QTemporaryDir dir_;
};

std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::uintmax_t FileSize(const std::string& path);

// The settings folder every test program runs with (set before main's tests).
QString TestConfigDir();

// For a test that runs in a child process of its own (a death test): limits
// the process's address space to what it uses now plus `extraBytes`, so that
// an allocation sized by damaged data fails there instead of passing unseen.
// The address sanitizer reserves its shadow memory up front, so such tests
// are left out of sanitizer builds (kCanLimitAddressSpace is false there).
void LimitAddressSpace(std::size_t extraBytes);
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kCanLimitAddressSpace = false;
#else
inline constexpr bool kCanLimitAddressSpace = true;
#endif

// UTF-8 literal -> CP932 bytes (tests write Japanese in UTF-8 source).
std::string Sj(const char* utf8);

// A record of a media built in a test: a folder (attribute directory) or a
// file (archive), allocation equal to its size.
TRecord MakeEntry(int parent, int firstChild, int16_t kind, const std::string& name, double size,
                  int32_t date = 0);

}  // namespace plomix::test
