#include "organise/Comments.h"

#include "core/Catalog.h"
#include "core/Text.h"
#include "organise/DivList.h"

namespace plomix {

namespace {

// `utf8`: the text as the user gave it, kept exactly beside `text` (its CP932
// form); null for a CP932 caller.
CommentWrite WriteComment(Catalog& catalog, TRecord& row, std::string_view text,
                          const std::string* utf8) {
  const std::string stored = CutToField(text, kCommentTextCap);
  // A link that leads outside the table or to another entry's slot (a
  // damaged record) is no comment of this entry: writing through it would
  // lose the text or overwrite someone else's comment.
  const bool linked = row.CommentNo >= 0 && row.CommentNo < kMaxComments &&
                      catalog.CommentSlot(row.CommentNo).Key() == row.Key;
  CommentWrite result;
  if (!stored.empty() && !linked) {
    const std::string name = CutToField(row.Name, TCommentSlot::kNameCap);
    row.CommentNo = utf8 ? catalog.AddCommentText(row.Key, *utf8, row.Kind, name)
                         : catalog.AddComment(row.Key, stored, row.Kind, name);
    result = row.CommentNo < 0 ? CommentWrite::TableFull : CommentWrite::Added;
  } else if (!stored.empty()) {
    if (utf8)
      catalog.UpdateCommentText(row.CommentNo, row.Key, *utf8);
    else
      catalog.UpdateComment(row.CommentNo, row.Key, stored);
    result = CommentWrite::Updated;
  } else if (row.CommentNo < 0) {
    return CommentWrite::Nothing;
  } else {
    if (linked) catalog.DeleteComment(row.CommentNo);
    row.CommentNo = -1;
    result = CommentWrite::Deleted;
  }
  if (row.Texts.size() < 9) row.Texts.resize(9);
  // A comment the full table could not take is not shown: the row would
  // otherwise claim a comment that the next fill would not find.
  row.Texts[8] = result == CommentWrite::TableFull ? std::string() : stored;
  // A new comment was linked in its own transaction; a removed one (or one
  // the table had no room for) drops the link after the comment went.
  if (result == CommentWrite::Deleted || result == CommentWrite::TableFull)
    catalog.SetCommentLink(row.CommentNo, row.Key);
  return result;
}

}  // namespace

CommentWrite WriteEntryComment(Catalog& catalog, TRecord& row, std::string_view text) {
  return WriteComment(catalog, row, text, nullptr);
}

CommentWrite WriteEntryCommentText(Catalog& catalog, TRecord& row, std::string_view utf8) {
  const FittedText fitted = FitToField(utf8, kCommentTextCap);
  return WriteComment(catalog, row, fitted.cp932, &fitted.utf8);
}

std::string CommentFromEditor(const std::string& utf8) {
  return CutToField(text::Utf8ToCp932(CommentLinesFromEditor(utf8)), kCommentTextCap);
}

std::string CommentLinesFromEditor(const std::string& utf8) {
  std::string lines;
  lines.reserve(utf8.size() + 8);
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    if (c == '\r') {
      lines += "\r\n";
      if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      lines += "\r\n";
    } else {
      lines += c;
    }
  }
  return lines;
}

QString CommentForEditor(const std::string& cp932) {
  return CommentTextForEditor(text::Cp932ToUtf8(cp932));
}

QString CommentTextForEditor(const std::string& utf8) {
  QString text = QString::fromStdString(utf8);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace('\r', '\n');
  return text;
}

int ToggleMarks(Catalog& catalog, const std::vector<TRecord*>& rows,
                const std::function<bool()>& between) {
  int changed = 0;
  for (TRecord* row : rows) {
    const int mark = catalog.SetMark(Catalog::MarkChange::Toggle, row->Key);
    if (mark >= 0) {
      row->Mark = static_cast<uint8_t>(mark);
      row->MarkImage = mark == 1 ? 0 : -1;
      ++changed;
    }
    if (between && !between()) break;
  }
  return changed;
}

CommentSortState& CommentListSort() {
  static CommentSortState state;
  return state;
}

}  // namespace plomix
