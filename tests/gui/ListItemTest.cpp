// The column order dialog: moving captions, confirming and cancelling, and
// the new order surviving a save and load of the settings.
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "GuiFolder.h"
#include "TestSupport.h"
#include "core/Settings.h"
#include "ui/ColumnLayout.h"
#include "ui/options/PxListItem.h"

using namespace plomix;

namespace {

QStringList Lines(const TfrmListItem& dialog) {
  QStringList lines;
  for (int i = 0; i < dialog.lstItem->count(); ++i) lines << dialog.lstItem->item(i)->text();
  return lines;
}

// Works the modal dialog once it runs; closes it when the work left it open.
void WhenShown(const std::function<void(TfrmListItem&)>& work) {
  QTimer::singleShot(0, [work] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<TfrmListItem*>(widget);
      if (!dialog || !dialog->isVisible()) continue;
      work(*dialog);
      if (dialog->isVisible()) dialog->reject();
    }
  });
}

}  // namespace

class ListItemTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::GuiFolder> folder_;

 private Q_SLOTS:
  void initTestCase() { folder_ = std::make_unique<test::GuiFolder>(); }

  void UpAndDownMoveTheSelectedCaptionWithinTheList() {
    ColumnLayout layout;
    TfrmListItem dialog(layout);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("項目の表示位置変更"));
    QCOMPARE(dialog.lblMessage->text(), QStringLiteral("表示する詳細を選択してください。"));
    QCOMPARE(dialog.cmdUp->text(), QStringLiteral("上へ"));
    QCOMPARE(dialog.cmdDown->text(), QStringLiteral("下へ"));
    QCOMPARE(dialog.cmdCancel->text(), QStringLiteral("キャンセル"));
    const QStringList design = {"数",       "サイズ",         "ファイルの種類",
                                "更新日時", "クラスタサイズ", "クラスタギャップ",
                                "Version",  "コメント"};
    QCOMPARE(Lines(dialog), design);
    QCOMPARE(dialog.lstItem->currentRow(), 0);

    dialog.cmdUp->click();  // at the top: nothing
    QCOMPARE(Lines(dialog), design);
    dialog.cmdDown->click();
    dialog.cmdDown->click();
    QCOMPARE(dialog.lstItem->currentRow(), 2);
    QCOMPARE(Lines(dialog).mid(0, 3), QStringList({"サイズ", "ファイルの種類", "数"}));

    dialog.lstItem->setCurrentRow(7);
    dialog.cmdDown->click();  // at the bottom: nothing
    QCOMPARE(dialog.lstItem->currentRow(), 7);
    for (int i = 0; i < 7; ++i) dialog.cmdUp->click();
    QCOMPARE(dialog.lstItem->currentRow(), 0);
    QCOMPARE(dialog.lstItem->currentItem()->text(), QStringLiteral("コメント"));
    QCOMPARE(dialog.ResultCaptions()[0], QStringLiteral("コメント"));
  }

  void ConfirmedOrderIsSavedAndLoadedCancelChangesNothing() {
    test::TempDir folder;
    Settings settings(QString::fromStdString(folder.Path().string()));
    ColumnLayout layout;
    layout.Load(settings);

    WhenShown([](TfrmListItem& dialog) {
      dialog.lstItem->setCurrentRow(7);  // コメント
      for (int i = 0; i < 7; ++i) dialog.cmdUp->click();
      dialog.cmdCancel->click();
    });
    QVERIFY(!TfrmListItem::Run(layout, nullptr));
    QCOMPARE(layout.DataColumnAt(1), 1);

    WhenShown([](TfrmListItem& dialog) {
      dialog.lstItem->setCurrentRow(7);
      for (int i = 0; i < 7; ++i) dialog.cmdUp->click();
      dialog.cmdOK->click();
    });
    QVERIFY(TfrmListItem::Run(layout, nullptr));
    QCOMPARE(layout.DataColumnAt(0), 0);
    QCOMPARE(layout.DataColumnAt(1), 8);
    QCOMPARE(layout.DataColumnAt(2), 1);
    QCOMPARE(layout.DataColumnAt(8), 7);

    layout.SetWidth(8, 210);  // コメント widened where it now stands
    layout.Save(settings);
    QCOMPARE(settings.GetInt(REG_ListItemPos01), 8);
    QCOMPARE(settings.GetInt(REG_ListItemSize01), 210);

    ColumnLayout restarted;
    restarted.Load(settings);
    QCOMPARE(restarted.DataColumnAt(1), 8);
    QCOMPARE(restarted.Width(8), 210);
    QCOMPARE(restarted.Width(1), 50);

    // A new dialog lists the order it is given.
    TfrmListItem again(restarted);
    QCOMPARE(Lines(again).first(), QStringLiteral("コメント"));
  }
};

QTEST_MAIN(ListItemTest)
#include "ListItemTest.moc"
