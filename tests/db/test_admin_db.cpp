// orvela-admin's database commands, run as the program itself: the demo station (its database,
// ODBC set-up and configuration, on SQLite and in the database of a server's data source), the
// feed, the data source list and the connection check.

#include "core/db/password_scrambler.h"
#include "db/engine_fixture.h"
#include "text_literal.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

#include <cmath>
#include <memory>

using orvela::test::operator""_q;

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run Admin(const QStringList& args, const QProcessEnvironment& environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(ORVELA_ADMIN_PATH), args);
    Run run;
    if (!process.waitForFinished(120000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QDateTime ParseTime(const QString& text)
{
    return QDateTime::fromString(text, "yyyy-MM-dd HH:mm:ss"_q);
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The section the demo registers for the user, for a demo in `folder`.
QByteArray DemoSection(const QString& folder)
{
    return "[OrvelaDemo]\nDescription=Orvela demo stations\nDriver=%1\nDatabase=%2\n"
           "NoCreat=1\nTimeout=5000\n"_q
               .arg(QStringLiteral(ORVELA_SQLITE_ODBC_DRIVER),
                    QDir(folder).filePath("stations.db"_q))
               .toUtf8();
}

} // namespace

Q_DECLARE_METATYPE(orvela::test::Engine)

class TestAdminDb : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    std::unique_ptr<orvela::test::EngineFixture> m_fx;
    QString m_demo;
    QString m_userIni;
    QString m_config;
    QProcessEnvironment m_environment;
    // The zone the demo runs in: far from UTC, so that a time written in UTC shows.
    const QByteArray m_zone = "Pacific/Kiritimati";

    QSqlDatabase Demo()
    {
        const QString name = "demo_reader"_q;
        if (QSqlDatabase::contains(name))
            return QSqlDatabase::database(name);
        QSqlDatabase db = QSqlDatabase::addDatabase("QODBC"_q, name);
        db.setDatabaseName("DRIVER={%1};Database=%2"_q.arg(
            QStringLiteral(ORVELA_SQLITE_ODBC_DRIVER), m_demo + "/stations.db"_q));
        db.open();
        return db;
    }

    // Civil fields in a value no zone adjusts, so that differences are plain seconds.
    static QDateTime AsFields(const QDateTime& t) { return QDateTime(t.date(), t.time(), Qt::UTC); }

    // The demo zone's civil time now.
    QDateTime CivilNow() const
    {
        return AsFields(QDateTime::currentDateTime().toTimeZone(QTimeZone(m_zone)));
    }

    QVariant Scalar(const QString& sql)
    {
        QSqlQuery query(Demo());
        if (!query.exec(sql) || !query.next())
            return QVariant();
        return query.value(0);
    }

private slots:
    // The environment of a run whose user data sources are in `userIni`.
    QProcessEnvironment WithUserIni(const QString& userIni) const
    {
        QProcessEnvironment environment = m_environment;
        environment.insert("ODBCINI"_q, userIni);
        return environment;
    }

    void initTestCase()
    {
        // The server engines' data sources, before this process makes its first ODBC call.
        m_fx = std::make_unique<orvela::test::EngineFixture>();
        m_demo = m_folder.filePath("demo"_q);
        m_config = m_folder.filePath("config"_q);
        m_userIni = m_folder.filePath("user-sources.ini"_q);
        QVERIFY(QDir().mkpath(m_config));
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert("TZ"_q, QString::fromLatin1(m_zone));
        m_environment.insert("ODBCSYSINI"_q, m_demo);
        m_environment.insert("ODBCINI"_q, m_userIni);
        // Under the sanitizers: the ODBC driver manager unloads its own libraries at exit and
        // leaves their caches behind, which leak detection would report against an unknown
        // module in every run of the program. This process still checks its own leaks.
        if (m_environment.contains("ASAN_OPTIONS"_q))
            m_environment.insert("ASAN_OPTIONS"_q,
                                 m_environment.value("ASAN_OPTIONS"_q) + ":detect_leaks=0"_q);

        QElapsedTimer timer;
        timer.start();
        const Run run = Admin({"demo"_q, m_demo, "--config-dir"_q, m_config}, m_environment);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        qInfo("demo created in %lld ms", timer.elapsed());
    }

    void cleanupTestCase()
    {
        if (QSqlDatabase::contains("demo_reader"_q)) {
            QSqlDatabase::database("demo_reader"_q).close();
            QSqlDatabase::removeDatabase("demo_reader"_q);
        }
        m_fx.reset();
    }

    void demoOdbcSetUp()
    {
        QFile odbc(m_demo + "/odbc.ini"_q);
        QVERIFY(odbc.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(odbc.readAll());
        QVERIFY(text.contains("[OrvelaDemo]"_q));
        QVERIFY(text.contains("NoCreat=1"_q));
        QVERIFY(text.contains("Database="_q + QDir(m_demo).absoluteFilePath("stations.db"_q)));
        QVERIFY(QFile::exists(m_demo + "/odbcinst.ini"_q));

        const Run list = Admin({"dsn"_q, "list"_q}, m_environment);
        QCOMPARE(list.exitCode, 0);
        // Registered for the user as well, where the driver manager looks first.
        QCOMPARE(ReadAll(m_userIni), DemoSection(m_demo));
        QVERIFY2(list.out.split(QLatin1Char('\n'))
                     .contains("OrvelaDemo\t"_q + QStringLiteral(ORVELA_SQLITE_ODBC_DRIVER)),
                 qPrintable(list.out));
        QVERIFY2(Admin({"dsn"_q, "list"_q}, WithUserIni(m_folder.filePath("none.ini"_q)))
                     .out.split(QLatin1Char('\n'))
                     .contains("OrvelaDemo\tOrvela SQLite"_q),
                 qPrintable(list.out));
    }

    // The user's own file keeps everything but the demo's section, which a second run with
    // the same folder leaves as it is.
    void demoRegistersTheUserDataSource_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after"); // "@" stands for the demo's section
        QTest::addColumn<bool>("changed");
        QTest::newRow("no file yet") << QByteArray() << QByteArray("@") << true;
        QTest::newRow("other sections and comments kept, an old demo section replaced")
            << QByteArray("# mine\n[Mine]\nDriver = x ; y\r\n\n; old\n[orvelademo]\nDriver=old\n"
                          "Database=/gone\n[Other]\nX=1")
            << QByteArray("# mine\n[Mine]\nDriver = x ; y\r\n\n; old\n@\n[Other]\nX=1") << true;
        QTest::newRow("appended after a last line without its end")
            << QByteArray("[Mine]\nA=1") << QByteArray("[Mine]\nA=1\n\n@") << true;
        QTest::newRow("the same section already there")
            << QByteArray("[First]\n\n@\n[Last]\n") << QByteArray("[First]\n\n@\n[Last]\n")
            << false;
    }

    void demoRegistersTheUserDataSource()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(bool, changed);
        const QString folder = m_folder.filePath("registered-%1"_q.arg(QTest::currentDataTag()));
        const QString ini = folder + ".ini"_q;
        const QByteArray section = DemoSection(folder);
        if (!before.isEmpty()) {
            QFile file(ini);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(before).replace('@', section));
        }
        const Run run = Admin({"demo"_q, folder, "--config-dir"_q, folder, "--days"_q, "1"_q},
                              WithUserIni(ini));
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QCOMPARE(ReadAll(ini), QByteArray(after).replace('@', section));
        QVERIFY2(run.out.contains(changed
                                      ? "data source OrvelaDemo: registered in "_q + ini
                                      : "data source OrvelaDemo: already registered in "_q + ini),
                 qPrintable(run.out));
        if (before.isEmpty()) // a file of the user's own, as it may come to hold passwords
            QCOMPARE(QFile::permissions(ini) &
                         ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
                     QFile::ReadOwner | QFile::WriteOwner);
    }

    void demoStationsAndReadings()
    {
        QVERIFY2(Demo().isOpen(), qPrintable(Demo().lastError().text()));
        QCOMPARE(Scalar("SELECT COUNT(*) FROM KT_SITES"_q).toInt(), 3);
        QSqlQuery sensors(Demo());
        QVERIFY(sensors.exec("SELECT STE_STATION_ID, COUNT(*) FROM KT_SITESENSORS GROUP BY "
                             "STE_STATION_ID"_q));
        int stations = 0;
        while (sensors.next()) {
            ++stations;
            QVERIFY(sensors.value(1).toInt() >= 8 && sensors.value(1).toInt() <= 10);
        }
        QCOMPARE(stations, 3);
        // Every sensor has one reading a minute over 14 days, both ends included.
        QSqlQuery counts(Demo());
        QVERIFY(counts.exec("SELECT COUNT(*), MIN(TIME_TAG), MAX(TIME_TAG) FROM KT_DATA1 GROUP "
                            "BY STATION_ID, SENSORNAME"_q));
        int series = 0;
        while (counts.next()) {
            ++series;
            QCOMPARE(counts.value(0).toInt(), 14 * 1440 + 1);
        }
        QVERIFY(series >= 24);
        QCOMPARE(Scalar("SELECT COUNT(*) FROM KT_DATA1 WHERE ED_VALUE IS NULL"_q).toInt(), 0);
        QCOMPARE(Scalar("SELECT COUNT(*) FROM KT_DATA1 WHERE SENSORNAME = 'HUMIDITY' AND "
                        "(ED_VALUE < 0 OR ED_VALUE > 100)"_q)
                     .toInt(),
                 0);
        QCOMPARE(Scalar("SELECT COUNT(*) FROM KT_DATA1 WHERE SENSORNAME = 'WIND DIR' AND "
                        "(ED_VALUE < 0 OR ED_VALUE >= 360)"_q)
                     .toInt(),
                 0);
        QVERIFY(Scalar("SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND name = "
                       "'KT_DATA1_IDX'"_q)
                    .toInt() == 1);
    }

    // Time stamps are the local civil time of the zone the demo ran in, stored as text.
    void demoTimesAreLocalCivilTime()
    {
        const QString last =
            Scalar("SELECT MAX(TIME_TAG) FROM KT_DATA1 WHERE STATION_ID = 'HARBOUR'"_q).toString();
        QCOMPARE(last.size(), 19);
        QCOMPARE(Scalar("SELECT LAST_UPDATE || '' FROM KT_SITES WHERE STATION_ID = 'HARBOUR'"_q)
                     .toString(),
                 last);
        const QDateTime lastTime = ParseTime(last);
        QVERIFY(lastTime.isValid());
        QCOMPARE(lastTime.time().second(), 0);
        QVERIFY2(std::llabs(AsFields(lastTime).secsTo(CivilNow())) < 600, qPrintable(last));
    }

    void demoConfiguration()
    {
        QFile file(m_config + "/Orvela.ovf"_q);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.contains("[DataBase]\r\nDataSource=OrvelaDemo\r\n"));
        QVERIFY(!bytes.contains("\n\n"));
        QVERIFY(bytes.contains("Units=\xc2\xb0"
                               "C\r\n")); // the degree sign in UTF-8
        const QList<QByteArray> lines = bytes.split('\n');
        QByteArray stored;
        int names = 0;
        for (const QByteArray& line : lines) {
            if (line.startsWith("Password="))
                stored = line.mid(9).trimmed();
            if (line.startsWith("Name=") && line.trimmed().size() > 5)
                ++names;
        }
        QCOMPARE(stored.size(), 40);
        QVERIFY(orvela::DecodeStoredPassword(QString::fromLatin1(stored).toStdU16String()) ==
                u"demo");
        QCOMPARE(names, 13);
        const QStringList sections{"[Windows]"_q,   "[Application]"_q, "[DataBase]"_q,
                                   "[LogForm]"_q,   "[Graph1]"_q,      "[Graph6]"_q,
                                   "[LiveData1]"_q, "[LiveData7]"_q};
        int at = -1;
        for (const QString& section : sections) {
            const int next = bytes.indexOf(section.toLatin1());
            QVERIFY2(next > at, qPrintable(section));
            at = next;
        }
    }

    void demoNeverOverwritesAConfiguration()
    {
        QFile file(m_config + "/Orvela.ovf"_q);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll() + "[Mine]\r\nKey=1\r\n";
        file.close();
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(before);
        file.close();
        const QString other = m_folder.filePath("demo2"_q);
        const Run run = Admin({"demo"_q, other, "--config-dir"_q, m_config, "--days"_q, "1"_q},
                              WithUserIni(other + ".ini"_q));
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }

    void demoCreatesAMissingConfigFolder()
    {
        const QString desk = m_folder.filePath("new/desk"_q);
        const QString demo = m_folder.filePath("demo3"_q);
        const Run run = Admin({"demo"_q, demo, "--config-dir"_q, desk, "--days"_q, "1"_q},
                              WithUserIni(demo + ".ini"_q));
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY(QFileInfo::exists(desk + "/Orvela.ovf"_q));
    }

    void check()
    {
        // Readings end at the demo's last minute; the check's window ends at its own now.
        const QDateTime last = AsFields(
            ParseTime(Scalar("SELECT MAX(TIME_TAG) FROM KT_DATA1 WHERE STATION_ID = 'HILLTOP'"_q)
                          .toString()));
        const auto readingsSince = [&last](const QDateTime& now) {
            return (now.addSecs(-86400).secsTo(last)) / 60 + 1;
        };
        const qint64 most = readingsSince(CivilNow());
        const Run run =
            Admin({"check"_q, "OrvelaDemo"_q, "any"_q, "any"_q, "hilltop"_q}, m_environment);
        const qint64 fewest = readingsSince(CivilNow());
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(lines.size() >= 5 + 8);
        QCOMPARE(lines[0], "engine: SQLite"_q);
        QStringList stations =
            lines[1].mid(QStringLiteral("stations: ").size()).split(QLatin1Char(','));
        stations.sort();
        QCOMPARE(stations, (QStringList{"HARBOUR"_q, "HILLTOP"_q, "VALLEY"_q}));
        QCOMPARE(lines[2], "station: hilltop"_q); // found under its stored spelling
        QVERIFY(lines[3].startsWith("last update: 20"_q));
        QCOMPARE(lines[4], "sensor\tlatest value\treadings in the last 24 hours"_q);
        for (int i = 5; i < lines.size(); ++i) {
            const QStringList fields = lines[i].split(QLatin1Char('\t'));
            QCOMPARE(fields.size(), 3);
            bool number = false;
            fields[1].toDouble(&number);
            QVERIFY2(number, qPrintable(lines[i]));
            // One reading a minute over the last 24 hours, both ends included.
            const int count = fields[2].toInt();
            QVERIFY2(count >= fewest && count <= most && count <= 1441,
                     qPrintable(lines[i] + " %1 to %2"_q.arg(fewest).arg(most)));
        }
    }

    void checkFailures_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("errorPart");
        QTest::newRow("unknown data source")
            << QStringList{"check"_q, "NoSuchSource"_q, "u"_q, "p"_q} << 1 << "not found"_q;
        QTest::newRow("unknown data source: where they are looked up")
            << QStringList{"check"_q, "NoSuchSource"_q, "u"_q, "p"_q} << 1
            << "looked up in %1 (the user's: ODBCINI, else ~/.odbc.ini) and then in %2/odbc.ini"_q
                   .arg(m_userIni, m_demo);
        QTest::newRow("too few words") << QStringList{"check"_q, "OrvelaDemo"_q} << 2 << "usage"_q;
        QTest::newRow("feed with a bad interval")
            << QStringList{"feed"_q, "OrvelaDemo"_q, "u"_q, "p"_q, "--interval"_q, "0"_q} << 2
            << "usage"_q;
        QTest::newRow("feed of an unknown source")
            << QStringList{"feed"_q, "NoSuchSource"_q, "u"_q, "p"_q} << 1 << "not found"_q;
        QTest::newRow("dsn without list") << QStringList{"dsn"_q} << 2 << "usage"_q;
    }

    void checkFailures()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, errorPart);
        const Run run = Admin(args, m_environment);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.contains(errorPart, Qt::CaseInsensitive), qPrintable(run.err));
        for (const QString& line : run.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            QVERIFY2(line.startsWith("orvela-admin: "_q) || line.startsWith("usage: "_q),
                     qPrintable(line));
    }

    // The demo and the feed on a server engine, through the data source the tests set up.
    void demoIntoAServerEngine_data()
    {
        QTest::addColumn<orvela::test::Engine>("engine");
        for (const orvela::test::Engine engine : orvela::test::ServerEngines)
            QTest::newRow(qPrintable(orvela::test::EngineLabel(engine))) << engine;
    }

    void demoIntoAServerEngine()
    {
        QFETCH(orvela::test::Engine, engine);
        if (!m_fx->Available(engine))
            QSKIP(qPrintable(m_fx->SkipReason(engine)));
        // The fixture's ODBC set-up, which this process's environment names.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TZ"_q, QString::fromLatin1(m_zone));
        if (m_environment.contains("ASAN_OPTIONS"_q))
            environment.insert("ASAN_OPTIONS"_q, m_environment.value("ASAN_OPTIONS"_q));
        const QString dsn = m_fx->DataSource(engine);
        const QString user = m_fx->User(engine);
        const QString password = m_fx->Password(engine);
        const QString desk = m_folder.filePath("desk-"_q + orvela::test::EngineLabel(engine));
        const QStringList into{"demo"_q, "--into"_q,       dsn, user, password, "--days"_q,
                               "1"_q,    "--config-dir"_q, desk};
        const Run made = Admin(into, environment);
        QVERIFY2(made.exitCode == 0, qPrintable(made.err));
        QVERIFY2(made.out.contains(" 3 stations, "_q), qPrintable(made.out));
        const QByteArray config = ReadAll(desk + "/Orvela.ovf"_q);
        QVERIFY(config.contains("DataSource=" + dsn.toUtf8() + "\r\nUserName=" + user.toUtf8()));
        // A station database is never written over.
        const Run again = Admin(into, environment);
        QCOMPARE(again.exitCode, 1);
        QVERIFY2(again.err.startsWith("orvela-admin: demo: "_q) &&
                     again.err.contains("already holds a table"_q),
                 qPrintable(again.err));

        const auto checked = [&] {
            return Admin({"check"_q, dsn, user, password, "valley"_q}, environment);
        };
        const Run check = checked();
        QVERIFY2(check.exitCode == 0, qPrintable(check.err));
        const QStringList lines = check.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(lines.size() >= 5 + 8);
        QCOMPARE(lines[0], "engine: "_q + orvela::test::EngineTitle(engine));
        QStringList stations = lines[1].mid(QStringLiteral("stations: ").size()).split(',');
        stations.sort();
        QCOMPARE(stations, (QStringList{"HARBOUR"_q, "HILLTOP"_q, "VALLEY"_q}));
        for (int i = 5; i < lines.size(); ++i) {
            const int count = lines[i].section(QLatin1Char('\t'), 2).toInt();
            QVERIFY2(count >= 1380 && count <= 1441, qPrintable(lines[i]));
        }

        // The feed moves the last update on.
        QProcess feed;
        feed.setProcessEnvironment(environment);
        feed.start(QStringLiteral(ORVELA_ADMIN_PATH),
                   {"feed"_q, dsn, user, password, "--interval"_q, "1"_q});
        QVERIFY(feed.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(checked().out.section(QLatin1Char('\n'), 3, 3) > lines[3], 20000);
        feed.kill();
        feed.waitForFinished();
    }

    void feedAppendsAndMovesLastUpdate()
    {
        const QString before =
            Scalar("SELECT LAST_UPDATE || '' FROM KT_SITES WHERE STATION_ID = 'VALLEY'"_q)
                .toString();
        const int rowsBefore = Scalar("SELECT COUNT(*) FROM KT_DATA1"_q).toInt();
        QProcess feed;
        feed.setProcessEnvironment(m_environment);
        feed.start(QStringLiteral(ORVELA_ADMIN_PATH),
                   {"feed"_q, "OrvelaDemo"_q, "demo"_q, "demo"_q, "--interval"_q, "1"_q});
        QVERIFY(feed.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(
            Scalar("SELECT LAST_UPDATE || '' FROM KT_SITES WHERE STATION_ID = 'VALLEY'"_q)
                    .toString() > before,
            20000);
        feed.kill();
        feed.waitForFinished();

        const QString after =
            Scalar("SELECT LAST_UPDATE || '' FROM KT_SITES WHERE STATION_ID = 'VALLEY'"_q)
                .toString();
        QVERIFY(ParseTime(after).isValid());
        QVERIFY(Scalar("SELECT COUNT(*) FROM KT_DATA1"_q).toInt() > rowsBefore);
        // One reading for every sensor of the station at the new time.
        QCOMPARE(Scalar("SELECT COUNT(*) FROM KT_DATA1 WHERE STATION_ID = 'VALLEY' AND "
                        "TIME_TAG = '%1'"_q.arg(after))
                     .toInt(),
                 Scalar("SELECT COUNT(*) FROM KT_SITESENSORS WHERE STE_STATION_ID = 'VALLEY'"_q)
                     .toInt());
        // The new readings carry on from the old ones.
        const double lastTemperature =
            Scalar("SELECT ED_VALUE FROM KT_DATA1 WHERE STATION_ID = 'VALLEY' AND SENSORNAME = "
                   "'AIR TEMP' AND TIME_TAG = '%1'"_q.arg(after))
                .toDouble();
        const double oldTemperature =
            Scalar("SELECT ED_VALUE FROM KT_DATA1 WHERE STATION_ID = 'VALLEY' AND SENSORNAME = "
                   "'AIR TEMP' AND TIME_TAG = '%1'"_q.arg(before))
                .toDouble();
        QVERIFY2(std::fabs(lastTemperature - oldTemperature) < 3.0,
                 qPrintable("%1 then %2"_q.arg(oldTemperature).arg(lastTemperature)));
    }
};

QTEST_GUILESS_MAIN(TestAdminDb)
#include "test_admin_db.moc"
