#include "core/db/odbc_handles.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QSqlResult>
#include <QVarLengthArray>
#include <QVariant>

#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <cstring>

// unixODBC's own answers to "which file": exported by its installer library, though not
// declared in a public header.
extern "C" {
int _odbcinst_UserINI(char* fileName, int verify);
int _odbcinst_SystemINI(char* fileName, int verify);
}

namespace orvela::odbc {
namespace {

QString IniFile(int (*ask)(char*, int))
{
    // The driver manager writes at most its FILENAME_MAX into the buffer.
    char name[FILENAME_MAX + 1] = {};
    if (!ask(name, 0))
        return QString();
    return QString::fromLocal8Bit(name);
}

// Qt registers its ODBC handles under the type name "SQLHANDLE" for results and, on Qt 5.15,
// "void*" for the driver; both hold a plain SQLHANDLE.
void* HandleOf(const QVariant& value)
{
    if (!value.isValid())
        return nullptr;
    const char* name = value.typeName();
    if (name == nullptr || (std::strcmp(name, "SQLHANDLE") != 0 && std::strcmp(name, "void*") != 0))
        return nullptr;
    return *static_cast<void* const*>(value.constData());
}

QString FromSqlWChar(const SQLWCHAR* text, SQLSMALLINT length)
{
    static_assert(sizeof(SQLWCHAR) == sizeof(QChar), "unixODBC built with 2-byte SQLWCHAR");
    return QString(reinterpret_cast<const QChar*>(text), length);
}

template <typename Visit> void ForEachDiagnostic(SQLSMALLINT type, void* handle, Visit visit)
{
    if (handle == nullptr)
        return;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLWCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        SQLRETURN r = SQLGetDiagRecW(type, handle, record, state, &native, nullptr, 0, &length);
        if (r != SQL_SUCCESS && r != SQL_SUCCESS_WITH_INFO)
            return;
        QVarLengthArray<SQLWCHAR, 512> message(length + 1);
        r = SQLGetDiagRecW(type, handle, record, state, &native, message.data(),
                           static_cast<SQLSMALLINT>(message.size()), &length);
        if (r != SQL_SUCCESS && r != SQL_SUCCESS_WITH_INFO)
            return;
        if (length > message.size() - 1)
            length = static_cast<SQLSMALLINT>(message.size() - 1);
        visit(FromSqlWChar(state, SQL_SQLSTATE_SIZE), FromSqlWChar(message.data(), length));
    }
}

QString Diagnostics(SQLSMALLINT type, void* handle)
{
    QString text;
    ForEachDiagnostic(type, handle, [&text](const QString&, const QString& message) {
        const QString trimmed = message.trimmed();
        if (trimmed.isEmpty() || text.contains(trimmed))
            return;
        if (!text.isEmpty())
            text += QLatin1Char(' ');
        text += trimmed;
    });
    return text;
}

bool HasConnectionState(SQLSMALLINT type, void* handle)
{
    bool found = false;
    ForEachDiagnostic(type, handle, [&found](const QString& state, const QString&) {
        if (state.startsWith(QLatin1String("08")))
            found = true;
    });
    return found;
}

} // namespace

void* StatementHandle(const QSqlQuery& query)
{
    const QSqlResult* result = query.result();
    return result == nullptr ? nullptr : HandleOf(result->handle());
}

void* ConnectionHandle(const QSqlDatabase& database)
{
    const QSqlDriver* driver = database.driver();
    if (driver == nullptr || !database.isOpen())
        return nullptr;
    return HandleOf(driver->handle());
}

QString StatementDiagnostics(void* statement)
{
    return Diagnostics(SQL_HANDLE_STMT, statement);
}

QString ConnectionDiagnostics(void* connection)
{
    return Diagnostics(SQL_HANDLE_DBC, connection);
}

bool ConnectionLost(void* connection, void* statement)
{
    // Any call on a handle clears its diagnostics, so they are read before the attribute.
    if (HasConnectionState(SQL_HANDLE_STMT, statement) ||
        HasConnectionState(SQL_HANDLE_DBC, connection))
        return true;
    if (connection != nullptr) {
        SQLUINTEGER dead = SQL_CD_FALSE;
        const SQLRETURN r =
            SQLGetConnectAttr(connection, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr);
        if ((r == SQL_SUCCESS || r == SQL_SUCCESS_WITH_INFO) && dead == SQL_CD_TRUE)
            return true;
    }
    return false;
}

QString UserDataSourceFile()
{
    return IniFile(_odbcinst_UserINI);
}

QString SystemDataSourceFile()
{
    return IniFile(_odbcinst_SystemINI);
}

bool SyntaxError(void* statement)
{
    bool found = false;
    ForEachDiagnostic(
        SQL_HANDLE_STMT, statement, [&found](const QString& state, const QString& message) {
            if (state.startsWith(QLatin1String("42")) || state.startsWith(QLatin1String("37")) ||
                message.contains(QLatin1String("syntax error"), Qt::CaseInsensitive))
                found = true;
        });
    return found;
}

} // namespace orvela::odbc
