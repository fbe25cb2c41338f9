// orvela-bench: what the six graphs cost to load and to refresh next to fetching the same rows
// with a plain bound-column loop over unixODBC, what a held point costs, and how soon the main
// window shows, on a SQLite database of its own and a PostgreSQL and a MariaDB server that it
// starts and stops itself.
//
//   orvela-bench [--step SECONDS] [--days 1|3|7|10] [--rounds N] [--soak [REFRESHES]]
//
// The readings come every SECONDS (60 by default) and the graphs show DAYS (10 by default).
// Prints per engine, side by side:
//   "ENGINE, S s readings: first load L ms, plain fetch F ms, ratio L/F": the six graphs read
//     their whole windows, against a plain fetch of the same rows;
//   "... steady refresh R ms, plain fetch of the window W ms, ratio R/W": the six graphs a
//     minute later, reading only what is new, against a plain fetch of the whole windows;
//   "... B bytes per point": the heap the held points take, per point;
//   "... first paint P s": from starting the real main window's process to its first paint;
// all times medians of N rounds (7 by default) measured alternately with the plain fetches.
// With --soak it then runs that many more refreshes (1,000 by default), a minute apart on the
// station's clock, and prints the resident set before and after them.

#include "bench_desk.h"
#include "bench_station.h"
#include "core/app/runtime_folder.h"
#include "core/config/settings_keys.h"
#include "core/config/settings_store.h"
#include "core/db/station_database.h"
#include "core/db/station_queries.h"
#include "db/engine_fixture.h"
#include "gui/app/frm_main.h"
#include "gui/graphs/event_pump.h"
#include "gui/graphs/graph_chart.h"
#include "gui/graphs/graph_data_tab.h"
#include "gui/graphs/graph_position.h"
#include "gui/graphs/reading_series.h"
#include "gui/messages/frm_log.h"
#include "offscreen_quiet.h"
#include "process_figures.h"
#include "raw_fetch.h"
#include "recording_prompter.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFont>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

using namespace orvela;
using namespace orvela::test;
using namespace orvela::bench;

namespace {

struct Options
{
    int rounds = 7;
    int soak = 0;
    int step = 60; // seconds between readings
    int days = 10; // the graphs' window
};

[[noreturn]] void Usage()
{
    std::fprintf(stderr, "usage: orvela-bench [--step SECONDS] [--days 1|3|7|10] [--rounds N] "
                         "[--soak [REFRESHES]]\n");
    std::exit(2);
}

// The time range of a graph that spans `days`, or -1.
int RangeIndexOfDays(int days)
{
    switch (days) {
    case 1:
        return 2;
    case 3:
        return 3;
    case 7:
        return 4;
    case 10:
        return 5;
    default:
        return -1;
    }
}

Options ParseOptions(const QStringList& arguments)
{
    Options options;
    const auto number = [&](int& i, int& into, int lowest, int highest) {
        bool ok = false;
        if (i + 1 >= arguments.size())
            Usage();
        into = arguments.at(++i).toInt(&ok);
        if (!ok || into < lowest || into > highest)
            Usage();
    };
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--rounds")) {
            number(i, options.rounds, 1, 100000);
        } else if (argument == QLatin1String("--step")) {
            number(i, options.step, 1, 86400);
        } else if (argument == QLatin1String("--days")) {
            number(i, options.days, 1, 10);
            if (RangeIndexOfDays(options.days) < 0)
                Usage();
        } else if (argument == QLatin1String("--soak")) {
            options.soak = 1000;
            if (i + 1 < arguments.size() && !arguments.at(i + 1).startsWith(QLatin1String("--")))
                number(i, options.soak, 1, 100000);
        } else {
            Usage();
        }
    }
    return options;
}

// The six graph positions, shown (on the offscreen platform unless a display is chosen), and
// the program's own connection.
class Refresher
{
public:
    Refresher(const EngineFixture& fixture, Engine engine, int rangeIndex)
        : m_database(QStringLiteral("bench_") + EngineLabel(engine)), m_queries(m_database),
          m_range(rangeIndex)
    {
        const ConnectResult connected = m_database.ConnectDatabase(
            fixture.DataSource(engine), fixture.User(engine), fixture.Password(engine));
        if (!connected.ok)
            throw std::runtime_error(connected.errorText.toStdString());
        QFont arial(QStringLiteral("Arial"));
        arial.setPixelSize(11);
        m_tab.setFont(arial);
        m_tab.resize(1321, 642);
        m_tab.show();
        QApplication::processEvents();
    }

    // The six graph loads of a refresh, each reading its whole window or only what is new, as
    // asked, and, as the refresh does after large whole reads, the heap's free pages handed
    // back. Throws when a load read otherwise or a graph does not hold `expected` points.
    void LoadGraphs(bool whole, long long expected)
    {
        for (std::size_t i = 0; i < m_tab.positions().size(); ++i) {
            GraphChart* chart = m_tab.positions()[i]->chart();
            if (whole)
                chart->requireWholeWindow();
            m_tab.positions()[i]->LoadGraph(Station, Sensors[i], m_range, m_queries, m_pump);
            if (chart->lastLoadReadWholeWindow() != whole)
                throw std::runtime_error("a graph load read the window otherwise than asked");
            if (chart->readings().count() != expected)
                throw std::runtime_error("a graph holds " +
                                         std::to_string(chart->readings().count()) +
                                         " points, not " + std::to_string(expected));
        }
        if (whole && expected * static_cast<long long>(m_tab.positions().size()) >=
                         GraphChart::RowsWorthReturningMemory)
            GraphChart::ReturnFreedMemory();
    }

    // The paint that follows a refresh in the event loop: the graphs that changed.
    double Paint()
    {
        QElapsedTimer clock;
        clock.start();
        QApplication::processEvents();
        return static_cast<double>(clock.nsecsElapsed()) / 1e6;
    }

    // Every graph on a sensor without readings: the points' storage is released.
    void EmptyGraphs()
    {
        for (GraphPosition* position : m_tab.positions())
            position->LoadGraph(Station, QStringLiteral("NONE"), m_range, m_queries, m_pump);
        QApplication::processEvents();
    }

    // The live positions' queries of a refresh: the last update and seven latest values.
    void LiveQueries()
    {
        StationTime lastUpdate = 0;
        m_queries.ReadLastUpdate(Station, lastUpdate);
        float value = 0.0F;
        for (const QString& sensor : Sensors)
            m_queries.ReadLatestValue(Station, sensor, value);
        m_queries.ReadLatestValue(Station, Sensors[5], value);
    }

    const GraphWindow& Window() const { return m_tab.positions()[0]->chart()->window(); }

private:
    StationDatabase m_database;
    StationQueries m_queries;
    int m_range;
    EventPump m_pump;
    GraphDataTab m_tab;
};

void SetClockAt(int minutes)
{
    const StationTime now = EncodeStationTime(Now) + minutes * RefreshEvery;
    SetLocalClock([now] { return DecodeStationTime(now); });
}

double Milliseconds(const QElapsedTimer& clock)
{
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

// Each line starts "ENGINE, S s readings:".
template <typename... Figures>
void Print(const QByteArray& prefix, const char* format, Figures... figures)
{
    std::printf("%s: ", prefix.constData());
    std::printf(format, figures...);
    std::printf("\n");
    std::fflush(stdout);
}

void RunEngine(const EngineFixture& fixture, Engine engine, const QByteArray& prefix,
               const Options& options, const Shape& shape)
{
    Refresher refresher(fixture, engine, RangeIndexOfDays(options.days));
    RawFetch raw(fixture.DataSource(engine), fixture.User(engine), fixture.Password(engine),
                 engine == Engine::SQLite);
    const long long graphs = static_cast<long long>(Sensors.size());
    int minute = 0;
    std::vector<double> paints;

    auto timeLoad = [&](bool whole) {
        SetClockAt(minute);
        QElapsedTimer clock;
        clock.start();
        refresher.LoadGraphs(whole, shape.inWindow(minute));
        const double ms = Milliseconds(clock);
        paints.push_back(refresher.Paint());
        return ms;
    };
    auto timeRaw = [&] {
        const CivilTime from = DecodeStationTime(refresher.Window().start);
        const CivilTime to = DecodeStationTime(refresher.Window().end);
        double sum = 0;
        long long rows = 0;
        QElapsedTimer clock;
        clock.start();
        for (const QString& sensor : Sensors)
            rows += raw.Fetch(sensor, from, to, sum);
        const double ms = Milliseconds(clock);
        if (rows != graphs * shape.inWindow(minute))
            throw std::runtime_error("the plain fetch read " + std::to_string(rows) + " rows");
        return ms;
    };

    // Warm-up: drivers loaded, caches filled. Then the heap with empty graphs, against which
    // the points are counted.
    timeLoad(true);
    timeRaw();
    refresher.EmptyGraphs();
    const double heapBefore = HeapBytesInUse();
    std::vector<double> loads;
    std::vector<double> fetches;
    for (int round = 0; round < options.rounds; ++round) {
        loads.push_back(timeLoad(true));
        fetches.push_back(timeRaw());
    }
    const long long points = graphs * shape.inWindow(minute);
    const double bytesPerPoint = (HeapBytesInUse() - heapBefore) / static_cast<double>(points);
    const double resident = ResidentMegabytes();
    Print(prefix, "first load %.0f ms, plain fetch %.0f ms, ratio %.2f", Median(loads),
          Median(fetches), Median(loads) / Median(fetches));

    // A minute later each graph reads only its newest readings.
    ++minute;
    timeLoad(false);
    paints.clear();
    std::vector<double> steady;
    std::vector<double> windows;
    std::vector<double> live;
    for (int round = 0; round < options.rounds; ++round) {
        ++minute;
        steady.push_back(timeLoad(false));
        windows.push_back(timeRaw());
        QElapsedTimer clock;
        clock.start();
        refresher.LiveQueries();
        live.push_back(Milliseconds(clock));
    }
    Print(prefix, "steady refresh %.1f ms, plain fetch of the window %.0f ms, ratio %.3f",
          Median(steady), Median(windows), Median(steady) / Median(windows));
    Print(prefix, "%.1f bytes per point", bytesPerPoint);
    Print(prefix, "resident set of this process %.1f MB with %lld points held", resident, points);
    Print(prefix,
          "after a steady refresh, painting the six graphs %.1f ms and the live "
          "positions' 8 queries %.1f ms",
          Median(paints), Median(live));

    if (options.soak > 0) {
        const double before = ResidentMegabytes();
        std::vector<double> soak;
        for (int i = 0; i < options.soak; ++i) {
            ++minute;
            SetClockAt(minute);
            QElapsedTimer clock;
            clock.start();
            // A whole read an hour after the last one, as the program does.
            const bool whole = minute % 60 == 0;
            refresher.LoadGraphs(whole, shape.inWindow(minute));
            refresher.LiveQueries();
            refresher.Paint();
            soak.push_back(Milliseconds(clock));
        }
        const double after = ResidentMegabytes();
        Print(prefix,
              "%d refreshes (median %.1f ms), resident set %.1f MB before, %.1f MB after "
              "(%+.1f MB)",
              options.soak, Median(soak), before, after, after - before);
    }
}

// A desk's configuration: the bench's station, its six sensors over the window, seven live slots.
void WriteConfiguration(const QString& path, const EngineFixture& fixture, Engine engine,
                        int rangeIndex)
{
    namespace keys = settings;
    SettingsStore store(path);
    DeskSettings desk;
    desk.title = QStringLiteral("Bench");
    desk.station = Station;
    WriteDesk(store, desk, fixture, engine);
    for (int slot = 1; slot <= keys::GraphSlotCount; ++slot) {
        store.writeString(keys::GraphSection(slot), keys::Name,
                          Sensors[static_cast<std::size_t>(slot - 1)]);
        store.writeString(keys::GraphSection(slot), keys::TimeRange, QString::number(rangeIndex));
    }
    for (int slot = 1; slot <= keys::LiveSlotCount; ++slot)
        store.writeString(keys::LiveSection(slot), keys::Name,
                          Sensors[static_cast<std::size_t>(std::min(slot, 6) - 1)]);
    store.flush();
}

// Tells, on standard output, when any widget of one window is first painted.
class PaintWatch final : public QObject
{
public:
    explicit PaintWatch(const QWidget& window) : m_window(window) {}
    bool Painted() const { return m_painted; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_painted && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == &m_window) {
            m_painted = true;
            std::printf("painted\n");
            std::fflush(stdout);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const QWidget& m_window;
    bool m_painted = false;
};

// The desk the first-paint figure is taken from, run as a process of its own so that it starts
// as the program does: the real main window on the configuration `config`, with the station's
// clock at `now`. Prints "painted" at the window's first paint, then, once every graph holds
// `expected` readings, "loaded RESIDENT_MB HEAP_MB".
int RunDesk(const QString& config, StationTime now, long long expected)
{
    SetLocalClock([now] { return DecodeStationTime(now); });
    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    TfrmLog log;
    TfrmMain window(config, log);
    PaintWatch watch(window);
    QApplication::instance()->installEventFilter(&watch);
    window.show();
    const auto loaded = [&] {
        if (window.isLoading() || window.isRefreshing())
            return false;
        for (int slot = 1; slot <= TfrmMain::GraphCount; ++slot)
            if (window.graphPosition(slot)->chart()->readings().count() != expected)
                return false;
        return true;
    };
    QElapsedTimer clock;
    clock.start();
    while ((!loaded() || !watch.Painted()) && clock.elapsed() < 600000 && prompter.boxes.isEmpty())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    for (const ShownBox& box : prompter.boxes)
        std::printf("reported %s\n", qPrintable(box.text));
    if (loaded())
        std::printf("loaded %.1f %.1f\n", ResidentMegabytes(), HeapBytesInUse() / 1048576.0);
    std::fflush(stdout);
    window.Timer1()->stop();
    window.close();
    QApplication::instance()->removeEventFilter(&watch);
    return loaded() ? 0 : 1;
}

// The real main window on the station, started as a process of its own: the time from the
// start to its first paint, and to every graph holding its readings.
void FirstPaint(const EngineFixture& fixture, Engine engine, const QByteArray& prefix,
                const Options& options, const Shape& shape)
{
    QTemporaryDir folder;
    const QString config = QDir(folder.path()).filePath(QStringLiteral("Orvela.ovf"));
    WriteConfiguration(config, fixture, engine, RangeIndexOfDays(options.days));
    QProcess desk;
    desk.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    desk.start(QCoreApplication::applicationFilePath(),
               {QStringLiteral("--desk"), config, QString::number(EncodeStationTime(Now)),
                QString::number(shape.inWindow(0))});
    double painted = -1.0;
    double loaded = -1.0;
    QByteArray figures;
    while (desk.state() != QProcess::NotRunning || desk.canReadLine()) {
        if (!desk.canReadLine() && !desk.waitForReadyRead(600000))
            break;
        while (desk.canReadLine()) {
            const QByteArray line = desk.readLine().trimmed();
            if (line == "painted")
                painted = Milliseconds(clock) / 1000.0;
            else if (line.startsWith("loaded ")) {
                loaded = Milliseconds(clock) / 1000.0;
                figures = line.mid(7);
            } else {
                Print(prefix, "the desk says: %s", line.constData());
            }
        }
    }
    desk.waitForFinished();
    const QList<QByteArray> memory = figures.split(' ');
    Print(prefix, "first paint %.2f s", painted);
    Print(prefix,
          "every graph drawn with its readings after %.2f s; the window then holds %.1f "
          "MB resident, %.1f MB of heap",
          loaded, memory.value(0).toDouble(), memory.value(1).toDouble());
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    orvela::ProvideRuntimeFolder();
    orvela::bench::QuietOffscreenPlatform();
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() == 5 && arguments.at(1) == QLatin1String("--desk"))
        return RunDesk(arguments.at(2), arguments.at(3).toInt(), arguments.at(4).toLongLong());
    const Options options = ParseOptions(arguments);
    Shape shape;
    shape.step = options.step;
    shape.days = options.days;
    shape.refreshes = options.rounds + options.soak + 2;

    // A PostgreSQL and a MariaDB server of the program's own, for as long as it runs.
    std::printf("Starting a PostgreSQL and a MariaDB server and filling the databases "
                "(6 sensors x %lld readings each)...\n",
                shape.readings());
    std::fflush(stdout);
    std::map<Engine, std::unique_ptr<PrivateServer>> servers;
    for (const Engine engine : ServerEngines) {
        auto server = std::make_unique<PrivateServer>(engine);
        ExportServerFacts(engine, server->Start() ? server->Facts() : ServerFacts());
        servers.emplace(engine, std::move(server));
    }

    int status = 0;
    {
        EngineFixture fixture;
        SetLocalClock([] { return Now; });
        for (const Engine engine : AllEngines) {
            const QByteArray title = EngineTitle(engine).toUtf8();
            const char* label = title.constData();
            if (!fixture.Available(engine)) {
                const auto server = servers.find(engine);
                const QString reason =
                    server != servers.end() && !server->second->ErrorText().isEmpty()
                        ? server->second->ErrorText().trimmed()
                        : fixture.SkipReason(engine);
                std::printf("%s: skipped (%s)\n", label, qPrintable(reason));
                continue;
            }
            if (!FillDatabase(fixture, engine, shape)) {
                std::printf("%s: cannot fill the database: %s\n", label,
                            qPrintable(fixture.LastError()));
                status = 1;
                continue;
            }
            fixture.Disconnect(engine);
            try {
                const QByteArray prefix = QByteArray(label) + ", " + shape.label().toUtf8();
                RunEngine(fixture, engine, prefix, options, shape);
                FirstPaint(fixture, engine, prefix, options, shape);
            } catch (const std::exception& failure) {
                std::printf("%s: failed: %s\n", label, failure.what());
                status = 1;
            }
        }
        SetLocalClock({});
    }
    return status;
}
