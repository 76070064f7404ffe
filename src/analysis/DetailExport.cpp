#include "analysis/DetailExport.h"

#include <QString>
#include <algorithm>
#include <cctype>
#include <map>
#include <stdexcept>

#include "core/BinaryFile.h"
#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Text.h"

namespace plomix {

namespace {

const char* const kCaptions[kDetailColumns] = {"ID",       "No",         "名前",   "更新日時",
                                               "サイズ",   "メディア名", "パス名", "分類",
                                               "保管場所", "保管詳細"};

std::string Quoted(const std::string& text, bool comma) {
  return comma ? CsvQuoted(text) : text;
}

}  // namespace

std::string DetailColumnCaption(DetailSource source, int column) {
  if (column < 0 || column >= kDetailColumns) return {};
  if (column == 1 && source == DetailSource::DupMembers) return "Icon";
  return text::Utf8ToCp932(kCaptions[column]);
}

std::vector<int> DetailOfferedColumns(DetailSource source, bool pathVisible) {
  std::vector<int> columns;
  for (int c = source == DetailSource::DupMembers ? 2 : 1; c < kDetailColumns; ++c)
    if (c != kDetailPathColumn || pathVisible) columns.push_back(c);
  return columns;
}

std::string DetailCell(const DetailRow& row, int column, bool comma, bool utf8) {
  if (utf8) {
    switch (column) {
      case 2: {
        // The window's form only where it is not simply the CP932 name.
        const std::string plain = text::Cp932ToUtf8(row.name);
        const bool exact =
            !row.shown.empty() && row.shown != plain && row.shown != text::ShownName(row.name, {});
        return Quoted(exact ? row.shown : plain, comma);
      }
      case 6:
        return Quoted(row.shownPath.empty() ? text::Cp932ToUtf8(row.path) : row.shownPath, comma);
      default:
        return text::Cp932ToUtf8(DetailCell(row, column, comma));
    }
  }
  switch (column) {
    case 1:
      return std::to_string(row.no);
    case 3:
      return row.dateText;
    case 4:
      return FormatPlain(row.size);
    case 2:
      return Quoted(row.name, comma);
    case 5:
      return Quoted(row.media, comma);
    case 6:
      return Quoted(row.path, comma);
    case 7:
      return Quoted(row.category, comma);
    case 8:
      return Quoted(row.location, comma);
    case 9:
      return Quoted(row.locationDetail, comma);
    default:
      return {};
  }
}

std::vector<std::string> ExportDetailRows(const std::vector<DetailRow>& rows,
                                          const std::vector<int>& columns, DetailSource source,
                                          bool comma, CaseConversion conversion, bool title,
                                          bool utf8) {
  std::vector<std::string> lines;
  if (columns.empty()) return lines;
  const std::string separator = comma ? "," : "\t";
  auto join = [&](auto cellOf) {
    std::string line;
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (i > 0) line += separator;
      line += cellOf(columns[i]);
    }
    return line;
  };
  if (title)
    lines.push_back(join([&](int c) {
      const std::string caption = DetailColumnCaption(source, c);
      return utf8 ? text::Cp932ToUtf8(caption) : caption;
    }));
  for (const DetailRow& row : rows) {
    std::string line = join([&](int c) { return DetailCell(row, c, comma, utf8); });
    if (utf8 && conversion != CaseConversion::None) {
      const QString unicode = QString::fromStdString(line);
      line = (conversion == CaseConversion::Lower ? unicode.toLower() : unicode.toUpper())
                 .toStdString();
    } else if (conversion == CaseConversion::Lower) {
      line = text::AnsiLower(line);
    } else if (conversion == CaseConversion::Upper) {
      line = text::AnsiUpper(line);
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

std::string JoinDetailLines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

std::string DetailFileName(DetailSource source, int32_t dosDateTime) {
  const char* suffix =
      source == DetailSource::DupMembers ? "_重複ファイル詳細.csv" : "_似たようなファイル詳細.csv";
  return FormatDateTime("yyyymmddhhnnss", dosDateTime) + text::Utf8ToCp932(suffix);
}

std::string ApplyCsvExtension(const std::string& name) {
  std::string upper = name;
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return upper.find(".CSV") == std::string::npos ? name + ".csv" : name;
}

void WriteDetailFile(const std::string& path, const std::vector<std::string>& lines) {
  const std::string content = JoinDetailLines(lines);
  BinaryFile file(path, BinaryFile::Mode::Create, path);
  if (!content.empty()) file.WriteAt(0, content.data(), content.size());
  file.Close();
}

std::vector<DetailRow> BuildDetailRows(Catalog& catalog, const std::vector<ResultItem>& members,
                                       const std::string& dateFormat, bool withPaths) {
  std::vector<DetailRow> rows(members.size());
  std::map<int, std::vector<std::size_t>> bySlot;
  for (std::size_t i = 0; i < members.size(); ++i) {
    const ResultItem& m = members[i];
    DetailRow& row = rows[i];
    row.key = m.key;
    row.no = static_cast<int64_t>(i) + 1;
    row.name = m.name;
    row.shown = m.shown;
    row.dateText = FormatDateTime(dateFormat, m.date);
    row.size = m.size;
    int slot = 0;
    int32_t record = 0;
    if (!SplitResultKey(m.key, slot, record) || !catalog.Slot(slot).IsLive()) continue;
    const TMediaSlot& media = catalog.Slot(slot);
    row.media = media.Name();
    row.category = media.Category();
    row.location = media.Location();
    row.locationDetail = media.LocationDetail();
    bySlot[slot].push_back(i);
  }
  if (!withPaths) return rows;
  // One load per media, however the members are spread.
  for (const auto& [slot, indices] : bySlot) {
    if (!catalog.LoadMedia(slot)) continue;
    for (std::size_t i : indices) {
      int s = 0;
      int32_t record = 0;
      SplitResultKey(members[i].key, s, record);
      // A member the media no longer holds has no path; the others still do.
      if (record >= catalog.LoadedCount()) continue;
      const std::string folder = catalog.BuildRecordPath(slot, record);
      // A trail byte may look like a backslash: only a character boundary cuts.
      const std::size_t cut = text::FindText(folder, "\\");
      rows[i].path = cut == std::string::npos ? folder : folder.substr(cut + 1);
    }
  }
  return rows;
}

}  // namespace plomix
