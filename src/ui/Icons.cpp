#include "ui/Icons.h"

#include <QFile>
#include <QHash>
#include <array>

namespace plomix::icons {

namespace {

// The sizes bundled under :/icons/<size>/<name>.png.
constexpr std::array<int, 4> kBundledSizes = {16, 22, 32, 48};

// Images 0-17 of the tree and the lists: the catalogue, the media kinds (FD,
// HD, removable, CD/DVD, network, RAM disk, unknown or several), folder, open
// folder, file, mark, program, installer, the sort arrows and the arrows of an
// extra sort key.
constexpr std::array<const char*, 18> kBuiltInImages = {"drive-multidisk",
                                                        "media-floppy",
                                                        "drive-harddisk",
                                                        "drive-removable-media",
                                                        "media-optical",
                                                        "folder-network",
                                                        "media-flash-memory-stick",
                                                        "dialog-question",
                                                        "folder",
                                                        "folder-open",
                                                        "text-x-generic",
                                                        "flag-red",
                                                        "application-x-executable",
                                                        "application-x-msdownload",
                                                        "arrow-up",
                                                        "arrow-down",
                                                        "arrow-up-double",
                                                        "arrow-down-double"};

struct CommandIconEntry {
  const char* icon;
  std::initializer_list<const char*> commands;
};

// Toolbar buttons and menu items of the main window, the search page and the
// context menus, grouped by what they do, so one action looks the same on a
// toolbar and in a menu.
const QHash<QString, QString>& CommandTable() {
  static const QHash<QString, QString> table = [] {
    const CommandIconEntry entries[] = {
        {"document-open", {"ToolButton1", "N25", "O1"}},
        {"document-new", {"ToolButton2", "N24"}},
        {"trash-empty", {"ToolButton3", "DB1"}},
        {"configure", {"E2", "E1"}},
        {"application-exit", {"N28"}},
        {"list-add", {"ToolButton6", "N30", "N39"}},
        {"list-remove", {"ToolButton7", "N31", "N40"}},
        {"edit-find", {"S1", "ToolButton5", "F1", "ListSameContent"}},
        {"document-duplicate", {"ToolButton46", "S3"}},
        {"edit-find-replace", {"ToolButton60", "N44"}},
        {"view-refresh", {"R1", "L2", "chkLoop", "N32", "N46"}},
        {"folder-network", {"I1"}},
        {"text-x-generic", {"PopItemExportNcdu"}},
        {"color-management", {"C1", "ToolButton59", "ToolButton44"}},
        {"color-picker", {"saizu1"}},
        {"help-contents", {"Plomix21"}},
        {"help-about", {"N36"}},
        {"tag", {"ToolButton52", "PopItemMediaTypeChange"}},
        {"mark-location", {"ToolButton53", "PopItemMediaAreaChange", "N45"}},
        {"edit-rename", {"ToolButton55", "N18"}},
        {"view-preview", {"ToolButton63"}},
        {"view-left-new", {"ToolButton9"}},
        {"view-right-new", {"ToolButton10"}},
        {"insert-image", {"ToolButton70", "SaveChartMediaPicture", "SaveChartMedia2Picture"}},
        {"edit-copy",
         {"ToolButton57", "ToolButton12", "N6", "N63", "N64", "N7", "N8", "N9", "M1", "N60", "N59",
          "ToolButton31", "C2", "A1"}},
        {"go-previous", {"ToolButton61"}},
        {"go-next", {"ToolButton62"}},
        {"go-up", {"ToolButton40", "N19", "ToolButton51", "ToolButton49"}},
        {"flag-red", {"ToolButton4", "N2", "ToolButton23", "M3"}},
        {"edit-comment", {"ToolButton37", "N3"}},
        {"system-file-manager", {"ToolButton11", "N4"}},
        {"document-properties", {"ToolButton14", "N10"}},
        {"view-choose", {"N12", "S2"}},
        {"view-list-icons", {"ToolButton16", "N13", "ToolButton33", "B1"}},
        {"view-grid", {"ToolButton17", "N14", "ToolButton34", "S5"}},
        {"view-list-text", {"ToolButton18", "N15", "ToolButton35", "L1"}},
        {"view-list-details", {"ToolButton19", "N16", "ToolButton36", "R2"}},
        {"show-grid", {"N33"}},
        {"office-chart-bar", {"N22", "ToolButton25", "ToolButton28"}},
        {"drive-harddisk", {"ToolButton27", "ToolButton30"}},
        {"list-remove", {"ToolButton26", "ToolButton29"}},
        {"object-columns", {"N38", "PopItemCompare", "ListCompare"}},
        {"go-jump", {"ToolButton21", "M2", "PopupMenuGridView3Show", "PopupMenuGridView4Show"}},
        {"drive-optical", {"C3"}},
        {"arrow-up", {"PopItemMediaTypePos", "PopItemMediaTypePosTop"}},
        {"arrow-down", {"PopItemMediaTypePosBottom"}},
        {"arrow-left", {"PopItemMediaTypePosLeft"}},
        {"arrow-right", {"PopItemMediaTypePosRight"}},
    };
    QHash<QString, QString> t;
    for (const CommandIconEntry& e : entries)
      for (const char* command : e.commands)
        t.insert(QLatin1String(command), QLatin1String(e.icon));
    return t;
  }();
  return table;
}

}  // namespace

QIcon Bundled(const QString& name) {
  static QHash<QString, QIcon> cache;
  if (auto it = cache.constFind(name); it != cache.constEnd()) return *it;
  QIcon icon;
  for (int size : kBundledSizes) {
    const QString file = QStringLiteral(":/icons/%1/%2.png").arg(size).arg(name);
    if (QFile::exists(file)) icon.addFile(file, QSize(size, size));
  }
  cache.insert(name, icon);
  return icon;
}

QIcon Named(const QString& name) {
  if (name.isEmpty()) return {};
  return QIcon::fromTheme(name, Bundled(name));
}

QString CommandIconName(const QString& objectName) {
  return CommandTable().value(objectName);
}

QIcon CommandIcon(const QString& objectName) {
  return Named(CommandIconName(objectName));
}

QStringList CommandsWithIcons() {
  QStringList names = CommandTable().keys();
  names.sort();
  return names;
}

QString BuiltInImageName(int index) {
  if (index < 0 || index >= static_cast<int>(kBuiltInImages.size())) return {};
  return QLatin1String(kBuiltInImages[static_cast<std::size_t>(index)]);
}

QIcon ApplicationIcon() {
  static const QIcon icon = [] {
    QIcon i;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
      i.addFile(QStringLiteral(":/app/plomix2-%1.png").arg(size), QSize(size, size));
    return i;
  }();
  return icon;
}

}  // namespace plomix::icons
