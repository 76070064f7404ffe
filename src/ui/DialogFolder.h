#pragma once
// Where the file dialogs start: in the user's documents folder, never in the
// folder the program happened to be started from.

#include <QString>

namespace plomix {

// The documents folder of the desktop (XDG_DOCUMENTS_DIR, ~/Documents by
// default); the home folder when that folder does not exist. Nothing is
// created.
QString DocumentsFolder();

// A dialog's start path: an empty one becomes the documents folder, a bare
// file name (or any relative path) is placed inside it, and an absolute path
// (a remembered or current file or folder) is kept as it is.
QString InDocumentsFolder(const QString& startPath);

}  // namespace plomix
