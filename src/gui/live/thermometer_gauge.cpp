#include "gui/live/thermometer_gauge.h"

#include "core/live/gauge_scale.h"
#include "gui/live/gauge_scale_div.h"
#include "gui/widgets/fonts.h"

#include <qwt_scale_div.h>
#include <qwt_scale_draw.h>
#include <qwt_scale_map.h>
#include <qwt_text.h>

#include <QEvent>
#include <QLocale>
#include <QPainter>
#include <QPolygon>

#include <cmath>

namespace orvela {
namespace {

constexpr int MajorTickLength = 14;
constexpr int MediumTickLength = 11;
constexpr int MinorTickLength = 8;
constexpr int ScaleOffset = 20;
constexpr int PipeWidth = 12;
constexpr int BorderWidth = 2;
constexpr int MarkerLength = 14;
constexpr int MarkerGap = 2;
constexpr int MinorIntervals = 5;

const QColor Silver(192, 192, 192);
const QColor Aqua(0, 255, 255);
const QColor PipeFill(0, 128, 128);

// Labels are the tick values as plain numbers: no group separators, and no binary noise from
// adding up steps (ten significant digits hide it).
class PlainNumberScaleDraw final : public QwtScaleDraw
{
public:
    QwtText label(double value) const override
    {
        QLocale locale;
        locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
        return QwtText(locale.toString(value, 'g', 10));
    }
};

} // namespace

ThermometerGauge::ThermometerGauge(QWidget* parent) : QwtThermo(parent)
{
    setOrientation(Qt::Vertical);
    setScalePosition(QwtThermo::TrailingScale); // left of the pipe
    setScaleDraw(new PlainNumberScaleDraw);
    scaleDraw()->setTickLength(QwtScaleDiv::MajorTick, MajorTickLength);
    scaleDraw()->setTickLength(QwtScaleDiv::MediumTick, MediumTickLength);
    scaleDraw()->setTickLength(QwtScaleDiv::MinorTick, MinorTickLength);
    setSpacing(ScaleOffset);
    setPipeWidth(PipeWidth);
    setBorderWidth(BorderWidth);
    setAlarmEnabled(false);
    // The fill starts at the minimum, which is at the bottom even when it is the larger limit.
    setOriginMode(QwtThermo::OriginCustom);
    setFillBrush(PipeFill);
    // Room on the right of the pipe for the marker.
    setContentsMargins(0, 0, MarkerGap + MarkerLength + 4, 0);

    QPalette colours = palette();
    colours.setColor(QPalette::Window, Silver);
    colours.setColor(QPalette::WindowText, Qt::black);
    colours.setColor(QPalette::Text, Qt::black);
    colours.setColor(QPalette::Base, Qt::white);
    setPalette(colours);
    setAutoFillBackground(true);

    setFont(ArialPixels(13));

    updateScale();
}

void ThermometerGauge::setLimits(double minimum, double maximum)
{
    m_minimum = minimum;
    m_maximum = maximum;
    updateScale();
}

void ThermometerGauge::setMinimum(double minimum)
{
    setLimits(minimum, m_maximum);
}

void ThermometerGauge::setMaximum(double maximum)
{
    setLimits(m_minimum, maximum);
}

void ThermometerGauge::setMajorStep(double step)
{
    m_majorStep = step;
    updateScale();
}

void ThermometerGauge::setValue(double value)
{
    m_value = value;
    const DrawnInterval drawn = DrawnIntervalFor(m_minimum, m_maximum);
    QwtThermo::setValue(std::isnan(value) ? drawn.start : drawn.bounded(value));
    update();
}

int ThermometerGauge::markerPosition() const
{
    if (std::isnan(m_value))
        return -1;
    const DrawnInterval drawn = DrawnIntervalFor(m_minimum, m_maximum);
    return static_cast<int>(std::lround(scaleMap().transform(drawn.bounded(m_value))));
}

void ThermometerGauge::updateScale()
{
    const DrawnInterval drawn = DrawnIntervalFor(m_minimum, m_maximum);
    GaugeTickRules rules;
    rules.preferredStep = m_majorStep;
    rules.minorIntervals = MinorIntervals;
    rules.pixelSpan = pipeRect().height();
    rules.majorSpacing = fontMetrics().height() + 4;
    rules.minorSpacing = 3;
    const GaugeTicks ticks = LayoutGaugeTicks(drawn, rules);

    setScale(GaugeScaleDiv(drawn, ticks));
    setOrigin(drawn.start);
    QwtThermo::setValue(std::isnan(m_value) ? drawn.start : drawn.bounded(m_value));
}

// The font decides how many labels fit.
void ThermometerGauge::changeEvent(QEvent* event)
{
    QwtThermo::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateScale();
}

void ThermometerGauge::resizeEvent(QResizeEvent* event)
{
    QwtThermo::resizeEvent(event);
    updateScale();
}

void ThermometerGauge::paintEvent(QPaintEvent* event)
{
    QwtThermo::paintEvent(event);
    const int tip = markerPosition();
    if (tip < 0)
        return;
    const QRect pipe = pipeRect();
    const int left = pipe.right() + BorderWidth + MarkerGap;
    const int half = MarkerLength / 2;
    const QPolygon marker({QPoint(left, tip), QPoint(left + MarkerLength, tip - half),
                           QPoint(left + MarkerLength, tip + half)});
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Aqua);
    painter.drawPolygon(marker);
}

} // namespace orvela
