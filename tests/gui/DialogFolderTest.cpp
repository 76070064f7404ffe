// Where the file dialogs start: the first start's create-catalogue question
// and a real save dialog of the program's prompter, with the home folder and
// the desktop's user folders pointed at a temporary folder.
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTest>
#include <QTimer>
#include <memory>

#include "GuiFolder.h"
#include "ScriptedPrompter.h"
#include "SessionWindow.h"
#include "TestSupport.h"
#include "ui/QtPrompter.h"

using namespace plomix;

class DialogFolderTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::GuiFolder> folder_;
  QString Path(const QString& name) const { return folder_->Path(name); }
  // A home folder whose user-dirs.dirs names `documents` as the documents
  // folder; the folder is made when `exists`.
  void SetHome(const QString& documents, bool exists) {
    const QString home = Path("home");
    QVERIFY(QDir().mkpath(home + "/.config"));
    if (exists) QVERIFY(QDir().mkpath(home + "/" + documents));
    QFile dirs(home + "/.config/user-dirs.dirs");
    QVERIFY(dirs.open(QIODevice::WriteOnly | QIODevice::Truncate));
    dirs.write(("XDG_DOCUMENTS_DIR=\"$HOME/" + documents + "\"\n").toUtf8());
    dirs.close();
    qputenv("HOME", home.toUtf8());
    qputenv("XDG_CONFIG_HOME", (home + "/.config").toUtf8());
  }

 private Q_SLOTS:
  void init() { folder_ = std::make_unique<test::GuiFolder>(); }
  void cleanup() { folder_.reset(); }
  void firstCatalogueIsProposedInTheDocumentsFolder_data();
  void firstCatalogueIsProposedInTheDocumentsFolder();
  void saveDialogOfABareNameOpensInTheDocumentsFolder();
};

void DialogFolderTest::firstCatalogueIsProposedInTheDocumentsFolder_data() {
  QTest::addColumn<bool>("exists");
  QTest::addColumn<QString>("expected");  // relative to the home folder
  QTest::newRow("documents folder") << true << QStringLiteral("書類/Default.qdb");
  QTest::newRow("no documents folder: home") << false << QStringLiteral("Default.qdb");
}

void DialogFolderTest::firstCatalogueIsProposedInTheDocumentsFolder() {
  QFETCH(bool, exists);
  QFETCH(QString, expected);
  SetHome(QStringLiteral("書類"), exists);
  QVERIFY(QDir::setCurrent(QDir::tempPath()));
  test::ScriptedPrompter prompter;
  test::SessionWindow fixture(prompter);
  QVERIFY(!fixture.window.Started());
  QCOMPARE(prompter.Log().value(0), QStringLiteral("OpenFile:◆メディア管理DBファイルの作成"));
  QCOMPARE(prompter.prompts.at(0).startPath, Path("home") + "/" + expected);
  QVERIFY(!QDir(Path("home")).exists(QStringLiteral("Documents")));
}

void DialogFolderTest::saveDialogOfABareNameOpensInTheDocumentsFolder() {
  SetHome(QStringLiteral("書類"), true);
  QVERIFY(QDir::setCurrent(QDir::tempPath()));
  QtPrompter prompter;
  QString shownFolder, shownName;
  // The dialog is looked at and closed as soon as it shows.
  QTimer poll;
  poll.setInterval(20);
  connect(&poll, &QTimer::timeout, this, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    shownFolder = dialog->directory().absolutePath();
    shownName = dialog->selectedFiles().value(0);
    dialog->reject();
  });
  poll.start();
  const QString chosen = prompter.SaveFile(QString(), QStringLiteral("20260101120000_一覧.txt"),
                                           QStringLiteral("テキスト(*.txt)|*.txt"), QString());
  poll.stop();
  QVERIFY(chosen.isEmpty());
  QCOMPARE(shownFolder, Path("home") + "/書類");
  QCOMPARE(shownName, Path("home") + "/書類/20260101120000_一覧.txt");
}

QTEST_MAIN(DialogFolderTest)
#include "DialogFolderTest.moc"
