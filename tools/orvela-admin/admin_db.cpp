#include "admin_db.h"

#include "weather_model.h"

#include "core/db/odbc_handles.h"
#include "core/db/station_database.h"
#include "core/db/station_queries.h"
#include "support/format_scan.h"
#include "support/station_time.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>

#include <chrono>
#include <cmath>
#include <map>
#include <thread>

namespace orvela::admin {
namespace {

QString TimeText(StationTime t)
{
    const CivilTime f = DecodeStationTime(t);
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day, f.hour,
                             f.minute, f.second);
}

QStringList ListItems(const QString& commaList)
{
    QStringList items;
    for (const Text& item : CommaListItems(commaList.toStdU16String()))
        items.append(QString::fromStdU16String(item));
    return items;
}

// One round of the feed: a reading for every sensor of every station at `at`, and each
// station's LAST_UPDATE moved to it, in one transaction.
void FeedOnce(StationDatabase& database, StationQueries& queries,
              std::map<QString, WeatherModel>& models, StationTime at)
{
    QString listText;
    queries.LoadStationList(listText);
    struct Insert
    {
        QString station;
        QString sensor;
        double value;
    };
    QVector<Insert> inserts;
    QStringList stations;
    for (const QString& shown : ListItems(listText)) {
        const QString station = queries.StoredStationSpelling(shown);
        if (station.isEmpty() || stations.contains(station))
            continue;
        stations.append(station);
        QStringList sensors;
        queries.LoadStationSensors(shown, sensors);
        sensors.removeDuplicates();

        StationTime previousAt = 0;
        const bool hasPrevious = queries.ReadLastUpdate(station, previousAt);
        WeatherModel::Readings previous;
        for (const QString& sensor : sensors) {
            float value = 0;
            if (hasPrevious && queries.ReadLatestValue(station, sensor, value))
                previous.insert(sensor, static_cast<double>(value));
        }
        auto model = models.find(station);
        if (model == models.end()) {
            DemoStation known{station, sensors, 10.0, 5.0,
                              static_cast<std::uint32_t>(qHash(station))};
            for (const DemoStation& demo : DemoStations())
                if (demo.id == shown)
                    known = demo;
            known.sensors = sensors;
            model = models.emplace(station, WeatherModel(known)).first;
        }
        const WeatherModel::Readings now = model->second.Step(at, previous, previousAt);
        for (const QString& sensor : sensors)
            inserts.append({station,
                            queries.StoredSensorSpelling(shown, sensor).isEmpty()
                                ? sensor
                                : queries.StoredSensorSpelling(shown, sensor),
                            now.value(sensor)});
    }

    const QVariant time = DateTimeParameter(database, DecodeStationTime(at));
    database.RunStatement([&](QSqlDatabase& db) {
        const auto fail = [](const QSqlError& error) {
            throw DatabaseError(error.databaseText().isEmpty() ? error.text()
                                                               : error.databaseText());
        };
        if (!db.transaction())
            fail(db.lastError());
        QSqlQuery insert(db);
        if (!insert.prepare(QStringLiteral("INSERT INTO KT_DATA1 (STATION_ID, SENSORNAME, "
                                           "TIME_TAG, ED_VALUE) VALUES (?, ?, ?, ?)")))
            fail(insert.lastError());
        for (const Insert& row : inserts) {
            insert.bindValue(0, row.station);
            insert.bindValue(1, row.sensor);
            insert.bindValue(2, time);
            insert.bindValue(3, row.value);
            if (!insert.exec()) {
                const QSqlError error = insert.lastError();
                db.rollback();
                fail(error);
            }
        }
        QSqlQuery update(db);
        if (!update.prepare(
                QStringLiteral("UPDATE KT_SITES SET LAST_UPDATE = ? WHERE STATION_ID = ?")))
            fail(update.lastError());
        for (const QString& station : stations) {
            update.bindValue(0, time);
            update.bindValue(1, station);
            if (!update.exec()) {
                const QSqlError error = update.lastError();
                db.rollback();
                fail(error);
            }
        }
        if (!db.commit())
            fail(db.lastError());
    });
}

} // namespace

QString DataSourceLookup()
{
    const QString user = odbc::UserDataSourceFile();
    const QString system = odbc::SystemDataSourceFile();
    return QStringLiteral("data sources are looked up in %1 (the user's: ODBCINI, else "
                          "~/.odbc.ini) and then in %2 (the system's: odbc.ini in ODBCSYSINI, "
                          "else in /etc)")
        .arg(user.isEmpty() ? QStringLiteral("~/.odbc.ini") : user,
             system.isEmpty() ? QStringLiteral("/etc/odbc.ini") : system);
}

int ConnectionFailure(QTextStream& err, const QString& command, const QString& dataSource,
                      const QString& errorText)
{
    QString text = command + QStringLiteral(": ") + errorText;
    bool known = false;
    for (const DataSourceInfo& source : StationDatabase::ListDataSources())
        known = known || source.name.compare(dataSource, Qt::CaseInsensitive) == 0;
    if (!known)
        text += QStringLiteral("\nthere is no data source \"%1\": ").arg(dataSource) +
                DataSourceLookup() + QStringLiteral("; \"orvela-admin dsn list\" lists them");
    return Failure(err, text);
}

SqlPluginScope::SqlPluginScope()
{
    if (QCoreApplication::instance() == nullptr)
        m_application = std::make_unique<QCoreApplication>(m_argc, m_argv);
}

SqlPluginScope::~SqlPluginScope() = default;

QString DsnUsage()
{
    return QStringLiteral("dsn list\n");
}

QString CheckUsage()
{
    return QStringLiteral("check DSN USER PASSWORD [STATION]\n");
}

QString FeedUsage()
{
    return QStringLiteral("feed DSN USER PASSWORD [--interval SECONDS]\n");
}

int DsnCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (args != QStringList{QStringLiteral("list")})
        return UsageError(err, QStringLiteral("dsn: only \"list\" is known"), DsnUsage());
    const QVector<DataSourceInfo> sources = StationDatabase::ListDataSources();
    for (const DataSourceInfo& source : sources)
        out << source.name << '\t' << source.driver << '\n';
    out.flush();
    if (sources.isEmpty()) {
        err << "orvela-admin: dsn list: no data sources: " << DataSourceLookup() << Qt::endl;
    }
    return 0;
}

int CheckCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (args.size() < 3 || args.size() > 4)
        return UsageError(err, QStringLiteral("check: wrong number of arguments"), CheckUsage());
    SqlPluginScope plugins;
    StationDatabase database(QStringLiteral("OrvelaCheck"));
    const ConnectResult connected = database.ConnectDatabase(args[0], args[1], args[2]);
    if (!connected.ok)
        return ConnectionFailure(err, QStringLiteral("check"), args[0], connected.errorText);
    try {
        StationQueries queries(database);
        out << "engine: " << database.EngineName() << '\n';
        QString listText;
        queries.LoadStationList(listText);
        out << "stations: " << listText << '\n';
        const QStringList stations = ListItems(listText);
        const QString station =
            args.size() == 4 ? args[3] : (stations.isEmpty() ? QString() : stations.first());
        out << "station: " << station << '\n';
        if (station.isEmpty()) {
            out.flush();
            return 0;
        }
        StationTime lastUpdate = 0;
        out << "last update: "
            << (queries.ReadLastUpdate(station, lastUpdate) ? TimeText(lastUpdate)
                                                            : QStringLiteral("none"))
            << '\n';

        // The day before now, both ends included, as a graph of 24 hours reads it.
        const StationTime now = StationTimeNow();
        const DateTime end = StationTimeToDateTime(now);
        const DateTime start = StationTimeToDateTime(now - SecondsPerDay);
        QStringList sensors;
        queries.LoadStationSensors(station, sensors);
        out << "sensor\tlatest value\treadings in the last 24 hours\n";
        for (const QString& sensor : sensors) {
            float latest = 0;
            const bool found = queries.ReadLatestValue(station, sensor, latest);
            long long count = 0;
            queries.ReadTimeRange(station, sensor, start, end,
                                  [&count](DateTime, double) { ++count; });
            out << sensor << '\t'
                << (found ? QString::number(static_cast<double>(latest), 'g', 7)
                          : QStringLiteral("none"))
                << '\t' << count << '\n';
        }
        out.flush();
    } catch (const DatabaseError& error) {
        out.flush();
        return Failure(err, QStringLiteral("check: ") + error.text());
    }
    return 0;
}

int FeedCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    std::int32_t interval = 60;
    if (args.size() == 5 && args[3] == QLatin1String("--interval")) {
        if (!ParseInt32(args[4], interval) || interval < 1)
            return UsageError(err,
                              QStringLiteral("feed: the interval is a whole number of seconds "
                                             "from 1"),
                              FeedUsage());
    } else if (args.size() != 3) {
        return UsageError(err, QStringLiteral("feed: wrong arguments"), FeedUsage());
    }
    SqlPluginScope plugins;
    StationDatabase database(QStringLiteral("OrvelaFeed"));
    const ConnectResult connected = database.ConnectDatabase(args[0], args[1], args[2]);
    if (!connected.ok)
        return ConnectionFailure(err, QStringLiteral("feed"), args[0], connected.errorText);
    StationQueries queries(database);
    std::map<QString, WeatherModel> models;
    out << "feeding " << args[0] << " every " << interval << " s; stop with Ctrl+C" << Qt::endl;
    for (;;) {
        const StationTime at = StationTimeNow();
        try {
            FeedOnce(database, queries, models, at);
            out << TimeText(at) << Qt::endl;
        } catch (const DatabaseError& error) {
            // The server may be restarting: report and try again at the next interval.
            err << "orvela-admin: feed: " << TimeText(at) << ": " << error.text() << Qt::endl;
        }
        std::this_thread::sleep_for(std::chrono::seconds(interval));
    }
}

} // namespace orvela::admin
