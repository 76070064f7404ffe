#include "TestSupport.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "core/Text.h"

namespace plomix::test {

TempDir::TempDir() {
  if (!dir_.isValid()) throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(Path(), ignored);
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::uintmax_t FileSize(const std::string& path) {
  return std::filesystem::file_size(path);
}

QString TestConfigDir() {
  return qEnvironmentVariable("PLOMIX2_CONFIG_DIR");
}

void LimitAddressSpace(std::size_t extraBytes) {
  std::ifstream statm("/proc/self/statm");
  rlim_t pages = 0;
  statm >> pages;
  const rlim_t limit = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + extraBytes;
  const rlimit space{limit, limit};
  if (setrlimit(RLIMIT_AS, &space) != 0) std::abort();
}

std::string Sj(const char* utf8) {
  return text::Utf8ToCp932(utf8);
}

TRecord MakeEntry(int parent, int firstChild, int16_t kind, const std::string& name, double size,
                  int32_t date) {
  TRecord r;
  r.Parent = parent;
  r.FirstChild = firstChild;
  r.Kind = kind;
  r.Attr = kind == kKindFile ? kAttrArchive : kAttrDirectory;
  r.Name = name;
  r.Size = size;
  r.Allocated = size;
  r.FileDate = date;
  return r;
}

}  // namespace plomix::test
