#include "gui/graphs/chart_parts.h"

#include "core/graphs/graph_text.h"
#include "gui/graphs/reading_series.h"

#include <qwt_clipper.h>
#include <qwt_legend.h>
#include <qwt_painter.h>
#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_zoomer.h>
#include <qwt_scale_draw.h>
#include <qwt_scale_engine.h>
#include <qwt_scale_map.h>
#include <qwt_symbol.h>

#include <QLayout>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace orvela {
namespace {

constexpr double SecondsPerDayF = 86400.0;
const QColor LegendGradientStart(170, 213, 213);
const QColor LegendShadow(128, 128, 128);
constexpr int LegendShadowOffset = 3;
constexpr int LegendPadding = 3;
constexpr double SmallestValueStep = 0.01;
constexpr double LoneReadingRadius = 1.0;

// Whole-second steps that make readable time labels: minutes, hours, days, weeks.
constexpr std::array<std::int64_t, 23> TimeSteps = {
    15,    30,    60,    120,    300,    600,    900,    1800,    3600,    7200,    10800,   14400,
    21600, 43200, 86400, 172800, 259200, 432000, 604800, 1209600, 2592000, 7776000, 31536000};

std::int64_t MajorTimeStep(double spanSeconds, int maxSteps)
{
    maxSteps = std::max(maxSteps, 1);
    // A window reaches up to a minute beyond its nominal range; that minute never costs a
    // finer step.
    const double nominal = std::max(spanSeconds - 60.0, 0.0);
    for (const std::int64_t step : TimeSteps)
        if (step >= 60 && nominal / static_cast<double>(step) <= maxSteps)
            return step;
    return TimeSteps.back();
}

std::int64_t MinorTimeStep(std::int64_t major, int maxSteps)
{
    for (const std::int64_t step : TimeSteps)
        if (step < major && major % step == 0 && major / step <= maxSteps)
            return step;
    return 0;
}

// Divides a time axis at whole minutes, hours or days of local civil time. DateTime counts days
// from a local midnight, so whole multiples of a step in seconds fall on civil boundaries; no
// time zone takes part.
class CivilTimeScaleEngine final : public QwtScaleEngine
{
public:
    void autoScale(int maxNumSteps, double& x1, double& x2, double& stepSize) const override
    {
        if (x1 > x2)
            std::swap(x1, x2);
        stepSize = static_cast<double>(MajorTimeStep((x2 - x1) * SecondsPerDayF, maxNumSteps)) /
                   SecondsPerDayF;
    }

    QwtScaleDiv divideScale(double x1, double x2, int maxMajorSteps, int maxMinorSteps,
                            double stepSize) const override
    {
        const double lower = std::min(x1, x2);
        const double upper = std::max(x1, x2);
        if (!std::isfinite(lower) || !std::isfinite(upper) || upper - lower <= 0.0)
            return QwtScaleDiv(x1, x2);
        const std::int64_t major =
            stepSize > 0.0
                ? std::max<std::int64_t>(
                      60, static_cast<std::int64_t>(std::llround(stepSize * SecondsPerDayF)))
                : MajorTimeStep((upper - lower) * SecondsPerDayF, maxMajorSteps);
        const std::int64_t minor = MinorTimeStep(major, maxMinorSteps);

        QList<double> ticks[QwtScaleDiv::NTickTypes];
        ticks[QwtScaleDiv::MajorTick] = TicksAt(lower, upper, major);
        if (minor > 0) {
            for (const double t : TicksAt(lower, upper, minor)) {
                const auto second = std::llround(t * SecondsPerDayF);
                if (second % major != 0)
                    ticks[QwtScaleDiv::MinorTick].append(t);
            }
        }
        QwtScaleDiv division(lower, upper, ticks);
        if (x1 > x2)
            division.invert();
        return division;
    }

private:
    // The multiples of `step` seconds within [lower, upper]. The ends may sit a rounding error
    // off a whole second; a tick within a millisecond of an end is put on the end.
    static QList<double> TicksAt(double lower, double upper, std::int64_t step)
    {
        QList<double> ticks;
        const double stepF = static_cast<double>(step);
        const double first = std::ceil((lower * SecondsPerDayF - 1e-3) / stepF);
        const double last = std::floor((upper * SecondsPerDayF + 1e-3) / stepF);
        if (!(last - first < 100000.0))
            return ticks;
        for (double k = first; k <= last; k += 1.0)
            ticks.append(std::clamp(k * stepF / SecondsPerDayF, lower, upper));
        return ticks;
    }
};

class TimeScaleDraw final : public QwtScaleDraw
{
public:
    QwtText label(double value) const override { return QwtText(AxisTimeText(value)); }
};

// Linear steps, never finer than the smallest label step of 0.01.
class ValueScaleEngine final : public QwtLinearScaleEngine
{
public:
    void autoScale(int maxNumSteps, double& x1, double& x2, double& stepSize) const override
    {
        QwtLinearScaleEngine::autoScale(maxNumSteps, x1, x2, stepSize);
        if (std::fabs(stepSize) < SmallestValueStep) {
            stepSize = SmallestValueStep;
            x1 = std::floor(x1 / SmallestValueStep) * SmallestValueStep;
            x2 = std::ceil(x2 / SmallestValueStep) * SmallestValueStep;
            if (x2 <= x1)
                x2 = x1 + SmallestValueStep;
        }
    }

    QwtScaleDiv divideScale(double x1, double x2, int maxMajorSteps, int maxMinorSteps,
                            double stepSize) const override
    {
        if (stepSize == 0.0)
            stepSize = QwtScaleArithmetic::divideInterval(std::fabs(x2 - x1),
                                                          std::max(maxMajorSteps, 1), base());
        if (std::fabs(stepSize) < SmallestValueStep)
            stepSize = SmallestValueStep;
        return QwtLinearScaleEngine::divideScale(x1, x2, maxMajorSteps, maxMinorSteps, stepSize);
    }
};

class ValueScaleDraw final : public QwtScaleDraw
{
public:
    QwtText label(double value) const override { return QwtText(AxisValueText(value)); }
};

// A box with a gradient from RGB(170, 213, 213) down to white and a grey shadow.
class SeriesLegend final : public QwtLegend
{
public:
    explicit SeriesLegend(QWidget* parent) : QwtLegend(parent)
    {
        if (QLayout* box = layout())
            box->setContentsMargins(LegendPadding, LegendPadding,
                                    LegendPadding + LegendShadowOffset,
                                    LegendPadding + LegendShadowOffset);
    }

    QSize sizeHint() const override { return QwtLegend::sizeHint() + Margins(); }
    int heightForWidth(int width) const override
    {
        return QwtLegend::heightForWidth(width - Margins().width()) + Margins().height();
    }

protected:
    // The box is drawn round the entries only, centred above the canvas.
    void paintEvent(QPaintEvent*) override
    {
        const QWidget* entries = contentsWidget();
        const QRect used = entries->childrenRect();
        if (used.isEmpty())
            return;
        const QRect box =
            QRect(entries->mapTo(this, used.topLeft()), used.size())
                .adjusted(-LegendPadding, -LegendPadding, LegendPadding - 1, LegendPadding - 1);
        QPainter painter(this);
        painter.fillRect(box.translated(LegendShadowOffset, LegendShadowOffset), LegendShadow);
        QLinearGradient gradient(box.topLeft(), box.bottomLeft());
        gradient.setColorAt(0.0, LegendGradientStart);
        gradient.setColorAt(1.0, Qt::white);
        painter.fillRect(box, gradient);
        painter.setPen(Qt::black);
        painter.drawRect(box);
    }

public:
    // A printed chart shows the same box round its entries, centred in the legend's place.
    void renderLegend(QPainter* painter, const QRectF& rect, bool) const override
    {
        if (isEmpty())
            return;
        const QRectF room =
            rect.adjusted(LegendPadding, LegendPadding, -LegendPadding - LegendShadowOffset,
                          -LegendPadding - LegendShadowOffset);
        const QLayout* entries = contentsWidget()->layout();
        const double width =
            std::min(room.width(),
                     entries ? static_cast<double>(entries->sizeHint().width()) : room.width());
        const QRectF used(room.left() + (room.width() - width) / 2.0, room.top(), width,
                          room.height());
        const QRectF box =
            used.adjusted(-LegendPadding, -LegendPadding, LegendPadding, LegendPadding);
        painter->save();
        painter->fillRect(box.translated(LegendShadowOffset, LegendShadowOffset), LegendShadow);
        QLinearGradient gradient(box.topLeft(), box.bottomLeft());
        gradient.setColorAt(0.0, LegendGradientStart);
        gradient.setColorAt(1.0, Qt::white);
        painter->fillRect(box, gradient);
        painter->setPen(QPen(Qt::black, 0.0));
        painter->drawRect(box);
        painter->restore();
        QwtLegend::renderLegend(painter, used, false);
    }

private:
    static QSize Margins()
    {
        return {2 * LegendPadding + LegendShadowOffset, 2 * LegendPadding + LegendShadowOffset};
    }
};

// The line joins every reading; a reading's marker is drawn only where it stands apart from its
// neighbours', so a dense series does not thicken into a band of overlapping diamonds.
class ReadingCurve final : public QwtPlotCurve
{
public:
    explicit ReadingCurve(std::function<double()> gapLimit) : m_gapLimit(std::move(gapLimit)) {}

protected:
    // The line goes to the painter with at most four points a device column (the first, the
    // lowest, the highest and the last of the column), which draws what the whole line draws
    // without mapping a copy of every reading: a 10-day window of one-second readings would
    // otherwise take a polygon of 864,000 points at every paint.
    void drawLines(QPainter* painter, const QwtScaleMap& xMap, const QwtScaleMap& yMap,
                   const QRectF& canvasRect, int from, int to) const override
    {
        const auto* readings = static_cast<const ReadingSeries*>(data());
        const qreal penWidth = std::max(qreal(1.0), painter->pen().widthF());
        const QRectF clip = canvasRect.adjusted(-penWidth, -penWidth, penWidth, penWidth);
        const std::vector<QPolygonF> lines =
            readings->deviceLines(xMap, yMap, clip.left(), clip.right(), from, to,
                                  QwtPainter::roundingAlignment(painter), m_gapLimit());
        for (const QPolygonF& line : lines) {
            if (line.size() == 1) {
                // A reading alone between two gaps has no line to show it: a dot does.
                if (clip.contains(line.front())) {
                    painter->save();
                    painter->setBrush(painter->pen().color());
                    painter->drawEllipse(line.front(), LoneReadingRadius, LoneReadingRadius);
                    painter->restore();
                }
                continue;
            }
            QwtPainter::drawPolyline(painter, QwtClipper::clipPolygonF(clip, line, false));
        }
    }

    void drawSymbols(QPainter* painter, const QwtSymbol& symbol, const QwtScaleMap& xMap,
                     const QwtScaleMap& yMap, const QRectF& canvasRect, int from,
                     int to) const override
    {
        const auto* readings = static_cast<const ReadingSeries*>(data());
        QPolygonF points;
        for (const int i : readings->separatedIndexes(xMap, MarkerSpacing, from, to)) {
            const QPointF reading = readings->at(i);
            const QPointF at(xMap.transform(reading.x()), yMap.transform(reading.y()));
            if (canvasRect.adjusted(-MarkerSize, -MarkerSize, MarkerSize, MarkerSize).contains(at))
                points.append(at);
        }
        symbol.drawSymbols(painter, points);
    }

private:
    std::function<double()> m_gapLimit;
};

// Dragging a rectangle to the right zooms into it; dragging to the left returns to the whole
// window, whatever the zoom stack holds. The right button stays free for the popup menu.
class ZoomRectangle final : public QwtPlotZoomer
{
public:
    ZoomRectangle(QWidget* canvas, std::function<void()> wholeWindow)
        : QwtPlotZoomer(canvas, false), m_wholeWindow(std::move(wholeWindow))
    {
        setRubberBandPen(QPen(Qt::black));
        setTrackerMode(QwtPicker::AlwaysOff);
        setMousePattern(QwtEventPattern::MouseSelect2, Qt::NoButton);
    }

protected:
    bool end(bool ok) override
    {
        const QPolygon chosen = selection();
        if (ok && chosen.size() >= 2 && chosen.last().x() < chosen.first().x()) {
            QwtPlotPicker::end(false);
            m_wholeWindow();
            return false;
        }
        return QwtPlotZoomer::end(ok);
    }

private:
    std::function<void()> m_wholeWindow;
};

} // namespace

QwtScaleEngine* NewTimeScaleEngine()
{
    return new CivilTimeScaleEngine;
}

QwtScaleDraw* NewTimeScaleDraw()
{
    return new TimeScaleDraw;
}

QwtScaleEngine* NewValueScaleEngine()
{
    return new ValueScaleEngine;
}

QwtScaleDraw* NewValueScaleDraw()
{
    return new ValueScaleDraw;
}

QwtLegend* NewSeriesLegend(QWidget* parent)
{
    return new SeriesLegend(parent);
}

QwtPlotCurve* NewReadingCurve(std::function<double()> gapLimit)
{
    auto* curve = new ReadingCurve(std::move(gapLimit));
    curve->setAxes(QwtPlot::xBottom, QwtPlot::yLeft);
    curve->setStyle(QwtPlotCurve::Lines);
    curve->setPen(QPen(Qt::blue, 0.0));
    curve->setSymbol(new QwtSymbol(QwtSymbol::Diamond, QBrush(Qt::blue), QPen(Qt::blue),
                                   QSize(MarkerSize, MarkerSize)));
    curve->setLegendAttribute(QwtPlotCurve::LegendShowLine, true);
    curve->setLegendAttribute(QwtPlotCurve::LegendShowSymbol, true);
    // Points that fall on the same pixel are drawn once: a 10-day window holds many per pixel.
    curve->setPaintAttribute(QwtPlotCurve::FilterPoints, true);
    return curve;
}

QwtPlotZoomer* NewZoomRectangle(QWidget* canvas, std::function<void()> wholeWindow)
{
    return new ZoomRectangle(canvas, std::move(wholeWindow));
}

} // namespace orvela
