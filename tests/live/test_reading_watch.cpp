// The rules of the stale and alarm marks: the limit, the age and its words, where a value stands
// against alarm limits, and which changes are said once.

#include "core/live/reading_watch.h"

#include <QtTest>

#include <cstdint>
#include <limits>

using namespace orvela;

Q_DECLARE_METATYPE(orvela::AgeLevel)
Q_DECLARE_METATYPE(orvela::AlarmState)
Q_DECLARE_METATYPE(orvela::AlarmLimits)

namespace {

constexpr qint64 Minute = 60;
const std::optional<double> None;

DateTime At(int hour, int minute, int second = 0)
{
    return StationTimeToDateTime(EncodeStationTime(2005, 3, 2, hour, minute, second));
}

} // namespace

class TestReadingWatch : public QObject
{
    Q_OBJECT

private slots:
    void staleLimit_data()
    {
        QTest::addColumn<int>("staleMinutes");
        QTest::addColumn<int>("updateMinutes");
        QTest::addColumn<qint64>("seconds");
        QTest::newRow("automatic, 5-minute refresh") << 0 << 5 << 15 * Minute;
        QTest::newRow("automatic, at least 10 minutes") << 0 << 1 << 10 * Minute;
        QTest::newRow("automatic, hourly refresh") << 0 << 60 << 180 * Minute;
        QTest::newRow("automatic, refresh off") << 0 << 0 << 15 * Minute;
        QTest::newRow("automatic, negative refresh") << 0 << -7 << 15 * Minute;
        QTest::newRow("automatic, largest refresh")
            << 0 << std::numeric_limits<std::int32_t>::max()
            << qint64{std::numeric_limits<std::int32_t>::max()} * 3 * Minute;
        QTest::newRow("set below the automatic floor") << 3 << 5 << 3 * Minute;
        QTest::newRow("set, refresh off") << 40 << 0 << 40 * Minute;
        QTest::newRow("off") << -1 << 5 << qint64{0};
    }

    void staleLimit()
    {
        QFETCH(int, staleMinutes);
        QFETCH(int, updateMinutes);
        QFETCH(qint64, seconds);
        QCOMPARE(qint64{StaleLimitSeconds(staleMinutes, updateMinutes)}, seconds);
    }

    void ageLevel_data()
    {
        QTest::addColumn<qint64>("age");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<AgeLevel>("level");
        const qint64 limit = 15 * Minute;
        QTest::newRow("at the limit") << limit << limit << AgeLevel::Fresh;
        QTest::newRow("a second past it") << limit + 1 << limit << AgeLevel::Stale;
        QTest::newRow("at ten times") << 10 * limit << limit << AgeLevel::Stale;
        QTest::newRow("past ten times") << 10 * limit + 1 << limit << AgeLevel::LongStale;
        QTest::newRow("ahead of the clock") << qint64{-3600} << limit << AgeLevel::Fresh;
        QTest::newRow("marks off") << qint64{1000000} << qint64{0} << AgeLevel::Fresh;
    }

    void ageLevel()
    {
        QFETCH(qint64, age);
        QFETCH(qint64, limit);
        QFETCH(AgeLevel, level);
        QCOMPARE(AgeLevelOf(age, limit), level);
    }

    void ageText_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("seconds") << qint64{59} << "59 s old";
        QTest::newRow("a minute") << qint64{60} << "1 min old";
        QTest::newRow("minutes rounded down") << 12 * Minute + 59 << "12 min old";
        QTest::newRow("under two hours") << 119 * Minute + 59 << "119 min old";
        QTest::newRow("two hours") << 120 * Minute << "2 h old";
        QTest::newRow("under two days") << 48 * 60 * Minute - 1 << "47 h old";
        QTest::newRow("two days") << 48 * 60 * Minute << "2 days old";
        QTest::newRow("years") << qint64{3650} * 86400 << "3650 days old";
        QTest::newRow("ahead of the clock") << qint64{-30} << "0 s old";
    }

    void ageText()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(AgeText(seconds), text);
    }

    void alarmState_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<AlarmLimits>("limits");
        QTest::addColumn<AlarmState>("state");
        const AlarmLimits both{0.0, 30.0};
        QTest::newRow("inside") << 15.0F << both << AlarmState::Inside;
        QTest::newRow("on the low limit") << 0.0F << both << AlarmState::Inside;
        QTest::newRow("on the high limit") << 30.0F << both << AlarmState::Inside;
        QTest::newRow("below") << -0.1F << both << AlarmState::Below;
        QTest::newRow("above") << 30.01F << both << AlarmState::Above;
        QTest::newRow("no limits") << 1e30F << AlarmLimits{} << AlarmState::Inside;
        QTest::newRow("high only") << -1e30F << AlarmLimits{None, 5.0} << AlarmState::Inside;
        QTest::newRow("low only") << -6.0F << AlarmLimits{-5.0, None} << AlarmState::Below;
        // The reading is single precision: 0.1 read is 0.1f, which is not above a limit of 0.1.
        QTest::newRow("reading on a limit of 0.1")
            << static_cast<float>(0.1) << AlarmLimits{None, 0.1} << AlarmState::Inside;
        QTest::newRow("not a number")
            << std::numeric_limits<float>::quiet_NaN() << both << AlarmState::Inside;
        QTest::newRow("limit beyond the float range")
            << std::numeric_limits<float>::max() << AlarmLimits{None, 1e300} << AlarmState::Inside;
        QTest::newRow("infinite reading") << std::numeric_limits<float>::infinity()
                                          << AlarmLimits{None, 1e300} << AlarmState::Above;
    }

    void alarmState()
    {
        QFETCH(float, value);
        QFETCH(AlarmLimits, limits);
        QFETCH(AlarmState, state);
        QCOMPARE(AlarmStateOf(value, limits), state);
    }

    // One line a crossing, either way; none while the state holds, none for a position that
    // shows another sensor now or whose sensor has no reading.
    void alarmLines()
    {
        ReadingWatch watch(3);
        QCOMPARE(watch.setAlarmLimits({0.0, 30.0}), QString());
        QCOMPARE(watch.takeReading("S.T", true, 31.0F, At(14, 0), "degC"),
                 QStringLiteral("Alarm: sensor S.T at 31.0 degC, above its high limit 30 "
                                "(live position 3)"));
        QCOMPARE(watch.takeReading("S.T", true, 35.0F, At(14, 1), "degC"), QString());
        QCOMPARE(watch.takeReading("S.T", true, -2.0F, At(14, 2), "degC"),
                 QStringLiteral("Alarm: sensor S.T at -2.0 degC, below its low limit 0 "
                                "(live position 3)"));
        QCOMPARE(watch.takeReading("S.T", true, 12.0F, At(14, 3), QString()),
                 QStringLiteral("Alarm over: sensor S.T at 12.0, back within its limits "
                                "(live position 3)"));
        QCOMPARE(watch.takeReading("S.T", true, 40.0F, At(14, 4), QString()).left(6),
                 QStringLiteral("Alarm:"));
        // Another sensor starts afresh: nothing is said of the old one coming back.
        QCOMPARE(watch.takeReading("S.P", true, 10.0F, At(14, 5), QString()), QString());
        QCOMPARE(watch.takeReading("S.P", false, 0.0F, std::nullopt, QString()), QString());
        QCOMPARE(watch.alarmState(), AlarmState::Inside);
        QCOMPARE(watch.takeReading("S.P", true, 99.0F, At(14, 6), QString()).left(6),
                 QStringLiteral("Alarm:"));
        // Limits taken away end the alarm.
        QCOMPARE(watch.setAlarmLimits({}).left(11), QStringLiteral("Alarm over:"));
    }

    void ageOfAWatch()
    {
        ReadingWatch watch(1);
        QVERIFY(watch.takeReading("S.T", true, 1.0F, std::nullopt, QString()).isEmpty());
        watch.judgeAge(At(18, 0), 15 * Minute);
        QCOMPARE(watch.ageLevel(), AgeLevel::Fresh); // no time: nothing to judge
        watch.takeReading("S.T", true, 1.0F, At(14, 0), QString());
        watch.judgeAge(At(14, 16), 15 * Minute);
        QCOMPARE(watch.ageLevel(), AgeLevel::Stale);
        QCOMPARE(qint64{watch.ageSeconds()}, 16 * Minute);
        // A sensor without readings has no age, whatever the last one was.
        watch.takeReading("S.T", false, 0.0F, At(14, 0), QString());
        QVERIFY(!watch.hasTime());
        QCOMPARE(watch.ageLevel(), AgeLevel::Fresh);
    }

    void staleLines()
    {
        StaleLog log;
        using Item = StaleLog::Item;
        const QString t = QStringLiteral("sensor S.T");
        const QString p = QStringLiteral("sensor S.P");
        QCOMPARE(log.update({Item{t, AgeLevel::Fresh, 60, At(14, 0)}}), QStringList());
        // Shown twice, said once.
        QCOMPARE(log.update({Item{t, AgeLevel::Stale, 16 * Minute, At(14, 0)},
                             Item{t, AgeLevel::Stale, 16 * Minute, At(14, 0)},
                             Item{p, AgeLevel::Fresh, 60, At(14, 15)}}),
                 QStringList({"Stale data: sensor S.T has sent nothing for 16 min (last at "
                              "2005-03-02 14:00:00)"}));
        QCOMPARE(log.update({Item{t, AgeLevel::LongStale, 200 * Minute, At(14, 0)}}),
                 QStringList());
        QCOMPARE(log.update({Item{t, AgeLevel::Fresh, 0, At(17, 20)}}),
                 QStringList({"Data again: sensor S.T (last at 2005-03-02 17:20:00)"}));
        // Stale, then no longer shown: forgotten without a line, and stale again is said again.
        log.update({Item{p, AgeLevel::Stale, 20 * Minute, At(14, 15)}});
        QCOMPARE(log.update({}), QStringList());
        QCOMPARE(log.update({Item{p, AgeLevel::Stale, 30 * Minute, At(14, 15)}}).size(), 1);
    }
};

QTEST_MAIN(TestReadingWatch)
#include "test_reading_watch.moc"
