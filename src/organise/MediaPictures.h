#pragma once
// Which picture to show for a media and how its link reads in a list. A media
// links a picture by path; the picture itself is never copied into the
// catalogue. Paths are stored as CP932 in the long-name file, so a path must
// survive that round trip to be linked at all.

#include <QString>

namespace plomix {

class Catalog;

// The internal name of the built-in default picture; never stored as a path.
inline const QString kDefaultPicture = QStringLiteral("MadiaImageDefault");

// The desktop wallpaper's file, or "" where the desktop does not say: the
// GNOME background setting through gsettings, else the KDE Plasma desktop
// configuration. Read once per run (asking the desktop costs a process
// start); PLOMIX2_WALLPAPER, when set, is used instead (tests, and users
// whose desktop keeps its wallpaper elsewhere).
QString DesktopWallpaperPath();

// The picture the main window shows for a linked path ("" none linked or the
// top node selected): the path itself while it names an existing file (or is
// the default's name), the default picture when it is gone, and for no path
// the wallpaper when it is an existing file with an extension, else the default.
QString ResolveWindowPicture(const QString& linked, const QString& wallpaper);
// The same for a row text of the picture list: "未登録" means the wallpaper
// (the default when there is none); a row marked "削除?[…]" shows the default.
QString ResolveListPicture(const QString& rowText, const QString& wallpaper);

// The linked-picture text of a slot: "未登録", "削除?[" + path + "]" when the
// file is gone, else the path.
QString PictureLinkText(const Catalog& catalog, int slot);
QString PictureLinkText(const QString& path);

// Why `path` cannot be linked, or "" when it can: it must be stored as CP932
// unchanged and fit the link field.
QString PictureLinkProblem(const QString& path);

}  // namespace plomix
