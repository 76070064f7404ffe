#pragma once
// Where exported text goes when it is not written to a file. The window puts
// it on the system clipboard; tests record it.

#include <QString>

namespace plomix {

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // Replaces the clipboard's text; names in it are exact.
  virtual void SetText(const QString& text) = 0;
};

}  // namespace plomix
