#include <gtest/gtest.h>

#include <QMimeDatabase>
#include <fstream>
#include <set>

#include "core/Catalog.h"
#include "reading/Drives.h"
#include "reading/ReadingTestUtil.h"

namespace plomix {
namespace {

using test::FakeMachine;
using test::IsolatedSettings;
using test::Sj;

TEST(MountInfoTest, ParsesFieldsUnescapesAndSkipsMalformedLines) {
  const auto mounts = ParseMountInfo(
      "36 35 98:0 /mnt1 /mnt/my\\040disk rw,noatime master:1 - ext3 /dev/root rw\n"
      "garbage\n"
      "1 2 3:4 / /x rw - \n"
      "40 1 0:50 / /net rw shared:7 propagate_from:2 - nfs4 srv:/a\\134b rw\n");
  ASSERT_EQ(mounts.size(), 2u);
  EXPECT_EQ(mounts[0].majorMinor, "98:0");
  EXPECT_EQ(mounts[0].root, "/mnt1");
  EXPECT_EQ(mounts[0].mountPoint, "/mnt/my disk");
  EXPECT_EQ(mounts[0].fsType, "ext3");
  EXPECT_EQ(mounts[0].source, "/dev/root");
  EXPECT_EQ(mounts[1].fsType, "nfs4");
  EXPECT_EQ(mounts[1].source, "srv:/a\\b");
}

TEST(SerialTextTest, FormsOfSerialsAndUuids) {
  EXPECT_EQ(SerialText(4660), "1234");
  EXPECT_EQ(SerialText(123456), "1E240");
  EXPECT_EQ(SerialText(0), "0000");
  EXPECT_EQ(SerialText(0xDEADBEEF), "DEADBEEF");
  const struct {
    const char* uuid;
    const char* serial;
  } cases[] = {
      {"1234-ABCD", "1234ABCD"},                             // FAT: as Windows shows it
      {"0000-12ab", "12AB"},                                 // no leading zeros beyond four digits
      {"0123456789ABCDEF", "89ABCDEF"},                      // NTFS: the low 32 bits
      {"1b4e28ba-2fa1-11d2-883f-0016d3cca427", "1B4E28BA"},  // others: the first 8 digits
      {"00000000-0000-0000-0000-000000000001", "0000"},
      {"", "0000"},
  };
  for (const auto& c : cases) EXPECT_EQ(SerialTextFromUuid(c.uuid), c.serial) << c.uuid;
}

TEST(NormalizeDriveLetterTest, OneUpperCaseLetterOrC) {
  const struct {
    const char* text;
    const char* letter;
  } cases[] = {{"", "C"}, {"7", "C"}, {"\\work", "C"}, {"e:", "E"}, {"z", "Z"}, {"Dx", "D"}};
  for (const auto& c : cases) EXPECT_EQ(NormalizeDriveLetter(c.text), c.letter) << c.text;
}

TEST(FileTypeIconTest, NeedsAnExtensionAndFindsKnownTypes) {
  EXPECT_FALSE(FileTypeIconName("README").has_value());
  if (!QMimeDatabase().mimeTypeForName("image/png").isValid()) GTEST_SKIP() << "no MIME database";
  EXPECT_EQ(FileTypeIconName("photo.PNG").value_or(""), "image-png");
}

class DrivesFixture : public ::testing::Test {
 protected:
  FakeMachine machine;
  IsolatedSettings settings;
  Drives drives{settings.Get(), machine.Sources()};

  std::string Mount(const std::string& relative) { return machine.Path(relative).string(); }
};

TEST_F(DrivesFixture, NewVolumesWorthReadingGetTheLowestFreeLettersAndKeepThem) {
  drives.BindNewVolumes();
  std::set<std::string> bound;
  for (char c = 'D'; c <= 'Z'; ++c)
    if (!drives.FolderOf(c).empty()) bound.insert(drives.FolderOf(c));
  const std::set<std::string> expected = {Mount("media/user/STICK"), Mount("media/user/My Disk"),
                                          Mount("media/user/DVD"),   Mount("mnt/nas"),
                                          Mount("mnt/ram"),          Mount("mnt/floppy"),
                                          Mount("media/user/CARD")};
  EXPECT_EQ(bound, expected);  // no /boot/efi, /dev/shm, overlay or bind mount of a subtree
  EXPECT_EQ(drives.FolderOf('D'), Mount("media/user/STICK"));
  EXPECT_EQ(drives.FolderOf('C'), "/");

  // Stable across runs: a new Drives object on the same settings sees the same letters.
  drives.Unbind('E');
  Drives again(settings.Get(), machine.Sources());
  again.BindNewVolumes();
  EXPECT_EQ(again.FolderOf('D'), Mount("media/user/STICK"));
  EXPECT_EQ(again.FolderOf('J'), Mount("media/user/CARD"));
  EXPECT_EQ(again.LetterOf(Mount("media/user/My Disk")), 'E');  // unbound, then seen anew
}

TEST_F(DrivesFixture, KindsOfEveryDrive) {
  const struct {
    char letter;
    const char* folder;
    int kind;
  } binds[] = {
      {'E', "media/user/STICK", 3}, {'A', "media/user/CARD", 1}, {'F', "media/user/My Disk", 3},
      {'G', "media/user/DVD", 4},   {'H', "mnt/nas", 5},         {'I', "mnt/ram", 6},
      {'B', "mnt/floppy", 1},       {'J', "mnt/layer", 7},       {'K', "srv", 2},
  };
  for (const auto& b : binds) {
    std::string error;
    ASSERT_TRUE(drives.Bind(b.letter, Mount(b.folder), error)) << error;
  }
  for (const auto& b : binds)
    EXPECT_EQ(drives.GetDriveKind(std::string(1, b.letter)), b.kind) << b.folder;
  EXPECT_EQ(drives.GetDriveKind("C"), 2);
  EXPECT_EQ(drives.GetDriveKind("c"), 2);
  EXPECT_EQ(drives.GetDriveKind("e:"), 0);  // more than the letter
  EXPECT_EQ(drives.GetDriveKind("Q"), 0);   // nothing bound
  EXPECT_EQ(drives.GetClusterSize('Q' - 'A' + 1), 0);
  EXPECT_EQ(drives.GetFreeSpace('Q' - 'A' + 1), -1.0);
  EXPECT_GT(drives.GetClusterSize('E' - 'A' + 1), 0);
  EXPECT_GE(drives.GetFreeSpace('E' - 'A' + 1), 0.0);
  EXPECT_FALSE(drives.EjectMedia("K", 2));

  std::filesystem::remove(machine.Path("mnt/layer"));  // the folder behind J is gone
  EXPECT_EQ(drives.GetDriveKind("J"), 0);
  EXPECT_EQ(drives.GetClusterSize('J' - 'A' + 1), 0);
}

TEST_F(DrivesFixture, BindRefusesWhatCannotBeBound) {
  std::string error;
  EXPECT_FALSE(drives.Bind('C', Mount("mnt/ram"), error));
  EXPECT_FALSE(drives.Bind('1', Mount("mnt/ram"), error));
  EXPECT_FALSE(drives.Bind('E', Mount("no/such/folder"), error));
  ASSERT_TRUE(drives.Bind('e', Mount("mnt/ram") + "/", error)) << error;
  EXPECT_EQ(drives.FolderOf('E'), Mount("mnt/ram"));
  EXPECT_FALSE(drives.Bind('E', Mount("mnt/nas"), error));  // taken
  EXPECT_FALSE(drives.Bind('F', Mount("mnt/ram"), error));  // folder already has a letter
  EXPECT_EQ(drives.LetterOf(Mount("mnt/../mnt/ram")), 'E');
  EXPECT_TRUE(drives.Unbind('E'));
  EXPECT_FALSE(drives.Unbind('E'));
  EXPECT_FALSE(drives.Unbind('C'));
  EXPECT_EQ(drives.LowestFreeLetter(), 'D');
}

TEST_F(DrivesFixture, VolumeNamesAndSerialsFromLabelAndUuidLinks) {
  std::string error;
  ASSERT_TRUE(drives.Bind('E', Mount("media/user/STICK"), error));
  ASSERT_TRUE(drives.Bind('F', Mount("media/user/My Disk"), error));
  ASSERT_TRUE(drives.Bind('G', Mount("media/user/CARD"), error));  // neither label nor UUID
  ASSERT_TRUE(drives.Bind('H', Mount("mnt/ram"), error));
  const struct {
    const char* drive;
    const char* name;
    const char* serial;
  } cases[] = {{"e", "STICK", "1234ABCD"},
               {"F:\\work", "My Disk", "89ABCDEF"},
               {"G", "", "0000"},
               {"H", "", "0000"},
               {"C", "", "1B4E28BA"}};
  for (const auto& c : cases) {
    std::string name = "x", serial = "x", length;
    ASSERT_TRUE(drives.ReadVolumeInfo(c.drive, name, serial, length)) << c.drive;
    EXPECT_EQ(name, c.name) << c.drive;
    EXPECT_EQ(serial, c.serial) << c.drive;
    EXPECT_GT(std::stoi(length), 0);
  }
  std::string name = "keep", serial = "keep", length = "keep";
  EXPECT_FALSE(drives.ReadVolumeInfo("Q", name, serial, length));
  EXPECT_EQ(name + serial + length, "keepkeepkeep");
}

TEST_F(DrivesFixture, ProbeComesBeforeTheLinkFolders) {
  DriveSources sources = machine.Sources();
  sources.probe = [](const std::string& device) -> std::optional<VolumeProbeResult> {
    if (device.ends_with("sdb1")) return VolumeProbeResult{"写真", "ABCD-0001", "vfat"};
    return std::nullopt;
  };
  Drives probed(settings.Get(), sources);
  std::string error, name, serial, length;
  ASSERT_TRUE(probed.Bind('E', Mount("media/user/STICK"), error));
  ASSERT_TRUE(probed.ReadVolumeInfo("E", name, serial, length));
  EXPECT_EQ(name, Sj("写真"));  // the catalogue's text is CP932
  EXPECT_EQ(serial, "ABCD0001");
}

TEST_F(DrivesFixture, CheckMediaVolumeTellsMatchNameAndSerial) {
  test::TempDir dir;
  Catalog catalog;
  ASSERT_TRUE(catalog.CreateCatalog(dir.File("c.qdb")));
  std::vector<TRecord> records(2);
  records[0].Name = "M";
  records[0].Kind = kKindRemovable;
  records[0].FirstChild = 1;
  records[1].Parent = 0;
  records[1].Kind = kKindFile;
  records[1].Name = "a.txt";
  TMediaInfomation info;
  info.Drive = "e";
  info.VolumeName = "STICK";
  info.VolumeSerial = "1234ABCD";
  ASSERT_TRUE(catalog.AddMedia(records, info));
  const int32_t key = MakeKey(catalog.LastAddedSlot(), 1);

  std::string error;
  ASSERT_TRUE(drives.Bind('E', Mount("media/user/STICK"), error));
  EXPECT_EQ(drives.CheckMediaVolume("e", key, catalog), 0);
  EXPECT_EQ(drives.CheckMediaVolume("Q", key, catalog), 1);
  // The same stick, relabelled.
  std::filesystem::rename(machine.Path("by-label/STICK"), machine.Path("by-label/OTHER"));
  EXPECT_EQ(drives.CheckMediaVolume("E:\\", key, catalog), 2);
  // A copy with the old label but another serial.
  std::filesystem::rename(machine.Path("by-label/OTHER"), machine.Path("by-label/STICK"));
  std::filesystem::rename(machine.Path("by-uuid/1234-ABCD"), machine.Path("by-uuid/9999-0000"));
  EXPECT_EQ(drives.CheckMediaVolume("E", key, catalog), 3);
}

TEST(RealMountTableTest, DevShmIsARamDisk) {
  const auto mounts = ParseMountInfo([] {
    std::ifstream in("/proc/self/mountinfo");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }());
  const bool hasShm = std::any_of(mounts.begin(), mounts.end(), [](const MountEntry& m) {
    return m.mountPoint == "/dev/shm" && m.fsType == "tmpfs";
  });
  if (!hasShm) GTEST_SKIP() << "no tmpfs on /dev/shm here";
  IsolatedSettings settings;
  Drives drives(settings.Get());
  std::string error;
  ASSERT_TRUE(drives.Bind('R', "/dev/shm", error)) << error;
  EXPECT_EQ(drives.GetDriveKind("R"), kKindRamDisk);
  EXPECT_GT(drives.GetClusterSize('R' - 'A' + 1), 0);
  std::string name, serial, length;
  ASSERT_TRUE(drives.ReadVolumeInfo("R", name, serial, length));
  EXPECT_EQ(serial, "0000");
}

}  // namespace
}  // namespace plomix
