// The refresh cycle's rules on their own, with a fake clock, a fake event loop and fake loads:
// what a tick, a close or a refresh request does while a refresh or a load runs, how failures
// are reported, and the start that waits for its database.

#include "core/app/refresh_cycle.h"

#include <QTest>

#include <deque>
#include <functional>
#include <stdexcept>

using namespace orvela;

namespace {

// A desk driven by a fake clock: the timer ticks every `period` minutes, and what the cycle
// hands to the event loop runs once the tick has returned. Each refresh half runs what the test
// put there, inside a load, as the window's graph loads do.
class Desk
{
public:
    explicit Desk(int period = 5)
        : m_period(period),
          cycle(steps(), [this](RefreshCycle::Task task) { m_loop.push_back(std::move(task)); })
    {}

    // Lets `minutes` of the clock pass: each period's tick, then the event loop.
    void pass(int minutes)
    {
        for (int i = 0; i < minutes; ++i) {
            ++m_now;
            if (m_now % m_period == 0)
                cycle.tick();
            runLoop();
        }
    }
    void runLoop()
    {
        while (!m_loop.empty()) {
            const RefreshCycle::Task task = std::move(m_loop.front());
            m_loop.pop_front();
            task();
        }
    }
    // A load such as a sensor choice, with `during` running while it lets events through.
    void load(const std::function<void()>& during)
    {
        const RefreshCycle::Load scope(cycle);
        if (during)
            during();
    }

    std::function<void()> duringGraphs;
    std::function<void()> duringBox;
    bool failing = false;
    int graphRefreshes = 0;
    int liveRefreshes = 0;
    int startRetries = 0;
    int closes = 0;
    int messagesShown = 0;
    QStringList marks;
    QStringList lines;
    QStringList boxes;

private:
    RefreshCycle::Steps steps()
    {
        RefreshCycle::Steps s;
        s.markRefreshing = [this](bool on) { marks << (on ? "on" : "off"); };
        s.refreshGraphs = [this] {
            ++graphRefreshes;
            load(duringGraphs);
            if (failing)
                throw std::runtime_error("server gone");
        };
        s.refreshLive = [this] { ++liveRefreshes; };
        s.resumeStart = [this] { ++startRetries; };
        s.close = [this] {
            ++closes;
            if (cycle.askClose() == RefreshCycle::CloseAnswer::Proceed)
                cycle.markClosed();
        };
        s.log = [this](const QString& line) { lines << line; };
        s.showMessages = [this] { ++messagesShown; };
        s.showError = [this](const QString& text) {
            boxes << text;
            if (duringBox)
                duringBox();
        };
        return s;
    }

    int m_period;
    int m_now = 0;
    std::deque<RefreshCycle::Task> m_loop;

public:
    RefreshCycle cycle;
};

} // namespace

class TestRefreshCycle : public QObject
{
    Q_OBJECT

private slots:
    void ticksRefreshAtTheirPeriod()
    {
        Desk desk(5);
        desk.pass(14);
        QCOMPARE(desk.graphRefreshes, 2);
        QCOMPARE(desk.liveRefreshes, 2);
        QCOMPARE(desk.marks, (QStringList{"on", "off", "on", "off"}));
        QVERIFY(!desk.cycle.isRefreshing());
        QVERIFY(!desk.cycle.isLoading());
    }

    void tickDuringRefreshIsSkipped()
    {
        Desk desk(1);
        desk.duringGraphs = [&] {
            QVERIFY(desk.cycle.isRefreshing());
            desk.cycle.tick();
        };
        desk.pass(1);
        QCOMPARE(desk.graphRefreshes, 1);
        QCOMPARE(desk.marks, (QStringList{"on", "off"}));
    }

    // A tick or a refresh asked for while a load or a refresh runs comes once it has ended,
    // once however often it was asked for.
    void deferredRefreshRunsAfterwards_data()
    {
        QTest::addColumn<bool>("insideRefresh");
        QTest::addColumn<bool>("byTick");
        QTest::newRow("tick during a sensor choice") << false << true;
        QTest::newRow("Setup during a sensor choice") << false << false;
        QTest::newRow("Setup during a refresh") << true << false;
    }

    void deferredRefreshRunsAfterwards()
    {
        QFETCH(bool, insideRefresh);
        QFETCH(bool, byTick);
        Desk desk(60);
        const auto ask = [&] {
            for (int i = 0; i < 2; ++i)
                byTick ? desk.cycle.tick() : desk.cycle.requestRefresh();
            QCOMPARE(desk.graphRefreshes, insideRefresh ? 1 : 0);
        };
        if (insideRefresh) {
            desk.duringGraphs = ask;
            desk.cycle.tick();
            desk.duringGraphs = nullptr;
        } else {
            desk.load(ask);
        }
        QCOMPARE(desk.graphRefreshes, insideRefresh ? 1 : 0);
        desk.runLoop();
        QCOMPARE(desk.graphRefreshes, insideRefresh ? 2 : 1);
        desk.runLoop();
        QCOMPARE(desk.graphRefreshes, insideRefresh ? 2 : 1);
    }

    void requestRefreshRunsAtOnceWhenIdle()
    {
        Desk desk;
        desk.cycle.requestRefresh();
        QCOMPARE(desk.graphRefreshes, 1);
        QCOMPARE(desk.liveRefreshes, 1);
    }

    // A close while a refresh or a load runs waits for it, then closes; nothing refreshes,
    // loads or reports afterwards.
    void closeWaitsForWhatRuns_data()
    {
        QTest::addColumn<bool>("insideRefresh");
        QTest::newRow("during a refresh") << true;
        QTest::newRow("during a sensor choice") << false;
    }

    void closeWaitsForWhatRuns()
    {
        QFETCH(bool, insideRefresh);
        Desk desk(1);
        RefreshCycle::CloseAnswer answer = RefreshCycle::CloseAnswer::Proceed;
        const auto closeNow = [&] {
            answer = desk.cycle.askClose();
            QVERIFY(desk.cycle.stopsLoads());
            // A second round of graphs stops at once.
            QVERIFY(!desk.cycle.continuesGraphRound(desk.cycle.beginGraphRound()));
        };
        if (insideRefresh) {
            desk.duringGraphs = closeNow;
            desk.cycle.tick();
            // The live positions are not refreshed once a close waits.
            QCOMPARE(desk.liveRefreshes, 0);
        } else {
            desk.load(closeNow);
        }
        QCOMPARE(answer, RefreshCycle::CloseAnswer::Wait);
        QVERIFY(desk.cycle.isClosePending());
        QCOMPARE(desk.closes, 0);
        desk.runLoop();
        QCOMPARE(desk.closes, 1);
        QVERIFY(desk.cycle.isClosed());
        QCOMPARE(desk.cycle.askClose(), RefreshCycle::CloseAnswer::AlreadyClosed);

        const int refreshes = desk.graphRefreshes;
        desk.cycle.requestRefresh();
        desk.pass(3);
        QCOMPARE(desk.graphRefreshes, refreshes);
        desk.cycle.reportFailure(QStringLiteral("late"));
        desk.runLoop();
        QVERIFY(desk.boxes.isEmpty());
        QCOMPARE(desk.messagesShown, 0);
    }

    void closeWhenIdleProceeds()
    {
        Desk desk;
        QCOMPARE(desk.cycle.askClose(), RefreshCycle::CloseAnswer::Proceed);
        QVERIFY(!desk.cycle.isClosePending());
    }

    void newerGraphRoundStopsTheOlder()
    {
        Desk desk;
        const std::uint64_t first = desk.cycle.beginGraphRound();
        QVERIFY(desk.cycle.continuesGraphRound(first));
        const std::uint64_t second = desk.cycle.beginGraphRound();
        QVERIFY(!desk.cycle.continuesGraphRound(first));
        QVERIFY(desk.cycle.continuesGraphRound(second));
    }

    // Failures write their lines at once; the box comes from the event loop after the refresh,
    // one for the failures before it opens, and ticks go on while it is open; the Messages
    // window opens at the first failure only; the first good refresh says how many failed.
    void failuresAndRecovery()
    {
        Desk desk(1);
        desk.failing = true;
        desk.cycle.tick();
        desk.cycle.tick();
        QCOMPARE(desk.lines,
                 (QStringList{"Refresh failed: server gone", "Refresh failed: server gone"}));
        QVERIFY(desk.boxes.isEmpty());
        QCOMPARE(desk.marks, (QStringList{"on", "off", "on", "off"}));

        int refreshesWhileOpen = 0;
        desk.duringBox = [&] {
            QVERIFY(!desk.cycle.isRefreshing());
            const int before = desk.graphRefreshes;
            desk.cycle.tick();
            desk.cycle.tick();
            refreshesWhileOpen = desk.graphRefreshes - before;
            desk.duringBox = nullptr;
        };
        desk.runLoop();
        QCOMPARE(refreshesWhileOpen, 2);
        // The failures inside the open box asked for one box more, not two.
        QCOMPARE(desk.boxes, (QStringList{"server gone", "server gone"}));
        QCOMPARE(desk.messagesShown, 1);
        QCOMPARE(desk.cycle.failedRefreshes(), 4);

        desk.failing = false;
        desk.pass(2);
        QCOMPARE(desk.lines.size(), 5);
        QCOMPARE(desk.lines.last(),
                 QStringLiteral("Data flowing again: the refresh works after 4 failed refreshes"));
        desk.failing = true;
        desk.pass(1);
        desk.failing = false;
        desk.pass(1);
        QCOMPARE(desk.lines.last(),
                 QStringLiteral("Data flowing again: the refresh works after 1 failed refresh"));
        QCOMPARE(desk.messagesShown, 1);
    }

    void startWaitingForTheDatabaseRetriesAtEachTick()
    {
        Desk desk(1);
        desk.cycle.waitForDatabase();
        desk.pass(3);
        QCOMPARE(desk.startRetries, 3);
        QCOMPARE(desk.graphRefreshes, 0);
        QVERIFY(desk.marks.isEmpty());
        desk.cycle.stopWaitingForDatabase();
        desk.pass(1);
        QCOMPARE(desk.startRetries, 3);
        QCOMPARE(desk.graphRefreshes, 1);
    }
};

QTEST_APPLESS_MAIN(TestRefreshCycle)
#include "test_refresh_cycle.moc"
