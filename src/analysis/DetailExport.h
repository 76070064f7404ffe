#pragma once
// Copying the member rows of a duplicate or similar group as comma- or
// tab-separated text: the rows of the result grids, the columns the user
// picked in the order picked, an optional title line and an optional case
// conversion of every data line. Lines end with CR LF. The text is CP932, or
// UTF-8 with the exact names and paths for the clipboard.

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/ResultStore.h"

namespace plomix {

class Catalog;

// Which grid is copied.
enum class DetailSource {
  DupMembers = 0,   // the members of a duplicate group
  LikeMembers = 1,  // the members of a similar group
  LikeWord = 2,     // the similar group of a word chosen under the file list
};

// The ten grid columns: 0 ID (hidden), 1 Icon / No, 2 name, 3 date-time text,
// 4 size, 5 media name, 6 path, 7 category, 8 location, 9 location detail.
inline constexpr int kDetailColumns = 10;
inline constexpr int kDetailPathColumn = 6;

enum class CaseConversion { None = 0, Lower = 1, Upper = 2 };

// One grid row as shown (texts CP932).
struct DetailRow {
  int32_t key = -1;
  int64_t no = 0;
  std::string name;
  std::string dateText;
  double size = 0;
  std::string media;
  std::string path;
  std::string category;
  std::string location;
  std::string locationDetail;
  // The window's forms of the name and the path (UTF-8, ResultItem::shown;
  // the path is filled by the window), for names CP932 cannot hold; the
  // exported texts keep the CP932 ones above.
  std::string shown;
  std::string shownPath;
};

// The caption of a column (CP932): column 1 is "Icon" for duplicate members,
// "No" else.
std::string DetailColumnCaption(DetailSource source, int column);
// The columns the dialog offers, in column order: the visible ones from
// column 2 (duplicate members) or 1 (similar ones); the path only when shown.
std::vector<int> DetailOfferedColumns(DetailSource source, bool pathVisible);

// One cell: No and size as plain digits, the date-time as it stands, texts
// in double quotes when `comma` (a quote inside doubled), any
// other column empty.
// `utf8`: the cell in UTF-8, with the exact name and path where there are.
std::string DetailCell(const DetailRow& row, int column, bool comma, bool utf8 = false);

// ExportDetailRows: the lines to copy (without line ends). Empty when no
// column is chosen. The title line, when asked for, holds the captions and
// is never converted; every data line is converted as a whole.
std::vector<std::string> ExportDetailRows(const std::vector<DetailRow>& rows,
                                          const std::vector<int>& columns, DetailSource source,
                                          bool comma, CaseConversion conversion, bool title,
                                          bool utf8 = false);
// Every line followed by CR LF.
std::string JoinDetailLines(const std::vector<std::string>& lines);

// The proposed file name: the date-time "yyyymmddhhnnss" and the source's
// suffix, for example "20240131093000_重複ファイル詳細.csv" (CP932).
std::string DetailFileName(DetailSource source, int32_t dosDateTime);
// ".csv" is appended unless the name holds ".csv" in any letter case.
std::string ApplyCsvExtension(const std::string& name);
// Writes the lines (CR LF after each) to the file; throws CatalogError.
void WriteDetailFile(const std::string& path, const std::vector<std::string>& lines);

// The grid rows of a member list: No from 1, the date formatted with
// `dateFormat` (CP932, empty for 0), the member's media facts, and, when
// `withPaths`, the folder path below the media (the media name itself for
// a member at its top). Members whose media is gone keep empty media cells.
std::vector<DetailRow> BuildDetailRows(Catalog& catalog, const std::vector<ResultItem>& members,
                                       const std::string& dateFormat, bool withPaths);

}  // namespace plomix
