#pragma once
// The file list's views find rows by typing: letters typed in quick
// succession form one text, and the first row from the focus row on whose
// name begins with it (ignoring case, wrapping round) becomes current.

#include <QElapsedTimer>
#include <QListView>
#include <QString>
#include <QTableView>

namespace plomix {

struct TypeAheadState {
  QString typed;
  QElapsedTimer sinceLastKey;
};

// Searches the view's model; false when it is not a TypeAheadSource.
bool TypeAheadSearch(QAbstractItemView& view, const QString& text, TypeAheadState& state);

class TypeAheadTableView : public QTableView {
 public:
  using QTableView::QTableView;
  void keyboardSearch(const QString& text) override {
    if (!TypeAheadSearch(*this, text, state_)) QTableView::keyboardSearch(text);
  }

 private:
  TypeAheadState state_;
};

class TypeAheadListView : public QListView {
 public:
  using QListView::QListView;
  void keyboardSearch(const QString& text) override {
    if (!TypeAheadSearch(*this, text, state_)) QListView::keyboardSearch(text);
  }

 private:
  TypeAheadState state_;
};

}  // namespace plomix
