// Where names that code page 932 cannot hold sort among the others.

#include <gtest/gtest.h>

#include "analysis/AnalysisFixture.h"
#include "browse/NameOrder.h"

namespace plomix {
namespace {

using test::Sj;

TEST(NameOrderTest, LostCharactersSortByTheirBaseLetterOrAsQuestionMarks) {
  const struct {
    const char* exact;  // native bytes
    std::string key;    // CP932
  } cases[] = {
      {"F\xC5\x91tan\xC3\xBAs\xC3\xADtv\xC3\xA1ny.crt", "Fotanusitvany.crt"},
      {"\xC3\x9Cn\xC3\xAF"
       "c\xC3\xB6"
       "d\xC3\xA9",
       "Unicode"},
      // Characters CP932 holds stay themselves, the kana's voiced mark too.
      {"\xE3\x81\x8C\xC3\xA9 \xF0\x9F\x98\x80.txt", Sj("が") + "e ?.txt"},
      {"\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4.txt", "???.txt"},
      {"bad\xFF\xFEname.bin", "bad??name.bin"},
  };
  for (const auto& c : cases) EXPECT_EQ(NameOrderKey("ignored", c.exact), c.key) << c.exact;
  EXPECT_EQ(NameOrderKey(Sj("日本語.txt"), ""), Sj("日本語.txt"));
}

}  // namespace
}  // namespace plomix
