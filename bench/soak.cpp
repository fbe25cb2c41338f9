// orvela-soak: the long-run check. The real main window against a station database that a
// feed (orvela-admin feed, once a second) keeps writing to, with refreshes driven back to back
// through the window's own refresh (Timer1Timer). Every 100 refreshes it prints the resident
// set, the open file descriptors, the refresh times, the readings the graphs hold and the
// station's last update (which the feed moves on); memory and descriptors must stay flat.
// A refresh reads only each graph's newest readings, and the whole windows once an hour; back to
// back, an hour passes in a few seconds, so every 60th refresh here reads the whole windows.
//
//   orvela-soak [--rounds N] [--engine sqlite|postgresql|mariadb]
//
// N is 1,000 by default. PostgreSQL and MariaDB run on a server the program starts and stops
// itself.
// Exits 1 when a refresh reported a failure or the feed stopped.

#include "bench_desk.h"
#include "core/app/runtime_folder.h"
#include "core/config/settings_keys.h"
#include "core/config/settings_store.h"
#include "db/engine_fixture.h"
#include "gui/app/frm_main.h"
#include "gui/graphs/graph_chart.h"
#include "gui/graphs/graph_position.h"
#include "gui/graphs/reading_series.h"
#include "gui/messages/frm_log.h"
#include "offscreen_quiet.h"
#include "process_figures.h"
#include "recording_prompter.h"
#include "support/station_time.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace orvela;
using namespace orvela::test;
using namespace orvela::bench;

namespace {

const QString Station = QStringLiteral("SOAK");
const std::array<QString, 8> Sensors = {QStringLiteral("AIR TEMP"),   QStringLiteral("HUMIDITY"),
                                        QStringLiteral("PRESSURE"),   QStringLiteral("RAIN"),
                                        QStringLiteral("WIND SPEED"), QStringLiteral("WIND GUST"),
                                        QStringLiteral("SOLAR RAD"),  QStringLiteral("WIND DIR")};
constexpr int Minutes = 10 * 24 * 60; // ten days of one-minute readings per sensor
constexpr int ReportEvery = 100;

struct Options
{
    int rounds = 1000;
    Engine engine = Engine::SQLite;
};

[[noreturn]] void Usage()
{
    std::fprintf(stderr, "usage: orvela-soak [--rounds N] [--engine sqlite|postgresql|mariadb]\n");
    std::exit(2);
}

Options ParseOptions(const QStringList& arguments)
{
    Options options;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--rounds") && i + 1 < arguments.size()) {
            bool ok = false;
            options.rounds = arguments.at(++i).toInt(&ok);
            if (!ok || options.rounds < 1)
                Usage();
        } else if (argument == QLatin1String("--engine") && i + 1 < arguments.size()) {
            const QString name = arguments.at(++i);
            const auto known = std::find_if(AllEngines.begin(), AllEngines.end(),
                                            [&name](Engine e) { return EngineLabel(e) == name; });
            if (known == AllEngines.end())
                Usage();
            options.engine = *known;
        } else {
            Usage();
        }
    }
    return options;
}

// The readings the six graphs hold now: a refresh that loaded nothing would look fast.
int LoadedPoints(const TfrmMain& window)
{
    int points = 0;
    for (int slot = 1; slot <= TfrmMain::GraphCount; ++slot)
        points += static_cast<int>(window.graphPosition(slot)->chart()->readings().size());
    return points;
}

// Ten days up to the minute before now, so that every time range of the graphs is full.
bool FillDatabase(EngineFixture& fixture, Engine engine, StationTime end)
{
    if (!fixture.CreateTables(engine))
        return false;
    const CivilTime last = DecodeStationTime(end);
    QStringList sql{QStringLiteral("INSERT INTO KT_SITES VALUES (%1, %2)")
                        .arg(EngineFixture::Quote(Station),
                             EngineFixture::TimeLiteral(engine, last.year, last.month, last.day,
                                                        last.hour, last.minute, last.second))};
    for (const QString& sensor : Sensors)
        sql.append(QStringLiteral("INSERT INTO KT_SITESENSORS VALUES (%1, %2)")
                       .arg(EngineFixture::Quote(Station), EngineFixture::Quote(sensor)));
    if (!fixture.ExecAll(engine, sql))
        return false;
    for (std::size_t s = 0; s < Sensors.size(); ++s) {
        std::vector<TestReading> readings;
        readings.reserve(Minutes);
        for (int minute = Minutes - 1; minute >= 0; --minute) {
            const CivilTime t = DecodeStationTime(end - minute * 60);
            readings.push_back({t.year, t.month, t.day, t.hour, t.minute, t.second,
                                static_cast<double>(s) * 10.0 + (minute % 360) / 4.0});
        }
        if (!fixture.InsertReadings(engine, Station, Sensors[s], readings))
            return false;
    }
    return true;
}

// A desk's configuration: the station, six graphs over every time range, seven live slots.
void WriteConfiguration(const QString& path, const EngineFixture& fixture, Engine engine)
{
    namespace keys = settings;
    SettingsStore store(path);
    DeskSettings desk;
    desk.title = QStringLiteral("Soak");
    desk.updateMinutes = 5;
    desk.station = Station;
    WriteDesk(store, desk, fixture, engine);
    for (int slot = 1; slot <= keys::GraphSlotCount; ++slot) {
        store.writeString(keys::GraphSection(slot), keys::Name,
                          Sensors[static_cast<std::size_t>(slot - 1)]);
        store.writeString(keys::GraphSection(slot), keys::TimeRange, QString::number(slot - 1));
    }
    for (int slot = 1; slot <= keys::LiveSlotCount; ++slot)
        store.writeString(
            keys::LiveSection(slot), keys::Name,
            slot == keys::LiveSlotCount ? Sensors[7] : Sensors[static_cast<std::size_t>(slot - 1)]);
    store.flush();
}

int Soak(EngineFixture& fixture, Engine engine, const Options& options)
{
    const QByteArray title = EngineTitle(engine).toUtf8();
    const char* label = title.constData();
    const StationTime now = StationTimeNow();
    if (!FillDatabase(fixture, engine, now - now % 60)) {
        std::fprintf(stderr, "cannot fill the %s database: %s\n", label,
                     qPrintable(fixture.LastError()));
        return 1;
    }
    QTemporaryDir desk;
    const QString config = QDir(desk.path()).filePath(QStringLiteral("Orvela.ovf"));
    WriteConfiguration(config, fixture, engine);

    // The data-collection system, writing a reading per sensor every second.
    QProcess feed;
    feed.setProcessChannelMode(QProcess::MergedChannels);
    feed.start(QStringLiteral(ORVELA_ADMIN_PATH),
               {QStringLiteral("feed"), fixture.DataSource(engine), fixture.User(engine),
                fixture.Password(engine), QStringLiteral("--interval"), QStringLiteral("1")});
    if (!feed.waitForStarted()) {
        std::fprintf(stderr, "cannot start the feed: %s\n", qPrintable(feed.errorString()));
        return 1;
    }

    RecordingPrompter prompter;
    ScopedPrompter scope(prompter);
    TfrmLog log;
    int status = 0;
    {
        TfrmMain window(config, log);
        window.show(); // connects, fills the choosers, refreshes once and starts the timer
        QApplication::processEvents();
        window.Timer1()->stop(); // the rounds below are the refreshes
        if (!window.Connected()) {
            std::fprintf(stderr, "the window did not connect: %s\n",
                         qPrintable(prompter.texts().join(QLatin1Char(' '))));
            return 1;
        }
        std::printf("%s: %d sensors x %d readings, feed every 1 s, %d refreshes of 6 graphs "
                    "(6 h to 10 days) and 7 live slots\n",
                    label, static_cast<int>(Sensors.size()), Minutes, options.rounds);
        std::printf("%7s %10s %5s %28s %8s %12s\n", "round", "VmRSS MB", "fds",
                    "refresh ms (min/median/max)", "points", "last update");
        std::printf("%7d %10.1f %5d\n", 0, ResidentMegabytes(), OpenDescriptors());
        std::fflush(stdout);

        std::vector<double> times;
        double firstResident = 0;
        int firstDescriptors = 0;
        for (int round = 1; round <= options.rounds; ++round) {
            if (round % 60 == 0)
                for (int slot = 1; slot <= TfrmMain::GraphCount; ++slot)
                    window.graphPosition(slot)->chart()->requireWholeWindow();
            QElapsedTimer clock;
            clock.start();
            window.Timer1Timer();
            times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
            QApplication::processEvents(); // the feed's output, paint events
            feed.readAll();
            if (round % ReportEvery == 0 || round == options.rounds) {
                const auto [fastest, slowest] = std::minmax_element(times.begin(), times.end());
                const QString spread =
                    QString::asprintf("%.1f / %.1f / %.1f", *fastest, Median(times), *slowest);
                const double resident = ResidentMegabytes();
                const int descriptors = OpenDescriptors();
                if (firstResident == 0) {
                    firstResident = resident;
                    firstDescriptors = descriptors;
                }
                const CivilTime update = DecodeStationTime(window.LastUpdate());
                std::printf("%7d %10.1f %5d %28s %8d %4s%02d:%02d:%02d\n", round, resident,
                            descriptors, qPrintable(spread), LoadedPoints(window), "", update.hour,
                            update.minute, update.second);
                std::fflush(stdout);
                times.clear();
            }
            if (feed.state() != QProcess::Running) {
                std::fprintf(stderr, "the feed stopped: %s\n", feed.readAll().constData());
                status = 1;
                break;
            }
        }
        std::printf("%s: resident set %+.1f MB and descriptors %+d from the first report to the "
                    "last; %d failure reports\n",
                    label, ResidentMegabytes() - firstResident,
                    OpenDescriptors() - firstDescriptors, static_cast<int>(prompter.boxes.size()));
        for (const QString& text : prompter.texts())
            std::printf("  reported: %s\n", qPrintable(text));
        if (!prompter.boxes.isEmpty())
            status = 1;
        window.close();
    }
    feed.kill();
    feed.waitForFinished();
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    orvela::ProvideRuntimeFolder();
    orvela::bench::QuietOffscreenPlatform();
    QApplication app(argc, argv);
    const Options options = ParseOptions(QApplication::arguments());

    // A server of the program's own, for as long as it runs.
    std::unique_ptr<PrivateServer> server;
    if (options.engine != Engine::SQLite) {
        server = std::make_unique<PrivateServer>(options.engine);
        if (!server->Start()) {
            std::fprintf(stderr, "cannot start %s: %s\n", qPrintable(EngineTitle(options.engine)),
                         qPrintable(server->ErrorText()));
            return 1;
        }
        ExportServerFacts(options.engine, server->Facts());
    }
    int status = 0;
    {
        EngineFixture fixture;
        if (!fixture.Available(options.engine)) {
            std::fprintf(stderr, "%s\n", qPrintable(fixture.SkipReason(options.engine)));
            return 1;
        }
        status = Soak(fixture, options.engine, options);
    }
    return status;
}
