#include "admin_db.h"

#include "weather_model.h"

#include "core/config/settings_keys.h"
#include "core/config/settings_store.h"
#include "core/db/odbc_handles.h"
#include "core/db/password_scrambler.h"
#include "core/db/station_database.h"
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

enum class Kind
{
    SQLite,
    MariaDB, // and MySQL
    PostgreSQL,
    Other
};

Kind KindOfEngine(const QString& engineName)
{
    const QString name = engineName.toUpper();
    if (name.contains(QLatin1String("SQLITE")))
        return Kind::SQLite;
    if (name.contains(QLatin1String("MARIADB")) || name.contains(QLatin1String("MYSQL")))
        return Kind::MariaDB;
    if (name.contains(QLatin1String("POSTGRES")))
        return Kind::PostgreSQL;
    return Kind::Other;
}

// The three tables, short names keeping the index within every engine's key size. MariaDB's
// TIMESTAMP would move the values by the session's time zone; DATETIME keeps the fields.
QStringList TableStatements(Kind kind)
{
    const QString time = kind == Kind::MariaDB      ? QStringLiteral("DATETIME")
                         : kind == Kind::PostgreSQL ? QStringLiteral("TIMESTAMP(0)")
                                                    : QStringLiteral("TIMESTAMP");
    return {QStringLiteral("CREATE TABLE KT_SITES (STATION_ID VARCHAR(32) NOT NULL PRIMARY KEY, "
                           "LAST_UPDATE %1)")
                .arg(time),
            QStringLiteral("CREATE TABLE KT_SITESENSORS (STE_STATION_ID VARCHAR(32) NOT NULL, "
                           "SENSORNAME VARCHAR(64) NOT NULL)"),
            QStringLiteral("CREATE TABLE KT_DATA1 (STATION_ID VARCHAR(32) NOT NULL, SENSORNAME "
                           "VARCHAR(64) NOT NULL, TIME_TAG %1 NOT NULL, ED_VALUE DOUBLE "
                           "PRECISION)")
                .arg(time)};
}

// A time stamp as a statement's literal: SQLite keeps time stamps as this text; elsewhere the
// ODBC escape, which every driver turns into its engine's own form.
QString TimeLiteral(Kind kind, StationTime t)
{
    const QString text = QLatin1Char('\'') + TimeText(t) + QLatin1Char('\'');
    return kind == Kind::SQLite ? text : QStringLiteral("{ts ") + text + QLatin1Char('}');
}

QString TextLiteral(const QString& text)
{
    QString quoted = text;
    quoted.replace(QLatin1String("'"), QLatin1String("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// Fills the three (new) tables with `days` days of readings up to `last` and builds the index;
// returns the number of readings written.
qint64 FillDatabase(QSqlDatabase& db, Kind kind, StationTime last, int days)
{
    const auto exec = [&db](const QString& sql) {
        QSqlQuery query(db);
        if (!query.exec(sql))
            Fail(query.lastError());
    };
    // The feed writes while the program reads: readers then never wait for a writer.
    if (kind == Kind::SQLite)
        exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    for (const QString& sql : TableStatements(kind))
        exec(sql);

    if (!db.transaction())
        Fail(db.lastError());
    qint64 rows = 0;
    const StationTime first = last - days * SecondsPerDay;
    for (const DemoStation& station : DemoStations()) {
        exec(QStringLiteral("INSERT INTO KT_SITES VALUES (%1, %2)")
                 .arg(TextLiteral(station.id), TimeLiteral(kind, last)));
        for (const QString& name : station.sensors)
            exec(QStringLiteral("INSERT INTO KT_SITESENSORS VALUES (%1, %2)")
                     .arg(TextLiteral(station.id), TextLiteral(name)));
        // SQLite takes one prepared row at a time quickest; a server, many rows a statement
        // (each statement is a round trip).
        QSqlQuery reading(db);
        if (kind == Kind::SQLite &&
            !reading.prepare(QStringLiteral("INSERT INTO KT_DATA1 VALUES (?, ?, ?, ?)")))
            Fail(reading.lastError());
        reading.bindValue(0, station.id);
        QString values;
        int pending = 0;
        const auto flush = [&] {
            if (pending > 0)
                exec(QStringLiteral("INSERT INTO KT_DATA1 VALUES ") + values);
            values.clear();
            pending = 0;
        };
        WeatherModel model(station);
        WeatherModel::Readings previous;
        StationTime previousAt = first;
        for (StationTime at = first; at <= last; at += 60) {
            const WeatherModel::Readings now = model.Step(at, previous, previousAt);
            if (kind == Kind::SQLite)
                reading.bindValue(2, TimeText(at));
            for (const QString& name : station.sensors) {
                ++rows;
                if (kind == Kind::SQLite) {
                    reading.bindValue(1, name);
                    reading.bindValue(3, now.value(name));
                    if (!reading.exec())
                        Fail(reading.lastError());
                    continue;
                }
                values += QStringLiteral("%1(%2, %3, %4, %5)")
                              .arg(pending == 0 ? QString() : QStringLiteral(", "),
                                   TextLiteral(station.id), TextLiteral(name),
                                   TimeLiteral(kind, at), FormatReal17(now.value(name)));
                if (++pending == 500)
                    flush();
            }
            previous = now;
            previousAt = at;
        }
        flush();
    }
    // The index after the rows: building it once is quicker than keeping it up on the way.
    exec(QStringLiteral("CREATE INDEX KT_DATA1_IDX ON KT_DATA1 (STATION_ID, SENSORNAME, "
                        "TIME_TAG)"));
    if (!db.commit())
        Fail(db.lastError());
    return rows;
}

// Creates the SQLite station database at `path`; returns the number of readings written.
qint64 CreateDatabase(const QString& driver, const QString& path, StationTime last, int days)
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
        rows = FillDatabase(db, Kind::SQLite, last, days);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return rows;
}

// The demo data source in the user's own file, where the driver manager looks first, so that
// the program and orvela-admin find it with no variable set. Only that one section is written:
// every other line of the file stays as it was, and a file that already holds the same section
// is not written at all. True when the file was changed.
bool RegisterUserDataSource(const QString& path, const QString& name, const QString& section)
{
    if (path.isEmpty())
        throw std::runtime_error("the ODBC driver manager names no file for them");
    QFile file(path);
    QByteArray before;
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            throw std::runtime_error(
                QStringLiteral("cannot read %1: %2").arg(path, file.errorString()).toStdString());
        before = file.readAll();
        file.close();
    }
    // Lines with their own line ends, so that what is kept is kept byte for byte.
    QList<QByteArray> lines;
    for (int start = 0; start < before.size();) {
        const int end = before.indexOf('\n', start);
        const int next = end < 0 ? before.size() : end + 1;
        lines.append(before.mid(start, next - start));
        start = next;
    }
    const auto header = [](const QByteArray& line) {
        const QByteArray trimmed = line.trimmed();
        return trimmed.startsWith('[') && trimmed.contains(']')
                   ? QString::fromUtf8(trimmed.mid(1, trimmed.indexOf(']') - 1)).trimmed()
                   : QString();
    };
    int first = -1;
    int last = static_cast<int>(lines.size());
    for (int i = 0; i < lines.size(); ++i) {
        const QString title = header(lines[i]);
        if (title.isEmpty())
            continue;
        if (first >= 0) {
            last = i;
            break;
        }
        if (title.compare(name, Qt::CaseInsensitive) == 0)
            first = i;
    }
    QByteArray after;
    if (first < 0) {
        after = before;
        if (!after.isEmpty() && !after.endsWith('\n'))
            after += '\n';
        if (!after.isEmpty() && !after.endsWith("\n\n"))
            after += '\n';
        after += section.toUtf8();
    } else {
        for (int i = 0; i < first; ++i)
            after += lines[i];
        after += section.toUtf8();
        if (last < lines.size())
            after += '\n';
        for (int i = last; i < lines.size(); ++i)
            after += lines[i];
    }
    if (after == before)
        return false;

    // Written to the file a link points at, keeping its permissions; a new file is the
    // user's own, as it may come to hold passwords.
    const QFileInfo info(path);
    const QString target = info.isSymLink() ? info.symLinkTarget() : path;
    const QFileDevice::Permissions permissions =
        QFileInfo::exists(target) ? QFile::permissions(target)
                                  : QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly) || out.write(after) != after.size() ||
        !out.setPermissions(permissions) || !out.commit())
        throw std::runtime_error(
            QStringLiteral("cannot write %1: %2").arg(target, out.errorString()).toStdString());
    return true;
}

void WriteConfiguration(const QString& path, const QString& dataSource, const QString& user,
                        const QString& password)
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

    store.writeString(DataBase, DataSource, dataSource);
    store.writeString(DataBase, UserName, user);
    store.writeString(DataBase, Password,
                      QString::fromStdU16String(EncodeStoredPassword(password.toStdU16String())));
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
    // from its design limits 0 to 100, minimum first), and the wind direction.
    const struct
    {
        const char* sensor;
        GaugeLimits limits;
    } live[LiveSlotCount] = {{"AIR TEMP", {-10, 35}},   {"HUMIDITY", {0, 100}},
                             {"PRESSURE", {960, 1060}}, {"RAIN", {0, 15}},
                             {"WIND SPEED", {0, 30}},   {"WIND GUST", {0, 40}},
                             {"WIND DIR", {}}};
    for (std::size_t i = 0; i < LivePositions.size(); ++i) {
        const Position& position = LivePositions.at(i);
        const auto& demo = live[i];
        const QString sensor = QString::fromLatin1(demo.sensor);
        store.writeString(position.section, Name, sensor);
        if (HasGaugeLimits(position)) {
            store.writeReal(position.section, Min, demo.limits.minimum);
            store.writeReal(position.section, Max, demo.limits.maximum);
            store.writeString(position.section, Units, DemoUnits(sensor));
        } else {
            store.writeString(position.section, Units, position.units);
        }
    }
    if (!store.flush())
        throw std::runtime_error(store.errorText().toStdString());
}

} // namespace

QString DemoUsage()
{
    return QStringLiteral("demo DIR [--config-dir FOLDER] [--days N]\n"
                          "demo --into DSN USER PASSWORD [--config-dir FOLDER] [--days N]\n");
}

int DemoCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    // DIR, or --into DSN USER PASSWORD; then the options in any order.
    const bool into = !args.isEmpty() && args.first() == QLatin1String("--into");
    const int positional = into ? 4 : 1;
    if (args.size() < positional || args.first().startsWith(QLatin1String("--")) != into)
        return UsageError(err, QStringLiteral("demo: wrong arguments"), DemoUsage());
    QString configFolder;
    std::int32_t days = DemoDays;
    for (int i = positional; i < args.size(); i += 2) {
        if (i + 1 >= args.size())
            return UsageError(err, QStringLiteral("demo: wrong arguments"), DemoUsage());
        if (args[i] == QLatin1String("--config-dir")) {
            configFolder = args[i + 1];
        } else if (args[i] == QLatin1String("--days")) {
            if (!ParseInt32(args[i + 1], days) || days < 1 || days > 366)
                return UsageError(err,
                                  QStringLiteral("demo: the days are a whole number from 1 "
                                                 "to 366"),
                                  DemoUsage());
        } else {
            return UsageError(err, QStringLiteral("demo: wrong arguments"), DemoUsage());
        }
    }
    SqlPluginScope plugins;
    // Where the program is installed, beside this one, unless told otherwise.
    if (configFolder.isEmpty())
        configFolder = QCoreApplication::applicationDirPath();

    QString dataSource = DemoDataSource;
    QString user = QStringLiteral("demo");
    QString password = QStringLiteral("demo");
    try {
        const CivilTime clock = ReadLocalClock();
        const StationTime last = EncodeStationTime(clock) - clock.second; // on the minute
        QElapsedTimer timer;
        timer.start();
        if (into) {
            dataSource = args[1];
            user = args[2];
            password = args[3];
            StationDatabase database(QStringLiteral("OrvelaDemoInto"));
            const ConnectResult connected = database.ConnectDatabase(dataSource, user, password);
            if (!connected.ok)
                return ConnectionFailure(err, QStringLiteral("demo"), dataSource,
                                         connected.errorText);
            const qint64 rows = database.RunStatement([&](QSqlDatabase& db) {
                // A station database is never written over: only a database in which the
                // program would find none of the three tables is filled. (The driver's table
                // list may take in other databases of the server.)
                for (const char* name : {"KT_SITES", "KT_SITESENSORS", "KT_DATA1"}) {
                    QSqlQuery probe(db);
                    if (probe.exec(QStringLiteral("SELECT 1 FROM %1 WHERE 1 = 0")
                                       .arg(QLatin1String(name))))
                        throw std::runtime_error(
                            QStringLiteral("%1 already holds a table %2: the demo fills only "
                                           "a database without the station tables")
                                .arg(dataSource, QLatin1String(name))
                                .toStdString());
                }
                return FillDatabase(db, KindOfEngine(database.EngineName()), last, days);
            });
            out << dataSource << " (" << database.EngineName() << "): " << DemoStations().size()
                << " stations, " << rows << " readings up to " << TimeText(last) << " ("
                << timer.elapsed() << " ms)\n";
        } else {
            const QString driver = SqliteDriverPath();
            if (driver.isEmpty())
                throw std::runtime_error(
                    "the SQLite ODBC driver (libsqlite3odbc.so) is not installed");
            if (!QDir().mkpath(args[0]))
                throw std::runtime_error(
                    QStringLiteral("cannot create the folder %1").arg(args[0]).toStdString());
            const QDir folder = QDir(QFileInfo(args.at(0)).absoluteFilePath());
            const QString database = folder.filePath(DemoDatabaseFile);

            // Built beside the old one and put in its place at the end, so that a failed run
            // leaves the previous demo as it was.
            const QString building = database + QStringLiteral(".new");
            const QStringList suffixes{QString(), QStringLiteral("-wal"), QStringLiteral("-shm")};
            for (const QString& suffix : suffixes)
                QFile::remove(building + suffix);
            const qint64 rows = CreateDatabase(driver, building, last, days);
            for (const QString& suffix : suffixes)
                QFile::remove(database + suffix);
            if (!QFile::rename(building, database))
                throw std::runtime_error(
                    QStringLiteral("cannot replace %1").arg(database).toStdString());

            const QString source = QStringLiteral("Description=Orvela demo stations\n"
                                                  "Driver=%1\nDatabase=%2\nNoCreat=1\n"
                                                  "Timeout=5000\n");
            WriteTextFile(folder.filePath(QStringLiteral("odbcinst.ini")),
                          QStringLiteral("[%1]\nDescription=SQLite 3 ODBC driver\nDriver=%2\n")
                              .arg(DriverName, driver));
            WriteTextFile(folder.filePath(QStringLiteral("odbc.ini")),
                          QStringLiteral("[%1]\n").arg(DemoDataSource) +
                              source.arg(DriverName, database));
            out << database << ": " << DemoStations().size() << " stations, " << rows
                << " readings up to " << TimeText(last) << " (" << timer.elapsed() << " ms)\n";

            // The user's file names the driver by its path: it needs no odbcinst.ini.
            const QString userFile = odbc::UserDataSourceFile();
            const QString systemWay =
                QStringLiteral("%1 for ODBCSYSINI=%2")
                    .arg(folder.filePath(QStringLiteral("odbc.ini")), folder.absolutePath());
            try {
                const bool changed = RegisterUserDataSource(
                    userFile, DemoDataSource,
                    QStringLiteral("[%1]\n").arg(DemoDataSource) + source.arg(driver, database));
                out << "data source " << DemoDataSource << ": "
                    << (changed ? "registered in " : "already registered in ") << userFile
                    << " (also in " << systemWay << ")\n";
            } catch (const std::runtime_error& error) {
                // The demo itself is there; only the short way to it is missing.
                err << "orvela-admin: demo: the data source " << DemoDataSource
                    << " is not registered for the user: " << QString::fromUtf8(error.what())
                    << "; it is in " << systemWay << Qt::endl;
            }
        }
        out << "login: data source " << dataSource << ", user name " << user << ", password "
            << password << '\n';

        if (!QDir().mkpath(configFolder))
            throw std::runtime_error(
                QStringLiteral("cannot create the folder %1").arg(configFolder).toStdString());
        const QString config = QDir(configFolder).filePath(QString(settings::FileName));
        if (QFileInfo::exists(config)) {
            out << config << ": kept as it is\n";
        } else {
            WriteConfiguration(config, dataSource, user, password);
            out << config << ": written, connecting to " << dataSource << '\n';
        }
        out.flush();
    } catch (const DatabaseError& error) {
        out.flush();
        return Failure(err, QStringLiteral("demo: ") + error.text());
    } catch (const std::exception& error) {
        out.flush();
        return Failure(err, QStringLiteral("demo: ") + QString::fromUtf8(error.what()));
    }
    return 0;
}

} // namespace orvela::admin
