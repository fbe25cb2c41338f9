#include "gui/live/wind_chart.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace orvela {
namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr int LabelPixels = 13;
constexpr int LabelGap = 4;

const QColor Background(0, 64, 128);
const QColor AxisLines(64, 0, 64);
const QColor LabelColour(Qt::yellow);

QString AngleLabel(double degrees)
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(degrees, 'g', 6);
}

} // namespace

double RoundHalfEven(double value)
{
    if (!std::isfinite(value))
        return value;
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction < 0.5)
        return below;
    if (fraction > 0.5)
        return below + 1.0;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

double CompassAngle(double degrees)
{
    double angle = std::fmod(degrees, 360.0);
    if (angle < 0.0)
        angle += 360.0;
    // A tiny negative angle comes back as 360 after the addition.
    if (angle >= 360.0)
        angle = 0.0;
    return angle;
}

void PolarSeries::clear()
{
    m_points.clear();
    changed();
}

void PolarSeries::addPoint(double angleDegrees, double radius)
{
    m_points.push_back({angleDegrees, radius});
    changed();
}

void PolarSeries::setColor(const QColor& color)
{
    m_color = color;
    changed();
}

void PolarSeries::setLineWidth(int pixels)
{
    m_lineWidth = std::max(pixels, 0);
    changed();
}

void PolarSeries::setPointSize(int pixels)
{
    m_pointSize = std::max(pixels, 0);
    changed();
}

void PolarSeries::changed() const
{
    if (m_onChange)
        m_onChange();
}

WindChart::WindChart(QWidget* parent) : QWidget(parent)
{
    m_series.m_onChange = [this] { update(); };

    m_labelFont = QFont(QStringLiteral("Arial Rounded MT Bold"));
    m_labelFont.setPixelSize(LabelPixels);
    m_labelFont.setStyleHint(QFont::SansSerif);
    // Where the rounded face is missing, a bold sans face keeps the labels as heavy.
    if (QFontInfo(m_labelFont).family() != m_labelFont.family())
        m_labelFont.setBold(true);

    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool WindChart::setAngleIncrement(double degrees)
{
    if (!std::isfinite(degrees) || degrees < 1.0 || degrees > 360.0)
        return false;
    m_angleIncrement = degrees;
    update();
    return true;
}

std::vector<double> WindChart::spokeAngles() const
{
    std::vector<double> angles;
    for (double k = 0.0; k * m_angleIncrement < 360.0 - 1e-9; k += 1.0)
        angles.push_back(k * m_angleIncrement);
    return angles;
}

std::optional<double> WindChart::needleAngle() const
{
    if (m_series.points().empty())
        return std::nullopt;
    return CompassAngle(m_series.points().back().angle);
}

QPointF WindChart::center() const
{
    return QRectF(rect()).center();
}

double WindChart::rimRadius() const
{
    const QFontMetrics metrics(m_labelFont);
    const double labelRoom =
        std::max(metrics.horizontalAdvance(AngleLabel(330.0)), metrics.height()) + LabelGap + 2;
    return std::max(0.0, 0.5 * std::min(width(), height()) - labelRoom);
}

QPointF WindChart::pointPosition(const PolarPoint& point) const
{
    const double pixels = point.radius / RadiusMaximum * rimRadius();
    const double radians = CompassAngle(point.angle) * Pi / 180.0;
    const QPointF middle = center();
    return {middle.x() + pixels * std::sin(radians), middle.y() - pixels * std::cos(radians)};
}

void WindChart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Background);
    painter.setRenderHint(QPainter::Antialiasing);

    const QPointF middle = center();
    const double rim = rimRadius();
    painter.setPen(QPen(AxisLines, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(middle, rim, rim);

    const QFontMetrics metrics(m_labelFont);
    painter.setFont(m_labelFont);
    for (const double angle : spokeAngles()) {
        painter.setPen(QPen(AxisLines, 1));
        painter.drawLine(middle, pointPosition({angle, RadiusMaximum}));
        // Each label sits just outside the rim, its centre on the spoke's line.
        const QString text = AngleLabel(angle);
        const QSizeF size(metrics.horizontalAdvance(text), metrics.height());
        const double radians = angle * Pi / 180.0;
        const double reach = rim + LabelGap +
                             0.5 * (size.width() * std::fabs(std::sin(radians)) +
                                    size.height() * std::fabs(std::cos(radians)));
        const QPointF at(middle.x() + reach * std::sin(radians),
                         middle.y() - reach * std::cos(radians));
        const QRectF box(at.x() - 0.5 * size.width(), at.y() - 0.5 * size.height(), size.width(),
                         size.height());
        painter.setPen(LabelColour);
        painter.drawText(box, Qt::AlignCenter, text);
    }

    // The series: a line through its points in order, not filled, and a circle on each point.
    // Points that are not finite break the line and are not drawn.
    QPainterPath line;
    bool drawing = false;
    std::vector<QPointF> marks;
    for (const PolarPoint& point : m_series.points()) {
        if (!std::isfinite(point.angle) || !std::isfinite(point.radius)) {
            drawing = false;
            continue;
        }
        const QPointF at = pointPosition(point);
        if (drawing)
            line.lineTo(at);
        else
            line.moveTo(at);
        drawing = true;
        marks.push_back(at);
    }
    if (m_series.lineWidth() > 0) {
        painter.setPen(QPen(m_series.color(), m_series.lineWidth(), Qt::SolidLine, Qt::RoundCap,
                            Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(line);
    }
    const double half = 0.5 * m_series.pointSize();
    painter.setPen(QPen(m_series.color(), 1));
    painter.setBrush(m_series.color());
    for (const QPointF& at : marks)
        painter.drawEllipse(at, half, half);
}

} // namespace orvela
