#include "reading/MediaOrigins.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QList>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "core/Catalog.h"

namespace plomix {

namespace {

std::string Encode(const std::string& bytes) {
  return QByteArray::fromStdString(bytes).toPercentEncoding("/").toStdString();
}

std::string Decode(const QByteArray& field) {
  return QByteArray::fromPercentEncoding(field).toStdString();
}

std::optional<int32_t> Number(const QByteArray& field) {
  bool ok = false;
  const int value = field.toInt(&ok);
  if (!ok) return std::nullopt;
  return value;
}

}  // namespace

std::string MediaOriginsPath(const Catalog& catalog) {
  std::string path = catalog.LongNamePath();
  if (path.size() >= 4 && path.compare(path.size() - 4, 4, ".lfn") == 0)
    path.resize(path.size() - 4);
  return path + ".src";
}

std::vector<MediaOrigin> ReadMediaOrigins(const std::string& path) {
  std::vector<MediaOrigin> origins;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    const QList<QByteArray> fields = QByteArray::fromStdString(line).trimmed().split(' ');
    if (fields.size() != 5) continue;
    const auto date = Number(fields[0]);
    const auto count = Number(fields[1]);
    if (!date || !count || *count < 1) continue;
    MediaOrigin origin{*date, *count, Decode(fields[2]), Decode(fields[3]), Decode(fields[4])};
    if (origin.inner.empty() || origin.inner[0] != '/') continue;
    origins.push_back(std::move(origin));
  }
  return origins;
}

void AppendMediaOrigin(const std::string& path, const MediaOrigin& origin,
                       const std::string& permissionsOf) {
  std::ostringstream line;
  line << origin.readDate << ' ' << origin.count << ' ' << Encode(origin.name) << ' '
       << Encode(origin.inner) << ' ' << Encode(origin.folder) << '\n';
  const std::string text = line.str();
  // One write of one line with O_APPEND: a reader never sees half a line
  // followed by another, and a failed write loses only this line.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) throw std::runtime_error(path + ": " + std::strerror(errno));
  struct stat own {
  }, model{};
  if (!permissionsOf.empty() && ::fstat(fd, &own) == 0 && own.st_size == 0 &&
      ::stat(permissionsOf.c_str(), &model) == 0) {
    [[maybe_unused]] const int chmodded = ::fchmod(fd, model.st_mode & 07777);
  }
  const ssize_t written = ::write(fd, text.data(), text.size());
  int error = written < 0 ? errno : ENOSPC;
  bool sound = written == static_cast<ssize_t>(text.size());
  if (sound && ::fdatasync(fd) != 0 && errno != EINVAL) {
    error = errno;
    sound = false;
  }
  if (::close(fd) != 0 && sound) {
    error = errno;
    sound = false;
  }
  if (!sound) throw std::runtime_error(path + ": " + std::strerror(error));
}

std::optional<MediaOrigin> FindMediaOrigin(const Catalog& catalog, int slot) {
  const TMediaSlot& s = catalog.Slot(slot);
  if (!s.IsLive()) return std::nullopt;
  const int32_t date = s.Root().FileDate();
  const int32_t count = s.Count();
  std::optional<MediaOrigin> found;
  bool foundByName = false;
  for (MediaOrigin& origin : ReadMediaOrigins(MediaOriginsPath(catalog))) {
    if (origin.readDate != date || origin.count != count) continue;
    const bool sameName = origin.name == s.Name();
    if (foundByName && !sameName) continue;
    foundByName = sameName;
    found = std::move(origin);
  }
  return found;
}

}  // namespace plomix
