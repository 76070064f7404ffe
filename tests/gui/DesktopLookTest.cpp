// How the program presents itself on a desktop without any icon theme: every
// image and command has a bundled icon that is actually drawn, the window's
// commands all carry one, the caption is left as the program sets it, and
// Qt's own texts are Japanese; icon-only buttons and list cells have names on
// the accessibility bus.

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QSplitter>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include "GuiFolder.h"
#include "ScriptedPrompter.h"
#include "SessionWindow.h"
#include "TestSupport.h"
#include "plomix/Version.h"
#include "ui/AppSetup.h"
#include "ui/DetailPanel.h"
#include "ui/FileListModel.h"
#include "ui/FileListPanel.h"
#include "ui/Icons.h"
#include "ui/ImageList.h"
#include "ui/MediaPage.h"
#include "ui/PropertyPanel.h"
#include "ui/PxMain.h"

using namespace plomix;

namespace {

// Pixels a person would see: not fully transparent.
int VisiblePixels(const QIcon& icon, int size) {
  const QImage image = icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
  int visible = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qAlpha(image.pixel(x, y)) > 32) ++visible;
  return visible;
}

}  // namespace

class DesktopLookTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() { QVERIFY(SetUpApplication(*qApp)); }

  void EveryImageAndCommandHasADrawnBundledIcon();
  void ImagesAndViewButtonsAreTellApart();
  void EveryCommandOfTheWindowHasAnIcon();
  void ButtonsAndCellsHaveNamesOnTheAccessibilityBus();
  void TheApplicationKeepsCaptionsAsSet();
  void QtsOwnTextsAreJapanese();
};

void DesktopLookTest::EveryImageAndCommandHasADrawnBundledIcon() {
  QStringList names;
  for (int i = 0; i < kBuiltInImages; ++i) names << icons::BuiltInImageName(i);
  for (const QString& command : icons::CommandsWithIcons())
    names << icons::CommandIconName(command);
  QVERIFY(icons::BuiltInImageName(kBuiltInImages).isEmpty());
  for (const QString& name : names) {
    QVERIFY2(!name.isEmpty(), "an image without an icon name");
    const QIcon icon = icons::Bundled(name);
    QVERIFY2(!icon.isNull(), qPrintable(name));
    for (int size : {16, 22, 32, 48}) {
      QVERIFY2(icon.availableSizes().contains(QSize(size, size)),
               qPrintable(QStringLiteral("%1 at %2").arg(name).arg(size)));
      // At least half a line's worth of drawing (the thinnest icon is a minus).
      QVERIFY2(VisiblePixels(icon, size) >= size / 2,
               qPrintable(QStringLiteral("%1 at %2 is almost empty").arg(name).arg(size)));
    }
  }
  QVERIFY(!icons::ApplicationIcon().isNull());
  QVERIFY(VisiblePixels(icons::ApplicationIcon(), 256) > 256 * 256 / 2);
  QVERIFY(icons::Bundled(QStringLiteral("no-such-icon")).isNull());
}

void DesktopLookTest::ImagesAndViewButtonsAreTellApart() {
  // The four view styles, the media kinds and the two sort directions each
  // look different; deleting a media does not show the mark.
  const QStringList views = {
      icons::CommandIconName("ToolButton16"), icons::CommandIconName("ToolButton17"),
      icons::CommandIconName("ToolButton18"), icons::CommandIconName("ToolButton19")};
  QCOMPARE(QSet<QString>(views.begin(), views.end()).size(), 4);
  QSet<QString> images;
  for (int i = 0; i < kBuiltInImages; ++i) images.insert(icons::BuiltInImageName(i));
  QCOMPARE(images.size(), kBuiltInImages);
  QVERIFY(icons::CommandIconName("ToolButton7") != icons::BuiltInImageName(kImageMark));
  QCOMPARE(icons::CommandIconName("N2"), icons::CommandIconName("ToolButton4"));
  QCOMPARE(icons::CommandIconName("N13"), icons::CommandIconName("ToolButton16"));

  ImageList list;
  for (int i = 0; i < kBuiltInImages; ++i)
    QVERIFY2(!list.Icon(i).isNull(), qPrintable(QString::number(i)));
}

void DesktopLookTest::EveryCommandOfTheWindowHasAnIcon() {
  test::GuiFolder folder;
  test::ScriptedPrompter prompter;
  prompter.paths.push_back(folder.Path(QStringLiteral("look.qdb")));
  test::SessionWindow fixture(prompter);
  TfrmMain& window = fixture.window;
  QVERIFY(window.Started());
  int buttons = 0;
  for (QToolButton* button : window.findChildren<QToolButton*>()) {
    if (!button->objectName().startsWith(QLatin1String("ToolButton"))) continue;
    ++buttons;
    QVERIFY2(!icons::CommandIconName(button->objectName()).isEmpty(),
             qPrintable(button->objectName()));
    QVERIFY2(!button->icon().isNull(), qPrintable(button->objectName()));
  }
  QVERIFY(buttons >= 20);
  int actions = 0;
  for (QAction* action : window.findChildren<QAction*>()) {
    if (action->isSeparator() || action->objectName().isEmpty() || action->menu()) continue;
    if (action->objectName().startsWith(QLatin1String("qt_"))) continue;
    ++actions;
    QVERIFY2(!action->icon().isNull(), qPrintable(action->objectName() + " " + action->text()));
  }
  QVERIFY(actions >= 10);
}

void DesktopLookTest::ButtonsAndCellsHaveNamesOnTheAccessibilityBus() {
  test::GuiFolder folder;
  test::ScriptedPrompter prompter;
  prompter.paths.push_back(folder.Path(QStringLiteral("a11y.qdb")));
  test::SessionWindow fixture(prompter);
  TfrmMain& window = fixture.window;
  QVERIFY(window.Started());
  window.show();
  const auto name = [](QObject* object) {
    return QAccessible::queryAccessibleInterface(object)->text(QAccessible::Name);
  };
  int iconOnly = 0;
  for (QToolButton* button : window.findChildren<QToolButton*>()) {
    if (!button->text().isEmpty()) continue;
    ++iconOnly;
    QVERIFY2(!name(button).isEmpty(), qPrintable(button->objectName()));
    if (!button->toolTip().isEmpty()) QCOMPARE(name(button), button->toolTip());
  }
  QVERIFY(iconOnly >= 20);
  // A hint set at run time renames the button.
  window.ToolButton3->setToolTip(QStringLiteral("DB最適化(削除済みメディア数=1)"));
  QCOMPARE(name(window.ToolButton3), QStringLiteral("DB最適化(削除済みメディア数=1)"));

  // The file list offers its cells with their texts.
  QTableView& list = *window.Media().pnlListViewClient->ListView1;
  QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&list);
  QVERIFY(table->tableInterface() != nullptr);
  QCOMPARE(table->text(QAccessible::Name), QStringLiteral("ファイル一覧"));
  TRecord row;
  row.Name = "a.txt";
  row.Kind = kKindFile;
  row.Texts = {"a.txt", "1", "2,048", "", "", "", "", "", ""};
  window.Media().ListModel().SetRows({row});
  QCOMPARE(table->tableInterface()->cellAt(0, 2)->text(QAccessible::Name), QStringLiteral("2,048"));

  // Checkable controls follow the bus's toggle action, which clicks nothing.
  const auto toggle = [](QAbstractButton* button) {
    QAccessibleActionInterface* actions =
        QAccessible::queryAccessibleInterface(button)->actionInterface();
    QVERIFY(actions != nullptr);
    QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    actions->doAction(QAccessibleActionInterface::toggleAction());
  };
  MediaPage& media = window.Media();
  const bool detailShown = media.Panel24->isVisible();
  toggle(media.pnlListViewClient->chkDupInfoShow);
  QCOMPARE(media.Panel24->isVisible(), !detailShown);
  const bool propertiesShown = media.pnlListViewLeft->isVisible();
  toggle(media.pnlListViewClient->ToolButton14);
  QCOMPARE(media.pnlListViewLeft->isVisible(), !propertiesShown);
  toggle(media.pnlListViewClient->ToolButton14);
  QCOMPARE(media.Splitter3->indexOf(media.pnlListViewLeft), 0);
  toggle(media.pnlListViewLeft->ToolButton10);
  QCOMPARE(media.Splitter3->indexOf(media.pnlListViewLeft), 1);
}

void DesktopLookTest::TheApplicationKeepsCaptionsAsSet() {
  QCOMPARE(QApplication::applicationName(), QStringLiteral("Plomix2"));
  QCOMPARE(QApplication::desktopFileName(), QString::fromLatin1(icons::kApplicationId));
  QVERIFY(!QApplication::windowIcon().isNull());
  // A display name set by the program would be appended to every caption by
  // the desktop's window system; unset, it just follows the application name.
  QApplication::setApplicationName(QStringLiteral("Probe"));
  QCOMPARE(QApplication::applicationDisplayName(), QStringLiteral("Probe"));
  QApplication::setApplicationName(QStringLiteral("Plomix2"));
  QCOMPARE(TfrmMain::CaptionText(), QStringLiteral("Plomix2  [Ver.%1]").arg(PLOMIX_VERSION_TEXT));
}

void DesktopLookTest::QtsOwnTextsAreJapanese() {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Plomix2"), QStringLiteral("?"),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  QVERIFY(box.button(QMessageBox::Yes)->text().contains(QStringLiteral("はい")));
  QVERIFY(box.button(QMessageBox::No)->text().contains(QStringLiteral("いいえ")));
  QVERIFY(box.button(QMessageBox::Cancel)->text().contains(QStringLiteral("キャンセル")));
  QDialogButtonBox files(QDialogButtonBox::Open | QDialogButtonBox::Save);
  QVERIFY2(files.button(QDialogButtonBox::Open)->text().contains(QStringLiteral("開く")),
           qPrintable(files.button(QDialogButtonBox::Open)->text()));
  QVERIFY(files.button(QDialogButtonBox::Save)->text().contains(QStringLiteral("保存")));
}

QTEST_MAIN(DesktopLookTest)
#include "DesktopLookTest.moc"
