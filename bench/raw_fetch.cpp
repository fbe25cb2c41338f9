#include "raw_fetch.h"

#include "bench_station.h"

#include <sqlext.h>

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace orvela::bench {
namespace {

void Format(char* out, const CivilTime& t)
{
    std::snprintf(out, 20, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
}
SQL_TIMESTAMP_STRUCT Stamp(const CivilTime& t)
{
    SQL_TIMESTAMP_STRUCT s{};
    s.year = static_cast<SQLSMALLINT>(t.year);
    s.month = static_cast<SQLUSMALLINT>(t.month);
    s.day = static_cast<SQLUSMALLINT>(t.day);
    s.hour = static_cast<SQLUSMALLINT>(t.hour);
    s.minute = static_cast<SQLUSMALLINT>(t.minute);
    s.second = static_cast<SQLUSMALLINT>(t.second);
    return s;
}

} // namespace

RawFetch::RawFetch(const QString& dataSource, const QString& user, const QString& password,
                   bool sqlite)
    : m_sqlite(sqlite)
{
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env);
    SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION,
                  reinterpret_cast<SQLPOINTER>(static_cast<std::uintptr_t>(SQL_OV_ODBC3)), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc);
    QString quoted = password;
    quoted.replace(QStringLiteral("}"), QStringLiteral("}}"));
    const std::string connect = (QStringLiteral("DSN=") + dataSource + QStringLiteral(";UID=") +
                                 user + QStringLiteral(";PWD={") + quoted + QStringLiteral("}"))
                                    .toStdString();
    SQLCHAR out[1024];
    SQLSMALLINT outLength = 0;
    const SQLRETURN rc = SQLDriverConnect(
        m_dbc, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(connect.c_str())), SQL_NTS,
        out, sizeof out, &outLength, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc))
        throw std::runtime_error("raw ODBC connection failed");
}

RawFetch::~RawFetch()
{
    SQLDisconnect(m_dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, m_env);
}

long RawFetch::Fetch(const QString& sensor, const CivilTime& from, const CivilTime& to, double& sum)
{
    SQLHSTMT statement = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &statement);
    static const char* text =
        "SELECT TIME_TAG, ED_VALUE FROM KT_DATA1 WHERE (STATION_ID=?) AND (SENSORNAME=?) AND "
        "(? <= TIME_TAG) AND (TIME_TAG <=?) ORDER BY TIME_TAG ";
    SQLPrepare(statement, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text)), SQL_NTS);
    std::string station = Station.toStdString();
    std::string name = sensor.toStdString();
    SQLLEN stationLength = static_cast<SQLLEN>(station.size());
    SQLLEN nameLength = static_cast<SQLLEN>(name.size());
    SQLBindParameter(statement, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 4000, 0,
                     station.data(), 0, &stationLength);
    SQLBindParameter(statement, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 4000, 0, name.data(),
                     0, &nameLength);
    char fromText[20];
    char toText[20];
    SQL_TIMESTAMP_STRUCT fromStamp{};
    SQL_TIMESTAMP_STRUCT toStamp{};
    SQLLEN fromLength = 19;
    SQLLEN toLength = 19;
    if (m_sqlite) {
        Format(fromText, from);
        Format(toText, to);
        SQLBindParameter(statement, 3, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 19, 0, fromText, 0,
                         &fromLength);
        SQLBindParameter(statement, 4, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 19, 0, toText, 0,
                         &toLength);
    } else {
        fromStamp = Stamp(from);
        toStamp = Stamp(to);
        fromLength = toLength = sizeof(SQL_TIMESTAMP_STRUCT);
        SQLBindParameter(statement, 3, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP,
                         19, 0, &fromStamp, 0, &fromLength);
        SQLBindParameter(statement, 4, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP,
                         19, 0, &toStamp, 0, &toLength);
    }
    if (!SQL_SUCCEEDED(SQLExecute(statement)))
        throw std::runtime_error("raw ODBC statement failed");
    SQL_TIMESTAMP_STRUCT time{};
    double value = 0;
    SQLLEN timeIndicator = 0;
    SQLLEN valueIndicator = 0;
    SQLBindCol(statement, 1, SQL_C_TYPE_TIMESTAMP, &time, sizeof time, &timeIndicator);
    SQLBindCol(statement, 2, SQL_C_DOUBLE, &value, sizeof value, &valueIndicator);
    long rows = 0;
    while (SQL_SUCCEEDED(SQLFetch(statement))) {
        ++rows;
        sum += value + time.minute;
    }
    SQLFreeHandle(SQL_HANDLE_STMT, statement);
    return rows;
}

} // namespace orvela::bench
