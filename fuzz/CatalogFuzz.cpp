// The catalogue loader on a catalogue file of fuzzed bytes: open, every
// media loaded with its paths and names, the comment list, a file search,
// both analyses with their result files, a mark, a comment, a deletion and
// compaction, all through the real engine on a real file. Besides any crash
// or sanitizer report, it fails when what the engine wrote itself does not
// read back: a result file it just wrote, or a compacted catalogue whose live
// media no longer load as they did.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "analysis/NameAnalysis.h"
#include "analysis/ResultStore.h"
#include "core/Catalog.h"
#include "search/FileSearch.h"

namespace plomix {
namespace {

// What a live media looks like to a user: its name and every entry's path.
using MediaView = std::vector<std::string>;

MediaView ViewOf(Catalog& catalog, int slot) {
  MediaView view;
  if (!catalog.LoadMedia(slot)) return view;
  view.push_back(catalog.Slot(slot).Name());
  for (int r = 0; r <= catalog.LoadedCount(); ++r) {
    (void)catalog.LoadedRec(r);
    const RecordPathResult path = catalog.RecordPath(slot * kKeyFactor + r);
    view.push_back(catalog.BuildRecordPath(slot, r) + "|" + path.folder + "|" + path.name + "|" +
                   catalog.RecordName(r));
  }
  catalog.LongNameCount(slot);
  catalog.CutNameCount(slot);
  catalog.MediaPicture(slot);
  return view;
}

std::map<int, MediaView> LiveMedia(Catalog& catalog) {
  std::map<int, MediaView> media;
  for (int slot = 0; slot < catalog.SlotsUsed(); ++slot) {
    if (!catalog.Slot(slot).Name().empty()) media[slot] = ViewOf(catalog, slot);
  }
  return media;
}

void Search(Catalog& catalog) {
  FileSearch search(catalog);
  SearchConditions conditions;
  conditions.nameEnabled = true;
  conditions.namePattern = "*e*.t?t";
  conditions.includeFolders = true;
  conditions.commentEnabled = true;
  conditions.commentCombineAnd = false;
  search.SetConditions(conditions);
  std::vector<int> slots;
  for (int slot = 0; slot < catalog.SlotsUsed(); ++slot) slots.push_back(slot);
  search.SetSearchMediaList(slots);
  search.RunFileSearch();
  for (int r = 0; r < catalog.LoadedCount() && r < 64; ++r) search.MatchesSearchConditions(r);
}

void Analyse(Catalog& catalog, ResultStore& store, std::string_view delimiters) {
  store.SetPathFromCatalog(catalog.CatalogPath());
  store.Search().Delimiters().SetKeyDelimiters(delimiters);
  store.Search().RunNameAnalysis(catalog);
  store.Search().Sort();
  store.WriteResultFile(delimiters);
  store.ClearSearch();
  if (!store.LoadGroups()) std::abort();  // our own file must read back whole
  for (int g = 0; g < store.GroupCount() && g < 64; ++g) {
    ResultItem head;
    store.GroupHead(g, head);
    if (!store.LoadMembers(1, head.first, head.groupSize)) std::abort();
    store.FindGroup(head.name);
  }
}

}  // namespace
}  // namespace plomix

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace plomix;
  const std::string path = fuzz::WorkFile("catalog.qdb");
  fuzz::RemoveSideFiles(path);
  static std::string file;
  fuzz::ExpandCatalog({reinterpret_cast<const char*>(data), size}, file);
  fuzz::WriteFile(path, file);

  {
    Catalog catalog;
    if (!catalog.OpenCatalog(path)) return 0;
    catalog.ReadLongNames();
    catalog.Recount();
    catalog.RebuildNameLists();
    catalog.TotalFolders();
    catalog.TotalFiles();
    catalog.CatalogFreeSpace();
    const int comments = catalog.BuildCommentList();
    for (int row = 0; row < comments; ++row) {
      for (int column = 0; column < 6; ++column) catalog.CommentCell(row, column);
    }
    catalog.SortCommentList(1, true);
    for (int slot = 0; slot < catalog.SlotsUsed(); ++slot) {
      catalog.VisitMediaRecords(slot, [](int32_t, const TFileRec&) {});
      catalog.FetchMediaFacts(slot * kKeyFactor);
    }
    std::map<int, MediaView> before = LiveMedia(catalog);

    Search(catalog);
    DupResultStore dup(&catalog);
    Analyse(catalog, dup, {});
    LikeResultStore like(&catalog);
    Analyse(catalog, like, " _-.()[]");

    // What a user writes on a media that loads: a mark, a comment, and its
    // deletion, which leaves compaction work to do.
    for (auto it = before.begin(); it != before.end(); ++it) {
      if (it->second.empty()) continue;
      const int32_t key = it->first * kKeyFactor;
      catalog.SetMark(Catalog::MarkChange::Toggle, key);
      const int comment = catalog.AddComment(key, "fuzz", kKindFixed, it->second.front());
      if (comment >= 0) catalog.SetCommentLink(comment, key);
      catalog.DeleteMedia(it->first);
      before.erase(it);
      break;
    }

    // Compaction keeps every live media as it was, only at another place.
    if (catalog.CompactCatalog() != CompactResult::Done) return 0;
    Catalog reopened;
    if (!reopened.OpenCatalog(path)) std::abort();
    reopened.ReadLongNames();
    std::vector<MediaView> was, now;
    for (const auto& [slot, view] : before) was.push_back(view);
    for (const auto& [slot, view] : LiveMedia(reopened)) now.push_back(view);
    if (was != now) std::abort();
  }
  return 0;
}
