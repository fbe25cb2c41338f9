// The thermometer and dial gauges: limits, the marker and needle, and painting any pair of
// limits quickly.

#include "gui/live/dial_gauge.h"
#include "gui/live/thermometer_gauge.h"

#include <qwt_scale_div.h>

#include <QElapsedTimer>
#include <QImage>
#include <QtTest>

#include <cmath>
#include <limits>

using namespace orvela;

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();

// The sizes of the gauges in their panels.
const QSize ThermometerSize(150, 254);
const QSize DialSize(300, 250);

enum class Op
{
    SetMinimum,
    SetMaximum,
    SetRange
};

qint64 RenderMilliseconds(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32);
    QElapsedTimer clock;
    clock.start();
    widget.render(&image);
    return clock.elapsed();
}

} // namespace

Q_DECLARE_METATYPE(Op)

class TestGauges : public QObject
{
    Q_OBJECT

private slots:
    void thermometerMarker_data();
    void thermometerMarker();
    void thermometerScale_data();
    void thermometerScale();
    void dialLimits_data();
    void dialLimits();
    void dialNeedle_data();
    void dialNeedle();
    void paintAnyLimits_data();
    void paintAnyLimits();
};

void TestGauges::thermometerMarker_data()
{
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::newRow("ordinary") << -30.0 << 60.0;
    QTest::newRow("inverted") << 60.0 << -30.0;
    QTest::newRow("far apart") << 0.0 << 1e9;
}

// The minimum is at the bottom and the maximum at the top, also when the minimum is the larger;
// beyond the scale the marker stops at the nearer end; not-a-number shows no marker.
void TestGauges::thermometerMarker()
{
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    ThermometerGauge gauge;
    gauge.resize(ThermometerSize);
    gauge.setLimits(minimum, maximum);
    QCOMPARE(gauge.minimum(), minimum);
    QCOMPARE(gauge.maximum(), maximum);
    auto markerAt = [&gauge](double value) {
        gauge.setValue(value);
        return gauge.markerPosition();
    };
    const double span = maximum - minimum;
    const int bottom = markerAt(minimum);
    const int top = markerAt(maximum);
    QVERIFY(top >= 0 && top < markerAt(minimum + 0.5 * span));
    QVERIFY(markerAt(minimum + 0.5 * span) < bottom && bottom < ThermometerSize.height());
    QCOMPARE(markerAt(maximum + span), top);
    QCOMPARE(markerAt(minimum - span), bottom);
    QCOMPARE(markerAt(Inf), span > 0 ? top : bottom);
    QCOMPARE(markerAt(NaN), -1);
    // Through the toolkit's class and the property the reading is checked the same way.
    static_cast<QwtThermo&>(gauge).setValue(maximum + span);
    QCOMPARE(gauge.markerPosition(), top);
    QVERIFY(gauge.setProperty("value", NaN));
    QCOMPARE(gauge.markerPosition(), -1);
    QVERIFY(std::isnan(gauge.property("value").toDouble()));
}

void TestGauges::thermometerScale_data()
{
    QTest::addColumn<double>("step");
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<QList<double>>("major");
    QTest::addColumn<int>("minorCount"); // four between major ticks
    QTest::newRow("thermometers 1 to 3")
        << 20.0 << -30.0 << 60.0 << QList<double>{-20, 0, 20, 40, 60} << 18;
    QTest::newRow("thermometer 4") << 1.0 << 0.0 << 5.0 << QList<double>{0, 1, 2, 3, 4, 5} << 20;
}

void TestGauges::thermometerScale()
{
    QFETCH(double, step);
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    QFETCH(QList<double>, major);
    QFETCH(int, minorCount);
    ThermometerGauge gauge;
    gauge.resize(ThermometerSize);
    gauge.setMajorStep(step);
    gauge.setLimits(minimum, maximum);
    QCOMPARE(gauge.scaleDiv().lowerBound(), minimum);
    QCOMPARE(gauge.scaleDiv().upperBound(), maximum);
    QCOMPARE(gauge.scaleDiv().ticks(QwtScaleDiv::MajorTick), major);
    QCOMPARE(gauge.scaleDiv().ticks(QwtScaleDiv::MinorTick).size(), minorCount);
}

void TestGauges::dialLimits_data()
{
    QTest::addColumn<Op>("op");
    QTest::addColumn<double>("first");
    QTest::addColumn<double>("second");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    // Every row starts from the limits 0 and 100.
    QTest::newRow("minimum equal to maximum")
        << Op::SetMinimum << 100.0 << 0.0 << false << 100.0 << 100.0;
    QTest::newRow("minimum above maximum")
        << Op::SetMinimum << 150.0 << 0.0 << true << 0.0 << 100.0;
    QTest::newRow("maximum below minimum") << Op::SetMaximum << -5.0 << 0.0 << true << 0.0 << 100.0;
    QTest::newRow("maximum above minimum")
        << Op::SetMaximum << 500.0 << 0.0 << false << 0.0 << 500.0;
    QTest::newRow("minimum not a number") << Op::SetMinimum << NaN << 0.0 << true << 0.0 << 100.0;
    QTest::newRow("maximum infinite") << Op::SetMaximum << Inf << 0.0 << true << 0.0 << 100.0;
    QTest::newRow("range wholly above")
        << Op::SetRange << 150.0 << 200.0 << false << 150.0 << 200.0;
    QTest::newRow("range wholly below")
        << Op::SetRange << -200.0 << -150.0 << false << -200.0 << -150.0;
    QTest::newRow("range inverted") << Op::SetRange << 60.0 << 50.0 << true << 0.0 << 100.0;
    QTest::newRow("range equal") << Op::SetRange << 7.0 << 7.0 << false << 7.0 << 7.0;
    QTest::newRow("range not finite") << Op::SetRange << -Inf << 5.0 << true << 0.0 << 100.0;
}

void TestGauges::dialLimits()
{
    QFETCH(Op, op);
    QFETCH(double, first);
    QFETCH(double, second);
    QFETCH(bool, refused);
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    DialGauge dial;
    dial.resize(DialSize);
    dial.setRange(0.0, 100.0);
    QString message;
    try {
        if (op == Op::SetMinimum)
            dial.setMinimum(first);
        else if (op == Op::SetMaximum)
            dial.setMaximum(first);
        else
            dial.setRange(first, second);
    } catch (const GaugeRangeError& error) {
        message = error.text();
    }
    QCOMPARE(message, refused ? QStringLiteral("Value out of range.") : QString());
    QCOMPARE(dial.minimum(), minimum);
    QCOMPARE(dial.maximum(), maximum);
}

void TestGauges::dialNeedle_data()
{
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("needle");
    QTest::addColumn<double>("widenedNeedle"); // after the maximum grows to 200
    QTest::newRow("inside") << 0.0 << 100.0 << 42.5 << 42.5 << 42.5;
    QTest::newRow("above stops at the maximum") << 0.0 << 100.0 << 150.0 << 100.0 << 150.0;
    QTest::newRow("below stops at the minimum") << 10.0 << 50.0 << 0.0 << 10.0 << 10.0;
    QTest::newRow("infinite") << 0.0 << 100.0 << Inf << 100.0 << 200.0;
    QTest::newRow("huge scale") << 0.0 << 1e9 << 5e8 << 5e8 << 5e8;
    QTest::newRow("equal limits, on them") << 50.0 << 50.0 << 50.0 << 50.0 << 50.0;
    QTest::newRow("equal limits, far above") << 50.0 << 50.0 << 1e6 << 55.0 << 200.0;
    QTest::newRow("not a number hides the needle") << 0.0 << 100.0 << NaN << NaN << NaN;
}

// The reading is kept as given and the needle shows it within the scale, also after the
// limits change.
void TestGauges::dialNeedle()
{
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    QFETCH(double, value);
    QFETCH(double, needle);
    QFETCH(double, widenedNeedle);
    auto same = [](double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); };
    // The setter and the "value" property behave alike, also from a reading that was hidden.
    for (const bool viaProperty : {false, true}) {
        DialGauge dial;
        dial.resize(DialSize);
        dial.setRange(minimum, maximum);
        dial.setValue(NaN);
        if (viaProperty)
            QVERIFY(dial.setProperty("value", value));
        else
            dial.setValue(value);
        QVERIFY(same(dial.value(), value));
        QVERIFY(same(dial.property("value").toDouble(), value));
        QVERIFY2(same(dial.needleValue(), needle), qPrintable(QString::number(dial.needleValue())));
        QCOMPARE(dial.isValid(), !std::isnan(value));
        if (maximum < 200.0)
            dial.setMaximum(200.0);
        QVERIFY(same(dial.needleValue(), widenedNeedle));
    }
}

void TestGauges::paintAnyLimits_data()
{
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<double>("value");
    QTest::newRow("zero span at zero") << 0.0 << 0.0 << 0.04;
    QTest::newRow("zero span at a large value") << 3e38 << 3e38 << 1.0;
    QTest::newRow("0 to 1e9") << 0.0 << 1e9 << 123.0;
    QTest::newRow("float range") << -3.4e38 << 3.4e38 << 0.0;
    QTest::newRow("narrow span far from zero") << 1e9 << 1e9 + 0.5 << 1e9;
}

// Any limits paint at once and with few ticks; a zero span draws without dividing by zero.
void TestGauges::paintAnyLimits()
{
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    QFETCH(double, value);
    const int tickLimit = 300;
    for (const bool inverted : {false, true}) {
        ThermometerGauge thermometer;
        thermometer.resize(ThermometerSize);
        thermometer.setMajorStep(inverted ? 1.0 : 20.0);
        thermometer.setLimits(inverted ? maximum : minimum, inverted ? minimum : maximum);
        thermometer.setValue(value);
        QVERIFY(RenderMilliseconds(thermometer) < 500);
        const QwtScaleDiv& div = thermometer.scaleDiv();
        QVERIFY(div.lowerBound() != div.upperBound());
        QVERIFY(div.ticks(QwtScaleDiv::MajorTick).size() < tickLimit);
        QVERIFY(div.ticks(QwtScaleDiv::MinorTick).size() < tickLimit);
        QVERIFY(thermometer.markerPosition() >= 0);
    }
    DialGauge dial;
    dial.resize(DialSize);
    dial.setRange(minimum, maximum);
    dial.setValue(value);
    dial.setCaption(QStringLiteral("STN1.WIND SPEED (m/s)"));
    QVERIFY(RenderMilliseconds(dial) < 500);
    QVERIFY(dial.scaleDiv().lowerBound() < dial.scaleDiv().upperBound());
    QVERIFY(dial.scaleDiv().ticks(QwtScaleDiv::MajorTick).size() < tickLimit);
    QVERIFY(dial.scaleDiv().ticks(QwtScaleDiv::MinorTick).size() < tickLimit);
    QVERIFY(std::isfinite(dial.needleValue()));
}

QTEST_MAIN(TestGauges)
#include "test_gauges.moc"
