#pragma once
// A clipboard for tests: it keeps the last text put on it, as given and in
// its CP932 form (for comparing texts CP932 holds whole with CP932 bytes).

#include <QString>
#include <string>

#include "core/Text.h"
#include "export/Clipboard.h"

namespace plomix::test {

class RecordingClipboard : public Clipboard {
 public:
  void SetText(const QString& given) override {
    shown = given;
    text = text::QStringToCp932(given);
  }
  QString shown;
  std::string text = "(untouched)";
};

}  // namespace plomix::test
