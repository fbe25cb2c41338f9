#pragma once

// The readings of one graph as the plot reads them: a vector of (DateTime, value) points kept in
// ascending time, handed to the curve without copies. The bounding rectangle grows with every
// point, so autoscaling never walks the points.

#include <qwt_series_data.h>

#include <QPointF>
#include <QRectF>
#include <QVector>

#include <cstddef>
#include <vector>

class QwtScaleMap;

namespace orvela {

class ReadingSeries final : public QwtSeriesData<QPointF>
{
public:
    size_t size() const override { return static_cast<size_t>(m_points.size()); }
    QPointF sample(size_t i) const override { return m_points.at(static_cast<int>(i)); }
    QRectF boundingRect() const override;

    // Keeps the storage, so the next load of a similar window reuses it.
    void clear();
    void reserve(int points) { m_points.reserve(points); }
    int capacity() const { return m_points.capacity(); }
    // Appends in the usual case; a point older than the last one is put in its place in time,
    // after any points of the same time.
    void add(double time, double value);

    const QVector<QPointF>& points() const { return m_points; }
    // The index of the point nearest to `time` (the earlier one on a tie); -1 without points.
    int nearestIndex(double time) const;
    // The points from `from` to `to` whose marker stands apart: at least `spacing` pixels of
    // `xMap` from both neighbours in time. Dense readings thus draw as a plain line, while
    // sparse ones and a lone reading among dense ones keep their markers. Ascending.
    std::vector<int> separatedIndexes(const QwtScaleMap& xMap, double spacing, int from,
                                      int to) const;

private:
    QVector<QPointF> m_points;
    double m_minX = 0, m_maxX = 0, m_minY = 0, m_maxY = 0;
};

} // namespace orvela
