#pragma once
// The one way the window turns a failure into the text of a message box:
// coded engine failures worded in Japanese, a media that another program
// changed meanwhile with the window's own advice, anything else as its what().

#include <QString>
#include <exception>

#include "core/Error.h"

namespace plomix {

QString ErrorMessage(const std::exception& error);
QString ErrorMessage(const ErrorInfo& error);

}  // namespace plomix
