// Names code page 932 cannot hold: their shown form, the exact-name file
// beside the catalogue and what happens when that file is damaged.

#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "core/Catalog.h"
#include "core/ExactNames.h"
#include "core/Text.h"
#include "support/MediaBuilder.h"

namespace plomix {
namespace {

namespace fs = std::filesystem;

TEST(ExactNameText, ShownFormEscapesWhatIsNoUtf8AndReadsBack) {
  struct Case {
    std::string native;
    std::string shown;
  } cases[] = {
      {"plain.txt", "plain.txt"},
      {"\xED\x95\x9C\xEA\xB5\xAD.txt", "\xED\x95\x9C\xEA\xB5\xAD.txt"},  // Korean kept
      {"bad\xFF\xFE", "bad\\xFF\\xFE"},
      {"cut\xE2\x82", "cut\\xE2\\x82"},     // a character cut off
      {"\xC0\xAF", "\\xC0\\xAF"},           // overlong "/"
      {"\xED\xA0\x80", "\\xED\\xA0\\x80"},  // a surrogate
      {"back\\slash", "back\\slash"},       // a lone backslash stays
      {"a\\x41", "a\\x5Cx41"},              // one that looks like an escape does not
      {"a\\xZZ", "a\\xZZ"},
      {"\\\xFF", "\\\\xFF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(text::NativeNameToUtf8(c.native), c.shown) << c.native;
    EXPECT_EQ(text::ShownNameToNative(c.shown), c.native) << c.shown;
    EXPECT_TRUE(text::IsValidUtf8(c.shown)) << c.shown;
    EXPECT_EQ(text::NativeNameToQString(c.native), QString::fromStdString(c.shown));
  }
}

TEST(ExactNameText, ANameIsExactOnlyWhenItsCp932FormGivesItBack) {
  // Every character of the Basic Multilingual Plane: where the conversion
  // claims to be exact, converting back must give the same name.
  int exact = 0;
  for (char32_t c = 1; c < 0x10000; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    const std::string utf8 = QString::fromUcs4(&c, 1).toStdString();
    bool held = false;
    const std::string cp932 = text::NativeNameToCp932(utf8, held);
    if (!held) continue;
    ++exact;
    ASSERT_EQ(text::Cp932ToUtf8(cp932), utf8) << static_cast<uint32_t>(c);
  }
  EXPECT_GT(exact, 7000);  // ASCII, kana, kanji, symbols
  // Names convert as the converter converts them whole.
  for (const char* name : {"\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4 \xED\x8C\x8C\xEC\x9D\xBC.txt",
                           "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xEF\xBD\xB1\\x.txt",
                           "F\xC5\x91tan\xC3\xBAs\xC3\xADtv\xC3\xA1ny.crt", "a\x1A\x7F\xC3\xA9",
                           "soft\xC2\xADhyphen", "emoji \xF0\x9F\x98\x80.txt", "bad\xFF\xFE"}) {
    bool ignored = false;
    EXPECT_EQ(text::NativeNameToCp932(name, ignored), text::Utf8ToCp932(name)) << name;
  }
  bool held = true;
  EXPECT_EQ(text::NativeNameToCp932("a?\xF0\x9F\x98\x80", held), "a??");
  EXPECT_FALSE(held);
  EXPECT_EQ(text::NativeNameToCp932("bad\xFF", held), "bad?");
  EXPECT_FALSE(held);
  EXPECT_EQ(text::NativeNameToCp932("what?", held), "what?");
  EXPECT_TRUE(held);
  // Characters the conversion drops without a trace are lost all the same.
  text::NativeNameToCp932("zero\xE2\x80\x8Bwidth", held);
  EXPECT_FALSE(held);
}

// Media whose files have names CP932 cannot hold, but for the last one.
std::vector<TRecord> MediaWithExactNames(const std::string& name, int files) {
  std::vector<TRecord> recs = test::FlatMedia(name, files);
  for (int i = 1; i < files; ++i) {
    recs[i].ExactName = name + "-" + std::to_string(i) + " \xF0\x9F\x8E\x89";
    recs[i].Name = name + "-" + std::to_string(i) + " ?";
  }
  return recs;
}

void ExpectExactNames(Catalog& c, int slot, const std::string& name, bool kept,
                      const std::string& where) {
  ASSERT_TRUE(c.LoadMedia(slot)) << where;
  for (int r = 1; r < c.LoadedCount(); ++r) {
    const std::string want =
        r + 1 < c.LoadedCount() && kept ? name + "-" + std::to_string(r) + " \xF0\x9F\x8E\x89" : "";
    EXPECT_EQ(c.ExactName(r), want) << where << ": " << name << " record " << r;
    // Without its exact name a record shows its CP932 name.
    EXPECT_EQ(c.ShownRecordName(r), want.empty() ? text::Cp932ToUtf8(c.RecordName(r)) : want)
        << where;
  }
}

class Records : public MediaRecordSource {
 public:
  explicit Records(std::vector<TRecord> records) : records_(std::move(records)) {}
  int32_t RecordCount() const override { return static_cast<int32_t>(records_.size()); }
  void Fetch(int32_t index, TRecord& out) const override { out = records_.at(index); }
  std::string_view NativeName(int32_t index) const override { return records_.at(index).ExactName; }

 private:
  std::vector<TRecord> records_;
};

TEST(ExactFileFormat, ChecksumIsTheCommonCrc32) {
  const std::string check = "123456789";
  const auto* bytes = reinterpret_cast<const uint8_t*>(check.data());
  EXPECT_EQ(exact_file::Crc32(bytes, check.size()), 0xCBF43926u);
  // In pieces, as a segment's head and entries are summed.
  EXPECT_EQ(exact_file::Crc32(bytes + 4, 5, exact_file::Crc32(bytes, 4)), 0xCBF43926u);
  const std::string longer(1000, '\x5A');
  EXPECT_EQ(
      exact_file::Crc32(reinterpret_cast<const uint8_t*>(longer.data()), longer.size()),
      exact_file::Crc32(reinterpret_cast<const uint8_t*>(longer.data()) + 3, 997,
                        exact_file::Crc32(reinterpret_cast<const uint8_t*>(longer.data()), 3)));
}

class ExactFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = dir.File("c.qdb");
    Catalog c;
    ASSERT_TRUE(c.CreateCatalog(path));
    TMediaInfomation info = test::InfoFor();
    ASSERT_TRUE(c.AddMedia(MediaWithExactNames("A", 5), info));
    ASSERT_TRUE(c.AddMedia(test::FlatMedia("Plain", 3), info));  // no segment at all
    ASSERT_TRUE(c.AddMedia(MediaWithExactNames("B", 4), info));
    exn = c.ExactNamePath();
  }
  test::TempDir dir;
  std::string path, exn;
};

TEST_F(ExactFileTest, OnlyMediaWithSuchNamesTakeRoomAndNamesSurviveReopening) {
  Catalog c;
  ASSERT_TRUE(c.OpenCatalog(path));
  ExpectExactNames(c, 0, "A", true, "reopened");
  ExpectExactNames(c, 1, "Plain", false, "reopened");
  ExpectExactNames(c, 2, "B", true, "reopened");
  EXPECT_EQ(c.TakeSideFileWarning(), "");
  // The header, two segment heads and a byte per name besides its own.
  std::size_t names = 0;
  for (int s : {0, 2}) names += c.ExactNamesOf(s)->NameBytes() + c.ExactNamesOf(s)->Count();
  EXPECT_EQ(test::FileSize(exn),
            exact_file::kHeaderSize + 2 * exact_file::kSegmentHeadSize + names);
}

TEST_F(ExactFileTest, DamageFallsBackWithOneWarningAndTheNextAddRewritesTheFile) {
  const auto sound = test::ReadFileBytes(exn);
  // B's segment: its head and three names of 8 bytes, each after its length.
  const std::size_t secondSegment = sound.size() - (exact_file::kSegmentHeadSize + 3 * 9);
  struct Damage {
    const char* name;
    std::function<void()> apply;
    bool aKept, bKept;
  } damages[] = {
      {"cut inside the last segment",
       [&] {
         test::WriteFileBytes(exn, {sound.begin(), sound.end() - 5});
       },
       true, false},
      {"checksum of the first segment",
       [&] {
         auto bytes = sound;
         bytes[exact_file::kHeaderSize + exact_file::kSegmentHeadSize + 3] ^= 0x20;
         test::WriteFileBytes(exn, bytes);
       },
       false, true},
      // Damage to a head in the middle loses that media's names only: the
      // segments behind it are found again.
      {"identity of the first segment changed",
       [&] {
         auto bytes = sound;
         bytes[exact_file::kHeaderSize + 4] ^= 0x07;  // its slot
         test::WriteFileBytes(exn, bytes);
       },
       false, true},
      {"head of the first segment cut out",
       [&] {
         auto bytes = sound;
         bytes.erase(bytes.begin() + exact_file::kHeaderSize,
                     bytes.begin() + exact_file::kHeaderSize + 10);
         test::WriteFileBytes(exn, bytes);
       },
       false, true},
      {"size of the first segment changed",
       [&] {
         auto bytes = sound;
         bytes[exact_file::kHeaderSize + 28] ^= 0x01;  // its payload length
         test::WriteFileBytes(exn, bytes);
       },
       false, true},
      {"garbage", [&] { test::WriteFileBytes(exn, std::vector<uint8_t>(sound.size(), 0xA5)); },
       false, false},
      {"garbage after the first segment",
       [&] {
         auto bytes = sound;
         std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(secondSegment), bytes.end(), 0x5A);
         test::WriteFileBytes(exn, bytes);
       },
       true, false},
  };
  for (const Damage& d : damages) {
    test::WriteFileBytes(exn, sound);
    fs::remove(exn + ".damaged");
    d.apply();
    Catalog c;
    ASSERT_TRUE(c.OpenCatalog(path)) << d.name;
    EXPECT_NE(c.TakeSideFileWarning(), "") << d.name;
    EXPECT_EQ(c.TakeSideFileWarning(), "") << d.name << ": warned twice";
    c.RefreshFromDisk();
    EXPECT_EQ(c.TakeSideFileWarning(), "") << d.name << ": warned again on the same file";
    ExpectExactNames(c, 0, "A", d.aKept, d.name);
    ExpectExactNames(c, 2, "B", d.bKept, d.name);

    TMediaInfomation info = test::InfoFor();
    ASSERT_TRUE(c.AddMedia(MediaWithExactNames("C", 3), info)) << d.name;
    EXPECT_TRUE(fs::exists(exn + ".damaged")) << d.name;
    Catalog after;
    ASSERT_TRUE(after.OpenCatalog(path)) << d.name;
    EXPECT_EQ(after.TakeSideFileWarning(), "") << d.name << ": still damaged after the add";
    ExpectExactNames(after, 0, "A", d.aKept, d.name);
    ExpectExactNames(after, 2, "B", d.bKept, d.name);
    ExpectExactNames(after, 3, "C", true, d.name);
    // The file was written anew, not appended to its damage.
    ASSERT_TRUE(fs::remove(path) && fs::remove(dir.File("c.lfn")));
    SetUp();
  }
}

TEST_F(ExactFileTest, AFileThatGoesAwayIsToldOnceAndACatalogueWithoutOneIsNot) {
  Catalog c;
  ASSERT_TRUE(c.OpenCatalog(path));
  ASSERT_TRUE(fs::remove(exn));
  c.RefreshFromDisk();
  EXPECT_NE(c.TakeSideFileWarning(), "");
  ExpectExactNames(c, 0, "A", false, "gone");
  Catalog fresh;  // an older catalogue, or one written elsewhere
  ASSERT_TRUE(fresh.OpenCatalog(path));
  EXPECT_EQ(fresh.TakeSideFileWarning(), "");
  ExpectExactNames(fresh, 2, "B", false, "never had one");
}

TEST_F(ExactFileTest, DeleteAndCompactionKeepEveryMediaWithItsOwnNames) {
  Catalog c;
  ASSERT_TRUE(c.OpenCatalog(path));
  const auto before = test::FileSize(exn);
  c.DeleteMedia(0);
  EXPECT_EQ(test::FileSize(exn), before);  // a deleted media's segment waits for compaction
  ASSERT_EQ(c.RenameMedia(2, "B renamed"), 1);
  ASSERT_EQ(c.CompactCatalog(), CompactResult::Done);
  EXPECT_LT(test::FileSize(exn), before);
  Catalog reopened;
  ASSERT_TRUE(reopened.OpenCatalog(path));
  for (Catalog* reader : {&c, &reopened}) {
    ExpectExactNames(*reader, 0, "Plain", false, "compacted");
    ExpectExactNames(*reader, 1, "B", true, "compacted");
    EXPECT_EQ(reader->TakeSideFileWarning(), "");
  }
  // A catalogue compacted down to media without such names keeps an empty file.
  c.DeleteMedia(1);
  ASSERT_EQ(c.CompactCatalog(), CompactResult::Done);
  EXPECT_EQ(test::FileSize(exn), exact_file::kHeaderSize);
  EXPECT_EQ(c.ExactNamesOf(0), nullptr);
}

TEST_F(ExactFileTest, ReplacingByNameGivesTheNewMediaItsOwnNames) {
  Catalog c;
  ASSERT_TRUE(c.OpenCatalog(path));
  TMediaInfomation info = test::InfoFor();
  std::vector<TRecord> again = test::FlatMedia("A", 2);
  ASSERT_TRUE(c.AddMedia(Records(again), info, true));
  const int slot = c.LastAddedSlot();
  EXPECT_FALSE(c.Slot(0).IsLive());
  ExpectExactNames(c, slot, "A", false, "replaced");
}

}  // namespace
}  // namespace plomix
