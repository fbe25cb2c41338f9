#pragma once

// The read-out cursor of a graph (cursorTool1 to cursorTool6): a vertical line across the chart
// that follows the mouse, without dragging, while it is active. It reports every move with the
// reading it is on. The line is drawn over the canvas, so following the mouse never redraws the
// readings.
//
// A snapping cursor jumps to the nearest reading, but not across a gap of the line: in a gap it
// stays with the mouse and reports the gap. A second cursor can be pinned on a reading (Ctrl and
// a left click while the cursor is active, or the popup menu); it stays there, drawn dashed in
// dark red, while the first one follows the mouse.

#include <QObject>
#include <QPoint>
#include <QPointF>

#include <cmath>
#include <optional>

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
    // A snapping cursor in a gap of the line: the readings on either side of it (not-a-number
    // where the gap reaches the window's edge). Both not-a-number when it is in none.
    bool inGap = false;
    double gapFrom = NAN;
    double gapTo = NAN;
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

    // The reading a snapping cursor would take at `mouse` (canvas coordinates): the nearest one,
    // or -1 without readings or in a gap, whose readings on either side go to `gap`.
    int snapTarget(const QPoint& mouse, CursorChange* gap = nullptr) const;

    // The second cursor: a reading's time and value, or none.
    const std::optional<QPointF>& second() const { return m_second; }
    void setSecond(const std::optional<QPointF>& reading);
    // Pins the second cursor on the reading a snapping cursor would take at `mouse`; false,
    // leaving it as it was, in a gap or without readings.
    bool pinSecond(const QPoint& mouse);
    // Where on the canvas the right mouse button last went down (the popup menu's place), or
    // the canvas's centre when it never did.
    QPoint popupPoint() const;

signals:
    void changed(const orvela::CursorChange& change);
    void secondChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    GraphChart& m_chart;
    CursorLine* m_line; // a child of the canvas
    bool m_active = false;
    bool m_snap = false;
    double m_position = 0.0;
    std::optional<QPointF> m_second;
    std::optional<QPoint> m_popupPoint;
};

} // namespace orvela
