#pragma once
// A Prompter for tests: it records every prompt and answers from scripts, so
// no test ever waits on a dialog.

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "core/Prompter.h"

namespace plomix::test {

struct RecordedPrompt {
  QString kind;  // "Message", "OpenFile", "SaveFile", "ChooseFolder", "ChooseColour", "InputText"
  QString text;  // the message, or the dialog's title
  PromptIcon icon = PromptIcon::None;
  PromptButtons buttons = PromptButtons::Ok;
  QString startPath;
  QString filter;
};

class ScriptedPrompter : public Prompter {
 public:
  std::deque<PromptResult> answers;                   // message answers, in order
  PromptResult defaultAnswer = PromptResult::Cancel;  // once `answers` is used up
  std::deque<QString> paths;  // answers of file and folder dialogs; "" (cancelled) once used up
  std::vector<RecordedPrompt> prompts;
  std::function<void()> onAsk;  // called at every message, before it is answered

  PromptResult Message(const QString& text, PromptIcon icon, PromptButtons buttons,
                       const QString& = QString()) override {
    prompts.push_back({"Message", text, icon, buttons});
    if (onAsk) onAsk();
    if (answers.empty()) return defaultAnswer;
    const PromptResult answer = answers.front();
    answers.pop_front();
    return answer;
  }
  QString OpenFile(const QString& title, const QString& startPath, const QString& filter) override {
    return NextPath({"OpenFile", title, PromptIcon::None, PromptButtons::Ok, startPath, filter});
  }
  QString SaveFile(const QString& title, const QString& startPath, const QString& filter,
                   const QString&) override {
    return NextPath({"SaveFile", title, PromptIcon::None, PromptButtons::Ok, startPath, filter});
  }
  QString ChooseFolder(const QString& title, const QString& startFolder) override {
    return NextPath({"ChooseFolder", title, PromptIcon::None, PromptButtons::Ok, startFolder});
  }
  std::optional<int> ChooseColour(int) override {
    prompts.push_back({"ChooseColour"});
    return std::nullopt;
  }
  std::optional<QString> InputText(const QString& caption, const QString&,
                                   const QString&) override {
    prompts.push_back({"InputText", caption});
    return std::nullopt;
  }

  // "Kind:text" of every prompt so far.
  QStringList Log() const {
    QStringList log;
    for (const RecordedPrompt& p : prompts) log << p.kind + ":" + p.text;
    return log;
  }
  // The texts of the messages so far.
  QStringList Messages() const {
    QStringList texts;
    for (const RecordedPrompt& p : prompts)
      if (p.kind == "Message") texts << p.text;
    return texts;
  }

 private:
  QString NextPath(RecordedPrompt prompt) {
    prompts.push_back(std::move(prompt));
    if (paths.empty()) return {};
    const QString path = paths.front();
    paths.pop_front();
    return path;
  }
};

}  // namespace plomix::test
