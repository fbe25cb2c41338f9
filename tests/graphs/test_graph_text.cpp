// The number and date-time texts of the graphs, and the series title.

#include "core/db/station_queries.h"
#include "core/graphs/graph_export.h"
#include "core/graphs/graph_text.h"
#include "support/format_scan.h"
#include "text_literal.h"

#include <QtTest>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

using namespace orvela;
using orvela::test::operator""_q;

class TestGraphText : public QObject
{
    Q_OBJECT

private slots:
    void valueTexts_data();
    void valueTexts();
    void localeDecimalPoint();
    void timeTexts_data();
    void timeTexts();
    void seriesTitle_data();
    void seriesTitle();
    void cursorPair_data();
    void cursorPair();
    void gapReadOut();
    void csvValues_data();
    void csvValues();
    void csvTimes();
};

void TestGraphText::valueTexts_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("axis");    // "###0.00"
    QTest::addColumn<QString>("readOut"); // "#.00"
    QTest::newRow("12.5") << 12.5 << "12.50"_q
                          << "12.50"_q;
    QTest::newRow("12.3") << 12.3 << "12.30"_q
                          << "12.30"_q;
    QTest::newRow("0.5 drops the zero in the read-out") << 0.5 << "0.50"_q
                                                        << ".50"_q;
    QTest::newRow("-0.5") << -0.5 << "-0.50"_q
                          << "-.50"_q;
    QTest::newRow("1234.567 rounds up") << 1234.567 << "1234.57"_q
                                        << "1234.57"_q;
    QTest::newRow("no group separator") << 1234567.0 << "1234567.00"_q
                                        << "1234567.00"_q;
    QTest::newRow("zero") << 0.0 << "0.00"_q
                          << ".00"_q;
    QTest::newRow("a tie goes away from zero") << 0.125 << "0.13"_q
                                               << ".13"_q;
    QTest::newRow("a negative tie too") << -2.675 << "-2.68"_q
                                        << "-2.68"_q;
    QTest::newRow("judged on 15 digits") << 1.005 << "1.01"_q
                                         << "1.01"_q;
    QTest::newRow("rounds over to the next unit") << 9.999 << "10.00"_q
                                                  << "10.00"_q;
    QTest::newRow("0.995 reaches one") << 0.995 << "1.00"_q
                                       << "1.00"_q;
    QTest::newRow("a small negative shows no sign") << -0.004 << "0.00"_q
                                                    << ".00"_q;
    QTest::newRow("below the last place") << 1e-9 << "0.00"_q
                                          << ".00"_q;
    QTest::newRow("large") << 1.5e20 << "150000000000000000000.00"_q
                           << "150000000000000000000.00"_q;
}

void TestGraphText::valueTexts()
{
    QFETCH(double, value);
    QFETCH(QString, axis);
    QFETCH(QString, readOut);
    QCOMPARE(AxisValueText(value, QLocale::c()), axis);
    QCOMPARE(ReadOutValueText(value, QLocale::c()), readOut);
}

void TestGraphText::localeDecimalPoint()
{
    const QLocale german(QLocale::German, QLocale::Germany);
    QCOMPARE(AxisValueText(1234.5, german), "1234,50"_q);
    QCOMPARE(ReadOutValueText(-0.25, german), "-,25"_q);
    QCOMPARE(AxisValueText(std::numeric_limits<double>::quiet_NaN(), QLocale::c()), "nan"_q);
}

void TestGraphText::timeTexts_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("axis");
    QTest::addColumn<QString>("readOut");
    QTest::newRow("5 March 2004 14:20:00")
        << CivilToDateTime(2004, 3, 5, 14, 20, 0) << "05/03 14:20"_q
        << "05/03/2004 14:20:00"_q;
    QTest::newRow("a rounding error below a whole minute")
        << CivilToDateTime(2005, 3, 2, 9, 0, 0) - 1e-10 << "02/03 09:00"_q
        << "02/03/2005 09:00:00"_q;
    QTest::newRow("seconds round to the nearest")
        << CivilToDateTime(2005, 12, 31, 23, 59, 59) + 0.6 / 86400.0 << "01/01 00:00"_q
        << "01/01/2006 00:00:00"_q;
    QTest::newRow("the station epoch") << StationEpochDateTime << "31/12 00:00"_q
                                       << "31/12/1984 00:00:00"_q;
    QTest::newRow("not a date") << std::numeric_limits<double>::infinity() << QString()
                                << QString();
}

void TestGraphText::timeTexts()
{
    QFETCH(double, value);
    QFETCH(QString, axis);
    QFETCH(QString, readOut);
    QCOMPARE(AxisTimeText(value), axis);
    QCOMPARE(ReadOutTimeText(value), readOut);
    InitDateTimeTemplates({u'-', u'.'});
    const QString dashed = ReadOutTimeText(value);
    InitDateTimeTemplates({});
    QString expected = readOut;
    expected.replace(QLatin1Char('/'), QLatin1Char('-'))
        .replace(QLatin1Char(':'), QLatin1Char('.'));
    QCOMPARE(dashed, expected);
}

void TestGraphText::seriesTitle_data()
{
    QTest::addColumn<QString>("station");
    QTest::addColumn<QString>("sensor");
    QTest::addColumn<QString>("title");
    QTest::newRow("plain") << "STN1"_q
                           << "AIR TEMP"_q
                           << "STN1.AIR TEMP"_q;
    QTest::newRow("blanks and controls trimmed") << " \t STN1\r\n"_q
                                                 << "RAIN"_q
                                                 << "STN1.RAIN"_q;
    QTest::newRow("inner blanks stay") << " ST N1 "_q
                                       << "RAIN"_q
                                       << "ST N1.RAIN"_q;
    QTest::newRow("a dot stays") << "ST.N1"_q
                                 << "RAIN"_q
                                 << "ST.N1.RAIN"_q;
    QTest::newRow("the sensor is not trimmed") << "STN1"_q
                                               << " RAIN"_q
                                               << "STN1. RAIN"_q;
    QTest::newRow("empty") << "   "_q << QString() << "."_q;
}

void TestGraphText::seriesTitle()
{
    QFETCH(QString, station);
    QFETCH(QString, sensor);
    QFETCH(QString, title);
    QCOMPARE(SeriesTitle(station, sensor), title);
}

void TestGraphText::cursorPair_data()
{
    QTest::addColumn<double>("timeA");
    QTest::addColumn<double>("valueA");
    QTest::addColumn<double>("timeB");
    QTest::addColumn<double>("valueB");
    QTest::addColumn<QString>("text");
    const double at1420 = CivilToDateTime(2004, 3, 5, 14, 20, 0);
    const double at1620 = CivilToDateTime(2004, 3, 5, 16, 20, 0);
    QTest::newRow("rising over two hours")
        << at1420 << 12.5 << at1620 << 13.5
        << "05/03/2004 14:20:00, 12.50 to 05/03/2004 16:20:00, 13.50\n"
           "Δt 2:00:00, Δ +1.00, +.50 per hour"_q;
    QTest::newRow("the earlier reading comes first whichever cursor holds it")
        << at1620 << 13.5 << at1420 << 12.5
        << "05/03/2004 14:20:00, 12.50 to 05/03/2004 16:20:00, 13.50\n"
           "Δt 2:00:00, Δ +1.00, +.50 per hour"_q;
    QTest::newRow("falling across days")
        << at1420 << 3.0 << CivilToDateTime(2004, 3, 7, 15, 21, 5) << -.75
        << "05/03/2004 14:20:00, 3.00 to 07/03/2004 15:21:05, -.75\n"
           "Δt 2 d 01:01:05, Δ -3.75, -.08 per hour"_q;
    QTest::newRow("one time has no change per hour")
        << at1420 << 1.0 << at1420 << 1.0
        << "05/03/2004 14:20:00, 1.00 to 05/03/2004 14:20:00, 1.00\n"
           "Δt 0:00:00, Δ .00"_q;
    QTest::newRow("a change that rounds to nothing carries no sign")
        << at1420 << 1.0 << at1620 << 1.001
        << "05/03/2004 14:20:00, 1.00 to 05/03/2004 16:20:00, 1.00\n"
           "Δt 2:00:00, Δ .00, .00 per hour"_q;
}

// Two cursors: both readings in time order, then time between, change and change per hour.
void TestGraphText::cursorPair()
{
    QFETCH(double, timeA);
    QFETCH(double, valueA);
    QFETCH(double, timeB);
    QFETCH(double, valueB);
    QFETCH(QString, text);
    QCOMPARE(CursorPairText(timeA, valueA, timeB, valueB, QLocale::c()), text);
}

void TestGraphText::gapReadOut()
{
    const double from = CivilToDateTime(2005, 3, 2, 10, 30, 0);
    const double to = CivilToDateTime(2005, 3, 2, 14, 0, 0);
    const double none = std::numeric_limits<double>::quiet_NaN();
    QCOMPARE(GapReadOutText(from, to),
             "No readings from 02/03/2005 10:30:00 to 02/03/2005 14:00:00"_q);
    QCOMPARE(GapReadOutText(none, to), "No readings before 02/03/2005 14:00:00"_q);
    QCOMPARE(GapReadOutText(from, none), "No readings after 02/03/2005 10:30:00"_q);
}

void TestGraphText::csvValues_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("12.5") << 12.5 << "12.5"_q;
    QTest::newRow("a whole number") << 100000.0 << "100000"_q;
    QTest::newRow("0.1 + 0.2 keeps its last bit") << 0.1 + 0.2 << "0.30000000000000004"_q;
    QTest::newRow("a third") << -1.0 / 3.0 << "-0.3333333333333333"_q;
    QTest::newRow("single precision widened")
        << static_cast<double>(12.3f) << "12.300000190734863"_q;
    QTest::newRow("small, still plain") << 1e-7 << "0.0000001"_q;
    QTest::newRow("tiny") << 1e-300 << "1e-300"_q;
    QTest::newRow("the smallest") << std::numeric_limits<double>::denorm_min() << "5e-324"_q;
    QTest::newRow("the largest") << std::numeric_limits<double>::max()
                                 << "1.7976931348623157e+308"_q;
    QTest::newRow("negative zero") << -0.0 << "-0"_q;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << QString();
}

// Whatever the locale, a "." and the fewest digits that read back as the very same double.
void TestGraphText::csvValues()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    const QByteArray written = CsvValueText(value);
    QCOMPARE(QString::fromLatin1(written), text);
    if (!std::isnan(value)) {
        const double back = std::strtod(written.constData(), nullptr);
        QVERIFY(std::memcmp(&back, &value, sizeof value) == 0);
    }
}

void TestGraphText::csvTimes()
{
    QCOMPARE(CsvTimeText(CivilToDateTime(2005, 3, 2, 9, 5, 7)), QByteArray("2005-03-02T09:05:07"));
    QCOMPARE(CsvTimeText(std::numeric_limits<double>::infinity()), QByteArray());
}

QTEST_APPLESS_MAIN(TestGraphText)
#include "test_graph_text.moc"
