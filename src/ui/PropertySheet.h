#pragma once
// The contents of the property panel for what is selected: the catalogue, a
// media or folder node of the tree, one media, folder or file row of the list,
// or several rows. Built apart from the widgets so that every row and format
// can be checked without a window.

#include <QColor>
#include <QString>
#include <vector>

#include "browse/EntryRows.h"
#include "core/Records.h"

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

// What the sheet describes.
enum class PropertyKind {
  Catalogue,   // the top node
  MediaNode,   // a media in the tree
  FolderNode,  // a folder in the tree
  MediaRow,    // one media row of the list
  FolderRow,   // one folder row
  FileRow,     // one file row
  Rows,        // several rows
};

struct PropertySheet {
  PropertyKind kind = PropertyKind::Catalogue;
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
