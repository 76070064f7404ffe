#include "ui/widgets/TypeAheadViews.h"

#include <QApplication>

#include "ui/widgets/TypeAheadSource.h"

namespace plomix {

bool TypeAheadSearch(QAbstractItemView& view, const QString& text, TypeAheadState& state) {
  auto* model = dynamic_cast<TypeAheadSource*>(view.model());
  if (!model) return false;
  if (text.isEmpty()) return true;
  const bool continued = state.sinceLastKey.isValid() &&
                         state.sinceLastKey.elapsed() <= QApplication::keyboardInputInterval();
  state.typed = continued ? state.typed + text : text;
  state.sinceLastKey.start();
  const QModelIndex current = view.currentIndex();
  const int row = model->FindByTyping(state.typed, current.isValid() ? current.row() : 0, true);
  if (row >= 0) {
    const QModelIndex found = view.model()->index(row, 0);
    view.setCurrentIndex(found);
    view.scrollTo(found);
  }
  return true;
}

}  // namespace plomix
