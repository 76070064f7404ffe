#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "TestSupport.h"
#include "core/Catalog.h"
#include "core/Text.h"
#include "search/FileSearch.h"
#include "search/NameIndex.h"
#include "search/NameIndexFormat.h"

namespace plomix {
namespace {

using test::MakeEntry;

// Pieces of names: ASCII of both cases, characters whose second byte is an
// ASCII letter or a backslash (ア, ソ, 表), letters with case in two-byte
// form (Ａ, Ω, Ⅰ), half-width kana, and characters CP932 lacks (é, 😀, the
// Kelvin sign, which folds to "k"), which make the names kept exactly.
const std::vector<std::string> kPieces = {
    "a",  "B",  "c",  "D",  "k",  "K",  "x",  "Y",  "1",  "2",  ".",  " ", "-", "_",
    "ab", "AB", "Ab", "tx", "Tx", "ア", "ア", "ソ", "表", "Ａ", "ａ", "Ω", "ω", "Ⅰ",
    "ⅰ",  "ｱ",  "写", "真", "ー", "é",  "😀",  "K",  "ß",  "Ä",  "\\", "[", "~", "@"};

std::string RandomName(std::mt19937& rng, std::size_t maxPieces) {
  std::uniform_int_distribution<std::size_t> count(1, maxPieces);
  std::uniform_int_distribution<std::size_t> piece(0, kPieces.size() - 1);
  std::string name;
  for (std::size_t n = count(rng); n > 0; --n) name += kPieces[piece(rng)];
  return name;
}

// A name given as UTF-8 as a reading stores it: its CP932 form, and the
// exact bytes when CP932 cannot hold it.
void SetName(TRecord& rec, const std::string& utf8) {
  const std::optional<std::string> held = text::Utf8ToCp932Exact(utf8);
  rec.Name = held ? *held : text::Utf8ToCp932(utf8);
  rec.ExactName = held ? std::string() : utf8;
}

// A root, `folders` folders below it, and `files` files in each folder.
std::vector<TRecord> RandomMedia(std::mt19937& rng, const std::string& name, int folders, int files,
                                 std::vector<std::string>& utf8Names) {
  std::vector<TRecord> recs = {MakeEntry(-1, 1, kKindFixed, name, 0)};
  for (int f = 0; f < folders; ++f) {
    recs.push_back(MakeEntry(0, 1 + folders + f * files, kKindFolder, "", 0));
    SetName(recs.back(), RandomName(rng, 4));
  }
  for (int f = 0; f < folders; ++f) {
    for (int i = 0; i < files; ++i) {
      recs.push_back(MakeEntry(1 + f, -1, kKindFile, "", 10));
      // Now and then a name longer than a record holds, kept in the long-name file.
      const std::string utf8 =
          i % 37 == 5 ? std::string(95, 'L') + RandomName(rng, 3) : RandomName(rng, 7);
      SetName(recs.back(), utf8);
      utf8Names.push_back(utf8);
    }
  }
  return recs;
}

// A piece of a name as a person would type it: a run of its characters, its
// ASCII letters' case changed now and then, wildcards put in for glob tests.
std::string RandomPattern(std::mt19937& rng, const std::vector<std::string>& names, bool glob) {
  std::uniform_int_distribution<int> percent(0, 99);
  if (percent(rng) < 15) return RandomName(rng, 3);  // often in no name at all
  const std::string& name =
      names[std::uniform_int_distribution<std::size_t>(0, names.size() - 1)(rng)];
  std::vector<std::string> chars;
  for (std::size_t i = 0; i < name.size();) {
    const auto b = static_cast<unsigned char>(name[i]);
    const std::size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    chars.push_back(name.substr(i, n));
    i += n;
  }
  const std::size_t from = std::uniform_int_distribution<std::size_t>(0, chars.size() - 1)(rng);
  const std::size_t length = std::uniform_int_distribution<std::size_t>(
      1, std::min<std::size_t>(8, chars.size() - from))(rng);
  std::string pattern;
  if (glob && percent(rng) < 60) pattern += percent(rng) < 50 ? "*" : "?";
  for (std::size_t i = from; i < from + length; ++i) {
    std::string c = chars[i];
    if (c.size() == 1 && std::isalpha(static_cast<unsigned char>(c[0])) && percent(rng) < 30)
      c[0] = static_cast<char>(std::islower(static_cast<unsigned char>(c[0])) ? std::toupper(c[0])
                                                                              : std::tolower(c[0]));
    if (glob && percent(rng) < 10) c = percent(rng) < 50 ? "?" : "*";
    pattern += c;
  }
  if (glob && percent(rng) < 70) pattern += percent(rng) < 80 ? "*" : "?";
  return pattern;
}

using Hit = std::tuple<int32_t, std::string, std::string, std::string>;

class NameIndexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = dir.File("c.qdb");
    ASSERT_TRUE(catalog.CreateCatalog(path));
    std::mt19937 rng(2718);
    TMediaInfomation info;
    ASSERT_TRUE(catalog.AddMedia(RandomMedia(rng, "Disk1", 6, 60, names), info));
    ASSERT_TRUE(catalog.AddMedia(RandomMedia(rng, test::Sj("写真"), 4, 80, names), info));
    ASSERT_TRUE(catalog.AddMedia(RandomMedia(rng, "Gone", 2, 5, names), info));
    ASSERT_EQ(catalog.DeleteMedia(2), 2);
    ASSERT_TRUE(catalog.AddMedia(RandomMedia(rng, "Ａbc", 3, 40, names), info));
  }

  std::vector<Hit> Run(const SearchConditions& c) {
    FileSearch search(catalog);
    search.SetConditions(c);
    search.SetSearchMediaList({0, 1, 2, 3});
    search.RunFileSearch();
    std::vector<Hit> hits;
    for (const TRecord& hit : search.SearchRecs())
      hits.emplace_back(hit.Key, hit.Name, hit.ExactName, hit.Path);
    search.SetCountOnly(true);
    search.RunFileSearch();
    EXPECT_EQ(search.SearchCount(), static_cast<int>(hits.size())) << "counting";
    return hits;
  }

  void Build() {
    std::string error;
    ASSERT_TRUE(BuildNameIndex(catalog, error)) << error;
    ASSERT_EQ(NameIndexStateOf(path), NameIndexState::Current);
  }

  std::vector<uint8_t> IndexBytes() const {
    std::ifstream in(NameIndexPath(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  void WriteIndex(const std::vector<uint8_t>& bytes) const {
    std::ofstream(NameIndexPath(path), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }

  test::TempDir dir;
  std::string path;
  Catalog catalog;
  std::vector<std::string> names;
};

SearchConditions Partial(const std::string& utf8, const std::string& second = {},
                         bool caseSensitive = false) {
  SearchConditions c;
  c.nameEnabled = true;
  c.namePartial = true;
  c.nameCaseSensitive = caseSensitive;
  SetNamePatterns(c, utf8, second);
  return c;
}

TEST_F(NameIndexTest, FindsWhatAFullPassFindsForRandomPatterns) {
  std::mt19937 rng(31415);
  std::uniform_int_distribution<int> percent(0, 99);
  std::vector<SearchConditions> conditions;
  for (int i = 0; i < 1500; ++i) {
    SearchConditions c;
    c.nameEnabled = true;
    c.namePartial = percent(rng) < 55;
    c.nameCaseSensitive = percent(rng) < 35;
    c.includeFolders = percent(rng) < 30;
    const std::string first = RandomPattern(rng, names, !c.namePartial);
    const std::string second =
        c.namePartial && percent(rng) < 30 ? RandomPattern(rng, names, false) : std::string();
    c.nameCombineAnd = percent(rng) < 50;
    SetNamePatterns(c, first, second);
    conditions.push_back(c);
  }
  // The ends of the long names, which the records themselves have lost.
  for (const std::string& name : names)
    if (name.size() > 95 && name.compare(0, 95, std::string(95, 'L')) == 0)
      conditions.push_back(Partial("L" + name.substr(95)));
  std::vector<std::vector<Hit>> scanned;
  std::size_t hitting = 0;
  for (const SearchConditions& c : conditions) {
    scanned.push_back(Run(c));
    hitting += scanned.back().empty() ? 0 : 1;
  }
  Build();
  std::size_t narrowed = 0;
  for (std::size_t i = 0; i < conditions.size(); ++i) {
    const SearchConditions& c = conditions[i];
    if (NameIndexQuery::Open(catalog, c)) ++narrowed;
    EXPECT_EQ(Run(c), scanned[i]) << "pattern \"" << text::Cp932ToUtf8(c.namePattern) << "\" \""
                                  << text::Cp932ToUtf8(c.namePattern2) << "\" partial "
                                  << c.namePartial << " case " << c.nameCaseSensitive << " and "
                                  << c.nameCombineAnd;
  }
  // The comparison means something only when the index was used for most
  // patterns and many of them found something.
  EXPECT_GT(narrowed, conditions.size() / 3);
  EXPECT_GT(hitting, conditions.size() / 2);
}

TEST_F(NameIndexTest, OnlyPatternsWithThreeLiteralBytesAndNoOrWithACommentUseIt) {
  Build();
  EXPECT_TRUE(NameIndexQuery::Open(catalog, Partial("abc")));
  EXPECT_TRUE(NameIndexQuery::Open(catalog, Partial("写真")));  // four bytes in CP932
  EXPECT_FALSE(NameIndexQuery::Open(catalog, Partial("写")));
  EXPECT_FALSE(NameIndexQuery::Open(catalog, Partial("ab")));
  EXPECT_FALSE(NameIndexQuery::Open(catalog, Partial("abc", "x")));  // either: x needs a scan
  EXPECT_TRUE(NameIndexQuery::Open(catalog, [] {
    SearchConditions c = Partial("abc", "x");
    c.nameCombineAnd = true;
    return c;
  }()));
  SearchConditions orComment = Partial("abc");
  orComment.commentEnabled = true;
  orComment.commentCombineAnd = false;
  EXPECT_FALSE(NameIndexQuery::Open(catalog, orComment));
  SearchConditions glob;
  glob.nameEnabled = true;
  SetNamePatterns(glob, "a?c*");
  EXPECT_FALSE(NameIndexQuery::Open(catalog, glob));
  SetNamePatterns(glob, "*.t?t");
  EXPECT_FALSE(NameIndexQuery::Open(catalog, glob));
  SetNamePatterns(glob, "*ab.*");
  EXPECT_TRUE(NameIndexQuery::Open(catalog, glob));
}

TEST_F(NameIndexTest, AnIndexOfAnotherStateOfTheCatalogueIsIgnored) {
  // A catalogue made again in the same place with media of the same shape:
  // the old index's media would still line up, but none of its names.
  Build();
  const std::vector<uint8_t> old = IndexBytes();
  ASSERT_TRUE(catalog.CreateCatalog(path));
  std::mt19937 rng(99);
  std::vector<std::string> other;
  TMediaInfomation info;
  std::vector<TRecord> media = RandomMedia(rng, "Disk1", 6, 60, other);
  SetName(media[7], "zzqq unique");
  ASSERT_TRUE(catalog.AddMedia(media, info));
  WriteIndex(old);
  EXPECT_EQ(NameIndexStateOf(path), NameIndexState::Stale);
  const std::vector<Hit> hits = Run(Partial("zzqq"));
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(std::get<0>(hits[0]), MakeKey(0, 7));

  // A mark changes the catalogue file too: nothing is trusted that was built
  // before.
  Build();
  catalog.SetMark(Catalog::MarkChange::Set, MakeKey(0, 3));
  EXPECT_EQ(NameIndexStateOf(path), NameIndexState::Stale);
  EXPECT_FALSE(NameIndexQuery::Open(catalog, Partial("zzqq")));
}

TEST_F(NameIndexTest, ADamagedIndexIsIgnored) {
  const SearchConditions common = Partial("AB.");
  const std::vector<Hit> expected = Run(common);
  ASSERT_FALSE(expected.empty());
  Build();
  const std::vector<uint8_t> sound = IndexBytes();
  const auto header = [](std::vector<uint8_t> b, std::size_t at, uint8_t value) {
    b[at] = value;
    // Its own check made to agree, so that only the field itself is wrong.
    name_index::Put64(b.data() + name_index::kHeaderCheckAt,
                      name_index::Check(b.data(), name_index::kHeaderCheckAt));
    return b;
  };
  std::mt19937 rng(7);
  std::vector<uint8_t> garbage(sound.size());
  for (uint8_t& b : garbage) b = static_cast<uint8_t>(rng());
  // A byte flipped in every page of the body, so that whatever a search
  // reads is damaged.
  std::vector<uint8_t> flippedPages = sound;
  for (std::size_t at = name_index::kHeaderSize + 11; at < sound.size(); at += 4096)
    flippedPages[at] ^= 0x01;
  std::vector<uint8_t> flippedHeader = sound;
  flippedHeader[name_index::kTrigramCountAt] ^= 0x01;
  std::vector<uint8_t> longer = sound;
  longer.push_back(0);
  // Sizes so large that the sums checked against the file's length wrap
  // around and agree with it (a page table of petabytes would follow).
  std::vector<uint8_t> wrapping(4096, 0);
  std::copy(sound.begin(), sound.begin() + 16, wrapping.begin());
  name_index::Put64(wrapping.data() + name_index::kPostingBytesAt, 0xff803fe00ff81350ull);
  name_index::Put64(wrapping.data() + name_index::kBodyBytesAt, 0xff803fe00ff81350ull);
  wrapping = header(wrapping, name_index::kMediaCountAt, 0);
  const std::vector<std::pair<const char*, std::vector<uint8_t>>> damaged = {
      {"empty", {}},
      {"header cut", std::vector<uint8_t>(sound.begin(), sound.begin() + 100)},
      {"cut in half", std::vector<uint8_t>(sound.begin(), sound.begin() + sound.size() / 2)},
      {"last byte gone", std::vector<uint8_t>(sound.begin(), sound.end() - 1)},
      {"a byte more", longer},
      {"a byte flipped in every page", flippedPages},
      {"header byte flipped", flippedHeader},
      {"another version", header(sound, 8, 2)},
      {"another page size", header(sound, 13, 0x20)},
      {"more media claimed", header(sound, name_index::kMediaCountAt, 9)},
      {"garbage", garbage},
      {"sizes that wrap around", wrapping},
  };
  for (const auto& [what, bytes] : damaged) {
    WriteIndex(bytes);
    EXPECT_EQ(NameIndexStateOf(path), NameIndexState::Damaged) << what;
    EXPECT_FALSE(NameIndexQuery::Open(catalog, common)) << what;
    EXPECT_EQ(Run(common), expected) << what;
  }
  // One flipped byte anywhere: the state, which reads every page, tells.
  std::vector<uint8_t> oneFlipped = sound;
  oneFlipped[sound.size() / 2] ^= 0x01;
  WriteIndex(oneFlipped);
  EXPECT_EQ(NameIndexStateOf(path), NameIndexState::Damaged);
  EXPECT_EQ(Run(common), expected);

  WriteIndex(sound);
  EXPECT_TRUE(NameIndexQuery::Open(catalog, common));
  EXPECT_EQ(Run(common), expected);
  // A check told to stop reads no page and calls nothing current.
  int asked = 0;
  EXPECT_EQ(NameIndexStateOf(path, [&] { return ++asked > 1; }), NameIndexState::Stale);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(NameIndexStateOf(path, [] { return true; }), NameIndexState::Current);
}

TEST_F(NameIndexTest, ABuildOfACatalogueChangedMeanwhileLeavesTheOldIndex) {
  Build();
  const std::vector<uint8_t> before = IndexBytes();
  // What a build cut off by a crash left, which no build holds any more.
  std::ofstream(NameIndexPath(path) + ".new.1.0") << "half an index";
  std::string error;
  int asked = 0;
  // The catalogue changes while the build reads it (asked before each media).
  const bool built = BuildNameIndex(catalog, error, nullptr, [&] {
    if (++asked == 2) {
      Catalog other;
      EXPECT_TRUE(other.OpenCatalog(path));
      other.SetMark(Catalog::MarkChange::Set, MakeKey(1, 2));
    }
    return true;
  });
  EXPECT_FALSE(built);
  EXPECT_NE(error.find("changed while it was indexed"), std::string::npos) << error;
  EXPECT_EQ(IndexBytes(), before);
  // Neither this build's file nor the one left before stays behind.
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    EXPECT_EQ(entry.path().filename().string().find(".idx.new"), std::string::npos) << entry.path();
}

}  // namespace
}  // namespace plomix
