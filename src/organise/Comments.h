#pragma once
// Writing an entry's comment and toggling marks, the way both the comment
// dialog and the comment panel under the file list do it: the comment slot
// changes first, then the entry's link is written, one slot and one record at
// a time.

#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Records.h"

namespace plomix {

class Catalog;

// Longest comment text a slot holds (bytes).
inline constexpr std::size_t kCommentTextCap = 255;

enum class CommentWrite {
  Nothing,  // empty text on an entry without comment: nothing happened
  Added,
  Updated,
  Deleted,
  TableFull,  // no free slot: nothing stored, the entry keeps no comment
};

// Writes `text` (CP932, line breaks allowed, cut to 255 bytes on a character
// boundary) as the comment of list row `row`: adds, changes or removes its
// slot and then links it. Updates the row's CommentNo and its comment text
// (Texts[8]) except for Nothing. A failed write throws, as the catalogue does.
CommentWrite WriteEntryComment(Catalog& catalog, TRecord& row, std::string_view text);
// WriteEntryComment with the text as the user gave it (UTF-8, CR LF line
// breaks): what CP932 cannot hold is kept exactly (Catalog::AddCommentText);
// a text over 255 CP932 bytes is cut after a whole character (FitToField
// tells the caller beforehand). Texts[8] gets the CP932 form.
CommentWrite WriteEntryCommentText(Catalog& catalog, TRecord& row, std::string_view utf8);

// Turns a comment typed in the window (line breaks as the editor gives them)
// into the stored form: CR LF line breaks, CP932, cut to 255 bytes.
std::string CommentFromEditor(const std::string& utf8);
// The same with CR LF line breaks only: UTF-8, uncut.
std::string CommentLinesFromEditor(const std::string& utf8);

// A stored comment as the editors show it (line breaks as "\n").
QString CommentForEditor(const std::string& cp932);
// The same for a comment as Catalog::ExactCommentText gives it (UTF-8).
QString CommentTextForEditor(const std::string& utf8);

// Toggles the mark of each row in turn, in the given order, and sets Mark and
// MarkImage (0 marked, -1 not) from the result, so a mixed selection stays
// mixed. `between` runs after each row (the window processes events there)
// and stops the loop by returning false (the rows were replaced meanwhile).
// Rows whose media cannot be loaded keep their state. Returns how many
// entries changed. Both the file list and the search result list use it.
int ToggleMarks(Catalog& catalog, const std::vector<TRecord*>& rows,
                const std::function<bool()>& between = {});

// The comment list's sort column (0 to 3) and direction, kept for the whole
// run of the program.
struct CommentSortState {
  int column = 0;
  bool ascending = true;
  // A header click: the same column reverses, another keeps the direction.
  void Click(int clicked) {
    if (clicked == column)
      ascending = !ascending;
    else
      column = clicked;
  }
};
CommentSortState& CommentListSort();

}  // namespace plomix
