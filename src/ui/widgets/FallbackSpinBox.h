#pragma once
// A spin box that a user may clear: leaving it with text shorter than
// MinimumText() characters (empty, or one digit where two are the least
// sensible value) sets Fallback() instead of quietly restoring the old value.

#include <QSpinBox>

namespace plomix {

class FallbackSpinBox : public QSpinBox {
 public:
  FallbackSpinBox(int minimum, int maximum, int fallback, QWidget* parent = nullptr,
                  int minimumText = 1)
      : QSpinBox(parent), fallback_(fallback), minimumText_(minimumText) {
    setRange(minimum, maximum);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    setKeyboardTracking(false);
  }
  int Fallback() const { return fallback_; }

 protected:
  QValidator::State validate(QString& input, int& pos) const override {
    if (input.trimmed().size() < minimumText_) return QValidator::Intermediate;
    return QSpinBox::validate(input, pos);
  }
  void fixup(QString& input) const override {
    if (input.trimmed().size() < minimumText_) {
      input = QString::number(fallback_);
      return;
    }
    QSpinBox::fixup(input);
  }

 private:
  int fallback_;
  int minimumText_;
};

}  // namespace plomix
