#pragma once
// How an entry list is sorted between header clicks: the column the rows are
// ordered by and the direction, and, after Shift-clicks, the major column
// whose groups the rows are sorted within. The file list and the search hits
// keep one each; every model builds its own keys from it.

#include "ui/ImageList.h"

namespace plomix {

struct ListSort {
  int column = 0;
  bool ascending = true;
  int majorColumn = 0;
  int extraKeys = 0;  // Shift-clicks since the last plain click

  bool Grouped() const { return extraKeys > 0; }

  // A click on the header of `clicked`, with Shift held or not: the same
  // column again turns the direction round; a plain click makes the column
  // the major one, a Shift-click sorts within the groups of the major one.
  void Click(int clicked, bool shift) {
    if (clicked == column) ascending = !ascending;
    if (shift) {
      ++extraKeys;
    } else {
      extraKeys = 0;
      majorColumn = clicked;
    }
    column = clicked;
  }

  // The header image over `at`: -1 none, else kImageSortUp to
  // kImageSubSortDown (the sub-sort arrows over the column sorted within
  // groups).
  int HeaderImage(int at) const {
    if (at == column) {
      if (Grouped()) return ascending ? kImageSubSortUp : kImageSubSortDown;
      return ascending ? kImageSortUp : kImageSortDown;
    }
    if (Grouped() && at == majorColumn) return ascending ? kImageSortUp : kImageSortDown;
    return -1;
  }

  bool operator==(const ListSort&) const = default;
};

}  // namespace plomix
