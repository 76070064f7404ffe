#include "analysis/AnalysisControl.h"

#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/Text.h"

namespace plomix {

AnalysisControl::AnalysisControl(Catalog& catalog, DupResultStore& dup, LikeResultStore& like,
                                 Settings& settings, Prompter& prompter)
    : catalog_(catalog), dup_(dup), like_(like), settings_(settings), prompter_(prompter) {
  like_.SetCurrentLikeKey(text::QStringToCp932(settings_.GetString(REG_LikeKey)));
}

AnalysisControl::~AnalysisControl() {
  for (Loader& loader : loaders_)
    if (loader.thread.joinable()) loader.thread.join();
}

ResultStore& AnalysisControl::Store(AnalysisMode mode) {
  if (mode == AnalysisMode::Duplicate) return dup_;
  return like_;
}

ResultState AnalysisControl::State(AnalysisMode mode) const {
  return state_[Index(mode)];
}

bool AnalysisControl::IsLoading(AnalysisMode mode) const {
  return state_[Index(mode)] == ResultState::Loading;
}

bool AnalysisControl::AnyLoading() const {
  return IsLoading(AnalysisMode::Duplicate) || IsLoading(AnalysisMode::Similar);
}

void AnalysisControl::CatalogOpened() {
  for (AnalysisMode mode : {AnalysisMode::Duplicate, AnalysisMode::Similar}) {
    WaitForResultLoad(mode);
    ResultStore& store = Store(mode);
    store.SetPathFromCatalog(catalog_.CatalogPath());
    store.ClearGroups();
    store.ClearMembers(1);
    store.ClearMembers(2);
    state_[Index(mode)] = ResultState::NoResult;
  }
}

bool AnalysisControl::RunAnalysis(AnalysisMode mode, const AnalysisProgress& progress) {
  if (catalog_.FilteredMediaCount() == 0) return false;
  WaitForResultLoad(mode);
  like_.SetCurrentLikeKey(text::QStringToCp932(settings_.GetString(REG_LikeKey)));
  like_.ClearMembers(2);
  ResultStore& store = Store(mode);
  store.ClearGroups();
  store.ClearMembers(1);
  RunSearchInDialog(mode, progress);
  return true;
}

AnalysisCounters AnalysisControl::RunSearchInDialog(AnalysisMode mode,
                                                    const AnalysisProgress& progress) {
  ResultStore& store = Store(mode);
  state_[Index(mode)] = ResultState::Searching;
  NameAnalysis& search = store.Search();
  search.Delimiters().SetKeyDelimiters(mode == AnalysisMode::Duplicate ? std::string_view()
                                                                       : like_.CurrentLikeKey());
  AnalysisCounters counters;
  // A search that fails anywhere gives its memory back at once and leaves
  // the old result file in place.
  try {
    counters = search.RunNameAnalysis(catalog_, progress);
    auto say = [&](AnalysisEvent::Kind kind, std::string text) {
      if (progress) progress(AnalysisEvent{kind, std::move(text), -1, counters});
    };
    say(AnalysisEvent::Kind::Sorting, FormatNumber(static_cast<double>(counters.entries)) +
                                          text::Utf8ToCp932("ファイルのソート中..."));
    search.Sort();
    say(AnalysisEvent::Kind::Finishing, text::Utf8ToCp932("最後のオマジナイ..."));
    if (mode == AnalysisMode::Duplicate)
      dup_.WriteDupFile();
    else
      like_.WriteLikeFile();
  } catch (...) {
    store.ClearSearch();
    state_[Index(mode)] = ResultState::NoResult;
    throw;
  }
  store.ClearSearch();
  store.LoadGroups();
  state_[Index(mode)] = ResultState::Loaded;
  return counters;
}

bool AnalysisControl::AfterMediaChange(const AnalysisProgress& progress) {
  bool search = false;
  switch (settings_.GetInt(REG_DupSearchMode)) {
    case 1:
      break;
    case 2:
      search = true;
      break;
    default: {
      QString question = QString::fromUtf8(
          "「重複ファイル」と「似たようなファイル」の検索処理を行いますか？\r\r"
          "続けてメディアの追加/削除を行う場合には[いいえ]、\r"
          "続けてメディアの追加/削除を行わない場合には[はい]を推奨。");
      // A No cannot keep results whose keys the change may have made wrong;
      // the user is told before choosing, not surprised afterwards.
      if (Store(AnalysisMode::Duplicate).ResultsExist() ||
          Store(AnalysisMode::Similar).ResultsExist())
        question += QString::fromUtf8("\r\r[いいえ]の場合、これまでの検索結果は削除されます。");
      search = prompter_.Message(question, PromptIcon::Question, PromptButtons::YesNo) ==
               PromptResult::Yes;
      break;
    }
  }
  // Results left from before the change would be stale (after a compaction
  // their keys name other files), so a search that cannot run discards them
  // as a No does.
  if (!search || catalog_.FilteredMediaCount() == 0) {
    DiscardResults();
    return false;
  }
  for (AnalysisMode mode : {AnalysisMode::Duplicate, AnalysisMode::Similar}) {
    if (runner_)
      runner_(mode);
    else
      RunAnalysis(mode, progress);
  }
  return true;
}

void AnalysisControl::DiscardResults() {
  for (AnalysisMode mode : {AnalysisMode::Duplicate, AnalysisMode::Similar}) {
    WaitForResultLoad(mode);
    Store(mode).DeleteResults();
    state_[Index(mode)] = ResultState::NoResult;
  }
}

bool AnalysisControl::StartResultLoader(AnalysisMode mode, LoadCompleted completed) {
  ResultStore& store = Store(mode);
  Loader& loader = loaders_[Index(mode)];
  if (loader.running || !store.ResultsExist()) return false;
  if (loader.thread.joinable()) loader.thread.join();
  state_[Index(mode)] = ResultState::Loading;
  loader.running = true;
  // Both loaders of an opened catalogue share one snapshot of its long names.
  const Loader& other = loaders_[1 - Index(mode)];
  if (!other.running || !other.names)
    loader.names = LongNameSnapshot::Take(catalog_);
  else
    loader.names = other.names;
  loader.thread = std::thread(
      [mode, path = store.Path(), completed = std::move(completed), names = loader.names, &loader] {
        loader.result = ReadGroupHeads(path, mode, names.get());
        if (completed) completed(mode);
      });
  return true;
}

bool AnalysisControl::FinishResultLoad(AnalysisMode mode) {
  Loader& loader = loaders_[Index(mode)];
  if (!loader.running) return false;
  loader.thread.join();
  loader.running = false;
  loader.names.reset();
  const bool complete = loader.result.complete;
  Store(mode).Adopt(std::move(loader.result));
  loader.result = LoadedGroups{};
  state_[Index(mode)] = ResultState::Loaded;
  return complete;
}

bool AnalysisControl::WaitForResultLoad(AnalysisMode mode) {
  return FinishResultLoad(mode);
}

}  // namespace plomix
