#pragma once

// The few places where the database layer reaches past Qt's ODBC driver to the ODBC handles it
// holds. The handles are passed as void* so that the ODBC headers, with their many macros, stay
// inside the .cpp files of src/db.

#include <QString>

class QSqlDatabase;
class QSqlQuery;

namespace orvela::odbc {

// The statement handle of an executed query, or nullptr when the query has none.
void* StatementHandle(const QSqlQuery& query);
// The connection handle of an open connection, or nullptr.
void* ConnectionHandle(const QSqlDatabase& database);

// All diagnostic records of a statement or a connection handle, joined by blanks.
QString StatementDiagnostics(void* statement);
QString ConnectionDiagnostics(void* connection);

// True when the driver reports the connection as gone: the connection-dead attribute is set,
// or a diagnostic record of the statement or the connection is of SQLSTATE class 08
// (connection exception).
bool ConnectionLost(void* connection, void* statement);

// The files in which the driver manager looks up data sources, in its order: the user's (named
// by ODBCINI, else .odbc.ini in the home folder of the account) and the system's (odbc.ini in
// the folder named by ODBCSYSINI, else in the system's configuration folder). Empty when the
// driver manager cannot say.
QString UserDataSourceFile();
QString SystemDataSourceFile();

// True when a diagnostic record of the statement says the engine refused the statement's text:
// SQLSTATE class 42 (syntax error or access rule violation) or 37 (its ODBC 2 form), or a
// general error whose text reports a syntax error (as the SQLite driver gives it).
bool SyntaxError(void* statement);

} // namespace orvela::odbc
