#pragma once
// The recorded drives of the catalogued media as the drive-change dialog
// edits them: the media of a category with the facts the list shows, the
// letter button a media's drive presses, and the changes, which live in the
// slots in memory until they are written or the catalogue is read again.

#include <string>
#include <string_view>
#include <vector>

namespace plomix {

class Catalog;

struct DriveChangeRow {
  int slot = -1;
  int kind = 0;
  // CP932 texts of the columns: 名前, 読込みドライブ (upper case), 分類,
  // 保管場所, 保管詳細, 登録日時, メディア種類.
  std::vector<std::string> texts;
};

inline constexpr int kDriveChangeColumns = 7;

class DriveChange {
 public:
  explicit DriveChange(Catalog& catalog) : catalog_(catalog) {}

  // The category names of the live media (CP932), for the tabs after "すべて".
  std::vector<std::string> Categories();
  // The live media of a category ("" all) in slot order; the date column in
  // `dateFormat` (CP932).
  std::vector<DriveChangeRow> Rows(std::string_view category, std::string_view dateFormat) const;
  // The letter button a recorded drive presses: its letter A-Y, else Z.
  static char ButtonOf(std::string_view drive);
  // Records `letter` (A-Z) as the media's drive in memory; the row's drive
  // column follows.
  bool SetDrive(DriveChangeRow& row, char letter);
  bool Dirty() const { return dirty_; }
  void Reset() { dirty_ = false; }
  // Writes the slots to the catalogue file.
  bool Commit();
  // Reads the catalogue again, dropping the changes made in memory.
  bool Discard();

  // The key a column sorts by: the name for column 0, else the column's text,
  // "_" and the name.
  static std::string SortKey(const DriveChangeRow& row, int column);
  // Sorts by a column (locale-aware, case-sensitive).
  static void Sort(std::vector<DriveChangeRow>& rows, int column, bool ascending);

 private:
  Catalog& catalog_;
  bool dirty_ = false;
};

}  // namespace plomix
