// The number forms of the live displays and the tick layout of the gauges.

#include "core/live/gauge_scale.h"
#include "core/live/value_text.h"

#include <QtTest>

#include <cmath>
#include <cstring>
#include <limits>

using namespace orvela;

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();

} // namespace

class TestValueText : public QObject
{
    Q_OBJECT

private slots:
    void valueText_data();
    void valueText();
    void parse_data();
    void parse();
    void drawnInterval_data();
    void drawnInterval();
    void ticksFitPixels_data();
    void ticksFitPixels();
    void tickSteps_data();
    void tickSteps();
};

void TestValueText::valueText_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("decimals"); // 1: gauges, 0: wind
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");
    const QLocale c = QLocale::c();
    const QLocale german(QLocale::German, QLocale::Germany);
    QTest::newRow("21.46 rounds up") << c << 1 << 21.46f << "21.5";
    QTest::newRow("12.345 keeps one decimal") << c << 1 << 12.345f << "12.3";
    QTest::newRow("zero") << c << 1 << 0.0f << "0.0";
    QTest::newRow("negative whole") << c << 1 << -30.0f << "-30.0";
    QTest::newRow("tie judged on seven digits") << c << 1 << 0.35f << "0.4";
    QTest::newRow("negative tie away from zero") << c << 1 << -0.25f << "-0.3";
    QTest::newRow("negative rounding to zero is unsigned") << c << 1 << -0.04f << "0.0";
    QTest::newRow("seven digits are fewer than one decimal") << c << 1 << 1234567.8f << "1234568.0";
    QTest::newRow("eight digits scientific") << c << 1 << 12345678.0f << "1.234568e+07";
    QTest::newRow("nine digits negative") << c << 1 << -987654321.0f << "-9.876543e+08";
    QTest::newRow("largest float") << c << 1 << std::numeric_limits<float>::max() << "3.402823e+38";
    QTest::newRow("not a number") << c << 1 << std::numeric_limits<float>::quiet_NaN() << "nan";
    QTest::newRow("comma decimal") << german << 1 << 21.46f << "21,5";
    QTest::newRow("no group separator") << german << 1 << -1234567.0f << "-1234567,0";
    QTest::newRow("scientific with comma") << german << 1 << 123456789.0f << "1,234568e+08";
    QTest::newRow("wind 245.6") << c << 0 << 245.6f << "246";
    QTest::newRow("wind half away from zero") << c << 0 << 22.5f << "23";
    QTest::newRow("wind as read beyond a turn") << c << 0 << 370.0f << "370";
    QTest::newRow("wind small negative") << c << 0 << -0.4f << "0";
}

void TestValueText::valueText()
{
    QFETCH(QLocale, locale);
    QFETCH(int, decimals);
    QFETCH(float, value);
    QFETCH(QString, text);
    QCOMPARE(decimals == 1 ? GaugeValueText(value, locale) : WindValueText(value, locale), text);
}

void TestValueText::parse_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<float>("value");
    const QLocale c = QLocale::c();
    QTest::newRow("0.1 is the nearest float") << c << "0.1" << true << static_cast<float>(0.1);
    QTest::newRow("blanks around") << c << " -5 " << true << -5.0f;
    QTest::newRow("scientific as shown") << c << "1.000000e+09" << true << 1e9f;
    QTest::newRow("comma decimal")
        << QLocale(QLocale::German, QLocale::Germany) << "0,1" << true << 0.1f;
    QTest::newRow("German group separator")
        << QLocale(QLocale::German, QLocale::Germany) << "1.500" << false << 0.0f;
    QTest::newRow("English group separator")
        << QLocale(QLocale::English, QLocale::UnitedStates) << "1,000.5" << false << 0.0f;
    QTest::newRow("letters") << c << "abc" << false << 0.0f;
    QTest::newRow("empty") << c << "" << false << 0.0f;
    QTest::newRow("number then letters") << c << "12abc" << false << 0.0f;
    QTest::newRow("beyond the float range") << c << "1e39" << false << 0.0f;
    QTest::newRow("infinity") << c << "inf" << false << 0.0f;
    QTest::newRow("not a number") << c << "nan" << false << 0.0f;
}

void TestValueText::parse()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(float, value);
    float parsed = -1.0f;
    QCOMPARE(ParseFloatText(text, locale, parsed), ok);
    const float expected = ok ? value : -1.0f; // untouched when refused
    QCOMPARE(std::memcmp(&parsed, &expected, sizeof parsed), 0);
}

void TestValueText::drawnInterval_data()
{
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("end");
    QTest::newRow("ordinary") << 0.0 << 100.0 << 0.0 << 100.0;
    QTest::newRow("inverted keeps its order") << 60.0 << -30.0 << 60.0 << -30.0;
    QTest::newRow("equal zero") << 0.0 << 0.0 << -1.0 << 1.0;
    QTest::newRow("equal fifty") << 50.0 << 50.0 << 45.0 << 55.0;
    QTest::newRow("equal huge") << 1e9 << 1e9 << 0.9e9 << 1.1e9;
    QTest::newRow("minimum not a number") << NaN << 10.0 << 9.0 << 11.0;
    QTest::newRow("neither finite") << -Inf << NaN << -1.0 << 1.0;
    QTest::newRow("beyond 1e300") << -1e308 << 1e308 << -1e300 << 1e300;
    QTest::newRow("equal at the edge") << 1e308 << 1e308 << 0.9e300 << 1e300;
}

void TestValueText::drawnInterval()
{
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    QFETCH(double, start);
    QFETCH(double, end);
    const DrawnInterval drawn = DrawnIntervalFor(minimum, maximum);
    QCOMPARE(drawn.start, start);
    QCOMPARE(drawn.end, end);
}

void TestValueText::ticksFitPixels_data()
{
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<double>("preferredStep");
    QTest::addColumn<double>("pixels");
    QTest::newRow("0 to 1e9, step 20") << 0.0 << 1e9 << 20.0 << 250.0;
    QTest::newRow("1e9 to 0, step 1") << 1e9 << 0.0 << 1.0 << 250.0;
    QTest::newRow("whole double range") << -1e300 << 1e300 << 20.0 << 250.0;
    QTest::newRow("zero span") << 0.0 << 0.0 << 20.0 << 250.0;
    QTest::newRow("span below the doubles' precision") << 1e17 << 1e17 + 16.0 << 1.0 << 250.0;
    QTest::newRow("automatic step") << -3.0 << 1e12 << 0.0 << 470.0;
    QTest::newRow("no pixels") << 0.0 << 100.0 << 1.0 << 0.0;
    QTest::newRow("pixels not a number") << 0.0 << 100.0 << 1.0 << NaN;
    QTest::newRow("tiny preferred step") << 0.0 << 1e300 << 1e-300 << 250.0;
}

// Whatever the limits, ticks keep their distances in pixels, so their number is bounded.
void TestValueText::ticksFitPixels()
{
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    QFETCH(double, preferredStep);
    QFETCH(double, pixels);
    GaugeTickRules rules;
    rules.preferredStep = preferredStep;
    rules.pixelSpan = pixels;
    rules.majorSpacing = 17.0;
    rules.minorSpacing = 3.0;
    const DrawnInterval drawn = DrawnIntervalFor(minimum, maximum);
    const GaugeTicks ticks = LayoutGaugeTicks(drawn, rules);

    const double usable = std::isfinite(pixels) ? pixels : 0.0;
    const double perUnit = usable / (drawn.high() - drawn.low());
    QVERIFY(ticks.major.size() <= static_cast<std::size_t>(usable / 17.0) + 2);
    QVERIFY(ticks.minor.size() <= static_cast<std::size_t>(usable / 3.0) + 2);
    for (const auto& [list, spacing] : {std::pair{&ticks.major, 17.0}, {&ticks.minor, 3.0}}) {
        for (std::size_t i = 0; i < list->size(); ++i) {
            QVERIFY(list->at(i) >= drawn.low() && list->at(i) <= drawn.high());
            if (i > 0 && usable > 0.0)
                QVERIFY((list->at(i) - list->at(i - 1)) * perUnit >= spacing * (1 - 1e-9));
        }
    }
}

void TestValueText::tickSteps_data()
{
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<double>("preferredStep");
    QTest::addColumn<double>("smallestStep");
    QTest::addColumn<double>("pixels");
    QTest::addColumn<QList<double>>("major");
    QTest::addColumn<double>("minorStep");
    QTest::newRow("step 20, four minor ticks between")
        << -30.0 << 60.0 << 20.0 << 0.0 << 230.0 << QList<double>{-20, 0, 20, 40, 60} << 4.0;
    QTest::newRow("step 1") << 0.0 << 10.0 << 1.0 << 0.0 << 230.0
                            << QList<double>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10} << 0.2;
    QTest::newRow("inverted limits")
        << 60.0 << -30.0 << 20.0 << 0.0 << 230.0 << QList<double>{-20, 0, 20, 40, 60} << 4.0;
    QTest::newRow("step grows to fit the labels")
        << 0.0 << 100.0 << 1.0 << 0.0 << 200.0
        << QList<double>{0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100} << 2.0;
    QTest::newRow("step grows in 1-2-5 multiples of the preferred one")
        << 0.0 << 100.0 << 20.0 << 0.0 << 60.0 << QList<double>{0, 40, 80} << 8.0;
    QTest::newRow("preferred step coarser than the scale")
        << 0.0 << 5.0 << 20.0 << 0.0 << 230.0 << QList<double>{0, 2, 4} << 0.4;
    QTest::newRow("narrow scale of equal limits")
        << 0.0 << 0.0 << 20.0 << 0.0 << 230.0 << QList<double>{-1, -0.5, 0, 0.5, 1} << 0.1;
    QTest::newRow("automatic step for a dial")
        << 0.0 << 100.0 << 0.0 << 0.1 << 170.0 << QList<double>{0, 20, 40, 60, 80, 100} << 4.0;
    QTest::newRow("two labels are too few: a finer step gives five")
        << -10.0 << 35.0 << 20.0 << 0.0 << 230.0 << QList<double>{-10, 0, 10, 20, 30} << 2.0;
    QTest::newRow("no finer step fits: the ends are labelled")
        << -10.0 << 35.0 << 20.0 << 0.0 << 30.0 << QList<double>{-10, 35} << 10.0;
    QTest::newRow("one decimal labels need a step of 0.1")
        << 0.0 << 0.05 << 0.0 << 0.1 << 470.0 << QList<double>{0} << 0.02;
}

void TestValueText::tickSteps()
{
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    QFETCH(double, preferredStep);
    QFETCH(double, smallestStep);
    QFETCH(double, pixels);
    QFETCH(QList<double>, major);
    QFETCH(double, minorStep);
    GaugeTickRules rules;
    rules.preferredStep = preferredStep;
    rules.smallestStep = smallestStep;
    rules.pixelSpan = pixels;
    rules.majorSpacing = 19.0;
    rules.minorSpacing = 3.0;
    const GaugeTicks ticks = LayoutGaugeTicks(DrawnIntervalFor(minimum, maximum), rules);
    QCOMPARE(QList<double>(ticks.major.begin(), ticks.major.end()), major);
    QVERIFY(!ticks.minor.empty());
    for (const double tick : ticks.minor) {
        const double steps = tick / minorStep;
        QVERIFY2(std::fabs(steps - std::round(steps)) < 1e-6, qPrintable(QString::number(tick)));
        QVERIFY(!major.contains(tick));
    }
}

QTEST_GUILESS_MAIN(TestValueText)
#include "test_value_text.moc"
