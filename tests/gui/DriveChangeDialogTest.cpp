// The recorded-drive dialog: tabs, list, letter buttons, the dirty flag and
// its close question, "更新" writing and "キャンセル" discarding, sorting.

#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "GuiFolder.h"
#include "ScriptedPrompter.h"
#include "TestSupport.h"
#include "core/Catalog.h"
#include "core/Settings.h"
#include "support/MediaBuilder.h"
#include "ui/ImageList.h"
#include "ui/reading/PxDriveChange.h"

using namespace plomix;

class DriveChangeDialogTest : public QObject {
  Q_OBJECT

  std::unique_ptr<test::GuiFolder> folder;
  std::unique_ptr<Settings> settings;
  std::unique_ptr<Catalog> catalog;
  test::ScriptedPrompter prompter;
  std::unique_ptr<ImageList> images;

  std::string DriveOnDisk(int slot) {
    Catalog fresh;
    return fresh.OpenCatalog(catalog->CatalogPath()) ? fresh.Slot(slot).Drive() : "?";
  }

 private Q_SLOTS:
  void init() {
    folder = std::make_unique<test::GuiFolder>();
    settings = std::make_unique<Settings>(folder->FreshSettings());
    catalog = std::make_unique<Catalog>();
    images = std::make_unique<ImageList>();
    prompter.prompts.clear();
    prompter.answers.clear();
    QVERIFY(catalog->CreateCatalog(folder->File("c.qdb")));
    for (const char* category : {"CD", "HD", "CD"}) {
      TMediaInfomation info = test::InfoFor(category);
      QVERIFY(
          catalog->AddMedia(test::FlatMedia("m" + std::to_string(catalog->SlotsUsed()), 1), info));
    }
    QVERIFY(catalog->SetSlotDrive(1, "1"));
    QVERIFY(catalog->WriteSlotTable());
  }

  void showsTabsListAndPressedLetter() {
    TfrmDriveChange dialog(*catalog, *settings, prompter, images.get());
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("読込みドライブ名変更"));
    QCOMPARE(dialog.TabControl1->count(), 3);
    QCOMPARE(dialog.TabControl1->tabText(0), QStringLiteral("すべて"));
    QCOMPARE(dialog.ListView1->topLevelItemCount(), 3);
    QCOMPARE(dialog.ListView1->topLevelItem(0)->text(1), QStringLiteral("D"));
    QVERIFY(dialog.LetterButton('D')->isChecked());
    // A drive text that is no letter presses Z.
    dialog.ListView1->setCurrentItem(dialog.ListView1->topLevelItem(1));
    QVERIFY(dialog.ToolButtons[25]->isChecked());
    dialog.TabControl1->setCurrentIndex(1);  // CD
    QCOMPARE(dialog.ListView1->topLevelItemCount(), 2);
    QCOMPARE(dialog.ListView1->topLevelItem(1)->text(0), QStringLiteral("m2"));
    // Sorting by name alternates.
    dialog.ListView1->header()->sectionClicked(0);
    QCOMPARE(dialog.ListView1->topLevelItem(0)->text(0), QStringLiteral("m0"));
    dialog.ListView1->header()->sectionClicked(0);
    QCOMPARE(dialog.ListView1->topLevelItem(0)->text(0), QStringLiteral("m2"));
    QCOMPARE(dialog.ListView1->header()->sortIndicatorOrder(), Qt::DescendingOrder);
    QVERIFY(!dialog.DriveChangeDirty());
  }

  void cancelAsksAndDiscards() {
    TfrmDriveChange dialog(*catalog, *settings, prompter, images.get());
    dialog.show();
    dialog.LetterButton('K')->click();
    QCOMPARE(dialog.ListView1->topLevelItem(0)->text(1), QStringLiteral("K"));
    QVERIFY(dialog.DriveChangeDirty());
    prompter.answers = {PromptResult::No};
    dialog.cmdCancel->click();
    QVERIFY(dialog.isVisible());
    QCOMPARE(prompter.Messages(), QStringList{QStringLiteral("変更内容を取り消しますか？")});
    // The frame's close asks the same.
    prompter.answers = {PromptResult::No};
    dialog.close();
    QVERIFY(dialog.isVisible());
    prompter.answers = {PromptResult::Yes};
    dialog.close();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(prompter.Messages().size(), 3);
    QCOMPARE(catalog->Slot(0).Drive(), std::string("d"));
    QCOMPARE(DriveOnDisk(0), std::string("d"));
  }

  void updateWrites() {
    TfrmDriveChange dialog(*catalog, *settings, prompter, images.get());
    dialog.show();
    dialog.ListView1->setCurrentItem(dialog.ListView1->topLevelItem(2));
    dialog.LetterButton('F')->click();
    dialog.cmdUpdate->click();
    QVERIFY(!dialog.isVisible());
    QVERIFY(prompter.prompts.empty());
    QCOMPARE(DriveOnDisk(2), std::string("f"));
    QCOMPARE(DriveOnDisk(0), std::string("d"));
    // Shown again: clean, and nothing changed closes without a question.
    dialog.show();
    QVERIFY(!dialog.DriveChangeDirty());
    dialog.cmdCancel->click();
    QVERIFY(!dialog.isVisible());
    QVERIFY(prompter.prompts.empty());
  }
};

QTEST_MAIN(DriveChangeDialogTest)
#include "DriveChangeDialogTest.moc"
