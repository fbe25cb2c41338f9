#pragma once

// Printing a graph chart: its print settings, the page and margin arithmetic shared by the
// preview and the printer, the drawing of a chart into a rectangle with Qwt's renderer, and the
// program's current printer.
//
// Margins are whole percents of the paper: left and right of its width, top and bottom of its
// height. The chart is drawn into the rectangle inside them, on the paper's own coordinates, so
// that what the preview shows on a picture of the page is what the printer puts on paper.

#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;
class QPrinter;
class QwtPlot;

namespace orvela {

struct PrintMargins
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    friend bool operator==(const PrintMargins& a, const PrintMargins& b)
    {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }
    friend bool operator!=(const PrintMargins& a, const PrintMargins& b) { return !(a == b); }
};

// The print settings a chart keeps for the rest of the run (never in the configuration file).
struct PrintSettings
{
    static constexpr int DefaultMargin = 10;
    static constexpr int MostDetail = -100;
    static constexpr int NormalDetail = 0;

    PrintMargins margins{DefaultMargin, DefaultMargin, DefaultMargin, DefaultMargin};
    // Keep the chart's on-screen proportions: the margins are computed for the page.
    bool proportional = true;
    // -100 to 0: 0 draws at the normal size, negative values draw finer (more detail).
    int resolution = NormalDetail;
};

// A margin is 0 to 100 and two opposite margins add up to less than 100.
bool MarginsFit(const PrintMargins& margins);

// The rectangle inside `margins` on paper of `paper` size (any unit), with the origin at the
// paper's top left corner.
QRectF MarginRect(const QSizeF& paper, const PrintMargins& margins);

// The border that proportional margins keep at least, in percent, on every side.
constexpr int ProportionalBorder = 10;

// Margins that centre the largest rectangle of the chart's shape on the paper, keeping at least
// ProportionalBorder percent on every side. A chart without a usable size keeps the border only.
PrintMargins ProportionalMargins(const QSizeF& chart, const QSizeF& paper);

// How much larger than the target the chart is laid out, so its text and lines come out finer:
// 1 at resolution 0, 2 at -100; resolutions outside -100 to 0 count as the nearest end.
double DetailScale(int resolution);

// Draws `chart` with Qwt's renderer into `target` (painter coordinates), with the detail of
// `resolution`. Text keeps its size in points relative to the painter's device.
void RenderChart(QwtPlot& chart, QPainter& painter, const QRectF& target, int resolution);

// The paper of `printer` in points, with its orientation applied.
QSizeF PaperSizePoints(const QPrinter& printer);

// Prints `chart` inside the margins of `settings` as the job `title`, on `sheets` sheets of
// `printer` (one each). False with `error` set when the printer could not take the job.
bool PrintChart(QwtPlot& chart, const PrintSettings& settings, QPrinter& printer,
                const QString& title, QString& error, int sheets = 1);

// The program's printer: made on first use with the system's default printer, and kept, with
// the printer and orientation chosen, until the application object goes away.
QPrinter& CurrentPrinter();

} // namespace orvela
