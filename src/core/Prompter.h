#pragma once
// Every modal question the program asks goes through one Prompter: engine
// workflows (reading a media, the presence check, the analysis re-run offer)
// ask through it too, so the window shows real dialogs, the command-line tool
// answers from its flags, and tests script the answers.

#include <QString>
#include <optional>

namespace plomix {

enum class PromptIcon { None, Error, Warning, Information, Question };
enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class PromptResult { Ok, Cancel, Yes, No, Retry };

class Prompter {
 public:
  virtual ~Prompter() = default;

  // A message box; returns the button pressed (Cancel when it was closed).
  virtual PromptResult Message(const QString& text, PromptIcon icon, PromptButtons buttons,
                               const QString& caption = QString()) = 0;
  // File dialogs; an empty result means cancelled. `filter` uses the
  // "Description|pattern|Description|pattern" form.
  virtual QString OpenFile(const QString& title, const QString& startPath,
                           const QString& filter) = 0;
  virtual QString SaveFile(const QString& title, const QString& startPath, const QString& filter,
                           const QString& defaultSuffix) = 0;
  virtual QString ChooseFolder(const QString& title, const QString& startFolder) = 0;
  // A colour as 0x00BBGGRR; nothing when cancelled.
  virtual std::optional<int> ChooseColour(int initial) = 0;
  // A one-line input box; nothing when cancelled.
  virtual std::optional<QString> InputText(const QString& caption, const QString& prompt,
                                           const QString& initial) = 0;
};

// A Prompter for places where nobody can answer (the command-line tool,
// benchmarks, tests): every dialog is cancelled and every message answered
// No (Cancel for Retry/Cancel). Subclasses override what they can answer.
class NonInteractivePrompter : public Prompter {
 public:
  PromptResult Message(const QString&, PromptIcon, PromptButtons buttons,
                       const QString& = QString()) override {
    return buttons == PromptButtons::RetryCancel || buttons == PromptButtons::OkCancel
               ? PromptResult::Cancel
           : buttons == PromptButtons::Ok ? PromptResult::Ok
                                          : PromptResult::No;
  }
  QString OpenFile(const QString&, const QString&, const QString&) override { return {}; }
  QString SaveFile(const QString&, const QString&, const QString&, const QString&) override {
    return {};
  }
  QString ChooseFolder(const QString&, const QString&) override { return {}; }
  std::optional<int> ChooseColour(int) override { return std::nullopt; }
  std::optional<QString> InputText(const QString&, const QString&, const QString&) override {
    return std::nullopt;
  }
};

}  // namespace plomix
