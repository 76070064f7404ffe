// The fingerprints of a media's files, taken after the walk: the files are
// listed from the reading buffer with their native paths and hashed on
// several threads, so the walk itself runs as fast as without them.

#include <thread>

#include "core/Text.h"
#include "reading/FileHasher.h"
#include "reading/Scanner.h"

namespace plomix {

namespace {

bool IsAsciiText(std::string_view s) {
  for (const char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace

std::string Scanner::NativePathOf(int32_t index) const {
  std::vector<int32_t> chain;
  for (int32_t i = index; i > 0; i = Entry(i).parent) chain.push_back(i);
  std::string path = setup_.rootFolder;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    const ScanEntry& e = Entry(*it);
    if (path.empty() || path.back() != '/') path.push_back('/');
    if (e.kind == kKindFolder) {
      path.append(names_.Get(FolderOf(e).native));
    } else if (e.exact > 0) {
      path.append(names_.Get(exactNames_[static_cast<std::size_t>(e.exact - 1)]));
    } else {
      // A file name CP932 holds exactly is the UTF-8 of its CP932 form.
      const std::string_view cp932 = names_.Get(e.name);
      if (IsAsciiText(cp932))
        path.append(cp932);
      else
        path.append(text::Cp932ToUtf8(cp932));
    }
  }
  return path;
}

void Scanner::TakeFingerprints(FingerprintMode mode) {
  std::vector<int32_t> records;
  std::vector<std::string> paths;
  for (int32_t i = 1; i < count_; ++i) {
    const ScanEntry& e = Entry(i);
    if (e.kind != kKindFile || e.size <= 0) continue;
    records.push_back(i);
    paths.push_back(NativePathOf(i));
  }
  const int threads =
      std::max(2, static_cast<int>(std::min(4u, std::thread::hardware_concurrency())));
  const std::vector<HashOutcome> outcomes =
      HashFiles(paths, mode, threads, &cancel_, &hashedBytes_);
  if (cancel_.load(std::memory_order_relaxed)) return;
  auto set = std::make_shared<FingerprintSet>();
  for (std::size_t k = 0; k < records.size(); ++k) {
    if (outcomes[k].digest) {
      set->Add(records[k], Fingerprint{mode, *outcomes[k].digest});
    } else if (outcomes[k].error != 0) {
      ++unreadable_;
      if (unreadablePaths_.size() < kKeptUnreadablePaths) unreadablePaths_.push_back(paths[k]);
    }
  }
  fingerprints_ = std::move(set);
}

}  // namespace plomix
