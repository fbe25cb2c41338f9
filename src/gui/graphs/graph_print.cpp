#include "gui/graphs/graph_print.h"

#include <qwt_plot.h>
#include <qwt_plot_renderer.h>

#include <QCoreApplication>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cmath>
#include <memory>

namespace orvela {
namespace {

constexpr int WholePage = 100;
// Proportional margins keep the opposite pair below the whole page even for a chart of an
// extreme shape.
constexpr int LargestProportionalMargin = WholePage / 2 - 1;

std::unique_ptr<QPrinter>& PrinterHolder()
{
    static std::unique_ptr<QPrinter> printer;
    return printer;
}

int PercentOf(double part, double whole)
{
    return static_cast<int>(std::lround(part / whole * WholePage));
}

} // namespace

bool MarginsFit(const PrintMargins& m)
{
    const auto inRange = [](int v) { return v >= 0 && v <= WholePage; };
    return inRange(m.left) && inRange(m.top) && inRange(m.right) && inRange(m.bottom) &&
           m.left + m.right < WholePage && m.top + m.bottom < WholePage;
}

QRectF MarginRect(const QSizeF& paper, const PrintMargins& m)
{
    const double w = paper.width();
    const double h = paper.height();
    const double left = w * m.left / WholePage;
    const double top = h * m.top / WholePage;
    const double right = w - w * m.right / WholePage;
    const double bottom = h - h * m.bottom / WholePage;
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

PrintMargins ProportionalMargins(const QSizeF& chart, const QSizeF& paper)
{
    const PrintMargins border{ProportionalBorder, ProportionalBorder, ProportionalBorder,
                              ProportionalBorder};
    if (!(chart.width() >= 1.0 && chart.height() >= 1.0 && paper.width() > 0.0 &&
          paper.height() > 0.0))
        return border;
    const double room = 1.0 - 2.0 * ProportionalBorder / double{WholePage};
    const double roomWidth = paper.width() * room;
    const double roomHeight = paper.height() * room;
    double width = roomWidth;
    double height = roomWidth * chart.height() / chart.width();
    if (height > roomHeight) {
        height = roomHeight;
        width = roomHeight * chart.width() / chart.height();
    }
    const int side = std::clamp(PercentOf((paper.width() - width) / 2.0, paper.width()),
                                ProportionalBorder, LargestProportionalMargin);
    const int topBottom = std::clamp(PercentOf((paper.height() - height) / 2.0, paper.height()),
                                     ProportionalBorder, LargestProportionalMargin);
    return {side, topBottom, side, topBottom};
}

double DetailScale(int resolution)
{
    const int r = std::clamp(resolution, PrintSettings::MostDetail, PrintSettings::NormalDetail);
    return 1.0 - r / 100.0;
}

void RenderChart(QwtPlot& chart, QPainter& painter, const QRectF& target, int resolution)
{
    if (!target.isValid())
        return;
    const double scale = DetailScale(resolution);
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(1.0 / scale, 1.0 / scale);
    QwtPlotRenderer renderer;
    renderer.render(&chart, &painter,
                    QRectF(0.0, 0.0, target.width() * scale, target.height() * scale));
    painter.restore();
}

QSizeF PaperSizePoints(const QPrinter& printer)
{
    return printer.pageLayout().fullRect(QPageLayout::Point).size();
}

bool PrintChart(QwtPlot& chart, const PrintSettings& settings, QPrinter& printer,
                const QString& title, QString& error, int sheets)
{
    const QString failed = QStringLiteral("The graph could not be printed on ") +
                           printer.printerName() + QLatin1Char('.');
    printer.setFullPage(true);
    printer.setDocName(title);
    QPainter painter;
    if (!painter.begin(&printer)) {
        error = failed;
        return false;
    }
    // With the full page the painter's origin is the paper's corner, as margins count.
    const QSizeF paper = printer.paperRect(QPrinter::DevicePixel).size();
    bool fed = true;
    for (int sheet = 0; sheet < std::max(sheets, 1) && fed; ++sheet) {
        if (sheet > 0)
            fed = printer.newPage();
        if (fed)
            RenderChart(chart, painter, MarginRect(paper, settings.margins), settings.resolution);
    }
    if (!fed || !painter.end() || printer.printerState() == QPrinter::Error) {
        error = failed;
        return false;
    }
    return true;
}

QPrinter& CurrentPrinter()
{
    std::unique_ptr<QPrinter>& printer = PrinterHolder();
    if (!printer) {
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        // Registered after the printer support that the printer loaded, so it runs before that
        // support is released when the application object goes away.
        qAddPostRoutine([] { PrinterHolder().reset(); });
    }
    return *printer;
}

} // namespace orvela
