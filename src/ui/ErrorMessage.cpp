#include "ui/ErrorMessage.h"

#include "core/Catalog.h"
#include "core/Text.h"

namespace plomix {

QString ErrorMessage(const std::exception& error) {
  // The media shown is no longer where it was: the list must be refreshed
  // before anything is done to it.
  if (dynamic_cast<const MediaMismatch*>(&error) != nullptr)
    return QStringLiteral(
        "メディアは他のプログラムによって変更されました。"
        "表示を更新してください。");
  // Paths are native bytes: those that are no UTF-8 are shown escaped.
  return text::NativeNameToQString(text::ErrorText(error, text::Language::Japanese));
}

QString ErrorMessage(const ErrorInfo& error) {
  return text::NativeNameToQString(text::ErrorText(error, text::Language::Japanese));
}

}  // namespace plomix
