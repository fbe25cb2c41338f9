#include "core/db/station_database.h"

#include "core/db/odbc_handles.h"

#include <QSqlError>
#include <QSqlQuery>

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstdint>

namespace orvela {
namespace {

const QString OdbcDriverName = QStringLiteral("QODBC");

QString ErrorText(const QSqlError& error)
{
    const QString engine = error.databaseText().trimmed();
    return engine.isEmpty() ? error.text().trimmed() : engine;
}

// A value of an ODBC connection string. Braces are the grammar's quoting; a value only gets them
// when it needs them, since some drivers honour them for the password alone and would take a
// braced user name literally.
QString ConnectionStringValue(const QString& value)
{
    const bool needsBraces =
        value.contains(QLatin1Char(';')) || value.startsWith(QLatin1Char('{')) ||
        (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!needsBraces)
        return value;
    QString quoted = value;
    quoted.replace(QLatin1String("}"), QLatin1String("}}"));
    return QLatin1Char('{') + quoted + QLatin1Char('}');
}

// Qt's ODBC driver puts "DSN=" before the name and appends ";UID=" and ";PWD=". A name holding
// the connection string's own grammar would change the string's meaning (and no driver manager
// lists such a name), so it is refused.
bool IsUsableDataSourceName(const QString& name)
{
    for (const QChar c : name)
        if (c == QLatin1Char(';') || c == QLatin1Char('{') || c == QLatin1Char('}') ||
            c == QLatin1Char('='))
            return false;
    return true;
}

QString FromSqlWChar(const SQLWCHAR* text, std::ptrdiff_t length)
{
    static_assert(sizeof(SQLWCHAR) == sizeof(QChar), "unixODBC built with 2-byte SQLWCHAR");
    return QString(reinterpret_cast<const QChar*>(text), static_cast<int>(length));
}

} // namespace

DatabaseError::DatabaseError(const QString& text, bool reconnectable, bool syntaxError)
    : std::runtime_error(text.toStdString()), m_text(text), m_reconnectable(reconnectable),
      m_syntaxError(syntaxError)
{}

SqlDialect DialectForEngine(const QString& engineName)
{
    const QString name = engineName.toUpper();
    const auto has = [&name](const char* part) { return name.contains(QLatin1String(part)); };
    if (has("SQL SERVER") || has("ACCESS") || has("SYBASE") || has("ADAPTIVE SERVER"))
        return SqlDialect::Top;
    if (has("SQLITE") || has("POSTGRES") || has("MYSQL") || has("MARIADB"))
        return SqlDialect::Limit;
    if (has("ORACLE") || has("DB2"))
        return SqlDialect::FetchFirst;
    return SqlDialect::Unlimited;
}

StationDatabase::StationDatabase(QString connectionName)
    : m_connectionName(std::move(connectionName))
{}

StationDatabase::~StationDatabase()
{
    Close();
    if (m_database.isValid()) {
        m_database = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
    }
}

ConnectResult StationDatabase::ConnectDatabase(const QString& dataSource, const QString& userName,
                                               const QString& clearPassword)
{
    Close();
    m_dataSource = dataSource;
    if (!IsUsableDataSourceName(dataSource))
        return {false, QStringLiteral("The data source name \"%1\" holds a character that no data "
                                      "source name can hold (; { } =).")
                           .arg(dataSource)};
    if (!m_database.isValid())
        m_database = QSqlDatabase::addDatabase(OdbcDriverName, m_connectionName);
    if (!m_database.isValid())
        return {false, QStringLiteral("The ODBC driver of Qt SQL (QODBC) is not installed.")};

    m_database.setDatabaseName(dataSource);
    m_database.setUserName(ConnectionStringValue(userName));
    m_database.setPassword(ConnectionStringValue(clearPassword));
    if (!m_database.open()) {
        const QString text = ErrorText(m_database.lastError());
        m_database.close();
        return {false, text};
    }
    m_connected = true;
    ++m_serial;
    ReadEngineName();
    return {true, QString()};
}

void StationDatabase::Close() noexcept
{
    m_connected = false;
    ReleaseActiveReads();
    try {
        if (m_database.isValid())
            m_database.close();
    } catch (...) {
        // Closing is best effort; what was open is gone either way.
    }
    m_engineName.clear();
    m_dialect = SqlDialect::Unlimited;
}

bool StationDatabase::IsOpen() const
{
    return m_connected && m_database.isOpen();
}

void StationDatabase::EnsureConnection()
{
    if (!m_connected)
        throw DatabaseError(QStringLiteral("The database is not connected."));
    if (!m_database.isOpen())
        Reopen();
}

void StationDatabase::Reopen()
{
    ReleaseActiveReads();
    m_database.close();
    m_engineName.clear();
    if (!m_database.open()) {
        const QString text = ErrorText(m_database.lastError());
        m_database.close();
        throw DatabaseError(text);
    }
    ReadEngineName();
}

void StationDatabase::ReadEngineName()
{
    m_engineName.clear();
    if (void* connection = odbc::ConnectionHandle(m_database)) {
        SQLWCHAR name[256] = {};
        SQLSMALLINT bytes = 0;
        const SQLRETURN r = SQLGetInfoW(connection, SQL_DBMS_NAME, name, sizeof(name), &bytes);
        if (r == SQL_SUCCESS || r == SQL_SUCCESS_WITH_INFO) {
            const std::ptrdiff_t length = std::min<std::ptrdiff_t>(
                bytes / static_cast<std::ptrdiff_t>(sizeof(SQLWCHAR)), std::size(name) - 1);
            m_engineName = FromSqlWChar(name, std::max<std::ptrdiff_t>(length, 0));
        }
    }
    m_dialect = DialectForEngine(m_engineName);
}

void StationDatabase::ReleaseActiveReads() noexcept
{
    if (m_activeReads.empty())
        return;
    ++m_generation;
    for (QSqlQuery* query : m_activeReads) {
        try {
            query->finish();
            query->clear();
        } catch (...) {
            // A query that cannot be released here is released by its owner's unwinding.
        }
    }
    m_activeReads.clear();
}

StationDatabase::ActiveRead::ActiveRead(StationDatabase& database, QSqlQuery& query)
    : m_database(database), m_query(query), m_generation(database.m_generation)
{
    m_database.m_activeReads.push_back(&m_query);
}

StationDatabase::ActiveRead::~ActiveRead()
{
    auto& reads = m_database.m_activeReads;
    reads.erase(std::remove(reads.begin(), reads.end(), &m_query), reads.end());
}

QVector<DataSourceInfo> StationDatabase::ListDataSources()
{
    QVector<DataSourceInfo> sources;
    SQLHENV environment = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment)))
        return sources;
    const auto version = reinterpret_cast<SQLPOINTER>(static_cast<std::uintptr_t>(SQL_OV_ODBC3));
    if (SQL_SUCCEEDED(SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, version, 0))) {
        SQLUSMALLINT direction = SQL_FETCH_FIRST;
        for (;;) {
            SQLWCHAR name[SQL_MAX_DSN_LENGTH * 4 + 1] = {};
            SQLWCHAR driver[1024] = {};
            SQLSMALLINT nameLength = 0;
            SQLSMALLINT driverLength = 0;
            const SQLRETURN r = SQLDataSourcesW(
                environment, direction, name, static_cast<SQLSMALLINT>(std::size(name)),
                &nameLength, driver, static_cast<SQLSMALLINT>(std::size(driver)), &driverLength);
            if (!SQL_SUCCEEDED(r))
                break;
            const auto clamp = [](SQLSMALLINT length, std::size_t capacity) {
                return std::clamp<std::ptrdiff_t>(length, 0,
                                                  static_cast<std::ptrdiff_t>(capacity) - 1);
            };
            sources.append({FromSqlWChar(name, clamp(nameLength, std::size(name))),
                            FromSqlWChar(driver, clamp(driverLength, std::size(driver)))});
            direction = SQL_FETCH_NEXT;
        }
    }
    SQLFreeHandle(SQL_HANDLE_ENV, environment);
    return sources;
}

} // namespace orvela
