#pragma once

// The wind direction chart of the "Live Data" tab: a compass-like polar chart with one series,
// drawn as a needle from the centre to the rim. Angle 0 is at the top and angles increase
// clockwise; the radius runs from 0 at the centre to 97 at the rim.

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

namespace orvela {

// An exact half goes to the even neighbour: 22.5 → 22, 23.5 → 24. Values that are not finite
// come back unchanged.
double RoundHalfEven(double value);
// `degrees` as the compass shows it, in [0, 360): 370 → 10, -90 → 270. Not-a-number stays so.
double CompassAngle(double degrees);

struct PolarPoint
{
    double angle = 0.0; // degrees
    double radius = 0.0;
};

// A series of points given as angle and radius, drawn as a line through them in order with a
// circle at each point. The chart that owns it repaints on every change.
class PolarSeries
{
public:
    void clear();
    void addPoint(double angleDegrees, double radius);
    const std::vector<PolarPoint>& points() const { return m_points; }

    void setColor(const QColor& color);
    QColor color() const { return m_color; }
    void setLineWidth(int pixels);
    int lineWidth() const { return m_lineWidth; }
    // Width and height of the circle drawn at each point.
    void setPointSize(int pixels);
    int pointSize() const { return m_pointSize; }

private:
    friend class WindChart;
    void changed() const;

    std::vector<PolarPoint> m_points;
    QColor m_color = Qt::red;
    int m_lineWidth = 3;
    int m_pointSize = 5;
    std::function<void()> m_onChange;
};

class WindChart : public QWidget
{
    Q_OBJECT
public:
    static constexpr double RadiusMaximum = 97.0;

    explicit WindChart(QWidget* parent = nullptr);

    PolarSeries& series() { return m_series; }
    const PolarSeries& series() const { return m_series; }

    // A spoke and a label every `degrees`, starting at 0. Taken from 1 to 360 degrees; any other
    // value (not finite, or so small that spokes would merge) is ignored and the result is false.
    bool setAngleIncrement(double degrees);
    double angleIncrement() const { return m_angleIncrement; }
    // The angles that carry a spoke and a label, ascending from 0.
    std::vector<double> spokeAngles() const;
    QFont labelFont() const { return m_labelFont; }

    // The compass angle of the series' last point, the needle's tip; none without points.
    std::optional<double> needleAngle() const;
    // Where a point is drawn, in widget coordinates.
    QPointF pointPosition(const PolarPoint& point) const;
    QPointF center() const;
    // The radius of the rim in pixels; the chart stays a circle whatever the widget's shape.
    double rimRadius() const;

    QSize sizeHint() const override { return {300, 240}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PolarSeries m_series;
    double m_angleIncrement = 30.0;
    QFont m_labelFont;
};

} // namespace orvela
