// The wind direction chart: needle angles, the compass layout and its colours.

#include "core/live/value_text.h"
#include "gui/live/wind_chart.h"

#include <QImage>
#include <QtTest>

#include <cmath>
#include <limits>

using namespace orvela;

namespace {

// What a live refresh does with a reading: the needle from the centre to the rim.
void ShowReading(WindChart& chart, float reading)
{
    PolarSeries& series = chart.series();
    series.clear();
    series.addPoint(0.0, 0.0);
    series.addPoint(RoundHalfEven(static_cast<double>(reading)), WindChart::RadiusMaximum);
}

} // namespace

class TestWindChart : public QObject
{
    Q_OBJECT

private slots:
    void roundHalfEven_data();
    void roundHalfEven();
    void needle_data();
    void needle();
    void spokes_data();
    void spokes();
};

void TestWindChart::roundHalfEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("rounded");
    QTest::newRow("just below a half") << 2.4999999 << 2.0;
    QTest::newRow("just above a half") << 2.5000001 << 3.0;
    QTest::newRow("0.5 to 0") << 0.5 << 0.0;
    QTest::newRow("-1.5 to -2") << -1.5 << -2.0;
    QTest::newRow("-2.5 to -2") << -2.5 << -2.0;
    QTest::newRow("-2.6 to -3") << -2.6 << -3.0;
    QTest::newRow("whole beyond 2^53") << 1e300 << 1e300;
}

void TestWindChart::roundHalfEven()
{
    QFETCH(double, value);
    QFETCH(double, rounded);
    QCOMPARE(RoundHalfEven(value), rounded);
}

void TestWindChart::needle_data()
{
    QTest::addColumn<float>("reading");
    QTest::addColumn<double>("angle");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QSize>("size");
    const QSize panel(300, 240);
    QTest::newRow("245.6") << 245.6f << 246.0 << "246" << panel;
    QTest::newRow("22.5 to the even 22") << 22.5f << 22.0 << "23" << panel;
    QTest::newRow("23.5 to the even 24") << 23.5f << 24.0 << "24" << panel;
    QTest::newRow("370 like 10") << 370.0f << 10.0 << "370" << panel;
    QTest::newRow("-90 like 270") << -90.0f << 270.0 << "-90" << panel;
    QTest::newRow("-720 like 0") << -720.0f << 0.0 << "-720" << panel;
    QTest::newRow("no reading at the top") << 0.0f << 0.0 << "0" << panel;
    QTest::newRow("wide widget stays round") << 90.0f << 90.0 << "90" << QSize(600, 200);
    QTest::newRow("tall widget stays round") << 180.0f << 180.0 << "180" << QSize(200, 600);
}

// The needle runs from the centre to the rim at the reading's compass angle, 0 at the top and
// clockwise; a previous reading leaves nothing behind. The pixels show it red on dark blue.
void TestWindChart::needle()
{
    QFETCH(float, reading);
    QFETCH(double, angle);
    QFETCH(QString, label);
    QFETCH(QSize, size);
    WindChart chart;
    chart.resize(size);
    chart.setAngleIncrement(30.0);
    ShowReading(chart, 100.0f);
    ShowReading(chart, reading);
    QCOMPARE(chart.series().points().size(), std::size_t{2});
    QCOMPARE(chart.needleAngle().value(), angle);
    QCOMPARE(WindValueText(reading, QLocale::c()), label);

    const double radians = angle * 3.14159265358979323846 / 180.0;
    const double rim = chart.rimRadius();
    QVERIFY(rim > 0.0 && rim < 0.5 * std::min(size.width(), size.height()));
    const QPointF centre = chart.center();
    QCOMPARE(chart.pointPosition(chart.series().points().front()), centre);
    const QPointF tip = chart.pointPosition(chart.series().points().back());
    QVERIFY(std::fabs(tip.x() - (centre.x() + rim * std::sin(radians))) < 1e-6);
    QVERIFY(std::fabs(tip.y() - (centre.y() - rim * std::cos(radians))) < 1e-6);

    QImage image(size, QImage::Format_RGB32);
    chart.render(&image);
    QCOMPARE(image.pixelColor(2, 2), QColor(0, 64, 128));
    const QPoint onNeedle = chart.pointPosition({angle, 50.0}).toPoint();
    const QPoint opposite = chart.pointPosition({angle + 180.0, 50.0}).toPoint();
    QCOMPARE(image.pixelColor(onNeedle), QColor(Qt::red));
    QVERIFY(image.pixelColor(opposite) != QColor(Qt::red));

    chart.series().clear();
    QVERIFY(!chart.needleAngle().has_value());
}

void TestWindChart::spokes_data()
{
    QTest::addColumn<double>("increment");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<int>("count");
    QTest::newRow("30 degrees") << 30.0 << true << 12;
    QTest::newRow("not dividing a turn") << 100.0 << true << 4;
    QTest::newRow("a full turn") << 360.0 << true << 1;
    QTest::newRow("zero refused") << 0.0 << false << 12;
    QTest::newRow("negative refused") << -30.0 << false << 12;
    QTest::newRow("not a number refused")
        << std::numeric_limits<double>::quiet_NaN() << false << 12;
    QTest::newRow("spokes merging refused") << 0.001 << false << 12;
}

void TestWindChart::spokes()
{
    QFETCH(double, increment);
    QFETCH(bool, taken);
    QFETCH(int, count);
    WindChart chart;
    QVERIFY(chart.setAngleIncrement(30.0));
    QCOMPARE(chart.setAngleIncrement(increment), taken);
    const std::vector<double> angles = chart.spokeAngles();
    QCOMPARE(static_cast<int>(angles.size()), count);
    for (std::size_t i = 0; i < angles.size(); ++i)
        QCOMPARE(angles[i], static_cast<double>(i) * chart.angleIncrement());
}

QTEST_MAIN(TestWindChart)
#include "test_wind_chart.moc"
