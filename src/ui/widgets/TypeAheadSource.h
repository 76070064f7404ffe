#pragma once
// A list model that the type-ahead views can search by the typed text.

#include <QString>

namespace plomix {

class TypeAheadSource {
 public:
  virtual ~TypeAheadSource() = default;
  // The first row from `start` whose name begins with `text` ignoring case;
  // with `wrap` the search goes on from row 0 up to the start row. -1 if none.
  virtual int FindByTyping(const QString& text, int start, bool wrap) const = 0;
};

}  // namespace plomix
