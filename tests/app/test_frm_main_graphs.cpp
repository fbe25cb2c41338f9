// The graph side of the real main window against SQLite and PostgreSQL station databases: the
// six loads of a refresh, "Edit Time Range" on one graph, the Setup command, the station
// picture, and a close that arrives while a sensor choice is loading.

#include "answer_dialog.h"
#include "app/frm_main.h"
#include "app/frm_setup.h"
#include "app/station_panel.h"
#include "config/settings_store.h"
#include "db/password_scrambler.h"
#include "graphs/frm_image_file.h"
#include "graphs/frm_time_range.h"
#include "graphs/graph_position.h"
#include "graphs/graph_test_support.h"
#include "graphs/reading_series.h"
#include "live/live_position.h"
#include "messages/frm_log.h"
#include "recording_prompter.h"

#include <qwt_plot_curve.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <QtTest>

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
        QVERIFY(m_window->Connected);
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
        QCOMPARE(m_window->GraphTimeRanges.at(2), rangeAfter);
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
        const StationTime before = m_window->LastUpdate;
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
            QCOMPARE(m_window->CurrentStation, "STN2"_q);
            QCOMPARE(m_window->windowTitle(), "South mast"_q);
            QCOMPARE(m_window->UpdateMinutes, 10);
            QCOMPARE(m_window->Timer1()->interval(), 600000);
            QCOMPARE(m_window->LastUpdate, EncodeStationTime(2005, 3, 2, 14, 35, 0));
            // The new station's sensors are added to the list; the choosers keep their entries
            // until the next start fills them from the new station.
            QCOMPARE(m_window->StationSensors, (QStringList{"AIR TEMP"_q, "PRESSURE"_q, "RAIN"_q,
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
            QCOMPARE(m_window->CurrentStation, "STN1"_q);
            QCOMPARE(m_window->windowTitle(), "North mast"_q);
            QCOMPARE(m_window->UpdateMinutes, 5);
            QCOMPARE(m_window->LastUpdate, before);
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
        const StationTime before = m_window->LastUpdate;
        AnswerDialog<TfrmSetup>([](TfrmSetup& dialog) {
            dialog.cbxStations->setCurrentIndex(dialog.cbxStations->findText("STN2"_q));
            QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
        });
        m_window->OptionsSetup1Execute();
        QCOMPARE(m_window->CurrentStation, "STN2"_q);
        QCOMPARE(m_window->LastUpdate, before);
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
            QCOMPARE(m_window->ImageFileName, path);
            QVERIFY(shown != builtIn);
        } else {
            QCOMPARE(m_prompter->boxes.size(), 1);
            QVERIFY2(m_prompter->boxes.at(0).text.startsWith(error.arg(path)),
                     qPrintable(m_prompter->boxes.at(0).text));
            QCOMPARE(m_window->ImageFileName, QString());
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
};

QTEST_MAIN(TestFrmMainGraphs)
#include "test_frm_main_graphs.moc"
