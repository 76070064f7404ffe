#pragma once
// The program's icons. Every icon has a name from the freedesktop icon naming
// ("document-open", "folder"); the desktop's icon theme draws it when it has
// the name, else the drawing bundled with the program (Qt resources, from the
// Breeze theme) does, so the window looks complete on a machine without any
// theme. Commands find their icon by their object name.

#include <QIcon>
#include <QString>
#include <QStringList>

namespace plomix::icons {

// The theme's icon of that name, else the bundled one; a null icon when
// neither has it.
QIcon Named(const QString& name);
// The bundled drawing alone (no theme), null when there is none.
QIcon Bundled(const QString& name);

// The icon name of a toolbar button or menu item by its object name
// ("ToolButton1", "N25", "PopItemMediaTypeChange"); empty for one without.
QString CommandIconName(const QString& objectName);
QIcon CommandIcon(const QString& objectName);
// Every object name that has an icon.
QStringList CommandsWithIcons();

// The icon name of a built-in list image (0-17), empty outside.
QString BuiltInImageName(int index);

// The program's own icon (window, desktop entry).
QIcon ApplicationIcon();
// The name the desktop entry, the metainfo and the installed icons share.
inline constexpr char kApplicationId[] = "com.quernfield.Plomix2";

}  // namespace plomix::icons
