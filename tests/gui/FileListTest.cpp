// The file list's rules without a window: sort order (folders first, padded
// numbers, name as tie-breaker, direction flips, Shift keys and their header
// images), type-ahead, the size bar's length and the column layout store.

#include <QApplication>
#include <QTest>

#include "TestSupport.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "ui/ColumnLayout.h"
#include "ui/FileListModel.h"
#include "ui/ImageList.h"
#include "ui/widgets/TypeAheadViews.h"

using namespace plomix;

namespace {

TRecord Row(const char* name, int kind, const char* size, const char* type = "") {
  TRecord row;
  row.Name = test::Sj(name);
  row.Kind = static_cast<int16_t>(kind);
  row.ImageIndex = kind == kKindFile ? 10 : 8;
  row.Texts = {row.Name, "1", size, test::Sj(type), "", "", "", "", ""};
  return row;
}

QStringList Names(const FileListModel& model) {
  QStringList names;
  for (int i = 0; i < model.RowCount(); ++i) names << text::Cp932ToQString(model.Row(i).Name);
  return names;
}

}  // namespace

class FileListTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void SortOrderRules();
  void ShiftClickSortsWithinGroupsAndMarksHeaders();
  void TypeAheadFindsFromTheFocusRowAndWraps();
  void SizeBarLength();
  void ColumnLayoutSurvivesJunkAndKeepsWidthsWithPositions();
};

void FileListTest::SortOrderRules() {
  ImageList images;
  FileListModel model(images);
  model.SetRows({Row("b.txt", kKindFile, "10"), Row("zz", kKindFolder, "0"),
                 Row("a.txt", kKindFile, "9"), Row("c.txt", kKindFile, "10"),
                 Row("aa", kKindFolder, "100")});
  // At start: name column ascending, folders before files.
  QCOMPARE(Names(model), (QStringList{"aa", "zz", "a.txt", "b.txt", "c.txt"}));
  QCOMPARE(model.Sorting().HeaderImage(0), kImageSortUp);
  // The same header again reverses: files (descending) before folders.
  model.SortByColumn(0, false);
  QCOMPARE(Names(model), (QStringList{"c.txt", "b.txt", "a.txt", "zz", "aa"}));
  QCOMPARE(model.Sorting().HeaderImage(0), kImageSortDown);
  // Another column keeps the direction: size descending, "9" below "10",
  // equal sizes by name.
  model.SortByColumn(2, false);
  QCOMPARE(Names(model), (QStringList{"aa", "c.txt", "b.txt", "a.txt", "zz"}));
  QCOMPARE(model.Sorting().HeaderImage(0), -1);
  QCOMPARE(model.Sorting().HeaderImage(2), kImageSortDown);
  model.SortByColumn(2, false);
  QCOMPARE(Names(model), (QStringList{"zz", "a.txt", "b.txt", "c.txt", "aa"}));
}

void FileListTest::ShiftClickSortsWithinGroupsAndMarksHeaders() {
  ImageList images;
  FileListModel model(images);
  model.SetRows({Row("x.doc", kKindFile, "5", "B"), Row("y.doc", kKindFile, "1", "A"),
                 Row("z.doc", kKindFile, "3", "B"), Row("w.doc", kKindFile, "7", "A")});
  model.SortByColumn(3, false);  // type, ascending
  QCOMPARE(Names(model), (QStringList{"w.doc", "y.doc", "x.doc", "z.doc"}));
  model.SortByColumn(2, true);  // then size within each type
  QCOMPARE(Names(model), (QStringList{"y.doc", "w.doc", "z.doc", "x.doc"}));
  QCOMPARE(model.Sorting().majorColumn, 3);
  QCOMPARE(model.Sorting().extraKeys, 1);
  QCOMPARE(model.Sorting().HeaderImage(3), kImageSortUp);
  QCOMPARE(model.Sorting().HeaderImage(2), kImageSubSortUp);
  QCOMPARE(model.Sorting().HeaderImage(0), -1);
}

void FileListTest::TypeAheadFindsFromTheFocusRowAndWraps() {
  ImageList images;
  FileListModel model(images);
  model.SetRows({Row("Abc.txt", kKindFile, "1"), Row("abd.txt", kKindFile, "1"),
                 Row("xyz.txt", kKindFile, "1")});
  QCOMPARE(model.FindByTyping("ab", 0, true), 0);
  QCOMPARE(model.FindByTyping("AB", 1, true), 1);
  QCOMPARE(model.FindByTyping("ab", 2, true), 0);
  QCOMPARE(model.FindByTyping("ab", 2, false), -1);
  QCOMPARE(model.FindByTyping("q", 0, true), -1);

  // Typed into the list: quick keys form one text; after a pause it starts anew.
  TypeAheadTableView view;
  view.setModel(&model);
  view.show();
  view.setCurrentIndex(model.index(2, 0));
  QTest::keyClicks(&view, "ab");
  QCOMPARE(view.currentIndex().row(), 0);
  QTest::keyClicks(&view, "d");
  QCOMPARE(view.currentIndex().row(), 1);
  QTest::qWait(QApplication::keyboardInputInterval() + 100);
  QTest::keyClicks(&view, "X");
  QCOMPARE(view.currentIndex().row(), 2);
}

void FileListTest::SizeBarLength() {
  const struct {
    double size, largest;
    int width, expected;
  } cases[] = {
      {1000, 1000, 82, 80},  // the largest row spans the column less 2
      {0, 1000, 82, 0},      // nothing for an empty file
      {1, 1e9, 82, 1},       // a tiny file still shows
      {500, 1000, 81, 40},   // halves round away from zero: 39.5 -> 40
      {10, 0, 82, 0},        // nothing larger than 0
  };
  for (const auto& c : cases)
    QCOMPARE(SizeBarDelegate::BarLength(c.size, c.largest, c.width), c.expected);
}

void FileListTest::ColumnLayoutSurvivesJunkAndKeepsWidthsWithPositions() {
  test::TempDir dir;
  Settings settings(QString::fromStdString(dir.Path().string()));
  ColumnLayout fresh;
  fresh.Load(settings);
  QCOMPARE(fresh.DataColumnAt(3), 3);
  QCOMPARE(fresh.Width(0), 140);
  QCOMPARE(fresh.Width(8), 120);

  // コメント moved to the front survives a save and a load.
  ColumnLayout layout;
  auto order = layout.OrderCaptions();
  std::rotate(order.begin(), order.end() - 1, order.end());
  QVERIFY(layout.ApplyOrder(order));
  layout.SetWidth(8, 222);
  layout.Save(settings);
  ColumnLayout loaded;
  loaded.Load(settings);
  QCOMPARE(loaded.DataColumnAt(1), 8);
  QCOMPARE(loaded.Width(8), 222);
  QCOMPARE(loaded.DataColumnAt(2), 1);

  // A repeated or missing column, or a tiny width, never loses a column.
  settings.SetInt(REG_ListItemPos04, 1);
  settings.SetInt(REG_ListItemSize00, 19);
  ColumnLayout junk;
  junk.Load(settings);
  for (int i = 0; i < ColumnLayout::kCount; ++i) QCOMPARE(junk.DataColumnAt(i), i);
  QCOMPARE(junk.Width(0), 140);
}

QTEST_MAIN(FileListTest)
#include "FileListTest.moc"
