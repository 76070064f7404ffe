#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "reading/PeVersion.h"
#include "reading/ReadingTestUtil.h"
#include "reading/Scanner.h"

namespace plomix {
namespace {

constexpr std::size_t kLfanew = 0x40, kOptional = kLfanew + 24, kSectionTable = kOptional + 224;
constexpr std::size_t kRsrc = 0x200;  // file offset of the resource section (RVA 0x1000)
constexpr std::size_t kInfo = kRsrc + 0x58;

void Put16(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

// A minimal PE32 file whose only resource is a version record 1.2.3.4.
std::vector<uint8_t> TinyPe() {
  std::vector<uint8_t> b(kInfo + 92, 0);
  b[0] = 'M';
  b[1] = 'Z';
  Put32(b, 0x3C, kLfanew);
  Put32(b, kLfanew, 0x00004550);
  Put16(b, kLfanew + 4, 0x14C);
  Put16(b, kLfanew + 6, 1);     // one section
  Put16(b, kLfanew + 20, 224);  // optional header size
  Put16(b, kOptional, 0x10B);
  Put32(b, kOptional + 92, 16);           // data directories
  Put32(b, kOptional + 96 + 16, 0x1000);  // resources
  Put32(b, kOptional + 96 + 20, 0x58 + 92);
  Put32(b, kSectionTable + 8, 0x58 + 92);   // virtual size
  Put32(b, kSectionTable + 12, 0x1000);     // virtual address
  Put32(b, kSectionTable + 16, 0x58 + 92);  // raw size
  Put32(b, kSectionTable + 20, kRsrc);      // raw offset
  // Resource tree: type 16 -> name 1 -> language 0x411 -> data entry.
  Put16(b, kRsrc + 14, 1);
  Put32(b, kRsrc + 16, 16);
  Put32(b, kRsrc + 20, 0x80000000u | 0x18);
  Put16(b, kRsrc + 0x18 + 14, 1);
  Put32(b, kRsrc + 0x18 + 16, 1);
  Put32(b, kRsrc + 0x18 + 20, 0x80000000u | 0x30);
  Put16(b, kRsrc + 0x30 + 14, 1);
  Put32(b, kRsrc + 0x30 + 16, 0x411);
  Put32(b, kRsrc + 0x30 + 20, 0x48);
  Put32(b, kRsrc + 0x48, 0x1000 + 0x58);
  Put32(b, kRsrc + 0x4C, 92);
  Put16(b, kInfo, 92);
  Put16(b, kInfo + 2, 52);
  const char16_t key[] = u"VS_VERSION_INFO";
  for (std::size_t i = 0; i < 16; ++i) Put16(b, kInfo + 6 + 2 * i, key[i]);
  Put32(b, kInfo + 40, 0xFEEF04BD);
  Put32(b, kInfo + 48, (1u << 16) | 2);
  Put32(b, kInfo + 52, (3u << 16) | 4);
  return b;
}

class PeVersionTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::string Write(const std::vector<uint8_t>& bytes, const std::string& name = "x.dll") {
    const std::string path = dir.File(name);
    test::WriteFileBytes(path, bytes);
    return path;
  }
};

TEST_F(PeVersionTest, ReadsTheFixedVersionRecord) {
  EXPECT_EQ(GetFileVersionText(Write(TinyPe())), "1.2.3.4");
  EXPECT_EQ(GetFileVersionText(Write({'h', 'i'})), "");
  EXPECT_EQ(GetFileVersionText(dir.File("missing.exe")), "");
  EXPECT_EQ(GetFileVersionText(dir.Path().string()), "");  // a folder
}

TEST_F(PeVersionTest, EveryTruncationGivesNoVersion) {
  const std::string path = Write(TinyPe());
  for (std::size_t n = TinyPe().size(); n-- > 0;) {
    std::filesystem::resize_file(path, n);
    EXPECT_EQ(GetFileVersionText(path), "") << "cut at " << n;
  }
}

TEST_F(PeVersionTest, HostileFieldsGiveNoVersion) {
  const struct {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> damage;
  } cases[] = {
      {"header offset far away", [](auto& b) { Put32(b, 0x3C, 0xFFFFFFF0u); }},
      {"no PE signature", [](auto& b) { b[kLfanew] = 'X'; }},
      {"65535 sections", [](auto& b) { Put16(b, kLfanew + 6, 0xFFFF); }},
      {"optional header too small", [](auto& b) { Put16(b, kLfanew + 20, 8); }},
      {"unknown optional magic", [](auto& b) { Put16(b, kOptional, 0x999); }},
      {"two data directories", [](auto& b) { Put32(b, kOptional + 92, 2); }},
      {"resources outside every section", [](auto& b) { Put32(b, kOptional + 112, 0x90000); }},
      {"section data past the end", [](auto& b) { Put32(b, kSectionTable + 20, 0x7FFFFFF0u); }},
      {"huge directory", [](auto& b) { Put16(b, kRsrc + 14, 0xFFFF); }},
      {"no version type", [](auto& b) { Put32(b, kRsrc + 16, 3); }},
      {"type is not a directory", [](auto& b) { Put32(b, kRsrc + 20, 0x18); }},
      {"loop back to the root", [](auto& b) { Put32(b, kRsrc + 0x30 + 20, 0x80000000u); }},
      {"data beyond the file", [](auto& b) { Put32(b, kRsrc + 0x48, 0x7FFF0000u); }},
      {"data size 4 GiB", [](auto& b) { Put32(b, kRsrc + 0x4C, 0xFFFFFFFFu); }},
      {"data too short", [](auto& b) { Put32(b, kRsrc + 0x4C, 60); }},
      {"wrong key", [](auto& b) { b[kInfo + 6] = 'W'; }},
      {"wrong signature", [](auto& b) { Put32(b, kInfo + 40, 0xFEEF04BC); }},
      {"value too short", [](auto& b) { Put16(b, kInfo + 2, 10); }},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> bytes = TinyPe();
    c.damage(bytes);
    EXPECT_EQ(GetFileVersionText(Write(bytes)), "") << c.what;
  }
}

TEST_F(PeVersionTest, ScannerReadsVersionsOnlyWhenAsked) {
  const auto root = dir.Path() / "root";
  std::filesystem::create_directories(root / "folder.exe");
  test::WriteFileBytes((root / "app.exe").string(), TinyPe());
  test::MakeFile(root / "readme.txt", 5);
  ReadRequest request;
  request.mediaName = "M";
  ScanSetup setup;
  setup.rootFolder = root.string();
  setup.drive = "e";
  for (const bool versions : {false, true}) {
    setup.readVersions = versions;
    Scanner scanner;
    int progressCalls = 0;
    scanner.SetProgress([&](int64_t, const std::string&) { ++progressCalls; });
    ASSERT_TRUE(scanner.ReadTree(request, setup));
    std::map<std::string, std::string> versionOf;
    for (int32_t i = 1; i < scanner.RecordCount(); ++i) {
      TRecord r;
      scanner.Fetch(i, r);
      versionOf[r.Name] = r.Version;
    }
    EXPECT_EQ(versionOf["app.exe"], versions ? "1.2.3.4" : "");
    EXPECT_EQ(versionOf["readme.txt"], "");
    EXPECT_EQ(versionOf["folder.exe"], "");
    EXPECT_EQ(progressCalls, versions ? 2 : 1);  // once per file, or every 100 records
  }
}

}  // namespace
}  // namespace plomix
