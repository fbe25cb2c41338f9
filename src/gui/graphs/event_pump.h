#pragma once

// Keeps the window alive during a long graph load: after each reading the loader calls
// Breathe(), which lets the GUI process its pending events (paint, input, timers) whenever a
// few milliseconds have passed since the last pass. Processing them after every reading would
// cost about as much as fetching the readings; this way the window answers just as quickly.
// Even reading the clock costs a tenth of a fetched row, so it is read at the first call after a
// restart and then at every 16th.

#include <QElapsedTimer>

#include <chrono>
#include <functional>

namespace orvela {

class EventPump
{
public:
    // True when running loads should stop, for instance because the main window is closing.
    using StopCondition = std::function<bool()>;

    static constexpr std::chrono::milliseconds DefaultInterval{5};

    explicit EventPump(StopCondition stop = {},
                       std::chrono::milliseconds interval = DefaultInterval);

    // Processes pending events when the interval has passed since the last pass (or since
    // Restart), as found at the clock's next reading. False when the stop condition holds
    // afterwards: the caller ends its load.
    bool Breathe();
    // Counts the interval from now, so a load does not start with a pass.
    void Restart();

    static constexpr int CallsPerClockReading = 16;

    bool StopRequested() const { return m_stop && m_stop(); }
    void SetStopCondition(StopCondition stop) { m_stop = std::move(stop); }
    void SetInterval(std::chrono::milliseconds interval) { m_interval = interval; }
    std::chrono::milliseconds Interval() const { return m_interval; }
    // How many times events were processed since construction.
    long long Passes() const { return m_passes; }

private:
    StopCondition m_stop;
    std::chrono::milliseconds m_interval;
    QElapsedTimer m_sinceLastPass;
    int m_callsUntilClock = 1;
    long long m_passes = 0;
};

} // namespace orvela
