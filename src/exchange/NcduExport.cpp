#include "exchange/NcduExport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>
#include <vector>

#include "browse/FolderChildren.h"
#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Text.h"
#include "plomix/Version.h"

namespace plomix::exchange {

namespace {

constexpr std::size_t kFlushAt = 1 << 20;

class Writer {
 public:
  Writer(int fd, const std::string& name) : fd_(fd), name_(name) { buffer_.reserve(kFlushAt * 2); }
  void Put(std::string_view text) {
    buffer_.append(text);
    if (buffer_.size() >= kFlushAt) Flush();
  }
  void Number(int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    buffer_.append(digits, static_cast<std::size_t>(end - digits));
  }
  // A JSON string of the name's bytes: quote, backslash and control
  // characters escaped, every other byte as it is.
  void String(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    buffer_.push_back('"');
    for (const char ch : bytes) {
      const auto c = static_cast<unsigned char>(ch);
      if (c == '"' || c == '\\') {
        buffer_.push_back('\\');
        buffer_.push_back(ch);
      } else if (c < 0x20) {
        buffer_.append("\\u00");
        buffer_.push_back(kHex[c >> 4]);
        buffer_.push_back(kHex[c & 15]);
      } else {
        buffer_.push_back(ch);
      }
    }
    buffer_.push_back('"');
  }
  void Flush() {
    std::size_t done = 0;
    while (done < buffer_.size()) {
      const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw ExchangeError("cannot write " + name_ + ": " + std::strerror(errno));
      done += static_cast<std::size_t>(n);
    }
    buffer_.clear();
  }

 private:
  int fd_;
  std::string name_;
  std::string buffer_;
};

int64_t Whole(double value) {
  return value <= 0 ? 0 : static_cast<int64_t>(std::llround(value));
}

}  // namespace

void ExportNcdu(Catalog& catalog, int slot, int32_t record, int fd, const std::string& outName) {
  if (!catalog.LoadMedia(slot))
    throw ExchangeError("cannot load the media: " + catalog.LastError());
  if (record < 0 || record >= catalog.LoadedCount() ||
      (record > 0 && !IsFolderKind(catalog.LoadedRec(record).Kind())))
    throw ExchangeError("only a media or a folder can be exported");
  const int32_t cluster = catalog.Slot(slot).Info().ClusterSize;
  Writer out(fd, outName);
  out.Put("[1,2,{\"progname\":\"plomix2\",\"progver\":\"" PLOMIX_VERSION_TEXT "\",\"timestamp\":");
  out.Number(static_cast<int64_t>(std::time(nullptr)));
  out.Put("},\n");
  const auto entry = [&](int32_t r) {
    const TFileRec& rec = catalog.LoadedRec(r);
    const bool folder = r == 0 || IsFolderKind(rec.Kind());
    out.Put("{\"name\":");
    if (r == 0) {
      out.String(text::Cp932ToUtf8(catalog.Slot(slot).Name()));
    } else {
      const std::string_view exact = catalog.ExactName(r);
      out.String(exact.empty() ? text::Cp932ToUtf8(catalog.RecordName(r)) : std::string(exact));
    }
    if (!folder) {
      out.Put(",\"asize\":");
      out.Number(Whole(rec.Size()));
      out.Put(",\"dsize\":");
      out.Number(Whole(rec.Allocated()));
    } else if (cluster > 0) {
      out.Put(",\"dsize\":");
      out.Number(cluster);
    }
    if (rec.FileDate() != 0) {
      const int64_t mtime = UnixFromDosDateTime(rec.FileDate());
      if (mtime >= 0) {
        out.Put(",\"mtime\":");
        out.Number(mtime);
      }
    }
    // The mode carries the attributes back: read-only, regular file, device
    // or pipe (system), anything else (a link).
    const int16_t attr = rec.Attr();
    unsigned mode = folder                  ? (S_IFDIR | 0755)
                    : (attr & kAttrArchive) ? (S_IFREG | 0644)
                    : (attr & kAttrSystem)  ? (S_IFIFO | 0644)
                                            : (S_IFLNK | 0777);
    if (r > 0 && (attr & kAttrReadOnly)) mode &= ~0222u;
    out.Put(",\"mode\":");
    out.Number(mode);
    if (!folder && !(attr & kAttrArchive)) out.Put(",\"notreg\":true");
    out.Put("}");
  };
  // Depth first with a stack of its own: a deep tree never deepens the call stack.
  struct Frame {
    int32_t folder, next;
  };
  std::vector<Frame> stack;
  out.Put("[");
  entry(record);
  stack.push_back({record, catalog.LoadedRec(record).FirstChild()});
  while (!stack.empty()) {
    Frame& top = stack.back();
    const int32_t r = top.next;
    if (!InChildRun(catalog, r, top.folder)) {
      out.Put("]");
      stack.pop_back();
      continue;
    }
    ++top.next;
    out.Put(",\n");
    if (IsFolderKind(catalog.LoadedRec(r).Kind())) {
      out.Put("[");
      entry(r);
      stack.push_back({r, catalog.LoadedRec(r).FirstChild()});
    } else {
      entry(r);
    }
  }
  out.Put("]\n");
  out.Flush();
}

void ExportNcduToFile(Catalog& catalog, int slot, int32_t record, const std::string& path) {
  const std::string temporary = path + ".part";
  const int fd =
      ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) throw ExchangeError("cannot write \"" + temporary + "\": " + std::strerror(errno));
  try {
    ExportNcdu(catalog, slot, record, fd, "\"" + temporary + "\"");
    if (::fsync(fd) != 0)
      throw ExchangeError("cannot write \"" + temporary + "\": " + std::strerror(errno));
  } catch (...) {
    ::close(fd);
    ::unlink(temporary.c_str());
    throw;
  }
  if (::close(fd) != 0 || ::rename(temporary.c_str(), path.c_str()) != 0) {
    const std::string reason = std::strerror(errno);
    ::unlink(temporary.c_str());
    throw ExchangeError("cannot write \"" + path + "\": " + reason);
  }
}

}  // namespace plomix::exchange
