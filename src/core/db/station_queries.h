#pragma once

// The five read-only statements against the station database (KT_SITES, KT_SITESENSORS,
// KT_DATA1) and what is done with their rows. Every call creates its query, runs it over the
// connection of StationDatabase and releases it on every path. Failures reach the caller as
// DatabaseError.
//
// Names are shown upper-cased (letters a to z only), but an engine that compares case-sensitively
// finds a station stored as "stn1" only under that spelling. The spelling the database stores is
// therefore kept beside the shown name whenever the station or sensor lists are read, and every
// statement is run with the stored spelling; a name the lists do not hold is used as given.

#include "core/db/station_database.h"
#include "support/station_time.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <functional>
#include <optional>

namespace orvela {

// The statement texts, as they are sent (the latest-value one for the engine's dialect).
namespace statements {
inline const QString StationList = QStringLiteral("SELECT DISTINCT STATION_ID FROM KT_SITES ");
inline const QString StationSensors =
    QStringLiteral("SELECT DISTINCT SENSORNAME FROM KT_SITESENSORS WHERE "
                   "KT_SITESENSORS.STE_STATION_ID = :StationID ");
inline const QString LastUpdate =
    QStringLiteral("SELECT LAST_UPDATE FROM KT_SITES WHERE (STATION_ID = :STATION_ID) ");
inline const QString TimeRange = QStringLiteral(
    "SELECT TIME_TAG, ED_VALUE FROM KT_DATA1 WHERE (STATION_ID=:STATION_ID) AND "
    "(SENSORNAME=:SENSORNAME) AND (:STARTTIME <= TIME_TAG) AND (TIME_TAG <=:ENDTIME) ORDER BY "
    "TIME_TAG ");
QString LatestValue(SqlDialect dialect);
} // namespace statements

// "a" to "z" become "A" to "Z"; every other character stays.
QString AsciiUpper(const QString& text);

// A date-time parameter in the kind the connected engine compares with its time stamps: text
// 'YYYY-MM-DD HH:MM:SS' on SQLite, a date-time elsewhere. The fields are local civil time.
QVariant DateTimeParameter(const StationDatabase& database, const CivilTime& at);

// The latest reading of a sensor: its value narrowed to single precision (a null value gives 0)
// and its TIME_TAG as DateTime, when the row has one.
struct LatestReading
{
    float value = 0.0F;
    std::optional<DateTime> time;
};

class StationQueries
{
public:
    // One reading of the time-range statement: TIME_TAG as DateTime, ED_VALUE unnarrowed.
    using ReadingSink = std::function<void(DateTime time, double value)>;

    explicit StationQueries(StationDatabase& database);

    // The serial of the connection the statements run over (StationDatabase::ConnectionSerial).
    std::uint64_t ConnectionSerial() const { return m_database.ConnectionSerial(); }

    // Rebuilds `stationListText` as a CommaList of the upper-cased station identifiers, in the
    // order the rows come; null identifiers are skipped.
    void LoadStationList(QString& stationListText);
    // Appends the upper-cased sensor names of `station` to `stationSensors` (not emptied first).
    // The names go through a CommaList, so a name holding a comma arrives as several names and
    // empty names are dropped.
    void LoadStationSensors(const QString& station, QStringList& stationSensors);
    // True when the station has a last-update time; then `lastUpdate` receives it. Otherwise
    // `lastUpdate` keeps its value.
    bool ReadLastUpdate(const QString& currentStation, StationTime& lastUpdate);
    // True when the sensor has a reading; `value` then receives the latest one narrowed to
    // single precision (a null value gives 0). Otherwise `value` is not touched.
    bool ReadLatestValue(const QString& station, const QString& sensor, float& value);
    // The same one statement, with the reading's time as well. Otherwise `reading` is not
    // touched.
    bool ReadLatestReading(const QString& station, const QString& sensor, LatestReading& reading);
    // Hands every reading of the sensor from `start` to `end`, both included, to `sink`, in
    // ascending time. `sink` may process events; should one of them close or reopen the
    // connection, the read stops after that row and the result is false. True when the read
    // ran to its end. A window end that is not a finite date between the years 1 and 9999
    // selects no readings.
    bool ReadTimeRange(const QString& station, const QString& sensor, DateTime start, DateTime end,
                       const ReadingSink& sink);
    // The same readings, each value exactly the double the database holds, for exports. The
    // SQLite ODBC driver hands a REAL over as the engine's text of 15 significant digits, which
    // rounds most measured values; there the statement asks for the value as text with 19
    // digits as well (printf('%!.18e')), which reads back as the stored double. Other engines
    // run the time-range statement itself.
    bool ReadTimeRangeExact(const QString& station, const QString& sensor, DateTime start,
                            DateTime end, const ReadingSink& sink);

    // The spelling the database stores for a shown (upper-cased) name, when the lists read so
    // far hold one. Where two stored spellings show alike, the one already in upper case wins,
    // otherwise the first one read.
    QString StoredStationSpelling(const QString& shownStation) const;
    QString StoredSensorSpelling(const QString& station, const QString& shownSensor) const;

private:
    struct Spellings
    {
        QHash<QString, QString> stations;                // shown -> stored
        QHash<QString, QHash<QString, QString>> sensors; // stored station -> shown -> stored
        bool stationsRead = false;
        QSet<QString> sensorsRead; // stored station spellings
    };

    void ForgetSpellingsOfOtherConnection();
    QStringList ReadStationIds();
    QStringList ReadSensorNames(const QString& stationParameter);
    // The spelling to query with: the stored one, reading the list once when it is not known.
    QString StationForQuery(const QString& station, const QString& fallback);
    QString SensorForQuery(const QString& storedStation, const QString& sensor,
                           const QString& fallback);
    bool ReadReadings(const QString& station, const QString& sensor, DateTime start, DateTime end,
                      const ReadingSink& sink, bool exact);

    StationDatabase& m_database;
    Spellings m_spellings;
    std::uint64_t m_spellingsSerial = 0;
};

} // namespace orvela
