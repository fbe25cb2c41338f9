#include "gui/graphs/graph_chart.h"

#include "core/db/station_queries.h"
#include "gui/graphs/event_pump.h"
#include "gui/graphs/reading_series.h"

#include <qwt_clipper.h>
#include <qwt_legend.h>
#include <qwt_painter.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_zoomer.h>
#include <qwt_scale_draw.h>
#include <qwt_scale_engine.h>
#include <qwt_symbol.h>

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QLinearGradient>
#include <QPainter>
#include <QPointer>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <utility>

namespace orvela {
namespace {

constexpr double SecondsPerDayF = 86400.0;
const QColor PanelColour(240, 240, 240);
const QColor LegendGradientStart(170, 213, 213);
const QColor LegendShadow(128, 128, 128);
constexpr int LegendShadowOffset = 3;
constexpr int LegendPadding = 3;
// The gap kept between two time labels: wide enough that each date stays with its time.
constexpr int TimeLabelGap = 16;
constexpr double SmallestValueStep = 0.01;
constexpr int MarkerSize = 5;
// Markers closer than this (in pixels, centre to centre) would run into one another.
constexpr double MarkerSpacing = MarkerSize + 3;
constexpr int SpanLabelLeft = 6;
constexpr double LoneReadingRadius = 1.0;
constexpr double MinutesPerDay = 1440.0;

// The DateTime of a reading stamped at `t`, made as the reader makes it, from the civil fields:
// the keeping and dropping of held readings then agrees to the last bit with the database's
// own comparison of time stamps.
DateTime ReadingTime(StationTime t)
{
    const CivilTime c = DecodeStationTime(t);
    return CivilToDateTime(c.year, c.month, c.day, c.hour, c.minute, c.second);
}

// A load superseded by a newer one of the same chart, or stopped, leaves the reading loop by
// this exception; it never leaves the chart.
struct LoadInterrupted
{};

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

GraphChart::GraphChart(int slot, QWidget* parent) : QwtPlot(parent), m_slot(slot)
{
    setObjectName(QStringLiteral("teeGraph%1").arg(slot));
    setAutoReplot(false);
    setAutoFillBackground(true);
    QPalette panel = palette();
    panel.setColor(QPalette::Window, PanelColour);
    setPalette(panel);

    auto* canvas = new QwtPlotCanvas;
    canvas->setFrameStyle(QFrame::Box | QFrame::Plain);
    canvas->setLineWidth(1);
    QPalette white = canvas->palette();
    white.setColor(QPalette::Window, Qt::white);
    canvas->setPalette(white);
    canvas->setAutoFillBackground(true);
    setCanvas(canvas);

    enableAxis(QwtPlot::xTop, false);
    enableAxis(QwtPlot::yRight, false);
    setAxisScaleEngine(QwtPlot::xBottom, new CivilTimeScaleEngine);
    setAxisScaleDraw(QwtPlot::xBottom, new TimeScaleDraw);
    setAxisScaleEngine(QwtPlot::yLeft, new ValueScaleEngine);
    setAxisScaleDraw(QwtPlot::yLeft, new ValueScaleDraw);
    setAxisAutoScale(QwtPlot::yLeft, true);

    insertLegend(new SeriesLegend(this), QwtPlot::TopLegend);
    applyFont();

    auto* grid = new QwtPlotGrid;
    grid->setMajorPen(QColor(210, 210, 210), 0.0, Qt::DotLine);
    grid->attach(this);

    m_series = new ReadingCurve([this] { return gapLimit(); });
    m_series->setAxes(QwtPlot::xBottom, QwtPlot::yLeft);
    m_series->setStyle(QwtPlotCurve::Lines);
    m_series->setPen(QPen(Qt::blue, 0.0));
    m_series->setSymbol(new QwtSymbol(QwtSymbol::Diamond, QBrush(Qt::blue), QPen(Qt::blue),
                                      QSize(MarkerSize, MarkerSize)));
    m_series->setLegendAttribute(QwtPlotCurve::LegendShowLine, true);
    m_series->setLegendAttribute(QwtPlotCurve::LegendShowSymbol, true);
    // Points that fall on the same pixel are drawn once: a 10-day window holds many per pixel.
    m_series->setPaintAttribute(QwtPlotCurve::FilterPoints, true);
    m_span = new QLabel(this);
    m_span->setObjectName(QStringLiteral("lblSpan%1").arg(slot));
    m_span->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_span->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_readings = new ReadingSeries;
    m_series->setData(m_readings);
    m_series->attach(this);

    if (slot == 1) {
        m_zoomer = new ZoomRectangle(canvas, [this] {
            restoreWindowAxes();
            m_zoomer->setZoomBase(false);
        });
        connect(m_zoomer, &QwtPlotZoomer::zoomed, this, [this](const QRectF&) {
            if (m_zoomer->zoomRectIndex() == 0)
                restoreWindowAxes();
        });
    }
    showRange(DefaultGraphRange);
    showWindow(GraphWindowNow(DefaultGraphRange));
}

std::vector<int> GraphChart::markedReadings() const
{
    return m_readings->separatedIndexes(canvasMap(QwtPlot::xBottom), MarkerSpacing, 0,
                                        static_cast<int>(m_readings->size()) - 1);
}

void GraphChart::setGapRule(const GapRule& rule)
{
    if (rule == m_gapRule)
        return;
    m_gapRule = rule;
    replot();
}

double GraphChart::gapLimit() const
{
    if (!m_gapRule.breakAtGaps)
        return HUGE_VAL;
    if (m_gapRule.limitMinutes > 0.0 && std::isfinite(m_gapRule.limitMinutes))
        return m_gapRule.limitMinutes / MinutesPerDay;
    const double median = m_readings->medianSpacing();
    return median > 0.0 ? GapRule::MedianSpacings * median : HUGE_VAL;
}

QString GraphChart::spanText() const
{
    return m_span->text();
}

void GraphChart::showRange(int rangeIndex)
{
    m_span->setText(GraphRangeLabel(rangeIndex));
    placeSpan();
}

// Beside the legend, in the row it takes above the canvas.
void GraphChart::placeSpan()
{
    const QWidget* box = legend();
    const int height = m_span->sizeHint().height();
    const int top = box ? box->geometry().center().y() - height / 2 : SpanLabelLeft;
    m_span->setGeometry(SpanLabelLeft, std::max(top, 0), m_span->sizeHint().width(), height);
}

void GraphChart::updateLayout()
{
    QwtPlot::updateLayout();
    if (m_span) // the base class lays out before the label is made
        placeSpan();
}

void GraphChart::applyFont()
{
    // The axes take the chart's own font (Qwt gives them a fixed point size of their own).
    setAxisFont(QwtPlot::xBottom, font());
    setAxisFont(QwtPlot::yLeft, font());
    QwtText title = axisTitle(QwtPlot::yLeft);
    title.setFont(font());
    setAxisTitle(QwtPlot::yLeft, title);
}

void GraphChart::changeEvent(QEvent* event)
{
    QwtPlot::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        applyFont();
}

void GraphChart::setValueAxisTitle(const QString& title)
{
    QwtText text(title);
    text.setFont(font());
    setAxisTitle(QwtPlot::yLeft, text);
}

QString GraphChart::valueAxisTitle() const
{
    return axisTitle(QwtPlot::yLeft).text();
}

void GraphChart::resizeEvent(QResizeEvent* event)
{
    QwtPlot::resizeEvent(event);
    // As many time labels as fit side by side under the canvas.
    const QFontMetrics metrics(axisFont(QwtPlot::xBottom));
    const int pitch = metrics.horizontalAdvance(QStringLiteral("00/00 00:00")) + TimeLabelGap;
    const int labels = std::max(2, canvas()->width() / pitch);
    if (labels != axisMaxMajor(QwtPlot::xBottom)) {
        setAxisMaxMajor(QwtPlot::xBottom, labels);
        replot();
    }
}

void GraphChart::restoreWindowAxes(bool repaint)
{
    setAxisScale(QwtPlot::xBottom, m_window.startDateTime(), m_window.endDateTime());
    setAxisAutoScale(QwtPlot::yLeft, true);
    if (repaint)
        replot();
    else
        updateAxes();
}

void GraphChart::showWindow(const GraphWindow& window, bool repaint)
{
    m_window = window;
    restoreWindowAxes(repaint);
    if (m_zoomer)
        m_zoomer->setZoomBase(false);
}

void GraphChart::ReturnFreedMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

bool GraphChart::LoadGraph(const QString& station, const QString& sensor, int rangeIndex,
                           StationQueries& queries, EventPump& pump)
{
    const std::uint64_t load = ++m_loadSerial;
    showRange(rangeIndex);
    const GraphWindow window = GraphWindowNow(rangeIndex);
    const GraphLoadKey key{TrimBlanksAndControls(station), sensor, rangeIndex,
                           queries.ConnectionSerial()};
    std::optional<DateTime> newest;
    if (m_readings->count() > 0)
        newest = m_readings->at(m_readings->count() - 1).x();
    const std::optional<StationTime> readFrom = m_plan.ReadFrom(key, window, newest);
    m_plan.LoadStarted(!readFrom);
    if (readFrom)
        m_readings->keepBetween(ReadingTime(window.start), ReadingTime(*readFrom));
    else
        m_readings->clear();
    m_loadedStation = key.station;
    m_loadedSensor = sensor;
    m_series->setTitle(SeriesTitle(station, sensor));
    m_series->setVisible(true);
    // A load of the newest readings keeps the graph on screen as it was until they are in: with
    // a dense window a paint costs more than the read.
    showWindow(window, !readFrom);
    return LoadGraphReadings(key, readFrom, load, queries, pump);
}

bool GraphChart::LoadGraphReadings(const GraphLoadKey& key, std::optional<StationTime> readFrom,
                                   std::uint64_t load, StationQueries& queries, EventPump& pump)
{
    const QPointer<GraphChart> alive(this);
    const auto current = [&] { return alive && m_loadSerial == load; };
    struct Depth
    {
        QPointer<GraphChart> chart;
        explicit Depth(GraphChart* c) : chart(c) { ++chart->m_loadDepth; }
        ~Depth()
        {
            if (chart)
                --chart->m_loadDepth;
        }
    } depth(this);

    const GraphWindow window = m_window;
    m_lastLoadWhole = !readFrom;
    m_lastLoadRows = 0;
    const DateTime start = readFrom ? StationTimeToDateTime(*readFrom) : window.startDateTime();
    pump.Restart();
    bool complete = false;
    try {
        complete = queries.ReadTimeRange(key.station, key.sensor, start, window.endDateTime(),
                                         [&](DateTime time, double value) {
                                             m_readings->add(time, value);
                                             ++m_lastLoadRows;
                                             const bool goOn = pump.Breathe();
                                             if (!current() || !goOn)
                                                 throw LoadInterrupted{};
                                         });
    } catch (const LoadInterrupted&) {
        // A newer load of this chart owns the series now; a stopped one shows what it read.
        if (current())
            replot();
        return false;
    } catch (...) {
        if (current()) {
            m_readings->clear();
            replot();
        }
        throw;
    }
    if (!current())
        return false;
    if (complete)
        m_plan.LoadCompleted(key, window, !readFrom);
    replot();
    resetZoomBase();
    return complete;
}

void GraphChart::resetZoomBase()
{
    if (!m_zoomer)
        return;
    if (m_zoomer->zoomRectIndex() == 0) {
        m_zoomer->setZoomBase(false);
        return;
    }
    // A zoom made while the readings came in stays on screen, above the whole window: the
    // toolkit would otherwise take the zoomed rectangle for the base.
    const QwtInterval values = axisInterval(QwtPlot::yLeft);
    QRectF whole(m_window.startDateTime(), values.minValue(),
                 m_window.endDateTime() - m_window.startDateTime(), values.width());
    if (m_readings->size() > 0)
        whole |= m_readings->boundingRect();
    m_zoomer->setZoomBase(whole.normalized());
}

} // namespace orvela
