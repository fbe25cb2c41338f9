#include "gui/graphs/reading_series.h"

#include <qwt_scale_map.h>

#include <algorithm>
#include <cmath>

namespace orvela {
namespace {

constexpr double MillisecondsPerDay = 86400000.0;

} // namespace

QRectF ReadingSeries::boundingRect() const
{
    if (m_size == 0)
        return QRectF(0.0, 0.0, -1.0, -1.0);
    const double minX = at(0).x();
    const double maxX = at(count() - 1).x();
    if (!m_hasValue)
        return QRectF(QPointF(minX, 0.0), QPointF(maxX, 0.0));
    return QRectF(QPointF(minX, m_minY), QPointF(maxX, m_maxY));
}

void ReadingSeries::clear()
{
    m_blocks.clear();
    m_blocks.shrink_to_fit();
    m_first = 0;
    m_size = 0;
    m_hasValue = false;
    m_spacings.clear();
    m_spacingCount = 0;
    m_medianKnown = false;
}

void ReadingSeries::countSpacing(double earlier, double later, int change)
{
    const auto milliseconds =
        static_cast<std::int64_t>(std::llround((later - earlier) * MillisecondsPerDay));
    const auto it = m_spacings.try_emplace(milliseconds, 0).first;
    it->second += change;
    if (milliseconds > 0)
        m_spacingCount += change;
    if (it->second == 0)
        m_spacings.erase(it);
    m_medianKnown = false;
}

double ReadingSeries::medianSpacing() const
{
    if (m_medianKnown)
        return m_median;
    // The lower middle of the spacings above zero, counted from the smallest.
    std::vector<std::pair<std::int64_t, std::int64_t>> spacings;
    spacings.reserve(m_spacings.size());
    for (const auto& spacing : m_spacings)
        if (spacing.first > 0)
            spacings.push_back(spacing);
    std::sort(spacings.begin(), spacings.end());
    m_median = 0.0;
    std::int64_t left = (m_spacingCount - 1) / 2;
    for (const auto& [milliseconds, count] : spacings) {
        if (left < count) {
            m_median = static_cast<double>(milliseconds) / MillisecondsPerDay;
            break;
        }
        left -= count;
    }
    m_medianKnown = true;
    return m_median;
}

void ReadingSeries::append(const QPointF& point)
{
    const std::size_t k = m_first + m_size;
    if ((k >> BlockShift) == m_blocks.size())
        m_blocks.push_back(std::make_unique<QPointF[]>(BlockPoints));
    ++m_size;
    slot(m_size - 1) = point;
}

void ReadingSeries::widenBounds(const QPointF& point)
{
    const double value = point.y();
    if (std::isnan(value))
        return;
    if (!m_hasValue) {
        m_minY = m_maxY = value;
        m_hasValue = true;
        return;
    }
    m_minY = std::min(m_minY, value);
    m_maxY = std::max(m_maxY, value);
}

void ReadingSeries::recomputeBounds()
{
    m_hasValue = false;
    for (int i = 0; i < count(); ++i)
        widenBounds(at(i));
}

void ReadingSeries::add(double time, double value)
{
    const QPointF point(time, value);
    widenBounds(point);
    if (m_size == 0 || at(count() - 1).x() <= time) {
        if (m_size > 0)
            countSpacing(at(count() - 1).x(), time, 1);
        append(point);
        return;
    }
    // Out of order: room at the end, then the later points move up by one.
    int place = count();
    while (place > 0 && at(place - 1).x() > time)
        --place;
    if (place > 0) {
        countSpacing(at(place - 1).x(), at(place).x(), -1);
        countSpacing(at(place - 1).x(), time, 1);
    }
    countSpacing(time, at(place).x(), 1);
    append(at(count() - 1));
    for (int i = count() - 2; i > place; --i)
        slot(static_cast<std::size_t>(i)) = at(i - 1);
    slot(static_cast<std::size_t>(place)) = point;
}

void ReadingSeries::dropFront(std::size_t n)
{
    n = std::min(n, m_size);
    m_first += n;
    m_size -= n;
    const std::size_t emptyBlocks = m_size == 0 ? m_blocks.size() : m_first >> BlockShift;
    m_blocks.erase(m_blocks.begin(), m_blocks.begin() + static_cast<std::ptrdiff_t>(emptyBlocks));
    m_first = m_size == 0 ? 0 : m_first & BlockMask;
}

void ReadingSeries::dropBack(std::size_t n)
{
    n = std::min(n, m_size);
    m_size -= n;
    const std::size_t usedBlocks = m_size == 0 ? 0 : ((m_first + m_size - 1) >> BlockShift) + 1;
    m_blocks.resize(usedBlocks);
    if (m_size == 0)
        m_first = 0;
}

void ReadingSeries::keepBetween(double from, double until)
{
    const int first = firstAtOrAfter(from);
    const int end = std::max(first, firstAtOrAfter(until));
    // A bound held only by a dropped point must be found again among those kept.
    bool boundDropped = false;
    const auto dropping = [&](int i) {
        const double value = at(i).y();
        boundDropped = boundDropped || value == m_minY || value == m_maxY;
    };
    for (int i = 0; i < first && !boundDropped; ++i)
        dropping(i);
    for (int i = end; i < count() && !boundDropped; ++i)
        dropping(i);
    // The spacings that leave with the dropped points: those that reach one of them.
    for (int i = 1; i <= std::min(first, count() - 1); ++i)
        countSpacing(at(i - 1).x(), at(i).x(), -1);
    for (int i = std::max(end, first + 1); i < count(); ++i)
        countSpacing(at(i - 1).x(), at(i).x(), -1);
    dropBack(static_cast<std::size_t>(count() - end));
    dropFront(static_cast<std::size_t>(first));
    if (boundDropped)
        recomputeBounds();
}

int ReadingSeries::firstAtOrAfter(double time) const
{
    int low = 0;
    int high = count();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (at(middle).x() < time)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

int ReadingSeries::nearestIndex(double time) const
{
    if (m_size == 0)
        return -1;
    const int after = firstAtOrAfter(time);
    if (after == 0)
        return 0;
    if (after == count())
        return count() - 1;
    const int before = after - 1;
    return time - at(before).x() <= at(after).x() - time ? before : after;
}

std::vector<int> ReadingSeries::separatedIndexes(const QwtScaleMap& xMap, double spacing, int from,
                                                 int to) const
{
    std::vector<int> marked;
    from = std::max(from, 0);
    to = std::min(to, count() - 1);
    if (from > to)
        return marked;
    // Pixels run with time on the chart's axis, so only the neighbours in time can be nearer.
    const auto pixel = [&](int i) { return xMap.transform(at(i).x()); };
    const auto apart = [spacing](double a, double b) { return std::fabs(b - a) >= spacing; };
    double here = pixel(from);
    bool apartFromPrevious = from == 0 || apart(pixel(from - 1), here);
    for (int i = from; i <= to; ++i) {
        const bool hasNext = i + 1 < count();
        const double next = hasNext ? pixel(i + 1) : here;
        const bool apartFromNext = !hasNext || apart(here, next);
        if (apartFromPrevious && apartFromNext)
            marked.push_back(i);
        apartFromPrevious = apartFromNext;
        here = next;
    }
    return marked;
}

QPolygonF ReadingSeries::deviceLine(const QwtScaleMap& xMap, const QwtScaleMap& yMap, double xLeft,
                                    double xRight, int from, int to, bool round) const
{
    std::vector<QPolygonF> lines =
        deviceLines(xMap, yMap, xLeft, xRight, from, to, round, HUGE_VAL);
    return lines.empty() ? QPolygonF() : std::move(lines.front());
}

std::vector<QPolygonF> ReadingSeries::deviceLines(const QwtScaleMap& xMap, const QwtScaleMap& yMap,
                                                  double xLeft, double xRight, int from, int to,
                                                  bool round, double gapLimit) const
{
    std::vector<QPolygonF> lines;
    from = std::max(from, 0);
    to = std::min(to, count() - 1);
    if (from > to)
        return lines;
    // The readings within the device's columns, and one beyond each edge.
    double timeLeft = xMap.invTransform(xLeft);
    double timeRight = xMap.invTransform(xRight);
    if (timeLeft > timeRight)
        std::swap(timeLeft, timeRight);
    from = std::max(from, firstAtOrAfter(timeLeft) - 1);
    to = std::min(to, firstAtOrAfter(std::nextafter(timeRight, HUGE_VAL)));
    if (from > to)
        return lines;

    const auto device = [&](int i) {
        const QPointF& reading = at(i);
        QPointF point(xMap.transform(reading.x()), yMap.transform(reading.y()));
        if (round)
            point = QPointF(std::round(point.x()), std::round(point.y()));
        return point;
    };
    // The column under way, by the indexes of its first, lowest, highest and last reading.
    // Rounding keeps the order of values, so the extremes are found before it.
    QPolygonF line;
    double column = 0;
    int first = -1;
    int lowest = -1;
    int highest = -1;
    int last = -1;
    double low = 0;
    double high = 0;
    const auto flush = [&] {
        if (first < 0)
            return;
        // The lowest and the highest in the order they came; each point once.
        const int order[4] = {first, std::min(lowest, highest), std::max(lowest, highest), last};
        for (int k = 0; k < 4; ++k)
            if (k == 0 || order[k] != order[k - 1])
                line.append(device(order[k]));
        first = -1;
    };
    line.reserve(std::min(to - from + 1, 4 * static_cast<int>(std::fabs(xRight - xLeft) + 3.0)));
    for (int i = from; i <= to; ++i) {
        const QPointF& reading = at(i);
        if (i > from && reading.x() - at(i - 1).x() > gapLimit) {
            flush();
            lines.push_back(std::move(line));
            line = QPolygonF();
        }
        const double x = xMap.transform(reading.x());
        const double here = std::floor(round ? x + 0.5 : x);
        const double y = yMap.transform(reading.y());
        if (first < 0 || here != column) {
            flush();
            column = here;
            first = lowest = highest = last = i;
            low = high = y;
            continue;
        }
        if (y < low) {
            low = y;
            lowest = i;
        }
        if (y > high) {
            high = y;
            highest = i;
        }
        last = i;
    }
    flush();
    lines.push_back(std::move(line));
    return lines;
}

std::size_t ReadingSeries::storageBytes() const
{
    return m_blocks.size() * BlockPoints * sizeof(QPointF) +
           m_blocks.capacity() * sizeof(m_blocks.front());
}

} // namespace orvela
