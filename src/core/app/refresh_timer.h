#pragma once

// "Timer1", the refresh timer: it fires every refresh interval while it runs. An interval of 0
// minutes or below gives it no period, and such a timer never fires (a period of 0 would fire at
// every pass of the event loop).

#include <QString>

#include <cstdint>

class QObject;
class QTimer;

namespace orvela {

class RefreshTimer
{
public:
    // The timer is a child of `owner`, which connects to its timeout.
    explicit RefreshTimer(QObject& owner);

    QTimer* timer() const { return m_timer; }

    // The period for a number of minutes: 0 for 0 or below, capped at the largest period the
    // timer takes.
    static int Period(std::int32_t minutes);
    // Takes the interval; a running timer starts a fresh period, one without a period stops.
    // The first time the timed refresh is found off, the line that says so comes back; otherwise
    // an empty text.
    QString apply(std::int32_t minutes);
    // Starts the timer when it has a period.
    void start();

private:
    QTimer* m_timer;
    bool m_offSaid = false;
};

} // namespace orvela
