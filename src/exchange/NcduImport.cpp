#include "exchange/NcduImport.h"

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>
#include <sys/stat.h>
#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>
#include <unordered_map>

#include "core/Format.h"
#include "core/Text.h"

namespace plomix::exchange {

namespace {

constexpr int32_t kChunkShift = 15;
constexpr int32_t kChunkSize = 1 << kChunkShift;
constexpr std::size_t kKeptUnreadablePaths = Scanner::kKeptUnreadablePaths;
// Sizes beyond 2^53 bytes would lose units in the catalogue's doubles.
constexpr uint64_t kMaxSize = uint64_t{1} << 53;
constexpr std::size_t kMaxNameBytes = 0xFFFF;
constexpr const char* kNotAListing = "an ncdu listing is a JSON array [1, 2, {...}, [...]]";

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return (static_cast<unsigned char>(c) & 0x80) == 0; });
}

int16_t Cap16(int32_t value) {
  return static_cast<int16_t>(std::min(value, 32767));
}

// The same order the reader gives a folder's entries: Japanese collation at
// tertiary strength on the names as the catalogue holds them, ties broken by
// the CP932 bytes and then by the native bytes.
icu::Collator& SortCollator() {
  thread_local std::unique_ptr<icu::Collator> collator = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> c(icu::Collator::createInstance(icu::Locale("ja"), status));
    if (U_FAILURE(status) || !c) throw std::runtime_error("cannot create the Japanese collator");
    c->setStrength(icu::Collator::TERTIARY);
    return c;
  }();
  return *collator;
}

}  // namespace

// ---------------------------------------------------------------- SAX handler

// Follows the listing's nesting: the top array [major, minor, {metadata},
// [ {top folder}, entries... ]], where an entry is an object (a file) or an
// array whose first element is the folder's own object.
class NcduHandler : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, NcduHandler> {
 public:
  NcduHandler(NcduImport& target, const JsonInputStream& stream)
      : target_(target), stream_(stream) {}

  std::string error;
  std::size_t errorOffset = 0;

  bool Default() { return Fail("unexpected value"); }

  bool Null() { return Scalar(); }
  bool Bool(bool b) {
    if (!Scalar()) return false;
    if (state_ != State::Info || skip_ > 0) return true;
    if (key_ == "hlnkc")
      pending_.hardLinked = b;
    else if (key_ == "read_error")
      pending_.readError = b;
    else if (key_ == "notreg")
      pending_.notRegular = b;
    return true;
  }
  bool Int(int i) { return Number(static_cast<int64_t>(i), true); }
  bool Uint(unsigned u) { return Number(static_cast<int64_t>(u), true); }
  bool Int64(int64_t i) { return Number(i, true); }
  bool Uint64(uint64_t u) {
    if (u > static_cast<uint64_t>(INT64_MAX)) {
      if (state_ == State::Info && skip_ == 0 && (key_ == "ino" || key_ == "dev")) {
        if (!Scalar()) return false;
        (key_ == "ino" ? pending_.inode : pending_.device) = u;
        return true;
      }
      return Number(0, false);
    }
    return Number(static_cast<int64_t>(u), true);
  }
  bool Double(double) { return Number(0, false); }
  bool String(const char* s, rapidjson::SizeType length, bool) {
    if (!Scalar()) return false;
    if (state_ != State::Info || skip_ > 0) return true;
    if (key_ == "name") {
      pending_.name.assign(s, length);
      pending_.hasName = true;
    } else if (key_ == "excluded") {
      pending_.excluded.assign(s, length);
      pending_.isExcluded = true;
    }
    return true;
  }
  bool Key(const char* s, rapidjson::SizeType length, bool) {
    if (skip_ == 0) key_.assign(s, length);
    return true;
  }

  bool StartObject() {
    if (skip_ > 0 || state_ == State::Info) {
      ++skip_;
      return true;
    }
    if (state_ == State::Top) {
      if (topItems_ != 2) return Fail("the listing's third element must be its metadata object");
      ++topItems_;
      ++skip_;
      return true;
    }
    if (state_ == State::Start) return Fail(kNotAListing);
    if (state_ == State::FolderHead || state_ == State::FolderItems) {
      pending_ = Pending{};
      pending_.isFolder = state_ == State::FolderHead;
      state_ = State::Info;
      return true;
    }
    return Fail("unexpected object");
  }
  bool EndObject(rapidjson::SizeType) {
    if (skip_ > 0) {
      --skip_;
      return true;
    }
    state_ = State::FolderItems;
    return Store();
  }
  bool StartArray() {
    if (skip_ > 0 || state_ == State::Info) {
      ++skip_;
      return true;
    }
    switch (state_) {
      case State::Start:
        state_ = State::Top;
        return true;
      case State::Top:
        if (topItems_ != 3)
          return Fail(topItems_ < 2   ? "the listing must start with its format version numbers"
                      : topItems_ > 3 ? "the listing holds more than one top folder"
                                      : "the listing's third element must be its metadata object");
        ++topItems_;
        state_ = State::FolderHead;
        return true;
      case State::FolderItems:
        state_ = State::FolderHead;
        return true;
      case State::FolderHead:
        return Fail("a folder's array must start with the folder's own object");
      default:
        return Fail("unexpected array");
    }
  }
  bool EndArray(rapidjson::SizeType) {
    if (skip_ > 0) {
      --skip_;
      return true;
    }
    if (state_ == State::FolderHead) return Fail("a folder's array must hold the folder's object");
    if (state_ == State::FolderItems) {
      const Frame& frame = frames_.back();
      path_.resize(frame.pathLength);
      frames_.pop_back();
      state_ = frames_.empty() ? State::Top : State::FolderItems;
      return true;
    }
    if (state_ == State::Top) {
      if (topItems_ < 4) return Fail("the listing has no top folder");
      state_ = State::Done;
      return true;
    }
    return Fail("unexpected end of array");
  }

 private:
  enum class State { Start, Top, FolderHead, FolderItems, Info, Done };
  struct Pending {
    std::string name, excluded;
    bool hasName = false, isFolder = false, isExcluded = false, readError = false;
    bool hardLinked = false, notRegular = false;
    std::optional<uint64_t> asize, dsize, device, inode, mode;
    std::optional<int64_t> mtime;
    uint64_t links = 0;
  };
  struct Frame {
    int32_t entry;
    int32_t lastChild;
    uint64_t device;
    std::size_t pathLength;
  };

  bool Fail(const std::string& message) {
    error = message;
    errorOffset = stream_.Tell();
    return false;
  }

  // A scalar where one may stand: in an entry's object, the metadata, or
  // as the version numbers at the top.
  bool Scalar() {
    if (skip_ > 0 || state_ == State::Info) return true;
    if (state_ == State::Start) return Fail(kNotAListing);
    if (state_ == State::Top && topItems_ < 2) return Fail("the format version must be a number");
    return Fail("unexpected value");
  }

  bool Number(int64_t value, bool whole) {
    if (skip_ > 0) return true;
    if (state_ == State::Start) return Fail(kNotAListing);
    if (state_ == State::Top && topItems_ < 2) {
      if (!whole) return Fail("the format version must be a whole number");
      if (topItems_ == 0 && value != 1)
        return Fail("format version " + std::to_string(value) + " is not supported (only 1.x)");
      ++topItems_;
      return true;
    }
    if (state_ != State::Info) return Fail("unexpected number");
    const auto field = [&](std::optional<uint64_t>& to, uint64_t max) {
      if (!whole || value < 0 || static_cast<uint64_t>(value) > max)
        return Fail("\"" + key_ + "\" out of range");
      to = static_cast<uint64_t>(value);
      return true;
    };
    if (key_ == "asize") return field(pending_.asize, kMaxSize);
    if (key_ == "dsize") return field(pending_.dsize, kMaxSize);
    if (key_ == "ino") return field(pending_.inode, UINT64_MAX);
    if (key_ == "dev") return field(pending_.device, UINT64_MAX);
    if (key_ == "mode") return field(pending_.mode, UINT32_MAX);
    if (key_ == "nlink") {
      std::optional<uint64_t> links;
      if (!field(links, UINT32_MAX)) return false;
      pending_.links = *links;
      return true;
    }
    if (key_ == "mtime") {
      if (!whole) return Fail("\"mtime\" out of range");
      pending_.mtime = value;
    }
    return true;
  }

  // The entry whose object just ended.
  bool Store() {
    Pending& p = pending_;
    if (!p.hasName) return Fail("an entry has no \"name\"");
    const bool top = frames_.empty();
    if (!top) {
      if (p.name.empty()) return Fail("an entry has an empty name");
      if (p.name.find('/') != std::string::npos || p.name.find('\0') != std::string::npos)
        return Fail("an entry's name holds '/' or a NUL character");
    }
    if (p.name.size() > kMaxNameBytes) return Fail("an entry's name is too long");
    const uint64_t device = p.device ? *p.device : (top ? 0 : frames_.back().device);
    const std::size_t pathLength = path_.size();
    if (top) {
      path_ = p.name;
      target_.topName_ = p.name;
    } else {
      if (!path_.empty() && path_.back() != '/') path_.push_back('/');
      path_ += p.name;
    }
    const bool isDir = p.mode ? S_ISDIR(static_cast<mode_t>(*p.mode)) : false;
    // A file system left out (a mount point) is kept as an empty folder.
    const bool otherFs = p.isExcluded && (p.excluded == "otherfs" || p.excluded == "kernfs");
    const bool folder = p.isFolder || otherFs || isDir;
    if (p.isExcluded || p.readError) target_.NoteUnreadable(path_);
    if (p.isExcluded && !folder) {
      path_.resize(pathLength);
      return true;
    }
    int32_t index = 0;
    if (!top) {
      if (target_.count_ >= target_.limit_)
        return Fail("the listing holds more entries than one media can store (" +
                    std::to_string(target_.limit_ - 1) + ")");
      ImportEntry e;
      Frame& parent = frames_.back();
      e.parent = parent.entry;
      const bool ascii = IsAscii(p.name);
      bool exact = true;
      e.name = ascii ? target_.names_.Add(p.name)
                     : target_.names_.Add(text::NativeNameToCp932(p.name, exact));
      if (!exact) {
        target_.exactNames_.push_back(target_.names_.Add(p.name));
        e.exact = static_cast<int32_t>(target_.exactNames_.size());
      }
      e.fileDate = p.mtime && *p.mtime != 0 ? DosDateTimeFromUnix(*p.mtime) : 0;
      int16_t attr = 0;
      if (p.mode) {
        const auto mode = static_cast<mode_t>(*p.mode);
        if (!(mode & S_IWUSR)) attr |= kAttrReadOnly;
        if (S_ISCHR(mode) || S_ISBLK(mode) || S_ISSOCK(mode) || S_ISFIFO(mode)) attr |= kAttrSystem;
        if (S_ISREG(mode)) attr |= kAttrArchive;
      } else if (!folder) {
        attr |= p.notRegular ? kAttrSystem : kAttrArchive;
      }
      if (p.name[0] == '.') attr |= kAttrHidden;
      if (folder) {
        attr |= kAttrDirectory;
        e.kind = kKindFolder;
        e.own = p.dsize ? static_cast<double>(*p.dsize) : 0;
        ++target_.folderCount_;
      } else {
        e.kind = kKindFile;
        e.size = static_cast<double>(p.asize ? *p.asize : p.dsize ? *p.dsize : 0);
        e.allocated = p.dsize ? static_cast<double>(*p.dsize) : e.size;
        ++target_.fileCount_;
      }
      e.attr = attr;
      index = target_.Append(e);
      if (parent.lastChild < 0)
        target_.At(parent.entry).firstChild = index;
      else
        target_.At(parent.lastChild).nextSibling = index;
      parent.lastChild = index;
      if (!folder && p.inode && (p.hardLinked || p.links > 1))
        target_.links_.push_back({device, *p.inode, index});
    }
    if (p.isFolder) {
      frames_.push_back({index, -1, device, pathLength});
    } else {
      path_.resize(pathLength);
    }
    return true;
  }

  NcduImport& target_;
  const JsonInputStream& stream_;
  State state_ = State::Start;
  int topItems_ = 0;
  int skip_ = 0;
  std::string key_;
  Pending pending_;
  std::vector<Frame> frames_;
  std::string path_;
};

// ---------------------------------------------------------------- NcduImport

NcduImport::NcduImport() = default;
NcduImport::~NcduImport() = default;

ImportEntry& NcduImport::At(int32_t index) {
  if (index < 0 || index >= count_) throw std::out_of_range("import entry outside the buffer");
  return chunks_[static_cast<std::size_t>(index >> kChunkShift)][index & (kChunkSize - 1)];
}

const ImportEntry& NcduImport::At(int32_t index) const {
  return const_cast<NcduImport*>(this)->At(index);
}

int32_t NcduImport::Append(const ImportEntry& entry) {
  if (static_cast<std::size_t>(count_ >> kChunkShift) >= chunks_.size())
    chunks_.push_back(std::make_unique<ImportEntry[]>(kChunkSize));
  const int32_t index = count_++;
  At(index) = entry;
  return index;
}

void NcduImport::Clear() {
  chunks_.clear();
  count_ = 0;
  names_.Clear();
  exactNames_.clear();
  order_.clear();
  links_.clear();
  topName_.clear();
  rootVersion_.clear();
  folderCount_ = fileCount_ = 0;
  unreadable_ = 0;
  unreadablePaths_.clear();
  media_ = TMediaInfomation{};
}

void NcduImport::NoteUnreadable(std::string path) {
  ++unreadable_;
  if (unreadablePaths_.size() < kKeptUnreadablePaths) unreadablePaths_.push_back(std::move(path));
}

void NcduImport::Read(ByteInput& input) {
  Clear();
  ImportEntry root;
  root.kind = kKindNetwork;
  root.attr = kAttrDirectory;
  Append(root);
  JsonInputStream stream(input);
  NcduHandler handler(*this, stream);
  rapidjson::Reader reader;
  try {
    const rapidjson::ParseResult result =
        reader.Parse<rapidjson::kParseIterativeFlag>(stream, handler);
    if (!result) {
      if (!handler.error.empty()) throw ImportError(handler.error, handler.errorOffset);
      throw ImportError(
          std::string("not an ncdu listing: ") + rapidjson::GetParseError_En(result.Code()),
          result.Offset());
    }
  } catch (...) {
    Clear();
    throw;
  }
}

std::string NcduImport::DefaultMediaName() const {
  std::string name = topName_;
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  const std::size_t slash = name.rfind('/');
  if (slash != std::string::npos && name.size() > 1) name = name.substr(slash + 1);
  bool exact = true;
  const std::string stored = StoredMediaName(text::NativeNameToCp932(name, exact));
  // A top folder without a name is named by the date-time, as a read names a
  // media whose name box was left empty.
  return stored.empty() ? FormatDateTime("yyyy/mm/dd hh:nn:ss", DosNow()) : stored;
}

bool NcduImport::Prepare(const ImportRequest& request) {
  order_.clear();
  if (count_ <= 1) return false;
  ImportEntry& root = At(0);
  root.name = names_.Add(request.mediaName.empty() ? DefaultMediaName() : request.mediaName);
  root.fileDate = DosNow();
  root.firstChild = 1;
  media_ = TMediaInfomation{};
  media_.KindName = MediaKindName(kKindNetwork);
  media_.Category = request.category.empty() ? media_.KindName : request.category;
  media_.Location = request.location;
  media_.LocationDetail = request.locationDetail;
  OrderRecords();
  Aggregate();
  CountHardLinksOnce();
  uint32_t oldestFile = 0, newestFile = 0, oldestFolder = 0, newestFolder = 0;
  double smallest = -1.0, largest = 0;
  for (std::size_t r = 1; r < order_.size(); ++r) {
    const ImportEntry& e = At(order_[r]);
    const auto d = static_cast<uint32_t>(e.fileDate);
    if (e.kind == kKindFile) {
      if (smallest == -1.0 || smallest > e.size) smallest = e.size;
      largest = std::max(largest, e.size);
    }
    if (d == 0) continue;
    uint32_t& oldest = e.kind == kKindFile ? oldestFile : oldestFolder;
    uint32_t& newest = e.kind == kKindFile ? newestFile : newestFolder;
    if (oldest == 0 || d < oldest) oldest = d;
    newest = std::max(newest, d);
  }
  media_.OldestFileDate = static_cast<int32_t>(oldestFile);
  media_.NewestFileDate = static_cast<int32_t>(newestFile);
  media_.OldestFolderDate = static_cast<int32_t>(oldestFolder);
  media_.NewestFolderDate = static_cast<int32_t>(newestFolder);
  media_.SmallestFile = smallest;
  media_.LargestFile = largest;
  rootVersion_ = std::to_string(folderCount_ + fileCount_) + "(" + std::to_string(folderCount_) +
                 "+" + std::to_string(fileCount_) + ")";
  return true;
}

// Breadth first, each folder's entries together and sorted, as a read stores them.
void NcduImport::OrderRecords() {
  order_.reserve(static_cast<std::size_t>(count_));
  order_.push_back(0);
  std::vector<int32_t> children;
  for (std::size_t r = 0; r < order_.size(); ++r) {
    ImportEntry& folder = At(order_[r]);
    if (!IsFolderKind(folder.kind) && r != 0) continue;
    children.clear();
    for (int32_t c = folder.firstChild; c >= 0; c = At(c).nextSibling) children.push_back(c);
    folder.firstChild = children.empty() ? -1 : static_cast<int32_t>(order_.size());
    SortChildren(children);
    for (const int32_t c : children) {
      At(c).parent = static_cast<int32_t>(r);
      order_.push_back(c);
    }
  }
}

void NcduImport::SortChildren(std::vector<int32_t>& children) const {
  const std::size_t n = children.size();
  if (n < 2) return;
  std::vector<std::string_view> cp932(n), native(n), utf8(n);
  std::vector<std::string> converted;
  converted.reserve(n);
  bool anyWide = false;
  for (std::size_t i = 0; i < n; ++i) {
    const ImportEntry& e = At(children[i]);
    cp932[i] = names_.Get(e.name);
    native[i] = e.exact > 0 ? names_.Get(exactNames_[static_cast<std::size_t>(e.exact - 1)])
                            : std::string_view();
    if (IsAscii(cp932[i])) {
      utf8[i] = cp932[i];
    } else {
      anyWide = true;
      utf8[i] = converted.emplace_back(text::Cp932ToUtf8(cp932[i]));
    }
  }
  icu::Collator& collator = SortCollator();
  std::vector<uint32_t> order(n);
  std::iota(order.begin(), order.end(), 0u);
  const auto tieLess = [&](uint32_t a, uint32_t b) {
    if (cp932[a] != cp932[b]) return cp932[a] < cp932[b];
    return native[a] < native[b];
  };
  if (anyWide && n >= 8) {
    // Sort keys order exactly as the comparisons do; made once per name.
    std::u16string units;
    std::vector<uint8_t> buffer(256);
    std::string keys;
    std::vector<uint32_t> ends(n);
    for (std::size_t i = 0; i < n; ++i) {
      units.resize(utf8[i].size());
      int32_t length = 0;
      UErrorCode status = U_ZERO_ERROR;
      u_strFromUTF8WithSub(units.data(), static_cast<int32_t>(units.size()), &length,
                           utf8[i].data(), static_cast<int32_t>(utf8[i].size()), 0xFFFD, nullptr,
                           &status);
      if (U_FAILURE(status)) length = 0;
      int32_t needed = collator.getSortKey(units.data(), length, buffer.data(),
                                           static_cast<int32_t>(buffer.size()));
      if (needed > static_cast<int32_t>(buffer.size())) {
        buffer.resize(static_cast<std::size_t>(needed));
        needed = collator.getSortKey(units.data(), length, buffer.data(), needed);
      }
      keys.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(needed));
      ends[i] = static_cast<uint32_t>(keys.size());
    }
    const auto keyOf = [&](uint32_t i) {
      const uint32_t begin = i == 0 ? 0 : ends[i - 1];
      return std::string_view(keys).substr(begin, ends[i] - begin);
    };
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
      const int r = keyOf(a).compare(keyOf(b));
      return r != 0 ? r < 0 : tieLess(a, b);
    });
  } else {
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
      UErrorCode status = U_ZERO_ERROR;
      const UCollationResult r = collator.compareUTF8(
          icu::StringPiece(utf8[a].data(), static_cast<int32_t>(utf8[a].size())),
          icu::StringPiece(utf8[b].data(), static_cast<int32_t>(utf8[b].size())), status);
      return r != UCOL_EQUAL ? r == UCOL_LESS : tieLess(a, b);
    });
  }
  std::vector<int32_t> sorted(n);
  for (std::size_t i = 0; i < n; ++i) sorted[i] = children[order[i]];
  children.swap(sorted);
}

// Backward over the records: a folder's entries follow it, so each folder is
// complete when it is reached. A folder's own allocation (its dsize) plays
// the part the cluster plays in a read.
void NcduImport::Aggregate() {
  for (std::size_t r = order_.size() - 1; r >= 1; --r) {
    ImportEntry& e = At(order_[r]);
    ImportEntry& parent = At(order_[static_cast<std::size_t>(e.parent)]);
    parent.size += e.size;
    if (IsFolderKind(e.kind)) {
      parent.allocated += e.own;
      if (e.allocated == 0) e.allocated = e.own;
      ++parent.dirFolders;
      parent.allFolders += 1 + e.allFolders;
      parent.allFiles += e.allFiles;
    } else {
      ++parent.dirFiles;
      ++parent.allFiles;
    }
    parent.allocated += e.allocated;
  }
}

// Every folder counts a file reached through several hard links once, as
// ncdu does: a folder holding k of the links gives back k - 1 of them.
void NcduImport::CountHardLinksOnce() {
  std::sort(links_.begin(), links_.end(), [](const Link& a, const Link& b) {
    return a.device != b.device ? a.device < b.device : a.inode < b.inode;
  });
  std::unordered_map<int32_t, int32_t> holders;
  for (std::size_t i = 0; i < links_.size();) {
    std::size_t j = i + 1;
    while (j < links_.size() && links_[j].device == links_[i].device &&
           links_[j].inode == links_[i].inode)
      ++j;
    if (j - i > 1) {
      holders.clear();
      for (std::size_t k = i; k < j; ++k)
        for (int32_t p = At(links_[k].entry).parent; p >= 0;
             p = At(order_[static_cast<std::size_t>(p)]).parent)
          ++holders[p];
      const ImportEntry& first = At(links_[i].entry);
      for (const auto& [record, n] : holders) {
        if (n < 2) continue;
        ImportEntry& folder = At(order_[static_cast<std::size_t>(record)]);
        folder.size -= (n - 1) * first.size;
        folder.allocated -= (n - 1) * first.allocated;
      }
    }
    i = j;
  }
}

std::string_view NcduImport::NativeName(int32_t index) const {
  const ImportEntry& e = At(order_.at(static_cast<std::size_t>(index)));
  return e.exact > 0 ? names_.Get(exactNames_[static_cast<std::size_t>(e.exact - 1)])
                     : std::string_view();
}

void NcduImport::Fetch(int32_t index, TRecord& out) const {
  const ImportEntry& e = At(order_.at(static_cast<std::size_t>(index)));
  out.Key = -1;
  out.Parent = e.parent;
  out.FirstChild = e.firstChild;
  out.Kind = e.kind;
  out.Attr = e.attr;
  out.Path.clear();
  const std::string_view name = names_.Get(e.name);
  out.Name.assign(name.data(), name.size());
  out.Size = e.size;
  out.FileDate = e.fileDate;
  out.Mark = 0;
  if (index == 0)
    out.Version = rootVersion_;
  else
    out.Version.clear();
  out.DirFolders = Cap16(e.dirFolders);
  out.DirFiles = e.dirFiles;
  out.AllFolders = Cap16(e.allFolders);
  out.AllFiles = e.allFiles;
  out.Allocated = e.allocated;
  out.CommentNo = -1;
}

}  // namespace plomix::exchange
