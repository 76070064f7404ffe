// The window's import of an ncdu listing (ファイル → インポート) and the media
// tree's export back, on a real catalogue and settings.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <fstream>
#include <memory>

#include "GuiFolder.h"
#include "ScriptedPrompter.h"
#include "SessionWindow.h"
#include "TestSupport.h"
#include "core/Catalog.h"
#include "core/Text.h"
#include "exchange/ByteInput.h"
#include "exchange/NcduImport.h"
#include "ui/MediaPage.h"
#include "ui/PxMain.h"
#include "ui/reading/PxImport.h"

using namespace plomix;

namespace {

const char* const kListing =
    "[1,2,{},[{\"name\":\"/srv/server\"},[{\"name\":\"etc\"},{\"name\":\"hosts\",\"asize\":"
    "120}],{\"name\":\"big\",\"asize\":5000,\"mtime\":1600000000},{\"name\":\"skip\","
    "\"excluded\":\"pattern\"}]]";

}  // namespace

class ImportWindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<test::GuiFolder> folder_;
  test::ScriptedPrompter prompter_;
  QString Path(const char* name) const { return folder_->Path(QString::fromUtf8(name)); }

  QString Listing(const char* name, const std::string& text) {
    std::ofstream(folder_->File(name), std::ios::binary) << text;
    return Path(name);
  }

  // Runs the import command, filling its dialog with `file` and `name`.
  void Import(test::SessionWindow& fixture, const QString& file, const QString& name) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
      for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<TfrmImport*>(widget);
        if (!dialog || !dialog->isVisible()) continue;
        seen = true;
        dialog->edtFile->setText(file);
        dialog->edtName->setText(name);
        dialog->cboCategory->setEditText(QStringLiteral("サーバー"));
        dialog->cmdImport->click();
        if (dialog->isVisible()) dialog->reject();
      }
    });
    fixture.window.I1->trigger();
    QVERIFY(seen);
  }

 private Q_SLOTS:
  void init() {
    folder_ = std::make_unique<test::GuiFolder>();
    prompter_ = test::ScriptedPrompter();
    prompter_.defaultAnswer = PromptResult::No;
  }
  void cleanup() { folder_.reset(); }

  void importReplaceRefuseAndExport() {
    auto fixture = test::WindowWithStoredMedia(prompter_, *folder_, "Media");
    QVERIFY(fixture);
    QCOMPARE(fixture->window.I1->text(), QStringLiteral("インポート(&I)..."));
    Catalog& catalog = fixture->session.GetCatalog();
    QCOMPARE(catalog.MediaCount(), 1);

    // A new media, with the excluded entry reported.
    prompter_.prompts.clear();
    Import(*fixture, Listing("l.json", kListing), QStringLiteral("server"));
    QCOMPARE(catalog.MediaCount(), 2);
    const std::optional<int> slot = catalog.FindMediaByName("server");
    QVERIFY(slot);
    QCOMPARE(text::Cp932ToQString(catalog.Slot(*slot).Category()), QStringLiteral("サーバー"));
    QCOMPARE(catalog.Slot(*slot).Root().AllFiles(), 2);
    bool reported = false;
    for (const auto& p : prompter_.prompts) reported |= p.text.contains("/srv/server/skip");
    QVERIFY(reported);
    QTreeWidget* tree = fixture->window.TabSheet1->TreeView1;
    QCOMPARE(tree->findItems("server", Qt::MatchExactly | Qt::MatchRecursive).size(), 1);

    // The same name again: replaced once the question is answered OK.
    prompter_.answers = {PromptResult::Ok};
    Import(*fixture, Listing("l.json", kListing), QStringLiteral("server"));
    QCOMPARE(catalog.MediaCount(), 2);

    // A broken listing: an error naming where, nothing stored.
    prompter_.prompts.clear();
    Import(*fixture, Listing("bad.json", std::string(kListing).substr(0, 50)),
           QStringLiteral("broken"));
    QCOMPARE(catalog.MediaCount(), 2);
    QVERIFY(!prompter_.prompts.empty());
    QVERIFY2(prompter_.prompts.back().text.contains("at byte 50"),
             qPrintable(prompter_.prompts.back().text));

    // The tree's context menu writes the media back as a listing.
    QList<QTreeWidgetItem*> items =
        tree->findItems("server", Qt::MatchExactly | Qt::MatchRecursive);
    QCOMPARE(items.size(), 1);
    tree->setCurrentItem(items.front());
    MediaPage& page = *fixture->window.TabSheet1;
    QVERIFY(page.PopItemExportNcdu);
    QCOMPARE(page.PopItemExportNcdu->text(), QStringLiteral("ncdu 形式でエクスポート..."));
    prompter_.paths.push_back(Path("out.json"));
    page.PopItemExportNcdu->trigger();
    exchange::NcduImport back;
    const auto input = exchange::ByteInput::Open(folder_->File("out.json"));
    back.Read(*input);
    QVERIFY(back.Prepare({}));
    QCOMPARE(back.FileCount(), 2);
    QCOMPARE(back.FolderCount(), 1);
  }
};

QTEST_MAIN(ImportWindowTest)
#include "ImportWindowTest.moc"
