#include "admin_db.h"

#include "weather_model.h"

#include "config/settings_keys.h"
#include "config/settings_store.h"
#include "db/password_scrambler.h"
#include "support/station_time.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <stdexcept>

namespace orvela::admin {
namespace {

constexpr int DemoDays = 14;
const QString DriverName = QStringLiteral("Orvela SQLite");

// The SQLite ODBC driver: where the build found it, else the usual places.
QString SqliteDriverPath()
{
    QStringList candidates{QStringLiteral(ORVELA_SQLITE_ODBC_DRIVER)};
    for (const char* folder : {"/usr/lib/x86_64-linux-gnu/odbc", "/usr/lib/aarch64-linux-gnu/odbc",
                               "/usr/lib64", "/usr/lib/odbc", "/usr/local/lib"})
        candidates << QString::fromLatin1(folder) + QStringLiteral("/libsqlite3odbc.so");
    for (const QString& path : candidates)
        if (QFileInfo::exists(path))
            return path;
    return QString();
}

void WriteTextFile(const QString& path, const QString& text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        throw std::runtime_error(
            QStringLiteral("cannot write %1: %2").arg(path, file.errorString()).toStdString());
}

[[noreturn]] void Fail(const QSqlError& error)
{
    throw std::runtime_error(error.text().toStdString());
}

QString TimeText(StationTime t)
{
    const CivilTime f = DecodeStationTime(t);
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day, f.hour,
                             f.minute, f.second);
}

// Creates the station database at `path`; returns the number of readings written.
qint64 CreateDatabase(const QString& driver, const QString& path, StationTime last)
{
    const QString connection = QStringLiteral("OrvelaDemoCreate");
    qint64 rows = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), connection);
        // A connection string naming the driver itself: the demo's data source does not
        // create files, and the variables that point at it may not be set here.
        db.setDatabaseName(QStringLiteral("DRIVER={%1};Database=%2").arg(driver, path));
        if (!db.open())
            Fail(db.lastError());
        const auto exec = [&db](const QString& sql) {
            QSqlQuery query(db);
            if (!query.exec(sql))
                Fail(query.lastError());
        };
        // The feed writes while the program reads: readers then never wait for a writer.
        exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        exec(QStringLiteral("CREATE TABLE KT_SITES (STATION_ID VARCHAR(32) NOT NULL PRIMARY KEY, "
                            "LAST_UPDATE TIMESTAMP)"));
        exec(QStringLiteral("CREATE TABLE KT_SITESENSORS (STE_STATION_ID VARCHAR(32) NOT NULL, "
                            "SENSORNAME VARCHAR(64) NOT NULL)"));
        exec(QStringLiteral("CREATE TABLE KT_DATA1 (STATION_ID VARCHAR(32) NOT NULL, SENSORNAME "
                            "VARCHAR(64) NOT NULL, TIME_TAG TIMESTAMP NOT NULL, ED_VALUE DOUBLE "
                            "PRECISION)"));

        if (!db.transaction())
            Fail(db.lastError());
        QSqlQuery site(db);
        QSqlQuery sensor(db);
        QSqlQuery reading(db);
        if (!site.prepare(QStringLiteral("INSERT INTO KT_SITES VALUES (?, ?)")) ||
            !sensor.prepare(QStringLiteral("INSERT INTO KT_SITESENSORS VALUES (?, ?)")) ||
            !reading.prepare(QStringLiteral("INSERT INTO KT_DATA1 VALUES (?, ?, ?, ?)")))
            Fail(db.lastError());
        const StationTime first = last - DemoDays * SecondsPerDay;
        for (const DemoStation& station : DemoStations()) {
            site.bindValue(0, station.id);
            site.bindValue(1, TimeText(last));
            if (!site.exec())
                Fail(site.lastError());
            for (const QString& name : station.sensors) {
                sensor.bindValue(0, station.id);
                sensor.bindValue(1, name);
                if (!sensor.exec())
                    Fail(sensor.lastError());
            }
            WeatherModel model(station);
            WeatherModel::Readings previous;
            StationTime previousAt = first;
            reading.bindValue(0, station.id);
            for (StationTime at = first; at <= last; at += 60) {
                const WeatherModel::Readings now = model.Step(at, previous, previousAt);
                reading.bindValue(2, TimeText(at));
                for (const QString& name : station.sensors) {
                    reading.bindValue(1, name);
                    reading.bindValue(3, now.value(name));
                    if (!reading.exec())
                        Fail(reading.lastError());
                    ++rows;
                }
                previous = now;
                previousAt = at;
            }
        }
        // The index after the rows: building it once is quicker than keeping it up on the way.
        exec(QStringLiteral("CREATE INDEX KT_DATA1_IDX ON KT_DATA1 (STATION_ID, SENSORNAME, "
                            "TIME_TAG)"));
        if (!db.commit())
            Fail(db.lastError());
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return rows;
}

void WriteConfiguration(const QString& path)
{
    using namespace settings;
    SettingsStore store(path);
    store.writeInteger(Windows, Top, MainWindowBounds.top);
    store.writeInteger(Windows, Left, MainWindowBounds.left);
    store.writeInteger(Windows, Height, MainWindowBounds.height);
    store.writeInteger(Windows, Width, MainWindowBounds.width);

    store.writeString(Application, ImageFile, QString());
    store.writeString(Application, Title, QStringLiteral("Orvela - HARBOUR demo station"));
    store.writeInteger(Application, GraphUpdate, 1);

    store.writeString(DataBase, DataSource, DemoDataSource);
    store.writeString(DataBase, UserName, QStringLiteral("demo"));
    store.writeString(DataBase, Password, QString::fromStdU16String(EncodeStoredPassword(u"demo")));
    store.writeString(DataBase, Station, QStringLiteral("HARBOUR"));

    store.writeBool(LogForm, Showing, false);

    const struct
    {
        const char* sensor;
        int range;
    } graphs[GraphSlotCount] = {{"AIR TEMP", 2},   {"HUMIDITY", 2}, {"PRESSURE", 3},
                                {"WIND SPEED", 1}, {"RAIN", 3},     {"SOLAR RAD", 2}};
    for (int slot = 1; slot <= GraphSlotCount; ++slot) {
        const QString sensor = QString::fromLatin1(graphs[slot - 1].sensor);
        store.writeString(GraphSection(slot), Name, sensor);
        store.writeString(GraphSection(slot), Units, DemoUnits(sensor));
        store.writeString(GraphSection(slot), TimeRange, QString::number(graphs[slot - 1].range));
    }

    // Thermometers 1 to 4, dials 5 and 6 (whose limits must lie within a range a dial takes
    // from its design limits 0 to 100, minimum first).
    const struct
    {
        const char* sensor;
        double minimum;
        double maximum;
    } gauges[GaugeSlotCount] = {{"AIR TEMP", -10, 35},   {"HUMIDITY", 0, 100},
                                {"PRESSURE", 960, 1060}, {"RAIN", 0, 15},
                                {"WIND SPEED", 0, 30},   {"WIND GUST", 0, 40}};
    for (int slot = 1; slot <= GaugeSlotCount; ++slot) {
        const QString sensor = QString::fromLatin1(gauges[slot - 1].sensor);
        store.writeString(LiveSection(slot), Name, sensor);
        store.writeReal(LiveSection(slot), Min, gauges[slot - 1].minimum);
        store.writeReal(LiveSection(slot), Max, gauges[slot - 1].maximum);
        store.writeString(LiveSection(slot), Units, DemoUnits(sensor));
    }
    store.writeString(LiveSection(LiveSlotCount), Name, QStringLiteral("WIND DIR"));
    store.writeString(LiveSection(LiveSlotCount), Units, DefaultWindUnits);
    if (!store.flush())
        throw std::runtime_error(store.errorText().toStdString());
}

} // namespace

QString DemoUsage()
{
    return QStringLiteral("demo DIR [--config-dir FOLDER]\n");
}

int DemoCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (!(args.size() == 1 || (args.size() == 3 && args[1] == QLatin1String("--config-dir"))))
        return UsageError(err, QStringLiteral("demo: wrong arguments"), DemoUsage());
    SqlPluginScope plugins;
    // Where the program is installed, beside this one, unless told otherwise.
    const QString configFolder =
        args.size() == 3 ? args[2] : QCoreApplication::applicationDirPath();

    try {
        const QString driver = SqliteDriverPath();
        if (driver.isEmpty())
            throw std::runtime_error("the SQLite ODBC driver (libsqlite3odbc.so) is not installed");
        if (!QDir().mkpath(args[0]))
            throw std::runtime_error(
                QStringLiteral("cannot create the folder %1").arg(args[0]).toStdString());
        const QDir folder = QDir(QFileInfo(args.at(0)).absoluteFilePath());
        const QString database = folder.filePath(DemoDatabaseFile);

        QElapsedTimer timer;
        timer.start();
        // Built beside the old one and put in its place at the end, so that a failed run
        // leaves the previous demo as it was.
        const QString building = database + QStringLiteral(".new");
        for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
            QFile::remove(building + suffix);
        const CivilTime clock = ReadLocalClock();
        const StationTime last = EncodeStationTime(clock) - clock.second; // on the minute
        const qint64 rows = CreateDatabase(driver, building, last);
        for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
            QFile::remove(database + suffix);
        if (!QFile::rename(building, database))
            throw std::runtime_error(
                QStringLiteral("cannot replace %1").arg(database).toStdString());

        WriteTextFile(folder.filePath(QStringLiteral("odbcinst.ini")),
                      QStringLiteral("[%1]\nDescription=SQLite 3 ODBC driver\nDriver=%2\n")
                          .arg(DriverName, driver));
        WriteTextFile(folder.filePath(QStringLiteral("odbc.ini")),
                      QStringLiteral("[%1]\nDescription=Orvela demo stations\nDriver=%2\n"
                                     "Database=%3\nNoCreat=1\nTimeout=5000\n")
                          .arg(DemoDataSource, DriverName, database));
        out << database << ": " << DemoStations().size() << " stations, " << rows
            << " readings up to " << TimeText(last) << " (" << timer.elapsed() << " ms)\n";
        out << "ODBC set-up: ODBCSYSINI=" << folder.absolutePath() << ", data source "
            << DemoDataSource << '\n';

        if (!QDir().mkpath(configFolder))
            throw std::runtime_error(
                QStringLiteral("cannot create the folder %1").arg(configFolder).toStdString());
        const QString config = QDir(configFolder).filePath(QString(settings::FileName));
        if (QFileInfo::exists(config)) {
            out << config << ": kept as it is\n";
        } else {
            WriteConfiguration(config);
            out << config << ": written, connecting to " << DemoDataSource << '\n';
        }
        out.flush();
    } catch (const std::exception& error) {
        out.flush();
        err << QString::fromUtf8(error.what()) << Qt::endl;
        return 1;
    }
    return 0;
}

} // namespace orvela::admin
