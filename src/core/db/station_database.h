#pragma once

// The program's one database connection: an ODBC data source opened by name, user name and
// password through Qt's ODBC driver. It finds the engine's name once per connection (for the
// SQL dialect of the latest-value statement), lists the data sources the driver manager knows,
// and reopens a connection that the server dropped, once, when a statement finds it gone.

#include <QSqlDatabase>
#include <QString>
#include <QVector>

#include <cstdint>
#include <stdexcept>
#include <utility>
#include <vector>

class QSqlQuery;

namespace orvela {

// A failure of the database or of the driver, with the engine's own text. what() is that text
// in UTF-8.
class DatabaseError : public std::runtime_error
{
public:
    explicit DatabaseError(const QString& text, bool reconnectable = false,
                           bool syntaxError = false);

    const QString& text() const { return m_text; }
    // The connection was found lost and nothing of the statement's result has been handed out
    // yet, so reopening the connection and running the statement again is safe.
    bool reconnectable() const { return m_reconnectable; }
    // The engine refused the statement's text (a syntax error, or an error of the class that
    // holds syntax errors).
    bool syntaxError() const { return m_syntaxError; }

private:
    QString m_text;
    bool m_reconnectable;
    bool m_syntaxError;
};

// How a statement asks for only its first row.
enum class SqlDialect
{
    Top,        // SELECT TOP 1 ...
    Limit,      // ... LIMIT 1
    FetchFirst, // ... FETCH FIRST 1 ROWS ONLY
    Unlimited   // an engine of unknown dialect: no clause; only the first row is read
};

// The dialect of an engine, from the name SQLGetInfo(SQL_DBMS_NAME) gives.
SqlDialect DialectForEngine(const QString& engineName);

struct DataSourceInfo
{
    QString name;
    QString driver; // the driver's description as the driver manager lists it
};

struct ConnectResult
{
    bool ok = false;
    QString errorText; // the engine's text when ok is false
};

class StationDatabase
{
public:
    static QString DefaultSessionName() { return QStringLiteral("OrvelaSession"); }

    // `connectionName` names the connection within Qt SQL; two objects need two names.
    explicit StationDatabase(QString connectionName = DefaultSessionName());
    ~StationDatabase();
    StationDatabase(const StationDatabase&) = delete;
    StationDatabase& operator=(const StationDatabase&) = delete;

    // Closes any open connection, then opens `dataSource` with the user name and password as
    // the ODBC UID and PWD. Never throws; on failure the connection is closed again.
    ConnectResult ConnectDatabase(const QString& dataSource, const QString& userName,
                                  const QString& clearPassword);
    // Closes the connection; never throws. Reads in progress end after their current row.
    void Close() noexcept;
    bool IsOpen() const;

    // "SQLite", "PostgreSQL", ...; empty when no connection is open.
    const QString& EngineName() const { return m_engineName; }
    SqlDialect Dialect() const { return m_dialect; }
    // Statements are written in `dialect` until the connection is made or reopened again: for
    // an engine that refuses the row limit its name suggests.
    void SetDialect(SqlDialect dialect) { m_dialect = dialect; }
    const QString& DataSourceName() const { return m_dataSource; }
    const QString& ConnectionName() const { return m_connectionName; }
    // Rises with every successful ConnectDatabase (not with a reopen after a lost connection),
    // so that what was learnt from one database is not applied to another.
    std::uint64_t ConnectionSerial() const { return m_serial; }

    // User and system data sources, in the order the driver manager lists them. Empty when
    // the driver manager cannot be reached.
    static QVector<DataSourceInfo> ListDataSources();

    // Runs `body(QSqlDatabase&)`, which creates its query, prepares, binds, executes and reads.
    // When it throws a reconnectable DatabaseError (the connection was lost), the connection
    // is reopened once and `body` runs once more; a second failure reaches the caller, as does
    // a failed reopen. A connection lost at an earlier statement, whose reopen failed then, is
    // reopened before `body` runs. Throws DatabaseError when no connection was made.
    template <typename Body> auto RunStatement(Body&& body)
    {
        EnsureConnection();
        try {
            return body(m_database);
        } catch (const DatabaseError& error) {
            if (!error.reconnectable())
                throw;
        }
        Reopen();
        return body(m_database);
    }

    // Registers a query whose rows are read while the caller may process events. Should an
    // event close or reopen the connection meanwhile, the query is released before the
    // connection goes and Interrupted() turns true: the reader must stop without touching the
    // query's handles again.
    class ActiveRead
    {
    public:
        ActiveRead(StationDatabase& database, QSqlQuery& query);
        ~ActiveRead();
        ActiveRead(const ActiveRead&) = delete;
        ActiveRead& operator=(const ActiveRead&) = delete;
        bool Interrupted() const { return m_database.m_generation != m_generation; }

    private:
        StationDatabase& m_database;
        QSqlQuery& m_query;
        std::uint64_t m_generation;
    };

private:
    void EnsureConnection();
    void Reopen();
    void ReadEngineName();
    void ReleaseActiveReads() noexcept;

    QString m_connectionName;
    QSqlDatabase m_database;
    QString m_dataSource;
    QString m_engineName;
    SqlDialect m_dialect = SqlDialect::Unlimited;
    bool m_connected = false; // a connection was made and not closed since
    std::uint64_t m_serial = 0;
    std::uint64_t m_generation = 0;
    std::vector<QSqlQuery*> m_activeReads;
};

} // namespace orvela
