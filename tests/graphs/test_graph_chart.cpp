// The chart of a graph position loading real readings: the time window, the readings drawn,
// the series title, the axis labels, and loads that events supersede, stop or fail. Runs
// against SQLite and, when scripts/test.sh started one, PostgreSQL, under TZ=Europe/Berlin so
// that a daylight-saving change lies inside the data.

#include "graph_test_support.h"
#include "gui/graphs/event_pump.h"
#include "gui/graphs/graph_chart.h"
#include "gui/graphs/graph_position.h"
#include "gui/graphs/reading_series.h"
#include "support/format_scan.h"

#include <qwt_plot_curve.h>
#include <qwt_scale_div.h>
#include <qwt_scale_draw.h>
#include <qwt_scale_map.h>

#include <QApplication>
#include <QComboBox>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <map>

using namespace orvela;
using namespace orvela::test;

// Readings as one test column (a bare QVector column trips a compiler warning in Qt's
// container registration).
struct Readings
{
    std::vector<TestReading> list;
};

Q_DECLARE_METATYPE(Readings)

// One step of a run of refreshes: the clock moves, the database changes, or the graph loads.
struct Step
{
    enum Kind
    {
        Clock,
        Insert,
        Delete,
        Change,
        Load
    } kind;
    CivilTime at;       // Load: unused
    double value = 0.0; // Insert, Change: the value; Load: the range index
};

struct Steps
{
    std::vector<Step> list;
};

Q_DECLARE_METATYPE(Steps)

struct Numbers
{
    std::vector<double> list;
};

Q_DECLARE_METATYPE(Numbers)

namespace {

CivilTime Fields(DateTime value)
{
    CivilTime fields;
    DateTimeToCivil(value, fields);
    return fields;
}

QString Show(const CivilTime& t)
{
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                             t.minute, t.second);
}

// The readings a chart holds, as "YYYY-MM-DD HH:MM:SS=value".
QStringList Drawn(const GraphChart& chart)
{
    QStringList out;
    const ReadingSeries& readings = chart.readings();
    for (int i = 0; i < readings.count(); ++i)
        out.append(Show(Fields(readings.at(i).x())) + QLatin1Char('=') +
                   QString::number(readings.at(i).y()));
    return out;
}

std::vector<TestReading> EveryMinute(const CivilTime& first, int count, double value)
{
    std::vector<TestReading> readings;
    const StationTime start = EncodeStationTime(first);
    for (int i = 0; i < count; ++i) {
        const CivilTime t = DecodeStationTime(start + i * 60);
        readings.push_back({t.year, t.month, t.day, t.hour, t.minute, t.second, value + i});
    }
    return readings;
}

const CivilTime March2{2005, 3, 2, 14, 37, 42};

} // namespace

class TestGraphChart : public QObject, protected EngineCases
{
    Q_OBJECT

private:
    // The engine's connection, with empty tables and one station with the given sensors.
    StationQueries* prepare(Engine engine, const QString& station = "STN1"_q,
                            const QStringList& sensors = {"AIR TEMP"_q, "RAIN"_q})
    {
        if (!m_fx->Available(engine))
            return nullptr;
        if (!m_fx->ClearTables(engine))
            return nullptr;
        QStringList sql{"INSERT INTO KT_SITES VALUES ("_q + EngineFixture::Quote(station) + ", "_q +
                        EngineFixture::TimeLiteral(engine, 2005, 3, 2, 14, 30, 0) + ")"_q};
        for (const QString& sensor : sensors)
            sql.append("INSERT INTO KT_SITESENSORS VALUES ("_q + EngineFixture::Quote(station) +
                       ", "_q + EngineFixture::Quote(sensor) + ")"_q);
        if (!m_fx->ExecAll(engine, sql))
            return nullptr;
        Connection* connection = EngineConnection(engine, "graph_chart"_q);
        if (!connection)
            return nullptr;
        // Every case starts from a fresh connection, so no spelling learnt earlier applies.
        connection->database->ConnectDatabase(m_fx->DataSource(engine), m_fx->User(engine),
                                              m_fx->Password(engine));
        return connection->queries.get();
    }

private slots:
    void initTestCase() { SetUpEngines(); }
    void cleanupTestCase() { TearDownEngines(); }

    void window_data();
    void window();
    void readingsDrawn_data();
    void readingsDrawn();
    void markersStandApart_data();
    void markersStandApart();
    void stationAndSensor_data();
    void stationAndSensor();
    void daylightSavingChange_data();
    void daylightSavingChange();
    void axisLabels_data();
    void axisLabels();
    void emptyChooserLoadsConfiguredSensor_data();
    void emptyChooserLoadsConfiguredSensor();
    void newerLoadSupersedes_data();
    void newerLoadSupersedes();
    void stopConditionEndsLoad_data();
    void stopConditionEndsLoad();
    void failingQueryLeavesEmptyGraph_data();
    void failingQueryLeavesEmptyGraph();
    void refreshOfNewReadingsMatchesWholeRead_data();
    void refreshOfNewReadingsMatchesWholeRead();
    void wholeWindowRead_data();
    void wholeWindowRead();
    void reducedLineDrawsTheWholeLine_data();
    void reducedLineDrawsTheWholeLine();
    void keptPointsAcrossBlocks_data();
    void keptPointsAcrossBlocks();
    void gapsBreakTheLine_data();
    void gapsBreakTheLine();
    void medianSpacingFollowsTheReadings_data();
    void medianSpacingFollowsTheReadings();
    void gapsOnTheChart_data();
    void gapsOnTheChart();
};

void TestGraphChart::window_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<CivilTime>("now");
    QTest::addColumn<int>("range");
    QTest::addColumn<CivilTime>("start");
    QTest::addColumn<QString>("span"); // shown beside the legend
    struct Case
    {
        const char* name;
        CivilTime now;
        int range;
        CivilTime start;
        const char* span;
    };
    const Case cases[] = {
        {"6 hours at 14:37:42", March2, 0, {2005, 3, 2, 8, 37, 0}, "6 hours"},
        {"3 days at 1 March 2005 00:30:15",
         {2005, 3, 1, 0, 30, 15},
         3,
         {2005, 2, 26, 0, 30, 0},
         "3 days"},
        {"12 hours at 03:10:05", {2005, 3, 2, 3, 10, 5}, 1, {2005, 3, 1, 15, 10, 0}, "12 hours"},
        {"24 hours over a year's end",
         {2005, 1, 1, 0, 0, 59},
         2,
         {2004, 12, 31, 0, 0, 0},
         "24 hours"},
        {"7 days over a leap day", {2004, 3, 3, 12, 0, 0}, 4, {2004, 2, 25, 12, 0, 0}, "7 days"},
        {"10 days", {2005, 3, 2, 14, 37, 42}, 5, {2005, 2, 20, 14, 37, 0}, "10 days"},
        {"an index of none of the six takes 24 hours",
         March2,
         9,
         {2005, 3, 1, 14, 37, 0},
         "24 hours"},
    };
    for (const Case& c : cases)
        EngineRows(c.name, [&](QTestData& row) {
            row << c.now << c.range << c.start << QString::fromUtf8(c.span);
        });
}

// The window ends at the clock's second and starts on its whole minute; the bottom axis holds
// exactly the window even before any reading arrives.
void TestGraphChart::window()
{
    QFETCH(Engine, engine);
    QFETCH(CivilTime, now);
    QFETCH(int, range);
    QFETCH(CivilTime, start);
    QFETCH(QString, span);
    StationQueries* queries = prepare(engine);
    if (!queries)
        QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
    const FixedClock clock(now);
    GraphChart chart(2);
    EventPump pump;
    QVERIFY(chart.LoadGraph("STN1"_q, "AIR TEMP"_q, range, *queries, pump));
    QCOMPARE(chart.spanText(), span);
    QCOMPARE(Show(Fields(chart.windowStart())), Show(start));
    QCOMPARE(Show(Fields(chart.windowEnd())), Show(now));
    const QwtInterval axis = chart.axisInterval(QwtPlot::xBottom);
    QCOMPARE(axis.minValue(), chart.windowStart());
    QCOMPARE(axis.maxValue(), chart.windowEnd());
    QCOMPARE(chart.readings().size(), size_t{0});
    QCOMPARE(chart.series()->title().text(), "STN1.AIR TEMP"_q);
}

void TestGraphChart::readingsDrawn_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<Readings>("readings");
    QTest::addColumn<QStringList>("drawn");
    // The window of these cases: 2005-03-02 08:37:00 to 14:37:42.
    EngineRows("readings exactly at both ends", [](QTestData& row) {
        row << Readings{{{2005, 3, 2, 8, 36, 59, 1.0},
                         {2005, 3, 2, 8, 37, 0, 2.0},
                         {2005, 3, 2, 12, 0, 0, 3.0},
                         {2005, 3, 2, 14, 37, 42, 4.0},
                         {2005, 3, 2, 14, 37, 43, 5.0}}}
            << QStringList{"2005-03-02 08:37:00=2"_q, "2005-03-02 12:00:00=3"_q,
                           "2005-03-02 14:37:42=4"_q};
    });
    EngineRows("an empty value is drawn at 0", [](QTestData& row) {
        row << Readings{{{2005, 3, 2, 10, 0, 0, 0.0, true}, {2005, 3, 2, 10, 1, 0, -7.25}}}
            << QStringList{"2005-03-02 10:00:00=0"_q, "2005-03-02 10:01:00=-7.25"_q};
    });
    EngineRows("no readings in the window", [](QTestData& row) {
        row << Readings{{{2005, 3, 1, 10, 0, 0, 1.0}}} << QStringList{};
    });
}

void TestGraphChart::readingsDrawn()
{
    QFETCH(Engine, engine);
    QFETCH(Readings, readings);
    QFETCH(QStringList, drawn);
    StationQueries* queries = prepare(engine);
    if (!queries)
        QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
    QVERIFY2(m_fx->InsertReadings(engine, "STN1"_q, "AIR TEMP"_q, readings.list),
             qPrintable(m_fx->LastError()));
    QVERIFY(m_fx->InsertReadings(engine, "STN1"_q, "RAIN"_q, {{2005, 3, 2, 12, 0, 0, 99.0}}));
    const FixedClock clock(March2);
    GraphChart chart(4);
    EventPump pump;
    QVERIFY(chart.LoadGraph("STN1"_q, "AIR TEMP"_q, 0, *queries, pump));
    QCOMPARE(Drawn(chart), drawn);
    // The axis keeps the window whatever the readings.
    QCOMPARE(Show(Fields(chart.axisInterval(QwtPlot::xBottom).minValue())),
             "2005-03-02 08:37:00"_q);
}

void TestGraphChart::markersStandApart_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<Readings>("readings");
    QTest::addColumn<QStringList>("marked");
    // The window of these cases: 2005-03-02 08:37:00 to 14:37:42, about a minute a pixel.
    EngineRows("one-minute readings draw no marker", [](QTestData& row) {
        row << Readings{EveryMinute({2005, 3, 2, 8, 37, 0}, 361, 0.0)} << QStringList{};
    });
    EngineRows("quarter-hour readings keep every marker", [](QTestData& row) {
        Readings readings;
        QStringList marked;
        for (int hour = 9; hour <= 14; ++hour)
            for (int minute = 0; minute < (hour < 14 ? 60 : 31); minute += 15) {
                readings.list.push_back({2005, 3, 2, hour, minute, 0, double(minute)});
                marked.append(Show({2005, 3, 2, hour, minute, 0}));
            }
        row << readings << marked;
    });
    EngineRows("a lone reading among dense ones", [](QTestData& row) {
        Readings readings{EveryMinute({2005, 3, 2, 9, 0, 0}, 60, 0.0)};
        readings.list.push_back({2005, 3, 2, 12, 0, 0, 5.0});
        const std::vector<TestReading> after = EveryMinute({2005, 3, 2, 13, 0, 0}, 30, 0.0);
        readings.list.insert(readings.list.end(), after.begin(), after.end());
        row << readings << QStringList{"2005-03-02 12:00:00"_q};
    });
    EngineRows("steep but close readings draw no marker", [](QTestData& row) {
        Readings readings;
        for (int minute = 0; minute < 40; ++minute)
            readings.list.push_back({2005, 3, 2, 10, minute, 0, minute % 2 == 0 ? 0.0 : 100.0});
        row << readings << QStringList{};
    });
}

// Markers are drawn only while they stand apart at the chart's scale; the line and the
// readings (which the cursor snaps to) keep every reading.
void TestGraphChart::markersStandApart()
{
    QFETCH(Engine, engine);
    QFETCH(Readings, readings);
    QFETCH(QStringList, marked);
    StationQueries* queries = prepare(engine);
    if (!queries)
        QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
    QVERIFY2(m_fx->InsertReadings(engine, "STN1"_q, "AIR TEMP"_q, readings.list),
             qPrintable(m_fx->LastError()));
    const FixedClock clock(March2);
    GraphChart chart(4);
    chart.resize(438, 290);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    EventPump pump;
    QVERIFY(chart.LoadGraph("STN1"_q, "AIR TEMP"_q, 0, *queries, pump));
    QCOMPARE(chart.readings().size(), readings.list.size());
    QStringList markedTimes;
    for (const int i : chart.markedReadings())
        markedTimes.append(Show(Fields(chart.readings().at(i).x())));
    QCOMPARE(markedTimes, marked);
}

void TestGraphChart::stationAndSensor_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<QString>("stored");  // the station as the database holds it
    QTest::addColumn<QString>("station"); // CurrentStation
    QTest::addColumn<QString>("sensor");  // the configured sensor name
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("points");
    const auto add = [this](const char* name, const char* stored, const char* station,
                            const char* sensor, const char* title, int points) {
        EngineRows(name, [&](QTestData& row) {
            row << QString::fromUtf8(stored) << QString::fromUtf8(station)
                << QString::fromUtf8(sensor) << QString::fromUtf8(title) << points;
        });
    };
    add("plain", "STN1", "STN1", "AIR TEMP", "STN1.AIR TEMP", 2);
    add("blanks and controls around the station", "STN1", "  STN1\t ", "AIR TEMP", "STN1.AIR TEMP",
        2);
    // The loader is handed station and sensor, so a "." in the station finds its readings.
    add("a dot in the station", "ST.N1", "ST.N1", "AIR TEMP", "ST.N1.AIR TEMP", 2);
    add("a configured sensor in lower case", "STN1", "STN1", "air temp", "STN1.air temp", 2);
    add("a sensor the station lacks", "STN1", "STN1", "WIND", "STN1.WIND", 0);
    add("no sensor configured", "STN1", "STN1", "", "STN1.", 0);
}

void TestGraphChart::stationAndSensor()
{
    QFETCH(Engine, engine);
    QFETCH(QString, stored);
    QFETCH(QString, station);
    QFETCH(QString, sensor);
    QFETCH(QString, title);
    QFETCH(int, points);
    StationQueries* queries = prepare(engine, stored);
    if (!queries)
        QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
    QVERIFY(m_fx->InsertReadings(engine, stored, "AIR TEMP"_q,
                                 {{2005, 3, 2, 12, 0, 0, 1.0}, {2005, 3, 2, 13, 0, 0, 2.0}}));
    const FixedClock clock(March2);
    GraphChart chart(1);
    EventPump pump;
    QVERIFY(chart.LoadGraph(station, sensor, 2, *queries, pump));
    QCOMPARE(chart.series()->title().text(), title);
    QCOMPARE(static_cast<int>(chart.readings().size()), points);
}

void TestGraphChart::daylightSavingChange_data()
{
    QTest::addColumn<Engine>("engine");
    EngineRows("10 days over the last Sunday of March", [](QTestData&) {});
}

// The program has no time zones: readings every half hour through the night the clocks go
// forward (2005-03-27 in Europe/Berlin, where 02:30 does not exist on the wall clock) keep their
// civil times, their even spacing, and the axis its 10 days and whole-day labels.
void TestGraphChart::daylightSavingChange()
{
    QFETCH(Engine, engine);
    QCOMPARE(qgetenv("TZ"), QByteArray("Europe/Berlin"));
    StationQueries* queries = prepare(engine);
    if (!queries)
        QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
    std::vector<TestReading> readings;
    const StationTime first = EncodeStationTime(2005, 3, 26, 22, 0, 0);
    for (int i = 0; i < 16; ++i) {
        const CivilTime t = DecodeStationTime(first + i * 1800);
        readings.push_back({t.year, t.month, t.day, t.hour, t.minute, t.second, double(i)});
    }
    QVERIFY2(m_fx->InsertReadings(engine, "STN1"_q, "AIR TEMP"_q, readings),
             qPrintable(m_fx->LastError()));

    const FixedClock clock({2005, 4, 1, 12, 0, 0});
    GraphChart chart(3);
    chart.resize(436, 260);
    EventPump pump;
    QVERIFY(chart.LoadGraph("STN1"_q, "AIR TEMP"_q, 5, *queries, pump));
    chart.replot();

    QCOMPARE(chart.windowEnd() - chart.windowStart(), 10.0);
    QCOMPARE(Show(Fields(chart.windowStart())), "2005-03-22 12:00:00"_q);
    const ReadingSeries& points = chart.readings();
    QCOMPARE(points.count(), 16);
    for (int i = 0; i < points.count(); ++i) {
        QCOMPARE(Show(Fields(points.at(i).x())), Show(DecodeStationTime(first + i * 1800)));
        QCOMPARE(points.at(i).y(), double(i));
        if (i > 0)
            QCOMPARE(qRound((points.at(i).x() - points.at(i - 1).x()) * 86400.0), 1800);
    }
    QVERIFY(Drawn(chart).contains("2005-03-27 02:30:00=9"_q));

    const QList<double> ticks = chart.axisScaleDiv(QwtPlot::xBottom).ticks(QwtScaleDiv::MajorTick);
    QVERIFY(ticks.size() >= 2);
    const QwtScaleDraw* labels = chart.axisScaleDraw(QwtPlot::xBottom);
    QStringList texts;
    for (const double tick : ticks) {
        texts.append(labels->label(tick).text());
        QVERIFY2(texts.last().endsWith(" 00:00"_q), qPrintable(texts.last()));
    }
    QVERIFY2(texts.contains("27/03 00:00"_q) || texts.contains("26/03 00:00"_q) ||
                 texts.contains("28/03 00:00"_q),
             qPrintable(texts.join(", "_q)));
}

void TestGraphChart::axisLabels_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<QChar>("dateSeparator");
    QTest::addColumn<QChar>("timeSeparator");
    QTest::addColumn<QStringList>("timeLabels"); // the first two of the 6-hour window
    EngineRows("slash and colon", [](QTestData& row) {
        row << QChar('/') << QChar(':') << QStringList{"02/03 09:00"_q, "02/03 10:00"_q};
    });
    EngineRows("the locale's dot and dash", [](QTestData& row) {
        row << QChar('.') << QChar('-') << QStringList{"02.03 09-00"_q, "02.03 10-00"_q};
    });
}

void TestGraphChart::axisLabels()
{
    QFETCH(Engine, engine);
    QFETCH(QChar, dateSeparator);
    QFETCH(QChar, timeSeparator);
    QFETCH(QStringList, timeLabels);
    StationQueries* queries = prepare(engine);
    if (!queries)
        QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
    QVERIFY(m_fx->InsertReadings(engine, "STN1"_q, "AIR TEMP"_q,
                                 {{2005, 3, 2, 10, 0, 0, 12.3}, {2005, 3, 2, 11, 0, 0, 0.5}}));
    InitDateTimeTemplates({dateSeparator.unicode(), timeSeparator.unicode()});
    const FixedClock clock(March2);
    GraphChart chart(5);
    chart.resize(436, 260);
    EventPump pump;
    const bool loaded = chart.LoadGraph("STN1"_q, "AIR TEMP"_q, 0, *queries, pump);
    chart.replot();
    const QwtScaleDraw* time = chart.axisScaleDraw(QwtPlot::xBottom);
    const QList<double> ticks = chart.axisScaleDiv(QwtPlot::xBottom).ticks(QwtScaleDiv::MajorTick);
    QStringList texts;
    for (const double tick : ticks)
        texts.append(time->label(tick).text());
    InitDateTimeTemplates({});
    QVERIFY(loaded);
    QCOMPARE(texts.mid(0, 2), timeLabels);

    const QwtScaleDraw* value = chart.axisScaleDraw(QwtPlot::yLeft);
    QCOMPARE(value->label(12.3).text(), "12.30"_q);
    QCOMPARE(value->label(0.5).text(), "0.50"_q);
    const QList<double> steps = chart.axisScaleDiv(QwtPlot::yLeft).ticks(QwtScaleDiv::MajorTick);
    QVERIFY(steps.size() >= 2);
    QVERIFY(steps.first() <= 0.5 && steps.last() >= 12.3);
    QVERIFY(steps[1] - steps[0] >= 0.01);
}

void TestGraphChart::emptyChooserLoadsConfiguredSensor_data()
{
    QTest::addColumn<Engine>("engine");
    EngineRows("sensor not among the station's", [](QTestData&) {});
}

// The chooser stays empty when the configured sensor is not in the station's list; the graph
// still loads the configured name's readings.
void TestGraphChart::emptyChooserLoadsConfiguredSensor()
{
    QFETCH(Engine, engine);
    StationQueries* queries = prepare(engine, "STN1"_q, {"RAIN"_q});
    if (!queries)
        QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
    QVERIFY(m_fx->InsertReadings(engine, "STN1"_q, "AIR TEMP"_q, {{2005, 3, 2, 12, 0, 0, 5.0}}));
    const FixedClock clock(March2);
    GraphPosition position(settings::GraphPositions.at(1), nullptr);
    position.chooser()->addItem("RAIN"_q);
    position.chooser()->setCurrentIndex(-1);
    EventPump pump;
    QVERIFY(position.LoadGraph("STN1"_q, "AIR TEMP"_q, 2, *queries, pump));
    QCOMPARE(position.chooser()->currentText(), QString());
    QCOMPARE(Drawn(*position.chart()), QStringList{"2005-03-02 12:00:00=5"_q});
}

void TestGraphChart::newerLoadSupersedes_data()
{
    QTest::addColumn<Engine>("engine");
    EngineRows("a sensor choice during a load", [](QTestData&) {});
}

// An event processed during a long load starts another load of the same chart: the newer load
// runs to its end and the older one stops without adding to its series.
void TestGraphChart::newerLoadSupersedes()
{
    QFETCH(Engine, engine);
    StationQueries* queries = prepare(engine);
    if (!queries)
        QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
    QVERIFY(m_fx->InsertReadings(engine, "STN1"_q, "AIR TEMP"_q,
                                 EveryMinute({2005, 3, 1, 12, 0, 0}, 600, 0.0)));
    QVERIFY(m_fx->InsertReadings(engine, "STN1"_q, "RAIN"_q,
                                 {{2005, 3, 2, 1, 0, 0, 1.0}, {2005, 3, 2, 2, 0, 0, 2.0}}));
    const FixedClock clock(March2);
    GraphChart chart(1);
    EventPump pump({}, std::chrono::milliseconds(0));
    bool innerLoaded = false;
    bool innerRan = false;
    QTimer::singleShot(0, &chart, [&] {
        innerRan = true;
        QVERIFY(chart.isLoading());
        innerLoaded = chart.LoadGraph("STN1"_q, "RAIN"_q, 2, *queries, pump);
    });
    QVERIFY(!chart.LoadGraph("STN1"_q, "AIR TEMP"_q, 2, *queries, pump));
    QVERIFY(innerRan);
    QVERIFY(innerLoaded);
    QVERIFY(!chart.isLoading());
    QCOMPARE(chart.series()->title().text(), "STN1.RAIN"_q);
    QCOMPARE(Drawn(chart), (QStringList{"2005-03-02 01:00:00=1"_q, "2005-03-02 02:00:00=2"_q}));
}

void TestGraphChart::stopConditionEndsLoad_data()
{
    QTest::addColumn<Engine>("engine");
    EngineRows("the main window closing", [](QTestData&) {});
}

void TestGraphChart::stopConditionEndsLoad()
{
    QFETCH(Engine, engine);
    StationQueries* queries = prepare(engine);
    if (!queries)
        QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
    QVERIFY(m_fx->InsertReadings(engine, "STN1"_q, "AIR TEMP"_q,
                                 EveryMinute({2005, 3, 1, 12, 0, 0}, 300, 0.0)));
    const FixedClock clock(March2);
    GraphChart chart(6);
    bool closing = false;
    EventPump pump([&closing] { return closing; }, std::chrono::milliseconds(0));
    QTimer::singleShot(0, [&closing] { closing = true; });
    QVERIFY(!chart.LoadGraph("STN1"_q, "AIR TEMP"_q, 2, *queries, pump));
    QVERIFY(pump.Passes() >= 1);
    QVERIFY(chart.readings().size() >= 1);
    QVERIFY(chart.readings().size() < 300);
    QVERIFY(!chart.isLoading());
}

void TestGraphChart::failingQueryLeavesEmptyGraph_data()
{
    QTest::addColumn<Engine>("engine");
    EngineRows("the connection closed", [](QTestData&) {});
}

// The failure reaches the caller; the graph is left empty with its new title and window.
void TestGraphChart::failingQueryLeavesEmptyGraph()
{
    QFETCH(Engine, engine);
    StationQueries* queries = prepare(engine);
    if (!queries)
        QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
    QVERIFY(m_fx->InsertReadings(engine, "STN1"_q, "AIR TEMP"_q, {{2005, 3, 2, 12, 0, 0, 5.0}}));
    FixedClock clock(March2);
    GraphChart chart(2);
    EventPump pump;
    QVERIFY(chart.LoadGraph("STN1"_q, "AIR TEMP"_q, 2, *queries, pump));
    QCOMPARE(chart.readings().size(), size_t{1});

    m_connections.at(engine).database->Close();
    clock.Set({2005, 3, 2, 15, 0, 0});
    QVERIFY_EXCEPTION_THROWN(chart.LoadGraph("STN1"_q, "RAIN"_q, 0, *queries, pump), DatabaseError);
    QCOMPARE(chart.readings().size(), size_t{0});
    QCOMPARE(chart.series()->title().text(), "STN1.RAIN"_q);
    QCOMPARE(Show(Fields(chart.windowStart())), "2005-03-02 09:00:00"_q);
    QVERIFY(!chart.isLoading());
}

void TestGraphChart::refreshOfNewReadingsMatchesWholeRead_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<QString>("sensor");
    QTest::addColumn<Steps>("steps");
    // The graph holds AIR TEMP every minute up to 14:37:00, over the 6-hour window of 14:37:42;
    // a refresh then reads from 14:32:00 on.
    const auto load = [](int range) { return Step{Step::Load, {}, double(range)}; };
    const auto clock = [](int hour, int minute, int second) {
        return Step{Step::Clock, {2005, 3, 2, hour, minute, second}};
    };
    const auto at = [](Step::Kind kind, int hour, int minute, int second, double value = 0.0) {
        return Step{kind, {2005, 3, 2, hour, minute, second}, value};
    };
    const auto add = [](const char* name, const char* sensor, std::vector<Step> steps) {
        EngineRows(name, [&](QTestData& row) { row << QString::fromUtf8(sensor) << Steps{steps}; });
    };
    add("readings come in", "AIR TEMP",
        {clock(14, 38, 42), at(Step::Insert, 14, 38, 0, 500.0), load(0)});
    add("a late reading inside the overlap", "AIR TEMP",
        {at(Step::Insert, 14, 38, 0, 500.0), at(Step::Insert, 14, 33, 30, -600.0),
         clock(14, 39, 42), load(0)});
    // The new window starts at 08:57:00, on a reading, which stays.
    add("readings leave the window", "AIR TEMP",
        {clock(14, 57, 42), at(Step::Insert, 14, 50, 0, 9000.0), load(0)});
    add("readings deleted and changed inside the overlap", "AIR TEMP",
        {at(Step::Delete, 14, 36, 0), at(Step::Change, 14, 34, 0, 1e6),
         at(Step::Change, 14, 37, 0, -1e6), clock(14, 39, 42), load(0)});
    add("a reading changed at the overlap's start", "AIR TEMP",
        {at(Step::Change, 14, 32, 0, 800.0), clock(14, 38, 42), load(0)});
    add("a range change in between", "AIR TEMP",
        {clock(14, 38, 42), load(1), at(Step::Insert, 14, 38, 30, 700.0),
         at(Step::Insert, 14, 35, 30, 710.0), clock(14, 40, 42), load(1)});
    // Readings stored hours late, after a silence, lie after the newest reading held.
    add("a silent station catching up", "AIR TEMP",
        {clock(15, 30, 42), load(0), at(Step::Insert, 14, 50, 0, 1.0),
         at(Step::Insert, 15, 20, 0, 2.0), clock(15, 31, 42), load(0)});
    // Without a reading held, the read starts an overlap before the last window's end.
    add("a sensor's first readings", "RAIN",
        {at(Step::Insert, 14, 33, 0, 3.0), at(Step::Insert, 14, 38, 0, 4.0), clock(14, 38, 42),
         load(0)});
}

// A refresh that reads only the newest readings leaves the graph as a read of the whole window
// would: readings stored late within the overlap, changed or deleted there, and those that left
// the window's start, point for point, with the same bounds for the value axis.
void TestGraphChart::refreshOfNewReadingsMatchesWholeRead()
{
    QFETCH(Engine, engine);
    QFETCH(QString, sensor);
    QFETCH(Steps, steps);
    StationQueries* queries = prepare(engine);
    if (!queries)
        QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
    QVERIFY2(m_fx->InsertReadings(engine, "STN1"_q, "AIR TEMP"_q,
                                  EveryMinute({2005, 3, 2, 8, 0, 0}, 398, 0.0)),
             qPrintable(m_fx->LastError()));
    FixedClock clock(March2);
    GraphChart chart(1);
    EventPump pump;
    QVERIFY(chart.LoadGraph("STN1"_q, sensor, 0, *queries, pump));
    QVERIFY(chart.lastLoadReadWholeWindow());
    int range = 0;
    for (const Step& step : steps.list) {
        const QString stamp =
            EngineFixture::TimeLiteral(engine, step.at.year, step.at.month, step.at.day,
                                       step.at.hour, step.at.minute, step.at.second);
        const QString reading =
            " WHERE SENSORNAME = "_q + EngineFixture::Quote(sensor) + " AND TIME_TAG = "_q + stamp;
        switch (step.kind) {
        case Step::Clock:
            clock.Set(step.at);
            break;
        case Step::Insert:
            QVERIFY2(m_fx->InsertReadings(engine, "STN1"_q, sensor,
                                          {{step.at.year, step.at.month, step.at.day, step.at.hour,
                                            step.at.minute, step.at.second, step.value}}),
                     qPrintable(m_fx->LastError()));
            break;
        case Step::Delete:
            QVERIFY2(m_fx->Exec(engine, "DELETE FROM KT_DATA1"_q + reading),
                     qPrintable(m_fx->LastError()));
            break;
        case Step::Change:
            QVERIFY2(m_fx->Exec(engine, "UPDATE KT_DATA1 SET ED_VALUE = "_q +
                                            QString::number(step.value, 'g', 17) + reading),
                     qPrintable(m_fx->LastError()));
            break;
        case Step::Load:
            range = static_cast<int>(step.value);
            QVERIFY(chart.LoadGraph("STN1"_q, sensor, range, *queries, pump));
            break;
        }
    }
    QVERIFY(!chart.lastLoadReadWholeWindow());
    GraphChart whole(2);
    QVERIFY(whole.LoadGraph("STN1"_q, sensor, range, *queries, pump));
    QCOMPARE(Drawn(chart), Drawn(whole));
    QCOMPARE(chart.readings().boundingRect(), whole.readings().boundingRect());
    QCOMPARE(chart.windowStart(), whole.windowStart());
    QCOMPARE(chart.gapLimit(), whole.gapLimit());
}

void TestGraphChart::wholeWindowRead_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<QString>("change"); // what happens after the first load, 6 hours at 14:37:42
    QTest::addColumn<bool>("whole");
    QTest::addColumn<int>("rows");
    const auto add = [](const char* name, const char* change, bool whole, int rows) {
        EngineRows(name,
                   [&](QTestData& row) { row << QString::fromUtf8(change) << whole << rows; });
    };
    // From 14:32:00 (an overlap before the newest reading, 14:37:00) to the window's end.
    add("a minute later, nothing changed", "minute", false, 6);
    add("59:59 after the whole read", "59:59", false, 6);
    add("an hour after the whole read", "hour", true, 301);
    add("another sensor", "sensor", true, 2);
    add("another station", "station", true, 0);
    add("another range", "range", true, 398);
    add("a new connection", "connection", true, 361);
    add("asked for, as by the Setup command", "asked", true, 361);
    add("the clock went back", "clock back", true, 361);
    add("the last load was stopped", "stopped", true, 361);
    add("the last load failed", "failed", true, 361);
}

// A refresh reads only the newest readings while the graph's station, sensor, range and
// connection stay and its last load was complete, at most an hour after the last whole read.
void TestGraphChart::wholeWindowRead()
{
    QFETCH(Engine, engine);
    QFETCH(QString, change);
    QFETCH(bool, whole);
    QFETCH(int, rows);
    StationQueries* queries = prepare(engine);
    if (!queries)
        QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
    QVERIFY(m_fx->InsertReadings(engine, "STN1"_q, "AIR TEMP"_q,
                                 EveryMinute({2005, 3, 2, 8, 0, 0}, 398, 0.0)));
    QVERIFY(m_fx->InsertReadings(engine, "STN1"_q, "RAIN"_q,
                                 {{2005, 3, 2, 12, 0, 0, 1.0}, {2005, 3, 2, 13, 0, 0, 2.0}}));
    FixedClock clock(March2);
    GraphChart chart(3);
    EventPump pump;
    QVERIFY(chart.LoadGraph("STN1"_q, "AIR TEMP"_q, 0, *queries, pump));
    QCOMPARE(chart.lastLoadRows(), 361LL);

    QString station = "STN1"_q;
    QString sensor = "AIR TEMP"_q;
    int range = 0;
    clock.Set({2005, 3, 2, 14, 38, 42});
    if (change == "59:59"_q) {
        clock.Set({2005, 3, 2, 15, 37, 41});
    } else if (change == "hour"_q) {
        clock.Set({2005, 3, 2, 15, 37, 42});
    } else if (change == "sensor"_q) {
        sensor = "RAIN"_q;
    } else if (change == "station"_q) {
        station = "STN2"_q;
    } else if (change == "range"_q) {
        range = 1;
    } else if (change == "connection"_q) {
        clock.Set(March2);
        QVERIFY(m_connections.at(engine)
                    .database
                    ->ConnectDatabase(m_fx->DataSource(engine), m_fx->User(engine),
                                      m_fx->Password(engine))
                    .ok);
    } else if (change == "asked"_q) {
        clock.Set(March2);
        chart.requireWholeWindow();
    } else if (change == "clock back"_q) {
        clock.Set({2005, 3, 2, 14, 30, 0});
    } else if (change == "stopped"_q) {
        clock.Set(March2);
        EventPump stopped([] { return true; }, std::chrono::milliseconds(0));
        QVERIFY(!chart.LoadGraph(station, sensor, range, *queries, stopped));
    } else if (change == "failed"_q) {
        clock.Set(March2);
        QVERIFY(m_fx->Exec(engine, "ALTER TABLE KT_DATA1 RENAME TO KT_DATA1_AWAY"_q));
        bool failed = false;
        try {
            chart.LoadGraph(station, sensor, range, *queries, pump);
        } catch (const DatabaseError&) {
            failed = true;
        }
        QVERIFY(m_fx->Exec(engine, "ALTER TABLE KT_DATA1_AWAY RENAME TO KT_DATA1"_q));
        QVERIFY(failed);
    }
    QVERIFY(chart.LoadGraph(station, sensor, range, *queries, pump));
    QCOMPARE(chart.lastLoadReadWholeWindow(), whole);
    QCOMPARE(chart.lastLoadRows(), static_cast<long long>(rows));
}

void TestGraphChart::reducedLineDrawsTheWholeLine_data()
{
    QTest::addColumn<int>("readings");
    QTest::addColumn<double>("first"); // the part of the readings' span the canvas shows
    QTest::addColumn<double>("last");
    QTest::addColumn<double>("valueSpan"); // the value axis shows -valueSpan to valueSpan
    QTest::newRow("dense: about twenty readings a column") << 8000 << 0.0 << 1.0 << 60.0;
    QTest::newRow("sparse: a reading every nine columns") << 45 << 0.0 << 1.0 << 60.0;
    QTest::newRow("zoomed: readings beyond both edges") << 8000 << 0.3 << 0.35 << 60.0;
    QTest::newRow("values beyond the canvas") << 8000 << 0.0 << 1.0 << 20.0;
}

// The line goes to the painter with at most four points a device column: of the line through
// every reading it keeps, in order, each column's first and last point and its lowest and
// highest, so the same pixels are lit; beyond the edges only the next reading on each side.
void TestGraphChart::reducedLineDrawsTheWholeLine()
{
    QFETCH(int, readings);
    QFETCH(double, first);
    QFETCH(double, last);
    QFETCH(double, valueSpan);
    ReadingSeries series;
    const double start = At(2005, 3, 2, 0, 0, 0);
    for (int i = 0; i < readings; ++i)
        series.add(start + i / 1440.0, 40.0 * std::sin(i / 37.0) + ((i * 7919) % 101 - 50) / 4.0);
    const double span = (readings - 1) / 1440.0;
    QwtScaleMap xMap;
    xMap.setPaintInterval(0.0, 399.0);
    xMap.setScaleInterval(start + first * span, start + last * span);
    QwtScaleMap yMap;
    yMap.setPaintInterval(199.0, 0.0);
    yMap.setScaleInterval(-valueSpan, valueSpan);
    const double left = -1.0;
    const double right = 400.0;

    QPolygonF whole;
    for (int i = 0; i < series.count(); ++i)
        whole.append(QPointF(std::round(xMap.transform(series.at(i).x())),
                             std::round(yMap.transform(series.at(i).y()))));
    const QPolygonF reduced =
        series.deviceLine(xMap, yMap, left, right, 0, series.count() - 1, true);

    // In the order of the whole line.
    int k = 0;
    for (const QPointF& point : reduced) {
        while (k < whole.size() && whole[k] != point)
            ++k;
        QVERIFY2(k < whole.size(), "a point out of order or not on the line");
        ++k;
    }
    // Each column within the edges: its first, last, lowest and highest point.
    struct Column
    {
        QPointF first, last;
        double low = 0, high = 0;
        int points = 0;
    };
    const auto columns = [&](const QPolygonF& line) {
        std::map<int, Column> out;
        for (const QPointF& p : line) {
            if (p.x() < left || p.x() > right)
                continue;
            Column& c = out[static_cast<int>(p.x())];
            if (c.points++ == 0)
                c = Column{p, p, p.y(), p.y(), 1};
            c.last = p;
            c.low = std::min(c.low, p.y());
            c.high = std::max(c.high, p.y());
        }
        return out;
    };
    const std::map<int, Column> want = columns(whole);
    const std::map<int, Column> got = columns(reduced);
    QCOMPARE(got.size(), want.size());
    for (const auto& [x, column] : got) {
        const Column& w = want.at(x);
        QVERIFY(column.points <= 4);
        QCOMPARE(column.first, w.first);
        QCOMPARE(column.last, w.last);
        QCOMPARE(column.low, w.low);
        QCOMPARE(column.high, w.high);
    }
    // Beyond each edge, the reading next to it carries the line on.
    QPointF beforeLeft = whole.first();
    QPointF afterRight = whole.last();
    for (int i = 0; i < whole.size(); ++i)
        if (xMap.transform(series.at(i).x()) < left)
            beforeLeft = whole[i];
    for (int i = whole.size() - 1; i >= 0; --i)
        if (xMap.transform(series.at(i).x()) > right)
            afterRight = whole[i];
    QCOMPARE(reduced.first(), beforeLeft);
    QCOMPARE(reduced.last(), afterRight);
}

void TestGraphChart::keptPointsAcrossBlocks_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("first"); // the first point kept
    QTest::addColumn<int>("end");   // the point after the last kept
    QTest::newRow("the start within the first block") << 3000 << 700 << 3000;
    QTest::newRow("the start on a block's first point") << 3000 << 1024 << 2900;
    QTest::newRow("the start past two blocks") << 5000 << 2049 << 4999;
    QTest::newRow("the end before the last block") << 5000 << 0 << 1023;
    QTest::newRow("nothing kept") << 2048 << 2048 << 2048;
    QTest::newRow("one point kept") << 2048 << 2047 << 2048;
}

// The series holds its points in blocks of 1,024: dropping whole and partial blocks at both ends
// and adding after that keeps every point in its place, and the value bounds follow.
void TestGraphChart::keptPointsAcrossBlocks()
{
    QFETCH(int, points);
    QFETCH(int, first);
    QFETCH(int, end);
    const auto value = [](int i) { return double((i * 37) % 1001); };
    ReadingSeries series;
    for (int i = 0; i < points; ++i)
        series.add(i, value(i));
    series.keepBetween(first, end);
    const int added = 1500;
    for (int i = points; i < points + added; ++i)
        series.add(i, value(i));
    std::vector<int> kept;
    for (int i = first; i < end; ++i)
        kept.push_back(i);
    for (int i = points; i < points + added; ++i)
        kept.push_back(i);
    QCOMPARE(series.count(), static_cast<int>(kept.size()));
    double low = value(kept.front());
    double high = low;
    for (int k = 0; k < series.count(); ++k) {
        QCOMPARE(series.at(k), QPointF(kept[std::size_t(k)], value(kept[std::size_t(k)])));
        low = std::min(low, value(kept[std::size_t(k)]));
        high = std::max(high, value(kept[std::size_t(k)]));
    }
    QCOMPARE(series.boundingRect(), QRectF(QPointF(kept.front(), low), QPointF(kept.back(), high)));
    QCOMPARE(series.storageBytes() < (kept.size() / 1024 + 3) * 1024 * sizeof(QPointF) + 64, true);
}

void TestGraphChart::gapsBreakTheLine_data()
{
    // Reading times and the limit in steps of 1/1024 day (84.375 s), which add up exactly.
    QTest::addColumn<Numbers>("steps");
    QTest::addColumn<double>("limit");
    QTest::addColumn<Numbers>("stretches"); // the readings each polyline starts with
    QTest::newRow("no gap") << Numbers{{0, 1, 2, 3, 4}} << 5.0 << Numbers{{0}};
    QTest::newRow("a gap of two hours") << Numbers{{0, 1, 2, 122, 123}} << 5.0 << Numbers{{0, 3}};
    QTest::newRow("exactly the limit is no gap") << Numbers{{0, 1, 6, 7}} << 5.0 << Numbers{{0}};
    QTest::newRow("a reading alone between two gaps")
        << Numbers{{0, 1, 30, 60, 61}} << 5.0 << Numbers{{0, 2, 3}};
    QTest::newRow("a gap at each end") << Numbers{{0, 30, 31, 32, 90}} << 5.0 << Numbers{{0, 1, 4}};
    QTest::newRow("no limit") << Numbers{{0, 1, 122}} << HUGE_VAL << Numbers{{0}};
}

// Each stretch of readings without a gap is a polyline of its own, still reduced to at most four
// points a column.
void TestGraphChart::gapsBreakTheLine()
{
    QFETCH(Numbers, steps);
    QFETCH(double, limit);
    QFETCH(Numbers, stretches);
    ReadingSeries series;
    const double start = At(2005, 3, 2, 0, 0, 0);
    constexpr double Step = 1.0 / 1024.0;
    for (const double m : steps.list)
        series.add(start + m * Step, m);
    QwtScaleMap xMap;
    xMap.setPaintInterval(0.0, 499.0);
    xMap.setScaleInterval(start, start + steps.list.back() * Step);
    QwtScaleMap yMap;
    yMap.setPaintInterval(199.0, 0.0);
    yMap.setScaleInterval(0.0, 200.0);
    const std::vector<QPolygonF> lines =
        series.deviceLines(xMap, yMap, -1.0, 500.0, 0, series.count() - 1, false, limit * Step);
    const std::vector<double>& starts = stretches.list;
    QCOMPARE(lines.size(), starts.size());
    for (std::size_t k = 0; k < starts.size(); ++k) {
        const int first = static_cast<int>(starts[k]);
        const int last =
            k + 1 < starts.size() ? static_cast<int>(starts[k + 1]) - 1 : series.count() - 1;
        const auto pixel = [&](int i) {
            return QPointF(xMap.transform(series.at(i).x()), yMap.transform(series.at(i).y()));
        };
        const QPolygonF& line = lines[k];
        QCOMPARE(line.first(), pixel(first));
        QCOMPARE(line.last(), pixel(last));
    }
}

void TestGraphChart::medianSpacingFollowsTheReadings_data()
{
    QTest::addColumn<unsigned>("seed");
    QTest::addColumn<int>("spacings"); // how many distinct spacings the readings take
    QTest::newRow("regular readings with a few gaps") << 1u << 3;
    QTest::newRow("irregular readings") << 2u << 40;
    QTest::newRow("many readings of one time") << 3u << 1;
}

// Added in and out of order, dropped from either end or cleared: the median spacing is always
// the one counted afresh from the readings held.
void TestGraphChart::medianSpacingFollowsTheReadings()
{
    QFETCH(unsigned, seed);
    QFETCH(int, spacings);
    std::uint32_t state = seed;
    const auto next = [&state](std::uint32_t below) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % below;
    };
    const auto afresh = [](const ReadingSeries& series) {
        std::vector<double> gaps;
        for (int i = 1; i < series.count(); ++i) {
            const double gap = std::round((series.at(i).x() - series.at(i - 1).x()) * 86400000.0);
            if (gap > 0)
                gaps.push_back(gap / 86400000.0);
        }
        if (gaps.empty())
            return 0.0;
        std::sort(gaps.begin(), gaps.end());
        return gaps[(gaps.size() - 1) / 2];
    };
    ReadingSeries series;
    double newest = At(2005, 3, 2, 0, 0, 0);
    for (int step = 0; step < 3000; ++step) {
        const std::uint32_t what = next(100);
        if (what < 70) {
            newest += static_cast<double>(next(static_cast<std::uint32_t>(spacings)) *
                                          (next(20) == 0 ? 97 : 1)) /
                      1440.0;
            series.add(newest, 1.0);
        } else if (what < 85 && series.count() > 0) {
            const double first = series.at(0).x();
            series.add(first + (newest - first) * next(1000) / 1000.0, 2.0);
        } else if (what < 99 && series.count() > 2) {
            const double first = series.at(0).x();
            const double span = newest - first;
            series.keepBetween(first + span * next(300) / 1000.0,
                               newest - span * next(300) / 1000.0 + (next(2) ? 1.0 : 0.0));
        } else {
            series.clear();
        }
        QCOMPARE(series.medianSpacing(), afresh(series));
    }
}

void TestGraphChart::gapsOnTheChart_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<bool>("breakAtGaps");
    QTest::addColumn<double>("limitMinutes");
    QTest::addColumn<double>("limitDays"); // the limit the chart takes
    QTest::addColumn<bool>("lineInGap");
    const auto add = [](const char* name, bool on, double minutes, double days, bool line) {
        EngineRows(name, [&](QTestData& row) { row << on << minutes << days << line; });
    };
    add("automatic: five times a minute", true, 0.0, 5.0 / 1440.0, false);
    add("a limit longer than the gap", true, 180.0, 180.0 / 1440.0, true);
    add("a limit shorter than the gap", true, 30.0, 30.0 / 1440.0, false);
    add("switched off", false, 30.0, HUGE_VAL, true);
}

// One-minute readings with two hours missing: the chart draws no line over those hours unless
// its rule says otherwise.
void TestGraphChart::gapsOnTheChart()
{
    QFETCH(Engine, engine);
    QFETCH(bool, breakAtGaps);
    QFETCH(double, limitMinutes);
    QFETCH(double, limitDays);
    QFETCH(bool, lineInGap);
    StationQueries* queries = prepare(engine);
    if (!queries)
        QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
    std::vector<TestReading> readings = EveryMinute({2005, 3, 2, 9, 0, 0}, 120, 0.0);
    for (const TestReading& r : EveryMinute({2005, 3, 2, 13, 0, 0}, 90, 0.0))
        readings.push_back(r);
    QVERIFY2(m_fx->InsertReadings(engine, "STN1"_q, "AIR TEMP"_q, readings),
             qPrintable(m_fx->LastError()));
    const FixedClock clock(March2);
    GraphChart chart(2);
    chart.resize(600, 300);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    chart.setGapRule({breakAtGaps, limitMinutes});
    EventPump pump;
    QVERIFY(chart.LoadGraph("STN1"_q, "AIR TEMP"_q, 0, *queries, pump));
    QCOMPARE(chart.gapLimit(), limitDays);

    // Across the middle of the gap, from top to bottom of the canvas: blue only where a line is.
    const QImage canvas = chart.canvas()->grab().toImage();
    const int x = qRound(chart.canvasMap(QwtPlot::xBottom).transform(At(2005, 3, 2, 12, 0, 0)));
    bool blue = false;
    for (int y = 0; y < canvas.height(); ++y) {
        const QColor c = canvas.pixelColor(x, y);
        blue = blue || (c.blue() > 150 && c.red() < 100 && c.green() < 100);
    }
    QCOMPARE(blue, lineInGap);
}

QTEST_MAIN(TestGraphChart)
#include "test_graph_chart.moc"
