#include "gui/live/dial_gauge.h"

#include "core/live/gauge_scale.h"
#include "core/live/value_text.h"
#include "gui/live/gauge_scale_div.h"
#include "gui/widgets/fonts.h"

#include <qwt_dial.h>
#include <qwt_dial_needle.h>
#include <qwt_round_scale_draw.h>
#include <qwt_scale_div.h>
#include <qwt_text.h>

#include <QEvent>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace orvela {
namespace {

const char* const OutOfRange = "Value out of range.";

// The scale starts at the lower left (135 degrees clockwise from three o'clock) and sweeps 270
// degrees clockwise to the lower right.
constexpr double ScaleOrigin = 135.0;
constexpr double ScaleSweep = 270.0;
constexpr double Pi = 3.14159265358979323846;
constexpr int MajorTickLength = 10;
constexpr int MediumTickLength = 7;
constexpr int MinorTickLength = 5;
constexpr int FrameWidth = 4;
constexpr int LabelFontPixels = 13;
constexpr int CaptionFontPixels = 16;

const QColor Face(128, 128, 128);
const QColor ZoneBlue(0, 0, 255);
const QColor NeedleRed(220, 0, 0);

// Scale labels carry one decimal, like the value labels of the live positions. Beyond seven
// digits before the decimal point they are short scientific numbers ("5e+08"): the labels'
// width takes room from the radius of the whole dial.
QString ScaleLabel(double value)
{
    if (std::fabs(value) < 1e7)
        return FixedValueText(value, 1);
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', 7);
}

class OneDecimalScaleDraw final : public QwtRoundScaleDraw
{
public:
    QwtText label(double value) const override { return QwtText(ScaleLabel(value)); }
};

} // namespace

// The toolkit's dial, drawn with the gauge's zones and caption. Only DialGauge reaches it.
class DialFace final : public QwtDial
{
public:
    explicit DialFace(QWidget* parent) : QwtDial(parent)
    {
        setReadOnly(true);
        setWrapping(false);
        setStepAlignment(false);
        setFocusPolicy(Qt::NoFocus);
        // The gauge, not the face, takes the mouse, so its popup menu opens wherever the press
        // lands.
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setMode(QwtDial::RotateNeedle);
        setOrigin(ScaleOrigin);
        setScaleArc(0.0, ScaleSweep);
        setLineWidth(FrameWidth);
        setFrameShadow(QwtDial::Sunken);

        auto* scale = new OneDecimalScaleDraw;
        scale->setTickLength(QwtScaleDiv::MajorTick, MajorTickLength);
        scale->setTickLength(QwtScaleDiv::MediumTick, MediumTickLength);
        scale->setTickLength(QwtScaleDiv::MinorTick, MinorTickLength);
        scale->setSpacing(4);
        setScaleDraw(scale);

        auto* needle = new QwtDialSimpleNeedle(QwtDialSimpleNeedle::Arrow, true, NeedleRed,
                                               QColor(48, 48, 48));
        needle->setWidth(7);
        setNeedle(needle);
    }

    // The toolkit's setter bounds the value to the scale and shows a hidden needle again.
    void showNeedleAt(double value) { QwtDial::setValue(value); }
    void hideNeedle()
    {
        setValid(false);
        update();
    }
    void setCaption(const QString& caption)
    {
        m_caption = caption;
        invalidateCache();
        update();
    }
    QString caption() const { return m_caption; }
    void setTicks(const QwtScaleDiv& div)
    {
        setScale(div);
        invalidateCache();
        update();
    }

protected:
    void drawScale(QPainter* painter, const QPointF& center, double radius) const override;
    void drawScaleContents(QPainter* painter, const QPointF& center, double radius) const override;

private:
    QString m_caption;
};

GaugeRangeError::GaugeRangeError() : std::runtime_error(OutOfRange) {}

QString GaugeRangeError::text() const
{
    return QString::fromUtf8(what());
}

DialGauge::DialGauge(QWidget* parent) : QWidget(parent), m_face(new DialFace(this))
{
    setFocusPolicy(Qt::NoFocus);
    // The toolkit's dial keeps a palette of its own, so the colours go to it directly.
    QPalette colours = m_face->palette();
    colours.setColor(QPalette::Base, Face);
    colours.setColor(QPalette::Text, Qt::white);
    colours.setColor(QPalette::WindowText, Face); // the disc inside the scale
    m_face->setPalette(colours);
    setFont(ArialPixels(LabelFontPixels));
    updateScale();
}

void DialGauge::setMinimum(double minimum)
{
    if (!std::isfinite(minimum) || minimum > m_maximum)
        throw GaugeRangeError();
    m_minimum = minimum;
    updateScale();
}

void DialGauge::setMaximum(double maximum)
{
    if (!std::isfinite(maximum) || maximum < m_minimum)
        throw GaugeRangeError();
    m_maximum = maximum;
    updateScale();
}

void DialGauge::setRange(double minimum, double maximum)
{
    if (!std::isfinite(minimum) || !std::isfinite(maximum) || minimum > maximum)
        throw GaugeRangeError();
    m_minimum = minimum;
    m_maximum = maximum;
    updateScale();
}

void DialGauge::setValue(double value)
{
    m_value = value;
    if (std::isnan(value))
        m_face->hideNeedle();
    else
        m_face->showNeedleAt(DrawnIntervalFor(m_minimum, m_maximum).bounded(value));
}

double DialGauge::needleValue() const
{
    if (!m_face->isValid())
        return std::nan("");
    return m_face->value();
}

bool DialGauge::isValid() const
{
    return m_face->isValid();
}

void DialGauge::setCaption(const QString& caption)
{
    m_face->setCaption(caption);
}

QString DialGauge::caption() const
{
    return m_face->caption();
}

const QwtScaleDiv& DialGauge::scaleDiv() const
{
    return m_face->scaleDiv();
}

// The font decides how many labels fit.
void DialGauge::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateScale();
}

void DialGauge::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_face->setGeometry(rect());
    updateScale();
}

void DialGauge::updateScale()
{
    const DrawnInterval drawn = DrawnIntervalFor(m_minimum, m_maximum);

    // Major ticks keep a label's width apart along the arc of the labels.
    const QFontMetrics metrics(font());
    const int widest = std::max(metrics.horizontalAdvance(ScaleLabel(drawn.low())),
                                metrics.horizontalAdvance(ScaleLabel(drawn.high())));
    const double labelRadius =
        std::max(0.0, 0.5 * m_face->innerRect().width() - MajorTickLength - metrics.height());
    GaugeTickRules rules;
    rules.smallestStep = 0.1; // labels carry one decimal
    rules.minorIntervals = 5;
    rules.pixelSpan = labelRadius * ScaleSweep * Pi / 180.0;
    rules.majorSpacing = widest + 10;
    rules.minorSpacing = 4;
    const GaugeTicks ticks = LayoutGaugeTicks(drawn, rules);

    m_face->setTicks(GaugeScaleDiv(drawn, ticks));
    // The toolkit's dial bounds its value to the new scale and shows it; a hidden needle stays
    // hidden.
    if (!std::isnan(m_value))
        m_face->showNeedleAt(drawn.bounded(m_value));
}

void DialFace::drawScale(QPainter* painter, const QPointF& center, double radius) const
{
    // The colour zones lie under the ticks: the first and the last third of the sweep are blue,
    // the middle one shows the face.
    const double bandRadius = radius + 0.5 * MajorTickLength;
    const QRectF band(center.x() - bandRadius, center.y() - bandRadius, 2 * bandRadius,
                      2 * bandRadius);
    painter->save();
    painter->setPen(QPen(ZoneBlue, MajorTickLength, Qt::SolidLine, Qt::FlatCap));
    painter->setBrush(Qt::NoBrush);
    const double third = ScaleSweep / 3.0;
    for (const double start : {0.0, 2.0 * third}) {
        // QPainter counts sixteenths of a degree anticlockwise; the dial counts clockwise.
        const double from = ScaleOrigin + start;
        painter->drawArc(band, static_cast<int>(std::lround(-from * 16.0)),
                         static_cast<int>(std::lround(-third * 16.0)));
    }
    painter->restore();
    QwtDial::drawScale(painter, center, radius);
}

void DialFace::drawScaleContents(QPainter* painter, const QPointF& center, double radius) const
{
    if (m_caption.isEmpty())
        return;
    // Below the needle's hub, in the gap that the 270-degree sweep leaves open. Lines break
    // between words, or anywhere when one word is wider than the dial.
    const QRectF box(center.x() - 0.9 * radius, center.y() + 0.2 * radius, 1.8 * radius,
                     0.75 * radius);
    const QFont font = ArialPixels(CaptionFontPixels);
    int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
    if (QFontMetricsF(font).boundingRect(box, flags, m_caption).width() > box.width())
        flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWrapAnywhere;
    painter->save();
    painter->setFont(font);
    painter->setPen(Qt::white);
    painter->drawText(box, flags, m_caption);
    painter->restore();
}

} // namespace orvela
