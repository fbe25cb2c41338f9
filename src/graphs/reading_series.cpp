#include "graphs/reading_series.h"

#include <qwt_scale_map.h>

#include <algorithm>
#include <cmath>

namespace orvela {

QRectF ReadingSeries::boundingRect() const
{
    if (m_points.isEmpty())
        return QRectF(0.0, 0.0, -1.0, -1.0);
    return QRectF(QPointF(m_minX, m_minY), QPointF(m_maxX, m_maxY));
}

void ReadingSeries::clear()
{
    m_points.resize(0);
}

void ReadingSeries::add(double time, double value)
{
    if (m_points.isEmpty()) {
        m_minX = m_maxX = time;
        m_minY = m_maxY = value;
    } else {
        m_minX = std::min(m_minX, time);
        m_maxX = std::max(m_maxX, time);
        m_minY = std::min(m_minY, value);
        m_maxY = std::max(m_maxY, value);
    }
    if (m_points.isEmpty() || m_points.constLast().x() <= time) {
        m_points.append(QPointF(time, value));
        return;
    }
    const auto later = std::upper_bound(m_points.begin(), m_points.end(), time,
                                        [](double t, const QPointF& p) { return t < p.x(); });
    m_points.insert(later, QPointF(time, value));
}

int ReadingSeries::nearestIndex(double time) const
{
    if (m_points.isEmpty())
        return -1;
    const auto after = std::lower_bound(m_points.cbegin(), m_points.cend(), time,
                                        [](const QPointF& p, double t) { return p.x() < t; });
    if (after == m_points.cbegin())
        return 0;
    if (after == m_points.cend())
        return m_points.size() - 1;
    const auto before = after - 1;
    const int index = static_cast<int>(before - m_points.cbegin());
    return time - before->x() <= after->x() - time ? index : index + 1;
}

std::vector<int> ReadingSeries::separatedIndexes(const QwtScaleMap& xMap, double spacing, int from,
                                                 int to) const
{
    std::vector<int> marked;
    from = std::max(from, 0);
    to = std::min(to, m_points.size() - 1);
    if (from > to)
        return marked;
    // Pixels run with time on the chart's axis, so only the neighbours in time can be nearer.
    const auto pixel = [&](int i) { return xMap.transform(m_points.at(i).x()); };
    const auto apart = [spacing](double a, double b) { return std::fabs(b - a) >= spacing; };
    double here = pixel(from);
    bool apartFromPrevious = from == 0 || apart(pixel(from - 1), here);
    for (int i = from; i <= to; ++i) {
        const bool hasNext = i + 1 < m_points.size();
        const double next = hasNext ? pixel(i + 1) : here;
        const bool apartFromNext = !hasNext || apart(here, next);
        if (apartFromPrevious && apartFromNext)
            marked.push_back(i);
        apartFromPrevious = apartFromNext;
        here = next;
    }
    return marked;
}

} // namespace orvela
