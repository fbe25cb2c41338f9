#include "core/graphs/graph_load_plan.h"

#include <algorithm>

namespace orvela {

std::optional<StationTime> GraphLoadPlan::ReadFrom(const GraphLoadKey& key,
                                                   const GraphWindow& window,
                                                   std::optional<DateTime> newestHeld) const
{
    if (!m_held || m_wholeRequired || key != m_key)
        return std::nullopt;
    // Counted in 64 bits: StationTime is signed 32-bit and the differences must not wrap.
    const std::int64_t end = window.end;
    if (end < m_window.end || end - m_wholeAt >= WholeWindowEverySeconds)
        return std::nullopt;
    // Without a reading held, the last load found none up to its window's end.
    const std::int64_t newest =
        newestHeld ? std::int64_t{DateTimeToStationTime(*newestHeld)} : m_window.end;
    const std::int64_t from = std::max<std::int64_t>(newest - OverlapSeconds, window.start);
    if (from > end)
        return std::nullopt;
    return static_cast<StationTime>(from);
}

void GraphLoadPlan::LoadStarted(bool wholeWindow)
{
    m_held = false;
    if (wholeWindow)
        m_wholeRequired = false;
}

void GraphLoadPlan::LoadCompleted(const GraphLoadKey& key, const GraphWindow& window,
                                  bool wholeWindow)
{
    m_held = true;
    m_key = key;
    m_window = window;
    if (wholeWindow)
        m_wholeAt = window.end;
}

} // namespace orvela
