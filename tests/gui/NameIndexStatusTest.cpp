// The name index panel of the main window's status bar: what it says for a
// catalogue without an index, with a current one, with a stale one (built
// anew in the background, then current) and after the catalogue changed
// under a current one.
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>

#include "GuiFolder.h"
#include "MediaBuilder.h"
#include "ScriptedPrompter.h"
#include "SessionWindow.h"
#include "TestSupport.h"
#include "core/Catalog.h"
#include "search/NameIndex.h"
#include "ui/NameIndexStatus.h"
#include "ui/PxMain.h"
#include "ui/Session.h"

using namespace plomix;
using Shown = NameIndexStatus::Shown;

class NameIndexStatusTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::GuiFolder> folder_;
  std::string catalogue_;

  enum class Index { None, Current, Stale };
  // A catalogue of one media stored from the sample folder, with the index
  // asked for; the window is not yet started.
  bool MakeCatalogue(Index index) {
    if (!test::MakeSampleMediaFolder(folder_->Path(QStringLiteral("media")))) return false;
    Catalog catalog;
    if (!catalog.CreateCatalog(catalogue_)) return false;
    test::StoreFolderAsMedia(catalog, folder_->Root() / "media", "Disk");
    if (index != Index::None) {
      std::string error;
      if (!BuildNameIndex(catalog, error)) return false;
    }
    // A change after the build leaves the index stale.
    if (index == Index::Stale && catalog.RenameMedia(0, "Renamed") != 1) return false;
    folder_->OpenAtStart(QStringLiteral("cat.qdb"));
    return NameIndexStateOf(catalogue_) == (index == Index::None      ? NameIndexState::Missing
                                            : index == Index::Current ? NameIndexState::Current
                                                                      : NameIndexState::Stale);
  }

  static QLabel* Panel(TfrmMain& window) {
    return window.statusBar()->findChild<QLabel*>(QStringLiteral("StatusBar1Panel2"));
  }

 private Q_SLOTS:
  void init() {
    folder_ = std::make_unique<test::GuiFolder>();
    catalogue_ = folder_->File("cat.qdb");
  }
  void cleanup() { folder_.reset(); }

  void withoutAnIndexItSaysNone() {
    QVERIFY(MakeCatalogue(Index::None));
    test::ScriptedPrompter prompter;
    test::SessionWindow fixture(prompter);
    QVERIFY(fixture.window.Started());
    QLabel* panel = Panel(fixture.window);
    QVERIFY(panel);
    QCOMPARE(panel, fixture.window.StatusPanel2);
    QTRY_COMPARE(panel->text(), QStringLiteral("索引：なし"));
    QVERIFY(!panel->toolTip().isEmpty());
    QVERIFY(prompter.prompts.empty());
  }

  void aCurrentIndexIsCurrentUntilTheCatalogueChanges() {
    QVERIFY(MakeCatalogue(Index::Current));
    test::ScriptedPrompter prompter;
    test::SessionWindow fixture(prompter);
    QVERIFY(fixture.window.Started());
    QLabel* panel = Panel(fixture.window);
    QVERIFY(panel);
    QTRY_COMPARE(panel->text(), QStringLiteral("索引：最新"));

    // The window changes the catalogue: the index no longer describes it.
    QCOMPARE(fixture.session.GetCatalog().RenameMedia(0, "Other"), 1);
    fixture.window.StatusPanel2->Recheck();
    QCOMPARE(panel->text(), QStringLiteral("索引：古い"));
    QCOMPARE(fixture.window.StatusPanel2->State(), Shown::Stale);
    // Built again by another program: current once more.
    {
      Catalog catalog;
      QVERIFY(catalog.OpenCatalog(catalogue_));
      catalog.ReadLongNames();
      std::string error;
      QVERIFY2(BuildNameIndex(catalog, error), error.c_str());
    }
    fixture.window.StatusPanel2->Recheck();
    QCOMPARE(panel->text(), QStringLiteral("索引：最新"));
  }

  void aStaleIndexIsBuiltAnewInTheBackground() {
    QVERIFY(MakeCatalogue(Index::Stale));
    test::ScriptedPrompter prompter;
    qRegisterMetaType<NameIndexStatus::Shown>();
    test::SessionWindow fixture(prompter);
    QVERIFY(fixture.window.Started());
    QLabel* panel = Panel(fixture.window);
    QVERIFY(panel);
    // The worker's reports reach the panel through the event loop, which
    // has not run yet.
    QSignalSpy spy(fixture.window.StatusPanel2, &NameIndexStatus::StateChanged);
    QTRY_COMPARE(panel->text(), QStringLiteral("索引：最新"));
    QCOMPARE(NameIndexStateOf(catalogue_), NameIndexState::Current);
    // The states after the start's "checking": building, then current.
    QList<Shown> seen;
    for (const QList<QVariant>& args : spy) seen.push_back(args.at(0).value<Shown>());
    QCOMPARE(seen, (QList<Shown>{Shown::Building, Shown::Current}));
  }
};

QTEST_MAIN(NameIndexStatusTest)
#include "NameIndexStatusTest.moc"
