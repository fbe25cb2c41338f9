#pragma once

// Real database engines for the tests: a temporary folder with odbcinst.ini and odbc.ini (made
// the driver manager's through ODBCSYSINI and ODBCINI before the first ODBC call), a SQLite
// station database, and, when scripts/test.sh started a PostgreSQL or a MariaDB server and
// exported ORVELA_TEST_PG_* or ORVELA_TEST_MARIADB_*, a private database on each. All get the
// three station tables and the index KT_DATA1(STATION_ID, SENSORNAME, TIME_TAG).

#include <QMap>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>

#include <array>
#include <vector>

namespace orvela::test {

enum class Engine
{
    SQLite,
    PostgreSQL,
    MariaDB
};

// Every engine the tests run on, in the order their rows appear.
inline constexpr std::array<Engine, 3> AllEngines = {Engine::SQLite, Engine::PostgreSQL,
                                                     Engine::MariaDB};
// The engines that run as a server which a script starts.
inline constexpr std::array<Engine, 2> ServerEngines = {Engine::PostgreSQL, Engine::MariaDB};

QString EngineLabel(Engine engine); // "sqlite", "postgresql", "mariadb"
QString EngineTitle(Engine engine); // "SQLite", "PostgreSQL", "MariaDB"

// A server that scripts/pg-server.sh or scripts/mariadb-server.sh starts, as its DIR/env file
// or the environment says.
struct ServerFacts
{
    QString host;
    QString port;
    QString user;
    QString password;
    QString database;
    QString folder;
    bool present() const { return !host.isEmpty() && !port.isEmpty(); }
};
using PgServer = ServerFacts;
ServerFacts ServerFromEnvironment(Engine engine);
PgServer PgServerFromEnvironment();
// Sets (or, for empty facts, removes) the engine's ORVELA_TEST_* variables of this process, so
// that a fixture made afterwards uses that server.
void ExportServerFacts(Engine engine, const ServerFacts& facts);

// A server of the caller's own, in its own folder, started and stopped through the engine's
// script: for playing a server restart without disturbing other tests, or for a benchmark.
class PrivateServer
{
public:
    explicit PrivateServer(Engine engine);
    ~PrivateServer();
    PrivateServer(const PrivateServer&) = delete;
    PrivateServer& operator=(const PrivateServer&) = delete;

    bool Start(); // false with ErrorText() when the script failed
    bool Stop();
    const ServerFacts& Facts() const { return m_facts; }
    const QString& ErrorText() const { return m_error; }

private:
    bool Run(const QString& command);
    Engine m_engine;
    QTemporaryDir m_folder;
    ServerFacts m_facts;
    QString m_error;
};

class PrivatePgServer : public PrivateServer
{
public:
    PrivatePgServer() : PrivateServer(Engine::PostgreSQL) {}
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
    const ServerFacts& Server(Engine engine) const;
    const PgServer& Pg() const { return Server(Engine::PostgreSQL); }
    // The data source that names the engine's server at a port where nothing listens.
    static QString DownDataSource(Engine engine);

    // Adds a data source to the system (odbc.ini) or user (ODBCINI) file.
    void AddDataSource(const QString& name, const QMap<QString, QString>& attributes,
                       bool userFile = false);
    // The attributes of a data source for a server of `engine` and a database on it.
    QMap<QString, QString> ServerAttributes(Engine engine, const ServerFacts& server,
                                            const QString& database) const;
    QMap<QString, QString> PgAttributes(const PgServer& server, const QString& database) const
    {
        return ServerAttributes(Engine::PostgreSQL, server, database);
    }

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
    void SetUpServer(Engine engine);
    void DropServerDatabase(Engine engine);

    QTemporaryDir m_folder;
    QMap<Engine, ServerFacts> m_servers;
    QMap<Engine, QString> m_serverDatabases; // the private database on each shared server
    QMap<Engine, QString> m_skipReasons;
    QString m_lastError;
    QMap<QString, QMap<QString, QString>> m_system;
    QMap<QString, QMap<QString, QString>> m_user;
};

} // namespace orvela::test
