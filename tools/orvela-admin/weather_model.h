#pragma once

// A plausible weather for the demo stations, one reading a minute: a daily temperature cycle
// around a seasonal mean, humidity that falls as the air warms, a slowly drifting pressure,
// afternoon winds with gusts, a wandering wind direction in degrees, passing showers that fill
// a rain gauge emptied at midnight, and sunshine by day.
//
// Every sensor follows a smooth function of the local civil time plus a disturbance that
// decays towards it. The disturbance is read back from the last stored reading, so the feed can
// continue a series that the demo began, from nothing but the database.

#include "support/station_time.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <random>

namespace orvela::admin {

struct DemoStation
{
    QString id;
    QStringList sensors;
    double meanTemperature; // degrees C, before the season
    double windiness;       // mean wind speed, m/s
    std::uint32_t seed;
};

// The three demo stations and their sensors.
const QVector<DemoStation>& DemoStations();
// Units of a demo sensor ("C", "%", "hPa", ...); empty for an unknown one.
QString DemoUnits(const QString& sensor);

class WeatherModel
{
public:
    using Readings = QHash<QString, double>;

    explicit WeatherModel(const DemoStation& station);

    // The readings at `at`, continuing from `previous` taken at `previousAt` (empty when there
    // is none). Sensors the model does not know follow a slow random walk.
    Readings Step(StationTime at, const Readings& previous, StationTime previousAt);

private:
    double Noise(double deviation);
    // A value in [0, 1) that depends only on the station, the hour and a salt, so that
    // showers come out alike whoever computes them.
    double HourlyChance(StationTime at, std::uint32_t salt) const;
    double RainRate(StationTime at) const; // mm a minute
    double Decay(StationTime at, StationTime previousAt, double perMinute) const;

    DemoStation m_station;
    std::mt19937 m_random;
};

} // namespace orvela::admin
