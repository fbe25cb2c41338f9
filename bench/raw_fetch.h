#pragma once

// The rows the graphs read, fetched the plainest way, for the figures the graphs' loads are set
// against: one unixODBC connection, and per sensor a prepared statement with bound parameters
// and two bound columns.

#include "support/station_time.h"

#include <QString>

#include <sql.h>

namespace orvela::bench {

class RawFetch
{
public:
    RawFetch(const QString& dataSource, const QString& user, const QString& password, bool sqlite);
    ~RawFetch();
    RawFetch(const RawFetch&) = delete;
    RawFetch& operator=(const RawFetch&) = delete;

    // Rows fetched for one sensor of the bench's station over the window; `sum` takes in every
    // row, so no read is left out.
    long Fetch(const QString& sensor, const CivilTime& from, const CivilTime& to, double& sum);

private:
    bool m_sqlite;
    SQLHENV m_env = SQL_NULL_HENV;
    SQLHDBC m_dbc = SQL_NULL_HDBC;
};

} // namespace orvela::bench
