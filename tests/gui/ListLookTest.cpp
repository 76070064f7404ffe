// How the file list reads on screen: names whole in the icon and list styles
// (or cut in the middle with the whole name in the tooltip), columns wide
// enough for the largest sizes and counts unless the settings hold a width,
// and the sort image staying on its column when the columns are reordered.

#include <QApplication>
#include <QHeaderView>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <memory>

#include "GuiFolder.h"
#include "ScriptedPrompter.h"
#include "TestSupport.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "ui/FileListModel.h"
#include "ui/FileListPanel.h"
#include "ui/ImageList.h"
#include "ui/Session.h"
#include "ui/options/PxListItem.h"
#include "ui/widgets/WholeNameDelegate.h"

using namespace plomix;

namespace {

TRecord Row(const QString& name, int kind, const char* size) {
  TRecord row;
  row.Name = text::QStringToCp932(name);
  row.Kind = static_cast<int16_t>(kind);
  row.ImageIndex = kind == kKindFile ? 10 : 8;
  row.Size = std::stod(size);
  row.Texts = {row.Name, "1", size, "", "", "", "", "", ""};
  return row;
}

QStringList Names(const FileListModel& model) {
  QStringList names;
  for (int i = 0; i < model.RowCount(); ++i) names << text::Cp932ToQString(model.Row(i).Name);
  return names;
}

// A list panel on a session whose settings live in a folder of the test's.
struct Panel {
  explicit Panel(const QString& config) {
    qputenv("PLOMIX2_CONFIG_DIR", config.toUtf8());
    session = std::make_unique<Session>(prompter);
    panel = std::make_unique<FileListPanel>(*session);
    panel->LoadSettings();
    panel->resize(900, 500);
    panel->show();
  }
  ~Panel() {
    panel.reset();
    session.reset();
  }
  test::ScriptedPrompter prompter;
  std::unique_ptr<Session> session;
  std::unique_ptr<FileListPanel> panel;
};

int TextMargin(const QWidget& view) {
  return view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1;
}

}  // namespace

class ListLookTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::GuiFolder> folder_;
  QString Config() const { return folder_->Config(); }

 private Q_SLOTS:
  void init() { folder_ = std::make_unique<test::GuiFolder>(); }
  void cleanup() { folder_.reset(); }

  void NamesShowWholeOrCutInTheMiddleInEveryIconStyle();
  void ColumnsFitLargeSizesAndCountsUnlessTheSettingsHoldWidths();
  void SortImageStaysOnItsColumnAfterAReorder();
  void EveryStyleSharesTheSelectionAndItsControls();
};

void ListLookTest::NamesShowWholeOrCutInTheMiddleInEveryIconStyle() {
  Panel fixture(Config());
  FileListPanel& panel = *fixture.panel;
  const QString usual = QStringLiteral("家族旅行_京都と奈良の写真.jpg");
  const QString huge =
      QStringLiteral("とても長い名前の報告書_").repeated(8) + QStringLiteral("最終版.docx");
  panel.ListModel().SetRows({Row(QStringLiteral("a.txt"), kKindFile, "12"),
                             Row(usual, kKindFile, "1500000"), Row(huge, kKindFile, "2048"),
                             Row(QStringLiteral("写真"), kKindFolder, "0")});
  WholeNameDelegate& names = panel.IconNames();
  QListView& view = *panel.ListView1Icons;
  const QFontMetrics metrics(view.font());
  for (const ViewStyle style : {ViewStyle::LargeIcons, ViewStyle::SmallIcons, ViewStyle::List}) {
    panel.SetViewStyle(style);
    QVERIFY(view.isVisible());
    view.doItemsLayout();
    for (int row = 0; row < panel.ListModel().RowCount(); ++row) {
      const QModelIndex index = panel.ListModel().index(row, 0);
      const QString name = index.data().toString();
      const QString shown = names.ShownText(name);
      const QString context = QStringLiteral("style %1: %2 -> %3")
                                  .arg(static_cast<int>(style))
                                  .arg(name.right(12), shown);
      // Every line of the cell fits in the cell the view gives the row.
      const QRect cell = view.visualRect(index);
      for (const QString& line : shown.split(u'\n'))
        QVERIFY2(metrics.horizontalAdvance(line) < cell.width(), qPrintable(context));
      QVERIFY2(cell.height() >= static_cast<int>(shown.count(u'\n') + 1) * metrics.height(),
               qPrintable(context));
      const QString joined = QString(shown).remove(u'\n');
      if (name != huge) {
        QVERIFY2(joined == name, qPrintable(context));
        QVERIFY(names.ToolTip(index).isEmpty());
        continue;
      }
      // Too long for any cell: its start and its extension stay, the middle
      // goes, and the tooltip has it whole.
      QVERIFY2(joined.contains(QChar(0x2026)), qPrintable(context));
      QVERIFY2(joined.size() >= 12, qPrintable(context));
      QVERIFY2(joined.startsWith(name.left(4)) && joined.endsWith(QStringLiteral("版.docx")),
               qPrintable(context));
      QCOMPARE(names.ToolTip(index), name);
    }
  }
  // Large icons wrap a name onto lines instead of cutting it.
  panel.SetViewStyle(ViewStyle::LargeIcons);
  QVERIFY(names.ShownText(usual).contains(u'\n'));
  panel.SetViewStyle(ViewStyle::Details);
  QVERIFY(!view.isVisible());
}

void ListLookTest::ColumnsFitLargeSizesAndCountsUnlessTheSettingsHoldWidths() {
  const auto sizeText = QStringLiteral("10,995,116,277,760");  // 10 TB
  const auto countText = QStringLiteral("2,000,000");
  {
    Panel fixture(Config());
    QTableView& list = *fixture.panel->ListView1;
    const QHeaderView& header = *list.horizontalHeader();
    const QFontMetrics cells(list.font());
    const int margins = 2 * TextMargin(list);
    QVERIFY(cells.horizontalAdvance(sizeText) + margins <= header.sectionSize(2));   // サイズ
    QVERIFY(cells.horizontalAdvance(countText) + margins <= header.sectionSize(1));  // 数
    for (const int position : {5, 6, 7})
      QVERIFY(cells.horizontalAdvance(sizeText) + margins <= header.sectionSize(position));
    // Captions fit beside the sort image.
    const QFontMetrics heading(header.font());
    QVERIFY(heading.horizontalAdvance(QStringLiteral("クラスタギャップ")) + 16 <=
            header.sectionSize(6));
    // The design widths stay the least a column starts with.
    QVERIFY(header.sectionSize(0) >= 140);
    QVERIFY(header.sectionSize(8) >= 120);
  }
  {
    // A width the user left in the settings wins, however narrow; a value
    // that is no number counts as none.
    Settings settings(Config());
    settings.SetInt(REG_ListItemSize02, 77);
    settings.SetRaw(QStringLiteral("REG_ListItemSize01"), QStringLiteral("breit"));
    Panel fixture(Config());
    const QHeaderView& header = *fixture.panel->ListView1->horizontalHeader();
    QCOMPARE(header.sectionSize(2), 77);
    QVERIFY(QFontMetrics(fixture.panel->ListView1->font()).horizontalAdvance(countText) <
            header.sectionSize(1));
    fixture.panel->SaveLayout();
    QCOMPARE(settings.GetInt(REG_ListItemSize02), 77);
  }
}

void ListLookTest::SortImageStaysOnItsColumnAfterAReorder() {
  Panel fixture(Config());
  FileListPanel& panel = *fixture.panel;
  FileListModel& model = panel.ListModel();
  model.SetRows({Row(QStringLiteral("b.txt"), kKindFile, "300"),
                 Row(QStringLiteral("a.txt"), kKindFile, "20"),
                 Row(QStringLiteral("c.txt"), kKindFile, "1000")});
  panel.ListView1ColumnClick(2);  // サイズ, ascending
  const QStringList bySize = {"a.txt", "b.txt", "c.txt"};
  QCOMPARE(Names(model), bySize);
  QCOMPARE(model.Sorting().HeaderImage(2), kImageSortUp);

  // サイズ moved to the front of the order dialog: shown second, after 名前.
  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<TfrmListItem*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    dialog->lstItem->setCurrentRow(1);
    dialog->cmdUp->click();
    dialog->cmdOK->click();
  });
  panel.N38Click();
  QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
           QStringLiteral("サイズ"));
  QCOMPARE(model.Sorting().HeaderImage(1), kImageSortUp);
  QCOMPARE(model.Sorting().HeaderImage(2), -1);
  QVERIFY(!model.headerData(1, Qt::Horizontal, Qt::DecorationRole).isNull());
  QVERIFY(model.headerData(2, Qt::Horizontal, Qt::DecorationRole).isNull());
  QCOMPARE(Names(model), bySize);
  // The same column clicked again reverses it.
  panel.ListView1ColumnClick(1);
  QCOMPARE(Names(model), (QStringList{"c.txt", "b.txt", "a.txt"}));
  QCOMPARE(model.Sorting().HeaderImage(1), kImageSortDown);
}

QTEST_MAIN(ListLookTest)
// Whichever control chooses a style, its button and menu item show it; a row
// clicked among the icons is the list's selected row, as in the details.
void ListLookTest::EveryStyleSharesTheSelectionAndItsControls() {
  Panel fixture(Config());
  FileListPanel& panel = *fixture.panel;
  panel.ListModel().SetRows({Row(QStringLiteral("a.txt"), kKindFile, "12"),
                             Row(QStringLiteral("b.txt"), kKindFile, "40"),
                             Row(QStringLiteral("写真"), kKindFolder, "0")});
  QSignalSpy selected(&panel, &FileListPanel::RowsSelected);
  struct Case {
    const char* what;
    std::function<void()> choose;
    ViewStyle style;
    QToolButton* button;
    QAction* action;
  };
  const Case cases[] = {
      {"button", [&] { panel.ToolButton16->click(); }, ViewStyle::LargeIcons, panel.ToolButton16,
       panel.N13},
      {"menu item", [&] { panel.N14->trigger(); }, ViewStyle::SmallIcons, panel.ToolButton17,
       panel.N14},
      {"code", [&] { panel.SetViewStyle(ViewStyle::List); }, ViewStyle::List, panel.ToolButton18,
       panel.N15},
      {"details", [&] { panel.N16->trigger(); }, ViewStyle::Details, panel.ToolButton19, panel.N16},
  };
  for (const Case& c : cases) {
    c.choose();
    QVERIFY2(panel.CurrentViewStyle() == c.style, c.what);
    QVERIFY2(c.button->isChecked() && c.action->isChecked(), c.what);
    const bool details = c.style == ViewStyle::Details;
    QAbstractItemView* view =
        details ? static_cast<QAbstractItemView*>(panel.ListView1) : panel.ListView1Icons;
    QVERIFY2(view->isVisible() && panel.ListView1->isVisible() == details, c.what);
    view->doItemsLayout();
    panel.ListView1->clearSelection();
    const int before = static_cast<int>(selected.count());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(panel.ListModel().index(1, 0)).center());
    QVERIFY2(panel.SelectedRows() == std::vector<int>{1}, c.what);
    QVERIFY2(panel.ListView1->selectionModel()->isRowSelected(1, {}), c.what);
    QVERIFY2(selected.count() > before, c.what);
  }
}

#include "ListLookTest.moc"
