#pragma once
// When the duplicate and similar-name analyses run and how their stored
// results are loaded. A search runs on the calling thread from start to end
// (the window shows its progress dialog around it); loading the stored group
// heads of an opened catalogue runs on one worker thread per mode, which
// builds its list away from the store and hands it over at completion. The
// workers read a snapshot of the catalogue's long names, never the live
// catalogue.

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "analysis/LongNameSnapshot.h"
#include "analysis/NameAnalysis.h"
#include "analysis/ResultStore.h"

namespace plomix {

class Catalog;
class Prompter;
class Settings;

// What the window shows for one mode.
enum class ResultState {
  NoResult,   // no result file: the search command is offered
  Loading,    // the worker reads the heads: page hidden, catalogue commands off
  Loaded,     // heads in the store (possibly none)
  Searching,  // a search runs under its dialog
};

class AnalysisControl {
 public:
  // Called on the worker thread when a load has finished; the window queues
  // FinishResultLoad onto its own thread from here.
  using LoadCompleted = std::function<void(AnalysisMode)>;

  // Takes the delimiter text in effect from REG_LikeKey.
  AnalysisControl(Catalog& catalog, DupResultStore& dup, LikeResultStore& like, Settings& settings,
                  Prompter& prompter);
  // Waits for running loads.
  ~AnalysisControl();
  AnalysisControl(const AnalysisControl&) = delete;
  AnalysisControl& operator=(const AnalysisControl&) = delete;

  ResultStore& Store(AnalysisMode mode);
  ResultState State(AnalysisMode mode) const;
  bool IsLoading(AnalysisMode mode) const;
  // True while a load of either mode runs: opening, creating or compacting a
  // catalogue and reading a media must wait.
  bool AnyLoading() const;

  // After a catalogue was opened: both stores point at its result files and
  // are emptied; the state of each mode is NoResult or, once a loader is
  // started, Loading.
  void CatalogOpened();

  // RunAnalysis: false (nothing runs) when no live media passes the category
  // filter. Otherwise takes the delimiter text from REG_LikeKey, empties the
  // mode's lists and runs RunSearchInDialog. A running load of the mode is
  // waited for first.
  bool RunAnalysis(AnalysisMode mode, const AnalysisProgress& progress = {});
  // The search itself: keys, engine, sort, write, clear, reload of the heads.
  // Throws CatalogError when the result file cannot be written.
  AnalysisCounters RunSearchInDialog(AnalysisMode mode, const AnalysisProgress& progress = {});

  // After media were added, deleted or compacted: REG_DupSearchMode 2 (or a
  // Yes to the question asked for 0) searches both modes again; 1 (or No)
  // deletes both result files, and so does a search that cannot run because
  // no live media passes the category filter. True when the searches ran.
  bool AfterMediaChange(const AnalysisProgress& progress = {});
  // Both results discarded without asking.
  void DiscardResults();
  // What AfterMediaChange runs for each mode instead of RunAnalysis (the
  // window runs every search under its progress dialog); empty: RunAnalysis.
  using SearchRunner = std::function<void(AnalysisMode)>;
  void SetSearchRunner(SearchRunner runner) { runner_ = std::move(runner); }

  // StartResultLoader: when the mode's result file exists, enters Loading
  // and starts the worker; false (nothing started) otherwise.
  bool StartResultLoader(AnalysisMode mode, LoadCompleted completed = {});
  // On the owning thread after the completion call: hands the list to the
  // store and enters Loaded. Returns whether the file was wholly sound;
  // false as well when no load was running.
  bool FinishResultLoad(AnalysisMode mode);
  // Waits for a running load and finishes it.
  bool WaitForResultLoad(AnalysisMode mode);

 private:
  struct Loader {
    std::thread thread;
    std::atomic<bool> running{false};
    LoadedGroups result;
    std::shared_ptr<const LongNameSnapshot> names;  // what the worker reads, never the catalogue
  };
  static int Index(AnalysisMode mode) { return mode == AnalysisMode::Duplicate ? 0 : 1; }

  Catalog& catalog_;
  DupResultStore& dup_;
  LikeResultStore& like_;
  Settings& settings_;
  Prompter& prompter_;
  ResultState state_[2] = {ResultState::NoResult, ResultState::NoResult};
  Loader loaders_[2];
  SearchRunner runner_;
};

}  // namespace plomix
