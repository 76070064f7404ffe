#pragma once
// A clipboard for tests: it keeps the last text put on it.

#include <string>

#include "export/Clipboard.h"

namespace plomix::test {

class RecordingClipboard : public Clipboard {
 public:
  void SetText(const std::string& cp932) override { text = cp932; }
  std::string text = "(untouched)";
};

}  // namespace plomix::test
