// The search dialog and the search page on a real catalogue and real settings
// in a temporary folder: the dialog's defaults, remembered settings and
// refusals, conditions becoming hits, stopping a search, sorting and finding
// by typing, going to a hit's entry, and the three hit copies.
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTimeEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>
#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <optional>

#include "GuiFolder.h"
#include "RecordingClipboard.h"
#include "ScriptedPrompter.h"
#include "TestSupport.h"
#include "core/Catalog.h"
#include "core/Format.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "core/TypeNames.h"
#include "export/Clipboard.h"
#include "ui/ImageList.h"
#include "ui/PageSupport.h"
#include "ui/SearchHitModel.h"
#include "ui/SearchPage.h"
#include "ui/Session.h"
#include "ui/search/PxFileSearch.h"
#include "ui/widgets/TypeAheadViews.h"

using namespace plomix;
using plomix::test::RecordingClipboard;
using plomix::test::ScriptedPrompter;
using plomix::test::Sj;

namespace {

// Files take 12 bytes more on disk than their size.
TRecord Entry(int parent, int firstChild, int16_t kind, const std::string& name, double size,
              int32_t date) {
  TRecord r = test::MakeEntry(parent, firstChild, kind, name, size, date);
  if (kind == kKindFile) r.Allocated = size + 12;
  return r;
}

int32_t Date(int y, int mo, int d, int h = 12, int mi = 0) {
  return PackDosDateTime({y, mo, d, h, mi, 0});
}

// DISK01 (写真, 棚A, 箱1): Docs/{a.txt, b.TXT}, Empty/, readme.txt; b.TXT is
// marked and commented. DISK02 (音楽): song.mp3 (3 GB), Album/track.txt with
// a comment.
struct Bench {
  test::GuiFolder dir;  // the settings too, set before the session reads them
  ScriptedPrompter prompter;
  Session session{prompter};
  Settings& settings = session.GetSettings();
  Catalog& catalog = session.GetCatalog();
  ImageList& images = session.Images();
  TypeNames& typeNames = session.Types();
  RecordingClipboard clipboard;
  std::unique_ptr<SearchPage> page;

  Bench() {
    SetClockForTesting([] { return int64_t{1767268800}; });  // 2026-01-01 12:00 UTC
    if (!catalog.CreateCatalog(dir.File("test.qdb"))) throw std::runtime_error("no catalogue");
    AddMedia({Entry(-1, 1, kKindFixed, "DISK01", 350, Date(2023, 1, 1)),
              Entry(0, 4, kKindFolder, "Docs", 300, Date(2019, 12, 31)),
              Entry(0, -1, kKindFolder, "Empty", 0, Date(2018, 6, 1)),
              Entry(0, -1, kKindFile, "readme.txt", 50, Date(2021, 3, 1, 10)),
              Entry(1, -1, kKindFile, "a.txt", 100, Date(2020, 1, 1)),
              Entry(1, -1, kKindFile, "b.TXT", 200, Date(2022, 5, 5))},
             Sj("写真"), Sj("棚A"), Sj("箱1"), 50, 200, Date(2020, 1, 1), Date(2022, 5, 5),
             Date(2018, 6, 1), Date(2019, 12, 31));
    AddMedia({Entry(-1, 1, kKindOptical, "DISK02", 3e9 + 10, Date(2023, 2, 2)),
              Entry(0, -1, kKindFile, "song.mp3", 3e9, Date(2019, 7, 7)),
              Entry(0, 3, kKindFolder, "Album", 10, Date(2019, 7, 8)),
              Entry(2, -1, kKindFile, "track.txt", 10, Date(2019, 7, 8))},
             Sj("音楽"), "", "", 10, 3e9, Date(2019, 7, 7), Date(2019, 7, 8), Date(2019, 7, 8),
             Date(2019, 7, 8));
    catalog.SetMark(Catalog::MarkChange::Set, MakeKey(0, 5));
    catalog.SetCommentLink(catalog.AddComment(MakeKey(0, 5), Sj("重要 Note"), 10, "b.TXT"),
                           MakeKey(0, 5));
    catalog.SetCommentLink(catalog.AddComment(MakeKey(1, 3), "Lyrics", 10, "track.txt"),
                           MakeKey(1, 3));
    catalog.RebuildNameLists();
    page = std::make_unique<SearchPage>(session, nullptr, &clipboard);
  }
  ~Bench() { SetClockForTesting({}); }

  void AddMedia(const std::vector<TRecord>& records, const std::string& category,
                const std::string& location, const std::string& detail, double smallest,
                double largest, int32_t oldestFile, int32_t newestFile, int32_t oldestFolder,
                int32_t newestFolder) {
    TMediaInfomation info;
    info.Category = category;
    info.Location = location;
    info.LocationDetail = detail;
    info.SmallestFile = smallest;
    info.LargestFile = largest;
    info.OldestFileDate = oldestFile;
    info.NewestFileDate = newestFile;
    info.OldestFolderDate = oldestFolder;
    info.NewestFolderDate = newestFolder;
    if (!catalog.AddMedia(records, info)) throw std::runtime_error("media not added");
  }

  // Shows the dialog, lets `set` change its controls, presses 検索.
  bool Search(const std::function<void(TfrmFileSearch&)>& set) {
    bool accepted = false;
    page->RunSearchCommand([&](TfrmFileSearch& d) {
      d.show();
      set(d);
      d.cmdSearch->click();
      accepted = d.result() == QDialog::Accepted;
      d.hide();
      return accepted;
    });
    return accepted;
  }

  QStringList HitNames() const {
    QStringList names;
    for (int i = 0; i < page->Model().RowCount(); ++i)
      names << text::Cp932ToQString(page->Model().Row(i).Name);
    return names;
  }

  void SelectRows(std::initializer_list<int> rows) {
    page->ListView2->clearSelection();
    for (int row : rows)
      page->ListView2->selectionModel()->select(
          page->Model().index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
};

// Only the name condition, with the given pattern.
void NameOnly(TfrmFileSearch& d, const QString& pattern) {
  d.chkModeName->setChecked(true);
  d.chkModeSize->setChecked(false);
  d.chkModeDateTime->setChecked(false);
  d.txtSearchName->setText(pattern);
}

}  // namespace

class SearchPageTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void dialogShowsDefaultsAndRemembersItsBoxes();
  void refusalsKeepTheDialogOpen();
  void conditionsBecomeHits();
  void stoppingKeepsTheHitsFoundSoFar();
  void sortsAndFindsByTyping();
  void goesToTheEntryOfAHit();
  void copiesHitsAsText();
  void marksHitsEachOnItsOwn();
  void objectCountsCarryThousandsSeparators();
  void sizeBoxesTakeAnySizeInTheirUnit();
};

void SearchPageTest::dialogShowsDefaultsAndRemembersItsBoxes() {
  Bench b;
  TfrmFileSearch& d = b.page->Dialog();
  d.show();
  QCOMPARE(d.windowTitle(), QStringLiteral("検索条件"));
  QVERIFY(d.chkModeName->isChecked());
  QVERIFY(d.chkModeSize->isChecked());
  QVERIFY(d.chkModeDateTime->isChecked());
  QVERIFY(!d.chkModeComment->isChecked());
  QVERIFY(d.rdoCommentAll->isChecked());
  QCOMPARE(d.cmbAnd->currentText(), QStringLiteral("OR"));
  QCOMPARE(d.cmbCommentAndOr->currentText(), QStringLiteral("AND"));
  // The second pattern waits for partial matching; the comment text for its radio button.
  QVERIFY(!d.txtSearchName2->isEnabled());
  QVERIFY(!d.txtCommentSelect->isEnabled());
  d.chkSearchNamePart->setChecked(true);
  QVERIFY(d.txtSearchName2->isEnabled() && d.cmbAnd->isEnabled());
  d.chkSearchFolderOnly->setChecked(true);
  QVERIFY(!d.chkSearchFolder->isEnabled());

  QCOMPARE(d.TabControl1->count(), 3);
  QCOMPARE(d.TabControl1->tabText(0), QStringLiteral("すべて"));
  QCOMPARE(d.ListView1->topLevelItemCount(), 2);
  QCOMPARE(d.ListView1->topLevelItem(1)->text(1), QStringLiteral("音楽"));
  QCOMPARE(d.ListView1->topLevelItem(1)->text(5), QStringLiteral("CD/DVD"));
  QCOMPARE(d.ListView1->topLevelItem(0)->text(4), QStringLiteral("2023/01/01(日) 12:00"));
  QCOMPARE(d.pnlMediaCount->text(), QStringLiteral("2/2"));
  // Every media together: the largest file (3 GB) fits the box to the byte.
  QCOMPARE(d.cmbSearchSizeUnit->currentText(), QStringLiteral("Byte"));
  QCOMPARE(d.txtSearchSizeMin->text(), QStringLiteral("10"));
  QCOMPARE(d.txtSearchSizeMax->text(), QStringLiteral("3000000000"));
  QCOMPARE(d.Label7->text(), QStringLiteral("10 ～ 3,000,000,000 Byte"));
  QCOMPARE(d.txtSearchStartDate->date(), QDate(2019, 7, 7));
  QCOMPARE(d.txtSearchEndDate->date(), QDate(2022, 5, 5));

  // The 写真 tab: its own media and extents; typed sizes are reset.
  d.txtSearchSizeMin->setText(QStringLiteral("77"));
  for (int i = 0; i < d.TabControl1->count(); ++i)
    if (d.TabControl1->tabText(i) == QStringLiteral("写真")) d.TabControl1->setCurrentIndex(i);
  QCOMPARE(d.ListView1->topLevelItemCount(), 1);
  QCOMPARE(d.ListView1->topLevelItem(0)->text(0), QStringLiteral("DISK01"));
  QCOMPARE(d.pnlMediaCount->text(), QStringLiteral("1/1"));
  QCOMPARE(d.txtSearchSizeMin->text(), QStringLiteral("50"));
  QCOMPARE(d.txtSearchSizeMax->text(), QStringLiteral("200"));
  QCOMPARE(d.Label7->text(), QStringLiteral("50 ～ 200 Byte"));
  d.txtSearchSizeMax->clear();
  QCOMPARE(d.Label7->text(), QStringLiteral("50 Byte 以上"));
  // In another unit the defaults are rounded outwards, so the range still holds them.
  d.cmbSearchSizeUnit->setCurrentIndex(1);
  d.cmdSearchSizeAll->click();
  QCOMPARE(d.txtSearchSizeMin->text(), QStringLiteral("0"));
  QCOMPARE(d.txtSearchSizeMax->text(), QStringLiteral("1"));
  QCOMPARE(d.Label7->text(), QStringLiteral("0 ～ 1,024 Byte"));
  d.cmdSearchDate[3]->click();
  QCOMPARE(d.txtSearchEndDate->date(), QDate(2026, 1, 1));
  QCOMPARE(d.txtSearchStartDate->date(), QDate(2025, 12, 29));
  d.cmdCheckOFF->click();
  QCOMPARE(d.pnlMediaCount->text(), QStringLiteral("0/1"));

  // Boxes are stored as they change; the patterns are not.
  d.chkSearchMark->setChecked(true);
  d.chkModeSize->setChecked(false);
  d.rdoCommentSelect->setChecked(true);
  d.txtSearchName->setText(QStringLiteral("*.txt"));
  d.hide();
  QCOMPARE(b.settings.GetInt(REG_SearchInfoMark), 1);
  QCOMPARE(b.settings.GetInt(REG_SearchInfoSize), 0);
  QCOMPARE(b.settings.GetInt(REG_SearchInfoCommentAll), 0);
  TfrmFileSearch fresh(b.catalog, b.settings, b.prompter, b.images);
  fresh.show();
  QVERIFY(fresh.chkSearchMark->isChecked());
  QVERIFY(!fresh.chkModeSize->isChecked());
  QVERIFY(fresh.rdoCommentSelect->isChecked());
  QCOMPARE(fresh.cmbSearchSizeUnit->currentText(), QStringLiteral("KB"));
  QVERIFY(fresh.txtSearchName->text().isEmpty());
  // Within one run the same dialog keeps what was typed.
  d.show();
  QCOMPARE(d.txtSearchName->text(), QStringLiteral("*.txt"));
  QCOMPARE(d.pnlMediaCount->text(), QStringLiteral("2/2"));
  QVERIFY(b.prompter.prompts.empty());
}

void SearchPageTest::refusalsKeepTheDialogOpen() {
  struct Case {
    const char* what;
    std::function<void(TfrmFileSearch&)> set;
    QString message;
    PromptIcon icon;
  };
  const Case cases[] = {
      {"empty name", [](TfrmFileSearch& d) { NameOnly(d, QString()); },
       QStringLiteral("検索するﾌｧｲﾙ(ﾌｫﾙﾀﾞ)名が不明です"), PromptIcon::Information},
      {"wildcard in a partial match",
       [](TfrmFileSearch& d) {
         NameOnly(d, QStringLiteral("a*"));
         d.chkSearchNamePart->setChecked(true);
       },
       QStringLiteral("部分一致検索にワイルドカードの指定は出来ません"), PromptIcon::Information},
      {"empty comment text",
       [](TfrmFileSearch& d) {
         NameOnly(d, QStringLiteral("*"));
         d.chkModeComment->setChecked(true);
         d.rdoCommentSelect->setChecked(true);
         d.txtCommentSelect->clear();
       },
       QStringLiteral("検索するｺﾒﾝﾄ文字列が不明です"), PromptIcon::Information},
      {"no condition",
       [](TfrmFileSearch& d) {
         for (QCheckBox* box : {d.chkModeName, d.chkModeSize, d.chkModeDateTime, d.chkModeComment,
                                d.chkSearchMark, d.chkSearchFolderOnly, d.chkSearchFolder})
           box->setChecked(false);
       },
       QStringLiteral("検索条件が指定されていません"), PromptIcon::Error},
      {"no media",
       [](TfrmFileSearch& d) {
         NameOnly(d, QStringLiteral("*"));
         d.cmdCheckOFF->click();
       },
       QStringLiteral("検索対象メディアが指定されていません"), PromptIcon::Error},
      {"bad conditions are reported before missing media",
       [](TfrmFileSearch& d) {
         NameOnly(d, QString());
         d.cmdCheckOFF->click();
       },
       QStringLiteral("検索するﾌｧｲﾙ(ﾌｫﾙﾀﾞ)名が不明です"), PromptIcon::Information},
  };
  for (const Case& c : cases) {
    Bench b;
    QSignalSpy accepted(b.page.get(), &SearchPage::SearchAccepted);
    QVERIFY2(!b.Search(c.set), c.what);
    QCOMPARE(b.prompter.prompts.size(), std::size_t{1});
    QCOMPARE(b.prompter.prompts[0].text, c.message);
    QCOMPARE(b.prompter.prompts[0].icon, c.icon);
    QCOMPARE(accepted.count(), 0);
    QCOMPARE(b.page->Model().RowCount(), 0);
  }
}

void SearchPageTest::conditionsBecomeHits() {
  struct Case {
    const char* what;
    std::function<void(TfrmFileSearch&)> set;
    QStringList hits;  // in the list's first order: media and folders, then files, by name
  };
  const Case cases[] = {
      {"name pattern, any case",
       [](TfrmFileSearch& d) { NameOnly(d, QStringLiteral("*.txt")); },
       {"a.txt", "b.TXT", "readme.txt", "track.txt"}},
      {"name, case-sensitive",
       [](TfrmFileSearch& d) {
         NameOnly(d, QStringLiteral("*.txt"));
         d.chkSearchName->setChecked(true);
       },
       {"a.txt", "readme.txt", "track.txt"}},
      {"two partial names, AND",
       [](TfrmFileSearch& d) {
         NameOnly(d, QStringLiteral("a"));
         d.chkSearchNamePart->setChecked(true);
         d.txtSearchName2->setText(QStringLiteral("t"));
         d.cmbAnd->setCurrentIndex(1);
       },
       {"a.txt", "readme.txt", "track.txt"}},
      {"size range from the dialog's defaults finds the 3 GB file",
       [](TfrmFileSearch& d) {
         d.chkModeName->setChecked(false);
         d.chkModeDateTime->setChecked(false);
         d.chkModeSize->setChecked(true);
         d.cmdSearchSizeAll->click();
         d.txtSearchSizeMin->setText(QStringLiteral("150"));
       },
       {"b.TXT", "song.mp3"}},
      {"size range with min above max finds nothing",
       [](TfrmFileSearch& d) {
         d.chkModeName->setChecked(false);
         d.chkModeDateTime->setChecked(false);
         d.chkModeSize->setChecked(true);
         d.txtSearchSizeMin->setText(QStringLiteral("500"));
         d.txtSearchSizeMax->setText(QStringLiteral("100"));
       },
       {}},
      {"date range, inclusive to the minute",
       [](TfrmFileSearch& d) {
         d.chkModeName->setChecked(false);
         d.chkModeSize->setChecked(false);
         d.chkModeDateTime->setChecked(true);
         d.txtSearchStartDate->setDate(QDate(2019, 7, 7));
         d.txtSearchStartTime->setTime(QTime(12, 0));
         d.txtSearchEndDate->setDate(QDate(2020, 1, 1));
         d.txtSearchEndTime->setTime(QTime(12, 0));
       },
       {"a.txt", "song.mp3", "track.txt"}},
      {"comment substring, any case, AND",
       [](TfrmFileSearch& d) {
         NameOnly(d, QStringLiteral("*"));
         d.chkModeComment->setChecked(true);
         d.rdoCommentSelect->setChecked(true);
         d.txtCommentSelect->setText(QStringLiteral("note"));
       },
       {"b.TXT"}},
      {"any comment, OR with a name that matches nothing",
       [](TfrmFileSearch& d) {
         NameOnly(d, QStringLiteral("zzz"));
         d.chkModeComment->setChecked(true);
         d.rdoCommentAll->setChecked(true);
         d.cmbCommentAndOr->setCurrentIndex(0);
       },
       {"b.TXT", "track.txt"}},
      {"folders only",
       [](TfrmFileSearch& d) {
         NameOnly(d, QStringLiteral("*"));
         d.chkSearchFolderOnly->setChecked(true);
       },
       {"Album", "Docs", "Empty"}},
      {"marked only, on the 写真 media alone",
       [](TfrmFileSearch& d) {
         NameOnly(d, QStringLiteral("*"));
         d.chkSearchMark->setChecked(true);
         d.ListView1->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
       },
       {"b.TXT"}},
      {"folders too, and nothing else: every record",
       [](TfrmFileSearch& d) {
         for (QCheckBox* box : {d.chkModeName, d.chkModeSize, d.chkModeDateTime})
           box->setChecked(false);
         d.chkSearchFolder->setChecked(true);
       },
       {"Album", "DISK01", "DISK02", "Docs", "Empty", "a.txt", "b.TXT", "readme.txt", "song.mp3",
        "track.txt"}},
      {"a pattern of 255 stars",
       [](TfrmFileSearch& d) { NameOnly(d, QString(255, u'*')); },
       {"a.txt", "b.TXT", "readme.txt", "song.mp3", "track.txt"}},
  };
  for (const Case& c : cases) {
    Bench b;
    QSignalSpy accepted(b.page.get(), &SearchPage::SearchAccepted);
    QSignalSpy busy(b.page.get(), &SearchPage::RunningChanged);
    connect(b.page.get(), &SearchPage::StatusChanged, b.page.get(),
            [&] { QVERIFY(b.session.Busy()); });
    QVERIFY2(b.Search(c.set), c.what);
    QCOMPARE(b.HitNames(), c.hits);
    QVERIFY2(b.prompter.prompts.empty(), c.what);
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(busy.count(), 2);
    QCOMPARE(busy.at(1).at(0).toBool(), false);
    QVERIFY(!b.session.Busy());
    QCOMPARE(b.page->StatusText(0),
             QString::number(c.hits.size()) + QStringLiteral(" 個のオブジェクト"));
    QCOMPARE(b.page->StatusText(1), QString());
  }

  // A media deleted after the dialog was shown is passed over.
  Bench b;
  QVERIFY(b.Search([&](TfrmFileSearch& d) {
    NameOnly(d, QStringLiteral("*.txt"));
    b.catalog.DeleteMedia(1);
  }));
  QCOMPARE(b.HitNames(), QStringList({"a.txt", "b.TXT", "readme.txt"}));
}

void SearchPageTest::stoppingKeepsTheHitsFoundSoFar() {
  for (const bool byEscape : {false, true}) {
    Bench b;
    // Stopped as the second media is about to be searched.
    connect(b.page.get(), &SearchPage::StatusChanged, b.page.get(),
            [&](int panel, const QString& text) {
              if (panel != 1 || !text.contains(QStringLiteral("(2/2"))) return;
              if (byEscape)
                QTest::keyClick(b.page->ListView2, Qt::Key_Escape);
              else
                b.page->cmdSearchStop->click();
            });
    QVERIFY(b.page->cmdSearchStop->isEnabled() == false);
    QVERIFY(b.Search([](TfrmFileSearch& d) { NameOnly(d, QStringLiteral("*.txt")); }));
    QCOMPARE(b.HitNames(), QStringList({"a.txt", "b.TXT", "readme.txt"}));
    QCOMPARE(b.page->StatusText(1), QStringLiteral("検索を中止しました（3 件検出）"));
    QVERIFY(!b.page->Running());
    QVERIFY(!b.page->cmdSearchStop->isEnabled());
    // The next search runs to its end.
    disconnect(b.page.get(), &SearchPage::StatusChanged, nullptr, nullptr);
    QVERIFY(b.Search([](TfrmFileSearch& d) { NameOnly(d, QStringLiteral("*.txt")); }));
    QCOMPARE(b.page->Model().RowCount(), 4);
    QCOMPARE(b.page->StatusText(1), QString());
  }
}

void SearchPageTest::sortsAndFindsByTyping() {
  Bench b;
  QVERIFY(b.Search([](TfrmFileSearch& d) {
    NameOnly(d, QStringLiteral("*"));
    d.chkSearchFolder->setChecked(true);
  }));
  SearchHitModel& m = b.page->Model();
  QCOMPARE(m.Sorting().HeaderImage(0), kImageSortUp);
  QHeaderView* header = b.page->ListView2->horizontalHeader();
  // サイズ: right-aligned texts compare padded, so by value; the name breaks ties.
  header->sectionClicked(6);
  QStringList bySize = b.HitNames();
  QCOMPARE(bySize.mid(0, 4), QStringList({"Empty", "Album", "track.txt", "readme.txt"}));
  QCOMPARE(bySize.mid(8), QStringList({"song.mp3", "DISK02"}));
  QCOMPARE(m.Sorting().HeaderImage(6), kImageSortUp);
  QCOMPARE(m.Sorting().HeaderImage(0), -1);
  header->sectionClicked(6);
  QCOMPARE(b.HitNames().first(), QStringLiteral("DISK02"));
  QCOMPARE(m.Sorting().HeaderImage(6), kImageSortDown);

  // Shift: by パス名 first, then サイズ within each path.
  header->sectionClicked(2);
  m.SortByColumn(6, true);
  QCOMPARE(m.Sorting().extraKeys, 1);
  QCOMPARE(m.Sorting().HeaderImage(2), kImageSortDown);
  QCOMPARE(m.Sorting().HeaderImage(6), kImageSubSortDown);
  // Descending: the longer path first, the media roots (no path) last.
  const QStringList byPath = b.HitNames();
  QCOMPARE(byPath.mid(0, 3), QStringList({"track.txt", "song.mp3", "Album"}));
  QCOMPARE(byPath.mid(8), QStringList({"DISK02", "DISK01"}));

  // Typing finds the next name beginning with the text, any case, wrapping.
  b.page->ListView2->setCurrentIndex(m.index(0, 0));
  b.page->ListView2->keyboardSearch(QStringLiteral("RE"));
  QCOMPARE(m.Row(b.page->ListView2->currentIndex().row()).Name, std::string("readme.txt"));
  QCOMPARE(m.FindByTyping(QStringLiteral("zz"), 0, true), -1);

  // The order chosen lasts: the next search is shown the same way.
  QVERIFY(b.Search([](TfrmFileSearch& d) { NameOnly(d, QStringLiteral("*.txt")); }));
  QCOMPARE(m.Sorting().column, 6);
  QCOMPARE(b.HitNames(), QStringList({"track.txt", "b.TXT", "a.txt", "readme.txt"}));
}

void SearchPageTest::goesToTheEntryOfAHit() {
  Bench b;
  QVERIFY(b.Search([](TfrmFileSearch& d) { NameOnly(d, QStringLiteral("*.txt")); }));
  QSignalSpy go(b.page.get(), &SearchPage::GoToEntry);
  b.page->ListView2->clearSelection();
  b.page->ToolButton21->click();
  QCOMPARE(go.count(), 0);
  b.SelectRows({3, 1});
  b.page->M2->trigger();
  QCOMPARE(go.count(), 1);
  QCOMPARE(go.at(0).at(0).toInt(), MakeKey(0, 5));
  b.page->ListView2->doubleClicked(b.page->Model().index(3, 0));
  QCOMPARE(go.count(), 2);
}

void SearchPageTest::copiesHitsAsText() {
  Bench b;
  QVERIFY(b.Search([](TfrmFileSearch& d) { NameOnly(d, QStringLiteral("*.txt")); }));
  b.SelectRows({3, 1});
  b.page->N59->trigger();
  QCOMPARE(b.clipboard.text, std::string("b.TXT\r\ntrack.txt\r\n"));
  b.page->ToolButton31->click();
  QCOMPARE(b.clipboard.text, std::string("DISK01\\Docs\\b.TXT\r\nDISK02\\Album\\track.txt\r\n"));
  b.page->A1->trigger();
  // The type name is the desktop's, in its language.
  const std::string type = b.typeNames.TypeName(kKindFile, "b.TXT");
  QCOMPARE(b.clipboard.text,
           Sj("\"b.TXT\",1,\"DISK01\\Docs\",\"写真\",\"棚A\",\"箱1\",200,\"") + type +
               Sj("\",\"2022/05/05(木) 12:00\",212,12,\"\",\"重要 Note\"\r\n"
                  "\"track.txt\",1,\"DISK02\\Album\",\"音楽\",\"\",\"\",10,\"") +
               type + "\",\"2019/07/08(" + Sj("月") + ") 12:00\",22,12,\"\",\"Lyrics\"\r\n");
  // The name conversion applies; nothing selected empties the clipboard.
  b.settings.SetInt(REG_ClipBordNameMode, 2);
  b.page->C2->trigger();
  QCOMPARE(b.clipboard.text, std::string("DISK01\\DOCS\\B.TXT\r\nDISK02\\ALBUM\\TRACK.TXT\r\n"));
  b.page->ListView2->clearSelection();
  b.page->N59->trigger();
  QCOMPARE(b.clipboard.text, std::string());
  QVERIFY(b.prompter.prompts.empty());
}

QTEST_MAIN(SearchPageTest)

void SearchPageTest::marksHitsEachOnItsOwn() {
  Bench b;
  QVERIFY(b.Search([](TfrmFileSearch& d) { NameOnly(d, QStringLiteral("*.txt")); }));
  QVERIFY(b.page->ToolButton23->isEnabled());
  b.SelectRows({3, 1});
  const int32_t keys[] = {b.page->Model().Row(3).Key, b.page->Model().Row(1).Key};
  const uint8_t before[] = {b.page->Model().Row(3).Mark, b.page->Model().Row(1).Mark};
  b.page->M3->trigger();
  for (int i = 0; i < 2; ++i) {
    const int row = i == 0 ? 3 : 1;
    QCOMPARE(b.page->Model().Row(row).Mark, uint8_t(before[i] == 1 ? 0 : 1));
    // The mark is written: loading the media again shows it.
    QVERIFY(b.catalog.LoadMedia(SlotOfKey(keys[i])));
    QCOMPARE(b.catalog.LoadedRec(RecordOfKey(keys[i])).Mark(), b.page->Model().Row(row).Mark);
  }
}

void SearchPageTest::objectCountsCarryThousandsSeparators() {
  QCOMPARE(ObjectCountText(0), QStringLiteral("0 個のオブジェクト"));
  QCOMPARE(ObjectCountText(999), QStringLiteral("999 個のオブジェクト"));
  QCOMPARE(ObjectCountText(120014), QStringLiteral("120,014 個のオブジェクト"));
  QCOMPARE(ObjectCountText(120014, 1), QStringLiteral("(1/120,014) 個のオブジェクト"));
  QCOMPARE(ObjectCountText(2000000, 1500), QStringLiteral("(1,500/2,000,000) 個のオブジェクト"));
}

void SearchPageTest::sizeBoxesTakeAnySizeInTheirUnit() {
  const QString tooLargeMin = QStringLiteral(
      "最小サイズが大きすぎます\r\n指定できるのは 9,223,372,036,854,775,807 Byte までです");
  struct Case {
    const char* what;
    QString unit, low, high;
    int64_t min;                 // when accepted
    std::optional<int64_t> max;  // when accepted
    QString refusal;             // else
  };
  const Case cases[] = {
      {"5 GB", "GB", "5", "", int64_t{5} << 30, std::nullopt, {}},
      {"3000 MB", "MB", "3000", "", int64_t{3000} << 20, std::nullopt, {}},
      {"a fraction of a unit", "GB", "2.5", "", int64_t{5} << 29, std::nullopt, {}},
      {"grouping commas and full-width digits",
       "Byte",
       "5,368,709,120",
       "１２３４５",
       int64_t{5} << 30,
       12345,
       {}},
      {"the largest size",
       "Byte",
       "9223372036854775807",
       "",
       std::numeric_limits<int64_t>::max(),
       std::nullopt,
       {}},
      {"the largest whole GB as the upper bound",
       "GB",
       "",
       "8589934591",
       0,
       int64_t{8589934591} << 30,
       {}},
      {"a fraction of a byte: the range stays inside", "KB", "0.1", "0.1", 103, 102, {}},
      {"empty boxes: no bounds", "MB", "", "", 0, std::nullopt, {}},
      {"one byte too many", "Byte", "9223372036854775808", "", 0, std::nullopt, tooLargeMin},
      {"a unit too many", "GB", "8589934592", "", 0, std::nullopt, tooLargeMin},
      {"far too many digits in the upper box", "KB", "1", "123456789012345678901234", 0,
       std::nullopt,
       QStringLiteral(
           "最大サイズが大きすぎます\r\n指定できるのは 9,223,372,036,854,775,807 Byte までです")},
      {"not a number", "Byte", "12a", "", 0, std::nullopt,
       QStringLiteral("最小サイズには数値を入力してください")},
      {"a minus sign", "Byte", "", "-1", 0, std::nullopt,
       QStringLiteral("最大サイズには数値を入力してください")},
  };
  Bench b;
  TfrmFileSearch& d = b.page->Dialog();
  for (const Case& c : cases) {
    b.prompter.prompts.clear();
    d.show();
    d.chkModeName->setChecked(false);
    d.chkModeDateTime->setChecked(false);
    d.chkModeSize->setChecked(true);
    d.cmbSearchSizeUnit->setCurrentText(c.unit);
    d.txtSearchSizeMin->setText(c.low);
    d.txtSearchSizeMax->setText(c.high);
    d.setResult(QDialog::Rejected);
    d.cmdSearch->click();
    if (c.refusal.isEmpty()) {
      QVERIFY2(d.result() == QDialog::Accepted, c.what);
      QVERIFY2(b.prompter.prompts.empty(), c.what);
      QCOMPARE(d.Conditions().sizeMin, c.min);
      QCOMPARE(d.Conditions().sizeMax, c.max);
    } else {
      // Refused as typed: the dialog stays open and no digit is dropped.
      QVERIFY2(d.isVisible() && d.result() != QDialog::Accepted, c.what);
      QCOMPARE(b.prompter.Messages(), QStringList{c.refusal});
      QCOMPARE(d.txtSearchSizeMin->text(), c.low);
      QCOMPARE(d.txtSearchSizeMax->text(), c.high);
      QCOMPARE(d.Label7->text(), QStringLiteral("サイズを確認してください"));
    }
    d.hide();
  }
  QCOMPARE(b.settings.GetRaw(QStringLiteral("Search/SizeUnit")), QStringLiteral("Byte"));
}

#include "SearchPageTest.moc"
