#include "db/engine_fixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTextStream>
#include <QThread>

namespace orvela::test {
namespace {

QString DriverName(Engine engine)
{
    return QStringLiteral("Orvela Test ") + EngineTitle(engine);
}

QString DriverPath(Engine engine)
{
    const char* configured = engine == Engine::SQLite       ? ORVELA_SQLITE_ODBC_DRIVER
                             : engine == Engine::PostgreSQL ? ORVELA_PG_ODBC_DRIVER
                                                            : ORVELA_MARIADB_ODBC_DRIVER;
    const QString path = QString::fromUtf8(configured);
    return QFileInfo::exists(path) ? path : QString();
}

QString AdminConnectionName(Engine engine)
{
    return QStringLiteral("fixture_admin_") + EngineLabel(engine);
}

// The shared database of a server, which only serves to create and drop the private ones.
QString AdminDataSource(Engine engine)
{
    return QStringLiteral("OrvelaTest") + EngineTitle(engine) + QStringLiteral("Admin");
}

// "PG" or "MARIADB": the middle of the engine's ORVELA_TEST_*_ variables.
QString VariablePrefix(Engine engine)
{
    return engine == Engine::PostgreSQL ? QStringLiteral("ORVELA_TEST_PG_")
                                        : QStringLiteral("ORVELA_TEST_MARIADB_");
}

QString ServerScript(Engine engine)
{
    return QStringLiteral(ORVELA_SOURCE_DIR) + (engine == Engine::PostgreSQL
                                                    ? QStringLiteral("/scripts/pg-server.sh")
                                                    : QStringLiteral("/scripts/mariadb-server.sh"));
}

// A port on which nothing listens (for "server down").
QString ClosedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const QString port = QString::number(probe.serverPort());
    probe.close();
    return port;
}

// The facts field of one ORVELA_TEST_*_ variable name without its prefix.
QString* FactField(ServerFacts& facts, const QString& name)
{
    if (name == QLatin1String("HOST"))
        return &facts.host;
    if (name == QLatin1String("PORT"))
        return &facts.port;
    if (name == QLatin1String("USER"))
        return &facts.user;
    if (name == QLatin1String("PASSWORD"))
        return &facts.password;
    if (name == QLatin1String("DB"))
        return &facts.database;
    if (name == QLatin1String("DIR"))
        return &facts.folder;
    return nullptr;
}

const QStringList FactNames = {QStringLiteral("HOST"), QStringLiteral("PORT"),
                               QStringLiteral("USER"), QStringLiteral("PASSWORD"),
                               QStringLiteral("DB"),   QStringLiteral("DIR")};

ServerFacts ReadEnvFile(Engine engine, const QString& path)
{
    ServerFacts facts;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return facts;
    const QString prefix = VariablePrefix(engine);
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0 || !line.startsWith(prefix))
            continue;
        QString value = line.mid(eq + 1);
        if (value.size() >= 2 && value.startsWith(QLatin1Char('\'')) &&
            value.endsWith(QLatin1Char('\'')))
            value = value.mid(1, value.size() - 2);
        if (QString* field = FactField(facts, line.mid(prefix.size(), eq - prefix.size())))
            *field = value;
    }
    return facts;
}

} // namespace

QString EngineLabel(Engine engine)
{
    return EngineTitle(engine).toLower();
}

QString EngineTitle(Engine engine)
{
    switch (engine) {
    case Engine::SQLite:
        return QStringLiteral("SQLite");
    case Engine::PostgreSQL:
        return QStringLiteral("PostgreSQL");
    case Engine::MariaDB:
        break;
    }
    return QStringLiteral("MariaDB");
}

ServerFacts ServerFromEnvironment(Engine engine)
{
    ServerFacts facts;
    const QString prefix = VariablePrefix(engine);
    for (const QString& name : FactNames)
        *FactField(facts, name) = qEnvironmentVariable(qPrintable(prefix + name));
    return facts;
}

PgServer PgServerFromEnvironment()
{
    return ServerFromEnvironment(Engine::PostgreSQL);
}

void ExportServerFacts(Engine engine, const ServerFacts& facts)
{
    ServerFacts copy = facts;
    const QString prefix = VariablePrefix(engine);
    for (const QString& name : FactNames) {
        const QByteArray variable = (prefix + name).toUtf8();
        const QString& value = *FactField(copy, name);
        if (facts.present())
            qputenv(variable.constData(), value.toUtf8());
        else
            qunsetenv(variable.constData());
    }
}

PrivateServer::PrivateServer(Engine engine) : m_engine(engine)
{
    // The PostgreSQL server runs under its own account when the tests run as root: it must be
    // able to pass through the temporary folder to its own.
    QFile::setPermissions(m_folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ExeOwner | QFileDevice::ExeGroup |
                                               QFileDevice::ExeOther);
}

PrivateServer::~PrivateServer()
{
    Stop();
}

bool PrivateServer::Run(const QString& command)
{
    if (!m_folder.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    QProcess script;
    script.setProcessChannelMode(QProcess::MergedChannels);
    script.start(QStringLiteral("bash"),
                 {ServerScript(m_engine), command, m_folder.path() + QStringLiteral("/server")});
    if (!script.waitForFinished(120000) || script.exitStatus() != QProcess::NormalExit ||
        script.exitCode() != 0) {
        m_error = QString::fromUtf8(script.readAll());
        return false;
    }
    return true;
}

bool PrivateServer::Start()
{
    if (!Run(QStringLiteral("start")))
        return false;
    m_facts = ReadEnvFile(m_engine, m_folder.path() + QStringLiteral("/server/env"));
    return m_facts.present();
}

bool PrivateServer::Stop()
{
    return QFileInfo::exists(m_folder.path() + QStringLiteral("/server")) &&
           Run(QStringLiteral("stop"));
}

EngineFixture::EngineFixture()
{
    // The driver manager reads both variables once, at the first ODBC call of the process.
    qputenv("ODBCSYSINI", QFile::encodeName(m_folder.path()));
    qputenv("ODBCINI", QFile::encodeName(UserIniPath()));

    QMap<QString, QMap<QString, QString>> drivers;
    for (const Engine engine : AllEngines) {
        const QString path = DriverPath(engine);
        if (path.isEmpty()) {
            m_skipReasons[engine] =
                QStringLiteral("the %1 ODBC driver is not installed").arg(EngineTitle(engine));
            continue;
        }
        // DontDLClose keeps a driver loaded once used, so a leak report can still name it.
        drivers[DriverName(engine)] = {{QStringLiteral("Description"), EngineTitle(engine)},
                                       {QStringLiteral("Driver"), path},
                                       {QStringLiteral("DontDLClose"), QStringLiteral("1")}};
    }
    WriteIni(m_folder.path() + QStringLiteral("/odbcinst.ini"), drivers);

    if (m_skipReasons.value(Engine::SQLite).isEmpty()) {
        const QString file = m_folder.path() + QStringLiteral("/stations.db");
        QFile(file).open(QIODevice::WriteOnly); // an empty file is an empty SQLite database
        AddDataSource(DataSource(Engine::SQLite),
                      {{QStringLiteral("Driver"), DriverName(Engine::SQLite)},
                       {QStringLiteral("Database"), file},
                       {QStringLiteral("NoCreat"), QStringLiteral("1")},
                       {QStringLiteral("Timeout"), QStringLiteral("5000")}});
    }
    WriteIni(UserIniPath(), m_user);

    for (const Engine engine : ServerEngines) {
        m_servers[engine] = ServerFromEnvironment(engine);
        if (!m_skipReasons.value(engine).isEmpty())
            continue;
        if (!m_servers[engine].present())
            m_skipReasons[engine] =
                QStringLiteral("no %1 server: %2* are unset (run the tests through "
                               "scripts/test.sh)")
                    .arg(EngineTitle(engine), VariablePrefix(engine));
        else
            SetUpServer(engine);
    }
}

EngineFixture::~EngineFixture()
{
    for (const Engine engine : AllEngines)
        Disconnect(engine);
    for (const Engine engine : ServerEngines)
        DropServerDatabase(engine);
}

void EngineFixture::DropServerDatabase(Engine engine)
{
    const QString database = m_serverDatabases.value(engine);
    if (database.isEmpty())
        return;
    const QString name = QStringLiteral("fixture_drop_") + EngineLabel(engine);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
        db.setDatabaseName(AdminDataSource(engine));
        if (db.open())
            QSqlQuery(db).exec(QStringLiteral("DROP DATABASE IF EXISTS ") + database);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

void EngineFixture::SetUpServer(Engine engine)
{
    // A server is shared by test programs that run at the same time, so each gets its own
    // database; the shared one only serves to create and drop it.
    const ServerFacts& server = m_servers[engine];
    QMap<QString, QString> admin = ServerAttributes(engine, server, server.database);
    // Both drivers read the user and the password from the data source under these keys.
    admin[engine == Engine::PostgreSQL ? QStringLiteral("Username") : QStringLiteral("User")] =
        server.user;
    admin[QStringLiteral("Password")] = server.password;
    AddDataSource(AdminDataSource(engine), admin);

    const QString database = QStringLiteral("orvela_%1_%2")
                                 .arg(QCoreApplication::applicationPid())
                                 .arg(QRandomGenerator::global()->bounded(1000000));
    AddDataSource(DataSource(engine), ServerAttributes(engine, server, database));
    ServerFacts down = server;
    down.port = ClosedPort();
    AddDataSource(DownDataSource(engine), ServerAttributes(engine, down, server.database));

    const QString name = QStringLiteral("fixture_create_") + EngineLabel(engine);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
        db.setDatabaseName(AdminDataSource(engine));
        if (!db.open()) {
            m_skipReasons[engine] = QStringLiteral("cannot reach the %1 server: %2")
                                        .arg(EngineTitle(engine), db.lastError().text());
        } else {
            // Test programs that start together may create their databases at the same
            // moment, which a server can refuse while it copies the template for another.
            QSqlQuery create(db);
            bool created = false;
            for (int attempt = 0; attempt < 10 && !created; ++attempt) {
                created = create.exec(QStringLiteral("CREATE DATABASE ") + database);
                if (!created)
                    QThread::msleep(200);
            }
            if (created)
                m_serverDatabases[engine] = database;
            else
                m_skipReasons[engine] =
                    QStringLiteral("cannot create a test database: ") + create.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

QString EngineFixture::SystemIniPath() const
{
    return m_folder.path() + QStringLiteral("/odbc.ini");
}

QString EngineFixture::UserIniPath() const
{
    return m_folder.path() + QStringLiteral("/user-odbc.ini");
}

bool EngineFixture::Available(Engine engine) const
{
    return SkipReason(engine).isEmpty();
}

QString EngineFixture::SkipReason(Engine engine) const
{
    return m_skipReasons.value(engine);
}

QString EngineFixture::DataSource(Engine engine) const
{
    return QStringLiteral("OrvelaTest") + EngineTitle(engine);
}

QString EngineFixture::DownDataSource(Engine engine)
{
    return engine == Engine::PostgreSQL
               ? QStringLiteral("OrvelaTestPgDown")
               : QStringLiteral("OrvelaTest") + EngineTitle(engine) + QStringLiteral("Down");
}

QString EngineFixture::User(Engine engine) const
{
    return engine == Engine::SQLite ? QStringLiteral("anyone") : Server(engine).user;
}

QString EngineFixture::Password(Engine engine) const
{
    return engine == Engine::SQLite ? QStringLiteral("any;thing}") : Server(engine).password;
}

const ServerFacts& EngineFixture::Server(Engine engine) const
{
    static const ServerFacts none;
    const auto found = m_servers.constFind(engine);
    return found == m_servers.cend() ? none : *found;
}

QMap<QString, QString> EngineFixture::ServerAttributes(Engine engine, const ServerFacts& server,
                                                       const QString& database) const
{
    return {{QStringLiteral("Driver"), DriverName(engine)},
            {engine == Engine::PostgreSQL ? QStringLiteral("Servername") : QStringLiteral("Server"),
             server.host},
            {QStringLiteral("Port"), server.port},
            {QStringLiteral("Database"), database}};
}

void EngineFixture::AddDataSource(const QString& name, const QMap<QString, QString>& attributes,
                                  bool userFile)
{
    if (userFile) {
        m_user[name] = attributes;
        WriteIni(UserIniPath(), m_user);
    } else {
        m_system[name] = attributes;
        WriteIni(SystemIniPath(), m_system);
    }
}

void EngineFixture::WriteIni(const QString& path,
                             const QMap<QString, QMap<QString, QString>>& sections)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    QTextStream out(&file);
    for (auto section = sections.cbegin(); section != sections.cend(); ++section) {
        out << '[' << section.key() << "]\n";
        for (auto entry = section->cbegin(); entry != section->cend(); ++entry)
            out << entry.key() << '=' << entry.value() << '\n';
        out << '\n';
    }
}

QSqlDatabase EngineFixture::Admin(Engine engine)
{
    const QString name = AdminConnectionName(engine);
    QSqlDatabase db = QSqlDatabase::contains(name)
                          ? QSqlDatabase::database(name, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
    if (!db.isOpen()) {
        db.setDatabaseName(DataSource(engine));
        db.setUserName(engine == Engine::SQLite ? QString() : Server(engine).user);
        // The fixture's own connection quotes the password the ODBC way itself.
        QString password = Password(engine);
        password.replace(QLatin1String("}"), QLatin1String("}}"));
        db.setPassword(engine == Engine::SQLite ? QString()
                                                : QLatin1Char('{') + password + QLatin1Char('}'));
        if (!db.open())
            m_lastError = db.lastError().text();
    }
    return db;
}

void EngineFixture::Disconnect(Engine engine)
{
    const QString name = AdminConnectionName(engine);
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
}

bool EngineFixture::Exec(Engine engine, const QString& sql)
{
    QSqlDatabase db = Admin(engine);
    if (!db.isOpen())
        return false;
    QSqlQuery query(db);
    if (!query.exec(sql)) {
        m_lastError = sql.left(200) + QStringLiteral(": ") + query.lastError().text();
        return false;
    }
    return true;
}

bool EngineFixture::ExecAll(Engine engine, const QStringList& sql)
{
    for (const QString& statement : sql)
        if (!Exec(engine, statement))
            return false;
    return true;
}

QStringList EngineFixture::TableStatements(Engine engine)
{
    // MariaDB's TIMESTAMP moves values by the session's time zone and stops at 2038; DATETIME
    // keeps the fields as written.
    const QString time = engine == Engine::SQLite    ? QStringLiteral("TIMESTAMP")
                         : engine == Engine::MariaDB ? QStringLiteral("DATETIME")
                                                     : QStringLiteral("TIMESTAMP(0)");
    // MariaDB's index keys hold at most 3,072 bytes, less than two names of 4,000 characters
    // in utf8mb4: there the index covers the names' first characters.
    const QString index = engine == Engine::MariaDB
                              ? QStringLiteral("STATION_ID(64), SENSORNAME(64), TIME_TAG")
                              : QStringLiteral("STATION_ID, SENSORNAME, TIME_TAG");
    return {QStringLiteral("DROP TABLE IF EXISTS KT_DATA1"),
            QStringLiteral("DROP TABLE IF EXISTS KT_SITESENSORS"),
            QStringLiteral("DROP TABLE IF EXISTS KT_SITES"),
            QStringLiteral("CREATE TABLE KT_SITES (STATION_ID VARCHAR(4000), LAST_UPDATE %1)")
                .arg(time),
            QStringLiteral("CREATE TABLE KT_SITESENSORS (STE_STATION_ID VARCHAR(4000), "
                           "SENSORNAME VARCHAR(4000))"),
            QStringLiteral("CREATE TABLE KT_DATA1 (STATION_ID VARCHAR(4000), SENSORNAME "
                           "VARCHAR(4000), TIME_TAG %1, ED_VALUE DOUBLE PRECISION)")
                .arg(time),
            QStringLiteral("CREATE INDEX KT_DATA1_IDX ON KT_DATA1 (%1)").arg(index)};
}

bool EngineFixture::CreateTables(Engine engine)
{
    return ExecAll(engine, TableStatements(engine));
}

bool EngineFixture::ClearTables(Engine engine)
{
    return ExecAll(engine, {QStringLiteral("DELETE FROM KT_DATA1"),
                            QStringLiteral("DELETE FROM KT_SITESENSORS"),
                            QStringLiteral("DELETE FROM KT_SITES")});
}

bool EngineFixture::InsertReadings(Engine engine, const QString& station, const QString& sensor,
                                   const std::vector<TestReading>& readings)
{
    // Many rows per statement: one statement per row would make the large cases slow.
    constexpr std::size_t RowsPerStatement = 500;
    for (std::size_t first = 0; first < readings.size(); first += RowsPerStatement) {
        QString sql = QStringLiteral("INSERT INTO KT_DATA1 VALUES ");
        const std::size_t last = std::min(first + RowsPerStatement, readings.size());
        for (std::size_t i = first; i < last; ++i) {
            const TestReading& r = readings[i];
            if (i > first)
                sql += QLatin1Char(',');
            sql += QStringLiteral("(%1,%2,%3,%4)")
                       .arg(Quote(station), Quote(sensor),
                            TimeLiteral(engine, r.year, r.month, r.day, r.hour, r.minute, r.second),
                            r.null ? QStringLiteral("NULL") : QString::number(r.value, 'g', 17));
        }
        if (!Exec(engine, sql))
            return false;
    }
    return true;
}

QString EngineFixture::TimeLiteral(Engine engine, int year, int month, int day, int hour,
                                   int minute, int second)
{
    const QString text = QString::asprintf("'%04d-%02d-%02d %02d:%02d:%02d'", year, month, day,
                                           hour, minute, second);
    return engine == Engine::SQLite ? text : QStringLiteral("TIMESTAMP ") + text;
}

QString EngineFixture::Quote(const QString& text)
{
    QString quoted = text;
    quoted.replace(QLatin1String("'"), QLatin1String("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

} // namespace orvela::test
