// The number and date-time texts of the graphs, and the series title.

#include "db/station_queries.h"
#include "graphs/graph_text.h"
#include "support/format_scan.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace orvela;

namespace {
QString operator""_q(const char* text, std::size_t size)
{
    return QString::fromUtf8(text, static_cast<int>(size));
}
} // namespace

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

QTEST_APPLESS_MAIN(TestGraphText)
#include "test_graph_text.moc"
