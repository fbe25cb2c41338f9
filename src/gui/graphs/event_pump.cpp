#include "gui/graphs/event_pump.h"

#include <QCoreApplication>

namespace orvela {

EventPump::EventPump(StopCondition stop, std::chrono::milliseconds interval)
    : m_stop(std::move(stop)), m_interval(interval)
{
    m_sinceLastPass.start();
}

bool EventPump::Breathe()
{
    if (--m_callsUntilClock <= 0) {
        m_callsUntilClock = CallsPerClockReading;
        if (m_sinceLastPass.nsecsElapsed() >=
            std::chrono::duration_cast<std::chrono::nanoseconds>(m_interval).count()) {
            QCoreApplication::processEvents();
            ++m_passes;
            m_sinceLastPass.restart();
        }
    }
    return !StopRequested();
}

void EventPump::Restart()
{
    m_sinceLastPass.restart();
    m_callsUntilClock = 1;
}

} // namespace orvela
