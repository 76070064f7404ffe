#pragma once
// The column order dialog of the file list: the captions of the columns at
// positions 1 to 8 in their shown order (名前 always stays first and is not
// listed), moved one place at a time with 上へ and 下へ; the moved caption
// stays selected. OK hands the new order back; キャンセル changes nothing.

#include <QDialog>
#include <array>
#include <functional>

#include "ui/ColumnLayout.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace plomix {

class TfrmListItem : public QDialog {
  Q_OBJECT

 public:
  using Captions = std::array<QString, ColumnLayout::kCount - 1>;

  // Lists the layout's captions of positions 1..8, the first line selected.
  explicit TfrmListItem(const ColumnLayout& layout, QWidget* parent = nullptr);

  // Shows the dialog modally; on OK the new order goes to `apply` (for
  // example ColumnLayout::ApplyOrder) and its answer is the result. The
  // caller records the shown columns' widths into the layout before and
  // applies it after.
  static bool Run(const ColumnLayout& layout, const std::function<bool(const Captions&)>& apply,
                  QWidget* parent);
  // The same, applying the order to the layout itself.
  static bool Run(ColumnLayout& layout, QWidget* parent);

  // The captions in the order the list shows now (positions 1..8).
  Captions ResultCaptions() const;

  // ---- Controls ----
  QLabel* lblMessage = nullptr;  // "表示する詳細を選択してください。"
  QListWidget* lstItem = nullptr;
  QPushButton* cmdUp = nullptr;    // "上へ"
  QPushButton* cmdDown = nullptr;  // "下へ"
  QPushButton* cmdOK = nullptr;
  QPushButton* cmdCancel = nullptr;

 public Q_SLOTS:
  void cmdUpClick();
  void cmdDownClick();

 private:
  void MoveSelected(int step);
};

}  // namespace plomix
