#pragma once

// The database commands of orvela-admin. Each takes the words after its command name and
// returns the exit status: 0 done, 1 failed (the reason, usually the engine's own text, on
// standard error), 2 wrong usage (the usage on standard error).
//
//   demo DIR [--config-dir FOLDER]   a demo station database with its ODBC set-up, and a
//                                    configuration beside the program when there is none
//   feed DSN USER PASSWORD [--interval SECONDS]
//                                    appends readings like a data-collection system, until
//                                    stopped
//   dsn list                         the ODBC data sources, "name<TAB>driver" a line
//   check DSN USER PASSWORD [STATION]
//                                    connects as the program does and prints what it would
//                                    show

#include "admin_command.h"

#include <QStringList>
#include <QTextStream>

#include <memory>

class QCoreApplication;

namespace orvela::admin {

QString DemoUsage();
QString FeedUsage();
QString DsnUsage();
QString CheckUsage();

int DemoCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int FeedCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int DsnCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int CheckCommand(const QStringList& args, QTextStream& out, QTextStream& err);

// Qt's ODBC driver is a plugin, which loads only under an application object; the commands
// that open a database make one for as long as they run, unless there is one already.
class SqlPluginScope
{
public:
    SqlPluginScope();
    ~SqlPluginScope();
    SqlPluginScope(const SqlPluginScope&) = delete;
    SqlPluginScope& operator=(const SqlPluginScope&) = delete;

private:
    int m_argc = 1;
    char m_name[16] = "orvela-admin";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QCoreApplication> m_application;
};

// Where the driver manager looks up data sources, as a sentence for an error message.
QString DataSourceLookup();
// Reports a failed connection to `dataSource` on `err` ("orvela-admin: COMMAND: text"), with
// where data sources are looked up when none of that name is defined; returns ExitFailed.
int ConnectionFailure(QTextStream& err, const QString& command, const QString& dataSource,
                      const QString& errorText);

// The demo's data source and database file.
inline const QString DemoDataSource = QStringLiteral("OrvelaDemo");
inline const QString DemoDatabaseFile = QStringLiteral("stations.db");

} // namespace orvela::admin
