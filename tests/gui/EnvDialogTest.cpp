// The environment dialog: every setting round trip through "設定", "閉じる"
// storing nothing, a stored format outside the list replaced at once, the
// example label, the delimiter buttons and the history count's enabling.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include "GuiFolder.h"
#include "ScriptedPrompter.h"
#include "TestSupport.h"
#include "core/Format.h"
#include "core/Settings.h"
#include "core/Text.h"
#include "ui/options/PxEnv.h"

using namespace plomix;

class EnvDialogTest : public QObject {
  Q_OBJECT

  std::unique_ptr<test::GuiFolder> folder;
  std::unique_ptr<Settings> settings;
  test::ScriptedPrompter prompter;

  std::unique_ptr<TfrmEnv> Open() {
    return std::make_unique<TfrmEnv>(*settings, prompter, test::Sj("_-（）"));
  }

 private Q_SLOTS:
  void init() {
    folder = std::make_unique<test::GuiFolder>();
    settings = std::make_unique<Settings>(folder->FreshSettings());
    prompter.prompts.clear();
  }

  void showsTheStoredValues() {
    settings->SetString(REG_FormatUpdateDateTime, QStringLiteral("ggee年mm月dd日 hh時nn分"));
    settings->SetInt(REG_DupSearchMode, 2);
    settings->SetInt(REG_RefHistSave, 0);
    settings->SetInt(REG_RefHistSaveCount, 0);
    settings->SetInt(REG_DupListHighSpeedShow, 1);
    auto dialog = Open();
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Plomix2環境設定"));
    QCOMPARE(dialog->ComboBox1->count(), 18);
    QCOMPARE(dialog->ComboBox1->currentIndex(), 14);
    QCOMPARE(dialog->PageControl1->count(), 5);
    QVERIFY(!dialog->PageControl1->isTabVisible(4));
    QVERIFY(dialog->rdoDup03->isChecked());
    QVERIFY(!dialog->chkRefHistSave->isChecked());
    QVERIFY(!dialog->spnRefHistSave->isEnabled());
    QCOMPARE(dialog->spnRefHistSave->value(), 5);
    QVERIFY(dialog->chkDupListHighSpeed->isChecked());
    QCOMPARE(dialog->txtLikeKey->text(), QStringLiteral("_-（）"));
    // The example follows the chosen format.
    dialog->ComboBox1->setCurrentIndex(17);
    const QString now = text::Cp932ToQString(FormatDateTime(test::Sj("yyyymmddhhnnss"), DosNow()));
    QCOMPARE(dialog->lblFormatDateTime->text().left(3 + 8), QStringLiteral("例）　") + now.left(8));
  }

  void aFormatOutsideTheListIsReplacedAtOnce() {
    settings->SetString(REG_FormatUpdateDateTime, QStringLiteral("dd.mm.yyyy"));
    auto dialog = Open();
    QCOMPARE(dialog->ComboBox1->currentIndex(), 0);
    dialog->cmdClose->click();
    QCOMPARE(settings->GetString(REG_FormatUpdateDateTime),
             QStringLiteral("yyyy/mm/dd(aaa) hh:nn"));
  }

  void setStoresEveryValueAndCloseNone() {
    for (const bool confirm : {false, true}) {
      settings->SetString(REG_FormatUpdateDateTime, QStringLiteral("yyyy/mm/dd hh:nn"));
      settings->SetInt(REG_DupSearchMode, 0);
      settings->SetInt(REG_RefHistSave, 1);
      settings->SetInt(REG_RefHistSaveCount, 7);
      settings->SetInt(REG_DupListHighSpeedShow, 0);
      auto dialog = Open();
      dialog->ComboBox1->setCurrentIndex(9);
      dialog->rdoDup02->setChecked(true);
      dialog->chkRefHistSave->click();
      QVERIFY(!dialog->spnRefHistSave->isEnabled());
      dialog->spnRefHistSave->setValue(42);
      dialog->chkDupListHighSpeed->setChecked(true);
      (confirm ? dialog->cmdSet : dialog->cmdClose)->click();
      QCOMPARE(
          settings->GetString(REG_FormatUpdateDateTime),
          confirm ? QStringLiteral("gee/mm/dd(aaa) hh:nn:ss") : QStringLiteral("yyyy/mm/dd hh:nn"));
      QCOMPARE(settings->GetInt(REG_DupSearchMode), confirm ? 1 : 0);
      QCOMPARE(settings->GetInt(REG_RefHistSave), confirm ? 0 : 1);
      QCOMPARE(settings->GetInt(REG_RefHistSaveCount), confirm ? 42 : 7);
      QCOMPARE(settings->GetInt(REG_DupListHighSpeedShow), confirm ? 1 : 0);
    }
    QVERIFY(prompter.prompts.empty());
  }

  void delimiterButtonsActAtOnce() {
    auto dialog = Open();
    dialog->cmdLikeGetInit->click();
    QCOMPARE(dialog->txtLikeKey->text(), settings->GetString(REG_LikeKey));
    const QString thirty =
        QStringLiteral("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほ");
    QCOMPARE(thirty.size(), 30);
    dialog->txtLikeKey->setText(thirty);
    dialog->mdLikeSet->click();
    QCOMPARE(dialog->txtLikeKey->text(), thirty.left(24));
    QCOMPARE(settings->GetString(REG_LikeKey), thirty.left(24));
    QCOMPARE(prompter.Messages(),
             QStringList{QStringLiteral("更新内容は次回抽出から有効となります")});
    dialog->cmdLikeGetDB->click();
    QCOMPARE(dialog->txtLikeKey->text(), QStringLiteral("_-（）"));
    dialog->txtLikeKey->clear();
    QVERIFY(!dialog->mdLikeSet->isEnabled());
    dialog->cmdClose->click();
    QCOMPARE(settings->GetString(REG_LikeKey), thirty.left(24));
  }
};

QTEST_MAIN(EnvDialogTest)
#include "EnvDialogTest.moc"
