// The main window's database commands against real engines: the connection at start, the
// "Connect" command through the real login dialog, "Disconnect", and what each writes.

#include "core/db/password_scrambler.h"
#include "db/engine_fixture.h"
#include "gui/app/frm_main.h"
#include "gui/db/frm_login.h"
#include "gui/live/live_position.h"
#include "gui/live/station_panel.h"
#include "gui/messages/frm_log.h"
#include "recording_prompter.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>

using namespace orvela;
using namespace orvela::test;

Q_DECLARE_METATYPE(orvela::test::Engine)

namespace {

const QString NoStationText = QStringLiteral(
    "No station has been selected.  \nSelect station in the Setup Parameters window.");

void writeFile(const QString& path, const QString& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content.toLatin1());
}

QString readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

QString valueOf(const QString& file, const QString& key)
{
    const QRegularExpression line(QStringLiteral("^") + key + QStringLiteral("=(.*)$"),
                                  QRegularExpression::MultilineOption);
    return line.match(file).captured(1).trimmed();
}

bool logHas(TfrmLog& log, const QString& text)
{
    return log.memLog()->toPlainText().contains(QStringLiteral("    ") + text + QLatin1Char('.'));
}

QString stored(const QString& password)
{
    return QString::fromStdU16String(EncodeStoredPassword(password.toStdU16String()));
}

// Answers the login dialog once it is up: pick `alias` (nothing when empty), type the user
// and password, then press OK or Cancel.
void answerLogin(TfrmMain& window, const QString& alias, const QString& user,
                 const QString& password, bool ok)
{
    QTimer::singleShot(0, &window, [=, &window] {
        TMyLoginForm* form = window.loginForm();
        QVERIFY(form);
        QTRY_VERIFY(form->isVisible());
        if (!alias.isEmpty())
            form->cboDBAlias->setCurrentIndex(form->cboDBAlias->findText(alias));
        form->edtDBUserName->clear();
        QTest::keyClicks(form->edtDBUserName, user);
        form->edtDBPassword->clear();
        // Key events are made for ASCII only; other characters go in as typed text would.
        const bool ascii = std::all_of(password.begin(), password.end(),
                                       [](QChar c) { return c.unicode() < 0x80; });
        if (ascii)
            QTest::keyClicks(form->edtDBPassword, password);
        else
            form->edtDBPassword->insert(password);
        QTest::mouseClick(ok ? form->btnOK : form->btnCancel, Qt::LeftButton);
    });
}

} // namespace

class TestFrmMainDatabase : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<EngineFixture> m_fx;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_config;

    void addEngineColumn()
    {
        QTest::addColumn<Engine>("engine");
        for (const Engine engine : AllEngines)
            QTest::newRow(qPrintable(EngineLabel(engine))) << engine;
    }

    // A station with two sensors and a last update, on the engine under test.
    void prepareStation(Engine engine)
    {
        QVERIFY2(m_fx->CreateTables(engine), qPrintable(m_fx->LastError()));
        const QString update = EngineFixture::TimeLiteral(engine, 2005, 3, 2, 14, 25, 36);
        QVERIFY2(m_fx->ExecAll(engine,
                               {"INSERT INTO KT_SITES (STATION_ID, LAST_UPDATE) VALUES ('STN1', " +
                                    update + ")",
                                "INSERT INTO KT_SITESENSORS (STE_STATION_ID, SENSORNAME) VALUES "
                                "('STN1', 'AIR TEMP')",
                                "INSERT INTO KT_SITESENSORS (STE_STATION_ID, SENSORNAME) VALUES "
                                "('STN1', 'humidity')"}),
                 qPrintable(m_fx->LastError()));
    }

    void writeConnectedConfig(Engine engine, const QString& station)
    {
        writeFile(m_config, "[DataBase]\r\nDataSource=" + m_fx->DataSource(engine) +
                                "\r\nUserName=" + m_fx->User(engine) + "\r\nPassword=" +
                                stored(m_fx->Password(engine)) + "\r\nStation=" + station + "\r\n");
    }

private slots:
    void initTestCase() { m_fx = std::make_unique<EngineFixture>(); }
    void cleanupTestCase() { m_fx.reset(); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_config = m_dir->filePath(QStringLiteral("Orvela.ovf"));
    }

    void connectsAtStart_data() { addEngineColumn(); }
    void connectsAtStart()
    {
        QFETCH(Engine, engine);
        if (!m_fx->Available(engine))
            QSKIP(qPrintable(m_fx->SkipReason(engine)));
        prepareStation(engine);
        writeConnectedConfig(engine, QStringLiteral("STN1"));
        RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        TfrmMain window(m_config, log);
        window.show();
        QVERIFY2(prompter.boxes.isEmpty(), qPrintable(prompter.texts().join(QLatin1Char('|'))));
        QVERIFY(window.Connected());
        QVERIFY(!window.FileConnect1()->isEnabled());
        QVERIFY(window.FileDisconnect1()->isEnabled());
        QVERIFY(logHas(log, "Connected to " + m_fx->DataSource(engine)));
        QStringList sensors = window.StationSensors();
        sensors.sort();
        QCOMPARE(sensors, QStringList({"AIR TEMP", "HUMIDITY"}));
        const QString month = QLocale().monthName(3, QLocale::ShortFormat);
        QCOMPARE(window.stationPanel()->lastUpdateLabel()->text(), "2 " + month + " 2005 14:25:36");
        QVERIFY(window.Timer1()->isActive());
        window.close();
        QVERIFY(!window.Connected());
    }

    void failingConnectionKeepsRunning_data()
    {
        QTest::addColumn<QString>("config");
        QTest::newRow("unknown data source")
            << "[DataBase]\r\nDataSource=NoSuchSource\r\nUserName=u\r\nStation=STN1\r\n";
        QTest::newRow("unknown data source, no user")
            << "[DataBase]\r\nDataSource=NoSuchSource\r\nStation=STN1\r\n";
    }

    void failingConnectionKeepsRunning()
    {
        QFETCH(QString, config);
        writeFile(m_config, config);
        RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        TfrmMain window(m_config, log);
        window.show();
        QVERIFY2(prompter.boxes.size() == 1, qPrintable(prompter.texts().join('|')));
        QCOMPARE(prompter.boxes.first().icon, BoxIcon::Error);
        QVERIFY(prompter.boxes.first().text.startsWith("Error connection to "));
        QVERIFY(!window.Connected());
        QVERIFY(window.FileConnect1()->isEnabled());
        QVERIFY(window.FileDisconnect1()->isEnabled());
        QVERIFY(!window.Timer1()->isActive());
        QVERIFY(window.StationSensors().isEmpty());
    }

    void wrongPasswordOnTheServer()
    {
        if (!m_fx->Available(Engine::PostgreSQL))
            QSKIP(qPrintable(m_fx->SkipReason(Engine::PostgreSQL)));
        prepareStation(Engine::PostgreSQL);
        writeFile(m_config, "[DataBase]\r\nDataSource=" + m_fx->DataSource(Engine::PostgreSQL) +
                                "\r\nUserName=" + m_fx->User(Engine::PostgreSQL) + "\r\nPassword=" +
                                stored("wrong;password") + "\r\nStation=STN1\r\n");
        RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        TfrmMain window(m_config, log);
        window.show();
        QTRY_COMPARE(prompter.texts(),
                     QStringList{"Error connection to " + m_fx->DataSource(Engine::PostgreSQL)});
        QVERIFY(!window.Connected());
    }

    // A desk that starts before its database, with a stored data source and password: the
    // start's box shows once the start is over, each tick tries again with one line and no
    // box, and the connection goes on as a successful start does.
    void startBeforeTheDatabaseKeepsTrying()
    {
        prepareStation(Engine::SQLite);
        const QString later = m_dir->filePath("later.db");
        m_fx->AddDataSource(
            "OrvelaTestLater",
            {{"Driver", "Orvela Test SQLite"}, {"Database", later}, {"NoCreat", "1"}});
        writeFile(m_config, "[DataBase]\r\nDataSource=OrvelaTestLater\r\nUserName=u\r\n"
                            "Password=" +
                                stored("pw") +
                                "\r\nStation=STN1\r\n[Application]\r\nGraphUpdate=1\r\n"
                                "[LiveData1]\r\nName=humidity\r\n");
        RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        TfrmMain window(m_config, log);
        window.show();
        QVERIFY(!window.Connected());
        QVERIFY(window.Timer1()->isActive());
        QCOMPARE(window.Timer1()->interval(), 60000);
        QTRY_COMPARE(prompter.texts(), QStringList{"Error connection to OrvelaTestLater"});
        QTRY_VERIFY(log.isVisible());
        log.close();

        const auto tries = [&log] {
            int count = 0;
            for (const QString& line : log.memLog()->toPlainText().split('\n')) {
                count += line.contains("    Error connection to OrvelaTestLater: ") &&
                         line.endsWith("; trying again in 1 minute.");
            }
            return count;
        };
        QCOMPARE(tries(), 1);
        window.Timer1Timer();
        QCoreApplication::processEvents();
        QCOMPARE(tries(), 2);
        QCOMPARE(prompter.boxes.size(), 1);
        QVERIFY(!log.isVisible());
        QVERIFY(window.FileConnect1()->isEnabled());

        // The database arrives; the next tick connects and the station comes up.
        QVERIFY(QFile::link(m_fx->Folder() + "/stations.db", later));
        window.Timer1Timer();
        QCoreApplication::processEvents();
        QVERIFY(window.Connected());
        QVERIFY(!window.FileConnect1()->isEnabled());
        QVERIFY(window.FileDisconnect1()->isEnabled());
        QVERIFY(logHas(log, "Connected to OrvelaTestLater"));
        QCOMPARE(tries(), 2);
        QCOMPARE(prompter.boxes.size(), 1);
        QStringList sensors = window.StationSensors();
        sensors.sort();
        QCOMPARE(sensors, QStringList({"AIR TEMP", "HUMIDITY"}));
        QCOMPARE(window.livePosition(1)->chooser()->currentText(), QStringLiteral("HUMIDITY"));
        QCOMPARE(window.livePosition(1)->captionText(), QStringLiteral("STN1.HUMIDITY ()"));
        const QString month = QLocale().monthName(3, QLocale::ShortFormat);
        QCOMPARE(window.stationPanel()->lastUpdateLabel()->text(), "2 " + month + " 2005 14:25:36");
        QVERIFY(window.Timer1()->isActive());
    }

    void loginWritesTheConnectionAtOnce_data() { addEngineColumn(); }
    void loginWritesTheConnectionAtOnce()
    {
        QFETCH(Engine, engine);
        if (!m_fx->Available(engine))
            QSKIP(qPrintable(m_fx->SkipReason(engine)));
        prepareStation(engine);
        RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        TfrmMain window(m_config, log);
        window.show();
        prompter.boxes.clear();

        answerLogin(window, m_fx->DataSource(engine), m_fx->User(engine), m_fx->Password(engine),
                    true);
        window.FileConnect1()->trigger();
        QVERIFY(window.Connected());
        QVERIFY(!window.FileConnect1()->isEnabled());
        QCOMPARE(prompter.texts(), QStringList{"Select station in the Setup Parameters window."});

        // Written at once, before any close.
        const QString file = readFile(m_config);
        QCOMPARE(valueOf(file, "DataSource"), m_fx->DataSource(engine));
        QCOMPARE(valueOf(file, "UserName"), m_fx->User(engine));
        const QString password = valueOf(file, "Password");
        QCOMPARE(password.size(), 40);
        QCOMPARE(QString::fromStdU16String(DecodeStoredPassword(password.toStdU16String())),
                 m_fx->Password(engine));
        QVERIFY(!file.contains(m_fx->Password(engine)) || m_fx->Password(engine).isEmpty());
    }

    void cancelledLoginChangesNothing()
    {
        prepareStation(Engine::SQLite);
        writeFile(m_config, "[DataBase]\r\nDataSource=Old\r\nUserName=olduser\r\nPassword=" +
                                stored("oldpw") + "\r\n");
        const QString before = readFile(m_config);
        RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        TfrmMain window(m_config, log);
        answerLogin(window, m_fx->DataSource(Engine::SQLite), "other", "secret", false);
        window.FileConnect1()->trigger();
        QCOMPARE(window.DataSourceName(), QStringLiteral("Old"));
        QCOMPARE(window.DbUserName(), QStringLiteral("olduser"));
        QCOMPARE(readFile(m_config), before);
        QVERIFY(!window.Connected());
    }

    void failedLoginKeepsTheStoredPassword()
    {
        writeFile(m_config, "[DataBase]\r\nPassword=" + stored("oldpw") + "\r\n");
        RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        TfrmMain window(m_config, log);
        const QString storedBefore = window.StoredPassword();
        m_fx->AddDataSource("Broken", {{"Driver", "No Such Driver"}});
        answerLogin(window, "Broken", "someone", "typed-secret", true);
        window.FileConnect1()->trigger();
        QCOMPARE(prompter.texts(), QStringList{"Error connection to Broken"});
        QCOMPARE(window.StoredPassword(), storedBefore);
        // The new data source and user are remembered for the next save.
        QCOMPARE(window.DataSourceName(), QStringLiteral("Broken"));
        QCOMPARE(window.DbUserName(), QStringLiteral("someone"));
        window.close();
        QVERIFY(!readFile(m_config).contains("typed-secret"));
    }

    void unstorablePasswordIsNotStored_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("reason"); // empty: the password is stored
        QTest::newRow("29 characters") << QString(29, 'p') << QString();
        QTest::newRow("30 characters") << QString(30, 'p') << "it has 30 or more characters";
        QTest::newRow("a colon") << "ab:cd"
                                 << "it holds a \":\"";
        QTest::newRow("a character outside Latin-1")
            << QString::fromUtf8("pa\u0142ka") << "it holds a character outside Latin-1";
    }

    void unstorablePasswordIsNotStored()
    {
        QFETCH(QString, password);
        QFETCH(QString, reason);
        prepareStation(Engine::SQLite);
        writeFile(m_config, "[DataBase]\r\nPassword=" + stored("oldpw") + "\r\nStation=STN1\r\n");
        const QString storedBefore = valueOf(readFile(m_config), "Password");
        RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        TfrmMain window(m_config, log);
        // SQLite takes any password: the login goes on whatever was typed.
        answerLogin(window, m_fx->DataSource(Engine::SQLite), "viewer", password, true);
        window.FileConnect1()->trigger();
        QVERIFY(window.Connected());
        QCOMPARE(valueOf(readFile(m_config), "UserName"), QStringLiteral("viewer"));
        const QString storedAfter = valueOf(readFile(m_config), "Password");
        if (reason.isEmpty()) {
            QVERIFY(prompter.boxes.isEmpty());
            QCOMPARE(QString::fromStdU16String(DecodeStoredPassword(storedAfter.toStdU16String())),
                     password);
            return;
        }
        const QString text =
            "This password cannot be remembered (" + reason + "): type it at each start";
        QCOMPARE(prompter.texts(), QStringList{text + "."});
        QCOMPARE(log.memLog()->toPlainText().count(text), 1);
        QCOMPARE(storedAfter, storedBefore);
        window.close();
        QCOMPARE(valueOf(readFile(m_config), "Password"), storedBefore);
    }

    void disconnectEmptiesTheStation()
    {
        prepareStation(Engine::SQLite);
        writeConnectedConfig(Engine::SQLite, "STN1");
        RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        TfrmMain window(m_config, log);
        window.show();
        QVERIFY(window.Timer1()->isActive());
        window.FileDisconnect1()->trigger();
        QVERIFY(!window.Timer1()->isActive());
        QVERIFY(window.CurrentStation().isEmpty());
        QVERIFY(!window.Connected());
        QVERIFY(window.FileConnect1()->isEnabled());
        QVERIFY(!window.FileDisconnect1()->isEnabled());

        // The next login ends with the reminder to choose a station.
        prompter.boxes.clear();
        answerLogin(window, m_fx->DataSource(Engine::SQLite), m_fx->User(Engine::SQLite),
                    m_fx->Password(Engine::SQLite), true);
        window.FileConnect1()->trigger();
        QCOMPARE(prompter.texts(), QStringList{"Select station in the Setup Parameters window."});
    }

    void failingFirstQueryStillStartsTheTimer()
    {
        prepareStation(Engine::SQLite);
        QVERIFY(m_fx->Exec(Engine::SQLite, "DROP TABLE KT_SITESENSORS"));
        writeConnectedConfig(Engine::SQLite, "STN1");
        RecordingPrompter prompter;
        ScopedPrompter scope(prompter);
        TfrmLog log;
        TfrmMain window(m_config, log);
        window.show();
        QVERIFY(window.Connected());
        // The sensor list fails, and so may the refresh that follows: each is reported.
        QTRY_VERIFY(!prompter.boxes.isEmpty());
        for (const ShownBox& box : prompter.boxes)
            QCOMPARE(box.icon, BoxIcon::Error);
        QVERIFY(window.Timer1()->isActive());
    }
};

QTEST_MAIN(TestFrmMainDatabase)
#include "test_frm_main_database.moc"
