// Failures of catalogue commands reach the person in Japanese: the window
// words the engine's coded failures itself instead of showing their English.

#include <QFile>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <cerrno>
#include <string>

#include "GuiFolder.h"
#include "ScriptedPrompter.h"
#include "SessionWindow.h"
#include "TestSupport.h"
#include "core/BinaryFile.h"
#include "core/Catalog.h"
#include "ui/MediaPage.h"
#include "ui/PxMain.h"
#include "ui/Session.h"

using namespace plomix;

class ErrorMessageTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::GuiFolder> folder_;
  QString Path(const QString& name) const { return folder_->Path(name); }

 private Q_SLOTS:
  void init() { folder_ = std::make_unique<test::GuiFolder>(); }
  void cleanup() {
    io::SetFaultHookForTesting({});
    folder_.reset();
  }

  void AFailedCompactionIsToldInJapanese();
  void ACatalogueThatCannotBeCreatedIsToldInJapanese();
};

void ErrorMessageTest::AFailedCompactionIsToldInJapanese() {
  test::ScriptedPrompter prompter;
  QVERIFY(test::MakeSampleMediaFolder(Path("media")));
  auto fixture =
      test::WindowWithReadMedia(prompter, {Path("cat.qdb"), Path("media"), test::Sj("保存用")});
  QVERIFY(fixture != nullptr);
  TfrmMain& window = fixture->window;
  Catalog& catalog = fixture->session.GetCatalog();
  MediaPage* media = window.TabSheet1;
  media->GoToPath(QStringLiteral("保存用"));
  prompter.answers = {PromptResult::Yes};
  QTest::mouseClick(media->ToolButton7, Qt::LeftButton);
  QVERIFY(window.ToolButton3->isEnabled());

  // The disk fills up while the compacted catalogue is written beside the old one.
  const std::string written = Path("cat.qdb").toStdString() + ".new";
  io::SetFaultHookForTesting([&](io::Step step, const std::string& path, std::size_t) {
    return step == io::Step::Write && path == written ? io::Fault{ENOSPC} : io::Fault{};
  });
  prompter.prompts.clear();
  QTest::mouseClick(window.ToolButton3, Qt::LeftButton);
  io::SetFaultHookForTesting({});
  QCOMPARE(prompter.Messages(),
           QStringList{"「" + QString::fromStdString(written) +
                       "」に書き込めませんでした: ディスクの空き領域が足りません"});
  QCOMPARE(prompter.prompts.back().icon, PromptIcon::Error);
  // Nothing was lost and the window is free for the next command.
  QVERIFY(!fixture->session.Busy());
  QCOMPARE(catalog.SlotsUsed(), 1);
  QVERIFY(window.ToolButton3->isEnabled());
}

void ErrorMessageTest::ACatalogueThatCannotBeCreatedIsToldInJapanese() {
  test::ScriptedPrompter prompter;
  prompter.paths.push_back(Path("cat.qdb"));
  test::SessionWindow fixture(prompter);
  QVERIFY(fixture.window.Started());
  // A file stands where the new catalogue's folder would be.
  QFile blocker(Path("ファイル"));
  QVERIFY(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  const QString target = Path("ファイル/新.qdb");
  prompter.prompts.clear();
  prompter.paths.push_back(target);
  QTest::mouseClick(fixture.window.ToolButton2, Qt::LeftButton);
  QCOMPARE(prompter.Messages(),
           QStringList{"メディア管理DBファイルを作成できません\r\n" + target + "\r\n「" + target +
                       ".new」を開けませんでした: パスの途中がフォルダーではありません"});
  // The catalogue open before stays open.
  QCOMPARE(QString::fromStdString(fixture.session.GetCatalog().CatalogPath()), Path("cat.qdb"));
}

QTEST_MAIN(ErrorMessageTest)
#include "ErrorMessageTest.moc"
