#pragma once

// Real database engines for the tests: a temporary folder with odbcinst.ini and odbc.ini (made
// the driver manager's through ODBCSYSINI and ODBCINI before the first ODBC call), a SQLite
// station database, and, when scripts/test.sh started a PostgreSQL server and exported
// ORVELA_TEST_PG_*, a private PostgreSQL database on it. Both get the three station tables and
// the index KT_DATA1(STATION_ID, SENSORNAME, TIME_TAG).

#include <QMap>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>

#include <vector>

namespace orvela::test {

enum class Engine
{
    SQLite,
    PostgreSQL
};

QString EngineLabel(Engine engine); // "sqlite", "postgresql"

// The server that scripts/pg-server.sh starts, as its DIR/env file or the environment says.
struct PgServer
{
    QString host;
    QString port;
    QString user;
    QString password;
    QString database;
    QString folder;
    bool present() const { return !host.isEmpty() && !port.isEmpty(); }
};
PgServer PgServerFromEnvironment();

// A server of the test's own, in its own folder, started and stopped through
// scripts/pg-server.sh: for playing a server restart without disturbing other tests.
class PrivatePgServer
{
public:
    PrivatePgServer();
    ~PrivatePgServer();
    PrivatePgServer(const PrivatePgServer&) = delete;
    PrivatePgServer& operator=(const PrivatePgServer&) = delete;

    bool Start(); // false with ErrorText() when the script failed
    bool Stop();
    const PgServer& Facts() const { return m_facts; }
    const QString& ErrorText() const { return m_error; }

private:
    bool Run(const QString& command);
    QTemporaryDir m_folder;
    PgServer m_facts;
    QString m_error;
};

// A reading for InsertReadings: local civil time fields and a value; `null` stores NULL.
struct TestReading
{
    int year, month, day, hour, minute, second;
    double value;
    bool null = false;
};

class EngineFixture
{
public:
    // Must run before anything in the process calls ODBC.
    EngineFixture();
    ~EngineFixture();
    EngineFixture(const EngineFixture&) = delete;
    EngineFixture& operator=(const EngineFixture&) = delete;

    QString Folder() const { return m_folder.path(); }
    QString SystemIniPath() const;
    QString UserIniPath() const;

    bool Available(Engine engine) const;
    QString SkipReason(Engine engine) const;
    QString DataSource(Engine engine) const;
    QString User(Engine engine) const;
    QString Password(Engine engine) const;
    const PgServer& Pg() const { return m_pg; }

    // Adds a data source to the system (odbc.ini) or user (ODBCINI) file.
    void AddDataSource(const QString& name, const QMap<QString, QString>& attributes,
                       bool userFile = false);
    // The attributes of a PostgreSQL data source for a server and database.
    QMap<QString, QString> PgAttributes(const PgServer& server, const QString& database) const;

    // Statements for preparing test data, over a connection of the fixture's own. False with
    // LastError() on failure.
    bool Exec(Engine engine, const QString& sql);
    bool ExecAll(Engine engine, const QStringList& sql);
    const QString& LastError() const { return m_lastError; }
    // Drops and creates the three tables and the index.
    bool CreateTables(Engine engine);
    bool ClearTables(Engine engine);
    bool InsertReadings(Engine engine, const QString& station, const QString& sensor,
                        const std::vector<TestReading>& readings);
    // A time stamp literal in the form the engine stores.
    static QString TimeLiteral(Engine engine, int year, int month, int day, int hour, int minute,
                               int second);
    static QString Quote(const QString& text);
    // Closes the fixture's connection (for a restarted server).
    void Disconnect(Engine engine);

    // Table creation for any engine, as used by the fixture (also for private servers).
    static QStringList TableStatements(Engine engine);

private:
    QSqlDatabase Admin(Engine engine);
    void WriteIni(const QString& path, const QMap<QString, QMap<QString, QString>>& sections);
    void SetUpPostgreSql();

    QTemporaryDir m_folder;
    PgServer m_pg;
    QString m_pgDatabase; // the private database on the shared server
    QString m_pgSkipReason;
    QString m_sqliteSkipReason;
    QString m_lastError;
    QMap<QString, QMap<QString, QString>> m_system;
    QMap<QString, QMap<QString, QString>> m_user;
};

} // namespace orvela::test
