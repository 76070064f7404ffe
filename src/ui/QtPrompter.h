#pragma once
// The program's Prompter: real Qt dialogs, parented to a window. A file or
// folder dialog asked with no start path, or with a bare file name, starts in
// the user's documents folder (InDocumentsFolder).

#include <QPointer>
#include <QWidget>

#include "core/Prompter.h"

namespace plomix {

class QtPrompter : public Prompter {
 public:
  explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}
  // The window the dialogs are modal to, once it exists.
  void SetParent(QWidget* parent) { parent_ = parent; }

  PromptResult Message(const QString& text, PromptIcon icon, PromptButtons buttons,
                       const QString& caption) override;
  QString OpenFile(const QString& title, const QString& startPath, const QString& filter) override;
  QString SaveFile(const QString& title, const QString& startPath, const QString& filter,
                   const QString& defaultSuffix) override;
  QString ChooseFolder(const QString& title, const QString& startFolder) override;
  std::optional<int> ChooseColour(int initial) override;
  std::optional<QString> InputText(const QString& caption, const QString& prompt,
                                   const QString& initial) override;

  // "Text|*.txt|All|*.*" -> "Text (*.txt);;All (*.*)".
  static QString ToQtFilter(const QString& filter);

 private:
  QPointer<QWidget> parent_;
};

}  // namespace plomix
