#include "organise/MediaPictures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>
#include <QUrl>

#include "core/Catalog.h"
#include "core/Text.h"

namespace plomix {

namespace {

const QString kNotLinked = QStringLiteral("未登録");

QString FromUri(QString value) {
  value = value.trimmed();
  if (value.size() >= 2 && (value.front() == '\'' || value.front() == '"') &&
      value.back() == value.front())
    value = value.mid(1, value.size() - 2);
  if (value.startsWith(QStringLiteral("file:"))) return QUrl(value).toLocalFile();
  return value;
}

QString GnomeWallpaper() {
  if (QStandardPaths::findExecutable(QStringLiteral("gsettings")).isEmpty()) return {};
  QProcess gsettings;
  gsettings.start(QStringLiteral("gsettings"),
                  {QStringLiteral("get"), QStringLiteral("org.gnome.desktop.background"),
                   QStringLiteral("picture-uri")});
  if (!gsettings.waitForFinished(2000)) {
    gsettings.kill();
    gsettings.waitForFinished(500);
    return {};
  }
  if (gsettings.exitStatus() != QProcess::NormalExit || gsettings.exitCode() != 0) return {};
  return FromUri(QString::fromUtf8(gsettings.readAllStandardOutput()));
}

QString PlasmaWallpaper() {
  const QString config =
      QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
          .filePath(QStringLiteral("plasma-org.kde.plasma.desktop-appletsrc"));
  QFile file(config);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  QTextStream in(&file);
  while (!in.atEnd()) {
    const QString line = in.readLine().trimmed();
    if (line.startsWith(QStringLiteral("Image="))) return FromUri(line.mid(6));
  }
  return {};
}

bool NamesPicture(const QString& path) {
  return path == kDefaultPicture || (!path.isEmpty() && QFileInfo(path).isFile());
}

// A wallpaper setting may name a file that is gone (a removed theme): a media
// without a picture then shows the default, not a "file not found".
bool UsableWallpaper(const QString& wallpaper) {
  return !wallpaper.isEmpty() && !QFileInfo(wallpaper).suffix().isEmpty() &&
         QFileInfo(wallpaper).isFile();
}

}  // namespace

QString DesktopWallpaperPath() {
  if (qEnvironmentVariableIsSet("PLOMIX2_WALLPAPER"))
    return qEnvironmentVariable("PLOMIX2_WALLPAPER");
  static const QString wallpaper = [] {
    QString path = GnomeWallpaper();
    if (path.isEmpty()) path = PlasmaWallpaper();
    return path;
  }();
  return wallpaper;
}

QString ResolveWindowPicture(const QString& linked, const QString& wallpaper) {
  if (!linked.isEmpty()) return NamesPicture(linked) ? linked : kDefaultPicture;
  return UsableWallpaper(wallpaper) ? wallpaper : kDefaultPicture;
}

QString ResolveListPicture(const QString& rowText, const QString& wallpaper) {
  if (rowText == kNotLinked) return UsableWallpaper(wallpaper) ? wallpaper : kDefaultPicture;
  return NamesPicture(rowText) ? rowText : kDefaultPicture;
}

QString PictureLinkText(const QString& path) {
  if (path.isEmpty()) return kNotLinked;
  if (!QFileInfo::exists(path)) return QStringLiteral("削除?[") + path + "]";
  return path;
}

QString PictureLinkText(const Catalog& catalog, int slot) {
  return PictureLinkText(text::Cp932ToQString(catalog.MediaPicture(slot)));
}

QString PictureLinkProblem(const QString& path) {
  const std::string stored = text::QStringToCp932(path);
  if (text::Cp932ToQString(stored) != path)
    return QStringLiteral("画像ファイルのパスに登録出来ない文字が含まれています。\r\n") + path;
  if (stored.size() >= TLongNameMedia::kPictureWidth)
    return QStringLiteral("画像ファイルのパスが長すぎるため登録出来ません。\r\n") + path;
  return {};
}

}  // namespace plomix
