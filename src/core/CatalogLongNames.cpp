// The long-name file: names longer than a record holds, kept beside the
// catalogue per media, read under the catalogue's lock and rewritten whole.

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <type_traits>

#include "core/BinaryFile.h"
#include "core/Catalog.h"
#include "core/CatalogInternal.h"

namespace plomix {

namespace fs = std::filesystem;

using namespace catalog_internal;

void Catalog::ResetLongNameHeader() {
  ResetLongNameIndex();
  if (longNameMedia_.size() == static_cast<std::size_t>(kMaxMedia))
    std::fill(longNameMedia_.begin(), longNameMedia_.end(), TLongNameMedia{});
  else
    longNameMedia_.assign(kMaxMedia, TLongNameMedia{});
}

void Catalog::ResetLongNameIndex() {
  lnCapacity_ = kMaxMedia;
  lnUsed_ = 0;
  longNames_.clear();
  longNameIndex_.clear();
  longMap_.clear();
}

bool Catalog::ReadLongNames() {
  if (!open_) {
    ResetLongNameHeader();
    return false;
  }
  try {
    BinaryFile file = LockCatalog(false);
    return ReadLongNamesFrom(file);
  } catch (const CatalogError&) {
    ResetLongNameHeader();
    return false;
  }
}

// `catalogue` is the locked catalogue file: while its lock is held no writer
// replaces the long-name file.
bool Catalog::ReadLongNamesFrom(BinaryFile& catalogue) {
  (void)catalogue;
  longNamesDamaged_ = false;
  BinaryFile file = BinaryFile::TryRead(longNamePath_);
  longNameStamp_ = file.IsOpen() ? file.Stamp() : io::FileStamp{};
  if (!file.IsOpen()) {
    ResetLongNameHeader();
    return false;
  }

  // The media entries are read straight into their table, which is cleared
  // only when the header cannot be read whole.
  ResetLongNameIndex();
  longNameMedia_.resize(kMaxMedia);
  static_assert(sizeof(TLongNameMedia) == TLongNameMedia::kSize &&
                std::is_trivially_copyable_v<TLongNameMedia>);
  ByteImage<16> head;
  bool whole = false;
  try {
    whole = file.ReadAt(0, head.Data(), 16) &&
            file.ReadAt(512, reinterpret_cast<uint8_t*>(longNameMedia_.data()),
                        longNameMedia_.size() * TLongNameMedia::kSize);
  } catch (const CatalogError&) {
    whole = false;
  }
  if (!whole) {
    ResetLongNameHeader();
    longNamesDamaged_ = true;
    return false;
  }
  // The capacity is fixed: any other value is damage, and taking it would
  // hide sound entries now and keep later media from their long names.
  lnCapacity_ = kMaxMedia;
  lnUsed_ = std::clamp(head.I32(8), 0, lnCapacity_);
  int32_t count = std::clamp(head.I32(12), 0, kMaxLongNames);

  bool complete = head.I32(12) == count && head.I32(4) == kMaxMedia && head.I32(8) == lnUsed_;
  // A damaged count must not size the table beyond what the file holds.
  try {
    const int64_t held = (file.Size() - kLongNameHeaderSize) / TLongName::kSize;
    if (held < count) {
      count = static_cast<int32_t>(std::max<int64_t>(0, held));
      complete = false;
    }
  } catch (const CatalogError&) {
    count = 0;
    complete = false;
  }
  // Read straight into the table as well.
  static_assert(sizeof(TLongName) == TLongName::kSize && std::is_trivially_copyable_v<TLongName>);
  longNames_.resize(static_cast<std::size_t>(count));
  auto* block = reinterpret_cast<uint8_t*>(longNames_.data());
  int32_t got = count;
  try {
    if (count > 0 &&
        !file.ReadAt(kLongNameHeaderSize, block, std::size_t{TLongName::kSize} * count)) {
      int64_t available = file.Size() - kLongNameHeaderSize;
      got = static_cast<int32_t>(std::max<int64_t>(0, available / TLongName::kSize));
      got = std::min(got, count);
      complete = false;
      if (got > 0) file.ReadAt(kLongNameHeaderSize, block, got * TLongName::kSize);
    }
  } catch (const CatalogError&) {
    got = 0;
    complete = false;
  }
  longNames_.resize(static_cast<std::size_t>(got));
  if (!DropUnsoundLongNameRanges()) complete = false;
  DropNeverStoredLongNames();
  RebuildLongNameIndex();
  if (!complete) {
    longNamesDamaged_ = true;
    if (longWarnedStamp_ != longNameStamp_) {
      longWarnedStamp_ = longNameStamp_;
      if (!exactWarning_.empty()) exactWarning_ += "\n";
      exactWarning_ += "\"" + longNamePath_ +
                       "\" is damaged: long names it lost are shown cut to 91 bytes; it is kept "
                       "as \"" +
                       longNamePath_ + ".damaged\" when it is next rewritten";
    }
  }
  if (loadedMedia_ >= 0) BuildLongMap();
  return complete;
}

void Catalog::DropNeverStoredLongNames() {
  // An add cut off after it wrote the long-name file and before its slot
  // leaves names for a slot that was never used. Nothing refers to them: they
  // are dropped here, and the next rewrite of the file leaves them out.
  const int firstFree = FirstNeverUsedSlot();
  if (firstFree < 0) return;
  bool dropped = false;
  int32_t keepTo = 0;
  for (int s = 0; s < kMaxMedia; ++s) {
    TLongNameMedia& m = longNameMedia_[s];
    if (m.Valid() != 1) continue;
    if (s >= firstFree) {
      m = TLongNameMedia{};
      dropped = true;
    } else {
      keepTo = std::max(keepTo, m.End());
    }
  }
  if (!dropped) return;
  lnUsed_ = std::min(lnUsed_, firstFree);
  if (static_cast<int32_t>(longNames_.size()) > keepTo) longNames_.resize(keepTo);
}

bool Catalog::DropUnsoundLongNameRanges() {
  // A media's range must lie inside the entries read and must not share
  // entries with another media's range; otherwise its names would be taken
  // from other entries. Such a media keeps its names cut to 91 bytes.
  // An entry marked valid beyond "used" contradicts the header; it is dropped
  // too, since a later add raises "used" over it unchecked.
  const auto count = static_cast<int32_t>(longNames_.size());
  std::vector<int> ranged;
  bool sound = true;
  for (int s = 0; s < kMaxMedia; ++s) {
    TLongNameMedia& m = longNameMedia_[s];
    if (m.Valid() != 1) continue;
    if (s >= lnUsed_ || m.First() < 0 || m.End() < m.First() || m.End() > count) {
      m.SetValid(0);
      sound = false;
    } else if (m.End() > m.First()) {
      ranged.push_back(s);
    }
  }
  std::sort(ranged.begin(), ranged.end(),
            [this](int a, int b) { return longNameMedia_[a].First() < longNameMedia_[b].First(); });
  int32_t coveredTo = 0;
  for (int s : ranged) {
    TLongNameMedia& m = longNameMedia_[s];
    if (m.First() < coveredTo) {
      m.SetValid(0);
      sound = false;
    } else {
      coveredTo = m.End();
    }
  }
  return sound;
}

void Catalog::RebuildLongNameIndex() {
  longNameIndex_.clear();
  const int32_t count = static_cast<int32_t>(longNames_.size());
  for (int s = 0; s < lnUsed_; ++s) {
    const TLongNameMedia& m = longNameMedia_[s];
    if (m.Valid() != 1) continue;
    for (int32_t j = m.First(); j < m.End() && j < count; ++j)
      longNameIndex_.emplace(LongNameKey(s, longNames_[j].Record()), j);
  }
}

std::vector<uint8_t> Catalog::LongNameFileBytes() const {
  std::vector<uint8_t> out(static_cast<std::size_t>(kLongNameHeaderSize) +
                           longNames_.size() * TLongName::kSize);
  ByteImage<16> head;
  head.SetI32(0, kLongNameFormat);
  head.SetI32(4, lnCapacity_);
  head.SetI32(8, lnUsed_);
  head.SetI32(12, static_cast<int32_t>(longNames_.size()));
  std::copy_n(head.Data(), 16, out.data());
  for (int s = 0; s < kMaxMedia; ++s)
    std::copy_n(longNameMedia_[s].Data(), TLongNameMedia::kSize,
                &out[512 + s * TLongNameMedia::kSize]);
  for (std::size_t j = 0; j < longNames_.size(); ++j)
    std::copy_n(longNames_[j].Data(), TLongName::kSize,
                &out[kLongNameHeaderSize + j * TLongName::kSize]);
  return out;
}

void Catalog::WriteLongNameFile() {
  // A long-name file that could not be read whole is kept aside before it is
  // replaced, so that nothing it still held is destroyed.
  if (longNamesDamaged_) {
    std::error_code ec;
    std::string backup = longNamePath_ + ".damaged";
    if (fs::exists(longNamePath_, ec) && !fs::exists(backup, ec) &&
        !io::Link(longNamePath_, backup)) {
      std::vector<uint8_t> old;
      BinaryFile file = BinaryFile::TryRead(longNamePath_);
      if (file.IsOpen()) {
        old.resize(static_cast<std::size_t>(file.Size()));
        if (file.ReadAt(0, old.data(), old.size())) io::ReplaceWhole(backup, old);
      }
    }
  }
  io::ReplaceWhole(longNamePath_, LongNameFileBytes(), catalogPath_);
  longNamesDamaged_ = false;
  longNameStamp_ = io::StampOf(longNamePath_);
}

}  // namespace plomix
