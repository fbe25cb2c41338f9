#include "core/app/refresh_cycle.h"

#include <exception>
#include <utility>

namespace orvela {

RefreshCycle::RefreshCycle(Steps steps, Later later)
    : m_steps(std::move(steps)), m_later(std::move(later))
{}

void RefreshCycle::tick()
{
    if (m_refreshing || m_closed)
        return;
    if (m_loads > 0) {
        m_refreshQueued = true;
        return;
    }
    if (m_waitingForDatabase) {
        // A connection goes on with the start's own refresh.
        m_steps.resumeStart();
        return;
    }
    m_refreshing = true;
    m_steps.markRefreshing(true);
    bool failed = false;
    QString failure;
    try {
        m_steps.refreshGraphs();
        if (!m_closePending)
            m_steps.refreshLive();
    } catch (const std::exception& error) {
        failed = true;
        failure = QString::fromUtf8(error.what());
    }
    // The refresh ends before anything is shown: a box opened inside it would hold the mark
    // and every later tick until someone pressed OK.
    m_steps.markRefreshing(false);
    m_refreshing = false;
    if (failed) {
        ++m_failedRefreshes;
        reportFailure(failure);
    } else if (!m_closePending) {
        reportSucceeded();
    }
    finishDeferredWork();
}

void RefreshCycle::requestRefresh()
{
    if (m_closed)
        return;
    if (running())
        m_refreshQueued = true;
    else
        tick();
}

RefreshCycle::Load::Load(RefreshCycle& cycle) : m_cycle(cycle)
{
    ++m_cycle.m_loads;
}

RefreshCycle::Load::~Load()
{
    --m_cycle.m_loads;
    m_cycle.finishDeferredWork();
}

std::uint64_t RefreshCycle::beginGraphRound()
{
    return ++m_graphRound;
}

bool RefreshCycle::continuesGraphRound(std::uint64_t round) const
{
    return round == m_graphRound && !stopsLoads();
}

RefreshCycle::CloseAnswer RefreshCycle::askClose()
{
    if (m_closed)
        return CloseAnswer::AlreadyClosed;
    if (running()) {
        // The refresh still uses the lists and the database: it unwinds first.
        m_closePending = true;
        return CloseAnswer::Wait;
    }
    return CloseAnswer::Proceed;
}

void RefreshCycle::markClosed()
{
    m_closed = true;
}

void RefreshCycle::finishDeferredWork()
{
    if (running())
        return;
    if (m_closePending) {
        m_later(m_steps.close);
        return;
    }
    if (m_refreshQueued && !m_closed) {
        m_refreshQueued = false;
        m_later([this] { tick(); });
    }
}

void RefreshCycle::reportFailure(const QString& text)
{
    // Unattended overnight, failures pile up: one box at a time, every failure in the log.
    m_steps.log(QStringLiteral("Refresh failed: ") + text);
    openMessagesOnce();
    showErrorLater(text);
}

void RefreshCycle::reportSucceeded()
{
    if (m_failedRefreshes == 0)
        return;
    m_steps.log(
        QStringLiteral("Data flowing again: the refresh works after %1 failed %2")
            .arg(m_failedRefreshes)
            .arg(m_failedRefreshes == 1 ? QStringLiteral("refresh") : QStringLiteral("refreshes")));
    m_failedRefreshes = 0;
}

void RefreshCycle::showErrorLater(const QString& text)
{
    if (m_errorBoxPending)
        return;
    m_errorBoxPending = true;
    m_later([this, text] {
        m_errorBoxPending = false;
        if (!stopsLoads())
            m_steps.showError(text);
    });
}

void RefreshCycle::openMessagesOnce()
{
    if (m_messagesOpened)
        return;
    m_messagesOpened = true;
    // From the event loop: at the start the main window is shown after this and would cover it.
    m_later([this] {
        if (!stopsLoads())
            m_steps.showMessages();
    });
}

} // namespace orvela
