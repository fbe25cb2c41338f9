#pragma once

// The rules of the refresh cycle, in one place. Graph loads let the event loop run after their
// readings, so a timer tick, a close, a sensor choice or the Setup command can arrive in the
// middle of a refresh or of a load. The cycle keeps what is running and what waits for it:
//
// - a tick during a refresh is skipped; a tick during a load (a sensor choice, a time-range
//   change) runs once the last load has ended, and so does a refresh asked for during either;
// - a close during a refresh or a load waits for it to unwind, then closes; once closed nothing
//   refreshes or loads any more;
// - a refresh that fails writes its line at once and shows its box only after the refresh has
//   ended, from the event loop, so the ticks go on while the box waits for OK; failures that
//   come before the box opens share it; the first failure of a run opens the Messages window;
// - the first good refresh after failures says how many failed;
// - a start that could not reach its database tries again at each tick instead of refreshing.
//
// It holds no widgets: the window hands it its steps and a way to run work from the event loop.

#include <QString>

#include <cstdint>
#include <functional>

namespace orvela {

class RefreshCycle
{
public:
    using Task = std::function<void()>;
    // Runs a task from the event loop, once what is running now has returned.
    using Later = std::function<void(Task)>;

    // What the window does at each point of the cycle.
    struct Steps
    {
        // Marks the display as refreshing (true) and takes the mark away (false), also after a
        // failure.
        std::function<void(bool refreshing)> markRefreshing;
        // The two halves of a refresh; a failure is thrown as a std::exception.
        std::function<void()> refreshGraphs;
        std::function<void()> refreshLive;
        // A tick while the start waits for its database.
        std::function<void()> resumeStart;
        // Closes the window again once what the close waited for has ended.
        std::function<void()> close;
        // A line for the Messages window, the Messages window shown, and an error box.
        std::function<void(const QString& line)> log;
        std::function<void()> showMessages;
        std::function<void(const QString& text)> showError;
    };

    RefreshCycle(Steps steps, Later later);

    // A tick of the refresh timer.
    void tick();
    // A refresh asked for by a command: now when nothing runs, otherwise after what runs.
    void requestRefresh();

    // Marks a graph load in progress from construction to destruction: the close and the ticks
    // wait for it, and what they deferred runs when the last load ends.
    class Load
    {
    public:
        explicit Load(RefreshCycle& cycle);
        ~Load();
        Load(const Load&) = delete;
        Load& operator=(const Load&) = delete;

    private:
        RefreshCycle& m_cycle;
    };

    // Starts a round of graph loads; a newer round makes the older one stop at its next graph.
    std::uint64_t beginGraphRound();
    // False once a newer round began or a close waits: the round stops.
    bool continuesGraphRound(std::uint64_t round) const;

    enum class CloseAnswer
    {
        Proceed,       // nothing runs: close now
        Wait,          // a refresh or a load runs: it closes the window when it ends
        AlreadyClosed, // the close step has run
    };
    CloseAnswer askClose();
    // The close step has run: from now on nothing refreshes, loads or shows a box.
    void markClosed();

    // A failure to report: its line now, the Messages window at the first one, the box later.
    void reportFailure(const QString& text);
    // The Messages window, once in a run, from the event loop.
    void openMessagesOnce();
    // The box, from the event loop; a box that is about to open takes no second one.
    void showErrorLater(const QString& text);

    // The start could not connect: the ticks try again instead of refreshing, until
    // stopWaitingForDatabase.
    void waitForDatabase() { m_waitingForDatabase = true; }
    void stopWaitingForDatabase() { m_waitingForDatabase = false; }
    bool isWaitingForDatabase() const { return m_waitingForDatabase; }

    bool isRefreshing() const { return m_refreshing; }
    bool isLoading() const { return m_loads > 0; }
    bool isClosePending() const { return m_closePending; }
    bool isClosed() const { return m_closed; }
    // True once a close waits or has run: long loads end early.
    bool stopsLoads() const { return m_closePending || m_closed; }
    int failedRefreshes() const { return m_failedRefreshes; }

private:
    void reportSucceeded();
    void finishDeferredWork();
    bool running() const { return m_refreshing || m_loads > 0; }

    Steps m_steps;
    Later m_later;
    bool m_refreshing = false;
    int m_loads = 0;
    bool m_refreshQueued = false;
    bool m_closePending = false;
    bool m_closed = false;
    std::uint64_t m_graphRound = 0;
    bool m_waitingForDatabase = false;
    int m_failedRefreshes = 0;
    bool m_errorBoxPending = false;
    bool m_messagesOpened = false;
};

} // namespace orvela
