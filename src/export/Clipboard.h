#pragma once
// Where exported text goes when it is not written to a file. The window puts
// it on the system clipboard; tests record it.

#include <string>

namespace plomix {

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // Replaces the clipboard's text with the given CP932 text.
  virtual void SetText(const std::string& cp932) = 0;
};

}  // namespace plomix
