// Entries at record index 1,000,000 and above: every way of naming one by its
// key reaches it, never the entry of the next media whose plain key would
// have the same digits.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

#include "TestSupport.h"
#include "analysis/NameAnalysis.h"
#include "browse/BrowseHistory.h"
#include "core/Catalog.h"
#include "core/Records.h"
#include "reading/MediaPresence.h"
#include "search/FileSearch.h"
#include "support/MediaBuilder.h"

namespace plomix {
namespace {

constexpr int kBigRecords = 1200000;
constexpr int kFar = 1100000;  // slot 1's record 100,000 would have this plain key

// A flat media produced on demand: the root and files named prefix + index.
class ManyFiles : public MediaRecordSource {
 public:
  ManyFiles(std::string name, std::string prefix, int records)
      : name_(std::move(name)), prefix_(std::move(prefix)), records_(records) {}
  int32_t RecordCount() const override { return records_; }
  void Fetch(int32_t index, TRecord& out) const override {
    out = TRecord{};
    if (index == 0) {
      out.Kind = kKindFixed;
      out.Attr = kAttrDirectory;
      out.Name = name_;
      out.FirstChild = 1;
      out.DirFiles = out.AllFiles = records_ - 1;
      return;
    }
    out.Parent = 0;
    out.Kind = kKindFile;
    out.Attr = kAttrArchive;
    out.Name = prefix_ + std::to_string(index);
  }

 private:
  std::string name_, prefix_;
  int records_;
};

// Slot and record of the one record of the loaded catalogue that `pick`
// chooses; {-1, -1} when none or several do.
std::pair<int, int> OnlyRecord(const std::string& path,
                               const std::function<bool(const TFileRec&)>& pick) {
  Catalog catalog;
  if (!catalog.OpenCatalog(path)) return {-1, -1};
  std::pair<int, int> found{-1, -1};
  int count = 0;
  for (int slot = 0; slot < 2; ++slot) {
    if (!catalog.LoadMedia(slot)) return {-1, -1};
    for (int r = 1; r < catalog.LoadedCount(); ++r)
      if (pick(catalog.LoadedRec(r)) && ++count == 1) found = {slot, r};
  }
  return count == 1 ? found : std::pair{-1, -1};
}

TEST(WideKeys, ReachRecordsPastAMillionAndNotTheNextMedia) {
  test::TempDir dir;
  const std::string path = dir.File("wide.qdb");
  Catalog catalog;
  ASSERT_TRUE(catalog.CreateCatalog(path));
  TMediaInfomation info = test::InfoFor();
  ASSERT_TRUE(catalog.AddMedia(ManyFiles("A", "f", kBigRecords), info));
  info = test::InfoFor();
  ASSERT_TRUE(catalog.AddMedia(ManyFiles("B", "g", kFar - kKeyFactor + 1), info));

  const int32_t key = MakeKey(0, kFar);
  // Keys below a million keep the values the files have always held.
  ASSERT_EQ(MakeKey(1, kFar - kKeyFactor), kFar);
  ASSERT_NE(key, kFar);
  ASSERT_NE(key, kNoKey);

  ASSERT_EQ(catalog.SetMark(Catalog::MarkChange::Set, key), 1);
  const int comment = catalog.AddComment(key, "far", kKindFile, "f1100000");
  ASSERT_GE(comment, 0);
  catalog.SetCommentLink(comment, key);

  const auto split = [](int32_t k) { return std::pair{SlotOfKey(k), RecordOfKey(k)}; };
  const struct {
    const char* what;
    std::function<std::pair<int, int>()> reached;
  } cases[] = {
      {"key", [&] { return split(key); }},
      {"result key",
       [] {
         int slot = -1;
         int32_t record = -1;
         return SplitResultKey(ResultKey(0, kFar), slot, record) ? std::pair{slot, record}
                                                                 : std::pair{-1, -1};
       }},
      {"tree node in the history",
       [&] {
         BrowseHistory history;
         history.Reset();
         history.Record(HistoryNumber(key, true), "f");
         const HistoryMove move = history.Move(0);
         return move.kind == HistoryMove::Kind::Entry && move.number < 0
                    ? split(KeyOfHistoryNumber(move.number))
                    : std::pair{-1, -1};
       }},
      {"list row in the history",
       [&] {
         BrowseHistory history;
         history.Reset();
         history.Record(HistoryNumber(key, false), "f");
         const HistoryMove move = history.Move(0);
         return move.kind == HistoryMove::Kind::Entry && move.number > 0
                    ? split(KeyOfHistoryNumber(move.number))
                    : std::pair{-1, -1};
       }},
      {"mark on disk", [&] { return OnlyRecord(path, [](auto& r) { return r.Mark() == 1; }); }},
      {"comment link on disk",
       [&] { return OnlyRecord(path, [](auto& r) { return r.CommentNo() >= 0; }); }},
      {"comment slot on disk",
       [&] {
         Catalog reopened;
         return reopened.OpenCatalog(path) ? split(reopened.CommentSlot(comment).Key())
                                           : std::pair{-1, -1};
       }},
      {"search hit",
       [&] {
         FileSearch search(catalog);
         SearchConditions conditions;
         conditions.nameEnabled = true;
         conditions.namePattern = "*1100000";
         search.SetConditions(conditions);
         search.SetSearchMediaList({0, 1});
         search.RunFileSearch();
         return search.SearchCount() == 1 ? split(search.SearchRecs()[0].Key) : std::pair{-1, -1};
       }},
  };
  for (const auto& c : cases) {
    const auto [slot, record] = c.reached();
    EXPECT_EQ(slot, 0) << c.what;
    EXPECT_EQ(record, kFar) << c.what;
    if (slot < 0) continue;
    const int32_t reachedKey = MakeKey(slot, record);
    const RecordPathResult where = catalog.RecordPath(reachedKey);
    EXPECT_EQ(where.folder + where.name, "A\\f1100000") << c.what;
    EXPECT_EQ(catalog.MediaNameOf(reachedKey), "A") << c.what;
    EXPECT_EQ(EntryInnerPath(catalog, reachedKey), "f1100000") << c.what;
  }
}

}  // namespace
}  // namespace plomix
