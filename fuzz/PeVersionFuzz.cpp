// The PE version parser on a file of fuzzed bytes (held in memory, read
// through its descriptor as the scanner does). Besides any crash or sanitizer
// report, it fails when the answer is neither empty nor four numbers.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <regex>
#include <string>

#include "reading/PeVersion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const std::regex kVersion("[0-9]{1,5}\\.[0-9]{1,5}\\.[0-9]{1,5}\\.[0-9]{1,5}");
  const int fd = memfd_create("pe", 0);
  if (fd < 0) std::abort();
  for (std::size_t done = 0; done < size;) {
    const ssize_t n = write(fd, data + done, size - done);
    if (n <= 0) std::abort();
    done += static_cast<std::size_t>(n);
  }
  const std::string version = plomix::PeVersionOfFd(fd);
  close(fd);
  if (!version.empty() && !std::regex_match(version, kVersion)) std::abort();
  return 0;
}
