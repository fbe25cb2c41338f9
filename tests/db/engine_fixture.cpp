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

const QString SqliteDriverName = QStringLiteral("Orvela Test SQLite");
const QString PgDriverName = QStringLiteral("Orvela Test PostgreSQL");

QString DriverPath(const char* configured)
{
    const QString path = QString::fromUtf8(configured);
    return QFileInfo::exists(path) ? path : QString();
}

QString AdminConnectionName(Engine engine)
{
    return QStringLiteral("fixture_admin_") + EngineLabel(engine);
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

PgServer ReadEnvFile(const QString& path)
{
    PgServer facts;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return facts;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString key = line.left(eq);
        QString value = line.mid(eq + 1);
        if (value.size() >= 2 && value.startsWith(QLatin1Char('\'')) &&
            value.endsWith(QLatin1Char('\'')))
            value = value.mid(1, value.size() - 2);
        if (key == QLatin1String("ORVELA_TEST_PG_HOST"))
            facts.host = value;
        else if (key == QLatin1String("ORVELA_TEST_PG_PORT"))
            facts.port = value;
        else if (key == QLatin1String("ORVELA_TEST_PG_USER"))
            facts.user = value;
        else if (key == QLatin1String("ORVELA_TEST_PG_PASSWORD"))
            facts.password = value;
        else if (key == QLatin1String("ORVELA_TEST_PG_DB"))
            facts.database = value;
        else if (key == QLatin1String("ORVELA_TEST_PG_DIR"))
            facts.folder = value;
    }
    return facts;
}

} // namespace

QString EngineLabel(Engine engine)
{
    return engine == Engine::SQLite ? QStringLiteral("sqlite") : QStringLiteral("postgresql");
}

PgServer PgServerFromEnvironment()
{
    PgServer facts;
    facts.host = qEnvironmentVariable("ORVELA_TEST_PG_HOST");
    facts.port = qEnvironmentVariable("ORVELA_TEST_PG_PORT");
    facts.user = qEnvironmentVariable("ORVELA_TEST_PG_USER");
    facts.password = qEnvironmentVariable("ORVELA_TEST_PG_PASSWORD");
    facts.database = qEnvironmentVariable("ORVELA_TEST_PG_DB");
    facts.folder = qEnvironmentVariable("ORVELA_TEST_PG_DIR");
    return facts;
}

PrivatePgServer::PrivatePgServer()
{
    // The server runs under its own account when the tests run as root: it must be able to
    // pass through the temporary folder to its own.
    QFile::setPermissions(m_folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ExeOwner | QFileDevice::ExeGroup |
                                               QFileDevice::ExeOther);
}

PrivatePgServer::~PrivatePgServer()
{
    Stop();
}

bool PrivatePgServer::Run(const QString& command)
{
    if (!m_folder.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    QProcess script;
    script.setProcessChannelMode(QProcess::MergedChannels);
    script.start(QStringLiteral("bash"), {QStringLiteral(ORVELA_SOURCE_DIR "/scripts/pg-server.sh"),
                                          command, m_folder.path() + QStringLiteral("/pg")});
    if (!script.waitForFinished(120000) || script.exitStatus() != QProcess::NormalExit ||
        script.exitCode() != 0) {
        m_error = QString::fromUtf8(script.readAll());
        return false;
    }
    return true;
}

bool PrivatePgServer::Start()
{
    if (!Run(QStringLiteral("start")))
        return false;
    m_facts = ReadEnvFile(m_folder.path() + QStringLiteral("/pg/env"));
    return m_facts.present();
}

bool PrivatePgServer::Stop()
{
    return QFileInfo::exists(m_folder.path() + QStringLiteral("/pg")) &&
           Run(QStringLiteral("stop"));
}

EngineFixture::EngineFixture()
{
    // The driver manager reads both variables once, at the first ODBC call of the process.
    qputenv("ODBCSYSINI", QFile::encodeName(m_folder.path()));
    qputenv("ODBCINI", QFile::encodeName(UserIniPath()));

    const QString sqliteDriver = DriverPath(ORVELA_SQLITE_ODBC_DRIVER);
    const QString pgDriver = DriverPath(ORVELA_PG_ODBC_DRIVER);
    QMap<QString, QMap<QString, QString>> drivers;
    // DontDLClose keeps a driver loaded once used, so a leak report can still name it.
    if (!sqliteDriver.isEmpty())
        drivers[SqliteDriverName] = {{QStringLiteral("Description"), QStringLiteral("SQLite 3")},
                                     {QStringLiteral("Driver"), sqliteDriver},
                                     {QStringLiteral("DontDLClose"), QStringLiteral("1")}};
    if (!pgDriver.isEmpty())
        drivers[PgDriverName] = {{QStringLiteral("Description"), QStringLiteral("PostgreSQL")},
                                 {QStringLiteral("Driver"), pgDriver},
                                 {QStringLiteral("DontDLClose"), QStringLiteral("1")}};
    WriteIni(m_folder.path() + QStringLiteral("/odbcinst.ini"), drivers);

    if (sqliteDriver.isEmpty()) {
        m_sqliteSkipReason = QStringLiteral("the SQLite ODBC driver is not installed");
    } else {
        const QString file = m_folder.path() + QStringLiteral("/stations.db");
        QFile(file).open(QIODevice::WriteOnly); // an empty file is an empty SQLite database
        AddDataSource(DataSource(Engine::SQLite),
                      {{QStringLiteral("Driver"), SqliteDriverName},
                       {QStringLiteral("Database"), file},
                       {QStringLiteral("NoCreat"), QStringLiteral("1")},
                       {QStringLiteral("Timeout"), QStringLiteral("5000")}});
    }
    WriteIni(UserIniPath(), m_user);

    m_pg = PgServerFromEnvironment();
    if (pgDriver.isEmpty())
        m_pgSkipReason = QStringLiteral("the PostgreSQL ODBC driver is not installed");
    else if (!m_pg.present())
        m_pgSkipReason = QStringLiteral("no PostgreSQL server: ORVELA_TEST_PG_* are unset (run "
                                        "the tests through scripts/test.sh)");
    else
        SetUpPostgreSql();
}

EngineFixture::~EngineFixture()
{
    Disconnect(Engine::SQLite);
    Disconnect(Engine::PostgreSQL);
    if (!m_pgDatabase.isEmpty()) {
        const QString name = QStringLiteral("fixture_pg_drop");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
            db.setDatabaseName(QStringLiteral("OrvelaTestPgAdmin"));
            if (db.open())
                QSqlQuery(db).exec(QStringLiteral("DROP DATABASE IF EXISTS ") + m_pgDatabase);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
}

void EngineFixture::SetUpPostgreSql()
{
    // The server is shared by test programs that run at the same time, so each gets its own
    // database; the shared one only serves to create and drop it.
    QMap<QString, QString> admin = PgAttributes(m_pg, m_pg.database);
    admin[QStringLiteral("Username")] = m_pg.user;
    admin[QStringLiteral("Password")] = m_pg.password;
    AddDataSource(QStringLiteral("OrvelaTestPgAdmin"), admin);

    m_pgDatabase = QStringLiteral("orvela_%1_%2")
                       .arg(QCoreApplication::applicationPid())
                       .arg(QRandomGenerator::global()->bounded(1000000));
    AddDataSource(DataSource(Engine::PostgreSQL), PgAttributes(m_pg, m_pgDatabase));
    PgServer down = m_pg;
    down.port = ClosedPort();
    AddDataSource(QStringLiteral("OrvelaTestPgDown"), PgAttributes(down, m_pg.database));

    const QString name = QStringLiteral("fixture_pg_create");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
        db.setDatabaseName(QStringLiteral("OrvelaTestPgAdmin"));
        if (!db.open()) {
            m_pgSkipReason =
                QStringLiteral("cannot reach the PostgreSQL server: ") + db.lastError().text();
        } else {
            // Test programs that start together may create their databases at the same
            // moment, which the server can refuse while it copies the template for another.
            QSqlQuery create(db);
            bool created = false;
            for (int attempt = 0; attempt < 10 && !created; ++attempt) {
                created = create.exec(QStringLiteral("CREATE DATABASE ") + m_pgDatabase);
                if (!created)
                    QThread::msleep(200);
            }
            if (!created) {
                m_pgSkipReason =
                    QStringLiteral("cannot create a test database: ") + create.lastError().text();
                m_pgDatabase.clear();
            }
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
    return engine == Engine::SQLite ? m_sqliteSkipReason : m_pgSkipReason;
}

QString EngineFixture::DataSource(Engine engine) const
{
    return engine == Engine::SQLite ? QStringLiteral("OrvelaTestSQLite")
                                    : QStringLiteral("OrvelaTestPostgreSQL");
}

QString EngineFixture::User(Engine engine) const
{
    return engine == Engine::SQLite ? QStringLiteral("anyone") : m_pg.user;
}

QString EngineFixture::Password(Engine engine) const
{
    return engine == Engine::SQLite ? QStringLiteral("any;thing}") : m_pg.password;
}

QMap<QString, QString> EngineFixture::PgAttributes(const PgServer& server,
                                                   const QString& database) const
{
    return {{QStringLiteral("Driver"), PgDriverName},
            {QStringLiteral("Servername"), server.host},
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
        db.setUserName(engine == Engine::SQLite ? QString() : m_pg.user);
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
    const QString time =
        engine == Engine::SQLite ? QStringLiteral("TIMESTAMP") : QStringLiteral("TIMESTAMP(0)");
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
            QStringLiteral("CREATE INDEX KT_DATA1_IDX ON KT_DATA1 (STATION_ID, SENSORNAME, "
                           "TIME_TAG)")};
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
