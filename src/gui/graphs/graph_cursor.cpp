#include "gui/graphs/graph_cursor.h"

#include "gui/graphs/graph_chart.h"
#include "gui/graphs/reading_series.h"

#include <qwt_plot_curve.h>
#include <qwt_scale_map.h>
#include <qwt_symbol.h>
#include <qwt_widget_overlay.h>

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <optional>

namespace orvela {

// The cursor's line, drawn over the canvas.
class CursorLine final : public QwtWidgetOverlay
{
public:
    CursorLine(QWidget* canvas, const ReadOutCursor& cursor, const GraphChart& chart)
        : QwtWidgetOverlay(canvas), m_cursor(cursor), m_chart(chart)
    {
        // Without a mask the whole line is redrawn with every repaint of the canvas, so it
        // stays on its time when a reload changes the axis under it.
        setMaskMode(QwtWidgetOverlay::NoMask);
    }

    static QColor SecondColour() { return {160, 0, 0}; }

protected:
    void drawOverlay(QPainter* painter) const override
    {
        if (const auto second = m_cursor.second()) {
            if (const auto x = Column(second->x())) {
                painter->setPen(QPen(SecondColour(), 1.0, Qt::DashLine));
                painter->drawLine(*x, 0, *x, height() - 1);
            }
        }
        if (const auto x = Column(m_cursor.position()))
            painter->fillRect(QRect(*x, 0, 1, height()), Qt::black);
    }

private:
    std::optional<int> Column(double time) const
    {
        if (!m_cursor.isActive())
            return std::nullopt;
        const double x = m_chart.canvasMap(QwtPlot::xBottom).transform(time);
        if (!std::isfinite(x) || x < 0 || x >= width())
            return std::nullopt;
        return static_cast<int>(std::lround(x));
    }

    const ReadOutCursor& m_cursor;
    const GraphChart& m_chart;
};

ReadOutCursor::ReadOutCursor(GraphChart& chart)
    : QObject(&chart), m_chart(chart), m_line(new CursorLine(chart.canvas(), *this, chart))
{
    setObjectName(QStringLiteral("cursorTool%1").arg(chart.slot()));
    m_line->hide();
    chart.canvas()->setMouseTracking(true);
    chart.canvas()->installEventFilter(this);
}

void ReadOutCursor::setActive(bool active)
{
    m_active = active;
    m_line->setVisible(active);
    m_line->updateOverlay();
}

bool ReadOutCursor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_chart.canvas())
        return QObject::eventFilter(watched, event);
    if (m_active && event->type() == QEvent::MouseMove)
        followMouse(static_cast<QMouseEvent*>(event)->pos());
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() == Qt::RightButton)
            m_popupPoint = press->pos();
        // Ctrl and a left click pin the second cursor; the zoom takes the plain click only.
        if (m_active && press->button() == Qt::LeftButton &&
            press->modifiers() == Qt::ControlModifier) {
            pinSecond(press->pos());
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

QPoint ReadOutCursor::popupPoint() const
{
    return m_popupPoint ? *m_popupPoint : m_chart.canvas()->rect().center();
}

void ReadOutCursor::setSecond(const std::optional<QPointF>& reading)
{
    m_second = reading;
    m_line->updateOverlay();
    emit secondChanged();
}

bool ReadOutCursor::pinSecond(const QPoint& mouse)
{
    const int target = snapTarget(mouse);
    if (target < 0)
        return false;
    setSecond(m_chart.readings().at(target));
    return true;
}

int ReadOutCursor::snapTarget(const QPoint& mouse, CursorChange* gap) const
{
    const ReadingSeries& readings = m_chart.readings();
    const double time = m_chart.canvasMap(QwtPlot::xBottom).invTransform(mouse.x());
    const int after = readings.firstAtOrAfter(time);
    if (readings.count() == 0)
        return -1;
    if (after < readings.count() && readings.at(after).x() == time)
        return after;
    // The window's edges stand in for the missing neighbour before the first reading and
    // after the last one.
    const double limit = m_chart.gapLimit();
    const double before = after > 0 ? readings.at(after - 1).x() : m_chart.windowStart();
    const double next = after < readings.count() ? readings.at(after).x() : m_chart.windowEnd();
    if (next - before > limit && time > before && time < next) {
        if (gap) {
            gap->inGap = true;
            gap->gapFrom = after > 0 ? before : NAN;
            gap->gapTo = after < readings.count() ? next : NAN;
        }
        return -1;
    }
    return readings.nearestIndex(time);
}

void ReadOutCursor::followMouse(const QPoint& mouse)
{
    if (!m_active)
        return;
    const QwtScaleMap xMap = m_chart.canvasMap(QwtPlot::xBottom);
    const QwtScaleMap yMap = m_chart.canvasMap(QwtPlot::yLeft);
    const ReadingSeries& readings = m_chart.readings();

    CursorChange change;
    change.mouse = mouse;
    change.series = m_chart.series();
    change.x = xMap.invTransform(mouse.x());
    change.y = yMap.invTransform(mouse.y());

    const int nearest = readings.nearestIndex(change.x);
    if (nearest >= 0) {
        const double time = readings.at(nearest).x();
        double reach = 0.5;
        if (const QwtSymbol* marker = m_chart.series()->symbol())
            reach = std::max(reach, marker->size().width() / 2.0);
        if (std::fabs(xMap.transform(time) - mouse.x()) <= reach) {
            change.pointIndex = nearest;
        } else if (m_snap) {
            change.pointIndex = snapTarget(mouse, &change);
        }
        if (change.pointIndex >= 0)
            change.x = readings.at(change.pointIndex).x();
    }
    m_position = change.x;
    m_line->updateOverlay();
    emit changed(change);
}

} // namespace orvela
