// The help window shows the bundled Japanese help with every topic, follows
// its own table of contents, and stays one window however often it is asked.

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>

#include "plomix/Version.h"
#include "ui/PxAbout.h"
#include "ui/PxHelp.h"

using namespace plomix;

class HelpWindowTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void OpensWithTheWholeHelp();
  void OneWindowScrolledToTheTopicAsked();
  void AboutShowsTheVersionAndNoDeadLink();
};

void HelpWindowTest::OpensWithTheWholeHelp() {
  TfrmHelp help;
  help.show();
  QVERIFY(QTest::qWaitForWindowExposed(&help));
  QCOMPARE(help.windowTitle(), QStringLiteral("Plomix2ヘルプ"));
  QTextBrowser* browser = help.findChild<QTextBrowser*>(QStringLiteral("txtHelp"));
  QVERIFY(browser);
  QCOMPARE(browser->documentTitle(), QStringLiteral("Plomix2 ヘルプ"));
  const QString text = browser->toPlainText();
  for (const char* topic :
       {"メディアを読み込む", "閲覧する", "ファイルを検索する", "重複ファイル・似たようなファイル",
        "書き出し", "Linux でのドライブ名", "コマンドラインツール plomix2-cli",
        "plomix2-cli --help", "--no-header"})
    QVERIFY2(text.contains(QString::fromUtf8(topic)), topic);
  // Every link of the table of contents leads to a heading of the help.
  const QString html = browser->document()->toHtml();
  for (const char* anchor :
       {"read", "browse", "search", "duplicates", "export", "drives", "cli", "db"}) {
    QVERIFY2(html.contains(QStringLiteral("href=\"#%1\"").arg(QLatin1String(anchor))), anchor);
    QVERIFY2(html.contains(QStringLiteral("name=\"%1\"").arg(QLatin1String(anchor))), anchor);
  }
}

void HelpWindowTest::OneWindowScrolledToTheTopicAsked() {
  QWidget owner;
  TfrmHelp* first = TfrmHelp::ShowHelp(&owner);
  QVERIFY(first && first->isVisible());
  QVERIFY(first->isWindow());
  first->resize(500, 300);
  TfrmHelp* again = TfrmHelp::ShowHelp(&owner, QStringLiteral("cli"));
  QCOMPARE(again, first);
  QVERIFY(first->txtHelp->verticalScrollBar()->value() > 0);
  first->close();  // deleted on close; the next call makes a new one
  QTRY_VERIFY(!owner.findChild<TfrmHelp*>());
  TfrmHelp* third = TfrmHelp::ShowHelp(&owner);
  QVERIFY(third);
  QVERIFY(third->isVisible());
}

void HelpWindowTest::AboutShowsTheVersionAndNoDeadLink() {
  TfrmAbout about;
  QCOMPARE(about.lblVersion->text(), QStringLiteral("Ver." PLOMIX_VERSION_TEXT));
  // The only button closes the dialog; no text points at a web page.
  QCOMPARE(about.findChildren<QPushButton*>(), QList<QPushButton*>{about.cmdOK});
  for (const QLabel* label : about.findChildren<QLabel*>())
    QVERIFY2(!label->text().contains(QStringLiteral("http")), qPrintable(label->text()));
}

QTEST_MAIN(HelpWindowTest)
#include "HelpWindowTest.moc"
