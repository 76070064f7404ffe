#pragma once
// The property panel of the 標準 page (`pnlListViewLeft`): the large icon and
// name of what is selected, the re-read indicator, its toolbar, the picture
// and pie-chart tabs with the colour legend, and the property list. It shows
// a PropertySheet built by the engine side; which side of the list it docks
// to is the media page's business.

#include <QWidget>

#include "ui/PropertySheet.h"

class QLabel;
class QTabWidget;
class QToolBar;
class QToolButton;
class QTreeWidget;

namespace plomix {

class ImageList;
class PieChart;

class PropertyPanel : public QWidget {
  Q_OBJECT

 public:
  PropertyPanel(ImageList& images, QWidget* parent = nullptr);

  // Shows `sheet` with built-in image `image` as the large icon.
  void ShowProperties(const PropertySheet& sheet, int image);
  const PropertySheet& Properties() const { return properties_; }

  QLabel *ImageListView, *lblListViewName, *pnlMediaReLoad;
  QToolBar* ToolBar5;
  QToolButton *ToolButton9, *ToolButton10, *ToolButton70, *ToolButton57;
  QTabWidget* PageControl4;
  QLabel* PicShow1;
  PieChart* Chart2;
  QWidget* Panel41;
  QLabel *lblListViewColor1, *lblListViewColor2, *lblListViewColor3;
  QLabel *pnlListViewColor1, *pnlListViewColor2, *pnlListViewColor3;
  QTreeWidget* ListView3;

 Q_SIGNALS:
  // The text for panel 1 of the window's status bar.
  void StatusText(const QString& text);

 public Q_SLOTS:
  void ToolButton57Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildHeader();
  void BuildGraph();

  ImageList& images_;
  PropertySheet properties_;
};

}  // namespace plomix
