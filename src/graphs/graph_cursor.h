#pragma once

// The read-out cursor of a graph (cursorTool1 to cursorTool6): a vertical line across the chart
// that follows the mouse, without dragging, while it is active. It reports every move with the
// reading it is on. The line is drawn over the canvas, so following the mouse never redraws the
// readings.

#include <QObject>
#include <QPoint>

class QwtPlotCurve;

namespace orvela {

class GraphChart;
class CursorLine;

// What a move of the cursor reports.
struct CursorChange
{
    QPoint mouse;                         // in canvas coordinates
    double x = 0.0;                       // the cursor's horizontal value, a DateTime
    double y = 0.0;                       // the value under the mouse
    const QwtPlotCurve* series = nullptr; // the series the cursor is attached to
    int pointIndex = -1;                  // the reading the cursor is on, or -1
};

class ReadOutCursor : public QObject
{
    Q_OBJECT
public:
    // Attached to the chart's line series; inactive and not snapping.
    explicit ReadOutCursor(GraphChart& chart);

    void setActive(bool active);
    bool isActive() const { return m_active; }
    // While snapping, the cursor jumps to the reading nearest to the mouse.
    void setSnap(bool snap) { m_snap = snap; }
    bool snaps() const { return m_snap; }
    // The cursor's horizontal value (DateTime); set by the last move.
    double position() const { return m_position; }

    // Moves the cursor as the mouse at `mouse` (canvas coordinates) would. Without snapping the
    // cursor is on a reading when its line crosses that reading's marker; it then stands on the
    // reading's time, so the read-out shows the reading's own time.
    void followMouse(const QPoint& mouse);

signals:
    void changed(const orvela::CursorChange& change);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    GraphChart& m_chart;
    CursorLine* m_line; // a child of the canvas
    bool m_active = false;
    bool m_snap = false;
    double m_position = 0.0;
};

} // namespace orvela
