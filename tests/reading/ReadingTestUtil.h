#pragma once
// Shared pieces of the reading tests: a fake machine
// (mount table, sysfs tree, by-label and by-uuid folders under a temporary
// folder) and helpers that build folder trees.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QString>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/Prompter.h"
#include "core/Settings.h"
#include "reading/Drives.h"
#include "support/MediaBuilder.h"
#include "support/ScriptedPrompter.h"
#include "support/TestSupport.h"

namespace plomix::test {

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// A machine made of fixtures under one temporary folder: the mount table
// tests/fixtures/reading/mountinfo-desktop.txt with its mount points created,
// a sysfs tree for its block devices and by-label / by-uuid links.
class FakeMachine {
 public:
  FakeMachine() {
    std::ifstream in(std::string(PLOMIX_FIXTURES_DIR) + "/reading/mountinfo-desktop.txt");
    std::stringstream s;
    s << in.rdbuf();
    std::string table = s.str();
    for (std::size_t at; (at = table.find("@ROOT@")) != std::string::npos;)
      table.replace(at, 6, Root());
    table_ = table;
    WriteText(Path("proc/mountinfo"), table_);
    for (const char* dir : {"media/user/STICK", "media/user/My Disk", "media/user/DVD", "mnt/nas",
                            "mnt/ram", "mnt/floppy", "media/user/CARD", "mnt/layer", "srv/shared"})
      std::filesystem::create_directories(Path(dir));
    for (const char* dev : {"dev/sda2", "dev/sdb1", "dev/sdb2", "dev/sdc1"})
      WriteText(Path(dev), "");
    // sda: internal disk; sdb: a card reader with the removable flag; sdc: a USB disk.
    Device("8:2", "devices/pci0/ata1/host0/block/sda", "sda2", "0");
    Device("8:17", "devices/pci0/host1/block/sdb", "sdb1", "1");
    Device("8:18", "devices/pci0/host1/block/sdb", "sdb2", "1");
    Device("8:33", "devices/pci0/usb1/1-1/host2/block/sdc", "sdc1", "0");
    Link("by-label/STICK", "dev/sdb1");
    Link("by-uuid/1234-ABCD", "dev/sdb1");
    Link("by-label/My\\x20Disk", "dev/sdc1");
    Link("by-uuid/0123456789ABCDEF", "dev/sdc1");
    Link("by-uuid/1b4e28ba-2fa1-11d2-883f-0016d3cca427", "dev/sda2");
  }

  std::string Root() const { return dir_.Path().string(); }
  std::filesystem::path Path(const std::string& relative) const { return dir_.Path() / relative; }

  DriveSources Sources() const {
    DriveSources s;
    s.mountInfoPath = Path("proc/mountinfo").string();
    s.sysfsRoot = Path("sys").string();
    s.byLabelDir = Path("by-label").string();
    s.byUuidDir = Path("by-uuid").string();
    s.probe = nullptr;
    s.mediaFolders = {Path("mnt").string(), Path("media").string()};
    return s;
  }

  // Takes the mount at `relative` (under Root()) out of the mount table.
  void Unmount(const std::string& relative) {
    const std::string point = " " + Escaped(Path(relative).string()) + " ";
    std::string kept;
    std::istringstream lines(table_);
    for (std::string line; std::getline(lines, line);)
      if (line.find(point) == std::string::npos) kept += line + "\n";
    table_ = kept;
    WriteText(Path("proc/mountinfo"), table_);
  }
  // Mounts a new vfat volume of a USB stick at `relative` (created under
  // Root()), with a device, a removable sysfs entry and a by-uuid link (and a
  // by-label link when `label` is not empty). Each call needs its own `number`.
  std::filesystem::path MountStick(int number, const std::string& relative, const std::string& uuid,
                                   const std::string& label = {}) {
    const std::string device = "dev/usb" + std::to_string(number);
    const std::string majorMinor = "180:" + std::to_string(number);
    WriteText(Path(device), "");
    const std::string disk =
        "sys/devices/pci0/usb9/9-" + std::to_string(number) + "/block/u" + std::to_string(number);
    WriteText(Path(disk + "/removable"), "1\n");
    std::filesystem::create_directories(Path(disk + "/part1"));
    std::filesystem::create_directories(Path("sys/dev/block"));
    std::filesystem::remove(Path("sys/dev/block/" + majorMinor));
    std::filesystem::create_symlink(Path(disk + "/part1"), Path("sys/dev/block/" + majorMinor));
    std::filesystem::remove(Path("by-uuid/" + uuid));
    Link("by-uuid/" + uuid, device);
    if (!label.empty()) {
      std::filesystem::remove(Path("by-label/" + label));
      Link("by-label/" + label, device);
    }
    std::filesystem::create_directories(Path(relative));
    table_ += std::to_string(100 + number) + " 28 " + majorMinor + " / " +
              Escaped(Path(relative).string()) + " rw,nosuid - vfat " + Path(device).string() +
              " rw\n";
    WriteText(Path("proc/mountinfo"), table_);
    return Path(relative);
  }

  void Link(const std::string& link, const std::string& target) {
    std::filesystem::create_directories(Path(link).parent_path());
    std::filesystem::create_symlink(Path(target), Path(link));
  }

 private:
  void Device(const std::string& majorMinor, const std::string& disk, const std::string& part,
              const std::string& removable) {
    WriteText(Path("sys/" + disk + "/removable"), removable + "\n");
    std::filesystem::create_directories(Path("sys/" + disk + "/" + part));
    std::filesystem::create_directories(Path("sys/dev/block"));
    std::filesystem::create_symlink(Path("sys/" + disk + "/" + part),
                                    Path("sys/dev/block/" + majorMinor));
  }

  // A mount point as the mount table writes it.
  static std::string Escaped(const std::string& path) {
    std::string out;
    for (char c : path) out += c == ' ' ? std::string("\\040") : std::string(1, c);
    return out;
  }

  TempDir dir_;
  std::string table_;
};

// Settings in their own folder, so that drive bindings never leak between tests.
class IsolatedSettings {
 public:
  IsolatedSettings() : settings_(QString::fromStdString(dir_.Path().string())) {}
  Settings& Get() { return settings_; }

 private:
  TempDir dir_;
  Settings settings_;
};

// Tests run as root, whom permissions do not stop: `work` then runs in a child
// process as the user nobody (the folders it needs must let nobody in). Its
// findings come back as text.
inline std::string RunAsNobody(const std::function<std::string()>& work) {
  if (::geteuid() != 0) return work();
  int fds[2];
  if (::pipe(fds) != 0) return "pipe failed";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(fds[0]);
    std::string result = "cannot become nobody";
    try {
      if (::setgid(65534) == 0 && ::setuid(65534) == 0) result = work();
    } catch (const std::exception& error) {
      result = std::string("failed: ") + error.what();
    }
    const ssize_t written = ::write(fds[1], result.data(), result.size());
    ::_exit(written == static_cast<ssize_t>(result.size()) ? 0 : 1);
  }
  ::close(fds[1]);
  std::string result;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) result.append(buffer, n);
  ::close(fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return result;
}

}  // namespace plomix::test
