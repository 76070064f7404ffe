#include <gtest/gtest.h>

#include <atomic>
#include <deque>

#include "ScriptedPrompter.h"
#include "analysis/AnalysisControl.h"
#include "analysis/AnalysisFixture.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/Text.h"

namespace plomix {
namespace {

using test::Sj;

class AnalysisControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::CreateTestCatalog(catalog, dir);
    test::AddTestMedia(catalog, "M1", {{"IMG_1.jpg"}, {"a.txt"}});
    test::AddTestMedia(catalog, "M2", {{"img 2.png"}, {"A.TXT"}});
    control.CatalogOpened();
  }

  test::TempDir dir;
  test::TempDir configDir;
  Settings settings{QString::fromStdString(configDir.Path().string())};
  Catalog catalog;
  DupResultStore dup{&catalog};
  LikeResultStore like{&catalog};
  test::ScriptedPrompter prompter;
  AnalysisControl control{catalog, dup, like, settings, prompter};
};

TEST_F(AnalysisControlTest, AfterMediaChangeFollowsTheRerunSetting) {
  struct Case {
    int mode;
    std::vector<PromptResult> answers;
    bool searched;
  };
  const Case cases[] = {
      {0, {PromptResult::Yes}, true},
      {0, {PromptResult::No}, false},
      {1, {}, false},
      {2, {}, true},
  };
  for (const Case& c : cases) {
    settings.SetInt(REG_DupSearchMode, c.mode);
    prompter.answers.assign(c.answers.begin(), c.answers.end());
    prompter.prompts.clear();
    const bool hadResults = dup.DupResultsExist() || like.LikeResultsExist();
    EXPECT_EQ(control.AfterMediaChange(), c.searched) << c.mode;
    // The question says when a No deletes the results there are.
    for (const auto& asked : prompter.prompts)
      EXPECT_EQ(asked.text.contains(QString::fromUtf8("これまでの検索結果は削除されます")),
                hadResults)
          << c.mode;
    EXPECT_EQ(prompter.prompts.size(), c.answers.size()) << c.mode;
    for (const auto& asked : prompter.prompts) {
      EXPECT_EQ(asked.icon, PromptIcon::Question);
      EXPECT_EQ(asked.buttons, PromptButtons::YesNo);
    }
    EXPECT_EQ(dup.DupResultsExist(), c.searched) << c.mode;
    EXPECT_EQ(like.LikeResultsExist(), c.searched) << c.mode;
    const ResultState expected = c.searched ? ResultState::Loaded : ResultState::NoResult;
    EXPECT_EQ(control.State(AnalysisMode::Duplicate), expected) << c.mode;
    EXPECT_EQ(control.State(AnalysisMode::Similar), expected) << c.mode;
    EXPECT_EQ(dup.GroupCount(), c.searched ? 1 : 0) << c.mode;
  }
  EXPECT_TRUE(prompter.prompts.empty() ||
              prompter.prompts.front().text.startsWith(QString::fromUtf8("「重複ファイル」と")));
}

TEST_F(AnalysisControlTest, AfterMediaChangeRunsEachSearchThroughTheRunnerWhenSet) {
  settings.SetInt(REG_DupSearchMode, 2);
  std::vector<AnalysisMode> ran;
  control.SetSearchRunner([&](AnalysisMode mode) {
    ran.push_back(mode);
    control.RunAnalysis(mode);
  });
  EXPECT_TRUE(control.AfterMediaChange());
  EXPECT_EQ(ran, (std::vector<AnalysisMode>{AnalysisMode::Duplicate, AnalysisMode::Similar}));
  EXPECT_TRUE(dup.DupResultsExist());
  EXPECT_TRUE(like.LikeResultsExist());
}

TEST_F(AnalysisControlTest, SearchUsesTheDelimiterSettingAndReportsItsSteps) {
  settings.SetString(REG_LikeKey, " ");
  std::vector<AnalysisEvent::Kind> kinds;
  std::vector<std::string> texts;
  ASSERT_TRUE(control.RunAnalysis(AnalysisMode::Similar, [&](const AnalysisEvent& e) {
    kinds.push_back(e.kind);
    if (e.kind == AnalysisEvent::Kind::Sorting || e.kind == AnalysisEvent::Kind::Finishing)
      texts.push_back(text::Cp932ToUtf8(e.text));
  }));
  // With only the blank "IMG_1" stays one word: a.txt and A.TXT alone share one.
  EXPECT_EQ(like.CurrentLikeKey(), " ");
  EXPECT_EQ(like.StoredLikeKey(), " ");
  EXPECT_EQ(like.GroupCount(), 1);
  EXPECT_EQ(texts, (std::vector<std::string>{"2ファイルのソート中...", "最後のオマジナイ..."}));
  EXPECT_EQ(kinds.back(), AnalysisEvent::Kind::Finishing);

  settings.SetString(REG_LikeKey, QString::fromUtf8(" _"));
  ASSERT_TRUE(control.RunAnalysis(AnalysisMode::Similar));
  EXPECT_EQ(like.StoredLikeKey(), " _");
  EXPECT_EQ(like.GroupCount(), 2);  // "img" now as well
}

TEST_F(AnalysisControlTest, NothingRunsWithoutMediaInTheFilter) {
  settings.SetInt(REG_DupSearchMode, 2);
  ASSERT_TRUE(control.AfterMediaChange());
  catalog.SetCategoryFilter(Sj("ほかの分類"));
  EXPECT_FALSE(control.RunAnalysis(AnalysisMode::Duplicate));
  EXPECT_EQ(dup.GroupCount(), 1);  // the stored result stays as it was
  // After a media change the old results are stale; one that cannot be
  // searched again must not stay behind.
  EXPECT_FALSE(control.AfterMediaChange());
  EXPECT_FALSE(dup.DupResultsExist());
  EXPECT_FALSE(like.LikeResultsExist());
  EXPECT_EQ(dup.GroupCount(), 0);
  EXPECT_EQ(control.State(AnalysisMode::Similar), ResultState::NoResult);
}

TEST_F(AnalysisControlTest, AFailedSearchLeavesTheOldFileAndNoSearchState) {
  ASSERT_TRUE(control.RunAnalysis(AnalysisMode::Duplicate));
  const std::vector<uint8_t> before = test::ReadFileBytes(dup.Path());
  for (AnalysisEvent::Kind failAt : {AnalysisEvent::Kind::Media, AnalysisEvent::Kind::Sorting}) {
    EXPECT_THROW(control.RunAnalysis(AnalysisMode::Duplicate,
                                     [&](const AnalysisEvent& e) {
                                       if (e.kind == failAt) throw std::runtime_error("stop");
                                     }),
                 std::runtime_error);
    EXPECT_EQ(control.State(AnalysisMode::Duplicate), ResultState::NoResult);
    EXPECT_EQ(test::ReadFileBytes(dup.Path()), before);
  }
}

TEST_F(AnalysisControlTest, WorkerLoadsHeadsAndHandsThemOverAtCompletion) {
  settings.SetInt(REG_DupSearchMode, 2);
  control.AfterMediaChange();

  DupResultStore dup2{&catalog};
  LikeResultStore like2{&catalog};
  AnalysisControl second{catalog, dup2, like2, settings, prompter};
  second.CatalogOpened();
  like2.SetCurrentLikeKey("unchanged");
  std::atomic<int> completions{0};
  auto completed = [&](AnalysisMode) { ++completions; };
  ASSERT_TRUE(second.StartResultLoader(AnalysisMode::Duplicate, completed));
  ASSERT_TRUE(second.StartResultLoader(AnalysisMode::Similar, completed));
  EXPECT_TRUE(second.AnyLoading());
  // Until the hand-over the stores are untouched.
  EXPECT_EQ(dup2.GroupCount(), 0);
  EXPECT_EQ(like2.CurrentLikeKey(), "unchanged");
  EXPECT_TRUE(second.WaitForResultLoad(AnalysisMode::Duplicate));
  EXPECT_TRUE(second.WaitForResultLoad(AnalysisMode::Similar));
  EXPECT_EQ(completions, 2);
  EXPECT_FALSE(second.AnyLoading());
  EXPECT_EQ(second.State(AnalysisMode::Duplicate), ResultState::Loaded);
  EXPECT_EQ(dup2.GroupCount(), 1);
  EXPECT_EQ(like2.CurrentLikeKey(), like.CurrentLikeKey());
  EXPECT_FALSE(second.FinishResultLoad(AnalysisMode::Duplicate));

  control.DiscardResults();
  second.CatalogOpened();
  EXPECT_FALSE(second.StartResultLoader(AnalysisMode::Duplicate));
  EXPECT_EQ(second.State(AnalysisMode::Duplicate), ResultState::NoResult);
}

}  // namespace
}  // namespace plomix
