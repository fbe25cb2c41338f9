#include "gui/graphs/graph_save.h"

#include "core/db/station_queries.h"
#include "core/graphs/graph_export.h"
#include "gui/graphs/graph_chart.h"
#include "gui/graphs/graph_cursor.h"
#include "gui/messages/prompter.h"

#include <qwt_plot_renderer.h>
#include <qwt_scale_map.h>

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include <cmath>

namespace orvela {
namespace {

constexpr double SpanTextLeft = 6.0;
constexpr int SvgResolution = 96;
// Reading times are whole seconds; an axis edge a rounding error away still takes its reading.
constexpr double EdgeTolerance = 1e-9;

// Draws the chart as Qwt's renderer lays it out, then what the widgets on top of it show: the
// active cursors over the canvas and the span beside the legend.
class ShownGraphRenderer final : public QwtPlotRenderer
{
public:
    ShownGraphRenderer(const GraphChart& chart, const ReadOutCursor& cursor)
        : m_chart(chart), m_cursor(cursor)
    {}

    void render(QwtPlot* plot, QPainter* painter, const QRectF& plotRect) const override
    {
        m_plotRect = plotRect;
        QwtPlotRenderer::render(plot, painter, plotRect);
    }

    void renderCanvas(const QwtPlot* plot, QPainter* painter, const QRectF& canvasRect,
                      const QwtScaleMap* maps) const override
    {
        QwtPlotRenderer::renderCanvas(plot, painter, canvasRect, maps);
        if (!m_cursor.isActive())
            return;
        const QwtScaleMap& xMap = maps[QwtPlot::xBottom];
        const auto line = [&](double time, const QPen& pen) {
            const double x = std::round(xMap.transform(time));
            if (!std::isfinite(x) || x < canvasRect.left() || x > canvasRect.right())
                return;
            painter->save();
            painter->setRenderHint(QPainter::Antialiasing, false);
            painter->setPen(pen);
            painter->drawLine(QPointF(x, canvasRect.top()), QPointF(x, canvasRect.bottom()));
            painter->restore();
        };
        if (const auto second = m_cursor.second())
            line(second->x(), QPen(QColor(160, 0, 0), 1.0, Qt::DashLine));
        line(m_cursor.position(), QPen(Qt::black, 1.0));
    }

    void renderLegend(const QwtPlot* plot, QPainter* painter,
                      const QRectF& legendRect) const override
    {
        QwtPlotRenderer::renderLegend(plot, painter, legendRect);
        const QString span = m_chart.spanText();
        if (span.isEmpty() || legendRect.isEmpty())
            return;
        painter->save();
        painter->setFont(m_chart.font());
        painter->setPen(m_chart.palette().color(QPalette::WindowText));
        const QRectF room(m_plotRect.left() + SpanTextLeft, legendRect.top(), legendRect.width(),
                          legendRect.height());
        painter->drawText(room, Qt::AlignLeft | Qt::AlignVCenter, span);
        painter->restore();
    }

private:
    const GraphChart& m_chart;
    const ReadOutCursor& m_cursor;
    mutable QRectF m_plotRect;
};

QString& LastFolder()
{
    static QString folder = QDir::homePath();
    return folder;
}

// A file name from the graph's station and sensor, without characters that file systems refuse.
QString SuggestedName(const GraphChart& chart, const QString& suffix)
{
    QString name = chart.loadedStation() + QLatin1Char(' ') + chart.loadedSensor();
    for (QChar& c : name)
        if (c.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = QLatin1Char('_');
    name = name.trimmed();
    if (name.isEmpty())
        name = QStringLiteral("graph");
    return LastFolder() + QLatin1Char('/') + name + QLatin1Char('.') + suffix;
}

QString AskForFile(QWidget* parent, const QString& title, const QString& suggested,
                   const QString& filter, const QString& suffix)
{
    const QString path = CurrentPrompter().saveFileName(parent, title, suggested, filter, suffix);
    if (!path.isEmpty())
        LastFolder() = QFileInfo(path).absolutePath();
    return path;
}

} // namespace

bool ExportGraphData(const GraphChart& chart, const QString& units, StationQueries& queries,
                     const QString& path, QString& error)
{
    const QwtInterval shown = chart.axisInterval(QwtPlot::xBottom);
    // The statement counts whole seconds; a zoom's edge lies anywhere between them.
    const double first = shown.minValue() - EdgeTolerance;
    const double last = shown.maxValue() + EdgeTolerance;
    QString readError;
    const bool saved = SaveFileWhole(
        path,
        [&](QIODevice& device) {
            ReadingCsvWriter writer(device);
            writer.writeHeader({chart.loadedStation(), chart.loadedSensor(), units});
            try {
                queries.ReadTimeRangeExact(chart.loadedStation(), chart.loadedSensor(),
                                           shown.minValue(), shown.maxValue(),
                                           [&](DateTime time, double value) {
                                               if (time >= first && time <= last)
                                                   writer.writeReading(time, value);
                                           });
            } catch (const DatabaseError& failure) {
                readError = QStringLiteral("The readings could not be read: ") + failure.text();
                return false;
            }
            return writer.ok();
        },
        error);
    if (!readError.isEmpty())
        error = readError;
    return saved;
}

bool SaveGraphPicture(GraphChart& chart, const ReadOutCursor& cursor, const QString& path,
                      QString& error)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("png") && suffix != QLatin1String("svg")) {
        error = QStringLiteral("A picture is saved as PNG (.png) or SVG (.svg); ") +
                QDir::toNativeSeparators(path) + QStringLiteral(" names neither.");
        return false;
    }
    const QSize size = chart.size();
    const QRectF whole(QPointF(0.0, 0.0), QSizeF(size));
    const ShownGraphRenderer renderer(chart, cursor);
    // The renderer lays the chart out anew for the picture; the screen gets its own layout back.
    struct RepaintAfterwards
    {
        GraphChart& chart;
        ~RepaintAfterwards()
        {
            chart.updateLayout();
            chart.replot();
        }
    } repaint{chart};
    return SaveFileWhole(
        path,
        [&](QIODevice& device) {
            if (suffix == QLatin1String("svg")) {
                QSvgGenerator svg;
                svg.setOutputDevice(&device);
                svg.setSize(size);
                svg.setViewBox(whole);
                // At 96 dots an inch a browser shows the picture at its size on screen.
                svg.setResolution(SvgResolution);
                svg.setTitle(chart.loadedStation() + QLatin1Char('.') + chart.loadedSensor());
                QPainter painter;
                if (!painter.begin(&svg))
                    return false;
                renderer.render(&chart, &painter, whole);
                return painter.end();
            }
            QImage image(size, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::white);
            QPainter painter(&image);
            renderer.render(&chart, &painter, whole);
            painter.end();
            return image.save(&device, "PNG");
        },
        error);
}

void ExportGraphDataCommand(const GraphChart& chart, const QString& units, StationQueries& queries,
                            QWidget* parent)
{
    const QString path = AskForFile(
        parent, QStringLiteral("Export Data"), SuggestedName(chart, QStringLiteral("csv")),
        QStringLiteral("CSV Files (*.csv);;All Files (*)"), QStringLiteral("csv"));
    QString error;
    if (!path.isEmpty() && !ExportGraphData(chart, units, queries, path, error))
        CurrentPrompter().showMessage(parent, BoxIcon::Error, QString(), error);
}

void SaveGraphPictureCommand(GraphChart& chart, const ReadOutCursor& cursor, QWidget* parent)
{
    const QString path = AskForFile(
        parent, QStringLiteral("Save Picture"), SuggestedName(chart, QStringLiteral("png")),
        QStringLiteral("PNG Pictures (*.png);;SVG Pictures (*.svg)"), QStringLiteral("png"));
    QString error;
    if (!path.isEmpty() && !SaveGraphPicture(chart, cursor, path, error))
        CurrentPrompter().showMessage(parent, BoxIcon::Error, QString(), error);
}

} // namespace orvela
