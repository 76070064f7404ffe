// The change-report dialog: counts, the filter of its list, copying the shown
// rows, and the lost comments' tab with its copy and save buttons.

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include "ScriptedPrompter.h"
#include "TestSupport.h"
#include "browse/TreeDiff.h"
#include "ui/compare/PxChangeReport.h"

using namespace plomix;

class ChangeReportTest : public QObject {
  Q_OBJECT

  // PLOMIX_TEST_PICTURES=folder keeps a picture of the dialog as shown.
  static void KeepPicture(QWidget& dialog, const char* name) {
    if (const QString folder = qEnvironmentVariable("PLOMIX_TEST_PICTURES"); !folder.isEmpty()) {
      dialog.resize(760, 420);
      dialog.grab().save(folder + "/" + name);
    }
  }

  static DiffReport Report() {
    return CompareListings(
        {{"keep", false, 10, 0}, {"gone.txt", false, 4, 0}, {"grow", false, 1000, 0}},
        {{"keep", false, 10, 0},
         {"grow", false, 1500, 0},
         {"new\\日本語.txt", false, 7, 0},
         {"new", true, 0, 0}});
  }

 private Q_SLOTS:
  void filtersAndCopiesTheShownRows() {
    test::ScriptedPrompter prompter;
    TfrmChangeReport dialog(Report(), prompter, QStringLiteral("比較結果"));
    QCOMPARE(dialog.lblCounts->text(), QStringLiteral("追加 2 / 削除 1 / 変更 1"));
    QVERIFY(dialog.lblTotals->text().contains(QStringLiteral("ファイル数 3 → 3 (0)")));
    QVERIFY(dialog.lblTotals->text().contains(QStringLiteral("サイズ 1,014 → 1,517 Byte (+503)")));
    QCOMPARE(dialog.tabReport->count(), 1);  // no lost comments, no tab for them
    QVERIFY(dialog.txtLostComments == nullptr);
    QAbstractItemModel* model = dialog.lstChanges->model();
    QCOMPARE(model->rowCount(), 4);

    const struct {
      int filter;
      QStringList paths;
    } cases[] = {
        {0, {"new\\", "new\\日本語.txt"}},
        {1, {"gone.txt"}},
        {2, {"grow"}},
        {3, {"new\\", "new\\日本語.txt", "gone.txt", "grow"}},
    };
    for (const auto& c : cases) {
      dialog.cboFilter->setCurrentIndex(c.filter);
      QStringList paths;
      for (int r = 0; r < model->rowCount(); ++r) paths << model->index(r, 1).data().toString();
      QCOMPARE(paths, c.paths);
    }
    KeepPicture(dialog, "compare-result.png");

    dialog.cboFilter->setCurrentIndex(2);
    QCOMPARE(model->index(0, 2).data().toString(), QStringLiteral("1,500"));
    QCOMPARE(model->index(0, 4).data().toString(), QStringLiteral("1,000"));
    QApplication::clipboard()->clear();
    dialog.cmdCopy->click();
    QCOMPARE(QApplication::clipboard()->text(),
             QStringLiteral("区分\tパス\tサイズ\t更新日時\t旧サイズ\t旧更新日時\n"
                            "変更\tgrow\t1,500\t\t1,000\t\n"));
    dialog.cboFilter->setCurrentIndex(0);
    dialog.cmdCopy->click();
    QCOMPARE(QApplication::clipboard()->text().count('\n'), 3);
    QVERIFY(QApplication::clipboard()->text().contains(QStringLiteral("追加\tnew\\日本語.txt\t7")));
  }

  void lostCommentsCanBeCopiedAndSaved() {
    test::TempDir dir;
    test::ScriptedPrompter prompter;
    DiffReport report = Report();
    report.lostComments.push_back({"gone.txt", "一行目\r\n二行目"});
    TfrmChangeReport dialog(std::move(report), prompter, QStringLiteral("更新結果"));
    QCOMPARE(dialog.tabReport->count(), 2);
    QVERIFY(dialog.txtLostComments != nullptr);
    const QString expected = QStringLiteral("gone.txt\n    一行目\n    二行目\n");
    QCOMPARE(dialog.txtLostComments->toPlainText(), expected);
    KeepPicture(dialog, "update-report.png");
    dialog.cmdCopyComments->click();
    QCOMPARE(QApplication::clipboard()->text(), expected);

    const QString file = QString::fromStdString(dir.File("lost.txt"));
    prompter.paths.push_back(file);
    dialog.cmdSaveComments->click();
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(saved.readAll()), expected);
    // A file that cannot be written is said, not passed over.
    prompter.paths.push_back(QString::fromStdString(dir.File("no/such/folder/lost.txt")));
    dialog.cmdSaveComments->click();
    QCOMPARE(prompter.prompts.back().kind, QStringLiteral("Message"));
  }
};

QTEST_MAIN(ChangeReportTest)
#include "ChangeReportTest.moc"
