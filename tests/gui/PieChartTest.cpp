// The pie widget: shares and slice order, hit testing in both looks, click
// turning, drawing of every option, and the background settings.
#include <QImage>
#include <QSignalSpy>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <stdexcept>

#include "GuiFolder.h"
#include "TestSupport.h"
#include "core/Settings.h"
#include "ui/charts/PieChart.h"

using plomix::PieChart;

class PieChartTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<plomix::test::GuiFolder> folder_;

  static void FillThree(PieChart& chart) {
    chart.AddSlice("a", 50, Qt::red);
    chart.AddSlice("b", 30, Qt::blue);
    chart.AddSlice("c", 20, Qt::yellow);
  }

 private Q_SLOTS:
  void initTestCase() { folder_ = std::make_unique<plomix::test::GuiFolder>(); }

  void SharesFollowTheOrderOfTheSlicesAndIgnoreBadValues() {
    PieChart chart;
    FillThree(chart);
    chart.AddSlice("negative", -5, Qt::green);
    chart.AddSlice("nan", std::nan(""), Qt::green);
    chart.SetRotation(-90);

    QCOMPARE(chart.SliceCount(), 5);
    QCOMPARE(chart.Total(), 100.0);
    QCOMPARE(chart.PercentText(0), QString("50%"));
    QCOMPARE(chart.PercentText(3), QString("0%"));
    QCOMPARE(chart.Rotation(), 270);
    QCOMPARE(chart.SliceStartAngle(0), 270.0);
    QCOMPARE(chart.SliceStartAngle(1), 90.0);  // 270 + 180, wrapped
    QCOMPARE(chart.SliceStartAngle(2), 198.0);
    QCOMPARE(chart.SliceSpan(4), 0.0);

    chart.Clear();
    chart.AddSlice("x", 1, Qt::red);
    chart.AddSlice("y", 7, Qt::red);
    QCOMPARE(chart.PercentText(0), QString("12.5%"));
    chart.SetMarkStyle(PieChart::MarkStyle::LabelAndPercent);
    QCOMPARE(chart.MarkText(1), QString("y 87.5%"));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, chart.Slice(2));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, chart.Percent(-1));
  }

  // The point SliceCentre reports must hit its own slice and show the slice's
  // colour on screen, in every look.
  void EverySliceIsDrawnWhereItIsHit() {
    struct Look {
      bool threeD;
      int explode;
      PieChart::MarkStyle marks;
    };
    const Look looks[] = {{false, 0, PieChart::MarkStyle::None},
                          {true, 0, PieChart::MarkStyle::Percent},
                          {true, 20, PieChart::MarkStyle::LabelAndPercent},
                          {false, 20, PieChart::MarkStyle::Percent}};
    for (const Look& look : looks) {
      PieChart chart;
      chart.resize(320, 260);
      FillThree(chart);
      chart.SetThreeD(look.threeD);
      chart.SetExplodeBiggest(look.explode);
      chart.SetMarkStyle(look.marks);
      chart.SetRotation(40);
      const QImage image = chart.grab().toImage();
      for (int i = 0; i < chart.SliceCount(); ++i) {
        const QPoint centre = chart.SliceCentre(i);
        QCOMPARE(chart.SliceAt(centre), i);
        QCOMPARE(image.pixelColor(centre), chart.Slice(i).colour);
      }
      QCOMPARE(chart.SliceAt(QPoint(1, 1)), -1);
    }
  }

  void AClickOnASliceTurnsThePie() {
    PieChart chart;
    chart.resize(300, 240);
    FillThree(chart);
    QSignalSpy clicked(&chart, &PieChart::SliceClicked);

    QTest::mouseClick(&chart, Qt::LeftButton, {}, chart.SliceCentre(1));
    QCOMPARE(chart.Rotation(), 10);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.at(0).at(0).toInt(), 1);

    QTest::mouseClick(&chart, Qt::RightButton, {}, chart.SliceCentre(0));
    QCOMPARE(chart.Rotation(), 0);

    QTest::mouseClick(&chart, Qt::LeftButton, {}, QPoint(1, 1));
    QCOMPARE(chart.Rotation(), 0);
    QCOMPARE(clicked.count(), 2);

    chart.SetClickTurn(false);
    QTest::mouseClick(&chart, Qt::LeftButton, {}, chart.SliceCentre(0));
    QCOMPARE(chart.Rotation(), 0);
    QCOMPARE(clicked.count(), 3);
  }

  void TheTimerRunsOnlyWhileRotationIsOnWithinItsLimits() {
    PieChart chart;
    QCOMPARE(chart.RotationInterval(), 300);
    chart.SetRotationInterval(1);
    QCOMPARE(chart.RotationInterval(), 10);
    chart.SetRotationInterval(99999);
    QCOMPARE(chart.RotationInterval(), 3000);
    chart.SetRotate(true);
    QVERIFY(chart.IsRotating());
    chart.SetRotate(false);
    QVERIFY(!chart.IsRotating());
    QCOMPARE(chart.RotationStep(), 355);
    chart.Rotate(chart.RotationStep());
    QCOMPARE(chart.Rotation(), 355);
  }

  void BackgroundSettingsDecidePictureAndGradient() {
    plomix::test::TempDir folder;
    const QString picture = QString::fromStdString(folder.File("back.png"));
    QImage tile(8, 8, QImage::Format_RGB32);
    tile.fill(Qt::darkGreen);
    QVERIFY(tile.save(picture));
    plomix::Settings settings;

    struct Case {
      int imageFlag;
      QString file;
      bool pictureBefore;
      bool pictureAfter;
    };
    const Case cases[] = {
        {1, picture, false, true},    {1, picture + ".missing", true, false},
        {1, QString(), true, true},  // no file named: the picture stays
        {1, QString(), false, false}, {0, picture, true, false},
    };
    for (const Case& c : cases) {
      PieChart chart;
      if (c.pictureBefore) QVERIFY(chart.SetBackgroundPicture(picture, PieChart::kTile));
      settings.SetInt(plomix::REG_ChartCirBkImageFlag, c.imageFlag);
      settings.SetString(plomix::REG_ChartCirBkImageFile, c.file);
      chart.ApplyBackgroundSettings(settings);
      QCOMPARE(chart.HasBackgroundPicture(), c.pictureAfter);
    }

    // The stored default gradient (on, 0xFFB5FF to white) reaches the corners.
    settings.SetInt(plomix::REG_ChartCirBkImageFlag, 0);
    for (int direction = 0; direction <= 5; ++direction) {
      settings.SetInt(plomix::REG_ChartCirBkGradDirection, direction);
      PieChart chart;
      chart.resize(200, 160);
      FillThree(chart);
      chart.ApplyBackgroundSettings(settings);
      QVERIFY(chart.HasBackgroundGradient());
      const QImage image = chart.grab().toImage();
      const QPoint samples[] = {{1, 1}, {198, 1}, {1, 158}, {198, 158}, {1, 80}};
      QVERIFY(std::any_of(std::begin(samples), std::end(samples),
                          [&](QPoint p) { return image.pixelColor(p) != QColor(Qt::white); }));
    }
    QCOMPARE(PieChart::ColourFromSetting(0xFFB5FF), QColor(0xFF, 0xB5, 0xFF));
    QCOMPARE(PieChart::ColourFromSetting(0x0000FF), QColor(Qt::red));
  }
};

QTEST_MAIN(PieChartTest)
#include "PieChartTest.moc"
