#include "ui/QtPrompter.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

#include "ui/DialogFolder.h"

namespace plomix {

namespace {

QMessageBox::Icon ToQtIcon(PromptIcon icon) {
  switch (icon) {
    case PromptIcon::Error:
      return QMessageBox::Critical;
    case PromptIcon::Warning:
      return QMessageBox::Warning;
    case PromptIcon::Information:
      return QMessageBox::Information;
    case PromptIcon::Question:
      return QMessageBox::Question;
    case PromptIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQtButtons(PromptButtons buttons) {
  switch (buttons) {
    case PromptButtons::Ok:
      return QMessageBox::Ok;
    case PromptButtons::OkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case PromptButtons::YesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case PromptButtons::RetryCancel:
      return QMessageBox::Retry | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

}  // namespace

PromptResult QtPrompter::Message(const QString& text, PromptIcon icon, PromptButtons buttons,
                                 const QString& caption) {
  QMessageBox box(ToQtIcon(icon), caption.isEmpty() ? QApplication::applicationName() : caption,
                  text, ToQtButtons(buttons), parent_);
  switch (box.exec()) {
    case QMessageBox::Ok:
      return PromptResult::Ok;
    case QMessageBox::Yes:
      return PromptResult::Yes;
    case QMessageBox::No:
      return PromptResult::No;
    case QMessageBox::Retry:
      return PromptResult::Retry;
    default:
      return PromptResult::Cancel;
  }
}

QString QtPrompter::ToQtFilter(const QString& filter) {
  const QStringList parts = filter.split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    out << (parts[i].contains('(') ? parts[i] : parts[i] + " (" + patterns + ")");
  }
  return out.join(";;");
}

QString QtPrompter::OpenFile(const QString& title, const QString& startPath,
                             const QString& filter) {
  QFileDialog dialog(parent_, title, InDocumentsFolder(startPath), ToQtFilter(filter));
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
             ? dialog.selectedFiles().front()
             : QString();
}

QString QtPrompter::SaveFile(const QString& title, const QString& startPath, const QString& filter,
                             const QString& defaultSuffix) {
  QFileDialog dialog(parent_, title, InDocumentsFolder(startPath), ToQtFilter(filter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(defaultSuffix);
  // Overwriting is confirmed by the program itself, with its own words.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
             ? dialog.selectedFiles().front()
             : QString();
}

QString QtPrompter::ChooseFolder(const QString& title, const QString& startFolder) {
  return QFileDialog::getExistingDirectory(parent_, title, InDocumentsFolder(startFolder));
}

std::optional<int> QtPrompter::ChooseColour(int initial) {
  const QColor start(initial & 0xFF, (initial >> 8) & 0xFF, (initial >> 16) & 0xFF);
  const QColor chosen = QColorDialog::getColor(start, parent_);
  if (!chosen.isValid()) return std::nullopt;
  return chosen.red() | (chosen.green() << 8) | (chosen.blue() << 16);
}

std::optional<QString> QtPrompter::InputText(const QString& caption, const QString& prompt,
                                             const QString& initial) {
  bool ok = false;
  QString value = QInputDialog::getText(parent_, caption, prompt, QLineEdit::Normal, initial, &ok);
  if (!ok) return std::nullopt;
  return value;
}

}  // namespace plomix
