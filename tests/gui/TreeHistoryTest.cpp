// The browse history behind the back and forward buttons: recording rules,
// hints, the saved file's length and format, and hand-damaged files.

#include <QFile>
#include <QTest>

#include "TestSupport.h"
#include "browse/BrowseHistory.h"

using namespace plomix;

class TreeHistoryTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void RecordingHintsAndDiscardingForwardEntries();
  void SaveKeepsTheNewestEntriesInCp932Lines();
  void BadLinesStopTheMoveWithTheirText();
  void EveryKeySurvivesTheFileAsNodeOrRow();
};

void TreeHistoryTest::RecordingHintsAndDiscardingForwardEntries() {
  BrowseHistory history;
  history.Reset();
  history.Record(-1000000, test::Sj("メディア"));
  history.Record(1000000, test::Sj("メディア"));  // same magnitude: once only
  history.Record(-1000005, test::Sj("フォルダ"));
  QCOMPARE(history.Count(), 3);
  history.SetSuppressed(true);
  history.Record(-1000009, "x");
  history.SetSuppressed(false);
  QCOMPARE(history.Count(), 3);

  const HistoryMove back = history.Move(-1);
  QCOMPARE(back.kind, HistoryMove::Kind::Entry);
  QCOMPARE(back.number, -1000000);
  QCOMPARE(history.BackHint(), QStringLiteral("戻る[1] Plomix2"));
  QCOMPARE(history.ForwardHint(), QStringLiteral("進む[1] フォルダ"));
  QCOMPARE(history.Move(-1).kind, HistoryMove::Kind::Top);
  QCOMPARE(history.Move(-1).kind, HistoryMove::Kind::Outside);
  QCOMPARE(history.Position(), 0);
  QCOMPARE(history.BackHint(), QStringLiteral("戻る[0]"));
  QCOMPARE(history.ForwardHint(), QStringLiteral("進む[2] メディア"));
  history.Record(2000003, "file");
  QCOMPARE(history.Count(), 2);
  QCOMPARE(history.ForwardHint(), QStringLiteral("進む[0]"));
}

void TreeHistoryTest::SaveKeepsTheNewestEntriesInCp932Lines() {
  test::TempDir dir;
  const QString path = QString::fromStdString(dir.File("RefHist.hst"));
  BrowseHistory history;
  history.Reset();
  for (int i = 2; i <= 12; ++i) history.Record(-1000000 * i, test::Sj("名前") + std::to_string(i));
  history.Move(-1);  // the newest entry lies beyond the position and is dropped
  QVERIFY(history.Save(path, 5));
  const std::vector<uint8_t> bytes = test::ReadFileBytes(path.toStdString());
  const std::string text(bytes.begin(), bytes.end());
  QCOMPARE(text, "-7000000," + test::Sj("名前") + "7\r\n-8000000," + test::Sj("名前") +
                     "8\r\n-9000000," + test::Sj("名前") + "9\r\n-10000000," + test::Sj("名前") +
                     "10\r\n-11000000," + test::Sj("名前") + "11\r\n");

  BrowseHistory loaded;
  QVERIFY(loaded.Load(path, 11000000));
  QCOMPARE(loaded.Count(), 5);
  QCOMPARE(loaded.Position(), 4);
  QCOMPARE(loaded.LastMagnitude(), 11000000);
  QVERIFY(!BrowseHistory().Load(QString::fromStdString(dir.File("missing.hst")), 3));
}

void TreeHistoryTest::BadLinesStopTheMoveWithTheirText() {
  test::TempDir dir;
  const std::string path = dir.File("RefHist.hst");
  // The last number has no magnitude that a key could have: refused like any
  // other bad text.
  const std::string lines = "1,P\r\nabc,x\r\nnocomma\r\n0,z\r\n-4000000000,w";
  test::WriteFileBytes(path, std::vector<uint8_t>(lines.begin(), lines.end()));
  BrowseHistory history;
  QVERIFY(history.Load(QString::fromStdString(path), 5));
  QCOMPARE(history.Count(), 5);
  HistoryMove bad = history.Move(0);
  QCOMPARE(bad.kind, HistoryMove::Kind::NotInteger);
  QCOMPARE(bad.badText, QStringLiteral("-4000000000"));
  QCOMPARE(history.Move(-1).kind, HistoryMove::Kind::Nothing);
  bad = history.Move(-1);
  QCOMPARE(bad.kind, HistoryMove::Kind::NotInteger);
  QCOMPARE(bad.badText, QStringLiteral("nocomma"));
  QCOMPARE(history.Position(), 2);
  bad = history.Move(-1);
  QCOMPARE(bad.badText, QStringLiteral("abc"));
  QCOMPARE(history.Move(-1).kind, HistoryMove::Kind::Top);
}

void TreeHistoryTest::EveryKeySurvivesTheFileAsNodeOrRow() {
  test::TempDir dir;
  const QString path = QString::fromStdString(dir.File("RefHist.hst"));
  // Plain keys and those of records past a million (the last one has the
  // largest magnitude), alternately as tree nodes and list rows.
  const int32_t keys[] = {MakeKey(1, 0), MakeKey(1999, 999999), MakeKey(0, 1000000),
                          MakeKey(1, 1000000), MakeKey(1999, 1999999)};
  BrowseHistory history;
  history.Reset();
  for (int i = 0; i < 5; ++i) history.Record(HistoryNumber(keys[i], i % 2 == 0), "x");
  QVERIFY(history.Save(path, 10));
  BrowseHistory loaded;
  QVERIFY(loaded.Load(path, history.LastMagnitude()));
  for (int i = 4; i >= 0; --i) {
    const HistoryMove move = loaded.Move(i == 4 ? 0 : -1);
    QCOMPARE(move.kind, HistoryMove::Kind::Entry);
    QCOMPARE(move.number < 0, i % 2 == 0);
    QCOMPARE(KeyOfHistoryNumber(move.number), keys[i]);
  }
}

QTEST_MAIN(TreeHistoryTest)
#include "TreeHistoryTest.moc"
