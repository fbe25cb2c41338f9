#include "core/db/station_queries.h"

#include "core/db/odbc_handles.h"
#include "support/format_scan.h"

#include <QDate>
#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTime>
#include <QVariant>

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace orvela {

namespace statements {
QString LatestValue(SqlDialect dialect)
{
    const QString top = QStringLiteral("SELECT TOP 1 * FROM KT_DATA1 WHERE (STATION_ID = "
                                       ":STATION_ID) AND (SENSORNAME = :SENSORNAME) ORDER BY "
                                       "TIME_TAG DESC");
    QString plain = top;
    plain.remove(QStringLiteral("TOP 1 "));
    switch (dialect) {
    case SqlDialect::Top:
        return top;
    case SqlDialect::Limit:
        return plain + QStringLiteral(" LIMIT 1");
    case SqlDialect::FetchFirst:
        return plain + QStringLiteral(" FETCH FIRST 1 ROWS ONLY");
    case SqlDialect::Unlimited:
        break;
    }
    return plain;
}
} // namespace statements

namespace {

// The time-range statement with the value once more as text of 19 significant digits, which
// SQLite's printf writes close enough to read back as the stored double.
const QString TimeRangeExactText = QStringLiteral(
    "SELECT TIME_TAG, ED_VALUE, printf('%!.18e', ED_VALUE) FROM KT_DATA1 WHERE "
    "(STATION_ID=:STATION_ID) AND (SENSORNAME=:SENSORNAME) AND (:STARTTIME <= TIME_TAG) AND "
    "(TIME_TAG <=:ENDTIME) ORDER BY TIME_TAG ");

QString ErrorText(const QSqlError& error)
{
    const QString engine = error.databaseText().trimmed();
    return engine.isEmpty() ? error.text().trimmed() : engine;
}

// IEEE rounding: beyond the largest float by half a unit in its last place lies infinity.
float NarrowToSingle(double value)
{
    if (std::isnan(value))
        return std::numeric_limits<float>::quiet_NaN();
    if (std::fabs(value) > static_cast<double>(FLT_MAX)) {
        const double limit = static_cast<double>(FLT_MAX) + std::ldexp(1.0, 103);
        const float magnitude =
            std::fabs(value) >= limit ? std::numeric_limits<float>::infinity() : FLT_MAX;
        return value < 0 ? -magnitude : magnitude;
    }
    return static_cast<float>(value);
}

DateTime TimestampToDateTime(const SQL_TIMESTAMP_STRUCT& stamp)
{
    return CivilToDateTime(stamp.year, stamp.month, stamp.day, stamp.hour, stamp.minute,
                           stamp.second, stamp.fraction);
}

// One query object for one statement: forward-only, numbers as doubles, released with it.
class Statement
{
public:
    Statement(QSqlDatabase& database, const QString& text) : m_database(database), m_query(database)
    {
        m_query.setForwardOnly(true);
        m_query.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
        if (!m_query.prepare(text))
            Fail();
    }

    void Bind(const QString& placeholder, const QVariant& value)
    {
        m_query.bindValue(placeholder, value);
    }

    void Execute()
    {
        if (!m_query.exec())
            Fail();
    }

    QSqlQuery& Query() { return m_query; }

    // Runs the statement and reads the first column of every row, nulls left out.
    QStringList ReadNames()
    {
        Execute();
        QStringList names;
        while (m_query.next()) {
            const QVariant name = m_query.value(0);
            if (!name.isNull())
                names.append(name.toString());
        }
        if (m_query.lastError().isValid())
            Fail();
        return names;
    }

    // The handle of the executed statement, for reading its rows directly.
    SQLHSTMT Handle()
    {
        void* handle = odbc::StatementHandle(m_query);
        if (handle == nullptr)
            throw DatabaseError(QStringLiteral("The statement has no ODBC handle."));
        return handle;
    }

    [[noreturn]] void Fail(bool rowsHandedOut = false)
    {
        // Reading diagnostics leaves them in place, so both questions can be asked.
        void* const handle = odbc::StatementHandle(m_query);
        const bool syntax = odbc::SyntaxError(handle);
        const bool lost = odbc::ConnectionLost(odbc::ConnectionHandle(m_database), handle);
        throw DatabaseError(ErrorText(m_query.lastError()), lost && !rowsHandedOut,
                            syntax && !lost);
    }

    // The first row, read straight from the handle; false when there is none.
    bool FetchFirstRow(SQLHSTMT handle)
    {
        const SQLRETURN fetched = SQLFetch(handle);
        if (fetched == SQL_NO_DATA)
            return false;
        if (!SQL_SUCCEEDED(fetched))
            FailOnHandle(handle, false);
        return true;
    }

    // A failed call made on the handle directly.
    [[noreturn]] void FailOnHandle(SQLHSTMT handle, bool rowsHandedOut)
    {
        QString text = odbc::StatementDiagnostics(handle);
        if (text.isEmpty())
            text = QStringLiteral("Reading a row of the result failed.");
        const bool syntax = odbc::SyntaxError(handle);
        const bool lost = odbc::ConnectionLost(odbc::ConnectionHandle(m_database), handle);
        throw DatabaseError(text, lost && !rowsHandedOut, syntax && !lost);
    }

private:
    QSqlDatabase& m_database;
    QSqlQuery m_query;
};

// Columns bound for the one statement that returns many rows: the driver writes each row
// straight into these fields, without a variant per cell.
class TimeValueColumns
{
public:
    // With `exactText`, a third column holds the value as decimal text with all its digits.
    explicit TimeValueColumns(SQLHSTMT handle, bool exactText = false) : m_handle(handle)
    {
        m_bound = SQL_SUCCEEDED(SQLBindCol(handle, 1, SQL_C_TYPE_TIMESTAMP, &m_time, sizeof(m_time),
                                           &m_timeIndicator)) &&
                  SQL_SUCCEEDED(SQLBindCol(handle, 2, SQL_C_DOUBLE, &m_value, sizeof(m_value),
                                           &m_valueIndicator));
        if (exactText && m_bound) {
            m_exactText = true;
            m_bound = SQL_SUCCEEDED(
                SQLBindCol(handle, 3, SQL_C_CHAR, m_text, sizeof(m_text), &m_textIndicator));
        }
    }
    ~TimeValueColumns()
    {
        if (m_handle != nullptr)
            SQLFreeStmt(m_handle, SQL_UNBIND);
    }
    TimeValueColumns(const TimeValueColumns&) = delete;
    TimeValueColumns& operator=(const TimeValueColumns&) = delete;

    bool Bound() const { return m_bound; }
    // The statement was released under the reader; its handle must not be used again.
    void Forget() { m_handle = nullptr; }

    DateTime Time() const
    {
        return m_timeIndicator == SQL_NULL_DATA ? 0.0 : TimestampToDateTime(m_time);
    }
    double Value() const
    {
        if (m_valueIndicator == SQL_NULL_DATA)
            return 0.0;
        if (m_exactText && m_textIndicator != SQL_NULL_DATA) {
            // The text is the C locale's, whatever the program's locale.
            const std::size_t length = std::min(std::strlen(m_text), sizeof(m_text) - 1);
            double exact = 0.0;
            const auto read = std::from_chars(m_text, m_text + length, exact);
            if (read.ec == std::errc() && read.ptr == m_text + length)
                return exact;
        }
        return m_value;
    }

private:
    SQLHSTMT m_handle;
    bool m_bound = false;
    bool m_exactText = false;
    char m_text[64] = {};
    SQLLEN m_textIndicator = 0;
    SQL_TIMESTAMP_STRUCT m_time{};
    SQLLEN m_timeIndicator = 0;
    double m_value = 0;
    SQLLEN m_valueIndicator = 0;
};

void RememberSpelling(QHash<QString, QString>& spellings, const QString& stored)
{
    const QString shown = AsciiUpper(stored);
    auto it = spellings.find(shown);
    if (it == spellings.end())
        spellings.insert(shown, stored);
    else if (stored == shown)
        *it = stored;
}

QString FromText(const Text& text)
{
    return QString::fromStdU16String(text);
}

} // namespace

// SQLite keeps time stamps as 'YYYY-MM-DD HH:MM:SS' text and compares them as text, so there
// they are bound as that text. Elsewhere they are bound as date-times; the value is made with
// Qt::UTC only because such a value is a plain container of its fields, which no
// daylight-saving gap of the local zone can move. The fields stay local civil time.
QVariant DateTimeParameter(const StationDatabase& database, const CivilTime& at)
{
    if (database.EngineName().contains(QLatin1String("SQLite"), Qt::CaseInsensitive))
        return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", at.year, at.month, at.day,
                                 at.hour, at.minute, at.second);
    return QDateTime(QDate(at.year, at.month, at.day), QTime(at.hour, at.minute, at.second),
                     Qt::UTC);
}

QString AsciiUpper(const QString& text)
{
    QString upper = text;
    for (QChar& c : upper)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(static_cast<char16_t>(c.unicode() - (u'a' - u'A')));
    return upper;
}

StationQueries::StationQueries(StationDatabase& database) : m_database(database) {}

void StationQueries::ForgetSpellingsOfOtherConnection()
{
    if (m_spellingsSerial == m_database.ConnectionSerial())
        return;
    m_spellings = Spellings();
    m_spellingsSerial = m_database.ConnectionSerial();
}

QString StationQueries::StoredStationSpelling(const QString& shownStation) const
{
    if (m_spellingsSerial != m_database.ConnectionSerial())
        return QString();
    return m_spellings.stations.value(AsciiUpper(shownStation));
}

QString StationQueries::StoredSensorSpelling(const QString& station,
                                             const QString& shownSensor) const
{
    if (m_spellingsSerial != m_database.ConnectionSerial())
        return QString();
    const QString storedStation = m_spellings.stations.value(AsciiUpper(station), station);
    return m_spellings.sensors.value(storedStation).value(AsciiUpper(shownSensor));
}

QString StationQueries::StationForQuery(const QString& station, const QString& fallback)
{
    ForgetSpellingsOfOtherConnection();
    const QString shown = AsciiUpper(station);
    if (!m_spellings.stationsRead && !m_spellings.stations.contains(shown))
        ReadStationIds();
    return m_spellings.stations.value(shown, fallback);
}

QString StationQueries::SensorForQuery(const QString& storedStation, const QString& sensor,
                                       const QString& fallback)
{
    ForgetSpellingsOfOtherConnection();
    const QString shown = AsciiUpper(sensor);
    if (!m_spellings.sensorsRead.contains(storedStation) &&
        !m_spellings.sensors.value(storedStation).contains(shown))
        ReadSensorNames(storedStation);
    return m_spellings.sensors.value(storedStation).value(shown, fallback);
}

QStringList StationQueries::ReadStationIds()
{
    ForgetSpellingsOfOtherConnection();
    const QStringList ids = m_database.RunStatement([](QSqlDatabase& database) {
        Statement statement(database, statements::StationList);
        return statement.ReadNames();
    });
    for (const QString& id : ids)
        RememberSpelling(m_spellings.stations, id);
    m_spellings.stationsRead = true;
    return ids;
}

QStringList StationQueries::ReadSensorNames(const QString& stationParameter)
{
    ForgetSpellingsOfOtherConnection();
    const QStringList names = m_database.RunStatement([&stationParameter](QSqlDatabase& database) {
        Statement statement(database, statements::StationSensors);
        statement.Bind(QStringLiteral(":StationID"), stationParameter);
        return statement.ReadNames();
    });
    QHash<QString, QString>& spellings = m_spellings.sensors[stationParameter];
    for (const QString& name : names)
        RememberSpelling(spellings, name);
    m_spellings.sensorsRead.insert(stationParameter);
    return names;
}

void StationQueries::LoadStationList(QString& stationListText)
{
    stationListText.clear();
    const QStringList ids = ReadStationIds();
    Text list;
    for (const QString& id : ids)
        AppendCommaListItem(list, AsciiUpper(id).toStdU16String());
    stationListText = FromText(list);
}

void StationQueries::LoadStationSensors(const QString& station, QStringList& stationSensors)
{
    const QString upper = AsciiUpper(station);
    const QString stored = StationForQuery(upper, upper);
    const QStringList names = ReadSensorNames(stored);
    Text list;
    for (const QString& name : names)
        AppendCommaListItem(list, AsciiUpper(name).toStdU16String());
    for (const Text& item : CommaListItems(list))
        if (!item.empty())
            stationSensors.append(FromText(item));
}

bool StationQueries::ReadLastUpdate(const QString& currentStation, StationTime& lastUpdate)
{
    const QString station = StationForQuery(currentStation, currentStation);
    return m_database.RunStatement([&](QSqlDatabase& database) {
        Statement statement(database, statements::LastUpdate);
        statement.Bind(QStringLiteral(":STATION_ID"), station);
        statement.Execute();
        // Read straight from the handle: the fields arrive as the database holds them, with no
        // date-time object of the local zone in between.
        const SQLHSTMT handle = statement.Handle();
        if (!statement.FetchFirstRow(handle))
            return false;
        SQL_TIMESTAMP_STRUCT stamp{};
        SQLLEN indicator = 0;
        if (!SQL_SUCCEEDED(
                SQLGetData(handle, 1, SQL_C_TYPE_TIMESTAMP, &stamp, sizeof(stamp), &indicator)))
            statement.FailOnHandle(handle, false);
        if (indicator == SQL_NULL_DATA)
            return false;
        lastUpdate = DateTimeToStationTime(TimestampToDateTime(stamp));
        return true;
    });
}

bool StationQueries::ReadLatestValue(const QString& station, const QString& sensor, float& value)
{
    LatestReading reading;
    if (!ReadLatestReading(station, sensor, reading))
        return false;
    value = reading.value;
    return true;
}

bool StationQueries::ReadLatestReading(const QString& station, const QString& sensor,
                                       LatestReading& reading)
{
    const QString storedStation = StationForQuery(station, station);
    const QString storedSensor = SensorForQuery(storedStation, sensor, sensor);
    const auto read = [&](QSqlDatabase& database, SqlDialect dialect) {
        Statement statement(database, statements::LatestValue(dialect));
        statement.Bind(QStringLiteral(":STATION_ID"), storedStation);
        statement.Bind(QStringLiteral(":SENSORNAME"), storedSensor);
        statement.Execute();
        const QSqlRecord record = statement.Query().record();
        const int valueColumn = record.indexOf(QStringLiteral("ED_VALUE"));
        if (valueColumn < 0)
            throw DatabaseError(QStringLiteral("The result has no column ED_VALUE."));
        const int timeColumn = record.indexOf(QStringLiteral("TIME_TAG"));
        // Read straight from the handle, as the last update is: the time's fields arrive as the
        // database holds them, with no date-time object of the local zone in between.
        const SQLHSTMT handle = statement.Handle();
        if (!statement.FetchFirstRow(handle))
            return false;
        double value = 0.0;
        SQLLEN valueIndicator = 0;
        SQL_TIMESTAMP_STRUCT stamp{};
        SQLLEN timeIndicator = SQL_NULL_DATA;
        bool timeRead = false;
        // Columns are read in ascending order, the one order every driver takes.
        auto readValue = [&] {
            if (!SQL_SUCCEEDED(SQLGetData(handle, static_cast<SQLUSMALLINT>(valueColumn + 1),
                                          SQL_C_DOUBLE, &value, sizeof(value), &valueIndicator)))
                statement.FailOnHandle(handle, false);
        };
        // A time the driver cannot turn into a time stamp leaves the reading without one; the
        // value is shown all the same.
        auto readTime = [&] {
            timeRead = SQL_SUCCEEDED(SQLGetData(handle, static_cast<SQLUSMALLINT>(timeColumn + 1),
                                                SQL_C_TYPE_TIMESTAMP, &stamp, sizeof(stamp),
                                                &timeIndicator));
        };
        if (timeColumn >= 0 && timeColumn < valueColumn)
            readTime();
        readValue();
        if (timeColumn > valueColumn)
            readTime();
        reading.value = valueIndicator == SQL_NULL_DATA ? 0.0F : NarrowToSingle(value);
        reading.time.reset();
        if (timeRead && timeIndicator != SQL_NULL_DATA && stamp.year >= 1)
            reading.time = TimestampToDateTime(stamp);
        return true;
    };
    return m_database.RunStatement([&](QSqlDatabase& database) {
        const SqlDialect dialect = m_database.Dialect();
        try {
            return read(database, dialect);
        } catch (const DatabaseError& error) {
            if (!error.syntaxError() || dialect == SqlDialect::Unlimited)
                throw;
            // An engine that refuses the row limit its name suggests: the statement without
            // it, and, when that one runs, without it for the rest of the connection. When it
            // fails as well the limit was not the cause, and the first failure is the report.
            bool found = false;
            try {
                found = read(database, SqlDialect::Unlimited);
            } catch (const DatabaseError& plain) {
                if (plain.reconnectable())
                    throw;
                throw error;
            }
            m_database.SetDialect(SqlDialect::Unlimited);
            return found;
        }
    });
}

bool StationQueries::ReadTimeRange(const QString& station, const QString& sensor, DateTime start,
                                   DateTime end, const ReadingSink& sink)
{
    return ReadReadings(station, sensor, start, end, sink, false);
}

bool StationQueries::ReadTimeRangeExact(const QString& station, const QString& sensor,
                                        DateTime start, DateTime end, const ReadingSink& sink)
{
    return ReadReadings(station, sensor, start, end, sink, true);
}

bool StationQueries::ReadReadings(const QString& station, const QString& sensor, DateTime start,
                                  DateTime end, const ReadingSink& sink, bool exact)
{
    CivilTime from;
    CivilTime to;
    if (!DateTimeToCivil(start, from) || !DateTimeToCivil(end, to))
        return true;
    const QString upperStation = AsciiUpper(station);
    const QString upperSensor = AsciiUpper(sensor);
    const QString storedStation = StationForQuery(upperStation, upperStation);
    const QString storedSensor = SensorForQuery(storedStation, upperSensor, upperSensor);
    return m_database.RunStatement([&](QSqlDatabase& database) {
        // SQLite turns a REAL into text of 15 digits on its way through the driver.
        const bool exactText =
            exact && m_database.EngineName().contains(QLatin1String("SQLite"), Qt::CaseInsensitive);
        Statement statement(database, exactText ? TimeRangeExactText : statements::TimeRange);
        statement.Bind(QStringLiteral(":STATION_ID"), storedStation);
        statement.Bind(QStringLiteral(":SENSORNAME"), storedSensor);
        statement.Bind(QStringLiteral(":STARTTIME"), DateTimeParameter(m_database, from));
        statement.Bind(QStringLiteral(":ENDTIME"), DateTimeParameter(m_database, to));
        statement.Execute();
        const SQLHSTMT handle = statement.Handle();
        StationDatabase::ActiveRead active(m_database, statement.Query());
        TimeValueColumns columns(handle, exactText);
        if (!columns.Bound())
            statement.FailOnHandle(handle, false);
        bool handedOut = false;
        for (;;) {
            const SQLRETURN fetched = SQLFetch(handle);
            if (fetched == SQL_NO_DATA)
                return true;
            if (!SQL_SUCCEEDED(fetched))
                statement.FailOnHandle(handle, handedOut);
            handedOut = true;
            if (sink)
                sink(columns.Time(), columns.Value());
            if (active.Interrupted()) {
                columns.Forget();
                return false;
            }
        }
    });
}

} // namespace orvela
