#include "core/app/refresh_timer.h"

#include <QTimer>

#include <limits>

namespace orvela {

RefreshTimer::RefreshTimer(QObject& owner) : m_timer(new QTimer(&owner))
{
    m_timer->setObjectName(QStringLiteral("Timer1"));
}

int RefreshTimer::Period(std::int32_t minutes)
{
    if (minutes <= 0)
        return 0;
    const std::int64_t period = std::int64_t{minutes} * 60000;
    return period > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                    : static_cast<int>(period);
}

QString RefreshTimer::apply(std::int32_t minutes)
{
    const bool running = m_timer->isActive();
    m_timer->setInterval(Period(minutes));
    QString said;
    if (m_timer->interval() == 0 && !m_offSaid) {
        m_offSaid = true;
        said = QStringLiteral("GraphUpdate is %1: the timed refresh is off; the display is "
                              "refreshed only at start and after Setup")
                   .arg(minutes);
    }
    if (running && m_timer->interval() > 0)
        m_timer->start();
    else
        m_timer->stop();
    return said;
}

void RefreshTimer::start()
{
    if (m_timer->interval() > 0)
        m_timer->start();
}

} // namespace orvela
