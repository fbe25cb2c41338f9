// The graph side of the real main window against SQLite and PostgreSQL station databases: the
// six loads of a refresh, "Edit Time Range" on one graph, the Setup command, the station
// picture, a close that arrives while a sensor choice is loading, and the graph tools of the
// popup menu (export, picture, second cursor, gaps) with their settings.

#include "answer_dialog.h"
#include "core/config/settings_store.h"
#include "core/db/password_scrambler.h"
#include "graphs/graph_test_support.h"
#include "gui/app/frm_main.h"
#include "gui/app/frm_setup.h"
#include "gui/graphs/frm_image_file.h"
#include "gui/graphs/frm_time_range.h"
#include "gui/graphs/graph_cursor.h"
#include "gui/graphs/graph_position.h"
#include "gui/graphs/reading_series.h"
#include "gui/live/live_position.h"
#include "gui/live/station_panel.h"
#include "gui/messages/frm_log.h"
#include "read_only_folder.h"
#include "recording_prompter.h"

#include <qwt_plot_curve.h>
#include <qwt_plot_zoomer.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <memory>

using namespace orvela;
using namespace orvela::test;

namespace {

// 2 March 2005 14:37:42: the 6-hour window starts at 08:37:00.
const CivilTime Now{2005, 3, 2, 14, 37, 42};

// The points of a chart as "yyyy-mm-dd hh:nn:ss=value".
QStringList Drawn(const GraphChart& chart)
{
    QStringList drawn;
    for (int i = 0; i < chart.readings().count(); ++i) {
        const QPointF point = chart.readings().at(i);
        const CivilTime t = DecodeStationTime(DateTimeToStationTime(point.x()));
        drawn.append(QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d=%g", t.year, t.month, t.day,
                                       t.hour, t.minute, t.second, point.y()));
    }
    return drawn;
}

QString Start(const GraphChart& chart)
{
    const CivilTime t = DecodeStationTime(DateTimeToStationTime(chart.windowStart()));
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                             t.minute, t.second);
}

// A value of the saved file, read through the program's own store.
QString Saved(const QString& config, const QString& key)
{
    const SettingsStore file(config);
    return file.readString(key.section(QLatin1Char('/'), 0, 0), key.section(QLatin1Char('/'), 1),
                           QString());
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct AdminRun
{
    int exitCode = -1;
    QByteArray out;
    QString err;
};

// orvela-admin, with the data sources of the engine fixture (the environment is inherited).
AdminRun Admin(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral(ORVELA_ADMIN_PATH), args);
    AdminRun run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// Readings of the export cases, in the 6-hour window of 08:37:00 to 14:37:42: values whose
// last digits a format of fewer digits would lose, a tiny one, and an empty one.
const std::vector<TestReading> ExportReadings = {
    {2005, 3, 2, 9, 0, 0, 0.1 + 0.2},  {2005, 3, 2, 10, 0, 0, -1.0 / 3.0},
    {2005, 3, 2, 11, 0, 0, 1e-300},    {2005, 3, 2, 12, 0, 0, 123456.78901234567},
    {2005, 3, 2, 13, 0, 0, 0.0, true}, {2005, 3, 2, 14, 37, 42, 1.5703251596487577}};
const QByteArray ExportHeader = "# station: STN1\n# sensor: AIR TEMP\n# units: degC\ntime,value\n";
const QByteArray ExportLines[] = {"2005-03-02T09:00:00,0.30000000000000004\n",
                                  "2005-03-02T10:00:00,-0.3333333333333333\n",
                                  "2005-03-02T11:00:00,1e-300\n",
                                  "2005-03-02T12:00:00,123456.78901234567\n",
                                  "2005-03-02T13:00:00,0\n",
                                  "2005-03-02T14:37:42,1.5703251596487577\n"};

} // namespace

class TestFrmMainGraphs : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<EngineFixture> m_fx;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_config;
    std::unique_ptr<RecordingPrompter> m_prompter;
    std::unique_ptr<ScopedPrompter> m_scope;
    std::unique_ptr<TfrmLog> m_log;
    std::unique_ptr<FixedClock> m_clock;
    std::unique_ptr<TfrmMain> m_window;

    // Two stations (the first named `station`) with their sensors and last updates.
    bool prepare(Engine engine, const QString& station = "STN1"_q)
    {
        if (!m_fx->Available(engine) || !m_fx->CreateTables(engine))
            return false;
        const auto site = [engine](const QString& name, int minute) {
            return "INSERT INTO KT_SITES (STATION_ID, LAST_UPDATE) VALUES ("_q +
                   EngineFixture::Quote(name) + ", "_q +
                   EngineFixture::TimeLiteral(engine, 2005, 3, 2, 14, minute, 0) + ")"_q;
        };
        const auto sensor = [](const QString& name, const char* sensorName) {
            return "INSERT INTO KT_SITESENSORS VALUES ("_q + EngineFixture::Quote(name) + ", '"_q +
                   QString::fromUtf8(sensorName) + "')"_q;
        };
        return m_fx->ExecAll(engine,
                             {site(station, 30), site("STN2"_q, 35), sensor(station, "AIR TEMP"),
                              sensor(station, "PRESSURE"), sensor(station, "RAIN"),
                              sensor("STN2"_q, "AIR TEMP"), sensor("STN2"_q, "HUMIDITY")});
    }

    void start(Engine engine, const QString& station, const QString& extraConfig)
    {
        QFile file(m_config);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(("[DataBase]\r\nDataSource="_q + m_fx->DataSource(engine) + "\r\nUserName="_q +
                    m_fx->User(engine) + "\r\nPassword="_q +
                    QString::fromStdU16String(
                        EncodeStoredPassword(m_fx->Password(engine).toStdU16String())) +
                    "\r\nStation="_q + station + "\r\n"_q + extraConfig)
                       .toUtf8());
        file.close();
        m_window = std::make_unique<TfrmMain>(m_config, *m_log);
        m_window->show();
        QVERIFY(m_window->Connected());
    }

    GraphChart* chart(int slot) const { return m_window->graphPosition(slot)->chart(); }

    void closeWindow()
    {
        m_window->close();
        QTRY_VERIFY(!m_window->isVisible());
    }

private slots:
    void initTestCase() { m_fx = std::make_unique<EngineFixture>(); }
    void cleanupTestCase() { m_fx.reset(); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_config = m_dir->filePath("Orvela.ovf"_q);
        m_prompter = std::make_unique<RecordingPrompter>();
        m_scope = std::make_unique<ScopedPrompter>(*m_prompter);
        m_log = std::make_unique<TfrmLog>();
        m_clock = std::make_unique<FixedClock>(Now);
    }

    void cleanup()
    {
        m_window.reset();
        m_clock.reset();
        m_log.reset();
        m_scope.reset();
        m_prompter.reset();
    }

    // The first show loads all six graphs as configured: each its own sensor and window, the
    // readings at both ends of the window drawn, the series titled after the station.
    void refreshLoadsEveryGraph_data()
    {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<QString>("stored");     // the station in the database
        QTest::addColumn<QString>("configured"); // the station in the configuration file
        EngineRows("plain", [](QTestData& row) {
            row << "STN1"_q
                << "STN1"_q;
        });
        EngineRows("a dot in the station", [](QTestData& row) {
            row << "ST.N1"_q
                << "ST.N1"_q;
        });
        EngineRows("blanks round the configured station", [](QTestData& row) {
            row << "STN1"_q
                << "  STN1 "_q;
        });
    }

    void refreshLoadsEveryGraph()
    {
        QFETCH(Engine, engine);
        QFETCH(QString, stored);
        QFETCH(QString, configured);
        if (!prepare(engine, stored))
            QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
        // Each window of 2 March 14:37:42 holds a reading on its first and last second; one a
        // second before the first is outside.
        const auto edges = [&](const char* sensor, CivilTime first, double value) {
            CivilTime before = DecodeStationTime(EncodeStationTime(first) - 1);
            QVERIFY2(m_fx->InsertReadings(engine, stored, QString::fromUtf8(sensor),
                                          {{before.year, before.month, before.day, before.hour,
                                            before.minute, before.second, -1.0},
                                           {first.year, first.month, first.day, first.hour,
                                            first.minute, first.second, value},
                                           {2005, 3, 2, 14, 37, 42, value + 1.0}}),
                     qPrintable(m_fx->LastError()));
        };
        edges("AIR TEMP", {2005, 3, 2, 8, 37, 0}, 10.0);   // 6 hours
        edges("PRESSURE", {2005, 2, 27, 14, 37, 0}, 20.0); // 3 days
        edges("RAIN", {2005, 3, 2, 2, 37, 0}, 30.0);       // 12 hours
        edges("WIND", {2005, 3, 1, 14, 37, 0}, 40.0);      // not listed for the station
        start(engine, configured,
              "[Graph1]\r\nName=AIR TEMP\r\nUnits=degC\r\nTimeRange=0\r\n"
              "[Graph2]\r\nName=PRESSURE\r\nTimeRange=3\r\n"
              "[Graph3]\r\nName=rain\r\nTimeRange=1\r\n"
              "[Graph4]\r\nName=WIND\r\nTimeRange=2\r\n"
              "[Graph5]\r\nName=AIR TEMP\r\nTimeRange=x\r\n"
              "[Graph6]\r\nName=AIR TEMP\r\nTimeRange=5\r\n"_q);
        QVERIFY2(m_prompter->boxes.isEmpty(), qPrintable(m_prompter->texts().join("; "_q)));

        QCOMPARE(chart(1)->series()->title().text(), stored + ".AIR TEMP"_q);
        QCOMPARE(Start(*chart(1)), "2005-03-02 08:37:00"_q);
        QCOMPARE(Drawn(*chart(1)),
                 (QStringList{"2005-03-02 08:37:00=10"_q, "2005-03-02 14:37:42=11"_q}));
        QCOMPARE(chart(1)->valueAxisTitle(), "AIR TEMP (degC)"_q);

        QCOMPARE(Start(*chart(2)), "2005-02-27 14:37:00"_q);
        QCOMPARE(Drawn(*chart(2)),
                 (QStringList{"2005-02-27 14:37:00=20"_q, "2005-03-02 14:37:42=21"_q}));

        // The configured name in other letter case loads what the database spells that way:
        // nothing here, under the title as configured; the chooser shows the station's item.
        QCOMPARE(m_window->graphPosition(3)->chooser()->currentText(), "RAIN"_q);
        QCOMPARE(Start(*chart(3)), "2005-03-02 02:37:00"_q);

        // The chooser of a sensor the station does not list is empty; the graph still loads.
        QCOMPARE(m_window->graphPosition(4)->chooser()->currentIndex(), -1);
        QCOMPARE(chart(4)->series()->title().text(), stored + ".WIND"_q);
        QCOMPARE(Drawn(*chart(4)),
                 (QStringList{"2005-03-01 14:37:00=40"_q, "2005-03-02 14:37:42=41"_q}));

        // A range that is no number takes 24 hours.
        QCOMPARE(Start(*chart(5)), "2005-03-01 14:37:00"_q);
        QCOMPARE(Start(*chart(6)), "2005-02-20 14:37:00"_q);
        QCOMPARE(chart(6)->readings().size(), size_t{3});
    }

    // "Edit Time Range" on graph 3 reloads graph 3 alone, with OK and with Cancel; only OK
    // changes its range, which the close saves.
    void timeRangeReloadsOnlyItsGraph_data()
    {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("rangeAfter");
        QTest::addColumn<QString>("startAfter");
        EngineRows("10 days, OK", [](QTestData& row) {
            row << true << "5"_q
                << "2005-02-20 15:37:00"_q;
        });
        EngineRows("Cancel still reloads", [](QTestData& row) {
            row << false << "1"_q
                << "2005-03-02 03:37:00"_q;
        });
    }

    void timeRangeReloadsOnlyItsGraph()
    {
        QFETCH(Engine, engine);
        QFETCH(bool, ok);
        QFETCH(QString, rangeAfter);
        QFETCH(QString, startAfter);
        if (!prepare(engine))
            QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
        QVERIFY(
            m_fx->InsertReadings(engine, "STN1"_q, "AIR TEMP"_q, {{2005, 3, 2, 14, 0, 0, 1.0}}));
        QString graphs;
        for (int slot = 1; slot <= 6; ++slot)
            graphs += "[Graph%1]\r\nName=AIR TEMP\r\nTimeRange=1\r\n"_q.arg(slot);
        start(engine, "STN1"_q, graphs);
        for (int slot = 1; slot <= 6; ++slot)
            QCOMPARE(chart(slot)->readings().size(), size_t{1});

        // An hour later a new reading has come in; only a reloaded graph shows it.
        m_clock->Set({2005, 3, 2, 15, 37, 42});
        QVERIFY(
            m_fx->InsertReadings(engine, "STN1"_q, "AIR TEMP"_q, {{2005, 3, 2, 15, 0, 0, 2.0}}));
        m_window->OnObjectMouseDown(chart(3), Qt::RightButton);
        int shown = -2;
        AnswerDialog<TfrmTimeRange>([&shown, ok](TfrmTimeRange& dialog) {
            shown = dialog.selectedIndex();
            if (ok) {
                QTest::mouseClick(dialog.rangeButton(5), Qt::LeftButton);
                QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
            } else {
                QTest::mouseClick(dialog.rangeButton(5), Qt::LeftButton);
                QTest::mouseClick(dialog.btnCancel, Qt::LeftButton);
            }
        });
        m_window->TimeRange1Click();
        QCOMPARE(shown, 1);
        QCOMPARE(m_window->GraphTimeRanges().at(2), rangeAfter);
        QCOMPARE(Start(*chart(3)), startAfter);
        QCOMPARE(chart(3)->readings().size(), size_t{2});
        for (const int other : {1, 2, 4, 5, 6}) {
            QCOMPARE(chart(other)->readings().size(), size_t{1});
            QCOMPARE(Start(*chart(other)), "2005-03-02 02:37:00"_q);
        }
        closeWindow();
        QCOMPARE(Saved(m_config, "Graph3/TimeRange"_q), rangeAfter);
        QCOMPARE(Saved(m_config, "Graph2/TimeRange"_q), "1"_q);
    }

    // Following the operator's choice shows no box, but a failure leaves its reason.
    void failureAfterAChoiceIsLogged_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("said");
        QTest::newRow("graph chooser") << "graph chooser"_q
                                       << "Sensor RAIN not shown after the choice: "_q;
        QTest::newRow("live chooser") << "live chooser"_q
                                      << "Sensor RAIN not shown after the choice: "_q;
        QTest::newRow("time range") << "time range"_q
                                    << "Graph 3 not loaded after the time range change: "_q;
    }

    void failureAfterAChoiceIsLogged()
    {
        QFETCH(QString, action);
        QFETCH(QString, said);
        if (!prepare(Engine::SQLite))
            QSKIP(qPrintable(m_fx->SkipReason(Engine::SQLite) + m_fx->LastError()));
        start(Engine::SQLite, "STN1"_q, QString());
        const int before = m_log->lineCount();
        QVERIFY(m_fx->Exec(Engine::SQLite, "DROP TABLE KT_DATA1"_q));
        if (action == "time range"_q) {
            m_window->OnObjectMouseDown(chart(3), Qt::RightButton);
            AnswerDialog<TfrmTimeRange>(
                [](TfrmTimeRange& dialog) { QTest::mouseClick(dialog.btnOK, Qt::LeftButton); });
            m_window->TimeRange1Click();
        } else {
            QComboBox* box = action == "graph chooser"_q ? m_window->graphPosition(2)->chooser()
                                                         : m_window->livePosition(3)->chooser();
            box->setCurrentIndex(box->findText("RAIN"_q));
            emit box->activated(box->currentIndex());
        }
        QCoreApplication::processEvents();
        QVERIFY2(m_prompter->boxes.isEmpty(), qPrintable(m_prompter->texts().join("; "_q)));
        const QStringList lines = m_log->lines();
        QCOMPARE(lines.size(), before + 1);
        const QString message = lines.first().section("    "_q, 1);
        QVERIFY2(message.startsWith(said) && message.size() > said.size() + 1, qPrintable(message));
    }

    // The command is the graphs' own: opened on anything else it does nothing.
    void timeRangeNeedsAGraph()
    {
        if (!prepare(Engine::SQLite))
            QSKIP(qPrintable(m_fx->SkipReason(Engine::SQLite) + m_fx->LastError()));
        start(Engine::SQLite, "STN1"_q, QString());
        m_window->OnObjectMouseDown(m_window->stationPanel()->picture(), Qt::RightButton);
        m_window->TimeRange1Click();
        QVERIFY(!QApplication::activeModalWidget());
    }

    // The Setup command: a new station is read at once (last update, sensor list, graphs), the
    // title and interval are taken and saved; Cancel changes nothing.
    void setupCommand_data()
    {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<bool>("ok");
        EngineRows("OK on another station", [](QTestData& row) { row << true; });
        EngineRows("Cancel", [](QTestData& row) { row << false; });
    }

    void setupCommand()
    {
        QFETCH(Engine, engine);
        QFETCH(bool, ok);
        if (!prepare(engine))
            QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
        QVERIFY(
            m_fx->InsertReadings(engine, "STN1"_q, "AIR TEMP"_q, {{2005, 3, 2, 14, 0, 0, 1.0}}));
        QVERIFY(m_fx->InsertReadings(engine, "STN2"_q, "AIR TEMP"_q,
                                     {{2005, 3, 2, 13, 0, 0, 5.0}, {2005, 3, 2, 14, 0, 0, 6.0}}));
        start(engine, "STN1"_q,
              "[Application]\r\nTitle=North mast\r\nGraphUpdate=5\r\n"
              "[Graph1]\r\nName=AIR TEMP\r\nTimeRange=0\r\n"_q);
        const StationTime before = m_window->LastUpdate();
        QCOMPARE(m_window->windowTitle(), "North mast"_q);

        AnswerDialog<TfrmSetup>([ok](TfrmSetup& dialog) {
            QCOMPARE(dialog.edtTitle->text(), "North mast"_q);
            dialog.cbxStations->setCurrentIndex(dialog.cbxStations->findText("STN2"_q));
            dialog.edtTitle->setText("South mast"_q);
            dialog.cbxGraphUpdate->setCurrentIndex(dialog.cbxGraphUpdate->findText("10"_q));
            QTest::mouseClick(ok ? dialog.btnOk : dialog.btnCancel, Qt::LeftButton);
        });
        m_window->OptionsSetup1Execute();
        QVERIFY(!m_window->frmSetup());
        QVERIFY(m_window->Timer1()->isActive());
        if (ok) {
            QCOMPARE(m_window->CurrentStation(), "STN2"_q);
            QCOMPARE(m_window->windowTitle(), "South mast"_q);
            QCOMPARE(m_window->UpdateMinutes(), 10);
            QCOMPARE(m_window->Timer1()->interval(), 600000);
            QCOMPARE(m_window->LastUpdate(), EncodeStationTime(2005, 3, 2, 14, 35, 0));
            // The new station's sensors are added to the list; the choosers keep their entries
            // until the next start fills them from the new station.
            QCOMPARE(m_window->StationSensors(), (QStringList{"AIR TEMP"_q, "PRESSURE"_q, "RAIN"_q,
                                                              "AIR TEMP"_q, "HUMIDITY"_q}));
            QCOMPARE(m_window->graphPosition(1)->chooser()->count(), 3);
            QCOMPARE(chart(1)->series()->title().text(), "STN2.AIR TEMP"_q);
            QCOMPARE(Drawn(*chart(1)),
                     (QStringList{"2005-03-02 13:00:00=5"_q, "2005-03-02 14:00:00=6"_q}));
            // Saved at OK, before any close.
            QCOMPARE(Saved(m_config, "DataBase/Station"_q), "STN2"_q);
            QCOMPARE(Saved(m_config, "Application/Title"_q), "South mast"_q);
            QCOMPARE(Saved(m_config, "Application/GraphUpdate"_q), "10"_q);
        } else {
            QCOMPARE(m_window->CurrentStation(), "STN1"_q);
            QCOMPARE(m_window->windowTitle(), "North mast"_q);
            QCOMPARE(m_window->UpdateMinutes(), 5);
            QCOMPARE(m_window->LastUpdate(), before);
            QCOMPARE(chart(1)->series()->title().text(), "STN1.AIR TEMP"_q);
            QCOMPARE(Saved(m_config, "DataBase/Station"_q), "STN1"_q);
        }
        QVERIFY2(m_prompter->boxes.isEmpty(), qPrintable(m_prompter->texts().join("; "_q)));
    }

    // A station whose last update cannot be read (no row in KT_SITES) is taken all the same;
    // the graphs follow it, and nothing is reported.
    void setupOnAStationWithoutLastUpdate()
    {
        if (!prepare(Engine::SQLite))
            QSKIP(qPrintable(m_fx->SkipReason(Engine::SQLite) + m_fx->LastError()));
        QVERIFY(m_fx->Exec(Engine::SQLite, "DELETE FROM KT_SITES WHERE STATION_ID = 'STN2'"_q));
        QVERIFY(m_fx->Exec(Engine::SQLite, "INSERT INTO KT_SITES (STATION_ID) VALUES ('STN2')"_q));
        start(Engine::SQLite, "STN1"_q, "[Graph1]\r\nName=AIR TEMP\r\n"_q);
        const StationTime before = m_window->LastUpdate();
        AnswerDialog<TfrmSetup>([](TfrmSetup& dialog) {
            dialog.cbxStations->setCurrentIndex(dialog.cbxStations->findText("STN2"_q));
            QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
        });
        m_window->OptionsSetup1Execute();
        QCOMPARE(m_window->CurrentStation(), "STN2"_q);
        QCOMPARE(m_window->LastUpdate(), before);
        QCOMPARE(chart(1)->series()->title().text(), "STN2.AIR TEMP"_q);
    }

    // The window is on the screen, painted, before the start-up reads anything: the first
    // graph load finds it exposed.
    void windowShownBeforeTheFirstLoad()
    {
        if (!prepare(Engine::SQLite))
            QSKIP(qPrintable(m_fx->SkipReason(Engine::SQLite) + m_fx->LastError()));
        // Enough readings that a load lets events through: one every 2 s from 09:00.
        std::vector<TestReading> readings;
        for (int i = 0; i < 10000; ++i) {
            const CivilTime t = DecodeStationTime(EncodeStationTime(2005, 3, 2, 9, 0, 0) + 2 * i);
            readings.push_back({t.year, t.month, t.day, t.hour, t.minute, t.second, double(i)});
        }
        QVERIFY(m_fx->InsertReadings(Engine::SQLite, "STN1"_q, "AIR TEMP"_q, readings));
        QString graphs;
        for (int slot = 1; slot <= 6; ++slot)
            graphs += "[Graph%1]\r\nName=AIR TEMP\r\nTimeRange=0\r\n"_q.arg(slot);
        int seen = -1; // the window's exposure the first time a load was seen under way
        QTimer watch;
        watch.setInterval(0);
        connect(&watch, &QTimer::timeout, [&] {
            if (seen < 0 && m_window && m_window->isLoading())
                seen = m_window->windowHandle() && m_window->windowHandle()->isExposed();
        });
        watch.start();
        start(Engine::SQLite, "STN1"_q, graphs);
        QCOMPARE(seen, 1);
        QCOMPARE(chart(6)->readings().count(), 10000);
    }

    void setupReadsWholeWindows_data()
    {
        QTest::addColumn<Engine>("engine");
        EngineRows("OK on the same station");
    }

    // A timer refresh reads only the newest readings (from 5 minutes before the newest one
    // held), so a reading stored an hour late waits for a whole read: the Setup command's.
    void setupReadsWholeWindows()
    {
        QFETCH(Engine, engine);
        if (!prepare(engine))
            QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
        QVERIFY(
            m_fx->InsertReadings(engine, "STN1"_q, "AIR TEMP"_q, {{2005, 3, 2, 14, 0, 0, 1.0}}));
        start(engine, "STN1"_q, "[Graph1]\r\nName=AIR TEMP\r\nTimeRange=0\r\n"_q);
        QVERIFY(
            m_fx->InsertReadings(engine, "STN1"_q, "AIR TEMP"_q, {{2005, 3, 2, 13, 0, 0, 2.0}}));
        m_window->Timer1Timer();
        QCOMPARE(Drawn(*chart(1)), QStringList{"2005-03-02 14:00:00=1"_q});
        AnswerDialog<TfrmSetup>(
            [](TfrmSetup& dialog) { QTest::mouseClick(dialog.btnOk, Qt::LeftButton); });
        m_window->OptionsSetup1Execute();
        QCOMPARE(Drawn(*chart(1)),
                 (QStringList{"2005-03-02 13:00:00=2"_q, "2005-03-02 14:00:00=1"_q}));
    }

    // "Select Image File": a picture that loads is shown and its path kept and saved; one that
    // does not load is reported and changes neither the picture nor the path.
    void pictureCommand_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes"); // empty: a PNG of 30 × 20
        QTest::addColumn<QString>("error");    // the box's text with %1 for the path
        QTest::newRow("a PNG") << "site.png"_q << QByteArray() << QString();
        QTest::newRow("a GIF") << "site.gif"_q
                               << QByteArray::fromHex(
                                      "47494638396101000100800000ffffff0000002c00000000"
                                      "010001000002024401003b")
                               << QString();
        QTest::newRow("a damaged PNG")
            << "damaged.png"_q << QByteArray("\x89PNG\r\n\x1a\n broken", 16)
            << "Cannot read picture file %1: "_q;
        QTest::newRow("an unknown extension")
            << "site.pic"_q << QByteArray("data") << "Unknown picture file extension (.pic)"_q;
    }

    void pictureCommand()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        if (!prepare(Engine::SQLite))
            QSKIP(qPrintable(m_fx->SkipReason(Engine::SQLite) + m_fx->LastError()));
        const QString path = m_dir->filePath(file);
        if (bytes.isEmpty()) {
            QImage image(30, 20, QImage::Format_RGB32);
            image.fill(Qt::red);
            QVERIFY(image.save(path, "PNG"));
        } else {
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(bytes);
        }
        start(Engine::SQLite, "STN1"_q, QString());
        const QImage builtIn =
            m_window->stationPanel()->picture()->pixmap(Qt::ReturnByValue).toImage();

        m_window->OnObjectMouseDown(m_window->stationPanel()->picture(), Qt::RightButton);
        AnswerDialog<TfrmImageFile>([path](TfrmImageFile& dialog) {
            dialog.edtImage->setText(path);
            QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
        });
        m_window->SelectImageFile1Click();
        const QImage shown =
            m_window->stationPanel()->picture()->pixmap(Qt::ReturnByValue).toImage();
        if (error.isEmpty()) {
            QVERIFY(m_prompter->boxes.isEmpty());
            QCOMPARE(m_window->ImageFileName(), path);
            QVERIFY(shown != builtIn);
        } else {
            QCOMPARE(m_prompter->boxes.size(), 1);
            QVERIFY2(m_prompter->boxes.at(0).text.startsWith(error.arg(path)),
                     qPrintable(m_prompter->boxes.at(0).text));
            QCOMPARE(m_window->ImageFileName(), QString());
            QCOMPARE(shown, builtIn);
        }
        closeWindow();
        QCOMPARE(Saved(m_config, "Application/ImageFile"_q), error.isEmpty() ? path : QString());
    }

    // A picture file that does not load at start leaves the built-in picture, says why in the
    // Messages window, and the start goes on: connection, graphs and timer.
    void damagedPictureAtStart()
    {
        if (!prepare(Engine::SQLite))
            QSKIP(qPrintable(m_fx->SkipReason(Engine::SQLite) + m_fx->LastError()));
        QVERIFY(m_fx->InsertReadings(Engine::SQLite, "STN1"_q, "AIR TEMP"_q,
                                     {{2005, 3, 2, 14, 0, 0, 1.0}}));
        const QString path = m_dir->filePath("damaged.jpg"_q);
        {
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write("\xff\xd8\xff\xe0 not a picture");
        }
        start(Engine::SQLite, "STN1"_q,
              "[Application]\r\nImageFile="_q + path + "\r\n[Graph1]\r\nName=AIR TEMP\r\n"_q);
        QVERIFY(m_window->Timer1()->isActive());
        QCOMPARE(chart(1)->readings().size(), size_t{1});
        QCOMPARE(m_window->stationPanel()->picture()->pixmap(Qt::ReturnByValue).toImage(),
                 StationPanel::BuiltInPicture().toImage());
        const QStringList lines = m_log->lines();
        QVERIFY2(lines.filter("Station picture not shown: "_q).size() == 1,
                 qPrintable(lines.join("\n"_q)));
        // The path stays configured, so a mended file shows at the next start.
        closeWindow();
        QCOMPARE(Saved(m_config, "Application/ImageFile"_q), path);
    }

    // A close that arrives while a sensor choice loads 10 days waits for the load to stop, then
    // closes and saves the new choice.
    void closeDuringAChooserLoad_data()
    {
        QTest::addColumn<Engine>("engine");
        EngineRows("a sensor choice");
    }

    void closeDuringAChooserLoad()
    {
        QFETCH(Engine, engine);
        if (!prepare(engine))
            QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
        std::vector<TestReading> readings;
        const StationTime first = EncodeStationTime(2005, 2, 20, 14, 38, 0);
        for (int i = 0; i < 14400; ++i) {
            const CivilTime t = DecodeStationTime(first + i * 60);
            readings.push_back(
                {t.year, t.month, t.day, t.hour, t.minute, t.second, double(i % 50)});
        }
        QVERIFY2(m_fx->InsertReadings(engine, "STN1"_q, "PRESSURE"_q, readings),
                 qPrintable(m_fx->LastError()));
        start(engine, "STN1"_q, "[Graph6]\r\nName=AIR TEMP\r\nTimeRange=5\r\n"_q);
        QComboBox* box = m_window->graphPosition(6)->chooser();
        QCOMPARE(box->currentText(), "AIR TEMP"_q);

        bool loadingAtClose = false;
        QTimer::singleShot(0, m_window.get(), [this, &loadingAtClose] {
            loadingAtClose = m_window->isLoading();
            m_window->close();
        });
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Down); // AIR TEMP -> PRESSURE, as the operator picks it
        QVERIFY(loadingAtClose);
        QTRY_VERIFY(!m_window->isVisible());
        QVERIFY(m_prompter->boxes.isEmpty());
        // Stopped early: the close does not wait for all 14,400 readings.
        QVERIFY(chart(6)->readings().size() < size_t{14400});
        QCOMPARE(Saved(m_config, "Graph6/Name"_q), "PRESSURE"_q);
    }

    QAction* graphAction(const char* name) const
    {
        return m_window->pMnuGraph()->findChild<QAction*>(QString::fromUtf8(name));
    }

    // The popup menu's command on graph `slot`, as the right button and a click choose it.
    void popupCommand(int slot, const char* name)
    {
        m_window->OnObjectMouseDown(chart(slot), Qt::RightButton);
        QAction* action = graphAction(name);
        QVERIFY2(action, name);
        action->trigger();
    }

    void exportData_data()
    {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<int>("slot");
        QTest::addColumn<bool>("zoom"); // graph 1 zoomed to 09:30 .. 12:30
        QTest::addColumn<QByteArray>("csv");
        EngineRows("the whole window", [](QTestData& row) {
            QByteArray all = ExportHeader;
            for (const QByteArray& line : ExportLines)
                all += line;
            row << 2 << false << all;
        });
        EngineRows("a zoom", [](QTestData& row) {
            row << 1 << true << ExportHeader + ExportLines[1] + ExportLines[2] + ExportLines[3];
        });
    }

    // "Export Data..." writes the readings the graph shows, each value the very double the
    // database holds, and "orvela-admin export" writes the same bytes for the same range.
    void exportData()
    {
        QFETCH(Engine, engine);
        QFETCH(int, slot);
        QFETCH(bool, zoom);
        QFETCH(QByteArray, csv);
        if (!prepare(engine))
            QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
        QVERIFY2(m_fx->InsertReadings(engine, "STN1"_q, "AIR TEMP"_q, ExportReadings),
                 qPrintable(m_fx->LastError()));
        start(engine, "STN1"_q,
              "[Graph%1]\r\nName=AIR TEMP\r\nUnits=degC\r\nTimeRange=0\r\n"_q.arg(slot));
        QCOMPARE(chart(slot)->readings().count(), 6);
        if (zoom)
            chart(slot)->zoomer()->zoom(QRectF(QPointF(At(2005, 3, 2, 9, 30, 0), -10.0),
                                               QPointF(At(2005, 3, 2, 12, 30, 0), 200000.0)));
        const QString path = m_dir->filePath("out.csv"_q);
        m_prompter->fileAnswers = QStringList{path};
        popupCommand(slot, "ExportData1");
        QCOMPARE(m_prompter->fileDialogTitles, QStringList{"Export Data"_q});
        QCOMPARE(m_prompter->fileDialogSuffixes, QStringList{"csv"_q});
        QVERIFY2(m_prompter->boxes.isEmpty(), qPrintable(m_prompter->texts().join('|')));
        QCOMPARE(FileBytes(path), csv);

        const QwtInterval shown = chart(slot)->axisInterval(QwtPlot::xBottom);
        const auto iso = [](DateTime t) {
            const CivilTime c = DecodeStationTime(DateTimeToStationTime(t));
            return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d", c.year, c.month, c.day,
                                     c.hour, c.minute, c.second);
        };
        const AdminRun run =
            Admin({"export"_q, m_fx->DataSource(engine), m_fx->User(engine), m_fx->Password(engine),
                   "stn1"_q, "air temp"_q, iso(shown.minValue()), iso(shown.maxValue()),
                   "--units"_q, "degC"_q});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QCOMPARE(run.out, csv);
    }

    void adminExportRefuses_data()
    {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<QStringList>("words"); // after DSN USER PASSWORD
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("error"); // the first line on standard error
        const auto add = [](const char* name, const QStringList& words, int code,
                            const char* error) {
            EngineRows(name,
                       [&](QTestData& row) { row << words << code << QString::fromUtf8(error); });
        };
        add("an unknown station", {"STN9"_q, "AIR TEMP"_q, "2005-03-02"_q, "NOW"_q}, 1,
            "orvela-admin: export: there is no station \"STN9\"");
        add("an unknown sensor", {"STN1"_q, "WIND"_q, "2005-03-02"_q, "NOW"_q}, 1,
            "orvela-admin: export: station \"STN1\" has no sensor \"WIND\"");
        add("FROM after TO",
            {"STN1"_q, "AIR TEMP"_q, "2005-03-02 10:00:01"_q, "2005-03-02T10:00"_q}, 2,
            "orvela-admin: export: FROM lies after TO");
        add("a date that does not exist",
            {"STN1"_q, "AIR TEMP"_q, "2005-02-30"_q, "2005-03-02 10:00:00"_q}, 2,
            "orvela-admin: export: \"2005-02-30\" is not a date-time (YYYY-MM-DD, "
            "YYYY-MM-DDTHH:MM or YYYY-MM-DDTHH:MM:SS)");
        add("a missing word", {"STN1"_q, "AIR TEMP"_q, "NOW"_q}, 2,
            "orvela-admin: export: wrong arguments");
        add("a relative range without readings",
            {"STN1"_q, "AIR TEMP"_q, "LAST 6 HOURS"_q, "NOW"_q}, 0, "");
    }

    // What orvela-admin export refuses, with its exit status and the reason after
    // "orvela-admin:".
    void adminExportRefuses()
    {
        QFETCH(Engine, engine);
        QFETCH(QStringList, words);
        QFETCH(int, exitCode);
        QFETCH(QString, error);
        if (!prepare(engine))
            QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
        QVERIFY(m_fx->InsertReadings(engine, "STN1"_q, "AIR TEMP"_q, ExportReadings));
        const AdminRun run = Admin(QStringList{"export"_q, m_fx->DataSource(engine),
                                               m_fx->User(engine), m_fx->Password(engine)} +
                                   words);
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.err.section('\n', 0, 0), error);
        QCOMPARE(run.out, exitCode == 0 ? "# station: STN1\n# sensor: AIR TEMP\n# units: \n"
                                          "time,value\n"_q.toUtf8()
                                        : QByteArray());
    }

    void exportFailures_data()
    {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<bool>("readOnly"); // else a folder that does not exist
        EngineRows("a folder that does not exist", [](QTestData& row) { row << false; });
        EngineRows("a folder nobody may write", [](QTestData& row) { row << true; });
    }

    // A file that cannot be written is reported, and what had the name before stays as it was;
    // no temporary file is left beside it.
    void exportFailures()
    {
        QFETCH(Engine, engine);
        QFETCH(bool, readOnly);
        if (!prepare(engine))
            QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
        ReadOnlyFolder folder;
        if (readOnly && !folder.isValid())
            QSKIP("a read-only bind mount needs root with CAP_SYS_ADMIN");
        const QString name = readOnly ? "data.csv"_q : "missing/data.csv"_q;
        const QString path = QDir(readOnly ? folder.path() : m_dir->path()).filePath(name);
        if (readOnly) {
            QFile earlier(QDir(folder.sourcePath()).filePath(name));
            QVERIFY(earlier.open(QIODevice::WriteOnly));
            earlier.write("earlier\n");
        }
        QVERIFY(m_fx->InsertReadings(engine, "STN1"_q, "AIR TEMP"_q, ExportReadings));
        start(engine, "STN1"_q, "[Graph4]\r\nName=AIR TEMP\r\nTimeRange=0\r\n"_q);
        m_prompter->fileAnswers = QStringList{path};
        popupCommand(4, "ExportData1");
        QCOMPARE(m_prompter->boxes.size(), 1);
        QCOMPARE(m_prompter->boxes.at(0).icon, BoxIcon::Error);
        QVERIFY2(m_prompter->boxes.at(0).text.startsWith("The file "_q + path +
                                                         " could not be written: "_q),
                 qPrintable(m_prompter->boxes.at(0).text));
        const QDir written = QFileInfo(path).dir();
        QCOMPARE(written.entryList(QDir::Files | QDir::Hidden),
                 readOnly ? QStringList{name} : QStringList{});
        if (readOnly)
            QCOMPARE(FileBytes(path), QByteArray("earlier\n"));
    }

    void savePicture_data()
    {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind"); // "png", "svg" or "" for a refused name
        EngineRows("PNG", [](QTestData& row) {
            row << "graph.png"_q
                << "png"_q;
        });
        EngineRows("SVG, the suffix in capitals", [](QTestData& row) {
            row << "graph.SVG"_q
                << "svg"_q;
        });
        EngineRows("another kind", [](QTestData& row) { row << "graph.jpg"_q << QString(); });
    }

    // "Save Picture..." saves the graph at its size on screen, its cursors drawn over it.
    void savePicture()
    {
        QFETCH(Engine, engine);
        QFETCH(QString, name);
        QFETCH(QString, kind);
        if (!prepare(engine))
            QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
        QVERIFY(m_fx->InsertReadings(engine, "STN1"_q, "AIR TEMP"_q, ExportReadings));
        start(engine, "STN1"_q, "[Graph5]\r\nName=AIR TEMP\r\nTimeRange=0\r\n"_q);
        m_window->Tabs()->setCurrentIndex(1);
        GraphPosition* position = m_window->graphPosition(5);
        position->ImageClick();
        position->cursor()->followMouse(position->chart()->canvas()->rect().center());
        const QString path = m_dir->filePath(name);
        m_prompter->fileAnswers = QStringList{path};
        popupCommand(5, "SavePicture1");
        if (kind.isEmpty()) {
            QCOMPARE(m_prompter->boxes.size(), 1);
            QVERIFY(!QFile::exists(path));
            return;
        }
        QVERIFY2(m_prompter->boxes.isEmpty(), qPrintable(m_prompter->texts().join('|')));
        const QSize size = chart(5)->size();
        if (kind == "svg"_q) {
            QSvgRenderer svg(path);
            QVERIFY(svg.isValid());
            QCOMPARE(svg.viewBoxF(), QRectF(QPointF(0.0, 0.0), QSizeF(size)));
            return;
        }
        const QImage picture(path, "PNG");
        QCOMPARE(picture.size(), size);
        // The cursor's dark line crosses the canvas (the picture lays the chart out anew, so
        // its column is searched for; the canvas's own frame is left out).
        const QWidget* canvas = chart(5)->canvas();
        int black = 0;
        for (int x = canvas->x() + 4; x < canvas->x() + canvas->width() - 4; ++x) {
            int column = 0;
            for (int y = canvas->y(); y < canvas->y() + canvas->height(); ++y)
                column += qGray(picture.pixel(x, y)) < 40 ? 1 : 0;
            black = std::max(black, column);
        }
        QVERIFY2(black > canvas->height() * 3 / 4, qPrintable(QString::number(black)));
    }

    void gapSettings_data()
    {
        QTest::addColumn<QString>("graph2"); // the keys of section Graph2 in the file
        QTest::addColumn<bool>("toggle");    // "Break Line at Gaps" chosen once
        QTest::addColumn<bool>("breakAtGaps");
        QTest::addColumn<double>("minutes");
        QTest::addColumn<QStringList>("saved"); // section Graph2 after the close
        const QStringList first{"Name="_q, "Units="_q, "TimeRange=2"_q};
        QTest::newRow("a file without them")
            << QString() << false << true << 0.0
            << first + QStringList{"BreakAtGaps=1"_q, "GapMinutes=0"_q};
        QTest::newRow("as the file says")
            << "BreakAtGaps=0\r\nGapMinutes=12.5\r\n"_q << false << false << 12.5
            << QStringList{"BreakAtGaps=0"_q, "GapMinutes=12.5"_q} + first;
        QTest::newRow("switched on again in the menu")
            << "BreakAtGaps=0\r\n"_q << true << true << 0.0
            << QStringList{"BreakAtGaps=1"_q} + first + QStringList{"GapMinutes=0"_q};
        QTest::newRow("switched off in the menu")
            << QString() << true << false << 0.0
            << first + QStringList{"BreakAtGaps=0"_q, "GapMinutes=0"_q};
        QTest::newRow("a limit that is no number")
            << "GapMinutes=abc\r\n"_q << false << true << 0.0
            << QStringList{"GapMinutes=0"_q} + first + QStringList{"BreakAtGaps=1"_q};
    }

    // Each graph keeps its gap rule under keys of its own section; a file without them gets the
    // defaults, and a save adds them after the keys it had.
    void gapSettings()
    {
        QFETCH(QString, graph2);
        QFETCH(bool, toggle);
        QFETCH(bool, breakAtGaps);
        QFETCH(double, minutes);
        QFETCH(QStringList, saved);
        QFile file(m_config);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(("[Graph2]\r\n"_q + graph2).toUtf8());
        file.close();
        m_window = std::make_unique<TfrmMain>(m_config, *m_log);
        if (toggle) {
            m_window->OnObjectMouseDown(chart(2), Qt::RightButton);
            emit m_window->pMnuGraph()->aboutToShow();
            QCOMPARE(graphAction("BreakAtGaps1")->isChecked(), !breakAtGaps);
            graphAction("BreakAtGaps1")->trigger();
        }
        QCOMPARE(chart(2)->gapRule().breakAtGaps, breakAtGaps);
        QCOMPARE(chart(2)->gapRule().limitMinutes, minutes);
        QVERIFY(chart(3)->gapRule() == GapRule{});
        m_window->close();
        QStringList lines;
        bool inGraph2 = false;
        for (const QString& line : QString::fromUtf8(FileBytes(m_config)).split("\r\n"_q)) {
            if (line.startsWith('['))
                inGraph2 = line == "[Graph2]"_q;
            else if (inGraph2 && !line.isEmpty())
                lines.append(line);
        }
        QCOMPARE(lines, saved);
    }

    void secondCursorCommand_data()
    {
        QTest::addColumn<Engine>("engine");
        EngineRows("on graph 6");
    }

    // "Second Cursor" pins the second cursor on the reading where the menu was opened, shows
    // itself checked on that graph only, and takes the cursor away again.
    void secondCursorCommand()
    {
        QFETCH(Engine, engine);
        if (!prepare(engine))
            QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
        QVERIFY(m_fx->InsertReadings(engine, "STN1"_q, "AIR TEMP"_q, ExportReadings));
        start(engine, "STN1"_q, "[Graph6]\r\nName=AIR TEMP\r\nTimeRange=0\r\n"_q);
        m_window->Tabs()->setCurrentIndex(1);
        GraphChart& graph = *chart(6);
        const QPoint at12(
            qRound(graph.canvasMap(QwtPlot::xBottom).transform(At(2005, 3, 2, 12, 0, 0))), 10);
        QMouseEvent press(QEvent::MouseButtonPress, at12, graph.canvas()->mapToGlobal(at12),
                          Qt::RightButton, Qt::RightButton, Qt::NoModifier);
        QApplication::sendEvent(graph.canvas(), &press);
        popupCommand(6, "SecondCursor1");
        GraphPosition* position = m_window->graphPosition(6);
        QVERIFY(position->hasSecondCursor());
        QCOMPARE(position->cursor()->second()->x(), At(2005, 3, 2, 12, 0, 0));
        QVERIFY(position->isCursorOn());
        QCOMPARE(position->readOutLabel()->text(),
                 "Second cursor: 02/03/2005 12:00:00, 123456.79"_q);

        emit m_window->pMnuGraph()->aboutToShow();
        QVERIFY(graphAction("SecondCursor1")->isChecked());
        m_window->OnObjectMouseDown(chart(5), Qt::RightButton);
        emit m_window->pMnuGraph()->aboutToShow();
        QVERIFY(!graphAction("SecondCursor1")->isChecked());

        popupCommand(6, "SecondCursor1");
        QVERIFY(!position->hasSecondCursor());
        QCOMPARE(position->readOutLabel()->text(), QString());
    }
};

QTEST_MAIN(TestFrmMainGraphs)
#include "test_frm_main_graphs.moc"
