#include "browse/MediaPath.h"

#include <algorithm>

#include "browse/FolderChildren.h"
#include "core/Catalog.h"
#include "core/Text.h"

namespace plomix {

int LiveMediaNamed(const Catalog& catalog, Cp932View name) {
  const std::string_view stored = name.substr(0, TMediaSlot::kNameCap);
  for (int s = 0; s < catalog.SlotsUsed(); ++s)
    if (catalog.Slot(s).IsLive() && catalog.Slot(s).Name() == stored) return s;
  return -1;
}

namespace {

MediaPath Resolve(Catalog& catalog, std::string_view path, PathEnd end, bool shown) {
  MediaPath out;
  const std::size_t start = path.find_first_not_of("\\/");
  const std::string_view text = start == std::string_view::npos ? "" : path.substr(start);
  std::vector<std::size_t> cuts;  // separator positions, never a trail byte
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!shown && text::IsLeadByte(static_cast<uint8_t>(text[i])))
      ++i;
    else if (text[i] == '\\' || text[i] == '/')
      cuts.push_back(i);
  }
  cuts.push_back(text.size());
  out.firstPart = std::string(text.substr(0, cuts.front()));
  std::size_t mediaEnd = 0;
  for (auto cut = cuts.rbegin(); cut != cuts.rend() && out.slot < 0; ++cut) {
    if (*cut == 0) continue;
    const std::string_view media = text.substr(0, *cut);
    out.slot = LiveMediaNamed(catalog, shown ? text::Utf8ToCp932(media) : std::string(media));
    mediaEnd = *cut;
  }
  if (out.slot < 0) {
    out.error = MediaPath::Error::NoMedia;
    return out;
  }
  if (!catalog.LoadMedia(out.slot)) {
    out.error = MediaPath::Error::CannotLoad;
    return out;
  }
  // Each part with the separator that ended it, kept for joining parts again.
  std::vector<std::pair<std::string, char>> parts;
  std::string part;
  for (std::size_t i = mediaEnd; i < text.size(); ++i) {
    if (std::find(cuts.begin(), cuts.end(), i) == cuts.end()) {
      part.push_back(text[i]);
    } else if (!part.empty()) {
      parts.emplace_back(std::move(part), text[i]);
      part.clear();
    }
  }
  if (!part.empty()) parts.emplace_back(std::move(part), '\0');

  int32_t folder = 0;
  for (std::size_t p = 0; p < parts.size();) {
    int32_t found = -1;
    std::string candidate;
    std::size_t last = p;
    // Only a path of shown names joins parts: CP932 paths were always cut at
    // every separator.
    for (; last < parts.size() && found < 0 && (shown || last == p); ++last) {
      if (last > p) candidate.push_back(parts[last - 1].second);
      candidate += parts[last].first;
      const bool anyKind = end == PathEnd::AnyEntry && last + 1 == parts.size();
      ForEachChild(catalog, folder, [&](int32_t r) {
        if ((anyKind || IsFolderKind(catalog.LoadedRec(r).Kind())) &&
            (shown ? catalog.ShownRecordName(r) : catalog.RecordName(r)) == candidate)
          found = r;
        return found < 0;
      });
    }
    if (found < 0) {
      out.error = MediaPath::Error::NoEntry;
      out.missing = parts[p].first;
      return out;
    }
    out.records.push_back(found);
    folder = found;
    p = last;
  }
  return out;
}

}  // namespace

MediaPath ResolveMediaPath(Catalog& catalog, Cp932View path, PathEnd end) {
  return Resolve(catalog, path, end, false);
}

MediaPath ResolveShownMediaPath(Catalog& catalog, std::string_view utf8Path, PathEnd end) {
  return Resolve(catalog, utf8Path, end, true);
}

}  // namespace plomix
