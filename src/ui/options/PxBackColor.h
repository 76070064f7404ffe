#pragma once
// The chart background dialogs: TfrmBackColor ("トップ 10の背景", the pie) and
// TfrmBackColorBar ("サイズ順の背景", the bar chart). Both edit the seven
// background settings of their chart: picture shown, picture file and style,
// gradient shown, start and end colour and direction. "設定" stores them all
// and closes; "閉じる" closes without storing. Files and colours are chosen
// through the Prompter.

#include <QDialog>

#include "ui/charts/ChartPaint.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace plomix {

class Prompter;
class Settings;

class TfrmBackColor : public QDialog {
  Q_OBJECT

 public:
  TfrmBackColor(Settings& settings, Prompter& prompter, QWidget* parent = nullptr);

  QCheckBox *chkImageShow, *chkGradShow;
  QPushButton *cmdImageFile, *cmdColrStart, *cmdColrEnd, *cmdSet, *cmdClose;
  QRadioButton *rdoStretch, *rdoTile, *rdoCenter;
  QLabel *lblImageFile, *pnlColrStart, *pnlColrEnd;
  QComboBox* cmbDirection;

  // The picture file "設定" would store.
  QString ImageFile() const { return imageFile_; }

 public Q_SLOTS:
  void cmdImageFileClick();
  void cmdColrStartClick();
  void cmdColrEndClick();
  void cmdSetClick();

 protected:
  TfrmBackColor(Settings& settings, Prompter& prompter, const ChartBackgroundKeys& keys,
                const QString& title, QWidget* parent);

 private:
  void Build(const QString& title);
  void Load();
  void PaintBox(QLabel* box, int bgr);
  bool ChooseColour(QLabel* box, int& bgr);

  Settings& settings_;
  Prompter& prompter_;
  ChartBackgroundKeys keys_;
  QString imageFile_;
  int start_ = 0, end_ = 0;
};

class TfrmBackColorBar : public TfrmBackColor {
  Q_OBJECT

 public:
  TfrmBackColorBar(Settings& settings, Prompter& prompter, QWidget* parent = nullptr);
};

}  // namespace plomix
