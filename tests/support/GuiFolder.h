#pragma once
// The folder a GUI test works in: a fresh temporary folder, removed at the
// end, whose "config" subfolder holds the settings store (PLOMIX2_CONFIG_DIR
// points there, so the session of a window built in the test uses it too),
// and catalogues made in it through the engine.

#include <QByteArray>
#include <QString>
#include <string>

#include "TestSupport.h"
#include "core/Catalog.h"
#include "core/Settings.h"

namespace plomix::test {

class GuiFolder {
 public:
  GuiFolder() { qputenv("PLOMIX2_CONFIG_DIR", Config().toUtf8()); }

  QString Path(const QString& name) const {
    return QString::fromStdString(dir_.File(name.toStdString()));
  }
  std::string File(const std::string& name) const { return dir_.File(name); }
  std::filesystem::path Root() const { return dir_.Path(); }
  QString Config() const { return Path(QStringLiteral("config")); }
  // A settings store on the folder's settings, read afresh.
  Settings FreshSettings() const { return Settings(Config()); }
  // An empty catalogue `name` in the folder; false when it could not be made.
  bool CreateCatalogue(const QString& name) const {
    Catalog catalog;
    return catalog.CreateCatalog(File(name.toStdString()));
  }
  // Names catalogue `name` as the last one opened: a window starts on it
  // without asking.
  void OpenAtStart(const QString& name) const {
    FreshSettings().SetString(REG_OpenHist01, Path(name));
  }

 private:
  TempDir dir_;
};

}  // namespace plomix::test
