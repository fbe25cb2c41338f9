// Calendar arithmetic on station time stamps, checked against dates worked out by hand and
// against the edges of the 32-bit range.

#include "support/station_time.h"

#include <QTest>

#include <cfenv>
#include <cmath>
#include <limits>

using namespace orvela;

Q_DECLARE_METATYPE(orvela::CivilTime)

namespace {

QString show(const CivilTime& t)
{
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                             t.minute, t.second);
}

} // namespace

class TestStationTime : public QObject
{
    Q_OBJECT

private slots:
    void dateTimeToStationTime_data()
    {
        QTest::addColumn<double>("dateTime");
        QTest::addColumn<int>("expected");
        QTest::newRow("epoch") << 31047.0 << 0;
        QTest::newRow("one day later") << 31048.0 << 86400;
        // 1/256 of a day is exactly 337.5 seconds, 3/256 exactly 1012.5.
        QTest::newRow("exact half rounds to even (up)") << 31047.0 + 1.0 / 256.0 << 338;
        QTest::newRow("exact half rounds to even (down)") << 31047.0 + 3.0 / 256.0 << 1012;
        QTest::newRow("negative exact half rounds to even (away)") << 31047.0 - 1.0 / 256.0 << -338;
        QTest::newRow("negative exact half rounds to even (toward)")
            << 31047.0 - 3.0 / 256.0 << -1012;
        QTest::newRow("before the epoch") << 31046.0 << -86400;
        QTest::newRow("2005-03-01 12:00:00") << 38412.5 << 636379200;
        QTest::newRow("last representable second")
            << 31047.0 + 2147483647.0 / 86400.0 << 2147483647;
        QTest::newRow("one past wraps to the most negative")
            << 31047.0 + 2147483648.0 / 86400.0 << std::numeric_limits<int>::min();
        QTest::newRow("2^32 seconds wraps to 0") << 31047.0 + 4294967296.0 / 86400.0 << 0;
        QTest::newRow("2^32 + 5 seconds wraps to 5") << 31047.0 + 4294967301.0 / 86400.0 << 5;
        QTest::newRow("one below the most negative wraps to the most positive")
            << 31047.0 - 2147483649.0 / 86400.0 << std::numeric_limits<int>::max();
        QTest::newRow("not a number gives 0") << std::nan("") << 0;
        QTest::newRow("infinity gives 0") << std::numeric_limits<double>::infinity() << 0;
        QTest::newRow("huge gives its low 32 bits") << 1e300 << 0;
    }

    void dateTimeToStationTime()
    {
        QFETCH(double, dateTime);
        QFETCH(int, expected);
        QCOMPARE(DateTimeToStationTime(dateTime), expected);
    }

    // The conversion must not follow whatever rounding mode the floating-point unit is in.
    void dateTimeRoundingIgnoresRoundingMode_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("upward") << FE_UPWARD;
        QTest::newRow("downward") << FE_DOWNWARD;
        QTest::newRow("toward zero") << FE_TOWARDZERO;
    }

    void dateTimeRoundingIgnoresRoundingMode()
    {
        QFETCH(int, mode);
        std::fesetround(mode);
        const StationTime up = DateTimeToStationTime(31047.0 + 1.0 / 256.0);
        const StationTime down = DateTimeToStationTime(31047.0 + 3.0 / 256.0);
        const StationTime negative = DateTimeToStationTime(31047.0 - 3.0 / 256.0);
        const StationTime quarter = DateTimeToStationTime(31047.0 + 1.0 / 512.0); // 168.75 s
        std::fesetround(FE_TONEAREST);
        QCOMPARE(up, 338);
        QCOMPARE(down, 1012);
        QCOMPARE(negative, -1012);
        QCOMPARE(quarter, 169);
    }

    void dateTimeRoundTrip()
    {
        for (const StationTime t :
             {0, 1, 59, 86399, 636379200, 2147483647, -1, std::numeric_limits<std::int32_t>::min()})
            QCOMPARE(DateTimeToStationTime(StationTimeToDateTime(t)), t);
        QCOMPARE(StationTimeToDateTime(0), 31047.0);
        QCOMPARE(StationTimeToDateTime(43200), 31047.5);
    }

    void encodeStationDay_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("expected");
        QTest::newRow("1984-12-31 is day 0") << 1984 << 12 << 31 << 0;
        QTest::newRow("any date before 1985 is day 0") << 1970 << 5 << 5 << 0;
        QTest::newRow("1985-01-01") << 1985 << 1 << 1 << 1;
        QTest::newRow("1986-01-01") << 1986 << 1 << 1 << 366;
        QTest::newRow("1989-01-01 after a leap year") << 1989 << 1 << 1 << 1462;
        QTest::newRow("2000-01-01") << 2000 << 1 << 1 << 5479;
        QTest::newRow("day 0 of March 2000 is 29 February") << 2000 << 3 << 0 << 5538;
        QTest::newRow("29 February 2000") << 2000 << 2 << 29 << 5538;
        QTest::newRow("30 February 2000 is 1 March") << 2000 << 2 << 30 << 5539;
        QTest::newRow("month 0 counts as January") << 2000 << 0 << 10 << 5488;
        QTest::newRow("month 13 is next January") << 1999 << 13 << 5 << 5483;
        QTest::newRow("month 26 of 1998 is February 2000") << 1998 << 26 << 1 << 5510;
        QTest::newRow("1900 is no leap year: March counts 59") << 1985 << 3 << 1 << 60;
        QTest::newRow("2053-01-18, last day of the range") << 2053 << 1 << 18 << 24855;
        QTest::newRow("beyond 16 bits wraps") << 2164 << 6 << 6 << 0;
        QTest::newRow("negative month counts as January") << 2000 << -7 << 10 << 5488;
        QTest::newRow("huge month folds without looping") << 1985 << 2147483647 << 1 << 34017;
        QTest::newRow("negative day wraps in 16 bits") << 1985 << 1 << -5 << 65531;
    }

    void encodeStationDay()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(int, expected);
        QCOMPARE(int{EncodeStationDay(year, month, day)}, expected);
    }

    // Months above 13 fold into years as repeated subtraction of 12 would, without looping.
    void monthFoldMatchesRepeatedSubtraction()
    {
        for (int month = 14; month <= 2000; ++month) {
            int y = 1990;
            int m = month;
            while (m > 13) {
                m -= 12;
                ++y;
            }
            const QByteArray row = QByteArray::number(month);
            QVERIFY2(EncodeStationDay(1990, month, 17) == EncodeStationDay(y, m, 17), row);
            QVERIFY2(DayOfWeek(1990, month, 17) == DayOfWeek(y, m, 17), row);
        }
        // Month 25 folds once, to 13, which stays: January of the year after.
        QCOMPARE(int{EncodeStationDay(1999, 25, 5)}, int{EncodeStationDay(2001, 1, 5)});
    }

    void decodeStationDay()
    {
        QCOMPARE(DecodeStationDay(0), (CivilDate{1984, 12, 31}));
        QCOMPARE(DecodeStationDay(1), (CivilDate{1985, 1, 1}));
        QCOMPARE(DecodeStationDay(5538), (CivilDate{2000, 2, 29}));
        QCOMPARE(DecodeStationDay(24855), (CivilDate{2053, 1, 18}));
        QCOMPARE(DecodeStationDay(24856), (CivilDate{2053, 1, 19}));
        // Beyond the last station time stamp the count still decodes to its date.
        QCOMPARE(DecodeStationDay(65535), (CivilDate{2164, 6, 5}));
        // Every day of the range round-trips through the encoder.
        for (int n = 1; n <= 65535; ++n) {
            const CivilDate d = DecodeStationDay(static_cast<StationDay>(n));
            QVERIFY2(EncodeStationDay(d.year, d.month, d.day) == n, qPrintable(QString::number(n)));
        }
    }

    void timeOfDay_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("hours");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<int>("secs");
        QTest::newRow("midnight") << 0 << 0 << 0 << 0;
        QTest::newRow("hours are not reduced") << 100000 << 27 << 46 << 40;
        QTest::newRow("negative truncates toward zero") << -3661 << -1 << -1 << -1;
        QTest::newRow("most negative") << std::numeric_limits<int>::min() << -596523 << -14 << -8;
    }

    void timeOfDay()
    {
        QFETCH(int, seconds);
        QFETCH(int, hours);
        QFETCH(int, minutes);
        QFETCH(int, secs);
        QCOMPARE(DecodeTimeOfDay(seconds), (ClockTime{hours, minutes, secs}));
        QCOMPARE(EncodeTimeOfDay(hours, minutes, secs), seconds);
    }

    void encodeTimeOfDayWraps()
    {
        QCOMPARE(EncodeTimeOfDay(596524, 0, 0), std::int32_t(-2147480896));
        QCOMPARE(EncodeTimeOfDay(0, 0, std::numeric_limits<int>::max()),
                 std::numeric_limits<int>::max());
        QCOMPARE(EncodeTimeOfDay(0, 1, std::numeric_limits<int>::max()), std::int32_t(-2147483589));
    }

    void encodeDecodeStationTime_data()
    {
        QTest::addColumn<CivilTime>("fields");
        QTest::addColumn<int>("stamp");
        QTest::newRow("1985-01-01 00:00:00") << CivilTime{1985, 1, 1, 0, 0, 0} << 86400;
        QTest::newRow("2005-03-01 12:00:00") << CivilTime{2005, 3, 1, 12, 0, 0} << 636379200;
        QTest::newRow("last second of the range") << CivilTime{2053, 1, 18, 3, 14, 7} << 2147483647;
        QTest::newRow("epoch") << CivilTime{1984, 12, 31, 0, 0, 0} << 0;
    }

    void encodeDecodeStationTime()
    {
        QFETCH(CivilTime, fields);
        QFETCH(int, stamp);
        QCOMPARE(EncodeStationTime(fields), stamp);
        QCOMPARE(show(DecodeStationTime(stamp)), show(fields));
    }

    void encodeOutsideTheModel()
    {
        // Before 1985 only the time of day counts.
        QCOMPARE(EncodeStationTime(1984, 6, 1, 12, 0, 0), 43200);
        // A second past the range wraps to the most negative count.
        QCOMPARE(EncodeStationTime(2053, 1, 18, 3, 14, 8), std::numeric_limits<int>::min());
        QCOMPARE(EncodeStationTime(2100, 1, 1, 0, 0, 0),
                 static_cast<std::int32_t>(
                     static_cast<std::uint32_t>(EncodeStationDay(2100, 1, 1)) * 86400u));
    }

    void decodeNegativeStationTime()
    {
        QCOMPARE(show(DecodeStationTime(-1)), QStringLiteral("1984-12-30 23:59:59"));
        QCOMPARE(show(DecodeStationTime(-86400)), QStringLiteral("1984-12-30 00:00:00"));
        QCOMPARE(show(DecodeStationTime(std::numeric_limits<int>::min())),
                 QStringLiteral("1916-12-12 20:45:52"));
    }

    void offset_data()
    {
        QTest::addColumn<CivilTime>("at");
        QTest::addColumn<CivilTime>("by");
        QTest::addColumn<QString>("expected");
        const CivilTime jan2005{2005, 1, 15, 10, 0, 0};
        QTest::newRow("-12 months")
            << jan2005 << CivilTime{0, -12, 0, 0, 0, 0} << "2004-01-15 10:00:00";
        QTest::newRow("-13 months")
            << jan2005 << CivilTime{0, -13, 0, 0, 0, 0} << "2003-12-15 10:00:00";
        QTest::newRow("-25 months")
            << jan2005 << CivilTime{0, -25, 0, 0, 0, 0} << "2002-12-15 10:00:00";
        QTest::newRow("March plus 11 months")
            << CivilTime{2005, 3, 1, 0, 0, 0} << CivilTime{0, 11, 0, 0, 0, 0}
            << "2006-02-01 00:00:00";
        QTest::newRow("1 March 00:30 minus a day")
            << CivilTime{2005, 3, 1, 0, 30, 0} << CivilTime{0, 0, -1, 0, 0, 0}
            << "2005-02-28 00:30:00";
        QTest::newRow("1 March 03:10 minus six hours")
            << CivilTime{2005, 3, 1, 3, 10, 0} << CivilTime{0, 0, 0, -6, 0, 0}
            << "2005-02-28 21:10:00";
        QTest::newRow("31 January 2005 plus a month")
            << CivilTime{2005, 1, 31, 0, 0, 0} << CivilTime{0, 1, 0, 0, 0, 0}
            << "2005-03-03 00:00:00";
        QTest::newRow("31 January 2004 plus a month")
            << CivilTime{2004, 1, 31, 0, 0, 0} << CivilTime{0, 1, 0, 0, 0, 0}
            << "2004-03-02 00:00:00";
        QTest::newRow("ten days back at minute resolution")
            << CivilTime{2005, 3, 1, 14, 37, 0} << CivilTime{0, 0, -10, 0, 0, 0}
            << "2005-02-19 14:37:00";
        QTest::newRow("year sum past 2^31 wraps to before 1985")
            << CivilTime{2005, 6, 1, 12, 0, 0}
            << CivilTime{std::numeric_limits<int>::max(), 0, 0, 0, 0, 0} << "1984-12-31 12:00:00";
        QTest::newRow("month sum past 2^31 wraps to before 1985")
            << CivilTime{2005, 2, 1, 6, 0, 0}
            << CivilTime{0, std::numeric_limits<int>::max(), 0, 0, 0, 0} << "1984-12-31 06:00:00";
        QTest::newRow("hour offset wraps through 32 bits to minus an hour")
            << CivilTime{2005, 3, 2, 14, 0, 0}
            << CivilTime{0, 0, 0, std::numeric_limits<int>::max(), 0, 0} << "2005-03-02 13:00:00";
        QTest::newRow("before 1985 gives the time of day only")
            << CivilTime{1985, 1, 1, 6, 0, 0} << CivilTime{-1, 0, 0, 0, 0, 0}
            << "1984-12-31 06:00:00";
    }

    void offset()
    {
        QFETCH(CivilTime, at);
        QFETCH(CivilTime, by);
        QFETCH(QString, expected);
        QCOMPARE(show(DecodeStationTime(OffsetStationTime(at, by))), expected);
    }

    void offsetWithExtremeValuesIsDefined()
    {
        const int big = std::numeric_limits<int>::max();
        const int small = std::numeric_limits<int>::min();
        // Nothing overflows: the results are whatever the 32-bit wrapping gives.
        OffsetStationTime({big, big, big, big, big, big}, {big, big, big, big, big, big});
        OffsetStationTime({small, small, small, small, small, small},
                          {small, small, small, small, small, small});
        QCOMPARE(OffsetStationTime({2005, 1, 1, 0, 0, 0}, {0, small, 0, 0, 0, 0}), 0);
    }

    void dayOfWeek_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("expected");
        QTest::newRow("1985-01-01 Tuesday") << 1985 << 1 << 1 << 2;
        QTest::newRow("1984-12-31 Monday") << 1984 << 12 << 31 << 1;
        QTest::newRow("2005-03-02 Wednesday") << 2005 << 3 << 2 << 3;
        QTest::newRow("2005-03-06 Sunday") << 2005 << 3 << 6 << 7;
        QTest::newRow("2000-02-29 Tuesday") << 2000 << 2 << 29 << 2;
        QTest::newRow("1900-03-01 Thursday") << 1900 << 3 << 1 << 4;
        QTest::newRow("2053-01-18 Saturday") << 2053 << 1 << 18 << 6;
        // Dates that do not exist count on: 30 February 2005 is 2 March.
        QTest::newRow("30 February 2005 as 2 March") << 2005 << 2 << 30 << 3;
        QTest::newRow("month 13 as next January") << 2004 << 13 << 1 << 6;
        QTest::newRow("day 0 as the last of the month before") << 2005 << 3 << 0 << 1;
        QTest::newRow("day 40 of January as 9 February") << 2005 << 1 << 40 << 3;
        QTest::newRow("month 14 as February of the next year") << 2004 << 14 << 1 << 2;
        QTest::newRow("negative month as January") << 2005 << -4 << 1 << 6;
        QTest::newRow("year 0") << 0 << 1 << 1 << 6;
        QTest::newRow("negative year") << -1 << 12 << 31 << 5;
        QTest::newRow("extreme fields")
            << std::numeric_limits<int>::min() << std::numeric_limits<int>::max()
            << std::numeric_limits<int>::min() << -1;
    }

    void dayOfWeek()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(int, expected);
        const int weekday = DayOfWeek(year, month, day);
        if (expected < 0)
            QVERIFY(weekday >= 1 && weekday <= 7);
        else
            QCOMPARE(weekday, expected);
    }

    void clockReadsOnce()
    {
        // The clock steps over midnight between two readings: each result comes from a
        // single reading, never the new date with the old time of day.
        int readings = 0;
        SetLocalClock([&readings] {
            ++readings;
            return readings % 2 == 1 ? CivilTime{2005, 3, 1, 23, 59, 59}
                                     : CivilTime{2005, 3, 2, 0, 0, 0};
        });
        const StationTime first = StationTimeNow();
        const StationTime second = StationTimeNow();
        SetLocalClock({});
        QCOMPARE(show(DecodeStationTime(first)), QStringLiteral("2005-03-01 23:59:59"));
        QCOMPARE(show(DecodeStationTime(second)), QStringLiteral("2005-03-02 00:00:00"));
        QCOMPARE(readings, 2);
    }

    void eachClockFunctionReadsOnce()
    {
        int readings = 0;
        SetLocalClock([&readings] {
            ++readings;
            return CivilTime{2005, 3, 1, 23, 59, 59};
        });
        const std::int32_t time = TimeOfDayNow();
        const StationDay day = StationDayToday();
        SetLocalClock({});
        QCOMPARE(time, 86399);
        QCOMPARE(int{day}, 7365);
        QCOMPARE(readings, 2);
    }

    void civilFieldsAndDateTime_data()
    {
        QTest::addColumn<CivilTime>("fields");
        QTest::addColumn<double>("dateTime");
        QTest::newRow("day zero") << CivilTime{1899, 12, 30, 0, 0, 0} << 0.0;
        QTest::newRow("station epoch") << CivilTime{1984, 12, 31, 0, 0, 0} << 31047.0;
        QTest::newRow("leap day noon") << CivilTime{2000, 2, 29, 12, 0, 0} << 36585.5;
        // Linear, as DateTimeToStationTime counts: six hours before day zero.
        QTest::newRow("before day zero") << CivilTime{1899, 12, 29, 18, 0, 0} << -0.25;
        QTest::newRow("first year") << CivilTime{1, 1, 1, 0, 0, 0} << -693593.0;
        QTest::newRow("last second of 9999")
            << CivilTime{9999, 12, 31, 23, 59, 59} << 2958465.0 + 86399.0 / 86400.0;
    }

    void civilFieldsAndDateTime()
    {
        QFETCH(CivilTime, fields);
        QFETCH(double, dateTime);
        const CivilTime& f = fields;
        QCOMPARE(CivilToDateTime(f.year, f.month, f.day, f.hour, f.minute, f.second), dateTime);
        CivilTime back;
        QVERIFY(DateTimeToCivil(dateTime, back));
        QCOMPARE(back, fields);
    }

    // A month outside 1 to 12 moves whole years; a day past the month's end runs on.
    void civilToDateTimeFoldsMonthsAndDays()
    {
        const DateTime first2000 = CivilToDateTime(2000, 1, 1, 0, 0, 0);
        QCOMPARE(CivilToDateTime(2001, -11, 1, 0, 0, 0), first2000);
        QCOMPARE(CivilToDateTime(2000, 0, 1, 0, 0, 0), CivilToDateTime(1999, 12, 1, 0, 0, 0));
        QCOMPARE(CivilToDateTime(1999, 13, 1, 0, 0, 0), first2000);
        QCOMPARE(CivilToDateTime(1999, 12, 32, 0, 0, 0), first2000);
        QCOMPARE(CivilToDateTime(1999, 25, 1, 0, 0, 0), CivilToDateTime(2001, 1, 1, 0, 0, 0));
    }

    void dateTimeToCivilRoundsAndRefuses()
    {
        CivilTime at;
        const double noon = 36585.5;
        QVERIFY(DateTimeToCivil(noon + 0.4 / 86400.0, at));
        QCOMPARE(at.second, 0);
        QVERIFY(DateTimeToCivil(noon + 0.6 / 86400.0, at));
        QCOMPARE(at.second, 1);
        QVERIFY(DateTimeToCivil(noon - 0.6 / 86400.0, at));
        QCOMPARE(at, (CivilTime{2000, 2, 29, 11, 59, 59}));
        QVERIFY(!DateTimeToCivil(2958466.0, at)); // 10000-01-01
        QVERIFY(!DateTimeToCivil(std::numeric_limits<double>::quiet_NaN(), at));
        QVERIFY(!DateTimeToCivil(-std::numeric_limits<double>::infinity(), at));
    }

    void clockParts()
    {
        SetLocalClock([] { return CivilTime{2005, 3, 1, 12, 0, 5}; });
        QCOMPARE(TimeOfDayNow(), 43205);
        QCOMPARE(int{StationDayToday()}, 7365);
        QCOMPARE(StationTimeNow(), 636379205);
        SetLocalClock({});
        // The real clock is somewhere after 2020.
        QVERIFY(StationTimeNow() > EncodeStationTime(2020, 1, 1, 0, 0, 0));
    }
};

QTEST_APPLESS_MAIN(TestStationTime)
#include "test_station_time.moc"
