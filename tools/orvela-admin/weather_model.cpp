#include "weather_model.h"

#include <QVector>

#include <algorithm>
#include <cmath>

namespace orvela::admin {
namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double Day = 86400.0;

double HourOfDay(StationTime at)
{
    const std::int64_t second = ((std::int64_t{at} % 86400) + 86400) % 86400;
    return static_cast<double>(second) / 3600.0;
}

double DayOfYear(StationTime at)
{
    const CivilTime fields = DecodeStationTime(at);
    return (fields.month - 1) * 30.44 + fields.day;
}

// A slow swing of the given period in days, with a phase so that stations differ.
double Swing(StationTime at, double periodDays, double phase)
{
    return std::sin(2.0 * Pi * static_cast<double>(at) / (periodDays * Day) + phase);
}

double Seasonal(StationTime at)
{
    return -8.0 * std::cos(2.0 * Pi * (DayOfYear(at) - 20.0) / 365.0);
}

double DailyCycle(StationTime at, double peakHour)
{
    return std::cos(2.0 * Pi * (HourOfDay(at) - peakHour) / 24.0);
}

bool SameDay(StationTime a, StationTime b)
{
    return a / 86400 == b / 86400;
}

double DewPoint(double temperature, double humidity)
{
    const double gamma =
        std::log(std::max(humidity, 1.0) / 100.0) + 17.625 * temperature / (243.04 + temperature);
    return 243.04 * gamma / (17.625 - gamma);
}

} // namespace

const QVector<DemoStation>& DemoStations()
{
    static const QStringList common{QStringLiteral("AIR TEMP"),  QStringLiteral("HUMIDITY"),
                                    QStringLiteral("PRESSURE"),  QStringLiteral("WIND SPEED"),
                                    QStringLiteral("WIND GUST"), QStringLiteral("WIND DIR"),
                                    QStringLiteral("RAIN"),      QStringLiteral("SOLAR RAD")};
    static const QVector<DemoStation> stations{
        {QStringLiteral("HARBOUR"), common + QStringList{QStringLiteral("WATER TEMP")}, 11.0, 6.5,
         11u},
        {QStringLiteral("HILLTOP"), common, 7.0, 8.5, 23u},
        {QStringLiteral("VALLEY"),
         common + QStringList{QStringLiteral("DEW POINT"), QStringLiteral("SOIL TEMP")}, 10.0, 3.0,
         37u},
    };
    return stations;
}

QString DemoUnits(const QString& sensor)
{
    static const QHash<QString, QString> units{
        {QStringLiteral("AIR TEMP"), QStringLiteral("°C")},
        {QStringLiteral("HUMIDITY"), QStringLiteral("%")},
        {QStringLiteral("PRESSURE"), QStringLiteral("hPa")},
        {QStringLiteral("WIND SPEED"), QStringLiteral("m/s")},
        {QStringLiteral("WIND GUST"), QStringLiteral("m/s")},
        {QStringLiteral("WIND DIR"), QStringLiteral("deg")},
        {QStringLiteral("RAIN"), QStringLiteral("mm")},
        {QStringLiteral("SOLAR RAD"), QStringLiteral("W/m²")},
        {QStringLiteral("WATER TEMP"), QStringLiteral("°C")},
        {QStringLiteral("DEW POINT"), QStringLiteral("°C")},
        {QStringLiteral("SOIL TEMP"), QStringLiteral("°C")},
    };
    return units.value(sensor);
}

WeatherModel::WeatherModel(const DemoStation& station) : m_station(station), m_random(station.seed)
{}

double WeatherModel::Noise(double deviation)
{
    return std::normal_distribution<double>(0.0, deviation)(m_random);
}

double WeatherModel::HourlyChance(StationTime at, std::uint32_t salt) const
{
    std::uint64_t x = static_cast<std::uint64_t>(at / 3600) * UINT64_C(0x9E3779B97F4A7C15);
    x ^= (static_cast<std::uint64_t>(m_station.seed) << 32) ^ salt;
    x ^= x >> 30;
    x *= UINT64_C(0xBF58476D1CE4E5B9);
    x ^= x >> 27;
    x *= UINT64_C(0x94D049BB133111EB);
    x ^= x >> 31;
    return static_cast<double>(x >> 11) / 9007199254740992.0; // 2^53
}

double WeatherModel::RainRate(StationTime at) const
{
    if (HourlyChance(at, 1) >= 0.08)
        return 0.0;
    const double minute = HourOfDay(at) * 60.0 - std::floor(HourOfDay(at)) * 60.0;
    const double start = HourlyChance(at, 2) * 40.0;
    const double length = 5.0 + HourlyChance(at, 3) * 30.0;
    if (minute < start || minute >= start + length)
        return 0.0;
    return 0.02 + HourlyChance(at, 4) * 0.25;
}

double WeatherModel::Decay(StationTime at, StationTime previousAt, double perMinute) const
{
    const double minutes = std::max(1.0, static_cast<double>(at - previousAt) / 60.0);
    return std::pow(perMinute, minutes);
}

WeatherModel::Readings WeatherModel::Step(StationTime at, const Readings& previous,
                                          StationTime previousAt)
{
    const double phase = static_cast<double>(m_station.seed % 7);
    const bool hasPrevious = !previous.isEmpty();
    const auto continued = [&](const QString& sensor, double base, double basePrevious,
                               double perMinute, double deviation) {
        double anomaly = 0.0;
        if (hasPrevious && previous.contains(sensor) && std::isfinite(previous.value(sensor)))
            anomaly = (previous.value(sensor) - basePrevious) * Decay(at, previousAt, perMinute);
        return base + anomaly + Noise(deviation);
    };

    const auto temperatureBase = [&](StationTime t) {
        return m_station.meanTemperature + Seasonal(t) + 5.0 * DailyCycle(t, 15.0) +
               2.5 * Swing(t, 5.3, phase);
    };
    const double rain = RainRate(at);
    Readings now;

    const double temperature = continued(QStringLiteral("AIR TEMP"), temperatureBase(at),
                                         temperatureBase(previousAt), 0.995, 0.05) -
                               (rain > 0.0 ? 0.02 : 0.0);
    now.insert(QStringLiteral("AIR TEMP"), temperature);

    // Humidity falls as the air warms over the day's mean, and rises in a shower.
    const auto humidityBase = [&](StationTime t, double airTemperature) {
        const double dayMean = m_station.meanTemperature + Seasonal(t) + 2.5 * Swing(t, 5.3, phase);
        return 74.0 - 3.2 * (airTemperature - dayMean) + 8.0 * Swing(t, 3.7, phase + 1.0);
    };
    double humidity =
        continued(QStringLiteral("HUMIDITY"), humidityBase(at, temperature),
                  humidityBase(previousAt, previous.value(QStringLiteral("AIR TEMP"), temperature)),
                  0.99, 0.25);
    if (rain > 0.0)
        humidity += 0.5;
    humidity = std::clamp(humidity, 8.0, 100.0);
    now.insert(QStringLiteral("HUMIDITY"), humidity);

    const auto pressureBase = [&](StationTime t) {
        return 1013.0 + 9.0 * Swing(t, 4.7, phase) + 4.0 * Swing(t, 2.3, phase + 1.0);
    };
    now.insert(QStringLiteral("PRESSURE"), continued(QStringLiteral("PRESSURE"), pressureBase(at),
                                                     pressureBase(previousAt), 0.998, 0.02));

    const auto windBase = [&](StationTime t) {
        return m_station.windiness * (1.0 + 0.35 * DailyCycle(t, 14.0)) +
               1.5 * Swing(t, 3.1, phase + 2.0);
    };
    const double speed = std::max(0.0, continued(QStringLiteral("WIND SPEED"), windBase(at),
                                                 windBase(previousAt), 0.95, 0.35));
    now.insert(QStringLiteral("WIND SPEED"), speed);
    now.insert(QStringLiteral("WIND GUST"),
               speed * (1.3 + 0.3 * std::uniform_real_distribution<double>(0.0, 1.0)(m_random)) +
                   std::fabs(Noise(0.4)));

    // The direction wanders around a prevailing one that turns over a few days.
    const double prevailing = 240.0 + 70.0 * Swing(at, 2.7, phase);
    double direction = hasPrevious && previous.contains(QStringLiteral("WIND DIR"))
                           ? previous.value(QStringLiteral("WIND DIR"))
                           : prevailing;
    if (!std::isfinite(direction))
        direction = prevailing;
    const double towards = std::remainder(prevailing - direction, 360.0);
    direction += 0.02 * towards + Noise(4.0);
    direction = std::fmod(std::fmod(direction, 360.0) + 360.0, 360.0);
    now.insert(QStringLiteral("WIND DIR"), direction);

    // The gauge collects since local midnight.
    double collected = 0.0;
    if (hasPrevious && SameDay(at, previousAt) &&
        std::isfinite(previous.value(QStringLiteral("RAIN"))))
        collected = previous.value(QStringLiteral("RAIN"));
    const double minutes = hasPrevious ? std::clamp(static_cast<double>(at - previousAt) / 60.0,
                                                    1.0, HourOfDay(at) * 60.0 + 1.0)
                                       : 1.0;
    now.insert(QStringLiteral("RAIN"), collected + rain * minutes);

    const double dayOfYear = DayOfYear(at);
    const double dayLength = 12.0 + 4.0 * std::sin(2.0 * Pi * (dayOfYear - 80.0) / 365.0);
    const double sunrise = 12.5 - dayLength / 2.0;
    const double hour = HourOfDay(at);
    double solar = 0.0;
    if (hour > sunrise && hour < sunrise + dayLength) {
        const double elevation = std::sin(Pi * (hour - sunrise) / dayLength);
        const double clouds = rain > 0.0 ? 0.25 : 0.75 + 0.25 * Swing(at, 1.3, phase + 3.0);
        solar = std::max(0.0, (650.0 + 250.0 * std::sin(2.0 * Pi * (dayOfYear - 80.0) / 365.0)) *
                                      elevation * clouds +
                                  Noise(12.0));
    }
    now.insert(QStringLiteral("SOLAR RAD"), solar);

    const auto waterBase = [&](StationTime t) {
        return 6.0 + 0.6 * m_station.meanTemperature + 0.5 * Seasonal(t) +
               0.4 * DailyCycle(t, 17.0);
    };
    now.insert(QStringLiteral("WATER TEMP"), continued(QStringLiteral("WATER TEMP"), waterBase(at),
                                                       waterBase(previousAt), 0.999, 0.01));
    const auto soilBase = [&](StationTime t) {
        return m_station.meanTemperature + 0.8 * Seasonal(t) + 1.5 * DailyCycle(t, 18.0);
    };
    now.insert(QStringLiteral("SOIL TEMP"), continued(QStringLiteral("SOIL TEMP"), soilBase(at),
                                                      soilBase(previousAt), 0.998, 0.01));
    now.insert(QStringLiteral("DEW POINT"), DewPoint(temperature, humidity));

    Readings readings;
    for (const QString& sensor : m_station.sensors) {
        if (now.contains(sensor)) {
            readings.insert(sensor, now.value(sensor));
        } else {
            const double last = previous.value(sensor, 0.0);
            readings.insert(sensor, (std::isfinite(last) ? last : 0.0) + Noise(0.1));
        }
    }
    return readings;
}

} // namespace orvela::admin
