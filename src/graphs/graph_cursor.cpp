#include "graphs/graph_cursor.h"

#include "graphs/graph_chart.h"
#include "graphs/reading_series.h"

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

protected:
    void drawOverlay(QPainter* painter) const override
    {
        if (const auto x = Column())
            painter->fillRect(QRect(*x, 0, 1, height()), Qt::black);
    }

private:
    std::optional<int> Column() const
    {
        if (!m_cursor.isActive())
            return std::nullopt;
        const double x = m_chart.canvasMap(QwtPlot::xBottom).transform(m_cursor.position());
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
    if (m_active && watched == m_chart.canvas() && event->type() == QEvent::MouseMove)
        followMouse(static_cast<QMouseEvent*>(event)->pos());
    return QObject::eventFilter(watched, event);
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
        if (m_snap || std::fabs(xMap.transform(time) - mouse.x()) <= reach) {
            change.pointIndex = nearest;
            change.x = time;
        }
    }
    m_position = change.x;
    m_line->updateOverlay();
    emit changed(change);
}

} // namespace orvela
