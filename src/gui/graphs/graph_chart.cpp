#include "gui/graphs/graph_chart.h"

#include "core/db/station_queries.h"
#include "gui/graphs/chart_parts.h"
#include "gui/graphs/event_pump.h"
#include "gui/graphs/reading_series.h"

#include <qwt_legend.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_zoomer.h>

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
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

const QColor PanelColour(240, 240, 240);
// The gap kept between two time labels: wide enough that each date stays with its time.
constexpr int TimeLabelGap = 16;
constexpr int SpanLabelLeft = 6;
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
    setAxisScaleEngine(QwtPlot::xBottom, NewTimeScaleEngine());
    setAxisScaleDraw(QwtPlot::xBottom, NewTimeScaleDraw());
    setAxisScaleEngine(QwtPlot::yLeft, NewValueScaleEngine());
    setAxisScaleDraw(QwtPlot::yLeft, NewValueScaleDraw());
    setAxisAutoScale(QwtPlot::yLeft, true);

    insertLegend(NewSeriesLegend(this), QwtPlot::TopLegend);
    applyFont();

    auto* grid = new QwtPlotGrid;
    grid->setMajorPen(QColor(210, 210, 210), 0.0, Qt::DotLine);
    grid->attach(this);

    m_series = NewReadingCurve([this] { return gapLimit(); });
    m_span = new QLabel(this);
    m_span->setObjectName(QStringLiteral("lblSpan%1").arg(slot));
    m_span->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_span->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_readings = new ReadingSeries;
    m_series->setData(m_readings);
    m_series->attach(this);

    if (slot == 1) {
        m_zoomer = NewZoomRectangle(canvas, [this] {
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
