#pragma once

// The readings of one graph as the plot reads them: (DateTime, value) points kept in ascending
// time and handed to the curve without copies. A 10-day window of one-second readings holds
// 864,000 points, so the storage is a chain of fixed blocks rather than one growing array: a
// point costs its 16 bytes and little more, the series never holds a second copy while it
// grows, and readings that leave the window's start are dropped without moving the rest. The
// bounding rectangle is kept as points come, so autoscaling never walks the points, and so is a
// count of the spacings between neighbouring readings, which gives their median at once.

#include <qwt_series_data.h>

#include <QPointF>
#include <QPolygonF>
#include <QRectF>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

class QwtScaleMap;

namespace orvela {

class ReadingSeries final : public QwtSeriesData<QPointF>
{
public:
    size_t size() const override { return m_size; }
    QPointF sample(size_t i) const override { return at(static_cast<int>(i)); }
    // Not-a-number values take no part in it: they cannot be drawn.
    QRectF boundingRect() const override;

    int count() const { return static_cast<int>(m_size); }
    const QPointF& at(int i) const
    {
        const std::size_t k = m_first + static_cast<std::size_t>(i);
        return m_blocks[k >> BlockShift][k & BlockMask];
    }

    // Releases the storage.
    void clear();
    // Appends in the usual case; a point older than the last one is put in its place in time,
    // after any points of the same time.
    void add(double time, double value);
    // Keeps the points from `from` (included) to `until` (excluded); drops the others.
    void keepBetween(double from, double until);

    // The index of the first point at or after `time`; count() when there is none.
    int firstAtOrAfter(double time) const;
    // The index of the point nearest to `time` (the earlier one on a tie); -1 without points.
    int nearestIndex(double time) const;
    // The points from `from` to `to` whose marker stands apart: at least `spacing` pixels of
    // `xMap` from both neighbours in time. Dense readings thus draw as a plain line, while
    // sparse ones and a lone reading among dense ones keep their markers. Ascending.
    std::vector<int> separatedIndexes(const QwtScaleMap& xMap, double spacing, int from,
                                      int to) const;
    // The line through the points from `from` to `to` as it lands on a device: of the points
    // that fall into one device column it keeps the first, the lowest, the highest and the
    // last, in their order, which draws the same pixels as the whole line. So a line costs at
    // most four points a column, however many readings it joins. Points beyond the columns
    // of `xLeft` to `xRight` are left out but for the one next to each edge, which carries the
    // line on to the edge. With `round`, coordinates are rounded to whole device pixels.
    QPolygonF deviceLine(const QwtScaleMap& xMap, const QwtScaleMap& yMap, double xLeft,
                         double xRight, int from, int to, bool round) const;
    // The same line broken where two neighbouring readings lie more than `gapLimit` (in the
    // unit of the time values) apart: one polyline for each stretch of readings without a gap.
    std::vector<QPolygonF> deviceLines(const QwtScaleMap& xMap, const QwtScaleMap& yMap,
                                       double xLeft, double xRight, int from, int to, bool round,
                                       double gapLimit) const;

    // The median of the spacings between neighbouring readings of different times, in days;
    // 0 while fewer than two times are held. Of an even count, the lower middle one. Spacings
    // are counted to the millisecond as points come and go, so a window of ten days has at most
    // some 42,000 distinct ones and the median never walks the points; it is found again only
    // after the points changed.
    double medianSpacing() const;

    // The bytes the series holds for its points: the blocks and the table of blocks.
    std::size_t storageBytes() const;

private:
    // 1,024 points (16 KiB) a block: small enough that a short window wastes little, large
    // enough that the table of blocks costs nothing.
    static constexpr std::size_t BlockShift = 10;
    static constexpr std::size_t BlockPoints = std::size_t{1} << BlockShift;
    static constexpr std::size_t BlockMask = BlockPoints - 1;

    QPointF& slot(std::size_t i)
    {
        const std::size_t k = m_first + i;
        return m_blocks[k >> BlockShift][k & BlockMask];
    }
    void append(const QPointF& point);
    void dropFront(std::size_t count);
    void dropBack(std::size_t count);
    void widenBounds(const QPointF& point);
    void recomputeBounds();
    void countSpacing(double earlier, double later, int change);

    std::vector<std::unique_ptr<QPointF[]>> m_blocks;
    std::size_t m_first = 0; // the first point's place in the first block
    std::size_t m_size = 0;
    bool m_hasValue = false; // a value other than not-a-number is held
    double m_minX = 0, m_maxX = 0, m_minY = 0, m_maxY = 0;
    // Milliseconds between neighbours -> how many neighbours are that far apart.
    std::unordered_map<std::int64_t, std::int64_t> m_spacings;
    std::int64_t m_spacingCount = 0; // of spacings above zero
    mutable bool m_medianKnown = true;
    mutable double m_median = 0.0;
};

} // namespace orvela
