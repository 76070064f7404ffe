#pragma once
// Everything the program has open while it runs: the settings store, the
// catalogue, the two result stores, the analysis control, the drives, the
// scanner with its buffer, the read workflow, the browse history, the
// type-name cache and the image list with its per-extension icons. main() builds one before the
// window and destroys it after the window, so no widget ever outlives what its handlers use; the
// window and its pages hold it by reference. Tests build their own, pointed at a temporary settings
// folder through PLOMIX2_CONFIG_DIR.
//
// Widget-free (the image list needs Qt Gui only): it lives beside the window
// because the command line builds its engine objects per command and needs
// none of this.

#include <QString>
#include <functional>
#include <memory>

#include "core/BusyScope.h"

namespace plomix {

class AnalysisControl;
class BrowseHistory;
class Catalog;
class DupResultStore;
class Drives;
class ImageList;
class LikeResultStore;
class Prompter;
class ReadWorkflow;
class Scanner;
class Settings;
class TypeNames;

class Session {
 public:
  // Every question of the engine and the window goes to `prompter`, which
  // must outlive the session.
  explicit Session(Prompter& prompter);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  Prompter& Ask() const { return prompter_; }
  Settings& GetSettings() const { return *settings_; }
  Catalog& GetCatalog() const { return *catalog_; }
  DupResultStore& DupStore() const { return *dupStore_; }
  LikeResultStore& LikeStore() const { return *likeStore_; }
  AnalysisControl& Analysis() const { return *analysis_; }
  Drives& GetDrives() const { return *drives_; }
  Scanner& GetScanner() const { return *scanner_; }
  ReadWorkflow& Reader() const { return *readWorkflow_; }
  BrowseHistory& History() const { return *history_; }
  TypeNames& Types() const { return *typeNames_; }
  ImageList& Images() const { return *images_; }

  // While set, closing and every command that reads, writes or replaces the
  // catalogue are refused. Raised for as long as the scope MarkBusy returns
  // lives.
  bool Busy() const { return busy_; }
  BusyScope MarkBusy() { return BusyScope(busy_); }
  // No command runs and no stored result is being loaded: the catalogue may
  // be opened, created, compacted, read into or deleted from.
  bool CanChangeCatalogue() const;
  // For a command the user started while another one runs (a read, a search,
  // an analysis): tells them why nothing happens and returns true; false
  // when the command may run.
  bool RefuseWhileBusy() const;
  // Before a command that changes or replaces the catalogue: refused as
  // RefuseWhileBusy refuses, and otherwise waits for stored results still
  // loading (through the window's waiter) so that the command runs.
  bool ReadyToChangeCatalogue();
  void SetLoadWaiter(std::function<void()> waiter) { loadWaiter_ = std::move(waiter); }

 private:
  // Declared in building order: the analysis control (which waits for its
  // loaders) goes before the stores and the catalogue they fill.
  Prompter& prompter_;
  std::function<void()> loadWaiter_;
  std::unique_ptr<Settings> settings_;
  std::unique_ptr<Catalog> catalog_;
  std::unique_ptr<DupResultStore> dupStore_;
  std::unique_ptr<LikeResultStore> likeStore_;
  std::unique_ptr<AnalysisControl> analysis_;
  std::unique_ptr<Drives> drives_;
  std::unique_ptr<Scanner> scanner_;
  std::unique_ptr<ReadWorkflow> readWorkflow_;
  std::unique_ptr<BrowseHistory> history_;
  std::unique_ptr<TypeNames> typeNames_;
  std::unique_ptr<ImageList> images_;
  bool busy_ = false;
};

// What RefuseWhileBusy tells the user.
const QString& BusyRefusalText();

}  // namespace plomix
