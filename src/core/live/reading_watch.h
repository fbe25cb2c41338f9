#pragma once

// How old the reading a live position shows is, when it counts as stale, and where its value
// stands against the position's alarm limits; and the Messages lines that say so once, when
// something changes. Qt Core only, so the rules are checked without widgets.
//
// Ages are counted on the local civil clock, the clock every station time is kept on: a reading
// stamped 14:02:00 is 28 minutes old at 14:30:00 whatever a time zone or daylight saving says.

#include "support/station_time.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>
#include <optional>

namespace orvela {

// "StaleMinutes" of "Application": 0 (also when the key is missing) derives the limit from the
// refresh interval, a positive value is the limit in minutes, a negative one turns the marks off.
inline constexpr std::int32_t StaleMinutesAutomatic = 0;

// The age in seconds beyond which a reading is stale; 0 when the marks are off. Automatic: three
// refresh intervals and at least 10 minutes; with the timed refresh off (an interval of 0 or
// less) three times the 5-minute default interval.
std::int64_t StaleLimitSeconds(std::int32_t staleMinutes, std::int32_t updateMinutes);

// Whole seconds from `reading` to `now`, to the nearest second; negative for a reading stamped
// ahead of the clock.
std::int64_t AgeSeconds(DateTime reading, DateTime now);

enum class AgeLevel
{
    Fresh,
    Stale,    // older than the limit
    LongStale // older than ten times the limit
};
AgeLevel AgeLevelOf(std::int64_t ageSeconds, std::int64_t limitSeconds);

// "45 s", "12 min" (under two hours), "5 h" (under two days), "3 days"; rounded down.
QString AgeSpanText(std::int64_t seconds);
// "12 min old": what a stale value label and the last-data-time panel show.
QString AgeText(std::int64_t seconds);
// "2005-03-02 14:02:00", from the civil fields.
QString ReadingTimeText(DateTime time);

// A position's alarm limits; an absent one is no limit.
struct AlarmLimits
{
    std::optional<double> low;
    std::optional<double> high;
    friend bool operator==(const AlarmLimits& a, const AlarmLimits& b)
    {
        return a.low == b.low && a.high == b.high;
    }
};

enum class AlarmState
{
    Inside,
    Below,
    Above
};
// Judged in single precision, the precision of the reading: a limit of 0.1 is not crossed by a
// reading of 0.1. A value on a limit is inside; not-a-number is inside.
AlarmState AlarmStateOf(float value, const AlarmLimits& limits);

// One live position's reading and how it stands: its source, time and value, its age against
// the stale limit, its value against the alarm limits.
class ReadingWatch
{
public:
    // `slot` names the position in the Messages lines.
    explicit ReadingWatch(int slot) : m_slot(slot) {}

    // A refresh's reading. `source` is "STATION.SENSOR"; `found` false when the sensor has no
    // reading (the position shows 0, which is judged neither for age nor for alarm); `time`
    // empty when the reading carries none. A new source starts its alarm state afresh, without
    // a line. Returns the Messages line an alarm change calls for, or an empty text.
    QString takeReading(const QString& source, bool found, float value,
                        std::optional<DateTime> time, const QString& units);
    // New limits are judged against the reading shown at once; returns as takeReading.
    QString setAlarmLimits(const AlarmLimits& limits);
    // Judges the age of the reading shown.
    void judgeAge(DateTime now, std::int64_t limitSeconds);

    const QString& source() const { return m_source; }
    bool hasReading() const { return m_found; }
    bool hasTime() const { return m_found && m_time.has_value(); }
    DateTime time() const { return m_time.value_or(0.0); }
    const AlarmLimits& alarmLimits() const { return m_limits; }
    AlarmState alarmState() const { return m_alarm; }
    AgeLevel ageLevel() const { return m_level; }
    std::int64_t ageSeconds() const { return m_age; }

private:
    QString judgeAlarm();

    int m_slot;
    QString m_source;
    bool m_found = false;
    float m_value = 0.0F;
    QString m_units;
    std::optional<DateTime> m_time;
    AlarmLimits m_limits;
    AlarmState m_alarm = AlarmState::Inside;
    AgeLevel m_level = AgeLevel::Fresh;
    std::int64_t m_age = 0;
};

// Says once when a station or a sensor goes stale and once when it comes back, however many
// positions show it and however often it is judged.
class StaleLog
{
public:
    struct Item
    {
        QString name; // "station STN1" or "sensor STN1.AIR TEMP"
        AgeLevel level;
        std::int64_t ageSeconds;
        DateTime time; // of the newest reading
    };

    // Everything judged now. A name that was stale and is no longer judged (another sensor
    // chosen, another station) is forgotten without a line.
    QStringList update(const QVector<Item>& items);

private:
    QSet<QString> m_stale;
};

} // namespace orvela
