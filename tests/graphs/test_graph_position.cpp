// The graph positions as the operator meets them: the cursor toggles with their bevels and
// strips, the read-out under the cursor and its snapping, the time-range command, the zoom of
// the first graph, and pictures of the panels for a look. Against SQLite and, when
// scripts/test.sh started one, PostgreSQL.

#include "graph_test_support.h"
#include "gui/graphs/event_pump.h"
#include "gui/graphs/frm_time_range.h"
#include "gui/graphs/graph_chart.h"
#include "gui/graphs/graph_cursor.h"
#include "gui/graphs/graph_data_tab.h"
#include "gui/graphs/graph_position.h"
#include "gui/graphs/reading_series.h"

#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_zoomer.h>
#include <qwt_scale_map.h>

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <array>
#include <map>

using namespace orvela;
using namespace orvela::test;

namespace {

enum class Answer
{
    Cancel,
    Ok
};

// The "Graph Data" tab at its design size, in the main window's font.
class GraphTab : public GraphDataTab
{
public:
    GraphTab()
    {
        QFont arial("Arial"_q);
        arial.setPixelSize(11);
        setFont(arial);
        resize(1321, 642);
    }
    GraphPosition* at(int slot) const { return position(slot); }
};

void SendMouse(QWidget* target, QEvent::Type type, const QPoint& at, Qt::MouseButton button,
               Qt::MouseButtons held, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent event(type, at, target->mapToGlobal(at), button, held, modifiers);
    QApplication::sendEvent(target, &event);
}

void MoveMouse(QWidget* canvas, const QPoint& at)
{
    SendMouse(canvas, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
}

void Drag(QWidget* canvas, const QPoint& from, const QPoint& to)
{
    SendMouse(canvas, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    SendMouse(canvas, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
    SendMouse(canvas, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    SendMouse(canvas, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

// The canvas pixel of a time and value on a chart.
QPoint PixelOf(const GraphChart& chart, DateTime time, double value)
{
    return {qRound(chart.canvasMap(QwtPlot::xBottom).transform(time)),
            qRound(chart.canvasMap(QwtPlot::yLeft).transform(value))};
}

struct PositionState
{
    bool on, active, stripShown, pressed;
    bool operator==(const PositionState& o) const
    {
        return on == o.on && active == o.active && stripShown == o.stripShown &&
               pressed == o.pressed;
    }
};

PositionState StateOf(const GraphPosition& position)
{
    return {position.isCursorOn(), position.cursor()->isActive(),
            !position.readOutBar()->isHidden(), position.cursorToggle()->isPressed()};
}

const PositionState Off{false, false, false, false};
const PositionState On{true, true, true, true};

} // namespace

Q_DECLARE_METATYPE(Answer)

class TestGraphPosition : public QObject, protected EngineCases
{
    Q_OBJECT

private:
    StationQueries* prepare(Engine engine, const std::vector<TestReading>& readings)
    {
        if (!m_fx->Available(engine) || !m_fx->ClearTables(engine))
            return nullptr;
        if (!m_fx->ExecAll(engine, {"INSERT INTO KT_SITES VALUES ('STN1', NULL)"_q,
                                    "INSERT INTO KT_SITESENSORS VALUES ('STN1', 'AIR TEMP')"_q}) ||
            !m_fx->InsertReadings(engine, "STN1"_q, "AIR TEMP"_q, readings))
            return nullptr;
        return EngineQueries(engine, "graph_position"_q);
    }

private slots:
    void initTestCase() { SetUpEngines(); }
    void cleanupTestCase() { TearDownEngines(); }

    void toggleClicks_data();
    void toggleClicks();
    void hideCursorKeepsReadOut();
    void readOut_data();
    void readOut();
    void snapsAfterFirstMiss_data();
    void snapsAfterFirstMiss();
    void timeRangeCommand_data();
    void timeRangeCommand();
    void timeRangeCommandDropsFailures();
    void zoomOnFirstGraphOnly_data();
    void zoomOnFirstGraphOnly();
    void zoomDuringLoads_data();
    void zoomDuringLoads();
    void togglesOpenNoPopup();
    void pictures();
    void cursorPassesOverGaps_data();
    void cursorPassesOverGaps();
    void twoCursors_data();
    void twoCursors();
};

void TestGraphPosition::toggleClicks_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("clicks");
    for (int slot = 1; slot <= 6; ++slot) {
        QTest::addRow("graph %d, one click", slot) << slot << 1;
        QTest::addRow("graph %d, two clicks", slot) << slot << 2;
    }
}

// A click switches the cursor, its strip and the bevel of that graph only; a second click
// puts all three back.
void TestGraphPosition::toggleClicks()
{
    QFETCH(int, slot);
    QFETCH(int, clicks);
    GraphTab tab;
    tab.show();
    for (GraphPosition* position : tab.positions())
        position->hideCursor();
    for (int i = 0; i < clicks; ++i)
        QTest::mouseClick(tab.at(slot)->cursorToggle(), Qt::LeftButton);
    for (int other = 1; other <= 6; ++other) {
        const PositionState expected = other == slot && clicks % 2 == 1 ? On : Off;
        QVERIFY2(StateOf(*tab.at(other)) == expected, qPrintable(QString::number(other)));
    }
    // A click with another button, or a press released outside, switches nothing.
    QTest::mouseClick(tab.at(slot)->cursorToggle(), Qt::RightButton);
    QCOMPARE(tab.at(slot)->isCursorOn(), clicks % 2 == 1);
}

void TestGraphPosition::hideCursorKeepsReadOut()
{
    GraphTab tab;
    tab.show();
    tab.at(2)->ImageClick();
    tab.at(5)->ImageClick();
    tab.at(2)->readOutLabel()->setText("05/03/2004 14:20:00, 12.50"_q);
    for (GraphPosition* position : tab.positions())
        position->hideCursor();
    for (GraphPosition* position : tab.positions())
        QVERIFY(StateOf(*position) == Off);
    QTest::mouseClick(tab.at(2)->cursorToggle(), Qt::LeftButton);
    QVERIFY(StateOf(*tab.at(2)) == On);
    QCOMPARE(tab.at(2)->readOutLabel()->text(), "05/03/2004 14:20:00, 12.50"_q);
}

void TestGraphPosition::readOut_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    const auto add = [this](const char* name, double value, const char* text) {
        EngineRows(name, [&](QTestData& row) { row << value << QString::fromUtf8(text); });
    };
    add("12.5", 12.5, "05/03/2004 14:20:00, 12.50");
    add("0.5", 0.5, "05/03/2004 14:20:00, .50");
    add("-0.5", -0.5, "05/03/2004 14:20:00, -.50");
    add("1234.567", 1234.567, "05/03/2004 14:20:00, 1234.57");
}

// The first move lands on the reading's marker: the read-out shows the reading's own time and
// value, and snapping stays off.
void TestGraphPosition::readOut()
{
    QFETCH(Engine, engine);
    QFETCH(double, value);
    QFETCH(QString, text);
    StationQueries* queries = prepare(engine, {{2004, 3, 5, 12, 0, 0, 3.0},
                                               {2004, 3, 5, 14, 20, 0, value},
                                               {2004, 3, 5, 15, 30, 0, -1.0}});
    if (!queries)
        QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
    const FixedClock clock({2004, 3, 5, 16, 0, 0});
    GraphTab tab;
    tab.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tab));
    GraphPosition& position = *tab.at(4);
    EventPump pump;
    QVERIFY(position.LoadGraph("STN1"_q, "AIR TEMP"_q, 0, *queries, pump));
    position.ImageClick();
    QApplication::processEvents();
    GraphChart& chart = *position.chart();
    const QPoint onReading = PixelOf(chart, At(2004, 3, 5, 14, 20, 0), value) + QPoint(2, 0);
    MoveMouse(chart.canvas(), onReading);
    QCOMPARE(position.readOutLabel()->text(), text);
    QVERIFY(!position.cursor()->snaps());
    QCOMPARE(position.cursor()->position(), At(2004, 3, 5, 14, 20, 0));

    // The cursor stays on through a reload, and so does its read-out.
    QVERIFY(position.LoadGraph("STN1"_q, "AIR TEMP"_q, 0, *queries, pump));
    QVERIFY(StateOf(position) == On);
    QCOMPARE(position.readOutLabel()->text(), text);
}

void TestGraphPosition::snapsAfterFirstMiss_data()
{
    QTest::addColumn<Engine>("engine");
    EngineRows("two readings far apart", [](QTestData&) {});
}

void TestGraphPosition::snapsAfterFirstMiss()
{
    QFETCH(Engine, engine);
    StationQueries* queries =
        prepare(engine, {{2005, 3, 2, 10, 30, 0, 1.25}, {2005, 3, 2, 14, 0, 0, 20.0}});
    if (!queries)
        QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
    const FixedClock clock({2005, 3, 2, 16, 0, 0});
    GraphTab tab;
    tab.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tab));
    GraphPosition& position = *tab.at(1);
    EventPump pump;
    QVERIFY(position.LoadGraph("STN1"_q, "AIR TEMP"_q, 0, *queries, pump));
    GraphChart& chart = *position.chart();
    QWidget* canvas = chart.canvas();

    // Switched off, the cursor does not follow the mouse.
    MoveMouse(canvas, PixelOf(chart, At(2005, 3, 2, 14, 0, 0), 20.0));
    QCOMPARE(position.readOutLabel()->text(), QString());

    position.ImageClick();
    MoveMouse(canvas, PixelOf(chart, At(2005, 3, 2, 12, 0, 0), 5.0));
    QCOMPARE(position.readOutLabel()->text(), QString());
    QVERIFY(position.cursor()->snaps());

    MoveMouse(canvas, PixelOf(chart, At(2005, 3, 2, 13, 0, 0), 5.0));
    QCOMPARE(position.readOutLabel()->text(), "02/03/2005 14:00:00, 20.00"_q);
    QCOMPARE(position.cursor()->position(), At(2005, 3, 2, 14, 0, 0));
    MoveMouse(canvas, PixelOf(chart, At(2005, 3, 2, 8, 0, 0), 5.0));
    QCOMPARE(position.readOutLabel()->text(), "02/03/2005 10:30:00, 1.25"_q);

    // Snapping stays on while the cursor is off and on again.
    position.ImageClick();
    position.ImageClick();
    QVERIFY(position.cursor()->snaps());
}

void TestGraphPosition::timeRangeCommand_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("pick"); // the item chosen in the dialog, -1 for none
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<QString>("entryAfter");
    QTest::addColumn<CivilTime>("startAfter"); // the reloaded graph's window start
    const auto add = [this](const char* name, int slot, const char* entry, int pick, Answer answer,
                            const char* after, CivilTime start) {
        EngineRows(name, [&](QTestData& row) {
            row << slot << QString::fromUtf8(entry) << pick << answer << QString::fromUtf8(after)
                << start;
        });
    };
    // The first load is at 2005-03-02 14:37:42, the command an hour later.
    add("10 days on graph 3", 3, "2", 5, Answer::Ok, "5", {2005, 2, 20, 15, 37, 0});
    add("Cancel still reloads with the old range", 3, "2", 0, Answer::Cancel, "2",
        {2005, 3, 1, 15, 37, 0});
    add("OK without a change reloads too", 6, "0", -1, Answer::Ok, "0", {2005, 3, 2, 9, 37, 0});
    add("6 hours on graph 1", 1, "4", 0, Answer::Ok, "0", {2005, 3, 2, 9, 37, 0});
}

// The command reloads only its own graph, after OK or Cancel alike, and changes only its own
// time-range entry.
void TestGraphPosition::timeRangeCommand()
{
    QFETCH(Engine, engine);
    QFETCH(int, slot);
    QFETCH(QString, entry);
    QFETCH(int, pick);
    QFETCH(Answer, answer);
    QFETCH(QString, entryAfter);
    QFETCH(CivilTime, startAfter);
    StationQueries* queries =
        prepare(engine, {{2005, 2, 25, 12, 0, 0, 1.0}, {2005, 3, 2, 15, 0, 0, 2.0}});
    if (!queries)
        QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
    FixedClock clock({2005, 3, 2, 14, 37, 42});
    GraphTab tab;
    QStringList ranges{"2"_q, "2"_q, "2"_q, "2"_q, "2"_q, "2"_q};
    ranges[slot - 1] = entry;
    EventPump pump;
    for (int n = 1; n <= 6; ++n)
        QVERIFY(
            tab.at(n)->LoadGraph("STN1"_q, "AIR TEMP"_q, ranges[n - 1].toInt(), *queries, pump));
    std::array<GraphWindow, 6> before{};
    for (int n = 1; n <= 6; ++n)
        before[static_cast<std::size_t>(n - 1)] = tab.at(n)->chart()->window();
    clock.Set({2005, 3, 2, 15, 37, 42});

    int shownIndex = -2;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TfrmTimeRange*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        shownIndex = dialog->selectedIndex();
        if (pick >= 0)
            dialog->rangeButton(pick)->click();
        QTest::mouseClick(answer == Answer::Ok ? dialog->btnOK : dialog->btnCancel, Qt::LeftButton);
    });
    int reloads = 0;
    tab.at(slot)->EditTimeRange(ranges[slot - 1], [&](int index) {
        ++reloads;
        tab.at(slot)->LoadGraph("STN1"_q, "AIR TEMP"_q, index, *queries, pump);
    });
    QCOMPARE(shownIndex, entry.toInt());
    QCOMPARE(reloads, 1);
    for (int n = 1; n <= 6; ++n) {
        const GraphChart& chart = *tab.at(n)->chart();
        if (n == slot) {
            QCOMPARE(ranges[n - 1], entryAfter);
            QCOMPARE(chart.window().start, EncodeStationTime(startAfter));
            QCOMPARE(chart.window().end, EncodeStationTime(2005, 3, 2, 15, 37, 42));
            QCOMPARE(chart.readings().size(), entryAfter.toInt() >= 3 ? size_t{2} : size_t{1});
        } else {
            QCOMPARE(ranges[n - 1], "2"_q);
            QCOMPARE(chart.window().end, before[static_cast<std::size_t>(n - 1)].end);
        }
    }
}

void TestGraphPosition::timeRangeCommandDropsFailures()
{
    GraphPosition position(settings::GraphPositions.at(1), nullptr);
    QString entry = "1"_q;
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<TfrmTimeRange*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        dialog->rangeButton(3)->click();
        dialog->btnOK->click();
    });
    bool reloaded = false;
    position.EditTimeRange(entry, [&reloaded](int index) {
        reloaded = index == 3;
        throw DatabaseError("no connection"_q);
    });
    QVERIFY(reloaded);
    QCOMPARE(entry, "3"_q);

    // An entry that is no whole number ends the command before the dialog.
    QString broken = "x"_q;
    position.EditTimeRange(broken, [&reloaded](int) { reloaded = false; });
    QVERIFY(reloaded);
    QCOMPARE(broken, "x"_q);
}

void TestGraphPosition::zoomOnFirstGraphOnly_data()
{
    QTest::addColumn<Engine>("engine");
    EngineRows("graphs 1 and 2", [](QTestData&) {});
}

void TestGraphPosition::zoomOnFirstGraphOnly()
{
    QFETCH(Engine, engine);
    std::vector<TestReading> readings;
    for (int hour = 0; hour < 24; ++hour)
        readings.push_back({2005, 3, 2, hour, 0, 0, double(hour)});
    StationQueries* queries = prepare(engine, readings);
    if (!queries)
        QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
    const FixedClock clock({2005, 3, 2, 23, 30, 0});
    GraphTab tab;
    tab.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tab));
    EventPump pump;
    for (int n = 1; n <= 2; ++n)
        QVERIFY(tab.at(n)->LoadGraph("STN1"_q, "AIR TEMP"_q, 2, *queries, pump));
    QVERIFY(tab.at(1)->chart()->zoomer() != nullptr);
    QVERIFY(tab.at(2)->chart()->zoomer() == nullptr);

    for (int n = 1; n <= 2; ++n) {
        GraphChart& chart = *tab.at(n)->chart();
        const QwtInterval window = chart.axisInterval(QwtPlot::xBottom);
        const QPoint from = PixelOf(chart, At(2005, 3, 2, 6, 0, 0), 20.0);
        const QPoint to = PixelOf(chart, At(2005, 3, 2, 12, 0, 0), 2.0);
        Drag(chart.canvas(), from, to);
        const QwtInterval zoomed = chart.axisInterval(QwtPlot::xBottom);
        if (n == 1) {
            QVERIFY(zoomed.width() < window.width() / 3.0);
            QVERIFY(qAbs(zoomed.minValue() - At(2005, 3, 2, 6, 0, 0)) < 0.01);
            // Dragging to the left goes back to the whole window, with the value axis
            // following the readings again.
            Drag(chart.canvas(), to, from);
            QCOMPARE(chart.axisInterval(QwtPlot::xBottom).minValue(), chart.windowStart());
            QCOMPARE(chart.axisInterval(QwtPlot::xBottom).maxValue(), chart.windowEnd());
            QVERIFY(chart.axisAutoScale(QwtPlot::yLeft));
        } else {
            QCOMPARE(zoomed.minValue(), window.minValue());
            QCOMPARE(zoomed.maxValue(), window.maxValue());
        }
    }
}

void TestGraphPosition::zoomDuringLoads_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<int>("loads");           // the first load, then refreshes
    QTest::addColumn<bool>("zoomBeforeLast"); // a zoom between the last two loads
    QTest::addColumn<bool>("zoomDuringLast"); // a zoom while the last load reads
    EngineRows("zoom during the load", [](QTestData& row) { row << 1 << false << true; });
    EngineRows("zoom during a refresh", [](QTestData& row) { row << 2 << false << true; });
    EngineRows("zoom across a refresh", [](QTestData& row) { row << 2 << true << false; });
    EngineRows("zoom before and during a refresh",
               [](QTestData& row) { row << 2 << true << true; });
}

// Events are processed while readings come in, so the operator can zoom in the middle of a
// load; after any load, dragging to the left still returns to the whole window.
void TestGraphPosition::zoomDuringLoads()
{
    QFETCH(Engine, engine);
    QFETCH(int, loads);
    QFETCH(bool, zoomBeforeLast);
    QFETCH(bool, zoomDuringLast);
    std::vector<TestReading> readings;
    for (int minute = 0; minute <= 23 * 60 + 30; minute += 10)
        readings.push_back({2005, 3, 2, minute / 60, minute % 60, 0, double(minute % 97)});
    StationQueries* queries = prepare(engine, readings);
    if (!queries)
        QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
    const FixedClock clock({2005, 3, 2, 23, 30, 0});
    GraphTab tab;
    tab.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tab));
    GraphChart& chart = *tab.at(1)->chart();
    QWidget* canvas = chart.canvas();
    const auto zoomIn = [canvas] {
        Drag(canvas, QPoint(canvas->width() / 4, canvas->height() / 4),
             QPoint(canvas->width() / 2, canvas->height() * 3 / 4));
    };
    const auto xInterval = [&chart] { return chart.axisInterval(QwtPlot::xBottom); };

    EventPump pump({}, std::chrono::milliseconds(0));
    for (int load = 1; load <= loads; ++load) {
        const bool last = load == loads;
        if (last && zoomBeforeLast) {
            zoomIn();
            QVERIFY(xInterval().width() < chart.windowEnd() - chart.windowStart());
        }
        bool zoomedDuring = false;
        if (last && zoomDuringLast)
            QTimer::singleShot(0, canvas, [&] {
                zoomIn();
                zoomedDuring = chart.isLoading();
            });
        QVERIFY(tab.at(1)->LoadGraph("STN1"_q, "AIR TEMP"_q, 2, *queries, pump));
        QCOMPARE(zoomedDuring, last && zoomDuringLast);
    }
    QCOMPARE(chart.readings().size(), readings.size());
    // A zoom made during the load stays; one made before it gave way to the whole window.
    const double windowWidth = chart.windowEnd() - chart.windowStart();
    QCOMPARE(xInterval().width() < windowWidth * 0.9, zoomDuringLast);
    const QRectF base = chart.zoomer()->zoomBase();
    QVERIFY(base.left() <= chart.windowStart() && base.right() >= chart.windowEnd());

    Drag(canvas, QPoint(canvas->width() / 2, canvas->height() / 2),
         QPoint(canvas->width() / 4, canvas->height() / 2));
    QCOMPARE(xInterval().minValue(), chart.windowStart());
    QCOMPARE(xInterval().maxValue(), chart.windowEnd());
    QVERIFY(chart.axisAutoScale(QwtPlot::yLeft));
    // Zooming and returning once more keeps working from the whole window.
    zoomIn();
    QVERIFY(xInterval().width() < windowWidth * 0.9);
    chart.zoomer()->zoom(-1);
    QCOMPARE(xInterval().minValue(), chart.windowStart());
    QCOMPARE(xInterval().maxValue(), chart.windowEnd());
}

// The graph's popup menu opens on the chart, never on its toggle picture.
void TestGraphPosition::togglesOpenNoPopup()
{
    GraphPosition position(settings::GraphPositions.at(2), nullptr);
    position.resize(440, 321);
    position.show();
    GraphChart* chart = position.chart();
    chart->setContextMenuPolicy(Qt::CustomContextMenu);
    int requests = 0;
    connect(chart, &QWidget::customContextMenuRequested, [&requests] { ++requests; });
    QContextMenuEvent onToggle(QContextMenuEvent::Mouse, QPoint(5, 5));
    QApplication::sendEvent(position.cursorToggle()->image(), &onToggle);
    QCOMPARE(requests, 0);
    QContextMenuEvent onChart(QContextMenuEvent::Mouse, QPoint(100, 100));
    QApplication::sendEvent(chart, &onChart);
    QCOMPARE(requests, 1);
}

// Renders the panels with ten days of readings and a cursor read-out; with ORVELA_SHOT_DIR set
// the pictures are kept there for a look.
void TestGraphPosition::pictures()
{
    std::vector<TestReading> readings;
    const StationTime first = EncodeStationTime(2005, 2, 20, 14, 40, 0);
    for (int i = 0; i < 14400; i += 10) {
        const CivilTime t = DecodeStationTime(first + i * 60);
        readings.push_back({t.year, t.month, t.day, t.hour, t.minute, t.second,
                            12.0 + 8.0 * std::sin(i / 229.0) + (i % 70) / 35.0});
    }
    StationQueries* queries = prepare(Engine::SQLite, readings);
    if (!queries)
        QSKIP(qPrintable(m_fx->SkipReason(Engine::SQLite) + m_fx->LastError()));
    const FixedClock clock({2005, 3, 2, 14, 37, 42});
    GraphTab tab;
    tab.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tab));
    EventPump pump;
    for (int n = 1; n <= 6; ++n) {
        GraphPosition& position = *tab.at(n);
        position.chooser()->addItem("AIR TEMP"_q);
        position.chart()->setValueAxisTitle("AIR TEMP (degC)"_q);
        QVERIFY(position.LoadGraph("STN1"_q, "AIR TEMP"_q, n - 1, *queries, pump));
    }
    GraphPosition& cursorOn = *tab.at(3);
    cursorOn.ImageClick();
    QApplication::processEvents();
    MoveMouse(cursorOn.chart()->canvas(), QPoint(200, 80));
    MoveMouse(cursorOn.chart()->canvas(), QPoint(210, 80));
    QVERIFY(!cursorOn.readOutLabel()->text().isEmpty());
    QApplication::processEvents();

    const QImage shot = tab.grab().toImage();
    QCOMPARE(shot.size(), tab.size());
    const QString folder = qEnvironmentVariable("ORVELA_SHOT_DIR");
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        QVERIFY(shot.save(folder + "/graph-tab.png"_q));
        QVERIFY(cursorOn.grab().save(folder + "/graph-position-cursor.png"_q));
        QVERIFY(tab.at(1)->grab().save(folder + "/graph-position-6-hours.png"_q));
        GraphPosition empty(settings::GraphPositions.at(1), nullptr);
        empty.setFont(tab.font());
        empty.resize(440, 321);
        QVERIFY(empty.grab().save(folder + "/graph-position-empty.png"_q));
    }
}

void TestGraphPosition::cursorPassesOverGaps_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<bool>("breakAtGaps");
    QTest::addColumn<bool>("snapping");
    QTest::addColumn<CivilTime>("mouse");
    QTest::addColumn<QString>("text");
    const auto add = [](const char* name, bool on, CivilTime mouse, const char* text,
                        bool snapping = true) {
        EngineRows(name, [&](QTestData& row) {
            row << on << snapping << mouse << QString::fromUtf8(text);
        });
    };
    // Readings every minute from 10:00 to 10:30 and from 14:00 to 14:30, in the window of
    // 10:00 to 16:00.
    add("in the gap", true, {2005, 3, 2, 12, 0, 0},
        "No readings from 02/03/2005 10:30:00 to 02/03/2005 14:00:00");
    add("after the last reading", true, {2005, 3, 2, 15, 30, 0},
        "No readings after 02/03/2005 14:30:00");
    add("among readings", true, {2005, 3, 2, 14, 10, 0}, "02/03/2005 14:10:00, 10.00");
    add("gaps not broken: the nearest reading", false, {2005, 3, 2, 13, 0, 0},
        "02/03/2005 14:00:00, .00");
    add("the first move, not yet snapping, writes nothing", true, {2005, 3, 2, 12, 0, 0}, "",
        false);
}

// A snapping cursor takes the nearest reading, but does not jump across a gap of the line: in
// the gap its read-out names the hours without readings.
void TestGraphPosition::cursorPassesOverGaps()
{
    QFETCH(Engine, engine);
    QFETCH(bool, breakAtGaps);
    QFETCH(bool, snapping);
    QFETCH(CivilTime, mouse);
    QFETCH(QString, text);
    std::vector<TestReading> readings;
    for (const int hour : {10, 14})
        for (int minute = 0; minute <= 30; ++minute)
            readings.push_back({2005, 3, 2, hour, minute, 0, double(minute)});
    StationQueries* queries = prepare(engine, readings);
    if (!queries)
        QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
    const FixedClock clock({2005, 3, 2, 16, 0, 0});
    GraphTab tab;
    tab.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tab));
    GraphPosition& position = *tab.at(3);
    position.chart()->setGapRule({breakAtGaps, 0.0});
    EventPump pump;
    QVERIFY(position.LoadGraph("STN1"_q, "AIR TEMP"_q, 0, *queries, pump));
    position.ImageClick();
    position.cursor()->setSnap(snapping);
    GraphChart& chart = *position.chart();
    const DateTime time = At(mouse.year, mouse.month, mouse.day, mouse.hour, mouse.minute, 0);
    MoveMouse(chart.canvas(), PixelOf(chart, time, 5.0));
    QCOMPARE(position.readOutLabel()->text(), text);
}

void TestGraphPosition::twoCursors_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<int>("slot");
    EngineRows("graph 1, which zooms", [](QTestData& row) { row << 1; });
    EngineRows("graph 5", [](QTestData& row) { row << 5; });
}

// Ctrl and a click pin the second cursor; the read-out then shows both readings and their
// differences on two lines, and the first cursor's reading alone again once it is cleared.
void TestGraphPosition::twoCursors()
{
    QFETCH(Engine, engine);
    QFETCH(int, slot);
    StationQueries* queries = prepare(
        engine,
        {{2005, 3, 2, 10, 0, 0, 12.5}, {2005, 3, 2, 12, 0, 0, 13.5}, {2005, 3, 2, 14, 30, 0, 8.0}});
    if (!queries)
        QSKIP(qPrintable(m_fx->SkipReason(engine) + m_fx->LastError()));
    const FixedClock clock({2005, 3, 2, 16, 0, 0});
    GraphTab tab;
    tab.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tab));
    GraphPosition& position = *tab.at(slot);
    GraphChart& chart = *position.chart();
    EventPump pump;
    QVERIFY(position.LoadGraph("STN1"_q, "AIR TEMP"_q, 0, *queries, pump));
    const QwtInterval window = chart.axisInterval(QwtPlot::xBottom);
    position.ImageClick();
    QWidget* canvas = chart.canvas();
    const QPoint at12 = PixelOf(chart, At(2005, 3, 2, 12, 0, 0), 13.5);
    SendMouse(canvas, QEvent::MouseButtonPress, at12, Qt::LeftButton, Qt::LeftButton,
              Qt::ControlModifier);
    SendMouse(canvas, QEvent::MouseButtonRelease, at12, Qt::LeftButton, Qt::NoButton,
              Qt::ControlModifier);
    QVERIFY(position.hasSecondCursor());
    QCOMPARE(position.cursor()->second()->x(), At(2005, 3, 2, 12, 0, 0));
    QCOMPARE(chart.axisInterval(QwtPlot::xBottom).minValue(), window.minValue());

    MoveMouse(canvas, PixelOf(chart, At(2005, 3, 2, 14, 30, 0), 8.0));
    QCOMPARE(position.readOutLabel()->text(),
             "02/03/2005 12:00:00, 13.50 to 02/03/2005 14:30:00, 8.00\n"
             "Δt 2:30:00, Δ -5.50, -2.20 per hour"_q);
    QVERIFY(position.readOutBar()->height() > 21);
    MoveMouse(canvas, PixelOf(chart, At(2005, 3, 2, 10, 0, 0), 12.5));
    QCOMPARE(position.readOutLabel()->text(),
             "02/03/2005 10:00:00, 12.50 to 02/03/2005 12:00:00, 13.50\n"
             "Δt 2:00:00, Δ +1.00, +.50 per hour"_q);

    position.clearSecondCursor();
    QCOMPARE(position.readOutLabel()->text(), "02/03/2005 10:00:00, 12.50"_q);
    QCOMPARE(position.readOutBar()->height(), 21);

    // From the popup menu: on the reading nearest to where the right button went down, with
    // the cursor switched on if it was off.
    position.ImageClick();
    SendMouse(canvas, QEvent::MouseButtonPress, PixelOf(chart, At(2005, 3, 2, 14, 10, 0), 0.0),
              Qt::RightButton, Qt::RightButton);
    QVERIFY(position.pinSecondCursor());
    QVERIFY(position.isCursorOn());
    QCOMPARE(position.cursor()->second()->x(), At(2005, 3, 2, 14, 30, 0));
    QCOMPARE(position.readOutLabel()->text(),
             "02/03/2005 10:00:00, 12.50 to 02/03/2005 14:30:00, 8.00\n"
             "Δt 4:30:00, Δ -4.50, -1.00 per hour"_q);
}

QTEST_MAIN(TestGraphPosition)
#include "test_graph_position.moc"
