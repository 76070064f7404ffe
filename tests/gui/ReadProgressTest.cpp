// The read progress dialog: it shows the scan's progress while the walk runs
// on a worker thread, its Cancel stops the walk promptly, and a read
// cancelled through it leaves the catalogue exactly as it was.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "ScriptedPrompter.h"
#include "TestSupport.h"
#include "core/Catalog.h"
#include "core/Settings.h"
#include "reading/Drives.h"
#include "reading/ReadRequest.h"
#include "reading/Scanner.h"
#include "ui/reading/PxReadProgress.h"

using namespace plomix;
using plomix::test::ScriptedPrompter;
using plomix::test::TempDir;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

TfrmReadProgress* OpenProgressDialog() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* dialog = qobject_cast<TfrmReadProgress*>(widget); dialog && dialog->isVisible())
      return dialog;
  return nullptr;
}

// Runs `step` once the progress dialog is open (polling, as a user would wait).
void WhenOpen(const std::function<void(TfrmReadProgress&)>& step) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, step] {
    if (TfrmReadProgress* dialog = OpenProgressDialog()) {
      poll->stop();
      poll->deleteLater();
      step(*dialog);
    }
  });
  poll->start(5);
}

}  // namespace

class ReadProgressTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void ShowsProgressAndCancelStopsTheWalkPromptly() {
    Scanner scanner;
    std::atomic<bool> stopped{false};
    Clock::time_point cancelledAt, stoppedAt;
    bool sawProgress = false;
    WhenOpen([&](TfrmReadProgress& dialog) {
      QCOMPARE(dialog.cmdCancel->text(), QStringLiteral("キャンセル"));
      QTest::qWait(3 * TfrmReadProgress::kRefreshMs);
      sawProgress = dialog.lblEntries->text() != QStringLiteral("0 件") &&
                    dialog.lblFolder->text() == QStringLiteral("/media/stick/photos") &&
                    dialog.lblElapsed->text().startsWith(QStringLiteral("0:00:0"));
      cancelledAt = Clock::now();
      dialog.cmdCancel->click();
    });
    TfrmReadProgress dialog(scanner, nullptr);
    // A stand-in walk that reports like the scanner and stops as it does.
    dialog.RunScan([&] {
      for (int64_t n = 0; !scanner.CancelFlag().load(); n += 100) {
        scanner.ProgressCallback()(n, "/media/stick/photos");
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
      stoppedAt = Clock::now();
      stopped = true;
    });
    const auto returnedAt = Clock::now();
    QVERIFY(stopped);
    QVERIFY(sawProgress);
    QVERIFY(!dialog.isVisible());
    QVERIFY(returnedAt - cancelledAt < std::chrono::milliseconds(200));
    QVERIFY(stoppedAt - cancelledAt < std::chrono::milliseconds(200));
    QVERIFY(!scanner.ProgressCallback());  // the scanner's own callback is back
  }

  void ShowsTheBytesReadForFingerprints() {
    TempDir dir;
    const fs::path source = dir.Path() / "source";
    fs::create_directories(source / "sub");
    std::ofstream(source / "sub" / "a.txt") << "alpha";
    std::ofstream(source / "big") << std::string(300000, 'x');
    const struct {
      std::optional<FingerprintMode> mode;
      QString shown;  // empty: the line stays hidden
    } rows[] = {{std::nullopt, QString()},
                {FingerprintMode::Quick, QStringLiteral("131,077 Byte")},
                {FingerprintMode::Full, QStringLiteral("300,005 Byte")}};
    for (const auto& row : rows) {
      Scanner scanner;
      ReadRequest request;
      request.mediaName = "m";
      request.fingerprint = row.mode;
      ScanSetup setup;
      setup.rootFolder = source.string();
      setup.drive = "e";
      TfrmReadProgress dialog(scanner, nullptr);
      dialog.RunScan([&] { QVERIFY(scanner.ReadTree(request, setup)); });
      QCOMPARE(dialog.lblHashed->isVisibleTo(&dialog), !row.shown.isEmpty());
      if (!row.shown.isEmpty()) QCOMPARE(dialog.lblHashed->text(), row.shown);
    }
  }

  void EscCancelsAndTheDialogWaitsForTheWalkToEnd() {
    Scanner scanner;
    WhenOpen([](TfrmReadProgress& dialog) {
      QTest::keyClick(&dialog, Qt::Key_Escape);
      QVERIFY(!dialog.cmdCancel->isEnabled());
    });
    TfrmReadProgress dialog(scanner, nullptr);
    bool ended = false;
    dialog.RunScan([&] {
      while (!scanner.CancelFlag().load())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      std::this_thread::sleep_for(std::chrono::milliseconds(30));  // still finishing its entry
      ended = true;
    });
    QVERIFY(ended);
  }

  void ACancelledReadStoresNothing() {
    TempDir dir;
    const fs::path source = dir.Path() / "source";
    fs::create_directories(source / "sub");
    std::ofstream(source / "sub" / "a.txt") << "alpha";
    Settings settings(QString::fromStdString((dir.Path() / "config").string()));
    Drives drives(settings);
    Catalog catalog;
    QVERIFY(catalog.CreateCatalog(dir.File("c.qdb")));
    const auto before = test::ReadFileBytes(dir.File("c.qdb"));
    const auto longNamesBefore = test::ReadFileBytes(dir.File("c.lfn"));
    Scanner scanner;
    ScriptedPrompter prompter;
    ReadWorkflow workflow(catalog, settings, drives, scanner, prompter);
    // The real walk starts only once Cancel was pressed, so it is cancelled
    // however fast the machine is.
    const ReadWorkflow::ScanRunner dialogRunner = TfrmReadProgress::Runner(scanner, nullptr);
    workflow.SetScanRunner([&](const std::function<void()>& scan) {
      dialogRunner([&] {
        while (!scanner.CancelFlag().load())
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        scan();
      });
    });
    WhenOpen([](TfrmReadProgress& dialog) { dialog.cmdCancel->click(); });
    const bool added = workflow.ReadMediaCommand([&](ReadWorkflow& w) {
      ReadForm form = w.InitialForm();
      if (!w.FetchFolderSource(form, true, source.string())) return false;
      return w.ConfirmRead(form, true);
    });
    QVERIFY(!added);
    QVERIFY(workflow.Cancelled());
    QVERIFY(prompter.prompts.empty());
    QCOMPARE(catalog.MediaCount(), 0);
    QVERIFY(test::ReadFileBytes(dir.File("c.qdb")) == before);
    QVERIFY(test::ReadFileBytes(dir.File("c.lfn")) == longNamesBefore);
    QVERIFY(!fs::exists(dir.File("c.src")));

    // The next read is not cancelled by the last one's request.
    workflow.SetScanRunner({});
    QVERIFY(workflow.ReadMediaCommand([&](ReadWorkflow& w) {
      ReadForm form = w.InitialForm();
      w.FetchFolderSource(form, true, source.string());
      return w.ConfirmRead(form, true);
    }));
    QCOMPARE(catalog.MediaCount(), 1);
  }
};

QTEST_MAIN(ReadProgressTest)
#include "ReadProgressTest.moc"
