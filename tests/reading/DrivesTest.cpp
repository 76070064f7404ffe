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

TEST_F(DrivesFixture, MountedVolumesHaveLettersWhileMountedAndGetTheirOwnBack) {
  const auto letters = [&] {
    std::string shown;
    for (char c = 'D'; c <= 'Z'; ++c) shown += drives.FolderOf(c).empty() ? '-' : c;
    return shown;
  };
  // In mount order; no /boot/efi, /dev/shm, overlay or bind mount of a subtree.
  EXPECT_EQ(drives.FolderOf('C'), "/");
  const std::vector<std::pair<char, const char*>> expected = {
      {'D', "media/user/STICK"}, {'E', "media/user/My Disk"},
      {'F', "media/user/DVD"},   {'G', "mnt/nas"},
      {'H', "mnt/ram"},          {'I', "mnt/floppy"},
      {'J', "media/user/CARD"}};
  for (const auto& [letter, folder] : expected) EXPECT_EQ(drives.FolderOf(letter), Mount(folder));
  EXPECT_EQ(letters(), "DEFGHIJ----------------");
  EXPECT_EQ(drives.NewestRemovableLetter(), 'J');
  drives.RememberVolumeLetters();

  // Unmounted, a volume's letter is free; nothing stays bound.
  machine.Unmount("media/user/STICK");
  EXPECT_EQ(drives.FolderOf('D'), "");
  EXPECT_EQ(drives.LetterOf(Mount("media/user/My Disk")), 'E');
  EXPECT_EQ(drives.LowestFreeLetter(), 'D');

  // The same stick mounted elsewhere gets its letter again, in a new session too.
  machine.MountStick(1, "media/user/STICK_", "1234-ABCD", "STICK");
  Drives again(settings.Get(), machine.Sources());
  EXPECT_EQ(again.FolderOf('D'), Mount("media/user/STICK_"));

  // A letter whose volume is away goes to the next volume; back, the old
  // volume takes the lowest free letter, and keeps that from then on.
  machine.Unmount("media/user/My Disk");
  machine.MountStick(2, "media/user/NEW", "AAAA-0002");
  EXPECT_EQ(again.LetterOf(Mount("media/user/NEW")), 'E');
  again.RememberVolumeLetters();
  machine.MountStick(3, "media/user/My Disk", "0123456789ABCDEF", "My\\x20Disk");
  EXPECT_EQ(again.LetterOf(Mount("media/user/My Disk")), 'K');
  EXPECT_EQ(again.NewestRemovableLetter(), 'K');
  again.RememberVolumeLetters();
  machine.Unmount("media/user/NEW");
  EXPECT_EQ(again.LetterOf(Mount("media/user/My Disk")), 'K');
  EXPECT_EQ(again.FolderOf('E'), "");

  // An explicit binding stays until it is unbound, and volumes go around it.
  std::string error;
  ASSERT_TRUE(again.Bind('E', Mount("srv"), error)) << error;
  machine.MountStick(4, "media/user/FOURTH", "AAAA-0004");
  EXPECT_EQ(again.LetterOf(Mount("media/user/FOURTH")), 'L');
  Drives third(settings.Get(), machine.Sources());
  EXPECT_EQ(third.FolderOf('E'), Mount("srv"));
  EXPECT_TRUE(third.IsBound('E'));
  EXPECT_FALSE(third.IsBound('D'));
}

TEST_F(DrivesFixture, AHundredVolumesInARowEachGetALetter) {
  for (int i = 1; i <= 100; ++i) {
    char uuid[16];
    std::snprintf(uuid, sizeof uuid, "B%03d-0000", i);
    const std::string point = "media/user/V" + std::to_string(i);
    machine.MountStick(i, point, uuid);
    const char letter = drives.LetterOf(Mount(point));
    ASSERT_NE(letter, 0) << i;
    EXPECT_EQ(letter, 'K');  // the first letter after the fixture's own volumes
    drives.RememberVolumeLetters();
    std::string name, serial, length;
    ASSERT_TRUE(drives.ReadVolumeInfo(std::string(1, letter), name, serial, length));
    EXPECT_EQ(serial, SerialTextFromUuid(uuid));
    machine.Unmount(point);
  }
}

TEST_F(DrivesFixture, KindsOfEveryDrive) {
  // A removable volume pinned to A or B is a floppy disk, as on the desktop.
  std::string error;
  ASSERT_TRUE(drives.Bind('A', Mount("media/user/CARD"), error)) << error;
  ASSERT_TRUE(drives.Bind('K', Mount("mnt/layer"), error)) << error;
  ASSERT_TRUE(drives.Bind('L', Mount("srv"), error)) << error;
  const struct {
    char letter;
    const char* folder;
    int kind;
  } cases[] = {
      {'D', "media/user/STICK", 3},
      {'E', "media/user/My Disk", 3},
      {'F', "media/user/DVD", 4},
      {'G', "mnt/nas", 5},
      {'H', "mnt/ram", 6},
      {'I', "mnt/floppy", 1},
      {'A', "media/user/CARD", 1},
      {'K', "mnt/layer", 7},
      {'L', "srv", 2},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(drives.FolderOf(c.letter), Mount(c.folder)) << c.letter;
    EXPECT_EQ(drives.GetDriveKind(std::string(1, c.letter)), c.kind) << c.folder;
  }
  EXPECT_EQ(drives.FolderOf('J'), "");  // the card's automatic letter went with its pin
  EXPECT_EQ(drives.GetDriveKind("C"), 2);
  EXPECT_EQ(drives.GetDriveKind("c"), 2);
  EXPECT_EQ(drives.GetDriveKind("e:"), 0);  // more than the letter
  EXPECT_EQ(drives.GetDriveKind("Q"), 0);   // nothing there
  EXPECT_EQ(drives.GetClusterSize('Q' - 'A' + 1), 0);
  EXPECT_EQ(drives.GetFreeSpace('Q' - 'A' + 1), -1.0);
  EXPECT_GT(drives.GetClusterSize('D' - 'A' + 1), 0);
  EXPECT_GE(drives.GetFreeSpace('D' - 'A' + 1), 0.0);
  EXPECT_FALSE(drives.EjectMedia("L", 2));

  std::filesystem::remove(machine.Path("mnt/layer"));  // the folder behind K is gone
  EXPECT_EQ(drives.GetDriveKind("K"), 0);
  EXPECT_EQ(drives.GetClusterSize('K' - 'A' + 1), 0);
}

TEST_F(DrivesFixture, BindRefusesWhatCannotBeBound) {
  std::string error;
  EXPECT_FALSE(drives.Bind('C', Mount("srv"), error));
  EXPECT_FALSE(drives.Bind('1', Mount("srv"), error));
  EXPECT_FALSE(drives.Bind('K', Mount("no/such/folder"), error));
  EXPECT_FALSE(drives.Bind('E', Mount("srv"), error));  // a mounted volume's letter
  EXPECT_NE(error.find("mounted volume"), std::string::npos) << error;
  ASSERT_TRUE(drives.Bind('k', Mount("srv") + "/", error)) << error;
  EXPECT_EQ(drives.FolderOf('K'), Mount("srv"));
  EXPECT_FALSE(drives.Bind('K', Mount("mnt/layer"), error));  // taken
  EXPECT_FALSE(drives.Bind('M', Mount("srv"), error));        // folder already has a letter
  EXPECT_EQ(drives.LetterOf(Mount("mnt/../srv")), 'K');
  EXPECT_EQ(drives.LowestFreeLetter(), 'L');
  EXPECT_TRUE(drives.Unbind('K'));
  EXPECT_FALSE(drives.Unbind('K'));
  EXPECT_FALSE(drives.Unbind('C'));
  EXPECT_FALSE(drives.Unbind('D'));  // a volume's letter is no binding
  EXPECT_EQ(drives.LowestFreeLetter(), 'K');
}

TEST_F(DrivesFixture, VolumeNamesAndSerialsFromLabelAndUuidLinks) {
  const struct {
    const char* drive;
    const char* name;
    const char* serial;
  } cases[] = {{"d", "STICK", "1234ABCD"},
               {"E:\\work", "My Disk", "89ABCDEF"},
               {"J", "", "0000"},  // the card: neither label nor UUID
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

TEST_F(DrivesFixture, FoldersAndVolumesAreFoundWhereverTheyAreMounted) {
  std::filesystem::create_directories(machine.Path("media/user/STICK/photos/2024"));
  const auto where = drives.VolumeOfFolder(Mount("media/user/STICK/photos/2024/"));
  ASSERT_TRUE(where.has_value());
  EXPECT_EQ(where->mountPoint, Mount("media/user/STICK"));
  EXPECT_EQ(where->inner, "/photos/2024");
  EXPECT_EQ(where->letter, 'D');
  EXPECT_EQ(where->kind, kKindRemovable);
  EXPECT_FALSE(drives.VolumeOfFolder(Mount("no/such")).has_value());
  const auto onRoot = drives.VolumeOfFolder(Mount("srv"));
  ASSERT_TRUE(onRoot.has_value());
  EXPECT_EQ(onRoot->letter, 'C');
  EXPECT_EQ(onRoot->inner, Mount("srv"));

  EXPECT_EQ(drives.FindVolume("1234ABCD", "STICK"), Mount("media/user/STICK"));
  EXPECT_EQ(drives.FindVolume("1234ABCD", "OTHER"), "");
  EXPECT_EQ(drives.FindVolume("0000", ""), "");  // no identity: never matched
  machine.Unmount("media/user/STICK");
  EXPECT_EQ(drives.FindVolume("1234ABCD", "STICK"), "");
  machine.MountStick(1, "run/elsewhere", "1234-ABCD", "STICK");
  EXPECT_EQ(drives.FindVolume("1234ABCD", "STICK"), Mount("run/elsewhere"));
}

TEST_F(DrivesFixture, ProbeComesBeforeTheLinkFolders) {
  DriveSources sources = machine.Sources();
  sources.probe = [](const std::string& device) -> std::optional<VolumeProbeResult> {
    if (device.ends_with("sdb1")) return VolumeProbeResult{"写真", "ABCD-0001", "vfat"};
    return std::nullopt;
  };
  Drives probed(settings.Get(), sources);
  std::string name, serial, length;
  ASSERT_TRUE(probed.ReadVolumeInfo("D", name, serial, length));
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
  info.Drive = "d";
  info.VolumeName = "STICK";
  info.VolumeSerial = "1234ABCD";
  ASSERT_TRUE(catalog.AddMedia(records, info));
  const int32_t key = MakeKey(catalog.LastAddedSlot(), 1);

  EXPECT_EQ(drives.CheckMediaVolume("d", key, catalog), 0);
  EXPECT_EQ(drives.CheckMediaVolume("Q", key, catalog), 1);
  // The same stick, relabelled.
  std::filesystem::rename(machine.Path("by-label/STICK"), machine.Path("by-label/OTHER"));
  EXPECT_EQ(drives.CheckMediaVolume("D:\\", key, catalog), 2);
  // A copy with the old label but another serial.
  std::filesystem::rename(machine.Path("by-label/OTHER"), machine.Path("by-label/STICK"));
  std::filesystem::rename(machine.Path("by-uuid/1234-ABCD"), machine.Path("by-uuid/9999-0000"));
  EXPECT_EQ(drives.CheckMediaVolume("D", key, catalog), 3);
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
