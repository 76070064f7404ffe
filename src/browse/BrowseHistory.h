#pragma once
// The browse history behind the back and forward buttons: an ordered list of
// "number,name" lines (names are CP932; numbers: HistoryNumber) with a
// current position. It
// survives restarts in "RefHist.hst" (CP932, CR LF, oldest first). Qt Core
// only, so that its rules are tested without a window.

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "core/Records.h"
#include "core/Text.h"

namespace plomix {

// The number of a tree node (negative; the top node is 1) or a list row
// (positive) showing the entry of a key. Its magnitude is the key itself, or
// for the key of a record at index 1,000,000 or more (negative, see MakeKey)
// kWideHistoryBase + (-2 - key), beyond every plain key.
inline constexpr int64_t kWideHistoryBase = int64_t{kMaxMedia} * kKeyFactor;
int64_t HistoryNumber(int32_t key, bool treeNode);
// The key whose node or row a number names.
int32_t KeyOfHistoryNumber(int64_t number);

// Where a move landed.
struct HistoryMove {
  enum class Kind {
    Outside,     // the target was outside the list; nothing moved
    Nothing,     // the entry's number is 0: nothing to show
    Top,         // magnitude 1: the top node
    Entry,       // an entry to show (number holds it)
    NotInteger,  // the text before the comma is not a whole number
  };
  Kind kind = Kind::Outside;
  int64_t number = 0;
  Cp932 name;
  QString badText;  // for NotInteger, the offending text
};

class BrowseHistory {
 public:
  // Appends an entry unless suppressed or its magnitude equals the last one
  // recorded; entries after the current position are dropped first.
  void Record(int64_t number, const Cp932& name);
  // The one entry "1,Plomix2" at position 0.
  void Reset();
  // delta -1 back, +1 forward, 0 the current entry.
  HistoryMove Move(int delta);

  // Replaces the list with the file's lines (the last becomes current) and
  // sets the last recorded magnitude. False when the file cannot be read (the
  // list is then empty).
  bool Load(const QString& path, int64_t lastMagnitude);
  // Drops the entries after the current position and the oldest beyond
  // maxCount, then writes the file. False when it cannot be written.
  bool Save(const QString& path, int maxCount);

  // "戻る[n] name" / "進む[n] name" with names cut to 100 bytes.
  QString BackHint() const;
  QString ForwardHint() const;

  void SetSuppressed(bool on) { suppressed_ = on; }
  bool Suppressed() const { return suppressed_; }
  int Position() const { return position_; }
  int Count() const { return static_cast<int>(lines_.size()); }
  int64_t LastMagnitude() const { return lastMagnitude_; }
  // Line i as stored (CP932), "" outside the list.
  Cp932 Line(int i) const;

 private:
  std::vector<std::string> lines_;
  int position_ = -1;
  int64_t lastMagnitude_ = 0;
  bool suppressed_ = false;
};

// The history file's location: $PLOMIX2_CONFIG_DIR when set (so tests and
// portable set-ups keep everything together), else the program's folder when
// it is writable, else the per-user data folder.
QString HistoryFilePath();

}  // namespace plomix
