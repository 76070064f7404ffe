#include "ui/DialogFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace plomix {

QString DocumentsFolder() {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
  return QDir::homePath();
}

QString InDocumentsFolder(const QString& startPath) {
  if (startPath.isEmpty()) return DocumentsFolder();
  if (QDir::isAbsolutePath(startPath)) return startPath;
  return QDir(DocumentsFolder()).filePath(startPath);
}

}  // namespace plomix
