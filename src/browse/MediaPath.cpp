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

MediaPath ResolveMediaPath(Catalog& catalog, Cp932View path, PathEnd end) {
  MediaPath out;
  const std::size_t start = path.find_first_not_of("\\/");
  const std::string_view text = start == std::string_view::npos ? "" : path.substr(start);
  std::vector<std::size_t> cuts;  // separator positions, never a trail byte
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text::IsLeadByte(static_cast<uint8_t>(text[i])))
      ++i;
    else if (text[i] == '\\' || text[i] == '/')
      cuts.push_back(i);
  }
  cuts.push_back(text.size());
  out.firstPart = std::string(text.substr(0, cuts.front()));
  std::size_t mediaEnd = 0;
  for (auto cut = cuts.rbegin(); cut != cuts.rend() && out.slot < 0; ++cut) {
    if (*cut == 0) continue;
    out.slot = LiveMediaNamed(catalog, text.substr(0, *cut));
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
  std::vector<std::string> parts;
  std::string part;
  for (std::size_t i = mediaEnd; i < text.size(); ++i) {
    if (std::find(cuts.begin(), cuts.end(), i) == cuts.end()) {
      part.push_back(text[i]);
    } else if (!part.empty()) {
      parts.push_back(std::move(part));
      part.clear();
    }
  }
  if (!part.empty()) parts.push_back(std::move(part));

  int32_t folder = 0;
  for (std::size_t p = 0; p < parts.size(); ++p) {
    const bool anyKind = end == PathEnd::AnyEntry && p + 1 == parts.size();
    int32_t found = -1;
    ForEachChild(catalog, folder, [&](int32_t r) {
      if ((anyKind || IsFolderKind(catalog.LoadedRec(r).Kind())) &&
          catalog.RecordName(r) == parts[p])
        found = r;
      return found < 0;
    });
    if (found < 0) {
      out.error = MediaPath::Error::NoEntry;
      out.missing = parts[p];
      return out;
    }
    out.records.push_back(found);
    folder = found;
  }
  return out;
}

}  // namespace plomix
