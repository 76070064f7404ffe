#pragma once
// The contents of the property panel for what is selected: the catalogue
// (kind 1), a media node (2), a folder node (3), one media, folder or file row
// (4, 5, 6) or several rows (7). Built apart from the widgets so that every
// row and format can be checked without a window.

#include <QColor>
#include <QString>
#include <vector>

#include "core/Records.h"
#include "browse/EntryRows.h"

namespace plomix {

class Catalog;

struct PropertyRow {
  QString item;
  QString value;
};

struct LegendEntry {
  QString text;
  QColor colour;
  double value = 0;
};

struct PropertySheet {
  int kind = 1;
  QString label;
  QColor labelColour;
  std::vector<PropertyRow> rows;
  std::vector<LegendEntry> legend;  // empty: legend and pie hidden
  QString status;                   // for panel 1 of the status bar
  bool showReload = false;          // the re-read indicator
  int pictureSlot = -1;             // the media whose picture is shown, -1 none
};

// `dateFormat` is CP932 (REG_FormatUpdateDateTime).
PropertySheet BuildNodeProperties(Catalog& catalog, const ShownEntry& shown,
                                  const std::string& dateFormat);
// One or several selected rows of the list (kinds 4 to 7).
PropertySheet BuildRowProperties(Catalog& catalog, const ShownEntry& shown,
                                 const std::vector<const TRecord*>& selected);

// "n<TAB>item<TAB>value" lines numbered from 1, each ended by CR LF.
QString PropertiesText(const PropertySheet& sheet);

// "#,##0 Byte".
QString ByteText(double value);

}  // namespace plomix
