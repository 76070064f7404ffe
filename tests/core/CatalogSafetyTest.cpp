// A catalogue must survive what happens to files in real use: a write that
// fails (full disk, I/O error, short write) at any step, the process killed at
// any step, and two programs writing at once.

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "TestSupport.h"
#include "analysis/ResultStore.h"
#include "core/BinaryFile.h"
#include "core/Catalog.h"
#include "core/Text.h"
#include "search/FileSearch.h"
#include "support/MediaBuilder.h"

namespace plomix {
namespace {

namespace fs = std::filesystem;
using test::FlatMedia;
using test::InfoFor;

// What every media of the fixture must show wherever it lands.
struct MediaFacts {
  int32_t records;
  std::string longName;         // the complete name of its last record
  bool commented = false;       // its first file carries the comment "note"
  bool mayBeCommented = false;  // it may carry it (a comment being added)
  // How many fingerprints it has, those of PrintsFor; -1: not looked at.
  int prints = -1;
};

std::string LongNameFor(const std::string& media) {
  return media + "_" + std::string(110, 'x');
}

// The exact name of a media's first file: CP932 cannot hold the emoji.
std::string ExactNameFor(const std::string& media) {
  return media + " \xF0\x9F\x98\x80";
}

// A media of `files` files whose last file has a name longer than a record
// holds and whose first file has a name CP932 cannot hold.
std::vector<TRecord> MediaWithLongName(const std::string& name, int files) {
  std::vector<TRecord> recs = FlatMedia(name, files);
  recs.back().Name = LongNameFor(name);
  recs[1].ExactName = ExactNameFor(name);
  recs[1].Name = name + " ?";
  return recs;
}

class VectorRecords : public MediaRecordSource {
 public:
  explicit VectorRecords(std::vector<TRecord> records, FingerprintSetPtr prints = nullptr)
      : records_(std::move(records)), prints_(std::move(prints)) {}
  int32_t RecordCount() const override { return static_cast<int32_t>(records_.size()); }
  void Fetch(int32_t index, TRecord& out) const override { out = records_.at(index); }
  std::string_view NativeName(int32_t index) const override { return records_.at(index).ExactName; }
  FingerprintSetPtr Fingerprints() const override { return prints_; }

 private:
  std::vector<TRecord> records_;
  FingerprintSetPtr prints_;
};

std::optional<int> Store(Catalog& c, const std::string& name, int files, bool replace = false,
                         FingerprintSetPtr prints = nullptr) {
  TMediaInfomation info = InfoFor();
  return c.StoreMedia(VectorRecords(MediaWithLongName(name, files), std::move(prints)), info,
                      replace);
}

// A fingerprint for each of the media's files (records 1..files).
FingerprintSetPtr PrintsFor(int files) {
  auto prints = std::make_shared<FingerprintSet>();
  for (int r = 1; r <= files; ++r)
    prints->Add(r, Fingerprint{FingerprintMode::Full, {static_cast<uint8_t>(r)}});
  return prints;
}

// Reads the media in `slot` again with `files` files (its comments go along).
void Update(Catalog& c, int slot, int files, FingerprintSetPtr prints = nullptr) {
  TMediaInfomation info = InfoFor();
  const std::string name = c.Slot(slot).Name();
  if (!c.UpdateMedia(slot, c.IdentityOf(slot),
                     VectorRecords(MediaWithLongName(name, files), std::move(prints)), info))
    throw CatalogError("nothing updated");
}

using Facts = std::map<std::string, std::vector<MediaFacts>>;  // a name may have two forms

// Every live media loads with its record count, its long name and its
// comment (one of the forms its name may have); returns the live media by name.
std::map<std::string, int> ExpectIntact(Catalog& c, const Facts& facts, const std::string& where) {
  std::map<std::string, int> live;
  for (int s = 0; s < c.SlotsUsed(); ++s) {
    if (!c.Slot(s).IsLive()) continue;
    const std::string name = c.Slot(s).Name();
    if (!live.emplace(name, s).second) ADD_FAILURE() << where << ": two media named " << name;
    auto it = facts.find(name);
    if (it == facts.end()) {
      ADD_FAILURE() << where << ": unexpected media " << name;
      continue;
    }
    if (!c.LoadMedia(s)) {
      ADD_FAILURE() << where << ": " << name << " does not load: " << c.LastError();
      continue;
    }
    const MediaFacts* form = nullptr;
    for (const MediaFacts& f : it->second)
      if (f.records == c.LoadedCount()) form = &f;
    if (form == nullptr) {
      ADD_FAILURE() << where << ": " << name << " has " << c.LoadedCount() << " records";
      continue;
    }
    EXPECT_EQ(c.RecordName(c.LoadedCount() - 1), form->longName) << where << ": " << name;
    // Its fingerprints came whole with the reading that is stored, or not at all.
    if (form->prints >= 0) {
      const FingerprintSetPtr prints = c.FingerprintsOf(s);
      EXPECT_EQ(prints ? static_cast<int>(prints->Count()) : 0, form->prints)
          << where << ": " << name;
      for (std::size_t i = 0; prints && i < prints->Count(); ++i)
        EXPECT_EQ(prints->At(i).digest[0], prints->RecordAt(i)) << where << ": " << name;
    }
    // The exact name went where the long name went (a renamed media keeps both).
    EXPECT_EQ(c.ExactName(1), ExactNameFor(form->longName.substr(0, form->longName.find('_'))))
        << where << ": " << name;
    const int comment = c.LoadedRec(1).CommentNo();
    // A link written before its comment leads to a free slot, which every
    // reader ignores.
    const bool dangling = form->mayBeCommented && comment >= 0 && comment < kMaxComments &&
                          c.CommentSlot(comment).IsFree();
    if (form->commented || (form->mayBeCommented && comment != -1 && !dangling)) {
      EXPECT_EQ(c.CommentText(comment), "note") << where;
      if (comment >= 0) {
        EXPECT_EQ(c.CommentSlot(comment).Key(), MakeKey(s, 1)) << where;
      }
    } else if (!dangling) {
      EXPECT_EQ(comment, -1) << where << ": " << name;
    }
  }
  // A comment no entry links to is lost to the user: no change leaves one.
  for (int i = 0; i < kMaxComments; ++i) {
    const TCommentSlot& slot = c.CommentSlot(i);
    // A deleted media's comments go with it at the next compaction.
    if (slot.IsFree() || !c.Slot(SlotOfKey(slot.Key())).IsLive()) continue;
    const bool loaded = c.LoadMedia(SlotOfKey(slot.Key()));
    EXPECT_TRUE(loaded && c.LoadedRec(RecordOfKey(slot.Key())).CommentNo() == i)
        << where << ": comment " << i << " is attached to nothing";
  }
  return live;
}

std::set<std::string> Names(const std::map<std::string, int>& live) {
  std::set<std::string> names;
  for (const auto& [name, slot] : live) names.insert(name);
  return names;
}

// Counts the steps of an operation, or fails or kills one of them.
class StepHook {
 public:
  explicit StepHook(std::function<io::Fault(int step, io::Step kind, std::size_t bytes)> decide)
      : decide_(std::move(decide)) {
    io::SetFaultHookForTesting([this](io::Step kind, const std::string&, std::size_t bytes) {
      return decide_(++steps_, kind, bytes);
    });
  }
  ~StepHook() { io::SetFaultHookForTesting({}); }
  int Steps() const { return steps_; }

 private:
  std::function<io::Fault(int, io::Step, std::size_t)> decide_;
  int steps_ = 0;
};

// The fixture catalogue: Alpha (slot 0), Beta (slot 1, deleted), Gamma
// (slot 2, with a comment on its first file), each with a long name.
class SafetyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Thousands of writes run here; what a sync adds matters only for a power cut.
    io::SetSyncForTesting(false);
    path = dir.File("t.qdb");
    Catalog c;
    ASSERT_TRUE(c.CreateCatalog(path));
    ASSERT_TRUE(Store(c, "Alpha", 3));
    ASSERT_TRUE(Store(c, "Beta", 4));
    ASSERT_TRUE(Store(c, "Gamma", 2, false, PrintsFor(2)));
    ASSERT_TRUE(c.LoadMedia(2));
    ASSERT_GE(c.AddComment(MakeKey(2, 1), "note", kKindFile, "f0"), 0);
    c.DeleteMedia(1);
    facts = {{"Alpha",
              {{4, LongNameFor("Alpha"), false, true, 0},
               {7, LongNameFor("Alpha"), false, false, 0},
               {9, LongNameFor("Alpha"), false, false, 8}}},
             {"Gamma",
              {{3, LongNameFor("Gamma"), true, false, 2},
               {6, LongNameFor("Gamma")},
               {7, LongNameFor("Gamma"), true}}},
             {"Delta", {{6, LongNameFor("Delta"), false, false, 0}}},
             {"Zeta", {{8, LongNameFor("Zeta"), false, false, 7}}},
             {"Epsilon", {{6, LongNameFor("Epsilon"), false, false, 0}}},
             {"Renamed", {{4, LongNameFor("Alpha"), false, false, 0}}}};
  }

  void TearDown() override { io::SetSyncForTesting(true); }

  // The steps an operation takes on a copy of the fixture.
  std::vector<io::Step> StepsOf(const struct Operation& op) const;

  // A copy of the fixture's files in a new folder; returns its catalogue path.
  std::string Copy(const test::TempDir& to) const {
    for (const char* ext : {".qdb", ".lfn", ".exn", ".fpr"})
      fs::copy_file(dir.File(std::string("t") + ext), to.File(std::string("t") + ext));
    return to.File("t.qdb");
  }

  test::TempDir dir;
  std::string path;
  Facts facts;
};

struct Operation {
  const char* name;
  std::function<void(Catalog&)> run;
  std::set<std::string> after;  // live media once it is done
  // For a change of a text: "old" or "new" for the text read back as it was
  // or as the change made it, anything else says what is half done.
  std::function<std::string(Catalog&)> textState = {};
};

const std::string kCafe = "caf\xC3\xA9";

std::string SlotTextState(Catalog& c) {
  const bool exact = c.HasExactSlotText(0, SlotText::Category);
  if (c.Slot(0).Category() == "caf?" && c.ExactSlotText(0, SlotText::Category) == kCafe)
    return "new";
  if (c.Slot(0).Category() != "caf?" && !exact) return "old";
  return "category \"" + c.Slot(0).Category() + "\", exact " + (exact ? "kept" : "lost");
}

std::string CommentTextState(Catalog& c) {
  for (int i = 0; i < kMaxComments; ++i) {
    if (c.CommentSlot(i).IsFree() || c.CommentSlot(i).Key() != MakeKey(0, 2)) continue;
    return c.ExactCommentText(i) == kCafe ? "new" : "comment \"" + c.ExactCommentText(i) + "\"";
  }
  return "old";
}

const std::set<std::string> kBefore = {"Alpha", "Gamma"};

std::vector<io::Step> SafetyTest::StepsOf(const Operation& op) const {
  std::vector<io::Step> steps;
  test::TempDir scratch;
  Catalog c;
  EXPECT_TRUE(c.OpenCatalog(Copy(scratch)));
  StepHook record([&](int, io::Step what, std::size_t) {
    steps.push_back(what);
    return io::Fault{};
  });
  op.run(c);
  return steps;
}

std::vector<Operation> Operations() {
  return {
      {"add", [](Catalog& c) { Store(c, "Delta", 5); }, {"Alpha", "Gamma", "Delta"}},
      {"add replacing", [](Catalog& c) { Store(c, "Gamma", 5, true); }, {"Alpha", "Gamma"}},
      {"add with fingerprints",
       [](Catalog& c) {
         const std::optional<int> slot = Store(c, "Zeta", 7, false, PrintsFor(7));
         if (slot && (!c.FingerprintsOf(*slot) || c.FingerprintsOf(*slot)->Count() != 7))
           throw CatalogError("fingerprints lost");
       },
       {"Alpha", "Gamma", "Zeta"}},
      {"delete", [](Catalog& c) { c.DeleteMedia(2); }, {"Alpha"}},
      {"rename", [](Catalog& c) { c.RenameMedia(0, "Renamed"); }, {"Renamed", "Gamma"}},
      {"compact", [](Catalog& c) { c.CompactCatalog(); }, {"Alpha", "Gamma"}},
      {"comment",
       [](Catalog& c) {
         if (c.AddComment(MakeKey(0, 1), "note", kKindFile, "f0") < 0)
           throw CatalogError("no comment slot");
       },
       {"Alpha", "Gamma"}},
      // The media after Alpha move; Gamma's comment goes along with its entry.
      {"update", [](Catalog& c) { Update(c, 0, 6); }, {"Alpha", "Gamma"}},
      {"update commented", [](Catalog& c) { Update(c, 2, 6); }, {"Alpha", "Gamma"}},
      // Gamma's fingerprints move with its records.
      {"update with fingerprints",
       [](Catalog& c) { Update(c, 0, 8, PrintsFor(8)); },
       {"Alpha", "Gamma"}},
      {"create over",
       [](Catalog& c) {
         if (!c.CreateCatalog(c.CatalogPath())) throw CatalogError(c.LastError());
       },
       {}},
      {"exact slot text",
       [](Catalog& c) {
         c.SetSlotText(0, SlotText::Category, kCafe);
         c.WriteSlotTable();
       },
       {"Alpha", "Gamma"},
       SlotTextState},
      {"exact comment",
       [](Catalog& c) {
         if (c.AddCommentText(MakeKey(0, 2), kCafe, kKindFile, "f1") < 0)
           throw CatalogError("no comment slot");
       },
       {"Alpha", "Gamma"},
       CommentTextState},
  };
}

TEST_F(SafetyTest, AFailedStepLeavesTheCatalogueAsItWasOrTheChangeWhole) {
  struct FaultKind {
    const char* name;
    int error;
    bool shortWrite;
  };
  // A write fails after putting down half its bytes (as on a full disk); any
  // other step fails outright.
  const FaultKind kinds[] = {{"ENOSPC, short write", ENOSPC, true}, {"EIO", EIO, false}};
  int failures = 0;
  for (const Operation& op : Operations()) {
    const std::vector<io::Step> kindOf = StepsOf(op);
    const int steps = static_cast<int>(kindOf.size());
    ASSERT_GT(steps, 0) << op.name;
    for (int k = 1; k <= steps; ++k) {
      for (const FaultKind& kind : kinds) {
        if ((kindOf[k - 1] == io::Step::Write) != kind.shortWrite) continue;
        const std::string where =
            std::string(op.name) + ", step " + std::to_string(k) + ", " + kind.name;
        test::TempDir scratch;
        const std::string at = Copy(scratch);
        const auto qdb = test::ReadFileBytes(at);
        const auto lfn = test::ReadFileBytes(scratch.File("t.lfn"));
        const auto exn = test::ReadFileBytes(scratch.File("t.exn"));
        const auto fpr = test::ReadFileBytes(scratch.File("t.fpr"));
        Catalog c;
        ASSERT_TRUE(c.OpenCatalog(at));
        bool threw = false;
        {
          StepHook fail([&](int step, io::Step what, std::size_t bytes) {
            io::Fault f;
            if (step != k) return f;
            f.error = kind.error;
            if (what == io::Step::Write && kind.shortWrite) f.written = bytes / 2;
            return f;
          });
          try {
            op.run(c);
          } catch (const CatalogError& e) {
            threw = true;
            ++failures;
            EXPECT_NE(std::string(e.what()).find(scratch.Path().string()), std::string::npos)
                << where << ": " << e.what();
          }
        }
        Catalog disk;
        ASSERT_TRUE(disk.OpenCatalog(at)) << where;
        disk.ReadLongNames();
        const auto live = Names(ExpectIntact(disk, facts, where));
        if (op.textState) {
          EXPECT_EQ(op.textState(disk), threw ? "old" : "new") << where;
        }
        // A change that rewrites the files whole may fail after its commit.
        const bool rewrites =
            std::string(op.name) == "compact" || std::string(op.name).rfind("update", 0) == 0;
        if (threw && !rewrites) {
          // Nothing of a failed change is left, byte for byte, and no file
          // beside them.
          EXPECT_EQ(test::ReadFileBytes(at), qdb) << where;
          EXPECT_EQ(test::ReadFileBytes(scratch.File("t.lfn")), lfn) << where;
          EXPECT_EQ(test::ReadFileBytes(scratch.File("t.exn")), exn) << where;
          EXPECT_EQ(test::ReadFileBytes(scratch.File("t.fpr")), fpr) << where;
          std::set<std::string> files;
          for (const auto& entry : fs::directory_iterator(scratch.Path()))
            files.insert(entry.path().filename().string());
          EXPECT_EQ(files, (std::set<std::string>{"t.qdb", "t.lfn", "t.exn", "t.fpr"})) << where;
        } else if (threw) {
          EXPECT_TRUE(live == kBefore || live == op.after) << where;
        } else {
          EXPECT_EQ(live, op.after) << where;
        }
        // The object that saw the failure goes on working with the disk.
        EXPECT_TRUE(Store(c, "Epsilon", 5)) << where;
        EXPECT_EQ(Names(ExpectIntact(c, facts, where + ", then add")).count("Epsilon"), 1u)
            << where;
      }
    }
  }
  EXPECT_GT(failures, 0);
}

TEST_F(SafetyTest, AKillAtAnyStepLeavesEveryMediaWhole) {
  for (const Operation& op : Operations()) {
    const int steps = static_cast<int>(StepsOf(op).size());
    int killed = 0;
    for (int k = 1; k <= steps; ++k) {
      const std::string where = std::string(op.name) + ", killed at step " + std::to_string(k);
      test::TempDir scratch;
      const std::string at = Copy(scratch);
      const pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        Catalog c;
        if (!c.OpenCatalog(at)) _exit(2);
        StepHook kill([k](int step, io::Step what, std::size_t bytes) {
          io::Fault f;
          // A write is cut off halfway, as a kill during the system call can.
          if (step == k) f = {0, what == io::Step::Write ? bytes / 2 : 0, true};
          return f;
        });
        try {
          op.run(c);
        } catch (...) {
          _exit(3);
        }
        _exit(0);
      }
      int status = 0;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << where << " " << status;
      ++killed;
      Catalog disk;
      ASSERT_TRUE(disk.OpenCatalog(at)) << where;
      disk.ReadLongNames();
      const auto live = Names(ExpectIntact(disk, facts, where));
      EXPECT_TRUE(live == kBefore || live == op.after) << where;
      if (op.textState) {
        const std::string state = op.textState(disk);
        EXPECT_TRUE(state == "old" || state == "new") << where << ": " << state;
      }
      // Long names written for a media whose slot never was are not counted.
      int longNames = 0;
      for (int s = 0; s < disk.SlotsUsed(); ++s) longNames += disk.LongNameCount(s);
      EXPECT_EQ(disk.LongNameEntries(), longNames) << where;
      // What a kill leaves of the exact-name file names no stored media.
      EXPECT_EQ(disk.TakeSideFileWarning(), "") << where;
      // The next write (here a compaction, which rewrites everything) finishes the job.
      disk.CompactCatalog();
      EXPECT_EQ(Names(ExpectIntact(disk, facts, where + ", compacted")), live);
      for (const char* left : {"t.qdb.new", "t.lfn.new", "t.lfn.old", "t.exn.new", "t.exn.old",
                               "t.fpr.new", "t.fpr.old", "t.qdb.journal"})
        EXPECT_FALSE(fs::exists(scratch.File(left))) << where << ": " << left;
    }
    EXPECT_EQ(killed, steps) << op.name;
  }
}

TEST_F(SafetyTest, TwoWritersLoseNothing) {
  const char* env = std::getenv("PLOMIX_WRITER_ROUNDS");
  const int rounds = env ? std::atoi(env) : 30;
  const auto writer = [&](int id) {
    Catalog c;
    if (!c.OpenCatalog(path)) _exit(2);
    try {
      for (int i = 0; i < rounds; ++i) {
        if (!Store(c, "W" + std::to_string(id) + "-" + std::to_string(i), 2 + i % 5)) _exit(4);
        // The second writer also deletes and compacts while the first adds.
        if (id == 2 && i % 10 == 9) {
          const std::optional<int> victim = c.FindMediaByName("W2-" + std::to_string(i - 5));
          if (!victim) _exit(5);
          c.DeleteMedia(*victim);
          c.CompactCatalog();
        }
      }
    } catch (const std::exception& e) {
      fprintf(stderr, "writer %d: %s\n", id, e.what());
      _exit(3);
    }
    _exit(0);
  };
  pid_t children[2];
  for (int id = 1; id <= 2; ++id) {
    children[id - 1] = fork();
    ASSERT_GE(children[id - 1], 0);
    if (children[id - 1] == 0) writer(id);
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  Facts expected = facts;
  std::set<std::string> names = kBefore;
  for (int id = 1; id <= 2; ++id) {
    for (int i = 0; i < rounds; ++i) {
      const std::string name = "W" + std::to_string(id) + "-" + std::to_string(i);
      expected[name] = {{3 + i % 5, LongNameFor(name)}};
      const bool deleted = id == 2 && i % 10 == 4 && i + 5 < rounds;
      if (!deleted) names.insert(name);
    }
  }
  Catalog disk;
  ASSERT_TRUE(disk.OpenCatalog(path));
  ASSERT_TRUE(disk.ReadLongNames());
  EXPECT_EQ(Names(ExpectIntact(disk, expected, "two writers")), names);
}

// ---- A window open for hours notices what another program wrote ----

TEST_F(SafetyTest, TwoAnalysesAtOnceWriteTheirResultsInTurn) {
  const auto analyst = [&] {
    Catalog c;
    if (!c.OpenCatalog(path)) _exit(2);
    c.ReadLongNames();
    try {
      for (int i = 0; i < 15; ++i) {
        DupResultStore store{&c};
        store.SetDupPath(path);
        store.Search().RunNameAnalysis(c);
        store.WriteDupFile();
      }
    } catch (const std::exception& e) {
      fprintf(stderr, "%s\n", e.what());
      _exit(3);
    }
    _exit(0);
  };
  pid_t children[2];
  for (pid_t& child : children) {
    child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) analyst();
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  Catalog c;
  ASSERT_TRUE(c.OpenCatalog(path));
  DupResultStore store{&c};
  store.SetDupPath(path);
  EXPECT_TRUE(store.LoadGroups());
  EXPECT_FALSE(fs::exists(dir.File("t.dup.new")));
}

TEST_F(SafetyTest, WhatACallerKeepsBesideAMediaIsWrittenInItsTransaction) {
  Catalog c;
  ASSERT_TRUE(c.OpenCatalog(path));
  const auto qdb = test::ReadFileBytes(path);
  std::string seen;
  TMediaInfomation info = InfoFor();
  // Called with the slot as it will be stored, before the slot table is written.
  ASSERT_TRUE(c.StoreMedia(VectorRecords(MediaWithLongName("Delta", 2)), info, false,
                           [&](const TMediaSlot& stored) {
                             seen = stored.Name() + "/" + std::to_string(stored.Count());
                             const auto now = test::ReadFileBytes(path);
                             TMediaSlot onDisk;
                             onDisk.CopyFrom(0, &now[3 * TMediaSlot::kSize], TMediaSlot::kSize);
                             EXPECT_TRUE(onDisk.IsNeverUsed());
                             EXPECT_GT(now.size(), qdb.size());  // its records are there
                           }));
  EXPECT_EQ(seen, "Delta/3");
  // When it fails, nothing is stored.
  const auto before = test::ReadFileBytes(path);
  info = InfoFor();
  EXPECT_THROW(c.StoreMedia(VectorRecords(MediaWithLongName("Epsilon", 2)), info, false,
                            [](const TMediaSlot&) { throw CatalogError("origin not written"); }),
               CatalogError);
  EXPECT_EQ(test::ReadFileBytes(path), before);
  EXPECT_FALSE(c.FindMediaByName("Epsilon"));
}

TEST_F(SafetyTest, AnOpenCatalogueNoticesChangesAndRefusesStaleWrites) {
  Catalog window;
  ASSERT_TRUE(window.OpenCatalog(path));
  window.ReadLongNames();
  ASSERT_TRUE(window.LoadMedia(2));
  EXPECT_FALSE(window.ChangedOnDisk());
  EXPECT_FALSE(window.RefreshFromDisk());

  Catalog tool;
  ASSERT_TRUE(tool.OpenCatalog(path));
  tool.ReadLongNames();
  ASSERT_TRUE(tool.CompactCatalog() == CompactResult::Done);  // Gamma moves to slot 1

  EXPECT_TRUE(window.ChangedOnDisk());
  // Records of a stale slot are not read; a stale change is refused.
  EXPECT_FALSE(window.LoadMedia(0) && window.LoadMedia(2));
  EXPECT_THROW(window.RenameMedia(2, "Other"), CatalogError);
  // The refused write took the disk: the window now shows the compacted catalogue.
  EXPECT_TRUE(window.RefreshFromDisk());
  EXPECT_FALSE(window.RefreshFromDisk());
  EXPECT_EQ(window.Slot(1).Name(), "Gamma");
  ExpectIntact(window, facts, "window");

  // A change to another slot is merged, not refused.
  window.SetSlotCategory(0, "Box");
  tool.RenameMedia(1, "Renamed");
  EXPECT_TRUE(window.WriteSlotTable());
  Catalog disk;
  ASSERT_TRUE(disk.OpenCatalog(path));
  EXPECT_EQ(disk.Slot(0).Category(), "Box");
  EXPECT_EQ(disk.Slot(1).Name(), "Renamed");
  EXPECT_TRUE(window.RefreshFromDisk());
  EXPECT_EQ(window.Slot(1).Name(), "Renamed");

  // Two programs adding at once each get their own slot.
  EXPECT_EQ(Store(tool, "Delta", 5), 2);
  EXPECT_EQ(Store(window, "Epsilon", 5), 3);
  ASSERT_TRUE(disk.OpenCatalog(path));
  EXPECT_EQ(disk.Slot(2).Name(), "Delta");
  EXPECT_EQ(disk.Slot(3).Name(), "Epsilon");
}

// A change aimed at the media a window shows acts on that media or on none,
// whatever another program did to the slots since the window looked: the
// identity is checked under the lock, and a name is looked up there.
TEST_F(SafetyTest, AChangeForAShownMediaNeverTakesAnotherOne) {
  struct Case {
    const char* name;
    bool readAgain;  // the window reads the catalogue again before the change
    std::function<int(Catalog&, const MediaIdentity& gamma)> change;
    std::optional<int> changed;  // the slot changed; empty: refused
    std::set<std::string> after;
  };
  const MediaIdentity gammaByName{"Gamma", {}, {}};
  const std::vector<Case> cases = {
      {"delete, old view",
       false,
       [](Catalog& c, auto& g) { return c.DeleteMedia(2, &g); },
       {},
       {"Alpha", "Gamma", "Delta"}},
      {"delete, view read again",
       true,
       [](Catalog& c, auto& g) { return c.DeleteMedia(2, &g); },
       {},
       {"Alpha", "Gamma", "Delta"}},
      {"rename, view read again",
       true,
       [](Catalog& c, auto& g) { return c.RenameMedia(2, "Renamed", &g); },
       {},
       {"Alpha", "Gamma", "Delta"}},
      {"delete in its new slot",
       true,
       [](Catalog& c, auto& g) { return c.DeleteMedia(1, &g); },
       1,
       {"Alpha", "Delta"}},
      {"delete by name, old view",
       false,
       [&](Catalog& c, auto&) { return c.DeleteMedia(-1, &gammaByName); },
       1,
       {"Alpha", "Delta"}},
  };
  for (const Case& c : cases) {
    test::TempDir scratch;
    const std::string copy = Copy(scratch);
    Catalog window;
    ASSERT_TRUE(window.OpenCatalog(copy));
    const MediaIdentity gamma = window.IdentityOf(2);
    {
      Catalog tool;
      ASSERT_TRUE(tool.OpenCatalog(copy));
      ASSERT_TRUE(tool.CompactCatalog() == CompactResult::Done);  // Gamma moves to slot 1
      ASSERT_EQ(Store(tool, "Delta", 5), 2);                      // and Delta takes slot 2
    }
    if (c.readAgain) {
      EXPECT_TRUE(window.RefreshFromDisk()) << c.name;
    }
    if (c.changed) {
      EXPECT_EQ(c.change(window, gamma), *c.changed) << c.name;
    } else {
      try {
        c.change(window, gamma);
        ADD_FAILURE() << c.name << ": not refused";
      } catch (const MediaMismatch& e) {
        EXPECT_EQ(e.reason(), MediaMismatch::Reason::Differs) << c.name;
        EXPECT_EQ(e.slot(), 2) << c.name;
      }
    }
    Catalog disk;
    ASSERT_TRUE(disk.OpenCatalog(copy));
    disk.ReadLongNames();
    EXPECT_EQ(Names(ExpectIntact(disk, facts, c.name)), c.after) << c.name;
  }
}

// ---- Smaller faults ----

TEST_F(SafetyTest, ResultFileWritesFailWithoutLeavingAnything) {
  Catalog c;
  ASSERT_TRUE(c.OpenCatalog(path));
  c.ReadLongNames();
  DupResultStore store{&c};
  store.SetDupPath(path);
  store.Search().RunNameAnalysis(c);
  store.WriteDupFile();
  store.ClearDupSearch();
  const auto before = test::ReadFileBytes(dir.File("t.dup"));
  int steps = 0;
  {
    StepHook count([](int, io::Step, std::size_t) { return io::Fault{}; });
    store.ClearDupSearch();
    store.Search().RunNameAnalysis(c);
    store.WriteDupFile();
    steps = count.Steps();
  }
  for (int k = 1; k <= steps; ++k) {
    store.ClearDupSearch();
    store.Search().RunNameAnalysis(c);
    StepHook fail([k](int step, io::Step what, std::size_t bytes) {
      return step == k ? io::Fault{ENOSPC, what == io::Step::Write ? bytes / 3 : 0} : io::Fault{};
    });
    try {
      store.WriteDupFile();
    } catch (const CatalogError& e) {
      EXPECT_NE(std::string(e.what()).find("t.dup"), std::string::npos) << e.what();
    }
    EXPECT_EQ(test::ReadFileBytes(dir.File("t.dup")).size(), before.size()) << k;
    EXPECT_FALSE(fs::exists(dir.File("t.dup.new"))) << k;
  }

  // A temporary file of an analysis that was killed is removed at the next
  // open; one that a running analysis holds locked is left alone.
  test::WriteFileBytes(dir.File("t.dup.new"), {1, 2, 3});
  test::WriteFileBytes(dir.File("t.lik.new"), {1, 2, 3});
  const int held = ::open(dir.File("t.lik.new").c_str(), O_RDONLY);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  Catalog reopened;
  ASSERT_TRUE(reopened.OpenCatalog(path));
  EXPECT_FALSE(fs::exists(dir.File("t.dup.new")));
  EXPECT_TRUE(fs::exists(dir.File("t.lik.new")));
  ::close(held);
}

TEST_F(SafetyTest, CreatingOverAnOldCatalogueTakesItsResultsAway) {
  test::WriteFileBytes(dir.File("t.dup"), std::vector<uint8_t>(200, 1));
  test::WriteFileBytes(dir.File("t.lik"), std::vector<uint8_t>(200, 1));
  Catalog c;
  ASSERT_TRUE(c.CreateCatalog(path));
  EXPECT_FALSE(fs::exists(dir.File("t.dup")));
  EXPECT_FALSE(fs::exists(dir.File("t.lik")));
  EXPECT_EQ(c.SlotsUsed(), 0);
  EXPECT_EQ(test::FileSize(path), 2906000u);

  // A path without a name makes no hidden ".qdb".
  const fs::path cwd = fs::current_path();
  fs::current_path(dir.Path());
  for (const char* bad : {"", ".qdb"}) {
    Catalog none;
    EXPECT_FALSE(none.CreateCatalog(bad)) << bad;
    EXPECT_FALSE(none.CreateCatalog(ApplyCatalogExtension(bad))) << bad;
  }
  EXPECT_FALSE(fs::exists(dir.File(".qdb")));
  fs::current_path(cwd);
}

TEST_F(SafetyTest, NothingIsWrittenThroughALinkAndReplacedFilesKeepTheirMode) {
  struct Case {
    const char* name;
    std::function<void(Catalog&)> run;
  };
  const std::vector<Case> cases = {
      {"add", [](Catalog& c) { ASSERT_TRUE(Store(c, "Delta", 5)); }},
      {"add replacing", [](Catalog& c) { ASSERT_TRUE(Store(c, "Gamma", 5, true)); }},
      {"compact", [](Catalog& c) { EXPECT_EQ(c.CompactCatalog(), CompactResult::Done); }},
      {"update", [](Catalog& c) { Update(c, 0, 6); }},
      {"create over", [](Catalog& c) { ASSERT_TRUE(c.CreateCatalog(c.CatalogPath())); }},
      {"duplicate results",
       [](Catalog& c) {
         c.ReadLongNames();
         DupResultStore store{&c};
         store.SetDupPath(c.CatalogPath());
         store.Search().RunNameAnalysis(c);
         store.WriteDupFile();
       }},
  };
  for (const Case& op : cases) {
    test::TempDir scratch, outside;
    const std::string at = Copy(scratch);
    test::WriteFileBytes(outside.File("victim"), {'v'});
    // Every temporary name holds a link: to a file that exists, or to a
    // place where none does yet.
    int n = 0;
    for (const char* temporary : {"t.qdb.new", "t.lfn.new", "t.exn.new", "t.dup.new",
                                  "t.qdb.journal", "t.qdb.replacing", "t.lfn.undo", "t.fpr.new"}) {
      fs::create_symlink(n++ % 2 == 0 ? outside.File("victim") : outside.File(temporary),
                         scratch.File(temporary));
    }
    for (const char* kept : {"t.qdb", "t.lfn", "t.exn", "t.fpr"})
      fs::permissions(scratch.File(kept), fs::perms::owner_read | fs::perms::owner_write);
    Catalog c;
    ASSERT_TRUE(c.OpenCatalog(at)) << op.name;
    op.run(c);
    EXPECT_EQ(test::ReadFileBytes(outside.File("victim")), std::vector<uint8_t>{'v'}) << op.name;
    std::set<std::string> reached;
    for (const auto& entry : fs::directory_iterator(outside.Path()))
      reached.insert(entry.path().filename().string());
    EXPECT_EQ(reached, std::set<std::string>{"victim"}) << op.name;
    for (const auto& entry : fs::directory_iterator(scratch.Path())) {
      if (!fs::is_regular_file(fs::symlink_status(entry.path()))) continue;  // a planted link
      EXPECT_EQ(fs::status(entry.path()).permissions() & fs::perms::all,
                fs::perms::owner_read | fs::perms::owner_write)
          << op.name << ": " << entry.path().filename();
    }
  }
}

TEST_F(SafetyTest, LongNameHeaderWithoutCapacityIsDamage) {
  auto lfn = test::ReadFileBytes(dir.File("t.lfn"));
  for (int i = 4; i < 8; ++i) lfn[i] = 0;  // capacity 0
  test::WriteFileBytes(dir.File("t.lfn"), lfn);
  Catalog c;
  ASSERT_TRUE(c.OpenCatalog(path));
  // The damage is told once, not at every read of the same file.
  EXPECT_NE(c.TakeSideFileWarning().find("t.lfn\" is damaged"), std::string::npos);
  EXPECT_FALSE(c.ReadLongNames());
  EXPECT_EQ(c.TakeSideFileWarning(), "");
  // New media still get their long names; the damaged file is kept aside.
  ASSERT_TRUE(Store(c, "Delta", 5));
  Catalog disk;
  ASSERT_TRUE(disk.OpenCatalog(path));
  EXPECT_TRUE(disk.ReadLongNames());
  ASSERT_TRUE(disk.LoadMedia(3));
  EXPECT_EQ(disk.RecordName(5), LongNameFor("Delta"));
  EXPECT_TRUE(fs::exists(dir.File("t.lfn.damaged")));
}

TEST_F(SafetyTest, MediaNamesAreCutBeforeATwoByteCharacter) {
  // 90 ASCII bytes and a two-byte character: 92 bytes, one more than a slot holds.
  const std::string name = std::string(90, 'n') + test::Sj("あ");
  ASSERT_EQ(name.size(), 92u);
  Catalog c;
  ASSERT_TRUE(c.OpenCatalog(path));
  std::vector<TRecord> recs = FlatMedia(name, 1);
  TMediaInfomation info = InfoFor();
  const std::optional<int> slot = c.StoreMedia(VectorRecords(recs), info);
  ASSERT_TRUE(slot);
  EXPECT_EQ(c.Slot(*slot).Name(), std::string(90, 'n'));
  EXPECT_EQ(c.Slot(*slot).Root().Name(), std::string(90, 'n'));
  EXPECT_EQ(c.FindMediaByName(name), slot);
  EXPECT_EQ(c.RenameMedia(0, std::string(89, 'r') + test::Sj("いう")), 1);
  EXPECT_EQ(c.Slot(0).Name(), std::string(89, 'r') + test::Sj("い"));
  // A name another slot holds is refused under the lock.
  EXPECT_EQ(c.RenameMedia(0, "Gamma"), 0);
  EXPECT_EQ(c.Slot(0).Name(), std::string(89, 'r') + test::Sj("い"));
}

TEST_F(SafetyTest, TotalsDoNotOverflowAndDamagedCountsReserveNothing) {
  Catalog c;
  ASSERT_TRUE(c.OpenCatalog(path));
  for (const char* name : {"Big1", "Big2"}) {
    std::vector<TRecord> recs = FlatMedia(name, 1);
    recs[0].AllFiles = INT32_MAX;
    recs[0].AllFolders = 32767;
    TMediaInfomation info = InfoFor();
    ASSERT_TRUE(c.StoreMedia(VectorRecords(recs), info));
  }
  EXPECT_EQ(c.TotalFiles(), 2 * int64_t{INT32_MAX} + 2 + 3);

  // A slot whose count runs far beyond the file: the search gives no hits
  // and asks for no memory on its behalf.
  auto bytes = test::ReadFileBytes(path);
  const std::size_t count = 2 * TMediaSlot::kSize + TMediaSlot::kCount;
  for (int i = 0; i < 4; ++i) bytes[count + i] = i == 3 ? 0x7f : 0xff;
  test::WriteFileBytes(path, bytes);
  Catalog damaged;
  ASSERT_TRUE(damaged.OpenCatalog(path));
  FileSearch search(damaged);
  SearchConditions conditions;
  conditions.nameEnabled = true;
  conditions.namePattern = "*";
  search.SetConditions(conditions);
  search.SetSearchMediaList({0, 2});
  EXPECT_NO_THROW(search.RunFileSearch());
  EXPECT_EQ(search.SearchCount(), 3);  // Alpha's files only

  // No media can hold that many records: an add would put its records
  // gigabytes away, and a compaction copy them. Both refuse and write nothing.
  const auto size = test::FileSize(path);
  try {
    Store(damaged, "Delta", 2);
    ADD_FAILURE() << "an add over a damaged count was made";
  } catch (const CatalogError& e) {
    EXPECT_NE(std::string(e.what()).find("is damaged"), std::string::npos) << e.what();
  }
  EXPECT_EQ(damaged.CompactCatalog(), CompactResult::CopyFailed);
  EXPECT_NE(damaged.LastError().find("is damaged"), std::string::npos) << damaged.LastError();
  EXPECT_EQ(test::FileSize(path), size);
}

TEST(PatternText, InvalidOrUnmappableCharactersAreNotWildcards) {
  EXPECT_EQ(text::Utf8ToCp932Exact("a?b*"), "a?b*");
  EXPECT_EQ(text::Utf8ToCp932Exact("写真?"), test::Sj("写真?"));
  EXPECT_FALSE(text::Utf8ToCp932Exact("a\xff"));
  EXPECT_FALSE(text::Utf8ToCp932Exact("a\xc3"));
  EXPECT_FALSE(text::Utf8ToCp932Exact("\xf0\x9f\x98\x80"));  // no CP932 form
}

}  // namespace
}  // namespace plomix
