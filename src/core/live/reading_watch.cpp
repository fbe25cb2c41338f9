#include "core/live/reading_watch.h"

#include "core/config/settings_store.h"
#include "core/db/station_queries.h"
#include "core/live/value_text.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <limits>

namespace orvela {
namespace {

constexpr std::int64_t SecondsPerMinute = 60;
constexpr std::int64_t AutomaticFloorMinutes = 10;
constexpr std::int64_t IntervalsBeforeStale = 3;
// The refresh interval a file without "GraphUpdate" has: the base of the automatic limit while
// the timed refresh is off, when there is no interval to count in.
constexpr std::int64_t RefreshOffBaseMinutes = 5;
constexpr std::int64_t LongStaleFactor = 10;

// The limit in the reading's precision; beyond the float range the largest float (a plain
// conversion would be undefined there), which only an infinite reading passes.
float AsSingle(double limit)
{
    constexpr float Largest = std::numeric_limits<float>::max();
    if (limit > static_cast<double>(Largest))
        return Largest;
    if (limit < -static_cast<double>(Largest))
        return -Largest;
    return static_cast<float>(limit);
}

QString ValueWithUnits(float value, const QString& units)
{
    const QString text = GaugeValueText(value);
    return units.isEmpty() ? text : text + QLatin1Char(' ') + units;
}

} // namespace

std::int64_t StaleLimitSeconds(std::int32_t staleMinutes, std::int32_t updateMinutes)
{
    if (staleMinutes < 0)
        return 0;
    if (staleMinutes > 0)
        return std::int64_t{staleMinutes} * SecondsPerMinute;
    const std::int64_t interval = updateMinutes > 0 ? updateMinutes : RefreshOffBaseMinutes;
    return std::max(interval * IntervalsBeforeStale, AutomaticFloorMinutes) * SecondsPerMinute;
}

std::int64_t AgeSeconds(DateTime reading, DateTime now)
{
    const double seconds = std::nearbyint((now - reading) * 86400.0);
    if (std::isnan(seconds))
        return 0;
    // Beyond any calendar the two could hold; keeps the conversion defined.
    constexpr double Bound = 1e15;
    return static_cast<std::int64_t>(std::clamp(seconds, -Bound, Bound));
}

AgeLevel AgeLevelOf(std::int64_t ageSeconds, std::int64_t limitSeconds)
{
    if (limitSeconds <= 0 || ageSeconds <= limitSeconds)
        return AgeLevel::Fresh;
    return ageSeconds > limitSeconds * LongStaleFactor ? AgeLevel::LongStale : AgeLevel::Stale;
}

QString AgeSpanText(std::int64_t seconds)
{
    seconds = std::max<std::int64_t>(seconds, 0);
    if (seconds < SecondsPerMinute)
        return QStringLiteral("%1 s").arg(seconds);
    const std::int64_t minutes = seconds / SecondsPerMinute;
    if (minutes < 120)
        return QStringLiteral("%1 min").arg(minutes);
    const std::int64_t hours = minutes / 60;
    if (hours < 48)
        return QStringLiteral("%1 h").arg(hours);
    return QStringLiteral("%1 days").arg(hours / 24);
}

QString AgeText(std::int64_t seconds)
{
    return AgeSpanText(seconds) + QStringLiteral(" old");
}

QString ReadingTimeText(DateTime time)
{
    CivilTime at;
    if (!DateTimeToCivil(time, at))
        return QStringLiteral("an unknown time");
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", at.year, at.month, at.day, at.hour,
                             at.minute, at.second);
}

AlarmState AlarmStateOf(float value, const AlarmLimits& limits)
{
    if (limits.low && value < AsSingle(*limits.low))
        return AlarmState::Below;
    if (limits.high && value > AsSingle(*limits.high))
        return AlarmState::Above;
    return AlarmState::Inside;
}

QString ReadingWatch::takeReading(const QString& source, bool found, float value,
                                  std::optional<DateTime> time, const QString& units)
{
    if (source != m_source)
        m_alarm = AlarmState::Inside;
    m_source = source;
    m_found = found;
    m_value = value;
    m_units = units;
    m_time = found ? time : std::nullopt;
    if (!hasTime()) {
        m_level = AgeLevel::Fresh;
        m_age = 0;
    }
    return judgeAlarm();
}

QString ReadingWatch::setAlarmLimits(const AlarmLimits& limits)
{
    m_limits = limits;
    return judgeAlarm();
}

void ReadingWatch::judgeAge(DateTime now, std::int64_t limitSeconds)
{
    if (!hasTime()) {
        m_level = AgeLevel::Fresh;
        m_age = 0;
        return;
    }
    m_age = AgeSeconds(*m_time, now);
    m_level = AgeLevelOf(m_age, limitSeconds);
}

QString ReadingWatch::judgeAlarm()
{
    // A sensor without a reading shows 0, which is no measurement to raise an alarm on.
    const AlarmState now = m_found ? AlarmStateOf(m_value, m_limits) : AlarmState::Inside;
    const AlarmState before = m_alarm;
    m_alarm = now;
    if (now == before || !m_found)
        return QString();
    const QString where = QStringLiteral("sensor %1 at %2")
                              .arg(m_source.isEmpty() ? QStringLiteral("(none)") : m_source,
                                   ValueWithUnits(m_value, m_units));
    const QString position = QStringLiteral(" (live position %1)").arg(m_slot);
    switch (now) {
    case AlarmState::Below:
        return QStringLiteral("Alarm: ") + where + QStringLiteral(", below its low limit ") +
               SettingsStore::formatReal(m_limits.low.value_or(0.0)) + position;
    case AlarmState::Above:
        return QStringLiteral("Alarm: ") + where + QStringLiteral(", above its high limit ") +
               SettingsStore::formatReal(m_limits.high.value_or(0.0)) + position;
    case AlarmState::Inside:
        break;
    }
    return QStringLiteral("Alarm over: ") + where + QStringLiteral(", back within its limits") +
           position;
}

QStringList StaleLog::update(const QVector<Item>& items)
{
    // One item a name, a stale one where a name is shown more than once.
    QStringList order;
    QHash<QString, Item> byName;
    for (const Item& item : items) {
        auto it = byName.find(item.name);
        if (it == byName.end()) {
            order << item.name;
            byName.insert(item.name, item);
        } else if (it->level == AgeLevel::Fresh) {
            *it = item;
        }
    }
    QStringList lines;
    QSet<QString> staleNow;
    for (const QString& name : order) {
        const Item& item = byName.value(name);
        const bool stale = item.level != AgeLevel::Fresh;
        if (stale)
            staleNow.insert(name);
        if (stale == m_stale.contains(name))
            continue;
        if (stale)
            lines << QStringLiteral("Stale data: %1 has sent nothing for %2 (last at %3)")
                         .arg(name, AgeSpanText(item.ageSeconds), ReadingTimeText(item.time));
        else
            lines << QStringLiteral("Data again: %1 (last at %2)")
                         .arg(name, ReadingTimeText(item.time));
    }
    // What is no longer judged leaves quietly: nobody saw it come back.
    m_stale = staleNow;
    return lines;
}

} // namespace orvela
