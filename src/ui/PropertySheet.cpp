#include "ui/PropertySheet.h"

#include <QFileInfo>
#include <cstdlib>

#include "core/Catalog.h"
#include "core/FolderCounts.h"
#include "core/Format.h"
#include "core/Text.h"
#include "ui/ShownNames.h"

namespace plomix {

namespace {

// The full path of entry `key` as the window shows it; `cp932Path` is that
// path in CP932, shown as it is when the entry's media has no exact names.
QString ShownPathOf(Catalog& catalog, int32_t key, const Cp932& cp932Path) {
  if (!IsEntryKey(key) || KeyIsMedia(key) || !catalog.ExactNamesOf(SlotOfKey(key)))
    return text::Cp932ToQString(cp932Path);
  const QString path = ShownEntryPath(catalog, SlotOfKey(key), RecordOfKey(key));
  return path.isEmpty() ? text::Cp932ToQString(cp932Path) : path;
}

const QColor kGreen(0, 128, 0);
const QColor kBlue(0, 0, 255);
const QColor kFuchsia(255, 0, 255);
const QColor kYellow(255, 255, 0);
const QColor kAqua(0, 255, 255);
const QColor kWhite(255, 255, 255);

QString Number(double value) {
  return QString::fromStdString(FormatNumber(value));
}
QString Plain(double value) {
  return QString::fromStdString(FormatPlain(value));
}
QString Date(const std::string& format, int32_t date) {
  return date == 0 ? QString() : text::Cp932ToQString(FormatDateTime(format, date));
}

// The real folder count of a row: the 16-bit field is capped at 32,767.
double FoldersOf(Catalog& catalog, const TRecord& row) {
  if (!IsEntryKey(row.Key)) return row.AllFolders;
  if (IsFolderKind(row.Kind) && SlotOfKey(row.Key) == catalog.LoadedMediaSlot())
    return static_cast<double>(LoadedFolderCount(catalog, RecordOfKey(row.Key)));
  if (row.Kind >= kKindFloppy && row.Kind <= kKindUnknownDrive)
    return static_cast<double>(MediaFolderCount(catalog, SlotOfKey(row.Key)));
  return row.AllFolders;
}

QString PictureText(const Catalog& catalog, int slot) {
  const std::string picture = catalog.MediaPicture(slot);
  if (picture.empty()) return QStringLiteral("未登録");
  const QString path = text::Cp932ToQString(picture);
  if (!QFileInfo::exists(path)) return QStringLiteral("削除?[") + path + "]";
  return path;
}

void CatalogSheet(Catalog& catalog, PropertySheet& sheet) {
  sheet.label = QStringLiteral("Plomix2");
  sheet.labelColour = kGreen;
  double folders = 0, files = 0;
  for (int slot = 0; slot < kMaxMedia; ++slot) {
    const TMediaSlot& s = catalog.Slot(slot);
    if (s.IsNeverUsed()) break;
    if (!s.IsLive() || !catalog.MatchesCategoryFilter(slot)) continue;
    folders += static_cast<double>(MediaFolderCount(catalog, slot));
    files += s.Root().AllFiles();
  }
  const double free = catalog.CatalogFreeSpace();
  QString freeText = ByteText(free);
  if (free < 20971520.0) freeText.prepend(QStringLiteral("(×)"));
  sheet.rows = {
      {QStringLiteral("読込みﾒﾃﾞｨｱ数"), Plain(catalog.FilteredMediaCount())},
      {QStringLiteral("総ﾌｫﾙﾀﾞ数"), Number(folders)},
      {QStringLiteral("総ﾌｧｲﾙ数"), Number(files)},
      {QStringLiteral("総数"), Number(folders + files)},
      {QStringLiteral("DBﾌｧｲﾙ名"), QString::fromStdString(catalog.CatalogPath())},
      {QStringLiteral("DBｻｲｽﾞ"), ByteText(static_cast<double>(catalog.CatalogFileSize()))},
      {QStringLiteral("DBﾄﾞﾗｲﾌﾞ空ｻｲｽﾞ"), freeText},
  };
}

void MediaSheet(Catalog& catalog, const ShownEntry& shown, const std::string& format,
                PropertySheet& sheet) {
  const TRecord& root = shown.mediaRoot;
  const TMediaInfomation& m = shown.facts;
  const int slot = SlotOfKey(shown.key);
  // The media's texts as the user gave them, where the slot still holds
  // what the sheet shows.
  const auto shownText = [&](SlotText field, const std::string& cp932) {
    const std::string exact = catalog.ExactSlotText(slot, field);
    return text::Utf8ToCp932(exact) == cp932 ? QString::fromStdString(exact)
                                             : text::Cp932ToQString(cp932);
  };
  const QString name = catalog.HasExactSlotText(slot, SlotText::Name)
                           ? shownText(SlotText::Name, root.Name)
                           : ShownQName(root.Name, catalog.ExactNameOfRecord(slot, 0));
  sheet.label = name;
  sheet.labelColour = kGreen;
  sheet.status = name;
  sheet.pictureSlot = slot;
  const int cut = catalog.CutNameCount(slot);
  const int longNames = std::abs(catalog.LongNameCount(slot));
  sheet.showReload = cut > 0;
  sheet.rows = {
      {QStringLiteral("ﾒﾃﾞｨｱ名"), name},
      {QStringLiteral("読込みﾄﾞﾗｲﾌﾞ"), text::Cp932ToQString(m.Drive)},
      {QStringLiteral("ﾒﾃﾞｨｱの種類"), text::Cp932ToQString(m.KindName)},
      {QStringLiteral("ﾒﾃﾞｨｱの分類"), shownText(SlotText::Category, m.Category)},
      {QStringLiteral("ﾒﾃﾞｨｱの保管場所"), shownText(SlotText::Location, m.Location)},
      {QStringLiteral("ﾒﾃﾞｨｱの保管場所詳細"),
       shownText(SlotText::LocationDetail, m.LocationDetail)},
      {QStringLiteral("登録日時"), Date(format, root.FileDate)},
      {QStringLiteral("ﾒﾃﾞｨｱの空きｻｲｽﾞ"), ByteText(m.FreeSpace)},
      {QStringLiteral("全ﾌｧｲﾙｻｲｽﾞ"), ByteText(root.Size)},
      {QStringLiteral("全ｸﾗｽﾀｷﾞｬｯﾌﾟ"), ByteText(root.Allocated - root.Size)},
      {QStringLiteral("全ﾌｧｲﾙｸﾗｽﾀｻｲｽﾞ"), ByteText(root.Allocated)},
      {QStringLiteral("ｸﾗｽﾀｻｲｽﾞ"), ByteText(m.ClusterSize)},
      {QStringLiteral("全ﾌｫﾙﾀﾞ数"), Number(static_cast<double>(MediaFolderCount(catalog, slot)))},
      {QStringLiteral("全ﾌｧｲﾙ数"), Number(root.AllFiles)},
      {QStringLiteral("ﾎﾞﾘｭｰﾑ名"), text::Cp932ToQString(m.VolumeName)},
      {QStringLiteral("ﾎﾞﾘｭｰﾑｼﾘｱﾙNo"), text::Cp932ToQString(m.VolumeSerial)},
      {QStringLiteral("一番古い更新日時ﾌｧｲﾙ"), Date(format, m.OldestFileDate)},
      {QStringLiteral("一番新しい更新日時ﾌｧｲﾙ"), Date(format, m.NewestFileDate)},
      {QStringLiteral("一番古い更新日時ﾌｫﾙﾀﾞ"), Date(format, m.OldestFolderDate)},
      {QStringLiteral("一番新しい更新日時ﾌｫﾙﾀﾞ"), Date(format, m.NewestFolderDate)},
      {QStringLiteral("一番小さいﾌｧｲﾙｻｲｽﾞ"), ByteText(m.SmallestFile)},
      {QStringLiteral("一番大きいﾌｧｲﾙｻｲｽﾞ"), ByteText(m.LargestFile)},
      {QStringLiteral("メディアの再読込み要否"),
       cut > 0 ? QStringLiteral("★★★必要") : QStringLiteral("不要")},
      {QStringLiteral("90Byte超のLongFile名数"), Number(longNames) + QStringLiteral(" 件")},
      {QStringLiteral("メディア画像File"), PictureText(catalog, slot)},
  };
  sheet.legend = {{QStringLiteral("全ﾌｧｲﾙｻｲｽﾞ"), kFuchsia, root.Size},
                  {QStringLiteral("全ｸﾗｽﾀｷﾞｬｯﾌﾟ"), kWhite, root.Allocated - root.Size},
                  {QStringLiteral("ﾒﾃﾞｨｱの空きｻｲｽﾞ"), kYellow, m.FreeSpace}};
}

void FolderSheet(Catalog& catalog, const ShownEntry& shown, PropertySheet& sheet) {
  const TRecord& f = shown.record;
  const double other = shown.mediaRoot.Allocated - f.Allocated;
  const QString path = ShownPathOf(catalog, shown.key, shown.path);
  sheet.label = ShownQName(f);
  sheet.labelColour = kGreen;
  sheet.status = path;
  sheet.rows = {
      {QStringLiteral("ﾊﾟｽ名"), path},
      {QStringLiteral("直下の総ﾌｫﾙﾀﾞ数"), Plain(f.DirFolders)},
      {QStringLiteral("直下の総ﾌｧｲﾙ数"), Plain(f.DirFiles)},
      {QStringLiteral("配下の総ﾌｫﾙﾀﾞ数"), Plain(FoldersOf(catalog, f))},
      {QStringLiteral("配下の総ﾌｧｲﾙ数"), Plain(f.AllFiles)},
      {QStringLiteral("配下の総ﾌｧｲﾙｻｲｽﾞ"), ByteText(f.Size)},
      {QStringLiteral("配下の総ｸﾗｽﾀｷﾞｬｯﾌﾟ"), ByteText(f.Allocated - f.Size)},
      {QStringLiteral("配下の総ｸﾗｽﾀｻｲｽﾞ"), ByteText(f.Allocated)},
      {QStringLiteral("その他の総ｸﾗｽﾀｻｲｽﾞ"), ByteText(other)},
      {QStringLiteral("ﾒﾃﾞｨｱの空きｻｲｽﾞ"), ByteText(shown.facts.FreeSpace)},
  };
  sheet.legend = {{QStringLiteral("配下の総ｸﾗｽﾀｻｲｽﾞ"), kFuchsia, f.Allocated},
                  {QStringLiteral("その他の総ｸﾗｽﾀｻｲｽﾞ"), kAqua, other},
                  {QStringLiteral("ﾒﾃﾞｨｱの空きｻｲｽﾞ"), kYellow, shown.facts.FreeSpace}};
}

QString RowText(const TRecord& row, int column) {
  return static_cast<std::size_t>(column) < row.Texts.size()
             ? text::Cp932ToQString(row.Texts[column])
             : QString();
}

}  // namespace

QString ByteText(double value) {
  return Number(value) + QStringLiteral(" Byte");
}

PropertySheet BuildNodeProperties(Catalog& catalog, const ShownEntry& shown,
                                  const std::string& dateFormat) {
  PropertySheet sheet;
  static constexpr PropertyKind kNodeKinds[] = {PropertyKind::Catalogue, PropertyKind::MediaNode,
                                                PropertyKind::FolderNode};
  sheet.kind = kNodeKinds[static_cast<int>(shown.kind)];
  if (shown.kind == ShownKind::Catalogue)
    CatalogSheet(catalog, sheet);
  else if (!shown.valid)
    sheet.labelColour = kGreen;
  else if (shown.kind == ShownKind::Media)
    MediaSheet(catalog, shown, dateFormat, sheet);
  else
    FolderSheet(catalog, shown, sheet);
  return sheet;
}

PropertySheet BuildRowProperties(Catalog& catalog, const ShownEntry& shown,
                                 const std::vector<const TRecord*>& selected) {
  PropertySheet sheet;
  sheet.labelColour = kBlue;
  if (selected.empty()) return sheet;
  if (selected.size() > 1) {
    sheet.kind = PropertyKind::Rows;
    double s = 0, a = 0, f = 0, n = 0, m = 0;
    for (const TRecord* row : selected) {
      s += row->Size;
      a += row->Allocated;
      f += FoldersOf(catalog, *row);
      n += row->AllFiles;
      if (IsFolderKind(row->Kind))
        f += 1;
      else if (row->Kind == kKindFile)
        n += 1;
      else
        m += 1;
    }
    sheet.label = Number(static_cast<double>(selected.size())) + QStringLiteral("個のｵﾌﾞｼﾞｪｸﾄ");
    sheet.rows = {{QStringLiteral("総ﾌｧｲﾙｻｲｽﾞ"), ByteText(s)},
                  {QStringLiteral("総ｸﾗｽﾀｻｲｽﾞ"), ByteText(a)},
                  {QStringLiteral("総ｸﾗｽﾀｷﾞｬｯﾌﾟ"), ByteText(a - s)}};
    if (m >= 1) sheet.rows.push_back({QStringLiteral("総ﾒﾃﾞｨｱ数"), Number(m)});
    sheet.rows.push_back({QStringLiteral("総ﾌｫﾙﾀﾞ数"), Number(f)});
    sheet.rows.push_back({QStringLiteral("総ﾌｧｲﾙ数"), Number(n)});
    sheet.legend = {{QStringLiteral("総ﾌｧｲﾙｻｲｽﾞ"), kBlue, s},
                    {QStringLiteral("総ｸﾗｽﾀｷﾞｬｯﾌﾟ"), kWhite, a - s}};
    return sheet;
  }
  const TRecord& row = *selected.front();
  const QString name = KeyIsMedia(row.Key)
                           ? ShownQName(row.Name, catalog.ExactNameOfRecord(SlotOfKey(row.Key), 0))
                           : ShownQName(row);
  const QString fullPath = ShownPathOf(catalog, row.Key, RowFullPath(shown, row));
  sheet.label = name;
  if (IsFolderKind(row.Kind)) {
    sheet.kind = PropertyKind::FolderRow;
    sheet.status = fullPath;
    sheet.rows = {
        {QStringLiteral("ﾊﾟｽ名"), fullPath},
        {QStringLiteral("直下の総ﾌｫﾙﾀﾞ数"), Plain(row.DirFolders)},
        {QStringLiteral("直下の総ﾌｧｲﾙ数"), Plain(row.DirFiles)},
        {QStringLiteral("配下の総ﾌｫﾙﾀﾞ数"), Plain(FoldersOf(catalog, row))},
        {QStringLiteral("配下の総ﾌｧｲﾙ数"), Plain(row.AllFiles)},
        {QStringLiteral("配下の総ﾌｧｲﾙｻｲｽﾞ"), ByteText(row.Size)},
        {QStringLiteral("配下の総ｸﾗｽﾀｷﾞｬｯﾌﾟ"), ByteText(row.Allocated - row.Size)},
        {QStringLiteral("配下の総ｸﾗｽﾀｻｲｽﾞ"), ByteText(row.Allocated)},
    };
    sheet.legend = {{QStringLiteral("配下の総ﾌｧｲﾙｻｲｽﾞ"), kBlue, row.Size},
                    {QStringLiteral("配下の総ｸﾗｽﾀｷﾞｬｯﾌﾟ"), kWhite, row.Allocated - row.Size}};
  } else if (row.Kind == kKindFile) {
    sheet.kind = PropertyKind::FileRow;
    sheet.status = fullPath;
    sheet.pictureSlot = IsEntryKey(row.Key) ? SlotOfKey(row.Key) : -1;
    sheet.rows = {
        {QStringLiteral("ﾌﾙﾊﾟｽ名"), fullPath},
        {QStringLiteral("ﾏｰｸ"), row.Mark == 1 ? QStringLiteral("有") : QStringLiteral("無")},
        {QStringLiteral("ｻｲｽﾞ"), RowText(row, 2) + QStringLiteral(" Byte")},
        {QStringLiteral("ｸﾗｽﾀｷﾞｬｯﾌﾟ"), RowText(row, 6) + QStringLiteral(" Byte")},
        {QStringLiteral("ｸﾗｽﾀｻｲｽﾞ"), RowText(row, 5) + QStringLiteral(" Byte")},
        {QStringLiteral("ﾌｧｲﾙの種類"), RowText(row, 3)},
        {QStringLiteral("更新日時"), RowText(row, 4)},
        {QStringLiteral("Version"), RowText(row, 7)},
        {QStringLiteral("ｺﾒﾝﾄ"), RowText(row, 8)},
        {QStringLiteral("重複ﾌｧｲﾙ数"),
         row.Highlight == 0 ? QStringLiteral("無") : Number(row.Highlight)},
    };
    sheet.legend = {{QStringLiteral("ﾌｧｲﾙｻｲｽﾞ"), kBlue, row.Size},
                    {QStringLiteral("ｸﾗｽﾀｷﾞｬｯﾌﾟ"), kWhite, row.Allocated - row.Size}};
  } else {
    sheet.kind = PropertyKind::MediaRow;
    sheet.status = name;
    sheet.pictureSlot = IsEntryKey(row.Key) ? SlotOfKey(row.Key) : -1;
    sheet.rows = {
        {QStringLiteral("ﾒﾃﾞｨｱ名"), name},
        {QStringLiteral("総ﾌｫﾙﾀﾞ数"), Plain(FoldersOf(catalog, row))},
        {QStringLiteral("総ﾌｧｲﾙ数"), Plain(row.AllFiles)},
        {QStringLiteral("総ﾌｧｲﾙｻｲｽﾞ"), ByteText(row.Size)},
        {QStringLiteral("総ｸﾗｽﾀｷﾞｬｯﾌﾟ"), ByteText(row.Allocated - row.Size)},
        {QStringLiteral("総ｸﾗｽﾀｻｲｽﾞ"), ByteText(row.Allocated)},
        {QStringLiteral("メディア画像File"), sheet.pictureSlot >= 0
                                                 ? PictureText(catalog, sheet.pictureSlot)
                                                 : QStringLiteral("未登録")},
    };
    sheet.legend = {{QStringLiteral("総ﾌｧｲﾙｻｲｽﾞ"), kBlue, row.Size},
                    {QStringLiteral("総ｸﾗｽﾀｷﾞｬｯﾌﾟ"), kWhite, row.Allocated - row.Size}};
  }
  return sheet;
}

QString PropertiesText(const PropertySheet& sheet) {
  QString out;
  int n = 0;
  for (const PropertyRow& row : sheet.rows)
    out += QString::number(++n) + '\t' + row.item + '\t' + row.value + QStringLiteral("\r\n");
  return out;
}

}  // namespace plomix
