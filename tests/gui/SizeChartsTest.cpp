// The size charts and the date/time page: the bar chart's drawing and hit
// testing in every look and with bad values, the サイズ順 and トップ 10 pages
// driven through their controls (paging, measures, options and the settings
// they store), the background dialog, and the date/time grid.
#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QImageReader>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>
#include <cmath>
#include <limits>
#include <memory>

#include "GuiFolder.h"
#include "ScriptedPrompter.h"
#include "SessionWindow.h"
#include "TestSupport.h"
#include "core/Catalog.h"
#include "core/ChartData.h"
#include "core/Format.h"
#include "core/Settings.h"
#include "support/MediaBuilder.h"
#include "ui/DatePage.h"
#include "ui/DateTimeGridModel.h"
#include "ui/MediaPage.h"
#include "ui/PxMain.h"
#include "ui/Session.h"
#include "ui/SizeChartPage.h"
#include "ui/SizeChartState.h"
#include "ui/TopNPage.h"
#include "ui/charts/BarChart.h"
#include "ui/charts/PieChart.h"
#include "ui/options/PxBackColor.h"
#include "ui/widgets/FallbackSpinBox.h"

using namespace plomix;

namespace {

TRecord Row(const std::string& name, int kind, double size, double allocated) {
  TRecord r;
  r.Name = name;
  r.Kind = static_cast<int16_t>(kind);
  r.Size = size;
  r.Allocated = allocated;
  return r;
}

// n rows: a folder "dir" of size n, then files f1..f(n-1) of size 1..n-1.
std::vector<TRecord> Rows(int n) {
  std::vector<TRecord> rows{Row("dir", kKindFolder, n, n)};
  rows.front().Key = 3000017;
  for (int i = 1; i < n; ++i) rows.push_back(Row("f" + std::to_string(i), kKindFile, i, 4096));
  return rows;
}

// Leaves a spin box the way a user does: type, then move the focus away.
void TypeAndLeave(FallbackSpinBox* spin, const QString& text) {
  spin->findChild<QLineEdit*>()->setText(text);
  QMetaObject::invokeMethod(spin, "editingFinished");
  QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(spin, &out);
}

}  // namespace

class SizeChartsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::GuiFolder> folder_;
  test::ScriptedPrompter prompter_;
  std::unique_ptr<Session> session_;
  Settings* settings_ = nullptr;

  Catalog& Cat() { return session_->GetCatalog(); }

  struct Pages {
    std::unique_ptr<SizeChartState> state;
    std::unique_ptr<SizeChartPage> bars;
    std::unique_ptr<TopNPage> pie;
  };
  Pages MakePages() {
    Pages p;
    p.state = std::make_unique<SizeChartState>(*settings_, prompter_);
    p.bars = std::make_unique<SizeChartPage>(*session_, *p.state);
    p.pie = std::make_unique<TopNPage>(*session_, *p.state);
    p.bars->resize(640, 420);
    p.pie->resize(640, 420);
    return p;
  }

 private Q_SLOTS:
  void initTestCase() {
    folder_ = std::make_unique<test::GuiFolder>();
    session_ = std::make_unique<Session>(prompter_);
    settings_ = &session_->GetSettings();
    QVERIFY(Cat().CreateCatalog(folder_->File("charts.qdb")));
  }

  void init() {
    // Every test starts from the stored defaults.
    for (SettingNo number : Settings::Numbers()) {
      const SettingInfo info = *Settings::Describe(number);
      if (info.type == SettingType::Integer)
        settings_->SetInt(number, info.intDefault);
      else
        settings_->SetString(number, info.stringDefault);
    }
    prompter_.prompts.clear();
  }

  // Every shape in 2D, 3D and both views, at a few sizes, with sound and
  // unsound values: the front face of each bar shows its colour where the
  // chart says it is, and nothing is drawn backwards.
  void BarsAreDrawnWhereTheyAreHitInEveryLook() {
    const double nan = std::nan("");
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<ChartBar> bars = {
        {0, "huge", 5368709119.0, 0xFF0000, 1, 0xFF0000, "5,368,709,120"},
        {1, "half", 2684354559.0, 0x0000FF, 1, 0x0000FF, "2,684,354,560"},
        {2, "bad", nan, 0x0000FF, -4, 0x0000FF, "0"},
        {3, "inf", inf, 0x0000FF, 0, 0x0000FF, "0"},
    };
    for (QSize size : {QSize(640, 400), QSize(200, 120), QSize(81, 61)}) {
      for (const QString& shapeName : BarChart::ShapeNames()) {
        for (int look = 0; look < 3; ++look) {
          BarChart chart;
          chart.resize(size);
          chart.SetTitle("title");
          chart.SetShape(BarChart::ShapeFromName(shapeName));
          chart.SetThreeD(look > 0);
          chart.SetOrthogonal(look == 1);
          chart.SetBars(bars, true);
          QCOMPARE(chart.AxisMaximum(), 6000000000.0);
          const QImage image = chart.grab().toImage();
          QVERIFY(!image.isNull());
          for (int i = 0; i < chart.BarCount(); ++i) {
            QVERIFY(chart.Bar(i).first >= 0 && chart.Bar(i).second >= 0);
            QVERIFY(chart.BarRect(i).width() >= 0);
          }
          if (size.width() < 600) continue;
          const QRectF huge = chart.BarRect(0);
          const QPoint inside(static_cast<int>(huge.left() + huge.width() * 0.3),
                              static_cast<int>(huge.center().y()));
          QCOMPARE(chart.BarAt(inside), 0);
          QCOMPARE(chart.BarAt(chart.BarRect(1).center().toPoint()), 1);
          if (shapeName == QStringLiteral("四角形") && look == 0)
            QCOMPARE(image.pixelColor(inside), QColor(Qt::red));
        }
      }
    }
    BarChart large;
    large.resize(1920, 1080);
    large.SetBars(bars, true);
    QVERIFY(!large.grab().toImage().isNull());
    BarChart empty;
    empty.resize(300, 200);
    empty.SetBars({{0, "zero", 0, 0xFF, 0, 0xFF, "0"}}, true);
    QCOMPARE(empty.AxisMaximum(), 1.0);
    QVERIFY(!empty.grab().toImage().isNull());
    QCOMPARE(BarChart::ShapeFromName("no such shape"), BarChart::Shape::Cylinder);
  }

  void PagingKeepsTheFirstPagesScaleUnlessFitted() {
    Pages p = MakePages();
    p.state->Fill(Rows(25), false, Cat());
    QScrollBar* scroll = p.bars->ScrollBarChartMedia;
    QCOMPARE(scroll->minimum(), 0);
    QCOMPARE(scroll->maximum(), 24);
    QCOMPARE(scroll->pageStep(), 9);
    QCOMPARE(p.bars->ChartMedia->BarCount(), 10);
    const double firstScale = p.bars->ChartMedia->AxisMaximum();
    QCOMPARE(firstScale, 25.0);
    QCOMPARE(p.bars->ChartMedia->Title(), ChartTitle(ChartMeasure::Size, false));
    QCOMPARE(p.bars->ChartMedia->accessibleName(), p.bars->ChartMedia->Title());

    scroll->setValue(20);
    QCOMPARE(p.bars->PageStart(), 20);
    QCOMPARE(p.bars->PageEnd(), 24);
    QCOMPARE(p.bars->ChartMedia->BarCount(), 5);
    QVERIFY(p.bars->ChartMedia->Bar(0).label.startsWith("21) "));
    QVERIFY(p.bars->ChartMedia->Bar(4).label.startsWith("25) "));
    QCOMPARE(p.bars->ChartMedia->AxisMaximum(), firstScale);  // shorter bars stay short
    const QStringList lines = p.bars->ChartMedia->accessibleDescription().split('\n');
    QCOMPARE(lines.size(), 5);
    QVERIFY(lines[0].startsWith("21) ") && lines[0].endsWith(": 5"));

    settings_->SetInt(REG_BarChartSizeFit, 1);
    scroll->setValue(19);
    QCOMPARE(p.bars->ChartMedia->AxisMaximum(), 6.0);

    // The page size: stored, the large step follows, the page is shown again
    // from its start.
    p.bars->SpinEdit1->setValue(1);
    QCOMPARE(settings_->GetInt(REG_ChartBarPage), 1);
    QCOMPARE(scroll->pageStep(), 1);
    QCOMPARE(p.bars->ChartMedia->BarCount(), 1);
    QCOMPARE(p.bars->PageStart(), 19);
    TypeAndLeave(p.bars->SpinEdit1, QString());
    QCOMPARE(p.bars->SpinEdit1->value(), 10);
    QCOMPARE(settings_->GetInt(REG_ChartBarPage), 10);

    // An empty folder empties both charts without complaint.
    p.state->Fill({}, false, Cat());
    QCOMPARE(p.bars->ChartMedia->BarCount(), 0);
    QCOMPARE(p.pie->ChartMedia2->SliceCount(), 0);
    QCOMPARE(scroll->maximum(), 0);
    QVERIFY(!p.bars->ChartMedia->grab().toImage().isNull());
    QVERIFY(!p.pie->ChartMedia2->grab().toImage().isNull());
    QVERIFY(prompter_.prompts.empty());
  }

  void MeasureButtonsPressTheirPartnerAndRefillBoth() {
    Pages p = MakePages();
    p.state->Fill(Rows(12), false, Cat());
    QCOMPARE(p.pie->ChartMedia2->SliceCount(), 11);  // 10 named and the rest
    QCOMPARE(p.pie->ChartMedia2->Slice(10).label, QString("その他"));
    QCOMPARE(p.pie->ChartMedia2->Slice(10).value, 3.0);
    QCOMPARE(p.pie->ChartMedia2->Slice(0).colour, QColor(Qt::red));  // the folder

    p.bars->ToolButton26->click();  // the cluster gap
    QVERIFY(p.pie->ToolButton29->isChecked());
    QVERIFY(!p.pie->ToolButton28->isChecked());
    QCOMPARE(p.bars->ChartMedia->Title(), ChartTitle(ChartMeasure::ClusterGap, false));
    QCOMPARE(p.bars->ChartMedia->Bar(0).mark, QString("4,095"));  // f1
    QCOMPARE(p.pie->ChartMedia2->Slice(0).colour, QColor(Qt::white));

    p.pie->ToolButton30->click();  // the clusters
    QVERIFY(p.bars->ToolButton27->isChecked());
    QCOMPARE(p.bars->ChartMedia->Bar(0).mark, QString("4,096(1)"));
    settings_->SetInt(REG_ChartBarSize2Only, 1);
    p.bars->ScrollBarChartMedia->setValue(1);
    QCOMPARE(p.bars->ChartMedia->Bar(0).mark, QString("4,096"));

    // The top count: stored, the pie refilled, the caption follows; clearing
    // it sets 10.
    QSignalSpy caption(p.pie.get(), &TopNPage::CaptionChanged);
    p.pie->SpinEdit2->setValue(3);
    QCOMPARE(settings_->GetInt(REG_ChartCircleMaxFile), 3);
    QCOMPARE(p.pie->ChartMedia2->SliceCount(), 4);
    QCOMPARE(caption.last().at(0).toString(), QString("トップ 3"));
    TypeAndLeave(p.pie->SpinEdit2, QString());
    QCOMPARE(caption.last().at(0).toString(), QString("トップ 10"));
    QCOMPARE(settings_->GetInt(REG_ChartCircleMaxFile), 10);
    // 0 charts every row and says so, rather than showing 1.
    p.pie->SpinEdit2->setValue(0);
    QCOMPARE(settings_->GetInt(REG_ChartCircleMaxFile), 0);
    QCOMPARE(p.pie->SpinEdit2->text(), QString("すべて"));
    QCOMPARE(caption.last().at(0).toString(), QString("すべて"));
    p.pie->SpinEdit2->setValue(10);
    p.pie->ChartMedia2->RefreshDescription();
    QVERIFY(p.pie->ChartMedia2->accessibleDescription().startsWith("1) □f1: 4,096 ("));
  }

  void OptionsAreReadAtStartAndStoredWhenChanged() {
    settings_->SetInt(REG_ChartBarPage, 7);
    settings_->SetInt(REG_ChartBarOrthogonal, 0);
    settings_->SetInt(REG_ChartCircleMaxFile, 0);
    settings_->SetInt(REG_SpanCircleRotete, 1200);
    settings_->SetInt(REG_ChartCir3D, 0);
    settings_->SetString(REG_ChartBarStyle, QStringLiteral("矢印"));
    Pages p = MakePages();
    QCOMPARE(p.bars->SpinEdit1->value(), 7);
    QCOMPARE(p.bars->ScrollBarChartMedia->pageStep(), 6);
    QVERIFY(!p.bars->chkOrthogonal->isChecked());
    QVERIFY(!p.bars->ChartMedia->Orthogonal());
    QCOMPARE(p.pie->SpinEdit2->value(), 0);  // every row, not clamped to 1
    QCOMPARE(p.pie->Caption(), QString("すべて"));
    QCOMPARE(p.pie->txtRotate->value(), 1200);
    QCOMPARE(p.pie->ChartMedia2->RotationInterval(), 1200);
    QVERIFY(!p.bars->chk3DBar->isChecked() && !p.pie->chk3D->isChecked());
    QVERIFY(!p.bars->ChartMedia->ThreeD() && !p.pie->ChartMedia2->ThreeD());
    QCOMPARE(p.bars->ChartMedia->BarShape(), BarChart::Shape::Arrow);

    p.pie->chk3D->click();  // mirrors onto the other page
    QVERIFY(p.bars->chk3DBar->isChecked());
    QVERIFY(p.bars->ChartMedia->ThreeD() && p.pie->ChartMedia2->ThreeD());
    QCOMPARE(settings_->GetInt(REG_ChartCir3D), 1);
    p.bars->chkOrthogonal->click();
    QCOMPARE(settings_->GetInt(REG_ChartBarOrthogonal), 1);

    QAction* pyramid = p.bars->shapeGroup->actions().at(1);
    pyramid->trigger();
    QCOMPARE(settings_->GetString(REG_ChartBarStyle), QStringLiteral("四角錘"));
    QCOMPARE(p.bars->ChartMedia->BarShape(), BarChart::Shape::Pyramid);

    // The interval: stored; a single digit counts as the minimum.
    TypeAndLeave(p.pie->txtRotate, QStringLiteral("5"));
    QCOMPARE(p.pie->txtRotate->value(), 10);
    QCOMPARE(settings_->GetInt(REG_SpanCircleRotete), 10);

    // Rotation runs only while the page is shown and the setting is on.
    p.pie->show();
    QVERIFY(QTest::qWaitForWindowExposed(p.pie.get()));
    QVERIFY(p.pie->chkLoop->isChecked());
    QVERIFY(p.pie->ChartMedia2->IsRotating());
    p.pie->chkLoop->click();
    QCOMPARE(settings_->GetInt(REG_ChartCircleRotate), 0);
    QVERIFY(!p.pie->ChartMedia2->IsRotating());
    p.pie->chkLoop->click();
    QVERIFY(p.pie->ChartMedia2->IsRotating());
    p.pie->hide();
    QVERIFY(!p.pie->ChartMedia2->IsRotating());

    p.state->Fill(Rows(4), false, Cat());
    p.pie->cmdExplodeBiggest->click();
    QCOMPARE(p.pie->ChartMedia2->ExplodeBiggest(), 20);
    p.pie->cmdExplodeBiggest->click();
    QCOMPARE(p.pie->ChartMedia2->ExplodeBiggest(), 0);
  }

  void BarsOpenTheirNodeAndChartsSaveAsPictures() {
    Pages p = MakePages();
    p.state->Fill(Rows(3), false, Cat());
    p.bars->show();
    QVERIFY(QTest::qWaitForWindowExposed(p.bars.get()));
    QSignalSpy open(p.bars.get(), &SizeChartPage::OpenRowByKey);
    BarChart* chart = p.bars->ChartMedia;
    QTest::mouseDClick(chart, Qt::LeftButton, {}, chart->BarRect(0).center().toPoint());
    QCOMPARE(open.count(), 1);
    QCOMPARE(open.at(0).at(0).toInt(), Rows(3).front().Key);
    QTest::mouseDClick(chart, Qt::LeftButton, {}, chart->BarRect(1).center().toPoint());
    QCOMPARE(open.count(), 1);  // a file has no node

    const QString bars = QString::fromStdString(folder_->File("bars.png"));
    const QString pie = QString::fromStdString(folder_->File("pie.png"));
    prompter_.paths = {bars, pie, folder_->File("no/such/folder/x.png").c_str()};
    p.bars->saveChartPicture->trigger();
    p.pie->saveChartPicture->trigger();
    QCOMPARE(QImageReader(bars).format(), QByteArray("png"));
    QCOMPARE(QImageReader(pie).format(), QByteArray("png"));
    QVERIFY(prompter_.Messages().isEmpty());
    p.bars->saveChartPicture->trigger();
    QCOMPARE(prompter_.Messages().size(), 1);
  }

  // A missing or damaged picture leaves no picture and draws; the dialog
  // replaces a direction out of its list and stores what "設定" is given.
  void BackgroundsSurviveBadPicturesAndTheDialogStoresAllSeven() {
    const QString corrupt = QString::fromStdString(folder_->File("corrupt.jpg"));
    test::WriteFileBytes(corrupt.toStdString(), {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F'});
    const QString good = QString::fromStdString(folder_->File("good.png"));
    QImage tile(4, 4, QImage::Format_RGB32);
    tile.fill(Qt::darkBlue);
    QVERIFY(tile.save(good));
    settings_->SetInt(REG_ChartBarBkImageFlag, 1);
    settings_->SetInt(REG_ChartBarBkImageStyle, 1);
    for (const QString& file : {corrupt, good + ".missing", good}) {
      settings_->SetString(REG_ChartBarBkImageFile, file);
      Pages p = MakePages();
      p.state->Fill(Rows(5), false, Cat());
      QCOMPARE(p.bars->ChartMedia->Background().HasPicture(), file == good);
      QVERIFY(!p.bars->ChartMedia->grab().toImage().isNull());
    }

    settings_->SetInt(REG_ChartCirBkGradDirection, 9);
    {
      TfrmBackColor dialog(*settings_, prompter_);
      QCOMPARE(dialog.windowTitle(), QString("トップ 10の背景"));
      QCOMPARE(dialog.cmbDirection->currentIndex(), 0);
      QCOMPARE(settings_->GetInt(REG_ChartCirBkGradDirection), 0);
      QVERIFY(dialog.chkGradShow->isChecked());
      prompter_.paths = {good};
      dialog.cmdImageFile->click();
      dialog.chkImageShow->setChecked(true);
      dialog.rdoCenter->setChecked(true);
      dialog.cmbDirection->setCurrentIndex(4);
      dialog.cmdClose->click();
      QCOMPARE(settings_->GetInt(REG_ChartCirBkImageFlag), 0);
      QCOMPARE(settings_->GetString(REG_ChartCirBkImageFile), QString());
      dialog.cmdSet->click();
      QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
    QCOMPARE(settings_->GetInt(REG_ChartCirBkImageFlag), 1);
    QCOMPARE(settings_->GetString(REG_ChartCirBkImageFile), good);
    QCOMPARE(settings_->GetInt(REG_ChartCirBkImageStyle), 2);
    QCOMPARE(settings_->GetInt(REG_ChartCirBkGradDirection), 4);
    QCOMPARE(settings_->GetInt(REG_ChartCirBkGradStart), 0xFFB5FF);
    TfrmBackColorBar bar(*settings_, prompter_);
    QCOMPARE(bar.windowTitle(), QString("サイズ順の背景"));
    QVERIFY(bar.chkImageShow->isChecked());
    QVERIFY(bar.rdoTile->isChecked());
  }

  void TheDateGridShowsTheCountsAsATable() {
    Session session(prompter_);
    Catalog& catalog = session.GetCatalog();
    QVERIFY(catalog.CreateCatalog(folder_->File("dates.qdb")));
    const int32_t stamp = PackDosDateTime({2005, 3, 10, 14, 20, 0});
    std::vector<TRecord> media = test::FlatMedia("M", 3);
    for (std::size_t i = 1; i < media.size(); ++i) media[i].FileDate = stamp;
    media[0].FileDate = PackDosDateTime({2006, 1, 1, 9, 0, 0});
    TMediaInfomation info = test::InfoFor();
    info.OldestFileDate = info.NewestFileDate = stamp;
    QVERIFY(catalog.AddMedia(media, info));
    QVERIFY(catalog.AddMedia(test::FlatMedia("EMPTY", 0), info = test::InfoFor()));

    DatePage page(session);
    page.resize(900, 500);
    QVERIFY(page.rdoDate12->isChecked() && page.rdoTime3->isChecked());
    QVERIFY(page.ShowDistribution(MakeKey(0, 0)));
    const DateTimeGridModel& model = page.Model();
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.columnCount(), 8);
    QCOMPARE(model.headerData(0, Qt::Vertical, Qt::DisplayRole).toString(), QString("2005/1～12"));
    QCOMPARE(model.headerData(4, Qt::Horizontal, Qt::DisplayRole).toString(), QString("12時～"));
    QCOMPARE(model.data(model.index(0, 4), Qt::DisplayRole).toString(), QString("3"));
    QCOMPARE(model.data(model.index(0, 0), Qt::DisplayRole).toString(), QString());
    QCOMPARE(model.data(model.index(0, 4), Qt::ForegroundRole).value<QColor>(), QColor(Qt::blue));
    QCOMPARE(page.StringGridDateTime->verticalHeader()->width(), 70);

    page.rdoDate1->click();
    page.rdoTime1->click();
    QCOMPARE(model.rowCount(), 12);
    QCOMPARE(model.columnCount(), 24);
    QCOMPARE(model.data(model.index(2, 14), Qt::DisplayRole).toString(), QString("3"));
    QCOMPARE(model.headerData(2, Qt::Vertical, Qt::DisplayRole).toString(), QString("2005/3"));
    QCOMPARE(model.headerData(0, Qt::Vertical, Qt::ForegroundRole).value<QColor>(),
             QColor(0xA6, 0xCA, 0xF0));
    QCOMPARE(page.StringGridDateTime->verticalHeader()->width(), 50);
    QCOMPARE(page.StringGridDateTime->horizontalHeader()->sectionSize(0), 35);

    // A media without files keeps what is shown; the top node counts media.
    QVERIFY(!page.ShowDistribution(MakeKey(1, 0)));
    QCOMPARE(model.rowCount(), 12);
    QVERIFY(page.ShowDistribution(-1));
    QCOMPARE(model.headerData(0, Qt::Vertical, Qt::DisplayRole).toString(), QString("2006/1"));
    QCOMPARE(model.data(model.index(0, 9), Qt::DisplayRole).toString(), QString("1"));

    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(page.StringGridDateTime);
    QVERIFY(grid != nullptr);
    QAccessibleTableInterface* table = grid->tableInterface();
    QVERIFY(table != nullptr);
    QCOMPARE(table->rowCount(), 12);
    QCOMPARE(table->columnCount(), 24);
    QVERIFY(!page.grab().toImage().isNull());
  }

  // Every selection in the window refills both charts and the distribution;
  // an empty folder empties the charts without a word.
  void TheWindowFeedsTheChartsFromEverySelection() {
    const std::string path = folder_->File("window.qdb");
    {
      Catalog catalog;
      QVERIFY(catalog.CreateCatalog(path));
      const int32_t stamp = PackDosDateTime({2019, 8, 1, 6, 0, 0});
      std::vector<TRecord> media(5);
      media[0] = {.FirstChild = 1,
                  .Kind = kKindFixed,
                  .Attr = kAttrDirectory,
                  .Name = "M",
                  .FileDate = PackDosDateTime({2020, 2, 2, 20, 0, 0}),
                  .DirFolders = 2,
                  .DirFiles = 1,
                  .AllFolders = 2,
                  .AllFiles = 2};
      media[1] = {.Parent = 0,
                  .FirstChild = 4,
                  .Kind = kKindFolder,
                  .Attr = kAttrDirectory,
                  .Name = "docs",
                  .Size = 300,
                  .FileDate = stamp,
                  .DirFiles = 1,
                  .AllFiles = 1,
                  .Allocated = 4096};
      media[2] = {.Parent = 0,
                  .Kind = kKindFolder,
                  .Attr = kAttrDirectory,
                  .Name = "empty",
                  .FileDate = stamp};
      media[3] = {.Parent = 0,
                  .Kind = kKindFile,
                  .Name = "big.bin",
                  .Size = 5368709120.0,
                  .FileDate = stamp,
                  .Allocated = 5368709120.0};
      media[4] = {.Parent = 1,
                  .Kind = kKindFile,
                  .Name = "a.txt",
                  .Size = 300,
                  .FileDate = stamp,
                  .Allocated = 4096};
      TMediaInfomation info = test::InfoFor();
      info.FreeSpace = 123456;
      info.OldestFileDate = info.NewestFileDate = stamp;
      QVERIFY(catalog.AddMedia(media, info));
    }
    settings_->SetString(REG_OpenHist01, QString::fromStdString(path));
    test::SessionWindow fixture(prompter_);
    QVERIFY(fixture.window.Started());
    MediaPage& media = fixture.window.Media();
    media.GoToPath(QStringLiteral("M"));
    BarChart* bars = media.TabSheet6->ChartMedia;
    QCOMPARE(bars->BarCount(), 3);
    QVERIFY(bars->Bar(0).label.startsWith(QStringLiteral("1) □big.bin")));
    QCOMPARE(bars->Bar(0).mark, QString("5,368,709,120"));
    QCOMPARE(media.TabSheet7->ChartMedia2->SliceCount(), 3);
    const DateTimeGridModel& dates = media.TabSheet5->Model();
    QCOMPARE(dates.rowCount(), 1);
    QCOMPARE(dates.data(dates.index(0, 2), Qt::DisplayRole).toString(), QString("4"));

    media.TabSheet6->ToolButton27->click();
    QCOMPARE(bars->Title(), ChartTitle(ChartMeasure::Allocated, false));
    media.GoToPath(QStringLiteral("M\\empty"));
    QCOMPARE(bars->BarCount(), 0);
    QCOMPARE(media.TabSheet7->ChartMedia2->SliceCount(), 0);
    QCOMPARE(bars->Title(), ChartTitle(ChartMeasure::Allocated, false));  // the measure stays

    media.GoToPath(QString());  // the media list charts free space
    media.TabSheet7->ToolButton28->click();
    QCOMPARE(bars->BarCount(), 1);
    QCOMPARE(bars->Bar(0).mark, QString("123,456"));
    QCOMPARE(bars->Title(), ChartTitle(ChartMeasure::Size, true));
    QCOMPARE(dates.headerData(0, Qt::Vertical, Qt::DisplayRole).toString(), QString("2020/1～12"));

    // "上へ移動" on a chart page goes up like the list's button.
    media.GoToPath(QStringLiteral("M\\docs"));
    media.TabSheet7->ToolButton49->click();
    QCOMPARE(media.TreeView1->currentItem()->text(0), QString("M"));
    QVERIFY(prompter_.Messages().isEmpty());
  }
};

QTEST_MAIN(SizeChartsTest)
#include "SizeChartsTest.moc"
