#include "browse/TreeDiff.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Text.h"

namespace plomix {

namespace {

// A flat copy of the records of a tree, names in one arena, from which the
// listing is emitted in PathLess order.
class ListingBuilder {
 public:
  explicit ListingBuilder(int32_t count) {
    const auto n = static_cast<std::size_t>(std::clamp(count, 0, kMaxRecords + 1));
    nodes_.reserve(n);
    arena_.reserve(n * 24);
  }

  // Records arrive in index order; `record` < 0 marks a record left out.
  void Add(int32_t parent, int16_t kind, double size, int32_t date, std::string_view cp932,
           std::string_view exact) {
    Node node;
    node.parent = parent;
    node.kind = kind;
    node.size = std::isfinite(size) ? static_cast<int64_t>(std::llround(size)) : 0;
    node.date = date;
    node.nameAt = static_cast<uint32_t>(arena_.size());
    if (exact.empty() && IsPlain(cp932))
      arena_.append(cp932);
    else
      arena_.append(text::ShownName(cp932, exact));
    node.nameLength = static_cast<uint32_t>(arena_.size() - node.nameAt);
    nodes_.push_back(node);
  }

  // Finds the records below `root` and sorts each folder's entries by name;
  // false when `root` is no folder or media.
  bool Prepare(int32_t root) {
    const auto count = static_cast<int32_t>(nodes_.size());
    if (root < 0 || root >= count || !Container(nodes_[static_cast<std::size_t>(root)].kind))
      return false;
    // Which records lie below the root: a parent always comes before its
    // entries, so one pass in index order decides.
    std::vector<char> inside(static_cast<std::size_t>(count), 0);
    inside[static_cast<std::size_t>(root)] = 1;
    childCount.assign(static_cast<std::size_t>(count) + 1, 0);
    for (int32_t r = root + 1; r < count; ++r) {
      const Node& n = nodes_[static_cast<std::size_t>(r)];
      if (n.kind == kKindCatalog || n.parent < 0 || n.parent >= r) continue;
      const auto p = static_cast<std::size_t>(n.parent);
      if (!inside[p] || !Container(nodes_[p].kind)) continue;
      inside[static_cast<std::size_t>(r)] = 1;
      ++childCount[p + 1];
    }
    // The entries of each folder side by side, sorted by name.
    for (std::size_t i = 1; i < childCount.size(); ++i) childCount[i] += childCount[i - 1];
    children.assign(static_cast<std::size_t>(childCount.back()), 0);
    std::vector<int32_t> fill(childCount.begin(), childCount.end() - 1);
    for (int32_t r = root + 1; r < count; ++r)
      if (inside[static_cast<std::size_t>(r)])
        children[static_cast<std::size_t>(
            fill[static_cast<std::size_t>(nodes_[static_cast<std::size_t>(r)].parent)]++)] = r;
    for (std::size_t f = 0; f + 1 < childCount.size(); ++f) {
      auto begin = children.begin() + childCount[f], end = children.begin() + childCount[f + 1];
      if (end - begin > 1)
        std::sort(begin, end, [&](int32_t a, int32_t b) { return Name(a) < Name(b); });
    }
    return true;
  }

  std::vector<TreeItem> Emit(int32_t root) {
    std::vector<TreeItem> items;
    if (!Prepare(root)) return items;
    const auto count = static_cast<int32_t>(nodes_.size());
    // Depth first, each path made from its folder's path.
    items.reserve(children.size());
    std::vector<int64_t> itemOf(static_cast<std::size_t>(count), -1);
    std::vector<int32_t> stack;
    const auto pushChildren = [&](int32_t folder) {
      const auto f = static_cast<std::size_t>(folder);
      for (int32_t i = childCount[f + 1]; i > childCount[f]; --i)
        stack.push_back(children[static_cast<std::size_t>(i - 1)]);
    };
    pushChildren(root);
    while (!stack.empty()) {
      const int32_t r = stack.back();
      stack.pop_back();
      const Node& n = nodes_[static_cast<std::size_t>(r)];
      TreeItem item;
      const std::string_view name = Name(r);
      if (n.parent == root) {
        item.path.assign(name);
      } else {
        const std::string& prefix =
            items[static_cast<std::size_t>(itemOf[static_cast<std::size_t>(n.parent)])].path;
        item.path.reserve(prefix.size() + 1 + name.size());
        item.path.append(prefix).append(1, '\\').append(name);
      }
      item.folder = Container(n.kind);
      item.size = n.size;
      item.date = n.date;
      itemOf[static_cast<std::size_t>(r)] = static_cast<int64_t>(items.size());
      items.push_back(std::move(item));
      if (Container(n.kind)) pushChildren(r);
    }
    return items;
  }

  struct Node {
    int32_t parent;
    int16_t kind;
    int64_t size;
    int32_t date;
    uint32_t nameAt, nameLength;
  };

  static bool IsPlain(std::string_view cp932) {
    for (const char c : cp932)
      if (static_cast<unsigned char>(c) >= 0x80 || c == '\\') return false;
    return true;
  }
  static bool Container(int16_t kind) { return IsFolderKind(kind) || IsMediaKind(kind); }
  std::string_view Name(int32_t r) const {
    const Node& n = nodes_[static_cast<std::size_t>(r)];
    return std::string_view(arena_).substr(n.nameAt, n.nameLength);
  }

  const Node& At(int32_t r) const { return nodes_[static_cast<std::size_t>(r)]; }
  // After Prepare: the sorted entries of record f are
  // children[childCount[f]] .. children[childCount[f + 1] - 1].
  std::vector<int32_t> childCount, children;

 private:
  std::vector<Node> nodes_;
  std::string arena_;
};

// Reads the records of a stored media into `builder`; false when they
// cannot be read.
bool Collect(Catalog& catalog, int slot, std::unique_ptr<ListingBuilder>& builder) {
  if (slot < 0 || slot >= catalog.SlotsUsed() || !catalog.Slot(slot).IsLive()) return false;
  int64_t position = 0;
  int32_t count = 0;
  if (!catalog.LocateMedia(slot, position, count)) return false;
  builder = std::make_unique<ListingBuilder>(count);
  return catalog.VisitMediaRecords(slot, [&](int32_t r, const TFileRec& rec) {
    // The stored name in place; only a name that may have been cut is
    // looked up in the long names.
    const std::string_view stored(reinterpret_cast<const char*>(rec.Data()) + TFileRec::kName + 1,
                                  rec.NameLength());
    const std::string_view exact = catalog.ExactNameOfRecord(slot, r);
    if (stored.size() < 90) {
      builder->Add(rec.Parent(), rec.Kind(), rec.Size(), rec.FileDate(), stored, exact);
      return;
    }
    builder->Add(rec.Parent(), rec.Kind(), rec.Size(), rec.FileDate(),
                 catalog.LongNameOfRecord(slot, r, stored), exact);
  });
}

// Comparing two prepared trees folder by folder, each folder's entries
// merged by name: no path is made but those of the entries reported.
class TreeMerge {
 public:
  TreeMerge(const ListingBuilder& left, const ListingBuilder& right, DiffReport& report)
      : left_(left), right_(right), report_(report) {}

  void Run(int32_t leftRoot, int32_t rightRoot) {
    Totals(left_, report_.leftSize, report_.leftFiles, report_.leftFolders);
    Totals(right_, report_.rightSize, report_.rightFiles, report_.rightFolders);
    struct Frame {
      int32_t il, endL, ir, endR;
      std::size_t prefix;  // length of the folder's path with its separator
    };
    const auto frameOf = [&](int32_t l, int32_t r, std::size_t prefix) {
      return Frame{left_.childCount[static_cast<std::size_t>(l)],
                   left_.childCount[static_cast<std::size_t>(l) + 1],
                   right_.childCount[static_cast<std::size_t>(r)],
                   right_.childCount[static_cast<std::size_t>(r) + 1], prefix};
    };
    std::vector<Frame> stack{frameOf(leftRoot, rightRoot, 0)};
    while (!stack.empty()) {
      Frame& f = stack.back();
      if (f.il == f.endL && f.ir == f.endR) {
        stack.pop_back();
        continue;
      }
      const std::size_t prefix = f.prefix;
      const int32_t a = f.il < f.endL ? left_.children[static_cast<std::size_t>(f.il)] : -1;
      const int32_t b = f.ir < f.endR ? right_.children[static_cast<std::size_t>(f.ir)] : -1;
      const int order = a < 0 ? 1 : b < 0 ? -1 : left_.Name(a).compare(right_.Name(b));
      if (order < 0) {
        ++f.il;
        Subtree(left_, a, prefix, true, report_.removed);
        continue;
      }
      if (order > 0) {
        ++f.ir;
        Subtree(right_, b, prefix, true, report_.added);
        continue;
      }
      ++f.il;
      ++f.ir;
      const auto& na = left_.At(a);
      const auto& nb = right_.At(b);
      const bool folderA = ListingBuilder::Container(na.kind);
      const bool folderB = ListingBuilder::Container(nb.kind);
      if (folderA != folderB || (!folderA && (na.size != nb.size || na.date != nb.date))) {
        path_.resize(prefix);
        path_ += right_.Name(b);
        DiffEntry e = Entry(nb, path_);
        e.oldFolder = folderA;
        e.oldSize = na.size;
        e.oldDate = na.date;
        report_.changed.push_back(std::move(e));
        if (folderA) Subtree(left_, a, prefix, false, report_.removed);
        if (folderB) Subtree(right_, b, prefix, false, report_.added);
      } else if (folderA) {
        path_.resize(prefix);
        path_ += right_.Name(b);
        path_ += '\\';
        stack.push_back(frameOf(a, b, path_.size()));
      }
    }
  }

 private:
  static DiffEntry Entry(const ListingBuilder::Node& n, const std::string& path) {
    DiffEntry e;
    e.path = path;
    e.folder = ListingBuilder::Container(n.kind);
    e.size = n.size;
    e.date = n.date;
    return e;
  }

  static void Totals(const ListingBuilder& b, int64_t& size, int64_t& files, int64_t& folders) {
    for (const int32_t r : b.children) {
      const auto& n = b.At(r);
      if (ListingBuilder::Container(n.kind)) {
        ++folders;
      } else {
        ++files;
        size += n.size;
      }
    }
  }

  // Entry `node` (with `self`) and everything below it, depth first.
  void Subtree(const ListingBuilder& b, int32_t node, std::size_t prefix, bool self,
               std::vector<DiffEntry>& out) {
    path_.resize(prefix);
    path_ += b.Name(node);
    if (self) out.push_back(Entry(b.At(node), path_));
    if (!ListingBuilder::Container(b.At(node).kind)) return;
    std::vector<std::pair<int32_t, std::size_t>> stack;
    const auto pushChildren = [&](int32_t folder, std::size_t length) {
      const auto f = static_cast<std::size_t>(folder);
      for (int32_t i = b.childCount[f + 1]; i > b.childCount[f]; --i)
        stack.emplace_back(b.children[static_cast<std::size_t>(i - 1)], length);
    };
    path_ += '\\';
    pushChildren(node, path_.size());
    while (!stack.empty()) {
      const auto [r, length] = stack.back();
      stack.pop_back();
      path_.resize(length);
      path_ += b.Name(r);
      out.push_back(Entry(b.At(r), path_));
      if (ListingBuilder::Container(b.At(r).kind)) {
        path_ += '\\';
        pushChildren(r, path_.size());
      }
    }
  }

  const ListingBuilder& left_;
  const ListingBuilder& right_;
  DiffReport& report_;
  std::string path_;
};

int ComparePaths(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  const int c = std::memcmp(a.data(), b.data(), n);
  if (c == 0) return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
  std::size_t i = 0;
  while (a[i] == b[i]) ++i;
  // The separator sorts before every byte of a name, so that "a\b" comes
  // right after "a" and before "a b".
  const auto rank = [](char ch) {
    return ch == '\\' ? 0 : static_cast<int>(static_cast<unsigned char>(ch)) + 1;
  };
  return rank(a[i]) < rank(b[i]) ? -1 : 1;
}

DiffEntry EntryOf(TreeItem&& item) {
  DiffEntry e;
  e.path = std::move(item.path);
  e.folder = item.folder;
  e.size = item.size;
  e.date = item.date;
  return e;
}

void Count(const std::vector<TreeItem>& items, int64_t& size, int64_t& files, int64_t& folders) {
  for (const TreeItem& i : items) {
    if (i.folder) {
      ++folders;
    } else {
      ++files;
      size += i.size;
    }
  }
}

void SortListing(std::vector<TreeItem>& items) {
  const auto less = [](const TreeItem& a, const TreeItem& b) { return PathLess(a.path, b.path); };
  if (!std::is_sorted(items.begin(), items.end(), less))
    std::sort(items.begin(), items.end(), less);
}

void AppendJsonString(std::string& out, std::string_view utf8) {
  out.push_back('"');
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          char code[8];
          std::snprintf(code, sizeof code, "\\u%04X", byte);
          out += code;
        } else {
          out.push_back(c);
        }
    }
  }
  out.push_back('"');
}

void AppendEntries(std::string& out, const char* key, const std::vector<DiffEntry>& entries,
                   bool withOld) {
  out += '"';
  out += key;
  out += "\": [";
  bool first = true;
  for (const DiffEntry& e : entries) {
    out += first ? "\n    {\"path\": " : ",\n    {\"path\": ";
    first = false;
    AppendJsonString(out, e.path);
    out += e.folder ? ", \"folder\": true, \"size\": " : ", \"folder\": false, \"size\": ";
    out += std::to_string(e.size);
    out += ", \"date\": ";
    out += JsonDateTime(e.date);
    if (withOld) {
      out += e.oldFolder ? ", \"oldFolder\": true, \"oldSize\": "
                         : ", \"oldFolder\": false, \"oldSize\": ";
      out += std::to_string(e.oldSize);
      out += ", \"oldDate\": ";
      out += JsonDateTime(e.oldDate);
    }
    out += '}';
  }
  out += first ? "]" : "\n  ]";
}

}  // namespace

bool PathLess(const std::string& a, const std::string& b) {
  return ComparePaths(a, b) < 0;
}

std::vector<TreeItem> ListTree(Catalog& catalog, int slot, int32_t record, bool* ok) {
  if (ok) *ok = false;
  std::unique_ptr<ListingBuilder> builder;
  if (!Collect(catalog, slot, builder)) return {};
  if (ok) *ok = true;
  return builder->Emit(record);
}

DiffReport CompareTrees(Catalog& catalog, int leftSlot, int32_t leftRecord, int rightSlot,
                        int32_t rightRecord, bool* ok) {
  if (ok) *ok = false;
  std::unique_ptr<ListingBuilder> left, right;
  if (!Collect(catalog, leftSlot, left) || !Collect(catalog, rightSlot, right)) return {};
  if (ok) *ok = true;
  DiffReport report;
  // A root that is no folder has no entries.
  const bool leftFolder = left->Prepare(leftRecord);
  const bool rightFolder = right->Prepare(rightRecord);
  if (!leftFolder || !rightFolder)
    return CompareListings(leftFolder ? left->Emit(leftRecord) : std::vector<TreeItem>(),
                           rightFolder ? right->Emit(rightRecord) : std::vector<TreeItem>());
  TreeMerge(*left, *right, report).Run(leftRecord, rightRecord);
  return report;
}

namespace {

void CollectSource(const MediaRecordSource& source, ListingBuilder& builder) {
  const int32_t count = source.RecordCount();
  TRecord rec;
  for (int32_t r = 0; r < count; ++r) {
    source.Fetch(r, rec);
    builder.Add(rec.Parent, rec.Kind, rec.Size, rec.FileDate, rec.Name, source.NativeName(r));
  }
}

}  // namespace

std::string DiffSummaryText(const DiffReport& report) {
  const auto signedNumber = [](int64_t value) {
    return (value > 0 ? "+" : "") + FormatNumber(static_cast<double>(value));
  };
  return "added " + std::to_string(report.added.size()) + ", removed " +
         std::to_string(report.removed.size()) + ", changed " +
         std::to_string(report.changed.size()) + "; files " +
         signedNumber(report.rightFiles - report.leftFiles) + ", size " +
         signedNumber(report.rightSize - report.leftSize) + " Byte";
}

std::vector<TreeItem> ListSource(const MediaRecordSource& source) {
  ListingBuilder builder(source.RecordCount());
  CollectSource(source, builder);
  return builder.Emit(0);
}

DiffReport CompareWithSource(Catalog& catalog, int slot, const MediaRecordSource& source,
                             bool* ok) {
  if (ok) *ok = false;
  std::unique_ptr<ListingBuilder> left;
  if (!Collect(catalog, slot, left)) return {};
  ListingBuilder right(source.RecordCount());
  CollectSource(source, right);
  DiffReport report;
  if (!left->Prepare(0) || !right.Prepare(0)) return report;
  if (ok) *ok = true;
  TreeMerge(*left, right, report).Run(0, 0);
  return report;
}

DiffReport CompareListings(std::vector<TreeItem> left, std::vector<TreeItem> right) {
  DiffReport report;
  Count(left, report.leftSize, report.leftFiles, report.leftFolders);
  Count(right, report.rightSize, report.rightFiles, report.rightFolders);
  SortListing(left);
  SortListing(right);
  std::size_t l = 0, r = 0;
  while (l < left.size() || r < right.size()) {
    const int order = l == left.size()    ? 1
                      : r == right.size() ? -1
                                          : ComparePaths(left[l].path, right[r].path);
    if (order < 0) {
      report.removed.push_back(EntryOf(std::move(left[l++])));
    } else if (order > 0) {
      report.added.push_back(EntryOf(std::move(right[r++])));
    } else {
      TreeItem& a = left[l++];
      TreeItem& b = right[r++];
      const bool differs =
          a.folder != b.folder || (!a.folder && (a.size != b.size || a.date != b.date));
      if (!differs) continue;
      DiffEntry e = EntryOf(std::move(b));
      e.oldFolder = a.folder;
      e.oldSize = a.size;
      e.oldDate = a.date;
      report.changed.push_back(std::move(e));
    }
  }
  return report;
}

std::string JsonDateTime(int32_t packed) {
  DateTimeParts p;
  if (packed == 0 || !UnpackDosDateTime(packed, p)) return "null";
  char text[40];
  std::snprintf(text, sizeof text, "\"%04d-%02d-%02dT%02d:%02d:%02d\"", p.year, p.month, p.day,
                p.hour, p.minute, p.second);
  return text;
}

std::string DiffReportJson(const DiffReport& report, bool withLostComments) {
  std::string out = "{\n  ";
  AppendEntries(out, "added", report.added, false);
  out += ",\n  ";
  AppendEntries(out, "removed", report.removed, false);
  out += ",\n  ";
  AppendEntries(out, "changed", report.changed, true);
  if (withLostComments) {
    out += ",\n  \"lostComments\": [";
    bool first = true;
    for (const LostComment& c : report.lostComments) {
      out += first ? "\n    {\"path\": " : ",\n    {\"path\": ";
      first = false;
      AppendJsonString(out, c.path);
      out += ", \"comment\": ";
      AppendJsonString(out, c.comment);
      out += '}';
    }
    out += first ? "]" : "\n  ]";
  }
  out += "\n}";
  return out;
}

}  // namespace plomix
